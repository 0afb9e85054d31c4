// The demo disk set that make_demo_disks writes: same bytes every run,
// readable in both sector orders, schedules the game could hold, and maps
// on which the NPCs find their places at every hour.
#include "demo/demo_disks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "disk/raw_read.h"
#include "disk/sector_order.h"
#include "driver/map_table.h"
#include "map_fixture.h"
#include "support/temp_dir.h"
#include "tiles/shape_sheet.h"

namespace {

// Counts the lines of `text` that end with `tail`.
int count_lines(const std::string& text, const std::string& tail) {
  int n = 0;
  for (std::size_t at = text.find(tail); at != std::string::npos; at = text.find(tail, at + 1)) ++n;
  return n;
}

TEST(DemoSet, SameBytesEveryRun) {
  EXPECT_EQ(demo::program_disk(sector_order_prodos), demo::program_disk(sector_order_prodos));
  for (int c = 0; c < category_count; ++c) {
    map_data maps_a{}, maps_b{};
    npc_data npcs_a{}, npcs_b{};
    demo::category_contents(c, maps_a, npcs_a);
    demo::category_contents(c, maps_b, npcs_b);
    EXPECT_EQ(maps_a, maps_b) << c;
    EXPECT_EQ(npcs_a, npcs_b) << c;
  }
}

TEST(DemoSet, DisksReadBackInBothOrders) {
  for (const std::int32_t order : {sector_order_prodos, sector_order_dos}) {
    SCOPED_TRACE(order);
    temp_dir dir;
    demo::write_demo_disks(dir.path.string(), order);
    shape_sheet sheet;
    testing::internal::CaptureStdout();
    EXPECT_EQ(read_shape(dir.file("qz-program.dsk").c_str(), order, sheet, 0, 0), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    const char* names[] = {"qz-castle.dsk", "qz-dwelling.dsk", "qz-keep.dsk", "qz-towne.dsk"};
    for (int c = 0; c < category_count; ++c) {
      map_data expected_maps{}, maps{};
      npc_data expected_npcs{}, npcs{};
      demo::category_contents(c, expected_maps, expected_npcs);
      const std::string path = dir.file(names[c]);
      ASSERT_EQ(file_exists(path) ? read_file(path).size() : 0u, 143360u);
      ASSERT_EQ(read_map_data(path.c_str(), maps, static_cast<std::int32_t>(map_data_bytes), order), 0);
      ASSERT_EQ(read_npc_data(path.c_str(), npcs, locations_per_category, order), 0);
      EXPECT_EQ(maps, expected_maps) << names[c];
      // Read back exactly: every hour is one the disk can store.
      EXPECT_EQ(npcs, expected_npcs) << names[c];
    }
  }
}

TEST(DemoSet, EveryNpcLivesOnFloorsOfItsLocation) {
  int npcs_seen = 0, timed = 0;
  for (int c = 0; c < category_count; ++c) {
    map_data maps{};
    npc_data npcs{};
    demo::category_contents(c, maps, npcs);
    for (int L = 0; L < locations_per_category; ++L) {
      std::set<int> floors;
      for (const map_table_entry& e : map_table[static_cast<std::size_t>(c)])
        if (e.location == L) floors.insert(e.floor);
      const location_view v = location_block(npcs, L);
      for (int k = 0; k < npcs_per_location; ++k) {
        if (v.shape(k) == 0) continue;
        ++npcs_seen;
        EXPECT_NE(v.shape(k), no_npc_shape_b);
        for (int s = 0; s < schedule_slots; ++s) EXPECT_TRUE(floors.count(v.floor(k, s))) << c << L << k;
        EXPECT_TRUE(floors.count(v.default_floor(k))) << c << L << k;
        if (v.hours(k, 0) != v.hours(k, 1)) ++timed;
      }
    }
  }
  EXPECT_GT(npcs_seen, 400);
  EXPECT_GT(timed, npcs_seen / 2);
}

TEST(DemoSet, NpcsFindPlacesAtEveryHourAndTheHourMatters) {
  const shape_sheet sheet = numbered_sheet();
  bitmap picture = blank_picture(sheet);
  int moved = 0, refused = 0, stranded = 0, changed_maps = 0;
  for (int c = 0; c < category_count; ++c) {
    map_data maps{};
    npc_data npcs{};
    demo::category_contents(c, maps, npcs);
    for (int j = 0; j < maps_per_category; ++j) {
      const map_table_entry& e = map_table[static_cast<std::size_t>(c)][static_cast<std::size_t>(j)];
      const location_view v = location_block(npcs, e.location);
      std::string noon;
      for (int hour = 0; hour < 24; ++hour) {
        testing::internal::CaptureStdout();
        draw_map(picture, sheet, map_cells(maps, j), std::span<const std::uint8_t, location_block_bytes>(v.bytes),
                 e.floor, hour, 0, 0);
        const std::string out = testing::internal::GetCapturedStdout();
        moved += count_lines(out, "multi NPCs at same location\n");
        refused += count_lines(out, "can't locate here\n");
        stranded += count_lines(out, "... can't locate\n");
        const std::string drawn(reinterpret_cast<const char*>(picture.pixels.get()), picture.data_size);
        if (hour == 12) noon = drawn;
        if (hour == 22 && drawn != noon) ++changed_maps;
      }
    }
  }
  EXPECT_GT(moved, 0);
  EXPECT_GT(refused, 0);
  EXPECT_EQ(stranded, 0);
  EXPECT_GT(changed_maps, 48);
}

}  // namespace
