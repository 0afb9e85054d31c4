// The exported tile sheet read back with "-s": every tile of a map drawn
// from it is the exported tile, and away from the tiles' edges the map is
// the default run's.  The file is refused where it exists, unless asked.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "bitmap/external_codec.h"
#include "bitmap/read_capture.h"
#include "demo/demo_disks.h"
#include "map/category_read.h"
#include "map/map_table.h"
#include "atlas/sheet_export.h"
#include "run/options.h"
#include "support/child_process.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

constexpr int tile_width = 28, tile_height = 32, sheet_width = 16 * tile_width, map_width = 32 * tile_width;

struct exported {
  temp_dir dir;
  exported() { demo::write_demo_disks(dir.path.string(), 2); }
  // Runs `program` with the demo disks in the subfolder `cwd` ("" for the
  // folder of the disks).
  program_result run(const std::string& program, std::vector<std::string> args, const std::string& cwd = "") const {
    for (int slot = 0; slot < disk_image_count; ++slot) {
      args.push_back("-d" + std::to_string(slot + 1));
      args.push_back(dir.file(default_disk_images[static_cast<std::size_t>(slot)]));
    }
    std::filesystem::create_directories(dir.path / cwd);
    return run_program(program, args, (dir.path / cwd).string());
  }
  read_capture picture(const std::string& name) const {
    read_capture r = read_bmp_bytes(read_file(dir.file(name)));
    EXPECT_EQ(r.result, 0) << name;
    return r;
  }
};

TEST(SheetExport, MapsDrawnFromTheSheetShowItsTilesAndTheDefaultColours) {
  exported e;
  ASSERT_EQ(e.run(QZ_ATLAS_PATH, {"--export-sheet", "tiles.bmp"}).exit_status, 0);
  const read_capture sheet = e.picture("tiles.bmp");
  ASSERT_EQ(std::make_tuple(sheet.header.width, sheet.header.height, sheet.header.bit_count),
            std::make_tuple(448u, 1024u, std::uint16_t{4}));

  // Towne maps at noon without NPCs: every cell shows the map's own tile.
  const program_result with_sheet = e.run(ZUD2AVUZE_PATH, {"-T", "-n", "-s", e.dir.file("tiles.bmp")}, "sheet");
  ASSERT_EQ(with_sheet.exit_status, 0) << with_sheet.output;
  ASSERT_EQ(e.run(ZUD2AVUZE_PATH, {"-T", "-n"}, "disk").exit_status, 0);
  map_data maps{};
  ASSERT_EQ(read_map_data(e.dir.file(default_disk_images[4]).c_str(), maps, map_data_bytes, 2, standard_sink()), 0);

  for (int j = 0; j < maps_per_category; ++j) {
    const map_table_entry entry = map_table[3][static_cast<std::size_t>(j)];
    char name[256];
    format_output_name(name, sizeof name, location_names[static_cast<std::size_t>(3 * 8 + entry.location)], entry.floor,
                       12, 0);
    SCOPED_TRACE(name);
    const read_capture disk = e.picture(std::string("disk/") + name);
    const read_capture drawn = e.picture(std::string("sheet/") + name);
    ASSERT_EQ(drawn.header.bit_count, 4);
    for (int y = 0; y < 32 * tile_height; ++y)
      for (int x = 0; x < map_width; ++x) {
        const int tile = maps[static_cast<std::size_t>(j * 1024 + y / tile_height * 32 + x / tile_width)];
        const int in_sheet = (tile / 16 * tile_height + y % tile_height) * sheet_width + tile % 16 * tile_width +
                             x % tile_width;
        const std::uint8_t pixel = drawn.pixels[static_cast<std::size_t>(y * map_width + x)];
        ASSERT_EQ(pixel, sheet.pixels[static_cast<std::size_t>(in_sheet)]) << "x " << x << " y " << y;
        // A colour reaches two dots to each side, and the delay of a
        // tile's first byte takes the dot before it: columns 3 to 25 of
        // a tile see nothing of their neighbours.
        if (x % tile_width >= 3 && x % tile_width <= 25) {
          ASSERT_EQ(pixel, disk.pixels[static_cast<std::size_t>(y * map_width + x)]) << "x " << x << " y " << y;
        }
      }
  }
}

