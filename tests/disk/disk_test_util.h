// Helpers shared by the disk tests: images in temporary files, captured
// standard output, and noise to fill images with.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <utility>

#include "disk/prodos.h"
#include "support/temp_dir.h"

// Bytes of a fixed pseudo-random pattern, so that every sector differs.
inline bytes noise(std::size_t size, std::uint32_t seed = 1) {
  std::mt19937 generator(seed);
  bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(generator() >> 24);
  return out;
}

// Runs `f` and returns what it wrote to standard output.
template <class F>
std::string stdout_of(F&& f) {
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  std::forward<F>(f)();
  std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

// An image written to a file of a temporary folder.
struct image_file {
  temp_dir dir;
  std::string path;
  explicit image_file(const bytes& image, const std::string& name = "disk.dsk")
      : path(dir.file(name)) {
    write_file(path, image);
  }
};

// Opens `image` in `order`; the result of prodos_open and its messages.
struct opened_volume {
  image_file file;
  prodos_volume volume;
  int result = 0;
  std::string output;
  opened_volume(const bytes& image, std::int32_t order) : file(image) {
    output = stdout_of([&] { result = prodos_open(volume, file.path.c_str(), order); });
  }
};
