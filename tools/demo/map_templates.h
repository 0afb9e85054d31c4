// The kinds of demo maps: walled towns, castles with their upper floors
// and dungeons, lonely towers, and huts in the wild.  Every builder is
// deterministic: the same arguments give the same map.
#pragma once

#include <cstdint>

#include "demo/map_canvas.h"

namespace demo {

enum class building { inn, shop, smithy, chapel, house, garden };

// A town: four blocks round a crossroads inside a wall, the sea east of it
// when `coast` is set.  Blocks in the order top left, top right, bottom
// left, bottom right.
struct town_plan {
  std::uint32_t seed;
  building blocks[4];
  bool coast;
};

// Level 0 is the street level; level 1 the upper rooms of the inns, shops
// and houses, with black around them.
map_grid town_map(const town_plan& plan, int level);

// A castle in a moat: the throne hall, dining hall, kitchen and barracks
// on level 0, bedrooms and a library on 1, guest rooms and a chapel on 2,
// the battlements on 3; level -1 is the dungeon.
map_grid castle_map(std::uint32_t seed, int level);

// A round stone tower by the sea with a yard; levels 1 and 2 hold the
// keeper's room and the lamp room.
map_grid tower_map(std::uint32_t seed, int level);

// A hut with a garden, a pond and a field in the woods.
map_grid hut_map(std::uint32_t seed);

}  // namespace demo
