// Walled towns: a crossroads of cobbled streets, four blocks of buildings,
// gates, a dock on the coast; and the upper rooms above them.
#include "demo/map_templates.h"

#include <algorithm>

#include "demo/tile_names.h"

namespace demo {

namespace {

// The four blocks, 9 x 11 cells each: the top two open onto the street
// below them, the bottom two onto the street above.
constexpr cell_rect blocks[4] = {{3, 3, 11, 13}, {15, 3, 23, 13}, {3, 18, 11, 28}, {15, 18, 23, 28}};

// Rows and columns of one building: walls r, inside i, the door cell and
// the rows nearest to (front) and furthest from (back) the door.
struct frame {
  cell_rect r, i;
  int door_x, door_y, front, back, step;  // step: +1 from the front inwards
};

frame frame_of(const cell_rect& r, bool door_on_top) {
  const cell_rect i = inside(r);
  return {r, i, r.x0 + 4, door_on_top ? r.y0 : r.y1, door_on_top ? i.y0 : i.y1, door_on_top ? i.y1 : i.y0,
          door_on_top ? 1 : -1};
}

void inn(map_grid& g, const frame& f, int level) {
  room(g, f.r, brick_wall, wood_floor);
  const int x0 = f.i.x0, x1 = f.i.x1, y0 = f.i.y0, y1 = f.i.y1;
  if (level == 1) {
    for (int y : {f.r.y0 + 4, f.r.y0 + 7}) {
      fill(g, {f.r.x0, y, f.r.x1, y}, brick_wall);
      set_tile(g, f.r.x0 + 4, y, archway);
    }
    for (int y : {y0, y0 + 4, y0 + 7}) {
      set_tile(g, x0, y, bed);
      set_tile(g, x0 + 2, y, bed_blue);
      set_tile(g, x1, y, chest);
    }
    set_tile(g, f.r.x1, y0 + 1, window_wall);
    set_tile(g, f.r.x0, y0 + 5, window_wall);
    set_tile(g, x0, y1, stairs_down);
    return;
  }
  set_tile(g, f.door_x, f.door_y, open_door);
  set_tile(g, f.door_x - 1, f.door_y, inn_sign);
  set_tile(g, f.door_x, f.front, mat);
  for (int x = x1 - 2; x <= x1; ++x) {
    set_tile(g, x, y0, x == x1 - 1 ? barrel : shelf);
    set_tile(g, x, y0 + 1, counter);
  }
  set_tile(g, x0 + 1, f.r.y0 + (f.door_y == f.r.y0 ? 10 : 0), fireplace);
  set_tile(g, x0 + 1, f.back, hearth_rug);
  for (int x = x0 + 1; x <= x0 + 4; ++x) {
    set_tile(g, x, y0 + 3, bench_north);
    set_tile(g, x, y0 + 4, table_top);
    set_tile(g, x, y0 + 5, table_bottom);
    set_tile(g, x, y0 + 6, bench_south);
  }
  set_tile(g, x1 - 2, y1 - 1, chair_right);
  set_tile(g, x1 - 1, y1 - 1, small_table);
  set_tile(g, x1, y1 - 1, chair_left);
  set_tile(g, x0, y1, stairs_up);
}

void shop(map_grid& g, const frame& f, int level) {
  room(g, f.r, wood_wall, shop_floor);
  const int x0 = f.i.x0, x1 = f.i.x1, y0 = f.i.y0, y1 = f.i.y1;
  if (level == 1) {
    fill(g, f.i, wood_floor);
    for (int x = x0; x <= x0 + 3; ++x) set_tile(g, x, y0, x % 2 ? crates : goods);
    set_tile(g, x1, y0, bed);
    set_tile(g, x1 - 1, y0, wardrobe);
    set_tile(g, x0, y0 + 4, barrel);
    set_tile(g, x1, y1 - 2, bed_blue);
    set_tile(g, f.r.x1, y0 + 4, window_wall);
    set_tile(g, x1, y1, stairs_down);
    return;
  }
  set_tile(g, f.door_x, f.door_y, open_door);
  for (int x = x0; x <= x1; ++x) {
    if (x != f.door_x) set_tile(g, x, y0, (x % 3 == 0) ? goods : shelf);
    set_tile(g, x, y0 + 2, x == x0 || x == x1 ? std::uint8_t{counter_end} : counter);
  }
  set_tile(g, x0, y1, potted_plant);
  set_tile(g, x0 + 2, y1 - 1, crates);
  set_tile(g, x0 + 1, y1 - 3, barrel);
  set_tile(g, x1, y1, stairs_up);
}

void smithy(map_grid& g, const frame& f) {
  room(g, f.r, stone_wall, earth_floor);
  const int x0 = f.i.x0, x1 = f.i.x1;
  set_tile(g, f.door_x, f.door_y, open_door);
  set_tile(g, f.door_x + 1, f.door_y, smith_sign);
  const int back_wall = f.door_y == f.r.y0 ? f.r.y1 : f.r.y0;
  set_tile(g, x0 + 1, back_wall, fireplace);
  set_tile(g, x0 + 1, f.back, anvil);
  set_tile(g, x0 + 3, f.back, cauldron);
  for (int k = 0; k < 3; ++k) set_tile(g, x1, f.back + f.step * -k, weapon_rack);
  for (int x = x0 + 3; x <= x1; ++x) set_tile(g, x, f.back - f.step * 4, x == x0 + 3 ? std::uint8_t{counter_end} : counter);
  set_tile(g, x0, f.front, barrel);
  set_tile(g, x0, f.front + f.step, crates);
}

void chapel(map_grid& g, const frame& f) {
  room(g, f.r, stone_wall, chapel_floor);
  const int x0 = f.i.x0, x1 = f.i.x1;
  set_tile(g, f.door_x, f.door_y, archway);
  set_tile(g, x0, f.back, candles);
  set_tile(g, f.door_x, f.back, statue);
  set_tile(g, x1, f.back, organ);
  set_tile(g, x1 - 1, f.back, candles);
  for (int row = 2; row <= 6; row += 2)
    for (int x : {x0 + 1, x0 + 2, x0 + 4, x0 + 5}) set_tile(g, x, f.back - f.step * row, prayer_cushion);
  set_tile(g, f.r.x0, f.back - f.step * 3, window_wall);
  set_tile(g, f.r.x1, f.back - f.step * 3, window_wall);
}

void house(map_grid& g, const frame& f, int level) {
  room(g, f.r, wood_wall, wood_floor);
  const int x0 = f.i.x0, x1 = f.i.x1;
  if (level == 1) {
    set_tile(g, x0, f.back, bed);
    set_tile(g, x0 + 2, f.back, bed_blue);
    set_tile(g, x1, f.back, wardrobe);
    set_tile(g, x0 + 3, f.back - 3 * f.step, red_rug);
    set_tile(g, x0, f.front, chest);
    set_tile(g, f.r.x0, f.back - 2 * f.step, window_wall);
    set_tile(g, x1, f.front, stairs_down);
    return;
  }
  set_tile(g, f.door_x, f.door_y, open_door);
  set_tile(g, f.door_x, f.front, mat);
  set_tile(g, x0, f.back, bed);
  set_tile(g, x0 + 2, f.back, bed);
  set_tile(g, x1, f.back, wardrobe);
  set_tile(g, x1 - 1, f.back, chest);
  const int mid = f.back - 3 * f.step;
  set_tile(g, x1 - 2, mid, chair_right);
  set_tile(g, x1 - 1, mid, small_table);
  set_tile(g, x1, mid, chair_left);
  set_tile(g, f.r.x0, mid, fireplace);
  set_tile(g, x0, mid, hearth_rug);
  set_tile(g, x0 + 2, mid + f.step, rug);
  set_tile(g, x0, f.front, potted_plant);
  set_tile(g, x1, f.front, stairs_up);
}

void kitchen_garden(map_grid& g, const frame& f, std::uint32_t seed) {
  fill(g, f.r, grass);
  outline(g, f.r, hedge);
  set_tile(g, f.door_x, f.door_y, grass);
  const int x0 = f.i.x0, x1 = f.i.x1;
  for (int row = 1; row <= 4; ++row)
    fill(g, {x0, f.back - f.step * row, x1, f.back - f.step * row}, row % 2 ? crops : field);
  fill(g, {x0, f.back, x0 + 2, f.back}, garden);
  const int pond_y = f.front + f.step;
  fill(g, {x0 + 3, pond_y - 1, x1, pond_y + 1}, sea);
  set_tile(g, x0 + 4, pond_y, stepping_stones);
  set_tile(g, x0 + 5, pond_y, stepping_stone);
  set_tile(g, x0 + 6, pond_y, stepping_stones);
  set_tile(g, x0, f.front, well);
  demo_random rng{seed};
  scatter(g, rng, {x0, f.front, x0 + 2, f.front + 2 * f.step}, grass, flowers, 40);
}

void street_fittings(map_grid& g) {
  for (int x : {4, 9, 18, 22}) {
    set_tile(g, x, 14, lamp_post);
    set_tile(g, x, 17, lamp_post);
  }
  set_tile(g, 14, 14, basin);
  set_tile(g, 12, 17, statue);
  set_tile(g, 2, 2, signpost);
}

}  // namespace

map_grid town_map(const town_plan& plan, int level) {
  map_grid g;
  demo_random rng{plan.seed};
  if (level == 0) {
    countryside(g, rng, 3);
    if (plan.coast) east_coast(g, 26);
    room(g, {1, 1, 25, 30}, stone_wall, grass);
    scatter(g, rng, {2, 2, 24, 29}, grass, meadow, 30);
    scatter(g, rng, {2, 2, 24, 29}, grass, flowers, 5);
    fill(g, {0, 15, plan.coast ? 25 : 31, 16}, cobbles);
    fill(g, {13, 0, 13, 31}, cobbles);
    for (int y : {15, 16}) {
      set_tile(g, 1, y, open_gate);
      set_tile(g, 25, y, open_gate);
    }
    set_tile(g, 13, 1, open_gate);
    set_tile(g, 13, 30, open_gate);
    if (plan.coast) {
      fill(g, {26, 15, 28, 16}, dock);
      fill(g, {29, 15, 29, 16}, dock_end);
    }
    street_fittings(g);
  }
  for (int b = 0; b < 4; ++b) {
    const bool top_door = b >= 2;
    const frame f = frame_of(blocks[b], top_door);
    if (level == 0) {
      // A short path from the door to the street.
      const int street_y = top_door ? 16 : 15;
      for (int y = std::min(f.door_y, street_y) + 1; y < std::max(f.door_y, street_y); ++y) set_tile(g, f.door_x, y, dirt_path);
    }
    switch (plan.blocks[b]) {
      case building::inn: inn(g, f, level); break;
      case building::shop: shop(g, f, level); break;
      case building::house: house(g, f, level); break;
      case building::smithy: if (level == 0) smithy(g, f); break;
      case building::chapel: if (level == 0) chapel(g, f); break;
      case building::garden: if (level == 0) kitchen_garden(g, f, plan.seed + static_cast<std::uint32_t>(b)); break;
    }
  }
  return g;
}

}  // namespace demo
