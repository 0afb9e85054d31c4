// The disk image layer: every container gives the sectors of the raw image
// it was made from; damaged sectors are named and never handed out; bad
// headers are refused with one line; raw images stay as they are.
#include "disk/disk_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "disk/gcr_format.h"
#include "disk/nib_format.h"
#include "disk/two_img_format.h"
#include "image_fixture.h"
#include "support/temp_dir.h"

namespace {

bytes nib_of(const bytes& raw, disk_file_order order = disk_file_order::dos, const gcr_layout& layout = {}) {
  bytes out;
  EXPECT_EQ(write_nib(raw, order, out, layout), 0);
  return out;
}

bytes two_img_of(const bytes& raw, std::uint32_t format, disk_file_order order = disk_file_order::dos) {
  bytes out;
  EXPECT_EQ(write_two_img(raw, order, format, out), 0);
  return out;
}

// The offset of physical sector p of track t in the decoded disk (DOS 3.3
// file order).
std::int64_t decoded_offset(int t, int p) {
  return std::int64_t{track_bytes} * t + sector_bytes * dos_slot_of_physical[static_cast<std::size_t>(p)];
}

TEST(DiskImage, EveryContainerGivesTheSectorsOfTheRawImageInBothOrders) {
  const bytes disk = sample_disk();
  woz_write_options info_3;
  info_3.info_version = 3;
  for (const disk_file_order order : {disk_file_order::dos, disk_file_order::prodos}) {
    SCOPED_TRACE(order == disk_file_order::dos ? "DOS-ordered raw" : "block-ordered raw");
    const struct {
      bytes file;
      disk_container container;
    } images[] = {
        {nib_of(disk, order), disk_container::nib},
        {woz_of(disk, 1, order), disk_container::woz1},
        {woz_of(disk, 2, order), disk_container::woz2},
        {woz_of(disk, 2, order, info_3), disk_container::woz2},
        {two_img_of(disk, 0, order), disk_container::two_img},
        {two_img_of(disk, 1, order), disk_container::two_img},
        {two_img_of(disk, 2, order), disk_container::two_img},
    };
    for (const auto& made : images) {
      SCOPED_TRACE(&made - images);
      // The raw order the caller names does not matter to a container.
      opened_image opened(made.file, sector_order_dos);
      EXPECT_EQ(opened.result, 0);
      EXPECT_TRUE(opened.image.supported && opened.image.order_from_container);
      EXPECT_EQ(opened.image.container, made.container);
      EXPECT_EQ(sectors_differing(opened, disk, order), 0);
      EXPECT_EQ(opened.notes(), "");
    }
    opened_image raw(disk, sector_order_reading(order));
    EXPECT_EQ(raw.image.container, disk_container::raw);
    EXPECT_FALSE(raw.image.order_from_container);
    EXPECT_EQ(sectors_differing(raw, disk, order), 0);
  }
}

// Opening decodes nothing; a read decodes the tracks it needs and no more,
// so that a track no read needs (a copy-protected boot track) stops
// nothing.  Bits wiped from the middle of a track take its middle sectors
// alone: the latch finds the bytes again after them.
TEST(DiskImage, TracksAreDecodedWhenAReadNeedsThemAndWipedBitsTakeTheirSectors) {
  bytes woz = woz_of(sample_disk(4), 2);
  wipe_woz2_bits(woz, 0, 0, 1);
  wipe_woz2_bits(woz, 31, 0.4, 0.65);
  opened_image opened(woz, sector_order_prodos, "castle.woz");
  EXPECT_EQ(opened.image.track_decoded.count(), 0u);
  ASSERT_NE(opened.at(std::int64_t{track_bytes} * 31 - 16, 32), nullptr);  // physical 15 of 30, 0 of 31
  EXPECT_TRUE(opened.image.track_decoded.count() == 2 && opened.image.track_decoded[30] && opened.image.track_decoded[31]);
  int unreadable = 0;
  for (int p = 0; p < 16; ++p) {
    const bool readable = disk_image_sector_fault(opened.image, 31, p) == sector_fault::none;
    unreadable += !readable;
    EXPECT_FALSE(readable && p >= 7 && p <= 9) << p;  // laid out where the bits were wiped
    EXPECT_TRUE(readable || (p > 4 && p < 12)) << p;
  }
  EXPECT_LE(unreadable, 6);
  EXPECT_EQ(opened.notes(), "");
  EXPECT_EQ(opened.at(decoded_offset(31, 8)), nullptr);
  EXPECT_EQ(opened.notes(), "unreadable sector in 'castle.woz': track 31, sector 8 (not found)\n");
  EXPECT_EQ(opened.image.track_decoded.count(), 2u);
  EXPECT_EQ(disk_image_sector_fault(opened.image, 0, 3), sector_fault::not_found);
}

// Quarter tracks 4t - 1 and 4t + 1 led to track t's record, as in copies
// of real disks, META and unknown chunks: read as they are.  Track t is
// quarter track 4t alone; its neighbours do not stand in for it.
TEST(DiskImage, WozQuarterTracksChunksAndCreator) {
  const bytes disk = sample_disk(11);
  woz_write_options options;
  const std::string meta = "title\tSample\nlanguage\tEnglish\n";
  options.extra_chunks = {{{'M', 'E', 'T', 'A'}, bytes(meta.begin(), meta.end())},
                          {{'W', 'R', 'I', 'T'}, bytes(1000, 0xD5)},
                          {{'X', 'Y', 'Z', '1'}, bytes(3, 0x96)}};
  for (const int version : {1, 2}) {
    SCOPED_TRACE(version);
    options.creator = version == 1 ? "  Applesauce v1.4 " : std::string(32, 'x');
    bytes woz = woz_of(disk, version, disk_file_order::dos, options);
    const std::size_t tmap = woz_chunk(woz, woz_tmap_id);
    ASSERT_EQ(woz[tmap + 4 * 17 - 1], 17);
    ASSERT_EQ(woz[tmap + 4 * 17 + 1], 17);
    opened_image opened(woz);
    EXPECT_EQ(sectors_differing(opened, disk, disk_file_order::dos), 0);
    EXPECT_EQ(opened.notes(), "");
    EXPECT_EQ(opened.image.woz_creator, version == 1 ? "Applesauce v1.4" : std::string(32, 'x'));
    woz[tmap + 4 * 17] = 18;  // track 18's record: its fields name track 18
    EXPECT_EQ(disk_image_sector_fault(opened_image(woz).image, 17, 0), sector_fault::not_found);
    woz[tmap + 4 * 17] = woz_no_track;
    EXPECT_EQ(disk_image_sector_fault(opened_image(woz).image, 17, 9), sector_fault::not_found);
  }
}

// Fields across the end of the stored track (a NIB turned by any number of
// disk bytes, a WOZ by any number of bits), sectors in any order.
TEST(DiskImage, FieldsAcrossTheEndOfTheTrackAndSectorsInAnyOrder) {
  const bytes disk = sample_disk(5);
  gcr_layout layout;
  std::shuffle(layout.sequence.begin(), layout.sequence.end(), std::mt19937(3));
  for (const disk_file_order order : {disk_file_order::dos, disk_file_order::prodos}) {
    for (const std::uint32_t rotation : {5u, 300u, 6650u}) {
      SCOPED_TRACE(rotation);
      layout.rotation = rotation;
      opened_image nib(nib_of(disk, order, layout));
      EXPECT_EQ(sectors_differing(nib, disk, order), 0);
    }
    woz_write_options options;
    for (const std::uint32_t rotation : {1001u, 51000u}) {
      for (const int version : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "WOZ " << version << " turned by " << rotation << " bits");
        options.layout = layout;
        options.layout.rotation = rotation;
        opened_image woz(woz_of(disk, version, order, options));
        EXPECT_EQ(sectors_differing(woz, disk, order), 0);
      }
    }
  }
}

