#include "disk/raw_read.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "disk/sector_order.h"
#include "disk_test_util.h"
#include "map/map_data.h"
#include "support/category_disk.h"

namespace {

constexpr std::size_t map_area = 0x1F000;
constexpr std::size_t npc_area = 0x1E000;

// File offset of logical position k of the track starting at `track_base`.
std::size_t position(std::size_t track_base, int k, int order) {
  return track_base + 256 * static_cast<std::size_t>(order == 1 ? k : sector_translation[static_cast<std::size_t>(k)]);
}

// The file byte that holds map m's cell (x, y).
std::size_t map_cell_offset(int m, int x, int y, int order) {
  const int q = 2 * (y / 16) + x / 16;
  return position(map_area + 4096 * static_cast<std::size_t>(m / 4), 4 * (m % 4) + q, order) +
         16 * static_cast<std::size_t>(y % 16) + static_cast<std::size_t>(x % 16);
}

TEST(ReadMapData, EveryCellComesFromItsSectorInBothOrders) {
  const bytes image = noise(disk_image_bytes);
  image_file file(image);
  for (int order : {1, 2}) {
    map_data maps{};
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(read_map_data(file.path.c_str(), maps, 16384, order), 0); }), "");
    for (int m = 0; m < 16; ++m)
      for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
          ASSERT_EQ(maps[1024 * m + 32 * y + x], image[map_cell_offset(m, x, y, order)])
              << "order " << order << " map " << m << " x " << x << " y " << y;
  }
  // Order 2 takes map 0's quarters from file sectors 0, 14 and 13.
  map_data maps{};
  read_map_data(file.path.c_str(), maps, 16384, 2);
  EXPECT_EQ(maps[0], image[map_area]);
  EXPECT_EQ(maps[16], image[map_area + 256 * 14]);
  EXPECT_EQ(maps[512], image[map_area + 256 * 13]);
}

TEST(ReadMapData, ShortImageKeepsTheSectorsReadBeforeTheEnd) {
  // In order 1 the image ends inside the sixth sector of the map area.
  const bytes image = noise(map_area + 256 * 5 + 10);
  image_file file(image);
  map_data maps;
  maps.fill(0xAA);
  EXPECT_EQ(stdout_of([&] { EXPECT_EQ(read_map_data(file.path.c_str(), maps, 16384, 1), -1); }),
            "error: read '" + file.path + "'\n");
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(maps[32 * y + x], image[map_cell_offset(0, x, y, 1)]);
  EXPECT_EQ(maps[1024], image[map_area + 1024]);  // map 1, quarter 0
  EXPECT_EQ(maps[1024 + 16], 0xAA);               // map 1, quarter 1 never read
  EXPECT_EQ(maps[2047], 0xAA);
}

TEST(ReadMapData, ShortFinalChunkPlacesOnlyTheBytesAsked) {
  // 1024 + 40 bytes: map 0 whole, then 40 bytes of map 1's top-left
  // quarter (rows 0 and 1, and 8 cells of row 2).  The image ends right
  // after those bytes, so nothing beyond them may be read either.
  const bytes image = noise(map_area + 1024 + 40);
  image_file file(image);
  map_data maps;
  maps.fill(0xAA);
  EXPECT_EQ(stdout_of([&] { EXPECT_EQ(read_map_data(file.path.c_str(), maps, 1024 + 40, 1), 0); }), "");
  std::vector<bool> placed(maps.size(), false);
  for (std::size_t i = 0; i < 40; ++i) {
    const std::size_t at = 1024 + 32 * (i / 16) + i % 16;
    placed[at] = true;
    EXPECT_EQ(maps[at], image[map_area + 1024 + i]);
  }
  for (std::size_t at = 1024; at < maps.size(); ++at) {
    if (!placed[at]) {
      ASSERT_EQ(maps[at], 0xAA) << at;
    }
  }
}

