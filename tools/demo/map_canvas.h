// Drawing demo maps: a 32 x 32 grid of map tiles with rectangle, room and
// scatter helpers, and the lists of places where NPCs can be put.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "demo/tile_paint.h"  // demo_random

namespace demo {

inline constexpr int side = 32;

struct map_grid {
  std::array<std::uint8_t, side * side> cells{};
};

struct cell_rect {
  int x0, y0, x1, y1;  // inclusive
};

// The tile at (x, y), or 0 off the map.
std::uint8_t tile_at(const map_grid& g, int x, int y);
// Sets (x, y) when it lies on the map.
void set_tile(map_grid& g, int x, int y, std::uint8_t tile);
void fill(map_grid& g, const cell_rect& r, std::uint8_t tile);
// The border cells of `r` set to `tile`.
void outline(map_grid& g, const cell_rect& r, std::uint8_t tile);
// Walls of `wall` round `r`, its inside filled with `floor`.
void room(map_grid& g, const cell_rect& r, std::uint8_t wall, std::uint8_t floor);
// The inside of a room rectangle.
constexpr cell_rect inside(const cell_rect& r) { return {r.x0 + 1, r.y0 + 1, r.x1 - 1, r.y1 - 1}; }
// Every cell of `r` holding `from` has the given chance of becoming `to`.
void scatter(map_grid& g, demo_random& rng, const cell_rect& r, std::uint8_t from, std::uint8_t to,
             int percent);

// Open country: grass with meadows, flowers and shrubs, and a belt of
// trees along the edges `depth` cells deep, thinning inwards.
void countryside(map_grid& g, demo_random& rng, int depth);

// A straight coast along the right edge from column `x` on: a shore
// column, sea, then deep ocean in the last two columns.
void east_coast(map_grid& g, int x);

// A cell where NPCs can be put.
struct place {
  std::uint8_t x, y;
};

// The places of one map, by what stands there.
struct map_places {
  std::vector<place> beds, seats, counters, thrones, cushions, streets, floors, grounds, fields,
      waters, deeps;
};

// Sorts the cells of a map into the kinds of places above.
map_places find_places(const map_grid& g);

}  // namespace demo
