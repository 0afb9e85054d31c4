// The fast colour filters against the straightforward ones, byte for byte,
// on many random pictures: random and periodic dots, runs, delay markers
// at the tile byte columns and elsewhere, narrow and wide rows, odd
// heights, both join_ends, both blur values and every phase.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tiles/blur_filter.h"
#include "tiles/filter_reference.h"
#include "tiles/retouch_filter.h"

namespace {

// One row of dots in a randomly chosen style.
void fill_row(std::uint8_t* row, int width, std::mt19937& rng) {
  std::uniform_int_distribution<int> style_of(0, 4);
  std::uniform_int_distribution<int> percent(0, 99);
  const int style = style_of(rng);
  const int density = percent(rng);
  const int period = 1 + percent(rng) % 8;
  std::vector<std::uint8_t> motif(static_cast<std::size_t>(period));
  for (auto& m : motif) m = percent(rng) < density ? 1 : 0;
  int run_left = 0;
  std::uint8_t run_value = 0;
  for (int x = 0; x < width; ++x) {
    std::uint8_t v = 0;
    switch (style) {
      case 0:  // independent dots
        v = percent(rng) < density ? 1 : 0;
        break;
      case 1:  // a repeating motif, rarely disturbed
        v = motif[static_cast<std::size_t>(x % period)];
        if (percent(rng) < 3) v ^= 1;
        break;
      case 2:  // runs of equal dots
        if (run_left == 0) {
          run_left = 1 + percent(rng) % 20;
          run_value = percent(rng) < 50 ? 1 : 0;
        }
        --run_left;
        v = run_value;
        break;
      case 3:  // doubled dots as the decoder writes them
        v = motif[static_cast<std::size_t>((x / 2) % period)];
        break;
      default:  // all lit or all dark
        v = density < 50 ? 1 : 0;
        break;
    }
    if (x % 14 == 0 && percent(rng) < 40) v = 0xFF;  // delay marker
    if (percent(rng) == 0) v = 0xFF;                 // stray marker value
    row[x] = v;
  }
}

dot_picture random_picture(int width, int height, std::mt19937& rng) {
  dot_picture dots(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) fill_row(&dots[static_cast<std::size_t>(y) * width], width, rng);
  return dots;
}

int random_width(std::mt19937& rng) {
  std::uniform_int_distribution<int> pick(0, 9);
  const int kind = pick(rng);
  if (kind < 4) return std::uniform_int_distribution<int>(1, 16)(rng);
  if (kind < 8) return std::uniform_int_distribution<int>(17, 80)(rng);
  return std::uniform_int_distribution<int>(81, 400)(rng);
}

bitmap picture_of(const dot_picture& dots, int width, int height) {
  bitmap picture;
  picture.width = width;
  picture.height = height;
  picture.bit_count = 4;
  picture.data_size = static_cast<std::uint32_t>(dots.size());
  picture.pixels = std::make_unique<std::uint8_t[]>(dots.size());
  std::memcpy(picture.pixels.get(), dots.data(), dots.size());
  return picture;
}

TEST(FilterEquivalence, BlurMatchesTheStraightforwardFilter) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 4000; ++round) {
    const int width = random_width(rng);
    const int height = std::uniform_int_distribution<int>(1, 7)(rng);
    const int join_ends = round % 2;
    const int blur = (round / 2) % 2;
    dot_picture expected = random_picture(width, height, rng);
    bitmap picture = picture_of(expected, width, height);
    reference_blur(expected, width, height, join_ends, blur);
    blur_bitmap(picture, join_ends, blur);
    ASSERT_EQ(0, std::memcmp(picture.pixels.get(), expected.data(), expected.size()))
        << "round " << round << " width " << width << " height " << height << " join_ends " << join_ends
        << " blur " << blur;
  }
}

TEST(FilterEquivalence, RetouchMatchesTheStraightforwardFilter) {
  std::mt19937 rng(19830101);
  for (int round = 0; round < 3000; ++round) {
    const int width = random_width(rng);
    const int height = std::uniform_int_distribution<int>(1, 7)(rng);
    const int join_ends = round % 2;
    const int phase = (round / 2) % 4;
    dot_picture dots = random_picture(width, height, rng);
    bitmap picture = picture_of(dots, width, height);
    const std::vector<std::uint8_t> expected = reference_retouch(dots, width, height, join_ends, phase);
    testing::internal::CaptureStdout();
    ASSERT_EQ(0, retouch_bitmap(picture, join_ends, phase));
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(picture.data_size, expected.size());
    ASSERT_EQ(0, std::memcmp(picture.pixels.get(), expected.data(), expected.size()))
        << "round " << round << " width " << width << " height " << height << " join_ends " << join_ends
        << " phase " << phase;
  }
}

TEST(FilterEquivalence, FullSizePicturesMatchToo) {
  std::mt19937 rng(7);
  const int width = 896;
  const int height = 64;
  for (int join_ends = 0; join_ends < 2; ++join_ends) {
    dot_picture dots = random_picture(width, height, rng);
    dot_picture blurred = dots;
    bitmap soft = picture_of(dots, width, height);
    reference_blur(blurred, width, height, join_ends, 1);
    blur_bitmap(soft, join_ends, 1);
    EXPECT_EQ(0, std::memcmp(soft.pixels.get(), blurred.data(), blurred.size()));

    bitmap retouched = picture_of(dots, width, height);
    const std::vector<std::uint8_t> expected = reference_retouch(dots, width, height, join_ends, 0);
    ASSERT_EQ(0, retouch_bitmap(retouched, join_ends, 0));
    EXPECT_EQ(0, std::memcmp(retouched.pixels.get(), expected.data(), expected.size()));
  }
}

}  // namespace
