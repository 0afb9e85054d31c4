// Landscape tiles: grass and its kinds, paths, water, shores with their
// water masks, trees, mountains and rocks.
#include <cstdlib>

#include "demo/tile_art.h"
#include "demo/tile_names.h"

namespace demo {

namespace {

// Random cells of a tile set to `letter` with the given density.
void sprinkle(tile_paint& tile, demo_random& rng, char letter, int percent) {
  for (auto& row : tile.cells)
    for (char& c : row)
      if (random_below(rng, 100) < percent) c = letter;
}

// The wave pattern: blue on every row, short white crests in staggered
// rows, so that neighbouring water tiles join without a seam.
tile_paint wave_paint(std::uint32_t seed, int crests) {
  tile_paint tile = filled_paint('b');
  demo_random rng{seed};
  for (int i = 0; i < crests; ++i) {
    const int y = 1 + 4 * (i % 4);
    const int x = random_below(rng, 11);
    paint_rect(tile, x, y, x + 2, y, 'W');
    paint_rect(tile, x + 3, y + 1, x + 3, y + 1, 'W');
  }
  for (int y = 3; y < tile_rows; y += 4) paint_rect(tile, 0, y, tile_dots - 1, y, '.');
  return tile;
}

// A region of cells (not '.') for a water mask or a piece of land.
tile_paint region(bool (*inside)(int x, int y)) {
  tile_paint tile = filled_paint('.');
  for (int y = 0; y < tile_rows; ++y)
    for (int x = 0; x < tile_dots; ++x)
      if (inside(x, y)) tile.cells[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = 'M';
  return tile;
}

// Squared distance of cell (x, y) from a point given in half cells.
constexpr int dist2(int x, int y, int cx2, int cy2) {
  return (2 * x + 1 - cx2) * (2 * x + 1 - cx2) + (2 * y + 1 - cy2) * (2 * y + 1 - cy2);
}

// Water parts of the shore tiles 0x60-0x6F, in tile order.
constexpr bool (*shore_water[16])(int, int) = {
    [](int, int y) { return y >= 5; },                                   // land above
    [](int, int y) { return y <= 10; },                                  // land below
    [](int x, int) { return x >= 4; },                                   // land left
    [](int x, int) { return x <= 9; },                                   // land right
    [](int x, int y) { return x >= 4 && y >= 5; },                       // land above and left
    [](int x, int y) { return x <= 9 && y >= 5; },                       // land above and right
    [](int x, int y) { return x >= 4 && y <= 10; },                      // land below and left
    [](int x, int y) { return x <= 9 && y <= 10; },                      // land below and right
    [](int, int y) { return y >= 5 && y <= 10; },                        // channel across
    [](int x, int) { return x >= 4 && x <= 9; },                         // channel down
    [](int, int y) { return y < 4 || y > 11; },                          // bridge across
    [](int x, int) { return x < 3 || x > 10; },                          // bridge down
    [](int x, int y) { return dist2(x, y, 0, 0) > 100; },                // land spit, top left
    [](int x, int y) { return dist2(x, y, 28, 0) > 100; },               // top right
    [](int x, int y) { return dist2(x, y, 0, 32) > 100; },               // bottom left
    [](int x, int y) { return dist2(x, y, 28, 32) > 100; },              // bottom right
};

// Water parts of tiles 0x34-0x37 (the masks 0xD0-0xD3); tiles 0xE4-0xE7
// take water where these are clear.
constexpr bool (*mixed_water[4])(int, int) = {
    [](int x, int y) { return dist2(x, y, 14, 16) > 90; },   // around a round islet
    [](int x, int) { return x < 7; },                        // left half
    [](int, int y) { return y < 8; },                        // top half
    [](int x, int y) {                                       // all but three pads
      return dist2(x, y, 8, 8) > 24 && dist2(x, y, 20, 14) > 30 && dist2(x, y, 10, 24) > 24;
    },
};

// Lays `water` over `land` where `wet` holds, cutting a rim of sand along
// the shore line.
tile_paint shore(const tile_paint& land, const tile_paint& water_part, bool (*wet)(int, int)) {
  tile_paint tile = land;
  for (int y = 0; y < tile_rows; ++y)
    for (int x = 0; x < tile_dots; ++x) {
      char& c = tile.cells[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
      if (wet(x, y)) c = water_part.cells[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
      else if (wet(x - 1, y) || wet(x + 1, y) || wet(x, y - 1) || wet(x, y + 1)) c = 'W';
    }
  return tile;
}

void paint_grounds(tile_set& set) {
  put_paint(set, grass, grass_paint(11, 45));
  put_paint(set, meadow, grass_paint(12, 65));
  tile_paint bush = grass_paint(13, 30);
  paint_over(bush, paint_from_art({"..............", "..gggg........", ".gggggg.......", ".gWgggg.......",
                                   ".gggggg.......", "..gggg........", "........gggg..", ".......gggggg.",
                                   ".......ggggWg.", ".......gggggg.", "........gggg..", "..............",
                                   "...gggg.......", "..gggggg......", "..ggggWg......", "...gggg......."}));
  put_paint(set, shrubs, bush);
  tile_paint bloom = grass_paint(14, 40);
  demo_random rng{15};
  for (int i = 0; i < 9; ++i) {
    const int x = 1 + 2 * random_below(rng, 6), y = random_below(rng, 15);
    paint_rect(bloom, x, y, x, y, 'p');
    paint_rect(bloom, x - 1, y + 1, x + 1, y + 1, '.');
  }
  put_paint(set, flowers, bloom);
  tile_paint path = filled_paint('.');
  rng = {16};
  sprinkle(path, rng, 'o', 55);
  put_paint(set, dirt_path, path);
  tile_paint stones = filled_paint('.');
  for (int y = 0; y < tile_rows; y += 4)
    for (int x = (y / 4) % 2 * 3; x < tile_dots; x += 6) {
      paint_rect(stones, x, y, x + 3, y, 'W');
      paint_rect(stones, x, y + 1, x + 3, y + 1, 'p');
    }
  put_paint(set, cobbles, stones);
  tile_paint dunes = filled_paint('o');
  rng = {17};
  sprinkle(dunes, rng, '.', 30);
  sprinkle(dunes, rng, 'W', 3);
  put_paint(set, sand, dunes);
  tile_paint bog = grass_paint(18, 50);
  for (int y = 2; y < tile_rows; y += 5) paint_rect(bog, 1 + y % 4, y, 9 + y % 4, y + 1, 'b');
  put_paint(set, marsh, bog);
  tile_paint furrows = filled_paint('.');
  for (int y = 0; y < tile_rows; y += 4) {
    paint_rect(furrows, 0, y, tile_dots - 1, y, 'o');
    paint_rect(furrows, 0, y + 2, tile_dots - 1, y + 2, 'g');
  }
  put_paint(set, field, furrows);
  tile_paint wheat = filled_paint('.');
  for (int y = 0; y < tile_rows; y += 4) {
    paint_rect(wheat, 0, y, tile_dots - 1, y, 'o');
    paint_rect(wheat, 0, y + 1, tile_dots - 1, y + 2, 'g');
  }
  put_paint(set, crops, wheat);
}

void paint_high_ground(tile_set& set) {
  const char* canopy[] = {"....gggggg....", "..gggggggggg..", ".gggWgggggggg.", "gggggggggggggg",
                          "ggggggggggWggg", "gggggggggggggg", ".gggggggggggg.", "..gggggggggg..",
                          "....gggggg....", "......oo......", "......oo......", "......oo......",
                          ".....oooo....."};
  tile_paint tree_tile = grass_paint(21, 30);
  paint_rect(tree_tile, 0, 0, 13, 13, '.');
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < tile_dots; ++x)
      if (canopy[y][x] != '.') tree_tile.cells[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = canopy[y][x];
  put_paint(set, tree, tree_tile);
  put_paint(set, forest, paint_from_art({"..gggg...gggg.", ".gggggg.gggggg", ".ggWggg.ggggWg", ".gggggg.gggggg",
                                    "..gggg...gggg.", "...oo.....oo..", "gggg...gggg...", "gggggggggggggg",
                                    "ggWgggggggggWg", "gggggggggggggg", ".gggg...gggg..", "..oo.gggg.oo..",
                                    "....gggggg....", "....ggWggg....", ".....gggg.....", "......oo......"}));
  put_paint(set, mountain, paint_from_art({"..............", "......WW......", ".....WWWW.....", "....WWppWW....",
                                      "....pppppp....", "...pppppppp...", "...pppp.pppp..", "..pppp...pppp.",
                                      "..ppp..W..ppp.", ".ppp..WWW..ppp", ".pp..WWWWW..pp", "pp..WWpppWW..p",
                                      "p..pppppppp...", "..pppppppppp..", ".pppppppppppp.", "pppppppppppppp"}));
  put_paint(set, rocks, paint_from_art({"..............", "..WWWW........", ".WWppWW.......", ".WppppW..WWW..",
                                   ".WppppW.WWppW.", "..WWWW..WppppW", ".........WWWW.", "..............",
                                   "....WWWWW.....", "...WWpppWW....", "...WpppppW....", "...WpppppW..WW",
                                   "....WWWWW..WpW", "............WW", "..............", ".............."}));
}

void paint_water(tile_set& set) {
  tile_paint open = wave_paint(31, 5);
  put_paint(set, ocean, open);
  put_paint(set, sea, wave_paint(32, 8));
  const tile_paint waves = wave_paint(33, 8);
  put_paint(set, water, waves);
  tile_paint deep = filled_paint('.');
  for (int y = 0; y < tile_rows; y += 2) paint_rect(deep, 0, y, tile_dots - 1, y, 'b');
  put_paint(set, deep_ocean, deep);
  tile_paint serpent = deep;
  paint_over(serpent, paint_from_art({"..............", "..........gg..", ".........gWWg.", ".........gggg.",
                                      "..gggg...gg...", ".gg..gg.gg....", "gg....ggg.....", "g......g......",
                                      "..............", "...gggg.......", "..gg..gg......", ".gg....gg.....",
                                      "..............", "..............", "..............", ".............."}));
  put_paint(set, serpent_in_water, serpent);
  tile_paint stones = still_water_paint(34);
  const tile_paint stone_art = paint_from_art({"..............", "..WWWW........", ".WWWWWW.......", ".WWWWWW.......",
                                               "..WWWW........", "..............", "........WWWW..", ".......WWWWWW.",
                                               ".......WWWWWW.", "........WWWW..", "..............", "..WWWW........",
                                               ".WWWWWW.......", ".WWWWWW.......", "..WWWW........", ".............."});
  paint_over(stones, stone_art);
  put_paint(set, stepping_stones, stones);
  tile_paint stone = still_water_paint(35);
  paint_rect(stone, 3, 5, 10, 10, 'W');
  paint_rect(stone, 3, 5, 3, 5, '.');
  paint_rect(stone, 10, 10, 10, 10, '.');
  put_paint(set, stepping_stone, stone);
}

void paint_shores(tile_set& set) {
  for (int i = 0; i < 16; ++i) {
    tile_paint land = grass_paint(static_cast<std::uint32_t>(40 + i), 45);
    if (i == 10 || i == 11) {  // bridges: planks with rails over the water
      land = filled_paint('o');
      for (int j = 1; j < 14; j += 3)
        (i == 10 ? paint_rect(land, j, 0, j, 15, '.') : paint_rect(land, 0, j, 13, j, '.'));
      if (i == 10) {
        paint_rect(land, 0, 4, 13, 4, 'W');
        paint_rect(land, 0, 11, 13, 11, 'W');
      } else {
        paint_rect(land, 3, 0, 3, 15, 'W');
        paint_rect(land, 10, 0, 10, 15, 'W');
      }
    }
    const tile_paint water_part = still_water_paint(static_cast<std::uint32_t>(60 + i));
    tile_paint tile = (i == 10 || i == 11) ? land : shore(land, water_part, shore_water[i]);
    if (i == 10 || i == 11)
      for (int y = 0; y < tile_rows; ++y)
        for (int x = 0; x < tile_dots; ++x)
          if (shore_water[i](x, y))
            tile.cells[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] =
                water_part.cells[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
    put_paint(set, shore_first + i, tile);
    put_mask(set, shore_mask_first + i, encode_mask(region(shore_water[i])));
  }
}

// Tiles 0x34-0x37 hold water where their mask is set, 0xE4-0xE7 where it
// is clear; each tile also stores calm water there for a screen without
// the remake.
void paint_mixed(tile_set& set) {
  tile_paint islet_land = grass_paint(70, 60);
  paint_rect(islet_land, 6, 6, 7, 7, 'W');
  tile_paint planks = filled_paint('o');
  for (int y = 0; y < tile_rows; y += 3) paint_rect(planks, 0, y, 13, y, '.');
  tile_paint sand_land = filled_paint('o');
  demo_random rng{71};
  sprinkle(sand_land, rng, '.', 35);
  tile_paint pads = filled_paint('g');
  const tile_paint lands[4] = {islet_land, planks, sand_land, pads};

  tile_paint rim = filled_paint('W');
  for (int y = 0; y < tile_rows; y += 4) paint_rect(rim, 0, y, 13, y, '.');
  const tile_paint inverse_lands[4] = {rim, planks, sand_land, grass_paint(72, 50)};
  for (int i = 0; i < 4; ++i) {
    bool (*wet)(int, int) = mixed_water[i];
    const tile_paint calm = still_water_paint(static_cast<std::uint32_t>(73 + i));
    tile_paint plain = lands[i];
    tile_paint inverse = inverse_lands[i];
    for (int y = 0; y < tile_rows; ++y)
      for (int x = 0; x < tile_dots; ++x) {
        const char w = calm.cells[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
        (wet(x, y) ? plain : inverse).cells[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = w;
      }
    put_paint(set, islet + i, plain);
    put_paint(set, basin + i, inverse);
    put_mask(set, mask_first + i, encode_mask(region(wet)));
  }
}

}  // namespace

tile_paint grass_paint(std::uint32_t seed, int density_percent) {
  tile_paint tile = filled_paint('.');
  demo_random rng{seed};
  for (int y = 0; y < tile_rows; ++y)
    for (int x = 0; x < tile_dots; x += 2)
      if (random_below(rng, 100) < density_percent) tile.cells[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = 'g';
  return tile;
}

tile_paint still_water_paint(std::uint32_t seed) {
  tile_paint tile = filled_paint('.');
  demo_random rng{seed};
  for (int y = 0; y < tile_rows; y += 2) {
    paint_rect(tile, 0, y, tile_dots - 1, y, 'b');
    const int gap = random_below(rng, 12);
    paint_rect(tile, gap, y, gap + 1, y, '.');
  }
  return tile;
}

void paint_land_tiles(tile_set& set) {
  paint_grounds(set);
  paint_high_ground(set);
  paint_water(set);
  paint_shores(set);
  paint_mixed(set);
}

}  // namespace demo
