// The header tests of the BMP reader, one field at a time, and the reading
// of the header bytes and the colour table.
#include <gtest/gtest.h>

#include <string>

#include "bitmap/bmp_read.h"
#include "bitmap/read_capture.h"
#include "support/bmp_builder.h"

namespace {

const std::string header_type =
    "error: check_bitmap_header() - not supported header type - support only Windows V3\n";
const std::string compression = "error: check_bitmap_header() - not support compression\n";
const std::string bit_count = "error: check_bitmap_header() - unknown bit count\n";

// The header of a sound file of the given size and bit count (the header
// needs the size and the colour table, not the pixels).
bitmap_header sound_header(std::uint32_t width, std::uint32_t height, std::uint16_t bits) {
  bmp_picture p = bmp_pattern(1, 1, bits);
  p.width = width;
  p.height = height;
  return bmp_header_for(p);
}

struct checked {
  int result;
  std::string output;
};

checked check(bitmap_header& header) {
  testing::internal::CaptureStdout();
  const int result = check_bitmap_header(header);
  std::fflush(stdout);
  return {result, testing::internal::GetCapturedStdout()};
}

void expect_check(bitmap_header header, int result, const std::string& output) {
  const checked c = check(header);
  EXPECT_EQ(c.result, result);
  EXPECT_EQ(c.output, output);
}

}  // namespace

TEST(BmpCheck, SoundHeadersOfEveryBitCountPassSilently) {
  for (std::uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    for (std::uint32_t width : {1u, 7u, 47u, 448u}) {
      SCOPED_TRACE(std::to_string(bits) + " bits, width " + std::to_string(width));
      expect_check(sound_header(width, 33, bits), 0, "");
    }
  }
}

TEST(BmpCheck, TestsRunInTheirOrderAndStopAtTheFirstRefusal) {
  bitmap_header h = sound_header(7, 3, 4);
  h.header_size = 108;
  h.planes = 2;
  h.compression = 3;
  h.bit_count = 2;
  expect_check(h, -1, header_type);
  h.header_size = 124;
  expect_check(h, -1, header_type);
  h.header_size = 40;
  expect_check(h, -1, "");  // two planes: refused without a message of its own
  h.planes = 0;
  expect_check(h, -1, "");
  h.planes = 1;
  expect_check(h, -1, compression);
  h.compression = 0;
  h.data_offset = 0;
  expect_check(h, -1, bit_count);
  h.bit_count = 4;
  h.data_length = 1;
  expect_check(h, -1, "error: check_bitmap_header() - offset size 0x0 != 0x76\n");
  h.data_offset = 118;
  h.file_length = 0;
  expect_check(h, -1, "error: check_bitmap_header() - data length 0x1 != 0xC\n");
  h.data_length = 12;
  expect_check(h, -1, "error: check_bitmap_header() - file length 0x0 < 0x82\n");
}

TEST(BmpCheck, OnlyTheSixBitCountsAreKnown) {
  for (std::uint16_t bits : {0, 2, 3, 12, 15, 33, 64, 0xFFFF}) {
    bitmap_header h = sound_header(7, 3, 24);
    h.bit_count = bits;
    expect_check(h, -1, bit_count);
  }
}

TEST(BmpCheck, OffsetMustNameTheEndOfTheFullColourTable) {
  const struct {
    std::uint16_t bits;
    const char* numbers;  // the offset 4 bytes too far, and the expected one
  } cases[] = {{1, "0x42 != 0x3E"},  {4, "0x7A != 0x76"},  {8, "0x43A != 0x436"},
               {16, "0x3A != 0x36"}, {24, "0x3A != 0x36"}, {32, "0x3A != 0x36"}};
  for (const auto& c : cases) {
    bitmap_header h = sound_header(5, 5, c.bits);
    h.data_offset += 4;
    expect_check(h, -1,
                 std::string("error: check_bitmap_header() - offset size ") + c.numbers + "\n");
  }
  // An 8-bit file with a table of 16 entries; colors_used does not shorten
  // the table.
  bitmap_header h = sound_header(5, 5, 8);
  h.data_offset = 118;
  h.colors_used = 16;
  expect_check(h, -1, "error: check_bitmap_header() - offset size 0x76 != 0x436\n");
}

