// Choosing the schedule slot, placing NPCs on their cells, and moving those
// that cannot stand there, with the exact report lines.
#include "map/npc_placement.h"

#include <gtest/gtest.h>

#include "map_fixture.h"

namespace {

TEST(ScheduleSlot, RangesPassingMidnight) {
  for (int hour = 0; hour < 24; ++hour) {
    int expected = 1;
    if (hour >= 21 || hour <= 4) expected = 0;
    if (hour >= 9 && hour <= 16) expected = 2;
    EXPECT_EQ(schedule_slot(21, 5, 9, 17, hour), expected) << hour;
  }
}

TEST(ScheduleSlot, OverlapEmptyRangesAndRangeEnds) {
  for (int hour = 0; hour < 24; ++hour) {
    // Both ranges hold 10 and 11: slot 0 wins.
    EXPECT_EQ(schedule_slot(6, 12, 10, 18, hour), hour < 6 || hour >= 18 ? 1 : (hour < 12 ? 0 : 2));
    // Every hour equal: both ranges empty.
    EXPECT_EQ(schedule_slot(9, 9, 9, 9, hour), 1);
    // Slot 2 passing midnight, slot 0 empty.
    EXPECT_EQ(schedule_slot(3, 3, 23, 1, hour), hour == 23 || hour == 0 ? 2 : 1);
  }
}

// NPC k with three places: slot 0 at (1, y) 21-05, slot 1 at (2, y), slot 2
// at (3, y) 09-17.
void put_scheduled(location_array& block, int k, std::uint8_t shape, std::uint8_t y) {
  put_npc(block, k, shape, 0, y);
  location_view v = view_of(block);
  for (int s = 0; s < 3; ++s) v.x(k, s) = static_cast<std::uint8_t>(s + 1);
  v.hours(k, 0) = 21;
  v.hours(k, 1) = 5;
  v.hours(k, 2) = 9;
  v.hours(k, 3) = 17;
}

TEST(Placement, TheSlotOfTheHourDecidesTheCell) {
  const shape_sheet sheet = numbered_sheet();
  location_array block{};
  put_scheduled(block, 0, 0x40, 4);
  for (const auto& [hour, column] : {std::pair{2, 1}, {23, 1}, {5, 2}, {20, 2}, {9, 3}, {16, 3}}) {
    bitmap picture = blank_picture(sheet);
    EXPECT_EQ(draw_and_capture(picture, sheet, filled_map(0x04), block, 0, hour), "");
    for (int x = 1; x <= 3; ++x)
      EXPECT_EQ(drawn_tile(picture, x, 4), x == column ? 0x140 : 0x04) << "hour " << hour << " x " << x;
  }
}

TEST(Placement, FloorsAndEmptySlotsAreSilent) {
  const shape_sheet sheet = numbered_sheet();
  location_array block{};
  put_npc(block, 0, 0x40, 5, 5, 1);      // upstairs: not on floor 0
  put_npc(block, 1, 0x00, 6, 6);         // no NPC
  put_npc(block, 2, 0x1C, 7, 7);         // no NPC either
  put_npc(block, 3, 0x41, 8, 8, 0xFF);   // basement
  put_npc(block, 4, 0x42, 0, 0, 1);      // would collide and be refused on floor 0
  put_npc(block, 5, 0x43, 0, 0, 1);
  const map_cells_array map = filled_map(0x04);
  bitmap picture = blank_picture(sheet);
  EXPECT_EQ(draw_and_capture(picture, sheet, map, block, 0, 12), "");
  for (int c = 0; c < 32; ++c) EXPECT_EQ(drawn_tile(picture, c, c), 0x04) << c;

  EXPECT_EQ(draw_and_capture(picture, sheet, map, block, 0xFF, 12), "");
  EXPECT_EQ(drawn_tile(picture, 8, 8), 0x141);
  EXPECT_EQ(drawn_tile(picture, 5, 5), 0x04);
}

TEST(Placement, CollisionsReportTheSlotAndItsHours) {
  const shape_sheet sheet = numbered_sheet();
  location_array block{};
  put_scheduled(block, 0, 0x40, 6);
  put_scheduled(block, 1, 0x41, 6);
  location_view v = view_of(block);
  v.mode(1, 0) = 3;
  v.mode(1, 1) = 5;
  v.mode(1, 2) = 7;
  const map_cells_array map = filled_map(0x04);
  bitmap picture = blank_picture(sheet);
  EXPECT_EQ(draw_and_capture(picture, sheet, map, block, 0, 1),
            "(01,06,00) = 41(03) 21-05 ... multi NPCs at same location\n"
            "[01] 41 (01, 06) -> (00, 06)\n");
  EXPECT_EQ(drawn_tile(picture, 1, 6), 0x140);
  EXPECT_EQ(drawn_tile(picture, 0, 6), 0x141);
  EXPECT_EQ(draw_and_capture(picture, sheet, map, block, 0, 12),
            "(03,06,00) = 41(07) 09-17 ... multi NPCs at same location\n"
            "[01] 41 (03, 06) -> (02, 06)\n");
  EXPECT_EQ(draw_and_capture(picture, sheet, map, block, 0, 18),
            "(02,06,00) = 41(05) ... multi NPCs at same location\n"
            "[01] 41 (02, 06) -> (01, 06)\n");
}

TEST(Relocation, RefusedTileMovesToTheFirstAllowedNeighbourInOrder) {
  // Neighbours in order: left, right, up, down, up-left, up-right,
  // down-left, down-right.  Only neighbours i and later are floor.
  constexpr int order[8][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}, {-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
  const shape_sheet sheet = numbered_sheet();
  location_array block{};
  put_npc(block, 0, 0x40, 10, 10);
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    map_cells_array map = filled_map(0x00);
    for (int j = i; j < 8; ++j) set_cell(map, 10 + order[j][0], 10 + order[j][1], 0x04);
    bitmap picture = blank_picture(sheet);
    char expected[128];
    std::snprintf(expected, sizeof expected,
                  "(0A,0A,00) = 40(00) ... can't locate here\n[00] 40 (0A, 0A) -> (%02X, %02X)\n",
                  10 + order[i][0], 10 + order[i][1]);
    EXPECT_EQ(draw_and_capture(picture, sheet, map, block, 0, 12), expected);
    EXPECT_EQ(drawn_tile(picture, 10 + order[i][0], 10 + order[i][1]), 0x140);
    EXPECT_EQ(drawn_tile(picture, 10, 10), 0x00);
  }
}

TEST(Relocation, EarlierNpcsTakeCellsFirstAndTheLastFindsNone) {
  // Ten people on one cell of a 3 x 3 yard: the first stands, eight are
  // moved round it in neighbour order, the tenth finds no room.
  const shape_sheet sheet = numbered_sheet();
  map_cells_array map = filled_map(0x00);
  for (int y = 4; y <= 6; ++y)
    for (int x = 4; x <= 6; ++x) set_cell(map, x, y, 0x04);
  location_array block{};
  for (int k = 0; k < 10; ++k) put_npc(block, k, static_cast<std::uint8_t>(0x40 + k), 5, 5);
  bitmap picture = blank_picture(sheet);
  std::string expected;
  for (int k = 1; k < 10; ++k)
    expected += "(05,05,00) = 4" + std::to_string(k) + "(00) ... multi NPCs at same location\n";
  expected +=
      "[01] 41 (05, 05) -> (04, 05)\n[02] 42 (05, 05) -> (06, 05)\n"
      "[03] 43 (05, 05) -> (05, 04)\n[04] 44 (05, 05) -> (05, 06)\n"
      "[05] 45 (05, 05) -> (04, 04)\n[06] 46 (05, 05) -> (06, 04)\n"
      "[07] 47 (05, 05) -> (04, 06)\n[08] 48 (05, 05) -> (06, 06)\n"
      "[09] 49 (05, 05) ... can't locate\n";
  EXPECT_EQ(draw_and_capture(picture, sheet, map, block, 0, 12), expected);
  EXPECT_EQ(drawn_tile(picture, 5, 5), 0x140);
  EXPECT_EQ(drawn_tile(picture, 6, 6), 0x148);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) EXPECT_NE(drawn_tile(picture, x, y), 0x149);
}

