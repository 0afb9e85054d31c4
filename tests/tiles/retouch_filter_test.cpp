// The retouch filter: colours of known rows, hue mixing, the switch of the
// record to 24 bits, the narrow-row warning and the failure paths.
#include "tiles/retouch_filter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tiles/shape_sheet.h"

namespace {

using bytes_t = std::vector<std::uint8_t>;

// A 4-bit picture whose rows all hold `dots`.
bitmap dot_picture_of(const bytes_t& dots, int height) {
  bitmap picture;
  picture.width = static_cast<std::int32_t>(dots.size());
  picture.height = height;
  picture.bit_count = 4;
  picture.data_size = static_cast<std::uint32_t>(dots.size() * height);
  picture.pixels = std::make_unique<std::uint8_t[]>(picture.data_size);
  for (int y = 0; y < height; ++y) std::memcpy(picture.pixels.get() + y * dots.size(), dots.data(), dots.size());
  picture.palette = apple_palette.data();
  return picture;
}

// Blue, green, red of pixel x of row y.
bytes_t pixel(const bitmap& picture, int x, int y) {
  const std::uint8_t* p = picture.pixels.get() + (static_cast<std::size_t>(y) * picture.width + x) * 3;
  return {p[0], p[1], p[2]};
}

bytes_t repeating(std::initializer_list<std::uint8_t> motif, int width) {
  bytes_t dots;
  while (static_cast<int>(dots.size()) < width) dots.insert(dots.end(), motif);
  dots.resize(static_cast<std::size_t>(width));
  return dots;
}

// Runs the filter, expecting success and no message.
void retouch_quietly(bitmap& picture, int join_ends, int phase) {
  testing::internal::CaptureStdout();
  const int result = retouch_bitmap(picture, join_ends, phase);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  ASSERT_EQ(result, 0);
}

TEST(RetouchFilter, MixHue) {
  EXPECT_EQ(mix_hue(2, 1), 0.0);    // 315 and 45: mean 180, plus 180, less 360
  EXPECT_EQ(mix_hue(9, 12), 135.0);  // 90 and 180
  EXPECT_EQ(mix_hue(3, 6), 315.0);   // 0 and 270: mean 135 plus 180
  EXPECT_EQ(mix_hue(12, 12), 180.0);
  EXPECT_EQ(mix_hue(0, 12), 180.0);  // no hue takes the other
  EXPECT_EQ(mix_hue(6, 15), 270.0);
  EXPECT_LT(mix_hue(5, 10), -1.0);   // both without hue
}

TEST(RetouchFilter, RepeatingRowsGiveOneColour) {
  struct {
    std::initializer_list<std::uint8_t> motif;
    bytes_t bgr;
  } cases[] = {
      {{1, 1, 0, 0}, {0, 191, 52}},    // both patterns 12: hue 180
      {{0, 0, 1, 1}, {255, 63, 202}},  // both patterns 3: hue 0
  };
  for (const auto& c : cases) {
    bitmap picture = dot_picture_of(repeating(c.motif, 32), 4);
    retouch_quietly(picture, 1, 0);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 32; ++x) ASSERT_EQ(pixel(picture, x, y), c.bgr) << "x " << x << " y " << y;
  }
}

TEST(RetouchFilter, AllLitAndAllDark) {
  bitmap lit = dot_picture_of(bytes_t(40, 1), 2);
  retouch_quietly(lit, 1, 0);
  for (int x = 0; x < 40; ++x) EXPECT_EQ(pixel(lit, x, 0), bytes_t({255, 255, 255})) << "x " << x;

  bitmap open = dot_picture_of(bytes_t(40, 1), 2);
  retouch_quietly(open, 0, 0);
  for (int x : {0, 1, 38, 39}) EXPECT_NE(pixel(open, x, 0), bytes_t({255, 255, 255})) << "x " << x;
  for (int x = 2; x < 38; ++x) EXPECT_EQ(pixel(open, x, 1), bytes_t({255, 255, 255})) << "x " << x;

  for (int join = 0; join < 2; ++join) {
    bitmap dark = dot_picture_of(bytes_t(30, 0), 3);
    retouch_quietly(dark, join, 2);
    for (std::uint32_t i = 0; i < dark.data_size; ++i) ASSERT_EQ(dark.pixels[i], 0);
  }
}

