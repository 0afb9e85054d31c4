// The table that runs the controller's latch a byte of bits a step (for
// gcr_track.cpp), built while compiling.  Between disk bytes the latch
// holds the bits shifted in so far, a value below 128 (the top bit still
// 0).  Entry 256 * state + input: the state after the 8 bits of `input`,
// in the low byte, and the disk byte completed meanwhile in the high byte
// (0 for none).  A disk byte needs 8 bits from its first 1 bit, so 8 bits
// complete at most one.  (Clang needs -fconstexpr-steps raised for the
// file that includes it: src/disk/CMakeLists.txt.)
#pragma once

#include <array>
#include <cstdint>

constexpr std::array<std::uint16_t, 128 * 256> make_gcr_latch_table() {
  std::array<std::uint16_t, 128 * 256> table{};
  for (unsigned state = 0; state < 128; ++state) {
    for (unsigned input = 0; input < 256; ++input) {
      unsigned latch = state, done = 0;
      for (int bit = 7; bit >= 0; --bit) {
        latch = ((latch << 1) | ((input >> bit) & 1)) & 0xFF;
        if ((latch & 0x80) != 0) {
          done = latch;
          latch = 0;
        }
      }
      table[256 * state + input] = static_cast<std::uint16_t>(done << 8 | latch);
    }
  }
  return table;
}
inline constexpr std::array<std::uint16_t, 128 * 256> gcr_latch_table = make_gcr_latch_table();
