// Every container, made from either raw order by our writers or by
// floptool, gives zud2avuze exactly the maps of its raw image.  (Every
// sector of every container against its raw image, whatever the files on
// it: tests/disk/disk_image_test.cpp.)  Whole pictures of many runs: half a
// minute under the sanitizers, so it runs in the release build only (label
// release_only).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "driver/disk_set_runs.h"

namespace {

bool have_floptool() { return std::system("test -x /usr/bin/floptool") == 0; }

// A raw image in DOS 3.3 file order converted by floptool into its WOZ 2.
bytes floptool_woz(const bytes& raw) {
  temp_dir dir;
  write_file(dir.file("in.dsk"), raw);
  const std::string command =
      "/usr/bin/floptool flopconvert a2_16sect_dos woz " + dir.file("in.dsk") + " " + dir.file("out.woz") + " >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  return file_exists(dir.file("out.woz")) ? read_file(dir.file("out.woz")) : bytes();
}

}  // namespace

// Every container, from either raw order, renders the maps of the raw
// image read with the right option: the same pictures, lines and status,
// nothing on standard error, whatever --do or --po says.  Each container
// draws one category (in turn), with the program disk in that container.
TEST(DiskImages, EveryContainerRendersAsItsRawImageWithTheRightOption) {
  struct container_row {
    container_kind kind;
    disk_file_order from;
    const char* option;  // given or not, it changes nothing
  };
  const container_row rows[] = {{container_kind::two_img, disk_file_order::dos, "--do"},
                                {container_kind::two_img, disk_file_order::prodos, ""},
                                {container_kind::nib, disk_file_order::prodos, "--po"},
                                {container_kind::woz1, disk_file_order::dos, ""},
                                {container_kind::woz2, disk_file_order::prodos, "--do"}};
  const bool floptool = have_floptool();
  const disk_set dos = demo_set(disk_file_order::dos), prodos = demo_set(disk_file_order::prodos);
  std::vector<run_outcome> expected;
  for (int c = 0; c < category_count; ++c) expected.push_back(run_set(dos, raw_names, {c}, {"--po"}));
  ASSERT_EQ(expected[0].result.exit_status, 0) << expected[0].result.output;
  std::vector<std::pair<std::string, disk_set>> sets;
  for (const container_row& row : rows) {
    const disk_set& raw = row.from == disk_file_order::dos ? dos : prodos;
    disk_set files;
    for (std::size_t d = 0; d < files.size(); ++d) files[d] = container_file(raw[d], row.from, row.kind);
    // Disk bytes and bit streams hold physical sectors: the file is the
    // same from either order.
    if (row.kind != container_kind::two_img) {
      EXPECT_TRUE(files[0] == container_file(dos[0], disk_file_order::dos, row.kind)) << container_kind_name(row.kind);
    }
    sets.emplace_back(std::string(container_kind_name(row.kind)) + (*row.option != '\0' ? " " : "") + row.option, files);
  }
  if (floptool) {
    disk_set files;
    for (std::size_t d = 0; d < files.size(); ++d) files[d] = floptool_woz(dos[d]);
    sets.emplace_back("WOZ 2 by floptool", files);
  }
  for (std::size_t i = 0; i < sets.size(); ++i) {
    SCOPED_TRACE(sets[i].first);
    const int c = static_cast<int>(i) % category_count;
    std::vector<std::string> args;
    if (i < std::size(rows) && *rows[i].option != '\0') args.push_back(rows[i].option);
    const run_outcome got = run_set(sets[i].second, names_with("img"), {c}, args);
    expect_same_run(got, expected[static_cast<std::size_t>(c)]);
    EXPECT_EQ(got.result.errors, "");
  }
  if (!floptool) GTEST_SKIP() << "floptool (mame-tools) is not installed: its WOZ 2 was not run";
}
