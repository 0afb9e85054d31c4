// varied_disks: a disk set like the demo set, but whose characters wander:
// every character of every location gets random cells, floors and hours
// in each of its three slots and a random default place (seeded: the same
// set every time), and the empty slots of a location are filled with
// copies of its characters.  Nearly every hour of every map then shows
// another picture, so the atlas of this set has many more bands than the
// demo set's: a test of the atlas's files and bytes at their worst.
//
//   varied_disks FOLDER
#include <cstdio>
#include <random>
#include <vector>

#include "common/file_handle.h"
#include "demo/demo_disks.h"
#include "disk/sector_order.h"
#include "map/category_read.h"
#include "map/category_write.h"
#include "map/map_table.h"
#include "run/options.h"

namespace {

bool write_disk(const std::string& path, const bytes& image) {
  if (write_whole_file(path.c_str(), image) == 0) return true;
  std::fprintf(stderr, "varied_disks: cannot write '%s'\n", path.c_str());
  return false;
}

void vary(int c, npc_data& npcs, std::mt19937& random) {
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int location = 0; location < locations_per_category; ++location) {
    std::vector<std::uint8_t> floors;
    for (int j = 0; j < maps_per_category; ++j)
      if (map_table[static_cast<std::size_t>(c)][static_cast<std::size_t>(j)].location == location)
        floors.push_back(map_table[static_cast<std::size_t>(c)][static_cast<std::size_t>(j)].floor);
    const location_view block = location_block(npcs, location);
    std::vector<int> people;
    for (int k = 0; k < npcs_per_location; ++k)
      if (holds_npc(block.shape(k))) people.push_back(k);
    if (people.empty() || floors.empty()) continue;
    for (int k = 0; k < npcs_per_location; ++k) {
      const int model = people[static_cast<std::size_t>(pick(static_cast<int>(people.size())))];
      if (!holds_npc(block.shape(k))) {
        block.shape(k) = block.shape(model);
        block.default_shape(k) = block.default_shape(model);
        for (int s = 0; s < schedule_slots; ++s) block.mode(k, s) = block.mode(model, s);
      }
      for (int s = 0; s < schedule_slots; ++s) {
        block.x(k, s) = static_cast<std::uint8_t>(pick(map_side));
        block.y(k, s) = static_cast<std::uint8_t>(pick(map_side));
        block.floor(k, s) = floors[static_cast<std::size_t>(pick(static_cast<int>(floors.size())))];
      }
      for (int i = 0; i < 4; ++i) block.hours(k, i) = schedule_hours[pick(16)];
      block.default_x(k) = static_cast<std::uint8_t>(pick(map_side));
      block.default_y(k) = static_cast<std::uint8_t>(pick(map_side));
      block.default_floor(k) = floors[static_cast<std::size_t>(pick(static_cast<int>(floors.size())))];
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: varied_disks FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  if (!write_disk(folder + "/" + default_disk_images[0], demo::program_disk(sector_order_prodos))) return 1;
  std::mt19937 random(19);
  for (int c = 0; c < category_count; ++c) {
    map_data maps{};
    npc_data npcs{};
    demo::category_contents(c, maps, npcs);
    vary(c, npcs, random);
    if (!write_disk(folder + "/" + default_disk_images[static_cast<std::size_t>(c) + 1],
                    make_category_disk(maps, npcs, sector_order_prodos)))
      return 1;
  }
  return 0;
}
