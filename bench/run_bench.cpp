// Times whole runs of zud2avuze over a set of disk images, side by side
// with the floor no renderer can beat: starting a program that does
// nothing, spawned the way the render is, and writing the render's output
// bytes, already in memory, with one write call per file into new files of
// an empty folder on the same file system.
//
//   run_bench ZUD2AVUZE NOTHING DISK_FOLDER [PAIRS]
//
// NOTHING is a program that exits at once (bench/nothing.cpp).  The disk
// folder holds the five disk images under their default names
// (tools/make_demo_disks makes such a set).  For each variant (the default
// run and -B -B) it first runs the render once to learn its output, its
// peak memory and the number of write calls it makes, then times PAIRS
// (at least 7) renders and floors, alternating, each started after a
// sync into a new empty folder, and reports the best and the median of
// each and the ratio of the bests.
#include <fcntl.h>
#include <spawn.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/file_handle.h"
#include "bench_support.h"

namespace fs = std::filesystem;
using seconds = std::chrono::duration<double>;

extern char** environ;

namespace {

[[noreturn]] void fail(const std::string& why) {
  std::fprintf(stderr, "run_bench: %s\n", why.c_str());
  std::exit(1);
}

struct command {
  std::vector<std::string> args;
  std::vector<char*> argv() {
    std::vector<char*> v;
    for (std::string& a : args) v.push_back(a.data());
    v.push_back(nullptr);
    return v;
  }
};

command render_command(const std::string& program, const fs::path& disks,
                       const std::vector<std::string>& extra) {
  command c{{program}};
  for (const std::string& a : disk_options(disks)) c.args.push_back(a);
  c.args.insert(c.args.end(), extra.begin(), extra.end());
  return c;
}

// Spawns `c` in the folder `cwd` with standard input and output on
// /dev/null and waits for it.  The exit status.
int spawn_and_wait(command& c, const fs::path& cwd) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  std::vector<char*> argv = c.argv();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) fail("cannot start " + c.args[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One untimed run of the render: its peak memory and the write calls it
// made, read from /proc/PID/io when it stops at its exit under ptrace.
struct render_profile {
  long peak_kib = 0;
  long write_calls = -1;
};

render_profile profile(command& c, const fs::path& cwd) {
  std::vector<char*> argv = c.argv();
  // fork, not posix_spawn: the child must not share this process's memory
  // until exec, or it would inherit its high-water mark.
  const pid_t pid = fork();
  if (pid < 0) fail("fork");
  if (pid == 0) {
    const int null_fd = open("/dev/null", O_RDWR);
    dup2(null_fd, 0);
    dup2(null_fd, 1);
    if (chdir(cwd.c_str()) != 0) _exit(127);
    ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  render_profile p;
  int status = 0;
  rusage usage{};
  bool options_set = false;
  for (;;) {
    if (wait4(pid, &status, 0, &usage) < 0) fail("wait");
    if (WIFEXITED(status) || WIFSIGNALED(status)) break;
    int deliver = 0;
    if (!options_set) {
      ptrace(PTRACE_SETOPTIONS, pid, nullptr, reinterpret_cast<void*>(PTRACE_O_TRACEEXIT));
      options_set = true;
    } else if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
      std::ifstream io("/proc/" + std::to_string(pid) + "/io");
      for (std::string key; io >> key;) {
        long value = 0;
        io >> value;
        if (key == "syscw:") p.write_calls = value;
      }
    } else if (WIFSTOPPED(status) && WSTOPSIG(status) != SIGTRAP) {
      deliver = WSTOPSIG(status);
    }
    ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(static_cast<long>(deliver)));
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) fail("the render failed");
  p.peak_kib = usage.ru_maxrss;
  return p;
}

struct output_file {
  std::string name;
  bytes contents;
};

std::vector<output_file> read_outputs(const fs::path& folder) {
  std::vector<output_file> files;
  for (const auto& e : fs::directory_iterator(folder)) {
    output_file f{e.path().filename().string(), {}};
    if (read_whole_file(e.path().c_str(), f.contents) < 0) fail("cannot read " + e.path().string());
    files.push_back(std::move(f));
  }
  return files;
}

// A new empty folder under `work`, made before the clock starts.
fs::path fresh_folder(const fs::path& work, const std::string& name) {
  const fs::path folder = work / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

double timed_render(command& c, const fs::path& folder) {
  sync();
  const auto start = std::chrono::steady_clock::now();
  if (spawn_and_wait(c, folder) != 0) fail("the render failed");
  return seconds(std::chrono::steady_clock::now() - start).count();
}

// The floor: the do-nothing program started the same way, then each
// file created and written with one write call from memory.
double timed_floor(command& nothing, const fs::path& folder, const std::vector<output_file>& files) {
  sync();
  const auto start = std::chrono::steady_clock::now();
  if (spawn_and_wait(nothing, folder) != 0) fail("the do-nothing program failed");
  for (const output_file& f : files) {
    const int fd = open((folder / f.name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0 || write(fd, f.contents.data(), f.contents.size()) != static_cast<ssize_t>(f.contents.size()) ||
        close(fd) != 0)
      fail("cannot write the floor's " + f.name);
  }
  return seconds(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: run_bench ZUD2AVUZE NOTHING DISK_FOLDER [PAIRS]\n");
    return 2;
  }
  const std::string program = fs::absolute(argv[1]).string();
  command nothing{{fs::absolute(argv[2]).string()}};
  const fs::path disks = fs::absolute(argv[3]);
  const int pairs = argc > 4 ? std::max(7, std::atoi(argv[4])) : 7;
  // The work folders lie beside the disk images, on their file system.
  const fs::path work = disks.parent_path() / ("qz-bench-" + std::to_string(getpid()));

  struct variant {
    const char* name;
    std::vector<std::string> options;
  };
  const variant variants[] = {{"default (4-bit, sharp)", {}}, {"-B -B (24-bit, retouch)", {"-B", "-B"}}};
  std::printf("%d pairs, each run after a sync into a new empty folder; times in ms\n", pairs);
  std::printf("%-24s %9s %9s %9s %9s %7s %8s %7s %8s\n", "run", "render", "(median)", "floor", "(median)",
              "ratio", "writes", "MiB out", "peak MiB");
  for (const variant& v : variants) {
    command render = render_command(program, disks, v.options);
    const fs::path reference = fresh_folder(work, "reference");
    const render_profile p = profile(render, reference);
    const std::vector<output_file> files = read_outputs(reference);
    double out_bytes = 0;
    for (const output_file& f : files) out_bytes += static_cast<double>(f.contents.size());

    std::vector<double> renders, floors;
    for (int i = 0; i < pairs; ++i) {
      renders.push_back(timed_render(render, fresh_folder(work, "render")));
      floors.push_back(timed_floor(nothing, fresh_folder(work, "floor"), files));
    }
    const double best_render = *std::min_element(renders.begin(), renders.end()) * 1000;
    const double best_floor = *std::min_element(floors.begin(), floors.end()) * 1000;
    std::printf("%-24s %9.1f %9.1f %9.1f %9.1f %7.2f %8ld %7.1f %8.1f\n", v.name, best_render,
                median(renders) * 1000, best_floor, median(floors) * 1000, best_render / best_floor,
                p.write_calls, out_bytes / 1048576.0, p.peak_kib / 1024.0);
  }
  fs::remove_all(work);
  return 0;
}
