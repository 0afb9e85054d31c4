// The colour filter with optional blur: turns a picture of dot values
// (0, 1, delay_marker on the even rows) into palette indices 0 to 15 the way
// an Apple II colour screen shows hi-res dots, and fills the odd rows.
#pragma once

#include <cstdint>

#include "bitmap/image.h"

// join_ends 1 closes every row into a ring; blur 0 gives sharp colours,
// blur 1 soft ones.  Works in place on width x height one-byte pixels.
void blur_bitmap(bitmap& picture, std::int32_t join_ends, std::int32_t blur);
