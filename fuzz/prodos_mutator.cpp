#include "prodos_mutator.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "disk/prodos_format.h"
#include "disk/sector_order.h"

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t max_size);

namespace {

constexpr std::size_t most_found = 4096;  // of each kind of block or entry

// The image seen as 512-byte blocks in one sector order.  Every access is
// checked against the image's size: bytes outside it read as 0 and are
// never written.
struct block_view {
  std::uint8_t* data;
  std::size_t size;
  const std::array<int, 16>* table;

  // The offset in the image of byte `at` (0..511) of block `block`, or -1.
  std::int64_t offset(std::uint16_t block, int at) const {
    const std::int64_t sector = 16 * std::int64_t{block / 8} + (*table)[static_cast<std::size_t>(2 * (block % 8) + at / 256)];
    const std::int64_t o = 256 * sector + at % 256;
    return o < static_cast<std::int64_t>(size) ? o : -1;
  }
  std::uint8_t get(std::uint16_t block, int at) const {
    const std::int64_t o = offset(block, at);
    return o < 0 ? 0 : data[o];
  }
  std::uint16_t get16(std::uint16_t block, int at) const {
    return static_cast<std::uint16_t>(get(block, at) | get(block, at + 1) << 8);
  }
  void set(std::uint16_t block, int at, std::uint8_t value) const {
    const std::int64_t o = offset(block, at);
    if (o >= 0) data[o] = value;
  }
  void set16(std::uint16_t block, int at, std::uint16_t value) const {
    set(block, at, static_cast<std::uint8_t>(value));
    set(block, at + 1, static_cast<std::uint8_t>(value >> 8));
  }
  // Entry `i` of an index block: low byte at i, high byte 256 further.
  std::uint16_t index_entry(std::uint16_t block, int i) const {
    return static_cast<std::uint16_t>(get(block, i) | get(block, prodos_index_entries + i) << 8);
  }
  void set_index_entry(std::uint16_t block, int i, std::uint16_t value) const {
    set(block, i, static_cast<std::uint8_t>(value));
    set(block, prodos_index_entries + i, static_cast<std::uint8_t>(value >> 8));
  }
};

struct entry_place {
  std::uint16_t block;
  int at;  // byte offset of the entry in its block
  bool header;
};

// What a walk of the image as a volume finds.
struct volume_survey {
  std::vector<std::uint16_t> dir_blocks;
  std::vector<entry_place> entries;
  std::vector<std::uint16_t> index_blocks;   // of saplings
  std::vector<std::uint16_t> master_blocks;  // of trees
  std::vector<std::uint16_t> key_pointers;
};

void keep(std::vector<std::uint16_t>& found, std::uint16_t block) {
  if (block != 0 && found.size() < most_found) found.push_back(block);
}

// Walks the directories from block 2 down, each directory block once.
volume_survey survey(const block_view& view) {
  volume_survey s;
  auto visited = std::make_unique<std::bitset<65536>>();
  std::vector<std::uint16_t> keys{prodos_volume_key_block};
  while (!keys.empty() && s.dir_blocks.size() < most_found) {
    std::uint16_t block = keys.back();
    keys.pop_back();
    for (bool first = true; block != 0 && !(*visited)[block] && view.offset(block, 0) >= 0 &&
                            s.dir_blocks.size() < most_found;
         first = false, block = view.get16(block, prodos_dir_next_block)) {
      (*visited)[block] = true;
      s.dir_blocks.push_back(block);
      for (int i = 0; i < prodos_entries_per_block; ++i) {
        const int at = prodos_dir_first_entry + prodos_entry_bytes * i;
        const bool header = first && i == 0;
        if (s.entries.size() < most_found) s.entries.push_back({block, at, header});
        if (header) continue;
        const int type = view.get(block, at) >> 4;
        const std::uint16_t key = view.get16(block, at + prodos_field::key_pointer);
        keep(s.key_pointers, key);
        if (type == prodos_subdirectory && keys.size() < most_found) keys.push_back(key);
        if (type == prodos_sapling) keep(s.index_blocks, key);
        if (type == prodos_tree) keep(s.master_blocks, key);
      }
    }
  }
  return s;
}

class mutator {
 public:
  mutator(std::uint8_t* data, std::size_t size, std::size_t max_size, unsigned int seed)
      : data_(data), size_(size), max_size_(max_size), random_(seed) {}

