// Whole default runs of zud2avuze from the demo set as WOZ images against
// the same runs from the raw images: PAIRS (at least 9) pairs, the order
// within a pair alternating, each run into a new empty folder.  Reports
// the median of each side, the ratio of the medians, and the peak memory
// of the WOZ runs beside that of the raw runs (each run started after a
// sync); fails when a run fails or the two sides write different files.
//
//   image_run_bench ZUD2AVUZE RAW_FOLDER WOZ_FOLDER [PAIRS]
//
// The folders hold the five disks under their default names, .dsk and
// .woz (make_demo_disks --format dsk / --format woz).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench_support.h"
#include "common/file_handle.h"

namespace fs = std::filesystem;

extern char** environ;

namespace {

[[noreturn]] void fail(const std::string& why) {
  std::fprintf(stderr, "image_run_bench: %s\n", why.c_str());
  std::exit(1);
}

struct run_result {
  double seconds = 0;
  long peak_kib = 0;
  int status = -1;
};

run_result run(const std::string& program, const fs::path& disks, const std::string& extension,
               const fs::path& cwd) {
  std::vector<std::string> args = {program};
  for (std::string a : disk_options(disks)) {
    if (a.size() > 4 && a.ends_with(".dsk")) a = a.substr(0, a.size() - 4) + extension;
    args.push_back(a);
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  sync();
  const auto start = std::chrono::steady_clock::now();
  // fork, not posix_spawn: the child must not share this process's memory
  // until exec, or its peak would count this process's.
  const pid_t pid = fork();
  if (pid < 0) fail("fork");
  if (pid == 0) {
    const int null_fd = open("/dev/null", O_RDWR);
    dup2(null_fd, 0);
    dup2(null_fd, 1);
    dup2(null_fd, 2);
    if (chdir(cwd.c_str()) != 0) _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run_result r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.peak_kib = usage.ru_maxrss;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::map<std::string, bytes> files_of(const fs::path& folder) {
  std::map<std::string, bytes> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    bytes contents;
    if (read_whole_file(entry.path().c_str(), contents) < 0) fail("cannot read " + entry.path().string());
    files[entry.path().filename().string()] = contents;
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) fail("usage: image_run_bench ZUD2AVUZE RAW_FOLDER WOZ_FOLDER [PAIRS]");
  const std::string program = fs::absolute(argv[1]).string();
  const fs::path raw = fs::absolute(argv[2]), woz = fs::absolute(argv[3]);
  const int pairs = std::max(9, argc > 4 ? std::atoi(argv[4]) : 9);
  const fs::path work = fs::temp_directory_path() / ("image_run_bench." + std::to_string(getpid()));
  fs::create_directories(work);
  std::vector<double> raw_times, woz_times;
  long peak_kib = 0, raw_peak_kib = 0;
  for (int i = 0; i <= pairs; ++i) {  // pair 0 warms the caches and compares the outputs
    const fs::path raw_out = work / ("raw" + std::to_string(i)), woz_out = work / ("woz" + std::to_string(i));
    fs::create_directories(raw_out);
    fs::create_directories(woz_out);
    run_result r, w;
    if (i % 2 == 0) {
      r = run(program, raw, ".dsk", raw_out);
      w = run(program, woz, ".woz", woz_out);
    } else {
      w = run(program, woz, ".woz", woz_out);
      r = run(program, raw, ".dsk", raw_out);
    }
    if (r.status != 0) fail("the run from the raw images failed");
    if (w.status != 0) fail("the run from the WOZ images failed (exit status " + std::to_string(w.status) + ")");
    peak_kib = std::max(peak_kib, w.peak_kib);
    raw_peak_kib = std::max(raw_peak_kib, r.peak_kib);
    if (i == 0) continue;  // its outputs are compared at the end
    raw_times.push_back(r.seconds);
    woz_times.push_back(w.seconds);
    fs::remove_all(raw_out);
    fs::remove_all(woz_out);
  }
  // Compared after the runs: this process stays small while they run, as
  // a forked child counts its parent's memory until it executes.
  const bool same = files_of(work / "raw0") == files_of(work / "woz0");
  fs::remove_all(work);
  if (!same) fail("the WOZ run wrote other files than the raw run");
  const double raw_median = median(raw_times), woz_median = median(woz_times);
  std::printf("default run from raw images, median of %d   %8.2f ms\n", pairs, 1000 * raw_median);
  std::printf("default run from WOZ images, median of %d   %8.2f ms\n", pairs, 1000 * woz_median);
  std::printf("ratio of medians WOZ / raw                  %8.3f  (target: at most 1.3)\n", woz_median / raw_median);
  std::printf("peak memory of a WOZ run                    %8.1f MiB (target: under 16; raw run %.1f MiB)\n",
              peak_kib / 1024.0, raw_peak_kib / 1024.0);
  return 0;
}
