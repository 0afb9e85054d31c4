// Pieces the benchmarks share: the disk options of a demo disk set and the
// median of a series of timings.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "run/options.h"

// "-d1 FOLDER/qz-program.dsk ... -d5 FOLDER/qz-towne.dsk": the five disk
// images of a set under their default names.
inline std::vector<std::string> disk_options(const std::filesystem::path& disks) {
  std::vector<std::string> args;
  for (int i = 0; i < disk_image_count; ++i) {
    args.push_back("-d" + std::to_string(i + 1));
    args.push_back((disks / default_disk_images[static_cast<std::size_t>(i)]).string());
  }
  return args;
}

// The median: the middle value, or the mean of the two middle values.
inline double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 == 1 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}
