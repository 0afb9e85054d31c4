#include "bitmap/bmp_build.h"

namespace {

void put16(bytes& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(bytes& out, std::uint32_t value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

// A small integer hash: repeatable, and neighbouring pixels differ.
std::uint32_t mix(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
  std::uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return h;
}

std::uint64_t packed_row_bytes(std::uint64_t width, std::uint16_t bit_count) {
  return (width * bit_count + 7) / 8;
}

}  // namespace

bmp_picture bmp_pattern(std::uint32_t width, std::uint32_t height, std::uint16_t bit_count,
                        std::uint32_t seed) {
  bmp_picture p;
  p.width = width;
  p.height = height;
  p.bit_count = bit_count;
  const std::uint32_t pixel_size = (bit_count + 7u) / 8u;
  // Indices in range for 1 and 4 bits; any byte value for the others.
  const std::uint32_t mask = bit_count == 1 ? 1 : bit_count == 4 ? 15 : 255;
  p.pixels.resize(std::size_t{width} * height * pixel_size);
  std::size_t i = 0;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t h = mix(x, y, seed);
      for (std::uint32_t b = 0; b < pixel_size; ++b) {
        p.pixels[i++] = static_cast<std::uint8_t>((h >> (8 * b)) & mask);
      }
    }
  }
  const std::int32_t entries = bmp_palette_entries(bit_count);
  for (std::int32_t e = 0; e < entries; ++e) {
    // Distinct entries: the index is the blue byte, red and green vary.
    const auto index = static_cast<std::uint32_t>(e);
    p.palette.push_back((mix(index, 0x51u, seed) & 0xFFFF00) | index);
  }
  return p;
}

bitmap_header bmp_header_for(const bmp_picture& picture) {
  bitmap_header h;
  h.header_size = bmp_info_header_bytes;
  h.width = picture.width;
  h.height = picture.height;
  h.planes = 1;
  h.bit_count = picture.bit_count;
  h.data_offset = static_cast<std::uint32_t>(bmp_header_bytes + 4 * picture.palette.size());
  const std::uint64_t packed = packed_row_bytes(picture.width, picture.bit_count);
  const std::uint64_t row = (packed + 3) & ~std::uint64_t{3};
  h.data_length = static_cast<std::uint32_t>(row * picture.height);
  h.file_length = h.data_offset + h.data_length;
  return h;
}

bytes bmp_header_bytes_of(const bitmap_header& h) {
  bytes out{'B', 'M'};
  put32(out, h.file_length);
  put16(out, h.reserved1);
  put16(out, h.reserved2);
  put32(out, h.data_offset);
  put32(out, h.header_size);
  put32(out, h.width);
  put32(out, h.height);
  put16(out, h.planes);
  put16(out, h.bit_count);
  put32(out, h.compression);
  put32(out, h.data_length);
  put32(out, h.x_pixels_per_meter);
  put32(out, h.y_pixels_per_meter);
  put32(out, h.colors_used);
  put32(out, h.colors_important);
  return out;
}

bytes bmp_rows_of(const bmp_picture& p) {
  const std::size_t pixel_size = (p.bit_count + 7u) / 8u;
  const std::size_t line = std::size_t{p.width} * pixel_size;
  const std::size_t packed = packed_row_bytes(p.width, p.bit_count);
  const std::size_t row_size = (packed + 3) & ~std::size_t{3};
  bytes out;
  out.reserve(row_size * p.height);
  for (std::uint32_t r = p.height; r-- > 0;) {
    bytes row(row_size, 0);
    const std::uint8_t* in = p.pixels.data() + line * r;
    if (p.bit_count == 1 || p.bit_count == 4) {
      // Pixel x takes bits counted from the top of byte x * bits / 8.
      for (std::uint32_t x = 0; x < p.width; ++x) {
        const std::uint32_t bit = x * p.bit_count;
        const std::uint32_t value = p.bit_count == 1 ? (in[x] != 0 ? 1u : 0u) : (in[x] & 15u);
        const std::uint32_t shift = 8 - p.bit_count - bit % 8;
        row[bit / 8] = static_cast<std::uint8_t>(row[bit / 8] | (value << shift));
      }
    } else {
      for (std::size_t i = 0; i < line; ++i) row[i] = in[i];
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

bytes bmp_file_of(const bitmap_header& header, const std::vector<std::uint32_t>& palette,
                  const bytes& rows) {
  bytes out = bmp_header_bytes_of(header);
  for (std::uint32_t entry : palette) put32(out, entry);
  out.insert(out.end(), rows.begin(), rows.end());
  return out;
}

bytes bmp_file_of(const bmp_picture& picture) {
  return bmp_file_of(bmp_header_for(picture), picture.palette, bmp_rows_of(picture));
}
