#include "prodos_tool/prodos_tool.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/buffer.h"
#include "common/byte_order.h"
#include "common/file_handle.h"
#include "disk/disk_order.h"
#include "disk/sector_order.h"
#include "disk/sector_skew.h"

namespace {

constexpr const char* usage_text =
    "usage: prodos [--do|--po] list IMAGE\n"
    "       prodos [--do|--po] [-f|--force] extract IMAGE PATH [OUT]\n"
    "       prodos [--do|--po] info IMAGE\n"
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
  bool order_given = false;  // --do or --po
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

// The first half of block 2 of the opened image, read in its order, when
// it can be read (a note names a sector that cannot, unless `sink` is
// silent); null otherwise.  The volume directory header lies in it.
const std::uint8_t* volume_block_start(const disk_image& image, const message_sink& sink) {
  const std::int64_t at =
      std::int64_t{sector_bytes} * translation_for(image.sector_order)[2 * prodos_volume_key_block];
  return disk_image_at(image, at, sector_bytes, sink);
}

// Whether `start` (the first half of block 2) begins with a volume
// directory header.
bool is_volume_header(const std::uint8_t* start) {
  std::array<std::uint8_t, prodos_block_bytes> block{};
  std::copy_n(start, sector_bytes, block.begin());
  return prodos_is_volume_header(block);
}

// What keeps physical sector `physical` of track `track` from being read:
// the track's reading for NIB and WOZ; for raw and 2IMG images, whether
// the file holds the slot the sector is kept in ("not found" past the end
// of a short image).
sector_fault fault_of(const disk_image& image, int track, int physical) {
  if (image.physical) return disk_image_sector_fault(image, track, physical);
  const int slot = file_slot_of_physical(file_order_read_by(image.sector_order), physical);
  const std::size_t end = std::size_t{track_bytes} * static_cast<std::size_t>(track) +
                          std::size_t{sector_bytes} * static_cast<std::size_t>(slot + 1);
  return end <= image.data.size() ? sector_fault::none : sector_fault::not_found;
}

// "container:", "order:", "volume:" and an "unreadable:" line for every
// sector of the 35 tracks that cannot be read, in track then sector
// order.  Status 0 when every sector can be read.
int info(const disk_image& image, order_choice choice, std::FILE* data, const message_sink& sink) {
  const disk_reading disk = describe_disk(image, choice);
  bool all_readable = true;
  if (data != nullptr) {
    std::fprintf(data, "container: %s\norder: %s\n", container_text(disk).c_str(), order_text(disk).c_str());
    // The sectors are listed below; no note names them here.
    const std::uint8_t* start = volume_block_start(image, message_sink{});
    if (start != nullptr && is_volume_header(start)) {
      byte_cursor blocks{std::span<const std::uint8_t>(start + prodos_dir_first_entry, prodos_entry_bytes),
                         prodos_field::total_blocks};
      std::fprintf(data, "volume: /%.*s, %u blocks\n", start[prodos_dir_first_entry] & 15,
                   reinterpret_cast<const char*>(start + prodos_dir_first_entry + prodos_field::name),
                   static_cast<unsigned>(get_le16(blocks)));
    } else {
      std::fputs("volume: none\n", data);
    }
  }
  for (int t = 0; t < disk_tracks; ++t)
    for (int p = 0; p < sectors_per_track; ++p) {
      const sector_fault fault = fault_of(image, t, p);
      if (fault == sector_fault::none) continue;
      all_readable = false;
      if (data != nullptr) std::fprintf(data, "unreadable: track %d, sector %d (%s)\n", t, p, sector_fault_reason(fault));
    }
  if (!data_flushed(data, sink)) return status_failed;
  return all_readable ? status_ok : status_failed;
}

int run(const request& r, std::FILE* data, const message_sink& sink) {
  const char* image_path = r.words[1];
  byte_buffer file;
  std::size_t size = 0;
  if (prodos_read_image_file(image_path, file, size, sink) < 0) return status_failed;
  disk_image image;
  if (disk_image_open(image, std::move(file), size, image_path, r.sector_order, sink) < 0) {
    say(sink, "memory exhaust!\n");
    return status_failed;
  }
  // A raw image without --do or --po is read in the order its volume
  // header shows, order 2 when it shows none.
  order_request order;
  order.given = r.order_given;
  order.order = r.sector_order;
  order.fallback = sector_order_prodos;
  const order_choice choice = settle_sector_order(image, order, sink);
  const std::string_view command = r.words[0];
  if (command == "info") return image.supported ? info(image, choice, data, sink) : status_failed;
  // A block 2 that cannot be read (or an image too short to hold it) is
  // left to the reader, which reports it.
  const std::uint8_t* start = volume_block_start(image, sink);
  if (start != nullptr && !is_volume_header(start)) {
    say(sink, "error: no ProDOS volume directory in '%s'\n", image_path);
    return status_failed;
  }
  prodos_volume volume;
  if (prodos_open_own(volume, std::move(image), sink) < 0) return status_failed;
  if (command == "list") return list(volume, data, sink);
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
    } else if (arg == "--do" || arg == "--po") {
      r.order_given = true;
      r.sector_order = arg == "--do" ? sector_order_dos : sector_order_prodos;
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
  } else if (command == "info") {
    if (r.words.size() != 2) return usage_error("info takes one IMAGE", sink);
  } else {
    return usage_error("unknown command '" + std::string(command) + "'", sink);
  }
  return run(r, data, sink);
}