TEST(BmpCheck, ZeroDataLengthIsCorrectedWithAWarning) {
  bitmap_header h = sound_header(47, 33, 24);  // rows of 144 bytes
  h.data_length = 0;
  checked c = check(h);
  EXPECT_EQ(c.result, 1);
  EXPECT_EQ(c.output, "warning: check_bitmap_header() - data length is 0 ... corrected: 0x1290\n");
  EXPECT_EQ(h.data_length, 0x1290u);

  h.data_length = 0;
  h.file_length += 1;
  c = check(h);
  EXPECT_EQ(c.result, 2);
  EXPECT_EQ(c.output,
            "warning: check_bitmap_header() - data length is 0 ... corrected: 0x1290\n"
            "warning: check_bitmap_header() - file length 0x12C7 > 0x12C6\n");
}

TEST(BmpCheck, FileLengthIsTheHeaderFieldAgainstTheExpectedEnd) {
  bitmap_header h = sound_header(3, 2, 1);  // 62 + 2 rows of 4 bytes = 0x46
  h.file_length = 0xFFFFFFFF;
  expect_check(h, 1, "warning: check_bitmap_header() - file length 0xFFFFFFFF > 0x46\n");
  h.file_length = 0x45;
  expect_check(h, -1, "error: check_bitmap_header() - file length 0x45 < 0x46\n");
}

TEST(BmpCheck, SizesAreComparedInWrappingArithmetic) {
  // 0x40000001 pixels of 32 bits make rows of 4 bytes once wrapped: the
  // size tests pass, and only the later refusal stops the header.
  bitmap_header h = sound_header(1, 1, 32);
  h.width = 0x40000001;
  expect_check(
      h, -1, "error: check_bitmap_header() - size 0x40000001 x 0x1 at 32 bits overflows 32 bits\n");
  // A length that wraps to 0 is "corrected" to 0 first.
  h = sound_header(1, 1, 8);
  h.width = 0x10000;
  h.height = 0x10000;
  h.data_length = 0;
  h.file_length = 0x436;
  expect_check(
      h, -1,
      "warning: check_bitmap_header() - data length is 0 ... corrected: 0x0\n"
      "error: check_bitmap_header() - size 0x10000 x 0x10000 at 8 bits overflows 32 bits\n");
  // The end of the data past 4 GiB.
  h = sound_header(1, 1, 8);
  h.width = 0x7FFFFFFC;
  h.height = 2;
  h.data_length = 0xFFFFFFF8;
  h.file_length = 0x42E;
  expect_check(
      h, -1, "error: check_bitmap_header() - size 0x7FFFFFFC x 0x2 at 8 bits overflows 32 bits\n");
}

TEST(BmpCheck, NegativeSizesAreRefusedAfterTheSizeTests) {
  // Rows from the top: height -1 at one 24-bit pixel a row wraps to a data
  // length of 0xFFFFFFFC and an end of 0x32.
  bitmap_header h = sound_header(1, 1, 24);
  h.height = 0xFFFFFFFF;
  h.data_length = 0xFFFFFFFC;
  h.file_length = 0x32;
  expect_check(h, -1,
               "error: check_bitmap_header() - negative height 0xFFFFFFFF (top-down rows) not "
               "supported\n");
  // A top-down header with lengths of the real picture meets the data
  // length test first.
  h = sound_header(4, 2, 8);
  h.height = static_cast<std::uint32_t>(-2);
  expect_check(h, -1, "error: check_bitmap_header() - data length 0x8 != 0xFFFFFFF8\n");

  h = sound_header(1, 1, 8);
  h.width = 0xFFFFFFF8;
  h.data_length = 0xFFFFFFF8;
  h.file_length = 0x42E;
  expect_check(h, -1, "error: check_bitmap_header() - negative width 0xFFFFFFF8 not supported\n");
}

TEST(BmpCheck, PixelBuffersAreCappedAt256MiB) {
  bitmap_header h = sound_header(8192, 8192, 32);  // exactly the limit
  expect_check(h, 0, "");
  h = sound_header(8192, 10923, 24);
  expect_check(h, -1,
               "error: check_bitmap_header() - pixel data 0x10002000 bytes exceeds limit "
               "0x10000000\n");
  // The limit counts memory bytes, one per pixel even for 1 bit.
  h = sound_header(0x10000, 0x1001, 1);
  expect_check(h, -1,
               "error: check_bitmap_header() - pixel data 0x10010000 bytes exceeds limit "
               "0x10000000\n");
}

