// The data maps of ProDOS files: every data block of a seedling, sapling
// or tree file mapped as two pointers into the image held in memory (the
// index blocks as prodos_format.h describes them).
#include <algorithm>
#include <cstddef>
#include <cstdio>

#include "disk/prodos.h"

namespace {

// Reads an index or master index block; null slot and -1 after "can't get
// index block" when it is illegal.
template <class Ref>
int read_index_block(const prodos_volume& volume, std::uint16_t block, std::unique_ptr<Ref[]>& slot,
                     std::array<std::uint8_t, prodos_block_bytes>& index) {
  if (prodos_read_block(volume, block, index) < 0) {
    say(volume.sink, "can't get index block $%04X\n", block);
    // Without its index the file cannot be read: drop the array so that a
    // read fails instead of yielding zeros.
    slot.reset();
    return -1;
  }
  return 0;
}

void report(const prodos_volume& volume, const char* what, const prodos_entry& entry) {
  say(volume.sink, "can't get %s $%04X '%.*s'\n", what, entry.key_pointer, static_cast<int>(entry.name_length),
      entry.name.data());
}

// Maps one file entry's data; 1 when it failed (reported), 0 when mapped,
// -1 when memory ran out.
int map_file(const prodos_volume& volume, prodos_entry& entry) {
  prodos_file_map& data = entry.data;
  data.block = entry.key_pointer;
  switch (entry.storage_type) {
    case prodos_seedling: {
      prodos_block_ref ref{data.block, nullptr, nullptr};
      const int result = prodos_map_block(volume, ref);
      data.first_half = ref.first_half;
      data.second_half = ref.second_half;
      if (result >= 0) return 0;
      report(volume, "data pointer", entry);
      return 1;
    }
    case prodos_sapling: {
      const int result = prodos_map_index(volume, data.block, data.index);
      if (result == -2) return -1;
      if (result >= 0) return 0;
      report(volume, "index block", entry);
      return 1;
    }
    case prodos_tree: {
      const int result = prodos_map_master_index(volume, data.block, data.master);
      if (result == -2) return -1;
      if (result >= 0) return 0;
      report(volume, "master index block", entry);
      return 1;
    }
    default:
      return 0;
  }
}

// A cleared array of `count` maps, charged to the volume's map budget;
// null after "memory exhaust!" when memory (or the budget) is exhausted.
template <class T>
std::unique_ptr<T[]> allocate_maps(const prodos_volume& volume, std::size_t count) {
  const std::size_t size = count * sizeof(T);
  std::unique_ptr<T[]> maps;
  if (size <= prodos_map_limit - std::min(volume.map_bytes, prodos_map_limit))
    maps = allocate_zeroed<T>(count);
  if (maps == nullptr) {
    say(volume.sink, "memory exhaust!\n");
    return nullptr;
  }
  volume.map_bytes += size;
  return maps;
}

}  // namespace

int prodos_map_index(const prodos_volume& volume, std::uint16_t block,
                     std::unique_ptr<prodos_block_ref[]>& slot) {
  slot.reset();
  if (block == 0) return 0;
  slot = allocate_maps<prodos_block_ref>(volume, prodos_index_entries);
  if (slot == nullptr) return -2;
  std::array<std::uint8_t, prodos_block_bytes> index{};
  if (read_index_block(volume, block, slot, index) < 0) return -1;
  int count = 0;
  for (int i = 0; i < prodos_index_entries; ++i) {
    prodos_block_ref& ref = slot[static_cast<std::size_t>(i)];
    ref.block = prodos_index_entry(index, i);
    if (ref.block == 0) continue;
    if (prodos_map_block(volume, ref) < 0) return -1;
    ++count;
  }
  return count;
}

int prodos_map_master_index(const prodos_volume& volume, std::uint16_t block,
                            std::unique_ptr<prodos_index_ref[]>& slot) {
  slot.reset();
  if (block == 0) return 0;
  slot = allocate_maps<prodos_index_ref>(volume, prodos_master_entries);
  if (slot == nullptr) return -2;
  std::array<std::uint8_t, prodos_block_bytes> master{};
  if (read_index_block(volume, block, slot, master) < 0) return -1;
  int count = 0;
  for (int i = 0; i < prodos_master_entries; ++i) {
    prodos_index_ref& ref = slot[static_cast<std::size_t>(i)];
    ref.block = prodos_index_entry(master, i);
    if (ref.block == 0) continue;
    const int result = prodos_map_index(volume, ref.block, ref.refs);
    if (result < 0) return result;
    ++count;
  }
  return count;
}

int prodos_map_files(const prodos_volume& volume, prodos_dir_block* list) {
  int failed = 0;
  for (prodos_dir_block* node = list; node != nullptr; node = node->next) {
    for (int i = 0; i < node->entry_count; ++i) {
      if (node == list && i == 0) continue;  // the header entry
      prodos_entry& entry = node->entries[static_cast<std::size_t>(i)];
      if (entry.storage_type == prodos_subdirectory) {
        const int result = prodos_map_files(volume, entry.subdirectory.get());
        if (result < 0) return -1;
        failed += result;
        continue;
      }
      const int result = map_file(volume, entry);
      if (result < 0) return -1;
      failed += result;
    }
  }
  return failed;
}
