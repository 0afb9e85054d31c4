// Reading whole BMP files: pictures written by the program's writer and by
// the independent byte builder read back exactly, and damaged files are
// refused with their messages in order, at every length they may be cut.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>

#include "bitmap/bmp_read.h"
#include "bitmap/bmp_write.h"
#include "bitmap/read_capture.h"
#include "support/bmp_builder.h"
#include "support/temp_dir.h"

namespace {

const std::string header_line = "error: read_bitmap() - can't read bitmap header\n";
const std::string palette_line = "error: read_bitmap() - can't read palette\n";
const std::string data_line = "error: read_bitmap() - can't read bitmap data\n";

constexpr std::uint16_t all_bit_counts[] = {1, 4, 8, 16, 24, 32};

// Checks a successful read against the picture it was made from: the
// header's size and bit count, the colour table, and every pixel byte.
void expect_picture(const read_capture& r, const bmp_picture& p) {
  ASSERT_EQ(r.result, 0) << r.output;
  EXPECT_EQ(r.header.width, p.width);
  EXPECT_EQ(r.header.height, p.height);
  EXPECT_EQ(r.header.bit_count, p.bit_count);
  ASSERT_NE(r.pixels, nullptr);
  EXPECT_EQ(std::memcmp(r.pixels.get(), p.pixels.data(), p.pixels.size()), 0);
  if (p.bit_count <= 8) {
    ASSERT_NE(r.palette, nullptr);
    EXPECT_EQ(std::memcmp(r.palette.get(), p.palette.data(), 4 * p.palette.size()), 0);
  } else {
    EXPECT_EQ(r.palette, nullptr);
  }
}

// A picture of arbitrary byte values, also for 1 and 4 bits, where the
// writer keeps only "non-zero" and the low nibble.
bitmap any_bytes_picture(std::int32_t width, std::int32_t height, std::int32_t bits,
                         const std::uint32_t* palette) {
  bitmap b;
  b.width = width;
  b.height = height;
  b.bit_count = bits;
  b.data_size = static_cast<std::uint32_t>(width * height * bytes_per_pixel_of(bits));
  b.pixels = allocate_zeroed<std::uint8_t>(b.data_size);
  for (std::uint32_t i = 0; i < b.data_size; ++i) {
    b.pixels[i] = static_cast<std::uint8_t>((i * 37 + i / 5 * 11) ^ 0xA5);
  }
  b.palette = palette;
  return b;
}

struct size2 {
  std::int32_t width;
  std::int32_t height;
};
constexpr size2 odd_sizes[] = {{47, 33}, {1, 1}, {2, 3}, {3, 5}, {7, 3}, {9, 2}, {31, 4}, {64, 2}};

}  // namespace

TEST(BmpRead, WriterOutputReadsBackWithTheSamePixelsAndTable) {
  temp_dir dir;
  const bmp_picture colours = bmp_pattern(1, 1, 8, 99);  // 256 entries
  for (std::int32_t bits : all_bit_counts) {
    for (const size2 s : odd_sizes) {
      SCOPED_TRACE(std::to_string(bits) + " bits, " + std::to_string(s.width) + " x " +
                   std::to_string(s.height));
      const bitmap picture = any_bytes_picture(s.width, s.height, bits, colours.palette.data());
      const std::string path = dir.file("round.bmp");
      testing::internal::CaptureStdout();
      ASSERT_EQ(write_bitmap_file(path.c_str(), picture, 1), 0);
      testing::internal::GetCapturedStdout();

      const read_capture r = read_bmp_file(path);
      ASSERT_EQ(r.result, 0);
      EXPECT_EQ(r.output, "");
      bitmap_header written;
      create_bitmap_header(written, static_cast<std::uint32_t>(s.width),
                           static_cast<std::uint32_t>(s.height), static_cast<std::uint16_t>(bits));
      EXPECT_EQ(std::memcmp(&r.header, &written, sizeof written), 0);
      for (std::uint32_t i = 0; i < picture.data_size; ++i) {
        const std::uint8_t v = picture.pixels[i];
        const std::uint8_t expected = bits == 1 ? (v != 0) : bits == 4 ? (v & 15) : v;
        ASSERT_EQ(r.pixels[i], expected) << "byte " << i;
      }
      const std::int32_t entries = bmp_palette_entries(static_cast<std::uint32_t>(bits));
      if (entries > 0) {
        EXPECT_EQ(std::memcmp(r.palette.get(), colours.palette.data(), 4u * entries), 0);
      } else {
        EXPECT_EQ(r.palette, nullptr);
      }
    }
  }
}

