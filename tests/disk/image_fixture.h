// Helpers shared by the disk image tests: sample disks whose every sector
// differs, a message sink that keeps what is written to it, and the check
// that an image gives the sectors of a raw one.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "disk/disk_image.h"
#include "disk/sector_skew.h"

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

// A sink whose two channels are kept in memory.
struct kept_messages {
  char* console_text = nullptr;
  char* diagnostics_text = nullptr;
  std::size_t console_size = 0, diagnostics_size = 0;
  std::FILE* console = open_memstream(&console_text, &console_size);
  std::FILE* diagnostics = open_memstream(&diagnostics_text, &diagnostics_size);
  kept_messages() = default;
  kept_messages(const kept_messages&) = delete;
  kept_messages& operator=(const kept_messages&) = delete;
  ~kept_messages() {
    std::fclose(console);
    std::fclose(diagnostics);
    std::free(console_text);
    std::free(diagnostics_text);
  }
  message_sink sink() const { return {console, diagnostics}; }
  std::string notes() {
    std::fflush(diagnostics);
    return std::string(diagnostics_text, diagnostics_size);
  }
};

// An image opened from bytes in memory, and the notes of the open.
struct opened_image {
  bytes file;
  kept_messages messages;
  disk_image image;
  int result = 0;
  opened_image(bytes contents, std::int32_t raw_order = sector_order_prodos, const char* path = "disk.img")
      : file(std::move(contents)) {
    result = disk_image_open(image, file, path, raw_order, messages.sink());
  }
  const std::uint8_t* at(std::int64_t offset, std::size_t size = 256) {
    return disk_image_at(image, offset, size, messages.sink());
  }
};

// Whether every sector read through `image` as the readers do (logical
// position k of track t in the image's sector order) is the sector of
// `raw`, a file in `raw_order`, read the same way with the right option.
// Counts the sectors that differ or cannot be read.
inline int sectors_differing(opened_image& opened, const bytes& raw, disk_file_order raw_order) {
  int differing = 0;
  const auto& image_table = translation_for(opened.image.sector_order);
  const auto& raw_table = translation_for(sector_order_reading(raw_order));
  for (int t = 0; t < disk_tracks; ++t) {
    for (std::size_t k = 0; k < 16; ++k) {
      const std::int64_t at = std::int64_t{track_bytes} * t + sector_bytes * image_table[k];
      const std::uint8_t* sector = opened.at(at);
      const std::size_t raw_at = static_cast<std::size_t>(track_bytes * t + sector_bytes * raw_table[k]);
      if (sector == nullptr || std::memcmp(sector, raw.data() + raw_at, sector_bytes) != 0) ++differing;
    }
  }
  return differing;
}
