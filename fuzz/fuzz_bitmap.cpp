// The BMP reader and the shape-sheet loader on arbitrary files, read from
// memory streams.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "bitmap/bmp_read.h"
#include "fuzz_support.h"
#include "tiles/shape_import.h"

namespace {

// A stream reading `size` bytes at `data`; null for no bytes, which a
// memory stream cannot hold.
std::FILE* memory_stream(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return nullptr;
  return ::fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quiet_sink();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (std::FILE* f = memory_stream(data, size)) {
    bitmap_header header;
    palette_buffer palette;
    byte_buffer pixels;
    read_bitmap(f, header, palette, pixels, quiet_sink());
    std::fclose(f);
  }
  if (std::FILE* f = memory_stream(data, size)) {
    shape_sheet sheet;
    read_shape_bitmap(f, "fuzz", sheet, 16, 32, quiet_sink());
    std::fclose(f);
  }
  return 0;
}
