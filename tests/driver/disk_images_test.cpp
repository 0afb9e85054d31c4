// zud2avuze on disk images as users have them, run as a user runs it:
// every container renders exactly as its raw image read with the right
// option; raw images without an option are read in the order their volume
// header shows; an unreadable sector stops the run where a raw image cut
// short stops it (and qz-atlas then leaves no atlas).
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "demo/demo_disks.h"
#include "disk/container_files.h"
#include "disk/disk_test_util.h"
#include "map/category_write.h"
#include "map/map_table.h"
#include "run/options.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

// The five disks of a set (program, castle, dwelling, keep, towne) as raw
// images in one order.
using disk_set = std::array<bytes, 5>;

disk_set demo_set(disk_file_order order) {
  const std::int32_t sector_order = sector_order_reading(order);
  disk_set set;
  set[0] = demo::program_disk(sector_order);
  for (int c = 0; c < category_count; ++c) {
    map_data maps{};
    npc_data npcs{};
    demo::category_contents(c, maps, npcs);
    set[static_cast<std::size_t>(c) + 1] = make_category_disk(maps, npcs, sector_order);
  }
  return set;
}

// The demo set but for its program disk: SHAPES in the volume directory's
// second block, among subdirectories nested two deep, a tree file and
// files before and after it.
disk_set synthetic_set(disk_file_order order) {
  disk_set set = demo_set(order);
  prodos_builder b = prodos_format("SYNTH.PROGRAM");
  bytes tree = noise(200000, 41);
  std::fill(tree.begin() + 10 * 512, tree.end() - 700, 0);  // sparse: index blocks of zeros
  prodos_add_dir(b, "GAME");
  prodos_add_file(b, "GAME/NOTES", noise(900, 42));
  prodos_add_dir(b, "GAME/LEVELS");
  prodos_add_file(b, "GAME/LEVELS/TREE", tree);
  for (int i = 0; i < 12; ++i) {
    std::string name = "F";  // (not "F" + ...: GCC 12 warns wrongly of an overlapping copy)
    name += std::to_string(i);
    prodos_add_file(b, name, noise(40, static_cast<std::uint32_t>(i)));
  }
  prodos_add_file(b, "SHAPES", noise(16384, 43));
  prodos_add_dir(b, "ZZ");
  prodos_add_file(b, "ZZ/SHAPES", bytes(16384, 0));
  EXPECT_EQ(b.error, "");
  set[0] = prodos_image(b, sector_order_reading(order));
  return set;
}

const char* const category_flags[] = {"-C", "-D", "-K", "-T"};

// One run of zud2avuze in a folder of its own, and what it left.
struct run_outcome {
  program_result result;
  std::map<std::string, bytes> pictures;
};

// Writes `files` (name and bytes) into a new folder and runs zud2avuze
// there with `args`.
run_outcome run_in_folder(const std::map<std::string, bytes>& files, const std::vector<std::string>& args) {
  temp_dir dir;
  for (const auto& [name, contents] : files) write_file(dir.file(name), contents);
  run_outcome out;
  out.result = run_program(ZUD2AVUZE_PATH, args, dir.path.string());
  for (const auto& e : std::filesystem::directory_iterator(dir.path))
    if (e.path().extension() == ".bmp") out.pictures[e.path().filename().string()] = read_file(e.path().string());
  return out;
}

// Runs the program disk and category disks `categories` of `set`, named
// `names` (program first), with `args` added.
run_outcome run_set(const disk_set& set, const std::array<std::string, 5>& names, const std::vector<int>& categories,
                    std::vector<std::string> args) {
  std::map<std::string, bytes> files{{names[0], set[0]}};
  args.insert(args.end(), {"-d1", names[0]});
  for (const int c : categories) {
    const std::size_t d = static_cast<std::size_t>(c) + 1;
    files[names[d]] = set[d];
    args.insert(args.end(), {"-d" + std::to_string(d + 1), names[d], category_flags[c]});
  }
  return run_in_folder(files, args);
}

const std::array<std::string, 5> raw_names = {"qz-program.dsk", "qz-castle.dsk", "qz-dwelling.dsk", "qz-keep.dsk",
                                              "qz-towne.dsk"};

std::array<std::string, 5> names_with(const std::string& extension) {
  std::array<std::string, 5> names = raw_names;
  for (std::string& n : names) n.replace(n.size() - 3, 3, extension);
  return names;
}

