// The disk image layer: every container gives the sectors of the raw image
// it was made from; damaged sectors are named and never handed out; bad
// headers are refused with one line; raw images stay as they are.
#include "disk/disk_image.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "disk/crc32.h"
#include "disk/disk_image_write.h"
#include "disk/gcr_format.h"
#include "disk/nib_format.h"
#include "disk/two_img_format.h"
#include "disk/woz_format.h"
#include "image_fixture.h"
#include "support/temp_dir.h"

namespace {

bytes nib_of(const bytes& raw, disk_file_order order = disk_file_order::dos, const gcr_layout& layout = {}) {
  bytes out;
  EXPECT_EQ(write_nib(raw, order, out, layout), 0);
  return out;
}

bytes woz_of(const bytes& raw, int version, disk_file_order order = disk_file_order::dos,
             woz_write_options options = {}) {
  options.version = version;
  bytes out;
  EXPECT_EQ(write_woz(raw, order, out, options), 0);
  return out;
}

bytes two_img_of(const bytes& raw, std::uint32_t format, disk_file_order order = disk_file_order::dos) {
  bytes out;
  EXPECT_EQ(write_two_img(raw, order, format, out), 0);
  return out;
}

std::uint32_t le32(const bytes& f, std::size_t at) {
  return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | static_cast<std::uint32_t>(f[at + 3]) << 24;
}
void set_le32(bytes& f, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) f[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
void set_le16(bytes& f, std::size_t at, std::uint32_t v) {
  f[at] = static_cast<std::uint8_t>(v);
  f[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// Where a chunk's data starts in a WOZ file; 0 when it has none.
std::size_t chunk_at(const bytes& f, const char (&id)[4]) {
  for (std::size_t pos = 12; pos + 8 <= f.size(); pos += 8 + le32(f, pos + 4))
    if (std::memcmp(f.data() + pos, id, 4) == 0) return pos + 8;
  return 0;
}

// Sets the CRC-32 of a WOZ file after its bytes were changed.
void fix_crc(bytes& f) {
  set_le32(f, woz_crc_at, crc32_of(std::span<const std::uint8_t>(f).subspan(woz_header_bytes)));
}

// Where the bits of track `track` of a WOZ 2 file start, and their count.
std::size_t woz2_bits_at(const bytes& f, int track, std::uint32_t* bit_count = nullptr) {
  const std::size_t entry = chunk_at(f, woz_trks_id) + 8 * static_cast<std::size_t>(f[chunk_at(f, woz_tmap_id) + 4 * static_cast<std::size_t>(track)]);
  if (bit_count != nullptr) *bit_count = le32(f, entry + 4);
  return 512 * (f[entry] | f[entry + 1] << 8);
}

// The position in a laid-out track's disk bytes of the fields of physical
// sector `p`: the first byte of its address field's D5 (NIB, no rotation).
std::size_t nib_address_field_of(const bytes& nib, int track, int p) {
  const std::size_t base = nib_track_bytes * static_cast<std::size_t>(track);
  for (std::size_t i = base; i + 11 < base + nib_track_bytes; ++i)
    if (nib[i] == 0xD5 && nib[i + 1] == 0xAA && nib[i + 2] == 0x96 && gcr_44_value(nib[i + 7], nib[i + 8]) == p)
      return i;
  ADD_FAILURE() << "no address field";
  return base;
}

// The offset of physical sector p of track t in the decoded disk (DOS 3.3
// file order).
std::int64_t decoded_offset(int t, int p) {
  return std::int64_t{track_bytes} * t + sector_bytes * dos_slot_of_physical[static_cast<std::size_t>(p)];
}

// --- Every container gives the sectors of its raw image ---

TEST(DiskImage, EveryContainerGivesTheSectorsOfTheRawImageInBothOrders) {
  const bytes disk = sample_disk();
  for (const disk_file_order order : {disk_file_order::dos, disk_file_order::prodos}) {
    SCOPED_TRACE(order == disk_file_order::dos ? "DOS-ordered raw" : "block-ordered raw");
    struct made {
      const char* name;
      bytes file;
      disk_container container;
      std::int32_t sector_order;
    };
    woz_write_options v3;
    v3.info_version = 3;
    const made images[] = {
        {"NIB", nib_of(disk, order), disk_container::nib, sector_order_prodos},
        {"WOZ 1", woz_of(disk, 1, order), disk_container::woz1, sector_order_prodos},
        {"WOZ 2", woz_of(disk, 2, order), disk_container::woz2, sector_order_prodos},
        {"WOZ 2 INFO 3", woz_of(disk, 2, order, v3), disk_container::woz2, sector_order_prodos},
        {"2IMG 0", two_img_of(disk, 0, order), disk_container::two_img, sector_order_prodos},
        {"2IMG 1", two_img_of(disk, 1, order), disk_container::two_img, sector_order_dos},
        {"2IMG 2", two_img_of(disk, 2, order), disk_container::two_img, sector_order_prodos},
    };
    for (const made& m : images) {
      SCOPED_TRACE(m.name);
      // The raw order named by the caller does not matter to a container.
      opened_image opened(m.file, sector_order_dos);
      EXPECT_EQ(opened.result, 0);
      EXPECT_TRUE(opened.image.supported);
      EXPECT_EQ(opened.image.container, m.container);
      EXPECT_EQ(opened.image.sector_order, m.sector_order);
      EXPECT_TRUE(opened.image.order_from_container);
      EXPECT_EQ(sectors_differing(opened, disk, order), 0);
      EXPECT_EQ(opened.messages.notes(), "");
    }
    // The raw image itself, in the order the caller names.
    opened_image raw(disk, sector_order_reading(order));
    EXPECT_EQ(raw.image.container, disk_container::raw);
    EXPECT_FALSE(raw.image.order_from_container);
    EXPECT_EQ(sectors_differing(raw, disk, order), 0);
  }
}

TEST(DiskImage, ContainerNamesAndWozInfo) {
  EXPECT_STREQ(disk_container_name(disk_container::raw), "raw");
  EXPECT_STREQ(disk_container_name(disk_container::two_img), "2IMG");
  EXPECT_STREQ(disk_container_name(disk_container::nib), "NIB");
  EXPECT_STREQ(disk_container_name(disk_container::woz1), "WOZ 1");
  EXPECT_STREQ(disk_container_name(disk_container::woz2), "WOZ 2");
  woz_write_options options;
  options.creator = "  Applesauce v1.4 ";
  options.info_version = 3;
  opened_image woz(woz_of(sample_disk(), 2, disk_file_order::dos, options));
  EXPECT_EQ(woz.image.woz_creator, "Applesauce v1.4");
  EXPECT_EQ(woz.image.woz_info_version, 3);
  options.creator = std::string(32, 'x');
  options.info_version = 0;
  opened_image full(woz_of(sample_disk(), 1, disk_file_order::dos, options));
  EXPECT_EQ(full.image.woz_creator, std::string(32, 'x'));
  EXPECT_EQ(full.image.woz_info_version, 1);
}

// Opening decodes nothing; a read decodes the tracks it needs and no more,
// so that a track no read needs (a copy-protected boot track) stops
// nothing.
TEST(DiskImage, TracksAreDecodedOnlyWhenAReadNeedsThem) {
  bytes woz = woz_of(sample_disk(), 2);
  // Track 0 wiped whole: a boot track the reads below do not need.
  std::uint32_t bit_count = 0;
  const std::size_t at = woz2_bits_at(woz, 0, &bit_count);
  std::fill(woz.begin() + static_cast<std::ptrdiff_t>(at), woz.begin() + static_cast<std::ptrdiff_t>(at + bit_count / 8), 0);
  fix_crc(woz);
  opened_image opened(woz);
  EXPECT_EQ(opened.image.track_decoded.count(), 0u);
  ASSERT_NE(opened.at(decoded_offset(31, 5)), nullptr);
  EXPECT_EQ(opened.image.track_decoded.count(), 1u);
  EXPECT_TRUE(opened.image.track_decoded[31]);
  // A read across two tracks decodes both.
  ASSERT_NE(opened.at(std::int64_t{track_bytes} * 33 - 16, 32), nullptr);
  EXPECT_EQ(opened.image.track_decoded.count(), 3u);
  EXPECT_EQ(opened.messages.notes(), "");
  // Track 0 is unreadable when asked for.
  EXPECT_EQ(disk_image_sector_fault(opened.image, 0, 3), sector_fault::not_found);
  EXPECT_EQ(disk_image_sector_fault(opened.image, 1, 3), sector_fault::none);
}

// --- Tracks as real copies have them ---

TEST(DiskImage, WozWithNeighbourQuarterTracksMetaAndUnknownChunks) {
  const bytes disk = sample_disk(11);
  woz_write_options options;
  options.neighbour_quarters = true;
  const std::string meta = "title\tSample\nlanguage\tEnglish\n";
  options.extra_chunks.push_back({{'M', 'E', 'T', 'A'}, bytes(meta.begin(), meta.end())});
  options.extra_chunks.push_back({{'W', 'R', 'I', 'T'}, bytes(1000, 0xD5)});
  options.extra_chunks.push_back({{'X', 'Y', 'Z', '1'}, bytes(3, 0x96)});
  for (const int version : {1, 2}) {
    SCOPED_TRACE(version);
    bytes woz = woz_of(disk, version, disk_file_order::dos, options);
    const std::size_t tmap = chunk_at(woz, woz_tmap_id);
    ASSERT_NE(tmap, 0u);
    EXPECT_EQ(woz[tmap + 4 * 17 - 1], 17);
    EXPECT_EQ(woz[tmap + 4 * 17 + 1], 17);
    EXPECT_EQ(woz[tmap + 4 * 17 + 2], woz_no_track);
    opened_image opened(woz);
    EXPECT_EQ(sectors_differing(opened, disk, disk_file_order::dos), 0);
    EXPECT_EQ(opened.messages.notes(), "");
    // Track t is quarter track 4t: pointing it at another record reads
    // that record's sectors as unreadable (their address fields name
    // another track); its neighbours do not stand in for it.
    woz[tmap + 4 * 17] = 18;
    fix_crc(woz);
    opened_image moved(woz);
    EXPECT_EQ(disk_image_sector_fault(moved.image, 17, 0), sector_fault::not_found);
    woz[tmap + 4 * 17] = woz_no_track;
    fix_crc(woz);
    opened_image missing(woz);
    EXPECT_EQ(disk_image_sector_fault(missing.image, 17, 9), sector_fault::not_found);
    EXPECT_EQ(disk_image_sector_fault(missing.image, 16, 9), sector_fault::none);
  }
}

TEST(DiskImage, FieldsAcrossTheEndOfTheTrackAndSectorsInAnyOrder) {
  const bytes disk = sample_disk(5);
  std::mt19937 generator(3);
  gcr_layout layout;
  std::shuffle(layout.sequence.begin(), layout.sequence.end(), generator);
  for (const disk_file_order order : {disk_file_order::dos, disk_file_order::prodos}) {
    // NIB: every rotation of a sector's span puts some field across the
    // end: the address field, the gap, the data field.
    for (const std::uint32_t rotation : {1u, 5u, 200u, 300u, 6400u, 6650u}) {
      SCOPED_TRACE(rotation);
      gcr_layout turned = layout;
      turned.rotation = rotation;
      opened_image nib(nib_of(disk, order, turned));
      EXPECT_EQ(sectors_differing(nib, disk, order), 0);
    }
    // WOZ: rotations by any number of bits, not only whole bytes.
    for (const std::uint32_t rotation : {3u, 1001u, 3333u, 50000u, 51000u}) {
      SCOPED_TRACE(rotation);
      woz_write_options options;
      options.layout = layout;
      options.layout.rotation = rotation;
      opened_image woz1(woz_of(disk, 1, order, options));
      EXPECT_EQ(sectors_differing(woz1, disk, order), 0);
      opened_image woz2(woz_of(disk, 2, order, options));
      EXPECT_EQ(sectors_differing(woz2, disk, order), 0);
    }
  }
  // A stored NIB sector really runs across the end: the address field of
  // the first sector laid out begins near the end of the track bytes.
  gcr_layout turned;
  turned.rotation = nib_track_bytes - 3;
  const bytes nib = nib_of(disk, disk_file_order::dos, turned);
  EXPECT_EQ(nib[nib_track_bytes - 1], 0xFF);
}

// --- Unreadable sectors ---

TEST(DiskImage, DamagedFieldsAreNamedOnceAndNeverHandedOut) {
  const bytes disk = sample_disk(9);
  bytes nib = nib_of(disk);
  // Track 31: sector 2's address checksum, sector 4's data mark, sector
  // 6's data, sector 8's address mark.
  const std::size_t a2 = nib_address_field_of(nib, 31, 2);
  nib[a2 + 3] = gcr_44_first(253);  // the volume: the checksum fails
  const std::size_t a4 = nib_address_field_of(nib, 31, 4);
  for (std::size_t i = a4 + 11; i < a4 + 40; ++i)
    if (nib[i] == 0xAD) nib[i] = 0xAB;
  const std::size_t a6 = nib_address_field_of(nib, 31, 6);
  nib[a6 + 100] = nib[a6 + 100] == 0x96 ? 0x97 : 0x96;
  const std::size_t a8 = nib_address_field_of(nib, 31, 8);
  nib[a8 + 2] = 0xB5;
  opened_image opened(nib, sector_order_prodos, "castle.nib");
  ASSERT_EQ(opened.image.container, disk_container::nib);
  EXPECT_EQ(disk_image_sector_fault(opened.image, 31, 2), sector_fault::bad_address_checksum);
  EXPECT_EQ(disk_image_sector_fault(opened.image, 31, 4), sector_fault::no_data_field);
  EXPECT_EQ(disk_image_sector_fault(opened.image, 31, 6), sector_fault::bad_data_checksum);
  EXPECT_EQ(disk_image_sector_fault(opened.image, 31, 8), sector_fault::not_found);
  EXPECT_EQ(opened.messages.notes(), "");
  for (const int p : {2, 4, 6, 8}) EXPECT_EQ(opened.at(decoded_offset(31, p)), nullptr) << p;
  // Asked again, each is named no more.
  for (const int p : {2, 4, 6, 8}) EXPECT_EQ(opened.at(decoded_offset(31, p), 16), nullptr) << p;
  EXPECT_EQ(opened.messages.notes(),
            "unreadable sector in 'castle.nib': track 31, sector 2 (bad address checksum)\n"
            "unreadable sector in 'castle.nib': track 31, sector 4 (no data field)\n"
            "unreadable sector in 'castle.nib': track 31, sector 6 (bad data checksum)\n"
            "unreadable sector in 'castle.nib': track 31, sector 8 (not found)\n");
  // The other sectors of the track read as they were.
  int differing = 0;
  for (int p = 0; p < 16; ++p) {
    if (p == 2 || p == 4 || p == 6 || p == 8) continue;
    const std::uint8_t* sector = opened.at(decoded_offset(31, p));
    const std::uint8_t* expected = disk.data() + decoded_offset(31, p);
    if (sector == nullptr || std::memcmp(sector, expected, 256) != 0) ++differing;
  }
  EXPECT_EQ(differing, 0);
  // A read across a readable and an unreadable sector fails too.
  EXPECT_EQ(opened.at(decoded_offset(31, 2) - 8, 16), nullptr);
}

TEST(DiskImage, WipedBitsNameTheSectorsTheyCover) {
  const bytes disk = sample_disk(4);
  for (const int version : {1, 2}) {
    SCOPED_TRACE(version);
    bytes woz = woz_of(disk, version);
    // Wipe about a quarter of track 31's bits, from 40% of the way in.
    std::size_t bits_at = 0;
    std::uint32_t bit_count = 0;
    if (version == 2) {
      bits_at = woz2_bits_at(woz, 31, &bit_count);
    } else {
      bits_at = chunk_at(woz, woz_trks_id) + woz1_record_bytes * 31;
      bit_count = woz[bits_at + woz1_bit_count_at] | woz[bits_at + woz1_bit_count_at + 1] << 8;
    }
    const std::size_t from = bits_at + bit_count / 8 * 4 / 10, to = bits_at + bit_count / 8 * 65 / 100;
    std::fill(woz.begin() + static_cast<std::ptrdiff_t>(from), woz.begin() + static_cast<std::ptrdiff_t>(to), 0);
    fix_crc(woz);
    opened_image opened(woz, sector_order_prodos, "castle.woz");
    int unreadable = 0;
    for (int p = 0; p < 16; ++p) {
      const sector_fault fault = disk_image_sector_fault(opened.image, 31, p);
      unreadable += fault != sector_fault::none;
      // The sectors laid out in the middle of the track are gone.
      if (p >= 7 && p <= 9) {
        EXPECT_NE(fault, sector_fault::none) << p;
      }
      if (p <= 4 || p >= 12) {
        EXPECT_EQ(fault, sector_fault::none) << p;
      }
    }
    EXPECT_GE(unreadable, 3);
    EXPECT_LE(unreadable, 6);
    EXPECT_EQ(disk_image_sector_fault(opened.image, 30, 8), sector_fault::none);
    EXPECT_EQ(disk_image_sector_fault(opened.image, 32, 8), sector_fault::none);
    EXPECT_EQ(opened.at(decoded_offset(31, 8)), nullptr);
    EXPECT_EQ(opened.messages.notes(), "unreadable sector in 'castle.woz': track 31, sector 8 (not found)\n");
  }
}

// --- Raw images ---

TEST(DiskImage, RawImagesKeepTheirLengthAndTheCallersOrder) {
  const bytes disk = sample_disk();
  for (const std::size_t size : {std::size_t{0}, std::size_t{1000}, std::size_t{140000}, std::size_t{143360},
                                 std::size_t{143361}, std::size_t{232960}, std::size_t{400000}}) {
    SCOPED_TRACE(size);
    bytes raw(size);
    for (std::size_t i = 0; i < size; ++i) raw[i] = disk[i % disk.size()];
    opened_image opened(raw, sector_order_dos);
    EXPECT_EQ(opened.image.container, disk_container::raw);
    EXPECT_EQ(opened.image.sector_order, sector_order_dos);
    EXPECT_FALSE(opened.image.physical);
    EXPECT_EQ(opened.image.data.size(), size);
    EXPECT_EQ(opened.at(static_cast<std::int64_t>(size) - 256) != nullptr, size >= 256);
    EXPECT_EQ(opened.at(static_cast<std::int64_t>(size) - 255), nullptr);
    EXPECT_EQ(opened.at(-1, 1), nullptr);
    EXPECT_EQ(opened.messages.notes(), "");
  }
  // A 232,960-byte raw image with the marks of an address field but no
  // field that checks out stays raw; one holding a real address field is
  // a NIB.
  bytes raw(nib_image_bytes, 0);
  const std::uint8_t marks[] = {0xD5, 0xAA, 0x96, 0xFF, 0xFE, 0xAA, 0xAA, 0xAA, 0xAA, 0xFF, 0xFF};
  std::memcpy(raw.data() + 5000, marks, sizeof marks);  // checksum fails: 254 ^ 0 ^ 0 != 255
  EXPECT_EQ(opened_image(raw).image.container, disk_container::raw);
  raw[5009] = 0xFF, raw[5010] = 0xFE;  // checksum 254
  EXPECT_EQ(opened_image(raw).image.container, disk_container::nib);
  // A NIB one byte longer or shorter is raw.
  bytes nib = nib_of(disk);
  nib.push_back(0xFF);
  EXPECT_EQ(opened_image(nib).image.container, disk_container::raw);
  nib.resize(nib_image_bytes - 1);
  EXPECT_EQ(opened_image(nib).image.container, disk_container::raw);
}

// --- 2IMG headers ---

TEST(DiskImage, TwoImgTakesItsDataOffsetLengthAndFormat) {
  const bytes disk = sample_disk(2);
  // A comment before the data: offset 128.
  bytes moved = two_img_of(disk, 1, disk_file_order::dos);
  moved.insert(moved.begin() + 64, 64, 'c');
  set_le32(moved, two_img_data_offset_at, 128);
  moved.insert(moved.end(), 100, 'z');  // creator data after the sectors
  opened_image at_128(moved);
  EXPECT_EQ(at_128.image.data.size(), 143360u);
  EXPECT_EQ(sectors_differing(at_128, disk, disk_file_order::dos), 0);
  // Length 0: ProDOS blocks * 512 for format 1, the rest of the file else.
  bytes blocks = two_img_of(disk, 1);
  set_le32(blocks, two_img_data_length_at, 0);
  blocks.insert(blocks.end(), 512, 0);
  opened_image by_blocks(blocks);
  EXPECT_EQ(by_blocks.image.data.size(), 143360u);
  EXPECT_EQ(sectors_differing(by_blocks, disk, disk_file_order::dos), 0);
  set_le32(blocks, two_img_blocks_at, 100);
  EXPECT_EQ(opened_image(blocks).image.data.size(), 51200u);
  bytes rest = two_img_of(disk, 0);
  set_le32(rest, two_img_data_length_at, 0);
  rest.resize(rest.size() - 4096);
  opened_image by_rest(rest);
  EXPECT_EQ(by_rest.image.data.size(), 143360u - 4096);
  EXPECT_EQ(by_rest.at(track_bytes * 34), nullptr);
  EXPECT_NE(by_rest.at(track_bytes * 33), nullptr);
  // Data cut short by the end of the file reads as a short raw image.
  bytes cut = two_img_of(disk, 0);
  cut.resize(64 + 70000);
  opened_image short_data(cut);
  EXPECT_TRUE(short_data.image.supported);
  EXPECT_EQ(short_data.image.data.size(), 70000u);
  EXPECT_EQ(short_data.messages.notes(), "");
}

TEST(DiskImage, ContainersThatCannotBeReadAreRefusedWithOneLine) {
  const bytes disk = sample_disk(6);
  struct refused {
    const char* what;
    bytes file;
    const char* reason;
  };
  std::vector<refused> cases;
  bytes big(64 + 819200, 0);
  {
    bytes h = two_img_of(disk, 1);
    h.resize(big.size());
    set_le32(h, two_img_data_length_at, 819200);
    set_le32(h, two_img_blocks_at, 1600);
    cases.push_back({"800K 2IMG", h, "not a 5.25-inch disk (819200 bytes of data)"});
    set_le32(h, two_img_data_length_at, 0);
    cases.push_back({"800K 2IMG by its blocks", h, "not a 5.25-inch disk (819200 bytes of data)"});
  }
  {
    bytes h = two_img_of(disk, 0);
    set_le32(h, two_img_format_at, 3);
    cases.push_back({"2IMG format 3", h, "2IMG image format 3"});
    h = two_img_of(disk, 0);
    set_le32(h, two_img_data_offset_at, 16);
    cases.push_back({"2IMG data in the header", h, "2IMG data offset 16 outside the file"});
    set_le32(h, two_img_data_offset_at, 0xFFFFFF00);
    cases.push_back({"2IMG data past the end", h, "2IMG data offset 4294967040 outside the file"});
    h.resize(40);
    cases.push_back({"2IMG header cut", h, "2IMG header cut short"});
    h = two_img_of(disk, 2);
    set_le32(h, two_img_data_length_at, 143360);
    cases.push_back({"2IMG NIB too short", h, "2IMG of NIB tracks with 143360 bytes of data"});
  }
  const bytes woz = woz_of(disk, 2);
  const std::size_t info = chunk_at(woz, woz_info_id);
  {
    bytes w = woz;
    w[info + woz_info_disk_type_at] = woz_disk_35;
    fix_crc(w);
    cases.push_back({"3.5-inch WOZ", w, "3.5-inch disk"});
    w[info + woz_info_disk_type_at] = 7;
    fix_crc(w);
    cases.push_back({"disk type 7", w, "WOZ disk type 7"});
    w = woz;
    w[info + woz_info_version_at] = 4;
    fix_crc(w);
    cases.push_back({"INFO version 4", w, "WOZ INFO version 4"});
    w[info + woz_info_version_at] = 0;
    fix_crc(w);
    cases.push_back({"INFO version 0", w, "WOZ INFO version 0"});
    w = woz;
    w[6] = 0x0A;  // a text-mode transfer changed the CR
    cases.push_back({"damaged header", w, "damaged WOZ header"});
    w.resize(8);
    cases.push_back({"header cut", w, "damaged WOZ header"});
    w = woz;
    std::memcpy(w.data() + info - 8, "JUNK", 4);
    fix_crc(w);
    cases.push_back({"no INFO", w, "no WOZ INFO chunk"});
    w = woz;
    std::memcpy(w.data() + chunk_at(w, woz_tmap_id) - 8, "JUNK", 4);
    fix_crc(w);
    cases.push_back({"no TMAP", w, "no WOZ TMAP chunk"});
    // Flux tracks only: the TMAP maps no track and a FLUX chunk maps them.
    std::memcpy(w.data() + chunk_at(w, woz_trks_id) - 8, "FLUX", 4);
    fix_crc(w);
    cases.push_back({"FLUX in place of TMAP and TRKS", w, "flux tracks only"});
    w = woz;
    std::fill_n(w.begin() + static_cast<std::ptrdiff_t>(chunk_at(w, woz_tmap_id)), 160, 0xFF);
    woz_write_options with_flux;
    with_flux.info_version = 3;
    bytes flux_map(160, 0xFF);
    flux_map[0] = 0;
    with_flux.extra_chunks.push_back({{'F', 'L', 'U', 'X'}, flux_map});
    w = woz_of(disk, 2, disk_file_order::dos, with_flux);
    std::fill_n(w.begin() + static_cast<std::ptrdiff_t>(chunk_at(w, woz_tmap_id)), 160, 0xFF);
    fix_crc(w);
    cases.push_back({"TMAP empty, FLUX", w, "flux tracks only"});
    w = woz;
    std::memcpy(w.data() + chunk_at(w, woz_trks_id) - 8, "JUNK", 4);
    fix_crc(w);
    cases.push_back({"no TRKS", w, "no WOZ TRKS chunk"});
    w = woz;
    w.resize(chunk_at(w, woz_tmap_id) + 100);
    cases.push_back({"TMAP cut", w, "WOZ TMAP chunk cut short"});
    w.resize(info + 20);
    cases.push_back({"INFO cut", w, "WOZ INFO chunk cut short"});
  }
  for (refused& c : cases) {
    SCOPED_TRACE(c.what);
    opened_image opened(c.file, sector_order_prodos, "odd.img");
    EXPECT_EQ(opened.result, 0);
    EXPECT_FALSE(opened.image.supported);
    EXPECT_EQ(opened.image.data.size(), 0u);
    EXPECT_EQ(opened.at(0, 1), nullptr);
    std::string notes = opened.messages.notes();
    // A WOZ whose bytes were changed also gets its CRC note first.
    if (notes.rfind("note: ", 0) == 0) notes.erase(0, notes.find('\n') + 1);
    EXPECT_EQ(notes, std::string("error: unsupported disk image 'odd.img': ") + c.reason + "\n");
  }
}

// --- WOZ damage ---

TEST(DiskImage, WozCrcMismatchGetsOneNoteAndIsReadOn) {
  const bytes disk = sample_disk(8);
  bytes woz = woz_of(disk, 2);
  const std::uint32_t stored = le32(woz, woz_crc_at);
  // A changed byte of the INFO chunk's padding: every sector still reads.
  woz[chunk_at(woz, woz_info_id) + 55] ^= 1;
  opened_image opened(woz, sector_order_prodos, "a.woz");
  EXPECT_TRUE(opened.image.woz_crc_mismatch);
  EXPECT_EQ(sectors_differing(opened, disk, disk_file_order::dos), 0);
  char expected[128];
  std::snprintf(expected, sizeof expected,
                "note: 'a.woz' does not match its WOZ CRC-32 (%08X, data %08X); reading on\n", stored,
                crc32_of(std::span<const std::uint8_t>(woz).subspan(12)));
  EXPECT_EQ(opened.messages.notes(), expected);
  // A CRC of 0 was not computed: no note.
  set_le32(woz, woz_crc_at, 0);
  opened_image unchecked(woz);
  EXPECT_FALSE(unchecked.image.woz_crc_mismatch);
  EXPECT_EQ(unchecked.messages.notes(), "");
}

TEST(DiskImage, TrackPointersOutOfRangeAndOddBitCountsLeaveTheTrackUnread) {
  const bytes disk = sample_disk(12);
  const bytes woz2 = woz_of(disk, 2);
  const std::size_t trks = chunk_at(woz2, woz_trks_id);
  const std::size_t tmap = chunk_at(woz2, woz_tmap_id);
  struct change {
    const char* what;
    void (*apply)(bytes&, std::size_t trks, std::size_t tmap);
  };
  const change changes[] = {
      {"TMAP index past the entries", [](bytes& f, std::size_t, std::size_t m) { f[m + 4 * 20] = 200; }},
      {"TMAP index of an empty entry", [](bytes& f, std::size_t, std::size_t m) { f[m + 4 * 20] = 100; }},
      {"starting block past the end", [](bytes& f, std::size_t t, std::size_t) { set_le16(f, t + 8 * 20, 0xFFFF); }},
      {"bit count 0", [](bytes& f, std::size_t t, std::size_t) { set_le32(f, t + 8 * 20 + 4, 0); }},
      {"bit count beyond the blocks", [](bytes& f, std::size_t t, std::size_t) { set_le32(f, t + 8 * 20 + 4, 13 * 4096 + 1); }},
      {"bit count huge", [](bytes& f, std::size_t t, std::size_t) { set_le32(f, t + 8 * 20 + 4, 0xFFFFFFFF); }},
      {"block count 0", [](bytes& f, std::size_t t, std::size_t) { set_le16(f, t + 8 * 20 + 2, 0); }},
  };
  for (const change& c : changes) {
    SCOPED_TRACE(c.what);
    bytes f = woz2;
    c.apply(f, trks, tmap);
    fix_crc(f);
    opened_image opened(f);
    EXPECT_TRUE(opened.image.supported);
    for (int p = 0; p < 16; ++p) EXPECT_EQ(disk_image_sector_fault(opened.image, 20, p), sector_fault::not_found);
    EXPECT_EQ(disk_image_sector_fault(opened.image, 19, 0), sector_fault::none);
  }
  // A bit count a little short of the track still holds its bits: only
  // the sector laid out last loses its field's end... so the bits are
  // read round as the count says.  A short count that cuts into the
  // last sector's data field makes it unreadable.
  bytes f = woz2;
  const std::uint32_t bits = le32(f, trks + 8 * 20 + 4);
  set_le32(f, trks + 8 * 20 + 4, bits - 20 * gcr_sync_bits - 100);
  fix_crc(f);
  opened_image shortened(f);
  EXPECT_EQ(disk_image_sector_fault(shortened.image, 20, 14), sector_fault::none);
  EXPECT_EQ(disk_image_sector_fault(shortened.image, 20, 15), sector_fault::bad_data_checksum);
  // WOZ 1: a record count past the chunk, a bit count above the record.
  bytes w1 = woz_of(disk, 1);
  const std::size_t t1 = chunk_at(w1, woz_trks_id);
  set_le16(w1, t1 + woz1_record_bytes * 20 + woz1_bit_count_at, woz1_bits_bytes * 8 + 1);
  w1[chunk_at(w1, woz_tmap_id) + 4 * 21] = 34 + 1;
  fix_crc(w1);
  opened_image odd1(w1);
  EXPECT_EQ(disk_image_sector_fault(odd1.image, 20, 0), sector_fault::not_found);
  EXPECT_EQ(disk_image_sector_fault(odd1.image, 21, 0), sector_fault::not_found);
  EXPECT_EQ(disk_image_sector_fault(odd1.image, 22, 0), sector_fault::none);
}

TEST(DiskImage, TruncatedWozReadsTheTracksItStillHolds) {
  const bytes disk = sample_disk(13);
  for (const int version : {1, 2}) {
    SCOPED_TRACE(version);
    bytes woz = woz_of(disk, version);
    woz.resize(woz.size() * 6 / 10);
    opened_image opened(woz);
    EXPECT_TRUE(opened.image.supported);
    EXPECT_NE(opened.messages.notes().find("CRC-32"), std::string::npos);
    EXPECT_EQ(disk_image_sector_fault(opened.image, 5, 3), sector_fault::none);
    EXPECT_EQ(disk_image_sector_fault(opened.image, 34, 3), sector_fault::not_found);
    // A small bit stream read many times round reads no sector, and ends.
    bytes tiny = woz_of(disk, version);
    if (version == 2) set_le32(tiny, chunk_at(tiny, woz_trks_id) + 4, 9);
    else set_le16(tiny, chunk_at(tiny, woz_trks_id) + woz1_bit_count_at, 9);
    opened_image small(tiny);
    EXPECT_EQ(disk_image_sector_fault(small.image, 0, 0), sector_fault::not_found);
  }
}

// --- From a file ---

TEST(DiskImage, OpenFromAFileReadsContainersWholeAndRawImagesToTheirLimit) {
  temp_dir dir;
  const bytes disk = sample_disk(14);
  write_file(dir.file("a.woz"), woz_of(disk, 2));
  write_file(dir.file("a.dsk"), disk);
  kept_messages messages;
  disk_image image;
  disk_file_reading limited;
  limited.raw_limit = 4096 * 31;
  limited.seek_first = true;
  // A container is read whole whatever the limit.
  ASSERT_EQ(disk_image_open_file(image, dir.file("a.woz").c_str(), sector_order_dos, messages.sink(), limited), 0);
  EXPECT_EQ(image.container, disk_container::woz2);
  EXPECT_EQ(image.path, dir.file("a.woz"));
  EXPECT_NE(disk_image_at(image, decoded_offset(34, 15), 256, messages.sink()), nullptr);
  // A raw image keeps no more than the limit.
  ASSERT_EQ(disk_image_open_file(image, dir.file("a.dsk").c_str(), sector_order_dos, messages.sink(), limited), 0);
  EXPECT_EQ(image.container, disk_container::raw);
  EXPECT_EQ(image.data.size(), 4096u * 31);
  EXPECT_EQ(std::memcmp(image.data.data(), disk.data(), image.data.size()), 0);
  ASSERT_EQ(disk_image_open_file(image, dir.file("a.dsk").c_str(), sector_order_dos, messages.sink()), 0);
  EXPECT_EQ(image.data.size(), disk.size());
  EXPECT_EQ(disk_image_open_file(image, dir.file("none.dsk").c_str(), sector_order_dos, messages.sink()),
            disk_open_failed);
  EXPECT_EQ(messages.notes(), "");
  // Bytes handed over.
  byte_buffer handed(new std::uint8_t[disk.size()]);
  std::memcpy(handed.get(), disk.data(), disk.size());
  ASSERT_EQ(disk_image_open(image, std::move(handed), disk.size(), "h.dsk", sector_order_prodos, messages.sink()), 0);
  EXPECT_EQ(image.data.size(), disk.size());
  disk_image_close(image);
  EXPECT_EQ(image.data.size(), 0u);
}

// A pipe cannot seek: a read that seeks first fails as the sector reads
// do; one that does not reads what the pipe holds.
TEST(DiskImage, APipeFailsToSeekAndIsReadAsItComes) {
  const bytes disk = sample_disk(15);
  for (const bool seek_first : {true, false}) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], disk.data(), 4096), 4096);
    close(ends[1]);
    const std::string path = "/proc/self/fd/" + std::to_string(ends[0]);
    disk_image image;
    disk_file_reading reading;
    reading.seek_first = seek_first;
    const int result = disk_image_open_file(image, path.c_str(), sector_order_prodos, {}, reading);
    close(ends[0]);
    if (seek_first) {
      EXPECT_EQ(result, disk_seek_failed);
    } else {
      ASSERT_EQ(result, 0);
      EXPECT_EQ(image.data.size(), 4096u);
      EXPECT_EQ(std::memcmp(image.data.data(), disk.data(), 4096), 0);
    }
  }
}

}  // namespace
