// The controller's latch one bit at a time: the plain model the table-
// driven latch of gcr_track.cpp must match, for the tests and the
// benchmark.  Reads the same span of bits (gcr_latch_bit_span).
#pragma once

#include <cstdint>

#include "common/buffer.h"
#include "disk/gcr_track.h"

inline void bitwise_latch_bytes(const std::uint8_t* bits, std::uint32_t bit_count, bytes& out) {
  out.clear();
  const std::uint64_t span = gcr_latch_bit_span(bit_count);
  unsigned latch = 0;
  std::uint32_t i = 0;
  for (std::uint64_t k = 0; k < span; ++k) {
    latch = (latch << 1 | ((bits[i / 8] >> (7 - i % 8)) & 1u)) & 0xFF;
    if ((latch & 0x80) != 0) {
      out.push_back(static_cast<std::uint8_t>(latch));
      latch = 0;
    }
    if (++i == bit_count) i = 0;
  }
}
