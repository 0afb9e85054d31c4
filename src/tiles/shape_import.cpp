#include "tiles/shape_import.h"

#include <cstdio>

#include "bitmap/bmp_read.h"
#include "bitmap/image.h"
#include "common/file_handle.h"

int read_shape_bitmap(const char* path, shape_sheet& sheet, std::int32_t tiles_across,
                      std::int32_t tiles_down, const message_sink& sink) {
  unique_file stream = open_file(path, "rb");
  if (stream == nullptr) {
    say(sink, "error: open '%s'\n", path);
    return -1;
  }
  return read_shape_bitmap(stream.get(), path, sheet, tiles_across, tiles_down, sink);
}

int read_shape_bitmap(std::FILE* stream, const char* name, shape_sheet& sheet,
                      std::int32_t tiles_across, std::int32_t tiles_down, const message_sink& sink) {
  // The buffers go straight into the sheet, whose owner frees them on
  // every path, also when the reading fails half way.
  bitmap_header header;
  const int result = read_bitmap(stream, header, sheet.palette, sheet.pixels, sink);
  if (sheet.pixels != nullptr) {
    // The reader allocates width x height pixels, bounded to 32 bits.
    sheet.data_size = header.width * header.height *
                      static_cast<std::uint32_t>(bytes_per_pixel_of(header.bit_count));
  }
  if (result < 0) {
    say(sink, "error: read '%s'\n", name);
    return -1;
  }

  // The reader refuses widths and heights beyond the signed 32-bit range,
  // so every quotient fits the sheet's fields.  A tile count that is not
  // positive leaves a tile size of 0, refused below as too small.
  const auto per_tile = [](std::uint32_t size, std::int32_t tiles) {
    return tiles > 0 ? static_cast<std::int32_t>(size / static_cast<std::uint32_t>(tiles)) : 0;
  };
  sheet.tile_width = per_tile(header.width, tiles_across);
  sheet.tile_height = per_tile(header.height, tiles_down);
  sheet.tiles_across = tiles_across;
  sheet.tiles_down = tiles_down;
  sheet.bit_count = header.bit_count;
  sheet.bytes_per_pixel = (sheet.bit_count + 7) / 8;

  if (sheet.tile_width <= 0 || sheet.tile_height <= 0) {
    say(sink, "error: shape bitmap is too small\n");
    return -1;
  }
  // Extra rows at the bottom are loaded and never drawn; the width must
  // divide exactly, since a sheet row is exactly tiles_across tiles wide.
  const std::uint32_t sheet_width =
      static_cast<std::uint32_t>(sheet.tile_width) * static_cast<std::uint32_t>(tiles_across);
  if (header.width != sheet_width) {
    say(sink, "error: illegal shape bitmap size\n");
    return -1;
  }
  return 0;
}
