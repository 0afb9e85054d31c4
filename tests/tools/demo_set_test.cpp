// The demo disk set that make_demo_disks writes: same bytes every run,
// readable in both sector orders, schedules the game could hold, and maps
// on which the NPCs find their places at every hour.
#include "demo/demo_disks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "disk/disk_image.h"
#include "disk/disk_image_write.h"
#include "disk/sector_skew.h"
#include "map/category_read.h"
#include "disk/sector_order.h"
#include "map/map_table.h"
#include "run/options.h"
#include "map/map_fixture.h"
#include "support/temp_dir.h"

namespace {

TEST(DemoSet, SameBytesEveryRunAndReadBackInBothOrders) {
  for (const std::int32_t order : {sector_order_prodos, sector_order_dos}) {
    SCOPED_TRACE(order);
    temp_dir first, second;
    demo::write_demo_disks(first.path.string(), order);
    demo::write_demo_disks(second.path.string(), order);
    for (const char* name : default_disk_images) {
      const bytes image = file_exists(first.file(name)) ? read_file(first.file(name)) : bytes();
      EXPECT_EQ(image.size(), 143360u) << name;
      EXPECT_TRUE(image == read_file(second.file(name))) << name;
    }
    shape_sheet sheet;
    testing::internal::CaptureStdout();
    EXPECT_EQ(read_shape(first.file(default_disk_images[0]).c_str(), order, sheet, 0, 0, standard_sink()), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    // Read back exactly: every hour is one the disk can store.
    for (int c = 0; c < category_count; ++c) {
      map_data expected_maps{}, maps{};
      npc_data expected_npcs{}, npcs{};
      demo::category_contents(c, expected_maps, expected_npcs);
      const std::string path = first.file(default_disk_images[static_cast<std::size_t>(c) + 1]);
      ASSERT_EQ(read_map_data(path.c_str(), maps, static_cast<std::int32_t>(map_data_bytes), order, standard_sink()), 0);
      ASSERT_EQ(read_npc_data(path.c_str(), npcs, locations_per_category, order, standard_sink()), 0);
      EXPECT_TRUE(maps == expected_maps && npcs == expected_npcs) << path;
    }
  }
}

// The set in every container holds the sectors of the DOS-ordered set,
// read the way the readers read them, under the format's file names.
TEST(DemoSet, EveryFormatHoldsTheSameSectors) {
  temp_dir raw_set;
  demo::write_demo_disks(raw_set.path.string(), demo::disk_format::dsk);
  EXPECT_EQ(demo::disk_file_name(0, demo::disk_format::dsk), "qz-program.dsk");
  EXPECT_EQ(demo::disk_file_name(4, demo::disk_format::woz), "qz-towne.woz");
  const struct {
    const char* name;
    demo::disk_format format;
    disk_container container;
  } formats[] = {{"po", demo::disk_format::po, disk_container::raw},
                 {"2mg", demo::disk_format::two_img, disk_container::two_img},
                 {"nib", demo::disk_format::nib, disk_container::nib},
                 {"woz", demo::disk_format::woz, disk_container::woz2}};
  for (const auto& f : formats) {
    SCOPED_TRACE(f.name);
    demo::disk_format parsed{};
    ASSERT_TRUE(demo::parse_disk_format(f.name, parsed));
    EXPECT_EQ(parsed, f.format);
    temp_dir set;
    demo::write_demo_disks(set.path.string(), f.format);
    for (int disk = 0; disk < disk_image_count; ++disk) {
      const bytes raw = read_file(raw_set.file(demo::disk_file_name(disk, demo::disk_format::dsk)));
      const std::string path = set.file(demo::disk_file_name(disk, f.format));
      disk_image image;
      // A .po file is read in order 1 (--do).
      ASSERT_EQ(disk_image_open_file(image, path.c_str(), sector_order_dos, {}), 0) << path;
      EXPECT_EQ(image.container, f.container);
      // What the readers take: the DOS-ordered disk for order 2, the same
      // sectors in ProDOS block order for order 1.
      bytes expected = raw;
      if (image.sector_order == sector_order_dos) reorder_raw_image(raw, disk_file_order::dos, disk_file_order::prodos, expected);
      const std::uint8_t* all = disk_image_at(image, 0, expected.size(), {});
      EXPECT_TRUE(all != nullptr && std::memcmp(all, expected.data(), expected.size()) == 0) << path;
    }
  }
  demo::disk_format unused{};
  EXPECT_FALSE(demo::parse_disk_format("dsk2", unused));
}

// At every hour each map's NPCs find a place, some of them after a move
// (there are collisions and refused tiles to move from); the hour changes
// most maps.
TEST(DemoSet, NpcsFindPlacesAtEveryHourAndTheHourMatters) {
  int moved = 0, refused = 0, stranded = 0, changed_maps = 0;
  for (int c = 0; c < category_count; ++c) {
    map_data maps{};
    npc_data npcs{};
    demo::category_contents(c, maps, npcs);
    for (int j = 0; j < maps_per_category; ++j) {
      const map_table_entry& e = map_table[c][j];
      std::array<int, map_bytes> noon{};
      for (int hour = 0; hour < 24; ++hour) {
        const drawing d = draw(map_cells(maps, j), location_block(npcs, e.location).bytes, e.floor, hour);
        for (std::size_t at = 0; (at = d.printed.find(" ... ", at)) != std::string::npos; ++at) {
          moved += d.printed.compare(at, 18, " ... multi NPCs at") == 0;
          refused += d.printed.compare(at, 22, " ... can't locate here") == 0;
          stranded += d.printed.compare(at, 18, " ... can't locate\n") == 0;
        }
        if (hour == 12) noon = d.tiles;
        if (hour == 22) changed_maps += d.tiles != noon;
      }
    }
  }
  EXPECT_TRUE(moved > 0 && refused > 0 && stranded == 0) << moved << " " << refused << " " << stranded;
  EXPECT_GT(changed_maps, 48);
}

}  // namespace
