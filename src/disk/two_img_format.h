// 2IMG images (.2mg, .2img): a header, then the disk's data.  Numbers are
// little-endian:
//
//    0  magic "2IMG"              4  creator, four characters
//    8  header size u16 (64)     10  version u16 (1)
//   12  image format u32: 0 sectors in DOS 3.3 file order, 1 in ProDOS
//       block order, 2 NIB tracks
//   16  flags u32: bit 8 set when bits 0-7 hold the DOS volume number, bit
//       31 locked
//   20  ProDOS blocks u32        24  data offset u32     28  data length u32
//   32  comment offset, length   40  creator data offset, length (u32 each)
//   48  reserved to 64
//
// A data length of 0 stands for ProDOS blocks * 512 (format 1) or the rest
// of the file.
#pragma once

#include <cstdint>

inline constexpr char two_img_magic[4] = {'2', 'I', 'M', 'G'};
inline constexpr std::uint32_t two_img_header_bytes = 64;

inline constexpr int two_img_creator_at = 4;
inline constexpr int two_img_header_size_at = 8;
inline constexpr int two_img_version_at = 10;
inline constexpr int two_img_format_at = 12;
inline constexpr int two_img_flags_at = 16;
inline constexpr int two_img_blocks_at = 20;
inline constexpr int two_img_data_offset_at = 24;
inline constexpr int two_img_data_length_at = 28;

inline constexpr std::uint32_t two_img_format_dos = 0;
inline constexpr std::uint32_t two_img_format_prodos = 1;
inline constexpr std::uint32_t two_img_format_nib = 2;

inline constexpr std::uint32_t two_img_volume_valid = 0x100;
inline constexpr std::uint32_t two_img_block_bytes = 512;
