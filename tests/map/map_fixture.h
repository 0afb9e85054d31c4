// A tiny shape sheet whose tiles can be read back from a drawn picture,
// and builders of one map and one location block.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include <gtest/gtest.h>

#include "bitmap/image.h"
#include "map/compose.h"
#include "map/map_data.h"
#include "tiles/shape_sheet.h"

// Tiles of 2 x 2 pixels of 2 bytes: every pixel of tile t holds t's low
// byte, then its high byte.
inline shape_sheet numbered_sheet() {
  shape_sheet sheet;
  sheet.tile_width = 2;
  sheet.tile_height = 2;
  sheet.bit_count = 16;
  sheet.bytes_per_pixel = 2;
  const std::size_t row = 2 * 2 * sheet_tiles_across;  // bytes per sheet row
  sheet.pixels = allocate_zeroed<std::uint8_t>(row * 2 * sheet_tiles_down);
  for (int t = 0; t < sheet_tile_count; ++t)
    for (int r = 0; r < 2; ++r)
      for (int c = 0; c < 2; ++c) {
        const std::size_t at = (static_cast<std::size_t>(t / 16 * 2 + r)) * row +
                               static_cast<std::size_t>(t % 16 * 2 + c) * 2;
        sheet.pixels[at] = static_cast<std::uint8_t>(t & 0xFF);
        sheet.pixels[at + 1] = static_cast<std::uint8_t>(t >> 8);
      }
  return sheet;
}

// A picture of `size` bytes filled with 0xEE, for a sheet of the given
// geometry (the record's fields besides pixels and data_size are set as
// the driver would).
inline bitmap blank_picture(const shape_sheet& sheet, std::uint32_t size) {
  bitmap picture;
  picture.width = sheet.tile_width * 32;
  picture.height = sheet.tile_height * 32;
  picture.bit_count = sheet.bit_count;
  picture.data_size = size;
  picture.pixels = allocate_zeroed<std::uint8_t>(size);
  for (std::uint32_t i = 0; i < size; ++i) picture.pixels[i] = 0xEE;
  return picture;
}
inline bitmap blank_picture(const shape_sheet& sheet) {
  return blank_picture(sheet, static_cast<std::uint32_t>(32 * sheet.tile_width * 32 *
                                                         sheet.tile_height * sheet.bytes_per_pixel));
}

// The tile number drawn at cell (x, y) of a picture drawn from
// numbered_sheet(), or -1 when the cell's four pixels disagree.
inline int drawn_tile(const bitmap& picture, int x, int y) {
  const std::size_t row = 2 * 2 * 32;
  int tile = -1;
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c) {
      const std::size_t at = static_cast<std::size_t>(y * 2 + r) * row + static_cast<std::size_t>(x * 2 + c) * 2;
      const int t = picture.pixels[at] | picture.pixels[at + 1] << 8;
      if (r == 0 && c == 0) tile = t;
      else if (t != tile) return -1;
    }
  return tile;
}

using map_cells_array = std::array<std::uint8_t, map_bytes>;
using location_array = std::array<std::uint8_t, location_block_bytes>;

// A map whose every cell is `tile`.
inline map_cells_array filled_map(std::uint8_t tile) {
  map_cells_array map;
  map.fill(tile);
  return map;
}
inline void set_cell(map_cells_array& map, int x, int y, std::uint8_t tile) {
  map[static_cast<std::size_t>(y * 32 + x)] = tile;
}

inline location_view view_of(location_array& block) { return location_view{std::span(block)}; }

// NPC k of shape `shape` in slot 1 at (x, y) on `floor`, with both timed
// ranges empty (it stands there at every hour), mode 0.
inline void put_npc(location_array& block, int k, std::uint8_t shape, std::uint8_t x, std::uint8_t y,
                    std::uint8_t floor = 0) {
  location_view v = view_of(block);
  v.shape(k) = shape;
  for (int s = 0; s < schedule_slots; ++s) {
    v.x(k, s) = x;
    v.y(k, s) = y;
    v.floor(k, s) = floor;
    v.mode(k, s) = 0;
  }
  for (int i = 0; i < 4; ++i) v.hours(k, i) = 0;
}

// Draws and returns everything printed meanwhile.
inline std::string draw_and_capture(bitmap& picture, const shape_sheet& sheet, const map_cells_array& map,
                                    const location_array& block, std::uint8_t floor, std::int32_t hour,
                                    std::int32_t no_npcs = 0, std::int32_t no_change_pose = 0) {
  testing::internal::CaptureStdout();
  draw_map(picture, sheet, map, block, floor, hour, no_npcs, no_change_pose);
  return testing::internal::GetCapturedStdout();
}
