#include "map/npc_placement.h"

#include <cstdio>

namespace {

constexpr std::uint8_t not_deferred = 0xFF;

// Neighbours tried when an NPC cannot take its cell: left, right, up, down,
// then the four corners from the top left.
struct offset {
  int dx, dy;
};
constexpr offset neighbour_order[8] = {{-1, 0}, {+1, 0}, {0, -1}, {0, +1},
                                       {-1, -1}, {+1, -1}, {-1, +1}, {+1, +1}};

// Tiles that a relocated NPC leaves for a neighbouring 0x44 tile when one
// is free further on in the neighbour order.
constexpr bool gives_way_to_floor(std::uint8_t tile) { return tile == 0xAB || tile == 0xAC; }
constexpr std::uint8_t preferred_tile = 0x44;

constexpr bool on_map(int x, int y) { return x >= 0 && x < map_side && y >= 0 && y < map_side; }
constexpr std::size_t cell(int x, int y) { return static_cast<std::size_t>(y * map_side + x); }

// Whether an NPC of `shape` may be moved to (x, y): inside the map, free,
// and on a tile it may stand on.
bool is_candidate(std::span<const std::uint8_t, map_bytes> map, const occupancy_grid& grid,
                  std::uint8_t shape, int x, int y) {
  return on_map(x, y) && grid[cell(x, y)] == 0 && may_stand_on(shape, map[cell(x, y)]);
}

// Prints "(x,y,floor) = shape(mode)" and, for a timed slot, its hours.
void print_placement(const_location_view npcs, int k, int slot, std::uint8_t floor) {
  std::printf("(%02X,%02X,%02X) = %02X(%02X)", npcs.x(k, slot), npcs.y(k, slot), floor,
              npcs.shape(k), npcs.mode(k, slot));
  if (slot == 0) std::printf(" %02d-%02d", npcs.hours(k, 0), npcs.hours(k, 1));
  if (slot == 2) std::printf(" %02d-%02d", npcs.hours(k, 2), npcs.hours(k, 3));
}

// Puts every NPC of this floor on its scheduled cell where it can stand
// there; the slots of the others are recorded in `deferred`.
void place_scheduled(std::span<const std::uint8_t, map_bytes> map, const_location_view npcs,
                     std::uint8_t floor, std::int32_t hour, occupancy_grid& grid,
                     std::array<std::uint8_t, npcs_per_location>& deferred) {
  for (int k = 0; k < npcs_per_location; ++k) {
    const std::uint8_t shape = npcs.shape(k);
    if (shape == no_npc_shape_a || shape == no_npc_shape_b) continue;
    const int slot = schedule_slot(npcs.hours(k, 0), npcs.hours(k, 1), npcs.hours(k, 2),
                                   npcs.hours(k, 3), hour);
    if (npcs.floor(k, slot) != floor) continue;
    const int x = npcs.x(k, slot);
    const int y = npcs.y(k, slot);
    const bool inside = on_map(x, y);
    if (inside && grid[cell(x, y)] != 0) {
      deferred[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(slot);
      print_placement(npcs, k, slot, floor);
      std::puts(" ... multi NPCs at same location");
    } else if (inside && may_stand_on(shape, map[cell(x, y)])) {
      grid[cell(x, y)] = shape;
    } else {
      deferred[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(slot);
      print_placement(npcs, k, slot, floor);
      std::puts(" ... can't locate here");
    }
  }
}

// Moves NPC k from the cell of its slot to the first free neighbour it may
// stand on (a 0x44 neighbour further on beats a first choice on 0xAB or
// 0xAC), or reports that there is none.
void relocate(std::span<const std::uint8_t, map_bytes> map, const_location_view npcs, int k,
              int slot, occupancy_grid& grid) {
  const std::uint8_t shape = npcs.shape(k);
  const int x = npcs.x(k, slot);
  const int y = npcs.y(k, slot);
  int chosen = -1;
  for (int i = 0; i < 8 && chosen < 0; ++i) {
    if (is_candidate(map, grid, shape, x + neighbour_order[i].dx, y + neighbour_order[i].dy))
      chosen = i;
  }
  if (chosen < 0) {
    std::printf("[%02X] %02X (%02X, %02X) ... can't locate\n", k, shape, x, y);
    return;
  }
  if (gives_way_to_floor(map[cell(x + neighbour_order[chosen].dx, y + neighbour_order[chosen].dy)])) {
    for (int i = chosen + 1; i < 8; ++i) {
      const int nx = x + neighbour_order[i].dx;
      const int ny = y + neighbour_order[i].dy;
      if (is_candidate(map, grid, shape, nx, ny) && map[cell(nx, ny)] == preferred_tile) {
        chosen = i;
        break;
      }
    }
  }
  const int nx = x + neighbour_order[chosen].dx;
  const int ny = y + neighbour_order[chosen].dy;
  std::printf("[%02X] %02X (%02X, %02X) -> (%02X, %02X)\n", k, shape, x, y, nx, ny);
  grid[cell(nx, ny)] = shape;
}

}  // namespace

void place_npcs(std::span<const std::uint8_t, map_bytes> map,
                std::span<const std::uint8_t, location_block_bytes> location, std::uint8_t floor,
                std::int32_t hour, occupancy_grid& grid) {
  const const_location_view npcs{location};
  std::array<std::uint8_t, npcs_per_location> deferred;
  grid.fill(0);
  deferred.fill(not_deferred);
  place_scheduled(map, npcs, floor, hour, grid, deferred);
  for (int k = 0; k < npcs_per_location; ++k) {
    const std::uint8_t slot = deferred[static_cast<std::size_t>(k)];
    if (slot != not_deferred) relocate(map, npcs, k, slot, grid);
  }
}
