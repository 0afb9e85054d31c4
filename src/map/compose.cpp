#include "map/compose.h"

#include <cstddef>
#include <cstring>

#include "map/map_table.h"
#include "map/npc_pose.h"
#include "map/tile_names.h"

namespace {

// Byte geometry of a sheet and of the picture drawn from it.
struct tile_geometry {
  std::size_t width = 0;        // pixels per tile row
  std::size_t height = 0;       // pixel rows per tile
  std::size_t pixel_bytes = 0;  // bytes per pixel
};

// Whether `count` tiles of geometry `g` fit in `size` bytes.  Each factor
// is below 2^31 and the running product is checked against the 32-bit size
// before the next one, so nothing overflows.
bool fits(const tile_geometry& g, unsigned long long count, std::uint32_t size) {
  for (const std::size_t factor : {g.width, g.height, g.pixel_bytes}) {
    count *= factor;
    if (count > size) return false;
  }
  return true;
}

// The sheet's geometry, or a zero one when nothing can be drawn: no
// pixels, a tile size that is not positive, a sheet buffer without room
// for 512 tiles, or a picture buffer smaller than 32 x `rows` tiles.
tile_geometry drawable_geometry(const bitmap& picture, const shape_sheet& sheet, int rows) {
  if (sheet.pixels == nullptr || picture.pixels == nullptr || sheet.tile_width <= 0 ||
      sheet.tile_height <= 0 || sheet.bytes_per_pixel <= 0)
    return {};
  const tile_geometry g{static_cast<std::size_t>(sheet.tile_width),
                        static_cast<std::size_t>(sheet.tile_height),
                        static_cast<std::size_t>(sheet.bytes_per_pixel)};
  const unsigned long long cells = static_cast<unsigned long long>(map_side) * static_cast<unsigned>(rows);
  if (!fits(g, sheet_tile_count, sheet.data_size) || !fits(g, cells, picture.data_size)) return {};
  return g;
}

// Copies the tiles of tile rows first_row .. first_row + row_count - 1
// from the sheet into the top of the picture, one pixel row of the
// picture at a time, so that the picture is written in order; with a
// row_step of 2 only the even pixel rows.  The sheet is 16 tiles across,
// the picture 32.  RowBytes is the bytes of one tile row when it is known
// at compile time (the disk sheet's 28), so that each piece is a copy of
// fixed size; 0 takes it from the geometry.
template <std::size_t RowBytes>
void copy_tiles(std::uint8_t* picture, const std::uint8_t* sheet, const tile_geometry& g,
                const std::array<std::uint16_t, map_bytes>& tiles, int first_row, int row_count,
                std::size_t row_step) {
  const std::size_t row_bytes = RowBytes != 0 ? RowBytes : g.width * g.pixel_bytes;
  const std::size_t sheet_row = row_bytes * sheet_tiles_across;
  const std::size_t picture_row = row_bytes * map_side;
  for (int y = 0; y < row_count; ++y) {
    const std::uint16_t* cells = tiles.data() + static_cast<std::size_t>((first_row + y) * map_side);
    for (std::size_t r = 0; r < g.height; r += row_step) {
      std::uint8_t* to = picture + (static_cast<std::size_t>(y) * g.height + r) * picture_row;
      for (int x = 0; x < map_side; ++x) {
        const std::size_t tile = cells[x];
        const std::uint8_t* from = sheet + (tile / sheet_tiles_across * g.height + r) * sheet_row +
                                   tile % sheet_tiles_across * row_bytes;
        std::memcpy(to, from, row_bytes);
        to += row_bytes;
      }
    }
  }
}

// The tile drawn for map cell (x, y) at night: stepping stones go under
// water and a shop floor below an open door is lit.
int night_tile(std::span<const std::uint8_t, map_bytes> map, int x, int y) {
  const int t = map[static_cast<std::size_t>(y * map_side + x)];
  if (t == map_tile::stepping_stone || t == map_tile::stepping_stones) return map_tile::water;
  if (t == map_tile::shop_floor && y > 0 &&
      map[static_cast<std::size_t>((y - 1) * map_side + x)] == map_tile::open_door)
    return map_tile::lit_floor;
  return t;
}

}  // namespace

map_scene compose_map(std::span<const std::uint8_t, map_bytes> map,
                      std::span<const std::uint8_t, location_block_bytes> location, std::uint8_t floor,
                      const draw_settings& settings) {
  map_scene scene;
  const bool night = is_night(settings.hour);
  for (int y = 0; y < map_side; ++y)
    for (int x = 0; x < map_side; ++x) {
      const std::size_t i = static_cast<std::size_t>(y * map_side + x);
      scene.tiles[i] = static_cast<std::uint16_t>(night ? night_tile(map, x, y) : map[i]);
    }
  if (settings.no_npcs != 0) {
    for (int k = 0; k < npcs_per_location; ++k) scene.placement.npcs[static_cast<std::size_t>(k)].index = static_cast<std::uint8_t>(k);
    return scene;
  }
  occupancy_grid grid;
  scene.placement = place_npcs(map, location, floor, settings.hour, grid);
  for (int y = 0; y < map_side; ++y)
    for (int x = 0; x < map_side; ++x) {
      const std::size_t i = static_cast<std::size_t>(y * map_side + x);
      const std::uint8_t shape = grid[i];
      if (shape == 0) continue;
      scene.tiles[i] = static_cast<std::uint16_t>(settings.no_change_pose != 0 ? npc_tile::base + shape
                                                                                 : npc_pose_tile(shape, map, x, y));
    }
  return scene;
}

void draw_tiles(bitmap& picture, const shape_sheet& sheet, const std::array<std::uint16_t, map_bytes>& tiles,
                std::int32_t even_rows_only) {
  draw_tile_rows(picture, sheet, tiles, 0, map_side, even_rows_only);
}

void draw_tile_rows(bitmap& picture, const shape_sheet& sheet, const std::array<std::uint16_t, map_bytes>& tiles,
                    int first_row, int row_count, std::int32_t even_rows_only) {
  if (first_row < 0 || row_count <= 0 || row_count > map_side - first_row) return;
  const tile_geometry g = drawable_geometry(picture, sheet, row_count);
  if (g.width == 0) return;
  const std::size_t row_step = even_rows_only != 0 ? 2 : 1;
  if (g.width * g.pixel_bytes == disk_tile_width) {
    copy_tiles<disk_tile_width>(picture.pixels.get(), sheet.pixels.get(), g, tiles, first_row, row_count, row_step);
  } else {
    copy_tiles<0>(picture.pixels.get(), sheet.pixels.get(), g, tiles, first_row, row_count, row_step);
  }
}

map_placement draw_map(bitmap& picture, const shape_sheet& sheet, std::span<const std::uint8_t, map_bytes> map,
                       std::span<const std::uint8_t, location_block_bytes> location, std::uint8_t floor,
                       std::int32_t hour, std::int32_t no_npcs, std::int32_t no_change_pose) {
  const map_scene scene = compose_map(map, location, floor, {hour, no_npcs, no_change_pose});
  draw_tiles(picture, sheet, scene.tiles);
  return scene.placement;
}

map_placement draw_category_map(bitmap& picture, const shape_sheet& sheet, const map_data& maps,
                                const npc_data& npcs, int c, int j, const draw_settings& settings) {
  const map_table_entry entry = map_table[static_cast<std::size_t>(c)][static_cast<std::size_t>(j)];
  const map_scene scene = compose_map(map_cells(maps, j), location_cells(npcs, entry.location), entry.floor, settings);
  draw_tiles(picture, sheet, scene.tiles, settings.even_rows_only);
  return scene.placement;
}
