// The containers against floptool (Debian's mame-tools), a reader and
// writer this project did not write: WOZ 2 files it makes read as the raw
// image it made them from (our 6-and-2 decoding, track layout and CRC-32),
// and the WOZ and NIB files our writers make it reads back as the raw
// image (our encoding).  Skipped when floptool is not installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "disk/disk_image_write.h"
#include "disk/woz_format.h"
#include "image_fixture.h"
#include "support/temp_dir.h"

namespace {

const char* const floptool = "/usr/bin/floptool";

// Runs floptool with `args`: whether it succeeded, and what it printed.
bool run_floptool(const std::string& args, std::string* out = nullptr) {
  FILE* pipe = popen((std::string(floptool) + " " + args + " 2>&1").c_str(), "r");
  char chunk[256];
  while (pipe != nullptr && std::fgets(chunk, sizeof chunk, pipe) != nullptr)
    if (out != nullptr) *out += chunk;
  return pipe != nullptr && pclose(pipe) == 0;
}

class Floptool : public testing::Test {
 protected:
  void SetUp() override {
    if (access(floptool, X_OK) != 0) GTEST_SKIP() << "floptool (mame-tools) is not installed";
  }
  temp_dir dir;
};

TEST_F(Floptool, WozTwoItMakesReadsAsTheRawImage) {
  const bytes disk = sample_disk(31);
  write_file(dir.file("in.dsk"), disk);
  for (const auto& [format, order] : {std::pair{"a2_16sect_dos", disk_file_order::dos},
                                      std::pair{"a2_16sect_prodos", disk_file_order::prodos}}) {
    SCOPED_TRACE(format);
    const std::string woz = dir.file(std::string(format) + ".woz");
    ASSERT_TRUE(run_floptool(std::string("flopconvert ") + format + " woz " + dir.file("in.dsk") + " " + woz));
    opened_image opened(read_file(woz), sector_order_dos, "made.woz");
    EXPECT_EQ(opened.image.container, disk_container::woz2);
    EXPECT_EQ(opened.image.woz_creator, "MAME");
    EXPECT_EQ(opened.image.woz_info_version, 3);
    EXPECT_EQ(sectors_differing(opened, disk, order), 0);
    EXPECT_EQ(opened.notes(), "");
  }
}

TEST_F(Floptool, ItReadsOurWozAndNibBack) {
  const bytes disk = sample_disk(32);
  for (const disk_file_order order : {disk_file_order::dos, disk_file_order::prodos}) {
    SCOPED_TRACE(order == disk_file_order::dos ? "DOS order" : "block order");
    bytes expected_dos, nib;
    ASSERT_EQ(reorder_raw_image(disk, order, disk_file_order::dos, expected_dos), 0);
    ASSERT_EQ(write_nib(disk, order, nib), 0);
    for (const auto& [file, format] : {std::pair{woz_of(disk, 1, order), "woz"}, std::pair{woz_of(disk, 2, order), "woz"},
                                       std::pair{nib, "a2_nib"}}) {
      SCOPED_TRACE(format);
      const std::string in = dir.file("ours"), out = dir.file("back.dsk");
      write_file(in, file);
      std::string identified;
      ASSERT_TRUE(run_floptool("identify " + in, &identified));
      EXPECT_NE(identified.find(format), std::string::npos) << identified;  // known by its content
      ASSERT_TRUE(run_floptool(std::string("flopconvert ") + format + " a2_16sect_dos " + in + " " + out));
      EXPECT_TRUE(read_file(out) == expected_dos);
    }
  }
}

}  // namespace