  std::size_t run() {
    if (pick(3) == 0) return LLVMFuzzerMutate(data_, size_, max_size_);
    const int edits = 1 + pick(3);
    for (int i = 0; i < edits; ++i) edit();
    return size_;
  }

 private:
  unsigned pick(unsigned n) { return n == 0 ? 0 : static_cast<unsigned>(random_() % n); }

  template <class T>
  T pick_from(const std::vector<T>& items, T otherwise) {
    return items.empty() ? otherwise : items[pick(static_cast<unsigned>(items.size()))];
  }

  // The order whose block 2 starts with a volume directory header; a
  // random one when neither or both do.
  const std::array<int, 16>& order() {
    const block_view by_dos{data_, size_, &identity_translation};
    const block_view by_table{data_, size_, &sector_translation};
    const auto has_header = [](const block_view& view) {
      return view.get(prodos_volume_key_block, prodos_dir_first_entry) >> 4 == prodos_volume_header;
    };
    const bool dos = has_header(by_dos), table = has_header(by_table);
    if (dos != table) return dos ? identity_translation : sector_translation;
    return pick(2) == 0 ? identity_translation : sector_translation;
  }

  // A block number worth trying: a structure of the volume, the image's
  // edges, or far outside it.
  std::uint16_t block_number(const volume_survey& s) {
    const auto blocks = static_cast<std::uint16_t>(std::min<std::size_t>(size_ / 512, 0xFFFF));
    switch (pick(10)) {
      case 0: return 0;
      case 1: return 2;
      case 2: return pick_from(s.dir_blocks, std::uint16_t{2});
      case 3: return pick_from(s.index_blocks, pick_from(s.master_blocks, std::uint16_t{2}));
      case 4: return pick_from(s.key_pointers, std::uint16_t{7});
      case 5: return static_cast<std::uint16_t>(pick(std::max<unsigned>(blocks, 1)));
      case 6: return static_cast<std::uint16_t>(blocks > 0 ? blocks - 1 : 0);
      case 7: return blocks;
      case 8: return 0xFFFF;
      default: return static_cast<std::uint16_t>(random_());
    }
  }

  std::uint32_t eof_value() {
    static constexpr std::uint32_t sizes[] = {0,      1,      255,    256,    511,      512,
                                              513,    1024,   16384,  131071, 131072,   131073,
                                              131584, 262144, 0xFFFF, 0x10000, 0xFFFFFF};
    if (pick(4) == 0) return static_cast<std::uint32_t>(random_()) & 0xFFFFFF;
    return sizes[pick(std::size(sizes))];
  }

