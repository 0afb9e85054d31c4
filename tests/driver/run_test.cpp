// The whole program run as a user runs it, on disk images built by code.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "bitmap/bmp_build.h"
#include "map/map_table.h"
#include "run/options.h"
#include "map/category_write.h"
#include "disk/prodos_write.h"
#include "support/child_process.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

bytes shapes_file() {
  bytes data(16384);
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<std::uint8_t>((i * 131 + (i >> 8) * 17) ^ (i >> 4));
  return data;
}

bytes program_disk(int sector_order, bool with_shapes = true) {
  prodos_builder b = prodos_format("QZPROG");
  if (with_shapes) prodos_add_file(b, "SHAPES", shapes_file());
  prodos_add_file(b, "OTHER", bytes(300, 7));
  return prodos_image(b, sector_order);
}

// Maps of walkable floor (tile 0x04) with a pattern of other tiles; in every
// location NPC 0 stands at (5, 6) on floor 0 all day, and NPC 1 wants the
// same cell from 9 to 17, so it is moved next to it (its left neighbour
// (4, 6) holds a tile it may not stand on).
bytes category_disk(int category, int sector_order) {
  map_data maps{};
  for (std::size_t i = 0; i < maps.size(); ++i)
    maps[i] = static_cast<std::uint8_t>((i % 7 == 0) ? (i * 3 + category) & 0xFF : 0x04);
  npc_data npcs{};
  for (int L = 0; L < locations_per_category; ++L) {
    location_view block = location_block(npcs, L);
    block.shape(0) = 0x40;
    block.shape(1) = 0x41;
    for (int s = 0; s < 3; ++s) {
      block.x(0, s) = 5;
      block.y(0, s) = 6;
      block.x(1, s) = 5;
      block.y(1, s) = static_cast<std::uint8_t>(s == 2 ? 6 : 20);
      block.floor(1, s) = 0;
    }
    block.hours(1, 2) = 9;
    block.hours(1, 3) = 17;
    block.default_shape(0) = 0x42;
    block.default_x(0) = 1;
    block.default_y(0) = 1;
  }
  return make_category_disk(maps, npcs, sector_order);
}

struct disk_set {
  temp_dir dir;
  explicit disk_set(int sector_order = 2) {
    write_file(dir.file(default_disk_images[0]), program_disk(sector_order));
    for (int c = 0; c < 4; ++c) write_file(dir.file(default_disk_images[c + 1]), category_disk(c, sector_order));
  }
  program_result run(const std::vector<std::string>& args, const std::string& input = "") const {
    return run_program(ZUD2AVUZE_PATH, args, dir.path.string(), input);
  }
  std::set<std::string> bmp_files() const {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path))
      if (e.path().extension() == ".bmp") names.insert(e.path().filename().string());
    return names;
  }
};

std::string progress_lines(int category) {
  std::string out;
  for (const map_table_entry& e : map_table[static_cast<std::size_t>(category)])
  {
    out += '[';
    out += location_names[static_cast<std::size_t>(category * 8 + e.location)];
    out += "]\n";
  }
  return out;
}

// Removes the character placement lines, keeping progress and errors.
std::string without_placement(const std::string& output) {
  std::string kept, line;
  for (char ch : output) {
    line += ch;
    if (ch != '\n') continue;
    if (line[0] == '[' && line.find("] ") == std::string::npos) kept += line;
    else if (line[0] != '(' && line[0] != '[') kept += line;
    line.clear();
  }
  return kept + line;
}

}  // namespace

TEST(Run, DefaultRunWritesAllMapsInTableOrder) {
  disk_set disks;
  const program_result r = disks.run({});
  ASSERT_EQ(r.exit_status, 0) << r.output;
  EXPECT_EQ(without_placement(r.output),
            progress_lines(0) + progress_lines(1) + progress_lines(2) + progress_lines(3));
  const std::set<std::string> files = disks.bmp_files();
  EXPECT_EQ(files.size(), 64u);
  for (const std::string& name : files) EXPECT_EQ(read_file(disks.dir.file(name)).size(), 458870u) << name;
  EXPECT_TRUE(files.count("qz.Castle_Avelmor.B1F.12.bmp"));
  EXPECT_TRUE(files.count("qz.Starfall.1F.12.bmp"));
  EXPECT_TRUE(files.count("qz.Wyrm's_Hold.B1F.12.bmp"));
}

