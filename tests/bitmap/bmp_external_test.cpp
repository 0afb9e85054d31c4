// The reader against encoders and decoders nobody on this project wrote:
// files saved by Pillow and ImageMagick read with their colours, and every
// file of the BMP Suite is read or refused as it should be, also as a
// shape sheet.
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <tuple>

#include "bitmap/external_codec.h"
#include "bitmap/read_capture.h"
#include "tiles/shape_import.h"
#include "bitmap/bmp_build.h"

namespace {

const std::string header_line = "error: read_bitmap() - can't read bitmap header\n";

rgb_picture colours_read(const read_capture& r) {
  return rgb_of(r.header.width, r.header.height, r.header.bit_count, r.palette.get(), r.pixels.get());
}

// `count` bytes that vary from one to the next.
bytes varied(std::uint32_t count, std::uint32_t seed) { return bmp_pattern(count, 1, 8, seed).pixels; }

TEST(BmpExternal, PillowFilesReadWithPillowsColours) {
  if (!pillow_available()) GTEST_SKIP() << "Pillow (python3-pil) is not installed";
  temp_dir dir;
  const std::string path = dir.file("pillow.bmp");
  const std::tuple<std::string, std::uint32_t, std::uint16_t> modes[] = {
      {"1", 1, 1}, {"L", 1, 8}, {"P", 1, 8}, {"RGB", 3, 24}, {"RGBA", 4, 32}};
  for (const auto& [width, height] : {std::pair{47u, 33u}, {1u, 1u}, {6u, 3u}})
    for (const auto& [mode, channels, bit_count] : modes) {
      SCOPED_TRACE(mode + " " + std::to_string(width) + " x " + std::to_string(height));
      bytes data = varied(width * height * channels + (mode == "P" ? 768 : 0), width);
      for (std::uint8_t& v : data) v = mode == "1" ? v & 1 : v;
      ASSERT_TRUE(pillow_encode(path, mode, width, height, data));
      const read_capture r = read_bmp_bytes(read_file(path));
      rgb_picture seen;
      ASSERT_TRUE(pillow_decode(path, seen));
      EXPECT_EQ(std::make_tuple(r.result, r.output, r.header.bit_count), std::make_tuple(0, "", bit_count));
      EXPECT_TRUE(colours_read(r).rgb == seen.rgb);
    }
}

TEST(BmpExternal, ImageMagickFilesOfEveryBitCountReadWithTheirColours) {
  if (!imagemagick_available()) GTEST_SKIP() << "ImageMagick (/usr/bin/convert) is not installed";
  temp_dir dir;
  const std::string path = dir.file("magick.bmp");
  const std::vector<std::string> palette{"-type", "Palette", "-compress", "None"};
  const std::tuple<std::uint32_t, std::vector<std::string>, std::uint16_t> cases[] = {
      {2, palette, 1}, {16, palette, 4}, {200, palette, 8}, {0, {}, 24},
      {0, {"-alpha", "set", "-define", "bmp3:alpha=true"}, 32}};
  const bytes table = varied(3 * 200, 17);
  for (const auto& [colours, options, bit_count] : cases)
    for (const auto& [width, height] : {std::pair{47u, 33u}, {9u, 2u}}) {
      SCOPED_TRACE(std::to_string(bit_count) + " bits, width " + std::to_string(width));
      // Exactly `colours` different colours, or colours that all vary.
      rgb_picture source{width, height, varied(width * height * 3, 9)};
      for (std::size_t i = 0; colours > 0 && i < source.rgb.size(); ++i)
        source.rgb[i] = table[(i / 3 * 7 + i / 3 / width) % colours * 3 + i % 3];
      ASSERT_TRUE(imagemagick_encode(path, source, options));
      const read_capture r = read_bmp_bytes(read_file(path));
      EXPECT_EQ(std::make_tuple(r.result, r.output, r.header.bit_count), std::make_tuple(0, "", bit_count));
      EXPECT_TRUE(colours_read(r).rgb == source.rgb);
    }
}

// What the reader makes of each file of the BMP Suite 2.8 (".bmp" left
// out), worked out from the header fields of each file: the messages, and
// the files that give them.  Files without an error line are accepted.
std::string refused(const std::string& why) { return "error: check_bitmap_header() - " + why + "\n" + header_line; }
const std::pair<std::string, std::string> suite_files[] = {
    {"", "b/baddens1 b/baddens2 g/pal1 g/pal1bg g/pal1wb g/rgb16 g/rgb24 g/rgb32 q/rgb16faketrns q/rgb32fakealpha"},
    {"warning: check_bitmap_header() - file length 0x7DDDDDDD > 0x43E\n", "b/badfilesize"},
    {"warning: check_bitmap_header() - data length is 0 ... corrected: 0x2000\n", "g/pal8-0"},
    {refused("unknown bit count"), "b/badbitcount q/pal2 q/pal2color q/rgba64"},
    {refused("not supported header type - support only Windows V3"),
     "b/badheadersize g/pal8os2 g/pal8v4 g/pal8v5 q/pal1huffmsb q/pal8os2-hs q/pal8os2-sz q/pal8os2sp "
     "q/pal8os2v2-16 q/pal8os2v2-sz q/pal8os2v2 q/rgb24jpeg q/rgb24lprof q/rgb24png q/rgb24prof q/rgb24prof2 "
     "q/rgb24rle24 q/rgb32-xbgr q/rgb32h52 q/rgba16-1924 q/rgba16-4444 q/rgba16-5551 q/rgba32-1 q/rgba32-1010102 "
     "q/rgba32-2 q/rgba32-61754 q/rgba32-81284 q/rgba32h56"},
    {refused("not support compression"),
     "b/badrle b/badrle4 b/badrle4bis b/badrle4ter b/badrlebis b/badrleter b/rgb16-880 b/rletopdown g/pal4rle "
     "g/pal8rle g/rgb16-565 g/rgb16-565pal g/rgb16bfdef g/rgb32bf g/rgb32bfdef q/pal4rlecut q/pal4rletrns "
     "q/pal8rlecut q/pal8rletrns q/rgb16-231 q/rgb16-3103 q/rgb32-111110 q/rgb32-7187 q/rgba32abf"},
    // 252 colours; 12 colours; other tables that do not fit the bit count.
    {refused("offset size 0x426 != 0x436"),
     "b/badpalettesize g/pal8 g/pal8gs g/pal8nonsquare g/pal8topdown g/pal8w124 g/pal8w125 g/pal8w126 "
     "q/pal8os2v2-40sz"},
    {refused("offset size 0x66 != 0x76"), "g/pal4 g/pal4gs"},
    {refused("offset size 0x1CA != 0x436"), "b/pal8badindex"},
    {refused("offset size 0x436 != 0x36"), "g/rgb24pal"},
    {refused("offset size 0x3A != 0x3E"), "q/pal1p1"},
    {refused("offset size 0x48A != 0x436"), "q/pal8offs"},
    {refused("offset size 0x4E6 != 0x436"), "q/pal8oversizepal"},
    {refused("offset size 0x4E6 != 0x36"), "q/rgb24largepal"},
    {refused("data length 0x7EEEEEEE != 0x400"), "b/badbitssize"},
    {refused("data length 0x400 != 0xFFFFFD00"), "b/badwidth"},  // width -127
    {refused("data length 0x7EEEEEEE != 0xF39B2000"), "b/reallybig"},
    {header_line, "b/badplanes x/ba-bm"},
    {"error: read_bitmap() - can't read bitmap data\n", "b/shortfile"}};

TEST(BmpExternal, EveryBmpSuiteFileIsReadOrRefusedAsExpected) {
  const std::filesystem::path suite = std::filesystem::path(QZ_TESTDATA_DIR) / "bmpsuite";
  if (!std::filesystem::is_directory(suite)) GTEST_SKIP() << "no BMP Suite at " << suite;
  std::map<std::string, std::string> expected;  // messages by file name
  for (const auto& [messages, names] : suite_files) {
    std::istringstream in(names);
    for (std::string name; in >> name;) expected[name + ".bmp"] = messages;
  }
  std::size_t present = 0, compared = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(suite)) {
    if (!entry.is_regular_file()) continue;
    const std::string name = std::filesystem::relative(entry.path(), suite).generic_string(), path = entry.path();
    SCOPED_TRACE(name);
    ASSERT_EQ(expected.count(name), 1u) << "a suite file without an expectation";
    ++present;
    const std::string& messages = expected[name];
    const bool accepted = messages.find("error") == std::string::npos;
    const read_capture r = read_bmp_bytes(read_file(path));
    EXPECT_EQ(std::tie(r.result, r.output), std::make_tuple(accepted ? 0 : -1, messages));
    // As a shape sheet: every accepted file is 127 pixels wide, which does
    // not divide into 16 tiles.
    shape_sheet sheet;
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(read_shape_bitmap(path.c_str(), sheet, 16, 32, standard_sink()), -1); }),
              messages + (accepted ? "error: illegal shape bitmap size\n" : "error: read '" + path + "'\n"));
    if (accepted && pillow_available()) {
      rgb_picture seen;
      ASSERT_TRUE(pillow_decode(path, seen));
      EXPECT_TRUE(colours_read(r).rgb == seen.rgb);
      ++compared;
    }
  }
  EXPECT_EQ(std::make_tuple(present, expected.size()), std::make_tuple(91u, 91u));
  EXPECT_EQ(compared, pillow_available() ? 12u : 0u);
}

}  // namespace
