#include "run/render_steps.h"

#include <cstdint>
#include <cstdio>

#include "map/category_format.h"
#include "map/category_read.h"
#include "tiles/blur_filter.h"
#include "tiles/shape_import.h"

namespace {

order_request order_of(const options& opts, std::int32_t fallback, bool hint) {
  order_request request;
  request.given = opts.order_given != 0;
  request.order = opts.sector_order;
  request.fallback = fallback;
  request.hint = hint;
  return request;
}

}  // namespace

int load_sheet(const options& opts, shape_sheet& sheet, const message_sink& sink) {
  run_disks disks;
  return load_sheet(opts, sheet, sink, disks);
}

int load_sheet(const options& opts, shape_sheet& sheet, const message_sink& sink, run_disks& disks) {
  disks.headerless_order = sector_order_prodos;
  if (opts.use_shape_bitmap != 0) {
    if (read_shape_bitmap(opts.shape_bitmap, sheet, sheet_tiles_across, sheet_tiles_down, sink) < 0) {
      say(sink, "error: read shape bitmap '%s'\n", opts.shape_bitmap);
      return -1;
    }
    return 0;
  }
  disk_reading program;
  const int result = read_shape(opts.disk_images[0], order_of(opts, sector_order_prodos, true), sheet,
                                opts.shape_type, opts.no_remake_water, sink, &program);
  if (program.opened) {
    disks.read.push_back(program);
    if (program.container == disk_container::raw) disks.headerless_order = program.order;
  }
  if (result < 0) {
    say(sink, "error: read shape '%s'\n", opts.disk_images[0]);
    return -1;
  }
  return 0;
}

bool map_picture_fits(const shape_sheet& sheet) {
  const std::uint64_t width = std::uint64_t(sheet.tile_width < 0 ? 0 : sheet.tile_width) * map_side;
  const std::uint64_t height = std::uint64_t(sheet.tile_height < 0 ? 0 : sheet.tile_height) * map_side;
  const std::uint64_t size = width * height * std::uint64_t(sheet.bytes_per_pixel < 0 ? 0 : sheet.bytes_per_pixel);
  return width <= INT32_MAX && height <= INT32_MAX && size <= UINT32_MAX;
}

int read_category(const options& opts, int c, map_data& maps, npc_data& npcs, const message_sink& sink,
                  run_disks& disks) {
  const char* disk = opts.disk_images[static_cast<std::size_t>(c + 1)];
  // Opened once for both areas; a disk that cannot be opened fails as its
  // map read.
  disk_image image;
  // The map area ends with the disk's last track: a raw image is never
  // needed beyond it.
  const bool opened =
      open_category_disk(image, disk, opts.sector_order, static_cast<std::int64_t>(category_disk_bytes), true, sink) == 0;
  if (opened) {
    const order_choice choice = settle_sector_order(image, order_of(opts, disks.headerless_order, false), sink);
    disks.read.push_back(describe_disk(image, choice));
  }
  if (!opened || read_map_data(image, maps, static_cast<std::int32_t>(map_data_bytes), sink) < 0) {
    say(sink, "error: read map data '%s'\n", disk);
    return -1;
  }
  if (read_npc_data(image, npcs, locations_per_category, sink) < 0) {
    say(sink, "error: read npc data '%s'\n", disk);
    return -1;
  }
  return 0;
}

int colour_picture(const options& opts, bitmap& picture, const retouch_palette& palette,
                   const message_sink& sink) {
  if (opts.use_shape_bitmap != 0) return 0;
  if (opts.blur_count <= 1) {
    blur_bitmap(picture, 0, opts.blur_count);
  } else if (retouch_bitmap(picture, 1, 0, palette, sink) < 0) {
    say(sink, "error: can't retouch bitmap\n");
    return -1;
  }
  return 0;
}
