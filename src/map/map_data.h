// The maps and NPC tables of one location category, as read from its disk.
//
// map_data: 16 maps of 32 x 32 tile numbers, map m at bytes 1024 * m on,
// cell (x, y) at 32 * y + x.
//
// npc_data: 8 location blocks of 768 bytes, block L at 768 * L on:
//   0..511   32 schedules of 16 bytes (NPC k at 16 * k):
//              +0..2 modes[slot], +3..5 x[slot], +6..8 y[slot],
//              +9..11 floor[slot] (255 = basement), +12..15 hours h0..h3
//   512..543 shape numbers (see holds_npc)
//   544..575 extra_a, carried from the disk
//   576..735 32 default records of 5 bytes (NPC k at 576 + 5 * k):
//              shape, x, y, floor, hour
//   736..767 extra_b, carried from the disk
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

inline constexpr int maps_per_category = 16;
inline constexpr int map_side = 32;
inline constexpr std::size_t map_bytes = map_side * map_side;                    // 1024
inline constexpr std::size_t map_data_bytes = maps_per_category * map_bytes;     // 16384
inline constexpr int locations_per_category = 8;
inline constexpr int npcs_per_location = 32;
inline constexpr int schedule_slots = 3;
inline constexpr std::size_t location_block_bytes = 768;
inline constexpr std::size_t npc_data_bytes = locations_per_category * location_block_bytes;  // 6144

// Shapes 0x00 and 0x1C mark a slot of a location's table that holds no NPC.
constexpr bool holds_npc(std::uint8_t shape) { return shape != 0x00 && shape != 0x1C; }
inline constexpr std::uint8_t basement_floor = 0xFF;

using map_data = std::array<std::uint8_t, map_data_bytes>;
using npc_data = std::array<std::uint8_t, npc_data_bytes>;

// Named fields over one location block; the byte positions are those above.
template <class Byte>
struct basic_location_view {
  std::span<Byte, location_block_bytes> bytes;

  Byte& mode(int k, int slot) const { return at(16 * k + slot, k, slot); }
  Byte& x(int k, int slot) const { return at(16 * k + 3 + slot, k, slot); }
  Byte& y(int k, int slot) const { return at(16 * k + 6 + slot, k, slot); }
  Byte& floor(int k, int slot) const { return at(16 * k + 9 + slot, k, slot); }
  Byte& hours(int k, int i) const { return at(16 * k + 12 + i, k, i, 4); }
  Byte& shape(int k) const { return at(512 + k, k); }
  Byte& extra_a(int k) const { return at(544 + k, k); }
  Byte& default_shape(int k) const { return at(576 + 5 * k, k); }
  Byte& default_x(int k) const { return at(576 + 5 * k + 1, k); }
  Byte& default_y(int k) const { return at(576 + 5 * k + 2, k); }
  Byte& default_floor(int k) const { return at(576 + 5 * k + 3, k); }
  Byte& default_hour(int k) const { return at(576 + 5 * k + 4, k); }
  Byte& extra_b(int k) const { return at(736 + k, k); }

 private:
  Byte& at(int offset, [[maybe_unused]] int k, [[maybe_unused]] int i = 0,
           [[maybe_unused]] int limit = schedule_slots) const {
    assert(k >= 0 && k < npcs_per_location && i >= 0 && i < limit);
    return bytes[static_cast<std::size_t>(offset)];
  }
};
using location_view = basic_location_view<std::uint8_t>;
using const_location_view = basic_location_view<const std::uint8_t>;

// Location block L of a category's NPC data.
inline location_view location_block(npc_data& data, int L) {
  return {std::span<std::uint8_t, location_block_bytes>(data.data() + location_block_bytes * L,
                                                        location_block_bytes)};
}
// "--default": copies every NPC's default record over its schedule (shape,
// the three slots' x, y and floor, the four hours), so that both timed
// ranges are empty and slot 1 holds the default place whatever the hour.
// Modes and the two carried arrays stay as they are.
inline void copy_default_places(npc_data& data) {
  for (int L = 0; L < locations_per_category; ++L) {
    const location_view block = location_block(data, L);
    for (int k = 0; k < npcs_per_location; ++k) {
      block.shape(k) = block.default_shape(k);
      for (int slot = 0; slot < schedule_slots; ++slot) {
        block.x(k, slot) = block.default_x(k);
        block.y(k, slot) = block.default_y(k);
        block.floor(k, slot) = block.default_floor(k);
      }
      for (int i = 0; i < 4; ++i) block.hours(k, i) = block.default_hour(k);
    }
  }
}

