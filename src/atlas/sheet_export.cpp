#include "atlas/sheet_export.h"

#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "atlas/stop_signal.h"
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

int move_into_place(const char* temporary, const char* path, bool overwrite) {
  if (overwrite) return ::rename(temporary, path) == 0 ? 0 : -1;
  if (::renameat2(AT_FDCWD, temporary, AT_FDCWD, path, RENAME_NOREPLACE) == 0) return 0;
  if (errno == EEXIST) return 1;
  // A file system that cannot rename without replacing: a second name made
  // only where none is, then the first one dropped.
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return -1;
  if (::link(temporary, path) != 0) return errno == EEXIST ? 1 : -1;
  ::unlink(temporary);
  return 0;
}


namespace {

// Writes the picture to a new file beside `path` and moves it into place:
// the file at `path` is either the whole sheet or what it was.  A stop
// signal received meanwhile removes the new file.
int write_in_one_step(const char* path, const bitmap& picture, bool overwrite, const message_sink& sink) {
  bitmap_header header;
  if (create_bitmap_header(header, static_cast<std::uint32_t>(picture.width),
                           static_cast<std::uint32_t>(picture.height),
                           static_cast<std::uint16_t>(picture.bit_count)) < 0)
    return -1;
  const std::string temporary = std::string(path) + ".qz-atlas-new." + std::to_string(::getpid());
  unique_file stream = open_file(temporary.c_str(), "wb");
  if (!stream) {
    say(sink, "qz-atlas: cannot write '%s': %s\n", temporary.c_str(), std::strerror(errno));
    return -1;
  }
  const bool written = write_bitmap(stream.get(), header, picture.palette, picture.pixels.get(), sink) == 0;
  if (close_written(stream) < 0 || !written || stop_signal_received() != 0) {
    if (stop_signal_received() == 0) say(sink, "qz-atlas: cannot write '%s'\n", path);
    ::unlink(temporary.c_str());
    return -1;
  }
  const int moved = move_into_place(temporary.c_str(), path, overwrite);
  if (moved != 0) {
    if (moved > 0)
      say(sink, "qz-atlas: '%s' exists; --overwrite replaces it\n", path);
    else
      say(sink, "qz-atlas: cannot write '%s'\n", path);
    ::unlink(temporary.c_str());
    return -1;
  }
  return 0;
}

int export_tiles(const options& opts, const message_sink& sink) {
  if (opts.use_shape_bitmap != 0) {
    say(sink, "qz-atlas: --export-sheet takes the tiles from the program disk, not from -s\n");
    return 1;
  }
  struct stat status;
  if (opts.overwrite == 0 && ::stat(opts.sheet_file, &status) == 0) {
    say(sink, "qz-atlas: '%s' exists; --overwrite replaces it\n", opts.sheet_file);
    return 1;
  }
  shape_sheet dots;
  if (load_sheet(opts, dots, sink) < 0) return 1;
  bitmap colours;
  if (colour_tiles_one_by_one(dots, colours) < 0) {
    say(sink, "error: memory exhausted!\n");
    return 1;
  }
  return write_in_one_step(opts.sheet_file, colours, opts.overwrite != 0, sink) < 0 ? 1 : 0;
}

}  // namespace

int export_sheet(const options& opts, const message_sink& sink) {
  clear_stop_signal();
  int status = 0;
  {
    const stop_handlers handlers;
    status = export_tiles(opts, sink);
  }
  if (const int signal = stop_signal_received(); signal != 0) {
    if (status != 0) say(sink, "qz-atlas: stopped by signal %d; no sheet was written\n", signal);
    std::raise(signal);  // the default action again: ends the process
  }
  return status;
}
