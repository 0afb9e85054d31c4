// The people and creatures of a demo location and their day: where each
// sleeps, works and idles, on which floor and from which hour.
#pragma once

#include <cstdint>
#include <vector>

#include "demo/map_canvas.h"
#include "map/map_data.h"

namespace demo {

// What kind of place a location is, which decides who lives there.
enum class theme { town, castle, tower, hut };

// One map of a location and its floor code (255 is the basement).
struct floor_map {
  std::uint8_t floor;
  map_grid grid;
};

// Fills the 32 NPC slots of `block` (cleared first) for a location drawn
// as `maps`.  Hours are taken from the game's schedule hours.  Some NPCs
// share a place at some hour or are sent where they cannot stand, so that
// the renderer has to move them; some have default places that differ
// from their schedules.
void plan_npcs(location_view block, const std::vector<floor_map>& maps, theme kind, std::uint32_t seed);

}  // namespace demo
