// The ProDOS reader on arbitrary images: open in both sector orders, walk
// the tree, look up and read every file, and try a few made-up paths.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "disk/prodos.h"
#include "fuzz_support.h"

namespace {

void read_tree(const prodos_volume& volume, const prodos_dir_block* list, const std::string& prefix,
               int depth) {
  if (depth > 80) __builtin_trap();  // nesting must be bounded by the reader
  int nodes = 0;
  for (const prodos_dir_block* node = list; node != nullptr; node = node->next) {
    if (++nodes > 70000) __builtin_trap();  // directory walks must end
    for (int i = 0; i < node->entry_count; ++i) {
      const prodos_entry& e = node->entries[static_cast<std::size_t>(i)];
      if (e.storage_type == 0 || e.storage_type >= 14) continue;
      const std::string path = prefix + std::string(e.name.data(), e.name_length & 15);
      if (e.storage_type == prodos_subdirectory) {
        read_tree(volume, e.subdirectory.get(), path + "/", depth + 1);
      } else if (prodos_find(volume, path.c_str()) != nullptr) {
        std::vector<std::uint8_t> buffer(e.eof < (1u << 20) ? e.eof : (1u << 20));
        prodos_read_file(volume, path.c_str(), buffer.data(), static_cast<std::uint32_t>(buffer.size()));
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  silence_stdout();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* path = write_scratch(data, size, "prodos");
  if (path == nullptr) return 0;
  for (std::int32_t order : {1, 2}) {
    prodos_volume volume;
    if (prodos_open(volume, path, order) == 0) {
      read_tree(volume, volume.root.get(), "", 0);
      for (const char* made_up : {"SHAPES", "/", "//", "A/B/C", "/X/SHAPES", "SHAPES/X", ""}) {
        std::uint8_t buffer[16384];
        prodos_read_file(volume, made_up, buffer, sizeof buffer);
      }
    }
    prodos_close(volume);
  }
  return 0;
}
