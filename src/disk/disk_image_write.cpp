// The container writers of disk_image_write.h.
#include "disk/disk_image_write.h"

#include <cstring>

#include "common/byte_order.h"
#include "disk/crc32.h"
#include "disk/nib_format.h"
#include "disk/sector_order.h"
#include "disk/two_img_format.h"
#include "disk/woz_format.h"

namespace {

// Sync bytes between the fields: before the first sector, between an
// address field and its data field, and after each data field.
constexpr int gap_2 = 6;
constexpr int gap_3 = 20;
constexpr int gap_1_bits = 48;  // sync bytes of a bit track

// One disk byte of a laid-out track and how many bits it takes.
struct cell {
  std::uint8_t value;
  std::uint8_t bits;
};

// The two 4-and-4 bytes of a value.
constexpr std::uint8_t gcr_44_first(std::uint8_t v) { return static_cast<std::uint8_t>((v >> 1) | 0xAA); }
constexpr std::uint8_t gcr_44_second(std::uint8_t v) { return static_cast<std::uint8_t>(v | 0xAA); }

// The 6-and-2 values of a sector, before the running XOR.
void split_sector(const std::uint8_t* sector, std::array<std::uint8_t, gcr_data_values - 1>& values) {
  for (int i = 0; i < gcr_aux_values; ++i) {
    std::uint8_t aux = gcr_swap_2(sector[i]);
    aux = static_cast<std::uint8_t>(aux | gcr_swap_2(sector[i + 86]) << 2);
    if (i + 172 < 256) aux = static_cast<std::uint8_t>(aux | gcr_swap_2(sector[i + 172]) << 4);
    values[static_cast<std::size_t>(i)] = aux;
  }
  for (int b = 0; b < 256; ++b) values[static_cast<std::size_t>(gcr_aux_values + b)] = static_cast<std::uint8_t>(sector[b] >> 2);
}

void add_syncs(std::vector<cell>& cells, int count, int sync_bits) {
  for (int i = 0; i < count; ++i) cells.push_back({gcr_sync_byte, static_cast<std::uint8_t>(sync_bits)});
}

// The 16 sectors of a track, each its address field, a gap, its data
// field and a gap, in the layout's sequence.
void lay_out_sectors(std::span<const std::uint8_t> raw, disk_file_order order, int track,
                     const gcr_layout& layout, int sync_bits, std::vector<cell>& cells) {
  for (const std::uint8_t physical : layout.sequence) {
    const std::uint8_t p = physical & 15;
    const std::uint8_t t = static_cast<std::uint8_t>(track);
    const std::uint8_t values[4] = {layout.volume, t, p, static_cast<std::uint8_t>(layout.volume ^ t ^ p)};
    for (const std::uint8_t m : {gcr_mark_1, gcr_mark_2, gcr_address_mark}) cells.push_back({m, 8});
    for (const std::uint8_t v : values) {
      cells.push_back({gcr_44_first(v), 8});
      cells.push_back({gcr_44_second(v), 8});
    }
    for (const std::uint8_t m : gcr_epilogue) cells.push_back({m, 8});
    add_syncs(cells, gap_2, sync_bits);
    for (const std::uint8_t m : {gcr_mark_1, gcr_mark_2, gcr_data_mark}) cells.push_back({m, 8});
    std::uint8_t data[gcr_data_values];
    const std::size_t at = static_cast<std::size_t>(track_bytes * track + sector_bytes * file_slot_of_physical(order, p));
    gcr_encode_data(raw.data() + at, data);
    for (const std::uint8_t d : data) cells.push_back({d, 8});
    for (const std::uint8_t m : gcr_epilogue) cells.push_back({m, 8});
    add_syncs(cells, gap_3, sync_bits);
  }
}

void put_id(bytes& out, const char (&id)[4]) {
  for (const char c : id) out.push_back(static_cast<std::uint8_t>(c));
}
void put_u16(bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put_u32(bytes& out, std::uint32_t v) {
  put_u16(out, v & 0xFFFF);
  put_u16(out, v >> 16);
}
void set_u16(bytes& out, std::size_t at, std::uint32_t v) {
  out[at] = static_cast<std::uint8_t>(v);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void set_u32(bytes& out, std::size_t at, std::uint32_t v) {
  set_u16(out, at, v & 0xFFFF);
  set_u16(out, at + 2, v >> 16);
}

bool whole_disk(std::span<const std::uint8_t> raw) {
  return raw.size() == static_cast<std::size_t>(disk_image_bytes);
}

}  // namespace

void gcr_encode_data(const std::uint8_t* sector, std::uint8_t* disk_bytes) {
  std::array<std::uint8_t, gcr_data_values - 1> values{};
  split_sector(sector, values);
  std::uint8_t previous = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    disk_bytes[i] = gcr_write_table[static_cast<std::size_t>(values[i] ^ previous)];
    previous = values[i];
  }
  disk_bytes[values.size()] = gcr_write_table[previous];
}

void gcr_lay_out_nib_track(std::span<const std::uint8_t> raw, disk_file_order order, int track,
                           const gcr_layout& layout, bytes& out) {
  std::vector<cell> cells;
  lay_out_sectors(raw, order, track, layout, 8, cells);
  // The sync bytes before the first sector fill the track.
  bytes laid(nib_track_bytes > cells.size() ? nib_track_bytes - cells.size() : 0, gcr_sync_byte);
  for (const cell& c : cells) laid.push_back(c.value);
  laid.resize(nib_track_bytes);
  out.resize(nib_track_bytes);
  for (std::size_t i = 0; i < nib_track_bytes; ++i) out[i] = laid[(i + layout.rotation) % nib_track_bytes];
}

void gcr_lay_out_bit_track(std::span<const std::uint8_t> raw, disk_file_order order, int track,
                           const gcr_layout& layout, bytes& bits, std::uint32_t& bit_count) {
  std::vector<cell> cells;
  add_syncs(cells, gap_1_bits, gcr_sync_bits);
  lay_out_sectors(raw, order, track, layout, gcr_sync_bits, cells);
  std::vector<std::uint8_t> stream;  // one bit a byte
  for (const cell& c : cells)
    for (int k = 0; k < c.bits; ++k) stream.push_back(k < 8 ? (c.value >> (7 - k)) & 1 : 0);
  bit_count = static_cast<std::uint32_t>(stream.size());
  bits.assign((bit_count + 7) / 8, 0);
  for (std::uint32_t i = 0; i < bit_count; ++i)
    if (stream[(i + layout.rotation) % bit_count] != 0) bits[i / 8] = static_cast<std::uint8_t>(bits[i / 8] | 0x80 >> (i % 8));
}

int write_nib(std::span<const std::uint8_t> raw, disk_file_order order, bytes& out, const gcr_layout& layout) {
  if (!whole_disk(raw)) return -1;
  out.clear();
  bytes track;
  for (int t = 0; t < gcr_tracks; ++t) {
    gcr_lay_out_nib_track(raw, order, t, layout, track);
    out.insert(out.end(), track.begin(), track.end());
  }
  return 0;
}

int write_woz(std::span<const std::uint8_t> raw, disk_file_order order, bytes& out, const woz_write_options& options) {
  const bool woz1 = options.version == 1;
  const int info_version = options.info_version != 0 ? options.info_version : woz1 ? 1 : 2;
  if (!whole_disk(raw) || (options.version != 1 && options.version != 2) || info_version < 1 || info_version > 3)
    return -1;
  std::vector<bytes> tracks(gcr_tracks);
  std::vector<std::uint32_t> bit_counts(gcr_tracks);
  std::uint32_t largest_blocks = 0;
  for (int t = 0; t < gcr_tracks; ++t) {
    gcr_lay_out_bit_track(raw, order, t, options.layout, tracks[static_cast<std::size_t>(t)],
                          bit_counts[static_cast<std::size_t>(t)]);
    const auto blocks = static_cast<std::uint32_t>((tracks[static_cast<std::size_t>(t)].size() + 511) / 512);
    largest_blocks = std::max(largest_blocks, blocks);
  }
  out.clear();
  put_id(out, woz1 ? woz1_magic : woz2_magic);
  for (const std::uint8_t b : woz_high_bytes) out.push_back(b);
  put_u32(out, 0);  // the CRC-32, set at the end
  // INFO.
  put_id(out, woz_info_id);
  put_u32(out, woz_info_bytes);
  const std::size_t info = out.size();
  out.resize(info + woz_info_bytes, 0);
  out[info + woz_info_version_at] = static_cast<std::uint8_t>(info_version);
  out[info + woz_info_disk_type_at] = woz_disk_525;
  for (int i = 0; i < woz_info_creator_bytes; ++i)
    out[info + woz_info_creator_at + static_cast<std::size_t>(i)] =
        static_cast<std::size_t>(i) < options.creator.size() ? static_cast<std::uint8_t>(options.creator[static_cast<std::size_t>(i)]) : ' ';
  if (!woz1) {
    out[info + woz_info_sides_at] = 1;
    out[info + woz_info_boot_format_at] = woz_boot_16_sector;
    out[info + woz_info_bit_timing_at] = woz_bit_timing_525;
    set_u16(out, info + woz_info_largest_track_at, largest_blocks);
  }
  // TMAP.
  put_id(out, woz_tmap_id);
  put_u32(out, woz_tmap_bytes);
  const std::size_t tmap = out.size();
  out.resize(tmap + woz_tmap_bytes, woz_no_track);
  for (int t = 0; t < gcr_tracks; ++t) {
    out[tmap + static_cast<std::size_t>(4 * t)] = static_cast<std::uint8_t>(t);
    if (options.neighbour_quarters) {
      if (t > 0) out[tmap + static_cast<std::size_t>(4 * t - 1)] = static_cast<std::uint8_t>(t);
      out[tmap + static_cast<std::size_t>(4 * t + 1)] = static_cast<std::uint8_t>(t);
    }
  }
  for (const woz_extra_chunk& chunk : options.extra_chunks) {
    out.insert(out.end(), chunk.id.begin(), chunk.id.end());
    put_u32(out, static_cast<std::uint32_t>(chunk.data.size()));
    out.insert(out.end(), chunk.data.begin(), chunk.data.end());
  }
  // TRKS.
  put_id(out, woz_trks_id);
  const std::size_t trks_length = out.size();
  put_u32(out, 0);
  const std::size_t trks = out.size();
  if (woz1) {
    for (int t = 0; t < gcr_tracks; ++t) {
      const bytes& bits = tracks[static_cast<std::size_t>(t)];
      const std::size_t record = out.size();
      out.resize(record + woz1_record_bytes, 0);
      std::memcpy(out.data() + record, bits.data(), bits.size());
      set_u16(out, record + woz1_bytes_used_at, static_cast<std::uint32_t>(bits.size()));
      set_u16(out, record + woz1_bit_count_at, bit_counts[static_cast<std::size_t>(t)]);
      set_u16(out, record + woz1_splice_point_at, woz1_no_splice);
    }
  } else {
    out.resize(trks + woz2_track_entries * woz2_entry_bytes, 0);
    for (int t = 0; t < gcr_tracks; ++t) {
      out.resize((out.size() + woz2_block_bytes - 1) / woz2_block_bytes * woz2_block_bytes, 0);
      const bytes& bits = tracks[static_cast<std::size_t>(t)];
      const std::size_t entry = trks + woz2_entry_bytes * static_cast<std::size_t>(t);
      set_u16(out, entry, static_cast<std::uint32_t>(out.size() / woz2_block_bytes));
      set_u16(out, entry + 2, static_cast<std::uint32_t>((bits.size() + 511) / 512));
      set_u32(out, entry + 4, bit_counts[static_cast<std::size_t>(t)]);
      out.insert(out.end(), bits.begin(), bits.end());
    }
    out.resize((out.size() + woz2_block_bytes - 1) / woz2_block_bytes * woz2_block_bytes, 0);
  }
  set_u32(out, trks_length, static_cast<std::uint32_t>(out.size() - trks));
  set_u32(out, woz_crc_at, crc32_of(std::span<const std::uint8_t>(out).subspan(woz_header_bytes)));
  return 0;
}

int reorder_raw_image(std::span<const std::uint8_t> raw, disk_file_order from, disk_file_order to, bytes& out) {
  if (!whole_disk(raw)) return -1;
  out.assign(raw.begin(), raw.end());
  for (int t = 0; t < gcr_tracks; ++t)
    for (int p = 0; p < gcr_sectors; ++p)
      std::memcpy(out.data() + track_bytes * t + sector_bytes * file_slot_of_physical(to, p),
                  raw.data() + track_bytes * t + sector_bytes * file_slot_of_physical(from, p), sector_bytes);
  return 0;
}

int write_two_img(std::span<const std::uint8_t> raw, disk_file_order order, std::uint32_t format, bytes& out) {
  bytes data;
  int result = -1;
  if (format == two_img_format_nib) result = write_nib(raw, order, data);
  else if (format == two_img_format_dos) result = reorder_raw_image(raw, order, disk_file_order::dos, data);
  else if (format == two_img_format_prodos) result = reorder_raw_image(raw, order, disk_file_order::prodos, data);
  if (result < 0) return -1;
  out.assign(two_img_header_bytes, 0);
  std::memcpy(out.data(), two_img_magic, 4);
  std::memcpy(out.data() + two_img_creator_at, "QZAV", 4);
  set_u16(out, two_img_header_size_at, two_img_header_bytes);
  set_u16(out, two_img_version_at, 1);
  set_u32(out, two_img_format_at, format);
  set_u32(out, two_img_flags_at, format == two_img_format_dos ? two_img_volume_valid | gcr_default_volume : 0);
  set_u32(out, two_img_blocks_at, format == two_img_format_prodos ? static_cast<std::uint32_t>(disk_image_bytes / 512) : 0);
  set_u32(out, two_img_data_offset_at, two_img_header_bytes);
  set_u32(out, two_img_data_length_at, static_cast<std::uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  return 0;
}