TEST(BmpRead, WriterAndIndependentBuilderAgreeByteForByte) {
  temp_dir dir;
  for (std::uint16_t bits : all_bit_counts) {
    for (const size2 s : odd_sizes) {
      const bmp_picture p = bmp_pattern(static_cast<std::uint32_t>(s.width),
                                        static_cast<std::uint32_t>(s.height), bits, 7);
      bitmap b;
      b.width = s.width;
      b.height = s.height;
      b.bit_count = bits;
      b.data_size = static_cast<std::uint32_t>(p.pixels.size());
      b.pixels = allocate_zeroed<std::uint8_t>(p.pixels.size());
      std::memcpy(b.pixels.get(), p.pixels.data(), p.pixels.size());
      b.palette = p.palette.empty() ? nullptr : p.palette.data();
      const std::string path = dir.file("same.bmp");
      testing::internal::CaptureStdout();
      ASSERT_EQ(write_bitmap_file(path.c_str(), b, 1), 0);
      testing::internal::GetCapturedStdout();
      EXPECT_EQ(read_file(path), bmp_file_of(p)) << bits << " bits, width " << s.width;
      expect_picture(read_bmp_file(path), p);
    }
  }
}

TEST(BmpRead, NullPaletteIsWrittenAndReadAsZeroEntries) {
  temp_dir dir;
  const bitmap picture = any_bytes_picture(5, 3, 4, nullptr);
  testing::internal::CaptureStdout();
  ASSERT_EQ(write_bitmap_file(dir.file("zero.bmp").c_str(), picture, 1), 0);
  testing::internal::GetCapturedStdout();
  const read_capture r = read_bmp_file(dir.file("zero.bmp"));
  ASSERT_EQ(r.result, 0);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(r.palette[i], 0u);
}

TEST(BmpRead, WarningsDoNotStopTheReading) {
  const bmp_picture p = bmp_pattern(13, 7, 4, 3);
  bitmap_header h = bmp_header_for(p);
  h.data_length = 0;
  h.file_length += 0x100;
  const read_capture r = read_bmp_bytes(bmp_file_of(h, p.palette, bmp_rows_of(p)));
  EXPECT_EQ(r.output,
            "warning: check_bitmap_header() - data length is 0 ... corrected: 0x38\n"
            "warning: check_bitmap_header() - file length 0x1AE > 0xAE\n");
  expect_picture(r, p);
  EXPECT_EQ(r.header.data_length, 0x38u);
}

TEST(BmpRead, BytesAfterTheLastRowAreNotRead) {
  const bmp_picture p = bmp_pattern(6, 2, 24);
  bytes contents = bmp_file_of(p);
  contents.insert(contents.end(), 100, 0xEE);
  auto stream = stream_of(contents);
  read_capture r;
  r.result = read_bitmap(stream.get(), r.header, r.palette, r.pixels);
  expect_picture(r, p);
  EXPECT_EQ(std::ftell(stream.get()), static_cast<long>(contents.size() - 100));
}

