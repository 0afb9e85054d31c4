#include "atlas/stop_signal.h"

#include <atomic>

namespace {

// The signal that asked the work to stop, or 0: the one value a signal
// handler may set, so it cannot live in the run's records.
std::atomic<int> stop_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void on_stop_signal(int signal) { stop_signal.store(signal); }

}  // namespace

stop_handlers::stop_handlers() {
  struct sigaction action {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(stop_signals); ++i) {
    sigaction(stop_signals[i], nullptr, &old[i]);
    if (old[i].sa_handler != SIG_IGN) sigaction(stop_signals[i], &action, nullptr);
  }
}

stop_handlers::~stop_handlers() {
  for (std::size_t i = 0; i < std::size(stop_signals); ++i) sigaction(stop_signals[i], &old[i], nullptr);
}

int stop_signal_received() { return stop_signal.load(); }

void clear_stop_signal() { stop_signal.store(0); }
