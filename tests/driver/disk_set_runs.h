// Disk sets for the tests that run zud2avuze on disk images: the demo set
// as raw images of either order, and runs of the program on them in
// folders of their own.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "demo/demo_disks.h"
#include "disk/container_files.h"
#include "disk/disk_test_util.h"
#include "map/category_write.h"
#include "map/map_table.h"
#include "run/options.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

// The five disks of a set (program, castle, dwelling, keep, towne) as raw
// images in one order.
using disk_set = std::array<bytes, 5>;

inline disk_set demo_set(disk_file_order order) {
  const std::int32_t sector_order = sector_order_reading(order);
  disk_set set;
  set[0] = demo::program_disk(sector_order);
  for (int c = 0; c < category_count; ++c) {
    map_data maps{};
    npc_data npcs{};
    demo::category_contents(c, maps, npcs);
    set[static_cast<std::size_t>(c) + 1] = make_category_disk(maps, npcs, sector_order);
  }
  return set;
}

inline const char* const category_flags[] = {"-C", "-D", "-K", "-T"};

// One run of zud2avuze in a folder of its own, and what it left.
struct run_outcome {
  program_result result;
  std::map<std::string, bytes> pictures;
};

// Writes `files` (name and bytes) into a new folder and runs zud2avuze
// there with `args`.
inline run_outcome run_in_folder(const std::map<std::string, bytes>& files, const std::vector<std::string>& args) {
  temp_dir dir;
  for (const auto& [name, contents] : files) write_file(dir.file(name), contents);
  run_outcome out;
  out.result = run_program(ZUD2AVUZE_PATH, args, dir.path.string());
  for (const auto& e : std::filesystem::directory_iterator(dir.path))
    if (e.path().extension() == ".bmp") out.pictures[e.path().filename().string()] = read_file(e.path().string());
  return out;
}

// Runs the program disk and category disks `categories` of `set`, named
// `names` (program first), with `args` added.
inline run_outcome run_set(const disk_set& set, const std::array<std::string, 5>& names, const std::vector<int>& categories,
                    std::vector<std::string> args) {
  std::map<std::string, bytes> files{{names[0], set[0]}};
  args.insert(args.end(), {"-d1", names[0]});
  for (const int c : categories) {
    const std::size_t d = static_cast<std::size_t>(c) + 1;
    files[names[d]] = set[d];
    args.insert(args.end(), {"-d" + std::to_string(d + 1), names[d], category_flags[c]});
  }
  return run_in_folder(files, args);
}

inline const std::array<std::string, 5> raw_names = {"qz-program.dsk", "qz-castle.dsk", "qz-dwelling.dsk", "qz-keep.dsk",
                                              "qz-towne.dsk"};

inline std::array<std::string, 5> names_with(const std::string& extension) {
  std::array<std::string, 5> names = raw_names;
  for (std::string& n : names) n.replace(n.size() - 3, 3, extension);
  return names;
}

inline void expect_same_run(const run_outcome& got, const run_outcome& expected) {
  EXPECT_EQ(got.result.exit_status, expected.result.exit_status);
  EXPECT_EQ(got.result.output, expected.result.output);
  EXPECT_EQ(got.pictures.size(), expected.pictures.size());
  EXPECT_TRUE(got.pictures == expected.pictures);
}
