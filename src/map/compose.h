// Composition of one map picture: the 32 x 32 map tiles (some replaced at
// night), then the NPCs of the map's location where their schedule puts
// them at `hour`, moved off cells they cannot take, drawn in a pose chosen
// by the tile under them.  Placement lines go to standard output.
#pragma once

#include <cstdint>
#include <span>

#include "bitmap/image.h"
#include "map/map_data.h"
#include "tiles/shape_sheet.h"

// Draws into `picture.pixels`, laid out by the sheet's geometry: 32 x 32
// cells of tile_width x tile_height pixels of bytes_per_pixel bytes.  The
// buffer must hold that many bytes (data_size); nothing else of the record
// is read.  Never fails.
void draw_map(bitmap& picture, const shape_sheet& sheet, std::span<const std::uint8_t, map_bytes> map,
              std::span<const std::uint8_t, location_block_bytes> location, std::uint8_t floor,
              std::int32_t hour, std::int32_t no_npcs, std::int32_t no_change_pose);
