// Walls, floors, doors and the fittings of streets and yards.
#include "demo/tile_art.h"
#include "demo/tile_names.h"

namespace demo {

namespace {

// Courses of bricks `height` rows high, the joints of every other course
// shifted by half a brick.
tile_paint bricks(char letter, int height, int length) {
  tile_paint tile = filled_paint(letter);
  for (int y = 0; y < tile_rows; ++y) {
    const int course = y / height;
    if (y % height == height - 1) {
      paint_rect(tile, 0, y, tile_dots - 1, y, '.');
      continue;
    }
    for (int x = (course % 2) * (length / 2); x < tile_dots; x += length) paint_rect(tile, x, y, x, y, '.');
  }
  return tile;
}

// Planks of wood: horizontal boards `width` rows apart with staggered
// ends, or vertical ones.
tile_paint planks(bool vertical, int width) {
  tile_paint tile = filled_paint('o');
  for (int i = 0; i < (vertical ? tile_dots : tile_rows); ++i) {
    if (i % width != width - 1) continue;
    if (vertical) paint_rect(tile, i, 0, i, tile_rows - 1, '.');
    else paint_rect(tile, 0, i, tile_dots - 1, i, '.');
  }
  for (int i = 0; i < (vertical ? tile_dots / width : tile_rows / width) + 1; ++i) {
    const int at = (i * 5 + 3) % (vertical ? tile_rows : tile_dots);
    if (vertical) paint_rect(tile, i * width, at, i * width + width - 2, at, '.');
    else paint_rect(tile, at, i * width, at, i * width + width - 2, '.');
  }
  return tile;
}

// Square flagstones outlined in `line`.
tile_paint flagstones(char line, char fill, int size) {
  tile_paint tile = filled_paint(fill);
  for (int i = 0; i < tile_rows; i += size) paint_rect(tile, 0, i, tile_dots - 1, i, line);
  for (int i = 0; i < tile_dots; i += size + 1) paint_rect(tile, i, 0, i, tile_rows - 1, line);
  return tile;
}

void paint_walls(tile_set& set) {
  put_paint(set, brick_wall, bricks('W', 4, 6));
  tile_paint blocks = bricks('W', 8, 8);
  paint_rect(blocks, 2, 2, 5, 3, 'p');
  paint_rect(blocks, 8, 10, 11, 11, 'p');
  put_paint(set, stone_wall, blocks);
  tile_paint window = bricks('W', 4, 6);
  paint_rect(window, 3, 3, 10, 12, '.');
  paint_rect(window, 4, 4, 9, 11, 'b');
  paint_rect(window, 6, 4, 7, 11, 'W');
  paint_rect(window, 4, 7, 9, 8, 'W');
  put_paint(set, window_wall, window);
  put_paint(set, wood_wall, planks(true, 3));
  tile_paint hedge_tile = paint_from_art({"..gggg...gggg.", ".gggggg.gggggg", ".ggWggg.gggWgg", ".gggggg.gggggg",
                                           "..gggg...gggg.", "..............", "gggg...gggg...", "ggggg.gggggg..",
                                           "gWggg.ggWggg..", "ggggg.gggggg..", "gggg...gggg...", "..............",
                                           "..gggg...gggg.", ".gggggg.gggggg", ".ggWggg.gggWgg", "..gggg...gggg."});
  put_paint(set, hedge, hedge_tile);
  tile_paint column = flagstones('p', '.', 5);
  paint_rect(column, 3, 0, 10, 15, '.');
  paint_rect(column, 4, 0, 9, 15, 'W');
  paint_rect(column, 6, 1, 6, 14, '.');
  paint_rect(column, 3, 0, 10, 1, 'W');
  paint_rect(column, 3, 14, 10, 15, 'W');
  put_paint(set, pillar, column);
  tile_paint merlons = bricks('W', 4, 6);
  paint_rect(merlons, 0, 0, 13, 4, '.');
  paint_rect(merlons, 1, 0, 4, 4, 'W');
  paint_rect(merlons, 9, 0, 12, 4, 'W');
  put_paint(set, battlement, merlons);
  tile_paint hearth = bricks('W', 4, 6);
  paint_rect(hearth, 2, 5, 11, 15, '.');
  paint_rect(hearth, 4, 9, 9, 14, 'o');
  paint_rect(hearth, 6, 7, 7, 10, 'W');
  paint_rect(hearth, 3, 15, 10, 15, 'p');
  put_paint(set, fireplace, hearth);
  tile_paint books = filled_paint('.');
  for (int shelf_row = 0; shelf_row < 3; ++shelf_row) {
    const int y = shelf_row * 5;
    paint_rect(books, 0, y + 4, 13, y + 4, 'o');
    for (int x = 1; x < 13; x += 2) paint_rect(books, x, y, x + 1, y + 3, "Wpgb"[(x + shelf_row) % 4]);
  }
  paint_rect(books, 0, 0, 0, 15, 'o');
  paint_rect(books, 13, 0, 13, 15, 'o');
  put_paint(set, bookshelf, books);
  put_paint(set, crates, paint_from_art({"WWWWWWW.......", "WooooWW.......", "WoWWoWW.......", "WooooWW.WWWWWW",
                                    "WoWWoWW.WooooW", "WooooWW.WoWWoW", "WWWWWWW.WooooW", "........WoWWoW",
                                    "WWWWWWW.WooooW", "WooooWW.WWWWWW", "WoWWoWW.......", "WooooWW.......",
                                    "WoWWoWW.......", "WooooWW.......", "WWWWWWW.......", ".............."}));
  tile_paint roof = filled_paint('.');
  demo_random rng{82};
  for (int y = 0; y < tile_rows; y += 2)
    for (int x = 0; x < tile_dots; ++x)
      if (random_below(rng, 100) < 30) roof.cells[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = 'p';
  put_paint(set, wall_top, roof);
}

void paint_floors(tile_set& set) {
  put_paint(set, wood_floor, planks(false, 4));
  put_paint(set, stone_floor, flagstones('p', '.', 5));
  tile_paint carpet = filled_paint('p');
  for (int y = 2; y < tile_rows; y += 4) paint_rect(carpet, (y / 4) % 2 * 6 + 2, y, (y / 4) % 2 * 6 + 4, y + 1, 'W');
  put_paint(set, purple_carpet, carpet);
  repaint(carpet, 'p', 'b');
  put_paint(set, blue_carpet, carpet);
  tile_paint checks = filled_paint('.');
  for (int y = 0; y < tile_rows; ++y)
    for (int x = 0; x < tile_dots; ++x)
      if ((x / 4 + y / 4) % 2 == 0 && x % 4 != 3 && y % 4 != 3) checks.cells[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = 'W';
  put_paint(set, tiled_floor, checks);
  tile_paint earth = filled_paint('.');
  demo_random rng{91};
  for (auto& row : earth.cells)
    for (char& c : row)
      if (random_below(rng, 100) < 22) c = 'o';
  put_paint(set, earth_floor, earth);
  tile_paint up = filled_paint('.');
  for (int step = 0; step < 5; ++step) paint_rect(up, 1 + step, 14 - 3 * step, 12 - step, 15 - 3 * step, 'W');
  put_paint(set, stairs_up, up);
  tile_paint down = filled_paint('.');
  for (int step = 0; step < 5; ++step) paint_rect(down, 1, 3 * step, 12, 3 * step, step % 2 ? 'p' : 'W');
  paint_rect(down, 1, 0, 1, 15, 'W');
  paint_rect(down, 12, 0, 12, 15, 'W');
  put_paint(set, stairs_down, down);
  tile_paint rungs = planks(false, 4);
  paint_rect(rungs, 3, 0, 10, 15, '.');
  paint_rect(rungs, 3, 0, 3, 15, 'W');
  paint_rect(rungs, 10, 0, 10, 15, 'W');
  for (int y = 1; y < tile_rows; y += 3) paint_rect(rungs, 3, y, 10, y, 'W');
  put_paint(set, ladder, rungs);
  tile_paint mat_tile = filled_paint('g');
  paint_rect(mat_tile, 0, 0, 13, 0, 'W');
  paint_rect(mat_tile, 0, 15, 13, 15, 'W');
  paint_rect(mat_tile, 5, 6, 8, 9, 'W');
  put_paint(set, rug, mat_tile);
  tile_paint hay = filled_paint('.');
  rng = {92};
  for (int i = 0; i < 26; ++i) {
    const int x = random_below(rng, 12), y = random_below(rng, 16);
    paint_rect(hay, x, y, x + 2, y, 'o');
  }
  put_paint(set, straw, hay);
  put_paint(set, hay_floor, hay);
  put_paint(set, shop_floor, planks(true, 4));
  tile_paint glow = planks(true, 4);
  paint_rect(glow, 3, 0, 10, 10, 'W');
  paint_rect(glow, 5, 11, 8, 13, 'W');
  put_paint(set, lit_floor, glow);
  tile_paint chapel = flagstones('W', '.', 5);
  paint_rect(chapel, 7, 2, 7, 13, 'b');
  paint_rect(chapel, 4, 5, 10, 5, 'b');
  put_paint(set, chapel_floor, chapel);
  tile_paint boards = planks(false, 3);
  put_paint(set, porch, boards);
  put_paint(set, dock, planks(false, 4));
  put_paint(set, bridge, planks(true, 3));
  tile_paint pier_end = planks(false, 4);
  paint_rect(pier_end, 0, 0, 0, 15, 'W');
  paint_rect(pier_end, 13, 0, 13, 15, 'W');
  put_paint(set, dock_end, pier_end);
  tile_paint walk = filled_paint('.');
  paint_rect(walk, 0, 0, 0, 15, 'W');
  paint_rect(walk, 13, 0, 13, 15, 'W');
  rng = {93};
  for (int i = 0; i < 12; ++i) {
    const int x = 2 + random_below(rng, 10), y = random_below(rng, 16);
    paint_rect(walk, x, y, x, y, 'o');
  }
  put_paint(set, walkway, walk);
  tile_paint beds = filled_paint('.');
  for (int y = 1; y < tile_rows; y += 4) {
    paint_rect(beds, 0, y, 13, y, 'o');
    for (int x = 1; x < 13; x += 4) paint_rect(beds, x, y + 1, x + 1, y + 2, 'g');
  }
  put_paint(set, garden, beds);
  tile_paint gravel = filled_paint('.');
  rng = {94};
  for (int i = 0; i < 30; ++i) {
    const int x = random_below(rng, 13), y = random_below(rng, 16);
    paint_rect(gravel, x, y, x + 1, y, 'W');
  }
  put_paint(set, pebbles, gravel);
}

void paint_doors(tile_set& set) {
  const tile_paint leaf = paint_from_art({"WWWWWWWWWWWWWW", "W............W", "W.oooooooooo.W", "W.oooooooooo.W",
                                          "W.o.o.o.o.o..W", "W.oooooooooo.W", "W.oooooooooo.W", "W.o.o.o.o.o..W",
                                          "W.ooooooooWW.W", "W.ooooooooWW.W", "W.o.o.o.o.o..W", "W.oooooooooo.W",
                                          "W.oooooooooo.W", "W.o.o.o.o.o..W", "W.oooooooooo.W", "WWWWWWWWWWWWWW"});
  put_paint(set, door, leaf);
  tile_paint locked = leaf;
  paint_rect(locked, 5, 6, 8, 10, 'W');
  paint_rect(locked, 6, 8, 7, 8, '.');
  put_paint(set, locked_door, locked);
  tile_paint grate = filled_paint('.');
  for (int x = 1; x < tile_dots; x += 4) paint_rect(grate, x, 0, x + 1, 15, 'W');
  for (int y = 2; y < tile_rows; y += 5) paint_rect(grate, 0, y, 13, y, 'W');
  put_paint(set, portcullis, grate);
  tile_paint bars = filled_paint('.');
  for (int x = 1; x < tile_dots; x += 3) paint_rect(bars, x, 0, x, 15, 'W');
  paint_rect(bars, 0, 0, 13, 1, 'W');
  put_paint(set, iron_bars, bars);
  tile_paint arch = flagstones('p', '.', 5);
  paint_rect(arch, 0, 0, 2, 15, 'W');
  paint_rect(arch, 11, 0, 13, 15, 'W');
  paint_rect(arch, 0, 0, 13, 2, 'W');
  put_paint(set, archway, arch);
  tile_paint gate = planks(false, 4);
  paint_rect(gate, 3, 0, 10, 15, '.');
  paint_rect(gate, 5, 0, 8, 15, 'W');
  paint_rect(gate, 6, 0, 7, 15, '.');
  put_paint(set, open_gate, gate);
  tile_paint doorway = planks(true, 4);
  paint_rect(doorway, 0, 0, 1, 15, 'W');
  paint_rect(doorway, 12, 0, 13, 15, 'W');
  paint_rect(doorway, 2, 0, 3, 15, 'o');
  paint_rect(doorway, 2, 0, 11, 0, 'W');
  put_paint(set, open_door, doorway);
  tile_paint board = filled_paint('.');
  paint_rect(board, 6, 0, 7, 2, 'W');
  paint_rect(board, 0, 3, 13, 12, 'W');
  paint_rect(board, 1, 4, 12, 11, 'o');
  tile_paint inn_board = board;
  paint_rect(inn_board, 4, 5, 8, 10, 'W');
  paint_rect(inn_board, 9, 6, 10, 8, 'W');
  paint_rect(inn_board, 5, 5, 7, 5, '.');
  put_paint(set, inn_sign, inn_board);
  tile_paint smith_board = board;
  paint_rect(smith_board, 3, 6, 10, 7, 'W');
  paint_rect(smith_board, 6, 8, 7, 9, 'W');
  paint_rect(smith_board, 4, 10, 9, 10, 'W');
  put_paint(set, smith_sign, smith_board);
}

}  // namespace

tile_paint wood_floor_paint() { return planks(false, 4); }

void paint_building_tiles(tile_set& set) {
  paint_walls(set);
  paint_floors(set);
  paint_doors(set);
}

}  // namespace demo