TEST(Relocation, TerrainOfTheShapeDecidesTheCandidates) {
  // A water creature (terrain 1) refused by the floor tile swims to the
  // water on the left; the person scheduled there stands on the floor, and
  // a second person finds only water and rock around.
  const shape_sheet sheet = numbered_sheet();
  map_cells_array map = filled_map(0x00);
  set_cell(map, 20, 20, 0x04);
  set_cell(map, 21, 20, 0x02);
  set_cell(map, 19, 20, 0x02);
  location_array block{};
  put_npc(block, 0, 0x20, 20, 20);
  put_npc(block, 1, 0x40, 20, 20);
  put_npc(block, 2, 0x41, 20, 20);
  bitmap picture = blank_picture(sheet);
  EXPECT_EQ(draw_and_capture(picture, sheet, map, block, 0, 12),
            "(14,14,00) = 20(00) ... can't locate here\n"
            "(14,14,00) = 41(00) ... multi NPCs at same location\n"
            "[00] 20 (14, 14) -> (13, 14)\n"
            "[02] 41 (14, 14) ... can't locate\n");
  EXPECT_EQ(drawn_tile(picture, 19, 20), 0x120);
  EXPECT_EQ(drawn_tile(picture, 20, 20), 0x140);
}

// Where NPC 1 goes after colliding with NPC 0 at (10, 10) of a floor of
// tile 0 with the given tiles left, right and down-right of it.
std::string move_on(std::uint8_t left, std::uint8_t right, std::uint8_t down_right, bool right_taken = false) {
  map_cells_array map = filled_map(0x00);
  set_cell(map, 10, 10, 0x04);
  set_cell(map, 9, 10, left);
  set_cell(map, 11, 10, right);
  set_cell(map, 11, 11, down_right);
  location_array block{};
  put_npc(block, 0, 0x40, 10, 10);
  put_npc(block, 1, 0x41, 10, 10);
  if (right_taken) put_npc(block, 2, 0x42, 11, 10);
  const shape_sheet sheet = numbered_sheet();
  bitmap picture = blank_picture(sheet);
  const std::string out = draw_and_capture(picture, sheet, map, block, 0, 12);
  return out.substr(out.find('[') + 20);
}

