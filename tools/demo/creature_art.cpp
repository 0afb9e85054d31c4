// Animals, monsters, boats and sea creatures of the NPC half.
#include "demo/tile_art.h"
#include "demo/tile_names.h"

namespace demo {

namespace {

// Art whose 'C' cells take `colour` ('k' is dark).
tile_paint coloured(tile_paint art, char colour) {
  repaint(art, 'C', colour);
  repaint(art, 'k', '.');
  return art;
}

tile_paint dog_art() {
  return paint_from_art({"..............", "..............", "..............", "..............", "..........CC..",
                         "..........CCCW", "C........CCCCC", "CC.......CCC..", ".CCCCCCCCCCC..", "..CCCCCCCCCC..",
                         "..CCCCCCCCC...", "..CC.....CC...", "..CC.....CC...", "..CC.....CC...", "..............",
                         ".............."});
}
tile_paint cat_art() {
  return paint_from_art({"..............", "..............", "..............", "..............", "..........C.C.",
                         "..........CCC.", "..........WCW.", "..C.......CCC.", "..C....CCCCC..", "...C..CCCCCC..",
                         "....CCCCCCCC..", "....CCCCCCC...", "....C.C..C.C..", "....C.C..C.C..", "..............",
                         ".............."});
}
tile_paint chicken_art() {
  return paint_from_art({"..............", "..............", "..............", "..............", "..............",
                         ".......o......", "......WWW.....", "......WkWoo...", ".WW...WWW.....", ".WWWWWWWW.....",
                         "..WWWWWWW.....", "...WWWWW......", ".....oo.......", ".....o.o......", "..............",
                         ".............."});
}
tile_paint cow_art() {
  return paint_from_art({"..............", "..............", "..............", "W...........W.", ".W.........WW.",
                         "..WWWWWWWWWWWW", "..WWkkWWWWkWWk", "..WWkkWWWWWWW.", "..WWWWWWkkWWW.", "..WWWWWWkkWW..",
                         "..WWWWWWWWWW..", "..WW..pp..WW..", "..WW......WW..", "..WW......WW..", "..............",
                         ".............."});
}
tile_paint horse_art() {
  return paint_from_art({"..............", "..............", "...........oo.", "..........oooo", ".........oooWo",
                         "........ooooo.", "o.......ooo...", "oooooooooooo..", ".ooooooooooo..", ".ooooooooooo..",
                         "..oooooooooo..", "..oo......oo..", "..oo......oo..", "..oo......oo..", "..WW......WW..",
                         ".............."});
}
tile_paint sheep_art() {
  return paint_from_art({"..............", "..............", "..............", "..............", "....WWWWWW....",
                         "..WWWWWWWWWWkk", ".WWWWWWWWWWkWk", ".WWWWWWWWWWkkk", ".WWWWWWWWWWk..", "..WWWWWWWWW...",
                         "...k.k...k.k..", "...k.k...k.k..", "...k.k...k.k..", "..............", "..............",
                         ".............."});
}
tile_paint small_beast_art() {
  return paint_from_art({"..............", "..............", "..............", "..............", "..............",
                         "..............", "..............", ".........CC...", "....CCCCCCCW..", "..CCCCCCCCCCC.",
                         ".C.CCCCCCCC...", "C...C.C.C.C...", "..............", "..............", "..............",
                         ".............."});
}
tile_paint snake_art() {
  return paint_from_art({"..............", "..............", "..............", "..........CC..", ".........CWCC.",
                         ".........CCC..", "..........CC..", ".........CC...", "...CCCC.CC....", "..CC..CCC.....",
                         "..CC..........", "...CCCCC......", ".......CC.....", "..CCCCCC......", "..............",
                         ".............."});
}
tile_paint bear_art() {
  return paint_from_art({"..............", "..CC....CC....", "..CCCCCCCC....", "..CWCCCCWC....", "..CCCCCCCC....",
                         "...CCWWCC.....", ".CCCCCCCCCC...", "CCCCCCCCCCCC..", "CC.CCCCCCC.CC.", "CC.CCCCCCC.CC.",
                         "...CCCCCCC....", "...CCCCCCC....", "...CC...CC....", "..CCC...CCC...", "..............",
                         ".............."});
}
tile_paint skeleton_art() {
  return paint_from_art({"..............", ".....WWWW.....", "....WWWWWW....", "....WkWWkW....", ".....WWWW.....",
                         "......WW......", "...WWWWWWWW...", "..W..WWWW..W..", "..W..W..W..W..", "..W..WWWW..W..",
                         ".....W..W.....", ".....WWWW.....", ".....W..W.....", ".....W..W.....", "....WW..WW....",
                         ".............."});
}
tile_paint brute_art() {
  return paint_from_art({"..............", ".....CCCC.....", "....CWCCWC....", "....CCCCCC....", "....CWWWWC....",
                         "...oooooooo...", "..CooooooooC..", ".CC.oooooo.CC.", ".CC.oooooo.CC.", ".CC.oooooo.CCW",
                         "....oooooo..WW", "....CC..CC..W.", "....CC..CC....", "...CCC..CCC...", "..............",
                         ".............."});
}
tile_paint slime_art() {
  return paint_from_art({"..............", "..............", "..............", "..............", "..............",
                         "..............", ".....CCCC.....", "...CCCCCCCC...", "..CCWCCCCWCC..", "..CCCCCCCCCC..",
                         ".CCCCCCCCCCCC.", ".CCCCCCCCCCCC.", "CCCCCCCCCCCCCC", "..............", "..............",
                         ".............."});
}
tile_paint bat_art() {
  return paint_from_art({"..............", "..............", "..............", "C.....CC.....C", "CC...CWWC...CC",
                         "CCC..CCCC..CCC", "CCCCCCCCCCCCCC", "CCCCCCCCCCCCCC", "CC.CC.CC.CC.CC", "C....C..C....C",
                         "..............", "..............", "..............", "..............", "..............",
                         ".............."});
}
tile_paint spider_art() {
  return paint_from_art({"..............", "..............", "C....CCCC....C", ".C..CCCCCC..C.", "..CCCWCCWCCC..",
                         "C..CCCCCCCC..C", ".CCCCCCCCCCCC.", "...CCCCCCCC...", ".CCCCCCCCCCCC.", "C..CCCCCCCC..C",
                         "..C..CCCC..C..", ".C..........C.", "..............", "..............", "..............",
                         ".............."});
}
tile_paint ghost_art() {
  return paint_from_art({"..............", ".....WWWW.....", "...WWWWWWWW...", "..WWWWWWWWWW..", "..WWkkWWkkWW..",
                         "..WWkkWWkkWW..", "..WWWWWWWWWW..", "..WWWWkkWWWW..", "..WWWWWWWWWW..", "..WWWWWWWWWW..",
                         "..WWWWWWWWWW..", "..WWWWWWWWWW..", "..WW.WWWW.WW..", "..W...WW...W..", "..............",
                         ".............."});
}
tile_paint cart_art() {
  return paint_from_art({"..............", "..............", "..............", "..WWWWWWWWWW..", "..WooooooooW..",
                         "..WooooooooW..", "..WWWWWWWWWWWW", "..........WW..", ".WWW....WWW...", "W.o.W..W.o.W..",
                         "WoWoW..WoWoW..", "W.o.W..W.o.W..", ".WWW....WWW...", "..............", "..............",
                         ".............."});
}
tile_paint scarecrow_art() {
  return paint_from_art({"..............", "....oooooo....", "......WW......", ".....WkkW.....", ".....WWWW.....",
                         "oooooooooooooo", "..o..gggg..o..", ".....gggg.....", ".....gggg.....", "......oo......",
                         "......oo......", "......oo......", "......oo......", "......oo......", ".....oooo.....",
                         ".............."});
}

// A craft or creature on calm water.
tile_paint afloat(std::uint32_t seed, const tile_paint& art) {
  tile_paint tile = still_water_paint(seed);
  paint_over(tile, art);
  repaint(tile, 'k', '.');
  return tile;
}
tile_paint rowboat_art() {
  return paint_from_art({"..............", "..............", "..............", "..............", "..............",
                         "......W.......", ".....W........", "kkkkWkkkkkkkkk", "kWWWWWWWWWWWWk", "kkooooooooookk",
                         ".kkooooooookk.", "..kkkkkkkkkk..", "..............", "..............", "..............",
                         ".............."});
}
tile_paint sailboat_art() {
  return paint_from_art({"......kWk.....", ".....kWWk.....", "....kWWWk.....", "...kWWWWk.....", "..kWWWWWk.....",
                         ".kWWWWWWk.....", "kWWWWWWWk.....", "kkkkkkkWkkkkkk", "kWWWWWWWWWWWWk", "kkooooooooookk",
                         ".kkooooooookk.", "..kkkkkkkkkk..", "..............", "..............", "..............",
                         ".............."});
}
tile_paint fish_art() {
  return paint_from_art({"..............", "..............", "..............", "..............", "...kkkkkk.....",
                         "..kCCCCCCk.kk.", ".kCWCCCCCCkCk.", ".kCCCCCCCCCCk.", "..kCCCCCCk.kk.", "...kkkkkk.....",
                         "..............", "..............", "..............", "..............", "..............",
                         ".............."});
}
tile_paint octopus_art() {
  return paint_from_art({"..............", "....kkkkkk....", "...kCCCCCCk...", "..kCCCCCCCCk..", "..kCWWCCWWCk..",
                         "..kCCCCCCCCk..", "..kCCCCCCCCk..", ".kCkCkCCkCkCk.", "kCk.kCkkCk.kCk", "kCk.kCkkCk.kCk",
                         ".kCk.kCCk.kCk.", "..kk..kk..kk..", "..............", "..............", "..............",
                         ".............."});
}
tile_paint serpent_art() {
  return paint_from_art({"..............", "..........CC..", ".........CWWC.", ".........CCCC.", "..CCCC...CC...",
                         ".CC..CC.CC....", "CC....CCC.....", "C......C......", "..............", "...CCCC.......",
                         "..CC..CC......", ".CC....CC.....", "..............", "..............", "..............",
                         ".............."});
}

// Monsters for the shape numbers the demo towns do not use: the beast
// drawings in turn, in the four colours.
void paint_other_monsters(tile_set& set) {
  tile_paint (*const drawings[])() = {brute_art, slime_art, bat_art, spider_art, bear_art, snake_art, dog_art};
  int n = 0;
  for (int s = 0x90; s <= 0xFF; ++s) {
    if (s >= sea_serpent && s <= sea_serpent + 3) continue;
    put_paint(set, 0x100 + s, coloured(drawings[n % 7](), "gopb"[n / 7 % 4]));
    ++n;
  }
}

}  // namespace

void paint_creature_tiles(tile_set& set) {
  struct drawing {
    int shape;
    tile_paint (*art)();
    char colour;
  };
  const drawing land[] = {{dog, dog_art, 'W'},           {cat, cat_art, 'W'},        {chicken, chicken_art, 'W'},
                          {cow, cow_art, 'W'},           {horse, horse_art, 'o'},    {sheep, sheep_art, 'W'},
                          {rat, small_beast_art, 'p'},   {snake, snake_art, 'g'},    {wolf, dog_art, 'b'},
                          {bear, bear_art, 'o'},         {skeleton, skeleton_art, 'W'}, {orc, brute_art, 'g'},
                          {slime, slime_art, 'g'},       {bat, bat_art, 'p'},        {spider, spider_art, 'p'},
                          {ghost, ghost_art, 'W'},       {troll, brute_art, 'b'},    {cart, cart_art, 'o'},
                          {scarecrow, scarecrow_art, 'o'}};
  for (const drawing& d : land) put_paint(set, 0x100 + d.shape, coloured(d.art(), d.colour));
  for (int i = 0; i < 16; ++i) {
    const std::uint32_t seed = static_cast<std::uint32_t>(200 + i);
    const char colour = "obgp"[i % 4];
    tile_paint (*const boats[])() = {rowboat_art, sailboat_art, fish_art, fish_art};
    put_paint(set, 0x100 + rowboat + i, afloat(seed, coloured(boats[i % 4](), colour)));
    put_paint(set, 0x100 + shark + i, afloat(seed + 50, coloured(i % 2 ? octopus_art() : fish_art(), i % 4 < 2 ? 'W' : 'p')));
  }
  for (int i = 0; i < 4; ++i) put_paint(set, 0x100 + sea_serpent + i, coloured(serpent_art(), "gWpo"[i]));
  put_paint(set, 0x100 + duck, afloat(230, coloured(chicken_art(), 'W')));
  paint_other_monsters(set);
}

}  // namespace demo
