// Not yet implemented: map composition.
#include "map/compose.h"
void draw_map(bitmap&, const shape_sheet&, std::span<const std::uint8_t, map_bytes>,
              std::span<const std::uint8_t, location_block_bytes>, std::uint8_t, std::int32_t,
              std::int32_t, std::int32_t) {}
