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
// exactly when their double values compare equal.
#include "tiles/retouch_filter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "tiles/blur_filter.h"
#include "tiles/retouch_colour.h"

namespace {

constexpr int run_reach = 6;           // hues compared on each side
constexpr int margin_cells = 10;       // cells beyond each end with open ends
constexpr int min_joined_width = 10;   // narrower rows are not joined
constexpr int no_hue_level = 2 * run_reach + 1;  // saturation level of no hue
constexpr int levels = no_hue_level + 1;         // 0..12 runs, then no hue
constexpr std::uint8_t no_hue_id = 0xFF;

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

using byte_array = std::unique_ptr<std::uint8_t[]>;
byte_array allocate_bytes(std::size_t count) { return byte_array(new (std::nothrow) std::uint8_t[count]); }

// Everything the filter works with, allocated before the first row.
struct retouch_work {
  std::int64_t width = 0;
  bool joined = false;
  std::int32_t phase = 0;
  std::int64_t margin = 0;
  byte_array pairs;    // width: patterns of every column
  byte_array hues;     // width + 2 margin: hue numbers, in the state the run count sees
  byte_array right;    // width + margin: equal raw hues to the right, at most 6
  byte_array colours;  // 256 x levels x 2 output pixels, 4 bytes each
  std::array<std::uint8_t, 256> hue_of_pair{};  // hue number of a pair, or no_hue_id
  std::uint8_t zero_hue = 0;                    // the number of hue 0
};

// Hue numbers of the 256 pairs and the output colours of every pair,
// saturation level and lit state.
void build_tables(retouch_work& work) {
  std::array<double, 257> seen{};
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

  for (int pair = 0; pair < 256; ++pair) {
    const int a = pair >> 4;
    const int b = pair & 15;
    const double brightness = (pattern_brightness[a] + pattern_brightness[b]) / 2;
    const double mixed = mix_hue(a, b);
    for (int level = 0; level < levels; ++level) {
      const bool none = level == no_hue_level;
      const double hue = none ? 0.0 : mixed;
      const double saturation = none ? 0.0 : static_cast<double>(level + run_reach) / 18;
      for (int lit = 0; lit < 2; ++lit) {
        std::uint8_t* out = &work.colours[(static_cast<std::size_t>(pair) * levels + level) * 8 + lit * 4];
        const rgb_pixel px = signal_colour(brightness, hue, saturation, lit != 0);
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
  work.pairs = allocate_bytes(w);
  work.hues = allocate_bytes(w + 2 * m);
  work.right = allocate_bytes(w + m);
  work.colours = allocate_bytes(std::size_t{256} * levels * 8);
  return work.pairs && work.hues && work.right && work.colours;
}

// Pass 1: the pattern pair and the raw hue number of every column.
void find_patterns(retouch_work& work, const std::uint8_t* row) {
  const std::int64_t width = work.width;
  auto lit_at = [&](std::int64_t p) -> unsigned {
    if (p < 0 || p >= width) {
      if (!work.joined) return 0;
      p = ((p % width) + width) % width;
    }
    return row[p] != 0 ? 1u : 0u;
  };
  std::uint8_t* pairs = work.pairs.get();
  std::uint8_t* hues = work.hues.get() + work.margin;
  unsigned window = lit_at(-2) | lit_at(-1) << 1 | lit_at(0) << 2 | lit_at(1) << 3;
  for (std::int64_t x = 0; x < width; ++x) {
    const unsigned ahead = x + 2 < width ? (row[x + 2] != 0 ? 1u : 0u) : lit_at(x + 2);
    window |= ahead << 4;
    const std::uint8_t pair = pattern_pairs[(work.phase + x) & 3][window];
    pairs[x] = pair;
    hues[x] = work.hue_of_pair[pair];
    window >>= 1;
  }
}

// Pass 2: for every column, how many raw hue numbers right after it equal
// its own, at most 6, not wrapping around (the open ends' margin counts).
void count_right(retouch_work& work) {
  const std::uint8_t* hues = work.hues.get() + work.margin;
  std::uint8_t* right = work.right.get();
  const std::int64_t last = work.width + work.margin - 1;
  right[last] = 0;
  for (std::int64_t i = last - 1; i >= 0; --i) {
    right[i] = hues[i + 1] == hues[i] ? static_cast<std::uint8_t>(std::min(right[i + 1] + 1, run_reach)) : 0;
  }
}

// The run of a column of joined rows near an end, counted one by one
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

// Pass 3: saturation level and output pixel of every column.  `left` is
// the count of equal hue numbers right before the column in their current
// state, not wrapping around.
void write_row(retouch_work& work, const std::uint8_t* row, std::uint8_t* out) {
  const std::int64_t width = work.width;
  std::uint8_t* hues = work.hues.get() + work.margin;
  const std::uint8_t* right = work.right.get();
  const std::uint8_t* pairs = work.pairs.get();
  const std::uint8_t* colours = work.colours.get();
  // With open ends the cell before column 0 is the last of ten zeros.
  int left = run_reach;
  for (std::int64_t x = 0; x < width; ++x) {
    int level = no_hue_level;
    if (hues[x] == no_hue_id) hues[x] = work.zero_hue;
    const bool has_prev = x > 0 || !work.joined;
    left = has_prev && hues[x - 1] == hues[x] ? std::min(left + 1, run_reach) : 0;
    if (work.hue_of_pair[pairs[x]] != no_hue_id) {
      if (work.joined && (x < run_reach || x >= width - run_reach)) {
        level = count_ring(work, x);
      } else {
        level = left + right[x];
      }
    }
    const std::size_t entry = (static_cast<std::size_t>(pairs[x]) * levels + level) * 8 + (row[x] != 0 ? 4 : 0);
    std::memcpy(out + 3 * x, colours + entry, 3);
  }
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
  byte_array out;
  if (out_size <= std::numeric_limits<std::uint32_t>::max()) out = allocate_bytes(out_size);
  if (!out || !allocate_work(work)) {
    std::puts("ERROR: memory exhausted!");
    return -1;
  }
  build_tables(work);
  if (!work.joined) {
    std::memset(work.hues.get(), work.zero_hue, static_cast<std::size_t>(width + 2 * work.margin));
  }

  std::uint8_t* pixels = picture.pixels.get();
  const auto row_bytes = static_cast<std::size_t>(width);
  const std::size_t out_row_bytes = row_bytes * 3;
  for (std::int64_t y = 0; y < height; y += 2) {
    std::uint8_t* row = pixels + static_cast<std::size_t>(y) * row_bytes;
    std::uint8_t* out_row = out.get() + static_cast<std::size_t>(y) * out_row_bytes;
    resolve_delay_markers(row, picture.width, join_ends);
    find_patterns(work, row);
    count_right(work);
    write_row(work, row, out_row);
    if (y + 1 < height) std::memcpy(out_row + out_row_bytes, out_row, out_row_bytes);
  }

  picture.pixels = std::move(out);
  picture.data_size = static_cast<std::uint32_t>(out_size);
  picture.bit_count = 24;
  picture.palette = nullptr;
  return 0;
}
