// zud2avuze on disk images as users have them, run as a user runs it:
// raw images without an option are read in the order their volume header
// shows; an unreadable sector stops the run where a raw image cut short
// stops it (and qz-atlas then leaves no atlas).  (Every container against
// its raw image: container_pictures_test.cpp.)
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "driver/disk_set_runs.h"

// Without --do or --po, a raw image is read in the order its volume
// header shows: a block-ordered set renders as with --do (the category
// disks, which hold no volume, taking the program disk's order) after one
// note; a DOS-ordered set as today.  A wrong option given behaves as
// today on standard output; --po then gets a hint on standard error.
TEST(DiskImages, RawImagesWithoutAnOptionAreReadInTheOrderTheirHeaderShows) {
  const disk_set dos = demo_set(disk_file_order::dos), prodos = demo_set(disk_file_order::prodos);
  const int keep = 2;
  const run_outcome today = run_set(dos, raw_names, {keep}, {"--po"});
  ASSERT_EQ(today.result.exit_status, 0) << today.result.output;
  const std::string no_shapes =
      "error: can't find file 'qz-program.dsk/SHAPES'\nerror: read shape 'qz-program.dsk'\n";
  const run_outcome wrong = {{1, 0, no_shapes, ""}, {}};
  const struct {
    const disk_set* set;
    std::vector<std::string> args;
    const run_outcome* expected;
    std::string errors;
  } rows[] = {
      {&prodos, {}, &today, "note: reading 'qz-program.dsk' in ProDOS block order (as --do would)\n"},
      {&dos, {}, &today, ""},
      {&prodos, {"--do", "--po"}, &wrong, "note: 'qz-program.dsk' looks stored in ProDOS block order: try --do\n"},
      {&dos, {"--do"}, &wrong, ""},
      {&prodos, {"--po", "--do"}, &today, ""}};
  for (const auto& row : rows) {
    std::string trace = row.set == &dos ? "DOS order" : "block order";
    for (const std::string& a : row.args) trace += " " + a;
    SCOPED_TRACE(trace);
    const run_outcome got = run_set(*row.set, raw_names, {keep}, row.args);
    expect_same_run(got, *row.expected);
    EXPECT_EQ(got.result.errors, row.errors);
  }
}

// A WOZ category disk whose track 31 (in its map area) has a stretch of
// bits wiped: the unreadable sectors are named on standard error, and the
// run stops at that category as it does for the raw image cut short
// before track 31, the categories before it written.  qz-atlas fails on it
// and leaves no atlas.  (prodos info on unreadable sectors:
// tests/prodos_tool/prodos_tool_test.cpp.)
TEST(DiskImages, AnUnreadableSectorStopsTheRunWhereACutRawImageStops) {
  const disk_set dos = demo_set(disk_file_order::dos);
  for (const auto& [damaged, categories] :
       {std::pair{0, std::vector<int>{0}}, std::pair{3, std::vector<int>{2, 3}}}) {
    const std::size_t d = static_cast<std::size_t>(damaged) + 1;
    SCOPED_TRACE(raw_names[d]);
    disk_set cut = dos, wiped = dos;
    cut[d].resize(31 * 4096);
    wiped[d] = container_file(dos[d], disk_file_order::dos, container_kind::woz2);
    wipe_woz2_bits(wiped[d], 31, 0.3, 0.45);
    std::array<std::string, 5> names = raw_names;
    names[d] = names_with("woz")[d];
    const run_outcome expected = run_set(cut, raw_names, categories, {});
    EXPECT_EQ(expected.result.exit_status, 1);
    EXPECT_EQ(expected.pictures.size(), 16 * (categories.size() - 1));
    run_outcome got = run_set(wiped, names, categories, {});
    for (std::size_t at; (at = got.result.output.find(names[d])) != std::string::npos;)
      got.result.output.replace(at, names[d].size(), raw_names[d]);
    expect_same_run(got, expected);
    const std::regex unreadable("unreadable sector in '" + names[d] +
                                "': track 31, sector ([0-9]|1[0-5]) \\((not found|bad address checksum|no data field|"
                                "bad data checksum)\\)\n");
    std::string rest = got.result.errors;
    std::set<std::string> sectors;
    for (std::smatch m; std::regex_search(rest, m, unreadable) && m.position() == 0; rest = m.suffix())
      EXPECT_TRUE(sectors.insert(m[1]).second) << "named twice: " << m[1];
    EXPECT_FALSE(sectors.empty());
    EXPECT_EQ(rest, "");

    temp_dir atlas_dir;
    std::vector<std::string> args;
    for (std::size_t k = 0; k < names.size(); ++k) {
      write_file(atlas_dir.file(names[k]), wiped[k]);
      args.insert(args.end(), {"-d" + std::to_string(k + 1), names[k]});
    }
    for (const int c : categories) args.push_back(category_flags[c]);
    const program_result atlas = run_program(QZ_ATLAS_PATH, args, atlas_dir.path.string());
    EXPECT_EQ(atlas.exit_status, 1);
    EXPECT_NE(atlas.errors.find(got.result.errors + "error: read '" + names[d] + "'\n"), std::string::npos)
        << atlas.errors;
    std::set<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(atlas_dir.path)) left.insert(e.path().filename());
    EXPECT_EQ(left, std::set<std::string>(names.begin(), names.end()));
  }
}
