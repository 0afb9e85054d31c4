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
//
// The run of a column is counted, left to right, on hues in the state the
// pass has left them: columns to its left have had "no hue" turned into
// hue 0 already, columns to its right not yet.  So each row keeps its hue
// numbers twice, as found (`raw`) and with no hue as hue 0 (`seen`), and
// a column's run is its equal neighbours among `seen` on the left and
// among `raw` on the right.  A row then takes a few straight passes that
// the compiler vectorizes: lit bits, pattern pairs, runs; then one lookup
// per pixel into the colour table.  Only the first and last six columns of
// a joined row, whose neighbours wrap around the ring, are counted one by
// one.
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

// A loop of table lookups runs fastest as plain loads: vector units
// would only emulate the gather.  GCC is told not to vectorize it.
#if defined(__GNUC__) && !defined(__clang__)
#define qz_plain_loop __attribute__((optimize("no-tree-vectorize")))
#else
#define qz_plain_loop
#endif
#define qz_wide_vectors __attribute__((target_clones("avx2", "default")))

namespace {

constexpr int run_reach = 6;                     // hues compared on each side
constexpr int margin_cells = 8;                  // cells beyond each end (at least run_reach)
constexpr int min_joined_width = 10;             // narrower rows are not joined
constexpr int no_hue_level = 2 * run_reach + 1;  // saturation level of no hue
constexpr int levels = no_hue_level + 1;         // runs 0..12, then no hue
constexpr int colour_bytes = 4;                  // blue, green, red, unused
constexpr int level_stride = 2 * colour_bytes;   // dark, then lit
static_assert(levels == retouch_palette::levels && colour_bytes == retouch_palette::colour_bytes);
constexpr int pair_stride = levels * level_stride;
constexpr std::uint8_t no_hue_id = 0xFF;

template <class T>
std::unique_ptr<T[]> allocate_array(std::size_t count) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[count]);
}

// Everything the filter works with, allocated before the first row.
struct retouch_work {
  std::size_t width = 0;
  bool joined = false;
  std::int32_t phase = 0;
  // Width + 4: entry i for column i - 2, the column's colour bit when its
  // dot is lit and 0 when dark (`phase_bits` holds the bits themselves).
  std::unique_ptr<std::uint8_t[]> phase_bits;
  std::unique_ptr<std::uint8_t[]> masked;
  // Per column: the pattern pair (a << 4 | b), the offset in `colours` of
  // the pair and dot (at saturation level 0, then at the column's level),
  // and the saturation level.
  std::unique_ptr<std::uint8_t[]> pairs;
  std::unique_ptr<std::uint16_t[]> offsets;
  std::unique_ptr<std::uint8_t[]> run_levels;
  // Width + 2 margins: hue numbers as found, and with no hue as hue 0.
  // The margins hold hue 0 (rows with open ends).
  std::unique_ptr<std::uint8_t[]> raw;
  std::unique_ptr<std::uint8_t[]> seen;
  const retouch_palette* palette = nullptr;
};

// Allocates the work arrays; false when memory is exhausted.
bool allocate_work(retouch_work& work) {
  const std::size_t w = work.width;
  work.phase_bits = allocate_array<std::uint8_t>(w + 4);
  work.masked = allocate_array<std::uint8_t>(w + 4);
  work.pairs = allocate_array<std::uint8_t>(w);
  work.offsets = allocate_array<std::uint16_t>(w);
  work.run_levels = allocate_array<std::uint8_t>(w);
  work.raw = allocate_array<std::uint8_t>(w + 2 * margin_cells);
  work.seen = allocate_array<std::uint8_t>(w + 2 * margin_cells);
  return work.phase_bits && work.masked && work.pairs && work.offsets && work.run_levels && work.raw &&
         work.seen;
}

// raw[x] = hue_of_pair[pairs[x]] for `width` columns.
qz_plain_loop void look_up_hues(const std::uint8_t* __restrict hue_of_pair, const std::uint8_t* __restrict pairs,
                  std::uint8_t* __restrict raw, std::size_t width) {
  for (std::size_t x = 0; x < width; ++x) raw[x] = hue_of_pair[pairs[x]];
}

