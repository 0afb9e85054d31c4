// The tile an NPC is drawn with, chosen by the map tile under it.
#include "map/npc_pose.h"

#include <gtest/gtest.h>

#include "map_fixture.h"

namespace {

// The tile drawn for one NPC of `shape` at (x, y) of `map`.
int drawn_npc(const map_cells_array& map, std::uint8_t shape, int x, int y, std::int32_t no_change_pose = 0) {
  const shape_sheet sheet = numbered_sheet();
  location_array block{};
  put_npc(block, 0, shape, static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y));
  bitmap picture = blank_picture(sheet);
  const std::string out = draw_and_capture(picture, sheet, map, block, 0, 12, 0, no_change_pose);
  EXPECT_EQ(out, "") << "shape " << int{shape};
  return drawn_tile(picture, x, y);
}

// A floor map with `under` at (5, 5) and optional tiles above and below.
map_cells_array floor_with(std::uint8_t under, std::uint8_t above = 0x04, std::uint8_t below = 0x04) {
  map_cells_array map = filled_map(0x04);
  set_cell(map, 5, 4, above);
  set_cell(map, 5, 5, under);
  set_cell(map, 5, 6, below);
  return map;
}

TEST(Pose, PeopleOnFurniture) {
  // Shape 0x41 is tile 0x141, facing 1.
  struct row {
    std::uint8_t under;
    int tile;
  };
  for (const row& r : {row{0x80, 0x82}, row{0x81, 0x83}, row{0x84, 0x161}, row{0x85, 0x165},
                       row{0x90, 0x130}, row{0x91, 0x131}, row{0x92, 0x132}, row{0x93, 0x133},
                       row{0xAB, 0x11A}, row{0xC8, 0x117}, row{0xC9, 0x118}, row{0xAC, 0x141},
                       row{0x04, 0x141}, row{0x87, 0x141}})
    EXPECT_EQ(drawn_npc(floor_with(r.under), 0x41, 5, 5), r.tile) << std::hex << int{r.under};
}

TEST(Pose, FacingComesFromTheShapeNumber) {
  EXPECT_EQ(drawn_npc(floor_with(0x84), 0x43, 5, 5), 0x163);
  EXPECT_EQ(drawn_npc(floor_with(0x85), 0x68, 5, 5), 0x164);
  EXPECT_EQ(drawn_npc(floor_with(0x90, 0x9B), 0x42, 5, 5), 0x13A);
  EXPECT_EQ(drawn_npc(floor_with(0x92, 0x04, 0x9A), 0x7F, 5, 5), 0x137);
}

TEST(Pose, BedsLookAtTheTileAboveOrBelow) {
  EXPECT_EQ(drawn_npc(floor_with(0x90, 0x9B), 0x41, 5, 5), 0x139);
  EXPECT_EQ(drawn_npc(floor_with(0x90, 0x9C), 0x41, 5, 5), 0x139);
  EXPECT_EQ(drawn_npc(floor_with(0x90, 0x9A), 0x41, 5, 5), 0x130);
  EXPECT_EQ(drawn_npc(floor_with(0x92, 0x04, 0x9A), 0x41, 5, 5), 0x135);
  EXPECT_EQ(drawn_npc(floor_with(0x92, 0x04, 0x9C), 0x41, 5, 5), 0x135);
  EXPECT_EQ(drawn_npc(floor_with(0x92, 0x04, 0x9B), 0x41, 5, 5), 0x132);
  // Shapes 0x5C-0x5F keep their own tile on 0x92 without the tile below.
  EXPECT_EQ(drawn_npc(floor_with(0x92), 0x5C, 5, 5), 0x15C);
  EXPECT_EQ(drawn_npc(floor_with(0x92), 0x5F, 5, 5), 0x15F);
  EXPECT_EQ(drawn_npc(floor_with(0x92, 0x04, 0x9A), 0x5D, 5, 5), 0x135);
  EXPECT_EQ(drawn_npc(floor_with(0x92), 0x5B, 5, 5), 0x132);
}

TEST(Pose, BedsOnTheTopAndBottomRows) {
  // No row above row 0 and none below row 31.
  map_cells_array map = filled_map(0x9C);
  set_cell(map, 3, 0, 0x90);
  set_cell(map, 4, 31, 0x92);
  EXPECT_EQ(drawn_npc(map, 0x41, 3, 0), 0x130);
  EXPECT_EQ(drawn_npc(map, 0x41, 4, 31), 0x132);
}

TEST(Pose, OnlyPeopleShapesTakePoses) {
  for (int shape : {0x01, 0x11, 0x1B, 0x90, 0xA0, 0xFF})
    EXPECT_EQ(drawn_npc(floor_with(0x80), static_cast<std::uint8_t>(shape), 5, 5), 0x100 + shape) << shape;
  EXPECT_EQ(drawn_npc(floor_with(0x80), 0x40, 5, 5), 0x82);
  EXPECT_EQ(drawn_npc(floor_with(0x80), 0x5F, 5, 5), 0x82);
  EXPECT_EQ(drawn_npc(floor_with(0x80), 0x68, 5, 5), 0x82);
  EXPECT_EQ(drawn_npc(floor_with(0x80), 0x7F, 5, 5), 0x82);
}

TEST(Pose, SeaSerpentsInDeepWater) {
  for (int shape = 0xB8; shape <= 0xBB; ++shape) {
    EXPECT_EQ(drawn_npc(floor_with(0x57), static_cast<std::uint8_t>(shape), 5, 5), 0x38);
    EXPECT_EQ(drawn_npc(floor_with(0x04), static_cast<std::uint8_t>(shape), 5, 5), 0x100 + shape);
  }
}

TEST(Pose, NoChangePoseDrawsTheShapeItself) {
  EXPECT_EQ(drawn_npc(floor_with(0x80), 0x41, 5, 5, 1), 0x141);
  EXPECT_EQ(drawn_npc(floor_with(0x90, 0x9B), 0x41, 5, 5, 1), 0x141);
  EXPECT_EQ(drawn_npc(floor_with(0x57), 0xB8, 5, 5, 1), 0x1B8);
}

TEST(Pose, DirectCallMatchesTheDrawing) {
  const map_cells_array map = floor_with(0x90, 0x9C);
  EXPECT_EQ(npc_pose_tile(0x43, map, 5, 5), 0x13B);
  EXPECT_EQ(npc_pose_tile(0x43, map, 5, 4), 0x143);
}

}  // namespace
