// A category disk of arbitrary bytes: the raw map and character reads in
// both sector orders, then every map drawn on a floor of the map table and
// on a floor taken from the input, at an hour taken from the input, with
// and without the default places, and both colour filters over the result.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "bitmap/image.h"
#include "map/category_read.h"
#include "fuzz_support.h"
#include "map/compose.h"
#include "map/map_data.h"
#include "tiles/blur_filter.h"
#include "tiles/retouch_filter.h"
#include "tiles/shape_sheet.h"

namespace {

// A sheet of 2 x 2-pixel tiles whose pixels are dot values taken from the
// tile number, so drawing and filtering see varied dots.
shape_sheet make_sheet() {
  shape_sheet sheet;
  sheet.tile_width = 2;
  sheet.tile_height = 2;
  sheet.bit_count = 4;
  sheet.bytes_per_pixel = 1;
  const std::size_t size = 2 * 16 * 2 * 32;
  sheet.data_size = static_cast<std::uint32_t>(size);
  sheet.pixels = allocate_zeroed<std::uint8_t>(size);
  for (std::size_t i = 0; i < size; ++i) sheet.pixels[i] = static_cast<std::uint8_t>((i * 37 >> 3) % 3 == 2 ? 0xFF : (i * 37 >> 3) % 2);
  sheet.palette = allocate_zeroed<std::uint32_t>(16);
  return sheet;
}

bitmap make_picture(const shape_sheet& sheet) {
  bitmap picture;
  picture.width = sheet.tile_width * 32;
  picture.height = sheet.tile_height * 32;
  picture.bit_count = 4;
  picture.data_size = static_cast<std::uint32_t>(picture.width * picture.height);
  picture.pixels = allocate_zeroed<std::uint8_t>(picture.data_size);
  picture.palette = sheet.palette.get();
  return picture;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  silence_stdout();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* path = write_scratch(data, size, "category");
  if (path == nullptr) return 0;
  static const shape_sheet sheet = make_sheet();
  const std::uint8_t floors[] = {0, 1, 2, 3, 255, size > 0 ? data[size - 1] : std::uint8_t{7}};
  const std::int32_t hour = size > 1 ? data[size - 2] % 24 : 12;
  for (std::int32_t order : {1, 2}) {
    map_data maps{};
    npc_data npcs{};
    read_map_data(path, maps, static_cast<std::int32_t>(map_data_bytes), order);
    read_npc_data(path, npcs, locations_per_category, order);
    if (order == 1) continue;  // draw once; the reads are what differs
    bitmap picture = make_picture(sheet);
    for (int pass = 0; pass < 2; ++pass) {
      if (pass == 1) copy_default_places(npcs);
      for (int j = 0; j < maps_per_category; ++j) {
        const location_view block = location_block(npcs, j % locations_per_category);
        for (std::uint8_t floor : {floors[j % 5], floors[5]}) {
          draw_map(picture, sheet, map_cells(maps, j),
                   std::span<const std::uint8_t, location_block_bytes>(block.bytes), floor,
                   pass == 1 ? 9 : hour, 0, (j & 1));
        }
      }
    }
    blur_bitmap(picture, hour & 1, (hour >> 1) & 1);
    draw_map(picture, sheet, map_cells(maps, 0),
             std::span<const std::uint8_t, location_block_bytes>(location_block(npcs, 0).bytes), 0,
             hour, 0, 0);
    retouch_bitmap(picture, 1, hour & 3);
  }
  return 0;
}
