// The latch, the 6-and-2 decoder and the field search of gcr_track.h.
#include "disk/gcr_track.h"

#include <cstring>

#include "disk/gcr_format.h"
#include "disk/gcr_latch_table.h"
#include "disk/sector_skew.h"

namespace {

// Runs the latch over whole bytes of bits.
inline void latch_run(const std::uint8_t* bits, std::size_t count, unsigned& state, std::uint8_t*& out) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint16_t step = gcr_latch_table[(state << 8) | bits[i]];
    state = step & 0xFF;
    *out = static_cast<std::uint8_t>(step >> 8);
    out += step >> 15;  // a completed byte has its top bit set
  }
}

inline int bit_at(const std::uint8_t* bits, std::uint64_t i) { return (bits[i >> 3] >> (7 - (i & 7))) & 1; }

// Priority of the readings of a sector, by sector_fault: the higher the
// better (whole, then bad data checksum, no data field, bad address
// checksum, not found).
constexpr std::array<int, 5> rank = {4, 0, 1, 2, 3};

void keep_better(sector_fault& kept, sector_fault found) {
  if (rank[static_cast<std::size_t>(found)] > rank[static_cast<std::size_t>(kept)]) kept = found;
}

// How far after an address field its data field may start: the gap
// between the two is a handful of sync bytes.
constexpr std::size_t data_search_bytes = 48;

}  // namespace

const char* sector_fault_reason(sector_fault fault) {
  constexpr std::array<const char*, 5> reasons = {"", "not found", "bad address checksum", "no data field",
                                                  "bad data checksum"};
  return reasons[static_cast<std::size_t>(fault)];
}

int gcr_decode_data(const std::uint8_t* disk_bytes, std::uint8_t* sector) {
  std::array<std::uint8_t, gcr_data_values> values;
  std::uint8_t running = 0, any = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::uint8_t v = gcr_read_table[disk_bytes[i]];
    any |= v;  // gcr_invalid has its top bit set, the values do not
    running = static_cast<std::uint8_t>(running ^ v);
    values[i] = running;
  }
  // The checksum value makes the running XOR 0.
  if ((any & 0x80) != 0 || running != 0) return -1;
  // Bytes 0-85 take their low bits from bits 0-1 of the first 86 values,
  // bytes 86-171 from bits 2-3, bytes 172-255 from bits 4-5.
  const std::uint8_t* high = values.data() + gcr_aux_values;
  for (int i = 0; i < gcr_aux_values; ++i) {
    const std::uint32_t aux = values[static_cast<std::size_t>(i)];
    sector[i] = static_cast<std::uint8_t>(high[i] << 2 | gcr_swap_2(aux & 3));
    sector[i + 86] = static_cast<std::uint8_t>(high[i + 86] << 2 | gcr_swap_2((aux >> 2) & 3));
    if (i + 172 < 256) sector[i + 172] = static_cast<std::uint8_t>(high[i + 172] << 2 | gcr_swap_2((aux >> 4) & 3));
  }
  return 0;
}

std::uint64_t gcr_latch_bit_span(std::uint32_t bit_count) {
  return (std::uint64_t{bit_count} + gcr_wrap_bits + 7) / 8 * 8;
}

