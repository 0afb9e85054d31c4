// The two colour filters: the colours of the blur filter and of the
// retouch filter for the dot patterns they are made for, hue mixing, the
// switch of the record to 24 bits, the narrow-row warning, the failure
// paths; and both filters against the straightforward ones on many random
// pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <tuple>

#include "tiles/blur_filter.h"
#include "tiles/filter_reference.h"
#include "tiles/retouch_filter.h"
#include "tiles/shape_sheet.h"

namespace {

// A 4-bit picture record with the sheet's palette holding a copy of `dots`
// (width x height bytes).
bitmap dot_bitmap(const dot_picture& dots, int width, int height) {
  const auto size = static_cast<std::uint32_t>(dots.size());
  bitmap picture{width, height, 4, size, allocate_zeroed<std::uint8_t>(size), apple_palette.data()};
  std::copy(dots.begin(), dots.end(), &picture.pixels[0]);
  return picture;
}

// A picture whose `height` rows all repeat `motif` ('#' lit, '.' dark, 'M'
// a delay marker) over `width` columns.
bitmap picture_of(const std::string& motif, int width, int height) {
  dot_picture dots;
  for (int i = 0; i < width * height; ++i) {
    const char c = motif[i % width % motif.size()];
    dots.push_back(c == '#' ? 1 : c == 'M' ? 0xFF : 0);
  }
  return dot_bitmap(dots, width, height);
}

// Colours the row `dots` in a picture of two rows, the second holding junk,
// and gives the colours as hex digits ('?' above 15); both rows of the pair
// must agree.
std::string blurred(const std::string& dots, int join_ends, int blur) {
  const int width = static_cast<int>(dots.size());
  bitmap picture = picture_of(dots, width, 2);
  std::fill_n(&picture.pixels[width], width, 0x5A);
  blur_bitmap(picture, join_ends, blur);
  std::string colours;
  for (int x = 0; x < width; ++x) {
    EXPECT_EQ(picture.pixels[x], picture.pixels[width + x]) << "x " << x;
    colours += picture.pixels[x] < 16 ? "0123456789ABCDEF"[picture.pixels[x]] : '?';
  }
  return colours;
}

TEST(BlurFilter, ColoursOfDotRows) {
  const std::tuple<const char*, int, int, const char*> cases[] = {
      // A lone doubled dot: green, orange, purple, medium blue by phase.
      {"##...##...##...##...", 0, 0, "CC000990003300066000"},
      // Runs: white inside, ends in the two-phase colour of their side;
      // soft colours spread a pixel each way and the ends take all within two.
      {"....#######.........", 0, 0, "0000CFFFFF9000000000"}, {"....#######.........", 0, 1, "000CDFFFFFD900000000"},
      // A dark pixel between lit ones takes both their bits, soft only.
      {"....#.#.........", 0, 1, "0004555100000000"}, {"....#.#.........", 0, 0, "0000401000000000"},
      // All lit: white but at open ends; all dark stays dark.
      {"################", 1, 0, "FFFFFFFFFFFFFFFF"}, {"################", 0, 0, "CFFFFFFFFFFFFFF3"},
      {"##################", 0, 0, "CFFFFFFFFFFFFFFFFC"}, {"................", 1, 1, "0000000000000000"},
      // A marker at column 0 is dark, or the last pixel with joined ends
      // (which also see across the row); at column 14 it takes column 13;
      // elsewhere it stays and is lit.
      {"M#.............#", 0, 0, "0800000000000002"}, {"M#.............#", 1, 0, "EC00000000000006"},
      {"............##M.....", 0, 0, "000000000000CD900000"}, {"............#.M.....", 0, 0, "00000000000040000000"},
      {".....M#.............", 0, 0, "00000990000000000000"},
  };
  for (const auto& [dots, join_ends, blur, colours] : cases)
    EXPECT_EQ(blurred(dots, join_ends, blur), colours) << dots << " " << join_ends << blur;
}

using bgr = std::vector<std::uint8_t>;

bgr pixel(const bitmap& picture, int x, int y) {
  const std::uint8_t* p = &picture.pixels[(static_cast<std::size_t>(y) * picture.width + x) * 3];
  return {p[0], p[1], p[2]};
}

constexpr const char* narrow_warning = "WARNING: too narrow width ... set join_ends to 0\n";

// Runs the retouch filter, expecting `result` and the message `printed`.
void retouch(bitmap& picture, int join_ends, int phase, int result = 0, const std::string& printed = "") {
  testing::internal::CaptureStdout();
  EXPECT_EQ(retouch_bitmap(picture, join_ends, phase, standard_sink()), result);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), printed);
}

TEST(RetouchFilter, MixHue) {
  // 315 and 45: mean 180, plus 180, less 360; 0 and 270: mean 135 plus 180.
  for (auto [a, b, hue] : {std::tuple{2, 1, 0.0}, {9, 12, 135.0}, {3, 6, 315.0}, {12, 12, 180.0}, {0, 12, 180.0}})
    EXPECT_EQ(mix_hue(a, b), hue) << a << " " << b;
  EXPECT_LT(mix_hue(5, 10), -1.0);  // both without hue
}

