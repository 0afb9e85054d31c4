// Painting hi-res tiles in colour areas.
//
// A tile of the game is 14 dots by 16 rows, two bytes a row: seven dots a
// byte (bit 0 the leftmost) and a colour-group bit (0x80) per byte.  On a
// colour screen a lone lit dot shows a colour set by its column parity and
// the byte's group; runs of lit dots show white.  So a tile is painted here
// as 16 rows of 14 cells, each cell one paint letter:
//
//   '.'  dark                    'W'  lit (white where dots run together)
//   'g'  green:  even dots lit, group 0     'p'  purple: odd dots lit, group 0
//   'o'  orange: even dots lit, group 1     'b'  blue:   odd dots lit, group 1
//
// A byte takes the group most of its coloured cells ask for; a cell of the
// other group keeps its dot parity and shows that group's colour instead.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>

namespace demo {

inline constexpr int tile_dots = 14;
inline constexpr int tile_rows = 16;

struct tile_paint {
  std::array<std::array<char, tile_dots>, tile_rows> cells;
};

// The two hi-res bytes of each row of one tile.
struct hires_tile {
  std::array<std::array<std::uint8_t, 2>, tile_rows> bytes{};
};

// The tile file: four planes of 4096 bytes (left bytes of tiles 0-255,
// right bytes of tiles 0-255, then the same for tiles 256-511); row s of
// tile t in byte s * 256 + t % 256 of its plane.
using shapes_file = std::array<std::uint8_t, 16384>;

// A deterministic pseudo-random sequence (xorshift), seeded by the caller.
struct demo_random {
  std::uint32_t state;
};
std::uint32_t next_random(demo_random& r);
// 0 .. n - 1.
int random_below(demo_random& r, int n);

// A tile of one paint letter.
tile_paint filled_paint(char letter);
// A tile from 16 strings of 14 paint letters; any other letter in them is
// looked up in `legend` as pairs "Xy" (letter X paints as y).
tile_paint paint_from_art(std::initializer_list<const char*> rows, const char* legend = "");
// Paints the cells x0..x1, y0..y1 (inclusive, clipped to the tile).
void paint_rect(tile_paint& tile, int x0, int y0, int x1, int y1, char letter);
// Copies every cell of `top` that is not '.' over `base`.
void paint_over(tile_paint& base, const tile_paint& top);
// Replaces every cell `from` by `to`.
void repaint(tile_paint& tile, char from, char to);

// The hi-res bytes of a painted tile.
hires_tile encode_tile(const tile_paint& tile);
// A water mask: bits set for the cells that are not '.', and a byte's
// colour-group bit set when four or more of its seven cells are.
hires_tile encode_mask(const tile_paint& region);

// Stores tile `t` (0..511) in the tile file.
void put_tile(shapes_file& file, int t, const hires_tile& tile);

}  // namespace demo
