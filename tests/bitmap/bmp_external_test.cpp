// The reader and the writer against encoders and decoders nobody on this
// project wrote: files saved by Pillow and ImageMagick read correctly, the
// writer's files open in Pillow with the same pixels, and every file of the
// BMP Suite is read or refused as it should be.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bitmap/bmp_read.h"
#include "bitmap/bmp_write.h"
#include "bitmap/shape_import.h"
#include "bitmap/external_codec.h"
#include "bitmap/read_capture.h"
#include "support/bmp_builder.h"
#include "support/temp_dir.h"

namespace {

const std::string header_line = "error: read_bitmap() - can't read bitmap header\n";

rgb_picture colours_read(const read_capture& r) {
  return rgb_of(r.header.width, r.header.height, r.header.bit_count, r.palette.get(),
                r.pixels.get());
}

// Red, green, blue bytes that vary from pixel to pixel.
bytes colour_bytes(std::uint32_t count, std::uint32_t channels, std::uint32_t seed) {
  const bmp_picture p = bmp_pattern(count, 1, 32, seed);
  bytes out;
  for (std::uint32_t i = 0; i < count; ++i) {
    out.insert(out.end(), p.pixels.begin() + 4 * i, p.pixels.begin() + 4 * i + channels);
  }
  return out;
}

// A picture that uses exactly `colours` different colours.
rgb_picture picture_of_colours(std::uint32_t width, std::uint32_t height, std::uint32_t colours) {
  rgb_picture p{width, height, {}};
  const bytes table = colour_bytes(colours, 3, 17);
  for (std::uint32_t i = 0; i < width * height; ++i) {
    const std::uint32_t c = (i * 7 + i / width) % colours;
    p.rgb.insert(p.rgb.end(), table.begin() + 3 * c, table.begin() + 3 * c + 3);
  }
  return p;
}

#define REQUIRE_PILLOW()    \
  if (pillow_available()) { \
  } else                    \
    GTEST_SKIP() << "Pillow (python3-pil) is not installed"
#define REQUIRE_IMAGEMAGICK()    \
  if (imagemagick_available()) { \
  } else                         \
    GTEST_SKIP() << "ImageMagick (/usr/bin/convert) is not installed"

}  // namespace

TEST(BmpExternal, PillowFilesOfEveryModeReadExactly) {
  REQUIRE_PILLOW();
  temp_dir dir;
  for (const auto& [width, height] : {std::pair{47u, 33u}, {1u, 1u}, {6u, 3u}}) {
    const std::uint32_t count = width * height;
    bytes indices = colour_bytes(count, 1, 3);
    const bytes palette_rgb = colour_bytes(256, 3, 4);
    const std::string path = dir.file("pillow.bmp");
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));

    bytes bits(count);
    for (std::uint32_t i = 0; i < count; ++i) bits[i] = indices[i] & 1;
    ASSERT_TRUE(pillow_encode(path, "1", width, height, bits));
    read_capture r = read_bmp_file(path);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(r.header.bit_count, 1);
    EXPECT_EQ(bytes(r.pixels.get(), r.pixels.get() + count), bits);
    // Pillow fills the reserved byte of an entry too; it is kept as read.
    EXPECT_EQ(r.palette[0], 0x00000000u);
    EXPECT_EQ(r.palette[1], 0xFFFFFFFFu);

    ASSERT_TRUE(pillow_encode(path, "L", width, height, indices));
    r = read_bmp_file(path);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.header.bit_count, 8);
    EXPECT_EQ(bytes(r.pixels.get(), r.pixels.get() + count), indices);
    for (std::uint32_t i = 0; i < 256; ++i) ASSERT_EQ(r.palette[i], i * 0x01010101u);

    ASSERT_TRUE(pillow_encode(path, "P", width, height, indices, palette_rgb));
    r = read_bmp_file(path);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(bytes(r.pixels.get(), r.pixels.get() + count), indices);
    for (std::uint32_t i = 0; i < 256; ++i) {
      ASSERT_EQ(r.palette[i],
                static_cast<std::uint32_t>(palette_rgb[3 * i] << 16 | palette_rgb[3 * i + 1] << 8 |
                                           palette_rgb[3 * i + 2]));
    }

    for (const std::uint32_t channels : {3u, 4u}) {
      const bytes rgba = colour_bytes(count, channels, 5);
      ASSERT_TRUE(pillow_encode(path, channels == 3 ? "RGB" : "RGBA", width, height, rgba));
      r = read_bmp_file(path);
      ASSERT_EQ(r.result, 0);
      EXPECT_EQ(r.header.bit_count, 8 * channels);
      bytes stored = rgba;  // the file's order: blue, green, red[, alpha]
      for (std::uint32_t i = 0; i < count; ++i)
        std::swap(stored[channels * i], stored[channels * i + 2]);
      EXPECT_EQ(bytes(r.pixels.get(), r.pixels.get() + count * channels), stored);
    }
  }
}

