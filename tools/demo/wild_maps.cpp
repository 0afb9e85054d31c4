// Lonely places: a stone tower on the coast with its upper rooms, and a
// hut in the woods by a lake.
#include "demo/map_templates.h"
#include "demo/tile_names.h"

namespace demo {

namespace {

constexpr cell_rect tower_walls{10, 10, 16, 16};

// A lake with shore tiles round `r` (the water inside, the shore on r's
// border).
void lake(map_grid& g, const cell_rect& r) {
  fill(g, inside(r), sea);
  const auto shore = [](int i) { return static_cast<std::uint8_t>(shore_first + i); };
  fill(g, {r.x0 + 1, r.y0, r.x1 - 1, r.y0}, shore(0));
  fill(g, {r.x0 + 1, r.y1, r.x1 - 1, r.y1}, shore(1));
  fill(g, {r.x0, r.y0 + 1, r.x0, r.y1 - 1}, shore(2));
  fill(g, {r.x1, r.y0 + 1, r.x1, r.y1 - 1}, shore(3));
  set_tile(g, r.x0, r.y0, shore(4));
  set_tile(g, r.x1, r.y0, shore(5));
  set_tile(g, r.x0, r.y1, shore(6));
  set_tile(g, r.x1, r.y1, shore(7));
}

void tower_ground(map_grid& g, demo_random& rng) {
  countryside(g, rng, 2);
  east_coast(g, 24);
  fill(g, {24, 13, 27, 13}, dock);
  set_tile(g, 28, 13, dock_end);
  room(g, tower_walls, stone_wall, stone_floor);
  set_tile(g, 13, 16, open_door);
  set_tile(g, 11, 11, stairs_up);
  set_tile(g, 15, 11, barrel);
  set_tile(g, 15, 12, crates);
  set_tile(g, 11, 15, cupboard);
  fill(g, {13, 17, 13, 19}, dirt_path);
  fill(g, {14, 13, 23, 13}, dirt_path);
  set_tile(g, 16, 13, open_door);
  room(g, {6, 20, 20, 27}, hedge, grass);
  set_tile(g, 13, 20, grass);
  fill(g, {7, 21, 12, 22}, crops);
  fill(g, {7, 24, 12, 26}, field);
  set_tile(g, 16, 22, well);
  scatter(g, rng, {14, 21, 19, 26}, grass, flowers, 30);
  lake(g, {3, 3, 8, 7});
  set_tile(g, 5, 5, islet);
  set_tile(g, 6, 5, lily_pads);
}

void tower_upper(map_grid& g, int level) {
  room(g, tower_walls, stone_wall, level == 1 ? wood_floor : tiled_floor);
  for (int i : {12, 14}) {
    set_tile(g, i, 10, window_wall);
    set_tile(g, i, 16, window_wall);
    set_tile(g, 10, i, window_wall);
    set_tile(g, 16, i, window_wall);
  }
  if (level == 1) {
    set_tile(g, 11, 11, stairs_down);
    set_tile(g, 15, 15, stairs_up);
    set_tile(g, 11, 15, bed);
    set_tile(g, 12, 15, chest);
    set_tile(g, 14, 11, chair_right);
    set_tile(g, 15, 11, small_table);
    set_tile(g, 13, 13, red_rug);
    set_tile(g, 11, 13, bookshelf);
  } else {
    outline(g, {9, 9, 17, 17}, walkway);
    set_tile(g, 15, 15, stairs_down);
    set_tile(g, 13, 13, candles);
    set_tile(g, 12, 12, chair_right);
    set_tile(g, 14, 12, stool);
    set_tile(g, 11, 14, bookshelf);
  }
}

}  // namespace

map_grid tower_map(std::uint32_t seed, int level) {
  map_grid g;
  demo_random rng{seed};
  if (level == 0) tower_ground(g, rng);
  else tower_upper(g, level);
  return g;
}

map_grid hut_map(std::uint32_t seed) {
  map_grid g;
  demo_random rng{seed};
  countryside(g, rng, 4);
  lake(g, {18, 4, 27, 11});
  set_tile(g, 21, 6, islet);
  set_tile(g, 24, 8, lily_pads);
  set_tile(g, 20, 9, lily_pads);
  fill(g, {22, 8, 22, 11}, bridge_along);  // a jetty into the lake
  room(g, {6, 13, 14, 19}, wood_wall, wood_floor);
  set_tile(g, 10, 19, open_door);
  set_tile(g, 10, 18, mat);
  set_tile(g, 7, 14, bed);
  set_tile(g, 6, 16, fireplace);
  set_tile(g, 7, 16, hearth_rug);
  set_tile(g, 11, 15, chair_right);
  set_tile(g, 12, 15, small_table);
  set_tile(g, 13, 15, chair_left);
  set_tile(g, 13, 14, chest);
  set_tile(g, 13, 18, cupboard);
  set_tile(g, 8, 18, potted_plant);
  set_tile(g, 14, 16, window_wall);
  fill(g, {10, 20, 10, 24}, dirt_path);
  fill(g, {11, 24, 22, 24}, dirt_path);
  fill(g, {22, 14, 22, 23}, dirt_path);
  room(g, {4, 21, 9, 27}, hedge, field);
  fill(g, {5, 23, 8, 23}, crops);
  fill(g, {5, 25, 8, 25}, crops);
  set_tile(g, 9, 24, grass);
  set_tile(g, 16, 21, well);
  room(g, {14, 25, 19, 28}, wood_wall, straw);
  set_tile(g, 16, 25, open_door);
  fill(g, {11, 9, 13, 10}, sea);
  set_tile(g, 12, 9, stepping_stones);
  set_tile(g, 12, 10, stepping_stone);
  return g;
}

}  // namespace demo
