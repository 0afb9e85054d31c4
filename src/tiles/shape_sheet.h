// The shape sheet: all 512 tiles of the game as one picture of 16 tiles
// across and 32 tiles down (tile t at tile column t % 16, tile row t / 16),
// rows from the top, bytes_per_pixel bytes per pixel, no gap between rows.
// A sheet row is 16 * tile_width pixels; the sheet is 32 * tile_height rows.
#pragma once

#include <array>
#include <cstdint>

#include "common/buffer.h"
#include "common/message_sink.h"
#include "disk/disk_order.h"

inline constexpr int sheet_tiles_across = 16;
inline constexpr int sheet_tiles_down = 32;
inline constexpr int sheet_tile_count = sheet_tiles_across * sheet_tiles_down;  // 512

struct shape_sheet {
  std::int32_t tile_width = 0;       // pixels per tile row
  std::int32_t tile_height = 0;      // pixel rows per tile
  std::int32_t tiles_across = 0;     // set by the BMP loader only
  std::int32_t tiles_down = 0;       // set by the BMP loader only
  std::int32_t bit_count = 0;        // bits per pixel of the pictures drawn from it
  std::int32_t bytes_per_pixel = 0;  // bytes per pixel in `pixels`
  std::uint32_t data_size = 0;       // bytes held by `pixels`
  byte_buffer pixels;                // owned by the sheet's owner
  palette_buffer palette;            // owned; 2, 16 or 256 entries, or null
};

// The sixteen Apple II hi-res colours, 0x00RRGGBB, indexed by the 4-bit
// pattern of lit dot phases that the blur filter builds.
inline constexpr std::array<std::uint32_t, 16> apple_palette = {
    0x000000, 0x9D0734, 0x301DE2, 0xB23BE7, 0x006B3D, 0x727272, 0x2582ED, 0xA28FFF,
    0x425500, 0xBF6300, 0x727272, 0xFF7AA7, 0x32AA00, 0xB5C802, 0x48DEB0, 0xE5E5E5,
};

// Geometry of the sheet loaded from the program disk: 14 x 16 hi-res dots a
// tile, each dot doubled and each row on every second sheet row.
inline constexpr int disk_tile_width = 28;
inline constexpr int disk_tile_height = 32;
inline constexpr std::uint32_t disk_sheet_bytes = 0x70000;  // 448 x 1024 pixels
inline constexpr std::uint32_t shapes_file_size = 16384;

// Loads the sheet from the file "SHAPES" of the program disk image at
// `disk_path` (any container; a raw image in the order `order` settles,
// see disk_order.h) and decodes it into dot values (see hires_decode.h).
// The sheet must be cleared.  0, or -1 after a message to the sink's
// console (the disk reader's among them); whatever was allocated stays in
// the sheet for its owner to free.  The volume is closed on every path.
// When the image was opened, `reading` (if given) tells what it was.
int read_shape(const char* disk_path, const order_request& order, shape_sheet& sheet, std::int32_t shape_type,
               std::int32_t no_remake_water, const message_sink& sink, disk_reading* reading = nullptr);

// The same, a raw image read in `sector_order` (no order is looked for).
int read_shape(const char* disk_path, std::int32_t sector_order, shape_sheet& sheet, std::int32_t shape_type,
               std::int32_t no_remake_water, const message_sink& sink);
