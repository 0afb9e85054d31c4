// The ProDOS file system as it lies on a disk, for the reader and the
// writer alike.  Numbers are little-endian.
//
// Blocks.  A block is 512 bytes; on a 5.25-inch disk block b is logical
// positions 2 * (b % 8) and 2 * (b % 8) + 1 of track b / 8 (see
// sector_order.h), and a disk holds 280 blocks.  Blocks 0 and 1 hold the
// boot code, the volume directory starts at block 2.
//
// Directories.  A directory is a chain of blocks: each begins with the
// previous and the next block of the chain (0 for none), then 13 entries
// of 39 bytes.  The first entry of a directory's key block is its header:
// the volume directory header (storage type 15) or a subdirectory header
// (storage type 14).  Every other entry is a file, a subdirectory (13) or
// free (storage type 0).
//
// Files.  The key pointer of a file entry leads to its data: a seedling
// (storage type 1, up to 512 bytes) is that block itself, a sapling (2, up
// to 128 KiB) an index block of 256 block numbers, a tree (3, up to
// 16 MiB) a master index block whose first 128 entries are index blocks.
// An index block stores the low bytes of its numbers in bytes 0..255 and
// the high bytes in bytes 256..511.  Block number 0 stands for a block of
// zeros (a sparse file).
#pragma once

#include <array>
#include <cstdint>
#include <span>

inline constexpr int prodos_block_bytes = 512;
inline constexpr int prodos_blocks_per_track = 8;
inline constexpr std::uint16_t prodos_disk_blocks = 280;  // 35 tracks of a 5.25-inch disk
inline constexpr std::uint16_t prodos_boot_blocks = 2;
inline constexpr std::uint16_t prodos_volume_key_block = 2;

// A directory block: its two chain pointers, then the entries.
inline constexpr int prodos_dir_prev_block = 0;
inline constexpr int prodos_dir_next_block = 2;
inline constexpr int prodos_dir_first_entry = 4;
inline constexpr int prodos_entries_per_block = 13;
inline constexpr int prodos_entry_bytes = 39;

// Storage types: the high four bits of an entry's first byte, whose low
// four bits are the length of the name that follows (1..15 characters).
inline constexpr std::uint8_t prodos_free_entry = 0;
inline constexpr std::uint8_t prodos_seedling = 1;
inline constexpr std::uint8_t prodos_sapling = 2;
inline constexpr std::uint8_t prodos_tree = 3;
inline constexpr std::uint8_t prodos_subdirectory = 13;
inline constexpr std::uint8_t prodos_subdirectory_header = 14;
inline constexpr std::uint8_t prodos_volume_header = 15;
inline constexpr int prodos_name_bytes = 15;

// Byte offsets of the fields of an entry.
namespace prodos_field {
inline constexpr int storage_and_length = 0;
inline constexpr int name = 1;           // 15 bytes
// Every entry.
inline constexpr int creation = 24;      // 4 bytes: date and time
inline constexpr int version = 28;
inline constexpr int min_version = 29;
inline constexpr int access = 30;
// A file or subdirectory entry.
inline constexpr int file_type = 16;
inline constexpr int key_pointer = 17;   // 2 bytes
inline constexpr int blocks_used = 19;   // 2 bytes
inline constexpr int eof = 21;           // 3 bytes
inline constexpr int aux_type = 31;      // 2 bytes
inline constexpr int last_mod = 33;      // 4 bytes: date and time
inline constexpr int header_pointer = 37;  // 2 bytes: key block of the directory holding it
// A header entry.
inline constexpr int header_reserved = 16;   // a subdirectory header holds $75 there
inline constexpr int entry_length = 31;      // 39
inline constexpr int entries_per_block = 32; // 13
inline constexpr int file_count = 33;        // 2 bytes
inline constexpr int bit_map_pointer = 35;   // 2 bytes, volume directory header
inline constexpr int total_blocks = 37;      // 2 bytes, volume directory header
inline constexpr int parent_pointer = 35;    // 2 bytes, subdirectory header
inline constexpr int parent_entry_number = 37;
inline constexpr int parent_entry_length = 38;
}  // namespace prodos_field

// The file types and the subdirectory header's reserved byte that the
// writer puts down.
inline constexpr std::uint8_t prodos_directory_file_type = 0x0F;
inline constexpr std::uint8_t prodos_subdirectory_reserved = 0x75;

// Index blocks.
inline constexpr int prodos_index_entries = 256;
inline constexpr int prodos_master_entries = 128;
inline constexpr std::uint32_t prodos_seedling_limit = prodos_block_bytes;                 // 512
inline constexpr std::uint32_t prodos_sapling_limit = prodos_index_entries * prodos_block_bytes;  // 128 KiB
inline constexpr std::uint32_t prodos_tree_limit = prodos_master_entries * prodos_sapling_limit;  // 16 MiB

// Entry i of an index or master index block.
constexpr std::uint16_t prodos_index_entry(std::span<const std::uint8_t, prodos_block_bytes> index, int i) {
  return static_cast<std::uint16_t>(index[static_cast<std::size_t>(i)] |
                                    (index[static_cast<std::size_t>(prodos_index_entries + i)] << 8));
}
constexpr void prodos_set_index_entry(std::span<std::uint8_t, prodos_block_bytes> index, int i,
                                      std::uint16_t block) {
  index[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(block);
  index[static_cast<std::size_t>(prodos_index_entries + i)] = static_cast<std::uint8_t>(block >> 8);
}

// The volume bit map: one bit per block, the most significant bit of a
// byte first, set for a free block.

// A date and time as four bytes: a 16-bit date (year 0..127 in bits 9-15,
// month in bits 5-8, day in bits 0-4), then the minute and the hour a
// byte each.  Unpacking keeps each field to its bits; packing cuts them.
struct prodos_date_time {
  std::int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

constexpr prodos_date_time prodos_unpack_date_time(std::span<const std::uint8_t, 4> d) {
  prodos_date_time t;
  t.year = d[1] >> 1;
  t.month = ((d[1] & 1) << 3) | (d[0] >> 5);
  t.day = d[0] & 31;
  t.minute = d[2] & 63;
  t.hour = d[3] & 31;
  return t;
}

constexpr std::array<std::uint8_t, 4> prodos_pack_date_time(const prodos_date_time& t) {
  return {static_cast<std::uint8_t>(((t.month & 7) << 5) | (t.day & 31)),
          static_cast<std::uint8_t>(((t.year & 127) << 1) | ((t.month >> 3) & 1)),
          static_cast<std::uint8_t>(t.minute & 63), static_cast<std::uint8_t>(t.hour & 31)};
}

// Whether 512 bytes read as block 2 begin with a volume directory header:
// storage type 15 with a name of 1 to 15 characters, entries of 39 bytes,
// 13 of them a block.
constexpr bool prodos_is_volume_header(std::span<const std::uint8_t, prodos_block_bytes> block) {
  const std::uint8_t first = block[prodos_dir_first_entry + prodos_field::storage_and_length];
  return first >> 4 == prodos_volume_header && (first & 15) != 0 &&
         block[prodos_dir_first_entry + prodos_field::entry_length] == prodos_entry_bytes &&
         block[prodos_dir_first_entry + prodos_field::entries_per_block] == prodos_entries_per_block;
}
