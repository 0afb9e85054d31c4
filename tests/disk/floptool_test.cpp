// The containers against floptool (Debian's mame-tools), a reader and
// writer this project did not write: WOZ 2 files it makes read as the raw
// image it made them from, and the WOZ and NIB files our writers make it
// reads back as the raw image.  Skipped when floptool is not installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "disk/disk_image_write.h"
#include "disk/woz_format.h"
#include "image_fixture.h"
#include "support/temp_dir.h"

namespace {

const char* const floptool = "/usr/bin/floptool";

bool have_floptool() { return std::system((std::string("test -x ") + floptool).c_str()) == 0; }

// Runs floptool with `args`, its output out of the way: its exit status.
int run_floptool(const std::string& args) {
  const std::string command = std::string(floptool) + " " + args + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string identify(const std::string& path) {
  const std::string command = std::string(floptool) + " identify '" + path + "' 2>&1";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, pipe) != nullptr) out += chunk;
    pclose(pipe);
  }
  return out;
}

class Floptool : public testing::Test {
 protected:
  void SetUp() override {
    if (!have_floptool()) GTEST_SKIP() << "floptool (mame-tools) is not installed";
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
    ASSERT_EQ(run_floptool(std::string("flopconvert ") + format + " woz " + dir.file("in.dsk") + " " + woz), 0);
    opened_image opened(read_file(woz), sector_order_dos, "made.woz");
    EXPECT_EQ(opened.image.container, disk_container::woz2);
    EXPECT_EQ(opened.image.woz_creator, "MAME");
    EXPECT_EQ(opened.image.woz_info_version, 3);
    EXPECT_EQ(sectors_differing(opened, disk, order), 0);
    EXPECT_EQ(opened.messages.notes(), "");
  }
}

TEST_F(Floptool, ItReadsOurWozAndNibBack) {
  const bytes disk = sample_disk(32);
  for (const disk_file_order order : {disk_file_order::dos, disk_file_order::prodos}) {
    SCOPED_TRACE(order == disk_file_order::dos ? "DOS order" : "block order");
    bytes expected_dos;
    ASSERT_EQ(reorder_raw_image(disk, order, disk_file_order::dos, expected_dos), 0);
    for (const int version : {1, 2}) {
      SCOPED_TRACE(version);
      woz_write_options options;
      options.version = version;
      bytes woz;
      ASSERT_EQ(write_woz(disk, order, woz, options), 0);
      const std::string in = dir.file("ours.woz"), out = dir.file("back.dsk");
      write_file(in, woz);
      EXPECT_NE(identify(in).find("woz"), std::string::npos) << identify(in);
      ASSERT_EQ(run_floptool("flopconvert woz a2_16sect_dos " + in + " " + out), 0);
      EXPECT_TRUE(read_file(out) == expected_dos);
    }
    bytes nib;
    ASSERT_EQ(write_nib(disk, order, nib), 0);
    const std::string in = dir.file("ours.nib"), out = dir.file("back_nib.dsk");
    write_file(in, nib);
    EXPECT_NE(identify(in).find("a2_nib"), std::string::npos) << identify(in);
    ASSERT_EQ(run_floptool("flopconvert a2_nib a2_16sect_dos " + in + " " + out), 0);
    EXPECT_TRUE(read_file(out) == expected_dos);
  }
}

// Our WOZ 2 converted by floptool to its own WOZ 2 reads the same.
TEST_F(Floptool, ItsCopyOfOurWozReadsTheSame) {
  const bytes disk = sample_disk(33);
  bytes woz;
  ASSERT_EQ(write_woz(disk, disk_file_order::dos, woz), 0);
  write_file(dir.file("ours.woz"), woz);
  ASSERT_EQ(run_floptool("flopconvert woz woz " + dir.file("ours.woz") + " " + dir.file("theirs.woz")), 0);
  opened_image opened(read_file(dir.file("theirs.woz")));
  EXPECT_EQ(sectors_differing(opened, disk, disk_file_order::dos), 0);
}

}  // namespace