void gcr_latch_bytes(const std::uint8_t* bits, std::uint32_t bit_count, bytes& out) {
  const std::uint64_t span = gcr_latch_bit_span(bit_count);
  // At most one disk byte per 8 bits, and one more slot for the last step
  // of latch_run, which stores before it knows whether a byte was done.
  out.resize(static_cast<std::size_t>(span / 8 + 1));
  std::uint8_t* at = out.data();
  unsigned state = 0;
  const std::uint32_t whole = bit_count / 8, rest = bit_count % 8;
  if (bit_count >= gcr_wrap_bits + 16) {
    // One turn's whole bytes as they are, then the last `rest` bits of the
    // turn followed by the bits from the start: bytes built by shifting.
    latch_run(bits, whole, state, at);
    std::array<std::uint8_t, gcr_wrap_bits / 8 + 1> tail{};
    const std::size_t tail_bytes = static_cast<std::size_t>(span / 8 - whole);
    if (rest == 0) {
      std::memcpy(tail.data(), bits, tail_bytes);
    } else {
      const unsigned keep = 0xFFu << (8 - rest) & 0xFF;
      tail[0] = static_cast<std::uint8_t>((bits[whole] & keep) | bits[0] >> rest);
      for (std::size_t k = 1; k < tail_bytes; ++k)
        tail[k] = static_cast<std::uint8_t>(bits[k - 1] << (8 - rest) | bits[k] >> rest);
    }
    latch_run(tail.data(), tail_bytes, state, at);
  } else {
    // A track too short for that goes round several times: its bits are
    // gathered one by one.
    std::array<std::uint8_t, 8> group{};
    std::uint64_t i = 0;
    for (std::uint64_t g = 0; g < span / 8; ++g) {
      unsigned value = 0;
      for (int k = 0; k < 8; ++k) {
        value = value << 1 | static_cast<unsigned>(bit_at(bits, i));
        if (++i == bit_count) i = 0;
      }
      group[0] = static_cast<std::uint8_t>(value);
      latch_run(group.data(), 1, state, at);
    }
  }
  out.resize(static_cast<std::size_t>(at - out.data()));
}

void gcr_circular_bytes(std::span<const std::uint8_t> track, bytes& out) {
  out.clear();
  if (track.empty()) return;
  out.reserve(track.size() + gcr_wrap_bytes);
  out.assign(track.begin(), track.end());
  while (out.size() < track.size() + gcr_wrap_bytes) {
    const std::size_t more = std::min<std::size_t>(track.size(), track.size() + gcr_wrap_bytes - out.size());
    out.insert(out.end(), track.begin(), track.begin() + static_cast<std::ptrdiff_t>(more));
  }
}

gcr_track_read gcr_read_track(std::span<const std::uint8_t> disk_bytes, int track, std::uint8_t* track_out) {
  gcr_track_read result;
  result.faults.fill(sector_fault::not_found);
  const std::uint8_t* b = disk_bytes.data();
  const std::size_t n = disk_bytes.size();
  std::size_t i = 0;
  while (n >= gcr_address_bytes && i + gcr_address_bytes <= n) {
    const void* found = std::memchr(b + i, gcr_mark_1, n - gcr_address_bytes + 1 - i);
    if (found == nullptr) break;
    i = static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - b);
    if (b[i + 1] != gcr_mark_2 || b[i + 2] != gcr_address_mark) {
      ++i;
      continue;
    }
    const std::uint8_t volume = gcr_44_value(b[i + 3], b[i + 4]);
    const std::uint8_t field_track = gcr_44_value(b[i + 5], b[i + 6]);
    const std::uint8_t sector = gcr_44_value(b[i + 7], b[i + 8]);
    const std::uint8_t checksum = gcr_44_value(b[i + 9], b[i + 10]);
    i += gcr_address_bytes;
    if (sector >= gcr_sectors) continue;
    sector_fault& kept = result.faults[sector];
    if ((volume ^ field_track ^ sector) != checksum) {
      keep_better(kept, sector_fault::bad_address_checksum);
      continue;
    }
    if (field_track != track) continue;
    // The data field: its marks within a few bytes, before any other
    // address field.
    std::size_t d = i;
    bool marks = false;
    for (; d + 3 <= n && d < i + data_search_bytes; ++d) {
      if (b[d] != gcr_mark_1 || b[d + 1] != gcr_mark_2) continue;
      if (b[d + 2] == gcr_address_mark) break;
      if (b[d + 2] == gcr_data_mark) {
        marks = true;
        break;
      }
    }
    if (!marks) {
      keep_better(kept, sector_fault::no_data_field);
      continue;
    }
    d += 3;
    // A data field cut off by the end of what was read is seen whole
    // where the turn began.
    if (d + gcr_data_values > n) continue;
    if (kept != sector_fault::none) {
      std::uint8_t* slot = track_out + 256 * dos_slot_of_physical[sector];
      keep_better(kept, gcr_decode_data(b + d, slot) == 0 ? sector_fault::none : sector_fault::bad_data_checksum);
      if (kept != sector_fault::none) std::memset(slot, 0, 256);
    }
    i = d + gcr_data_values;
  }
  return result;
}
