// The raw reads of the map and NPC areas of a category disk.
#include "map/category_read.h"

#include <unistd.h>

#include <tuple>

#include "disk/sector_order.h"
#include "disk/disk_test_util.h"
#include "map/map_data.h"
#include "map/category_write.h"

namespace {

constexpr std::size_t npc_area = 0x1E000;
constexpr std::size_t map_area = 0x1F000;

// Track 30 (8 locations of 2 sectors) and tracks 31..34 (16 maps of 4
// sectors) read from noise and put back on a blank disk by the independent
// category disk writer give the same bytes.
TEST(RawReads, AreTheInverseOfACategoryDiskInBothOrders) {
  bytes image = noise(disk_image_bytes, 7);
  const std::size_t s = npc_area + 256 * sector_translation[5];  // location 2's schedules in order 2
  image[s + 160 + 5] = 0xE5;                                     // floor 7, y 5 for NPC 5, slot 0
  image[s + 9] = 0x2F;                                           // hour codes 2 and 15 for NPC 9
  image_file file(image);
  for (int order : {1, 2}) {
    map_data maps{};
    npc_data npcs{};
    EXPECT_EQ(stdout_of([&] {
                EXPECT_EQ(read_map_data(file.path.c_str(), maps, 16384, order, standard_sink()), 0);
                EXPECT_EQ(read_npc_data(file.path.c_str(), npcs, 8, order, standard_sink()), 0);
              }),
              "");
    bytes rebuilt(disk_image_bytes, 0);
    put_category_data(rebuilt, maps, npcs, order);
    EXPECT_TRUE(std::equal(image.begin() + npc_area, image.end(), rebuilt.begin() + npc_area)) << order;
    // Map 5's cell (18, 17): track 32, bottom-right quarter at position 7.
    EXPECT_EQ(maps[1024 * 5 + 32 * 17 + 18], image[map_area + 4096 + 256 * (order == 1 ? 7 : 8) + 16 + 2]);
  }
  npc_data npcs{};
  ASSERT_EQ(read_npc_data(file.path.c_str(), npcs, 8, 2, standard_sink()), 0);
  const std::uint8_t* block = npcs.data() + 768 * 2;  // y[0], floor[0] of NPC 5; hours h0, h1 of NPC 9
  EXPECT_EQ(std::make_tuple(block[16 * 5 + 6], block[16 * 5 + 9], block[16 * 9 + 12], block[16 * 9 + 13]),
            std::make_tuple(5, 255, 3, 23));
}

TEST(RawReads, SmallBuffersAndZeroCountsReadNothing) {
  image_file file(noise(disk_image_bytes));
  bytes small(1023, 0xAA), npcs(768 * 8 - 1, 0xAA);
  const std::string missing = file.dir.file("missing.dsk");
  EXPECT_EQ(stdout_of([&] {
              EXPECT_EQ(read_map_data(file.path.c_str(), small, 256, 1, standard_sink()), -1);  // needs the whole first map
              EXPECT_EQ(read_npc_data(file.path.c_str(), npcs, 8, 2, standard_sink()), -1);
              EXPECT_EQ(read_map_data(file.path.c_str(), small, 0, 2, standard_sink()), 0);
              EXPECT_EQ(read_npc_data(file.path.c_str(), npcs, -3, 1, standard_sink()), 0);
              EXPECT_EQ(read_map_data(missing.c_str(), small, 0, 2, standard_sink()), -1);
            }),
            "error: buffer too small for '" + file.path + "'\nerror: buffer too small for '" + file.path +
                "'\nerror: open '" + missing + "'\n");
  EXPECT_EQ(std::make_tuple(small, npcs), std::make_tuple(bytes(1023, 0xAA), bytes(768 * 8 - 1, 0xAA)));
}

// Lengths around every sector boundary of the two areas; among them the
// 31-track image of 126976 bytes, which holds the NPCs but not the maps.
// Read from a file or from memory, an image gives the same bytes and the
// same messages, each under its own name.
TEST(RawReads, TruncatedImagesFailWithTheReadMessage) {
  const bytes whole = noise(0x231 * 256);
  for (std::size_t sector = 0x1E0; sector <= 0x230; ++sector)
    for (std::size_t length : {256 * sector - 1, 256 * sector, 256 * sector + 1}) {
      const std::span<const std::uint8_t> image(whole.data(), length);
      image_file file(bytes(image.begin(), image.end()));
      const bool maps_whole = length >= disk_image_bytes, npcs_whole = length >= npc_area + 4096;
      for (int order : {1, 2}) {
        map_data maps{}, maps_in_memory{};
        npc_data npcs{}, npcs_in_memory{};
        const std::string& path = file.path;
        EXPECT_EQ(stdout_of([&] {
                    EXPECT_EQ(read_map_data(path.c_str(), maps, 16384, order, standard_sink()), maps_whole ? 0 : -1);
                    EXPECT_EQ(read_npc_data(path.c_str(), npcs, 8, order, standard_sink()), npcs_whole ? 0 : -1);
                  }),
                  (maps_whole ? "" : "error: read '" + path + "'\n") + (npcs_whole ? "" : "error: read '" + path + "'\n"))
            << length;
        EXPECT_EQ(stdout_of([&] {
                    EXPECT_EQ(read_map_data(image, "M", maps_in_memory, 16384, order, standard_sink()), maps_whole ? 0 : -1);
                    EXPECT_EQ(read_npc_data(image, "M", npcs_in_memory, 8, order, standard_sink()), npcs_whole ? 0 : -1);
                  }),
                  std::string(maps_whole ? "" : "error: read 'M'\n") + (npcs_whole ? "" : "error: read 'M'\n"));
        EXPECT_TRUE(maps == maps_in_memory && npcs == npcs_in_memory) << length;
      }
    }
}

// A pipe cannot seek: a read that would seek fails there, one with nothing
// to read in the translated order does not.
TEST(RawReads, APipeFailsAtTheSeek) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const std::string path = "/proc/self/fd/" + std::to_string(fds[0]);
  map_data maps{};
  npc_data npcs{};
  EXPECT_EQ(stdout_of([&] {
              EXPECT_EQ(read_map_data(path.c_str(), maps, 16384, 2, standard_sink()), -1);
              EXPECT_EQ(read_npc_data(path.c_str(), npcs, 8, 1, standard_sink()), -1);
              EXPECT_EQ(read_npc_data(path.c_str(), npcs, 0, 1, standard_sink()), -1);
              EXPECT_EQ(read_npc_data(path.c_str(), npcs, 0, 2, standard_sink()), 0);
            }),
            "error: seek '" + path + "'\nerror: seek '" + path + "'\nerror: seek '" + path + "'\n");
  ::close(fds[0]);
  ::close(fds[1]);
}

}  // namespace
