// The ProDOS volume: the image held in memory, its blocks, and the tree of
// directory lists read from the volume directory down.
#include <climits>
#include <cstdio>
#include <cstring>

#include "common/byte_order.h"
#include "disk/prodos.h"
#include "disk/sector_order.h"

namespace {

// Start in the image of half `half` (0 or 1) of block `block`: logical
// position 2 * (block % 8) + half of track block / 8.  64-bit, so no block
// number can make it wrap.
std::int64_t half_start(const prodos_volume& volume, std::uint16_t block, int half) {
  const std::array<int, 16>& table =
      volume.translation != nullptr ? *volume.translation : sector_translation;
  const int position = 2 * (block % 8) + half;
  return std::int64_t{sector_bytes} *
         (std::int64_t{sectors_per_track} * (block / 8) + table[static_cast<std::size_t>(position)]);
}

// The half's bytes in the image, or null after "illegal block no" when it
// does not end within the image or cannot be read.
const std::uint8_t* legal_half(const prodos_volume& volume, std::uint16_t block, int half) {
  const std::uint8_t* bytes =
      volume.disk != nullptr ? disk_image_at(*volume.disk, half_start(volume, block, half), sector_bytes, volume.sink)
                             : nullptr;
  if (bytes == nullptr) say(volume.sink, "illegal block no $%04X\n", block);
  return bytes;
}

prodos_date_time take_date_time(const std::uint8_t* d) {
  return prodos_unpack_date_time(std::span<const std::uint8_t, 4>(d, 4));
}

// Fills `entry` from the 39 bytes at `raw`, as a header entry (volume
// directory at depth 0, subdirectory below) or as a file entry.
void parse_entry(const std::uint8_t* raw, bool header, int depth, prodos_entry& entry) {
  namespace f = prodos_field;
  const auto at = [&](int offset) {
    return byte_cursor{std::span<const std::uint8_t>(raw, prodos_entry_bytes), static_cast<std::size_t>(offset)};
  };
  const auto le16 = [&](int offset) {
    byte_cursor c = at(offset);
    return get_le16(c);
  };
  entry.storage_type = static_cast<std::uint8_t>(raw[f::storage_and_length] >> 4);
  entry.name_length = static_cast<std::uint8_t>(raw[f::storage_and_length] & 15);
  std::memcpy(entry.name.data(), raw + f::name, entry.name.size());
  entry.creation = take_date_time(raw + f::creation);
  entry.version = raw[f::version];
  entry.min_version = raw[f::min_version];
  entry.access = raw[f::access];
  if (header) {
    entry.entry_length = raw[f::entry_length];
    entry.entries_per_block = raw[f::entries_per_block];
    entry.file_count = le16(f::file_count);
    if (depth == 0) {
      entry.bit_map_pointer = le16(f::bit_map_pointer);
      entry.total_blocks = le16(f::total_blocks);
    } else {
      entry.parent_pointer = le16(f::parent_pointer);
      entry.parent_entry_number = raw[f::parent_entry_number];
      entry.parent_entry_length = raw[f::parent_entry_length];
    }
    return;
  }
  entry.file_type = raw[f::file_type];
  entry.key_pointer = le16(f::key_pointer);
  entry.blocks_used = le16(f::blocks_used);
  byte_cursor eof = at(f::eof);
  entry.eof = get_le24(eof);
  entry.aux_type = le16(f::aux_type);
  entry.last_mod = take_date_time(raw + f::last_mod);
  entry.header_pointer = le16(f::header_pointer);
}

// Reads the list of a subdirectory entry, unless its key block was read
// before or it would nest too deep.
void read_subdirectory(const prodos_volume& volume, prodos_entry& entry, int depth,
                       prodos_dir_walk& walk) {
  const std::uint16_t key = entry.key_pointer;
  if (depth > prodos_max_dir_depth) {
    say(volume.sink, "directory nested too deep at block $%04X\n", key);
    return;
  }
  if (key != 0 && walk.visited[key]) {
    say(volume.sink, "directory loop at block $%04X\n", key);
    return;
  }
  entry.subdirectory = prodos_read_dir(volume, key, depth, walk);
  if (!entry.subdirectory) say(volume.sink, "can't get dir block $%04X\n", key);
}

}  // namespace

void prodos_free_dir(prodos_dir_block* list) {
  // Node after node, so that a long list does not recurse; entries release
  // their own subdirectory lists (nested at most prodos_max_dir_depth).
  while (list != nullptr) {
    prodos_dir_block* next = list->next;
    delete list;
    list = next;
  }
}

void prodos_dir_deleter::operator()(prodos_dir_block* list) const noexcept { prodos_free_dir(list); }

int prodos_read_block(const prodos_volume& volume, std::uint16_t block,
                      std::span<std::uint8_t, prodos_block_bytes> destination) {
  for (int half = 0; half < 2; ++half) {
    const std::uint8_t* half_bytes = legal_half(volume, block, half);
    if (half_bytes == nullptr) return -1;
    std::memcpy(destination.data() + sector_bytes * half, half_bytes, sector_bytes);
  }
  return 0;
}