// The pattern pair, hue numbers and colour offset of every column.
qz_wide_vectors void find_patterns(retouch_work& work, const std::uint8_t* __restrict row) {
  const std::size_t width = work.width;
  std::uint8_t* __restrict masked = work.masked.get();
  const std::uint8_t* __restrict bits = work.phase_bits.get();
  // The dots beyond the ends: the other end of the ring, or dark.
  auto lit_outside = [&](std::int64_t p) -> bool {
    if (!work.joined) return false;
    const auto w = static_cast<std::int64_t>(width);
    return row[((p % w) + w) % w] != 0;
  };
  const auto w = static_cast<std::int64_t>(width);
  masked[0] = static_cast<std::uint8_t>(bits[0] * lit_outside(-2));
  masked[1] = static_cast<std::uint8_t>(bits[1] * lit_outside(-1));
  masked[width + 2] = static_cast<std::uint8_t>(bits[width + 2] * lit_outside(w));
  masked[width + 3] = static_cast<std::uint8_t>(bits[width + 3] * lit_outside(w + 1));
  for (std::size_t i = 0; i < width; ++i) masked[i + 2] = static_cast<std::uint8_t>(bits[i + 2] * (row[i] != 0));

  std::uint8_t* __restrict pairs = work.pairs.get();
  for (std::size_t x = 0; x < width; ++x) {
    const std::uint8_t inner = static_cast<std::uint8_t>(masked[x + 1] | masked[x + 2] | masked[x + 3]);
    pairs[x] = static_cast<std::uint8_t>((masked[x] | inner) << 4 | inner | masked[x + 4]);
  }

  std::uint8_t* __restrict raw = work.raw.get() + margin_cells;
  std::uint8_t* __restrict seen = work.seen.get() + margin_cells;
  const std::uint8_t* __restrict hue_of_pair = work.palette->hue_of_pair.data();
  look_up_hues(hue_of_pair, pairs, raw, width);
  const std::uint8_t zero_hue = work.palette->zero_hue;
  for (std::size_t x = 0; x < width; ++x) seen[x] = raw[x] == no_hue_id ? zero_hue : raw[x];
  std::uint16_t* __restrict offsets = work.offsets.get();
  for (std::size_t x = 0; x < width; ++x)
    offsets[x] = static_cast<std::uint16_t>(pairs[x] * pair_stride + colour_bytes * (row[x] != 0));
}

// The saturation levels of columns first to last - 1, whose run-reach
// neighbours all lie within the row or its margins.
qz_wide_vectors void count_runs(retouch_work& work, std::size_t first, std::size_t last) {
  const std::uint8_t* __restrict raw = work.raw.get() + margin_cells;
  // Column x - k of `seen` is entry x + run_reach - k of `left`: indices
  // stay non-negative, also for column 0 of a row with open ends.
  const std::uint8_t* __restrict left = work.seen.get() + (margin_cells - run_reach);
  std::uint8_t* __restrict run_levels = work.run_levels.get();
  for (std::size_t x = first; x < last; ++x) {
    const std::uint8_t hue = raw[x];
    std::uint8_t run = 0;
    std::uint8_t still = 1;
    for (std::size_t k = 1; k <= run_reach; ++k) {
      still = static_cast<std::uint8_t>(still & (left[x + run_reach - k] == hue));
      run = static_cast<std::uint8_t>(run + still);
    }
    still = 1;
    for (std::size_t k = 1; k <= run_reach; ++k) {
      still = static_cast<std::uint8_t>(still & (raw[x + k] == hue));
      run = static_cast<std::uint8_t>(run + still);
    }
    run_levels[x] = hue == no_hue_id ? static_cast<std::uint8_t>(no_hue_level) : run;
  }
}

// The saturation level of column x of a joined row, its neighbours taken
// around the ring: those the pass has passed (before x) with no hue as hue
// 0, the others as found.
void count_ring(retouch_work& work, std::size_t x) {
  const std::uint8_t* raw = work.raw.get() + margin_cells;
  const std::uint8_t* seen = work.seen.get() + margin_cells;
  const std::size_t width = work.width;
  const std::uint8_t hue = raw[x];
  auto at = [&](std::size_t p) { return p < x ? seen[p] : raw[p]; };
  std::uint8_t run = 0;
  for (std::size_t k = 1; k <= run_reach && at((x + width - k) % width) == hue; ++k) ++run;
  for (std::size_t k = 1; k <= run_reach && at((x + k) % width) == hue; ++k) ++run;
  work.run_levels[x] = hue == no_hue_id ? static_cast<std::uint8_t>(no_hue_level) : run;
}

// The output pixels of a row, blue, green, red, into `out`.
qz_wide_vectors void write_row(const retouch_work& work, std::uint8_t* __restrict out) {
  const std::size_t width = work.width;
  std::uint16_t* __restrict offsets = work.offsets.get();
  const std::uint8_t* __restrict run_levels = work.run_levels.get();
  for (std::size_t x = 0; x < width; ++x)
    offsets[x] = static_cast<std::uint16_t>(offsets[x] + run_levels[x] * level_stride);
  const std::uint8_t* __restrict colours = work.palette->colours.data();
  // Four bytes copied, the fourth overwritten by the next pixel.
  for (std::size_t x = 0; x + 1 < width; ++x) std::memcpy(out + 3 * x, colours + offsets[x], colour_bytes);
  std::memcpy(out + 3 * (width - 1), colours + offsets[width - 1], 3);
}

}  // namespace