TEST(Run, PlacementLinesFollowTheirMapsProgressLine) {
  disk_set disks;
  const program_result r = disks.run({"-T", "-h", "10"});
  ASSERT_EQ(r.exit_status, 0) << r.output;
  // NPC 1 collides with NPC 0 at (5, 6) from 9 to 17 on the first floors.
  const std::string first = "[Starfall]\n(05,06,00) = 41(00) 09-17 ... multi NPCs at same location\n"
                            "[01] 41 (05, 06) -> (06, 06)\n[Starfall]\n[Lorhaven]\n";
  EXPECT_EQ(r.output.substr(0, first.size()), first);
  const program_result night = disks.run({"-T", "-h", "20", "--overwrite"});
  EXPECT_EQ(night.output.substr(0, 22), "[Starfall]\n[Starfall]\n");
  const program_result none = disks.run({"-T", "-h", "10", "-n", "--overwrite"});
  EXPECT_EQ(none.output, progress_lines(3));
}

TEST(Run, FailuresStopTheRunAndKeepWrittenFiles) {
  {
    temp_dir empty;
    const program_result r = run_program(ZUD2AVUZE_PATH, {}, empty.path.string());
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.output,
              "open error 'qz-program.dsk'\n"
              "error: read disk image 'qz-program.dsk'\n"
              "error: read shape 'qz-program.dsk'\n");
  }
  {
    disk_set disks;
    write_file(disks.dir.file(default_disk_images[0]), program_disk(2, false));
    const program_result r = disks.run({});
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.output,
              "error: can't find file 'qz-program.dsk/SHAPES'\n"
              "error: read shape 'qz-program.dsk'\n");
  }
  {
    disk_set disks;
    std::filesystem::remove(disks.dir.file("qz-castle.dsk"));
    const program_result r = disks.run({});
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.output, "error: open 'qz-castle.dsk'\nerror: read map data 'qz-castle.dsk'\n");
    EXPECT_TRUE(disks.bmp_files().empty());
    // A category that is not drawn needs no disk.
    const program_result towne = disks.run({"-T"});
    EXPECT_EQ(towne.exit_status, 0) << towne.output;
    EXPECT_EQ(disks.bmp_files().size(), 16u);
  }
  {
    disk_set disks;
    bytes keep = read_file(disks.dir.file("qz-keep.dsk"));
    keep.resize(126976);  // 31 tracks: the character area only
    write_file(disks.dir.file("qz-keep.dsk"), keep);
    const program_result r = disks.run({"-K", "-d4", "qz-keep.dsk"});
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.output, "error: read 'qz-keep.dsk'\nerror: read map data 'qz-keep.dsk'\n");
  }
}

TEST(Run, DecliningAnOverwriteEndsTheRun) {
  disk_set disks;
  const std::string existing = disks.dir.file("qz.Castle_Avelmor.1F.12.bmp");
  write_file(existing, bytes{1, 2, 3});
  const program_result r = disks.run({"-C", "-n"}, "x\nN\n");
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.output,
            "[Castle_Avelmor]\n[Castle_Avelmor]\n"
            "'qz.Castle_Avelmor.1F.12.bmp' already exists\n"
            "overwrite ? (Y or N): error: write bitmap file 'qz.Castle_Avelmor.1F.12.bmp'\n");
  EXPECT_EQ(read_file(existing), (bytes{1, 2, 3}));
  EXPECT_EQ(disks.bmp_files(), (std::set<std::string>{"qz.Castle_Avelmor.B1F.12.bmp",
                                                      "qz.Castle_Avelmor.1F.12.bmp"}));
  // With the end of input the answer is no as well (for the basement map
  // written the first time); "y" twice replaces both files.
  EXPECT_EQ(disks.run({"-C", "-n"}).exit_status, 1);
  EXPECT_EQ(read_file(existing), (bytes{1, 2, 3}));
  const program_result yes = disks.run({"-C", "-n"}, "yy");
  EXPECT_EQ(yes.exit_status, 0) << yes.output;
  EXPECT_EQ(read_file(existing).size(), 458870u);
  EXPECT_EQ(disks.bmp_files().size(), 16u);
}

