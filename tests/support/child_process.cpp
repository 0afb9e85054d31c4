#include "support/child_process.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <stdexcept>

program_result run_in_child(const std::function<int()>& body,
                            std::optional<std::uint64_t> file_size_limit) {
  int out[2];
  if (::pipe(out) != 0) throw std::runtime_error("pipe failed");
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::close(out[0]);
    ::dup2(out[1], 1);
    ::close(out[1]);
    if (file_size_limit) {
      std::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{*file_size_limit, *file_size_limit};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(125);
    }
    const int status = body();
    std::fflush(stdout);
    ::_exit(status);
  }
  ::close(out[1]);
  program_result result;
  char chunk[4096];
  for (ssize_t n; (n = ::read(out[0], chunk, sizeof chunk)) != 0;) {
    if (n > 0) result.output.append(chunk, static_cast<std::size_t>(n));
    else if (errno != EINTR) break;
  }
  ::close(out[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

int exec_with_output(const std::string& program, const std::vector<std::string>& args,
                     const std::string& out_path) {
  ::dup2(1, 2);
  const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0 || ::dup2(out, 1) < 0) return 127;
  std::vector<std::string> strings{program};
  strings.insert(strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);
  ::execv(argv[0], argv.data());
  return 127;
}