TEST(BmpRead, ReadsStrictlyInSequenceFromAPipe) {
  // A pipe cannot seek: the reader must take header, table and rows in the
  // order they come.
  temp_dir dir;
  const bmp_picture p = bmp_pattern(47, 33, 8, 5);
  write_file(dir.file("pipe.bmp"), bmp_file_of(p));
  std::FILE* pipe = ::popen(("cat '" + dir.file("pipe.bmp") + "'").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  read_capture r;
  r.result = read_bitmap(pipe, r.header, r.palette, r.pixels);
  ::pclose(pipe);
  expect_picture(r, p);
}

TEST(BmpRead, RefusedHeadersGiveTheirLineThenTheReadersLine) {
  const bmp_picture p = bmp_pattern(7, 3, 8);
  const bytes rows = bmp_rows_of(p);
  const auto read_with = [&](auto change) {
    bitmap_header h = bmp_header_for(p);
    change(h);
    return read_bmp_bytes(bmp_file_of(h, p.palette, rows));
  };
  const struct {
    const char* what;
    void (*change)(bitmap_header&);
    std::string output;
  } cases[] = {
      {"V4 header", [](bitmap_header& h) { h.header_size = 108; },
       "error: check_bitmap_header() - not supported header type - support only Windows V3\n"},
      {"V5 header", [](bitmap_header& h) { h.header_size = 124; },
       "error: check_bitmap_header() - not supported header type - support only Windows V3\n"},
      {"two planes", [](bitmap_header& h) { h.planes = 2; }, ""},
      {"bit fields", [](bitmap_header& h) { h.compression = 3; },
       "error: check_bitmap_header() - not support compression\n"},
      {"run lengths", [](bitmap_header& h) { h.compression = 1; },
       "error: check_bitmap_header() - not support compression\n"},
      {"bit count 2", [](bitmap_header& h) { h.bit_count = 2; },
       "error: check_bitmap_header() - unknown bit count\n"},
      {"16 colours", [](bitmap_header& h) { h.data_offset = 118; },
       "error: check_bitmap_header() - offset size 0x76 != 0x436\n"},
      {"data length", [](bitmap_header& h) { h.data_length = 21; },
       "error: check_bitmap_header() - data length 0x15 != 0x18\n"},
      {"file length", [](bitmap_header& h) { h.file_length = 1077; },
       "error: check_bitmap_header() - file length 0x435 < 0x44E\n"},
      {"top-down", [](bitmap_header& h) { h.height = static_cast<std::uint32_t>(-3); },
       "error: check_bitmap_header() - data length 0x18 != 0xFFFFFFE8\n"},
  };
  for (const auto& c : cases) {
    const read_capture r = read_with(c.change);
    EXPECT_EQ(r.result, -1) << c.what;
    EXPECT_EQ(r.output, c.output + header_line) << c.what;
    EXPECT_EQ(r.pixels, nullptr) << c.what;  // refused before anything is allocated
    EXPECT_EQ(r.palette, nullptr) << c.what;
  }
}

TEST(BmpRead, HostileSizesAreRefusedBeforeAnyAllocation) {
  // A top-down picture whose lengths agree in wrapped arithmetic.
  bmp_picture p = bmp_pattern(1, 1, 24);
  bitmap_header h = bmp_header_for(p);
  h.height = 0xFFFFFFFF;
  h.data_length = 0xFFFFFFFC;
  h.file_length = 0x32;
  read_capture r = read_bmp_bytes(bmp_file_of(h, {}, bmp_rows_of(p)));
  EXPECT_EQ(r.result, -1);
  EXPECT_EQ(r.output,
            "error: check_bitmap_header() - negative height 0xFFFFFFFF (top-down rows) not "
            "supported\n" +
                header_line);
  EXPECT_EQ(r.pixels, nullptr);

  // 4 GiB of 32-bit pixels that wrap to 4 bytes a row.
  h = bmp_header_for(p);
  h.bit_count = 32;
  h.width = 0x40000001;
  h.data_length = 4;
  h.file_length = 58;
  r = read_bmp_bytes(bmp_file_of(h, {}, bytes(4, 0)));
  EXPECT_EQ(r.output,
            "error: check_bitmap_header() - size 0x40000001 x 0x1 at 32 bits overflows 32 bits\n" +
                header_line);
  EXPECT_EQ(r.pixels, nullptr);

  // A sound header for a 1 GiB picture in a 54-byte file.
  p.width = 16384;
  p.height = 16384;
  p.bit_count = 32;
  r = read_bmp_bytes(bmp_header_bytes_of(bmp_header_for(p)));
  EXPECT_EQ(
      r.output,
      "error: check_bitmap_header() - pixel data 0x40000000 bytes exceeds limit 0x10000000\n" +
          header_line);
  EXPECT_EQ(r.pixels, nullptr);
}

TEST(BmpRead, EveryTruncationIsRefusedWithTheMessageOfWhereItStops) {
  for (std::uint16_t bits : all_bit_counts) {
    const bmp_picture p = bmp_pattern(13, 5, bits);
    const bytes whole = bmp_file_of(p);
    const std::size_t table_end = 54 + 4 * p.palette.size();
    for (std::size_t length = 0; length < whole.size(); ++length) {
      SCOPED_TRACE(std::to_string(bits) + " bits cut at " + std::to_string(length));
      const read_capture r = read_bmp_bytes(bytes(whole.begin(), whole.begin() + length));
      ASSERT_EQ(r.result, -1);
      if (length < 54) {
        ASSERT_EQ(r.output, header_line);
        continue;
      }
      ASSERT_EQ(r.output, length < table_end ? palette_line : data_line);
      // What was allocated stays with the caller.
      ASSERT_NE(r.pixels, nullptr);
      ASSERT_EQ(r.palette != nullptr, bits <= 8);
    }
    expect_picture(read_bmp_bytes(whole), p);
  }
}

TEST(BmpRead, RowsReadBeforeTheCutAreKept) {
  // The bottom two of four rows are in the file; the top two stay zero.
  const bmp_picture p = bmp_pattern(5, 4, 24, 11);
  const bytes whole = bmp_file_of(p);
  const read_capture r = read_bmp_bytes(bytes(whole.begin(), whole.begin() + 54 + 2 * 16 + 3));
  EXPECT_EQ(r.output, data_line);
  const bytes expected_bottom(p.pixels.begin() + 2 * 15, p.pixels.end());
  EXPECT_EQ(std::memcmp(r.pixels.get() + 2 * 15, expected_bottom.data(), expected_bottom.size()),
            0);
  EXPECT_EQ(bytes(r.pixels.get(), r.pixels.get() + 2 * 15), bytes(2 * 15, 0));
}

TEST(BmpRead, ZeroWidthOrHeightReadsAsAnEmptyPicture) {
  for (std::uint16_t bits : all_bit_counts) {
    for (const auto& [width, height] : {std::pair{0u, 5u}, {6u, 0u}, {0u, 0x7FFFFFFFu}}) {
      SCOPED_TRACE(std::to_string(bits) + " bits, " + std::to_string(width) + " x " +
                   std::to_string(height));
      bmp_picture p = bmp_pattern(1, 1, bits);
      p.width = width;
      p.height = height;
      // Rows of no bytes, or no rows: nothing follows the table.
      const read_capture r = read_bmp_bytes(bmp_file_of(bmp_header_for(p), p.palette, {}));
      EXPECT_EQ(r.result, 0);
      // The stored data length of an empty picture is 0, which the check
      // "corrects" to the expected 0.
      EXPECT_EQ(r.output, "warning: check_bitmap_header() - data length is 0 ... corrected: 0x0\n");
      EXPECT_NE(r.pixels, nullptr);
      EXPECT_EQ(r.palette != nullptr, bits <= 8);
    }
  }
}

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool address_sanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool address_sanitizer = true;
#else
constexpr bool address_sanitizer = false;
#endif
#else
constexpr bool address_sanitizer = false;
#endif

// Limits this process's address space to what it uses now plus `extra`.
void limit_address_space(std::size_t extra) {
  std::size_t pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  const rlim_t limit = pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) + extra;
  const rlimit r{limit, limit};
  ::setrlimit(RLIMIT_AS, &r);
}

}  // namespace

TEST(BmpRead, ExhaustedMemoryGivesItsLineAndMinusTwo) {
  if (address_sanitizer) GTEST_SKIP() << "the sanitizer needs more address space than the limit";
  // A sound header for a 256 MiB picture, in a process that can map only
  // 64 MiB more: the pixel buffer cannot be had.
  bmp_picture p = bmp_pattern(1, 1, 8);
  p.width = 16384;
  p.height = 16384;
  const bytes contents = bmp_file_of(bmp_header_for(p), p.palette, {});
  EXPECT_EXIT(
      {
        limit_address_space(std::size_t{64} << 20);
        const read_capture r = read_bmp_bytes(contents);
        std::_Exit(r.result == -2 && r.output == "error: memory exhaust!\n" && r.pixels == nullptr
                       ? 0
                       : 1);
      },
      testing::ExitedWithCode(0), "");
}