TEST(DiskImage, DamagedFieldsAreNamedOnceAndNeverHandedOut) {
  const bytes disk = sample_disk(9);
  bytes nib = nib_of(disk);
  const auto field = [&nib](int p) { return nib_address_field(nib, 31, p); };
  nib[field(2) + 3] = 0xFE;  // the volume's first byte (FF for 254): the checksum fails
  const std::size_t a4 = field(4);
  std::replace(nib.begin() + static_cast<std::ptrdiff_t>(a4 + gcr_address_bytes),
               nib.begin() + static_cast<std::ptrdiff_t>(a4 + 40), gcr_data_mark, std::uint8_t{0xAB});
  const std::size_t a6 = field(6);
  nib[a6 + 100] = nib[a6 + 100] == 0x96 ? 0x97 : 0x96;
  nib[field(8) + 2] = 0xB5;  // the address mark
  // Two equal data bytes both made AA, which stands for no value: the
  // running XOR ends at 0 all the same.
  const std::size_t d10 = field(10) + 30;
  std::size_t twin = d10 + 1;
  while (twin < d10 + 300 && nib[twin] != nib[d10]) ++twin;
  ASSERT_LT(twin, d10 + 300);
  nib[d10] = nib[twin] = 0xAA;
  opened_image opened(nib, sector_order_prodos, "castle.nib");
  ASSERT_EQ(opened.image.container, disk_container::nib);
  const struct {
    int p;
    sector_fault fault;
    const char* reason;
  } damaged[] = {{2, sector_fault::bad_address_checksum, "bad address checksum"},
                 {4, sector_fault::no_data_field, "no data field"},
                 {6, sector_fault::bad_data_checksum, "bad data checksum"},
                 {8, sector_fault::not_found, "not found"},
                 {10, sector_fault::bad_data_checksum, "bad data checksum"}};
  std::string expected;
  for (const auto& d : damaged) {
    EXPECT_EQ(disk_image_sector_fault(opened.image, 31, d.p), d.fault) << d.p;
    expected += "unreadable sector in 'castle.nib': track 31, sector " + std::to_string(d.p) + " (" + d.reason + ")\n";
  }
  EXPECT_EQ(opened.notes(), "");
  // Each is named at the first read that needs it, and only then.
  for (const auto& d : damaged) EXPECT_EQ(opened.at(decoded_offset(31, d.p)), nullptr) << d.p;
  for (const auto& d : damaged) EXPECT_EQ(opened.at(decoded_offset(31, d.p), 16), nullptr) << d.p;
  EXPECT_EQ(opened.notes(), expected);
  for (const int p : {0, 1, 3, 5, 7, 9, 11, 12, 13, 14, 15}) {
    const std::uint8_t* sector = opened.at(decoded_offset(31, p));
    EXPECT_TRUE(sector != nullptr && std::memcmp(sector, disk.data() + decoded_offset(31, p), 256) == 0) << p;
  }
  // A read across a readable and an unreadable sector fails too.
  EXPECT_EQ(opened.at(decoded_offset(31, 2) - 8, 16), nullptr);
}

