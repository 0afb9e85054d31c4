// Where NPCs stand: the terrain test, the schedule slot of an hour,
// placement on the scheduled cells and the moves of those that cannot
// stand there, with the exact report lines.
#include "map/npc_placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "map_fixture.h"

namespace {

TEST(Terrain, StandingRulesOfTheTables) {
  // Tile 0x34 (terrain 3) takes shapes of terrain 1 and 2, tile 0x01 only
  // 1; shape 0xB8 (terrain 6) stands on 0x57 and terrain-2 tiles, not 0x02;
  // tile 0 takes nobody, and shape 0x1C stands nowhere.
  for (auto [shape, tile, may] : {std::tuple{0x20, 0x34, true}, {0x01, 0x34, true}, {0x20, 0x01, true},
                                  {0x01, 0x01, false}, {0xB8, 0x57, true}, {0xB8, 0x04, true}, {0xB8, 0x02, false},
                                  {0x40, 0x00, false}, {0x1C, 0x04, false}, {0x40, 0x57, false}})
    EXPECT_EQ(may_stand_on(shape, tile), may) << shape << " " << tile;
}

TEST(ScheduleSlot, RangesPassingMidnightOverlapsAndEmptyRanges) {
  // The slot at hours 0 to 23 for the hours h0 to h3: slot 0 wins an
  // overlap; all four equal (as after "--default") always give slot 1.
  for (const auto& [h0, h1, h2, h3, slots] : {std::tuple{21, 5, 9, 17, "000001111222222221111000"},
                                              {6, 12, 10, 18, "111111000000222222111111"},
                                              {9, 9, 9, 9, "111111111111111111111111"},
                                              {3, 3, 23, 1, "211111111111111111111112"}})
    for (int hour = 0; hour < 24; ++hour) EXPECT_EQ(schedule_slot(h0, h1, h2, h3, hour), slots[hour] - '0') << hour;
}

// NPC k with three places: slot 0 at (1, y) 21-05, slot 1 at (2, y), slot 2
// at (3, y) 09-17, and modes 3, 5, 7.
void put_scheduled(location_array& block, int k, int shape, int y) {
  put_npc(block, k, shape, 0, y);
  const location_view v{std::span(block)};
  for (int s = 0; s < 3; ++s) std::tie(v.x(k, s), v.mode(k, s)) = std::tuple(s + 1, 3 + 2 * s);
  std::tie(v.hours(k, 0), v.hours(k, 1), v.hours(k, 2), v.hours(k, 3)) = std::tuple(21, 5, 9, 17);
}

TEST(Placement, FloorsAndEmptySlotsAreSilent) {
  location_array block{};
  put_npc(block, 0, 0x40, 5, 5, 1);     // upstairs: not on floor 0
  put_npc(block, 1, 0x00, 6, 6);        // no NPC
  put_npc(block, 2, 0x1C, 7, 7);        // no NPC either
  put_npc(block, 3, 0x41, 8, 8, 0xFF);  // basement
  put_npc(block, 4, 0x42, 0, 0, 1);     // would collide and be refused on floor 0
  put_npc(block, 5, 0x43, 0, 0, 1);
  const drawing ground = draw(map_of(0x04), block, 0, 12), basement = draw(map_of(0x04), block, 0xFF, 12);
  EXPECT_EQ(ground.printed + basement.printed, "");
  for (int c = 0; c < 32; ++c) EXPECT_EQ(ground.at(c, c), 0x04) << c;
  EXPECT_EQ(std::pair(basement.at(8, 8), basement.at(5, 5)), std::pair(0x141, 0x04));
}

// The slot of the hour decides the cell, and a collision is reported with
// the slot's mode and hours.
TEST(Placement, CollisionsReportTheSlotItsModeAndHours) {
  location_array block{};
  put_scheduled(block, 0, 0x40, 6);
  put_scheduled(block, 1, 0x41, 6);
  const std::tuple<int, const char*, int> cases[] = {
      {1, "(01,06,00) = 41(03) 21-05 ... multi NPCs at same location\n[01] 41 (01, 06) -> (00, 06)\n", 1},
      {12, "(03,06,00) = 41(07) 09-17 ... multi NPCs at same location\n[01] 41 (03, 06) -> (02, 06)\n", 3},
      {18, "(02,06,00) = 41(05) ... multi NPCs at same location\n[01] 41 (02, 06) -> (01, 06)\n", 2}};
  for (const auto& [hour, printed, column] : cases) {
    const drawing d = draw(map_of(0x04), block, 0, hour);
    EXPECT_EQ(d.printed, printed);
    EXPECT_EQ(std::pair(d.at(column, 6), d.at(column - 1, 6)), std::pair(0x140, 0x141)) << hour;
  }
}

TEST(Relocation, EarlierNpcsTakeCellsFirstAndTheLastFindsNone) {
  // Ten people on one cell of a 3 x 3 yard: the first stands, eight are
  // moved round it in neighbour order, the tenth finds no room.
  map_cells_array map = map_of(0x00);
  for (int i = 0; i < 9; ++i) map[(4 + i / 3) * 32 + 4 + i % 3] = 0x04;
  location_array block{};
  for (int k = 0; k < 10; ++k) put_npc(block, k, 0x40 + k, 5, 5);
  std::string expected;
  for (char k = '1'; k <= '9'; ++k)
    expected += std::string("(05,05,00) = 4") + k + "(00) ... multi NPCs at same location\n";
  expected +=
      "[01] 41 (05, 05) -> (04, 05)\n[02] 42 (05, 05) -> (06, 05)\n[03] 43 (05, 05) -> (05, 04)\n"
      "[04] 44 (05, 05) -> (05, 06)\n[05] 45 (05, 05) -> (04, 04)\n[06] 46 (05, 05) -> (06, 04)\n"
      "[07] 47 (05, 05) -> (04, 06)\n[08] 48 (05, 05) -> (06, 06)\n[09] 49 (05, 05) ... can't locate\n";
  const drawing d = draw(map, block, 0, 12);
  EXPECT_EQ(d.printed, expected);
  EXPECT_EQ(std::pair(d.at(5, 5), d.at(6, 6)), std::pair(0x140, 0x148));
  EXPECT_EQ(std::count(d.tiles.begin(), d.tiles.end(), 0x149), 0);
}

TEST(Relocation, TerrainAndMapEdgesLimitTheCandidates) {
  // A water creature (terrain 1) refused by the floor tile swims to the
  // water on the left; the person scheduled there stands on the floor, and
  // a second person finds only water and rock around.  Two people refused
  // in the corners try only the neighbours inside the map.
  location_array block{};
  put_npc(block, 0, 0x20, 20, 20);
  put_npc(block, 1, 0x40, 20, 20);
  put_npc(block, 2, 0x41, 20, 20);
  put_npc(block, 3, 0x42, 0, 0);
  put_npc(block, 4, 0x43, 31, 31);
  const drawing d = draw(map_of(0x00, {{20, 20, 4}, {21, 20, 2}, {19, 20, 2}, {1, 0, 4}, {30, 30, 4}}), block, 0, 12);
  EXPECT_EQ(d.printed,
            "(14,14,00) = 20(00) ... can't locate here\n(14,14,00) = 41(00) ... multi NPCs at same location\n"
            "(00,00,00) = 42(00) ... can't locate here\n(1F,1F,00) = 43(00) ... can't locate here\n"
            "[00] 20 (14, 14) -> (13, 14)\n[02] 41 (14, 14) ... can't locate\n"
            "[03] 42 (00, 00) -> (01, 00)\n[04] 43 (1F, 1F) -> (1E, 1E)\n");
  EXPECT_EQ(std::pair(d.at(19, 20), d.at(20, 20)), std::pair(0x120, 0x140));
}

TEST(Relocation, CountersAndBenchesGiveWayToALaterFloorTile0x44) {
  // NPC 1 collides with NPC 0 at (10, 10) of a floor of tile 0, with the
  // given tiles left, right and down-right of it, the right one maybe
  // taken by NPC 2; where NPC 1 goes.
  const std::tuple<int, int, int, bool, const char*> cases[] = {
      // 0x44 further on; none; the 0x44 taken; first choice plain floor or 0x44 itself.
      {0xAB, 0x44, 4, false, "(0B, 0A)"}, {0xAC, 4, 0x44, false, "(0B, 0B)"}, {0xAB, 4, 4, false, "(09, 0A)"},
      {0xAC, 0x44, 4, true, "(09, 0A)"},  {4, 0x44, 0x44, false, "(09, 0A)"}, {0x44, 0xAB, 4, false, "(09, 0A)"}};
  for (const auto& [left, right, down_right, right_taken, cell] : cases) {
    location_array block{};
    put_npc(block, 0, 0x40, 10, 10);
    put_npc(block, 1, 0x41, 10, 10);
    if (right_taken) put_npc(block, 2, 0x42, 11, 10);
    const std::string out = draw(map_of(0x00, {{10, 10, 4}, {9, 10, left}, {11, 10, right}, {11, 11, down_right}}),
                                 block, 0, 12).printed;
    EXPECT_EQ(out.substr(out.find("[01]")), std::string("[01] 41 (0A, 0A) -> ") + cell + "\n") << left << " " << right;
  }
}

}  // namespace