TEST(BmpCheck, HeaderBytesAreReadInFileOrderLittleEndian) {
  bitmap_header h = sound_header(0x123, 0x45, 8);
  h.reserved1 = 0xA1B2;
  h.reserved2 = 0xC3D4;
  h.file_length += 0x01000000;  // a warning, still read
  h.x_pixels_per_meter = 0x11223344;
  h.y_pixels_per_meter = 0x55667788;
  h.colors_used = 0x99AABBCC;
  h.colors_important = 0xDDEEFF00;
  auto stream = stream_of(bmp_header_bytes_of(h));
  bitmap_header got;
  testing::internal::CaptureStdout();
  EXPECT_EQ(read_bitmap_header(stream.get(), got), 1);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(got.file_length, h.file_length);
  EXPECT_EQ(got.reserved1, 0xA1B2);
  EXPECT_EQ(got.reserved2, 0xC3D4);
  EXPECT_EQ(got.data_offset, 1078u);
  EXPECT_EQ(got.header_size, 40u);
  EXPECT_EQ(got.width, 0x123u);
  EXPECT_EQ(got.height, 0x45u);
  EXPECT_EQ(got.planes, 1);
  EXPECT_EQ(got.bit_count, 8);
  EXPECT_EQ(got.compression, 0u);
  EXPECT_EQ(got.data_length, h.data_length);
  EXPECT_EQ(got.x_pixels_per_meter, 0x11223344u);
  EXPECT_EQ(got.y_pixels_per_meter, 0x55667788u);
  EXPECT_EQ(got.colors_used, 0x99AABBCCu);
  EXPECT_EQ(got.colors_important, 0xDDEEFF00u);
  EXPECT_EQ(std::ftell(stream.get()), 54);
}

TEST(BmpCheck, ShortOrUnmarkedHeadersFailWithoutAMessage) {
  bytes sound = bmp_header_bytes_of(sound_header(4, 4, 24));
  for (const bytes& contents : {bytes{}, bytes(sound.begin(), sound.end() - 1), bytes{'B', 'M'}}) {
    bitmap_header got;
    testing::internal::CaptureStdout();
    EXPECT_EQ(read_bitmap_header(stream_of(contents).get(), got), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  }
  for (const char* magic : {"BA", "MB", "bm", "\0\0"}) {
    bytes wrong = sound;
    wrong[0] = static_cast<std::uint8_t>(magic[0]);
    wrong[1] = static_cast<std::uint8_t>(magic[1]);
    bitmap_header got;
    testing::internal::CaptureStdout();
    EXPECT_EQ(read_bitmap_header(stream_of(wrong).get(), got), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  }
}

TEST(BmpCheck, PaletteEntriesAreTakenByteForByte) {
  bytes table;
  for (int i = 0; i < 1024; ++i) table.push_back(static_cast<std::uint8_t>(i * 7 + 1));
  auto stream = stream_of(table);
  std::uint32_t entries[256] = {};
  EXPECT_EQ(read_palette(stream.get(), entries, 256), 0);
  EXPECT_EQ(entries[0], 0x160F0801u);  // bytes 01 08 0F 16: the reserved byte is kept
  EXPECT_EQ(entries[255], static_cast<std::uint32_t>(table[1020] | table[1021] << 8 |
                                                     table[1022] << 16 | table[1023] << 24));
  // Counts outside 1..256 read nothing.
  std::rewind(stream.get());
  for (int count : {-1, 0, 257}) {
    EXPECT_EQ(read_palette(stream.get(), entries, count), -1);
    EXPECT_EQ(std::ftell(stream.get()), 0);
  }
  // One entry short.
  auto short_stream = stream_of(bytes(table.begin(), table.begin() + 63));
  EXPECT_EQ(read_palette(short_stream.get(), entries, 16), -1);
  auto two = stream_of(bytes(table.begin(), table.begin() + 8));
  EXPECT_EQ(read_palette(two.get(), entries, 2), 0);
  EXPECT_EQ(entries[1], 0x322B241Du);
}
