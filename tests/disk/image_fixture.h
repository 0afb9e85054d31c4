// Helpers shared by the disk image tests: a sample disk whose every sector
// differs, containers made of it, the notes an open writes, and the check
// that an image gives the sectors of a raw one.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "disk/crc32.h"
#include "disk/disk_image.h"
#include "disk/disk_image_write.h"
#include "disk/woz_format.h"

// A 143,360-byte disk of noise, each sector beginning with its track and
// its slot in the file.
inline bytes sample_disk(std::uint32_t seed = 7) {
  std::mt19937 generator(seed);
  bytes disk(static_cast<std::size_t>(disk_image_bytes));
  for (auto& b : disk) b = static_cast<std::uint8_t>(generator() >> 24);
  for (std::size_t s = 0; s < disk_sectors; ++s) {
    disk[256 * s] = static_cast<std::uint8_t>(s / 16);
    disk[256 * s + 1] = static_cast<std::uint8_t>(s % 16);
  }
  return disk;
}

inline bytes woz_of(const bytes& raw, int version, disk_file_order order = disk_file_order::dos,
                    woz_write_options options = {}) {
  options.version = version;
  bytes out;
  EXPECT_EQ(write_woz(raw, order, out, options), 0);
  return out;
}

inline std::uint32_t le32(const bytes& f, std::size_t at) {
  return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | static_cast<std::uint32_t>(f[at + 3]) << 24;
}
inline void set_le(bytes& f, std::size_t at, std::uint32_t v, int size = 4) {
  for (int i = 0; i < size; ++i) f[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Where a chunk's data starts in a WOZ file; 0 when it has none.
inline std::size_t chunk_at(const bytes& f, const char (&id)[4]) {
  for (std::size_t pos = 12; pos + 8 <= f.size(); pos += 8 + le32(f, pos + 4))
    if (std::memcmp(f.data() + pos, id, 4) == 0) return pos + 8;
  return 0;
}

// Sets the CRC-32 of a WOZ file after its bytes were changed.
inline void fix_crc(bytes& f) { set_le(f, woz_crc_at, crc32_of(std::span<const std::uint8_t>(f).subspan(woz_header_bytes))); }

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
