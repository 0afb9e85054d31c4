// Raw reads of a category disk: the NPC tables on track 30 and the maps on
// tracks 31 to 34, taken sector by sector out of the image's bytes.
#include "map/category_read.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "disk/sector_order.h"
#include "map/category_format.h"
#include "map/map_data.h"

namespace {

// The first `size` bytes of the sector at logical position `s` of the track
// at `base`: in order 1 where the image stores it, in any other order
// through the translation table.  Null after the failure line when they do
// not lie within the image.
const std::uint8_t* sector_at(const disk_image& disk, std::int64_t base, int s, std::size_t size,
                              const message_sink& sink) {
  const std::int64_t offset =
      base + std::int64_t{sector_bytes} * translation_for(disk.sector_order)[static_cast<std::size_t>(s)];
  const std::uint8_t* bytes = disk_image_at(disk, offset, size, sink);
  if (bytes == nullptr) say(sink, "error: read '%s'\n", disk.path.c_str());
  return bytes;
}

// Places the first `size` bytes of a map sector (16 rows of 16 cells) at
// `destination`, row after row, a row of the map being 32 cells.
void place_quarter(const std::uint8_t* sector, std::size_t size, std::uint8_t* destination) {
  for (std::size_t at = 0; at < size; at += quarter_side)
    std::memcpy(destination + 2 * at, sector + at, std::min<std::size_t>(quarter_side, size - at));
}

// Fills the columns of a location block from its E sector.
void place_columns(const std::uint8_t* e, const location_view& block) {
  namespace c = npc_column;
  for (int k = 0; k < npcs_per_location; ++k) {
    block.shape(k) = e[c::shape + k];
    block.extra_a(k) = e[c::extra_a + k];
    block.default_shape(k) = e[c::default_shape + k];
    block.default_x(k) = e[c::default_x + k];
    block.default_y(k) = e[c::default_y + k];
    block.default_floor(k) = e[c::default_floor + k];
    block.default_hour(k) = e[c::default_hour + k];
    block.extra_b(k) = e[c::extra_b + k];
  }
}

// Fills the schedules of a location block by unpacking its S sector.
void place_schedules(const std::uint8_t* s, const location_view& block) {
  namespace c = npc_schedule_column;
  for (int k = 0; k < npcs_per_location; ++k) {
    for (int j = 0; j < schedule_slots; ++j) {
      const std::uint8_t mode_x = s[c::mode_x + c::slot_stride * j + k];
      const std::uint8_t floor_y = s[c::floor_y + c::slot_stride * j + k];
      block.mode(k, j) = static_cast<std::uint8_t>(mode_x >> 5);
      block.x(k, j) = static_cast<std::uint8_t>(mode_x & 31);
      block.y(k, j) = static_cast<std::uint8_t>(floor_y & 31);
      const std::uint8_t floor = static_cast<std::uint8_t>(floor_y >> 5);
      block.floor(k, j) = floor == stored_basement_floor ? basement_floor : floor;
    }
    block.hours(k, 0) = schedule_hours[s[c::first_hours + k] >> 4];
    block.hours(k, 1) = schedule_hours[s[c::first_hours + k] & 15];
    block.hours(k, 2) = schedule_hours[s[c::second_hours + k] >> 4];
    block.hours(k, 3) = schedule_hours[s[c::second_hours + k] & 15];
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

int read_map_data(const disk_image& disk, std::span<std::uint8_t> buffer, std::int32_t byte_count,
                  const message_sink& sink) {
  if (!holds_map_bytes(buffer.size(), byte_count)) {
    say(sink, "error: buffer too small for '%s'\n", disk.path.c_str());
    return -1;
  }
  const std::size_t wanted = byte_count > 0 ? static_cast<std::size_t>(byte_count) : 0;
  std::int64_t base = map_area_offset;
  std::size_t track_base = 0;
  int s = 0;
  for (std::size_t remaining = wanted; remaining > 0;) {
    const std::size_t chunk = remaining < sector_bytes ? remaining : sector_bytes;
    remaining -= chunk;
    const std::uint8_t* sector = sector_at(disk, base, s, chunk, sink);
    if (sector == nullptr) return -1;
    const std::size_t at =
        track_base + map_bytes * static_cast<std::size_t>(s / map_sectors) + quarter_offset[s % map_sectors];
    place_quarter(sector, chunk, buffer.data() + at);
    if (++s == sectors_per_track) {
      s = 0;
      base += track_bytes;
      track_base += track_bytes;
    }
  }
  return 0;
}

int read_npc_data(const disk_image& disk, std::span<std::uint8_t> buffer, std::int32_t location_count,
                  const message_sink& sink) {
  if (!holds_locations(buffer.size(), location_count)) {
    say(sink, "error: buffer too small for '%s'\n", disk.path.c_str());
    return -1;
  }
  const std::size_t locations = location_count > 0 ? static_cast<std::size_t>(location_count) : 0;
  std::int64_t base = npc_area_offset;
  int s = 0;
  for (std::size_t L = 0; L < locations;) {
    const std::uint8_t* sector = sector_at(disk, base, s, sector_bytes, sink);
    if (sector == nullptr) return -1;
    const location_view block{
        std::span<std::uint8_t, location_block_bytes>(buffer.data() + location_block_bytes * L, location_block_bytes)};
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

int read_map_data(std::span<const std::uint8_t> image, const char* name,
                  std::span<std::uint8_t> buffer, std::int32_t byte_count,
                  std::int32_t sector_order, const message_sink& sink) {
  disk_image disk;
  if (disk_image_open(disk, image, name, sector_order, sink) < 0) disk_image_open(disk, {}, name, sector_order, sink);
  return read_map_data(disk, buffer, byte_count, sink);
}

int read_npc_data(std::span<const std::uint8_t> image, const char* name,
                  std::span<std::uint8_t> buffer, std::int32_t location_count,
                  std::int32_t sector_order, const message_sink& sink) {
  disk_image disk;
  if (disk_image_open(disk, image, name, sector_order, sink) < 0) disk_image_open(disk, {}, name, sector_order, sink);
  return read_npc_data(disk, buffer, location_count, sink);
}
