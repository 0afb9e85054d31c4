#include "map/map_data.h"

#include <gtest/gtest.h>

TEST(Terrain, StandingRulesOfTheTables) {
  // Tile 0x34 (terrain 3) takes shapes of terrain 1 and 2; tile 0x01 only 1.
  EXPECT_TRUE(may_stand_on(0x20, 0x34));
  EXPECT_TRUE(may_stand_on(0x01, 0x34));
  EXPECT_TRUE(may_stand_on(0x20, 0x01));
  EXPECT_FALSE(may_stand_on(0x01, 0x01));
  // Shape 0xB8 (terrain 6) stands on 0x57 and terrain-2 tiles, not on 0x02.
  EXPECT_TRUE(may_stand_on(0xB8, 0x57));
  EXPECT_TRUE(may_stand_on(0xB8, 0x04));
  EXPECT_FALSE(may_stand_on(0xB8, 0x02));
  // Tile 0 takes no NPC; shapes of value 0 stand nowhere.
  for (int s = 0; s < 256; ++s) EXPECT_FALSE(may_stand_on(static_cast<std::uint8_t>(s), 0));
  for (int s : {0x00, 0x12, 0x1A, 0x1C, 0x1D, 0x1F, 0x30, 0x3F, 0x60, 0x67})
    for (int t = 0; t < 256; ++t) EXPECT_FALSE(may_stand_on(static_cast<std::uint8_t>(s), static_cast<std::uint8_t>(t)));
  // Only shapes 0xB8 to 0xBB stand on tile 0x57.
  for (int s = 0; s < 256; ++s)
    EXPECT_EQ(may_stand_on(static_cast<std::uint8_t>(s), 0x57), s >= 0xB8 && s <= 0xBB) << s;
}

TEST(LocationView, FieldsKeepTheirBytePositions) {
  npc_data data{};
  location_view block = location_block(data, 3);
  block.mode(5, 2) = 1;
  block.x(5, 1) = 2;
  block.y(5, 0) = 3;
  block.floor(5, 2) = 4;
  block.hours(5, 3) = 5;
  block.shape(31) = 6;
  block.extra_a(0) = 7;
  block.default_hour(31) = 8;
  block.extra_b(31) = 9;
  const std::size_t base = 3 * 768;
  EXPECT_EQ(data[base + 16 * 5 + 2], 1);
  EXPECT_EQ(data[base + 16 * 5 + 3 + 1], 2);
  EXPECT_EQ(data[base + 16 * 5 + 6], 3);
  EXPECT_EQ(data[base + 16 * 5 + 9 + 2], 4);
  EXPECT_EQ(data[base + 16 * 5 + 15], 5);
  EXPECT_EQ(data[base + 512 + 31], 6);
  EXPECT_EQ(data[base + 544], 7);
  EXPECT_EQ(data[base + 576 + 5 * 31 + 4], 8);
  EXPECT_EQ(data[base + 767], 9);
}
