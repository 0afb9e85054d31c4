// Where each physical sector of a 5.25-inch track is kept in a raw image
// file.  A physical sector is the number its address field carries, the
// order in which the sectors pass under the head being the drive's affair.
// Raw files store a track's 16 sectors in one of two orders:
//
//   DOS 3.3 file order (.dsk, .do): slot d of a track holds DOS 3.3
//       logical sector d;
//   ProDOS block order (.po): slot k holds ProDOS position k, block j of a
//       track being positions 2j and 2j + 1.
//
// The readers' sector orders (sector_order.h) name the order they read in:
// order 2, the default, reads a DOS-ordered file through the translation
// table, order 1 reads a block-ordered file slot by slot.
#pragma once

#include <array>
#include <cstdint>

#include "disk/sector_order.h"

// Entry p: the slot of physical sector p in a DOS-ordered file.
inline constexpr std::array<int, 16> dos_slot_of_physical = {0, 7, 14, 6, 13, 5, 12, 4,
                                                             11, 3, 10, 2, 9, 1, 8, 15};
// Entry p: the slot of physical sector p in a block-ordered file.
inline constexpr std::array<int, 16> prodos_slot_of_physical = {0, 8, 1, 9, 2, 10, 3, 11,
                                                                4, 12, 5, 13, 6, 14, 7, 15};

constexpr std::array<int, 16> inverse_skew(const std::array<int, 16>& table) {
  std::array<int, 16> inverse{};
  for (int p = 0; p < 16; ++p) inverse[static_cast<std::size_t>(table[static_cast<std::size_t>(p)])] = p;
  return inverse;
}
// Entry d: the physical sector kept in slot d of a DOS-ordered file.
inline constexpr std::array<int, 16> physical_of_dos_slot = inverse_skew(dos_slot_of_physical);
// Entry k: the physical sector kept in slot k of a block-ordered file.
inline constexpr std::array<int, 16> physical_of_prodos_slot = inverse_skew(prodos_slot_of_physical);

// The two tables agree with the readers' translation table: ProDOS
// position k is DOS slot sector_translation[k].
constexpr bool skews_agree() {
  for (std::size_t p = 0; p < 16; ++p)
    if (sector_translation[static_cast<std::size_t>(prodos_slot_of_physical[p])] != dos_slot_of_physical[p])
      return false;
  return true;
}
static_assert(skews_agree());

// The order in which a raw image file stores a track's sectors.
enum class disk_file_order : std::uint8_t { dos, prodos };

// The slot of physical sector `physical` (0..15) in a file of `order`.
constexpr int file_slot_of_physical(disk_file_order order, int physical) {
  return order == disk_file_order::dos ? dos_slot_of_physical[static_cast<std::size_t>(physical)]
                                       : prodos_slot_of_physical[static_cast<std::size_t>(physical)];
}

// The readers' sector order that reads a file of `order` in ProDOS block
// order, and the file order a reader's sector order takes.
constexpr std::int32_t sector_order_reading(disk_file_order order) {
  return order == disk_file_order::prodos ? sector_order_dos : sector_order_prodos;
}
constexpr disk_file_order file_order_read_by(std::int32_t sector_order) {
  return sector_order == sector_order_dos ? disk_file_order::prodos : disk_file_order::dos;
}
