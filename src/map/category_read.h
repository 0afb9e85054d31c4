// Raw reads of the two areas of a category disk that lie outside any file:
// the NPC tables on track 30 and the 16 maps on tracks 31 to 34 (laid out
// as category_format.h says).  Each read takes the image from a file or
// from bytes in memory; on failure it prints one line ("error:
// open/seek/read '<name>'") to the sink's console and returns -1, leaving
// what it had placed so far.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/message_sink.h"
#include "map/category_format.h"

// Fills `buffer` with `byte_count` bytes of the map area (a multiple of
// 256), each 256-byte sector being one quarter of a 32 x 32 map, from the
// image `image`; `name` stands for it in the messages.  A sector that does
// not lie whole within the image fails as "error: read '<name>'".
int read_map_data(std::span<const std::uint8_t> image, const char* name,
                  std::span<std::uint8_t> buffer, std::int32_t byte_count,
                  std::int32_t sector_order, const message_sink& sink);

// Fills `location_count` 768-byte location blocks of `buffer` from the NPC
// area of `image`, unpacking the schedules.
int read_npc_data(std::span<const std::uint8_t> image, const char* name,
                  std::span<std::uint8_t> buffer, std::int32_t location_count,
                  std::int32_t sector_order, const message_sink& sink);

// Whether a buffer of `buffer_size` bytes can take `byte_count` map bytes
// (taken up to a whole map of 1024) or `location_count` location blocks.
// The reads check this first and fail with "error: buffer too small for
// '<name>'" when it cannot.
bool holds_map_bytes(std::size_t buffer_size, std::int32_t byte_count);
bool holds_locations(std::size_t buffer_size, std::int32_t location_count);

// The same from the image file at `disk_path`: it is opened and read from
// its start as far as the area reaches, closed on every path, and its bytes
// handed to the reads above.  Also "error: open '<path>'", and "error: seek
// '<path>'" for a file that cannot seek (a pipe).
int read_map_data(const char* disk_path, std::span<std::uint8_t> buffer, std::int32_t byte_count,
                  std::int32_t sector_order, const message_sink& sink);
int read_npc_data(const char* disk_path, std::span<std::uint8_t> buffer,
                  std::int32_t location_count, std::int32_t sector_order, const message_sink& sink);
