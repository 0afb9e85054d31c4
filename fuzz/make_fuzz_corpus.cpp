// Writes the seed inputs of the fuzz targets into FOLDER/<target>/, made
// with the project's own disk and BMP writers: command lines, BMP files of
// every bit count, ProDOS volumes with every kind of file, and category
// disks with maps and characters, in both sector orders.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bitmap/bmp_build.h"
#include "common/file_handle.h"
#include "map/category_write.h"
#include "disk/prodos_write.h"

namespace fs = std::filesystem;

namespace {

void save(const fs::path& dir, const std::string& name, const bytes& data) {
  fs::create_directories(dir);
  const std::string path = (dir / name).string();
  if (write_whole_file(path.c_str(), data) < 0) {
    std::fprintf(stderr, "make_fuzz_corpus: cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

bytes text_args(const std::vector<std::string>& args) {
  bytes out;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i > 0) out.push_back(0);
    out.insert(out.end(), args[i].begin(), args[i].end());
  }
  return out;
}

void option_seeds(const fs::path& dir) {
  const std::vector<std::vector<std::string>> lists = {
      {"-T", "-h", "0x13", "--overwrite"},
      {"-d1", "-x", "--do", "-B", "-B", "-B"},
      {"--shape", "a.bmp", "-C", "-K", "-n", "-p"},
      {"--default", "--shape-type-mirror-room", "--no-remake-water", "-h", "010"},
      {"-?"},
      {"-h", "-7"},
  };
  for (std::size_t i = 0; i < lists.size(); ++i) save(dir, "args" + std::to_string(i), text_args(lists[i]));
}

void bitmap_seeds(const fs::path& dir) {
  struct shape {
    std::uint32_t width, height;
    std::uint16_t bits;
  };
  const shape shapes[] = {{32, 64, 4}, {32, 64, 24}, {17, 5, 1}, {9, 3, 8}, {5, 2, 16}, {3, 3, 32}};
  for (const shape& s : shapes) {
    save(dir, "bmp" + std::to_string(s.width) + "x" + std::to_string(s.height) + "_" + std::to_string(s.bits),
         bmp_file_of(bmp_pattern(s.width, s.height, s.bits)));
  }
}

bytes pattern(std::size_t size, unsigned seed) {
  bytes data(size);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>((i * 31 + seed * 7 + (i >> 9)) & 0xFF);
  return data;
}

void prodos_seeds(const fs::path& dir) {
  prodos_builder b = prodos_format("SEEDS");
  prodos_add_file(b, "SHAPES", pattern(16384, 1));
  prodos_add_file(b, "SMALL", pattern(100, 2));
  prodos_add_file(b, "EMPTY", bytes{});
  prodos_add_dir(b, "DIR");
  prodos_add_dir(b, "DIR/SUB");
  prodos_add_file(b, "DIR/SUB/DEEP", pattern(700, 3));
  bytes sparse(200000, 0);
  sparse[0] = 1;
  sparse[199999] = 2;
  prodos_add_file(b, "DIR/TREE", sparse);
  for (int order : {1, 2}) save(dir, "volume_order" + std::to_string(order), prodos_image(b, order));

  // A directory whose next pointer leads back to itself.
  prodos_builder loop = prodos_format("LOOP");
  prodos_add_file(loop, "A", pattern(600, 4));
  set_le16(loop.blocks, 512 * 2 + 2, 2);
  save(dir, "loop", prodos_image(loop, 1));
}

void category_seeds(const fs::path& dir) {
  map_data maps{};
  npc_data npcs{};
  for (std::size_t i = 0; i < maps.size(); ++i) maps[i] = static_cast<std::uint8_t>((i * 7 + (i >> 5)) % 0xE0);
  for (int L = 0; L < locations_per_category; ++L) {
    location_view block = location_block(npcs, L);
    for (int k = 0; k < npcs_per_location; ++k) {
      block.shape(k) = static_cast<std::uint8_t>(0x40 + (k * 5 + L) % 0x40);
      for (int s = 0; s < schedule_slots; ++s) {
        block.x(k, s) = static_cast<std::uint8_t>((k * 3 + s) % 32);
        block.y(k, s) = static_cast<std::uint8_t>((k + L + s * 5) % 32);
        block.floor(k, s) = static_cast<std::uint8_t>(s == 2 ? 255 : (k + s) % 4);
        block.mode(k, s) = static_cast<std::uint8_t>(s);
      }
      const int hours[4] = {21, 5, 9, 17};
      for (int i = 0; i < 4; ++i) block.hours(k, i) = static_cast<std::uint8_t>(hours[i]);
      block.default_shape(k) = block.shape(k);
      block.default_x(k) = static_cast<std::uint8_t>(k);
      block.default_y(k) = static_cast<std::uint8_t>(40 + k);  // off the map on purpose
      block.default_floor(k) = 0;
      block.default_hour(k) = 9;
    }
  }
  for (int order : {1, 2}) save(dir, "category_order" + std::to_string(order), make_category_disk(maps, npcs, order));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_corpus FOLDER\n");
    return 2;
  }
  const fs::path root = argv[1];
  option_seeds(root / "options");
  bitmap_seeds(root / "bitmap");
  prodos_seeds(root / "prodos");
  category_seeds(root / "category");
  return 0;
}
