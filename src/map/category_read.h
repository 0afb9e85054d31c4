// Raw reads of the two areas of a category disk that lie outside any file:
// the NPC tables on track 30 and the 16 maps on tracks 31 to 34 (laid out
// as category_format.h says).  Each read takes an opened disk image (any
// container, disk_image.h), or opens one from a file or from bytes in
// memory; on failure it prints one line ("error: open/seek/read '<name>'")
// to the sink's console and returns -1, leaving what it had placed so far.
// A sector that cannot be read fails as one past the end of the image
// does, after the image's note naming it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/message_sink.h"
#include "disk/disk_image.h"
#include "map/category_format.h"

// Fills `buffer` with `byte_count` bytes of the map area (a multiple of
// 256), each 256-byte sector being one quarter of a 32 x 32 map, from the
// image `disk` in its sector order; its path stands for it in the
// messages.  A sector that does not lie whole within the image fails as
// "error: read '<name>'".
int read_map_data(const disk_image& disk, std::span<std::uint8_t> buffer, std::int32_t byte_count,
                  const message_sink& sink);

// Fills `location_count` 768-byte location blocks of `buffer` from the NPC
// area of `disk`, unpacking the schedules.
int read_npc_data(const disk_image& disk, std::span<std::uint8_t> buffer, std::int32_t location_count,
                  const message_sink& sink);

// The same from the bytes `image` (any container, opened by its content; a
// raw image read in `sector_order`), `name` standing for it.
int read_map_data(std::span<const std::uint8_t> image, const char* name,
                  std::span<std::uint8_t> buffer, std::int32_t byte_count,
                  std::int32_t sector_order, const message_sink& sink);
int read_npc_data(std::span<const std::uint8_t> image, const char* name,
                  std::span<std::uint8_t> buffer, std::int32_t location_count,
                  std::int32_t sector_order, const message_sink& sink);

// Whether a buffer of `buffer_size` bytes can take `byte_count` map bytes
// (taken up to a whole map of 1024) or `location_count` location blocks.
// The reads check this first and fail with "error: buffer too small for
// '<name>'" when it cannot.
bool holds_map_bytes(std::size_t buffer_size, std::int32_t byte_count);
bool holds_locations(std::size_t buffer_size, std::int32_t location_count);

// Opens the category disk image file at `disk_path` for the reads above:
// a container whole, a raw image (read in `sector_order`) from its start
// as far as `end` (a byte count; nothing for 0); the file is closed
// before it returns.
// `seek` seeks to the start first, as a read of sectors does (so a file
// that cannot seek, such as a pipe, fails).  0, or -1 after "error: open
// '<path>'" or "error: seek '<path>'".  A file that cannot be read opens
// as an image of no bytes, whose reads then fail.
int open_category_disk(disk_image& disk, const char* disk_path, std::int32_t sector_order, std::int64_t end,
                       bool seek, const message_sink& sink);

// The reads from the image file at `disk_path`, opened as above (seeking
// first when a sector is to be read, or in order 1).
int read_map_data(const char* disk_path, std::span<std::uint8_t> buffer, std::int32_t byte_count,
                  std::int32_t sector_order, const message_sink& sink);
int read_npc_data(const char* disk_path, std::span<std::uint8_t> buffer,
                  std::int32_t location_count, std::int32_t sector_order, const message_sink& sink);
