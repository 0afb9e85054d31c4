// Sector orders of an Apple II 5.25-inch disk image: 35 tracks of 16
// sectors of 256 bytes, track t at byte 4096 * t of the file.  Within a
// track, logical position k (0..15) is the order of ProDOS blocks: block j
// of a track is positions 2j and 2j + 1.
//
//   order 1 ("--do"): position k of a track is taken where the file
//                     stores it, at 4096 * t + 256 * k;
//   order 2 ("--po", the default, and any other value): position k is taken
//                     from 4096 * t + 256 * sector_translation[k], which
//                     reads a file stored in DOS 3.3 sector order in ProDOS
//                     block order.
#pragma once

#include <array>
#include <cstdint>

inline constexpr std::int32_t sector_order_dos = 1;
inline constexpr std::int32_t sector_order_prodos = 2;

inline constexpr int sectors_per_track = 16;
inline constexpr int sector_bytes = 256;
inline constexpr int track_bytes = sectors_per_track * sector_bytes;  // 4096
inline constexpr long disk_image_bytes = 35L * track_bytes;           // 143360

// Entry k: the DOS 3.3 sector that holds ProDOS sector position k.
inline constexpr std::array<int, 16> sector_translation = {0, 14, 13, 12, 11, 10, 9, 8,
                                                           7, 6,  5,  4,  3,  2,  1, 15};
inline constexpr std::array<int, 16> identity_translation = {0, 1, 2,  3,  4,  5,  6,  7,
                                                             8, 9, 10, 11, 12, 13, 14, 15};

constexpr bool is_own_inverse(const std::array<int, 16>& table) {
  for (int k = 0; k < 16; ++k)
    if (table[static_cast<std::size_t>(table[static_cast<std::size_t>(k)])] != k) return false;
  return true;
}
static_assert(is_own_inverse(sector_translation));

// The translation table a sector order uses: identity for order 1, the
// DOS 3.3 table for every other value.
constexpr const std::array<int, 16>& translation_for(std::int32_t sector_order) {
  return sector_order == sector_order_dos ? identity_translation : sector_translation;
}
