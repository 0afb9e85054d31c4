// The volume reader: blocks in both orders, the directory tree, the file
// maps, and the messages of a failed or partial open.
#include <gtest/gtest.h>

#include <cstring>

#include "disk/prodos.h"
#include "disk/sector_order.h"
#include "disk_test_util.h"
#include "support/prodos_image.h"

namespace {

std::string hex4(unsigned block) {
  char text[8];
  std::snprintf(text, sizeof text, "$%04X", block);
  return text;
}

// 140000 bytes, nonzero only in the first and the last block: a tree file
// of five blocks.
bytes sparse_tree_data() {
  bytes data(140000, 0);
  data.front() = 1;
  data.back() = 2;
  return data;
}

std::array<int, 5> fields(const prodos_date_time& t) {
  return {t.year, t.month, t.day, t.hour, t.minute};
}

// A volume record over `image` without going through a file.
prodos_volume volume_over(const bytes& image, std::int32_t order) {
  prodos_volume v;
  v.image = allocate_zeroed<std::uint8_t>(image.size() + 1);
  std::memcpy(v.image.get(), image.data(), image.size());
  v.image_size = static_cast<std::int32_t>(image.size());
  v.translation = &translation_for(order);
  v.sector_order = order;
  return v;
}

TEST(ProdosBlocks, LegalBlocksEndWithinTheImageInBothOrders) {
  const bytes image = noise(143360);
  for (int order : {1, 2}) {
    prodos_volume v = volume_over(image, order);
    std::array<std::uint8_t, 512> block{};
    EXPECT_EQ(stdout_of([&] {
                EXPECT_EQ(prodos_read_block(v, 0, block), 0);
                EXPECT_EQ(prodos_read_block(v, 279, block), 0);
              }),
              "");
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(prodos_read_block(v, 280, block), -1); }),
              "illegal block no $0118\n");
    prodos_block_ref ref{280, nullptr, nullptr};
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(prodos_map_block(v, ref), -1); }), "illegal block no $0118\n");
    EXPECT_EQ(ref.first_half, nullptr);
    ref.block = 0xFFFF;
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(prodos_map_block(v, ref), -1); }), "illegal block no $FFFF\n");
    ref.block = 0;
    EXPECT_EQ(prodos_map_block(v, ref), 0);
    EXPECT_EQ(ref.first_half, nullptr);
    EXPECT_EQ(ref.second_half, nullptr);
  }
}

TEST(ProdosBlocks, KeyBlockHalvesComeFromTheirSectors) {
  const bytes image = noise(143360, 5);
  std::array<std::uint8_t, 512> block{};
  prodos_volume v1 = volume_over(image, 1);
  ASSERT_EQ(prodos_read_block(v1, 2, block), 0);
  EXPECT_TRUE(std::equal(block.begin(), block.end(), image.begin() + 1024));
  prodos_volume v2 = volume_over(image, 2);
  ASSERT_EQ(prodos_read_block(v2, 2, block), 0);
  EXPECT_TRUE(std::equal(block.begin(), block.begin() + 256, image.begin() + 2816));
  EXPECT_TRUE(std::equal(block.begin() + 256, block.end(), image.begin() + 2560));
  prodos_block_ref ref{2, nullptr, nullptr};
  ASSERT_EQ(prodos_map_block(v2, ref), 1);
  EXPECT_EQ(ref.first_half, v2.image.get() + 2816);
  EXPECT_EQ(ref.second_half, v2.image.get() + 2560);
}

TEST(ProdosBlocks, SecondHalfOutsideTheImageKeepsTheFirstMapped) {
  // In order 1 block 9 is bytes 4608..5119; the image ends after its first half.
  prodos_volume v = volume_over(noise(4608 + 256), 1);
  prodos_block_ref ref{9, nullptr, nullptr};
  EXPECT_EQ(stdout_of([&] { EXPECT_EQ(prodos_map_block(v, ref), -1); }), "illegal block no $0009\n");
  EXPECT_EQ(ref.first_half, v.image.get() + 4608);
  EXPECT_EQ(ref.second_half, nullptr);
}

