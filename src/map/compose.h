// Composition of one map picture: the 32 x 32 map tiles (some replaced at
// night), then the NPCs of the map's location where their schedule puts
// them at the hour, moved off cells they cannot take, drawn in a pose
// chosen by the tile under them.  Nothing here prints: what became of each
// NPC is returned as a value (placement_report.h turns it into the console
// lines).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "bitmap/image.h"
#include "map/map_data.h"
#include "map/npc_placement.h"
#include "tiles/shape_sheet.h"

// What a map shows at one hour: the tile drawn on each cell (0..511, cell
// (x, y) at 32 * y + x) and what became of each NPC.
struct map_scene {
  std::array<std::uint16_t, map_bytes> tiles{};
  map_placement placement;
};

// Whether `hour` is a night hour (20 to 4), when stepping stones lie under
// water and the floor below an open door is lit.
constexpr bool is_night(std::int32_t hour) { return hour <= 4 || hour >= 20; }

// The settings of one drawing.
struct draw_settings {
  std::int32_t hour = 12;        // 0..23; hours 20 to 4 are night
  std::int32_t no_npcs = 0;      // nonzero: the map tiles alone, no placement
  std::int32_t no_change_pose = 0;  // nonzero: every NPC as tile 256 + shape
  // Nonzero: only the even pixel rows of the tiles are copied.  Enough for
  // a picture of dot values that a colour filter turns into colours: the
  // filters read only the even rows and write the odd ones.
  std::int32_t even_rows_only = 0;
};

// The scene of `map` on floor code `floor` with the NPCs of `location`.
// With no_npcs set, every NPC is left as if absent.
map_scene compose_map(std::span<const std::uint8_t, map_bytes> map,
                      std::span<const std::uint8_t, location_block_bytes> location, std::uint8_t floor,
                      const draw_settings& settings);

// Copies the tile of every cell from the sheet into `picture.pixels`,
// laid out by the sheet's geometry: 32 x 32 cells of tile_width x
// tile_height pixels of bytes_per_pixel bytes.  Draws nothing when the
// picture's buffer (data_size) is smaller than that or the sheet's buffer
// holds fewer than its 512 tiles; nothing else of the picture record is
// read.  With `even_rows_only` set, only the even pixel rows are copied.
void draw_tiles(bitmap& picture, const shape_sheet& sheet, const std::array<std::uint16_t, map_bytes>& tiles,
                std::int32_t even_rows_only = 0);

// Copies the `row_count` tile rows from tile row `first_row` on (cells
// (x, first_row) to (x, first_row + row_count - 1)) into the top of
// `picture.pixels`: a band of the whole picture, 32 cells wide and
// row_count tiles high, laid out as draw_tiles lays out the whole.  Draws
// nothing when the rows do not lie within the 32 of a map, the picture's
// buffer is smaller than the band or the sheet's holds fewer than its 512
// tiles.  With `even_rows_only` set, only the even pixel rows are copied.
void draw_tile_rows(bitmap& picture, const shape_sheet& sheet, const std::array<std::uint16_t, map_bytes>& tiles,
                    int first_row, int row_count, std::int32_t even_rows_only = 0);

// compose_map, then draw_tiles: the whole map drawn into the picture.
// Never fails.
map_placement draw_map(bitmap& picture, const shape_sheet& sheet, std::span<const std::uint8_t, map_bytes> map,
                       std::span<const std::uint8_t, location_block_bytes> location, std::uint8_t floor,
                       std::int32_t hour, std::int32_t no_npcs, std::int32_t no_change_pose);

// Map `j` (0..15) of category `c` (0 castle, 1 dwelling, 2 keep, 3 towne),
// read into `maps` and `npcs`, drawn into the picture at the settings'
// hour: the location and floor come from the map table.
map_placement draw_category_map(bitmap& picture, const shape_sheet& sheet, const map_data& maps,
                                const npc_data& npcs, int c, int j, const draw_settings& settings);
