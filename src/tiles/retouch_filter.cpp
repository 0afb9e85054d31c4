// The retouch filter: a model of the colour television signal.
//
// For every column x the lit dots of two four-dot windows, x - 2 to x + 1
// (pattern a) and x - 1 to x + 2 (pattern b), each OR in the bit
// 1 << ((phase + x + d + 2) mod 4) of their offset d.  Brightness and hue
// come from the two patterns, the saturation from the run of equal hues
// around x, and the pixel from brightness, hue and saturation through the
// YIQ colour model.
//
// Speed: the two patterns depend only on the five lit dots around x and on
// (phase + x) mod 4; the saturation only on the run length 0 to 12 (or none
// for no hue); so every output pixel is one of 256 x 14 x 2 colours, which
// are computed once per call with the very arithmetic of the plain formula.
// Runs are counted on small hue numbers: two hues get the same number
// exactly when their double values compare equal.  A row takes two passes:
// the patterns of four columns at a time from one table, then the runs and
// the output, left to right.
#include "tiles/retouch_filter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "tiles/blur_filter.h"
#include "tiles/retouch_colour.h"

namespace {

constexpr int run_reach = 6;                     // hues compared on each side
constexpr int margin_cells = 10;                 // cells beyond each end with open ends
constexpr int min_joined_width = 10;             // narrower rows are not joined
constexpr int no_hue_level = 2 * run_reach + 1;  // saturation level of no hue
constexpr int levels = no_hue_level + 1;         // runs 0..12, then no hue
constexpr int colour_bytes = 4;                  // blue, green, red, unused
constexpr int level_stride = 2 * colour_bytes;   // dark, then lit
constexpr int pair_stride = levels * level_stride;
constexpr std::uint8_t no_hue_id = 0xFF;

// All bits set when `condition` holds, else 0.  The passes pick values
// with it rather than with branches, which the random changes of hue
// would keep mispredicting.
constexpr std::int64_t all_ones_if(bool condition) { return -static_cast<std::int64_t>(condition); }

// The two patterns (a << 4 | b) by (phase + x) mod 4 and the lit bits of
// x - 2 to x + 2 (bit 0 for x - 2).
using pair_table = std::array<std::array<std::uint8_t, 32>, 4>;

constexpr pair_table make_pair_table() {
  pair_table table{};
  for (int p = 0; p < 4; ++p) {
    for (unsigned w = 0; w < 32; ++w) {
      unsigned a = 0;
      unsigned b = 0;
      for (int i = 0; i < 5; ++i) {
        if (((w >> i) & 1) == 0) continue;
        const unsigned bit = 1u << ((p + i) % 4);
        if (i <= 3) a |= bit;
        if (i >= 1) b |= bit;
      }
      table[p][w] = static_cast<std::uint8_t>(a << 4 | b);
    }
  }
  return table;
}
constexpr pair_table pattern_pairs = make_pair_table();

// The patterns of four columns x0 to x0 + 3 (x0 a multiple of 4) by phase
// and the lit bits of x0 - 2 to x0 + 5 (bit 0 for x0 - 2).
using quad_table = std::array<std::array<std::array<std::uint8_t, 4>, 256>, 4>;

constexpr quad_table make_quad_table() {
  quad_table table{};
  for (int p = 0; p < 4; ++p) {
    for (unsigned w = 0; w < 256; ++w) {
      for (int j = 0; j < 4; ++j) table[p][w][j] = pattern_pairs[(p + j) % 4][(w >> j) & 31];
    }
  }
  return table;
}
constexpr quad_table quad_pairs = make_quad_table();

template <class T>
std::unique_ptr<T[]> allocate_array(std::size_t count) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[count]);
}

// Bytes read past a column when the run to its right is counted.
constexpr int run_window = 8;

