// Raw reads of a category disk: the NPC tables on track 30 and the maps on
// tracks 31 to 34, taken sector by sector out of the image's bytes.
#include "map/category_read.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "disk/sector_order.h"
#include "map/map_data.h"

namespace {

// Offset of each quarter of a 32 x 32 map within its 1024 bytes, by
// logical position mod 4: top left, top right, bottom left, bottom right.
constexpr std::size_t quarter_offset[4] = {0, 16, 512, 528};

// The first `size` bytes of the sector at logical position `s` of the track
// at `base`: in order 1 where the image stores it, in any other order
// through the translation table.  Null after the failure line when they do
// not lie within the image.
const std::uint8_t* sector_at(std::span<const std::uint8_t> image, const char* name,
                              std::int64_t base, int s, std::int32_t sector_order, std::size_t size) {
  const std::int64_t offset =
      base + std::int64_t{sector_bytes} * translation_for(sector_order)[static_cast<std::size_t>(s)];
  if (offset + static_cast<std::int64_t>(size) > std::ssize(image)) {
    std::printf("error: read '%s'\n", name);
    return nullptr;
  }
  return image.data() + offset;
}

// Places the first `size` bytes of a map sector (16 rows of 16 cells) at
// `destination`, row after row, a row of the map being 32 cells.
void place_quarter(const std::uint8_t* sector, std::size_t size, std::uint8_t* destination) {
  for (std::size_t at = 0; at < size; at += 16)
    std::memcpy(destination + 2 * at, sector + at, std::min<std::size_t>(16, size - at));
}

// Fills bytes 512..767 of a location block from its E sector.
void place_columns(const std::uint8_t* e, std::uint8_t* block) {
  for (int k = 0; k < npcs_per_location; ++k) {
    block[512 + k] = e[k];
    block[544 + k] = e[224 + k];
    std::uint8_t* defaults = block + 576 + 5 * k;
    defaults[0] = e[32 + k];
    defaults[1] = e[64 + k];
    defaults[2] = e[96 + k];
    defaults[3] = e[128 + k];
    defaults[4] = e[160 + k];
    block[736 + k] = e[192 + k];
  }
}

// Fills bytes 0..511 of a location block by unpacking its S sector.
void place_schedules(const std::uint8_t* s, std::uint8_t* block) {
  for (int k = 0; k < npcs_per_location; ++k) {
    std::uint8_t* schedule = block + 16 * k;
    for (int j = 0; j < schedule_slots; ++j) {
      const std::uint8_t mode_x = s[64 + 32 * j + k];
      const std::uint8_t floor_y = s[160 + 32 * j + k];
      schedule[j] = static_cast<std::uint8_t>(mode_x >> 5);
      schedule[3 + j] = static_cast<std::uint8_t>(mode_x & 31);
      schedule[6 + j] = static_cast<std::uint8_t>(floor_y & 31);
      const std::uint8_t floor = static_cast<std::uint8_t>(floor_y >> 5);
      schedule[9 + j] = floor == 7 ? basement_floor : floor;
    }
    schedule[12] = schedule_hours[s[k] >> 4];
    schedule[13] = schedule_hours[s[k] & 15];
    schedule[14] = schedule_hours[s[32 + k] >> 4];
    schedule[15] = schedule_hours[s[32 + k] & 15];
  }
}

}  // namespace

bool holds_map_bytes(std::size_t buffer_size, std::int32_t byte_count) {
  const std::size_t wanted = byte_count > 0 ? static_cast<std::size_t>(byte_count) : 0;
  return (wanted + map_bytes - 1) / map_bytes * map_bytes <= buffer_size;
}

bool holds_locations(std::size_t buffer_size, std::int32_t location_count) {
  return location_count <= 0 ||
         static_cast<std::size_t>(location_count) <= buffer_size / location_block_bytes;
}

int read_map_data(std::span<const std::uint8_t> image, const char* name,
                  std::span<std::uint8_t> buffer, std::int32_t byte_count,
                  std::int32_t sector_order) {
  if (!holds_map_bytes(buffer.size(), byte_count)) {
    std::printf("error: buffer too small for '%s'\n", name);
    return -1;
  }
  const std::size_t wanted = byte_count > 0 ? static_cast<std::size_t>(byte_count) : 0;
  std::int64_t base = map_area_offset;
  std::size_t track_base = 0;
  int s = 0;
  for (std::size_t remaining = wanted; remaining > 0;) {
    const std::size_t chunk = remaining < sector_bytes ? remaining : sector_bytes;
    remaining -= chunk;
    const std::uint8_t* sector = sector_at(image, name, base, s, sector_order, chunk);
    if (sector == nullptr) return -1;
    const std::size_t at =
        track_base + map_bytes * static_cast<std::size_t>(s / 4) + quarter_offset[s % 4];
    place_quarter(sector, chunk, buffer.data() + at);
    if (++s == sectors_per_track) {
      s = 0;
      base += track_bytes;
      track_base += track_bytes;
    }
  }
  return 0;
}

int read_npc_data(std::span<const std::uint8_t> image, const char* name,
                  std::span<std::uint8_t> buffer, std::int32_t location_count,
                  std::int32_t sector_order) {
  if (!holds_locations(buffer.size(), location_count)) {
    std::printf("error: buffer too small for '%s'\n", name);
    return -1;
  }
  const std::size_t locations = location_count > 0 ? static_cast<std::size_t>(location_count) : 0;
  std::int64_t base = npc_area_offset;
  int s = 0;
  for (std::size_t L = 0; L < locations;) {
    const std::uint8_t* sector = sector_at(image, name, base, s, sector_order, sector_bytes);
    if (sector == nullptr) return -1;
    std::uint8_t* block = buffer.data() + location_block_bytes * L;
    if (s % 2 == 0) {
      place_columns(sector, block);
    } else {
      place_schedules(sector, block);
      ++L;
    }
    if (++s == sectors_per_track) {
      s = 0;
      base += track_bytes;
    }
  }
  return 0;
}
