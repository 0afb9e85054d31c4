// Drawing a map: byte addressing of the tile copy, night tiles, the poses
// of NPCs, and what happens with pictures, sheets or places that cannot be
// drawn.
#include "map/compose.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "map/npc_pose.h"
#include "map_fixture.h"

namespace {

TEST(TileCopy, EveryByteComesFromItsTileInTheSheet) {
  // Tiles of 3 x 2 pixels of 2 bytes; every byte tells its tile, row and
  // byte column.  An NPC of shape 0xFF is tile 0x1FF, the last of the sheet.
  constexpr int W = 3, H = 2, B = 2;
  auto pattern = [](int t, int r, int c) { return static_cast<std::uint8_t>(t * 31 + t / 256 * 101 + r * 7 + c * 3); };
  shape_sheet sheet{W, H, 0, 0, 16, B, 512 * W * H * B, allocate_zeroed<std::uint8_t>(512 * W * H * B), nullptr};
  for (int t = 0; t < 512; ++t)
    for (int r = 0; r < H; ++r)
      for (int c = 0; c < W * B; ++c) sheet.pixels[((t / 16 * H + r) * W * 16 + t % 16 * W) * B + c] = pattern(t, r, c);
  map_cells_array map;
  for (int i = 0; i < 1024; ++i) map[i] = static_cast<std::uint8_t>(i % 32 * 7 + i / 32 * 13);
  map[1023] = 0x04;
  location_array block{};
  put_npc(block, 0, 0xFF, 31, 31);
  const std::uint32_t size = 32 * W * 32 * H * B;
  bitmap picture{32 * W, 32 * H, 16, size, allocate_zeroed<std::uint8_t>(size), nullptr};
  EXPECT_EQ(placement_lines(draw_map(picture, sheet, map, block, 0, 12, 0, 0)), "");
  for (int y = 0; y < 32 * H; ++y)
    for (int c = 0; c < 32 * W * B; ++c) {
      const int cell = y / H * 32 + c / (W * B);
      ASSERT_EQ(picture.pixels[y * 32 * W * B + c], pattern(cell == 1023 ? 0x1FF : map[cell], y % H, c % (W * B)))
          << "byte " << c << " row " << y;
    }
}

TEST(NightTiles, LampsAndWindowsChangeFromHour20ToHour4) {
  // A person stands on a lamp (0x48), judged by the stored tile: at night
  // it is drawn over tile 3, on which people may not stand.
  const map_cells_array map = map_of(0x04, {{8, 5, 0x48}, {9, 5, 0x49}, {10, 10, 0x48},
                                            {5, 0, 0x44},                // top row: never replaced
                                            {6, 0, 0x87}, {6, 1, 0x44},  // under 0x87
                                            {7, 0, 0x86}, {7, 1, 0x44},  // under another tile
                                            {6, 2, 0x44}});              // under a 0x44 that is under 0x87
  location_array block{};
  put_npc(block, 0, 0x40, 10, 10);
  for (int hour = 0; hour < 24; ++hour) {
    const bool night = hour <= 4 || hour >= 20;
    const drawing d = draw(map, block, 0, hour);
    EXPECT_EQ(d.printed, "") << hour;
    EXPECT_EQ((std::vector{d.at(8, 5), d.at(9, 5), d.at(6, 1), d.at(5, 0), d.at(7, 1), d.at(6, 2), d.at(6, 0)}),
              (std::vector{night ? 3 : 0x48, night ? 3 : 0x49, night ? 0x99 : 0x44, 0x44, 0x44, 0x44, 0x87})) << hour;
    EXPECT_EQ(d.at(10, 10), 0x140) << hour;
  }
  // With the no-NPCs flag only the map is drawn, and nothing is printed
  // for an NPC that could not stand anywhere.
  const drawing bare = draw(map_of(0x01), block, 0, 12, 1);
  EXPECT_TRUE(bare.printed.empty() && bare.at(10, 10) == 0x01) << bare.printed;
}

TEST(Pose, TileUnderTheNpcChoosesIt) {
  // Shape, map tile under it, above it and below it, the tile drawn.
  // Shape, map tile under it, above it and below it, the tile drawn: a
  // seat keeps the person's colour; benches look at the table above or
  // below; shapes 0x5C-0x5F keep their tile on a north bench without a
  // table; shapes outside the people's ranges keep theirs; sea serpents
  // lie in deep ocean.
  const std::array<int, 5> cases[] = {
      {0x43, 0x84, 4, 4, 0x163},    {0x41, 0x90, 0x9B, 4, 0x139}, {0x41, 0x90, 0x9A, 4, 0x130},
      {0x7F, 0x92, 4, 0x9A, 0x137}, {0x41, 0x92, 4, 0x9B, 0x132}, {0x5D, 0x92, 4, 4, 0x15D},
      {0x5B, 0x92, 4, 4, 0x132},    {0x3F, 0x80, 4, 4, 0x13F},    {0x60, 0x80, 4, 4, 0x160},
      {0xB8, 0x57, 4, 4, 0x38},     {0xB7, 0x57, 4, 4, 0x1B7},    {0xB8, 0x04, 4, 4, 0x1B8},
  };
  for (const auto& [shape, under, above, below, tile] : cases) {
    const map_cells_array map = map_of(0x04, {{5, 4, above}, {5, 5, under}, {5, 6, below}});
    EXPECT_EQ(npc_pose_tile(static_cast<std::uint8_t>(shape), map, 5, 5), tile) << std::hex << shape << " " << under;
  }
  // No row above row 0 and none below row 31.
  const map_cells_array beds = map_of(0x9C, {{3, 0, 0x90}, {4, 31, 0x92}});
  EXPECT_EQ(npc_pose_tile(0x41, beds, 3, 0), 0x130);
  EXPECT_EQ(npc_pose_tile(0x41, beds, 4, 31), 0x132);
  // The drawing takes the pose unless the no-change-pose flag is set.
  location_array block{};
  put_npc(block, 0, 0x41, 5, 5);
  put_npc(block, 1, 0xB8, 6, 5);
  const map_cells_array map = map_of(0x04, {{5, 4, 0x9B}, {5, 5, 0x90}, {6, 5, 0x57}});
  EXPECT_EQ(std::pair(draw(map, block, 0, 12).at(5, 5), draw(map, block, 0, 12).at(6, 5)), std::pair(0x139, 0x38));
  EXPECT_EQ(std::pair(draw(map, block, 0, 12, 0, 1).at(5, 5), draw(map, block, 0, 12, 0, 1).at(6, 5)),
            std::pair(0x141, 0x1B8));
}

TEST(Guards, PicturesAndSheetsThatCannotBeDrawnAreLeftAlone) {
  // A picture one byte short of 32 x 32 cells, a sheet one byte short of
  // 512 tiles, a sheet without pixels and an empty sheet (as before
  // loading): nothing is drawn, but placement still tells what happened.
  location_array block{};
  put_npc(block, 0, 0x40, 3, 3);
  shape_sheet numbered = numbered_sheet(), short_sheet = numbered_sheet(), no_pixels = numbered_sheet(), empty;
  short_sheet.data_size -= 1;
  no_pixels.pixels.reset();
  for (const auto& [sheet, size] :
       {std::pair{&numbered, 2047u}, {&short_sheet, 2048u}, {&no_pixels, 2048u}, {&empty, 2048u}}) {
    bitmap picture{32, 32, 16, size, allocate_zeroed<std::uint8_t>(2048), nullptr};
    std::fill_n(&picture.pixels[0], 2048, 0xEE);
    EXPECT_EQ(placement_lines(draw_map(picture, *sheet, map_of(0x00), block, 0, 12, 0, 0)),
              "(03,03,00) = 40(00) ... can't locate here\n[00] 40 (03, 03) ... can't locate\n");
    EXPECT_TRUE(std::all_of(&picture.pixels[0], &picture.pixels[2048], [](int v) { return v == 0xEE; }));
  }
}

TEST(Guards, DefaultPlacesOutsideTheMapAreRefusedAndMovedInside) {
  // Positions from default records are unchecked: column 0x20 is just off
  // the right edge, 0x21 has no neighbour on the map, 0xFF is far away.
  location_array block{};
  put_npc(block, 0, 0x40, 0x20, 0x05);
  put_npc(block, 1, 0x41, 0x21, 0x05);
  put_npc(block, 2, 0x42, 0xFF, 0xFF);
  put_npc(block, 3, 0x43, 0x05, 0x20);
  const drawing d = draw(map_of(0x04), block, 0, 9);
  EXPECT_EQ(d.printed,
            "(20,05,00) = 40(00) ... can't locate here\n(21,05,00) = 41(00) ... can't locate here\n"
            "(FF,FF,00) = 42(00) ... can't locate here\n(05,20,00) = 43(00) ... can't locate here\n"
            "[00] 40 (20, 05) -> (1F, 05)\n[01] 41 (21, 05) ... can't locate\n"
            "[02] 42 (FF, FF) ... can't locate\n[03] 43 (05, 20) -> (05, 1F)\n");
  EXPECT_EQ(std::pair(d.at(31, 5), d.at(5, 31)), std::pair(0x140, 0x143));
}

}  // namespace
