// The retouch filter: models the colour television signal of an Apple II
// and turns a picture of dot values into 24-bit pixels (blue, green, red).
#pragma once

#include <cstdint>

#include "bitmap/image.h"

// The hue, in degrees, of two 4-bit colour patterns seen together; below -1
// means no hue.
double mix_hue(int a, int b);

// Reads width x height one-byte dot values from the start of the picture's
// buffer, whatever its bit count says, and replaces the buffer by a 24-bit
// one (bit_count 24, no palette).  0, or -1 after "ERROR: memory
// exhausted!" with the picture unchanged.
int retouch_bitmap(bitmap& picture, std::int32_t join_ends, std::int32_t phase);
