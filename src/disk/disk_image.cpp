// Opening a disk image by its content, and the reads of its sectors.
#include "disk/disk_image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "disk/crc32.h"
#include "disk/gcr_format.h"
#include "disk/nib_format.h"
#include "disk/sector_skew.h"
#include "disk/two_img_format.h"
#include "disk/woz_format.h"

namespace {

std::uint32_t le16_at(std::span<const std::uint8_t> f, std::size_t at) {
  return std::uint32_t{f[at]} | std::uint32_t{f[at + 1]} << 8;
}
std::uint32_t le32_at(std::span<const std::uint8_t> f, std::size_t at) {
  return le16_at(f, at) | le16_at(f, at + 2) << 16;
}

bool starts_with(std::span<const std::uint8_t> f, const char (&magic)[4]) {
  return f.size() >= 4 && std::memcmp(f.data(), magic, 4) == 0;
}

// Refuses the container: one note, then no bytes to read.
int refuse(disk_image& image, const message_sink& sink, const char* reason) {
  note(sink, "error: unsupported disk image '%s': %s\n", image.path.c_str(), reason);
  image.supported = false;
  image.physical = false;
  image.data = {};
  return 0;
}

// The decoded disk of a container of physical sectors, read in order 2.
int make_physical(disk_image& image) {
  image.decoded = allocate_zeroed<std::uint8_t>(static_cast<std::size_t>(disk_image_bytes));
  if (!image.decoded) return disk_memory_failed;
  image.physical = true;
  image.sector_order = sector_order_prodos;
  image.order_from_container = true;
  image.data = std::span<const std::uint8_t>(image.decoded.get(), static_cast<std::size_t>(disk_image_bytes));
  return 0;
}

// NIB tracks at `base` of the file, `length` bytes of them present.
int open_nib_tracks(disk_image& image, std::size_t base, std::size_t length) {
  for (std::size_t t = 0; t < disk_tracks; ++t)
    if ((t + 1) * nib_track_bytes <= length) image.tracks[t] = {base + t * nib_track_bytes, nib_track_bytes};
  return make_physical(image);
}

// A NIB is told from a raw image of the same length by its disk bytes: it
// holds at least one whole address field of a 16-sector disk.
bool holds_address_field(std::span<const std::uint8_t> f) {
  const std::uint8_t* b = f.data();
  for (std::size_t i = 0; i + gcr_address_bytes <= f.size(); ++i) {
    if (b[i] != gcr_mark_1 || b[i + 1] != gcr_mark_2 || b[i + 2] != gcr_address_mark) continue;
    bool coded = true;
    for (int k = 3; k < gcr_address_bytes; ++k) coded = coded && (b[i + k] & 0xAA) == 0xAA;
    if (!coded) continue;
    const std::uint8_t volume = gcr_44_value(b[i + 3], b[i + 4]), track = gcr_44_value(b[i + 5], b[i + 6]);
    const std::uint8_t sector = gcr_44_value(b[i + 7], b[i + 8]), sum = gcr_44_value(b[i + 9], b[i + 10]);
    if ((volume ^ track ^ sector) == sum && track < disk_tracks && sector < gcr_sectors) return true;
  }
  return false;
}

int open_two_img(disk_image& image, const message_sink& sink) {
  const std::span<const std::uint8_t> f = image.file;
  image.container = disk_container::two_img;
  if (f.size() < two_img_header_bytes) return refuse(image, sink, "2IMG header cut short");
  const std::uint32_t format = le32_at(f, two_img_format_at);
  const std::uint32_t blocks = le32_at(f, two_img_blocks_at);
  const std::uint32_t offset = le32_at(f, two_img_data_offset_at);
  std::uint64_t length = le32_at(f, two_img_data_length_at);
  image.two_img_format = format;
  char reason[96];
  if (format > two_img_format_nib) {
    std::snprintf(reason, sizeof reason, "2IMG image format %u", static_cast<unsigned>(format));
    return refuse(image, sink, reason);
  }
  if (offset < two_img_header_bytes || offset > f.size()) {
    std::snprintf(reason, sizeof reason, "2IMG data offset %u outside the file", static_cast<unsigned>(offset));
    return refuse(image, sink, reason);
  }
  if (length == 0)
    length = format == two_img_format_prodos ? std::uint64_t{blocks} * two_img_block_bytes : f.size() - offset;
  // Data cut short by the end of the file reads as a short raw image does.
  const std::size_t present = static_cast<std::size_t>(std::min<std::uint64_t>(length, f.size() - offset));
  if (format == two_img_format_nib) {
    if (length != nib_image_bytes) {
      std::snprintf(reason, sizeof reason, "2IMG of NIB tracks with %llu bytes of data",
                    static_cast<unsigned long long>(length));
      return refuse(image, sink, reason);
    }
    return open_nib_tracks(image, offset, present);
  }
  if (length > static_cast<std::uint64_t>(disk_image_bytes)) {
    std::snprintf(reason, sizeof reason, "not a 5.25-inch disk (%llu bytes of data)",
                  static_cast<unsigned long long>(length));
    return refuse(image, sink, reason);
  }
  image.sector_order = format == two_img_format_prodos ? sector_order_dos : sector_order_prodos;
  image.order_from_container = true;
  image.data = f.subspan(offset, present);
  return 0;
}

// A chunk of a WOZ file: where its data starts and how much of it the
// file holds.
struct woz_chunk {
  bool present = false;
  std::size_t at = 0;
  std::size_t length = 0;
};

int open_woz(disk_image& image, const message_sink& sink) {
  const std::span<const std::uint8_t> f = image.file;
  const bool woz1 = starts_with(f, woz1_magic);
  image.container = woz1 ? disk_container::woz1 : disk_container::woz2;
  if (f.size() < woz_header_bytes || std::memcmp(f.data() + 4, woz_high_bytes, 4) != 0)
    return refuse(image, sink, "damaged WOZ header");
  const std::uint32_t stored = le32_at(f, woz_crc_at);
  if (stored != 0) {
    const std::uint32_t found = crc32_of(f.subspan(woz_header_bytes));
    if (found != stored) {
      image.woz_crc_mismatch = true;
      note(sink, "note: '%s' does not match its WOZ CRC-32 (%08X, data %08X); reading on\n",
           image.path.c_str(), static_cast<unsigned>(stored), static_cast<unsigned>(found));
    }
  }
  woz_chunk info, tmap, trks, flux;
  // Each step moves at least the 8 bytes of a chunk header on.
  for (std::size_t pos = woz_header_bytes; pos + woz_chunk_header_bytes <= f.size();) {
    const std::uint8_t* id = f.data() + pos;
    const std::uint64_t length = le32_at(f, pos + 4);
    const std::size_t start = pos + woz_chunk_header_bytes;
    const woz_chunk chunk{true, start, static_cast<std::size_t>(std::min<std::uint64_t>(length, f.size() - start))};
    woz_chunk* slot = std::memcmp(id, woz_info_id, 4) == 0   ? &info
                      : std::memcmp(id, woz_tmap_id, 4) == 0 ? &tmap
                      : std::memcmp(id, woz_trks_id, 4) == 0 ? &trks
                      : std::memcmp(id, woz_flux_id, 4) == 0 ? &flux
                                                             : nullptr;
    if (slot != nullptr && !slot->present) *slot = chunk;
    if (length > f.size() - start) break;  // cut short by the end of the file
    pos = start + static_cast<std::size_t>(length);
  }
  char reason[64];
  if (!info.present || info.length < static_cast<std::size_t>(woz_info_creator_at + woz_info_creator_bytes))
    return refuse(image, sink, info.present ? "WOZ INFO chunk cut short" : "no WOZ INFO chunk");
  image.woz_info_version = f[info.at + woz_info_version_at];
  if (image.woz_info_version < 1 || image.woz_info_version > 3) {
    std::snprintf(reason, sizeof reason, "WOZ INFO version %d", image.woz_info_version);
    return refuse(image, sink, reason);
  }
  const char* creator = reinterpret_cast<const char*>(f.data() + info.at + woz_info_creator_at);
  std::size_t first = 0, last = woz_info_creator_bytes;
  while (first < last && (creator[first] == ' ' || creator[first] == '\0')) ++first;
  while (last > first && (creator[last - 1] == ' ' || creator[last - 1] == '\0')) --last;
  image.woz_creator.assign(creator + first, last - first);
  const std::uint8_t disk_type = f[info.at + woz_info_disk_type_at];
  if (disk_type == woz_disk_35) return refuse(image, sink, "3.5-inch disk");
  if (disk_type != woz_disk_525) {
    std::snprintf(reason, sizeof reason, "WOZ disk type %u", static_cast<unsigned>(disk_type));
    return refuse(image, sink, reason);
  }
  if (!tmap.present || tmap.length < woz_tmap_bytes || !trks.present) {
    if (flux.present) return refuse(image, sink, "flux tracks only");
    return refuse(image, sink, !tmap.present               ? "no WOZ TMAP chunk"
                               : tmap.length < woz_tmap_bytes ? "WOZ TMAP chunk cut short"
                                                              : "no WOZ TRKS chunk");
  }
  bool any_track = false;
  for (std::size_t t = 0; t < disk_tracks; ++t) {
    const std::uint32_t index = f[tmap.at + 4 * t];
    if (index == woz_no_track) continue;
    disk_track_source source;
    if (woz1) {
      // The record as far as its bit count.
      const std::uint64_t record = std::uint64_t{woz1_record_bytes} * index;
      if (record + woz1_bit_count_at + 2 > trks.length) continue;
      const std::size_t at = trks.at + static_cast<std::size_t>(record);
      const std::uint32_t bit_count = le16_at(f, at + woz1_bit_count_at);
      if (bit_count > woz1_bits_bytes * 8) continue;
      source = {at, bit_count};
    } else {
      if (index >= woz2_track_entries || woz2_entry_bytes * (index + 1) > trks.length) continue;
      const std::size_t entry = trks.at + woz2_entry_bytes * index;
      const std::uint64_t start = std::uint64_t{le16_at(f, entry)} * woz2_block_bytes;
      const std::uint64_t room = std::uint64_t{le16_at(f, entry + 2)} * woz2_block_bytes;
      const std::uint32_t bit_count = le32_at(f, entry + 4);
      const std::uint64_t needed = (std::uint64_t{bit_count} + 7) / 8;
      if (needed > room || start + needed > f.size()) continue;
      source = {static_cast<std::size_t>(start), bit_count};
    }
    if (source.length == 0) continue;
    image.tracks[t] = source;
    any_track = true;
  }
  if (!any_track && flux.present) return refuse(image, sink, "flux tracks only");
  return make_physical(image);
}

int open_image(disk_image& image, const char* path, std::int32_t raw_order, const message_sink& sink) {
  image.path = path != nullptr ? path : "";
  image.sector_order = raw_order;
  const std::span<const std::uint8_t> f = image.file;
  if (starts_with(f, woz1_magic) || starts_with(f, woz2_magic)) return open_woz(image, sink);
  if (starts_with(f, two_img_magic)) return open_two_img(image, sink);
  if (f.size() == nib_image_bytes && holds_address_field(f)) {
    image.container = disk_container::nib;
    return open_nib_tracks(image, 0, f.size());
  }
  image.data = f;
  return 0;
}

}  // namespace

