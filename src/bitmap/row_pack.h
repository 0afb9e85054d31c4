// Packing rows of one-byte palette indices into the bytes of 1- and 4-bit
// pictures, the leftmost pixel in the highest bits, as BMP and PNG files
// both store them.
#pragma once

#include <cstddef>
#include <cstdint>

// `count` pixels into (count + 7) / 8 bytes, any non-zero pixel a set bit.
// The number of bytes written.
std::size_t pack_1bit_row(const std::uint8_t* row, std::uint32_t count, std::uint8_t* out);

// `count` pixels into (count + 1) / 2 bytes, the left pixel of a pair in
// the high four bits; only the low four bits of a pixel count.  An odd last
// pixel fills the high four bits alone.  The number of bytes written.
std::size_t pack_4bit_row(const std::uint8_t* row, std::uint32_t count, std::uint8_t* out);
