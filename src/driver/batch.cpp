#include "driver/batch.h"

#include <cstdint>
#include <cstdio>

#include "bitmap/bmp_write.h"
#include "bitmap/image.h"
#include "map/map_table.h"
#include "map/placement_report.h"
#include "map/compose.h"
#include "map/map_data.h"
#include "tiles/shape_sheet.h"
#include "run/render_steps.h"

namespace {

// Sizes the picture as 32 x 32 tiles of the sheet, shares the sheet's
// colour table and allocates the zeroed pixel buffer once for the run.
int set_up_picture(const shape_sheet& sheet, bitmap& picture, const message_sink& sink) {
  const std::int64_t width = std::int64_t{sheet.tile_width} * map_side;
  const std::int64_t height = std::int64_t{sheet.tile_height} * map_side;
  const std::int64_t size = width * height * sheet.bytes_per_pixel;
  if (!map_picture_fits(sheet) ||
      (picture.pixels = allocate_zeroed<std::uint8_t>(static_cast<std::size_t>(size))) == nullptr) {
    say(sink, "error: memory exhausted!\n");
    return -1;
  }
  picture.width = static_cast<std::int32_t>(width);
  picture.height = static_cast<std::int32_t>(height);
  picture.bit_count = sheet.bit_count;
  picture.palette = sheet.palette.get();
  picture.data_size = static_cast<std::uint32_t>(size);
  return 0;
}

// The run's buffers, one of each for the whole run, released on every
// path out.
struct run_buffers {
  shape_sheet sheet;
  bitmap picture;
  map_data maps{};
  npc_data npcs{};
  retouch_palette colours;  // the retouch filter's colours, built once
  run_disks disks;          // the disks read, and the order of headerless ones
};

// Draws, colours, names and writes map `j` of category `c`.  0, or -1
// after the messages.
int render_map(const options& opts, run_buffers& run, int c, int j, const message_sink& sink) {
  const map_table_entry entry = map_table[static_cast<std::size_t>(c)][static_cast<std::size_t>(j)];
  const char* name =
      location_names[static_cast<std::size_t>(c * locations_per_category + entry.location)];
  say(sink, "[%s]\n", name);

  // Only the even rows of the tiles when a filter colours the picture
  // from them.
  const draw_settings settings{opts.hour, opts.no_npcs, opts.no_change_pose, opts.use_shape_bitmap == 0 ? 1 : 0};
  const map_placement placement = draw_category_map(run.picture, run.sheet, run.maps, run.npcs, c, j, settings);
  say(sink, "%s", placement_lines(placement).c_str());

  if (colour_picture(opts, run.picture, run.colours, sink) < 0) return -1;

  char file_name[256];
  format_output_name(file_name, sizeof file_name, name, entry.floor, opts.hour, opts.use_default);
  if (write_bitmap_file(file_name, run.picture, opts.overwrite, sink) < 0) {
    say(sink, "error: write bitmap file '%s'\n", file_name);
    return -1;
  }
  return 0;
}

// Reads category `c`'s disk and renders its 16 maps.  0, or -1.
int render_category(options& opts, run_buffers& run, int c, const message_sink& sink) {
  if (read_category(opts, c, run.maps, run.npcs, sink, run.disks) < 0) return -1;
  if (opts.use_default != 0) {
    opts.hour = default_placement_hour;
    copy_default_places(run.npcs);
  }
  for (int j = 0; j < maps_per_category; ++j) {
    if (render_map(opts, run, c, j, sink) < 0) return -1;
  }
  return 0;
}

}  // namespace

int run_batch(options& opts, const message_sink& sink) {
  run_buffers run;
  if (uses_retouch(opts)) build_retouch_palette(run.colours);
  if (load_sheet(opts, run.sheet, sink, run.disks) < 0 || set_up_picture(run.sheet, run.picture, sink) < 0) return 1;
  for (int c = 0; c < category_count; ++c) {
    if ((opts.category_mask & (1 << c)) == 0) continue;
    if (render_category(opts, run, c, sink) < 0) return 1;
  }
  return 0;
}
