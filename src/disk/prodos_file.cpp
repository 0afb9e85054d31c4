// ProDOS path lookup and file reads on an opened volume.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "disk/prodos.h"
#include "disk/sector_order.h"

namespace {

bool is_plain_file(std::uint8_t storage_type) {
  return storage_type == prodos_seedling || storage_type == prodos_sapling ||
         storage_type == prodos_tree;
}

bool name_matches(const prodos_entry& entry, std::string_view name) {
  return entry.name_length == name.size() &&
         std::memcmp(entry.name.data(), name.data(), name.size()) == 0;
}

// The next name of a path from `pos` on: runs of "/" separate names, and
// leading or trailing "/" add none.  Empty when no name is left.
std::string_view next_name(std::string_view path, std::size_t& pos) {
  while (pos < path.size() && path[pos] == '/') ++pos;
  const std::size_t start = pos;
  while (pos < path.size() && path[pos] != '/') ++pos;
  return path.substr(start, pos - start);
}

// Fills `count` bytes with zeros and advances.
void write_zeros(std::uint8_t*& destination, std::int32_t& count, std::int32_t most) {
  const std::int32_t n = std::min(count, most);
  std::memset(destination, 0, static_cast<std::size_t>(n));
  destination += n;
  count -= n;
}

int hand_back(std::uint8_t* destination, std::int32_t count, std::uint8_t** out_destination,
              std::int32_t* out_count) {
  if (out_destination != nullptr) *out_destination = destination;
  if (out_count != nullptr) *out_count = std::max(count, 0);
  return count <= 0 ? 1 : 0;
}

}  // namespace

const prodos_entry* prodos_find_in_dir(const prodos_dir_block* list, std::string_view name) {
  for (const prodos_dir_block* node = list; node != nullptr; node = node->next)
    for (int i = 0; i < node->entry_count; ++i) {
      if (node == list && i == 0) continue;  // the header entry
      const prodos_entry& entry = node->entries[static_cast<std::size_t>(i)];
      if ((is_plain_file(entry.storage_type) || entry.storage_type == prodos_subdirectory) &&
          name_matches(entry, name))
        return &entry;
    }
  return nullptr;
}

const prodos_entry* prodos_find(const prodos_volume& volume, const char* path) {
  const char* shown = path != nullptr ? path : "";
  const std::string_view text(shown);
  std::size_t pos = 0;
  std::string_view name = next_name(text, pos);
  if (name.empty()) {
    say(volume.sink, "file name error '%s'\n", shown);
    return nullptr;
  }
  if (text.front() == '/') {
    const prodos_dir_block* root = volume.root.get();
    if (root == nullptr || !name_matches(root->entries[0], name)) {
      say(volume.sink, "can't find volume name '%.*s'\n", static_cast<int>(name.size()), name.data());
      return nullptr;
    }
    name = next_name(text, pos);
    if (name.empty()) {
      say(volume.sink, "file name error '%s'\n", shown);
      return nullptr;
    }
  }
  const prodos_dir_block* dir = volume.root.get();
  const prodos_entry* entry = nullptr;
  for (;;) {
    entry = prodos_find_in_dir(dir, name);
    if (entry == nullptr) return nullptr;
    name = next_name(text, pos);
    if (name.empty()) break;
    if (entry->storage_type != prodos_subdirectory || !entry->subdirectory) return nullptr;
    dir = entry->subdirectory.get();
  }
  if (!is_plain_file(entry->storage_type)) {
    say(volume.sink, "strage type mismatch '%s' $%X\n", shown, static_cast<unsigned>(entry->storage_type));
    return nullptr;
  }
  return entry;
}

int prodos_copy_block(const prodos_block_ref& map, std::uint8_t* destination, std::int32_t count,
                      std::uint8_t** out_destination, std::int32_t* out_count) {
  if (count <= 0) return 0;
  if (map.block == 0) {
    write_zeros(destination, count, prodos_block_bytes);
  } else {
    if (map.first_half == nullptr || map.second_half == nullptr) return -1;
    for (const std::uint8_t* half : {map.first_half, map.second_half}) {
      if (count <= 0) break;
      const std::int32_t n = std::min(count, std::int32_t{sector_bytes});
      std::memcpy(destination, half, static_cast<std::size_t>(n));
      destination += n;
      count -= sector_bytes;
    }
  }
  return hand_back(destination, count, out_destination, out_count);
}

int prodos_copy_index(std::uint16_t block, const prodos_block_ref* refs, std::uint8_t* destination,
                      std::int32_t count, std::uint8_t** out_destination, std::int32_t* out_count) {
  if (count <= 0) return 0;
  if (block == 0) {
    write_zeros(destination, count, prodos_sapling_limit);
  } else {
    if (refs == nullptr) return -1;
    for (int i = 0; i < prodos_index_entries && count > 0; ++i)
      if (prodos_copy_block(refs[i], destination, count, &destination, &count) < 0) return -1;
  }
  return hand_back(destination, count, out_destination, out_count);
}

int prodos_copy_master_index(std::uint16_t block, const prodos_index_ref* refs,
                             std::uint8_t* destination, std::int32_t count,
                             std::uint8_t** out_destination, std::int32_t* out_count) {
  if (count <= 0) return 0;
  if (block == 0) {
    write_zeros(destination, count, count);
  } else {
    if (refs == nullptr) return -1;
    for (int i = 0; i < prodos_master_entries && count > 0; ++i)
      if (prodos_copy_index(refs[i].block, refs[i].refs.get(), destination, count, &destination,
                            &count) < 0)
        return -1;
  }
  return hand_back(destination, count, out_destination, out_count);
}

int prodos_read_file(const prodos_volume& volume, const char* path, std::uint8_t* destination,
                     std::uint32_t size) {
  const prodos_entry* entry = prodos_find(volume, path);
  if (entry == nullptr) {
    say(volume.sink, "can't find file '%s'\n", path != nullptr ? path : "");
    return -1;
  }
  if (entry->eof != size) {
    say(volume.sink, "file size mismatch '%s' size=$%X != $%X\n", path, static_cast<unsigned>(entry->eof),
                static_cast<unsigned>(size));
    if (entry->eof < size) size = entry->eof;
  }
  // The eof has 24 bits, so the size now fits a signed count.
  const std::int32_t wanted = static_cast<std::int32_t>(std::min<std::uint32_t>(size, 0xFFFFFF));
  std::int32_t left = wanted;
  const prodos_file_map& data = entry->data;
  int result = 0;
  const char* kind = "seeding";
  switch (entry->storage_type) {
    case prodos_seedling:
      result = prodos_copy_block(prodos_block_ref{data.block, data.first_half, data.second_half},
                                 destination, wanted, nullptr, &left);
      break;
    case prodos_sapling:
      kind = "sapling";
      result = prodos_copy_index(data.block, data.index.get(), destination, wanted, nullptr, &left);
      break;
    default:
      kind = "tree";
      result = prodos_copy_master_index(data.block, data.master.get(), destination, wanted, nullptr,
                                        &left);
      break;
  }
  if (result < 0 || left > 0) {
    say(volume.sink, "can't get file data '%s' (%s file)\n", path, kind);
    return -1;
  }
  return 0;
}
