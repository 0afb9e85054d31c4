#include "disk/prodos_write.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "disk/sector_order.h"

namespace {

constexpr int block_size = 512;
constexpr int entry_size = 39;
constexpr int entries_per_block = 13;
constexpr std::uint16_t volume_dir_first = 2;
constexpr std::uint16_t volume_dir_last = 5;
constexpr std::uint16_t bit_map_block = 6;
constexpr std::uint32_t sapling_limit = 256 * block_size;  // 131072
constexpr std::uint32_t tree_limit = 128 * sapling_limit;  // 16 MiB

void fail(const std::string& why) { throw std::runtime_error("prodos_image: " + why); }

void put_name(std::uint8_t* entry, int storage_type, const std::string& name) {
  if (name.empty() || name.size() > 15) fail("bad name '" + name + "'");
  entry[0] = static_cast<std::uint8_t>((storage_type << 4) | static_cast<int>(name.size()));
  std::memcpy(entry + 1, name.data(), name.size());
}

void put16(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void put_stamp(std::uint8_t* at, const prodos_stamp& stamp) {
  const auto raw = prodos_stamp_bytes(stamp);
  std::copy(raw.begin(), raw.end(), at);
}

std::uint8_t* block_at(prodos_builder& b, std::uint16_t block) {
  if (block >= b.total_blocks) fail("block out of range");
  return b.blocks.data() + static_cast<std::size_t>(block) * block_size;
}

std::uint8_t* entry_at(prodos_builder& b, const prodos_entry_place& place) {
  return block_at(b, place.dir_block) + 4 + entry_size * place.index;
}

// Splits "A/B/NAME" into the folder "A/B" and the name "NAME".
std::pair<std::string, std::string> split_path(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return {"", path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

prodos_dir_record& folder(prodos_builder& b, const std::string& dir_path) {
  auto it = b.dirs.find(dir_path);
  if (it == b.dirs.end()) fail("no folder '" + dir_path + "'");
  return it->second;
}

// Takes the next free entry of a folder, growing a subdirectory by one
// linked block when its blocks are full, and counts it in the header.
prodos_entry_place take_entry(prodos_builder& b, const std::string& dir_path) {
  prodos_dir_record& dir = folder(b, dir_path);
  const int capacity = entries_per_block * static_cast<int>(dir.blocks.size());
  if (dir.used == capacity) {
    if (dir.fixed_size) fail("volume directory full");
    const std::uint16_t last = dir.blocks.back();
    const std::uint16_t added = prodos_allocate(b);
    put16(block_at(b, last) + 2, added);
    put16(block_at(b, added), last);
    dir.blocks.push_back(added);
    std::uint8_t* parent_entry = entry_at(b, dir.entry);
    put16(parent_entry + 19, static_cast<std::uint32_t>(dir.blocks.size()));
    const std::uint32_t eof = static_cast<std::uint32_t>(dir.blocks.size()) * block_size;
    parent_entry[21] = static_cast<std::uint8_t>(eof);
    parent_entry[22] = static_cast<std::uint8_t>(eof >> 8);
    parent_entry[23] = static_cast<std::uint8_t>(eof >> 16);
  }
  prodos_entry_place place;
  place.dir_block = dir.blocks[static_cast<std::size_t>(dir.used / entries_per_block)];
  place.index = dir.used % entries_per_block;
  ++dir.used;
  std::uint8_t* header = block_at(b, dir.blocks.front()) + 4;
  put16(header + 33, static_cast<std::uint32_t>(header[33] | (header[34] << 8)) + 1);
  return place;
}

// The 512 bytes of file block `i`: the data, then zeros up to the eof.
bool block_is_zero(const bytes& data, std::uint32_t i) {
  const std::size_t start = static_cast<std::size_t>(i) * block_size;
  if (start >= data.size()) return true;
  const std::size_t end = std::min(data.size(), start + block_size);
  return std::all_of(data.begin() + static_cast<std::ptrdiff_t>(start),
                     data.begin() + static_cast<std::ptrdiff_t>(end),
                     [](std::uint8_t v) { return v == 0; });
}

void write_data_block(prodos_builder& b, std::uint16_t block, const bytes& data, std::uint32_t i) {
  const std::size_t start = static_cast<std::size_t>(i) * block_size;
  if (start >= data.size()) return;
  const std::size_t count = std::min<std::size_t>(block_size, data.size() - start);
  std::memcpy(block_at(b, block), data.data() + start, count);
}

void put_index_entry(std::uint8_t* index, int i, std::uint16_t block) {
  index[i] = static_cast<std::uint8_t>(block);
  index[256 + i] = static_cast<std::uint8_t>(block >> 8);
}

// Allocates and fills the data blocks first..first+count-1 of a file
// behind the index block `index_block`; counts every block it allocates.
void write_index(prodos_builder& b, std::uint16_t index_block, const bytes& data,
                 std::uint32_t first, std::uint32_t count, bool sparse, int& used) {
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t n = first + i;
    if (sparse && n != 0 && block_is_zero(data, n)) continue;
    const std::uint16_t block = prodos_allocate(b);
    ++used;
    write_data_block(b, block, data, n);
    put_index_entry(block_at(b, index_block), static_cast<int>(i), block);
  }
}

bool range_is_zero(const bytes& data, std::uint32_t first, std::uint32_t count) {
  for (std::uint32_t i = 0; i < count; ++i)
    if (!block_is_zero(data, first + i)) return false;
  return true;
}

}  // namespace

std::array<std::uint8_t, 4> prodos_stamp_bytes(const prodos_stamp& s) {
  return {static_cast<std::uint8_t>(((s.month & 7) << 5) | (s.day & 31)),
          static_cast<std::uint8_t>(((s.year & 127) << 1) | ((s.month >> 3) & 1)),
          static_cast<std::uint8_t>(s.minute & 63), static_cast<std::uint8_t>(s.hour & 31)};
}

prodos_builder prodos_format(const std::string& volume_name, std::uint16_t total_blocks,
                             prodos_stamp created) {
  if (total_blocks % 8 != 0 || total_blocks < 8 || total_blocks > 4096) fail("bad block count");
  prodos_builder b;
  b.total_blocks = total_blocks;
  b.blocks.assign(static_cast<std::size_t>(total_blocks) * block_size, 0);
  prodos_dir_record root;
  root.fixed_size = true;
  for (std::uint16_t block = volume_dir_first; block <= volume_dir_last; ++block) {
    root.blocks.push_back(block);
    std::uint8_t* at = block_at(b, block);
    put16(at, block == volume_dir_first ? 0 : block - 1);
    put16(at + 2, block == volume_dir_last ? 0 : block + 1);
  }
  b.dirs[""] = root;

  std::uint8_t* header = block_at(b, volume_dir_first) + 4;
  put_name(header, 0xF, volume_name);
  put_stamp(header + 24, created);
  header[30] = 0xC3;
  header[31] = entry_size;
  header[32] = entries_per_block;
  put16(header + 35, bit_map_block);
  put16(header + 37, total_blocks);

  // Bit map: one bit per block, most significant bit first, 1 = free.
  std::uint8_t* map = block_at(b, bit_map_block);
  for (int block = 0; block < total_blocks; ++block)
    if (block > bit_map_block) map[block / 8] |= static_cast<std::uint8_t>(0x80 >> (block % 8));
  return b;
}

std::uint16_t prodos_allocate(prodos_builder& b, int count) {
  if (count < 1 || b.next_free + count > b.total_blocks) fail("disk full");
  const std::uint16_t first = b.next_free;
  std::uint8_t* map = block_at(b, bit_map_block);
  for (int i = 0; i < count; ++i) {
    const int block = first + i;
    map[block / 8] &= static_cast<std::uint8_t>(~(0x80 >> (block % 8)));
  }
  b.next_free = static_cast<std::uint16_t>(first + count);
  return first;
}

prodos_entry_place prodos_add_file(prodos_builder& b, const std::string& path, const bytes& data,
                                   const prodos_file_options& options) {
  const auto [dir_path, name] = split_path(path);
  const std::uint32_t eof = options.has_eof ? options.eof : static_cast<std::uint32_t>(data.size());
  const std::uint32_t length = std::max<std::uint32_t>(eof, static_cast<std::uint32_t>(data.size()));
  if (length > tree_limit) fail("file too long");
  int storage = options.storage_type;
  if (storage == 0) storage = length <= block_size ? 1 : length <= sapling_limit ? 2 : 3;
  if ((storage == 1 && length > block_size) || (storage == 2 && length > sapling_limit))
    fail("file too long for its storage type");
  const std::uint32_t data_blocks = std::max<std::uint32_t>(1, (length + block_size - 1) / block_size);

  prodos_entry_place place = take_entry(b, dir_path);
  int used = 1;
  const std::uint16_t key = prodos_allocate(b);
  if (storage == 1) {
    write_data_block(b, key, data, 0);
  } else if (storage == 2) {
    write_index(b, key, data, 0, data_blocks, options.sparse, used);
  } else {
    const std::uint32_t indexes = (data_blocks + 255) / 256;
    for (std::uint32_t j = 0; j < indexes; ++j) {
      const std::uint32_t first = 256 * j;
      const std::uint32_t count = std::min<std::uint32_t>(256, data_blocks - first);
      if (options.sparse && j != 0 && range_is_zero(data, first, count)) continue;
      const std::uint16_t index_block = prodos_allocate(b);
      ++used;
      put_index_entry(block_at(b, key), static_cast<int>(j), index_block);
      write_index(b, index_block, data, first, count, options.sparse, used);
    }
  }
  place.key_pointer = key;

  std::uint8_t* entry = entry_at(b, place);
  put_name(entry, storage, name);
  entry[16] = options.file_type;
  put16(entry + 17, key);
  put16(entry + 19, static_cast<std::uint32_t>(used));
  entry[21] = static_cast<std::uint8_t>(eof);
  entry[22] = static_cast<std::uint8_t>(eof >> 8);
  entry[23] = static_cast<std::uint8_t>(eof >> 16);
  put_stamp(entry + 24, options.created);
  entry[30] = options.access;
  put16(entry + 31, options.aux_type);
  put_stamp(entry + 33, options.modified);
  put16(entry + 37, folder(b, dir_path).blocks.front());
  return place;
}

prodos_entry_place prodos_add_dir(prodos_builder& b, const std::string& path, prodos_stamp created) {
  const auto [dir_path, name] = split_path(path);
  if (b.dirs.count(path) != 0) fail("folder exists: " + path);
  prodos_entry_place place = take_entry(b, dir_path);
  const std::uint16_t key = prodos_allocate(b);
  place.key_pointer = key;

  std::uint8_t* entry = entry_at(b, place);
  put_name(entry, 0xD, name);
  entry[16] = 0x0F;  // DIR
  put16(entry + 17, key);
  put16(entry + 19, 1);
  entry[22] = 2;  // eof 512
  put_stamp(entry + 24, created);
  entry[30] = 0xE3;
  put_stamp(entry + 33, created);
  put16(entry + 37, folder(b, dir_path).blocks.front());

  std::uint8_t* header = block_at(b, key) + 4;
  put_name(header, 0xE, name);
  header[16] = 0x75;
  put_stamp(header + 24, created);
  header[30] = 0xE3;
  header[31] = entry_size;
  header[32] = entries_per_block;
  put16(header + 35, place.dir_block);
  header[37] = static_cast<std::uint8_t>(place.index + 1);
  header[38] = entry_size;

  prodos_dir_record dir;
  dir.blocks.push_back(key);
  dir.entry = place;
  b.dirs[path] = dir;
  return place;
}

prodos_entry_place prodos_add_raw_entry(prodos_builder& b, const std::string& dir_path,
                                        std::span<const std::uint8_t, 39> raw) {
  prodos_entry_place place = take_entry(b, dir_path);
  std::copy(raw.begin(), raw.end(), entry_at(b, place));
  return place;
}

std::span<std::uint8_t, 512> prodos_block(prodos_builder& b, std::uint16_t block) {
  return std::span<std::uint8_t, 512>(block_at(b, block), block_size);
}

std::size_t prodos_entry_offset(const prodos_entry_place& place) {
  return static_cast<std::size_t>(place.dir_block) * block_size + 4 +
         static_cast<std::size_t>(entry_size * place.index);
}

void set_le16(bytes& image, std::size_t offset, std::uint16_t value) {
  if (offset + 2 > image.size()) fail("poke out of range");
  put16(image.data() + offset, value);
}

bytes reorder_tracks(const bytes& image) {
  if (image.size() % track_bytes != 0) fail("image is not whole tracks");
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
  return sector_order == sector_order_dos ? b.blocks : reorder_tracks(b.blocks);
}
