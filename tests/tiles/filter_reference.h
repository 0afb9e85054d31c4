// Straightforward implementations of the two colour filters, written
// directly from their descriptions with no tables or shortcuts, which the
// tests hold the fast filters to byte for byte.
#pragma once

#include <cstdint>
#include <vector>

using dot_picture = std::vector<std::uint8_t>;

// Blur filter on `width` x `height` one-byte pixels, in place.  An odd last
// row is coloured in place.
void reference_blur(dot_picture& pixels, int width, int height, int join_ends, int blur);

// Retouch filter: the 24-bit picture (blue, green, red) of the dot values
// in `dots`, which it changes as the filter does (delay markers).  join_ends
// 1 falls back to 0 for widths below 10.
std::vector<std::uint8_t> reference_retouch(dot_picture& dots, int width, int height, int join_ends,
                                            int phase);
