// A read-only ProDOS volume reader for disk images.
//
// prodos_open takes a whole disk image (disk_image.h: raw, 2IMG, NIB or
// WOZ, from a file or from bytes in memory), reads the volume directory
// (key block 2) and every subdirectory into a
// tree of directory lists, copies the first block of the volume bit map and
// maps the data blocks of every file as pointers into the image.  Lookups
// and file reads then work on memory only.  Nothing is ever written back.
//
// Block b is 512 bytes: logical positions 2 * (b % 8) and 2 * (b % 8) + 1
// of track b / 8, each half taken from the image as its sector order says.
// A half is legal only when it ends within the image and, for a container
// of physical sectors, its sector can be read (disk_image_at).
//
// Every message goes to the console of the sink the volume is opened with.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "common/buffer.h"
#include "common/message_sink.h"
#include "disk/disk_image.h"
#include "disk/prodos_format.h"

// Subdirectories nest at most this deep below the volume directory.
inline constexpr int prodos_max_dir_depth = 64;

// A date and time as text, "YYYY-MM-DD HH:MM": years 0..39 are 2000..2039,
// 40..99 are 1940..1999, 100..127 are 2000..2027.  Fields out of range
// print as they are.
std::string prodos_format_date_time(const prodos_date_time& stamp);

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
  const std::array<int, 16>* translation = nullptr; // by the image's sector order
  std::array<std::uint8_t, prodos_block_bytes> bit_map{};
  // The image read: the caller's, or `own_disk` for a volume opened from
  // a path or from bytes.  At most INT32_MAX bytes of data.
  const disk_image* disk = nullptr;
  disk_image own_disk;
  // Bytes of block maps allocated so far.  Past prodos_map_limit the maps
  // count as exhausted memory, so that a damaged directory whose many
  // entries share one big tree cannot claim all the machine's memory.
  mutable std::size_t map_bytes = 0;
  message_sink sink;  // where the reader's messages go
};

inline constexpr std::size_t prodos_map_limit = std::size_t{256} << 20;

// The directory blocks already read while a catalog is read, so that a
// damaged volume whose pointers lead back to a block read before cannot
// make the walk go round for ever.
struct prodos_dir_walk {
  std::bitset<65536> visited;
};

// Opens the volume on the opened image `disk`, read in its sector order;
// the image's path stands for it in the messages, which go to `sink`.  0
// when the catalog was read (even when the bit map or some file maps
// failed), -1 otherwise; whatever was built stays in `volume` for
// prodos_close.  The volume reads the image where it is: it must stay
// open and unchanged until prodos_close.
int prodos_open(prodos_volume& volume, const disk_image& disk, const message_sink& sink);

// The same for an image handed over to the volume, which keeps it until
// prodos_close.
int prodos_open_own(prodos_volume& volume, disk_image&& disk, const message_sink& sink);

// The same for the image held in `image` (any container, opened by its
// content), a raw image read in `sector_order` (1 or 2); `name` stands for
// it.  The bytes must stay unchanged until prodos_close.
int prodos_open(prodos_volume& volume, std::span<const std::uint8_t> image, const char* name,
                std::int32_t sector_order, const message_sink& sink);

// Reads the whole image file at `path` into `image`, `size` bytes.  0, or
// -1 after "open error '%s'", "seek error '%s' (SEEK_END)" or "(SEEK_SET)",
// "memory exhaust!" or "read error '%s'".  The file is closed on every path.
int prodos_read_image_file(const char* path, byte_buffer& image, std::size_t& size,
                           const message_sink& sink);

// Reads the image file at `path` as above and opens it as a disk image
// (any container; a raw image in `sector_order`), then the volume on it,
// the path standing for the image in the messages.
int prodos_open(prodos_volume& volume, const char* path, std::int32_t sector_order,
                const message_sink& sink);

// Releases everything the volume owns and clears the record.  Safe on a
// cleared record and after a failed prodos_open.
void prodos_close(prodos_volume& volume);

// The plain file (storage type 1, 2 or 3) that `path` names, or null.  The
// entry belongs to the volume and stays valid until prodos_close.  A path
// is names separated by runs of "/"; one that begins with "/" names the
// volume first.  Names compare byte for byte, case included.  Prints "file
// name error '%s'" for a path without a file name, "can't find volume name
// '%s'" for a wrong volume name and "strage type mismatch '%s' $%X" when
// the path names a subdirectory; nothing when a name is not found.
const prodos_entry* prodos_find(const prodos_volume& volume, const char* path);

