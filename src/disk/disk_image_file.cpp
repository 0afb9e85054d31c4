// Reading a disk image from a file: the container is read whole, a raw
// image as far as the caller needs it, then opened as bytes in memory.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/file_handle.h"
#include "disk/disk_image.h"
#include "disk/nib_format.h"
#include "disk/two_img_format.h"
#include "disk/woz_format.h"

namespace {

bool starts_with(std::span<const std::uint8_t> f, const char (&magic)[4]) {
  return f.size() >= 4 && std::memcmp(f.data(), magic, 4) == 0;
}

// Reads `file` on from `size` bytes into `buffer`, growing it, until the
// end of the file or `limit` bytes.  0, disk_read_failed or
// disk_memory_failed.
int read_on(std::FILE* file, std::size_t limit, byte_buffer& buffer, std::size_t& capacity, std::size_t& size) {
  for (;;) {
    if (size == capacity) {
      if (capacity >= limit) return 0;
      const std::size_t doubled = capacity == 0 ? std::size_t{1} << 18 : capacity > limit / 2 ? limit : 2 * capacity;
      const std::size_t grown = std::min(limit, doubled);
      byte_buffer larger(new (std::nothrow) std::uint8_t[grown]);
      if (!larger) return disk_memory_failed;
      if (size > 0) std::memcpy(larger.get(), buffer.get(), size);
      buffer = std::move(larger);
      capacity = grown;
    }
    const std::size_t wanted = capacity - size;
    const std::size_t got = std::fread(buffer.get() + size, 1, wanted, file);
    size += got;
    if (got < wanted) return std::ferror(file) != 0 ? disk_read_failed : 0;
  }
}

}  // namespace

int disk_image_open_file(disk_image& image, const char* path, std::int32_t raw_order,
                         const message_sink& sink, const disk_file_reading& reading) {
  disk_image_close(image);
  unique_file file = open_file(path, "rb");
  if (!file) return disk_open_failed;
  if (reading.seek_first && std::fseek(file.get(), 0, SEEK_SET) != 0) return disk_seek_failed;
  byte_buffer buffer;
  std::size_t capacity = 0, size = 0;
  const std::size_t whole = static_cast<std::size_t>(-1);
  // A limited read still reads far enough to tell a NIB by its length,
  // unless nothing at all is needed.
  const std::size_t first = reading.raw_limit < 0    ? whole
                            : reading.raw_limit == 0 ? 0
                            : std::max<std::size_t>(static_cast<std::size_t>(reading.raw_limit), nib_image_bytes + 1);
  int result = read_on(file.get(), first, buffer, capacity, size);
  const std::span<const std::uint8_t> start(buffer.get(), size);
  const bool container = starts_with(start, woz1_magic) || starts_with(start, woz2_magic) || starts_with(start, two_img_magic);
  if (result == 0 && container && size == capacity) result = read_on(file.get(), whole, buffer, capacity, size);
  if (result < 0) return result;
  result = disk_image_open(image, std::move(buffer), size, path, raw_order, sink);
  if (result == 0 && image.container == disk_container::raw && reading.raw_limit >= 0 &&
      image.file.size() > static_cast<std::size_t>(reading.raw_limit)) {
    image.file = image.file.first(static_cast<std::size_t>(reading.raw_limit));
    image.data = image.file;
  }
  return result;
}

