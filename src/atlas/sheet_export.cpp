#include "atlas/sheet_export.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "bitmap/bmp_write.h"
#include "common/file_handle.h"
#include "run/render_steps.h"
#include "tiles/blur_filter.h"

int colour_tiles_one_by_one(const shape_sheet& dots, bitmap& colours) {
  const auto tile_width = static_cast<std::size_t>(dots.tile_width);
  const auto tile_height = static_cast<std::size_t>(dots.tile_height);
  const std::size_t sheet_row = tile_width * sheet_tiles_across;
  const std::size_t tile_bytes = tile_width * tile_height;
  const std::size_t sheet_bytes = tile_bytes * sheet_tile_count;
  if (dots.bytes_per_pixel != 1 || dots.pixels == nullptr || dots.data_size < sheet_bytes) return -1;
  colours.width = static_cast<std::int32_t>(sheet_row);
  colours.height = static_cast<std::int32_t>(tile_height * sheet_tiles_down);
  colours.bit_count = 4;
  colours.data_size = static_cast<std::uint32_t>(sheet_bytes);
  colours.palette = dots.palette.get();
  colours.pixels = allocate_zeroed<std::uint8_t>(sheet_bytes);
  bitmap tile{dots.tile_width, dots.tile_height, 4, static_cast<std::uint32_t>(tile_bytes),
              allocate_zeroed<std::uint8_t>(tile_bytes), nullptr};
  if (colours.pixels == nullptr || tile.pixels == nullptr) return -1;
  for (int t = 0; t < sheet_tile_count; ++t) {
    const std::size_t at = (static_cast<std::size_t>(t / sheet_tiles_across) * tile_height) * sheet_row +
                           static_cast<std::size_t>(t % sheet_tiles_across) * tile_width;
    for (std::size_t r = 0; r < tile_height; ++r)
      std::memcpy(&tile.pixels[r * tile_width], &dots.pixels[at + r * sheet_row], tile_width);
    blur_bitmap(tile, 0, 0);
    for (std::size_t r = 0; r < tile_height; ++r)
      std::memcpy(&colours.pixels[at + r * sheet_row], &tile.pixels[r * tile_width], tile_width);
  }
  return 0;
}

namespace {

// Writes the picture to a new file beside `path` and renames it into
// place: the file at `path` is either the whole sheet or what it was.
int write_in_one_step(const char* path, const bitmap& picture) {
  bitmap_header header;
  if (create_bitmap_header(header, static_cast<std::uint32_t>(picture.width),
                           static_cast<std::uint32_t>(picture.height),
                           static_cast<std::uint16_t>(picture.bit_count)) < 0)
    return -1;
  const std::string temporary = std::string(path) + ".qz-atlas-new." + std::to_string(::getpid());
  unique_file stream = open_file(temporary.c_str(), "wb");
  if (!stream) {
    std::printf("qz-atlas: cannot write '%s': %s\n", temporary.c_str(), std::strerror(errno));
    return -1;
  }
  const bool written = write_bitmap(stream.get(), header, picture.palette, picture.pixels.get()) == 0;
  if (close_written(stream) < 0 || !written || ::rename(temporary.c_str(), path) != 0) {
    std::printf("qz-atlas: cannot write '%s'\n", path);
    ::unlink(temporary.c_str());
    return -1;
  }
  return 0;
}

}  // namespace

int export_sheet(const options& opts) {
  if (opts.use_shape_bitmap != 0) {
    std::puts("qz-atlas: --export-sheet takes the tiles from the program disk, not from -s");
    return 1;
  }
  struct stat status;
  if (opts.overwrite == 0 && ::stat(opts.sheet_file, &status) == 0) {
    std::printf("qz-atlas: '%s' exists; --overwrite replaces it\n", opts.sheet_file);
    return 1;
  }
  shape_sheet dots;
  if (load_sheet(opts, dots) < 0) return 1;
  bitmap colours;
  if (colour_tiles_one_by_one(dots, colours) < 0) {
    std::puts("error: memory exhausted!");
    return 1;
  }
  return write_in_one_step(opts.sheet_file, colours) < 0 ? 1 : 0;
}
