// The atlas of a disk set built side by side with the 25 plain zud2avuze
// runs it stands for (hours 0 to 23 and --default), for the default
// pictures and for -B -B: seconds (median wall time, and the processes'
// CPU time), files written, pictures rendered (the atlas renders
// bases and bands: their rows counted in whole pictures), distinct
// pictures (within each map, summed), bytes written, and the atlas's time
// and bytes as fractions of the runs'.
//
//   atlas_bench ZUD2AVUZE QZ_ATLAS DISK_FOLDER [REPETITIONS]
//
// The disk folder holds the five disk images under their default names
// (tools/make_demo_disks makes such a set).  Each repetition runs both,
// one after the other, into new folders under the system's temporary
// folder, which are removed only after the last repetition: on some file
// systems creating files just after many were removed is much slower, and
// neither side should pay for the other's clean-up.  What they wrote is
// measured after the last repetition.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bench_support.h"

namespace fs = std::filesystem;
using seconds = std::chrono::duration<double>;

namespace {

struct timing {
  double wall = 0;
  double cpu = 0;  // user and system time of the processes
};

double cpu_of_children() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs `args` in `cwd` with its output thrown away; exits when it fails.
void run(std::vector<std::string> args, const fs::path& cwd) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::fflush(nullptr);  // or the child would write this process's buffered output again
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0 || chdir(cwd.c_str()) != 0) _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "atlas_bench: %s failed\n", args[0].c_str());
    std::exit(1);
  }
}

timing timed(const std::function<void()>& work) {
  const double cpu = cpu_of_children();
  const auto start = std::chrono::steady_clock::now();
  work();
  return {seconds(std::chrono::steady_clock::now() - start).count(), cpu_of_children() - cpu};
}

std::string contents_of(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct output_figures {
  std::uintmax_t bytes = 0;
  std::size_t files = 0;     // files written
  std::size_t distinct = 0;  // distinct pictures within each map, summed
  double rendered = 0;       // the rows rendered, in whole pictures
};

// The 25 runs' BMP files, all in one folder: a map's files share the name
// up to the hour ("qz.Fen.1F.07.bmp", "qz.Fen.1F.bmp").
output_figures bmp_figures(const fs::path& folder) {
  output_figures f;
  std::map<std::string, std::set<std::size_t>> by_map;
  for (const auto& e : fs::directory_iterator(folder)) {
    std::string stem = e.path().stem().string();
    const std::size_t dot = stem.rfind('.');
    const auto digit = [&](std::size_t i) { return std::isdigit(static_cast<unsigned char>(stem[i])) != 0; };
    if (dot != std::string::npos && stem.size() - dot == 3 && digit(dot + 1) && digit(dot + 2)) stem.resize(dot);
    by_map[stem].insert(std::hash<std::string>{}(contents_of(e.path())));
    f.bytes += e.file_size();
    ++f.files;
  }
  for (const auto& entry : by_map) f.distinct += entry.second.size();
  f.rendered = static_cast<double>(f.files);
  return f;
}

// The atlas folder: every file counts; the pictures rendered are the
// pieces atlas.json lists (a base is a whole picture, a band as high as
// it says), and a map's distinct pictures are its distinct "picture"
// entries (a base and its bands).
output_figures atlas_figures(const fs::path& folder) {
  output_figures f;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    if (!e.is_regular_file()) continue;
    f.bytes += e.file_size();
    ++f.files;
  }
  const std::string json = contents_of(folder / "atlas.json");
  const auto number_after = [&](std::size_t at) { return std::atof(json.c_str() + at); };
  const std::string height_key = "\"height\":";
  const double height = number_after(json.find(height_key) + height_key.size());
  const std::size_t pieces = json.find("\"pieces\":[");
  const std::size_t pieces_end = json.find(']', pieces);
  for (std::size_t p = json.find(height_key, pieces); p < pieces_end; p = json.find(height_key, p + 1))
    f.rendered += number_after(p + height_key.size()) / height;

  const std::string map_key = "{\"stem\":", picture_key = "\"picture\":[";
  for (std::size_t m = json.find(map_key); m != std::string::npos;) {
    const std::size_t next = json.find(map_key, m + 1);
    std::set<std::string> pictures;
    for (std::size_t p = json.find(picture_key, m); p < next; p = json.find(picture_key, p + 1))
      pictures.insert(json.substr(p, json.find(']', p) - p));
    f.distinct += pictures.size();
    m = next;
  }
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: atlas_bench ZUD2AVUZE QZ_ATLAS DISK_FOLDER [REPETITIONS]\n");
    return 2;
  }
  const std::string renderer = fs::absolute(argv[1]).string();
  const std::string atlas = fs::absolute(argv[2]).string();
  const fs::path disks = fs::absolute(argv[3]);
  const int repetitions = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;
  const fs::path work = fs::temp_directory_path() / ("qz-atlas-bench-" + std::to_string(getpid()));

  struct variant {
    const char* name;
    std::vector<std::string> options;
  };
  const variant variants[] = {{"default", {}}, {"-B -B", {"-B", "-B"}}};
  std::printf("%-8s %-13s %7s %7s %7s %9s %9s %12s %7s %7s\n", "options", "build", "wall s", "cpu s", "files",
              "rendered", "distinct", "bytes", "time", "bytes");
  for (const variant& v : variants) {
    std::vector<double> run_wall, run_cpu, atlas_wall, atlas_cpu;
    fs::path runs_folder, atlas_folder;
    for (int i = 0; i < repetitions; ++i) {
      runs_folder = work / ("runs" + std::to_string(i));
      atlas_folder = work / ("atlas" + std::to_string(i));
      fs::create_directories(runs_folder);
      const timing runs = timed([&] {
        for (int t = 0; t <= 24; ++t) {
          std::vector<std::string> args{renderer, "--overwrite"};
          for (const std::string& a : disk_options(disks)) args.push_back(a);
          args.insert(args.end(), v.options.begin(), v.options.end());
          if (t < 24) {
            args.insert(args.end(), {"-h", std::to_string(t)});
          } else {
            args.push_back("--default");
          }
          run(args, runs_folder);
        }
      });
      const timing built = timed([&] {
        std::vector<std::string> args{atlas, "-o", atlas_folder.string()};
        for (const std::string& a : disk_options(disks)) args.push_back(a);
        args.insert(args.end(), v.options.begin(), v.options.end());
        run(args, work);
      });
      run_wall.push_back(runs.wall);
      run_cpu.push_back(runs.cpu);
      atlas_wall.push_back(built.wall);
      atlas_cpu.push_back(built.cpu);
    }
    const output_figures r = bmp_figures(runs_folder);
    const output_figures a = atlas_figures(atlas_folder);
    const double rw = median(run_wall), aw = median(atlas_wall);
    std::printf("%-8s %-13s %7.3f %7.3f %7zu %9.1f %9zu %12ju\n", v.name, "25 zud2avuze", rw, median(run_cpu),
                r.files, r.rendered, r.distinct, r.bytes);
    std::printf("%-8s %-13s %7.3f %7.3f %7zu %9.1f %9zu %12ju %7.2f %7.4f (1/%.0f)\n", v.name, "qz-atlas", aw,
                median(atlas_cpu), a.files, a.rendered, a.distinct, a.bytes, aw / rw,
                static_cast<double>(a.bytes) / static_cast<double>(r.bytes),
                static_cast<double>(r.bytes) / static_cast<double>(a.bytes));
    std::fflush(stdout);
    fs::remove_all(work);
  }
  return 0;
}