TEST(BmpExternal, PillowEightBitFileWithSixteenColoursIsRefused) {
  REQUIRE_PILLOW();
  temp_dir dir;
  const std::string path = dir.file("short_table.bmp");
  bytes indices(20 * 10);
  for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<std::uint8_t>(i % 16);
  ASSERT_TRUE(pillow_encode(path, "P", 20, 10, indices, colour_bytes(16, 3, 8)));
  const read_capture r = read_bmp_file(path);
  EXPECT_EQ(r.result, -1);
  EXPECT_EQ(r.output, "error: check_bitmap_header() - offset size 0x76 != 0x436\n" + header_line);
}

TEST(BmpExternal, ImageMagickFilesOfEveryBitCountRead) {
  REQUIRE_IMAGEMAGICK();
  temp_dir dir;
  const std::string path = dir.file("magick.bmp");
  const struct {
    std::uint32_t colours;
    std::vector<std::string> options;
    std::uint16_t bit_count;
  } cases[] = {
      {2, {"-type", "Palette", "-compress", "None"}, 1},
      {16, {"-type", "Palette", "-compress", "None"}, 4},
      {200, {"-type", "Palette", "-compress", "None"}, 8},
      {0, {}, 24},
      {0, {"-alpha", "set", "-define", "bmp3:alpha=true"}, 32},
  };
  for (const auto& c : cases) {
    for (const auto& [width, height] : {std::pair{47u, 33u}, {9u, 2u}}) {
      SCOPED_TRACE(std::to_string(c.bit_count) + " bits, width " + std::to_string(width));
      rgb_picture source = c.colours > 0
                               ? picture_of_colours(width, height, c.colours)
                               : rgb_picture{width, height, colour_bytes(width * height, 3, 9)};
      ASSERT_TRUE(imagemagick_encode(path, source, c.options));
      const read_capture r = read_bmp_file(path);
      ASSERT_EQ(r.result, 0) << r.output;
      EXPECT_EQ(r.output, "");
      ASSERT_EQ(r.header.bit_count, c.bit_count);
      EXPECT_EQ(colours_read(r).rgb, source.rgb);
      if (c.bit_count == 32) {
        for (std::uint32_t i = 0; i < width * height; ++i) ASSERT_EQ(r.pixels[4 * i + 3], 0xFF);
      }
    }
  }
}

TEST(BmpExternal, ImageMagickSixteenBitFilesCarryTheBitFieldFlag) {
  REQUIRE_IMAGEMAGICK();
  temp_dir dir;
  const std::string path = dir.file("rgb555.bmp");
  const rgb_picture source{47, 33, colour_bytes(47 * 33, 3, 12)};
  ASSERT_TRUE(imagemagick_encode(path, source, {"-define", "bmp:subtype=RGB555"}));
  read_capture r = read_bmp_file(path);
  EXPECT_EQ(r.output, "error: check_bitmap_header() - not support compression\n" + header_line);

  // Its rows are the default 5-5-5 layout: with the flag cleared it is a
  // plain 16-bit file, and we see what Pillow sees.
  REQUIRE_PILLOW();
  bytes contents = read_file(path);
  ASSERT_EQ(contents[30], 3);
  contents[30] = 0;
  write_file(path, contents);
  r = read_bmp_file(path);
  ASSERT_EQ(r.result, 0);
  EXPECT_EQ(r.output, "");
  rgb_picture seen;
  ASSERT_TRUE(pillow_decode(path, seen));
  EXPECT_EQ(colours_read(r).rgb, seen.rgb);
}

