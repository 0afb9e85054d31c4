// Windows BMP layout shared by the reader and the writer: the 14-byte file
// header and the 40-byte info header (the version 3 layout), the colour
// table of 2, 16 or 256 entries for 1, 4 and 8 bits, then the pixel rows,
// the bottom row first, each padded with zeros to a multiple of 4 bytes.
#pragma once

#include <cstdint>

inline constexpr int bmp_file_header_bytes = 14;
inline constexpr int bmp_info_header_bytes = 40;
inline constexpr int bmp_header_bytes = bmp_file_header_bytes + bmp_info_header_bytes;  // 54

// The header fields in file order, without the two magic bytes "BM".
struct bitmap_header {
  std::uint32_t file_length = 0;
  std::uint16_t reserved1 = 0;
  std::uint16_t reserved2 = 0;
  std::uint32_t data_offset = 0;
  std::uint32_t header_size = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint16_t planes = 0;
  std::uint16_t bit_count = 0;
  std::uint32_t compression = 0;
  std::uint32_t data_length = 0;
  std::uint32_t x_pixels_per_meter = 0;
  std::uint32_t y_pixels_per_meter = 0;
  std::uint32_t colors_used = 0;
  std::uint32_t colors_important = 0;
};

// Colour-table entries for a bit count: 2, 16 or 256 for 1, 4 and 8 bits,
// 0 for 16, 24 and 32 bits, -1 for any other bit count.
constexpr std::int32_t bmp_palette_entries(std::uint32_t bit_count) {
  switch (bit_count) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    case 16: case 24: case 32: return 0;
    default: return -1;
  }
}

// The bytes of one row of `width` pixels: `packed` pixel bytes (eight
// pixels a byte at 1 bit, two at 4 bits, bit_count / 8 bytes a pixel
// above), `stored` those padded with zeros to a multiple of 4.  Computed
// in the unsigned type U: 32 bits wrap as the header fields do, 64 bits
// give the true sizes of any 32-bit width.  Bit counts other than 1, 4,
// 8, 16, 24 and 32 give 0.
template <class U>
struct bmp_row_bytes {
  U packed = 0;
  U stored = 0;
};

template <class U>
constexpr bmp_row_bytes<U> bmp_row_layout(U width, std::uint32_t bit_count) {
  U packed = 0;
  switch (bit_count) {
    case 1: packed = (width + 7) / 8; break;
    case 4: packed = (width + 1) / 2; break;
    case 8: case 16: case 24: case 32: packed = static_cast<U>(width * (bit_count / 8)); break;
    default: return {};
  }
  return {packed, static_cast<U>((packed + 3) & ~U{3})};
}

// Bytes of one stored row, padding included, for a width and bit count, in
// unsigned 32-bit arithmetic (so a huge width wraps as the header fields
// do); -1 for an unsupported bit count.
std::int64_t bitmap_row_size(std::uint32_t width, std::uint32_t bit_count);
