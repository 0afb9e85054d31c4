// Where the NPCs of a location stand on one map at a given hour.
//
// Each NPC has three schedule slots (a place and a floor each) and four
// hours h0..h3: slot 0 holds from h0 up to h1, slot 2 from h2 up to h3,
// slot 1 at every other hour.  An NPC whose cell is taken or whose tile it
// cannot stand on is moved to a free neighbouring cell where possible.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "map/map_data.h"

// One byte per map cell (32 * y + x): 0 for a free cell, else the shape
// number of the NPC standing there.
using occupancy_grid = std::array<std::uint8_t, map_bytes>;

// Whether the range of hours [first, last) holds `hour`.  A range whose
// end is before its start passes midnight; an empty range (first == last)
// holds no hour.
constexpr bool hour_in_range(int first, int last, std::int32_t hour) {
  if (first < last) return first <= hour && hour < last;
  if (last < first) return hour >= first || hour < last;
  return false;
}

// The schedule slot (0, 1 or 2) in force at `hour` for the hours h0..h3.
// Slot 0 wins when both ranges hold the hour.
constexpr int schedule_slot(int h0, int h1, int h2, int h3, std::int32_t hour) {
  if (hour_in_range(h0, h1, hour)) return 0;
  if (hour_in_range(h2, h3, hour)) return 2;
  return 1;
}

// Fills `grid` (cleared here first) with the NPCs of `location` that stand
// on the map of floor code `floor` at `hour`.  Prints one placement line
// for every NPC that does not get its scheduled cell, then one line for
// each such NPC telling where it was moved or that it could not be placed.
// A scheduled place outside the 32 x 32 cells is treated as a cell the NPC
// may not stand on; neither the map nor the grid is touched there.
void place_npcs(std::span<const std::uint8_t, map_bytes> map,
                std::span<const std::uint8_t, location_block_bytes> location, std::uint8_t floor,
                std::int32_t hour, occupancy_grid& grid);
