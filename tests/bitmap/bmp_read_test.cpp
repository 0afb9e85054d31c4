// The BMP reader: the header tests in their order, the header bytes and
// the colour table, whole files written by the program's writer and by the
// independent byte builder, and damaged or hostile files refused with their
// messages in order, at every length they may be cut.
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <tuple>

#include "bitmap/bmp_write.h"
#include "bitmap/external_codec.h"
#include "bitmap/read_capture.h"
#include "bitmap/bmp_build.h"

namespace {

const std::string header_line = "error: read_bitmap() - can't read bitmap header\n";
const std::string check = "error: check_bitmap_header() - ";
constexpr std::uint16_t all_bit_counts[] = {1, 4, 8, 16, 24, 32};

// Checks a successful read against the picture it was made from.
void expect_picture(const read_capture& r, const bmp_picture& p) {
  ASSERT_EQ(r.result, 0) << r.output;
  EXPECT_EQ(std::make_tuple(r.header.width, r.header.height, r.header.bit_count),
            std::make_tuple(p.width, p.height, p.bit_count));
  ASSERT_EQ(std::make_tuple(r.pixels != nullptr, r.palette != nullptr), std::make_tuple(true, !p.palette.empty()));
  EXPECT_EQ(std::memcmp(r.pixels.get(), p.pixels.data(), p.pixels.size()), 0);
  EXPECT_TRUE(r.palette == nullptr || std::memcmp(r.palette.get(), p.palette.data(), 4 * p.palette.size()) == 0);
}

// Each case: the size and bit count of a sound header, a change to it, and
// the messages with which check_bitmap_header refuses the changed header;
// read_bitmap adds its own line and allocates nothing.
TEST(BmpCheck, RefusalsComeInTheirOrderWithTheirMessages) {
  const std::tuple<std::uint32_t, std::uint32_t, std::uint16_t, void (*)(bitmap_header&), std::string> cases[] = {
      // The tests run in their order and stop at the first refusal.
      {7, 3, 4, [](bitmap_header& h) { h.header_size = 108; h.planes = 2; h.compression = 3; h.bit_count = 2; },
       check + "not supported header type - support only Windows V3\n"},
      {7, 3, 4, [](bitmap_header& h) { h.planes = 2; h.compression = 3; h.bit_count = 2; }, ""},
      {7, 3, 4, [](bitmap_header& h) { h.compression = 3; h.bit_count = 2; }, check + "not support compression\n"},
      {7, 3, 4, [](bitmap_header& h) { h.bit_count = 2; h.data_offset = 0; }, check + "unknown bit count\n"},
      {7, 3, 4, [](bitmap_header& h) { h.data_offset = 0; h.data_length = 1; }, check + "offset size 0x0 != 0x76\n"},
      {7, 3, 4, [](bitmap_header& h) { h.data_length = 1; h.file_length = 0; }, check + "data length 0x1 != 0xC\n"},
      {7, 3, 4, [](bitmap_header& h) { h.file_length = 0x81; }, check + "file length 0x81 < 0x82\n"},
      // The offset names the end of the full colour table; colors_used
      // does not shorten the table.
      {5, 5, 24, [](bitmap_header& h) { h.data_offset += 4; }, check + "offset size 0x3A != 0x36\n"},
      {5, 5, 8, [](bitmap_header& h) { h.data_offset = 118; h.colors_used = 16; },
       check + "offset size 0x76 != 0x436\n"},
      // Rows from the top: a header with the lengths of the real picture
      // meets the data length test, one whose lengths agree in wrapping
      // arithmetic a refusal of its own; so do sizes beyond 32 bits.
      {4, 2, 8, [](bitmap_header& h) { h.height = 0xFFFFFFFE; }, check + "data length 0x8 != 0xFFFFFFF8\n"},
      {1, 1, 24, [](bitmap_header& h) { h.height = 0xFFFFFFFF; h.data_length = 0xFFFFFFFC; h.file_length = 0x32; },
       check + "negative height 0xFFFFFFFF (top-down rows) not supported\n"},
      {1, 1, 8, [](bitmap_header& h) { h.width = 0xFFFFFFF8; h.data_length = 0xFFFFFFF8; h.file_length = 0x42E; },
       check + "negative width 0xFFFFFFF8 not supported\n"},
      {1, 1, 32, [](bitmap_header& h) { h.width = 0x40000001; },
       check + "size 0x40000001 x 0x1 at 32 bits overflows 32 bits\n"},
      {1, 1, 8, [](bitmap_header& h) { h.width = h.height = 0x10000; h.data_length = 0; h.file_length = 0x436; },
       "warning: check_bitmap_header() - data length is 0 ... corrected: 0x0\n" + check +
           "size 0x10000 x 0x10000 at 8 bits overflows 32 bits\n"},
      {1, 1, 8,
       [](bitmap_header& h) { h.width = 0x7FFFFFFC; h.height = 2; h.data_length = 0xFFFFFFF8; h.file_length = 0x42E; },
       check + "size 0x7FFFFFFC x 0x2 at 8 bits overflows 32 bits\n"},
      // Pixel buffers beyond 256 MiB, one byte per pixel even for 1 bit.
      {8192, 10923, 24, nullptr, check + "pixel data 0x10002000 bytes exceeds limit 0x10000000\n"},
      {0x10000, 0x1001, 1, nullptr, check + "pixel data 0x10010000 bytes exceeds limit 0x10000000\n"}};
  for (const auto& [width, height, bits, change, messages] : cases) {
    bmp_picture p = bmp_pattern(1, 1, bits);
    p.width = width;
    p.height = height;
    bitmap_header h = bmp_header_for(p);
    if (change != nullptr) change(h);
    const read_capture r = read_bmp_bytes(bmp_file_of(h, p.palette, {}));
    EXPECT_EQ(std::make_tuple(r.result, r.output, r.pixels.get(), r.palette.get()),
              std::make_tuple(-1, messages + header_line, nullptr, nullptr));
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(check_bitmap_header(h, standard_sink()), -1); }), messages);
  }
}

