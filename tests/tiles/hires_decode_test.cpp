// Decoding the hi-res tile file into sheet dot values.
#include "tiles/hires_decode.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tiles/shape_sheet.h"

namespace {

using pixel_row = std::vector<std::uint8_t>;

struct tile_file {
  std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(shapes_file_size);
  // Byte k (0 left, 1 right) of row s of tile t.
  std::uint8_t& at(int t, int k, int s) {
    return bytes[static_cast<std::size_t>(t / 256) * 8192 + k * 4096 + s * 256 + t % 256];
  }
};

struct decoded_sheet {
  std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(disk_sheet_bytes);
  // The 14 sheet pixels of byte k of source row s of tile t.
  pixel_row byte_pixels(int t, int k, int s) const {
    const std::size_t start = static_cast<std::size_t>((t / 16) * 32 + 2 * s) * 448 + (t % 16) * 28 + 14 * k;
    return pixel_row(pixels.begin() + static_cast<std::ptrdiff_t>(start),
                     pixels.begin() + static_cast<std::ptrdiff_t>(start + 14));
  }
  // The 28 x 32 pixels of tile t, row after row.
  pixel_row tile_pixels(int t) const {
    pixel_row out;
    for (int y = 0; y < 32; ++y) {
      const std::size_t start = static_cast<std::size_t>((t / 16) * 32 + y) * 448 + (t % 16) * 28;
      out.insert(out.end(), pixels.begin() + static_cast<std::ptrdiff_t>(start),
                 pixels.begin() + static_cast<std::ptrdiff_t>(start + 28));
    }
    return out;
  }
};

decoded_sheet decode(tile_file& file, int shape_type = shape_type_normal, int no_remake_water = 0) {
  decoded_sheet sheet;
  decode_shape_data(sheet.pixels, file.bytes, shape_type, no_remake_water);
  return sheet;
}

constexpr std::uint8_t M = delay_marker;

TEST(HiresDecode, ByteExpansion) {
  // Closed under flipping bit 7, for the mirror-room type below.
  const struct {
    std::uint8_t byte;
    pixel_row pixels;
  } cases[] = {
      {0x00, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {0x7F, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
      {0x80, {M, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {0xFF, {M, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
      {0x81, {M, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {0xC0, {M, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
      {0x01, {1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {0x40, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1}},
      {0x2A, {0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0}},
      {0xAA, {M, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0}},
  };
  auto expansion_of = [&](std::uint8_t byte) {
    for (const auto& c : cases) {
      if (c.byte == byte) return c.pixels;
    }
    return pixel_row();
  };
  tile_file file;
  // Each case in the left byte of a plain tile of the first rows and in the
  // right byte of a tile of the second half.
  for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
    file.at(0, 0, i) = cases[i].byte;
    file.at(400, 1, i) = cases[i].byte;
  }
  for (int type = 0; type < 3; ++type) {
    for (int no_remake = 0; no_remake < 2; ++no_remake) {
      const decoded_sheet sheet = decode(file, type, no_remake);
      for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        const std::uint8_t stored = cases[i].byte;
        const std::uint8_t first_rows = type == shape_type_mirror_room ? stored ^ 0x80 : stored;
        EXPECT_EQ(sheet.byte_pixels(0, 0, i), expansion_of(first_rows))
            << "byte " << int{stored} << " type " << type << " no_remake " << no_remake;
        EXPECT_EQ(sheet.byte_pixels(400, 1, i), cases[i].pixels)
            << "byte " << int{stored} << " type " << type << " no_remake " << no_remake;
      }
    }
  }
}

// Odd rows stay 0, even rows hold 0, 1 and markers, markers only at the
// start of a byte, for random tile data and every decoding variant.
TEST(HiresDecode, SheetShapeForRandomData) {
  std::mt19937 rng(5);
  tile_file file;
  for (auto& b : file.bytes) b = static_cast<std::uint8_t>(rng());
  for (int type = 0; type < 3; ++type) {
    for (int no_remake = 0; no_remake < 2; ++no_remake) {
      const decoded_sheet sheet = decode(file, type, no_remake);
      int markers = 0;
      for (std::size_t i = 0; i < sheet.pixels.size(); ++i) {
        const std::size_t y = i / 448;
        const std::size_t x = i % 448;
        const std::uint8_t v = sheet.pixels[i];
        if (y % 2 == 1) {
          ASSERT_EQ(v, 0) << "x " << x << " y " << y;
        } else if (v == M) {
          ASSERT_EQ(x % 28 % 14, 0u) << "x " << x << " y " << y;
          ++markers;
        } else {
          ASSERT_LE(v, 1) << "x " << x << " y " << y;
        }
      }
      EXPECT_GT(markers, 0);
    }
  }
}

TEST(HiresDecode, FlagTables) {
  auto in = [](int t, std::initializer_list<std::pair<int, int>> ranges) {
    for (auto [first, last] : ranges) {
      if (t >= first && t <= last) return true;
    }
    return false;
  };
  for (int t = 0; t < 256; ++t) {
    const int row = t / 16;
    const int column = t % 16;
    EXPECT_EQ(has_high_bit(row, column), in(t, {{5, 5}, {30, 38}, {48, 55}, {76, 77}, {96, 111}}) ? 1 : 0)
        << "tile " << t;
    int mask = 0;
    if (in(t, {{52, 55}})) mask = 208 + (t - 52);
    if (in(t, {{96, 111}})) mask = 112 + (t - 96);
    if (in(t, {{228, 231}})) mask = -(208 + (t - 228));
    EXPECT_EQ(water_mask_of(row, column), mask) << "tile " << t;
  }
  // Tile rows past 15 never take either: tiles 261 and 308 sit where 5 and 52 do.
  EXPECT_EQ(has_high_bit(16, 5), 0);
  EXPECT_EQ(water_mask_of(19, 4), 0);
}

TEST(HiresDecode, WaterRemakeMixesInTheWaterTile) {
  tile_file file;
  file.at(3, 0, 0) = 0x55;   // water
  file.at(3, 1, 0) = 0xFC;
  file.at(208, 0, 0) = 0x3C;  // mask of tiles 52 and 228
  file.at(208, 1, 0) = 0x83;
  file.at(52, 0, 0) = 0x0F;
  file.at(52, 1, 0) = 0x07;
  file.at(228, 0, 0) = 0x0F;
  file.at(228, 1, 0) = 0x07;
  file.at(112, 0, 1) = 0x00;  // mask of tile 96 clear in row 1
  file.at(96, 0, 1) = 0x5A;
  file.at(13, 0, 1) = 0x5A;
  file.at(3, 0, 1) = 0x7F;
  file.at(308, 0, 0) = 0x0F;  // second half: never remade
  // Expected bytes decoded in plain tiles for comparison.
  file.at(10, 0, 0) = 0x17;  // (0x0F & ~0x3C) | (0x55 & 0x3C)
  file.at(10, 1, 0) = 0x84;  // (0x07 & ~0x83) | (0xFC & 0x83): colour bit too
  file.at(11, 0, 0) = 0x4D;  // (0x0F & 0x3C) | (0x55 & ~0x3C)
  file.at(11, 1, 0) = 0x7F;  // (0x07 & 0x83) | (0xFC & ~0x83)
  file.at(12, 0, 1) = 0x7F;  // inverted with mask 0: all from the water
  file.at(12, 0, 0) = 0x0F;

  const decoded_sheet remade = decode(file);
  EXPECT_EQ(remade.byte_pixels(52, 0, 0), remade.byte_pixels(10, 0, 0));
  EXPECT_EQ(remade.byte_pixels(52, 1, 0), remade.byte_pixels(10, 1, 0));
  EXPECT_EQ(remade.byte_pixels(228, 0, 0), remade.byte_pixels(11, 0, 0));
  EXPECT_EQ(remade.byte_pixels(228, 1, 0), remade.byte_pixels(11, 1, 0));
  EXPECT_EQ(remade.byte_pixels(96, 0, 1), remade.byte_pixels(13, 0, 1));  // mask 0: unchanged
  EXPECT_EQ(remade.byte_pixels(308, 0, 0), remade.byte_pixels(12, 0, 0));

  // Mask byte 0 of an inverted tile: row 1 of tile 229 (mask 209) is tile 3's.
  EXPECT_EQ(remade.byte_pixels(229, 0, 1), remade.byte_pixels(12, 0, 1));

  const decoded_sheet kept = decode(file, shape_type_normal, 1);
  for (int t : {52, 53, 54, 55, 96, 100, 111, 228, 231}) {
    tile_file copy;
    for (int k = 0; k < 2; ++k)
      for (int s = 0; s < 16; ++s) copy.at(0, k, s) = file.at(t, k, s);
    EXPECT_EQ(kept.tile_pixels(t), decode(copy).tile_pixels(0)) << "tile " << t;
  }
}

// Writes `bytes` (left, right per row) into rows 0.. of tile t.
void put_rows(tile_file& file, int t, std::initializer_list<std::pair<int, int>> bytes) {
  int s = 0;
  for (auto [left, right] : bytes) {
    file.at(t, 0, s) = static_cast<std::uint8_t>(left);
    file.at(t, 1, s) = static_cast<std::uint8_t>(right);
    ++s;
  }
}

TEST(HiresDecode, ShapeTypesChangeTheColourGroup) {
  tile_file file;
  put_rows(file, 5, {{0x01, 0x81}});    // forced colour group
  put_rows(file, 0, {{0x01, 0x81}});    // plain tile of the first rows
  put_rows(file, 300, {{0x01, 0x81}});  // tile row 18
  put_rows(file, 320, {{0x01, 0x81}});  // tile row 20
  put_rows(file, 220, {{0x01, 0x00}, {0x40, 0x40}, {0xC0, 0x7F}, {0x81, 0x80}});
  // Reference bytes in tiles that no shape type touches.
  put_rows(file, 500, {{0x01, 0x81}, {0x81, 0x81}, {0x81, 0x01}});
  put_rows(file, 501, {{0x83, 0x80}, {0x81, 0x81}, {0x81, 0xFF}, {0x83, 0x80}});

  auto same_row = [](const decoded_sheet& sheet, int t, int s, int ref, int ref_s) {
    return sheet.byte_pixels(t, 0, s) == sheet.byte_pixels(ref, 0, ref_s) &&
           sheet.byte_pixels(t, 1, s) == sheet.byte_pixels(ref, 1, ref_s);
  };
  const decoded_sheet normal = decode(file, shape_type_normal);
  EXPECT_TRUE(same_row(normal, 5, 0, 500, 0));
  EXPECT_EQ(normal.byte_pixels(220, 0, 0), normal.byte_pixels(500, 0, 0));

  const decoded_sheet dungeon = decode(file, shape_type_dungeon);
  EXPECT_TRUE(same_row(dungeon, 5, 0, 500, 1));    // both bytes get it
  EXPECT_TRUE(same_row(dungeon, 0, 0, 500, 0));    // no flag: as stored
  EXPECT_TRUE(same_row(dungeon, 300, 0, 500, 0));
  EXPECT_EQ(dungeon.byte_pixels(220, 0, 0), dungeon.byte_pixels(500, 0, 0));

  const decoded_sheet mirror = decode(file, shape_type_mirror_room);
  EXPECT_EQ(mirror.byte_pixels(5, 0, 0), mirror.byte_pixels(500, 0, 0));  // set, then inverted
  EXPECT_EQ(mirror.byte_pixels(5, 1, 0), mirror.byte_pixels(500, 1, 2));  // 0x81 loses it
  EXPECT_TRUE(same_row(mirror, 0, 0, 500, 2));    // inverted
  EXPECT_TRUE(same_row(mirror, 300, 0, 500, 2));  // inverted
  EXPECT_TRUE(same_row(mirror, 320, 0, 500, 0));  // as stored
  for (int s = 0; s < 4; ++s) EXPECT_TRUE(same_row(mirror, 220, s, 501, s)) << "row " << s;
}

}  // namespace