  void edit() {
    const block_view view{data_, size_, &order()};
    const volume_survey s = survey(view);
    if (s.entries.empty()) {
      resize();
      return;
    }
    const entry_place e = s.entries[pick(static_cast<unsigned>(s.entries.size()))];
    const std::uint8_t kind = view.get(e.block, e.at);
    switch (pick(14)) {
      case 0: {  // storage type
        static constexpr std::uint8_t types[] = {0, 1, 2, 3, 4, 5, 0xD, 0xE, 0xF};
        const unsigned type = pick(4) == 0 ? pick(16) : types[pick(std::size(types))];
        view.set(e.block, e.at, static_cast<std::uint8_t>(type << 4 | (kind & 15)));
        break;
      }
      case 1:  // name length
        view.set(e.block, e.at, static_cast<std::uint8_t>((kind & 0xF0) | pick(16)));
        break;
      case 2:  // key pointer (a header's bit map or parent pointer sits elsewhere)
        view.set16(e.block, e.at + (e.header ? prodos_field::bit_map_pointer : prodos_field::key_pointer), block_number(s));
        break;
      case 3: {  // eof
        const std::uint32_t eof = eof_value();
        view.set16(e.block, e.at + prodos_field::eof, static_cast<std::uint16_t>(eof));
        view.set(e.block, e.at + prodos_field::eof + 2, static_cast<std::uint8_t>(eof >> 16));
        break;
      }
      case 4: {  // a subdirectory over another directory, an index or anything
        view.set(e.block, e.at, static_cast<std::uint8_t>(prodos_subdirectory << 4 | (kind & 15)));
        view.set16(e.block, e.at + prodos_field::key_pointer, block_number(s));
        break;
      }
      case 5: {  // a whole entry copied over this one
        const entry_place from = s.entries[pick(static_cast<unsigned>(s.entries.size()))];
        for (int i = 0; i < prodos_entry_bytes; ++i) view.set(e.block, e.at + i, view.get(from.block, from.at + i));
        break;
      }
      case 6:  // next or previous block pointer of a directory block
        view.set16(pick_from(s.dir_blocks, std::uint16_t{2}), pick(2) == 0 ? prodos_dir_next_block : prodos_dir_prev_block,
                   block_number(s));
        break;
      case 7:
      case 8: {  // an entry of an index or master index block
        // A master index block, an index block of a tree, or a sapling's.
        const std::uint16_t tree = pick_from(s.master_blocks, std::uint16_t{0});
        const unsigned which = pick(3);
        const bool master = tree != 0 && which == 0;
        const std::uint16_t index = master ? tree
                                    : tree != 0 && which == 1 ? view.index_entry(tree, static_cast<int>(pick(2)))
                                                              : pick_from(s.index_blocks, std::uint16_t{0});
        if (index == 0) break;
        const int count = master ? prodos_master_entries : prodos_index_entries;
        const std::uint16_t value = block_number(s);
        if (pick(8) == 0) {  // every entry the same: blocks shared many times over
          for (int i = 0; i < count; ++i) view.set_index_entry(index, i, value);
        } else {
          view.set_index_entry(index, static_cast<int>(pick(static_cast<unsigned>(count))), value);
        }
        break;
      }
      case 9: {  // a byte of an entry's name, or of a header field
        static constexpr std::uint8_t values[] = {0, 1, 0x0D, 0x27, 0x2E, 0x41, 0x5A, 0x7F, 0x80, 0xFF};
        view.set(e.block, e.at + 1 + static_cast<int>(pick(prodos_entry_bytes - 1)), values[pick(std::size(values))]);
        break;
      }
      case 10: {  // one entry made into a file of each kind, sharing a block
        view.set(e.block, e.at, static_cast<std::uint8_t>((1 + pick(3)) << 4 | (kind & 15)));
        view.set16(e.block, e.at + prodos_field::key_pointer, pick_from(s.key_pointers, block_number(s)));
        break;
      }
      case 11:  // the volume bit map pointer
        view.set16(prodos_volume_key_block, prodos_dir_first_entry + prodos_field::bit_map_pointer, block_number(s));
        break;
      case 12:
        resize();
        break;
      default:
        size_ = LLVMFuzzerMutate(data_, size_, max_size_);
        break;
    }
  }

  // Cuts the image (at a block or sector edge or anywhere) or lengthens it
  // with zeros.
  void resize() {
    if (pick(3) == 0 && size_ < max_size_) {
      const std::size_t grown = std::min(max_size_, size_ + 256 * (1 + pick(64)));
      std::memset(data_ + size_, 0, grown - size_);
      size_ = grown;
      return;
    }
    if (size_ == 0) return;
    static constexpr std::size_t edges[] = {0, 1, 255, 256, 257, 511};
    const std::size_t cut = 512 * pick(static_cast<unsigned>(size_ / 512 + 1)) + edges[pick(std::size(edges))];
    size_ = pick(4) == 0 ? pick(static_cast<unsigned>(size_)) : std::min(size_, cut);
  }

  std::uint8_t* data_;
  std::size_t size_;
  std::size_t max_size_;
  std::minstd_rand random_;
};

}  // namespace

std::size_t mutate_prodos_image(std::uint8_t* data, std::size_t size, std::size_t max_size,
                                unsigned int seed) {
  return mutator(data, size, max_size, seed).run();
}
