// Not yet implemented: hi-res decoding.
#include "tiles/hires_decode.h"
void decode_shape_data(std::span<std::uint8_t>, std::span<const std::uint8_t>, std::int32_t, std::int32_t) {}
int has_high_bit(int, int) { return 0; }
int water_mask_of(int, int) { return 0; }
