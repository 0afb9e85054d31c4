// WOZ images (.woz): the bit stream of each track as a flux-level copier
// read it.  Numbers are little-endian.
//
// Header, 12 bytes: "WOZ1" or "WOZ2", FF 0A 0D 0A (bytes that a text-mode
// transfer would change), then the CRC-32 of every byte after the header
// (0: not computed).  Then chunks, each a 4-character id, a u32 length and
// that many bytes; unknown chunks are skipped by their length.
//
//   INFO  60 bytes: version (1 for WOZ 1, 2 or 3 for WOZ 2), disk type
//         (1 5.25-inch, 2 3.5-inch), write protected, synchronized,
//         cleaned, creator (32 bytes of UTF-8 padded with spaces); WOZ 2
//         adds disk sides, boot sector format, optimal bit timing,
//         compatible hardware u16, required RAM u16, largest track u16
//         (blocks), and with version 3 the FLUX chunk's block u16 and the
//         largest flux track u16.
//   TMAP  160 bytes: for each quarter track, the index of its track
//         record, FF for none.  Track t is quarter track 4t; copies made
//         from real disks map 4t - 1 and 4t + 1 to the same record.
//   TRKS  WOZ 1: records of 6656 bytes, 6646 bytes of bits then u16 bytes
//         used, u16 bit count, u16 splice point, u8 splice nibble, u8
//         splice bit count, u16 reserved.
//         WOZ 2: 160 entries of 8 bytes, u16 starting block, u16 block
//         count, u32 bit count; a track's bits start at byte 512 *
//         starting block of the file.
//   META, WRIT  text and write hints: not needed to read.
//   FLUX  (INFO version 3) like TMAP, for tracks kept as flux timings.
//
// Bits are kept most significant first; a track's stream is circular.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t woz_header_bytes = 12;
inline constexpr char woz1_magic[4] = {'W', 'O', 'Z', '1'};
inline constexpr char woz2_magic[4] = {'W', 'O', 'Z', '2'};
inline constexpr std::uint8_t woz_high_bytes[4] = {0xFF, 0x0A, 0x0D, 0x0A};
inline constexpr int woz_crc_at = 8;
inline constexpr std::uint32_t woz_chunk_header_bytes = 8;

inline constexpr char woz_info_id[4] = {'I', 'N', 'F', 'O'};
inline constexpr char woz_tmap_id[4] = {'T', 'M', 'A', 'P'};
inline constexpr char woz_trks_id[4] = {'T', 'R', 'K', 'S'};
inline constexpr char woz_meta_id[4] = {'M', 'E', 'T', 'A'};
inline constexpr char woz_flux_id[4] = {'F', 'L', 'U', 'X'};

// INFO.
inline constexpr std::uint32_t woz_info_bytes = 60;
inline constexpr int woz_info_version_at = 0;
inline constexpr int woz_info_disk_type_at = 1;
inline constexpr int woz_info_write_protected_at = 2;
inline constexpr int woz_info_synchronized_at = 3;
inline constexpr int woz_info_cleaned_at = 4;
inline constexpr int woz_info_creator_at = 5;
inline constexpr int woz_info_creator_bytes = 32;
inline constexpr int woz_info_sides_at = 37;
inline constexpr int woz_info_boot_format_at = 38;
inline constexpr int woz_info_bit_timing_at = 39;
inline constexpr int woz_info_largest_track_at = 44;
inline constexpr std::uint8_t woz_disk_525 = 1;
inline constexpr std::uint8_t woz_disk_35 = 2;
inline constexpr std::uint8_t woz_boot_16_sector = 1;
inline constexpr std::uint8_t woz_bit_timing_525 = 32;  // 4 microseconds, in 125 ns units

// TMAP.
inline constexpr std::uint32_t woz_tmap_bytes = 160;
inline constexpr std::uint8_t woz_no_track = 0xFF;

// TRKS of WOZ 1.
inline constexpr std::uint32_t woz1_record_bytes = 6656;
inline constexpr std::uint32_t woz1_bits_bytes = 6646;
inline constexpr int woz1_bytes_used_at = 6646;
inline constexpr int woz1_bit_count_at = 6648;
inline constexpr int woz1_splice_point_at = 6650;
inline constexpr std::uint16_t woz1_no_splice = 0xFFFF;

// TRKS of WOZ 2.
inline constexpr std::uint32_t woz2_track_entries = 160;
inline constexpr std::uint32_t woz2_entry_bytes = 8;
inline constexpr std::uint32_t woz2_block_bytes = 512;
inline constexpr std::uint32_t woz2_first_bits_block = 3;  // after header, INFO, TMAP and the entries