const char* disk_container_name(disk_container container) {
  constexpr std::array<const char*, 5> names = {"raw", "2IMG", "NIB", "WOZ 1", "WOZ 2"};  // by disk_container
  return names[static_cast<std::size_t>(container)];
}

int disk_image_open(disk_image& image, std::span<const std::uint8_t> file, const char* path,
                    std::int32_t raw_order, const message_sink& sink) {
  disk_image_close(image);
  image.file = file;
  return open_image(image, path, raw_order, sink);
}

int disk_image_open(disk_image& image, byte_buffer&& file, std::size_t size, const char* path,
                    std::int32_t raw_order, const message_sink& sink) {
  disk_image_close(image);
  image.owned = std::move(file);
  image.file = std::span<const std::uint8_t>(image.owned.get(), image.owned ? size : 0);
  return open_image(image, path, raw_order, sink);
}

namespace {

void decode_track(const disk_image& image, int track) {
  const std::size_t t = static_cast<std::size_t>(track);
  if (image.track_decoded[t]) return;
  image.track_decoded.set(t);
  const disk_track_source& source = image.tracks[t];
  sector_fault* faults = image.faults.data() + sectors_per_track * t;
  if (source.length == 0) {
    std::fill(faults, faults + sectors_per_track, sector_fault::not_found);
    return;
  }
  if (image.container == disk_container::woz1 || image.container == disk_container::woz2)
    gcr_latch_bytes(image.file.data() + source.offset, source.length, image.scratch);
  else
    gcr_circular_bytes(image.file.subspan(source.offset, source.length), image.scratch);
  const gcr_track_read read = gcr_read_track(image.scratch, track, image.decoded.get() + track_bytes * t);
  std::copy(read.faults.begin(), read.faults.end(), faults);
}

}  // namespace