TEST(ProdosOpen, VolumeDirectoryOfFourBlocksAndItsEntries) {
  prodos_builder b = prodos_format("GAMEDISK", 280, {99, 12, 31, 23, 59});
  prodos_file_options options;
  options.file_type = 0x04;
  options.aux_type = 0x2000;
  options.access = 0x21;
  options.created = {5, 6, 7, 8, 9};
  options.modified = {127, 15, 30, 31, 63};
  for (int i = 0; i < 30; ++i) prodos_add_file(b, "F" + std::to_string(i), bytes(10, 1));
  const prodos_entry_place last = prodos_add_file(b, "LAST", bytes(700, 2), options);
  const prodos_entry_place dir = prodos_add_dir(b, "DIR");
  for (int order : {1, 2}) {
    opened_volume o(prodos_image(b, order), order);
    ASSERT_EQ(o.result, 0);
    EXPECT_EQ(o.output, "");
    EXPECT_EQ(o.volume.sector_order, order);
    EXPECT_EQ(o.volume.image_size, 143360);
    int nodes = 0;
    const prodos_dir_block* previous = nullptr;
    for (const prodos_dir_block* n = o.volume.root.get(); n != nullptr; n = n->next, ++nodes) {
      EXPECT_EQ(n->prev, previous);
      EXPECT_EQ(n->entry_count, 13);
      EXPECT_EQ(n->prev_block, nodes == 0 ? 0 : nodes + 1);
      EXPECT_EQ(n->next_block, nodes == 3 ? 0 : nodes + 3);
      previous = n;
    }
    EXPECT_EQ(nodes, 4);
    const prodos_entry& header = o.volume.root->entries[0];
    EXPECT_EQ(header.storage_type, 0xF);
    EXPECT_EQ(std::string(header.name.data(), header.name_length), "GAMEDISK");
    EXPECT_EQ(header.bit_map_pointer, 6);
    EXPECT_EQ(header.total_blocks, 280);
    EXPECT_EQ(header.file_count, 32);
    EXPECT_EQ(fields(header.creation), (std::array<int, 5>{99, 12, 31, 23, 59}));
    EXPECT_EQ(o.volume.bit_map[0], 0x00);   // blocks 0..7 in use
    EXPECT_EQ(o.volume.bit_map[34], 0xFF);  // 272..279 free

    // LAST is entry 31 of the list: block 4 (the third node), entry 5.
    const prodos_dir_block* third = o.volume.root->next->next;
    const prodos_entry& e = third->entries[5];
    EXPECT_EQ(last.dir_block, 4);
    EXPECT_EQ(last.index, 5);
    EXPECT_EQ(std::string(e.name.data(), e.name_length), "LAST");
    EXPECT_EQ(e.storage_type, prodos_sapling);
    EXPECT_EQ(e.file_type, 0x04);
    EXPECT_EQ(e.key_pointer, last.key_pointer);
    EXPECT_EQ(e.blocks_used, 3);
    EXPECT_EQ(e.eof, 700u);
    EXPECT_EQ(e.access, 0x21);
    EXPECT_EQ(e.aux_type, 0x2000);
    EXPECT_EQ(e.header_pointer, 2);
    EXPECT_EQ(fields(e.creation), (std::array<int, 5>{5, 6, 7, 8, 9}));
    // Every field of a date at its largest.
    EXPECT_EQ(fields(e.last_mod), (std::array<int, 5>{127, 15, 30, 31, 63}));

    const prodos_entry& d = third->entries[6];
    ASSERT_NE(d.subdirectory, nullptr);
    const prodos_entry& sub_header = d.subdirectory->entries[0];
    EXPECT_EQ(sub_header.storage_type, 0xE);
    EXPECT_EQ(sub_header.parent_pointer, dir.dir_block);
    EXPECT_EQ(sub_header.parent_entry_number, dir.index + 1);
    EXPECT_EQ(sub_header.parent_entry_length, 39);
    EXPECT_EQ(sub_header.bit_map_pointer, 0);
  }
}