void build_retouch_palette(retouch_palette& palette) {
  std::array<double, 258> seen{};
  int seen_count = 0;
  auto number_of = [&](double hue) -> std::uint8_t {
    for (int k = 0; k < seen_count; ++k) {
      if (seen[static_cast<std::size_t>(k)] == hue) return static_cast<std::uint8_t>(k);
    }
    seen[static_cast<std::size_t>(seen_count)] = hue;
    return static_cast<std::uint8_t>(seen_count++);
  };
  palette.zero_hue = number_of(0.0);  // no hue becomes hue 0 once passed
  for (int pair = 0; pair < 256; ++pair) {
    const double hue = mix_hue(pair >> 4, pair & 15);
    // The hues are multiples of 22.5 degrees: far fewer than no_hue_id.
    palette.hue_of_pair[static_cast<std::size_t>(pair)] = is_no_hue(hue) ? no_hue_id : number_of(hue);
  }

  const hue_wave no_hue_wave = hue_wave_of(0.0);
  for (int pair = 0; pair < 256; ++pair) {
    const int a = pair >> 4;
    const int b = pair & 15;
    const double brightness = (pattern_brightness[static_cast<std::size_t>(a)] + pattern_brightness[static_cast<std::size_t>(b)]) / 2;
    const double mixed = mix_hue(a, b);
    const hue_wave wave = is_no_hue(mixed) ? no_hue_wave : hue_wave_of(mixed);
    for (int level = 0; level < levels; ++level) {
      const bool none = level == no_hue_level;
      const double saturation = none ? 0.0 : static_cast<double>(level + run_reach) / 18;
      for (int lit = 0; lit < 2; ++lit) {
        const rgb_pixel px = signal_colour(brightness, none ? no_hue_wave : wave, saturation, lit != 0);
        std::uint8_t* out = &palette.colours[static_cast<std::size_t>(pair) * pair_stride +
                                             static_cast<std::size_t>(level) * level_stride +
                                             static_cast<std::size_t>(lit) * colour_bytes];
        out[0] = px.blue;
        out[1] = px.green;
        out[2] = px.red;
        out[3] = 0;
      }
    }
  }
}

int retouch_bitmap(bitmap& picture, std::int32_t join_ends, std::int32_t phase, const message_sink& sink) {
  retouch_palette palette;
  build_retouch_palette(palette);
  return retouch_bitmap(picture, join_ends, phase, palette, sink);
}

int retouch_bitmap(bitmap& picture, std::int32_t join_ends, std::int32_t phase, const retouch_palette& palette,
                   const message_sink& sink) {
  const std::int64_t width = picture.width;
  const std::int64_t height = picture.height;
  if (width <= 0 || height <= 0 || picture.pixels == nullptr) return -1;
  if (picture.data_size / static_cast<std::uint64_t>(width) < static_cast<std::uint64_t>(height)) return -1;

  if (join_ends == 1 && width < min_joined_width) {
    say(sink, "WARNING: too narrow width ... set join_ends to 0\n");
    join_ends = 0;
  }

  retouch_work work;
  work.width = static_cast<std::size_t>(width);
  work.joined = join_ends == 1;
  work.phase = phase & 3;
  work.palette = &palette;
  const std::uint64_t out_size = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 3;
  // The record holds its size in 32 bits: a larger picture cannot be made.
  std::unique_ptr<std::uint8_t[]> out;
  if (out_size <= std::numeric_limits<std::uint32_t>::max()) out = allocate_array<std::uint8_t>(out_size);
  if (!out || !allocate_work(work)) {
    say(sink, "ERROR: memory exhausted!\n");
    return -1;
  }
  // Entry i is column i - 2, whose colour bit is 1 << ((phase + column + 2) mod 4).
  for (std::size_t i = 0; i < work.width + 4; ++i) work.phase_bits[i] = static_cast<std::uint8_t>(1u << ((work.phase + i) % 4));
  // The margins hold hue 0 and are never written again.
  std::memset(work.raw.get(), palette.zero_hue, work.width + 2 * margin_cells);
  std::memset(work.seen.get(), palette.zero_hue, work.width + 2 * margin_cells);
  // Joined rows count their first and last six columns around the ring.
  const std::size_t edge = work.joined ? std::min<std::size_t>(run_reach, work.width) : 0;
  const std::size_t tail = work.joined ? std::max(edge, work.width - run_reach) : work.width;

  std::uint8_t* pixels = picture.pixels.get();
  const auto row_bytes = static_cast<std::size_t>(width);
  const std::size_t out_row_bytes = row_bytes * 3;
  for (std::int64_t y = 0; y < height; y += 2) {
    std::uint8_t* row = pixels + static_cast<std::size_t>(y) * row_bytes;
    std::uint8_t* out_row = out.get() + static_cast<std::size_t>(y) * out_row_bytes;
    resolve_delay_markers(row, picture.width, join_ends);
    find_patterns(work, row);
    for (std::size_t x = 0; x < edge; ++x) count_ring(work, x);
    count_runs(work, edge, tail);
    for (std::size_t x = tail; x < work.width; ++x) count_ring(work, x);
    write_row(work, out_row);
    // The second row of the pair is the same: one copy of the whole row.
    if (y + 1 < height) std::memcpy(out_row + out_row_bytes, out_row, out_row_bytes);
  }

  picture.pixels = std::move(out);
  picture.data_size = static_cast<std::uint32_t>(out_size);
  picture.bit_count = 24;
  picture.palette = nullptr;
  return 0;
}
