// The raw reads of a category disk from an image file: the file is read
// from its start as far as the area reaches, and its bytes handed to the
// reads of category_read.cpp.
#include <cstdio>

#include "common/buffer.h"
#include "common/file_handle.h"
#include "disk/sector_order.h"
#include "map/category_read.h"

namespace {

// The end of the last track that `sectors` sectors from the start of an
// area at `area` reach; 0 for no sector.
std::int64_t area_end(std::int64_t area, std::int64_t sectors) {
  if (sectors == 0) return 0;
  return area + (sectors + sectors_per_track - 1) / sectors_per_track * track_bytes;
}

// The bytes of the file at `path` from its start up to `end`; fewer when
// the file is shorter or a read fails, so that the read of the area fails
// at the first sector missing.  The sectors of an area are sought in the
// file (order 1 once, at the start of the area; the other order before each
// sector), so a file that cannot seek, such as a pipe, fails here when a
// sector is to be read.  0, or -1 after "error: open" or "error: seek".
int read_image_start(const char* path, std::int64_t end, bool seeks, bytes& image,
                     const message_sink& sink) {
  unique_file file = open_file(path, "rb");
  if (!file) {
    say(sink, "error: open '%s'\n", path);
    return -1;
  }
  if (seeks && std::fseek(file.get(), 0, SEEK_SET) != 0) {
    say(sink, "error: seek '%s'\n", path);
    return -1;
  }
  image.resize(static_cast<std::size_t>(end));
  image.resize(std::fread(image.data(), 1, image.size(), file.get()));
  return 0;
}

}  // namespace

int read_map_data(const char* disk_path, std::span<std::uint8_t> buffer, std::int32_t byte_count,
                  std::int32_t sector_order, const message_sink& sink) {
  // A buffer too small fails, with the message of the read, before the
  // file is opened.
  if (!holds_map_bytes(buffer.size(), byte_count))
    return read_map_data({}, disk_path, buffer, byte_count, sector_order, sink);
  const std::int64_t sectors =
      byte_count > 0 ? (std::int64_t{byte_count} + sector_bytes - 1) / sector_bytes : 0;
  bytes image;
  if (read_image_start(disk_path, area_end(map_area_offset, sectors),
                       sector_order == sector_order_dos || sectors > 0, image, sink) < 0)
    return -1;
  return read_map_data(image, disk_path, buffer, byte_count, sector_order, sink);
}

int read_npc_data(const char* disk_path, std::span<std::uint8_t> buffer,
                  std::int32_t location_count, std::int32_t sector_order, const message_sink& sink) {
  if (!holds_locations(buffer.size(), location_count))
    return read_npc_data({}, disk_path, buffer, location_count, sector_order, sink);
  const std::int64_t sectors = location_count > 0 ? 2 * std::int64_t{location_count} : 0;
  bytes image;
  if (read_image_start(disk_path, area_end(npc_area_offset, sectors),
                       sector_order == sector_order_dos || sectors > 0, image, sink) < 0)
    return -1;
  return read_npc_data(image, disk_path, buffer, location_count, sector_order, sink);
}
