// People: fourteen kinds of four, the low two bits of the shape number the
// colour of their clothes, and their poses in beds, on seats, at tables,
// behind counters, on the throne and at prayer.
#include <utility>

#include "demo/tile_art.h"
#include "demo/tile_names.h"

namespace demo {

namespace {

// Clothes colour of a shape or pose tile: its low two bits.
constexpr char clothes_of(int t) { return "gopb"[t & 3]; }

// Legend of the figure art: R hair or hat, F face, C clothes, H hands,
// L legs, k dark.
tile_paint figure(const tile_paint& art, char hair, char clothes, char legs) {
  tile_paint tile = art;
  repaint(tile, 'R', hair);
  repaint(tile, 'F', 'W');
  repaint(tile, 'C', clothes);
  repaint(tile, 'H', 'W');
  repaint(tile, 'L', legs);
  repaint(tile, 'k', '.');
  return tile;
}

const tile_paint& standing_art() {
  static const tile_paint art = paint_from_art(
      {"..............", ".....RRRR.....", "....RRRRRR....", "....FFFFFF....", "....FkFFkF....", ".....FFFF.....",
       "...CCCCCCCC...", "..CCCCCCCCCC..", "..CCkCCCCkCC..", "..CCkCCCCkCC..", "..HHkCCCCkHH..", "...kCCCCCCk...",
       "....CCCCCC....", "....LLkkLL....", "....LLkkLL....", "...LLLkkLLL..."});
  return art;
}

const tile_paint& seated_art() {
  static const tile_paint art = paint_from_art(
      {"..............", ".....RRRR.....", "....RRRRRR....", "....FFFFFF....", "....FkFFkF....", ".....FFFF.....",
       "...CCCCCCCC...", "..CCCCCCCCCC..", "..CCkCCCCkCC..", "..HHkCCCCkHH..", "...kCCCCCCk...", "...LLLLLLLL...",
       "...LLk..kLL...", "..............", "..............", ".............."});
  return art;
}

// Sitting sideways on a chair whose back is on the left.
const tile_paint& side_seated_art() {
  static const tile_paint art = paint_from_art(
      {"..............", "....RRRR......", "...RRRRRR.....", "...RRFFFF.....", "...RRFFFFF....", "....kFFFk.....",
       "...CCCCCk.....", "...CCCCCC.....", "...CCCCCCHH...", "...CCCCCCCCC..", "...LLLLLLLLL..", ".........LL...",
       ".........LL...", "........LLL...", "..............", ".............."});
  return art;
}

void mirror(tile_paint& tile) {
  for (auto& row : tile.cells)
    for (int x = 0; x < tile_dots / 2; ++x)
      std::swap(row[static_cast<std::size_t>(x)], row[static_cast<std::size_t>(tile_dots - 1 - x)]);
}

// What a kind of person wears and carries.
enum class item { none, spear, staff, lute, sword, fork, bag, cane };
struct person_kind {
  int first_shape;
  char hair;
  char legs;
  bool robe;      // clothes down to the feet
  int hat;        // 0 none, 1 helmet, 2 crown, 3 pointed, 4 wide brim, 5 hood, 6 cap, 7 two points
  item carries;
};

constexpr person_kind kinds[] = {
    {peasant, 'o', 'W', false, 0, item::none}, {merchant, 'o', 'W', false, 4, item::bag},
    {guard, 'o', 'W', false, 1, item::spear},  {noble, 'o', 'W', true, 2, item::none},
    {bard, 'o', 'W', false, 6, item::lute},    {mage, 'o', 'W', true, 3, item::staff},
    {soldier, 'o', 'W', false, 1, item::sword}, {priest, 'o', 'W', true, 5, item::none},
    {sailor, 'o', 'W', false, 6, item::none},  {farmer, 'o', 'W', false, 4, item::fork},
    {lady, 'o', 'W', true, 0, item::none},     {jester, 'o', 'W', false, 7, item::none},
    {beggar, 'o', 'W', true, 5, item::cane},
};

void put_hat(tile_paint& tile, int hat, char clothes) {
  switch (hat) {
    case 1: paint_rect(tile, 4, 0, 9, 1, 'b'); paint_rect(tile, 3, 2, 10, 2, 'W'); break;
    case 2: paint_rect(tile, 4, 1, 9, 2, 'o'); paint_rect(tile, 4, 0, 4, 0, 'o'); paint_rect(tile, 9, 0, 9, 0, 'o');
            paint_rect(tile, 6, 0, 7, 0, 'W'); break;
    case 3: paint_rect(tile, 6, 0, 7, 0, 'p'); paint_rect(tile, 5, 1, 8, 1, 'p'); paint_rect(tile, 3, 2, 10, 2, 'p'); break;
    case 4: paint_rect(tile, 5, 0, 8, 1, 'o'); paint_rect(tile, 2, 2, 11, 2, 'o'); break;
    case 5: paint_rect(tile, 4, 0, 9, 2, clothes); paint_rect(tile, 3, 3, 3, 6, clothes); paint_rect(tile, 10, 3, 10, 6, clothes); break;
    case 6: paint_rect(tile, 4, 0, 9, 1, 'b'); paint_rect(tile, 4, 2, 10, 2, 'W'); break;
    case 7: paint_rect(tile, 2, 0, 3, 1, clothes); paint_rect(tile, 10, 0, 11, 1, clothes);
            paint_rect(tile, 4, 1, 9, 2, 'W'); break;
    default: break;
  }
}

void put_item(tile_paint& tile, item carries) {
  switch (carries) {
    case item::spear: paint_rect(tile, 12, 2, 13, 15, 'W'); paint_rect(tile, 11, 0, 13, 1, 'W'); break;
    case item::staff: paint_rect(tile, 12, 3, 13, 15, 'o'); paint_rect(tile, 12, 1, 13, 2, 'W'); break;
    case item::lute: paint_rect(tile, 6, 9, 9, 11, 'o'); paint_rect(tile, 10, 7, 12, 8, 'o'); break;
    case item::sword: paint_rect(tile, 12, 4, 12, 11, 'W'); paint_rect(tile, 11, 10, 13, 10, 'W'); break;
    case item::fork: paint_rect(tile, 12, 3, 12, 15, 'o'); paint_rect(tile, 11, 1, 13, 2, 'W'); break;
    case item::bag: paint_rect(tile, 11, 10, 13, 13, 'o'); break;
    case item::cane: paint_rect(tile, 12, 7, 12, 15, 'o'); paint_rect(tile, 11, 7, 12, 7, 'o'); break;
    default: break;
  }
}

tile_paint standing_person(const person_kind& kind, char clothes) {
  tile_paint tile = figure(standing_art(), kind.hair, clothes, kind.legs);
  if (kind.robe) {
    paint_rect(tile, 4, 13, 9, 14, clothes);
    paint_rect(tile, 3, 15, 10, 15, clothes);
  }
  put_hat(tile, kind.hat, clothes);
  put_item(tile, kind.carries);
  return tile;
}

tile_paint child_figure(char clothes) {
  tile_paint tile = figure(paint_from_art({"..............", "..............", "..............", "..............",
                                           "..............", ".....RRRR.....", ".....FFFF.....", ".....FFFF.....",
                                           "....CCCCCC....", "...CCCCCCCC...", "...HkCCCCkH...", "....CCCCCC....",
                                           ".....L..L.....", ".....L..L.....", "....LL..LL....", ".............."}),
                           'o', clothes, 'W');
  return tile;
}

// A figure drawn over a copy of tile `ground` of the set.
tile_paint over(const tile_set& set, int ground, const tile_paint& person) {
  tile_paint tile = set.paints[static_cast<std::size_t>(ground)];
  paint_over(tile, person);
  return tile;
}

void paint_poses(tile_set& set) {
  constexpr int seats[4] = {bench_south, stool, bench_north, stool_low};
  for (int i = 0; i < 4; ++i)
    put_paint(set, seated_tile + i, over(set, seats[i], figure(seated_art(), 'o', "ogpb"[i], 'W')));
  for (int f = 0; f < 4; ++f) {
    const char clothes = clothes_of(f);
    put_paint(set, at_table_facing_down + f, over(set, bench_north, figure(seated_art(), 'o', clothes, 'W')));
    tile_paint back = figure(seated_art(), 'o', clothes, 'W');
    paint_rect(back, 5, 3, 8, 4, 'o');
    put_paint(set, at_table_facing_up + f, over(set, bench_south, back));
    const tile_paint side = figure(side_seated_art(), 'o', clothes, 'W');
    put_paint(set, on_chair_right + f, over(set, chair_right, side));
    tile_paint other_side = side;
    mirror(other_side);
    put_paint(set, on_chair_left + f, over(set, chair_left, other_side));
  }
  tile_paint king = figure(seated_art(), 'o', 'b', 'W');
  put_hat(king, 2, 'b');
  put_paint(set, king_on_throne, over(set, throne, king));
  tile_paint kneel = figure(paint_from_art({"..............", "..............", "....RRRR......", "...RRRRFF.....",
                                            "...RRFFFF.....", "....kFFk......", "...CCCCCC.....", "..CCCCCCCHH...",
                                            "..CCCCCCCHH...", "..CCCCCC......", "..CCCCCC......", "..LLLLLLL.....",
                                            ".LLLLLLLL.....", "..............", "..............", ".............."}),
                           'o', 'g', 'W');
  put_paint(set, kneeling, over(set, prayer_cushion, kneel));
  // Head and shoulders above the counter, on a dark ground so that the
  // planks behind do not swallow them.
  tile_paint keeper = paint_from_art({"..kkkkkkkkkk..", "..kkkooookkk..", "..kkooooookk..", "..kkWWWWWWkk..",
                                      "..kkWkWWkWkk..", ".kgggWWWWgggk.", "..............", "..............",
                                      "..............", "..............", "..............", "..............",
                                      "..............", "..............", "..............", ".............."});
  tile_paint keeper_tile = over(set, counter, keeper);
  repaint(keeper_tile, 'k', '.');
  put_paint(set, shopkeeper, keeper_tile);
}

}  // namespace

void paint_people_tiles(tile_set& set) {
  for (const person_kind& kind : kinds)
    for (int f = 0; f < 4; ++f) put_paint(set, 0x100 + kind.first_shape + f, standing_person(kind, clothes_of(f)));
  for (int f = 0; f < 4; ++f) put_paint(set, 0x100 + child + f, child_figure(clothes_of(f)));
  paint_poses(set);
}

}  // namespace demo