// Copies the file `path` into `destination`, which holds at least `size`
// bytes; a file longer than `size` is cut, a shorter one leaves the rest of
// the destination alone (both after "file size mismatch ...").  0, or -1
// after "can't find file '%s'" or "can't get file data '%s' (seeding /
// sapling / tree file)"; a failed copy may have written part of the file.
int prodos_read_file(const prodos_volume& volume, const char* path, std::uint8_t* destination,
                     std::uint32_t size);

// --- The parts of the reader, for the routines above and for tests. ---

// Copies block `block` into `destination`.  0, or -1 after "illegal block
// no $%04X" when a half does not end within the image (the first half may
// then be copied already).
int prodos_read_block(const prodos_volume& volume, std::uint16_t block,
                      std::span<std::uint8_t, prodos_block_bytes> destination);

// Maps `ref.block` as two pointers into the image: 0 for block 0 (nothing
// mapped), 1 when both halves are mapped, -1 after "illegal block no $%04X"
// (when the second half fails, `first_half` stays set).
int prodos_map_block(const prodos_volume& volume, prodos_block_ref& ref);

// Reads the volume directory (block 2) and its subdirectories into
// `volume.root` with the translation of the image's sector order.  0, or
// -1 after "can't get dir block $0002".
int prodos_read_catalog(prodos_volume& volume);

// Reads the directory whose key block is `key_block` at nesting `depth`
// (0: the volume directory) and, entry by entry, its subdirectories.  The
// list, or null after "can't get dir block $%04X" / "memory exhaust!" (the
// nodes read so far are released); null without a message for block 0.
// A next block pointer leading to a block `walk` has seen ends the list
// there after "directory loop at block $%04X"; a subdirectory whose key
// block was seen, or that would nest deeper than prodos_max_dir_depth, is
// left without a list after "directory loop at block $%04X" or "directory
// nested too deep at block $%04X".  What was read stays.
prodos_dir_list prodos_read_dir(const prodos_volume& volume, std::uint16_t key_block, int depth,
                                prodos_dir_walk& walk);

// Releases a directory list, its nodes one after another, and everything
// its entries own.  Safe on null.
void prodos_free_dir(prodos_dir_block* list);

// Maps the index block `block` into `slot` (256 refs, null for block 0).
// The number of nonzero entries, -1 when the index block (after "can't get
// index block $%04X"; the slot is then emptied, so a later read of the
// file fails) or one of its data blocks is illegal, -2 after "memory
// exhaust!".
int prodos_map_index(const prodos_volume& volume, std::uint16_t block,
                     std::unique_ptr<prodos_block_ref[]>& slot);

// The same one level up for a tree file's master index block (128 index
// refs, entries 0..127 read); a failure of an index is passed on.
int prodos_map_master_index(const prodos_volume& volume, std::uint16_t block,
                            std::unique_ptr<prodos_index_ref[]>& slot);

// Maps the data of every file of `list` and its subdirectories.  The number
// of files whose data failed to map (each reported by name), or -1 when
// memory ran out.
int prodos_map_files(const prodos_volume& volume, prodos_dir_block* list);

// The first entry of storage type 1, 2, 3 or 13 in `list` (the header entry
// left out) whose name is `name`, byte for byte; null when none.
const prodos_entry* prodos_find_in_dir(const prodos_dir_block* list, std::string_view name);

// The copy routines write at most `count` bytes of a file's data at
// `destination` and hand back the advanced destination and the count left
// (never below 0) through the out-parameters that are given.  Each returns
// -1 when a nonzero block, index or master index is not mapped, else 1 when
// the count is used up and 0 when bytes remain.  Block 0 reads as zeros: a
// block's 512 bytes, an index's 131072, a master index's whole count.
int prodos_copy_block(const prodos_block_ref& map, std::uint8_t* destination, std::int32_t count,
                      std::uint8_t** out_destination = nullptr, std::int32_t* out_count = nullptr);
int prodos_copy_index(std::uint16_t block, const prodos_block_ref* refs,
                      std::uint8_t* destination, std::int32_t count,
                      std::uint8_t** out_destination = nullptr, std::int32_t* out_count = nullptr);
int prodos_copy_master_index(std::uint16_t block, const prodos_index_ref* refs,
                             std::uint8_t* destination, std::int32_t count,
                             std::uint8_t** out_destination = nullptr,
                             std::int32_t* out_count = nullptr);
