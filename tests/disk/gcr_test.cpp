// The pieces of a track read: the table-driven latch against the latch
// one bit at a time, and the field search when a sector turns up twice or
// fields of another track turn up.  (The 6-and-2 code is checked against
// floptool, floptool_test.cpp.)
#include "disk/gcr_track.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "bitwise_latch.h"
#include "disk/gcr_format.h"
#include "disk/sector_skew.h"
#include "image_fixture.h"

namespace {

TEST(GcrLatch, TheTableLatchFindsTheBytesOfTheBitByBitLatch) {
  std::mt19937 generator(21);
  // Noise, sparse bits (long zero runs), and track-like lengths around
  // every remainder mod 8, the short tracks read several times round too.
  for (const std::uint32_t bit_count : {1u, 7u, 8u, 9u, 63u, 1000u, 4623u, 4624u, 4625u, 4631u, 9001u, 50001u,
                                        51023u, 51024u, 53167u}) {
    for (const int density : {1, 2, 8}) {
      SCOPED_TRACE(testing::Message() << bit_count << " bits, density " << density);
      bytes bits((bit_count + 7) / 8);
      for (auto& b : bits) {
        b = static_cast<std::uint8_t>(generator());
        for (int k = 1; k < density; ++k) b &= static_cast<std::uint8_t>(generator());
      }
      bytes fast, slow;
      gcr_latch_bytes(bits.data(), bit_count, fast);
      bitwise_latch_bytes(bits.data(), bit_count, slow);
      EXPECT_TRUE(fast == slow) << fast.size() << " bytes against " << slow.size();
    }
  }
}

TEST(GcrTrack, TheBestReadingOfASectorCountsAndOtherTracksDoNot) {
  const bytes disk = sample_disk(17);
  bytes track, other;
  gcr_lay_out_nib_track(disk, disk_file_order::dos, 3, {}, track);
  gcr_lay_out_nib_track(disk, disk_file_order::dos, 4, {}, other);
  // Track 3 with a bad data field in sector 5, then track 4's fields, then
  // track 3 whole: every sector reads.
  bytes damaged = track;
  const std::size_t field_5 = nib_address_field(damaged, 0, 5);
  damaged[field_5 + 60] = damaged[field_5 + 60] == 0x97 ? 0x96 : 0x97;
  bytes both = damaged;
  both.insert(both.end(), other.begin(), other.end());
  both.insert(both.end(), track.begin(), track.end());
  bytes out(4096, 0);
  gcr_track_read read = gcr_read_track(both, 3, out.data());
  for (int p = 0; p < 16; ++p) EXPECT_EQ(read.faults[static_cast<std::size_t>(p)], sector_fault::none) << p;
  EXPECT_EQ(std::memcmp(out.data(), disk.data() + 3 * 4096, 4096), 0);
  // The damaged copy alone: a bad data checksum, its slot left zero.
  std::fill(out.begin(), out.end(), 0);
  EXPECT_EQ(gcr_read_track(damaged, 3, out.data()).faults[5], sector_fault::bad_data_checksum);
  const auto slot_5 = out.begin() + 256 * dos_slot_of_physical[5];
  EXPECT_EQ(std::count(slot_5, slot_5 + 256, 0), 256);
  // Track 4's fields give nothing for track 3.
  read = gcr_read_track(other, 3, out.data());
  for (int p = 0; p < 16; ++p) EXPECT_EQ(read.faults[static_cast<std::size_t>(p)], sector_fault::not_found);
}

}  // namespace
