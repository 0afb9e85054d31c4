#include "prodos_tool/prodos_tool.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/buffer.h"
#include "common/file_handle.h"
#include "disk/sector_order.h"

namespace {

void print_usage() {
  std::puts("usage: prodos [--do|--po] list IMAGE");
  std::puts("       prodos [--do|--po] extract IMAGE PATH [OUT]");
  std::puts("  --do    DOS 3.3 order");
  std::puts("  --po    ProDOS order (default)");
}

// Prints the entries of a directory list to `data`, each subdirectory
// followed by its own entries; the header entry and free entries are left
// out.
void list_dir(std::FILE* data, const prodos_dir_block* list, const std::string& prefix) {
  for (const prodos_dir_block* node = list; node != nullptr; node = node->next)
    for (int i = 0; i < node->entry_count; ++i) {
      if (node == list && i == 0) continue;
      const prodos_entry& e = node->entries[static_cast<std::size_t>(i)];
      if (e.storage_type == 0) continue;
      const std::string path = prefix + std::string(e.name.data(), e.name_length);
      std::fprintf(data, "%s\t%X\t%02X\t%u\t%u\t%s\t%s\n", path.c_str(), static_cast<unsigned>(e.storage_type),
                  static_cast<unsigned>(e.file_type), static_cast<unsigned>(e.eof),
                  static_cast<unsigned>(e.blocks_used), prodos_format_date_time(e.creation).c_str(),
                  prodos_format_date_time(e.last_mod).c_str());
      if (e.storage_type == prodos_subdirectory) list_dir(data, e.subdirectory.get(), path + "/");
    }
}

// Whether everything written to the data stream has reached its file (no
// stream at all, when standard output was closed, fails).
bool data_flushed(std::FILE* data) {
  if (data != nullptr && std::fflush(data) == 0 && std::ferror(data) == 0) return true;
  std::puts("error: write standard output");
  return false;
}

int extract(const prodos_volume& volume, const char* path, const char* out_path, std::FILE* data) {
  const prodos_entry* entry = prodos_find(volume, path);
  if (entry == nullptr) {
    std::printf("can't find file '%s'\n", path);
    return 1;
  }
  const std::uint32_t size = entry->eof;
  byte_buffer contents = allocate_zeroed<std::uint8_t>(size > 0 ? size : 1);
  if (contents == nullptr) {
    std::puts("memory exhaust!");
    return 1;
  }
  if (prodos_read_file(volume, path, contents.get(), size) < 0) return 1;
  if (out_path == nullptr) {
    if (data != nullptr) std::fwrite(contents.get(), 1, size, data);
    return data_flushed(data) ? 0 : 1;
  }
  unique_file out = open_file(out_path, "wb");
  if (!out || std::fwrite(contents.get(), 1, size, out.get()) != size || close_written(out) < 0) {
    std::printf("error: write '%s'\n", out_path);
    return 1;
  }
  return 0;
}

}  // namespace


int prodos_tool_main(int argc, char** argv, std::FILE* data) {
  std::int32_t sector_order = sector_order_prodos;
  std::vector<const char*> words;  // command, IMAGE, PATH, OUT
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (words.size() < 2 && std::strcmp(arg, "--do") == 0) {
      sector_order = sector_order_dos;
    } else if (words.size() < 2 && std::strcmp(arg, "--po") == 0) {
      sector_order = sector_order_prodos;
    } else if (words.size() < 2 && arg[0] == '-') {
      print_usage();
      return 1;
    } else {
      words.push_back(arg);
    }
  }
  const bool list = words.size() == 2 && std::strcmp(words[0], "list") == 0;
  const bool extracting =
      (words.size() == 3 || words.size() == 4) && std::strcmp(words[0], "extract") == 0;
  if (!list && !extracting) {
    print_usage();
    return 1;
  }

  prodos_volume volume;
  if (prodos_open(volume, words[1], sector_order) < 0) return 1;
  if (list) {
    if (data != nullptr) list_dir(data, volume.root.get(), "");
    return data_flushed(data) ? 0 : 1;
  }
  return extract(volume, words[2], words.size() == 4 ? words[3] : nullptr, data);
}
