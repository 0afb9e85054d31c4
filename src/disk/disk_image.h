// Disk image files as people have them, opened by their content: WOZ 1
// and WOZ 2 bit streams, NIB disk bytes, 2IMG (a header before the
// sectors) and raw sector images.  Whatever the container, the readers
// take the disk as the bytes of a raw image:
//
//   raw    the file's bytes as they are, in the order the caller names;
//   2IMG   the data its header points to, in the order its format field
//          names (format 0 DOS 3.3 file order, read in sector order 2;
//          format 1 ProDOS block order, read in order 1); format 2 holds
//          NIB tracks and reads as NIB;
//   NIB, WOZ  the sectors found on the tracks, by their address fields,
//          laid out as a 143,360-byte image in DOS 3.3 file order (read in
//          order 2).  Opening decodes nothing: a track is decoded when a
//          read first needs one of its sectors, and a sector that cannot
//          be read (missing, failed checksum) is never handed out: a read
//          that needs it fails as a read past the end of a raw image does,
//          after one note naming it.
//
// Containers that cannot be read (3.5-inch WOZ, WOZ with flux tracks only,
// an 800K 2IMG, damaged headers) are refused with one note, and then read
// as an image of no bytes, so that the reader's own failure lines follow.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "common/buffer.h"
#include "common/message_sink.h"
#include "disk/gcr_track.h"
#include "disk/sector_order.h"

enum class disk_container : std::uint8_t { raw, two_img, nib, woz1, woz2 };

// "raw", "2IMG", "NIB", "WOZ 1", "WOZ 2".
const char* disk_container_name(disk_container container);

inline constexpr int disk_tracks = 35;
inline constexpr int disk_sectors = disk_tracks * sectors_per_track;  // 560

// Where the disk bytes or bits of one track lie within the file.
struct disk_track_source {
  std::size_t offset = 0;
  std::uint32_t length = 0;  // NIB: bytes; WOZ: bits; 0 for a track that is not there
};

struct disk_image {
  std::string path;  // names the image in messages
  disk_container container = disk_container::raw;
  // False for a container that was refused: it reads as no bytes.
  bool supported = true;
  // The sector order to read `data` in: the caller's for a raw image, the
  // container's otherwise (then `order_from_container` is set).
  std::int32_t sector_order = sector_order_prodos;
  bool order_from_container = false;
  // True for NIB and WOZ (and 2IMG holding NIB): sectors found by their
  // address fields, decoded track by track.
  bool physical = false;
  // WOZ: INFO version and creator (trimmed); CRC-32 stored and found.
  int woz_info_version = 0;
  std::string woz_creator;
  bool woz_crc_mismatch = false;
  // 2IMG: the image format field.
  std::uint32_t two_img_format = 0;

  // The file's bytes: `owned` when the image was read from a path or
  // handed over, else the caller's.
  byte_buffer owned;
  std::span<const std::uint8_t> file;
  // What the readers take: raw, the file; 2IMG of sectors, its data; NIB
  // and WOZ, `decoded`.
  std::span<const std::uint8_t> data;

  // NIB and WOZ: the tracks, and the decoded disk (allocated once at open,
  // so that pointers into it stay valid), filled track by track.
  std::array<disk_track_source, disk_tracks> tracks{};
  byte_buffer decoded;
  mutable std::bitset<disk_tracks> track_decoded;
  mutable std::array<sector_fault, disk_sectors> faults{};  // by 16 * track + physical sector
  mutable std::bitset<disk_sectors> fault_reported;
  mutable bytes scratch;  // the disk bytes of the track being decoded
};

// Results of the opens, beside 0.  The caller prints its own message.
inline constexpr int disk_open_failed = -1;    // the file cannot be opened
inline constexpr int disk_seek_failed = -2;    // the file cannot seek to its start
inline constexpr int disk_read_failed = -3;    // a read of the file failed
inline constexpr int disk_memory_failed = -4;  // memory exhausted

// Opens the image held in `file`; the bytes are the caller's and must stay
// unchanged while the image is used.  `raw_order` is the sector order for
// a raw image.  A refused container gets "error: unsupported disk image
// 'PATH': REASON" on the sink's diagnostics and opens as no bytes; a WOZ
// whose CRC-32 does not match gets one note and opens.  0, or
// disk_memory_failed.
int disk_image_open(disk_image& image, std::span<const std::uint8_t> file, const char* path,
                    std::int32_t raw_order, const message_sink& sink);

// The same for the `size` bytes of `file`, handed over to the image.
int disk_image_open(disk_image& image, byte_buffer&& file, std::size_t size, const char* path,
                    std::int32_t raw_order, const message_sink& sink);

// How disk_image_open_file reads a file.
struct disk_file_reading {
  // Seek to the start before reading, as a sector read does (a pipe then
  // fails with disk_seek_failed).
  bool seek_first = false;
  // A raw image keeps at most this many bytes from its start (-1: all),
  // so that a read of the first tracks does not read a long file whole.
  // Containers are read whole; with 0 nothing is read at all.
  std::int64_t raw_limit = -1;
};

// Reads the file at `path` and opens it as above, `path` naming it.  0,
// disk_open_failed, disk_seek_failed, disk_read_failed or
// disk_memory_failed.
int disk_image_open_file(disk_image& image, const char* path, std::int32_t raw_order,
                         const message_sink& sink, const disk_file_reading& reading = {});

// The `size` bytes at `offset` of the image's data, or null when they do
// not lie within it or, for physical sectors, when a sector holding them
// cannot be read: then "unreadable sector in 'PATH': track T, sector S
// (REASON)" goes to the sink's diagnostics, once per sector for the open
// image, before the null.  Decodes the tracks it needs.  (The readers'
// bounds check of an offset into a raw image, for every container.)
const std::uint8_t* disk_image_at(const disk_image& image, std::int64_t offset, std::size_t size,
                                     const message_sink& sink);

// What keeps physical sector `physical` of track `track` from being read,
// decoding the track when it is not yet: none for a sector read whole, and
// for every sector of a raw or 2IMG image of sectors.
sector_fault disk_image_sector_fault(const disk_image& image, int track, int physical);

// Releases what the image owns and clears it.
void disk_image_close(disk_image& image);