// Everything the filter works with, allocated before the first row.
struct retouch_work {
  std::int64_t width = 0;
  bool joined = false;
  std::int32_t phase = 0;
  std::int64_t margin = 0;
  // Per column: offset in `colours` of the column's pattern pair and dot,
  // at saturation level 0.
  std::unique_ptr<std::uint16_t[]> offsets;
  // Width + 2 margins + run_window: hue numbers in the state the run count
  // sees (raw until the output pass has passed them).
  std::unique_ptr<std::uint8_t[]> hues;
  // 256 pairs x levels x (dark, lit) pixels of 4 bytes.
  std::unique_ptr<std::uint8_t[]> colours;
  std::array<std::uint8_t, 256> hue_of_pair{};  // hue number of a pair, or no_hue_id
  std::uint8_t zero_hue = 0;                    // the number of hue 0
  std::uint8_t unmatched = 0;                   // a number no hue has
};

// Hue numbers of the 256 pairs and the output colours of every pair,
// saturation level and dot.
void build_tables(retouch_work& work) {
  std::array<double, 258> seen{};
  int seen_count = 0;
  auto number_of = [&](double hue) -> std::uint8_t {
    for (int k = 0; k < seen_count; ++k) {
      if (seen[k] == hue) return static_cast<std::uint8_t>(k);
    }
    seen[seen_count] = hue;
    return static_cast<std::uint8_t>(seen_count++);
  };
  work.zero_hue = number_of(0.0);  // no hue becomes hue 0 once passed
  for (int pair = 0; pair < 256; ++pair) {
    const double hue = mix_hue(pair >> 4, pair & 15);
    work.hue_of_pair[pair] = is_no_hue(hue) ? no_hue_id : number_of(hue);
  }
  // The hues are multiples of 22.5 degrees: far fewer than no_hue_id.
  work.unmatched = static_cast<std::uint8_t>(seen_count);

  const hue_wave no_hue_wave = hue_wave_of(0.0);
  for (int pair = 0; pair < 256; ++pair) {
    const int a = pair >> 4;
    const int b = pair & 15;
    const double brightness = (pattern_brightness[a] + pattern_brightness[b]) / 2;
    const double mixed = mix_hue(a, b);
    const hue_wave wave = is_no_hue(mixed) ? no_hue_wave : hue_wave_of(mixed);
    for (int level = 0; level < levels; ++level) {
      const bool none = level == no_hue_level;
      const double saturation = none ? 0.0 : static_cast<double>(level + run_reach) / 18;
      for (int lit = 0; lit < 2; ++lit) {
        const rgb_pixel px = signal_colour(brightness, none ? no_hue_wave : wave, saturation, lit != 0);
        std::uint8_t* out = &work.colours[static_cast<std::size_t>(pair) * pair_stride +
                                          static_cast<std::size_t>(level) * level_stride + lit * colour_bytes];
        out[0] = px.blue;
        out[1] = px.green;
        out[2] = px.red;
        out[3] = 0;
      }
    }
  }
}

// Allocates the work arrays; false when memory is exhausted.
bool allocate_work(retouch_work& work) {
  const auto w = static_cast<std::size_t>(work.width);
  const auto m = static_cast<std::size_t>(work.margin);
  work.offsets = allocate_array<std::uint16_t>(w);
  work.hues = allocate_array<std::uint8_t>(w + 2 * m + run_window);
  work.colours = allocate_array<std::uint8_t>(std::size_t{256} * pair_stride);
  return work.offsets && work.hues && work.colours;
}

