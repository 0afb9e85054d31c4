#include "prodos_tool/prodos_tool.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/buffer.h"
#include "common/file_handle.h"
#include "disk/sector_order.h"

namespace {

constexpr const char* usage_text =
    "usage: prodos [--do|--po] list IMAGE\n"
    "       prodos [--do|--po] [-f|--force] extract IMAGE PATH [OUT]\n"
    "       prodos --help | --version\n"
    "  --do          take each sector where the image file stores it (DOS 3.3 order)\n"
    "  --po          take sectors through the DOS 3.3 table (ProDOS order, the default)\n"
    "  -f, --force   let extract replace an existing OUT\n"
    "  --help        print this help and exit\n"
    "  --version     print the program's name and version and exit\n"
    "Options may stand anywhere on the line; \"--\" ends them.\n";

// Exit statuses.
constexpr int status_ok = 0;
constexpr int status_failed = 1;
constexpr int status_usage = 2;

// What the command line asks for.
struct request {
  std::int32_t sector_order = sector_order_prodos;
  bool force = false;
  std::vector<const char*> words;  // command, IMAGE, PATH, OUT
};

// Whether everything written to the data stream has reached its file (no
// stream at all, when standard output was closed, fails).
bool data_flushed(std::FILE* data, const message_sink& sink) {
  if (data != nullptr && std::fflush(data) == 0 && std::ferror(data) == 0) return true;
  say(sink, "error: write standard output\n");
  return false;
}

// Writes `text` as the whole of the data: the help and version texts.
int print_data(std::FILE* data, const char* text, const message_sink& sink) {
  if (data != nullptr) std::fputs(text, data);
  return data_flushed(data, sink) ? status_ok : status_failed;
}

// A usage error: its reason, then the usage text, with the diagnostics.
int usage_error(const std::string& reason, const message_sink& sink) {
  say(sink, "error: %s\n%s", reason.c_str(), usage_text);
  return status_usage;
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
      std::fprintf(data, "%s\t%X\t%02X\t%u\t%u\t%s\t%s\n", path.c_str(),
                   static_cast<unsigned>(e.storage_type), static_cast<unsigned>(e.file_type),
                   static_cast<unsigned>(e.eof), static_cast<unsigned>(e.blocks_used),
                   prodos_format_date_time(e.creation).c_str(),
                   prodos_format_date_time(e.last_mod).c_str());
      if (e.storage_type == prodos_subdirectory) list_dir(data, e.subdirectory.get(), path + "/");
    }
}

// The volume, "/NAME", then every entry.
int list(const prodos_volume& volume, std::FILE* data, const message_sink& sink) {
  if (data != nullptr) {
    const prodos_entry& header = volume.root->entries[0];
    std::fprintf(data, "/%.*s\n", static_cast<int>(header.name_length), header.name.data());
    list_dir(data, volume.root.get(), "");
  }
  return data_flushed(data, sink) ? status_ok : status_failed;
}

// Writes the file's bytes to `out_path`, which must not exist unless
// `force` is set.  A file this run created and could not write whole is
// removed again.
int write_out(const char* out_path, std::span<const std::uint8_t> contents, bool force,
              const message_sink& sink) {
  unique_file out = open_file(out_path, force ? "wb" : "wbx");
  if (!out) {
    if (!force && errno == EEXIST)
      say(sink, "error: '%s' already exists; not replaced (-f replaces it)\n", out_path);
    else
      say(sink, "error: write '%s'\n", out_path);
    return status_failed;
  }
  const bool written =
      contents.empty() || std::fwrite(contents.data(), 1, contents.size(), out.get()) == contents.size();
  if (close_written(out) < 0 || !written) {
    say(sink, "error: write '%s'\n", out_path);
    if (!force) std::remove(out_path);
    return status_failed;
  }
  return status_ok;
}

int extract(const prodos_volume& volume, const char* path, const char* out_path, bool force,
            std::FILE* data, const message_sink& sink) {
  const prodos_entry* entry = prodos_find(volume, path);
  if (entry == nullptr) {
    say(sink, "can't find file '%s'\n", path);
    return status_failed;
  }
  const std::uint32_t size = entry->eof;
  byte_buffer contents = allocate_zeroed<std::uint8_t>(size > 0 ? size : 1);
  if (contents == nullptr) {
    say(sink, "memory exhaust!\n");
    return status_failed;
  }
  if (prodos_read_file(volume, path, contents.get(), size) < 0) return status_failed;
  if (out_path != nullptr) return write_out(out_path, {contents.get(), size}, force, sink);
  if (data != nullptr) std::fwrite(contents.get(), 1, size, data);
  return data_flushed(data, sink) ? status_ok : status_failed;
}

// Whether block 2 of the image begins with a volume directory header:
// storage type 15 and a name of 1 to 15 characters.  An image too short to
// hold it is left to the reader, which reports it.
bool has_volume_header(std::span<const std::uint8_t> image, std::int32_t sector_order) {
  // Block 2 is logical positions 4 and 5 of track 0; its first entry
  // starts 4 bytes in.
  const std::size_t at =
      std::size_t{sector_bytes} * static_cast<std::size_t>(translation_for(sector_order)[4]) + 4;
  return at >= image.size() || (image[at] >> 4 == 0xF && (image[at] & 15) != 0);
}

int run(const request& r, std::FILE* data, const message_sink& sink) {
  const char* image_path = r.words[1];
  byte_buffer image;
  std::size_t size = 0;
  if (prodos_read_image_file(image_path, image, size, sink) < 0) return status_failed;
  const std::span<const std::uint8_t> bytes_read(image.get(), size);
  if (!has_volume_header(bytes_read, r.sector_order)) {
    say(sink, "error: no ProDOS volume directory in '%s'\n", image_path);
    return status_failed;
  }
  prodos_volume volume;
  if (prodos_open(volume, bytes_read, image_path, r.sector_order, sink) < 0) return status_failed;
  if (std::strcmp(r.words[0], "list") == 0) return list(volume, data, sink);
  return extract(volume, r.words[2], r.words.size() == 4 ? r.words[3] : nullptr, r.force, data, sink);
}

}  // namespace

int prodos_tool_main(int argc, char** argv, std::FILE* data, const message_sink& sink) {
  request r;
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (options_end || arg.size() < 2 || arg[0] != '-') {
      r.words.push_back(argv[i]);
    } else if (arg == "--") {
      options_end = true;
    } else if (arg == "--do") {
      r.sector_order = sector_order_dos;
    } else if (arg == "--po") {
      r.sector_order = sector_order_prodos;
    } else if (arg == "-f" || arg == "--force") {
      r.force = true;
    } else if (arg == "--help") {
      return print_data(data, usage_text, sink);
    } else if (arg == "--version") {
      return print_data(data, "prodos " QZ_VERSION "\n", sink);
    } else {
      return usage_error("unknown option '" + std::string(arg) + "'", sink);
    }
  }
  if (r.words.empty()) return usage_error("no command given", sink);
  const std::string_view command = r.words[0];
  if (command == "list") {
    if (r.words.size() != 2) return usage_error("list takes one IMAGE", sink);
  } else if (command == "extract") {
    if (r.words.size() != 3 && r.words.size() != 4) return usage_error("extract takes IMAGE PATH [OUT]", sink);
  } else {
    return usage_error("unknown command '" + std::string(command) + "'", sink);
  }
  return run(r, data, sink);
}