void expect_same_run(const run_outcome& got, const run_outcome& expected) {
  EXPECT_EQ(got.result.exit_status, expected.result.exit_status);
  EXPECT_EQ(got.result.output, expected.result.output);
  EXPECT_EQ(got.pictures.size(), expected.pictures.size());
  EXPECT_TRUE(got.pictures == expected.pictures);
}

bool have_floptool() { return std::system("test -x /usr/bin/floptool") == 0; }

// A raw image in DOS 3.3 file order converted by floptool into its WOZ 2.
bytes floptool_woz(const bytes& raw) {
  temp_dir dir;
  write_file(dir.file("in.dsk"), raw);
  const std::string command =
      "/usr/bin/floptool flopconvert a2_16sect_dos woz " + dir.file("in.dsk") + " " + dir.file("out.woz") + " >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  return file_exists(dir.file("out.woz")) ? read_file(dir.file("out.woz")) : bytes();
}

}  // namespace

// Every container, from either raw order, renders the maps of the raw
// image read with the right option: the same pictures, lines and status,
// nothing on standard error, whatever --do or --po says.  Each container
// draws one category (in turn), with the program disk in that container.
TEST(DiskImages, EveryContainerRendersAsItsRawImageWithTheRightOption) {
  struct container_row {
    container_kind kind;
    disk_file_order from;
    const char* option;  // given or not, it changes nothing
  };
  const container_row rows[] = {{container_kind::two_img, disk_file_order::dos, "--do"},
                                {container_kind::two_img, disk_file_order::prodos, ""},
                                {container_kind::nib, disk_file_order::prodos, "--po"},
                                {container_kind::woz1, disk_file_order::dos, ""},
                                {container_kind::woz2, disk_file_order::prodos, "--do"}};
  const bool floptool = have_floptool();
  for (const bool synthetic : {false, true}) {
    SCOPED_TRACE(synthetic ? "synthetic set" : "demo set");
    const disk_set dos = synthetic ? synthetic_set(disk_file_order::dos) : demo_set(disk_file_order::dos);
    const disk_set prodos = synthetic ? synthetic_set(disk_file_order::prodos) : demo_set(disk_file_order::prodos);
    // The synthetic set is about its program disk: the castles do.
    const int categories = synthetic ? 1 : category_count;
    std::vector<run_outcome> expected;
    for (int c = 0; c < categories; ++c) expected.push_back(run_set(dos, raw_names, {c}, {"--po"}));
    ASSERT_EQ(expected[0].result.exit_status, 0) << expected[0].result.output;
    std::vector<std::pair<std::string, disk_set>> sets;
    for (const container_row& row : rows) {
      const disk_set& raw = row.from == disk_file_order::dos ? dos : prodos;
      disk_set files;
      for (std::size_t d = 0; d < files.size(); ++d) files[d] = container_file(raw[d], row.from, row.kind);
      // Disk bytes and bit streams hold physical sectors: the file is the
      // same from either order.
      if (row.kind != container_kind::two_img) {
        EXPECT_TRUE(files[0] == container_file(dos[0], disk_file_order::dos, row.kind)) << container_kind_name(row.kind);
      }
      sets.emplace_back(std::string(container_kind_name(row.kind)) + (*row.option != '\0' ? " " : "") + row.option, files);
    }
    if (floptool) {
      disk_set files;
      for (std::size_t d = 0; d < files.size(); ++d) files[d] = floptool_woz(dos[d]);
      sets.emplace_back("WOZ 2 by floptool", files);
    }
    for (std::size_t i = 0; i < sets.size(); ++i) {
      SCOPED_TRACE(sets[i].first);
      const int c = static_cast<int>(i) % categories;
      std::vector<std::string> args;
      if (i < std::size(rows) && *rows[i].option != '\0') args.push_back(rows[i].option);
      const run_outcome got = run_set(sets[i].second, names_with("img"), {c}, args);
      expect_same_run(got, expected[static_cast<std::size_t>(c)]);
      EXPECT_EQ(got.result.errors, "");
    }
  }
  if (!floptool) GTEST_SKIP() << "floptool (mame-tools) is not installed: its WOZ 2 was not run";
}

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
// and leaves no atlas.
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