TEST(BmpCheck, WarningsAreCountedAndDoNotStopTheReading) {
  const bmp_picture p = bmp_pattern(47, 33, 24);  // rows of 144 bytes
  const std::string corrected = "warning: check_bitmap_header() - data length is 0 ... corrected: 0x1290\n";
  const std::tuple<void (*)(bitmap_header&), int, std::string> cases[] = {
      {[](bitmap_header& h) { h.data_length = 0; }, 1, corrected},
      {[](bitmap_header& h) { h.data_length = 0; h.file_length += 1; }, 2,
       corrected + "warning: check_bitmap_header() - file length 0x12C7 > 0x12C6\n"},
      {[](bitmap_header& h) { h.file_length = 0xFFFFFFFF; }, 1,
       "warning: check_bitmap_header() - file length 0xFFFFFFFF > 0x12C6\n"}};
  for (const auto& [change, warnings, messages] : cases) {
    bitmap_header h = bmp_header_for(p);
    change(h);
    const read_capture r = read_bmp_bytes(bmp_file_of(h, p.palette, bmp_rows_of(p)));
    EXPECT_EQ(std::make_tuple(r.output, r.header.data_length), std::make_tuple(messages, 0x1290u));
    expect_picture(r, p);
    const int counted = warnings;  // a lambda captures no structured binding in Clang 14
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(check_bitmap_header(h, standard_sink()), counted); }), messages);
  }
  bmp_picture big = bmp_pattern(1, 1, 32);
  big.width = big.height = 8192;  // a buffer of exactly 256 MiB
  bitmap_header h = bmp_header_for(big);
  EXPECT_EQ(stdout_of([&] { EXPECT_EQ(check_bitmap_header(h, standard_sink()), 0); }), "");
}

TEST(BmpCheck, HeaderBytesAndColourTableAreReadInFileOrder) {
  bitmap_header h = bmp_header_for(bmp_pattern(0x123, 0x45, 8));
  h.reserved1 = 0xA1B2; h.reserved2 = 0xC3D4; h.x_pixels_per_meter = 0x11223344; h.y_pixels_per_meter = 0x55667788;
  h.colors_used = 0x99AABBCC; h.colors_important = 0xDDEEFF00;
  bytes contents = bmp_header_bytes_of(h);
  for (int i = 0; i < 1024; ++i) contents.push_back(static_cast<std::uint8_t>(i * 7 + 1));
  const stream_ptr stream = stream_of(contents);
  bitmap_header got;
  EXPECT_EQ(stdout_of([&] { EXPECT_EQ(read_bitmap_header(stream.get(), got, standard_sink()), 0); }), "");
  EXPECT_EQ(std::memcmp(&got, &h, sizeof h), 0);
  std::uint32_t entries[256] = {};
  for (int count : {-1, 0, 257}) EXPECT_EQ(read_palette(stream.get(), entries, count), -1);
  EXPECT_EQ(std::ftell(stream.get()), 54);  // those counts read nothing
  EXPECT_EQ(read_palette(stream.get(), entries, 256), 0);
  // Bytes 01 08 0F 16 and E5 EC F3 FA: the reserved byte is kept.
  EXPECT_EQ(std::make_tuple(entries[0], entries[255]), std::make_tuple(0x160F0801u, 0xFAF3ECE5u));
  // Short or unmarked headers fail without a message of their own.
  bytes sound = bmp_header_bytes_of(h), lower_case = sound;
  lower_case[0] = 'b';
  for (const bytes& header : {bytes{}, bytes(sound.begin(), sound.end() - 1), bytes{'B', 'M'}, lower_case})
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(read_bitmap_header(stream_of(header).get(), got, standard_sink()), -1); }), "");
}

