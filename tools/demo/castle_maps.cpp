// Castles: a keep of three wings in a walled yard within a moat, its upper
// floors and its dungeon.  The stairs of each floor meet those of the next.
#include "demo/map_templates.h"
#include "demo/tile_names.h"

namespace demo {

namespace {

constexpr cell_rect keep_walls{4, 4, 27, 18};
constexpr cell_rect west_wing{4, 4, 11, 18};
constexpr cell_rect hall{11, 4, 20, 18};
constexpr cell_rect east_wing{20, 4, 27, 18};

// The keep's outer walls and the two walls between its wings, with
// archways between them.
void keep_shell(map_grid& g, std::uint8_t floor) {
  room(g, keep_walls, stone_wall, floor);
  fill(g, {11, 4, 11, 18}, stone_wall);
  fill(g, {20, 4, 20, 18}, stone_wall);
  set_tile(g, 11, 10, archway);
  set_tile(g, 20, 10, archway);
}

// Benches, a table of two rows and benches again, from row `y` down.
void long_table(map_grid& g, int x0, int x1, int y) {
  fill(g, {x0, y, x1, y}, bench_north);
  fill(g, {x0, y + 1, x1, y + 1}, table_top);
  fill(g, {x0, y + 2, x1, y + 2}, table_bottom);
  fill(g, {x0, y + 3, x1, y + 3}, bench_south);
}

void bedroom_row(map_grid& g, int x0, int x1, int y, std::uint8_t bed_tile) {
  for (int x = x0; x <= x1; x += 2) set_tile(g, x, y, bed_tile);
}

void ground_floor(map_grid& g, demo_random& rng) {
  countryside(g, rng, 2);
  outline(g, {2, 2, 29, 29}, sea);
  room(g, {3, 3, 28, 28}, stone_wall, grass);
  scatter(g, rng, {4, 19, 27, 27}, grass, meadow, 30);
  fill(g, {15, 29, 16, 29}, static_cast<std::uint8_t>(bridge_along));
  fill(g, {15, 19, 16, 28}, cobbles);
  fill(g, {15, 28, 16, 28}, archway);
  for (int x : {3, 28}) for (int y : {3, 28}) set_tile(g, x, y, battlement);
  keep_shell(g, stone_floor);
  // Throne hall.
  fill(g, {13, 5, 18, 5}, royal_carpet);
  set_tile(g, 15, 5, throne);
  set_tile(g, 16, 5, throne);
  fill(g, {13, 6, 18, 6}, dais);
  fill(g, {15, 7, 15, 17}, carpet_edge_left);
  fill(g, {16, 7, 16, 17}, carpet_edge_right);
  for (int y = 7; y <= 16; y += 3) {
    set_tile(g, 12, y, pillar);
    set_tile(g, 19, y, pillar);
  }
  set_tile(g, 13, 4, banner);
  set_tile(g, 18, 4, banner);
  set_tile(g, 12, 5, candles);
  set_tile(g, 19, 5, candles);
  fill(g, {15, 18, 16, 18}, archway);
  // Dining hall.
  fill(g, inside(west_wing), wood_floor);
  long_table(g, 6, 9, 7);
  long_table(g, 6, 9, 12);
  set_tile(g, 4, 11, fireplace);
  set_tile(g, 5, 11, hearth_rug);
  set_tile(g, 5, 5, cupboard);
  set_tile(g, 10, 5, barrel);
  set_tile(g, 5, 17, potted_plant);
  // Kitchen above the barracks.
  fill(g, {20, 11, 27, 11}, stone_wall);
  set_tile(g, 23, 11, archway);
  fill(g, {21, 5, 26, 10}, tiled_floor);
  set_tile(g, 21, 5, cauldron);
  set_tile(g, 24, 4, fireplace);
  set_tile(g, 22, 5, shelf);
  set_tile(g, 23, 5, shelf);
  set_tile(g, 26, 5, barrel);
  set_tile(g, 26, 6, barrel);
  fill(g, {22, 8, 25, 8}, counter);
  set_tile(g, 21, 8, counter_end);
  fill(g, {21, 12, 26, 17}, wood_floor);
  bedroom_row(g, 22, 24, 17, bed);
  set_tile(g, 26, 12, weapon_rack);
  set_tile(g, 26, 13, weapon_rack);
  set_tile(g, 22, 14, chair_right);
  set_tile(g, 23, 14, small_table);
  set_tile(g, 24, 14, chair_left);
  set_tile(g, 21, 12, stairs_down);
  set_tile(g, 26, 17, stairs_up);
  // Yard: stable, well, garden.
  room(g, {4, 20, 10, 27}, wood_wall, straw);
  set_tile(g, 10, 23, open_door);
  set_tile(g, 13, 23, well);
  fill(g, {20, 21, 26, 22}, crops);
  fill(g, {20, 24, 26, 25}, garden);
  set_tile(g, 23, 26, statue);
}

void upper_floor(map_grid& g, int level) {
  outline(g, {3, 3, 28, 28}, walkway);
  keep_shell(g, level == 1 ? blue_carpet : wood_floor);
  for (int y : {7, 13}) {
    set_tile(g, 4, y, window_wall);
    set_tile(g, 27, y, window_wall);
  }
  set_tile(g, 15, 18, window_wall);
  if (level == 1) {
    set_tile(g, 5, 5, bed_blue);
    set_tile(g, 7, 5, bed_blue);
    set_tile(g, 10, 5, wardrobe);
    set_tile(g, 9, 5, chest);
    set_tile(g, 4, 10, fireplace);
    set_tile(g, 7, 10, red_rug);
    set_tile(g, 10, 15, chair_right);
    fill(g, inside(hall), wood_floor);
    fill(g, {12, 5, 19, 5}, bookshelf);
    fill(g, {12, 17, 14, 17}, bookshelf);
    for (int y : {8, 12}) {
      set_tile(g, 14, y, chair_right);
      set_tile(g, 15, y, small_table);
      set_tile(g, 16, y, small_table);
      set_tile(g, 17, y, chair_left);
    }
    fill(g, inside(east_wing), wood_floor);
    bedroom_row(g, 21, 25, 5, bed);
    set_tile(g, 26, 17, stairs_down);
    set_tile(g, 21, 17, stairs_up);
  } else if (level == 2) {
    bedroom_row(g, 5, 9, 5, bed);
    bedroom_row(g, 5, 9, 17, bed_blue);
    fill(g, inside(hall), chapel_floor);
    set_tile(g, 15, 5, statue);
    set_tile(g, 13, 5, candles);
    set_tile(g, 18, 5, candles);
    set_tile(g, 19, 5, organ);
    for (int y = 8; y <= 14; y += 3)
      for (int x : {13, 14, 17, 18}) set_tile(g, x, y, prayer_cushion);
    bedroom_row(g, 22, 26, 17, bed);
    set_tile(g, 21, 17, stairs_down);
    set_tile(g, 26, 5, stairs_up);
  } else {
    fill(g, {0, 0, side - 1, side - 1}, void_tile);
    room(g, keep_walls, battlement, stone_floor);
    for (int x : {4, 23})
      for (int y : {4, 14}) room(g, {x, y, x + 4, y + 4}, stone_wall, stone_floor);
    set_tile(g, 8, 6, archway);
    set_tile(g, 23, 6, archway);
    set_tile(g, 8, 16, archway);
    set_tile(g, 23, 16, archway);
    set_tile(g, 26, 5, stairs_down);
    set_tile(g, 15, 11, banner);
  }
}

void dungeon(map_grid& g, demo_random& rng) {
  fill(g, {0, 0, side - 1, side - 1}, rocks);
  scatter(g, rng, {0, 0, side - 1, side - 1}, rocks, wall_top, 50);
  room(g, keep_walls, stone_wall, earth_floor);
  // Cells along the west, behind bars.
  for (int y : {4, 8, 12}) room(g, {4, y, 9, y + 4}, stone_wall, straw);
  for (int y : {6, 10, 14}) set_tile(g, 9, y, iron_bars);
  // Store rooms and the treasury in the east.
  room(g, {20, 4, 27, 11}, stone_wall, earth_floor);
  set_tile(g, 20, 8, door);
  for (int x = 21; x <= 26; ++x) set_tile(g, x, 5, x % 2 ? crates : barrel);
  set_tile(g, 26, 10, goods);
  room(g, {23, 13, 27, 18}, stone_wall, stone_floor);
  set_tile(g, 23, 15, locked_door);
  set_tile(g, 25, 14, chest);
  set_tile(g, 26, 14, chest);
  set_tile(g, 21, 12, stairs_up);
  set_tile(g, 15, 10, grave);
  set_tile(g, 14, 15, cauldron);
  // A cave beyond the walls.
  fill(g, {12, 19, 19, 26}, earth_floor);
  set_tile(g, 15, 18, archway);
  fill(g, {14, 23, 17, 25}, sea);
  scatter(g, rng, {12, 19, 19, 26}, earth_floor, pebbles, 20);
}

}  // namespace

map_grid castle_map(std::uint32_t seed, int level) {
  map_grid g;
  demo_random rng{seed};
  if (level < 0) dungeon(g, rng);
  else if (level == 0) ground_floor(g, rng);
  else upper_floor(g, level);
  return g;
}

}  // namespace demo
