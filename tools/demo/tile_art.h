// The demo tile art, drawn by code into a tile file of the game's layout.
#pragma once

#include <array>

#include "demo/tile_paint.h"

namespace demo {

// All 512 tiles while they are being drawn: painted tiles (dark until
// painted), and the water masks, which are stored as bytes.
struct tile_set {
  std::array<tile_paint, 512> paints;
  std::array<bool, 512> is_mask{};
  std::array<hires_tile, 512> masks{};
};

// Stores a painted tile.
void put_paint(tile_set& set, int t, const tile_paint& paint);
// Stores a water mask tile.
void put_mask(tile_set& set, int t, const hires_tile& mask);

// Grass, water, shores, trees, rocks, paths and the water masks.
void paint_land_tiles(tile_set& set);
// Walls, floors, doors and outdoor fittings of towns and castles.
void paint_building_tiles(tile_set& set);
// Beds, seats, tables, counters, shelves and the other furniture.
void paint_furniture_tiles(tile_set& set);
// People and their poses.
void paint_people_tiles(tile_set& set);
// Animals, monsters, boats and sea creatures.
void paint_creature_tiles(tile_set& set);

// The whole tile file: every painter above, in that order, encoded.
shapes_file make_shapes_file();

// Shared pieces of art.
// Sparse green grass, varied by `seed`.
tile_paint grass_paint(std::uint32_t seed, int density_percent);
// Calm water: blue dots on every other row, varied by `seed`.
tile_paint still_water_paint(std::uint32_t seed);
// The wooden floor of houses, under furniture and seated people too.
tile_paint wood_floor_paint();

}  // namespace demo
