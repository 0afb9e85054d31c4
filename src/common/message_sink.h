// Where the libraries' messages go.  A library never picks a stream of its
// own: each program hands its routines a sink naming two channels.
//
//   console      the lines of the run's report, in the readers' own words
//                ("illegal block no $0002", "error: read '...'", the
//                progress and placement lines): zud2avuze's standard
//                output, standard error for the other programs;
//   diagnostics  notes about the input beside that report (unreadable
//                sectors, a sector order found by looking): standard
//                error in every program.
//
// A note flushes the console first, so that where both channels reach the
// same terminal or file the lines stand in the order they were made.
#pragma once

#include <cstdarg>
#include <cstdio>

struct message_sink {
  std::FILE* console = nullptr;
  std::FILE* diagnostics = nullptr;
};

// Standard output as the console, standard error for diagnostics.
inline message_sink standard_sink() { return {stdout, stderr}; }

// Standard error for both channels: for programs whose standard output
// carries data.
inline message_sink diagnostics_only_sink() { return {stderr, stderr}; }

namespace message_sink_detail {
inline void write(std::FILE* stream, const char* format, std::va_list args) {
  if (stream != nullptr) std::vfprintf(stream, format, args);
}
}  // namespace message_sink_detail

// Prints to the console, as printf does.
[[gnu::format(printf, 2, 3)]] inline void say(const message_sink& sink, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  message_sink_detail::write(sink.console, format, args);
  va_end(args);
}

// Prints to the diagnostics channel after flushing the console.
[[gnu::format(printf, 2, 3)]] inline void note(const message_sink& sink, const char* format, ...) {
  if (sink.console != nullptr && sink.console != sink.diagnostics) std::fflush(sink.console);
  std::va_list args;
  va_start(args, format);
  message_sink_detail::write(sink.diagnostics, format, args);
  va_end(args);
}

// Whether a write to either channel has failed so far.
inline bool sink_failed(const message_sink& sink) {
  return (sink.console != nullptr && std::ferror(sink.console) != 0) ||
         (sink.diagnostics != nullptr && std::ferror(sink.diagnostics) != 0);
}
