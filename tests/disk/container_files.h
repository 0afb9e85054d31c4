// Disk image files as users have them, made from raw images by the
// project's writers for the tests that run the programs on them, and the
// damage those tests do to them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "common/buffer.h"
#include "disk/crc32.h"
#include "disk/disk_image_write.h"
#include "disk/nib_format.h"
#include "disk/woz_format.h"

// Bytes of a fixed pseudo-random pattern, so that every sector differs.
inline bytes noise(std::size_t size, std::uint32_t seed = 1) {
  std::mt19937 generator(seed);
  bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(generator() >> 24);
  return out;
}

enum class container_kind { two_img, nib, woz1, woz2 };

inline const char* container_kind_name(container_kind kind) {
  switch (kind) {
    case container_kind::two_img: return "2IMG";
    case container_kind::nib: return "NIB";
    case container_kind::woz1: return "WOZ 1";
    case container_kind::woz2: return "WOZ 2";
  }
  return "?";
}

// `raw` (its sectors stored in `order`) in the container: a 2IMG keeps
// the sectors in the order they come in.
inline bytes container_file(const bytes& raw, disk_file_order order, container_kind kind,
                            woz_write_options woz = {}) {
  bytes out;
  int result = -1;
  if (kind == container_kind::two_img) {
    result = write_two_img(raw, order, order == disk_file_order::dos ? 0 : 1, out);
  } else if (kind == container_kind::nib) {
    result = write_nib(raw, order, out);
  } else {
    woz.version = kind == container_kind::woz1 ? 1 : 2;
    result = write_woz(raw, order, out, woz);
  }
  EXPECT_EQ(result, 0) << container_kind_name(kind);
  return out;
}

// Where the D5 of the address field of physical sector `physical` of
// track `track` lies in a NIB file our writer made (0 when not found).
inline std::size_t nib_address_field(const bytes& nib, int track, int physical) {
  const std::size_t base = std::size_t{nib_track_bytes} * static_cast<std::size_t>(track);
  for (std::size_t i = base; i + gcr_address_bytes <= base + nib_track_bytes; ++i)
    if (nib[i] == gcr_mark_1 && nib[i + 1] == gcr_mark_2 && nib[i + 2] == gcr_address_mark &&
        gcr_44_value(nib[i + 7], nib[i + 8]) == physical)
      return i;
  return 0;
}

// The `count`-byte little-endian number at `at`, read and set.
inline std::uint32_t le_at(const bytes& f, std::size_t at, int count = 4) {
  std::uint32_t v = 0;
  for (int i = count - 1; i >= 0; --i) v = v << 8 | f[at + static_cast<std::size_t>(i)];
  return v;
}
inline void set_le(bytes& f, std::size_t at, std::uint32_t v, int count = 4) {
  for (int i = 0; i < count; ++i) f[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Where the data of the chunk `id` of a WOZ file starts (0: no such chunk).
inline std::size_t woz_chunk(const bytes& woz, const char (&id)[4]) {
  for (std::size_t pos = woz_header_bytes; pos + woz_chunk_header_bytes <= woz.size(); pos += 8 + le_at(woz, pos + 4))
    if (std::memcmp(woz.data() + pos, id, 4) == 0) return pos + 8;
  return 0;
}

// Sets the CRC-32 of a WOZ file to match its bytes again.
inline void woz_fix_crc(bytes& woz) {
  set_le(woz, woz_crc_at, crc32_of(std::span<const std::uint8_t>(woz).subspan(woz_header_bytes)));
}

// Zeroes the bits of track `track` of a WOZ 2 file from `from` to `to`
// (fractions of the track's bits), as a scratch or a weak stretch of a
// real disk reads, and fixes the CRC-32.
inline void wipe_woz2_bits(bytes& woz, int track, double from, double to) {
  const std::size_t tmap = woz_chunk(woz, woz_tmap_id), trks = woz_chunk(woz, woz_trks_id);
  ASSERT_TRUE(tmap != 0 && trks != 0);
  const std::size_t entry = trks + woz2_entry_bytes * woz[tmap + 4 * static_cast<std::size_t>(track)];
  const std::size_t start = woz2_block_bytes * le_at(woz, entry, 2), bits = le_at(woz, entry + 4);
  std::fill(woz.begin() + static_cast<std::ptrdiff_t>(start + static_cast<std::size_t>(bits * from) / 8),
            woz.begin() + static_cast<std::ptrdiff_t>(start + static_cast<std::size_t>(bits * to) / 8), 0);
  woz_fix_crc(woz);
}
