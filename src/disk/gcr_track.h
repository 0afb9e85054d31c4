// Reading the sectors of one 16-sector track: the controller's latch that
// finds disk bytes in a bit stream, and the search for address and data
// fields among the disk bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/buffer.h"

// What keeps a sector from being read; none for a sector read whole.
enum class sector_fault : std::uint8_t {
  none,
  not_found,             // no address field of this track and sector
  bad_address_checksum,  // only address fields whose checksum fails
  no_data_field,         // an address field but no data field after it
  bad_data_checksum,     // a data field whose checksum (or a byte) fails
};

// The words of the unreadable-sector message: "not found", ...; "" for none.
const char* sector_fault_reason(sector_fault fault);

// A track is read one full turn and then this much again, so that a
// sector whose fields run across the end of the track's bits (or bytes)
// is seen whole: NIB tracks in disk bytes, bit streams in bits (a sector's
// fields with sync bytes take some 3,200 bits).
inline constexpr std::uint32_t gcr_wrap_bytes = 512;
inline constexpr std::uint32_t gcr_wrap_bits = 4608;

// The disk bytes the latch finds in the circular bit stream `bits` of
// `bit_count` bits (most significant bit first, bit_count > 0, `bits`
// holding at least (bit_count + 7) / 8 bytes): the latch starts empty at
// bit 0 and shifts in bit after bit, for bit_count + gcr_wrap_bits bits
// rounded up to a whole byte, going round to bit 0 after the last.  When
// the top bit of the latch is 1 it holds a disk byte, and the next bit
// starts a new one (so the zero bits after a sync byte fall away).  Takes
// a byte of bits a step through a table; `out` is replaced.
void gcr_latch_bytes(const std::uint8_t* bits, std::uint32_t bit_count, bytes& out);

// The number of bits gcr_latch_bytes reads for a track of `bit_count` bits.
std::uint64_t gcr_latch_bit_span(std::uint32_t bit_count);

// The disk bytes of a NIB track read one turn and gcr_wrap_bytes more.
void gcr_circular_bytes(std::span<const std::uint8_t> track, bytes& out);

// Decodes the 343 disk bytes of a data field (gcr_format.h) into 256
// bytes.  0, or -1 when a byte stands for no value or the checksum fails
// (the sector may then be partly written).
int gcr_decode_data(const std::uint8_t* disk_bytes, std::uint8_t* sector);

// The outcome of reading a track.
struct gcr_track_read {
  std::array<sector_fault, 16> faults{};  // by physical sector
};

// Finds the sectors of track `track` among `disk_bytes` and writes each
// sector read whole into `track_out` (4096 bytes, DOS 3.3 file order:
// physical sector p at 256 * dos_slot_of_physical[p]); the slots of the
// other sectors are left alone.  Address fields of other tracks do not
// count.  When a sector turns up more than once the best reading counts:
// whole, then bad data checksum, no data field, bad address checksum.
gcr_track_read gcr_read_track(std::span<const std::uint8_t> disk_bytes, int track, std::uint8_t* track_out);
