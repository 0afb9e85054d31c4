// Writes the seed inputs of the fuzz targets into FOLDER/<target>/, made
// with the project's own disk and BMP writers: command lines, BMP files of
// every bit count, ProDOS volumes with every kind of file, and category
// disks with maps and characters, in both sector orders, and disk images in
// every container with the damage real copies show.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bitmap/bmp_build.h"
#include "common/byte_order.h"
#include "common/file_handle.h"
#include "map/category_read.h"
#include "map/category_write.h"
#include "disk/crc32.h"
#include "disk/disk_image_write.h"
#include "disk/gcr_format.h"
#include "disk/nib_format.h"
#include "disk/prodos_write.h"
#include "disk/two_img_format.h"
#include "disk/woz_format.h"

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
      {"-C", "-s"},
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
  // A header that promises a picture of 200 MB, and no rows: more than the
  // fuzzing runs let an allocation take.
  bmp_picture huge;
  huge.width = 8192;
  huge.height = 8192;
  huge.bit_count = 24;
  save(dir, "bmp_huge_header", bmp_header_bytes_of(bmp_header_for(huge)));
}

bytes pattern(std::size_t size, unsigned seed) {
  bytes data(size);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>((i * 31 + seed * 7 + (i >> 9)) & 0xFF);
  return data;
}

void set_entry_byte(prodos_builder& b, const prodos_entry_place& place, std::size_t at, std::uint8_t value) {
  b.blocks[prodos_entry_offset(place) + at] = value;
}

void set_key_pointer(prodos_builder& b, const prodos_entry_place& place, std::uint16_t block) {
  store_le16(b.blocks, prodos_entry_offset(place) + prodos_field::key_pointer, block);
}

// Sets entry `i` of the index or master index block `block` (low byte at i,
// high byte at 256 + i).
void set_index_entry(prodos_builder& b, std::uint16_t block, int i, std::uint16_t value) {
  std::span<std::uint8_t, 512> index = prodos_block(b, block);
  index[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value);
  index[static_cast<std::size_t>(256 + i)] = static_cast<std::uint8_t>(value >> 8);
}

// A volume with files of every storage type, nested subdirectories, a
// directory of several blocks, sparse saplings and trees, empty files and
// entries of the storage types the reader leaves alone.
prodos_builder full_volume() {
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
  bytes holes = pattern(6000, 4);
  std::fill(holes.begin() + 1024, holes.begin() + 3072, 0);
  prodos_add_file(b, "HOLES", holes);
  prodos_file_options forced;
  forced.storage_type = 3;
  prodos_add_file(b, "SMALLTREE", pattern(900, 5), forced);
  prodos_file_options long_eof;
  long_eof.has_eof = true;
  long_eof.eof = 0x2FFFF;
  prodos_add_file(b, "LONGEOF", pattern(300, 6), long_eof);
  for (int i = 0; i < 14; ++i) prodos_add_file(b, "DIR/F" + std::to_string(i), pattern(10, 7));  // DIR takes a second block
  for (int type : {4, 5, 6, 12, 14, 15}) {
    std::array<std::uint8_t, 39> raw{static_cast<std::uint8_t>(type << 4 | 1), 'X'};
    raw[17] = 9;
    raw[21] = 20;
    prodos_add_raw_entry(b, "", raw);
  }
  return b;
}

// A tree file of 140000 bytes whose only data block is its first: a master
// index, one index block and one data block.
bytes sparse_tree() {
  bytes data(140000, 0);
  data[0] = 1;
  return data;
}

