// The colours of the blur filter for the dot patterns it is made for.
#include "tiles/blur_filter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tiles/hires_decode.h"

namespace {

using row_values = std::vector<std::uint8_t>;

// A picture of two rows: `dots` and a row of junk below it.
bitmap pair_picture(const row_values& dots) {
  bitmap picture;
  picture.width = static_cast<std::int32_t>(dots.size());
  picture.height = 2;
  picture.bit_count = 4;
  picture.data_size = static_cast<std::uint32_t>(2 * dots.size());
  picture.pixels = std::make_unique<std::uint8_t[]>(picture.data_size);
  std::memcpy(picture.pixels.get(), dots.data(), dots.size());
  std::memset(picture.pixels.get() + dots.size(), 0x5A, dots.size());
  return picture;
}

row_values row_of(const bitmap& picture, int y) {
  const std::uint8_t* start = picture.pixels.get() + static_cast<std::size_t>(y) * picture.width;
  return row_values(start, start + picture.width);
}

// The coloured row of `dots`; both rows of the pair must agree.
row_values blurred(const row_values& dots, int join_ends, int blur) {
  bitmap picture = pair_picture(dots);
  blur_bitmap(picture, join_ends, blur);
  EXPECT_EQ(row_of(picture, 0), row_of(picture, 1));
  return row_of(picture, 0);
}

TEST(BlurFilter, LoneDoubledDotTakesTheColourOfItsPhases) {
  const std::uint8_t expected[4] = {12, 9, 3, 6};  // green, orange, purple, medium blue
  for (int start = 8; start < 12; ++start) {
    row_values dots(24, 0);
    dots[start] = dots[start + 1] = 1;
    row_values want(24, 0);
    want[start] = want[start + 1] = expected[start % 4];
    EXPECT_EQ(blurred(dots, 0, 0), want) << "start " << start;
  }
}

TEST(BlurFilter, RunsAreWhiteInsideWithTwoPhaseEnds) {
  row_values dots(20, 0);
  for (int x = 4; x <= 10; ++x) dots[x] = 1;
  const row_values want = {0, 0, 0, 0, 12, 15, 15, 15, 15, 15, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(blurred(dots, 0, 0), want);
  // Soft: one more pixel each side, and the ends take all bits within two.
  const row_values soft = {0, 0, 0, 12, 13, 15, 15, 15, 15, 15, 13, 9, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(blurred(dots, 0, 1), soft);
}

TEST(BlurFilter, AllLitAndAllDarkRows) {
  row_values lit(16, 1);
  row_values want(16, 15);
  EXPECT_EQ(blurred(lit, 1, 0), want);
  EXPECT_EQ(blurred(lit, 1, 1), want);
  want.front() = 12;
  want.back() = 3;
  EXPECT_EQ(blurred(lit, 0, 0), want);
  // Soft colours at open ends: the three phases within reach.
  want.front() = 4 | 8 | 1;
  want.back() = 1 | 2 | 8;
  EXPECT_EQ(blurred(lit, 0, 1), want);
  // Width 18 (18 mod 4 = 2): the last column's own phase and its left one.
  row_values lit18(18, 1);
  EXPECT_EQ(blurred(lit18, 0, 0).back(), 8 | 4);

  const row_values dark(16, 0);
  for (int join = 0; join < 2; ++join)
    for (int blur = 0; blur < 2; ++blur) EXPECT_EQ(blurred(dark, join, blur), dark);
}

TEST(BlurFilter, DelayMarkers) {
  const std::uint8_t M = delay_marker;
  // Column 0: dark with open ends, the last pixel with joined ends.
  row_values dots = {M, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(blurred(dots, 0, 0), blurred({0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 0, 0));
  EXPECT_EQ(blurred(dots, 1, 0), blurred({1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 1, 0));
  // Column 14 takes column 13's value, lit or dark.
  row_values at14(20, 0);
  at14[12] = at14[13] = 1;
  at14[14] = M;
  row_values lit14 = at14;
  lit14[14] = 1;
  EXPECT_EQ(blurred(at14, 0, 0), blurred(lit14, 0, 0));
  at14[13] = 0;
  row_values dark14 = at14;
  dark14[14] = 0;
  EXPECT_EQ(blurred(at14, 0, 0), blurred(dark14, 0, 0));
  // Elsewhere a marker value stays and counts as lit.
  row_values at5(20, 0);
  at5[5] = M;
  at5[6] = 1;
  row_values lit5 = at5;
  lit5[5] = 1;
  EXPECT_EQ(blurred(at5, 0, 0), blurred(lit5, 0, 0));
}

TEST(BlurFilter, SoftColoursSpreadOnePixelEachWay) {
  row_values dots(16, 0);
  dots[8] = dots[9] = 1;
  EXPECT_EQ(blurred(dots, 0, 1), row_values({0, 0, 0, 0, 0, 0, 0, 12, 12, 12, 12, 0, 0, 0, 0, 0}));
  // A dark pixel between two lit ones takes both colour bits; sharp leaves it dark.
  row_values gap(16, 0);
  gap[4] = gap[6] = 1;
  EXPECT_EQ(blurred(gap, 0, 1)[5], 4 | 1);
  EXPECT_EQ(blurred(gap, 0, 0)[5], 0);
}

TEST(BlurFilter, JoinedEndsReachAcrossTheRow) {
  row_values dots(12, 0);
  dots[0] = dots[11] = 1;
  // Column 11 (phase 3) sees column 0 (phase 0) on its right and the reverse.
  const row_values joined = blurred(dots, 1, 0);
  EXPECT_EQ(joined[0], 4 | 2);
  EXPECT_EQ(joined[11], 2 | 4);
  const row_values open = blurred(dots, 0, 0);
  EXPECT_EQ(open[0], 4);
  EXPECT_EQ(open[11], 2);
}

TEST(BlurFilter, EveryOddRowCopiesTheRowAbove) {
  bitmap picture;
  picture.width = 28;
  picture.height = 6;
  picture.data_size = 28 * 6;
  picture.pixels = std::make_unique<std::uint8_t[]>(picture.data_size);
  for (std::uint32_t i = 0; i < picture.data_size; ++i) picture.pixels[i] = (i * 7 / 3) % 2;
  blur_bitmap(picture, 0, 1);
  for (int y = 0; y < 6; y += 2) EXPECT_EQ(row_of(picture, y), row_of(picture, y + 1));
  for (std::uint32_t i = 0; i < picture.data_size; ++i) EXPECT_LE(picture.pixels[i], 15);
}

TEST(BlurFilter, LeavesBadPicturesAlone) {
  bitmap picture = pair_picture(row_values(8, 1));
  picture.data_size = 15;  // one byte short of 8 x 2
  blur_bitmap(picture, 0, 0);
  EXPECT_EQ(row_of(picture, 0), row_values(8, 1));
  picture.data_size = 16;
  picture.height = 0;
  blur_bitmap(picture, 0, 0);
  picture.height = 2;
  picture.width = -8;
  blur_bitmap(picture, 0, 0);
  picture.width = 8;
  EXPECT_EQ(row_of(picture, 0), row_values(8, 1));
  EXPECT_EQ(row_of(picture, 1), row_values(8, 0x5A));
}

}  // namespace
