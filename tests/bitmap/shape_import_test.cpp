// The shape sheet taken from a BMP file: tile geometry from the picture
// size, the two size refusals in their order, the reader's failures passed
// on, the file closed and the buffers left with the sheet on every path.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "bitmap/shape_import.h"
#include "support/bmp_builder.h"
#include "support/temp_dir.h"

namespace {

std::size_t open_descriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

struct loaded {
  int result = 0;
  std::string output;
  shape_sheet sheet;
};

// Runs read_shape_bitmap on `path` into a cleared sheet, checking that it
// leaves no file open.
loaded load(const std::string& path, std::int32_t across = 16, std::int32_t down = 32) {
  loaded l;
  const std::size_t before = open_descriptors();
  testing::internal::CaptureStdout();
  l.result = read_shape_bitmap(path.c_str(), l.sheet, across, down);
  std::fflush(stdout);
  l.output = testing::internal::GetCapturedStdout();
  EXPECT_EQ(open_descriptors(), before) << "a stream was left open";
  return l;
}

// Writes a sound BMP of the pattern picture and loads it.
loaded load_picture(const temp_dir& dir, const bmp_picture& p) {
  const std::string path = dir.file("sheet.bmp");
  write_file(path, bmp_file_of(p));
  return load(path);
}

void expect_geometry(const shape_sheet& s, std::int32_t tile_width, std::int32_t tile_height,
                     std::int32_t bit_count) {
  EXPECT_EQ(s.tile_width, tile_width);
  EXPECT_EQ(s.tile_height, tile_height);
  EXPECT_EQ(s.tiles_across, 16);
  EXPECT_EQ(s.tiles_down, 32);
  EXPECT_EQ(s.bit_count, bit_count);
  EXPECT_EQ(s.bytes_per_pixel, (bit_count + 7) / 8);
}

}  // namespace

TEST(ShapeImport, DiskShapeGeometryFromA4BitPicture) {
  temp_dir dir;
  const bmp_picture p = bmp_pattern(448, 1024, 4, 2);
  const loaded l = load_picture(dir, p);
  ASSERT_EQ(l.result, 0);
  EXPECT_EQ(l.output, "");
  expect_geometry(l.sheet, 28, 32, 4);
  EXPECT_EQ(std::memcmp(l.sheet.pixels.get(), p.pixels.data(), p.pixels.size()), 0);
  ASSERT_NE(l.sheet.palette, nullptr);
  EXPECT_EQ(std::memcmp(l.sheet.palette.get(), p.palette.data(), 16 * 4), 0);
}

TEST(ShapeImport, ExtraRowsAtTheBottomAreAccepted) {
  temp_dir dir;
  const bmp_picture p = bmp_pattern(448, 1040, 4, 3);
  const loaded l = load_picture(dir, p);
  ASSERT_EQ(l.result, 0);
  EXPECT_EQ(l.output, "");
  expect_geometry(l.sheet, 28, 32, 4);
  // The whole picture is loaded, rows from the top.
  EXPECT_EQ(std::memcmp(l.sheet.pixels.get(), p.pixels.data(), p.pixels.size()), 0);
}

TEST(ShapeImport, TrueColourSheetHasNoPalette) {
  temp_dir dir;
  const bmp_picture p = bmp_pattern(256, 512, 24, 4);
  const loaded l = load_picture(dir, p);
  ASSERT_EQ(l.result, 0);
  expect_geometry(l.sheet, 16, 16, 24);
  EXPECT_EQ(l.sheet.palette, nullptr);
  EXPECT_EQ(std::memcmp(l.sheet.pixels.get(), p.pixels.data(), p.pixels.size()), 0);
}

TEST(ShapeImport, EveryBitCountGivesItsBytesPerPixel) {
  temp_dir dir;
  for (std::uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    const bmp_picture p = bmp_pattern(32, 96, bits, bits);
    const loaded l = load_picture(dir, p);
    ASSERT_EQ(l.result, 0) << bits;
    expect_geometry(l.sheet, 2, 3, bits);
    EXPECT_EQ(std::memcmp(l.sheet.pixels.get(), p.pixels.data(), p.pixels.size()), 0);
    EXPECT_EQ(l.sheet.palette != nullptr, bits <= 8);
  }
}

