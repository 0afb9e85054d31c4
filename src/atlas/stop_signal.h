// Stopping qz-atlas's work cleanly on SIGINT, SIGTERM or SIGHUP: while the
// handlers are installed a stop signal only records itself; the work looks
// at it, removes what it had begun to write, and once the handlers are gone
// raises the signal again, so that it ends the process as it would have.
#pragma once

#include <csignal>
#include <iterator>

inline constexpr int stop_signals[] = {SIGINT, SIGTERM, SIGHUP};

// Installs the stop handlers and puts the old ones back when it goes.  A
// signal the program was started to ignore (as nohup does) stays ignored.
struct stop_handlers {
  struct sigaction old[std::size(stop_signals)];
  stop_handlers();
  ~stop_handlers();
  stop_handlers(const stop_handlers&) = delete;
  stop_handlers& operator=(const stop_handlers&) = delete;
};

// The stop signal recorded since the last clear, or 0.
int stop_signal_received();
void clear_stop_signal();
