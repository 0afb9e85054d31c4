#include "disk/prodos_write.h"

#include <algorithm>
#include <cstring>

#include "common/byte_order.h"
#include "disk/sector_order.h"

namespace {

constexpr std::uint16_t volume_dir_first = prodos_volume_key_block;
constexpr std::uint16_t volume_dir_last = 5;
constexpr std::uint16_t bit_map_block = 6;
constexpr std::uint8_t volume_access = 0xC3;
constexpr std::uint8_t directory_access = 0xE3;

namespace f = prodos_field;

// Records the first mistake; false, for the caller to stop.
bool fail(prodos_builder& b, const std::string& why) {
  if (b.error.empty()) b.error = "prodos_image: " + why;
  return false;
}

// The bytes of block `block`, or an empty span after recording the error.
std::span<std::uint8_t> block_at(prodos_builder& b, std::uint16_t block) {
  if (block >= b.total_blocks || b.blocks.size() < std::size_t{b.total_blocks} * prodos_block_bytes) {
    fail(b, "block out of range");
    return {};
  }
  return std::span<std::uint8_t>(b.blocks).subspan(std::size_t{block} * prodos_block_bytes, prodos_block_bytes);
}

// The 39 bytes of an entry, or an empty span.
std::span<std::uint8_t> entry_at(prodos_builder& b, const prodos_entry_place& place) {
  const std::span<std::uint8_t> block = block_at(b, place.dir_block);
  if (block.empty()) return {};
  return block.subspan(static_cast<std::size_t>(prodos_dir_first_entry + prodos_entry_bytes * place.index),
                       prodos_entry_bytes);
}

bool put_name(prodos_builder& b, std::span<std::uint8_t> entry, int storage_type, const std::string& name) {
  if (name.empty() || name.size() > prodos_name_bytes) return fail(b, "bad name '" + name + "'");
  entry[f::storage_and_length] = static_cast<std::uint8_t>((storage_type << 4) | static_cast<int>(name.size()));
  std::memcpy(entry.data() + f::name, name.data(), name.size());
  return true;
}

void put_stamp(std::span<std::uint8_t> entry, int field, const prodos_date_time& stamp) {
  const auto raw = prodos_pack_date_time(stamp);
  std::copy(raw.begin(), raw.end(), entry.begin() + field);
}

// Splits "A/B/NAME" into the folder "A/B" and the name "NAME".
std::pair<std::string, std::string> split_path(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return {"", path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

prodos_dir_record* folder(prodos_builder& b, const std::string& dir_path) {
  auto it = b.dirs.find(dir_path);
  if (it == b.dirs.end()) {
    fail(b, "no folder '" + dir_path + "'");
    return nullptr;
  }
  return &it->second;
}

// Takes the next free entry of a folder, growing a subdirectory by one
// linked block when its blocks are full, and counts it in the header.
// False after recording the error.
bool take_entry(prodos_builder& b, const std::string& dir_path, prodos_entry_place& place) {
  prodos_dir_record* dir = folder(b, dir_path);
  if (dir == nullptr) return false;
  const int capacity = prodos_entries_per_block * static_cast<int>(dir->blocks.size());
  if (dir->used == capacity) {
    if (dir->fixed_size) return fail(b, "volume directory full");
    const std::uint16_t last = dir->blocks.back();
    const std::uint16_t added = prodos_allocate(b);
    if (added == 0) return false;
    store_le16(block_at(b, last), prodos_dir_next_block, added);
    store_le16(block_at(b, added), prodos_dir_prev_block, last);
    dir->blocks.push_back(added);
    const std::span<std::uint8_t> parent_entry = entry_at(b, dir->entry);
    store_le16(parent_entry, f::blocks_used, static_cast<std::uint16_t>(dir->blocks.size()));
    store_le24(parent_entry, f::eof, static_cast<std::uint32_t>(dir->blocks.size()) * prodos_block_bytes);
  }
  place.dir_block = dir->blocks[static_cast<std::size_t>(dir->used / prodos_entries_per_block)];
  place.index = dir->used % prodos_entries_per_block;
  ++dir->used;
  const std::span<std::uint8_t> header =
      block_at(b, dir->blocks.front()).subspan(prodos_dir_first_entry, prodos_entry_bytes);
  byte_cursor count{header, f::file_count};
  store_le16(header, f::file_count, static_cast<std::uint16_t>(get_le16(count) + 1));
  return true;
}

// The 512 bytes of file block `i`: the data, then zeros up to the eof.
bool block_is_zero(const bytes& data, std::uint32_t i) {
  const std::size_t start = static_cast<std::size_t>(i) * prodos_block_bytes;
  if (start >= data.size()) return true;
  const std::size_t end = std::min(data.size(), start + prodos_block_bytes);
  return std::all_of(data.begin() + static_cast<std::ptrdiff_t>(start),
                     data.begin() + static_cast<std::ptrdiff_t>(end),
                     [](std::uint8_t v) { return v == 0; });
}

void write_data_block(prodos_builder& b, std::uint16_t block, const bytes& data, std::uint32_t i) {
  const std::size_t start = static_cast<std::size_t>(i) * prodos_block_bytes;
  const std::span<std::uint8_t> to = block_at(b, block);
  if (start >= data.size() || to.empty()) return;
  const std::size_t count = std::min<std::size_t>(prodos_block_bytes, data.size() - start);
  std::memcpy(to.data(), data.data() + start, count);
}

void put_index_entry(prodos_builder& b, std::uint16_t index_block, int i, std::uint16_t block) {
  const std::span<std::uint8_t> index = block_at(b, index_block);
  if (!index.empty()) prodos_set_index_entry(index.first<prodos_block_bytes>(), i, block);
}

// Allocates and fills the data blocks first..first+count-1 of a file
// behind the index block `index_block`; counts every block it allocates.
bool write_index(prodos_builder& b, std::uint16_t index_block, const bytes& data, std::uint32_t first,
                 std::uint32_t count, bool sparse, int& used) {
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t n = first + i;
    if (sparse && n != 0 && block_is_zero(data, n)) continue;
    const std::uint16_t block = prodos_allocate(b);
    if (block == 0) return false;
    ++used;
    write_data_block(b, block, data, n);
    put_index_entry(b, index_block, static_cast<int>(i), block);
  }
  return true;
}

bool range_is_zero(const bytes& data, std::uint32_t first, std::uint32_t count) {
  for (std::uint32_t i = 0; i < count; ++i)
    if (!block_is_zero(data, first + i)) return false;
  return true;
}

// Lays down a file's data blocks as its storage type stores them, from the
// key block `key` on.  False after recording the error.
bool write_file_data(prodos_builder& b, int storage, std::uint16_t key, const bytes& data,
                     std::uint32_t data_blocks, bool sparse, int& used) {
  if (storage == prodos_seedling) {
    write_data_block(b, key, data, 0);
    return true;
  }
  if (storage == prodos_sapling) return write_index(b, key, data, 0, data_blocks, sparse, used);
  const std::uint32_t indexes = (data_blocks + prodos_index_entries - 1) / prodos_index_entries;
  for (std::uint32_t j = 0; j < indexes; ++j) {
    const std::uint32_t first = prodos_index_entries * j;
    const std::uint32_t count = std::min<std::uint32_t>(prodos_index_entries, data_blocks - first);
    if (sparse && j != 0 && range_is_zero(data, first, count)) continue;
    const std::uint16_t index_block = prodos_allocate(b);
    if (index_block == 0) return false;
    ++used;
    put_index_entry(b, key, static_cast<int>(j), index_block);
    if (!write_index(b, index_block, data, first, count, sparse, used)) return false;
  }
  return true;
}

}  // namespace

prodos_builder prodos_format(const std::string& volume_name, std::uint16_t total_blocks,
                             prodos_date_time created) {
  prodos_builder b;
  if (total_blocks % prodos_blocks_per_track != 0 || total_blocks < 8 || total_blocks > 4096) {
    fail(b, "bad block count");
    return b;
  }
  b.total_blocks = total_blocks;
  b.blocks.assign(static_cast<std::size_t>(total_blocks) * prodos_block_bytes, 0);
  prodos_dir_record root;
  root.fixed_size = true;
  for (std::uint16_t block = volume_dir_first; block <= volume_dir_last; ++block) {
    root.blocks.push_back(block);
    const std::span<std::uint8_t> at = block_at(b, block);
    store_le16(at, prodos_dir_prev_block, block == volume_dir_first ? 0 : static_cast<std::uint16_t>(block - 1));
    store_le16(at, prodos_dir_next_block, block == volume_dir_last ? 0 : static_cast<std::uint16_t>(block + 1));
  }
  b.dirs[""] = root;

  const std::span<std::uint8_t> header =
      block_at(b, volume_dir_first).subspan(prodos_dir_first_entry, prodos_entry_bytes);
  if (!put_name(b, header, prodos_volume_header, volume_name)) return b;
  put_stamp(header, f::creation, created);
  header[f::access] = volume_access;
  header[f::entry_length] = prodos_entry_bytes;
  header[f::entries_per_block] = prodos_entries_per_block;
  store_le16(header, f::bit_map_pointer, bit_map_block);
  store_le16(header, f::total_blocks, total_blocks);

  const std::span<std::uint8_t> map = block_at(b, bit_map_block);
  for (int block = bit_map_block + 1; block < total_blocks; ++block)
    map[static_cast<std::size_t>(block / 8)] |= static_cast<std::uint8_t>(0x80 >> (block % 8));
  return b;
}

std::uint16_t prodos_allocate(prodos_builder& b, int count) {
  if (!b.error.empty()) return 0;
  if (count < 1 || b.next_free + count > b.total_blocks) {
    fail(b, "disk full");
    return 0;
  }
  const std::uint16_t first = b.next_free;
  const std::span<std::uint8_t> map = block_at(b, bit_map_block);
  for (int i = 0; i < count; ++i) {
    const int block = first + i;
    map[static_cast<std::size_t>(block / 8)] &= static_cast<std::uint8_t>(~(0x80 >> (block % 8)));
  }
  b.next_free = static_cast<std::uint16_t>(first + count);
  return first;
}

prodos_entry_place prodos_add_file(prodos_builder& b, const std::string& path, const bytes& data,
                                   const prodos_file_options& options) {
  if (!b.error.empty()) return {};
  const auto [dir_path, name] = split_path(path);
  const std::uint32_t eof = options.has_eof ? options.eof : static_cast<std::uint32_t>(data.size());
  const std::uint32_t length = std::max<std::uint32_t>(eof, static_cast<std::uint32_t>(data.size()));
  if (length > prodos_tree_limit) {
    fail(b, "file too long");
    return {};
  }
  int storage = options.storage_type;
  if (storage == 0)
    storage = length <= prodos_seedling_limit ? prodos_seedling
              : length <= prodos_sapling_limit ? prodos_sapling
                                               : prodos_tree;
  if (storage < prodos_seedling || storage > prodos_tree ||
      (storage == prodos_seedling && length > prodos_seedling_limit) ||
      (storage == prodos_sapling && length > prodos_sapling_limit)) {
    fail(b, "file too long for its storage type");
    return {};
  }
  const std::uint32_t data_blocks =
      std::max<std::uint32_t>(1, (length + prodos_block_bytes - 1) / prodos_block_bytes);

  prodos_entry_place place;
  if (!take_entry(b, dir_path, place)) return {};
  int used = 1;
  const std::uint16_t key = prodos_allocate(b);
  if (key == 0 || !write_file_data(b, storage, key, data, data_blocks, options.sparse, used)) return {};
  place.key_pointer = key;

  const std::span<std::uint8_t> entry = entry_at(b, place);
  const prodos_dir_record* dir = folder(b, dir_path);
  if (entry.empty() || dir == nullptr || !put_name(b, entry, storage, name)) return {};
  entry[f::file_type] = options.file_type;
  store_le16(entry, f::key_pointer, key);
  store_le16(entry, f::blocks_used, static_cast<std::uint16_t>(used));
  store_le24(entry, f::eof, eof);
  put_stamp(entry, f::creation, options.created);
  entry[f::access] = options.access;
  store_le16(entry, f::aux_type, options.aux_type);
  put_stamp(entry, f::last_mod, options.modified);
  store_le16(entry, f::header_pointer, dir->blocks.front());
  return place;
}

prodos_entry_place prodos_add_dir(prodos_builder& b, const std::string& path, prodos_date_time created) {
  if (!b.error.empty()) return {};
  const auto [dir_path, name] = split_path(path);
  if (b.dirs.count(path) != 0) {
    fail(b, "folder exists: " + path);
    return {};
  }
  prodos_entry_place place;
  if (!take_entry(b, dir_path, place)) return {};
  const std::uint16_t key = prodos_allocate(b);
  if (key == 0) return {};
  place.key_pointer = key;

  const std::span<std::uint8_t> entry = entry_at(b, place);
  const prodos_dir_record* parent = folder(b, dir_path);
  if (entry.empty() || parent == nullptr || !put_name(b, entry, prodos_subdirectory, name)) return {};
  entry[f::file_type] = prodos_directory_file_type;
  store_le16(entry, f::key_pointer, key);
  store_le16(entry, f::blocks_used, 1);
  store_le24(entry, f::eof, prodos_block_bytes);
  put_stamp(entry, f::creation, created);
  entry[f::access] = directory_access;
  put_stamp(entry, f::last_mod, created);
  store_le16(entry, f::header_pointer, parent->blocks.front());

  const std::span<std::uint8_t> header = block_at(b, key).subspan(prodos_dir_first_entry, prodos_entry_bytes);
  put_name(b, header, prodos_subdirectory_header, name);
  header[f::header_reserved] = prodos_subdirectory_reserved;
  put_stamp(header, f::creation, created);
  header[f::access] = directory_access;
  header[f::entry_length] = prodos_entry_bytes;
  header[f::entries_per_block] = prodos_entries_per_block;
  store_le16(header, f::parent_pointer, place.dir_block);
  header[f::parent_entry_number] = static_cast<std::uint8_t>(place.index + 1);
  header[f::parent_entry_length] = prodos_entry_bytes;

  prodos_dir_record dir;
  dir.blocks.push_back(key);
  dir.entry = place;
  b.dirs[path] = dir;
  return place;
}

prodos_entry_place prodos_add_raw_entry(prodos_builder& b, const std::string& dir_path,
                                        std::span<const std::uint8_t, 39> raw) {
  if (!b.error.empty()) return {};
  prodos_entry_place place;
  if (!take_entry(b, dir_path, place)) return {};
  const std::span<std::uint8_t> entry = entry_at(b, place);
  std::copy(raw.begin(), raw.end(), entry.begin());
  return place;
}

std::span<std::uint8_t, 512> prodos_block(prodos_builder& b, std::uint16_t block) {
  const std::span<std::uint8_t> at = block_at(b, block);
  if (at.empty()) return std::span<std::uint8_t, 512>(b.scratch);
  return at.first<prodos_block_bytes>();
}

std::size_t prodos_entry_offset(const prodos_entry_place& place) {
  return static_cast<std::size_t>(place.dir_block) * prodos_block_bytes + prodos_dir_first_entry +
         static_cast<std::size_t>(prodos_entry_bytes * place.index);
}

bytes reorder_tracks(const bytes& image) {
  if (image.size() % track_bytes != 0) return {};
  bytes out(image.size());
  for (std::size_t track = 0; track < image.size() / track_bytes; ++track)
    for (int k = 0; k < sectors_per_track; ++k) {
      const std::size_t base = track * track_bytes;
      std::memcpy(out.data() + base + sector_bytes * sector_translation[static_cast<std::size_t>(k)],
                  image.data() + base + sector_bytes * k, sector_bytes);
    }
  return out;
}

bytes prodos_image(const prodos_builder& b, int sector_order) {
  if (!b.error.empty()) return {};
  return sector_order == sector_order_dos ? b.blocks : reorder_tracks(b.blocks);
}
