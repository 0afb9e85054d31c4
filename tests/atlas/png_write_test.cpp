// The PNG encoder checked by an independent decoder (Pillow): every bit
// count the pictures come in, odd sizes, repeated rows.
#include "atlas/png_write.h"

#include <gtest/gtest.h>

#include "bitmap/bmp_build.h"
#include "bitmap/external_codec.h"
#include "support/temp_dir.h"

namespace {

// The colours Pillow gives for the picture as zud2avuze writes it.
rgb_picture expected_colours(const bmp_picture& p) {
  std::vector<std::uint32_t> palette = p.palette;
  palette.resize(256);
  return rgb_of(p.width, p.height, p.bit_count, palette.data(), p.pixels.data());
}

}  // namespace

TEST(PngWrite, PillowDecodesEveryBitCountToItsColours) {
  if (!pillow_available()) GTEST_SKIP() << "no Pillow";
  const temp_dir dir;
  png_encoder encoder;
  ASSERT_EQ(png_encoder_open(encoder, 1), 0);
  const std::pair<std::uint32_t, std::uint32_t> sizes[] = {{1, 1}, {13, 5}, {17, 3}, {64, 2}};
  for (const std::uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    for (const auto& [width, height] : sizes) {
      bmp_picture p = bmp_pattern(width, height, bits, width + bits);
      if (height > 1 && bits == 24) std::copy_n(p.pixels.begin(), width * 3, p.pixels.begin() + width * 3);
      ASSERT_EQ(png_encode(encoder, {width, height, bits, p.pixels.data(), p.palette.data()}), 0);
      const std::string path = dir.file("p.png");
      write_file(path, encoder.file);
      rgb_picture decoded;
      ASSERT_TRUE(pillow_decode(path, decoded)) << bits << " bits, " << width << " x " << height;
      EXPECT_EQ(decoded.width, width);
      EXPECT_EQ(decoded.height, height);
      EXPECT_TRUE(decoded.rgb == expected_colours(p).rgb) << bits << " bits, " << width << " x " << height;
    }
  }
}

TEST(PngWrite, RefusesWhatItCannotEncode) {
  png_encoder encoder;
  const std::uint8_t pixels[4] = {};
  EXPECT_EQ(png_encode(encoder, {1, 1, 4, pixels, nullptr}), -1);  // not opened
  ASSERT_EQ(png_encoder_open(encoder, 6), 0);
  EXPECT_EQ(png_encode(encoder, {1, 1, 2, pixels, nullptr}), -1);
  EXPECT_EQ(png_encode(encoder, {0, 1, 4, pixels, nullptr}), -1);
  EXPECT_EQ(png_encode(encoder, {1, 1, 4, nullptr, nullptr}), -1);
  EXPECT_EQ(png_encode(encoder, {0x40000000, 8, 24, pixels, nullptr}), -1);  // beyond one chunk
  // A picture without a colour table is black, as in a BMP file.
  ASSERT_EQ(png_encode(encoder, {2, 1, 4, pixels, nullptr}), 0);
  const bytes& file = encoder.file;
  ASSERT_GT(file.size(), 8u + 25u + 60u);
  const std::string head(file.begin() + 12, file.begin() + 16);
  EXPECT_EQ(head, "IHDR");
  const std::string table(file.begin() + 8 + 25 + 4, file.begin() + 8 + 25 + 8);
  EXPECT_EQ(table, "PLTE");
  EXPECT_TRUE(std::all_of(file.begin() + 41, file.begin() + 41 + 48, [](std::uint8_t b) { return b == 0; }));
}
