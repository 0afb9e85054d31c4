// Opening a ProDOS volume from an image file: the file is read whole and
// opened as a disk image in memory, which the volume then keeps.
#include <climits>
#include <cstdio>
#include <utility>

#include "common/file_handle.h"
#include "disk/prodos.h"
#include "disk/sector_order.h"

int prodos_read_image_file(const char* path, byte_buffer& image, std::size_t& size,
                           const message_sink& sink) {
  size = 0;
  unique_file file = open_file(path, "rb");
  if (!file) {
    say(sink, "open error '%s'\n", path);
    return -1;
  }
  if (std::fseek(file.get(), 0, SEEK_END) != 0) {
    say(sink, "seek error '%s' (SEEK_END)\n", path);
    return -1;
  }
  const long end = std::ftell(file.get());
  if (end < 0) {
    say(sink, "seek error '%s' (SEEK_END)\n", path);
    return -1;
  }
  if (std::fseek(file.get(), 0, SEEK_SET) != 0) {
    say(sink, "seek error '%s' (SEEK_SET)\n", path);
    return -1;
  }
  // The image is held whole; one larger than the reader can count is more
  // than it can hold.
  if (end > INT32_MAX) {
    say(sink, "memory exhaust!\n");
    return -1;
  }
  const std::size_t wanted = static_cast<std::size_t>(end);
  image = allocate_zeroed<std::uint8_t>(wanted);
  if (image == nullptr) {
    say(sink, "memory exhaust!\n");
    return -1;
  }
  if (std::fread(image.get(), 1, wanted, file.get()) != wanted) {
    say(sink, "read error '%s'\n", path);
    return -1;
  }
  size = wanted;
  return 0;
}

int prodos_open(prodos_volume& volume, const char* path, std::int32_t sector_order,
                const message_sink& sink) {
  volume = prodos_volume{};
  volume.sink = sink;
  byte_buffer image;
  std::size_t size = 0;
  if (prodos_read_image_file(path, image, size, sink) < 0) return -1;
  disk_image disk;
  if (disk_image_open(disk, std::move(image), size, path, sector_order, sink) < 0) {
    say(sink, "memory exhaust!\n");
    return -1;
  }
  return prodos_open_own(volume, std::move(disk), sink);
}
