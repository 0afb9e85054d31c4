// A read-only ProDOS volume reader for disk image files.
//
// prodos_open loads the whole image into memory, reads the volume directory
// (key block 2) and every subdirectory into a tree of directory lists,
// copies the first block of the volume bit map and maps the data blocks of
// every file as pointers into the image.  Lookups and file reads then work
// on memory only.  Nothing is ever written back.
//
// Block b is 512 bytes: logical positions 2 * (b % 8) and 2 * (b % 8) + 1
// of track b / 8, each half taken from the image as the volume's sector
// order says.  A half is legal only when it ends within the image.
//
// Every message goes to standard output.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "common/buffer.h"

inline constexpr int prodos_block_bytes = 512;
inline constexpr int prodos_entries_per_block = 13;
inline constexpr int prodos_entry_bytes = 39;
inline constexpr std::uint16_t prodos_volume_key_block = 2;

// Storage types the reader acts on.
inline constexpr std::uint8_t prodos_seedling = 1;
inline constexpr std::uint8_t prodos_sapling = 2;
inline constexpr std::uint8_t prodos_tree = 3;
inline constexpr std::uint8_t prodos_subdirectory = 13;

struct prodos_date_time {
  std::int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

// The map of one data block: two pointers into the volume's image, both
// null while `block` is 0 (a block of zeros) or not mapped.
struct prodos_block_ref {
  std::uint16_t block = 0;
  const std::uint8_t* first_half = nullptr;
  const std::uint8_t* second_half = nullptr;
};

// The map of one index block of a tree file.
struct prodos_index_ref {
  std::uint16_t block = 0;
  std::unique_ptr<prodos_block_ref[]> refs;  // 256 entries; null while block is 0
};

// The data map of a file entry.  `block` is the key pointer; a seedling
// uses the two halves, a sapling `index` (256 entries, entry i for the i-th
// 512 bytes), a tree `master` (128 entries, entry i for bytes 131072 * i on).
struct prodos_file_map {
  std::uint16_t block = 0;
  const std::uint8_t* first_half = nullptr;
  const std::uint8_t* second_half = nullptr;
  std::unique_ptr<prodos_block_ref[]> index;
  std::unique_ptr<prodos_index_ref[]> master;
};

struct prodos_dir_block;
struct prodos_dir_deleter {
  void operator()(prodos_dir_block* list) const noexcept;
};
// A directory: its nodes in the order of the next block pointers.
using prodos_dir_list = std::unique_ptr<prodos_dir_block, prodos_dir_deleter>;

// One directory entry.  A header entry (the first entry of a directory's
// key block) fills the header fields; every other entry the file fields.
struct prodos_entry {
  std::uint8_t storage_type = 0;
  std::uint8_t name_length = 0;  // 0..15
  std::array<char, 15> name{};   // as stored, not terminated
  // File entry.
  std::uint8_t file_type = 0;
  std::uint16_t key_pointer = 0;
  std::uint16_t blocks_used = 0;
  std::uint32_t eof = 0;
  prodos_date_time creation;
  std::uint8_t version = 0;
  std::uint8_t min_version = 0;
  std::uint8_t access = 0;
  std::uint16_t aux_type = 0;
  prodos_date_time last_mod;
  std::uint16_t header_pointer = 0;
  prodos_dir_list subdirectory;  // storage type 13 only; null when unreadable
  prodos_file_map data;
  // Header entry.
  std::uint8_t entry_length = 0;
  std::uint8_t entries_per_block = 0;
  std::uint16_t file_count = 0;
  std::uint16_t bit_map_pointer = 0;  // volume directory
  std::uint16_t total_blocks = 0;     // volume directory
  std::uint16_t parent_pointer = 0;   // subdirectory
  std::uint8_t parent_entry_number = 0;
  std::uint8_t parent_entry_length = 0;
};

// One block of a directory.
struct prodos_dir_block {
  prodos_dir_block* prev = nullptr;  // null for the key block's node
  prodos_dir_block* next = nullptr;  // owned by the list; null for the last
  std::int32_t entry_count = 0;      // always 13
  std::uint16_t prev_block = 0;
  std::uint16_t next_block = 0;
  std::unique_ptr<prodos_entry[]> entries;
};

struct prodos_volume {
  prodos_dir_list root;                             // volume directory
  const std::array<int, 16>* translation = nullptr; // by sector order
  std::array<std::uint8_t, prodos_block_bytes> bit_map{};
  std::int32_t sector_order = 0;
  std::int32_t image_size = 0;
  byte_buffer image;  // the whole image file
};

// Opens the image at `path` in `sector_order` (1 or 2).  0 when the catalog
// was read (even when the bit map or some file maps failed), -1 otherwise.
// The file is closed on every path; whatever was built stays in `volume`
// for prodos_close.
int prodos_open(prodos_volume& volume, const char* path, std::int32_t sector_order);

// Releases everything the volume owns and clears the record.  Safe on a
// cleared record and after a failed prodos_open.
void prodos_close(prodos_volume& volume);

// The plain file (storage type 1, 2 or 3) that `path` names, or null.  The
// entry belongs to the volume and stays valid until prodos_close.
const prodos_entry* prodos_find(const prodos_volume& volume, const char* path);

// Copies the file `path` into `destination`, which holds at least `size`
// bytes; a file longer than `size` is cut, a shorter one leaves the rest of
// the destination alone.  0, or -1 after a message.
int prodos_read_file(const prodos_volume& volume, const char* path, std::uint8_t* destination,
                     std::uint32_t size);
