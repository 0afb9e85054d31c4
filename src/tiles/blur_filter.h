// The colour filter with optional blur: turns a picture of dot values
// (0, 1, delay_marker on the even rows) into palette indices 0 to 15 the way
// an Apple II colour screen shows hi-res dots, and fills the odd rows.
#pragma once

#include <cstdint>

#include "bitmap/image.h"

// join_ends 1 closes every row into a ring; blur 0 gives sharp colours,
// blur 1 soft ones.  Works in place on width x height one-byte pixels, rows
// taken in pairs: the first row of a pair is coloured and copied over the
// second.  An odd last row is coloured in place.  Does nothing when the
// width or height is not positive or the buffer (data_size) holds fewer
// than width x height bytes.
void blur_bitmap(bitmap& picture, std::int32_t join_ends, std::int32_t blur);

// Replaces, left to right, each delay_marker at a column that is a multiple
// of 14 in the `width` dots of `row` by the dot to its left; at column 0 by
// the row's last dot when `join_ends` is nonzero, else by dark.  Shared by
// both colour filters.
void resolve_delay_markers(std::uint8_t* row, std::int32_t width, std::int32_t join_ends);

// The lit bits of four dots in a row: bit i set when dot i is not 0.  Both
// colour filters slide their windows over rows four dots at a time.
inline unsigned lit_nibble(const std::uint8_t* dots) {
  return (dots[0] != 0 ? 1u : 0u) | (dots[1] != 0 ? 2u : 0u) | (dots[2] != 0 ? 4u : 0u) |
         (dots[3] != 0 ? 8u : 0u);
}
