// qz-atlas run as a user runs it: its command line, and an output folder
// that is never left half written and never lost.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <set>

#include <nlohmann/json.hpp>

#include "atlas/page_files.h"
#include "common/byte_order.h"
#include "demo/demo_disks.h"
#include "disk/prodos_write.h"
#include "support/child_process.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

struct demo_folder {
  temp_dir dir;
  demo_folder() { demo::write_demo_disks(dir.path.string(), 2); }
  program_result atlas(std::vector<std::string> args) const {
    return run_program(QZ_ATLAS_PATH, args, dir.path.string());
  }
  std::string path(const std::string& name) const { return dir.file(name); }
  // The names in the folder that are leftovers of builds.
  std::vector<std::string> leftovers() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path))
      if (e.path().filename().string().find(".qz-atlas-") != std::string::npos) names.push_back(e.path().filename());
    return names;
  }
};

std::string text_of(const std::string& path) {
  const bytes b = read_file(path);
  return std::string(b.begin(), b.end());
}

// The number of a process that has ended.
pid_t ended_process() {
  const pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return pid;
}

}  // namespace

TEST(AtlasRun, CommandLine) {
  const demo_folder demo;
  const program_result help = demo.atlas({"-T", "--help", "-x"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_EQ(help.output.rfind("usage: qz-atlas [options]\noption:\n", 0), 0u);
  EXPECT_NE(help.output.find("        -o|--output DIR         write the atlas into folder DIR\n"
                             "                                'atlas' if not specified\n"),
            std::string::npos);
  EXPECT_EQ(help.output.find("--hour"), std::string::npos);
  EXPECT_EQ(help.errors, "");

  const program_result version = demo.atlas({"--version"});
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_EQ(version.output, "qz-atlas 1.0\n");

  for (const auto& [args, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"-h", "5"}, "error: unknown option '-h'\n"},
           {{"--default"}, "error: unknown option '--default'\n"},
           {{"-C", "-o"}, "error: no output folder name\n"},
           {{"atlas"}, "error: illegal parameter 'atlas'\n"}}) {
    const program_result r = demo.atlas(args);
    EXPECT_EQ(r.exit_status, 2) << message;
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(r.errors, message + help.output);
  }
  EXPECT_FALSE(fs::exists(demo.path("atlas")));
}

TEST(AtlasRun, TheFolderIsThePageTheDataAndAPictureFileAMap) {
  const demo_folder demo;
  ASSERT_EQ(demo.atlas({}).exit_status, 0);
  const nlohmann::json atlas = nlohmann::json::parse(text_of(demo.path("atlas/atlas.json")));
  ASSERT_EQ(atlas["maps"].size(), 64u);
  std::set<std::string> expected{".qz-atlas", "atlas.json", "atlas-data.js", "pictures"};
  for (const page_file& file : page_files()) expected.insert(file.name);
  std::map<std::string, std::size_t> pieces;  // by file
  for (const auto& piece : atlas["pieces"]) {
    EXPECT_EQ(piece["position"], pieces[piece["file"]]++);
    expected.insert(piece["file"].get<std::string>());
  }
  std::set<std::string> found;
  for (const auto& e : fs::recursive_directory_iterator(demo.path("atlas")))
    found.insert(fs::relative(e.path(), demo.path("atlas")).string());
  EXPECT_EQ(found, expected);
  EXPECT_LE(found.size(), 100u);
  // Each picture file names itself on its first line and holds its pieces
  // one a line.
  for (const auto& [file, count] : pieces) {
    const std::string text = text_of(demo.path("atlas/" + file));
    EXPECT_EQ(text.rfind("QZ_PICTURES(\"" + file + "\",[\n", 0), 0u) << file;
    EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), count + 2) << file;
    EXPECT_EQ(text.substr(text.size() - 5), "\n]);\n") << file;
  }
}