void prodos_seeds(const fs::path& dir) {
  const prodos_builder whole = full_volume();
  for (int order : {1, 2}) save(dir, "volume_order" + std::to_string(order), prodos_image(whole, order));
  const bytes image = prodos_image(whole, 1);
  save(dir, "cut_in_directory", bytes(image.begin(), image.begin() + 2900));
  save(dir, "cut_in_files", bytes(image.begin(), image.begin() + 40000));
  save(dir, "cut_odd", bytes(image.begin(), image.begin() + 70001));
  save(dir, "empty", bytes{});

  // Each damage the reader must survive, alone on a copy of the volume.
  struct damage {
    const char* name;
    void (*apply)(prodos_builder&);
  };
  static const damage damages[] = {
      {"dir_next_loop", [](prodos_builder& b) { store_le16(b.blocks, 512 * 2 + prodos_dir_next_block, 2); }},
      {"dir_next_back", [](prodos_builder& b) { store_le16(b.blocks, 512 * 4 + prodos_dir_next_block, 3); }},
      {"dir_next_outside", [](prodos_builder& b) { store_le16(b.blocks, 512 * 3 + prodos_dir_next_block, 0x4000); }},
      {"bit_map_outside", [](prodos_builder& b) { store_le16(b.blocks, 512 * 2 + prodos_dir_first_entry + prodos_field::bit_map_pointer, 300); }},
      {"subdir_outside", [](prodos_builder& b) { set_key_pointer(b, b.dirs["DIR"].entry, 0x0200); }},
      {"subdir_to_volume", [](prodos_builder& b) { set_key_pointer(b, b.dirs["DIR/SUB"].entry, 2); }},
      {"subdir_to_itself", [](prodos_builder& b) {
         const prodos_entry_place sub = b.dirs["DIR/SUB"].entry;
         set_key_pointer(b, sub, b.dirs["DIR"].blocks[0]);
       }},
      {"seedling_outside", [](prodos_builder& b) {
         set_key_pointer(b, prodos_add_file(b, "S", bytes(10, 1)), 0xFFFF);
       }},
      {"sapling_index_outside", [](prodos_builder& b) {
         set_key_pointer(b, prodos_add_file(b, "S", bytes(2000, 1)), 0x0301);
       }},
      {"sapling_block_outside", [](prodos_builder& b) {
         set_index_entry(b, prodos_add_file(b, "S", bytes(2000, 1)).key_pointer, 1, 0x2000);
       }},
      {"tree_master_outside", [](prodos_builder& b) {
         set_key_pointer(b, prodos_add_file(b, "S", sparse_tree()), 0x0302);
       }},
      {"tree_index_outside", [](prodos_builder& b) {
         set_index_entry(b, prodos_add_file(b, "S", sparse_tree()).key_pointer, 1, 0x4000);
       }},
      {"key_pointer_zero", [](prodos_builder& b) {
         for (const char* name : {"A", "B", "C"}) {
           const prodos_entry_place place = prodos_add_file(b, name, bytes(600, 1));
           set_entry_byte(b, place, 0, static_cast<std::uint8_t>((name[0] - 'A' + 1) << 4 | 1));
           set_key_pointer(b, place, 0);
         }
       }},
      {"seedling_too_long", [](prodos_builder& b) {
         set_entry_byte(b, prodos_add_file(b, "S", bytes(100, 1)), 22, 0x03);  // eof 0x364
       }},
      {"sapling_too_long", [](prodos_builder& b) {
         set_entry_byte(b, prodos_add_file(b, "S", bytes(2000, 1)), 23, 0x03);  // eof past 128 KiB
       }},
      {"name_length_zero", [](prodos_builder& b) { set_entry_byte(b, b.dirs["DIR"].entry, 0, 0xD0); }},
      {"volume_name_odd", [](prodos_builder& b) { b.blocks[512 * 2 + 4] = 0xF0; }},
      {"index_shared", [](prodos_builder& b) {
         // A tree whose master index names its index block four times, and a
         // copy of its entry: blocks shared by files and within a file.
         const prodos_entry_place tree = prodos_add_file(b, "T", sparse_tree());
         const std::span<std::uint8_t, 512> master = prodos_block(b, tree.key_pointer);
         const auto first = static_cast<std::uint16_t>(master[0] | master[256] << 8);
         for (int i = 1; i < 4; ++i) set_index_entry(b, tree.key_pointer, i, first);
         std::array<std::uint8_t, 39> entry{};
         std::copy_n(b.blocks.begin() + static_cast<long>(prodos_entry_offset(tree)), 39, entry.begin());
         prodos_add_raw_entry(b, "DIR/SUB", entry);
       }},
      {"index_is_directory", [](prodos_builder& b) {
         set_key_pointer(b, prodos_add_file(b, "S", bytes(2000, 1)), 2);
       }},
  };
  for (const damage& d : damages) {
    prodos_builder b = full_volume();
    d.apply(b);
    for (int order : {1, 2}) save(dir, std::string(d.name) + "_order" + std::to_string(order), prodos_image(b, order));
  }

  // Subdirectories nested deeper than the reader follows.
  prodos_builder deep = prodos_format("DEEP");
  std::string path = "D";
  for (int level = 0; level < 66; ++level, path += "/D") prodos_add_dir(deep, path);
  save(dir, "nested_too_deep", prodos_image(deep, 1));
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
  // The category target takes the image from track 30 on.
  for (int order : {1, 2}) {
    const bytes disk = make_category_disk(maps, npcs, order);
    save(dir, "category_order" + std::to_string(order), bytes(disk.begin() + npc_area_offset, disk.end()));
  }
  const bytes disk = make_category_disk(maps, npcs, 2);
  save(dir, "cut_in_maps", bytes(disk.begin() + npc_area_offset, disk.begin() + map_area_offset + 5000));
  save(dir, "cut_in_npcs", bytes(disk.begin() + npc_area_offset, disk.begin() + npc_area_offset + 1000));
  // The third last byte sets the counts of the target's extra reads: past
  // what the buffers take.
  bytes counts(disk.begin() + npc_area_offset, disk.end());
  counts[counts.size() - 3] = 0xFF;
  save(dir, "counts_too_large", counts);
}

