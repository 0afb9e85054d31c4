#include "support/child_process.h"

#include "support/temp_dir.h"

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
  arg_vector argv({program}, args);
  ::execv(argv.argv()[0], argv.argv());
  return 127;
}

#if defined(__x86_64__)
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/user.h>
#endif

int signal_when_opened(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
                       const std::string& marker, int signal, bool& opened) {
  opened = false;
#if defined(__x86_64__)
  arg_vector argv({program}, args);
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const int null_fd = ::open("/dev/null", O_RDWR);
    ::dup2(null_fd, 1);
    ::dup2(null_fd, 2);
    if (::chdir(cwd.c_str()) != 0 || ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) ::_exit(127);
    ::raise(SIGSTOP);
    ::execv(argv.argv()[0], argv.argv());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);  // stopped before the exec
  ::ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
  // Every system call stops the program twice, on the way in (its result
  // register then holds -ENOSYS) and on the way out, where an open's
  // result is seen.
  for (;;) {
    if (::ptrace(PTRACE_SYSCALL, pid, nullptr, nullptr) != 0) break;
    if (::waitpid(pid, &status, 0) != pid || WIFEXITED(status) || WIFSIGNALED(status)) return status;
    if (!WIFSTOPPED(status) || WSTOPSIG(status) != (SIGTRAP | 0x80)) continue;
    user_regs_struct regs{};
    if (::ptrace(PTRACE_GETREGS, pid, nullptr, &regs) != 0) break;
    const long result = static_cast<long>(regs.rax);
    if ((regs.orig_rax != SYS_openat && regs.orig_rax != SYS_open) || result < 0) continue;
    char target[4096];
    const std::string link = "/proc/" + std::to_string(pid) + "/fd/" + std::to_string(result);
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0 || std::string(target, static_cast<std::size_t>(n)).find(marker) == std::string::npos) continue;
    opened = true;
    ::kill(pid, signal);
    ::ptrace(PTRACE_DETACH, pid, nullptr, nullptr);
    break;
  }
  ::waitpid(pid, &status, 0);
  return status;
#else
  static_cast<void>(program), static_cast<void>(args), static_cast<void>(cwd), static_cast<void>(marker),
      static_cast<void>(signal);
  return -1;
#endif
}