TEST(BmpExternal, WriterFilesOpenInPillowWithTheSamePixels) {
  REQUIRE_PILLOW();
  temp_dir dir;
  const bmp_picture colours = bmp_pattern(1, 1, 8, 21);
  struct picture_case {
    std::int32_t width, height, bits;
  };
  std::vector<picture_case> cases{{896, 1024, 4}};
  for (std::int32_t bits : {1, 4, 8, 16, 24, 32}) {
    for (const auto& [w, h] : {std::pair{47, 33}, {1, 1}, {7, 3}, {3, 5}})
      cases.push_back({w, h, bits});
  }
  for (const picture_case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bits) + " bits, " + std::to_string(c.width) + " x " +
                 std::to_string(c.height));
    // Arbitrary bytes: the writer keeps "non-zero" of 1-bit pixels and the
    // low nibble of 4-bit ones.
    const bmp_picture p = bmp_pattern(static_cast<std::uint32_t>(c.width),
                                      static_cast<std::uint32_t>(c.height), 32, 30);
    bitmap b;
    b.width = c.width;
    b.height = c.height;
    b.bit_count = c.bits;
    b.data_size = static_cast<std::uint32_t>(c.width * c.height * bytes_per_pixel_of(c.bits));
    b.pixels = allocate_zeroed<std::uint8_t>(b.data_size);
    std::memcpy(b.pixels.get(), p.pixels.data(), b.data_size);
    b.palette = colours.palette.data();
    const std::string path = dir.file("written.bmp");
    testing::internal::CaptureStdout();
    ASSERT_EQ(write_bitmap_file(path.c_str(), b, 1), 0);
    testing::internal::GetCapturedStdout();

    bytes indices(b.pixels.get(), b.pixels.get() + b.data_size);
    for (std::uint8_t& v : indices) v = c.bits == 1 ? (v != 0) : c.bits == 4 ? (v & 15) : v;
    const rgb_picture expected =
        rgb_of(static_cast<std::uint32_t>(c.width), static_cast<std::uint32_t>(c.height),
               static_cast<std::uint16_t>(c.bits), colours.palette.data(), indices.data());
    rgb_picture seen;
    ASSERT_TRUE(pillow_decode(path, seen));
    EXPECT_EQ(seen.width, expected.width);
    EXPECT_EQ(seen.height, expected.height);
    EXPECT_TRUE(seen.rgb == expected.rgb);
  }
}

