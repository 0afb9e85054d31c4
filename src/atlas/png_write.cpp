#include "atlas/png_write.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>

#include "bitmap/row_pack.h"

namespace {

constexpr std::array<std::uint8_t, 8> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint8_t colour_rgb = 2;
constexpr std::uint8_t colour_indexed = 3;
constexpr std::uint8_t filter_none = 0;
constexpr std::uint8_t filter_up = 2;
// The largest chunk a decoder must accept.
constexpr std::size_t max_chunk_bytes = 0x7FFFFFFF;

void put_be32(bytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// Opens a chunk of `type`: its length is filled in by end_chunk.
std::size_t begin_chunk(bytes& out, const char (&type)[5]) {
  const std::size_t at = out.size();
  put_be32(out, 0);
  out.insert(out.end(), type, type + 4);
  return at;
}

void end_chunk(bytes& out, std::size_t at) {
  const auto length = static_cast<std::uint32_t>(out.size() - at - 8);
  for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
  put_be32(out, libdeflate_crc32(0, out.data() + at + 4, out.size() - at - 4));
}

// Bytes of one packed row of the PNG.
std::size_t png_row_bytes(std::uint32_t width, std::int32_t bit_count) {
  if (bit_count <= 8) return (std::size_t{width} * static_cast<std::size_t>(bit_count) + 7) / 8;
  return std::size_t{width} * 3;
}

// Packs one row of one-byte indices, `bits` (1, 4 or 8) a pixel, leftmost
// pixel in the highest bits.
void pack_indices(const std::uint8_t* in, std::uint32_t width, int bits, std::uint8_t* out) {
  if (bits == 8) {
    std::memcpy(out, in, width);
  } else if (bits == 4) {
    pack_4bit_row(in, width, out);
  } else {
    pack_1bit_row(in, width, out);
  }
}

// One row of 16, 24 or 32-bit pixels as red, green, blue.
void pack_rgb(const std::uint8_t* in, std::uint32_t width, std::int32_t bit_count, std::uint8_t* out) {
  if (bit_count == 16) {
    for (std::uint32_t x = 0; x < width; ++x, in += 2) {
      const unsigned v = in[0] | (in[1] << 8);
      *out++ = static_cast<std::uint8_t>((v >> 10 & 31) * 255 / 31);
      *out++ = static_cast<std::uint8_t>((v >> 5 & 31) * 255 / 31);
      *out++ = static_cast<std::uint8_t>((v & 31) * 255 / 31);
    }
    return;
  }
  const std::size_t step = bit_count == 32 ? 4 : 3;
  for (std::uint32_t x = 0; x < width; ++x, in += step) {
    *out++ = in[2];
    *out++ = in[1];
    *out++ = in[0];
  }
}

// The filtered rows: indexed rows unfiltered; RGB rows that repeat the row
// above (the colour filters write every row twice) as Up, which makes them
// zeros, the others unfiltered.
void filter_rows(const png_source& p, std::size_t row_bytes, std::uint8_t* out) {
  const std::size_t in_row = std::size_t{p.width} * static_cast<std::size_t>((p.bit_count + 7) / 8);
  const std::uint8_t* previous = nullptr;
  for (std::uint32_t y = 0; y < p.height; ++y) {
    const std::uint8_t* in = p.pixels + y * in_row;
    std::uint8_t* row = out + y * (row_bytes + 1);
    if (p.bit_count <= 8) {
      row[0] = filter_none;
      pack_indices(in, p.width, p.bit_count, row + 1);
    } else if (previous != nullptr && std::memcmp(previous, in, in_row) == 0) {
      row[0] = filter_up;
      std::memset(row + 1, 0, row_bytes);
    } else {
      row[0] = filter_none;
      pack_rgb(in, p.width, p.bit_count, row + 1);
    }
    previous = in;
  }
}

}  // namespace

void compressor_deleter::operator()(libdeflate_compressor* c) const noexcept { libdeflate_free_compressor(c); }

int png_encoder_open(png_encoder& encoder, int level) {
  encoder.compressor.reset(libdeflate_alloc_compressor(level));
  return encoder.compressor ? 0 : -1;
}

int png_encode(png_encoder& encoder, const png_source& p) {
  const std::int32_t b = p.bit_count;
  if (p.width == 0 || p.height == 0 || p.pixels == nullptr || !encoder.compressor ||
      (b != 1 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32))
    return -1;
  const std::size_t row_bytes = png_row_bytes(p.width, b);
  if ((row_bytes + 1) > max_chunk_bytes / p.height) return -1;
  const std::size_t raw_bytes = (row_bytes + 1) * p.height;
  try {
    encoder.rows.resize(raw_bytes);
    filter_rows(p, row_bytes, encoder.rows.data());
    const std::size_t bound = libdeflate_zlib_compress_bound(encoder.compressor.get(), raw_bytes);
    if (bound > max_chunk_bytes) return -1;

    bytes& out = encoder.file;
    out.clear();
    out.reserve(bound + 1024);
    out.insert(out.end(), signature.begin(), signature.end());
    std::size_t at = begin_chunk(out, "IHDR");
    put_be32(out, p.width);
    put_be32(out, p.height);
    out.push_back(static_cast<std::uint8_t>(b <= 8 ? b : 8));
    out.push_back(b <= 8 ? colour_indexed : colour_rgb);
    out.insert(out.end(), {0, 0, 0});
    end_chunk(out, at);
    if (b <= 8) {
      at = begin_chunk(out, "PLTE");
      for (int i = 0; i < (1 << b); ++i) {
        const std::uint32_t c = p.palette != nullptr ? p.palette[i] : 0;
        out.insert(out.end(), {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                               static_cast<std::uint8_t>(c)});
      }
      end_chunk(out, at);
    }
    at = begin_chunk(out, "IDAT");
    const std::size_t data_at = out.size();
    out.resize(data_at + bound);
    const std::size_t packed =
        libdeflate_zlib_compress(encoder.compressor.get(), encoder.rows.data(), raw_bytes, out.data() + data_at, bound);
    if (packed == 0) return -1;  // the bound is always enough
    out.resize(data_at + packed);
    end_chunk(out, at);
    end_chunk(out, begin_chunk(out, "IEND"));
  } catch (const std::bad_alloc&) {
    return -2;
  }
  return 0;
}
