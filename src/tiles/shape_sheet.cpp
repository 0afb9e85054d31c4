// Loading the shape sheet from the file "SHAPES" of the program disk.
#include "tiles/shape_sheet.h"

#include <algorithm>
#include <cstdio>
#include <span>

#include "disk/prodos.h"
#include "tiles/hires_decode.h"

namespace {

constexpr const char* shapes_name = "SHAPES";

// Reads the program disk's file, opens it as a disk image in the order
// the request settles, and opens the volume on it.  0, or -1 after the
// reader's messages.
int open_program_disk(prodos_volume& volume, const char* disk_path, const order_request& order,
                      const message_sink& sink, disk_reading* reading) {
  byte_buffer file;
  std::size_t size = 0;
  if (prodos_read_image_file(disk_path, file, size, sink) < 0) return -1;
  disk_image disk;
  if (disk_image_open(disk, std::move(file), size, disk_path, order.order, sink) < 0) {
    say(sink, "memory exhaust!\n");
    return -1;
  }
  const order_choice choice = settle_sector_order(disk, order, sink);
  if (reading != nullptr) *reading = describe_disk(disk, choice);
  return prodos_open_own(volume, std::move(disk), sink);
}
constexpr std::int32_t disk_bit_count = 4;
constexpr std::int32_t disk_bytes_per_pixel = 1;

// Sets up the sheet and reads and decodes the tile file through `volume`,
// which the caller releases whatever happens.  0, or -1 after a message.
int load_shapes(prodos_volume& volume, const char* disk_path, const order_request& order,
                shape_sheet& sheet, std::int32_t shape_type, std::int32_t no_remake_water,
                const message_sink& sink, disk_reading* reading) {
  sheet.tile_width = disk_tile_width;
  sheet.tile_height = disk_tile_height;
  sheet.bit_count = disk_bit_count;
  sheet.bytes_per_pixel = disk_bytes_per_pixel;

  sheet.pixels = allocate_zeroed<std::uint8_t>(disk_sheet_bytes);
  if (!sheet.pixels) {
    say(sink, "error: memory exhausted!\n");
    return -1;
  }
  sheet.data_size = disk_sheet_bytes;
  sheet.palette = allocate_zeroed<std::uint32_t>(apple_palette.size());
  if (!sheet.palette) {
    say(sink, "error: memory exhausted!\n");
    return -1;
  }
  std::copy(apple_palette.begin(), apple_palette.end(), sheet.palette.get());

  if (open_program_disk(volume, disk_path, order, sink, reading) < 0) {
    say(sink, "error: read disk image '%s'\n", disk_path);
    return -1;
  }
  const prodos_entry* entry = prodos_find(volume, shapes_name);
  if (entry == nullptr) {
    say(sink, "error: can't find file '%s/%s'\n", disk_path, shapes_name);
    return -1;
  }
  if (entry->eof != shapes_file_size) {
    say(sink, "error: shape data size %d\n", static_cast<int>(entry->eof));
    return -1;
  }
  std::array<std::uint8_t, shapes_file_size> file{};
  if (prodos_read_file(volume, shapes_name, file.data(), shapes_file_size) < 0) {
    say(sink, "error: can't get file '%s/%s'\n", disk_path, shapes_name);
    return -1;
  }
  decode_shape_data(std::span<std::uint8_t>(sheet.pixels.get(), disk_sheet_bytes), file, shape_type,
                    no_remake_water);
  return 0;
}

}  // namespace

int read_shape(const char* disk_path, const order_request& order, shape_sheet& sheet, std::int32_t shape_type,
               std::int32_t no_remake_water, const message_sink& sink, disk_reading* reading) {
  if (disk_path == nullptr) disk_path = "";
  prodos_volume volume;  // cleared: releasing it is harmless on every path
  const int result = load_shapes(volume, disk_path, order, sheet, shape_type, no_remake_water, sink, reading);
  prodos_close(volume);
  return result;
}

int read_shape(const char* disk_path, std::int32_t sector_order, shape_sheet& sheet, std::int32_t shape_type,
               std::int32_t no_remake_water, const message_sink& sink) {
  order_request order;
  order.given = true;
  order.order = sector_order;
  return read_shape(disk_path, order, sheet, shape_type, no_remake_water, sink);
}