TEST(ProdosOpen, KeyPointerZeroMapsNothingWhateverTheStorageType) {
  prodos_builder b = prodos_format("V");
  const prodos_entry_place places[] = {prodos_add_file(b, "S1", bytes(100, 1)),
                                       prodos_add_file(b, "S2", bytes(1000, 2)),
                                       prodos_add_file(b, "S3", sparse_tree_data())};
  for (const auto& place : places) set_le16(b.blocks, prodos_entry_offset(place) + 17, 0);
  opened_volume o(prodos_image(b, 2), 2);
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.output, "");
  const prodos_entry* tree = prodos_find(o.volume, "S3");
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(tree->data.block, 0);
  EXPECT_EQ(tree->data.master, nullptr);
  EXPECT_EQ(prodos_find(o.volume, "S2")->data.index, nullptr);
  EXPECT_EQ(prodos_find(o.volume, "S1")->data.first_half, nullptr);
  // Such a file reads as zeros.
  bytes out(1000, 0xAA);
  EXPECT_EQ(stdout_of([&] { EXPECT_EQ(prodos_read_file(o.volume, "S2", out.data(), 1000), 0); }), "");
  EXPECT_EQ(out, bytes(1000, 0));
}

TEST(ProdosOpen, SparseSaplingMapsOnlyItsNonzeroEntries) {
  // Five data blocks with data among ten: entries 1, 3, 5, 7 stay 0.
  bytes data(10 * 512, 0);
  for (int i : {0, 2, 4, 6, 8}) data[512 * static_cast<std::size_t>(i) + 7] = 1;
  data.resize(9 * 512 + 1);  // block 9 is a single zero byte
  prodos_builder b = prodos_format("V");
  const prodos_entry_place place = prodos_add_file(b, "SPARSE", data);
  opened_volume o(prodos_image(b, 1), 1);
  ASSERT_EQ(o.result, 0);
  std::unique_ptr<prodos_block_ref[]> slot;
  EXPECT_EQ(prodos_map_index(o.volume, place.key_pointer, slot), 5);
  ASSERT_NE(slot, nullptr);
  for (int i = 0; i < 256; ++i) {
    const bool used = i < 10 && i % 2 == 0;
    EXPECT_EQ(slot[i].block != 0, used) << i;
    EXPECT_EQ(slot[i].first_half != nullptr, used) << i;
  }
  EXPECT_EQ(prodos_map_index(o.volume, 0, slot), 0);
  EXPECT_EQ(slot, nullptr);
}

TEST(ProdosOpen, TreeMapsEveryIndexOfItsMaster) {
  prodos_builder b = prodos_format("V");
  const prodos_entry_place place = prodos_add_file(b, "TREE", noise(133000));
  opened_volume o(prodos_image(b, 2), 2);
  ASSERT_EQ(o.result, 0);
  std::unique_ptr<prodos_index_ref[]> master;
  EXPECT_EQ(prodos_map_master_index(o.volume, place.key_pointer, master), 2);
  ASSERT_NE(master, nullptr);
  EXPECT_NE(master[1].refs, nullptr);
  EXPECT_EQ(master[2].block, 0);
  EXPECT_EQ(master[2].refs, nullptr);
}

TEST(ProdosOpen, SubdirectoryOutsideTheImageIsReportedAndSkipped) {
  prodos_builder b = prodos_format("V");
  const prodos_entry_place dir = prodos_add_dir(b, "DIR");
  prodos_add_file(b, "AFTER", bytes(5, 5));
  set_le16(b.blocks, prodos_entry_offset(dir) + 17, 0x0200);
  opened_volume o(prodos_image(b, 2), 2);
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.output, "illegal block no $0200\ncan't get dir block $0200\ncan't get dir block $0200\n");
  const prodos_entry& entry = o.volume.root->entries[1];
  EXPECT_EQ(entry.storage_type, prodos_subdirectory);
  EXPECT_EQ(entry.subdirectory, nullptr);
  EXPECT_NE(prodos_find(o.volume, "AFTER"), nullptr);
}

TEST(ProdosOpen, MissingBitMapStillOpens) {
  prodos_builder b = prodos_format("V");
  prodos_add_file(b, "F", bytes(5, 5));
  set_le16(b.blocks, 1024 + 4 + 35, 300);
  opened_volume o(prodos_image(b, 1), 1);
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.output, "illegal block no $012C\ncan't get bit map '" + o.file.path + "'\n");
  EXPECT_NE(prodos_find(o.volume, "F"), nullptr);
}