// What the README promises: a sheet edited with ImageMagick and saved with
// "-compress none" as BMP3 (here with six colours more than the eleven the
// demo tiles use, so that ImageMagick writes 8 bits a pixel, which it would
// compress by default) is taken by -s and drawn as edited.  (Pillow reads
// the writer's files at every bit count in tests/bitmap/bmp_read_test.cpp.)
TEST(SheetExport, SheetsEditedWithImageMagickAreTaken) {
  exported e;
  ASSERT_EQ(e.run(QZ_ATLAS_PATH, {"--export-sheet", "tiles.bmp"}).exit_status, 0);
  const read_capture sheet = e.picture("tiles.bmp");
  rgb_picture colours = rgb_of(448, 1024, 4, sheet.palette.get(), sheet.pixels.get());
  if (!imagemagick_available()) GTEST_SKIP() << "no ImageMagick";
  // Tiles 4 to 9 (grass, meadow, ... of the demo) each painted a colour of
  // its own: tile t red 0x10 * t, green 0x34, blue 0x56.
  for (int t = 4; t <= 9; ++t)
    for (int y = 0; y < tile_height; ++y)
      for (int x = t * tile_width; x < (t + 1) * tile_width; ++x) {
        std::uint8_t* p = &colours.rgb[static_cast<std::size_t>(3 * (y * sheet_width + x))];
        p[0] = static_cast<std::uint8_t>(0x10 * t), p[1] = 0x34, p[2] = 0x56;
      }
  ASSERT_TRUE(imagemagick_encode(e.dir.file("edited.bmp"), colours, {"-type", "Palette", "-compress", "none"}));
  const read_capture edited = e.picture("edited.bmp");
  EXPECT_EQ(edited.header.bit_count, 8);
  const program_result drawn = e.run(ZUD2AVUZE_PATH, {"-T", "-n", "-s", e.dir.file("edited.bmp")}, "edited");
  ASSERT_EQ(drawn.exit_status, 0) << drawn.output;
  map_data maps{};
  ASSERT_EQ(read_map_data(e.dir.file(default_disk_images[4]).c_str(), maps, map_data_bytes, 2, standard_sink()), 0);
  const read_capture map = e.picture("edited/qz.Starfall.1F.12.bmp");
  const rgb_picture shown = rgb_of(map_width, 1024, 8, map.palette.get(), map.pixels.get());
  int painted = 0;
  for (int cell = 0; cell < 1024; ++cell) {
    const int tile = maps[static_cast<std::size_t>(cell)];
    if (tile < 4 || tile > 9) continue;
    const std::size_t at = static_cast<std::size_t>(3 * ((cell / 32 * tile_height) * map_width + cell % 32 * tile_width));
    EXPECT_EQ(std::make_tuple(shown.rgb[at], shown.rgb[at + 1], shown.rgb[at + 2]), std::make_tuple(0x10 * tile, 0x34, 0x56));
    ++painted;
  }
  EXPECT_GT(painted, 0);
}

TEST(SheetExport, AnExistingFileIsReplacedOnlyWhenAsked) {
  exported e;
  write_file(e.dir.file("tiles.bmp"), bytes{'o', 'l', 'd'});
  const program_result refused = e.run(QZ_ATLAS_PATH, {"--export-sheet", "tiles.bmp"});
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_EQ(refused.errors, "qz-atlas: 'tiles.bmp' exists; --overwrite replaces it\n");
  EXPECT_EQ(read_file(e.dir.file("tiles.bmp")), (bytes{'o', 'l', 'd'}));
  EXPECT_EQ(e.run(QZ_ATLAS_PATH, {"--export-sheet", "tiles.bmp", "--overwrite"}).exit_status, 0);
  EXPECT_EQ(read_file(e.dir.file("tiles.bmp")).size(), 118u + 224u * 1024u);
  // A program disk that cannot be read leaves no file behind.
  const program_result broken =
      run_program(QZ_ATLAS_PATH, {"--export-sheet", "other.bmp", "-d1", "none.dsk"}, e.dir.path.string());
  EXPECT_EQ(broken.exit_status, 1);
  EXPECT_EQ(broken.errors, "open error 'none.dsk'\nerror: read disk image 'none.dsk'\nerror: read shape 'none.dsk'\n");
  EXPECT_FALSE(std::filesystem::exists(e.dir.path / "other.bmp"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(e.dir.path), {}), 6);
}

TEST(SheetExport, TheFinishedFileNeverReplacesOneMadeMeanwhile) {
  const temp_dir dir;
  const std::string made = dir.file("new"), path = dir.file("tiles.bmp");
  write_file(made, bytes{'n', 'e', 'w'});
  write_file(path, bytes{'o', 'l', 'd'});
  EXPECT_EQ(move_into_place(made.c_str(), path.c_str(), false), 1);
  EXPECT_EQ(read_file(path), (bytes{'o', 'l', 'd'}));
  EXPECT_EQ(move_into_place(made.c_str(), path.c_str(), true), 0);
  EXPECT_EQ(read_file(path), (bytes{'n', 'e', 'w'}));
  EXPECT_FALSE(std::filesystem::exists(made));
  write_file(made, bytes{'2'});
  std::filesystem::remove(path);
  EXPECT_EQ(move_into_place(made.c_str(), path.c_str(), false), 0);
  EXPECT_EQ(read_file(path), bytes{'2'});
}

TEST(SheetExport, AStopSignalLeavesNoTemporaryFile) {
  exported e;
  for (const int signal : {SIGINT, SIGTERM}) {
    bool opened = false;
    const int status = signal_when_opened(QZ_ATLAS_PATH, {"--export-sheet", "tiles.bmp", "-d1", e.dir.file(default_disk_images[0])},
                                          e.dir.path.string(), ".qz-atlas-new.", signal, opened);
    if (status == -1) GTEST_SKIP() << "the program cannot be traced here";
    ASSERT_TRUE(opened);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(e.dir.path), {}), 5);  // the disks alone
  }
}

}  // namespace
