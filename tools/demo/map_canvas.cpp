#include "demo/map_canvas.h"

#include <algorithm>

#include "demo/tile_names.h"

namespace demo {

std::uint8_t tile_at(const map_grid& g, int x, int y) {
  if (x < 0 || y < 0 || x >= side || y >= side) return 0;
  return g.cells[static_cast<std::size_t>(y * side + x)];
}

void set_tile(map_grid& g, int x, int y, std::uint8_t tile) {
  if (x < 0 || y < 0 || x >= side || y >= side) return;
  g.cells[static_cast<std::size_t>(y * side + x)] = tile;
}

void fill(map_grid& g, const cell_rect& r, std::uint8_t tile) {
  for (int y = r.y0; y <= r.y1; ++y)
    for (int x = r.x0; x <= r.x1; ++x) set_tile(g, x, y, tile);
}

void outline(map_grid& g, const cell_rect& r, std::uint8_t tile) {
  for (int x = r.x0; x <= r.x1; ++x) {
    set_tile(g, x, r.y0, tile);
    set_tile(g, x, r.y1, tile);
  }
  for (int y = r.y0; y <= r.y1; ++y) {
    set_tile(g, r.x0, y, tile);
    set_tile(g, r.x1, y, tile);
  }
}

void room(map_grid& g, const cell_rect& r, std::uint8_t wall, std::uint8_t floor) {
  fill(g, r, floor);
  outline(g, r, wall);
}

void scatter(map_grid& g, demo_random& rng, const cell_rect& r, std::uint8_t from, std::uint8_t to,
             int percent) {
  for (int y = r.y0; y <= r.y1; ++y)
    for (int x = r.x0; x <= r.x1; ++x)
      if (tile_at(g, x, y) == from && random_below(rng, 100) < percent) set_tile(g, x, y, to);
}

void countryside(map_grid& g, demo_random& rng, int depth) {
  const cell_rect all{0, 0, side - 1, side - 1};
  fill(g, all, grass);
  scatter(g, rng, all, grass, meadow, 25);
  scatter(g, rng, all, grass, flowers, 6);
  scatter(g, rng, all, grass, shrubs, 4);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const int edge = std::min(std::min(x, y), std::min(side - 1 - x, side - 1 - y));
      if (edge >= depth) continue;
      const int chance = 85 - 60 * edge / (depth > 0 ? depth : 1);
      if (random_below(rng, 100) < chance) set_tile(g, x, y, edge == 0 && random_below(rng, 2) ? forest : tree);
    }
}

void east_coast(map_grid& g, int x) {
  fill(g, {x, 0, x, side - 1}, static_cast<std::uint8_t>(shore_first + 2));  // land on the left
  fill(g, {x + 1, 0, side - 3, side - 1}, sea);
  fill(g, {side - 2, 0, side - 1, side - 1}, deep_ocean);
}

map_places find_places(const map_grid& g) {
  map_places p;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const place here{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y)};
      switch (tile_at(g, x, y)) {
        case bed: case bed_blue: p.beds.push_back(here); break;
        case chair_right: case chair_left: case bench_south: case bench_north: case stool: case stool_low:
          p.seats.push_back(here);
          break;
        case counter: p.counters.push_back(here); break;
        case throne: p.thrones.push_back(here); break;
        case prayer_cushion: p.cushions.push_back(here); break;
        case cobbles: case dirt_path: case pebbles: case walkway: p.streets.push_back(here); break;
        case wood_floor: case stone_floor: case shop_floor: case tiled_floor: case earth_floor:
        case purple_carpet: case blue_carpet: case rug: case red_rug: case chapel_floor: case royal_carpet:
          p.floors.push_back(here);
          break;
        case grass: case meadow: case flowers: p.grounds.push_back(here); break;
        case field: case crops: p.fields.push_back(here); break;
        case ocean: case sea: case water: p.waters.push_back(here); break;
        case deep_ocean: p.deeps.push_back(here); break;
        default: break;
      }
    }
  return p;
}

}  // namespace demo
