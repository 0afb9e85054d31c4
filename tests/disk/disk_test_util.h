// Helpers shared by the disk tests: images in temporary files, captured
// standard output, noise to fill images with, and a sample volume.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>

#include "disk/container_files.h"
#include "disk/prodos.h"
#include "disk/prodos_write.h"
#include "support/capture.h"
#include "support/temp_dir.h"

// A block number as the reader prints it, "$0118".
inline std::string hex4(unsigned block) {
  char text[8];
  std::snprintf(text, sizeof text, "$%04X", block);
  return text;
}

// An image written to a file of a temporary folder.
struct image_file {
  temp_dir dir;
  std::string path;
  explicit image_file(const bytes& image) : path(dir.file("disk.dsk")) { write_file(path, image); }
};

// Opens an image (or the one `b` makes) in `order`: the result and messages.
struct opened_volume {
  image_file file;
  prodos_volume volume;
  int result = 0;
  std::string output;
  opened_volume(const bytes& image, std::int32_t order) : file(image) {
    output = stdout_of([&] { result = prodos_open(volume, file.path.c_str(), order, standard_sink()); });
  }
  opened_volume(const prodos_builder& b, std::int32_t order) : opened_volume(prodos_image(b, order), order) {}
};

// The entry `path` names; throws, failing the test, when there is none.
inline const prodos_entry& entry_of(const prodos_volume& volume, const std::string& path) {
  const prodos_entry* entry = prodos_find(volume, path.c_str());
  if (entry == nullptr) throw std::runtime_error("no entry '" + path + "'");
  return *entry;
}

// prodos_read_file of `path` asking for `size` bytes, into a buffer of
// `capacity` bytes (at least `size`) filled with 0xAA.
struct read_result {
  int result = 0;
  std::string output;
  bytes buffer;
};
inline read_result prodos_read(const prodos_volume& volume, const std::string& path, std::uint32_t size,
                               std::size_t capacity = 0) {
  read_result r{0, "", bytes(std::max<std::size_t>(capacity, size), 0xAA)};
  r.output = stdout_of([&] { r.result = prodos_read_file(volume, path.c_str(), r.buffer.data(), size); });
  return r;
}

// A volume "VOL" with files of every storage type, by path with their
// data: DIR/SUB/DEEP, SPARSE (a sapling with zero blocks 3 and 4), TREE
// (over index blocks 0 and 2, index 1 all zeros), SMALL (a seedling),
// SHAPES (a 16384-byte sapling), BIG, EMPTY, then raw entries T0..TF but
// TD: T1..T3 a seedling, a sapling and a tree of 16 zero bytes with key
// pointer 0, the others a free entry and storage types the reader leaves
// alone, key pointer $FFFF; F0..F26 fill the volume directory's 4 blocks.
// The directories and index blocks come first on the disk.
struct sample_volume {
  prodos_builder b = prodos_format("VOL", prodos_disk_blocks, {99, 12, 31, 23, 59});
  std::map<std::string, bytes> files;
};
inline sample_volume make_sample() {
  sample_volume s;
  const auto add = [&s](const std::string& path, const bytes& data) {
    prodos_add_file(s.b, path, data);
    s.files[path] = data;
  };
  bytes tree = noise(300000, 24), sparse = noise(8 * 512, 25);
  std::fill(tree.begin() + 20 * 512, tree.end() - 100, 0);
  std::fill(sparse.begin() + 3 * 512, sparse.begin() + 5 * 512, 0);
  prodos_add_dir(s.b, "DIR");
  prodos_add_dir(s.b, "DIR/SUB");
  add("DIR/SUB/DEEP", bytes(5, 0x5D));
  add("SPARSE", sparse);
  add("TREE", tree);
  add("SMALL", noise(100, 22));
  add("SHAPES", noise(16384, 21));
  add("BIG", noise(20000, 23));
  add("EMPTY", {});
  for (int type : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 15}) {
    std::array<std::uint8_t, 39> raw{static_cast<std::uint8_t>(type << 4 | 2), 'T',
                                     static_cast<std::uint8_t>("0123456789ABCDEF"[type])};
    raw[17] = raw[18] = type <= 3 ? 0 : 0xFF;  // key pointer
    raw[21] = 16;                              // eof
    prodos_add_raw_entry(s.b, "", raw);
    if (type >= 1 && type <= 3) s.files[std::string("T") + char('0' + type)] = bytes(16, 0);
  }
  for (int i = 0; i < 27; ++i) {
    std::string name = "F";
    name += std::to_string(i);
    add(name, bytes(3, static_cast<std::uint8_t>(i)));
  }
  return s;
}

