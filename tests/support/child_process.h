// Running a piece of a test in a child process, for what cannot be done to
// the test process itself: a cap on the size of the files it writes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/run_program.h"

// Runs `body` in a forked child and returns its result as the exit status,
// with everything the child wrote to standard output.  With
// `file_size_limit`, no file the child writes may grow past that many bytes
// (RLIMIT_FSIZE); SIGXFSZ is ignored, so a write past the cap fails with
// EFBIG and the child goes on to report it.  Both stay in force across an
// exec, so `body` may also run a built program.
program_result run_in_child(const std::function<int()>& body,
                            std::optional<std::uint64_t> file_size_limit = {});

// For a body of run_in_child: points standard error where standard output
// goes (the capture), standard output at the file `out_path` (created),
// and runs `program` with `args` in place of the child.  127 when that
// fails.
int exec_with_output(const std::string& program, const std::vector<std::string>& args,
                     const std::string& out_path);

// Runs `program` with `args` in `cwd` (its output and messages thrown
// away) and sends it `signal` the moment it has opened a file whose path
// holds `marker`: a signal at a known step of its work, not at a chance
// moment.  The wait status of its end; -1 where this cannot be done (not
// x86-64 Linux, or the program was not traced).  `opened` tells whether
// such a file was opened at all.
int signal_when_opened(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
                       const std::string& marker, int signal, bool& opened);