TEST(ReadMapData, CountsThatDoNotFitTheBufferTouchNothing) {
  image_file file(noise(disk_image_bytes));
  bytes small(1023, 0xAA);
  const std::string expected = "error: buffer too small for '" + file.path + "'\n";
  // 256 bytes need the whole first map of 1024 bytes.
  EXPECT_EQ(stdout_of([&] { EXPECT_EQ(read_map_data(file.path.c_str(), small, 256, 1), -1); }), expected);
  bytes npc(768 * 8 - 1, 0xAA);
  EXPECT_EQ(stdout_of([&] { EXPECT_EQ(read_npc_data(file.path.c_str(), npc, 8, 2), -1); }), expected);
  EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](std::uint8_t v) { return v == 0xAA; }));
  EXPECT_TRUE(std::all_of(npc.begin(), npc.end(), [](std::uint8_t v) { return v == 0xAA; }));
}

TEST(RawReads, ZeroCountsReadNothingButStillOpenTheFile) {
  image_file empty(bytes{});
  bytes buffer(16, 0xAA);
  EXPECT_EQ(stdout_of([&] {
              EXPECT_EQ(read_map_data(empty.path.c_str(), buffer, 0, 2), 0);
              EXPECT_EQ(read_npc_data(empty.path.c_str(), buffer, 0, 1), 0);
              EXPECT_EQ(read_npc_data(empty.path.c_str(), buffer, -3, 1), 0);
            }),
            "");
  EXPECT_EQ(buffer, bytes(16, 0xAA));
  const std::string missing = empty.dir.file("missing.dsk");
  EXPECT_EQ(stdout_of([&] {
              EXPECT_EQ(read_map_data(missing.c_str(), buffer, 0, 2), -1);
              EXPECT_EQ(read_npc_data(missing.c_str(), buffer, 0, 1), -1);
            }),
            "error: open '" + missing + "'\nerror: open '" + missing + "'\n");
}

// The S and E sector offsets of location L.
struct location_sectors {
  std::size_t e, s;
};
location_sectors sectors_of(int L, int order) {
  const std::size_t track = npc_area + 4096 * static_cast<std::size_t>(2 * L / 16);
  return {position(track, (2 * L) % 16, order), position(track, (2 * L + 1) % 16, order)};
}

TEST(ReadNpcData, EveryFieldComesFromItsColumnOrBitFieldInBothOrders) {
  const bytes image = noise(disk_image_bytes, 7);
  image_file file(image);
  for (int order : {1, 2}) {
    npc_data npcs{};
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(read_npc_data(file.path.c_str(), npcs, 8, order), 0); }), "");
    for (int L = 0; L < 8; ++L) {
      const auto [e_at, s_at] = sectors_of(L, order);
      const std::uint8_t* e = image.data() + e_at;
      const std::uint8_t* s = image.data() + s_at;
      const location_view v = location_block(npcs, L);
      for (int k = 0; k < 32; ++k) {
        SCOPED_TRACE(testing::Message() << "order " << order << " L " << L << " k " << k);
        ASSERT_EQ(v.shape(k), e[k]);
        ASSERT_EQ(v.default_shape(k), e[32 + k]);
        ASSERT_EQ(v.default_x(k), e[64 + k]);
        ASSERT_EQ(v.default_y(k), e[96 + k]);
        ASSERT_EQ(v.default_floor(k), e[128 + k]);
        ASSERT_EQ(v.default_hour(k), e[160 + k]);
        ASSERT_EQ(v.extra_b(k), e[192 + k]);
        ASSERT_EQ(v.extra_a(k), e[224 + k]);
        for (int j = 0; j < 3; ++j) {
          ASSERT_EQ(v.mode(k, j), s[64 + 32 * j + k] >> 5);
          ASSERT_EQ(v.x(k, j), s[64 + 32 * j + k] & 31);
          ASSERT_EQ(v.y(k, j), s[160 + 32 * j + k] & 31);
          const int floor = s[160 + 32 * j + k] >> 5;
          ASSERT_EQ(v.floor(k, j), floor == 7 ? 255 : floor);
        }
        ASSERT_EQ(v.hours(k, 0), schedule_hours[s[k] >> 4]);
        ASSERT_EQ(v.hours(k, 1), schedule_hours[s[k] & 15]);
        ASSERT_EQ(v.hours(k, 2), schedule_hours[s[32 + k] >> 4]);
        ASSERT_EQ(v.hours(k, 3), schedule_hours[s[32 + k] & 15]);
      }
    }
  }
}