// A raw image of a NIB's length is a NIB when it holds an address field
// that checks out, and only at that length.  (Raw images of every other
// length are read as they are: tests/map/category_read_test.cpp.)
TEST(DiskImage, ANibIsToldFromARawImageByAnAddressField) {
  bytes raw(nib_image_bytes, 0);
  const std::uint8_t field[] = {0xD5, 0xAA, 0x96, 0xFF, 0xFE, 0xAA, 0xAA, 0xAA, 0xAA, 0xFF, 0xFF};
  std::memcpy(raw.data() + 5000, field, sizeof field);  // checksum 255, not 254 ^ 0 ^ 0
  EXPECT_EQ(opened_image(raw).image.container, disk_container::raw);
  raw[5010] = 0xFE;
  EXPECT_EQ(opened_image(raw).image.container, disk_container::nib);
  raw.push_back(0);
  EXPECT_EQ(opened_image(raw).image.container, disk_container::raw);
  raw.resize(nib_image_bytes - 1);
  EXPECT_EQ(opened_image(raw).image.container, disk_container::raw);
}

TEST(DiskImage, TwoImgTakesItsDataOffsetLengthAndFormat) {
  const bytes disk = sample_disk(2);
  // A comment before the data (offset 128), creator data after it.
  bytes moved = two_img_of(disk, 1);
  moved.insert(moved.begin() + 64, 64, 'c');
  set_le(moved, two_img_data_offset_at, 128);
  moved.insert(moved.end(), 100, 'z');
  opened_image at_128(moved);
  EXPECT_EQ(at_128.image.data.size(), 143360u);
  EXPECT_EQ(sectors_differing(at_128, disk, disk_file_order::dos), 0);
  // Length 0: ProDOS blocks * 512 for format 1, the rest of the file else.
  bytes blocks = two_img_of(disk, 1);
  set_le(blocks, two_img_data_length_at, 0);
  blocks.insert(blocks.end(), 512, 0);
  EXPECT_EQ(opened_image(blocks).image.data.size(), 143360u);
  set_le(blocks, two_img_blocks_at, 100);
  EXPECT_EQ(opened_image(blocks).image.data.size(), 51200u);
  bytes rest = two_img_of(disk, 0);
  set_le(rest, two_img_data_length_at, 0);
  rest.resize(rest.size() - 4096);
  EXPECT_EQ(opened_image(rest).image.data.size(), 143360u - 4096);
  // Data cut short by the end of the file reads as a short raw image.
  rest = two_img_of(disk, 0);
  rest.resize(64 + 70000);
  opened_image cut(rest);
  EXPECT_TRUE(cut.image.supported);
  EXPECT_EQ(cut.image.data.size(), 70000u);
  EXPECT_EQ(cut.notes(), "");
}

