// Little-endian number fields, the byte order of ProDOS structures and of
// BMP headers.  Values are built from bytes with shifts, never by casting a
// record over file bytes.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>

// A read position in a byte buffer.  The readers below advance it past the
// value they take.  A read that would run past the end of the buffer takes
// zero bytes for the missing part and leaves the position at the end, so a
// cursor can never reach outside its buffer.
struct byte_cursor {
  std::span<const std::uint8_t> bytes;
  std::size_t pos = 0;
};

namespace byte_order_detail {
inline std::uint32_t take(byte_cursor& c, int count) {
  std::uint32_t value = 0;
  for (int i = 0; i < count; ++i) {
    if (c.pos < c.bytes.size()) {
      value |= std::uint32_t{c.bytes[c.pos]} << (8 * i);
      ++c.pos;
    }
  }
  return value;
}
}  // namespace byte_order_detail

inline std::uint16_t get_le16(byte_cursor& c) {
  return static_cast<std::uint16_t>(byte_order_detail::take(c, 2));
}
inline std::uint32_t get_le24(byte_cursor& c) { return byte_order_detail::take(c, 3); }
inline std::uint32_t get_le32(byte_cursor& c) { return byte_order_detail::take(c, 4); }

// A write position in a byte buffer; the store helpers put a value there,
// least significant byte first, and move the position just after it.  The
// caller sizes the buffer for what it stores (asserted).
struct byte_writer {
  std::span<std::uint8_t> bytes;
  std::size_t pos = 0;
};

namespace byte_order_detail {
inline void put(byte_writer& w, std::uint32_t value, int count) {
  assert(w.pos + static_cast<std::size_t>(count) <= w.bytes.size());
  for (int i = 0; i < count && w.pos < w.bytes.size(); ++i) {
    w.bytes[w.pos++] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}
}  // namespace byte_order_detail

inline void put_le16(byte_writer& w, std::uint16_t value) { byte_order_detail::put(w, value, 2); }
inline void put_le24(byte_writer& w, std::uint32_t value) { byte_order_detail::put(w, value, 3); }
inline void put_le32(byte_writer& w, std::uint32_t value) { byte_order_detail::put(w, value, 4); }

// Stores a value at `offset` of `to`, least significant byte first; bytes
// that would fall past its end are left out (asserted).
inline void store_le16(std::span<std::uint8_t> to, std::size_t offset, std::uint16_t value) {
  byte_writer w{to, offset};
  put_le16(w, value);
}
inline void store_le24(std::span<std::uint8_t> to, std::size_t offset, std::uint32_t value) {
  byte_writer w{to, offset};
  put_le24(w, value);
}
