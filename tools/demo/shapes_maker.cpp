// Assembles the tile file from the painters.
#include "demo/tile_art.h"

namespace demo {

void put_paint(tile_set& set, int t, const tile_paint& paint) {
  set.paints.at(static_cast<std::size_t>(t)) = paint;
  set.is_mask.at(static_cast<std::size_t>(t)) = false;
}

void put_mask(tile_set& set, int t, const hires_tile& mask) {
  set.masks.at(static_cast<std::size_t>(t)) = mask;
  set.is_mask.at(static_cast<std::size_t>(t)) = true;
}

shapes_file make_shapes_file() {
  tile_set set;
  set.paints.fill(filled_paint('.'));
  // Furniture is drawn over floors and people over furniture, so the
  // painters run in this order.
  paint_land_tiles(set);
  paint_building_tiles(set);
  paint_furniture_tiles(set);
  paint_people_tiles(set);
  paint_creature_tiles(set);

  shapes_file file{};
  for (int t = 0; t < 512; ++t) {
    const std::size_t i = static_cast<std::size_t>(t);
    put_tile(file, t, set.is_mask[i] ? set.masks[i] : encode_tile(set.paints[i]));
  }
  return file;
}

}  // namespace demo
