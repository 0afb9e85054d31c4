#include "map/npc_placement.h"

#include "map/tile_names.h"

namespace {

// Neighbours tried when an NPC cannot take its cell: left, right, up, down,
// then the four corners from the top left.
struct offset {
  int dx, dy;
};
constexpr offset neighbour_order[8] = {{-1, 0}, {+1, 0}, {0, -1}, {0, +1},
                                       {-1, -1}, {+1, -1}, {-1, +1}, {+1, +1}};

// Tiles that a relocated NPC leaves for a neighbouring shop floor when one
// is free further on in the neighbour order.
constexpr bool gives_way_to_floor(std::uint8_t tile) {
  return tile == map_tile::counter || tile == map_tile::bar_counter;
}

constexpr bool on_map(int x, int y) { return x >= 0 && x < map_side && y >= 0 && y < map_side; }
constexpr std::size_t cell(int x, int y) { return static_cast<std::size_t>(y * map_side + x); }

// Whether an NPC of `shape` may be moved to (x, y): inside the map, free,
// and on a tile it may stand on.
bool is_candidate(std::span<const std::uint8_t, map_bytes> map, const occupancy_grid& grid,
                  std::uint8_t shape, int x, int y) {
  return on_map(x, y) && grid[cell(x, y)] == 0 && may_stand_on(shape, map[cell(x, y)]);
}

// The slot of NPC k in force at `hour`, with its cell and the range that
// chose it.
npc_outcome scheduled(const_location_view npcs, int k, std::int32_t hour) {
  npc_outcome o;
  o.index = static_cast<std::uint8_t>(k);
  o.shape = npcs.shape(k);
  if (!holds_npc(o.shape)) return o;
  const int slot = schedule_slot(npcs.hours(k, 0), npcs.hours(k, 1), npcs.hours(k, 2), npcs.hours(k, 3), hour);
  o.slot = static_cast<std::uint8_t>(slot);
  o.mode = npcs.mode(k, slot);
  o.x = npcs.x(k, slot);
  o.y = npcs.y(k, slot);
  o.floor = npcs.floor(k, slot);
  if (slot != 1) {
    o.first_hour = npcs.hours(k, slot == 0 ? 0 : 2);
    o.last_hour = npcs.hours(k, slot == 0 ? 1 : 3);
  }
  return o;
}

// Puts NPC o on its scheduled cell when it is free and the NPC may stand
// there; otherwise records why not.
void place_scheduled(std::span<const std::uint8_t, map_bytes> map, npc_outcome& o, occupancy_grid& grid) {
  const bool inside = on_map(o.x, o.y);
  if (inside && grid[cell(o.x, o.y)] != 0) {
    o.refusal = npc_refusal::cell_taken;
  } else if (inside && may_stand_on(o.shape, map[cell(o.x, o.y)])) {
    grid[cell(o.x, o.y)] = o.shape;
    o.fate = npc_fate::placed;
  } else {
    o.refusal = npc_refusal::cannot_stand;
  }
}

// Moves a refused NPC to the first free neighbour it may stand on (a shop
// floor further on beats a first choice on a counter), or finds none.
void relocate(std::span<const std::uint8_t, map_bytes> map, npc_outcome& o, occupancy_grid& grid) {
  const int x = o.x;
  const int y = o.y;
  int chosen = -1;
  for (int i = 0; i < 8 && chosen < 0; ++i) {
    if (is_candidate(map, grid, o.shape, x + neighbour_order[i].dx, y + neighbour_order[i].dy)) chosen = i;
  }
  if (chosen < 0) {
    o.fate = npc_fate::lost;
    return;
  }
  if (gives_way_to_floor(map[cell(x + neighbour_order[chosen].dx, y + neighbour_order[chosen].dy)])) {
    for (int i = chosen + 1; i < 8; ++i) {
      const int nx = x + neighbour_order[i].dx;
      const int ny = y + neighbour_order[i].dy;
      if (is_candidate(map, grid, o.shape, nx, ny) && map[cell(nx, ny)] == map_tile::shop_floor) {
        chosen = i;
        break;
      }
    }
  }
  o.fate = npc_fate::relocated;
  o.to_x = static_cast<std::uint8_t>(x + neighbour_order[chosen].dx);
  o.to_y = static_cast<std::uint8_t>(y + neighbour_order[chosen].dy);
  grid[cell(o.to_x, o.to_y)] = o.shape;
}

}  // namespace

map_placement place_npcs(std::span<const std::uint8_t, map_bytes> map,
                         std::span<const std::uint8_t, location_block_bytes> location,
                         std::uint8_t floor, std::int32_t hour, occupancy_grid& grid) {
  const const_location_view npcs{location};
  map_placement placement;
  grid.fill(0);
  for (int k = 0; k < npcs_per_location; ++k) {
    npc_outcome& o = placement.npcs[static_cast<std::size_t>(k)];
    o = scheduled(npcs, k, hour);
    if (!holds_npc(o.shape)) continue;
    if (o.floor != floor) {
      o.fate = npc_fate::elsewhere;
      continue;
    }
    place_scheduled(map, o, grid);
  }
  for (npc_outcome& o : placement.npcs) {
    if (o.refusal != npc_refusal::none) relocate(map, o, grid);
  }
  return placement;
}
