// PNG encoding of the atlas pictures: the chunk layout written here, the
// compressed image data made by libdeflate.
//
// A file is the 8-byte signature, then chunks of a 4-byte big-endian
// length, a 4-byte type, the data and the CRC-32 of type and data:
//   IHDR  width, height, bit depth, colour type, 0, 0, 0 (no interlace);
//   PLTE  red, green, blue of each colour (indexed pictures only);
//   IDAT  one zlib stream of all rows, each row a filter byte and its
//         pixels (indexed: packed, leftmost pixel in the highest bits);
//   IEND  no data.
#pragma once

#include <cstdint>
#include <memory>

#include "common/buffer.h"

struct libdeflate_compressor;

// Pixels in the program's picture layout (bitmap/image.h): rows from the
// top, `bit_count` 1, 4 or 8 one byte a pixel (a colour-table index), 16,
// 24 or 32 the bytes a BMP row holds.  `palette` holds 2^bit_count
// 0x00RRGGBB entries for 1, 4 and 8 bits, or is null (all black then).
struct png_source {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::int32_t bit_count = 0;
  const std::uint8_t* pixels = nullptr;
  const std::uint32_t* palette = nullptr;
};

struct compressor_deleter {
  void operator()(libdeflate_compressor* c) const noexcept;
};

// One encoder a thread: the compressor and the buffers it reuses.
struct png_encoder {
  std::unique_ptr<libdeflate_compressor, compressor_deleter> compressor;
  bytes rows;  // the filtered rows before compression
  bytes file;  // the last file encoded
};

// Sets up `encoder` with compression level `level` (1..12).  0, or -1 when
// memory is exhausted.
int png_encoder_open(png_encoder& encoder, int level);

// Encodes the picture into `encoder.file`: indexed at the same bit depth
// with its colour table for 1, 4 and 8 bits (a 4-bit pixel keeps its low
// four bits, a 1-bit pixel is 1 when not 0); 8-bit RGB for 16 bits (5-5-5,
// each channel widened as c * 255 / 31), 24 and 32 bits (the fourth byte
// dropped).  0; -1 for an empty picture, an unknown bit count or a picture
// too large for one chunk; -2 when memory is exhausted.
int png_encode(png_encoder& encoder, const png_source& picture);
