// The raw reads of a category disk from an image file: the file is opened
// as a disk image (a raw one read from its start as far as the map area
// reaches) and handed to the reads of category_read.cpp.
#include "map/category_read.h"

namespace {

// The end of the last track that `sectors` sectors from the start of an
// area at `area` reach; 0 for no sector.
std::int64_t area_end(std::int64_t area, std::int64_t sectors) {
  if (sectors <= 0) return 0;
  return area + (sectors + sectors_per_track - 1) / sectors_per_track * track_bytes;
}

}  // namespace

int open_category_disk(disk_image& disk, const char* path, std::int32_t sector_order, std::int64_t end, bool seek,
                       const message_sink& sink) {
  disk_file_reading reading;
  reading.seek_first = seek;
  reading.raw_limit = end;
  switch (disk_image_open_file(disk, path, sector_order, sink, reading)) {
    case 0: return 0;
    case disk_open_failed: say(sink, "error: open '%s'\n", path); return -1;
    case disk_seek_failed: say(sink, "error: seek '%s'\n", path); return -1;
    default:
      // Nothing could be read: the reads then fail at their first sector.
      disk_image_open(disk, {}, path, sector_order, sink);
      return 0;
  }
}

int read_map_data(const char* disk_path, std::span<std::uint8_t> buffer, std::int32_t byte_count,
                  std::int32_t sector_order, const message_sink& sink) {
  // A buffer too small fails, with the message of the read, before the
  // file is opened.
  disk_image disk;
  if (!holds_map_bytes(buffer.size(), byte_count)) {
    disk_image_open(disk, {}, disk_path, sector_order, sink);
    return read_map_data(disk, buffer, byte_count, sink);
  }
  const std::int64_t sectors = byte_count > 0 ? (std::int64_t{byte_count} + sector_bytes - 1) / sector_bytes : 0;
  if (open_category_disk(disk, disk_path, sector_order, area_end(map_area_offset, sectors),
                         sector_order == sector_order_dos || sectors > 0, sink) < 0)
    return -1;
  return read_map_data(disk, buffer, byte_count, sink);
}

int read_npc_data(const char* disk_path, std::span<std::uint8_t> buffer,
                  std::int32_t location_count, std::int32_t sector_order, const message_sink& sink) {
  disk_image disk;
  if (!holds_locations(buffer.size(), location_count)) {
    disk_image_open(disk, {}, disk_path, sector_order, sink);
    return read_npc_data(disk, buffer, location_count, sink);
  }
  const std::int64_t sectors = location_count > 0 ? 2 * std::int64_t{location_count} : 0;
  if (open_category_disk(disk, disk_path, sector_order, area_end(npc_area_offset, sectors),
                         sector_order == sector_order_dos || sectors > 0, sink) < 0)
    return -1;
  return read_npc_data(disk, buffer, location_count, sink);
}
