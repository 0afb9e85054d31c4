// BMP files built byte by byte, a library for sample files, fuzz seeds and
// tests.  The encoding is written here from the file layout alone, not
// with the program's own writer, so that the reader is checked against an
// independent encoding, and a damaged file is made by changing one header
// field or cutting the bytes short.
#pragma once

#include <cstdint>
#include <vector>

#include "bitmap/bmp_format.h"
#include "common/buffer.h"

// A picture in the program's memory layout: rows from the top, no gap
// between rows, (bit_count + 7) / 8 bytes per pixel (one byte per pixel
// for 1, 4 and 8 bits).
struct bmp_picture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint16_t bit_count = 0;
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB entries, as many as stored
  bytes pixels;
};

// A picture of the given size and bit count whose pixels vary from one to
// the next in a repeatable way (a different `seed` gives other values):
// indices 0..1 for 1 bit, 0..15 for 4 bits, any byte value otherwise, and
// for 1, 4 and 8 bits a full colour table of distinct entries.
bmp_picture bmp_pattern(std::uint32_t width, std::uint32_t height, std::uint16_t bit_count,
                        std::uint32_t seed = 1);

// The header a careful encoder writes for the picture: 40-byte info header,
// one plane, no compression, the table right after the header (as many
// entries as the picture's palette holds), exact data and file lengths.
bitmap_header bmp_header_for(const bmp_picture& picture);

// The 54 bytes of "BM" and the header fields, little-endian.
bytes bmp_header_bytes_of(const bitmap_header& header);

// The stored rows of the picture: bottom row first, packed (1 and 4 bits:
// leftmost pixel in the highest bits), each padded with zeros to a
// multiple of 4 bytes.
bytes bmp_rows_of(const bmp_picture& picture);

// A whole file: the header bytes, the given colour-table entries (blue,
// green, red, 0 each), then `rows`.
bytes bmp_file_of(const bitmap_header& header, const std::vector<std::uint32_t>& palette,
                  const bytes& rows);

// A sound file of the picture: bmp_file_of(bmp_header_for(p), p.palette,
// bmp_rows_of(p)).
bytes bmp_file_of(const bmp_picture& picture);
