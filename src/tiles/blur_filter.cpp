// The colour filter with optional blur.
//
// Every column x has one of four phases, x mod 4, with the colour bits 4, 8,
// 1 and 2.  The colour of a pixel is built from the lit pixels at x - 2 to
// x + 2, each ORing in the bit of its own phase.  Since the phase of x + d
// is (x mod 4 + d) mod 4, the colour depends only on the five lit bits
// around x and on x mod 4.
#include "tiles/blur_filter.h"

#include <array>
#include <cstddef>
#include <cstring>

#include "tiles/hires_decode.h"

namespace {

constexpr std::array<std::uint8_t, 4> phase_bit = {4, 8, 1, 2};

// The rows are coloured in chunks of columns whose first column is a
// multiple of 4, so that every chunk sees the same phases.  `masked` holds,
// for the columns x0 - 2 .. x0 + n + 1 of a chunk, the colour bit of the
// column's phase when its dot is lit and 0 when it is dark; every colour is
// then a few ORs and selects over five neighbouring bytes, a loop the
// compiler turns into vector instructions.
constexpr std::size_t chunk_columns = 512;

// The colour bit of the phase of each entry of `masked`: entry i is column
// x0 - 2 + i, whose phase is (i + 2) mod 4 when x0 is a multiple of 4.
constexpr std::array<std::uint8_t, chunk_columns + 4> make_chunk_phases() {
  std::array<std::uint8_t, chunk_columns + 4> bits{};
  for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = phase_bit[(i + 2) % 4];
  return bits;
}
constexpr std::array<std::uint8_t, chunk_columns + 4> chunk_phases = make_chunk_phases();

// Colours the `n` columns of a chunk from its masked bits into `first` and,
// for a pair of rows, into `second` too (a different row: null otherwise).
// Always inlined, so that it is compiled for the processor the calling
// clone is for.
template <bool soft, bool pair>
[[gnu::always_inline]] inline void colour_chunk(const std::uint8_t* __restrict masked, std::uint8_t* __restrict first,
                  std::uint8_t* __restrict second, std::size_t n) {
  for (std::size_t x = 0; x < n; ++x) {
    const std::uint8_t m2 = masked[x], m1 = masked[x + 1], m0 = masked[x + 2], p1 = masked[x + 3],
                       p2 = masked[x + 4];
    std::uint8_t c = 0;
    if constexpr (soft) {
      const std::uint8_t near = static_cast<std::uint8_t>(m1 | m0 | p1);
      c = near != 0 ? static_cast<std::uint8_t>(near | m2 | p2) : 0;
    } else {
      const std::uint8_t far = (m1 != 0 && p1 != 0) ? static_cast<std::uint8_t>(m2 | p2) : 0;
      c = m0 != 0 ? static_cast<std::uint8_t>(m0 | m1 | p1 | far) : 0;
    }
    first[x] = c;
    if constexpr (pair) second[x] = c;
  }
}

// Colours the dot row `src` into `first` and, unless it is null, `second`,
// sharp or soft; `first` may be `src` itself (every dot is read before its
// column is written, and the dots that the joined ends reach are read
// first).  An AVX2 clone is chosen at run time where the processor has it.
__attribute__((target_clones("avx2", "default"))) void colour_row(const std::uint8_t* src, std::uint8_t* first,
                                                                   std::uint8_t* second, std::size_t width,
                                                                   bool join_ends, bool soft) {
  auto lit_wrapped = [&](std::int64_t p) -> bool {
    if (!join_ends) return false;
    const auto w = static_cast<std::int64_t>(width);
    return src[((p % w) + w) % w] != 0;
  };
  const bool before2 = lit_wrapped(-2), before1 = lit_wrapped(-1);
  const bool after[2] = {lit_wrapped(static_cast<std::int64_t>(width)),
                         lit_wrapped(static_cast<std::int64_t>(width) + 1)};
  std::array<std::uint8_t, chunk_columns + 4> masked;
  masked[0] = before2 ? chunk_phases[0] : 0;
  masked[1] = before1 ? chunk_phases[1] : 0;
  for (std::size_t x0 = 0; x0 < width; x0 += chunk_columns) {
    const std::size_t n = std::min(chunk_columns, width - x0);
    // Entries 2 .. n + 3 are the columns x0 .. x0 + n + 1; those past the
    // row's end are the joined ends (or dark).
    const std::size_t inside = std::min(n + 4, width - x0 + 2);
    for (std::size_t i = 2; i < inside; ++i)
      masked[i] = static_cast<std::uint8_t>(chunk_phases[i] * (src[x0 + i - 2] != 0));
    for (std::size_t i = inside; i < n + 4; ++i) masked[i] = after[i - inside] ? chunk_phases[i] : 0;
    if (second == nullptr) {
      if (soft) colour_chunk<true, false>(masked.data(), first + x0, nullptr, n);
      else colour_chunk<false, false>(masked.data(), first + x0, nullptr, n);
    } else {
      if (soft) colour_chunk<true, true>(masked.data(), first + x0, second + x0, n);
      else colour_chunk<false, true>(masked.data(), first + x0, second + x0, n);
    }
    // The last two columns of this chunk lead into the next one.
    masked[0] = masked[n];
    masked[1] = masked[n + 1];
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
  std::uint8_t* pixels = picture.pixels.get();
  for (std::int32_t y = 0; y < height; y += 2) {
    std::uint8_t* row = pixels + static_cast<std::size_t>(y) * row_bytes;
    resolve_delay_markers(row, width, join_ends);
    // Both rows of a pair get the colours; an odd last row has no partner
    // and is coloured in place.
    std::uint8_t* below = y + 1 < height ? row + row_bytes : nullptr;
    colour_row(row, row, below, row_bytes, joined, blur != 0);
  }
}