// First pass: the colour offset and raw hue number of every column, the
// pattern pairs four columns at a time.
void find_patterns(retouch_work& work, const std::uint8_t* row) {
  const std::int64_t width = work.width;
  const bool joined = work.joined;
  // Lit bit of any column; outside the row dark, or wrapped around.
  // Columns past width + 1 only feed pixels past the row's end.
  auto lit_at = [&](std::int64_t p) -> unsigned {
    if (p < 0 || p >= width) {
      if (!joined) return 0;
      p = ((p % width) + width) % width;
    }
    return row[p] != 0 ? 1u : 0u;
  };
  std::uint16_t* offsets = work.offsets.get();
  std::uint8_t* hues = work.hues.get() + work.margin;
  auto offset_of = [](std::uint8_t pair, std::uint8_t dot) {
    return static_cast<std::uint16_t>(pair * pair_stride + (dot != 0 ? colour_bytes : 0));
  };
  const auto& quads = quad_pairs[static_cast<std::size_t>(work.phase)];

  unsigned window = lit_at(-2) | lit_at(-1) << 1 | lit_at(0) << 2 | lit_at(1) << 3;
  std::int64_t x0 = 0;
  for (; x0 + 5 < width; x0 += 4) {
    const unsigned fresh = lit_nibble(row + x0 + 2);
    window = (window & 0x0F) | (fresh << 4);
    const std::array<std::uint8_t, 4>& quad = quads[window];
    for (int j = 0; j < 4; ++j) {
      offsets[x0 + j] = offset_of(quad[j], row[x0 + j]);
      hues[x0 + j] = work.hue_of_pair[quad[j]];
    }
    window >>= 4;
  }
  for (; x0 < width; x0 += 4) {
    unsigned fresh = 0;
    for (int i = 0; i < 4; ++i) fresh |= lit_at(x0 + 2 + i) << i;
    window = (window & 0x0F) | (fresh << 4);
    const std::array<std::uint8_t, 4>& quad = quads[window];
    for (int j = 0; j < 4 && x0 + j < width; ++j) {
      offsets[x0 + j] = offset_of(quad[j], row[x0 + j]);
      hues[x0 + j] = work.hue_of_pair[quad[j]];
    }
    window >>= 4;
  }
}

// How many of the hue numbers from `after` on equal `hue`, stopping at the
// first that differs, at most 6.  Reads 8 bytes as one word and finds the
// first differing byte.
int run_after(const std::uint8_t* after, std::uint8_t hue) {
  constexpr std::uint64_t ones = 0x0101010101010101u;
  constexpr std::uint64_t high_bits = 0x8080808080808080u;
  constexpr std::uint64_t low_bits = 0x7F7F7F7F7F7F7F7Fu;
  std::uint64_t word = 0;
  std::memcpy(&word, after, run_window);
  const std::uint64_t t = word ^ (hue * ones);
  // The high bit of every byte that is not zero, exactly (no carries).
  const std::uint64_t differs = (((t & low_bits) + low_bits) | t) & high_bits;
  if constexpr (std::endian::native == std::endian::little) {
    return std::countr_zero(differs | (std::uint64_t{0x80} << 48)) >> 3;  // byte 6 caps it
  } else {
    return std::countl_zero(differs | (std::uint64_t{0x80} << 8)) >> 3;
  }
}

// The run of a column of a joined row near its ends, counted one by one
// around the ring.
int count_ring(const retouch_work& work, std::int64_t x) {
  const std::uint8_t* hues = work.hues.get();
  const std::int64_t width = work.width;
  const std::uint8_t hue = hues[x];
  int run = 0;
  for (int k = 1; k <= run_reach && hues[(x - k + width) % width] == hue; ++k) ++run;
  for (int k = 1; k <= run_reach && hues[(x + k) % width] == hue; ++k) ++run;
  return run;
}

// What the left-to-right pass carries from column to column: where the
// current stretch of equal hue numbers (in their current state) began, and
// the hue number of the column before.
struct row_state {
  std::int64_t stretch_start = 0;
  std::uint8_t previous = 0;
};

// Left-to-right pass over columns first to last - 1: no hue becomes hue 0,
// the saturation level, and the output pixel written from `out` on.
template <bool ring>
void write_columns(retouch_work& work, std::uint8_t* out, std::int64_t first, std::int64_t last,
                   row_state& state) {
  std::uint8_t* hues = work.hues.get() + work.margin;
  const std::uint16_t* offsets = work.offsets.get();
  const std::uint8_t* colours = work.colours.get();
  const std::uint8_t zero_hue = work.zero_hue;
  std::int64_t stretch_start = state.stretch_start;
  std::uint8_t previous = state.previous;
  for (std::int64_t x = first; x < last; ++x) {
    const std::uint8_t raw = hues[x];
    const std::int64_t none = all_ones_if(raw == no_hue_id);
    const auto hue = static_cast<std::uint8_t>(raw ^ ((raw ^ zero_hue) & none));
    hues[x] = hue;
    stretch_start = x + ((stretch_start - x) & all_ones_if(previous == hue));
    previous = hue;
    std::int64_t level = 0;
    if constexpr (ring) {
      level = count_ring(work, x);
    } else {
      // Columns to the right are still raw, as the count must see them.
      level = std::min<std::int64_t>(x - stretch_start, run_reach) + run_after(hues + x + 1, hue);
    }
    level += (no_hue_level - level) & none;
    // Four bytes copied, the fourth overwritten by the next pixel.
    std::memcpy(out + 3 * (x - first), colours + offsets[x] + level * level_stride, colour_bytes);
  }
  state.stretch_start = stretch_start;
  state.previous = previous;
}

