// Helpers shared by the disk image tests: a sample disk whose every sector
// differs, containers made of it, the notes an open writes, and the check
// that an image gives the sectors of a raw one.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "disk/container_files.h"
#include "disk/disk_image.h"

// A 143,360-byte disk of noise, each sector beginning with its track and
// its slot in the file.
inline bytes sample_disk(std::uint32_t seed = 7) {
  bytes disk = noise(static_cast<std::size_t>(disk_image_bytes), seed);
  for (std::size_t s = 0; s < disk_sectors; ++s) {
    disk[256 * s] = static_cast<std::uint8_t>(s / 16);
    disk[256 * s + 1] = static_cast<std::uint8_t>(s % 16);
  }
  return disk;
}

inline bytes woz_of(const bytes& raw, int version, disk_file_order order = disk_file_order::dos,
                    woz_write_options options = {}) {
  return container_file(raw, order, version == 1 ? container_kind::woz1 : container_kind::woz2, options);
}

// An image opened from bytes in memory, and the notes written meanwhile
// (the console goes nowhere: the layer writes only notes).
struct opened_image {
  bytes file;
  char* notes_text = nullptr;
  std::size_t notes_size = 0;
  std::FILE* notes_file = open_memstream(&notes_text, &notes_size);
  disk_image image;
  int result = 0;
  explicit opened_image(bytes contents, std::int32_t raw_order = sector_order_prodos, const char* path = "disk.img")
      : file(std::move(contents)) {
    result = disk_image_open(image, file, path, raw_order, sink());
  }
  opened_image(const opened_image&) = delete;
  ~opened_image() { std::fclose(notes_file), std::free(notes_text); }
  message_sink sink() const { return {nullptr, notes_file}; }
  std::string notes() { return std::fflush(notes_file), std::string(notes_text, notes_size); }
  const std::uint8_t* at(std::int64_t offset, std::size_t size = 256) { return disk_image_at(image, offset, size, sink()); }
};

// The number of sectors that, read through `opened` as the readers do
// (position k of track t in the image's sector order), differ from or
// cannot stand for the sector of `raw`, a file in `raw_order` read the
// same way with the right option.
inline int sectors_differing(opened_image& opened, const bytes& raw, disk_file_order raw_order) {
  int differing = 0;
  const auto& image_table = translation_for(opened.image.sector_order);
  const auto& raw_table = translation_for(sector_order_reading(raw_order));
  for (int t = 0; t < disk_tracks; ++t) {
    for (std::size_t k = 0; k < 16; ++k) {
      const std::uint8_t* sector = opened.at(std::int64_t{track_bytes} * t + sector_bytes * image_table[k]);
      const std::size_t raw_at = static_cast<std::size_t>(track_bytes * t + sector_bytes * raw_table[k]);
      differing += sector == nullptr || std::memcmp(sector, raw.data() + raw_at, sector_bytes) != 0;
    }
  }
  return differing;
}
