#include "map/category_write.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "map/category_read.h"
#include "disk/sector_order.h"

namespace {

constexpr std::size_t npc_track = 30;
constexpr std::size_t first_map_track = 31;

// File offset of logical position `k` of `track` in `sector_order`.
std::size_t sector_offset(std::size_t track, int k, std::int32_t sector_order) {
  const auto& table = translation_for(sector_order);
  return track * track_bytes + sector_bytes * static_cast<std::size_t>(table[static_cast<std::size_t>(k)]);
}

void put_maps(bytes& image, const map_data& maps, std::int32_t sector_order) {
  constexpr std::size_t quarter_offset[4] = {0, 16, 512, 528};
  for (int m = 0; m < maps_per_category; ++m)
    for (int q = 0; q < 4; ++q) {
      std::uint8_t* sector =
          image.data() + sector_offset(first_map_track + static_cast<std::size_t>(m / 4), 4 * (m % 4) + q, sector_order);
      const std::uint8_t* cells = maps.data() + map_bytes * static_cast<std::size_t>(m) + quarter_offset[q];
      for (int row = 0; row < 16; ++row) std::memcpy(sector + 16 * row, cells + 32 * row, 16);
    }
}

void put_location(std::uint8_t* e, std::uint8_t* s, const std::uint8_t* block) {
  for (int k = 0; k < npcs_per_location; ++k) {
    const std::uint8_t* def = block + 576 + 5 * k;
    e[k] = block[512 + k];
    e[32 + k] = def[0];
    e[64 + k] = def[1];
    e[96 + k] = def[2];
    e[128 + k] = def[3];
    e[160 + k] = def[4];
    e[192 + k] = block[736 + k];
    e[224 + k] = block[544 + k];

    const std::uint8_t* sched = block + 16 * k;
    s[k] = static_cast<std::uint8_t>((schedule_hour_code(sched[12]) << 4) | schedule_hour_code(sched[13]));
    s[32 + k] = static_cast<std::uint8_t>((schedule_hour_code(sched[14]) << 4) | schedule_hour_code(sched[15]));
    for (int j = 0; j < schedule_slots; ++j) {
      const int floor = sched[9 + j] == basement_floor ? 7 : (sched[9 + j] & 7);
      s[64 + 32 * j + k] = static_cast<std::uint8_t>(((sched[j] & 7) << 5) | (sched[3 + j] & 31));
      s[160 + 32 * j + k] = static_cast<std::uint8_t>((floor << 5) | (sched[6 + j] & 31));
    }
  }
}

}  // namespace

std::uint8_t schedule_hour_code(int hour) {
  int best = 0;
  for (int code = 1; code < 16; ++code)
    if (std::abs(schedule_hours[code] - hour) < std::abs(schedule_hours[best] - hour)) best = code;
  return static_cast<std::uint8_t>(best);
}

void put_category_data(bytes& image, const map_data& maps, const npc_data& npcs,
                       std::int32_t sector_order) {
  if (image.size() < category_disk_bytes) throw std::runtime_error("category disk image too short");
  put_maps(image, maps, sector_order);
  for (int L = 0; L < locations_per_category; ++L)
    put_location(image.data() + sector_offset(npc_track, 2 * L, sector_order),
                 image.data() + sector_offset(npc_track, 2 * L + 1, sector_order),
                 npcs.data() + location_block_bytes * static_cast<std::size_t>(L));
}

bytes make_category_disk(const map_data& maps, const npc_data& npcs, std::int32_t sector_order) {
  bytes image(category_disk_bytes, 0);
  put_category_data(image, maps, npcs, sector_order);
  return image;
}