// The left-to-right pass for a whole row.  Joined rows count their first
// and last six columns one by one around the ring.
void write_row(retouch_work& work, std::uint8_t* out) {
  const std::int64_t width = work.width;
  row_state state;
  if (work.joined) {
    state.previous = work.unmatched;  // no column before the first
    const std::int64_t edge = std::min<std::int64_t>(run_reach, width);
    const std::int64_t tail = std::max(edge, width - run_reach);
    write_columns<true>(work, out, 0, edge, state);
    write_columns<false>(work, out + 3 * edge, edge, tail, state);
    write_columns<true>(work, out + 3 * tail, tail, width - 1, state);
  } else {
    // Ten margin zeros come before column 0.
    state.stretch_start = -margin_cells;
    state.previous = work.zero_hue;
    write_columns<false>(work, out, 0, width - 1, state);
  }
  // The last column without the fourth byte.
  std::uint8_t last[colour_bytes];
  if (work.joined) {
    write_columns<true>(work, last, width - 1, width, state);
  } else {
    write_columns<false>(work, last, width - 1, width, state);
  }
  std::memcpy(out + 3 * (width - 1), last, 3);
}

}  // namespace

int retouch_bitmap(bitmap& picture, std::int32_t join_ends, std::int32_t phase) {
  const std::int64_t width = picture.width;
  const std::int64_t height = picture.height;
  if (width <= 0 || height <= 0 || picture.pixels == nullptr) return -1;
  if (picture.data_size / static_cast<std::uint64_t>(width) < static_cast<std::uint64_t>(height)) return -1;

  if (join_ends == 1 && width < min_joined_width) {
    std::puts("WARNING: too narrow width ... set join_ends to 0");
    join_ends = 0;
  }

  retouch_work work;
  work.width = width;
  work.joined = join_ends == 1;
  work.phase = phase & 3;
  work.margin = work.joined ? 0 : margin_cells;
  const std::uint64_t out_size = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 3;
  // The record holds its size in 32 bits: a larger picture cannot be made.
  std::unique_ptr<std::uint8_t[]> out;
  if (out_size <= std::numeric_limits<std::uint32_t>::max()) out = allocate_array<std::uint8_t>(out_size);
  if (!out || !allocate_work(work)) {
    std::puts("ERROR: memory exhausted!");
    return -1;
  }
  build_tables(work);
  // The margins hold hue 0 and are never written again; the bytes past
  // them are only read by the run count, which never goes that far.
  std::memset(work.hues.get(), work.zero_hue, static_cast<std::size_t>(width + 2 * work.margin + run_window));

  std::uint8_t* pixels = picture.pixels.get();
  const auto row_bytes = static_cast<std::size_t>(width);
  const std::size_t out_row_bytes = row_bytes * 3;
  for (std::int64_t y = 0; y < height; y += 2) {
    std::uint8_t* row = pixels + static_cast<std::size_t>(y) * row_bytes;
    std::uint8_t* out_row = out.get() + static_cast<std::size_t>(y) * out_row_bytes;
    resolve_delay_markers(row, picture.width, join_ends);
    find_patterns(work, row);
    write_row(work, out_row);
    if (y + 1 < height) std::memcpy(out_row + out_row_bytes, out_row, out_row_bytes);
  }

  picture.pixels = std::move(out);
  picture.data_size = static_cast<std::uint32_t>(out_size);
  picture.bit_count = 24;
  picture.palette = nullptr;
  return 0;
}
