// Drawing the map tiles: byte addressing of the tile copy, night tiles, and
// what happens with pictures or sheets that cannot be drawn.
#include "map/compose.h"

#include <gtest/gtest.h>

#include "map_fixture.h"

namespace {

// A value for pixel byte (column c, row r) of tile t that differs between
// neighbouring pixels, rows and tiles.
std::uint8_t pattern(int t, int r, int c) { return static_cast<std::uint8_t>(t * 31 + r * 7 + c * 3 + 1); }

TEST(TileCopy, EveryPixelComesFromItsTileInTheSheet) {
  // Tiles of 3 x 2 pixels, 1 byte: one sheet row of tiles is 48 bytes wide.
  constexpr int W = 3, H = 2;
  shape_sheet sheet;
  sheet.tile_width = W;
  sheet.tile_height = H;
  sheet.bytes_per_pixel = 1;
  sheet.bit_count = 8;
  sheet.pixels = allocate_zeroed<std::uint8_t>(16 * W * 32 * H);
  for (int t = 0; t < 512; ++t)
    for (int r = 0; r < H; ++r)
      for (int c = 0; c < W; ++c)
        sheet.pixels[static_cast<std::size_t>((t / 16 * H + r) * W * 16 + t % 16 * W + c)] = pattern(t, r, c);

  map_cells_array map;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) set_cell(map, x, y, static_cast<std::uint8_t>(x * 7 + y * 13));
  bitmap picture = blank_picture(sheet);
  const location_array no_npcs{};
  EXPECT_EQ(draw_and_capture(picture, sheet, map, no_npcs, 0, 12), "");

  for (int py = 0; py < 32 * H; ++py)
    for (int px = 0; px < 32 * W; ++px) {
      const int t = map[static_cast<std::size_t>(py / H * 32 + px / W)];
      ASSERT_EQ(picture.pixels[static_cast<std::size_t>(py * 32 * W + px)], pattern(t, py % H, px % W))
          << "pixel " << px << "," << py;
    }
}

TEST(TileCopy, TwoBytePixelsAndSecondHalfTiles) {
  // An NPC of shape 0xFF is tile 0x1FF, the last tile of the sheet.
  const shape_sheet sheet = numbered_sheet();
  map_cells_array map = filled_map(0x04);
  set_cell(map, 0, 0, 0xFF);
  location_array block{};
  put_npc(block, 0, 0xFF, 31, 31);
  bitmap picture = blank_picture(sheet);
  EXPECT_EQ(draw_and_capture(picture, sheet, map, block, 0, 12), "");
  EXPECT_EQ(drawn_tile(picture, 0, 0), 0xFF);
  EXPECT_EQ(drawn_tile(picture, 1, 0), 0x04);
  EXPECT_EQ(drawn_tile(picture, 31, 31), 0x1FF);
}

TEST(NightTiles, LampsAndWindowsChangeFromHour20ToHour4) {
  const shape_sheet sheet = numbered_sheet();
  map_cells_array map = filled_map(0x04);
  set_cell(map, 8, 5, 0x48);
  set_cell(map, 9, 5, 0x49);
  set_cell(map, 5, 0, 0x44);  // top row: never replaced
  set_cell(map, 6, 0, 0x87);
  set_cell(map, 6, 1, 0x44);  // under 0x87
  set_cell(map, 7, 0, 0x86);
  set_cell(map, 7, 1, 0x44);  // under another tile
  set_cell(map, 6, 2, 0x44);  // under a 0x44 that is itself under 0x87
  const location_array no_npcs{};
  for (int hour = 0; hour < 24; ++hour) {
    SCOPED_TRACE(hour);
    const bool night = hour <= 4 || hour >= 20;
    bitmap picture = blank_picture(sheet);
    draw_and_capture(picture, sheet, map, no_npcs, 0, hour);
    EXPECT_EQ(drawn_tile(picture, 8, 5), night ? 3 : 0x48);
    EXPECT_EQ(drawn_tile(picture, 9, 5), night ? 3 : 0x49);
    EXPECT_EQ(drawn_tile(picture, 6, 1), night ? 0x99 : 0x44);
    EXPECT_EQ(drawn_tile(picture, 5, 0), 0x44);
    EXPECT_EQ(drawn_tile(picture, 7, 1), 0x44);
    EXPECT_EQ(drawn_tile(picture, 6, 2), 0x44);
    EXPECT_EQ(drawn_tile(picture, 6, 0), 0x87);
  }
}