TEST(RetouchFilter, ColoursOfDotRows) {
  const std::tuple<const char*, int, int, bgr> cases[] = {
      // Both patterns 12 (hue 180), both 3 (hue 0), 15 (no hue: no saturation).
      {"##..", 1, 0, {0, 191, 52}}, {"..##", 1, 0, {255, 63, 202}}, {"#", 1, 0, {255, 255, 255}},
      {".", 0, 2, {0, 0, 0}}};
  for (const auto& [motif, join_ends, phase, colour] : cases) {
    bitmap picture = picture_of(motif, 32, 4);
    retouch(picture, join_ends, phase);
    for (int i = 0; i < 32 * 4; ++i) ASSERT_EQ(pixel(picture, i % 32, i / 32), colour) << motif << " " << i;
  }
  // Open ends cut the windows of the first two and last two columns.
  bitmap open = picture_of("#", 40, 2);
  retouch(open, 0, 0);
  for (int x = 0; x < 40; ++x) EXPECT_EQ(pixel(open, x, 1) == bgr({255, 255, 255}), x >= 2 && x < 38) << x;
}

TEST(RetouchFilter, RecordBecomes24Bits) {
  bitmap picture = picture_of(".##.#..", 28, 6);
  for (int y = 1; y < 6; y += 2) std::memset(&picture.pixels[y * 28], 1, 28);  // odd rows are not read
  retouch(picture, 1, 0);
  EXPECT_EQ(std::tuple(picture.bit_count, picture.data_size, picture.palette), std::tuple(24, 28u * 6 * 3, nullptr));
  for (int i = 0; i < 28 * 6; ++i) EXPECT_EQ(pixel(picture, i % 28, i / 28), pixel(picture, i % 28, i / 28 / 2 * 2));
  // The next map is drawn as one byte per pixel into the larger buffer; the
  // filter reads it from the start and gives what a fresh record gives.
  bitmap fresh = picture_of("##.#...##", 28, 6);
  std::memcpy(picture.pixels.get(), fresh.pixels.get(), fresh.data_size);
  retouch(picture, 1, 3);
  retouch(fresh, 1, 3);
  ASSERT_EQ(picture.data_size, fresh.data_size);
  EXPECT_EQ(0, std::memcmp(picture.pixels.get(), fresh.pixels.get(), fresh.data_size));
}

TEST(RetouchFilter, FailuresLeaveThePictureAlone) {
  // 40000 x 40000 dots would make a 24-bit buffer larger than the record
  // can describe: the filter must fail before it reads a single dot.  The
  // other pictures claim more dots than their buffer holds, or none; the
  // blur filter leaves them alone too.
  const std::tuple<int, int, std::uint32_t, const char*> cases[] = {
      {40000, 40000, 0xFFFFFFFFu, "ERROR: memory exhausted!\n"}, {16, 2, 31, ""}, {0, 2, 32, ""}, {16, -2, 32, ""}};
  for (const auto& [width, height, size, printed] : cases) {
    bitmap picture = picture_of("#", 16, 2);
    const std::uint8_t* before = picture.pixels.get();
    std::tie(picture.width, picture.height, picture.data_size) = std::tuple(width, height, size);
    if (printed[0] == '\0') blur_bitmap(picture, 0, 0);
    retouch(picture, 1, 0, -1, printed);
    EXPECT_EQ(std::tuple(picture.pixels.get(), picture.bit_count, picture.data_size, picture.palette),
              std::tuple(before, 4, size, apple_palette.data()));
    EXPECT_TRUE(std::all_of(&picture.pixels[0], &picture.pixels[32], [](int v) { return v == 1; }));
  }
}

// Byte for byte on random pictures: random and periodic dots, runs of
// equal dots, delay markers at the tile byte columns and elsewhere,
// narrow and full-width rows (below 10 dots joined ends fall back to open
// ones, with a warning), odd heights, both join_ends, both blur values and
// every phase.
TEST(FilterEquivalence, FastFiltersMatchTheStraightforwardOnes) {
  std::mt19937 rng(20240611);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  for (int round = 0; round < 4000; ++round) {
    const int kind = pick(20), height = 1 + pick(7);
    const int width = kind < 8 ? 1 + pick(16) : kind < 16 ? 17 + pick(64) : kind < 19 ? 81 + pick(320) : 896;
    dot_picture dots;
    for (int y = 0; y < height; ++y) {
      // A motif of up to 8 dots, doubled or not, with independent dots
      // mixed in at a random rate (at times only independent dots).
      const int density = pick(100), noise = pick(3) == 0 ? 100 : pick(4), period = 1 + pick(8), stretch = 1 + pick(2);
      int motif[8];
      for (int& m : motif) m = pick(100) < density;
      for (int x = 0; x < width; ++x) {
        int v = pick(100) < noise ? pick(100) < density : motif[x / stretch % period];
        if ((x % 14 == 0 && pick(100) < 40) || pick(100) == 0) v = 0xFF;  // delay marker, stray value
        dots.push_back(static_cast<std::uint8_t>(v));
      }
    }
    const int join_ends = round % 2, blur = round / 2 % 2, phase = round / 4 % 4;
    SCOPED_TRACE(testing::Message() << "round " << round << " width " << width << " height " << height);

    bitmap picture = dot_bitmap(dots, width, height);
    dot_picture coloured = dots;
    reference_blur(coloured, width, height, join_ends, blur);
    blur_bitmap(picture, join_ends, blur);
    ASSERT_EQ(0, std::memcmp(picture.pixels.get(), coloured.data(), coloured.size()));

    picture = dot_bitmap(dots, width, height);
    const std::vector<std::uint8_t> expected = reference_retouch(dots, width, height, join_ends, phase);
    retouch(picture, join_ends, phase, 0, join_ends == 1 && width < 10 ? narrow_warning : "");
    ASSERT_EQ(picture.data_size, expected.size());
    ASSERT_EQ(0, std::memcmp(picture.pixels.get(), expected.data(), expected.size()));
  }
}

}  // namespace
