// A small ProDOS volume writer, a library for any program: the demo maker,
// the fuzz corpora and the tests all build their volumes with it.
//
// prodos_format lays down an empty volume: boot blocks 0 and 1 left zero,
// the volume directory in blocks 2..5 (linked by their previous and next
// block pointers), the volume bit map in block 6, data from block 7 on.
// Files and subdirectories are then added by path ("NAME", "DIR/NAME");
// their blocks are allocated in order, so the layout is predictable:
//
//   seedling  eof up to 512:         the key block holds the data
//   sapling   eof up to 128 KiB:     key block = index block, then data
//   tree      eof above that:        key block = master index, each index
//                                    block followed by its data blocks
//
// All-zero data blocks (other than the first) of a sapling or tree file are
// left unallocated when `sparse` is set: their index entry is 0, and a tree
// index block whose entries would all be 0 is itself left out.  A
// subdirectory starts with one block and grows by linked blocks as entries
// are added.  Damage is made by poking bytes of the block image
// (prodos_block, prodos_entry_offset) before taking the image.
//
// A mistake of the caller (a full disk or directory, an unknown parent
// folder, a name longer than 15) is kept in the builder's `error`: the
// helper that met it and every later one change nothing more and hand back
// an empty place, and prodos_image gives no image.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "common/buffer.h"  // bytes
#include "disk/prodos_format.h"

// The date and time the writer gives entries unless told otherwise.
inline constexpr prodos_date_time prodos_default_stamp{24, 1, 2, 3, 4};

// Where an entry lives: the directory block holding it, its index 0..12
// within the block, and the key pointer it was given (all 0 when it could
// not be made).
struct prodos_entry_place {
  std::uint16_t dir_block = 0;
  int index = 0;
  std::uint16_t key_pointer = 0;
};

struct prodos_file_options {
  std::uint8_t file_type = 0x06;  // BIN
  std::uint16_t aux_type = 0;
  std::uint8_t access = 0xE3;
  prodos_date_time created = prodos_default_stamp;
  prodos_date_time modified = prodos_default_stamp;
  // 0 picks the storage type from the size; 1, 2 or 3 forces one (the
  // file must fit it: a seedling holds 512 bytes, a sapling 128 KiB).
  int storage_type = 0;
  // When set, the entry records this eof instead of the data's size; bytes
  // past the data up to it are zeros (and sparse).
  bool has_eof = false;
  std::uint32_t eof = 0;
  bool sparse = true;
};

// One directory being written: its blocks in order and the entries used.
struct prodos_dir_record {
  std::vector<std::uint16_t> blocks;
  int used = 1;  // entries taken, the header entry counted
  prodos_entry_place entry;  // the subdirectory's entry in its parent
  bool fixed_size = false;   // the volume directory does not grow
};

struct prodos_builder {
  std::uint16_t total_blocks = prodos_disk_blocks;
  std::uint16_t next_free = 7;
  bytes blocks;  // the volume in block order, 512 * total_blocks bytes
  std::map<std::string, prodos_dir_record> dirs;  // "" is the volume directory
  std::string error;  // the first mistake met, empty while there is none
  // Where pokes of a block outside the volume land (after an error).
  std::array<std::uint8_t, prodos_block_bytes> scratch{};
};

// A formatted empty volume named `volume_name` (1..15 characters) with
// `total_blocks` blocks (a multiple of 8, at most 4096).
// Bad arguments give a builder holding only the error.
prodos_builder prodos_format(const std::string& volume_name,
                             std::uint16_t total_blocks = prodos_disk_blocks,
                             prodos_date_time created = prodos_default_stamp);

// Adds the file `path` holding `data`.
prodos_entry_place prodos_add_file(prodos_builder& b, const std::string& path, const bytes& data,
                                   const prodos_file_options& options = {});

// Adds the empty subdirectory `path`.
prodos_entry_place prodos_add_dir(prodos_builder& b, const std::string& path,
                                  prodos_date_time created = prodos_default_stamp);

// Writes a raw entry of 39 bytes into the next free entry of the folder
// `dir_path` ("" for the volume directory): for entries no other helper
// makes (free entries, odd storage types).  Counts it in the file count.
prodos_entry_place prodos_add_raw_entry(prodos_builder& b, const std::string& dir_path,
                                        std::span<const std::uint8_t, 39> entry);

// Allocates `count` consecutive blocks and returns the first (0 when they
// do not fit).
std::uint16_t prodos_allocate(prodos_builder& b, int count = 1);

// Block `block` of the volume, to read or poke; the builder's scratch
// block, after recording the error, for a block outside the volume.
std::span<std::uint8_t, 512> prodos_block(prodos_builder& b, std::uint16_t block);

// Byte offset in the block image (= in an order-1 image) of an entry.
std::size_t prodos_entry_offset(const prodos_entry_place& place);

// The image file: in order 1 the blocks as they are; in any other order
// each track's sectors placed so that order 2 reads them back as these
// blocks (logical position k stored at file position sector_translation[k]).
// Empty when the builder holds an error.
bytes prodos_image(const prodos_builder& b, int sector_order);

// Rearranges a whole-track image between the two orders (the same
// permutation both ways, as the table is its own inverse).  Empty for an
// image that is not whole tracks.
bytes reorder_tracks(const bytes& image);