TEST(NightTiles, StandingIsJudgedOnTheStoredTile) {
  // At night 0x48 is drawn as tile 3, on which people may not stand; the
  // person on it still stands there, drawn over the darkened tile.
  const shape_sheet sheet = numbered_sheet();
  map_cells_array map = filled_map(0x04);
  set_cell(map, 10, 10, 0x48);
  location_array block{};
  put_npc(block, 0, 0x40, 10, 10);
  bitmap picture = blank_picture(sheet);
  EXPECT_EQ(draw_and_capture(picture, sheet, map, block, 0, 22), "");
  EXPECT_EQ(drawn_tile(picture, 10, 10), 0x140);
}

TEST(NoNpcs, OnlyTheMapIsDrawnAndNothingPrinted) {
  const shape_sheet sheet = numbered_sheet();
  const map_cells_array map = filled_map(0x00);  // nobody could stand here
  location_array block{};
  put_npc(block, 0, 0x40, 3, 3);
  put_npc(block, 1, 0x40, 3, 3);
  bitmap picture = blank_picture(sheet);
  EXPECT_EQ(draw_and_capture(picture, sheet, map, block, 0, 12, 1, 0), "");
  EXPECT_EQ(drawn_tile(picture, 3, 3), 0x00);
}

TEST(Guards, PictureTooSmallIsLeftUntouchedButPlacementIsReported) {
  const shape_sheet sheet = numbered_sheet();
  const std::uint32_t full = 32 * 2 * 32 * 2 * 2;
  bitmap picture = blank_picture(sheet, full - 1);
  location_array block{};
  put_npc(block, 0, 0x40, 3, 3);
  const std::string out = draw_and_capture(picture, sheet, filled_map(0x00), block, 0, 12);
  EXPECT_EQ(out, "(03,03,00) = 40(00) ... can't locate here\n[00] 40 (03, 03) ... can't locate\n");
  for (std::uint32_t i = 0; i < full - 1; ++i) ASSERT_EQ(picture.pixels[i], 0xEE) << i;
}

TEST(Guards, SheetWithoutPixelsOrTileSizeDrawsNothing) {
  shape_sheet empty;  // all zero, as before loading
  shape_sheet sized = numbered_sheet();
  sized.pixels.reset();
  bitmap picture = blank_picture(numbered_sheet());
  const location_array no_npcs{};
  EXPECT_EQ(draw_and_capture(picture, empty, filled_map(0x04), no_npcs, 0, 12), "");
  EXPECT_EQ(draw_and_capture(picture, sized, filled_map(0x04), no_npcs, 0, 12), "");
  for (std::uint32_t i = 0; i < picture.data_size; ++i) ASSERT_EQ(picture.pixels[i], 0xEE) << i;
}

TEST(Guards, DefaultPlacesOutsideTheMapAreRefusedAndMovedInside) {
  // Positions from default records are unchecked: column 0x20 is just off
  // the right edge, 0x21 has no neighbour on the map, 0xFF is far away.
  const shape_sheet sheet = numbered_sheet();
  location_array block{};
  put_npc(block, 0, 0x40, 0x20, 0x05);
  put_npc(block, 1, 0x41, 0x21, 0x05);
  put_npc(block, 2, 0x42, 0xFF, 0xFF);
  put_npc(block, 3, 0x43, 0x05, 0x20);
  bitmap picture = blank_picture(sheet);
  const std::string out = draw_and_capture(picture, sheet, filled_map(0x04), block, 0, 9);
  EXPECT_EQ(out,
            "(20,05,00) = 40(00) ... can't locate here\n"
            "(21,05,00) = 41(00) ... can't locate here\n"
            "(FF,FF,00) = 42(00) ... can't locate here\n"
            "(05,20,00) = 43(00) ... can't locate here\n"
            "[00] 40 (20, 05) -> (1F, 05)\n"
            "[01] 41 (21, 05) ... can't locate\n"
            "[02] 42 (FF, FF) ... can't locate\n"
            "[03] 43 (05, 20) -> (05, 1F)\n");
  EXPECT_EQ(drawn_tile(picture, 31, 5), 0x140);
  EXPECT_EQ(drawn_tile(picture, 5, 31), 0x143);
}

}  // namespace
