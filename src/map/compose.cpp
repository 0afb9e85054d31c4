#include "map/compose.h"

#include <cstddef>
#include <cstring>

#include "map/npc_pose.h"
#include "map/npc_placement.h"

namespace {

// Byte geometry of a sheet and of the picture drawn from it.
struct tile_geometry {
  std::size_t width = 0;        // pixels per tile row
  std::size_t height = 0;       // pixel rows per tile
  std::size_t pixel_bytes = 0;  // bytes per pixel
};

// The sheet's geometry, or a zero one when nothing can be drawn: no sheet
// pixels, a tile size that is not positive, or a picture buffer smaller
// than 32 x 32 tiles.
tile_geometry drawable_geometry(const bitmap& picture, const shape_sheet& sheet) {
  if (sheet.pixels == nullptr || picture.pixels == nullptr || sheet.tile_width <= 0 ||
      sheet.tile_height <= 0 || sheet.bytes_per_pixel <= 0)
    return {};
  const tile_geometry g{static_cast<std::size_t>(sheet.tile_width),
                        static_cast<std::size_t>(sheet.tile_height),
                        static_cast<std::size_t>(sheet.bytes_per_pixel)};
  // Each factor is below 2^31 and the running product is checked against
  // the 32-bit buffer size before the next one, so nothing overflows.
  unsigned long long needed = 1ULL * map_side * map_side;
  for (const std::size_t factor : {g.width, g.height, g.pixel_bytes}) {
    needed *= factor;
    if (needed > picture.data_size) return {};
  }
  return g;
}

// Copies tile `tile` (0..511) of the sheet over cell (x, y) of the picture,
// one tile row at a time.  The sheet is 16 tiles across, the picture 32.
void copy_tile(std::uint8_t* picture, const std::uint8_t* sheet, const tile_geometry& g, int tile,
               int x, int y) {
  const std::size_t row_bytes = g.width * g.pixel_bytes;
  const std::size_t sheet_row = row_bytes * sheet_tiles_across;
  const std::size_t picture_row = row_bytes * map_side;
  const std::uint8_t* from = sheet + static_cast<std::size_t>(tile / sheet_tiles_across) * g.height * sheet_row +
                             static_cast<std::size_t>(tile % sheet_tiles_across) * row_bytes;
  std::uint8_t* to = picture + static_cast<std::size_t>(y) * g.height * picture_row +
                     static_cast<std::size_t>(x) * row_bytes;
  for (std::size_t r = 0; r < g.height; ++r) {
    std::memcpy(to, from, row_bytes);
    from += sheet_row;
    to += picture_row;
  }
}

constexpr bool is_night(std::int32_t hour) { return hour <= 4 || hour >= 20; }

// The tile drawn for map cell (x, y) at night: lamps and windows go dark
// (0x48, 0x49 become tile 3) and a 0x44 under a 0x87 turns into 0x99.
int night_tile(std::span<const std::uint8_t, map_bytes> map, int x, int y) {
  const int t = map[static_cast<std::size_t>(y * map_side + x)];
  if (t == 0x48 || t == 0x49) return 3;
  if (t == 0x44 && y > 0 && map[static_cast<std::size_t>((y - 1) * map_side + x)] == 0x87) return 0x99;
  return t;
}

}  // namespace

void draw_map(bitmap& picture, const shape_sheet& sheet, std::span<const std::uint8_t, map_bytes> map,
              std::span<const std::uint8_t, location_block_bytes> location, std::uint8_t floor,
              std::int32_t hour, std::int32_t no_npcs, std::int32_t no_change_pose) {
  const tile_geometry g = drawable_geometry(picture, sheet);
  const bool can_draw = g.width != 0;
  const bool night = is_night(hour);

  if (can_draw) {
    for (int y = 0; y < map_side; ++y)
      for (int x = 0; x < map_side; ++x) {
        const int t = night ? night_tile(map, x, y) : map[static_cast<std::size_t>(y * map_side + x)];
        copy_tile(picture.pixels.get(), sheet.pixels.get(), g, t, x, y);
      }
  }
  if (no_npcs != 0) return;

  occupancy_grid grid;
  place_npcs(map, location, floor, hour, grid);
  if (!can_draw) return;
  for (int y = 0; y < map_side; ++y)
    for (int x = 0; x < map_side; ++x) {
      const std::uint8_t shape = grid[static_cast<std::size_t>(y * map_side + x)];
      if (shape == 0) continue;
      const int t = no_change_pose != 0 ? 0x100 + shape : npc_pose_tile(shape, map, x, y);
      copy_tile(picture.pixels.get(), sheet.pixels.get(), g, t, x, y);
    }
}