TEST(ProdosOpen, FailuresPrintTheirCascadeAndLeaveAClosableRecord) {
  // Too short for block 2: the message of every level, innermost first.
  opened_volume short_image(bytes(1024, 0), 2);
  EXPECT_EQ(short_image.result, -1);
  EXPECT_EQ(short_image.output, "illegal block no $0002\ncan't get dir block $0002\ncan't get dir block $0002\n"
                                "can't get catalog '" + short_image.file.path + "'\n");
  prodos_close(short_image.volume);
  EXPECT_EQ(short_image.volume.image, nullptr);
  EXPECT_EQ(short_image.volume.image_size, 0);

  opened_volume empty(bytes{}, 1);
  EXPECT_EQ(empty.result, -1);
  EXPECT_EQ(empty.output, "illegal block no $0002\ncan't get dir block $0002\ncan't get dir block $0002\n"
                          "can't get catalog '" + empty.file.path + "'\n");

  prodos_volume v;
  const std::string missing = empty.file.dir.file("none.po");
  EXPECT_EQ(stdout_of([&] { EXPECT_EQ(prodos_open(v, missing.c_str(), 1), -1); }),
            "open error '" + missing + "'\n");
  prodos_close(v);
  prodos_close(v);
  EXPECT_EQ(v.root, nullptr);
}

TEST(ProdosOpen, IllegalNextBlockLosesTheWholeDirectory) {
  prodos_builder b = prodos_format("V");
  prodos_add_file(b, "F", bytes(5, 5));
  set_le16(b.blocks, 3 * 512 + 2, 0x4000);  // block 3's next pointer
  opened_volume o(prodos_image(b, 1), 1);
  EXPECT_EQ(o.result, -1);
  EXPECT_EQ(o.output, "illegal block no $4000\ncan't get dir block $4000\ncan't get dir block $0002\n"
                      "can't get catalog '" + o.file.path + "'\n");
  EXPECT_EQ(o.volume.root, nullptr);
}

TEST(ProdosOpen, UnmappableFilesAreReportedByNameAndCounted) {
  prodos_builder b = prodos_format("V");
  const prodos_entry_place seed = prodos_add_file(b, "SEED", bytes(10, 1));
  const prodos_entry_place sap = prodos_add_file(b, "SAPLING", bytes(2000, 2));
  const prodos_entry_place tree = prodos_add_file(b, "TREE", sparse_tree_data());
  const prodos_entry_place good = prodos_add_file(b, "GOOD", bytes(600, 4));
  prodos_add_dir(b, "DIR");
  const prodos_entry_place inner = prodos_add_file(b, "DIR/INNER", bytes(10, 1));
  set_le16(b.blocks, prodos_entry_offset(seed) + 17, 0x0300);
  set_le16(b.blocks, prodos_entry_offset(sap) + 17, 0x0301);
  set_le16(b.blocks, prodos_entry_offset(tree) + 17, 0x0302);
  set_le16(b.blocks, prodos_entry_offset(inner) + 17, 0x0303);
  // GOOD's index points its second data block outside the image.
  b.blocks[512 * static_cast<std::size_t>(good.key_pointer) + 1] = 0x00;
  b.blocks[512 * static_cast<std::size_t>(good.key_pointer) + 257] = 0x20;
  const std::string expected =
      "illegal block no $0300\ncan't get data pointer $0300 'SEED'\n"
      "illegal block no $0301\ncan't get index block $0301\ncan't get index block $0301 'SAPLING'\n"
      "illegal block no $0302\ncan't get index block $0302\ncan't get master index block $0302 'TREE'\n"
      "illegal block no $2000\ncan't get index block " + hex4(good.key_pointer) + " 'GOOD'\n"
      "illegal block no $0303\ncan't get data pointer $0303 'INNER'\n";
  for (int order : {1, 2}) {
    opened_volume o(prodos_image(b, order), order);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.output, expected);
    int failed = 0;
    EXPECT_EQ(stdout_of([&] { failed = prodos_map_files(o.volume, o.volume.root.get()); }), expected);
    EXPECT_EQ(failed, 5);
  }
}

}  // namespace