sector_fault disk_image_sector_fault(const disk_image& image, int track, int physical) {
  if (!image.physical || track < 0 || track >= disk_tracks || physical < 0 || physical >= sectors_per_track)
    return sector_fault::none;
  decode_track(image, track);
  return image.faults[static_cast<std::size_t>(sectors_per_track * track + physical)];
}

const std::uint8_t* disk_image_at(const disk_image& image, std::int64_t offset, std::size_t size,
                                  const message_sink& sink) {
  const std::int64_t end = static_cast<std::int64_t>(image.data.size());
  if (offset < 0 || offset > end || static_cast<std::int64_t>(size) > end - offset) return nullptr;
  if (image.physical && size > 0) {
    bool readable = true;
    for (std::int64_t slot = offset / sector_bytes; slot <= (offset + static_cast<std::int64_t>(size) - 1) / sector_bytes;
         ++slot) {
      const int track = static_cast<int>(slot / sectors_per_track);
      const int physical = physical_of_dos_slot[static_cast<std::size_t>(slot % sectors_per_track)];
      const sector_fault fault = disk_image_sector_fault(image, track, physical);
      if (fault == sector_fault::none) continue;
      readable = false;
      const std::size_t key = static_cast<std::size_t>(sectors_per_track * track + physical);
      if (image.fault_reported[key]) continue;
      image.fault_reported.set(key);
      note(sink, "unreadable sector in '%s': track %d, sector %d (%s)\n", image.path.c_str(), track, physical,
           sector_fault_reason(fault));
    }
    if (!readable) return nullptr;
  }
  return image.data.data() + offset;
}

void disk_image_close(disk_image& image) { image = disk_image{}; }