TEST(DiskImage, ContainersThatCannotBeReadAreRefusedWithOneLine) {
  const bytes disk = sample_disk(6);
  const bytes two_img = two_img_of(disk, 0), woz = woz_of(disk, 2);
  const std::size_t info = woz_chunk(woz, woz_info_id), tmap = woz_chunk(woz, woz_tmap_id);
  const std::size_t trks = woz_chunk(woz, woz_trks_id);
  const auto rename = [](bytes& f, std::size_t chunk, const char* id) { std::memcpy(f.data() + chunk - 8, id, 4); };
  woz_write_options flux_options;  // INFO 3 with a FLUX chunk mapping track 0
  flux_options.info_version = 3;
  flux_options.extra_chunks = {{{'F', 'L', 'U', 'X'}, bytes(160, 0xFF)}};
  flux_options.extra_chunks[0].data[0] = 0;
  const bytes flux = woz_of(disk, 2, disk_file_order::dos, flux_options);
  const struct {
    const bytes& base;
    std::function<void(bytes&)> change;
    const char* reason;
  } cases[] = {
      {two_img, [](bytes& f) { set_le(f, two_img_data_length_at, 819200); }, "not a 5.25-inch disk (819200 bytes of data)"},
      {two_img, [](bytes& f) { set_le(f, two_img_format_at, 1), set_le(f, two_img_data_length_at, 0), set_le(f, two_img_blocks_at, 1600); },
       "not a 5.25-inch disk (819200 bytes of data)"},
      {two_img, [](bytes& f) { set_le(f, two_img_format_at, 3); }, "2IMG image format 3"},
      {two_img, [](bytes& f) { set_le(f, two_img_data_offset_at, 16); }, "2IMG data offset 16 outside the file"},
      {two_img, [](bytes& f) { set_le(f, two_img_data_offset_at, 0xFFFFFF00); }, "2IMG data offset 4294967040 outside the file"},
      {two_img, [](bytes& f) { f.resize(40); }, "2IMG header cut short"},
      {two_img, [](bytes& f) { set_le(f, two_img_format_at, 2); }, "2IMG of NIB tracks with 143360 bytes of data"},
      {woz, [&](bytes& f) { f[info + woz_info_disk_type_at] = woz_disk_35; }, "3.5-inch disk"},
      {woz, [&](bytes& f) { f[info + woz_info_disk_type_at] = 7; }, "WOZ disk type 7"},
      {woz, [&](bytes& f) { f[info + woz_info_version_at] = 4; }, "WOZ INFO version 4"},
      {woz, [&](bytes& f) { f[info + woz_info_version_at] = 0; }, "WOZ INFO version 0"},
      {woz, [](bytes& f) { f[6] = 0x0A; }, "damaged WOZ header"},  // a text-mode transfer changed the CR
      {woz, [](bytes& f) { f.resize(8); }, "damaged WOZ header"},
      {woz, [&](bytes& f) { rename(f, info, "JUNK"); }, "no WOZ INFO chunk"},
      {woz, [&](bytes& f) { f.resize(info + 20); }, "WOZ INFO chunk cut short"},
      {woz, [&](bytes& f) { rename(f, tmap, "JUNK"); }, "no WOZ TMAP chunk"},
      {woz, [&](bytes& f) { f.resize(tmap + 100); }, "WOZ TMAP chunk cut short"},
      {woz, [&](bytes& f) { rename(f, trks, "JUNK"); }, "no WOZ TRKS chunk"},
      {woz, [&](bytes& f) { rename(f, tmap, "JUNK"), rename(f, trks, "FLUX"); }, "flux tracks only"},
      {flux, [](bytes& f) { std::fill_n(f.begin() + static_cast<std::ptrdiff_t>(woz_chunk(f, woz_tmap_id)), 160, 0xFF); },
       "flux tracks only"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << &c - cases);
    bytes f = c.base;
    c.change(f);
    opened_image opened(f, sector_order_prodos, "odd.img");
    EXPECT_EQ(opened.result, 0);
    EXPECT_FALSE(opened.image.supported);
    EXPECT_EQ(opened.image.data.size(), 0u);
    // A WOZ whose bytes were changed gets its CRC note first.
    std::string notes = opened.notes();
    if (notes.starts_with("note: ")) notes.erase(0, notes.find('\n') + 1);
    EXPECT_EQ(notes, std::string("error: unsupported disk image 'odd.img': ") + c.reason + "\n");
  }
}

