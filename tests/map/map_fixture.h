// Drawing a map for the tests: a sheet of one-pixel tiles of two bytes
// that hold their own tile number (low byte first), so that a drawn
// picture reads back as tile numbers; builders of one map and one location
// block.
#pragma once

#include <array>
#include <string>

#include <gtest/gtest.h>

#include "map/compose.h"
#include "map/placement_report.h"

using map_cells_array = std::array<std::uint8_t, map_bytes>;
using location_array = std::array<std::uint8_t, location_block_bytes>;

inline shape_sheet numbered_sheet() {
  shape_sheet sheet{1, 1, 0, 0, 16, 2, 2 * sheet_tile_count, allocate_zeroed<std::uint8_t>(2 * sheet_tile_count), nullptr};
  for (int i = 0; i < 2 * sheet_tile_count; ++i) sheet.pixels[i] = static_cast<std::uint8_t>(i % 2 ? i / 512 : i / 2);
  return sheet;
}

// The placement lines of what draw_map returned, and the tile it drew in
// each cell (y * 32 + x).
struct drawing {
  std::string printed;
  map_placement placement;
  std::array<int, map_bytes> tiles{};
  int at(int x, int y) const { return tiles[static_cast<std::size_t>(y * 32 + x)]; }
};

inline drawing draw(std::span<const std::uint8_t, map_bytes> map,
                    std::span<const std::uint8_t, location_block_bytes> block, std::uint8_t floor, int hour,
                    int no_npcs = 0, int no_change_pose = 0) {
  bitmap picture{32, 32, 16, 2 * map_bytes, allocate_zeroed<std::uint8_t>(2 * map_bytes), nullptr};
  drawing d;
  d.placement = draw_map(picture, numbered_sheet(), map, block, floor, hour, no_npcs, no_change_pose);
  d.printed = placement_lines(d.placement);
  for (std::size_t i = 0; i < map_bytes; ++i) d.tiles[i] = picture.pixels[2 * i] | picture.pixels[2 * i + 1] << 8;
  return d;
}

// A map whose every cell is `tile`, with `cells` of {x, y, tile} on it.
inline map_cells_array map_of(std::uint8_t tile, std::initializer_list<std::array<int, 3>> cells = {}) {
  map_cells_array map;
  map.fill(tile);
  for (const auto& [x, y, t] : cells) map[static_cast<std::size_t>(y * 32 + x)] = static_cast<std::uint8_t>(t);
  return map;
}

// NPC k of shape `shape` at (x, y) on `floor` in all three slots, with both
// timed ranges empty (it stands there at every hour), mode 0.
inline void put_npc(location_array& block, int k, int shape, int x, int y, int floor = 0) {
  const location_view v{std::span(block)};
  v.shape(k) = static_cast<std::uint8_t>(shape);
  for (int s = 0; s < schedule_slots; ++s) {
    v.x(k, s) = static_cast<std::uint8_t>(x);
    v.y(k, s) = static_cast<std::uint8_t>(y);
    v.floor(k, s) = static_cast<std::uint8_t>(floor);
  }
}
