// The shape sheet taken from a BMP file: tile geometry from the picture
// size, the two size refusals in their order, the reader's failures passed
// on, the file closed and the buffers left with the sheet on every path.
#include "tiles/shape_import.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <tuple>

#include "bitmap/bmp_build.h"
#include "support/capture.h"
#include "support/temp_dir.h"

namespace {

std::size_t open_descriptors() {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

// read_shape_bitmap on `path` into a cleared sheet, which must leave no
// file open: the result and what it printed.
std::tuple<int, std::string> load(const std::string& path, shape_sheet& sheet, std::int32_t across = 16,
                                  std::int32_t down = 32) {
  const std::size_t before = open_descriptors();
  int result = 0;
  const std::string output = stdout_of([&] { result = read_shape_bitmap(path.c_str(), sheet, across, down, standard_sink()); });
  EXPECT_EQ(open_descriptors(), before) << "a stream was left open";
  return {result, output};
}

TEST(ShapeImport, TileGeometryComesFromThePictureSize) {
  temp_dir dir;
  const std::string path = dir.file("sheet.bmp");
  // Width, height, bit count, tiles across and down; the tile size.
  const std::tuple<std::uint32_t, std::uint32_t, std::uint16_t, int, int, int, int> cases[] = {
      {448, 1024, 4, 16, 32, 28, 32},  // the geometry of the disk shapes
      {448, 1040, 4, 16, 32, 28, 32},  // extra rows at the bottom are loaded, never drawn
      {256, 512, 24, 16, 32, 16, 16}, {32, 96, 1, 16, 32, 2, 3}, {32, 96, 8, 16, 32, 2, 3},
      {32, 96, 16, 16, 32, 2, 3},     {32, 96, 32, 16, 32, 2, 3}, {60, 20, 24, 4, 2, 15, 10}};
  for (const auto& [width, height, bits, across, down, tile_width, tile_height] : cases) {
    SCOPED_TRACE(testing::Message() << width << " x " << height << " at " << bits << " bits");
    const bmp_picture p = bmp_pattern(width, height, bits, bits);
    write_file(path, bmp_file_of(p));
    shape_sheet sheet;
    EXPECT_EQ(load(path, sheet, across, down), std::make_tuple(0, ""));
    EXPECT_EQ(std::make_tuple(sheet.tile_width, sheet.tile_height, sheet.tiles_across, sheet.tiles_down,
                              sheet.bit_count, sheet.bytes_per_pixel),
              std::make_tuple(tile_width, tile_height, across, down, bits, (bits + 7) / 8));
    EXPECT_EQ(std::memcmp(sheet.pixels.get(), p.pixels.data(), p.pixels.size()), 0);
    ASSERT_EQ(sheet.palette != nullptr, bits <= 8);
    EXPECT_TRUE(sheet.palette == nullptr ||
                std::memcmp(sheet.palette.get(), p.palette.data(), 4 * p.palette.size()) == 0);
  }
}

// Each refusal: the file (none for a missing file), the tiles across, the
// messages ("@" stands for the path), whether the pixels and the colour
// table read stay with the sheet, and the tile size left in it.
TEST(ShapeImport, RefusalsAreReportedAndLeaveTheBuffersWithTheSheet) {
  temp_dir dir;
  const std::string too_small = "error: shape bitmap is too small\n",
                    empty = "warning: check_bitmap_header() - data length is 0 ... corrected: 0x0\n" + too_small;
  const auto sheet_of = [](std::uint32_t w, std::uint32_t h, std::uint16_t bits) {
    return bmp_file_of(bmp_pattern(w, h, bits));
  };
  const bytes whole = sheet_of(448, 1024, 4);
  const std::tuple<std::optional<bytes>, int, std::string, bool, int, int> cases[] = {
      {sheet_of(450, 1024, 4), 16, "error: illegal shape bitmap size\n", true, 28, 32},  // 450 / 16 * 16 is 448
      {sheet_of(15, 1024, 8), 16, too_small, true, 0, 32},
      {sheet_of(448, 31, 8), 16, too_small, true, 28, 0},
      {sheet_of(8, 8, 8), 16, too_small, true, 0, 0},  // not a multiple of 16 either
      {sheet_of(0, 1024, 8), 16, empty, true, 0, 32},
      {sheet_of(448, 0, 8), 16, empty, true, 28, 0},
      {sheet_of(60, 64, 8), 0, too_small, true, 0, 2},  // a tile count that is not positive
      {bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0}, 16,
       "error: read_bitmap() - can't read bitmap header\nerror: read '@'\n", false, 0, 0},
      // Cut inside the rows: nothing is set before the picture is read.
      {bytes(whole.begin(), whole.begin() + 1000), 16,
       "error: read_bitmap() - can't read bitmap data\nerror: read '@'\n", true, 0, 0},
      {std::nullopt, 16, "error: open '@'\n", false, 0, 0}};
  for (const auto& [contents, across, messages, buffers, tile_width, tile_height] : cases) {
    const std::string path = dir.file(contents ? "sheet.bmp" : "no such sheet.bmp");
    if (contents) write_file(path, *contents);
    std::string expected = messages;
    if (expected.find('@') != std::string::npos) expected.replace(expected.find('@'), 1, path);
    shape_sheet sheet;
    EXPECT_EQ(load(path, sheet, across), std::make_tuple(-1, expected));
    EXPECT_EQ(std::make_tuple(sheet.pixels != nullptr, sheet.palette != nullptr, sheet.tile_width, sheet.tile_height),
              std::make_tuple(buffers, buffers, tile_width, tile_height))
        << expected;
  }
}

}  // namespace
