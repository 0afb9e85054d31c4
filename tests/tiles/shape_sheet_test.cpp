// The shape sheet: decoding the hi-res tile file into sheet dot values,
// and loading it from a program disk image, built volumes for every
// failure.  (The files of volumes made by an outside tool, SHAPES among
// them, are read to their digests in tests/disk/prodos_file_test.cpp.)
#include "tiles/shape_sheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>

#include "disk/prodos_write.h"
#include "support/temp_dir.h"
#include "tiles/hires_decode.h"

namespace {

constexpr std::uint8_t M = delay_marker;

// Offset in the tile file of byte k (0 left, 1 right) of row s of tile t.
std::size_t offset(int t, int k, int s) { return t / 256 * 8192 + k * 4096 + s * 256 + t % 256; }

// The 14 sheet pixels of byte k of row s of tile t.
bytes expanded(const bytes& sheet, int t, int k, int s) {
  const auto start = sheet.begin() + (t / 16 * 32 + 2 * s) * 448 + t % 16 * 28 + 14 * k;
  return bytes(start, start + 14);
}

// The hi-res byte that those pixels came from: a leading marker gives the
// colour-group bit, the dots are read from the first pixel of each pair
// (dot 6 of a delayed byte from the last pixel).
int byte_of(const bytes& sheet, int t, int k, int s) {
  const bytes p = expanded(sheet, t, k, s);
  int b = p[0] == M ? 0x80 : 0;
  for (int dot = 0; dot < 7; ++dot) b |= p[b & 0x80 ? (dot == 6 ? 13 : 1 + 2 * dot) : 2 * dot] << dot;
  return b;
}

bytes decode(const bytes& file, int shape_type, int no_remake_water) {
  bytes sheet(disk_sheet_bytes);
  decode_shape_data(sheet, file, shape_type, no_remake_water);
  return sheet;
}

TEST(HiresDecode, ByteExpansion) {
  const std::pair<std::uint8_t, bytes> cases[] = {
      {0x00, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}, {0x80, {M, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {0x7F, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}}, {0xFF, {M, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
      {0x01, {1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}, {0x81, {M, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {0x40, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1}}, {0xC0, {M, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
      {0x2A, {0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0}}, {0xAA, {M, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0}},
  };
  // Row i of tile 400 (tile row 25, column 0) holds byte i on the right.
  bytes file(shapes_file_size);
  for (int i = 0; i < 10; ++i) file[offset(400, 1, i)] = cases[i].first;
  const bytes sheet = decode(file, shape_type_normal, 0);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(expanded(sheet, 400, 1, i), cases[i].second) << "byte " << i;
}

TEST(HiresDecode, WaterRemakeMixesInTheWaterTile) {
  // Tile, byte, row, the byte stored and the byte decoded with the remake.
  const std::tuple<int, int, int, int, int> cases[] = {
      {3, 0, 0, 0x55, 0x55}, {3, 1, 0, 0xFC, 0xFC}, {3, 0, 1, 0x7F, 0x7F},  // the water
      {208, 0, 0, 0x3C, 0x3C}, {208, 1, 0, 0x83, 0x83},                      // mask of tiles 52 and 228
      {52, 0, 0, 0x0F, 0x17},   // (0x0F & ~0x3C) | (0x55 & 0x3C)
      {52, 1, 0, 0x07, 0x84},   // (0x07 & ~0x83) | (0xFC & 0x83): colour bit too
      {228, 0, 0, 0x0F, 0x4D},  // inverted: (0x0F & 0x3C) | (0x55 & ~0x3C)
      {228, 1, 0, 0x07, 0x7F},  // (0x07 & 0x83) | (0xFC & ~0x83)
      {96, 0, 1, 0x5A, 0x5A},   // mask byte 0 (tile 112) keeps the tile's byte...
      {229, 0, 1, 0x00, 0x7F},  // ...and gives an inverted one all water
      {308, 0, 0, 0x0F, 0x0F},  // the second half is never remade
  };
  bytes file(shapes_file_size);
  for (const auto& [t, k, s, stored, remade] : cases) file[offset(t, k, s)] = static_cast<std::uint8_t>(stored);
  const bytes remade_sheet = decode(file, shape_type_normal, 0), kept_sheet = decode(file, shape_type_normal, 1);
  for (const auto& [t, k, s, stored, remade] : cases)
    EXPECT_EQ(std::pair(byte_of(remade_sheet, t, k, s), byte_of(kept_sheet, t, k, s)), std::pair(remade, stored))
        << "tile " << t << " byte " << k;
}

// Every tile but 220 holds 0x01, 0x81 in row 0.  The dungeon type sets the
// colour group of the tiles that has_high_bit names (tiles 0 to 255 only);
// the mirror room sets and then inverts it in tile rows 0 to 19, so it
// clears it there in those tiles and inverts it in all others.
TEST(HiresDecode, ShapeTypesChangeTheColourGroup) {
  // Tile 220's rows as 0xLLRR, stored and after the mirror room: they move
  // one dot right, the carry passing to the right byte of the same row only.
  const int shifted[4][2] = {{0x0100, 0x8380}, {0x4040, 0x8181}, {0xC07F, 0x81FF}, {0x8180, 0x8380}};
  bytes file(shapes_file_size);
  for (int i = 0; i < 1024; ++i) file[offset(i / 2, i % 2, 0)] = i % 2 == 0 ? 0x01 : 0x81;
  for (int i = 0; i < 8; ++i) file[offset(220, i % 2, i / 2)] = (shifted[i / 2][0] >> (i % 2 ? 0 : 8)) & 0xFF;
  auto forced = [](int t) { return has_high_bit(t / sheet_tiles_across, t % sheet_tiles_across) == 1; };
  for (int type = 0; type < 3; ++type) {
    const bytes sheet = decode(file, type, 1);
    auto row = [&](int t, int s) { return byte_of(sheet, t, 0, s) << 8 | byte_of(sheet, t, 1, s); };
    for (int t = 0; t < 512; ++t) {
      const int dungeon = forced(t) ? 0x8181 : 0x0181, mirror = t >= 320 ? 0x0181 : forced(t) ? 0x0101 : 0x8101;
      if (t == 220) continue;
      EXPECT_EQ(row(t, 0), type == 0 ? 0x0181 : type == 1 ? dungeon : mirror) << "tile " << t << " type " << type;
    }
    for (int s = 0; s < 4; ++s) EXPECT_EQ(row(220, s), shifted[s][type == 2]) << "row " << s << " type " << type;
  }
}

// Loads the sheet from `path`, expecting `result` and the message
// `printed` ('@' standing for the path), and checks what is set up on every
// path: the fields, the palette installed and, after a failure, the cleared
// pixels.
void load(const std::string& path, int order, shape_sheet& s, int result, std::string printed, int shape_type = 0,
          int no_remake = 0) {
  for (std::size_t at; (at = printed.find('@')) != std::string::npos;) printed.replace(at, 1, path);
  testing::internal::CaptureStdout();
  EXPECT_EQ(read_shape(path.c_str(), order, s, shape_type, no_remake, standard_sink()), result);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), printed);
  EXPECT_EQ(std::tuple(s.tile_width, s.tile_height, s.tiles_across, s.tiles_down, s.bit_count, s.bytes_per_pixel),
            std::tuple(28, 32, 0, 0, 4, 1));
  ASSERT_TRUE(s.pixels != nullptr && s.palette != nullptr);
  EXPECT_TRUE(result == 0 || std::all_of(&s.pixels[0], &s.pixels[disk_sheet_bytes], [](int v) { return v == 0; }));
  EXPECT_TRUE(std::equal(apple_palette.begin(), apple_palette.end(), &s.palette[0]));
}

bytes volume(int order, const std::function<void(prodos_builder&)>& fill) {
  prodos_builder b = prodos_format("GAME");
  fill(b);
  return prodos_image(b, order);
}

// Pseudo-random tile data, decoded as the decoder does it.  Every odd row
// stays 0, even rows hold only 0, 1 and markers, markers only at the start
// of a byte.
TEST(ReadShape, LoadsAndDecodesShapesInBothOrders) {
  bytes shapes(shapes_file_size);
  for (std::size_t i = 0; i < shapes.size(); ++i) shapes[i] = static_cast<std::uint8_t>(i * 151 + i / 89);
  for (int order = 1; order <= 2; ++order) {
    temp_dir dir;
    write_file(dir.file("p.dsk"), volume(order, [&](prodos_builder& b) { prodos_add_file(b, "SHAPES", shapes); }));
    shape_sheet sheet;
    load(dir.file("p.dsk"), order, sheet, 0, "", shape_type_mirror_room, 1);
    ASSERT_NE(sheet.pixels, nullptr);
    const bytes pixels(&sheet.pixels[0], &sheet.pixels[disk_sheet_bytes]);
    EXPECT_EQ(pixels, decode(shapes, shape_type_mirror_room, 1));
    for (std::size_t i = 0; i < pixels.size(); ++i)
      ASSERT_TRUE(i / 448 % 2 == 1 ? pixels[i] == 0 : pixels[i] == M ? i % 448 % 14 == 0 : pixels[i] <= 1)
          << "value " << int{pixels[i]} << " at x " << i % 448 << " y " << i / 448;
  }
}

TEST(ReadShape, RefusedImages) {
  // An image (none: no file at all) and the messages.
  const std::pair<bytes, std::string> cases[] = {
      {volume(1, [](prodos_builder& b) {  // only a longer name, and one in a subdirectory
         prodos_add_file(b, "SHAPES.OLD", bytes(shapes_file_size, 1));
         prodos_add_dir(b, "DATA");
         prodos_add_file(b, "DATA/SHAPES", bytes(shapes_file_size, 2));
       }), "error: can't find file '@/SHAPES'\n"},
      {volume(1, [](prodos_builder& b) { prodos_add_dir(b, "SHAPES"); }),
       "strage type mismatch 'SHAPES' $D\nerror: can't find file '@/SHAPES'\n"},
      {volume(1, [](prodos_builder& b) { prodos_add_file(b, "SHAPES", bytes(16383, 0x2A)); }),
       "error: shape data size 16383\n"},
      {volume(1, [](prodos_builder& b) { prodos_add_file(b, "SHAPES", bytes(16385, 0x2A)); }),
       "error: shape data size 16385\n"},
      {volume(1, [](prodos_builder& b) {  // data block 5 of the sapling past the end of the volume
         ASSERT_EQ(prodos_add_file(b, "SHAPES", bytes(shapes_file_size, 3)).key_pointer, 7);
         prodos_block(b, 7)[5] = 0x00;
         prodos_block(b, 7)[256 + 5] = 0x02;
       }), "illegal block no $0200\ncan't get index block $0007 'SHAPES'\n"
           "can't get file data 'SHAPES' (sapling file)\nerror: can't get file '@/SHAPES'\n"},
      {{}, "open error '@'\nerror: read disk image '@'\n"},
      {bytes(1024, 0),  // too short for the volume directory's key block
       "illegal block no $0002\ncan't get dir block $0002\ncan't get dir block $0002\n"
       "can't get catalog '@'\nerror: read disk image '@'\n"},
  };
  for (const auto& [image, printed] : cases) {
    temp_dir dir;
    if (!image.empty()) write_file(dir.file("p.dsk"), image);
    shape_sheet sheet;
    load(dir.file("p.dsk"), 1, sheet, -1, printed);
  }
}

}  // namespace