// Location block L of a category's NPC data, read only.
inline std::span<const std::uint8_t, location_block_bytes> location_cells(const npc_data& data, int L) {
  return std::span<const std::uint8_t, location_block_bytes>(data.data() + location_block_bytes * L,
                                                             location_block_bytes);
}

// Map m of a category's map data.
inline std::span<const std::uint8_t, map_bytes> map_cells(const map_data& data, int m) {
  return std::span<const std::uint8_t, map_bytes>(data.data() + map_bytes * m, map_bytes);
}

// Terrain classes (bits 1, 2, 4).  An NPC of shape s may stand on a cell of
// map tile t exactly when npc_terrain[s] & tile_terrain[t] is non-zero.
namespace terrain_detail {
struct range_value {
  int first, last;
  std::uint8_t value;
};
template <std::size_t N>
constexpr std::array<std::uint8_t, 256> table(const range_value (&ranges)[N]) {
  std::array<std::uint8_t, 256> t{};
  for (const auto& r : ranges)
    for (int i = r.first; i <= r.last; ++i) t[static_cast<std::size_t>(i)] = r.value;
  return t;
}
inline constexpr range_value tile_ranges[] = {
    {0x01, 0x03, 1}, {0x60, 0x69, 1}, {0x6C, 0x6F, 1},
    {0x04, 0x0B, 2}, {0x0E, 0x0F, 2}, {0x1C, 0x26, 2}, {0x2C, 0x2D, 2}, {0x30, 0x33, 2},
    {0x40, 0x40, 2}, {0x44, 0x45, 2}, {0x47, 0x49, 2}, {0x6A, 0x6B, 2}, {0x80, 0x81, 2},
    {0x84, 0x87, 2}, {0x8B, 0x8C, 2}, {0x8F, 0x93, 2}, {0xAA, 0xAC, 2}, {0xC4, 0xC9, 2},
    {0xDD, 0xDD, 2},
    {0x34, 0x37, 3},
    {0x57, 0x57, 4},
};
inline constexpr range_value npc_ranges[] = {
    {0x20, 0x2F, 1}, {0x80, 0x8F, 1}, {0xEC, 0xEF, 1},
    {0x01, 0x11, 2}, {0x1B, 0x1B, 2}, {0x1E, 0x1E, 2}, {0x40, 0x5F, 2}, {0x68, 0x7F, 2},
    {0x90, 0x93, 2}, {0x98, 0x9B, 2}, {0xA0, 0xB7, 2}, {0xC0, 0xD3, 2}, {0xE0, 0xEB, 2},
    {0xF4, 0xFF, 2},
    {0x94, 0x97, 3}, {0x9C, 0x9F, 3}, {0xBC, 0xBF, 3}, {0xD4, 0xDF, 3}, {0xF0, 0xF3, 3},
    {0xB8, 0xBB, 6},
};
}  // namespace terrain_detail

inline constexpr std::array<std::uint8_t, 256> tile_terrain =
    terrain_detail::table(terrain_detail::tile_ranges);
inline constexpr std::array<std::uint8_t, 256> npc_terrain =
    terrain_detail::table(terrain_detail::npc_ranges);

static_assert(tile_terrain[0x00] == 0 && tile_terrain[0x34] == 3 && tile_terrain[0x57] == 4);
static_assert(npc_terrain[0x1C] == 0 && npc_terrain[0xB8] == 6 && npc_terrain[0xFF] == 2);

// Whether an NPC of shape `shape` may stand on map tile `tile`.
constexpr bool may_stand_on(std::uint8_t shape, std::uint8_t tile) {
  return (npc_terrain[shape] & tile_terrain[tile]) != 0;
}