TEST(RetouchFilter, RecordBecomes24Bits) {
  bitmap picture = dot_picture_of(repeating({0, 1, 1, 0, 1, 0, 0}, 28), 6);
  retouch_quietly(picture, 1, 0);
  EXPECT_EQ(picture.bit_count, 24);
  EXPECT_EQ(picture.data_size, 28u * 6 * 3);
  EXPECT_EQ(picture.palette, nullptr);
  const std::size_t row = 28 * 3;
  for (int y = 0; y < 6; y += 2) {
    EXPECT_EQ(0, std::memcmp(picture.pixels.get() + y * row, picture.pixels.get() + (y + 1) * row, row));
  }

  // The next map is drawn as one byte per pixel into the larger buffer; the
  // filter reads it from the start and gives what a fresh record gives.
  const bytes_t dots = repeating({1, 1, 0, 1, 0, 0, 0, 1, 1}, 28);
  for (int y = 0; y < 6; ++y) std::memcpy(picture.pixels.get() + y * 28, dots.data(), 28);
  retouch_quietly(picture, 1, 3);
  bitmap fresh = dot_picture_of(dots, 6);
  retouch_quietly(fresh, 1, 3);
  EXPECT_EQ(picture.data_size, fresh.data_size);
  EXPECT_EQ(0, std::memcmp(picture.pixels.get(), fresh.pixels.get(), fresh.data_size));
}

TEST(RetouchFilter, NarrowRowsAreNotJoined) {
  const bytes_t dots = {1, 0, 1, 1, 0, 0, 1, 1, 1};
  bitmap narrow = dot_picture_of(dots, 6);
  testing::internal::CaptureStdout();
  ASSERT_EQ(retouch_bitmap(narrow, 1, 0), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "WARNING: too narrow width ... set join_ends to 0\n");
  bitmap open = dot_picture_of(dots, 6);
  retouch_quietly(open, 0, 0);
  EXPECT_EQ(0, std::memcmp(narrow.pixels.get(), open.pixels.get(), open.data_size));
}

TEST(RetouchFilter, DarkDotsAreDimmedBySaturation) {
  // A lone lit dot: its neighbours have hues but short runs, so the dark
  // ones are dimmer than the lit one.
  bytes_t dots(20, 0);
  dots[10] = 1;
  bitmap picture = dot_picture_of(dots, 2);
  retouch_quietly(picture, 0, 0);
  auto sum = [](const bytes_t& p) { return p[0] + p[1] + p[2]; };
  EXPECT_GT(sum(pixel(picture, 10, 0)), sum(pixel(picture, 9, 0)));
  EXPECT_GT(sum(pixel(picture, 10, 0)), sum(pixel(picture, 11, 0)));
  EXPECT_GT(sum(pixel(picture, 9, 0)), 0);
  EXPECT_EQ(pixel(picture, 7, 0), bytes_t({0, 0, 0}));  // both windows dark
}

TEST(RetouchFilter, ExhaustedMemoryLeavesThePictureAlone) {
  // 40000 x 40000 dots would make a 24-bit buffer larger than the record
  // can describe.  The filter must fail before it reads a single dot.
  bitmap picture = dot_picture_of(bytes_t(16, 1), 1);
  std::uint8_t* before = picture.pixels.get();
  picture.width = 40000;
  picture.height = 40000;
  picture.data_size = 0xFFFFFFFFu;
  testing::internal::CaptureStdout();
  EXPECT_EQ(retouch_bitmap(picture, 1, 0), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: memory exhausted!\n");
  EXPECT_EQ(picture.pixels.get(), before);
  EXPECT_EQ(picture.bit_count, 4);
  EXPECT_EQ(picture.data_size, 0xFFFFFFFFu);
  EXPECT_EQ(picture.palette, apple_palette.data());
  EXPECT_EQ(picture.pixels[0], 1);
}

TEST(RetouchFilter, RefusesPicturesItCannotRead) {
  bitmap picture = dot_picture_of(bytes_t(16, 1), 2);
  std::uint8_t* before = picture.pixels.get();
  picture.data_size = 31;  // one short of 16 x 2
  testing::internal::CaptureStdout();
  EXPECT_EQ(retouch_bitmap(picture, 1, 0), -1);
  picture.data_size = 32;
  picture.width = 0;
  EXPECT_EQ(retouch_bitmap(picture, 1, 0), -1);
  picture.width = 16;
  picture.height = -2;
  EXPECT_EQ(retouch_bitmap(picture, 1, 0), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(picture.pixels.get(), before);
  EXPECT_EQ(picture.bit_count, 4);
}

}  // namespace