namespace {

const std::string header_type =
    "error: check_bitmap_header() - not supported header type - support only Windows V3\n" +
    header_line;
const std::string compression =
    "error: check_bitmap_header() - not support compression\n" + header_line;
const std::string unknown_bits = "error: check_bitmap_header() - unknown bit count\n" + header_line;
std::string offset(const char* numbers) {
  return std::string("error: check_bitmap_header() - offset size ") + numbers + "\n" + header_line;
}
std::string data_length(const char* numbers) {
  return std::string("error: check_bitmap_header() - data length ") + numbers + "\n" + header_line;
}

// What the reader makes of each file of the BMP Suite 2.8, worked out from
// the header fields of each file: accepted files with any warnings they
// give, refused ones with their full message sequence.
struct suite_file {
  const char* name;
  bool accepted;
  std::string output;
};

const std::vector<suite_file>& suite_files() {
  static const std::vector<suite_file> files = {
      {"b/badbitcount.bmp", false, unknown_bits},
      {"b/badbitssize.bmp", false, data_length("0x7EEEEEEE != 0x400")},
      {"b/baddens1.bmp", true, ""},  // resolution fields are not tested
      {"b/baddens2.bmp", true, ""},
      {"b/badfilesize.bmp", true,
       "warning: check_bitmap_header() - file length 0x7DDDDDDD > 0x43E\n"},
      {"b/badheadersize.bmp", false, header_type},
      {"b/badpalettesize.bmp", false, offset("0x426 != 0x436")},
      {"b/badplanes.bmp", false, header_line},
      {"b/badrle.bmp", false, compression},
      {"b/badrle4.bmp", false, compression},
      {"b/badrle4bis.bmp", false, compression},
      {"b/badrle4ter.bmp", false, compression},
      {"b/badrlebis.bmp", false, compression},
      {"b/badrleter.bmp", false, compression},
      {"b/badwidth.bmp", false, data_length("0x400 != 0xFFFFFD00")},  // width -127
      {"b/pal8badindex.bmp", false, offset("0x1CA != 0x436")},
      {"b/reallybig.bmp", false, data_length("0x7EEEEEEE != 0xF39B2000")},
      {"b/rgb16-880.bmp", false, compression},
      {"b/rletopdown.bmp", false, compression},
      {"b/shortfile.bmp", false, "error: read_bitmap() - can't read bitmap data\n"},
      {"g/pal1.bmp", true, ""},
      {"g/pal1bg.bmp", true, ""},
      {"g/pal1wb.bmp", true, ""},
      {"g/pal4.bmp", false, offset("0x66 != 0x76")},  // 12 colours
      {"g/pal4gs.bmp", false, offset("0x66 != 0x76")},
      {"g/pal4rle.bmp", false, compression},
      {"g/pal8-0.bmp", true,
       "warning: check_bitmap_header() - data length is 0 ... corrected: 0x2000\n"},
      {"g/pal8.bmp", false, offset("0x426 != 0x436")},  // 252 colours
      {"g/pal8gs.bmp", false, offset("0x426 != 0x436")},
      {"g/pal8nonsquare.bmp", false, offset("0x426 != 0x436")},
      {"g/pal8os2.bmp", false, header_type},
      {"g/pal8rle.bmp", false, compression},
      {"g/pal8topdown.bmp", false, offset("0x426 != 0x436")},
      {"g/pal8v4.bmp", false, header_type},
      {"g/pal8v5.bmp", false, header_type},
      {"g/pal8w124.bmp", false, offset("0x426 != 0x436")},
      {"g/pal8w125.bmp", false, offset("0x426 != 0x436")},
      {"g/pal8w126.bmp", false, offset("0x426 != 0x436")},
      {"g/rgb16-565.bmp", false, compression},
      {"g/rgb16-565pal.bmp", false, compression},
      {"g/rgb16.bmp", true, ""},
      {"g/rgb16bfdef.bmp", false, compression},
      {"g/rgb24.bmp", true, ""},
      {"g/rgb24pal.bmp", false, offset("0x436 != 0x36")},
      {"g/rgb32.bmp", true, ""},
      {"g/rgb32bf.bmp", false, compression},
      {"g/rgb32bfdef.bmp", false, compression},
      {"q/pal1huffmsb.bmp", false, header_type},
      {"q/pal1p1.bmp", false, offset("0x3A != 0x3E")},
      {"q/pal2.bmp", false, unknown_bits},
      {"q/pal2color.bmp", false, unknown_bits},
      {"q/pal4rlecut.bmp", false, compression},
      {"q/pal4rletrns.bmp", false, compression},
      {"q/pal8offs.bmp", false, offset("0x48A != 0x436")},
      {"q/pal8os2-hs.bmp", false, header_type},
      {"q/pal8os2-sz.bmp", false, header_type},
      {"q/pal8os2sp.bmp", false, header_type},
      {"q/pal8os2v2-16.bmp", false, header_type},
      {"q/pal8os2v2-40sz.bmp", false, offset("0x426 != 0x436")},
      {"q/pal8os2v2-sz.bmp", false, header_type},
      {"q/pal8os2v2.bmp", false, header_type},
      {"q/pal8oversizepal.bmp", false, offset("0x4E6 != 0x436")},
      {"q/pal8rlecut.bmp", false, compression},
      {"q/pal8rletrns.bmp", false, compression},
      {"q/rgb16-231.bmp", false, compression},
      {"q/rgb16-3103.bmp", false, compression},
      {"q/rgb16faketrns.bmp", true, ""},
      {"q/rgb24jpeg.bmp", false, header_type},
      {"q/rgb24largepal.bmp", false, offset("0x4E6 != 0x36")},
      {"q/rgb24lprof.bmp", false, header_type},
      {"q/rgb24png.bmp", false, header_type},
      {"q/rgb24prof.bmp", false, header_type},
      {"q/rgb24prof2.bmp", false, header_type},
      {"q/rgb24rle24.bmp", false, header_type},
      {"q/rgb32-111110.bmp", false, compression},
      {"q/rgb32-7187.bmp", false, compression},
      {"q/rgb32-xbgr.bmp", false, header_type},
      {"q/rgb32fakealpha.bmp", true, ""},
      {"q/rgb32h52.bmp", false, header_type},
      {"q/rgba16-1924.bmp", false, header_type},
      {"q/rgba16-4444.bmp", false, header_type},
      {"q/rgba16-5551.bmp", false, header_type},
      {"q/rgba32-1.bmp", false, header_type},
      {"q/rgba32-1010102.bmp", false, header_type},
      {"q/rgba32-2.bmp", false, header_type},
      {"q/rgba32-61754.bmp", false, header_type},
      {"q/rgba32-81284.bmp", false, header_type},
      {"q/rgba32abf.bmp", false, compression},
      {"q/rgba32h56.bmp", false, header_type},
      {"q/rgba64.bmp", false, unknown_bits},
      {"x/ba-bm.bmp", false, header_line},
  };
  return files;
}

}  // namespace

