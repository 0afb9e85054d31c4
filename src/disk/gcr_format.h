// The fields of a 16-sector 5.25-inch track, as disk bytes: the marks, the
// 4-and-4 code of the address field and the 6-and-2 code of the data
// field.  The track reader and the image writers share these facts.
//
//   address field   D5 AA 96, volume, track, sector, checksum (the XOR of
//                   the three), each as two 4-and-4 bytes, then DE AA EB
//                   (the EB often damaged; readers do not need it);
//   data field      D5 AA AD, 343 6-and-2 bytes, DE AA EB.
//
// Every disk byte has its top bit set.  Between fields the controller
// writes sync bytes, FF followed by two zero bits on the disk, which the
// reading latch drops.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::uint8_t gcr_mark_1 = 0xD5;
inline constexpr std::uint8_t gcr_mark_2 = 0xAA;
inline constexpr std::uint8_t gcr_address_mark = 0x96;
inline constexpr std::uint8_t gcr_data_mark = 0xAD;
inline constexpr std::array<std::uint8_t, 3> gcr_epilogue = {0xDE, 0xAA, 0xEB};
inline constexpr std::uint8_t gcr_sync_byte = 0xFF;
inline constexpr int gcr_sync_bits = 10;  // FF and two zero bits

inline constexpr int gcr_tracks = 35;
inline constexpr int gcr_sectors = 16;
inline constexpr std::uint8_t gcr_default_volume = 254;

// Address field: 3 marks and 4 values of 2 bytes.
inline constexpr int gcr_address_bytes = 3 + 8;
// Data field: 86 values of the low bits, 256 of the high six bits, and
// the checksum.  Value i (0..85) holds the low two bits of bytes i, i + 86
// and i + 172 in its bits 0-1, 2-3 and 4-5 (each pair swapped; bytes 256
// and 257 do not exist, their bits are 0), value 86 + b the high six bits
// of byte b.  Each value is written XORed with the one before, and the
// last value follows as the checksum, so that the running XOR of all 343
// ends at 0.  (The writer encodes, disk_image_write.cpp; the track reader
// decodes, gcr_track.cpp.)
inline constexpr int gcr_aux_values = 86;
inline constexpr int gcr_data_values = gcr_aux_values + 256 + 1;  // 343

// 4-and-4: the odd bits of v in the first byte, the even bits in the
// second, each padded with ones (the writer's gcr_44_first and
// gcr_44_second, disk_image_write.cpp); the value of the two bytes:
constexpr std::uint8_t gcr_44_value(std::uint8_t first, std::uint8_t second) {
  return static_cast<std::uint8_t>(((first << 1) | 1) & second);
}

// The disk byte that stands for each 6-bit value.
inline constexpr std::array<std::uint8_t, 64> gcr_write_table = {
    0x96, 0x97, 0x9A, 0x9B, 0x9D, 0x9E, 0x9F, 0xA6, 0xA7, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF, 0xB2, 0xB3,
    0xB4, 0xB5, 0xB6, 0xB7, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xCB, 0xCD, 0xCE, 0xCF, 0xD3,
    0xD6, 0xD7, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0xE5, 0xE6, 0xE7, 0xE9, 0xEA, 0xEB, 0xEC,
    0xED, 0xEE, 0xEF, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF};

// The 6-bit value of each disk byte; gcr_invalid for bytes that stand for
// none.
inline constexpr std::uint8_t gcr_invalid = 0xFF;
constexpr std::array<std::uint8_t, 256> make_gcr_read_table() {
  std::array<std::uint8_t, 256> table{};
  for (auto& v : table) v = gcr_invalid;
  for (std::size_t i = 0; i < gcr_write_table.size(); ++i) table[gcr_write_table[i]] = static_cast<std::uint8_t>(i);
  return table;
}
inline constexpr std::array<std::uint8_t, 256> gcr_read_table = make_gcr_read_table();

// Two low bits in the order the data field keeps them: swapped.
constexpr std::uint8_t gcr_swap_2(std::uint32_t v) {
  return static_cast<std::uint8_t>(((v & 1) << 1) | ((v >> 1) & 1));
}