TEST(AtlasRun, ReplacesOnlyItsOwnAtlasAndOnlyWhenAsked) {
  const demo_folder demo;
  // A file and a folder that are not atlases are left as they are.
  write_file(demo.path("notes"), bytes{'k', 'e', 'e', 'p'});
  fs::create_directory(demo.path("photos"));
  write_file(demo.path("photos/.qz-atlas-like"), bytes{1});
  for (const char* name : {"notes", "photos"}) {
    const program_result r = demo.atlas({"-o", name, "--overwrite"});
    EXPECT_EQ(r.exit_status, 1) << name;
    EXPECT_NE(r.errors.find("is not an atlas"), std::string::npos) << r.errors;
  }
  EXPECT_EQ(text_of(demo.path("notes")), "keep");
  EXPECT_EQ(fs::directory_iterator(demo.path("photos"))->path().filename(), ".qz-atlas-like");

  ASSERT_EQ(demo.atlas({"-T", "-o", "towns/"}).exit_status, 0);
  const std::string json = text_of(demo.path("towns/atlas.json"));
  EXPECT_TRUE(fs::exists(demo.path("towns/.qz-atlas")));
  EXPECT_TRUE(fs::exists(demo.path("towns/index.html")));
  write_file(demo.path("towns/mine.txt"), bytes{1});

  const program_result refused = demo.atlas({"-K", "-o", "towns"});
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_EQ(refused.errors, "qz-atlas: 'towns' holds an atlas already; give --overwrite to replace it\n");
  EXPECT_EQ(text_of(demo.path("towns/atlas.json")), json);

  const program_result replaced = demo.atlas({"-K", "-o", "towns", "--overwrite"});
  EXPECT_EQ(replaced.exit_status, 0) << replaced.errors;
  EXPECT_EQ(replaced.errors, "");
  EXPECT_NE(text_of(demo.path("towns/atlas.json")), json);
  EXPECT_FALSE(fs::exists(demo.path("towns/mine.txt")));  // the old atlas went as a whole
  EXPECT_TRUE(demo.leftovers().empty());
}

TEST(AtlasRun, FailuresLeaveNoHalfAtlasAndLoseNothing) {
  const demo_folder demo;
  ASSERT_EQ(demo.atlas({"-D"}).exit_status, 0);
  const std::string json = text_of(demo.path("atlas/atlas.json"));

  // A missing disk: zud2avuze's lines, on standard error.
  fs::rename(demo.path("qz-keep.dsk"), demo.path("keep.dsk"));
  const program_result missing = demo.atlas({"--overwrite"});
  EXPECT_EQ(missing.exit_status, 1);
  EXPECT_EQ(missing.output, "");
  EXPECT_EQ(missing.errors, "error: open 'qz-keep.dsk'\nerror: read map data 'qz-keep.dsk'\n");
  const program_result renderer = run_program(ZUD2AVUZE_PATH, {"-K"}, demo.dir.path.string());
  EXPECT_EQ(renderer.output, missing.errors);

  // A damaged program disk.
  write_file(demo.path("short.dsk"), bytes(1000, 0));
  const program_result damaged = demo.atlas({"-d1", "short.dsk", "-d4", "keep.dsk", "--overwrite"});
  EXPECT_EQ(damaged.exit_status, 1);
  EXPECT_EQ(damaged.errors, run_program(ZUD2AVUZE_PATH, {"-d1", "short.dsk"}, demo.dir.path.string()).output);

  // No room for the files: a write fails after some are written.
  const program_result limited = run_in_child(
      [&] { return chdir(demo.dir.path.c_str()) == 0 ? exec_with_output(QZ_ATLAS_PATH, {"-d4", "keep.dsk", "--overwrite"}, "/dev/null") : 126; },
      65536);
  EXPECT_EQ(limited.exit_status, 1);
  EXPECT_NE(limited.output.find("': File too large\n"), std::string::npos) << limited.output;

  // Folders that cannot be made.
  const program_result no_parent = demo.atlas({"-d4", "keep.dsk", "-o", "missing/atlas"});
  EXPECT_EQ(no_parent.exit_status, 1);
  EXPECT_EQ(no_parent.errors.rfind("qz-atlas: cannot create the folder 'missing/.atlas.qz-atlas-new.", 0), 0u)
      << no_parent.errors;
  const program_result in_a_file = demo.atlas({"-d4", "keep.dsk", "-o", "short.dsk/atlas"});
  EXPECT_EQ(in_a_file.exit_status, 1);
  EXPECT_EQ(in_a_file.errors, "qz-atlas: cannot use 'short.dsk/atlas': Not a directory\n");

  EXPECT_EQ(text_of(demo.path("atlas/atlas.json")), json);
  EXPECT_TRUE(demo.leftovers().empty());
}

