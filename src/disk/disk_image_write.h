// Writers of the disk image containers that disk_image.h reads, from a raw
// 143,360-byte image in either file order: NIB, WOZ 1, WOZ 2 and 2IMG.
// They lay a track out as a standard 16-sector format does (sync bytes,
// then each sector's address and data fields in the order the sectors
// pass the head) and serve the tests, the fuzz seeds and the demo disks;
// options make the variations real copies show.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/buffer.h"
#include "disk/gcr_format.h"
#include "disk/sector_skew.h"

// How each track is laid out.
struct gcr_layout {
  std::uint8_t volume = gcr_default_volume;
  // The physical sectors in the order they pass the head.
  std::array<std::uint8_t, 16> sequence = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  // The stored track starts this far into the laid-out one (NIB: disk
  // bytes; WOZ: bits), so that the fields near the start run across the
  // end of the stored track.
  std::uint32_t rotation = 0;
};

// The 343 disk bytes of the data field of a 256-byte sector (gcr_format.h).
void gcr_encode_data(const std::uint8_t* sector, std::uint8_t* disk_bytes);

// The disk bytes of track `track` of `raw` (its sectors stored in
// `order`), FF sync bytes of 8 bits (NIB), filling exactly `length` bytes;
// or, with `sync_bits` 10, as a bit stream whose sync bytes carry two zero
// bits more (WOZ), its length in bits in `bit_count`.  The rotation is
// applied.
void gcr_lay_out_nib_track(std::span<const std::uint8_t> raw, disk_file_order order, int track,
                           const gcr_layout& layout, bytes& out);
void gcr_lay_out_bit_track(std::span<const std::uint8_t> raw, disk_file_order order, int track,
                           const gcr_layout& layout, bytes& bits, std::uint32_t& bit_count);

// A chunk a WOZ writer adds as it is (META, or one a reader must skip).
struct woz_extra_chunk {
  std::array<char, 4> id{};
  bytes data;
};

struct woz_write_options {
  int version = 2;       // 1 or 2
  int info_version = 0;  // 0: 1 for WOZ 1, 2 for WOZ 2
  std::string creator = "zud2avuze disk writer";
  // Quarter tracks 4t - 1 and 4t + 1 lead to track t's record as well, as
  // in copies of real disks.
  bool neighbour_quarters = true;
  // Chunks written between TMAP and TRKS.
  std::vector<woz_extra_chunk> extra_chunks;
  gcr_layout layout;
};

// Each writer replaces `out` with the whole file.  0, or -1 when `raw` is
// not 143,360 bytes long (or, for WOZ, a version or INFO version is not
// one it writes).
int write_nib(std::span<const std::uint8_t> raw, disk_file_order order, bytes& out,
              const gcr_layout& layout = {});
int write_woz(std::span<const std::uint8_t> raw, disk_file_order order, bytes& out,
              const woz_write_options& options = {});
// `format`: 0 sectors in DOS 3.3 file order, 1 in ProDOS block order
// (the sectors reordered as needed), 2 NIB tracks.
int write_two_img(std::span<const std::uint8_t> raw, disk_file_order order, std::uint32_t format, bytes& out);

// `raw` with each track's sectors moved from `from` order to `to` order.
int reorder_raw_image(std::span<const std::uint8_t> raw, disk_file_order from, disk_file_order to, bytes& out);