TEST(DiskImage, WozCrcMismatchGetsOneNoteAndIsReadOn) {
  const bytes disk = sample_disk(8);
  bytes woz = woz_of(disk, 2);
  const std::uint32_t stored = le_at(woz, woz_crc_at);
  woz[woz_chunk(woz, woz_info_id) + 55] ^= 1;  // INFO padding: every sector still reads
  opened_image opened(woz, sector_order_prodos, "a.woz");
  EXPECT_EQ(sectors_differing(opened, disk, disk_file_order::dos), 0);
  char expected[128];
  std::snprintf(expected, sizeof expected, "note: 'a.woz' does not match its WOZ CRC-32 (%08X, data %08X); reading on\n",
                stored, crc32_of(std::span<const std::uint8_t>(woz).subspan(12)));
  EXPECT_EQ(opened.notes(), expected);
  set_le(woz, woz_crc_at, 0);  // not computed: no note
  EXPECT_EQ(opened_image(woz).notes(), "");
}

TEST(DiskImage, TrackPointersOutOfRangeBitCountsAndCutFilesLeaveTheTrackUnread) {
  const bytes disk = sample_disk(12);
  const bytes woz2 = woz_of(disk, 2);
  const std::size_t tmap_20 = woz_chunk(woz2, woz_tmap_id) + 4 * 20, entry_20 = woz_chunk(woz2, woz_trks_id) + 8 * 20;
  const std::function<void(bytes&)> changes[] = {
      [&](bytes& f) { f[tmap_20] = 200; },                    // an index past the entries
      [&](bytes& f) { f[tmap_20] = 100; },                    // the index of an empty entry
      [&](bytes& f) { set_le(f, entry_20, 0xFFFF, 2); },      // starting block past the end
      [&](bytes& f) { set_le(f, entry_20 + 2, 0, 2); },       // no blocks
      [&](bytes& f) { set_le(f, entry_20 + 4, 0); },          // no bits
      [&](bytes& f) { set_le(f, entry_20 + 4, 9); },          // 9 bits, read many times round
      [&](bytes& f) { set_le(f, entry_20 + 4, 13 * 4096 + 1); },  // more bits than the blocks hold
      [&](bytes& f) { set_le(f, entry_20 + 4, 0xFFFFFFFF); },
      [&](bytes& f) { f.resize(woz2_block_bytes * le_at(f, entry_20, 2) + 3000); },  // the file cut in the track
  };
  for (const auto& change : changes) {
    SCOPED_TRACE(testing::Message() << "change " << &change - changes);
    bytes f = woz2;
    change(f);
    opened_image opened(f);
    EXPECT_TRUE(opened.image.supported);
    for (int p = 0; p < 16; ++p) EXPECT_EQ(disk_image_sector_fault(opened.image, 20, p), sector_fault::not_found);
    EXPECT_EQ(disk_image_sector_fault(opened.image, 19, 0), sector_fault::none);
  }
  // A bit count short of the track's: the bits are read round as the count
  // says, and the sector laid out last loses the end of its data field.
  bytes f = woz2;
  set_le(f, entry_20 + 4, le_at(f, entry_20 + 4) - 20 * gcr_sync_bits - 100);
  opened_image shortened(f);
  EXPECT_EQ(disk_image_sector_fault(shortened.image, 20, 14), sector_fault::none);
  EXPECT_EQ(disk_image_sector_fault(shortened.image, 20, 15), sector_fault::bad_data_checksum);
  // WOZ 1: a bit count above the record's room, a record past the chunk,
  // records cut by the end of the file.
  bytes w1 = woz_of(disk, 1);
  const std::size_t trks = woz_chunk(w1, woz_trks_id);
  set_le(w1, trks + woz1_record_bytes * 20 + woz1_bit_count_at, woz1_bits_bytes * 8 + 1, 2);
  w1[woz_chunk(w1, woz_tmap_id) + 4 * 21] = 35;
  w1.resize(trks + woz1_record_bytes * 30 + 100);
  opened_image odd1(w1);
  for (const int t : {20, 21, 29, 30}) EXPECT_EQ(disk_image_sector_fault(odd1.image, t, 0), t == 29 ? sector_fault::none : sector_fault::not_found) << t;
}