TEST(BmpRead, WriterAndBuilderFilesAgreeAndReadBack) {
  temp_dir dir;
  const std::string path = dir.file("same.bmp");
  for (std::uint16_t bits : all_bit_counts)
    for (const auto& [width, height] : {std::pair{47, 33}, {1, 1}, {2, 3}, {3, 5}, {7, 3}, {9, 2}, {31, 4}, {64, 2}}) {
      SCOPED_TRACE(testing::Message() << bits << " bits, " << width << " x " << height);
      const bmp_picture p = bmp_pattern(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), bits, 7);
      bitmap b{width, height, bits, static_cast<std::uint32_t>(p.pixels.size()),
               allocate_zeroed<std::uint8_t>(p.pixels.size()), p.palette.empty() ? nullptr : p.palette.data()};
      std::memcpy(b.pixels.get(), p.pixels.data(), p.pixels.size());
      EXPECT_EQ(stdout_of([&] { EXPECT_EQ(write_bitmap_file(path.c_str(), b, 1, standard_sink()), 0); }), "");
      EXPECT_TRUE(read_file(path) == bmp_file_of(p));
      const read_capture r = read_bmp_bytes(read_file(path));
      EXPECT_EQ(r.output, "");
      expect_picture(r, p);
      // Pillow, an independent decoder, sees the same colours.
      rgb_picture seen;
      const rgb_picture colours = rgb_of(p.width, p.height, bits, p.palette.data(), p.pixels.data());
      EXPECT_TRUE(!pillow_available() || (pillow_decode(path, seen) && seen.rgb == colours.rgb));
    }
}

TEST(BmpRead, ReadsStrictlyInSequenceAndNoFurther) {
  // A pipe cannot seek: header, table and rows are taken as they come, and
  // the bytes after the last row stay unread.
  temp_dir dir;
  const bmp_picture p = bmp_pattern(47, 33, 8, 5);
  bytes contents = bmp_file_of(p);
  contents.insert(contents.end(), 100, 0xEE);
  write_file(dir.file("pipe.bmp"), contents);
  std::FILE* pipe = ::popen(("cat '" + dir.file("pipe.bmp") + "'").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  const read_capture r = read_bmp(pipe);
  char rest[200];
  EXPECT_EQ(std::fread(rest, 1, sizeof rest, pipe), 100u);
  ::pclose(pipe);
  expect_picture(r, p);
}

TEST(BmpRead, EveryTruncationIsRefusedWithTheMessageOfWhereItStops) {
  for (std::uint16_t bits : all_bit_counts) {
    const bmp_picture p = bmp_pattern(13, 5, bits);
    const bytes whole = bmp_file_of(p);
    const std::size_t table_end = 54 + 4 * p.palette.size(), row_size = (whole.size() - table_end) / 5;
    for (std::size_t length = 0; length < whole.size(); ++length) {
      SCOPED_TRACE(std::to_string(bits) + " bits cut at " + std::to_string(length));
      const read_capture r = read_bmp_bytes(bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
      ASSERT_EQ(r.result, -1);
      ASSERT_EQ(r.output, length < 54          ? header_line
                          : length < table_end ? "error: read_bitmap() - can't read palette\n"
                                               : "error: read_bitmap() - can't read bitmap data\n");
      if (length < 54) continue;
      // What was allocated stays with the caller: the rows read before the
      // cut, bottom row first, and zeros above them.
      ASSERT_EQ(std::make_tuple(r.pixels != nullptr, r.palette != nullptr), std::make_tuple(true, bits <= 8));
      const std::size_t kept = length < table_end ? 0 : (length - table_end) / row_size * (p.pixels.size() / 5);
      bytes expected(p.pixels.size() - kept, 0);
      expected.insert(expected.end(), p.pixels.end() - static_cast<std::ptrdiff_t>(kept), p.pixels.end());
      ASSERT_TRUE(bytes(r.pixels.get(), r.pixels.get() + p.pixels.size()) == expected);
    }
  }
}

TEST(BmpRead, ExhaustedMemoryGivesItsLineAndMinusTwo) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizer needs more address space than the limit";
#endif
  bmp_picture p = bmp_pattern(1, 1, 8);
  p.width = p.height = 16384;  // a sound header for a 256 MiB picture
  const bytes contents = bmp_file_of(bmp_header_for(p), p.palette, {});
  EXPECT_EXIT(
      {
        // Only 64 MiB more address space than in use now: the pixel buffer
        // cannot be had.
        std::size_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t limit = pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) + (std::size_t{64} << 20);
        rlimit address_space;
        address_space.rlim_cur = address_space.rlim_max = limit;
        ::setrlimit(RLIMIT_AS, &address_space);
        const read_capture read = read_bmp_bytes(contents);
        std::_Exit(read.result == -2 && read.output == "error: memory exhaust!\n" && read.pixels == nullptr ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
