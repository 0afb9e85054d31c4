#include "demo/tile_paint.h"

#include <cstring>
#include <stdexcept>
#include <string>

namespace demo {

namespace {

constexpr bool is_group_one(char c) { return c == 'o' || c == 'b'; }
constexpr bool is_group_zero(char c) { return c == 'g' || c == 'p'; }

// Whether dot `d` (0..13 across the tile) is lit for paint letter `c`.
constexpr bool lights(char c, int d) {
  if (c == 'W') return true;
  if (c == 'g' || c == 'o') return d % 2 == 0;
  if (c == 'p' || c == 'b') return d % 2 == 1;
  return false;
}

}  // namespace

std::uint32_t next_random(demo_random& r) {
  std::uint32_t x = r.state != 0 ? r.state : 0x9E3779B9u;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  r.state = x;
  return x;
}

int random_below(demo_random& r, int n) { return n <= 1 ? 0 : static_cast<int>(next_random(r) % static_cast<std::uint32_t>(n)); }

tile_paint filled_paint(char letter) {
  tile_paint tile;
  for (auto& row : tile.cells) row.fill(letter);
  return tile;
}

tile_paint paint_from_art(std::initializer_list<const char*> rows, const char* legend) {
  if (rows.size() != tile_rows) throw std::invalid_argument("tile art needs 16 rows");
  tile_paint tile = filled_paint('.');
  int y = 0;
  for (const char* row : rows) {
    if (std::strlen(row) != tile_dots) throw std::invalid_argument(std::string("tile art row '") + row + "'");
    for (int x = 0; x < tile_dots; ++x) {
      char c = row[x];
      for (const char* l = legend; l[0] != '\0' && l[1] != '\0'; l += 2)
        if (l[0] == c) {
          c = l[1];
          break;
        }
      tile.cells[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = c;
    }
    ++y;
  }
  return tile;
}

void paint_rect(tile_paint& tile, int x0, int y0, int x1, int y1, char letter) {
  for (int y = y0 < 0 ? 0 : y0; y <= y1 && y < tile_rows; ++y)
    for (int x = x0 < 0 ? 0 : x0; x <= x1 && x < tile_dots; ++x)
      tile.cells[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = letter;
}

void paint_over(tile_paint& base, const tile_paint& top) {
  for (std::size_t y = 0; y < tile_rows; ++y)
    for (std::size_t x = 0; x < tile_dots; ++x)
      if (top.cells[y][x] != '.') base.cells[y][x] = top.cells[y][x];
}

void repaint(tile_paint& tile, char from, char to) {
  for (auto& row : tile.cells)
    for (char& c : row)
      if (c == from) c = to;
}

hires_tile encode_tile(const tile_paint& tile) {
  hires_tile out;
  for (std::size_t s = 0; s < tile_rows; ++s)
    for (int k = 0; k < 2; ++k) {
      int zero = 0, one = 0;
      for (int i = 0; i < 7; ++i) {
        const char c = tile.cells[s][static_cast<std::size_t>(7 * k + i)];
        zero += is_group_zero(c) ? 1 : 0;
        one += is_group_one(c) ? 1 : 0;
      }
      std::uint8_t b = one > zero ? 0x80 : 0x00;
      for (int i = 0; i < 7; ++i)
        if (lights(tile.cells[s][static_cast<std::size_t>(7 * k + i)], 7 * k + i))
          b = static_cast<std::uint8_t>(b | (1u << i));
      out.bytes[s][static_cast<std::size_t>(k)] = b;
    }
  return out;
}

hires_tile encode_mask(const tile_paint& region) {
  hires_tile out;
  for (std::size_t s = 0; s < tile_rows; ++s)
    for (int k = 0; k < 2; ++k) {
      std::uint8_t b = 0;
      int count = 0;
      for (int i = 0; i < 7; ++i)
        if (region.cells[s][static_cast<std::size_t>(7 * k + i)] != '.') {
          b = static_cast<std::uint8_t>(b | (1u << i));
          ++count;
        }
      if (count >= 4) b = static_cast<std::uint8_t>(b | 0x80);
      out.bytes[s][static_cast<std::size_t>(k)] = b;
    }
  return out;
}

void put_tile(shapes_file& file, int t, const hires_tile& tile) {
  if (t < 0 || t > 511) throw std::out_of_range("tile number");
  const std::size_t base = static_cast<std::size_t>(t / 256) * 8192 + static_cast<std::size_t>(t % 256);
  for (std::size_t s = 0; s < tile_rows; ++s)
    for (std::size_t k = 0; k < 2; ++k) file[base + k * 4096 + s * 256] = tile.bytes[s][k];
}

}  // namespace demo
