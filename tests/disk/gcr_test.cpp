// The pieces of a track read: the table-driven latch against the latch
// one bit at a time, the 6-and-2 and 4-and-4 codes, and the field search.
#include "disk/gcr_track.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "bitwise_latch.h"
#include "disk/disk_image_write.h"
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
      for (const std::uint8_t b : fast) ASSERT_GE(b, 0x80);
    }
  }
}

TEST(GcrLatch, SyncBytesOfTenBitsFallAwayAndTheStreamGoesRound) {
  // FF and two zero bits, five times, then D5 AA 96 in eight bits each:
  // 74 bits, read round to its start and on.
  std::vector<int> stream;
  for (int s = 0; s < 5; ++s) {
    for (int k = 0; k < 8; ++k) stream.push_back(1);
    stream.push_back(0), stream.push_back(0);
  }
  for (const std::uint8_t b : {0xD5, 0xAA, 0x96})
    for (int k = 7; k >= 0; --k) stream.push_back((b >> k) & 1);
  bytes bits((stream.size() + 7) / 8);
  for (std::size_t i = 0; i < stream.size(); ++i)
    if (stream[i] != 0) bits[i / 8] = static_cast<std::uint8_t>(bits[i / 8] | 0x80 >> (i % 8));
  bytes out;
  gcr_latch_bytes(bits.data(), static_cast<std::uint32_t>(stream.size()), out);
  ASSERT_GE(out.size(), 16u);
  const std::uint8_t turn[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xD5, 0xAA, 0x96};
  EXPECT_EQ(std::memcmp(out.data(), turn, 8), 0);
  EXPECT_EQ(std::memcmp(out.data() + 8, turn, 8), 0);
}

TEST(GcrCodes, SixAndTwoRoundTripsAndCatchesDamage) {
  std::mt19937 generator(5);
  std::uint8_t sector[256], back[256], coded[gcr_data_values];
  for (int round = 0; round < 50; ++round) {
    for (auto& b : sector) b = static_cast<std::uint8_t>(generator());
    if (round == 0) std::memset(sector, 0, sizeof sector);
    if (round == 1) std::memset(sector, 0xFF, sizeof sector);
    gcr_encode_data(sector, coded);
    for (const std::uint8_t c : coded) ASSERT_NE(gcr_read_table[c], gcr_invalid);
    ASSERT_EQ(gcr_decode_data(coded, back), 0);
    ASSERT_EQ(std::memcmp(sector, back, 256), 0);
    // Any one disk byte changed to another valid one, or to one that
    // stands for nothing, fails the checksum.
    const std::size_t at = generator() % gcr_data_values;
    const std::uint8_t kept = coded[at];
    coded[at] = gcr_write_table[(gcr_read_table[kept] + 1 + generator() % 63) % 64];
    EXPECT_EQ(gcr_decode_data(coded, back), -1);
    coded[at] = 0xAA;
    EXPECT_EQ(gcr_decode_data(coded, back), -1);
    coded[at] = kept;
  }
  // The first value holds the low bits of bytes 0, 86 and 172, swapped.
  std::memset(sector, 0, sizeof sector);
  sector[0] = 1, sector[86] = 2, sector[172] = 3;
  gcr_encode_data(sector, coded);
  EXPECT_EQ(gcr_read_table[coded[0]], 0b110110);
  // 4-and-4 of every value, and the bytes as the drive writes them.
  for (int v = 0; v < 256; ++v) {
    const auto b = static_cast<std::uint8_t>(v);
    ASSERT_EQ(gcr_44_value(gcr_44_first(b), gcr_44_second(b)), v);
  }
  EXPECT_EQ(gcr_44_first(254), 0xFF);
  EXPECT_EQ(gcr_44_second(254), 0xFE);
}

TEST(GcrTrack, TheBestReadingOfASectorCountsAndOtherTracksDoNot) {
  const bytes disk = sample_disk(17);
  bytes track;
  gcr_lay_out_nib_track(disk, disk_file_order::dos, 3, {}, track);
  // The same track laid out twice over: the first copy of sector 5 with a
  // bad data field, the second whole; a copy of track 4's sector 7 in the
  // middle does not stand for track 3's.
  bytes damaged = track;
  std::size_t a5 = 0;
  for (std::size_t i = 0; i + 11 < damaged.size(); ++i)
    if (damaged[i] == 0xD5 && damaged[i + 2] == 0x96 && gcr_44_value(damaged[i + 7], damaged[i + 8]) == 5) a5 = i;
  damaged[a5 + 60] = damaged[a5 + 60] == 0x97 ? 0x96 : 0x97;
  bytes other;
  gcr_lay_out_nib_track(disk, disk_file_order::dos, 4, {}, other);
  bytes both = damaged;
  both.insert(both.end(), other.begin(), other.end());
  both.insert(both.end(), track.begin(), track.end());
  bytes out(4096, 0);
  gcr_track_read read = gcr_read_track(both, 3, out.data());
  for (int p = 0; p < 16; ++p) EXPECT_EQ(read.faults[static_cast<std::size_t>(p)], sector_fault::none) << p;
  EXPECT_EQ(std::memcmp(out.data(), disk.data() + 3 * 4096, 4096), 0);
  // Alone, the damaged copy reads as a bad data checksum and its slot is
  // left zero; track 4's bytes give nothing for track 3.
  std::fill(out.begin(), out.end(), 0);
  read = gcr_read_track(damaged, 3, out.data());
  EXPECT_EQ(read.faults[5], sector_fault::bad_data_checksum);
  const std::size_t slot5 = 256 * static_cast<std::size_t>(dos_slot_of_physical[5]);
  EXPECT_EQ(std::count(out.begin() + static_cast<std::ptrdiff_t>(slot5), out.begin() + static_cast<std::ptrdiff_t>(slot5 + 256), 0), 256);
  read = gcr_read_track(other, 3, out.data());
  for (int p = 0; p < 16; ++p) EXPECT_EQ(read.faults[static_cast<std::size_t>(p)], sector_fault::not_found);
  // Nothing at all, and fewer bytes than an address field.
  EXPECT_EQ(gcr_read_track({}, 0, out.data()).faults[0], sector_fault::not_found);
  const std::uint8_t marks[] = {0xD5, 0xAA, 0x96};
  EXPECT_EQ(gcr_read_track(marks, 0, out.data()).faults[0], sector_fault::not_found);
  EXPECT_STREQ(sector_fault_reason(sector_fault::none), "");
}

}  // namespace