int prodos_map_block(const prodos_volume& volume, prodos_block_ref& ref) {
  ref.first_half = nullptr;
  ref.second_half = nullptr;
  if (ref.block == 0) return 0;
  ref.first_half = legal_half(volume, ref.block, 0);
  if (ref.first_half == nullptr) return -1;
  ref.second_half = legal_half(volume, ref.block, 1);
  return ref.second_half == nullptr ? -1 : 1;
}

prodos_dir_list prodos_read_dir(const prodos_volume& volume, std::uint16_t key_block, int depth,
                                prodos_dir_walk& walk) {
  prodos_dir_list list;
  prodos_dir_block* last = nullptr;
  std::array<std::uint8_t, prodos_block_bytes> raw{};
  for (std::uint16_t block = key_block; block != 0; block = last->next_block) {
    if (walk.visited[block]) {
      say(volume.sink, "directory loop at block $%04X\n", block);
      break;
    }
    walk.visited[block] = true;
    if (prodos_read_block(volume, block, raw) < 0) {
      say(volume.sink, "can't get dir block $%04X\n", block);
      return nullptr;
    }
    std::unique_ptr<prodos_dir_block> made(new (std::nothrow) prodos_dir_block());
    if (made != nullptr) made->entries = allocate_zeroed<prodos_entry>(prodos_entries_per_block);
    if (made == nullptr || made->entries == nullptr) {
      say(volume.sink, "memory exhaust!\n");
      return nullptr;
    }
    prodos_dir_block* node = made.release();
    if (last == nullptr) {
      list.reset(node);
    } else {
      node->prev = last;
      last->next = node;
    }
    last = node;
    byte_cursor c{raw, prodos_dir_prev_block};
    node->prev_block = get_le16(c);
    c.pos = prodos_dir_next_block;
    node->next_block = get_le16(c);
    node->entry_count = prodos_entries_per_block;
    for (int i = 0; i < prodos_entries_per_block; ++i) {
      prodos_entry& entry = node->entries[static_cast<std::size_t>(i)];
      const bool header = node == list.get() && i == 0;
      parse_entry(raw.data() + prodos_dir_first_entry + prodos_entry_bytes * i, header, depth, entry);
      if (!header && entry.storage_type == prodos_subdirectory)
        read_subdirectory(volume, entry, depth + 1, walk);
    }
  }
  return list;
}

int prodos_read_catalog(prodos_volume& volume) {
  volume.translation = &translation_for(volume.disk != nullptr ? volume.disk->sector_order : sector_order_prodos);
  auto walk = std::make_unique<prodos_dir_walk>();
  volume.root = prodos_read_dir(volume, prodos_volume_key_block, 0, *walk);
  if (!volume.root) {
    say(volume.sink, "can't get dir block $%04X\n", prodos_volume_key_block);
    return -1;
  }
  return 0;
}

int prodos_open(prodos_volume& volume, const disk_image& disk, const message_sink& sink) {
  volume = prodos_volume{};
  volume.sink = sink;
  volume.disk = &disk;
  const char* name = disk.path.c_str();
  // Block numbers and offsets are reckoned in 32 bits.
  if (disk.data.size() > INT32_MAX) {
    say(sink, "memory exhaust!\n");
    return -1;
  }
  if (prodos_read_catalog(volume) < 0) {
    say(sink, "can't get catalog '%s'\n", name);
    return -1;
  }
  const prodos_entry& header = volume.root->entries[0];
  if (prodos_read_block(volume, header.bit_map_pointer, volume.bit_map) < 0)
    say(sink, "can't get bit map '%s'\n", name);
  if (prodos_map_files(volume, volume.root.get()) < 0) say(sink, "can't get block no '%s'\n", name);
  return 0;
}

int prodos_open(prodos_volume& volume, std::span<const std::uint8_t> image, const char* name,
                std::int32_t sector_order, const message_sink& sink) {
  disk_image disk;
  if (disk_image_open(disk, image, name, sector_order, sink) < 0) {
    volume = prodos_volume{};
    say(sink, "memory exhaust!\n");
    return -1;
  }
  return prodos_open_own(volume, std::move(disk), sink);
}

int prodos_open_own(prodos_volume& volume, disk_image&& disk, const message_sink& sink) {
  // The volume keeps the image; moving it keeps its bytes where they are.
  disk_image own = std::move(disk);
  const int result = prodos_open(volume, own, sink);
  volume.own_disk = std::move(own);
  volume.disk = &volume.own_disk;
  return result;
}

void prodos_close(prodos_volume& volume) { volume = prodos_volume{}; }

std::string prodos_format_date_time(const prodos_date_time& t) {
  const int year = t.year < 40 ? 2000 + t.year : 1900 + t.year;
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", year, t.month, t.day, t.hour, t.minute);
  return text;
}