TEST(DiskImage, OpenFromAFileReadsContainersWholeAndRawImagesToTheirLimit) {
  temp_dir dir;
  const bytes disk = sample_disk(14);
  write_file(dir.file("a.woz"), woz_of(disk, 2));
  write_file(dir.file("a.dsk"), disk);
  disk_image image;
  const auto open = [&](const char* name, std::int64_t raw_limit) {
    return disk_image_open_file(image, dir.file(name).c_str(), sector_order_dos, {}, {true, raw_limit});
  };
  ASSERT_EQ(open("a.woz", 4096 * 31), 0);  // a container whole, whatever the limit
  EXPECT_EQ(image.container, disk_container::woz2);
  EXPECT_EQ(image.path, dir.file("a.woz"));
  EXPECT_NE(disk_image_at(image, decoded_offset(34, 15), 256, {}), nullptr);
  ASSERT_EQ(open("a.dsk", 4096 * 31), 0);
  EXPECT_EQ(image.data.size(), 4096u * 31);
  EXPECT_EQ(std::memcmp(image.data.data(), disk.data(), image.data.size()), 0);
  ASSERT_EQ(open("a.dsk", -1), 0);
  EXPECT_EQ(image.data.size(), disk.size());
  EXPECT_EQ(open("none.dsk", -1), disk_open_failed);
}

}  // namespace
