#include "bitmap/bmp_format.h"

std::int64_t bitmap_row_size(std::uint32_t width, std::uint32_t bit_count) {
  if (bmp_palette_entries(bit_count) < 0) return -1;
  return bmp_row_layout<std::uint32_t>(width, bit_count).stored;
}
