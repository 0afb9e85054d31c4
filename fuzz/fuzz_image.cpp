// The disk image layer on arbitrary files held in memory: open by content
// (WOZ chunks and track pointers, NIB tracks, 2IMG headers), then read
// every sector as the readers would, decoding each track's bits or disk
// bytes and searching its fields, and ask for every sector's fault.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>
#include <utility>

#include "disk/disk_image.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quiet_sink();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const message_sink sink = quiet_sink();
  // The bytes handed over, as the programs hand over the file they read,
  // in a buffer of exactly their size.
  byte_buffer file(new std::uint8_t[size]);
  if (size > 0) std::memcpy(file.get(), data, size);
  disk_image image;
  if (disk_image_open(image, std::move(file), size, "fuzz", sector_order_dos, sink) < 0) return 0;
  if (image.supported && image.data.size() > static_cast<std::size_t>(disk_image_bytes) && image.physical)
    __builtin_trap();  // a decoded disk is one disk
  // Every sector as the readers ask for it; the bytes handed out must be
  // readable.
  unsigned sum = 0;
  for (std::int64_t at = 0; at < disk_image_bytes; at += sector_bytes) {
    const std::uint8_t* sector = disk_image_at(image, at, sector_bytes, sink);
    if (sector != nullptr) sum += sector[0] + sector[sector_bytes - 1];
  }
  // Reads across sectors and tracks, and past the end.
  for (const std::int64_t at : {std::int64_t{4096} - 100, std::int64_t{143360} - 16, std::int64_t{143360}})
    if (const std::uint8_t* bytes = disk_image_at(image, at, 200, sink)) sum += bytes[199];
  for (int t = 0; t < disk_tracks; ++t)
    for (int p = 0; p < sectors_per_track; ++p) sum += static_cast<unsigned>(disk_image_sector_fault(image, t, p));
  if (image.physical && image.track_decoded.count() != disk_tracks) __builtin_trap();
  std::fprintf(sink.console, "%u %s %s\n", sum, disk_container_name(image.container), image.woz_creator.c_str());
  disk_image_close(image);
  return 0;
}
