// The retouch filter: models the colour television signal of an Apple II
// and turns a picture of dot values into 24-bit pixels (blue, green, red).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "bitmap/image.h"
#include "common/message_sink.h"

// Every pixel the filter can make: its colour depends only on the pair of
// colour patterns around it (256), the run of equal hues that gives its
// saturation (0 to 12, or no hue: 14 levels) and whether its own dot is
// lit (2).  With them, the number each hue is counted under in the runs.
// The same for every picture: a run builds it once and hands it to every
// call.
struct retouch_palette {
  static constexpr std::size_t levels = 14;
  static constexpr std::size_t colour_bytes = 4;  // blue, green, red, 0
  // Pair p, level l, dot d (0 dark, 1 lit) at (p * levels + l) * 2 + d.
  std::array<std::uint8_t, 256 * levels * 2 * colour_bytes> colours{};
  std::array<std::uint8_t, 256> hue_of_pair{};  // 0xFF for a pair without hue
  std::uint8_t zero_hue = 0;                    // the number of hue 0
};

// Fills `palette` with the very arithmetic of the colour model.
void build_retouch_palette(retouch_palette& palette);

// The hue, in degrees, of two 4-bit colour patterns seen together; below -1
// means no hue.
double mix_hue(int a, int b);

// Reads width x height one-byte dot values from the start of the picture's
// buffer, whatever its bit count says, and replaces the buffer by a 24-bit
// one (bit_count 24, no palette).  0, or -1 after "ERROR: memory
// exhausted!" (on the sink's console) with the picture unchanged.
int retouch_bitmap(bitmap& picture, std::int32_t join_ends, std::int32_t phase, const message_sink& sink);

// The same with a palette built before.
int retouch_bitmap(bitmap& picture, std::int32_t join_ends, std::int32_t phase, const retouch_palette& palette,
                   const message_sink& sink);
