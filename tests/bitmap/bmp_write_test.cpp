#include "bitmap/bmp_write.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "common/file_handle.h"
#include "support/capture.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace {

bitmap make_picture(std::int32_t width, std::int32_t height, std::int32_t bit_count) {
  bitmap p;
  p.width = width;
  p.height = height;
  p.bit_count = bit_count;
  p.data_size = static_cast<std::uint32_t>(width * height * bytes_per_pixel_of(bit_count));
  p.pixels = allocate_zeroed<std::uint8_t>(p.data_size);
  for (std::uint32_t i = 0; i < p.data_size; ++i) p.pixels[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return p;
}

// Writes `picture` to a file and returns its bytes.
bytes write_and_read(const bitmap& picture) {
  temp_dir dir;
  const std::string path = dir.file("x.bmp");
  EXPECT_EQ(stdout_of([&] { EXPECT_EQ(write_bitmap_file(path.c_str(), picture, 0, standard_sink()), 0); }), "");
  return read_file(path);
}

// Points standard input at a file holding `text`.
void feed_stdin(const temp_dir& dir, const std::string& text) {
  const std::string path = dir.file("answers");
  write_file(path, bytes(text.begin(), text.end()));
  ASSERT_NE(std::freopen(path.c_str(), "r", stdin), nullptr);
}

}  // namespace

// (Whole files of every bit count against the independent byte builder:
// bmp_read_test.cpp.)  Pixel bytes keep only the bits of their bit count,
// and a colour table goes with 1 to 8 bits only.
TEST(BmpWrite, PacksOneAndFourBitRows) {
  bitmap one = make_picture(10, 1, 1);
  const std::uint8_t dots[10] = {1, 0, 0, 0, 0, 0, 0, 9, 0, 255};
  std::copy(dots, dots + 10, one.pixels.get());
  const bytes f1 = write_and_read(one);
  // Null palette: two all-zero entries.
  EXPECT_EQ(bytes(f1.begin() + 54, f1.begin() + 62), bytes(8, 0));
  EXPECT_EQ(f1[62], 0x81);
  EXPECT_EQ(f1[63], 0x40);
  EXPECT_EQ(f1[64], 0);

  bitmap four = make_picture(7, 1, 4);
  const std::uint8_t nibbles[7] = {0x1F, 0x02, 0x03, 0xF4, 0x05, 0x06, 0xA7};
  std::copy(nibbles, nibbles + 7, four.pixels.get());
  const bytes f4 = write_and_read(four);
  EXPECT_EQ(bytes(f4.begin() + 118, f4.end()), (bytes{0xF2, 0x34, 0x56, 0x70}));

  bitmap deep = make_picture(1, 1, 24);
  const std::uint32_t table[16] = {};
  deep.palette = table;
  EXPECT_EQ(write_and_read(deep).size(), 54u + 4);
}

TEST(BmpWrite, UnsupportedBitCountTouchesNothing) {
  temp_dir dir;
  const std::string path = dir.file("x.bmp");
  // 24 bits: a buffer too small for the picture it claims to be.
  for (std::int32_t bits : {2, 12, 0, 0x10002, 24}) {
    bitmap picture = make_picture(4, 4, 8);
    picture.bit_count = bits;
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(write_bitmap_file(path.c_str(), picture, 1, standard_sink()), -1); }),
              "error: create bitmap header\n");
    EXPECT_FALSE(file_exists(path));
  }
}

TEST(BmpWrite, HeaderAndPaletteWriteFailuresAreReported) {
  bitmap_header header;
  ASSERT_EQ(create_bitmap_header(header, 2, 2, 8), 0);
  const std::uint8_t pixels[4] = {};
  unique_file full = open_file("/dev/full", "wb");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full";
  std::setvbuf(full.get(), nullptr, _IONBF, 0);
  EXPECT_EQ(stdout_of([&] { EXPECT_EQ(write_bitmap(full.get(), header, nullptr, pixels, standard_sink()), -1); }),
            "error: write_bitmap() - can't write bitmap header\n");
  header.bit_count = 2;
  EXPECT_EQ(write_bitmap(full.get(), header, nullptr, pixels, standard_sink()), -1);
}

