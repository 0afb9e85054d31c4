// Running a built program as a separate process, as a user would.
#pragma once

#include <string>
#include <vector>

struct program_result {
  int exit_status = -1;  // -1 when the program did not exit normally
  std::string output;    // everything it wrote to standard output
  std::string errors;    // and to standard error
};

// Runs `program` with `args` in the folder `cwd`, standard input read from
// the text `input` (empty: an empty input), standard output and standard
// error captured.
program_result run_program(const std::string& program, const std::vector<std::string>& args,
                           const std::string& cwd, const std::string& input = "");
