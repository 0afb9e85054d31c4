// The in-memory picture of one map.
//
// Rows are stored from the top of the picture down, with no gap between
// rows.  Every pixel takes (bit_count + 7) / 8 whole bytes: one byte per
// pixel for 1, 4 and 8 bits (a colour-table index; for 1 bit any non-zero
// byte selects entry 1), and for 16, 24 and 32 bits exactly the bytes the
// pixel has in a BMP row (blue, green, red[, fourth byte]; 16 bits as a
// little-endian word).  Row padding exists only in the file.
#pragma once

#include <cstdint>

#include "common/buffer.h"

struct bitmap {
  std::int32_t width = 0;      // pixels per row
  std::int32_t height = 0;     // pixel rows
  std::int32_t bit_count = 0;  // 1, 4, 8, 16, 24 or 32 when written
  std::uint32_t data_size = 0; // bytes held by `pixels`
  byte_buffer pixels;          // owned by the record's owner
  // Colour table of 2^bit_count entries 0x00RRGGBB for 1, 4 and 8 bits, or
  // null (written as all-zero entries).  Borrowed: it belongs to the shape
  // sheet and is never freed through this record.
  const std::uint32_t* palette = nullptr;
};

// Bytes per pixel in memory for a bit count: 1 for 1, 4 and 8 bits, then
// 2, 3 and 4.
constexpr std::int32_t bytes_per_pixel_of(std::int32_t bit_count) { return (bit_count + 7) / 8; }
