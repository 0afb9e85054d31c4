// Raw reads of a category disk: the NPC tables on track 30 and the maps on
// tracks 31 to 34, taken sector by sector straight out of the image file.
#include "map/category_read.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "common/file_handle.h"
#include "disk/sector_order.h"
#include "map/map_data.h"

namespace {

constexpr long npc_area_offset = 0x1E000;  // track 30
constexpr long map_area_offset = 0x1F000;  // track 31

// Offset of each quarter of a 32 x 32 map within its 1024 bytes, by
// logical position mod 4: top left, top right, bottom left, bottom right.
constexpr std::size_t quarter_offset[4] = {0, 16, 512, 528};

// Reads the next sector (or the first `size` bytes of it) of an area: in
// order 1 where the file position stands, in any other order at the file
// sector that holds logical position `s` of the track at `base`.  Prints
// the failure line and returns -1, or 0.
int read_sector(std::FILE* file, const char* path, std::int64_t base, int s,
                std::int32_t sector_order, std::uint8_t* sector, std::size_t size) {
  if (sector_order != sector_order_dos) {
    const std::int64_t offset =
        base + std::int64_t{sector_bytes} * sector_translation[static_cast<std::size_t>(s)];
    if (offset > LONG_MAX || std::fseek(file, static_cast<long>(offset), SEEK_SET) < 0) {
      std::printf("error: seek '%s'\n", path);
      return -1;
    }
  }
  if (std::fread(sector, 1, size, file) != size) {
    std::printf("error: read '%s'\n", path);
    return -1;
  }
  return 0;
}

// Opens the image and, in order 1, moves to the start of the area.  Null
// after the failure line.
unique_file open_area(const char* path, long base, std::int32_t sector_order) {
  unique_file file = open_file(path, "rb");
  if (!file) {
    std::printf("error: open '%s'\n", path);
    return nullptr;
  }
  if (sector_order == sector_order_dos && std::fseek(file.get(), base, SEEK_SET) < 0) {
    std::printf("error: seek '%s'\n", path);
    return nullptr;
  }
  return file;
}

// Places the first `size` bytes of a map sector (16 rows of 16 cells) at
// `destination`, a row of the map being 32 cells.
void place_quarter(const std::uint8_t* sector, std::size_t size, std::uint8_t* destination) {
  for (std::size_t i = 0; i < size; ++i) destination[32 * (i / 16) + i % 16] = sector[i];
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

int read_map_data(const char* disk_path, std::span<std::uint8_t> buffer, std::int32_t byte_count,
                  std::int32_t sector_order) {
  // The buffer must hold the count taken up to a whole map.
  const std::size_t wanted = byte_count > 0 ? static_cast<std::size_t>(byte_count) : 0;
  if ((wanted + map_bytes - 1) / map_bytes * map_bytes > buffer.size()) {
    std::printf("error: buffer too small for '%s'\n", disk_path);
    return -1;
  }
  unique_file file = open_area(disk_path, map_area_offset, sector_order);
  if (!file) return -1;

  std::int64_t base = map_area_offset;
  std::size_t track_base = 0;
  int s = 0;
  std::size_t remaining = wanted;
  std::uint8_t sector[sector_bytes];
  while (remaining > 0) {
    const std::size_t chunk = remaining < sector_bytes ? remaining : sector_bytes;
    remaining -= chunk;
    if (read_sector(file.get(), disk_path, base, s, sector_order, sector, chunk) < 0) return -1;
    const std::size_t at = track_base + map_bytes * static_cast<std::size_t>(s / 4) + quarter_offset[s % 4];
    place_quarter(sector, chunk, buffer.data() + at);
    if (++s == sectors_per_track) {
      s = 0;
      base += track_bytes;
      track_base += track_bytes;
    }
  }
  return 0;
}

int read_npc_data(const char* disk_path, std::span<std::uint8_t> buffer,
                  std::int32_t location_count, std::int32_t sector_order) {
  const std::size_t locations = location_count > 0 ? static_cast<std::size_t>(location_count) : 0;
  if (locations > buffer.size() / location_block_bytes) {
    std::printf("error: buffer too small for '%s'\n", disk_path);
    return -1;
  }
  unique_file file = open_area(disk_path, npc_area_offset, sector_order);
  if (!file) return -1;

  std::int64_t base = npc_area_offset;
  int s = 0;
  std::uint8_t sector[sector_bytes];
  for (std::size_t L = 0; L < locations;) {
    if (read_sector(file.get(), disk_path, base, s, sector_order, sector, sector_bytes) < 0) return -1;
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