TEST(AtlasRun, MessagesThatCannotBeWrittenFailTheBuild) {
  const demo_folder demo;
  // A program disk whose bit map cannot be read: the reader says so and
  // the build goes on.
  bytes blocks = reorder_tracks(read_file(demo.path("qz-program.dsk")));
  store_le16(blocks, 2 * 512 + 4 + 35, 300);
  write_file(demo.path("qz-program.dsk"), reorder_tracks(blocks));
  const program_result said = demo.atlas({"-C"});
  EXPECT_EQ(said.exit_status, 0);
  EXPECT_EQ(said.errors, "illegal block no $012C\ncan't get bit map 'qz-program.dsk'\n");
  fs::remove_all(demo.path("atlas"));

  // The same with standard error a pipe whose reader has gone: the build
  // fails, as for any write that fails, and leaves nothing behind.
  int pipe_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0);
  close(pipe_ends[0]);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(open("/dev/null", O_RDWR), 1);
    dup2(pipe_ends[1], 2);
    if (chdir(demo.dir.path.c_str()) != 0) _exit(127);
    execl(QZ_ATLAS_PATH, QZ_ATLAS_PATH, "-C", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipe_ends[1]);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_FALSE(fs::exists(demo.path("atlas")));
  EXPECT_TRUE(demo.leftovers().empty());
}

TEST(AtlasRun, InterruptedBuildsKeepTheOldAtlasAndAreCleanedUp) {
  const demo_folder demo;
  ASSERT_EQ(demo.atlas({"-C"}).exit_status, 0);
  const std::string json = text_of(demo.path("atlas/atlas.json"));

  // Stopped by a signal as it writes its first picture file, and killed
  // outright: the earlier atlas stays whole either way.
  for (const int signal : {SIGINT, SIGKILL}) {
    bool opened = false;
    const int status =
        signal_when_opened(QZ_ATLAS_PATH, {"--overwrite"}, demo.dir.path.string(), "/pictures/", signal, opened);
    if (status == -1) GTEST_SKIP() << "the program cannot be traced here";
    ASSERT_TRUE(opened);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_EQ(text_of(demo.path("atlas/atlas.json")), json);
    EXPECT_EQ(demo.leftovers().size(), signal == SIGKILL ? 1u : 0u);  // a handled signal cleans up
  }

  // Leftovers of builds whose process has ended are removed; an atlas one
  // of them had moved aside is put back first.  A running build's stay.
  const std::string ended = std::to_string(ended_process());
  fs::rename(demo.path("atlas"), demo.path(".atlas.qz-atlas-old." + ended));
  fs::create_directory(demo.path(".atlas.qz-atlas-new.12" + ended));  // its own leftover
  const std::string running = demo.path(".atlas.qz-atlas-new." + std::to_string(getpid()));
  fs::create_directory(running);
  const program_result r = demo.atlas({"-C"});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.errors,
            "qz-atlas: put back the atlas 'atlas' that an interrupted build had moved aside\n"
            "qz-atlas: 'atlas' holds an atlas already; give --overwrite to replace it\n");
  EXPECT_EQ(text_of(demo.path("atlas/atlas.json")), json);
  EXPECT_EQ(demo.leftovers(), std::vector<std::string>{fs::path(running).filename()});
}
