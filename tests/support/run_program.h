// Running a built program as a separate process, as a user would.
#pragma once

#include <string>
#include <vector>

struct program_result {
  int exit_status = -1;  // -1 when the program did not exit normally
  int signal = 0;        // the signal that ended it, or 0
  std::string output;    // everything it wrote to standard output
  std::string errors;    // everything it wrote to standard error
};

// Runs `program` with `args` in the folder `cwd`, standard input read from
// the text `input` (empty: an empty input), standard output and standard
// error captured.
program_result run_program(const std::string& program, const std::vector<std::string>& args,
                           const std::string& cwd, const std::string& input = "");