TEST(BmpExternal, EveryBmpSuiteFileIsReadOrRefusedAsExpected) {
  const std::filesystem::path suite = std::filesystem::path(QZ_TESTDATA_DIR) / "bmpsuite";
  if (!std::filesystem::is_directory(suite)) GTEST_SKIP() << "no BMP Suite at " << suite;
  // Every file present must be known here, and every file known present.
  std::size_t present = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(suite)) {
    if (!entry.is_regular_file()) continue;
    ++present;
    const std::string name = std::filesystem::relative(entry.path(), suite).generic_string();
    bool known = false;
    for (const suite_file& f : suite_files()) known = known || name == f.name;
    EXPECT_TRUE(known) << "a suite file without an expectation: " << name;
  }
  EXPECT_EQ(present, suite_files().size());

  std::size_t compared = 0;
  for (const suite_file& f : suite_files()) {
    SCOPED_TRACE(f.name);
    const std::string path = (suite / f.name).string();
    const read_capture r = read_bmp_file(path);
    EXPECT_EQ(r.result, f.accepted ? 0 : -1);
    EXPECT_EQ(r.output, f.output);

    // As a shape sheet: every accepted file is 127 pixels wide, which does
    // not divide into 16 tiles.
    shape_sheet sheet;
    testing::internal::CaptureStdout();
    EXPECT_EQ(read_shape_bitmap(path.c_str(), sheet, 16, 32), -1);
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              f.output + (f.accepted ? "error: illegal shape bitmap size\n"
                                     : "error: read '" + path + "'\n"));

    if (!f.accepted || !pillow_available()) continue;
    rgb_picture seen;
    ASSERT_TRUE(pillow_decode(path, seen));
    const rgb_picture ours = colours_read(r);
    EXPECT_EQ(ours.width, seen.width);
    EXPECT_EQ(ours.height, seen.height);
    EXPECT_TRUE(ours.rgb == seen.rgb);
    ++compared;
  }
  if (pillow_available()) {
    EXPECT_EQ(compared, 12u);
  }
}