std::uint32_t le32_at(const bytes& f, std::size_t at) {
  return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | static_cast<std::uint32_t>(f[at + 3]) << 24;
}
void set_le32_at(bytes& f, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::size_t woz_chunk(const bytes& f, const char (&id)[4]) {
  for (std::size_t pos = 12; pos + 8 <= f.size(); pos += 8 + le32_at(f, pos + 4))
    if (std::memcmp(f.data() + pos, id, 4) == 0) return pos + 8;
  return 0;
}
void woz_crc(bytes& f) { set_le32_at(f, woz_crc_at, crc32_of(std::span<const std::uint8_t>(f).subspan(woz_header_bytes))); }

// A WOZ 2 file cut down to its first two tracks (TMAP entries of the
// others removed), small enough for the fuzzer to change quickly.
bytes small_woz(const bytes& woz) {
  bytes f = woz;
  const std::size_t tmap = woz_chunk(f, woz_tmap_id);
  for (std::size_t q = 6; q < woz_tmap_bytes; ++q) f[tmap + q] = woz_no_track;
  const std::size_t trks = woz_chunk(f, woz_trks_id);
  const std::size_t track_1 = woz2_block_bytes * (f[trks + 8] | f[trks + 9] << 8);
  f.resize(track_1 + woz2_block_bytes * (f[trks + 10] | f[trks + 11] << 8));
  set_le32_at(f, trks - 4, static_cast<std::uint32_t>(f.size() - trks));
  woz_crc(f);
  return f;
}

void image_seeds(const fs::path& dir) {
  // A disk whose ProDOS volume has files, so that every sector differs.
  prodos_builder volume = full_volume();
  const bytes disk = prodos_image(volume, sector_order_prodos);
  bytes out;
  const auto keep = [&](const std::string& name, const bytes& file) { save(dir, name, file); };
  woz_write_options options;
  for (const int version : {1, 2}) {
    options.version = version;
    write_woz(disk, disk_file_order::dos, out, options);
    keep("woz" + std::to_string(version), out);
  }
  bytes small = small_woz(out);
  keep("woz2_small", small);
  // Damaged fields on the small one's track 0: wiped bits, a changed
  // address volume, a changed data byte.
  const std::size_t bits = woz2_block_bytes * (small[woz_chunk(small, woz_trks_id)] | small[woz_chunk(small, woz_trks_id) + 1] << 8);
  bytes wiped = small;
  std::fill_n(wiped.begin() + static_cast<std::ptrdiff_t>(bits + 2000), 800, 0);
  keep("woz2_wiped", wiped);
  bytes flipped = small;
  for (std::size_t at = bits + 500; at < bits + 6000; at += 397) flipped[at] ^= 0x10;
  keep("woz2_flipped", flipped);
  // Every kind of chunk, INFO version 3, neighbour quarter tracks.
  options.version = 2;
  options.info_version = 3;
  options.creator = "fuzz seed";
  options.extra_chunks = {{{'M', 'E', 'T', 'A'}, bytes{'t', 'i', 't', 'l', 'e', '\t', 'x', '\n'}},
                          {{'F', 'L', 'U', 'X'}, bytes(160, 0xFF)},
                          {{'W', 'R', 'I', 'T'}, bytes(16, 0)}};
  options.layout.rotation = 20000;
  options.layout.sequence = {15, 3, 8, 0, 12, 5, 1, 9, 14, 2, 7, 11, 4, 10, 6, 13};
  write_woz(disk, disk_file_order::prodos, out, options);
  keep("woz2_chunks", small_woz(out));
  bytes flux_only = small_woz(out);
  std::fill_n(flux_only.begin() + static_cast<std::ptrdiff_t>(woz_chunk(flux_only, woz_tmap_id)), 160, 0xFF);
  keep("woz2_flux_only", flux_only);
  bytes disk35 = small_woz(out);
  disk35[woz_chunk(disk35, woz_info_id) + woz_info_disk_type_at] = woz_disk_35;
  keep("woz2_35", disk35);
  // Headers and chunks the reader refuses, on the small one.
  const auto changed = [&](const std::string& name, auto&& change) {
    bytes f = small;
    change(f);
    woz_crc(f);
    keep(name, f);
  };
  const std::size_t info = woz_chunk(small, woz_info_id), tmap = woz_chunk(small, woz_tmap_id);
  const std::size_t trks = woz_chunk(small, woz_trks_id);
  changed("woz_text_mode", [](bytes& f) { f[6] = 0x0A; });
  changed("woz_info_version_4", [&](bytes& f) { f[info + woz_info_version_at] = 4; });
  changed("woz_disk_type_7", [&](bytes& f) { f[info + woz_info_disk_type_at] = 7; });
  changed("woz_no_info", [&](bytes& f) { std::memcpy(f.data() + info - 8, "JUNK", 4); });
  changed("woz_info_cut", [&](bytes& f) { f.resize(info + 20); });
  changed("woz_no_tmap", [&](bytes& f) { std::memcpy(f.data() + tmap - 8, "JUNK", 4); });
  changed("woz_tmap_cut", [&](bytes& f) { f.resize(tmap + 100); });
  changed("woz_no_trks", [&](bytes& f) { std::memcpy(f.data() + trks - 8, "JUNK", 4); });
  changed("woz_flux_no_trks", [&](bytes& f) { std::memcpy(f.data() + trks - 8, "FLUX", 4); });
  // Bit counts: not a whole number of bytes, and a track shorter than
  // what is read of it, gone round many times.
  changed("woz2_odd_bit_count", [&](bytes& f) { set_le32_at(f, trks + 4, le32_at(f, trks + 4) - 3); });
  changed("woz2_short_track", [&](bytes& f) { set_le32_at(f, trks + 4, 1001); });
  // WOZ 1 cut to its first records.
  options = {};
  options.version = 1;
  write_woz(disk, disk_file_order::dos, out, options);
  out.resize(woz_chunk(out, woz_trks_id) + 2 * woz1_record_bytes);
  keep("woz1_cut", out);
  const std::size_t bit_count_at = woz_chunk(out, woz_trks_id) + woz1_bit_count_at;
  out[bit_count_at] = static_cast<std::uint8_t>(out[bit_count_at] - 5);
  woz_crc(out);
  keep("woz1_odd_bit_count", out);
  // NIB, whole and turned; 2IMG of each format, and one of NIB tracks cut
  // to two tracks.
  gcr_layout turned;
  turned.rotation = 6600;
  write_nib(disk, disk_file_order::dos, out, turned);
  keep("nib", out);
  for (const std::uint32_t format : {0u, 1u, 2u}) {
    write_two_img(disk, disk_file_order::dos, format, out);
    if (format == 2) out.resize(two_img_header_bytes + 2 * nib_track_bytes);
    keep("2img" + std::to_string(format), out);
  }
  // Damaged fields on track 0 of the 2IMG of NIB tracks: sector 2's
  // address checksum, sector 4's data mark, a byte of sector 6's data,
  // sector 8's address mark; and track 1's first address field in track
  // 0's leading sync bytes.
  bytes fields = out;
  const auto address_field = [&fields](std::size_t track, int sector) {
    const std::size_t from = two_img_header_bytes + nib_track_bytes * track;
    for (std::size_t i = from; i + gcr_address_bytes < from + nib_track_bytes; ++i)
      if (fields[i] == gcr_mark_1 && fields[i + 2] == gcr_address_mark && gcr_44_value(fields[i + 7], fields[i + 8]) == sector)
        return i;
    return from;
  };
  fields[address_field(0, 2) + 3] ^= 0x01;
  for (std::size_t i = address_field(0, 4) + gcr_address_bytes; i < address_field(0, 4) + 40; ++i)
    if (fields[i] == gcr_data_mark) fields[i] = 0xAB;
  fields[address_field(0, 6) + 100] ^= 0x01;
  fields[address_field(0, 8) + 2] = 0xB5;
  std::copy_n(fields.begin() + static_cast<std::ptrdiff_t>(address_field(1, 0)), gcr_address_bytes,
              fields.begin() + two_img_header_bytes + 40);
  keep("2img2_damaged_fields", fields);
  // 2IMG headers the reader refuses.
  out.resize(two_img_header_bytes + 4096);
  set_le32_at(out, two_img_format_at, 1);
  set_le32_at(out, two_img_data_length_at, 0);
  keep("2img_blocks", out);
  bytes header = out;
  set_le32_at(header, two_img_data_length_at, 819200);
  keep("2img_800k", header);
  set_le32_at(header, two_img_format_at, 3);
  keep("2img_format_3", header);
  set_le32_at(header, two_img_format_at, two_img_format_nib);
  keep("2img_nib_short", header);
  set_le32_at(header, two_img_data_offset_at, 16);
  keep("2img_offset_in_header", header);
  keep("raw_short", bytes(disk.begin(), disk.begin() + 3000));
  // A raw image of a NIB's length: no address field, so raw.
  bytes nib_length(disk.begin(), disk.end());
  nib_length.insert(nib_length.end(), disk.begin(), disk.begin() + (nib_image_bytes - disk_image_bytes));
  keep("raw_nib_length", nib_length);
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
  image_seeds(root / "image");
  return 0;
}
