// The BMP reader and the shape-sheet loader on arbitrary files.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "bitmap/bmp_read.h"
#include "tiles/shape_import.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  silence_stdout();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* path = write_scratch(data, size, "bmp");
  if (path == nullptr) return 0;
  if (std::FILE* f = std::fopen(path, "rb")) {
    bitmap_header header;
    palette_buffer palette;
    byte_buffer pixels;
    read_bitmap(f, header, palette, pixels);
    std::fclose(f);
  }
  shape_sheet sheet;
  read_shape_bitmap(path, sheet, 16, 32);
  return 0;
}
