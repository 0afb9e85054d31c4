// Times whole runs of zud2avuze over a set of disk images, side by side
// with the floor no renderer can beat: writing the same output bytes to the
// same number of files.  Reports medians of several repetitions and the
// peak memory of the renders.
//
//   run_bench ZUD2AVUZE DISK_FOLDER [REPETITIONS]
//
// The disk folder holds qz-program.dsk, qz-castle.dsk, qz-dwelling.dsk,
// qz-keep.dsk and qz-towne.dsk (tools/make_demo_disks makes such a set).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "run/options.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using seconds = std::chrono::duration<double>;

namespace {

struct run_figures {
  double seconds = 0;
  long peak_kib = 0;
};

// Runs the renderer in `out` (emptied first) with `extra` options.
run_figures render(const std::string& program, const fs::path& disks, const fs::path& out,
                   const std::vector<std::string>& extra) {
  fs::remove_all(out);
  fs::create_directories(out);
  std::vector<std::string> args = {program, "--overwrite"};
  for (int i = 0; i < disk_image_count; ++i) {
    args.push_back("-d" + std::to_string(i + 1));
    args.push_back((disks / default_disk_images[static_cast<std::size_t>(i)]).string());
  }
  args.insert(args.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  // fork, not posix_spawn: a child sharing this process's memory until
  // exec would inherit its high-water mark and spoil the peak measured.
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int null_out = open("/dev/null", O_RDWR);
    dup2(null_out, 0);
    dup2(null_out, 1);
    if (chdir(out.c_str()) != 0) _exit(127);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  if (pid < 0) {
    std::perror("fork");
    std::exit(1);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const auto stop = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "render failed\n");
    std::exit(1);
  }
  return {seconds(stop - start).count(), usage.ru_maxrss};
}

// Writes the files of `from` again into `to`, from memory: the time it
// takes the machine just to create the files and write their bytes.
double write_same_bytes(const fs::path& from, const fs::path& to) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& e : fs::directory_iterator(from)) {
    std::ifstream in(e.path(), std::ios::binary);
    files.emplace_back(e.path().filename().string(),
                       std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  }
  fs::remove_all(to);
  fs::create_directories(to);
  const auto start = std::chrono::steady_clock::now();
  for (const auto& [name, contents] : files) {
    std::FILE* f = std::fopen((to / name).c_str(), "wb");
    if (f == nullptr) std::exit(1);
    std::fwrite(contents.data(), 1, contents.size(), f);
    std::fclose(f);
  }
  return seconds(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: run_bench ZUD2AVUZE DISK_FOLDER [REPETITIONS]\n");
    return 2;
  }
  const std::string program = fs::absolute(argv[1]).string();
  const fs::path disks = fs::absolute(argv[2]);
  const int repetitions = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
  const fs::path work = fs::temp_directory_path() / ("qz-bench-" + std::to_string(getpid()));

  struct variant {
    const char* name;
    std::vector<std::string> options;
  };
  const variant variants[] = {{"default (4-bit, sharp)", {}}, {"-B -B (24-bit, retouch)", {"-B", "-B"}}};
  std::printf("%-26s %10s %10s %8s %10s %8s\n", "run", "render ms", "write ms", "ratio", "MiB out",
              "peak MiB");
  for (const variant& v : variants) {
    std::vector<double> render_times, write_times;
    long peak = 0;
    std::uintmax_t out_bytes = 0;
    for (int i = 0; i < repetitions; ++i) {
      const run_figures r = render(program, disks, work / "render", v.options);
      render_times.push_back(r.seconds);
      peak = std::max(peak, r.peak_kib);
      write_times.push_back(write_same_bytes(work / "render", work / "copy"));
    }
    for (const auto& e : fs::directory_iterator(work / "render")) out_bytes += e.file_size();
    const double render_ms = median(render_times) * 1000, write_ms = median(write_times) * 1000;
    std::printf("%-26s %10.1f %10.1f %8.2f %10.1f %8.1f\n", v.name, render_ms, write_ms,
                render_ms / write_ms, out_bytes / 1048576.0, peak / 1024.0);
  }
  fs::remove_all(work);
  return 0;
}
