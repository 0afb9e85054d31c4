// Where the NPCs of a location stand on one map at a given hour.
//
// Each NPC has three schedule slots (a place and a floor each) and four
// hours h0..h3: slot 0 holds from h0 up to h1, slot 2 from h2 up to h3,
// slot 1 at every other hour.  An NPC whose cell is taken or whose tile it
// cannot stand on is moved to a free neighbouring cell where possible.
// Placement is pure: it reports what happened to every NPC as a value and
// prints nothing (see placement_report.h for the console lines).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "map/map_data.h"

// One byte per map cell (32 * y + x): 0 for a free cell, else the shape
// number of the NPC standing there.
using occupancy_grid = std::array<std::uint8_t, map_bytes>;

// What became of one NPC slot of a location on one map.
enum class npc_fate : std::uint8_t {
  absent,     // shape 0 or 0x1C: the slot holds no NPC
  elsewhere,  // the slot in force puts the NPC on another floor
  placed,     // it stands on its scheduled cell
  relocated,  // refused there, moved to a free neighbouring cell
  lost,       // refused there and no neighbour would take it: not drawn
};

// Why an NPC was refused its scheduled cell.
enum class npc_refusal : std::uint8_t {
  none,
  cell_taken,    // another NPC stood there first
  cannot_stand,  // it may not stand on that tile (or the cell is off the map)
};

struct npc_outcome {
  std::uint8_t index = 0;  // NPC slot k, 0..31
  std::uint8_t shape = 0;  // shape number
  std::uint8_t slot = 0;   // schedule slot in force: 0, 1 or 2
  std::uint8_t mode = 0;   // that slot's mode
  std::uint8_t x = 0;      // that slot's cell; unchecked (default places
  std::uint8_t y = 0;      //   may lie off the map)
  std::uint8_t floor = 0;  // that slot's floor code
  // The hours h0..h1 (slot 0) or h2..h3 (slot 2) that chose the slot;
  // slot 1 is chosen by no range.
  std::uint8_t first_hour = 0;
  std::uint8_t last_hour = 0;
  npc_fate fate = npc_fate::absent;
  npc_refusal refusal = npc_refusal::none;
  std::uint8_t to_x = 0;  // the cell it was moved to (relocated)
  std::uint8_t to_y = 0;
};

// Every NPC slot of the location, in index order.
struct map_placement {
  std::array<npc_outcome, npcs_per_location> npcs{};
};

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
// on the map of floor code `floor` at `hour`, and tells what became of
// each.  NPCs are placed on their scheduled cells in index order; those
// refused are then moved, again in index order, to the first free
// neighbour they may stand on (left, right, up, down, then the corners
// from the top left; a first choice on tile 0xAB or 0xAC gives way to a
// later 0x44).  A scheduled place outside the 32 x 32 cells is a cell the
// NPC may not stand on; neither the map nor the grid is touched there.
map_placement place_npcs(std::span<const std::uint8_t, map_bytes> map,
                         std::span<const std::uint8_t, location_block_bytes> location,
                         std::uint8_t floor, std::int32_t hour, occupancy_grid& grid);
