#include "map/category_write.h"

#include <cstdlib>
#include <cstring>

#include "disk/sector_order.h"

namespace {

// File offset of logical position `k` of `track` in `sector_order`.
std::size_t sector_offset(int track, int k, std::int32_t sector_order) {
  const auto& table = translation_for(sector_order);
  return static_cast<std::size_t>(track) * track_bytes +
         sector_bytes * static_cast<std::size_t>(table[static_cast<std::size_t>(k)]);
}

void put_maps(bytes& image, const map_data& maps, std::int32_t sector_order) {
  for (int m = 0; m < maps_per_category; ++m)
    for (int q = 0; q < map_sectors; ++q) {
      const int track = category_first_map_track + m / (sectors_per_track / map_sectors);
      const int position = map_sectors * (m % (sectors_per_track / map_sectors)) + q;
      std::uint8_t* sector = image.data() + sector_offset(track, position, sector_order);
      const std::uint8_t* cells = map_cells(maps, m).data() + quarter_offset[q];
      for (int row = 0; row < quarter_side; ++row)
        std::memcpy(sector + quarter_side * row, cells + map_side * row, quarter_side);
    }
}

std::uint8_t hour_pair(std::uint8_t first, std::uint8_t second) {
  return static_cast<std::uint8_t>((schedule_hour_code(first) << 4) | schedule_hour_code(second));
}

void put_location(std::uint8_t* e, std::uint8_t* s, const const_location_view& block) {
  namespace c = npc_column;
  namespace sc = npc_schedule_column;
  for (int k = 0; k < npcs_per_location; ++k) {
    e[c::shape + k] = block.shape(k);
    e[c::default_shape + k] = block.default_shape(k);
    e[c::default_x + k] = block.default_x(k);
    e[c::default_y + k] = block.default_y(k);
    e[c::default_floor + k] = block.default_floor(k);
    e[c::default_hour + k] = block.default_hour(k);
    e[c::extra_b + k] = block.extra_b(k);
    e[c::extra_a + k] = block.extra_a(k);

    s[sc::first_hours + k] = hour_pair(block.hours(k, 0), block.hours(k, 1));
    s[sc::second_hours + k] = hour_pair(block.hours(k, 2), block.hours(k, 3));
    for (int j = 0; j < schedule_slots; ++j) {
      const int floor = block.floor(k, j) == basement_floor ? stored_basement_floor : (block.floor(k, j) & 7);
      s[sc::mode_x + sc::slot_stride * j + k] = static_cast<std::uint8_t>(((block.mode(k, j) & 7) << 5) | (block.x(k, j) & 31));
      s[sc::floor_y + sc::slot_stride * j + k] = static_cast<std::uint8_t>((floor << 5) | (block.y(k, j) & 31));
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

int put_category_data(bytes& image, const map_data& maps, const npc_data& npcs,
                      std::int32_t sector_order) {
  if (image.size() < category_disk_bytes) return -1;
  put_maps(image, maps, sector_order);
  for (int L = 0; L < locations_per_category; ++L)
    put_location(image.data() + sector_offset(category_npc_track, 2 * L, sector_order),
                 image.data() + sector_offset(category_npc_track, 2 * L + 1, sector_order),
                 const_location_view{location_cells(npcs, L)});
  return 0;
}

bytes make_category_disk(const map_data& maps, const npc_data& npcs, std::int32_t sector_order) {
  bytes image(category_disk_bytes, 0);
  put_category_data(image, maps, npcs, sector_order);
  return image;
}