TEST(Relocation, CountersAndBenchesGiveWayToALaterFloorTile0x44) {
  EXPECT_EQ(move_on(0xAB, 0x44, 0x04), "(0B, 0A)\n");
  EXPECT_EQ(move_on(0xAC, 0x04, 0x44), "(0B, 0B)\n");
  EXPECT_EQ(move_on(0xAB, 0x04, 0x04), "(09, 0A)\n");    // no 0x44 further on
  EXPECT_EQ(move_on(0xAC, 0x44, 0x04, true), "(09, 0A)\n");  // the 0x44 is taken
  EXPECT_EQ(move_on(0x04, 0x44, 0x44), "(09, 0A)\n");    // first choice is plain floor
  EXPECT_EQ(move_on(0x44, 0xAB, 0x04), "(09, 0A)\n");
}

TEST(Relocation, OnlyNeighboursInsideTheMapAreTried) {
  const shape_sheet sheet = numbered_sheet();
  map_cells_array map = filled_map(0x04);
  set_cell(map, 0, 0, 0x00);
  set_cell(map, 31, 31, 0x00);
  set_cell(map, 30, 31, 0x00);
  set_cell(map, 31, 30, 0x00);
  location_array block{};
  put_npc(block, 0, 0x40, 0, 0);
  put_npc(block, 1, 0x41, 31, 31);
  bitmap picture = blank_picture(sheet);
  EXPECT_EQ(draw_and_capture(picture, sheet, map, block, 0, 12),
            "(00,00,00) = 40(00) ... can't locate here\n"
            "(1F,1F,00) = 41(00) ... can't locate here\n"
            "[00] 40 (00, 00) -> (01, 00)\n"
            "[01] 41 (1F, 1F) -> (1E, 1E)\n");
}

}  // namespace
