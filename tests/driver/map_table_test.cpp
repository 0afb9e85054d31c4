#include "driver/map_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(MapTable, EveryLocationHasItsFloorsInOrder) {
  // Per category, locations appear in ascending order and every one of the
  // 8 locations has at least one map; floors of a location ascend from the
  // basement.
  for (int c = 0; c < category_count; ++c) {
    std::set<int> seen;
    int last_location = -1, last_floor = -2;
    for (const map_table_entry& e : map_table[static_cast<std::size_t>(c)]) {
      const int floor = e.floor == 255 ? -1 : e.floor;
      ASSERT_GE(e.location, last_location);
      if (e.location == last_location) {
        EXPECT_GT(floor, last_floor);
      }
      last_location = e.location;
      last_floor = floor;
      seen.insert(e.location);
    }
    EXPECT_EQ(seen.size(), 8u) << c;
  }
  EXPECT_EQ(map_table[0][0].floor, 255);
  EXPECT_EQ(map_table[0][9].location, 1);
  EXPECT_EQ(map_table[0][9].floor, 3);
  EXPECT_EQ(map_table[2][13].location, 7);
  EXPECT_EQ(map_table[2][13].floor, 255);
  EXPECT_EQ(map_table[3][6].floor, 255);
}

TEST(MapTable, OutputNames) {
  char name[256];
  format_output_name(name, sizeof name, location_names[0], map_table[0][0].floor, 12, 0);
  EXPECT_STREQ(name, "qz.Castle_Avelmor.B1F.12.bmp");
  format_output_name(name, sizeof name, location_names[3 * 8 + 3], map_table[3][7].floor, 9, 1);
  EXPECT_STREQ(name, "qz.Fen.1F.bmp");
  format_output_name(name, sizeof name, location_names[3 * 8 + 1], map_table[3][3].floor, 9, 1);
  EXPECT_STREQ(name, "qz.Lorhaven.2F.bmp");
  format_output_name(name, sizeof name, location_names[0], 0, 5, 0);
  EXPECT_STREQ(name, "qz.Castle_Avelmor.1F.05.bmp");
  format_output_name(name, sizeof name, "X", 7, 0, 0);
  EXPECT_STREQ(name, "qz.X.unknown.00.bmp");
  // A name that does not fit is cut and still terminated.
  char small[8];
  format_output_name(small, sizeof small, "Starfall", 0, 12, 0);
  EXPECT_STREQ(small, "qz.Star");
}

TEST(MapTable, FloorLabelsAndNames) {
  EXPECT_STREQ(floor_label(255), "B1F");
  EXPECT_STREQ(floor_label(0), "1F");
  EXPECT_STREQ(floor_label(3), "4F");
  EXPECT_STREQ(floor_label(4), "unknown");
  EXPECT_STREQ(floor_label(254), "unknown");
  std::set<std::string> names(location_names.begin(), location_names.end());
  EXPECT_EQ(names.size(), 32u);
  EXPECT_STREQ(location_names[8 + 6], "Ka'Dresh's_Hut");
  EXPECT_STREQ(location_names[31], "New_Osgard");
}
