// A category disk of arbitrary bytes: the raw map and character reads in
// both sector orders, then one map drawn and coloured.
//
// The input is the image from track 30 on (the NPC area, then the map
// area); the reads never look at the 30 tracks before it, which are zeros
// here, so every byte the fuzzer mutates is one the reads take.  An input
// shorter than the two areas is an image cut short.  Its last three bytes
// (part of map 15) also choose what is drawn: the sector order, the map,
// its floor, the hour, default places or the schedules, which filter; and
// the counts of one more pair of reads.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "bitmap/image.h"
#include "fuzz_support.h"
#include "map/category_read.h"
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
  for (std::size_t i = 0; i < size; ++i)
    sheet.pixels[i] = static_cast<std::uint8_t>((i * 37 >> 3) % 3 == 2 ? 0xFF : (i * 37 >> 3) % 2);
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

// The image: 30 tracks of zeros, then the input.
std::span<const std::uint8_t> image_of(const std::uint8_t* data, std::size_t size) {
  static std::vector<std::uint8_t> image(npc_area_offset, 0);
  image.resize(npc_area_offset + size);
  if (size > 0) std::memcpy(image.data() + npc_area_offset, data, size);
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quiet_sink();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const shape_sheet sheet = make_sheet();
  const std::span<const std::uint8_t> image = image_of(data, size);
  const unsigned choice = size > 0 ? data[size - 1] : 0;
  const unsigned when = size > 1 ? data[size - 2] : 12;

  map_data maps[2]{};
  npc_data npcs[2]{};
  int read = 0;  // the orders whose reads both succeeded
  for (std::int32_t order : {1, 2}) {
    const int i = order - 1;
    if (read_map_data(image, "category", maps[i], static_cast<std::int32_t>(map_data_bytes), order, quiet_sink()) == 0 &&
        read_npc_data(image, "category", npcs[i], locations_per_category, order, quiet_sink()) == 0)
      read |= 1 << i;
  }
  // Once more with counts from the input: cut, empty, negative, or more
  // than the buffers take.
  if (size > 2) {
    map_data spare_maps{};
    npc_data spare_npcs{};
    const std::int32_t count = static_cast<std::int32_t>(data[size - 3]) * 72 - 256;
    read_map_data(image, "category", spare_maps, count, static_cast<std::int32_t>(when & 3), quiet_sink());
    read_npc_data(image, "category", spare_npcs, count / 256, static_cast<std::int32_t>(when & 3), quiet_sink());
  }
  const int i = static_cast<int>(choice & 1);
  if ((read & (1 << i)) == 0) return 0;

  // Map j on the floor the map table gives it, or on any floor code.
  const int j = static_cast<int>(choice >> 1) % maps_per_category;
  const std::uint8_t floors[] = {0, 1, 2, 3, 255, static_cast<std::uint8_t>(when)};
  const std::uint8_t floor = floors[(choice >> 5) % 6];
  const bool defaults = (when & 0x80) != 0;
  if (defaults) copy_default_places(npcs[i]);
  const location_view block = location_block(npcs[i], j % locations_per_category);
  bitmap picture = make_picture(sheet);
  draw_map(picture, sheet, map_cells(maps[i], j),
           std::span<const std::uint8_t, location_block_bytes>(block.bytes), floor,
           defaults ? 9 : static_cast<std::int32_t>(when % 24), 0, (when >> 6) & 1);
  if ((when & 0x30) == 0x30) {  // the costlier filter a quarter of the time
    retouch_bitmap(picture, 1, static_cast<std::int32_t>(when & 3), quiet_sink());
  } else {
    blur_bitmap(picture, when & 1, (when >> 1) & 1);
  }
  return 0;
}
