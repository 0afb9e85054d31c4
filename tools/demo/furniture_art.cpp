// Furniture of houses, inns, shops, halls and chapels, and the fittings of
// streets and yards (wells, statues, lamps).
#include "demo/tile_art.h"
#include "demo/tile_names.h"

namespace demo {

namespace {

// `art` drawn over a copy of `ground` (its '.' cells let the ground show;
// 'k' cells are painted dark).
tile_paint on(const tile_paint& ground, const tile_paint& art) {
  tile_paint tile = ground;
  paint_over(tile, art);
  repaint(tile, 'k', '.');
  return tile;
}

// A bed seen from above, pillow at the top; the blanket in `blanket`.
tile_paint bed_paint(char blanket, bool sleeping) {
  tile_paint art = paint_from_art({"kkkkkkkkkkkkkk", "kWWWWWWWWWWWWk", "kWkkkkkkkkkkWk", "kWkWWWWWWWWkWk",
                                   "kWkWWWWWWWWkWk", "kWkkkkkkkkkkWk", "kWBBBBBBBBBBWk", "kWBBBBBBBBBBWk",
                                   "kWBBBBBBBBBBWk", "kWBBBBBBBBBBWk", "kWBBBBBBBBBBWk", "kWBBBBBBBBBBWk",
                                   "kWBBBBBBBBBBWk", "kWWWWWWWWWWWWk", "kokkkkkkkkkkok", ".............."});
  repaint(art, 'B', blanket);
  if (sleeping) {
    paint_rect(art, 4, 2, 9, 5, 'k');
    paint_rect(art, 5, 2, 8, 2, 'o');
    paint_rect(art, 4, 3, 9, 5, 'W');
    paint_rect(art, 5, 4, 5, 4, 'k');
    paint_rect(art, 8, 4, 8, 4, 'k');
    paint_rect(art, 3, 6, 10, 7, 'W');
    paint_rect(art, 2, 8, 11, 8, 'k');
  }
  return on(wood_floor_paint(), art);
}

// A chair with its back on the left (facing right) or on the right.
tile_paint chair_paint(bool facing_right) {
  tile_paint art = paint_from_art({"..............", "...WW.........", "...WW.........", "...WW.........",
                                   "...WW.........", "...WW.........", "...WWkkkkkk...", "...WWooooook..",
                                   "...WWooooook..", "...WWkkkkkk...", "...WW....WW...", "...WW....WW...",
                                   "...WW....WW...", "..............", "..............", ".............."});
  if (!facing_right)
    for (auto& row : art.cells)
      for (int x = 0; x < tile_dots / 2; ++x) std::swap(row[static_cast<std::size_t>(x)], row[static_cast<std::size_t>(tile_dots - 1 - x)]);
  return on(wood_floor_paint(), art);
}

void paint_rooms(tile_set& set) {
  put_paint(set, bed, bed_paint('p', false));
  put_paint(set, bed_blue, bed_paint('b', false));
  put_paint(set, sleeper, bed_paint('p', true));
  put_paint(set, sleeper_blue, bed_paint('b', true));
  put_paint(set, chair_right, chair_paint(true));
  put_paint(set, chair_left, chair_paint(false));
  const tile_paint floor = wood_floor_paint();
  put_paint(set, chest, on(floor, paint_from_art({"..............", "..............", "..............", ".kkkkkkkkkkkk.",
                                             ".kWWWWWWWWWWk.", ".kWooooooooWk.", ".kWooooooooWk.", ".kWWWWWWWWWWk.",
                                             ".kWooooWoooWk.", ".kWoooWWWooWk.", ".kWooooWoooWk.", ".kWooooooooWk.",
                                             ".kWWWWWWWWWWk.", ".kkkkkkkkkkkk.", "..............", ".............."})));
  put_paint(set, wardrobe, on(floor, paint_from_art({"kkkkkkkkkkkkkk", "kWWWWWWWWWWWWk", "kWooooWWooooWk", "kWooooWWooooWk",
                                                "kWooooWWooooWk", "kWooooWWooooWk", "kWoooWWWWoooWk", "kWooooWWooooWk",
                                                "kWooooWWooooWk", "kWooooWWooooWk", "kWooooWWooooWk", "kWooooWWooooWk",
                                                "kWWWWWWWWWWWWk", "kWkkkkkkkkkkWk", "kkkkkkkkkkkkkk", ".............."})));
  put_paint(set, cupboard, on(floor, paint_from_art({"kkkkkkkkkkkkkk", "kWWWWWWWWWWWWk", "kWkWWkWWkWWkWk", "kWkWWkWWkWWkWk",
                                                "kWWWWWWWWWWWWk", "kWkbbkWWkppkWk", "kWkbbkWWkppkWk", "kWWWWWWWWWWWWk",
                                                "kWooooooooooWk", "kWooooWWooooWk", "kWooooooooooWk", "kWWWWWWWWWWWWk",
                                                "kkkkkkkkkkkkkk", "..............", "..............", ".............."})));
  tile_paint rug_tile = filled_paint('p');
  paint_rect(rug_tile, 0, 0, 13, 0, 'W');
  paint_rect(rug_tile, 0, 15, 13, 15, 'W');
  paint_rect(rug_tile, 4, 5, 9, 10, 'W');
  paint_rect(rug_tile, 5, 6, 8, 9, 'p');
  put_paint(set, red_rug, rug_tile);
  tile_paint door_mat = floor;
  paint_rect(door_mat, 2, 3, 11, 12, 'g');
  paint_rect(door_mat, 1, 2, 12, 2, 'W');
  paint_rect(door_mat, 1, 13, 12, 13, 'W');
  put_paint(set, mat, door_mat);
  put_paint(set, potted_plant, on(floor, paint_from_art({"..............", "....gg..gg....", "...gggggggg...", "..gggWgggggg..",
                                                    "...gggggWgg...", "..gggggggggg..", "....gggggg....", "......gg......",
                                                    "....kkkkkk....", "...kWWWWWWk...", "...kWooooWk...", "...kWooooWk...",
                                                    "....kWWWWk....", "....kkkkkk....", "..............", ".............."})));
  put_paint(set, clock, on(floor, paint_from_art({"...kkkkkkkk...", "...kooooook...", "...kWWWWWWk...", "...kWWkWWWk...",
                                             "...kWWkkkWk...", "...kWWWWWWk...", "...kooooook...", "...kokkkkok...",
                                             "...kokWWkok...", "...kokWWkok...", "...kokkkkok...", "...kooooook...",
                                             "...kooooook...", "...kkkkkkkk...", "..............", ".............."})));
  tile_paint hearth = filled_paint('o');
  for (int y = 1; y < tile_rows; y += 3) paint_rect(hearth, 0, y, 13, y, '.');
  paint_rect(hearth, 0, 0, 13, 0, 'W');
  put_paint(set, hearth_rug, hearth);
}

void paint_seats_and_tables(tile_set& set) {
  const tile_paint floor = wood_floor_paint();
  const tile_paint bench_art = paint_from_art({"..............", "..............", "..............", "..............",
                                               "kkkkkkkkkkkkkk", "oooooooooooooo", "oooooooooooooo", "WWWWWWWWWWWWWW",
                                               "kkkkkkkkkkkkkk", ".WW........WW.", ".WW........WW.", "..............",
                                               "..............", "..............", "..............", ".............."});
  put_paint(set, bench_south, on(floor, bench_art));
  put_paint(set, bench_north, on(floor, bench_art));
  const tile_paint stool_art = paint_from_art({"..............", "..............", "..............", "....kkkkkk....",
                                               "...kWWWWWWk...", "...kWooooWk...", "...kWooooWk...", "...kWWWWWWk...",
                                               "....kWkkWk....", "....kWkkWk....", "....kWkkWk....", "..............",
                                               "..............", "..............", "..............", ".............."});
  put_paint(set, stool, on(floor, stool_art));
  put_paint(set, stool_low, on(floor, stool_art));
  tile_paint top = filled_paint('o');
  paint_rect(top, 0, 0, 13, 1, 'W');
  paint_rect(top, 2, 5, 4, 8, 'W');
  paint_rect(top, 9, 5, 11, 8, 'W');
  paint_rect(top, 3, 6, 3, 7, 'p');
  paint_rect(top, 10, 6, 10, 7, 'p');
  put_paint(set, table_top, top);
  tile_paint bottom = filled_paint('o');
  paint_rect(bottom, 0, 13, 13, 15, 'W');
  paint_rect(bottom, 5, 4, 8, 7, 'W');
  paint_rect(bottom, 6, 2, 7, 3, 'o');
  put_paint(set, table_bottom, bottom);
  tile_paint small = on(floor, paint_from_art({"..............", "..............", "kkkkkkkkkkkkkk", "kWWWWWWWWWWWWk",
                                               "kWooooooooooWk", "kWooWWWoooooWk", "kWooWpWoooooWk", "kWooWWWooWWoWk",
                                               "kWooooooooooWk", "kWooooooooooWk", "kWWWWWWWWWWWWk", "kkkkkkkkkkkkkk",
                                               "..kWk....kWk..", "..kWk....kWk..", "..............", ".............."}));
  put_paint(set, small_table, small);
}

// Counter tiles show the counter in their lower half and the floor behind
// it above, where the keeper stands.
void paint_shop(tile_set& set) {
  const tile_paint floor = wood_floor_paint();
  const tile_paint counter_art = paint_from_art({"..............", "..............", "..............", "..............",
                                                 "..............", "..............", "kkkkkkkkkkkkkk", "WWWWWWWWWWWWWW",
                                                 "WWWWWWWWWWWWWW", "kkkkkkkkkkkkkk", "pppppppppppppp", "pppWpppppWpppp",
                                                 "pppppppppppppp", "pppppppppppppp", "kkkkkkkkkkkkkk", "kkkkkkkkkkkkkk"});
  put_paint(set, counter, on(floor, counter_art));
  tile_paint bar_art = counter_art;
  paint_rect(bar_art, 2, 4, 3, 6, 'W');
  paint_rect(bar_art, 9, 4, 10, 6, 'W');
  put_paint(set, bar_counter, on(floor, bar_art));
  put_paint(set, bar, floor);
  tile_paint end = counter_art;
  paint_rect(end, 0, 0, 13, 5, 'k');
  paint_rect(end, 0, 1, 13, 6, 'W');
  paint_rect(end, 0, 2, 13, 5, 'o');
  put_paint(set, counter_end, on(floor, end));
  tile_paint shelves = filled_paint('.');
  for (int y = 4; y < tile_rows; y += 5) paint_rect(shelves, 0, y, 13, y, 'o');
  for (int x = 1; x < 13; x += 3) {
    paint_rect(shelves, x, 1, x + 1, 3, x % 2 ? 'W' : 'b');
    paint_rect(shelves, x, 6, x + 1, 8, x % 2 ? 'g' : 'W');
    paint_rect(shelves, x, 11, x + 1, 13, 'W');
  }
  put_paint(set, shelf, shelves);
  put_paint(set, goods, on(floor, paint_from_art({"..............", "..kkkk........", ".kWWWWk.......", "kWooooWk.kkkk.",
                                             "kWooooWkkWWWWk", "kWooooWkWooooW", ".kWWWWk.WooooW", "..kkkk..WooooW",
                                             "kkkk.....WWWW.", "WWWWk.kkkk....", "WoooWkWWWWk...", "WoooWWooooWk..",
                                             "WoooWWooooWk..", ".WWW.WooooWk..", "......WWWW....", ".............."})));
  tile_paint rack = filled_paint('.');
  paint_rect(rack, 0, 2, 13, 2, 'o');
  paint_rect(rack, 0, 12, 13, 12, 'o');
  for (int x = 2; x < 13; x += 4) {
    paint_rect(rack, x, 0, x, 14, 'W');
    paint_rect(rack, x - 1, 0, x + 1, 1, 'W');
  }
  put_paint(set, weapon_rack, rack);
  put_paint(set, barrel, on(floor, paint_from_art({"..............", "...kkkkkkkk...", "..kWWWWWWWWk..", "..kooooooook..",
                                              ".kooooooooook.", ".kWWWWWWWWWWk.", ".kooooooooook.", ".kooooooooook.",
                                              ".kooooooooook.", ".kWWWWWWWWWWk.", ".kooooooooook.", "..kooooooook..",
                                              "..kWWWWWWWWk..", "...kkkkkkkk...", "..............", ".............."})));
}

void paint_hall(tile_set& set) {
  tile_paint carpet = filled_paint('p');
  for (int y = 1; y < tile_rows; y += 5) paint_rect(carpet, 5 + (y / 5) % 2 * 2, y, 6 + (y / 5) % 2 * 2, y + 1, 'W');
  put_paint(set, royal_carpet, carpet);
  tile_paint left = carpet;
  paint_rect(left, 0, 0, 1, 15, 'W');
  put_paint(set, carpet_edge_left, left);
  tile_paint right = carpet;
  paint_rect(right, 12, 0, 13, 15, 'W');
  put_paint(set, carpet_edge_right, right);
  tile_paint steps = filled_paint('p');
  for (int y = 0; y < tile_rows; y += 4) paint_rect(steps, 0, y, 13, y + 1, 'W');
  put_paint(set, dais, steps);
  put_paint(set, throne, on(carpet, paint_from_art({"...kkkkkkkk...", "..kWWWWWWWWk..", "..kWooWWooWk..", "..kWooooooWk..",
                                               "..kWooooooWk..", "..kWooooooWk..", "kkkWooooooWkkk", "kWWWbbbbbbWWWk",
                                               "kWoWbbbbbbWoWk", "kWoWbbbbbbWoWk", "kWWWWWWWWWWWWk", "kWkkkkkkkkkkWk",
                                               "kWk........kWk", "kkk........kkk", "..............", ".............."})));
  tile_paint chapel = filled_paint('.');
  for (int i = 0; i < tile_rows; i += 5) paint_rect(chapel, 0, i, 13, i, 'W');
  for (int i = 0; i < tile_dots; i += 6) paint_rect(chapel, i, 0, i, 15, 'W');
  put_paint(set, prayer_cushion, on(chapel, paint_from_art({"..............", "..............", "..............", "...kkkkkkkk...",
                                                       "..kppppppppk..", "..kpWppppWpk..", "..kppppppppk..", "..kpWppppWpk..",
                                                       "..kppppppppk..", "...kkkkkkkk...", "..............", "..............",
                                                       "..............", "..............", "..............", ".............."})));
  tile_paint wall = filled_paint('W');
  for (int y = 3; y < tile_rows; y += 4) paint_rect(wall, 0, y, 13, y, '.');
  put_paint(set, banner, on(wall, paint_from_art({"..kkkkkkkkkk..", "..kppppppppk..", "..kppppppppk..", "..kppWWWWppk..",
                                             "..kppWooWppk..", "..kppWWWWppk..", "..kppppppppk..", "..kppppppppk..",
                                             "..kppppppppk..", "..kpppkkpppk..", "..kppk..kppk..", "..kpk....kpk..",
                                             "..kk......kk..", "..............", "..............", ".............."})));
  put_paint(set, tapestry, on(wall, paint_from_art({"kkkkkkkkkkkkkk", "kggggggggggggk", "kgWWgggggWWggk", "kggggWWWggggk.",
                                               "kgggWgggWgggkk", "kggggggggggggk", "kgoooogggooogk", "kggggggggggggk",
                                               "kgWgWgWgWgWggk", "kggggggggggggk", "kkkkkkkkkkkkkk", "..............",
                                               "..............", "..............", "..............", ".............."})));
  put_paint(set, candles, paint_from_art({"...o..o...o...", "...W..W...W...", "...W..W...W...", "...W..W...W...",
                                     "..WWWWWWWWWW..", "......WW......", "......WW......", "......WW......",
                                     "......WW......", "......WW......", "......WW......", "....WWWWWW....",
                                     "...WWWWWWWW...", "..............", "..............", ".............."}));
  put_paint(set, organ, paint_from_art({"..W.W.W.W.W.W.", "..W.W.W.W.W.W.", "W.W.W.W.W.W.W.", "W.W.W.W.W.W.W.",
                                   "W.W.W.W.W.W.W.", "W.W.W.W.W.W.W.", "oooooooooooooo", "oooooooooooooo",
                                   "WWWWWWWWWWWWWW", "W.W.WW.W.W.WWW", "W.W.WW.W.W.WWW", "WWWWWWWWWWWWWW",
                                   "oooooooooooooo", "o.oooooooooo.o", "o.oooooooooo.o", ".............."}));
}

void paint_fittings(tile_set& set) {
  const tile_paint lawn = grass_paint(101, 40);
  put_paint(set, well, on(lawn, paint_from_art({"..............", "...kkkkkkkk...", "..kWWWWWWWWk..", ".kWWkkkkkkWWk.",
                                           ".kWkbbbbbbkWk.", ".kWkbbbbbbkWk.", ".kWkbbbbbbkWk.", ".kWWkkkkkkWWk.",
                                           "..kWWWWWWWWk..", "...kkkkkkkk...", "..............", "..............",
                                           "..............", "..............", "..............", ".............."})));
  put_paint(set, statue, on(lawn, paint_from_art({".....kWWk.....", ".....kWWk.....", "......WW......", "...kWWWWWWk...",
                                             "..kWkWWWWkWk..", "..kWkWWWWkWk..", ".....WWWW.....", ".....WWWW.....",
                                             ".....WkkW.....", ".....WkkW.....", "...kWWWWWWk...", "..kppppppppk..",
                                             "..kppppppppk..", "..kppppppppk..", "..kkkkkkkkkk..", ".............."})));
  tile_paint dirt = filled_paint('.');
  demo_random rng{102};
  for (auto& row : dirt.cells)
    for (char& c : row)
      if (random_below(rng, 100) < 20) c = 'o';
  put_paint(set, anvil, on(dirt, paint_from_art({"..............", "..............", "..............", "..kkkkkkkkkkk.",
                                            ".kWWWWWWWWWWWk", "kWWWWWWWWWWWk.", ".kkkkWWWWkkkk.", "....kWWWWk....",
                                            "....kWWWWk....", "...kWWWWWWk...", "..kWWWWWWWWk..", "..kkkkkkkkkk..",
                                            "..............", "..............", "..............", ".............."})));
  put_paint(set, cauldron, on(dirt, paint_from_art({"..............", "....g...g.....", "......g...g...", "..kkkkkkkkkk..",
                                               ".kWWWWWWWWWWk.", ".kWggggggggWk.", ".kWWWWWWWWWWk.", ".kWkkkkkkkkWk.",
                                               ".kWkkkkkkkkWk.", "..kWkkkkkkWk..", "...kWWWWWWk...", "..ooooooooo...",
                                               "..o.ooo.ooo...", "...oo.oo.oo...", "..............", ".............."})));
  tile_paint street = filled_paint('.');
  for (int y = 0; y < tile_rows; y += 3) paint_rect(street, (y % 2) * 3, y, 13, y + 1, 'W');
  for (int y = 0; y < tile_rows; y += 3)
    for (int x = (y % 2) * 3 + 3; x < tile_dots; x += 5) paint_rect(street, x, y, x, y + 1, '.');
  put_paint(set, lamp_post, on(street, paint_from_art({"....kkkkkk....", "...kWWWWWWk...", "...kWooooWk...", "...kWooooWk...",
                                                  "...kWWWWWWk...", "....kkWWkk....", "......WW......", ".....kWWk.....",
                                                  ".....kWWk.....", ".....kWWk.....", ".....kWWk.....", ".....kWWk.....",
                                                  "....kWWWWk....", "...kWWWWWWk...", "....kkkkkk....", ".............."})));
  put_paint(set, signpost, on(lawn, paint_from_art({"..............", "kkkkkkkkkkkkk.", "kWWWWWWWWWWWWk", "kWooooooooooWk",
                                               "kWoWWoWoWWoWk.", "kWooooooooooWk", "kWWWWWWWWWWWWk", "kkkkkWWkkkkkk.",
                                               ".....kWWk.....", ".....kWWk.....", ".....kWWk.....", ".....kWWk.....",
                                               ".....kWWk.....", ".....kWWk.....", "....kkkkkk....", ".............."})));
  put_paint(set, grave, on(lawn, paint_from_art({"..............", ".....kkkk.....", "....kWWWWk....", "...kWWWWWWk...",
                                            "...kWWkkWWk...", "...kWkWWkWk...", "...kWWkkWWk...", "...kWWkkWWk...",
                                            "...kWWWWWWk...", "...kWWWWWWk...", "..kkkkkkkkkk..", "..kppppppppk..",
                                            "..kppppppppk..", "..kkkkkkkkkk..", "..............", ".............."})));
}

}  // namespace

void paint_furniture_tiles(tile_set& set) {
  paint_rooms(set);
  paint_seats_and_tables(set);
  paint_shop(set);
  paint_hall(set);
  paint_fittings(set);
}

}  // namespace demo