// A file that cannot be written whole fails with the write line wherever
// the failure shows: at the first byte, in the rows, or only when the
// stream's buffer is flushed at the close.  Each write runs in a child whose
// files are capped at `limit` bytes; what was written stays.
TEST(BmpWrite, FailuresInTheRowsAndAtTheCloseAreReported) {
  temp_dir dir;
  const std::string path = dir.file("x.bmp");
  struct limit_case {
    std::int32_t bits;
    std::uint64_t limit;
  };
  const std::uint64_t size4 = 458870, size24 = 2752566;
  for (const limit_case c : {limit_case{4, 0}, {4, 200001}, {4, size4 - 1}, {4, size4}, {24, 7},
                             {24, 1500000}, {24, size24 - 1}, {24, size24}}) {
    const bitmap picture = make_picture(896, 1024, c.bits);
    const std::uint64_t size = c.bits == 4 ? size4 : size24;
    const program_result r = run_in_child([&] { return -write_bitmap_file(path.c_str(), picture, 1, standard_sink()); }, c.limit);
    const bool whole = c.limit >= size;
    EXPECT_EQ(r.exit_status, whole ? 0 : 1) << c.bits << "/" << c.limit;
    EXPECT_EQ(r.output, whole ? "" : "error: write bitmap '" + path + "'\n") << c.bits << "/" << c.limit;
    EXPECT_EQ(std::filesystem::file_size(path), std::min(c.limit, size)) << c.bits << "/" << c.limit;
  }
  // One short of the whole file, every write into the stream's buffer
  // succeeds: the failure shows only at the close.
  const bitmap picture = make_picture(896, 1024, 4);
  const program_result at_close = run_in_child(
      [&] {
        bitmap_header header;
        create_bitmap_header(header, 896, 1024, 4);
        unique_file stream = open_file(path.c_str(), "wb");
        if (write_bitmap(stream.get(), header, nullptr, picture.pixels.get(), standard_sink()) != 0) return 1;
        return close_written(stream) == 0 ? 0 : 2;
      },
      size4 - 1);
  EXPECT_EQ(at_close.exit_status, 2);
}

TEST(BmpWrite, OverwriteQuestionTakesOneCharacterAtATime) {
  temp_dir dir;
  const std::string a = dir.file("a.bmp"), b = dir.file("b.bmp");
  const bytes old_contents = {'o', 'l', 'd'};
  write_file(a, old_contents);
  write_file(b, old_contents);
  bitmap picture = make_picture(8, 8, 8);

  // 'x' and the line end are passed over, 'y' answers; the 'n' left on the
  // line answers the next question at once.
  feed_stdin(dir, "x\nyn\n");
  EXPECT_EQ(stdout_of([&] {
              EXPECT_EQ(write_bitmap_file(a.c_str(), picture, 0, standard_sink()), 0);
              EXPECT_EQ(write_bitmap_file(b.c_str(), picture, 0, standard_sink()), -1);
            }),
            "'" + a + "' already exists\noverwrite ? (Y or N): '" + b +
                "' already exists\noverwrite ? (Y or N): ");
  EXPECT_EQ(read_file(a).size(), 54u + 1024 + 64);
  EXPECT_EQ(read_file(b), old_contents);

  // "No" in capitals, and the end of input, both leave the file alone.
  for (const char* answers : {"No\n", "", "what\n"}) {
    feed_stdin(dir, answers);
    stdout_of([&] { EXPECT_EQ(write_bitmap_file(b.c_str(), picture, 0, standard_sink()), -1) << answers; });
    EXPECT_EQ(read_file(b), old_contents) << answers;
  }

  // With the overwrite flag there is no question.
  feed_stdin(dir, "n\n");
  EXPECT_EQ(stdout_of([&] { EXPECT_EQ(write_bitmap_file(b.c_str(), picture, 1, standard_sink()), 0); }), "");
  EXPECT_EQ(read_file(b).size(), 54u + 1024 + 64);
}

TEST(BmpWrite, DirectoryNameIsAskedThenFailsToOpen) {
  temp_dir dir;
  const std::string sub = dir.file("sub");
  std::filesystem::create_directory(sub);
  bitmap picture = make_picture(8, 8, 8);
  feed_stdin(dir, "Y");
  EXPECT_EQ(stdout_of([&] { EXPECT_EQ(write_bitmap_file(sub.c_str(), picture, 0, standard_sink()), -1); }),
            "'" + sub + "' already exists\noverwrite ? (Y or N): error: open '" + sub + "'\n");
}