// A full disk ends the run like any other failed write; so does a console
// that cannot take the run's messages.
TEST(Run, WriteFailuresEndTheRunWithStatusOne) {
  disk_set disks;
  const std::string first = "qz.Castle_Avelmor.B1F.12.bmp";
  std::filesystem::create_symlink("/dev/full", disks.dir.file(first));
  if (!std::filesystem::exists(disks.dir.file(first))) GTEST_SKIP() << "no /dev/full";
  const program_result r = disks.run({"-C", "-n", "--overwrite"});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.output, "[Castle_Avelmor]\nerror: write bitmap '" + first + "'\nerror: write bitmap file '" +
                          first + "'\n");
  EXPECT_TRUE(disks.bmp_files() == std::set<std::string>{first});

  // Standard output on a full disk: the failure is told on standard error.
  const program_result console = run_in_child([&] {
    return ::chdir(disks.dir.path.c_str()) == 0 ? exec_with_output(ZUD2AVUZE_PATH, {"-T"}, "/dev/full") : 126;
  });
  EXPECT_EQ(console.exit_status, 1);
  EXPECT_EQ(console.output, "error: write standard output\n");
  EXPECT_EQ(disks.bmp_files().size(), 17u);
}

TEST(Run, DefaultPlacesIgnoreTheHour) {
  disk_set disks;
  const program_result a = disks.run({"-T", "--default", "-h", "3"});
  ASSERT_EQ(a.exit_status, 0) << a.output;
  EXPECT_TRUE(disks.bmp_files().count("qz.Lorhaven.2F.bmp"));
  EXPECT_TRUE(disks.bmp_files().count("qz.Fen.1F.bmp"));
  const bytes first = read_file(disks.dir.file("qz.Starfall.1F.bmp"));
  const program_result b = disks.run({"-T", "--default", "-h", "20", "--overwrite"});
  ASSERT_EQ(b.exit_status, 0) << b.output;
  EXPECT_EQ(read_file(disks.dir.file("qz.Starfall.1F.bmp")), first);
  EXPECT_EQ(a.output, b.output);
}

// A BMP shape sheet: the maps are written in its bit count with its own
// colour table, and no "-B" filters them.  (What the maps show is checked
// pixel for pixel in tests/atlas: sheet_export_test.cpp and, at every bit
// count, check_atlas_pictures.py.)
TEST(Run, ShapeSheetFromABmpKeepsItsOwnColoursUnfiltered) {
  disk_set disks;
  const bytes sheet = bmp_file_of(bmp_pattern(448, 1024, 4));
  write_file(disks.dir.file("sheet.bmp"), sheet);
  const program_result r = disks.run({"-T", "-n", "--shape", "sheet.bmp"});
  ASSERT_EQ(r.exit_status, 0) << r.output;
  const bytes starfall = read_file(disks.dir.file("qz.Starfall.1F.12.bmp"));
  ASSERT_EQ(starfall.size(), 458870u);
  EXPECT_EQ(starfall[28], 4);
  EXPECT_EQ(bytes(starfall.begin() + 54, starfall.begin() + 118), bytes(sheet.begin() + 54, sheet.begin() + 118));
  const program_result blurred = disks.run({"-T", "-n", "-B", "-B", "--overwrite", "-s", "sheet.bmp"});
  ASSERT_EQ(blurred.exit_status, 0) << blurred.output;
  EXPECT_EQ(read_file(disks.dir.file("qz.Starfall.1F.12.bmp")), starfall);

  const program_result missing = disks.run({"-s", "nothing.bmp"});
  EXPECT_EQ(missing.exit_status, 1);
  EXPECT_EQ(missing.output, "error: open 'nothing.bmp'\nerror: read shape bitmap 'nothing.bmp'\n");
}
