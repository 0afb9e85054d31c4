// The colour filter with optional blur.
//
// Every column x has one of four phases, x mod 4, with the colour bits 4, 8,
// 1 and 2.  The colour of a pixel is built from the lit pixels at x - 2 to
// x + 2, each ORing in the bit of its own phase.  Since the phase of x + d
// is (x mod 4 + d) mod 4, the colour depends only on the five lit bits
// around x and on x mod 4.  Rows start at phase 0, so four pixels x0 to
// x0 + 3 with x0 a multiple of 4 depend only on the eight lit bits from
// x0 - 2 to x0 + 5: the filter looks up four colours at a time in a table
// of 256 entries.
#include "tiles/blur_filter.h"

#include <array>
#include <cstddef>
#include <cstring>

#include "tiles/hires_decode.h"

namespace {

constexpr std::array<std::uint8_t, 4> phase_bit = {4, 8, 1, 2};

// The colour of one pixel.  Bit i of `window` is set when the pixel at
// x - 2 + i is lit (i from 0 to 4); `phase` is x mod 4.
constexpr std::uint8_t pixel_colour(unsigned window, int phase, bool soft) {
  auto bit = [&](int d) -> std::uint8_t {
    return ((window >> (d + 2)) & 1) != 0 ? phase_bit[(phase + d + 4) % 4] : 0;
  };
  std::uint8_t c = 0;
  if (!soft) {
    if (((window >> 2) & 1) == 0) return 0;
    c = bit(0) | bit(-1) | bit(1);
    if (((window >> 1) & 1) != 0 && ((window >> 3) & 1) != 0) c |= bit(-2) | bit(2);
  } else {
    c = bit(-1) | bit(0) | bit(1);
    if (c != 0) c |= bit(-2) | bit(2);
  }
  return c;
}

// Four colours for x0 to x0 + 3 (x0 a multiple of 4) by the lit bits of
// x0 - 2 to x0 + 5 (bit 0 for x0 - 2).
using group_table = std::array<std::array<std::uint8_t, 4>, 256>;

constexpr group_table make_group_table(bool soft) {
  group_table table{};
  for (unsigned w = 0; w < 256; ++w) {
    for (int j = 0; j < 4; ++j) table[w][j] = pixel_colour((w >> j) & 31, j, soft);
  }
  return table;
}
constexpr group_table sharp_table = make_group_table(false);
constexpr group_table soft_table = make_group_table(true);

// Colours the dot row `src` into `dst` (which may be `src` itself: every
// pixel is read before its column is written, and the pixels that the
// joined ends reach are read first).
void colour_row(const std::uint8_t* src, std::uint8_t* dst, std::int64_t width, bool join_ends,
                const group_table& table) {
  auto lit_wrapped = [&](std::int64_t p) -> unsigned {
    if (!join_ends) return 0;
    const std::int64_t q = ((p % width) + width) % width;
    return src[q] != 0 ? 1u : 0u;
  };
  const unsigned before2 = lit_wrapped(-2);
  const unsigned before1 = lit_wrapped(-1);
  const unsigned after0 = lit_wrapped(width);
  const unsigned after1 = lit_wrapped(width + 1);
  // Lit bit of any column, also outside the row; columns beyond width + 1
  // only feed pixels past the row's end, which are never stored.
  auto lit_at = [&](std::int64_t p) -> unsigned {
    if (p >= 0 && p < width) return src[p] != 0 ? 1u : 0u;
    if (p == -2) return before2;
    if (p == -1) return before1;
    if (p == width) return after0;
    if (p == width + 1) return after1;
    return 0;
  };

  unsigned window = before2 | (before1 << 1) | (lit_at(0) << 2) | (lit_at(1) << 3);
  std::int64_t x0 = 0;
  // Groups whose eight columns all lie in the row.
  for (; x0 + 5 < width; x0 += 4) {
    const unsigned fresh = lit_nibble(src + x0 + 2);
    window = (window & 0x0F) | (fresh << 4);
    std::memcpy(dst + x0, table[window].data(), 4);
    window >>= 4;
  }
  // The last groups, reaching past the row's end.
  for (; x0 < width; x0 += 4) {
    unsigned fresh = 0;
    for (int i = 0; i < 4; ++i) fresh |= lit_at(x0 + 2 + i) << i;
    window = (window & 0x0F) | (fresh << 4);
    for (int j = 0; j < 4 && x0 + j < width; ++j) dst[x0 + j] = table[window][j];
    window >>= 4;
  }
}

}  // namespace

void resolve_delay_markers(std::uint8_t* row, std::int32_t width, std::int32_t join_ends) {
  for (std::int64_t x = 0; x < width; x += 14) {
    if (row[x] != delay_marker) continue;
    if (x > 0) {
      row[x] = row[x - 1];
    } else {
      row[x] = join_ends != 0 ? row[width - 1] : 0;
    }
  }
}

void blur_bitmap(bitmap& picture, std::int32_t join_ends, std::int32_t blur) {
  const std::int32_t width = picture.width;
  const std::int32_t height = picture.height;
  if (width <= 0 || height <= 0 || picture.pixels == nullptr) return;
  const std::size_t row_bytes = static_cast<std::size_t>(width);
  if (picture.data_size / row_bytes < static_cast<std::size_t>(height)) return;

  const bool joined = join_ends != 0;
  const group_table& table = blur != 0 ? soft_table : sharp_table;
  std::uint8_t* pixels = picture.pixels.get();
  for (std::int32_t y = 0; y < height; y += 2) {
    std::uint8_t* row = pixels + static_cast<std::size_t>(y) * row_bytes;
    resolve_delay_markers(row, width, join_ends);
    if (y + 1 < height) {
      std::uint8_t* below = row + row_bytes;
      colour_row(row, below, width, joined, table);
      std::memcpy(row, below, row_bytes);
    } else {
      // An odd last row has no partner: it is coloured in place.
      colour_row(row, row, width, joined, table);
    }
  }
}
