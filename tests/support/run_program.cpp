#include "support/run_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "support/temp_dir.h"

program_result run_program(const std::string& program, const std::vector<std::string>& args,
                           const std::string& cwd, const std::string& input) {
  temp_dir io;
  const std::string in_path = io.file("stdin");
  const std::string out_path = io.file("stdout");
  const std::string error_path = io.file("stderr");
  write_file(in_path, bytes(input.begin(), input.end()));

  arg_vector argv({program}, args);

  // The child changes into `cwd` through a small shell-free trick: the
  // spawn attributes cannot change folders, so run it from there by
  // changing ours around the spawn (tests are single-threaded).
  const std::filesystem::path previous = std::filesystem::current_path();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, error_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::filesystem::current_path(cwd);
  pid_t pid = 0;
  extern char** environ;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.argv(), environ);
  std::filesystem::current_path(previous);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + program);

  int status = 0;
  waitpid(pid, &status, 0);
  program_result result;
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  const bytes out = read_file(out_path);
  result.output.assign(out.begin(), out.end());
  const bytes errors = read_file(error_path);
  result.errors.assign(errors.begin(), errors.end());
  return result;
}
