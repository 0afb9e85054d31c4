// The ProDOS reader on arbitrary images held in memory: open in both
// sector orders, walk the tree, look up and read every file, and try a few
// made-up paths.  Mutation is structure-aware (prodos_mutator.h) part of
// the time, libFuzzer's own byte mutation the rest.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "disk/prodos.h"
#include "disk/sector_order.h"
#include "fuzz_support.h"
#include "prodos_mutator.h"

namespace {

// Files are read at most this far: past a sapling's 128 KiB, so that a
// sapling too long for its storage type fails, and into a tree's second
// index block.  Reading every file to its eof (up to 16 MiB of mostly zero
// blocks) would cost far more than it shows.
constexpr std::uint32_t read_limit = 131072 + 1024;

std::uint8_t* read_buffer() {
  static const std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[read_limit]);
  return buffer.get();
}

void read_tree(const prodos_volume& volume, const prodos_dir_block* list, const std::string& prefix,
               int depth) {
  if (depth > prodos_max_dir_depth + 1) __builtin_trap();  // nesting must be bounded by the reader
  int nodes = 0;
  for (const prodos_dir_block* node = list; node != nullptr; node = node->next) {
    if (++nodes > 70000) __builtin_trap();  // directory walks must end
    for (int i = 0; i < node->entry_count; ++i) {
      const prodos_entry& e = node->entries[static_cast<std::size_t>(i)];
      if (e.storage_type == 0 || e.storage_type >= 14) continue;
      // What the listing shows of an entry.
      prodos_format_date_time(e.creation);
      prodos_format_date_time(e.last_mod);
      const std::string path = prefix + std::string(e.name.data(), e.name_length & 15);
      if (e.storage_type == prodos_subdirectory) {
        prodos_read_file(volume, path.c_str(), read_buffer(), 1);  // not a file
        read_tree(volume, e.subdirectory.get(), path + "/", depth + 1);
      } else if (prodos_find(volume, path.c_str()) != nullptr) {
        const std::uint32_t size = e.eof < read_limit ? e.eof : read_limit;
        prodos_read_file(volume, path.c_str(), read_buffer(), size);
      }
    }
  }
}

// The sector order to read the image in: the one whose block 2 begins with
// a volume directory header (storage type 15), both when neither or both
// do.  Read in the other order, a volume's directory is the bytes of some
// other block: every path of the reader is met as well by mutated images.
int orders_of(std::span<const std::uint8_t> image) {
  const auto header_at = [&](const std::array<int, 16>& table) {
    const std::size_t at = std::size_t{256} * static_cast<std::size_t>(table[4]) + 4;
    return at < image.size() && image[at] >> 4 == 0xF;
  };
  const bool dos = header_at(identity_translation), translated = header_at(sector_translation);
  return dos == translated ? 3 : dos ? 1 : 2;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quiet_sink();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> image(data, size);
  const int orders = orders_of(image);
  for (std::int32_t order : {1, 2}) {
    if ((orders & order) == 0) continue;
    prodos_volume volume;
    if (prodos_open(volume, image, "fuzz", order, quiet_sink()) == 0) {
      read_tree(volume, volume.root.get(), "", 0);
      const prodos_entry& header = volume.root->entries[0];
      const std::string name = "/" + std::string(header.name.data(), header.name_length & 15);
      for (const std::string& made_up :
           {std::string("SHAPES"), std::string("/"), std::string("//"), std::string("A/B/C"),
            std::string("/X/SHAPES"), std::string("SHAPES/X"), std::string(), name, name + "/SHAPES"})
        prodos_read_file(volume, made_up.c_str(), read_buffer(), 16384);
    }
    prodos_close(volume);
  }
  return 0;
}

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t max_size, unsigned int seed) {
  return mutate_prodos_image(data, size, max_size, seed);
}
