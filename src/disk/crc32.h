// CRC-32 as zlib computes it (reflected polynomial EDB88320, initial value
// and final XOR all ones), eight bytes a step through eight tables.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace crc32_detail {
constexpr std::array<std::array<std::uint32_t, 256>, 8> make_tables() {
  std::array<std::array<std::uint32_t, 256>, 8> t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][i] = c;
  }
  for (std::size_t n = 1; n < 8; ++n)
    for (std::size_t i = 0; i < 256; ++i) t[n][i] = (t[n - 1][i] >> 8) ^ t[0][t[n - 1][i] & 0xFF];
  return t;
}
inline constexpr std::array<std::array<std::uint32_t, 256>, 8> tables = make_tables();
}  // namespace crc32_detail

// The CRC-32 of `data`, continuing from `crc` (0 to start).
inline std::uint32_t crc32_of(std::span<const std::uint8_t> data, std::uint32_t crc = 0) {
  const auto& t = crc32_detail::tables;
  std::uint32_t c = ~crc;
  std::size_t i = 0;
  for (; i + 8 <= data.size(); i += 8) {
    const std::uint32_t lo = c ^ (std::uint32_t{data[i]} | std::uint32_t{data[i + 1]} << 8 |
                                  std::uint32_t{data[i + 2]} << 16 | std::uint32_t{data[i + 3]} << 24);
    c = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
        t[3][data[i + 4]] ^ t[2][data[i + 5]] ^ t[1][data[i + 6]] ^ t[0][data[i + 7]];
  }
  for (; i < data.size(); ++i) c = t[0][(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return ~c;
}