TEST(ShapeImport, WidthMustDivideIntoSixteenTiles) {
  temp_dir dir;
  const loaded l = load_picture(dir, bmp_pattern(450, 1024, 4));
  EXPECT_EQ(l.result, -1);
  EXPECT_EQ(l.output, "error: illegal shape bitmap size\n");
  // The size fields stay as worked out, the buffers stay with the sheet.
  expect_geometry(l.sheet, 28, 32, 4);
  EXPECT_NE(l.sheet.pixels, nullptr);
  EXPECT_NE(l.sheet.palette, nullptr);
}

TEST(ShapeImport, PicturesTooSmallForATileAreRefusedFirst) {
  temp_dir dir;
  // 8 x 8 is not a multiple of 16 wide either: "too small" comes first.
  for (const auto& [width, height] :
       {std::pair{15u, 1024u}, {448u, 31u}, {8u, 8u}, {0u, 1024u}, {448u, 0u}}) {
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    bmp_picture p = bmp_pattern(width, height, 8);
    const loaded l = load_picture(dir, p);
    EXPECT_EQ(l.result, -1);
    // An empty picture reads with the data length warning first.
    const std::string warning =
        width == 0 || height == 0
            ? "warning: check_bitmap_header() - data length is 0 ... corrected: 0x0\n"
            : "";
    EXPECT_EQ(l.output, warning + "error: shape bitmap is too small\n");
    EXPECT_EQ(l.sheet.tile_width, static_cast<std::int32_t>(width / 16));
    EXPECT_EQ(l.sheet.tile_height, static_cast<std::int32_t>(height / 32));
  }
}

TEST(ShapeImport, OtherTileCountsDivideThePicture) {
  temp_dir dir;
  const std::string path = dir.file("sheet.bmp");
  write_file(path, bmp_file_of(bmp_pattern(60, 20, 24)));
  loaded l = load(path, 4, 2);
  EXPECT_EQ(l.result, 0);
  EXPECT_EQ(l.sheet.tile_width, 15);
  EXPECT_EQ(l.sheet.tile_height, 10);
  // A count that is not positive leaves a tile of no pixels.
  l = load(path, 0, 2);
  EXPECT_EQ(l.result, -1);
  EXPECT_EQ(l.output, "error: shape bitmap is too small\n");
}

TEST(ShapeImport, MissingFileIsReportedByName) {
  temp_dir dir;
  const std::string path = dir.file("no such sheet.bmp");
  const loaded l = load(path);
  EXPECT_EQ(l.result, -1);
  EXPECT_EQ(l.output, "error: open '" + path + "'\n");
  EXPECT_EQ(l.sheet.pixels, nullptr);
  EXPECT_EQ(l.sheet.tile_width, 0);
}

TEST(ShapeImport, ReaderFailuresArePassedOnAndBuffersStayInTheSheet) {
  temp_dir dir;
  const std::string path = dir.file("sheet.bmp");
  write_file(path, bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0});
  loaded l = load(path);
  EXPECT_EQ(l.result, -1);
  EXPECT_EQ(l.output,
            "error: read_bitmap() - can't read bitmap header\nerror: read '" + path + "'\n");
  EXPECT_EQ(l.sheet.pixels, nullptr);

  // Cut inside the rows: pixels and colour table were allocated and stay.
  const bytes whole = bmp_file_of(bmp_pattern(448, 1024, 4));
  write_file(path, bytes(whole.begin(), whole.begin() + 1000));
  l = load(path);
  EXPECT_EQ(l.result, -1);
  EXPECT_EQ(l.output,
            "error: read_bitmap() - can't read bitmap data\nerror: read '" + path + "'\n");
  EXPECT_NE(l.sheet.pixels, nullptr);
  EXPECT_NE(l.sheet.palette, nullptr);
  EXPECT_EQ(l.sheet.tile_width, 0);  // nothing is set before the picture is read
}