TEST(ReadNpcData, BasementFloorAndHourCodes) {
  bytes image(disk_image_bytes, 0);
  const std::size_t s = sectors_of(2, 2).s;
  image[s + 160 + 5] = 0xE5;  // floor 7, y 5 for NPC 5, slot 0
  image[s + 9] = 0x2F;        // hour codes 2 and 15 for NPC 9
  image_file file(image);
  npc_data npcs{};
  ASSERT_EQ(read_npc_data(file.path.c_str(), npcs, 8, 2), 0);
  const location_view v = location_block(npcs, 2);
  EXPECT_EQ(v.y(5, 0), 5);
  EXPECT_EQ(v.floor(5, 0), 255);
  EXPECT_EQ(v.hours(9, 0), 3);
  EXPECT_EQ(v.hours(9, 1), 23);
}

TEST(RawReads, TruncatedImagesFailWithTheReadMessage) {
  // Lengths around every sector boundary of the two areas; among them the
  // 31-track image of 126976 bytes, which holds the NPCs but not the maps.
  for (std::size_t sector = 0x1E0; sector <= 0x230; ++sector)
    for (std::size_t length : {256 * sector - 1, 256 * sector, 256 * sector + 1}) {
      image_file file(noise(length));
      for (int order : {1, 2}) {
        map_data maps{};
        npc_data npcs{};
        int map_result = 0, npc_result = 0;
        const std::string out = stdout_of([&] {
          map_result = read_map_data(file.path.c_str(), maps, 16384, order);
          npc_result = read_npc_data(file.path.c_str(), npcs, 8, order);
        });
        const bool maps_whole = length >= disk_image_bytes;
        const bool npcs_whole = length >= npc_area + 4096;
        EXPECT_EQ(map_result, maps_whole ? 0 : -1) << length;
        EXPECT_EQ(npc_result, npcs_whole ? 0 : -1) << length;
        const std::string line = "error: read '" + file.path + "'\n";
        EXPECT_EQ(out, std::string(maps_whole ? "" : line) + (npcs_whole ? "" : line)) << length;
      }
    }
}

TEST(RawReads, CategoryDiskRoundTripsInBothOrders) {
  std::mt19937 generator(11);
  map_data maps;
  for (auto& cell : maps) cell = static_cast<std::uint8_t>(generator());
  npc_data npcs;
  for (auto& b : npcs) b = static_cast<std::uint8_t>(generator());
  // Keep every field within what the disk can hold.
  for (int L = 0; L < 8; ++L) {
    const location_view v = location_block(npcs, L);
    for (int k = 0; k < 32; ++k) {
      for (int j = 0; j < 3; ++j) {
        v.mode(k, j) &= 7;
        v.x(k, j) &= 31;
        v.y(k, j) &= 31;
        v.floor(k, j) = (v.floor(k, j) & 7) == 7 ? 255 : v.floor(k, j) & 7;
      }
      for (int i = 0; i < 4; ++i) v.hours(k, i) = schedule_hours[generator() % 16];
    }
  }
  for (int order : {1, 2}) {
    image_file file(make_category_disk(maps, npcs, order));
    map_data maps_read{};
    npc_data npcs_read{};
    ASSERT_EQ(read_map_data(file.path.c_str(), maps_read, 16384, order), 0);
    ASSERT_EQ(read_npc_data(file.path.c_str(), npcs_read, 8, order), 0);
    EXPECT_EQ(maps_read, maps);
    EXPECT_EQ(npcs_read, npcs);
  }
}

}  // namespace
