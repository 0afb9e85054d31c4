#include "bitmap/bmp_format.h"

std::int64_t bitmap_row_size(std::uint32_t width, std::uint32_t bit_count) {
  std::uint32_t packed = 0;
  switch (bit_count) {
    case 1: packed = (width + 7) / 8; break;
    case 4: packed = (width + 1) / 2; break;
    case 8: packed = width; break;
    case 16: packed = 2 * width; break;
    case 24: packed = 3 * width; break;
    case 32: return std::uint32_t{4 * width};
    default: return -1;
  }
  return std::uint32_t{(packed + 3) & ~std::uint32_t{3}};
}
