#include "bitmap/row_pack.h"

#include <bit>
#include <cstring>

std::size_t pack_1bit_row(const std::uint8_t* row, std::uint32_t count, std::uint8_t* out) {
  std::size_t n = 0;
  for (std::uint32_t x = 0; x < count; x += 8) {
    std::uint8_t byte = 0;
    for (std::uint32_t b = 0; b < 8 && x + b < count; ++b) {
      if (row[x + b] != 0) byte = static_cast<std::uint8_t>(byte | (0x80u >> b));
    }
    out[n++] = byte;
  }
  return n;
}

namespace {

// The pairs are read as little-endian 16-bit words, a loop the compiler
// vectorizes (with an AVX2 clone chosen at run time; the clones stay
// inside this file, as clang makes them only for a function of its own).
__attribute__((target_clones("avx2", "default"))) std::size_t pack_pairs(const std::uint8_t* __restrict row,
                                                                           std::uint32_t count,
                                                                           std::uint8_t* __restrict out) {
  const std::size_t pairs = count / 2;
  for (std::size_t i = 0; i < pairs; ++i) {
    std::uint16_t pair;
    std::memcpy(&pair, row + 2 * i, 2);
    if constexpr (std::endian::native == std::endian::big) pair = static_cast<std::uint16_t>(pair >> 8 | pair << 8);
    out[i] = static_cast<std::uint8_t>(((pair & 0x0F) << 4) | ((pair >> 8) & 0x0F));
  }
  if (count % 2 != 0) out[pairs] = static_cast<std::uint8_t>(row[count - 1] << 4);
  return pairs + count % 2;
}

}  // namespace

std::size_t pack_4bit_row(const std::uint8_t* row, std::uint32_t count, std::uint8_t* out) {
  return pack_pairs(row, count, out);
}
