// The volume reader: blocks in both orders, the directory tree and the
// file maps; the messages of a failed or partial open; damaged volumes
// (pointers that lead back, nesting without end, images cut at every
// length), on which the reader must report, keep what it could read, and
// never hang, crash or read outside the image.
#include <tuple>

#include "common/byte_order.h"
#include "disk_test_util.h"

namespace {

TEST(ProdosOpen, SampleVolumeBlocksTreeEntriesAndMaps) {
  const sample_volume s = make_sample();
  std::array<std::uint8_t, 512> block{};
  for (int order : {1, 2}) {
    opened_volume o(s.b, order);
    const prodos_volume& v = o.volume;
    EXPECT_EQ(std::make_tuple(o.result, o.output, v.disk->sector_order, v.disk->data.size()), std::make_tuple(0, "", order, 143360));
    // (Block addressing in both orders: every file reads back whole in
    // prodos_file_test.cpp.)  Blocks past the volume are refused; block 0
    // maps nothing.
    prodos_block_ref zero{0, &block[0], &block[0]};
    EXPECT_EQ(stdout_of([&] {
                EXPECT_EQ(prodos_read_block(v, 280, block), -1);
                EXPECT_EQ(prodos_read_block(v, 279, block), 0);
                EXPECT_EQ(prodos_map_block(v, zero), 0);
              }),
              "illegal block no $0118\n");
    EXPECT_EQ(std::make_tuple(zero.first_half, zero.second_half), std::make_tuple(nullptr, nullptr));

    // Index maps count their nonzero entries; the zero ones stay unmapped.
    std::unique_ptr<prodos_block_ref[]> index;
    EXPECT_EQ(prodos_map_index(v, entry_of(v, "SPARSE").key_pointer, index), 6);
    ASSERT_NE(index, nullptr);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(index[i].first_half != nullptr, i < 8 && i != 3 && i != 4) << i;
    std::unique_ptr<prodos_index_ref[]> master;
    EXPECT_EQ(prodos_map_master_index(v, entry_of(v, "TREE").key_pointer, master), 2);
    ASSERT_NE(master, nullptr);
    EXPECT_EQ(std::make_tuple(master[1].block, master[1].refs.get()), std::make_tuple(0, nullptr));
    EXPECT_EQ(std::make_tuple(entry_of(v, "T1").data.first_half, entry_of(v, "T2").data.index.get(),
                              entry_of(v, "T3").data.master.get()),
              std::make_tuple(nullptr, nullptr, nullptr));  // key pointer 0 maps nothing
  }
}

// Each case: an image, the result and the messages ("@" stands for the
// image's path) of its open; a failed open leaves a record to close.
TEST(ProdosOpen, DamagedDirectoriesPrintTheirCascade) {
  const std::string lost_key = "illegal block no $0002\ncan't get dir block $0002\ncan't get dir block $0002\n",
                    lost_dir = "illegal block no $0200\ncan't get dir block $0200\ncan't get dir block $0200\n";
  prodos_builder b = prodos_format("V");
  const prodos_entry_place dir = prodos_add_dir(b, "DIR");
  prodos_add_file(b, "AFTER", bytes(5, 5));
  store_le16(b.blocks, prodos_entry_offset(dir) + 17, 0x0200);
  const bytes no_dir = prodos_image(b, 2);
  store_le16(b.blocks, 1024 + 4 + 35, 300);  // the bit map pointer
  const bytes no_bit_map = prodos_image(b, 2);
  store_le16(b.blocks, 2 * 512 + 2, 0x4000);  // the key block's next pointer
  const std::tuple<bytes, int, std::string> cases[] = {
      {no_dir, 0, lost_dir},
      {no_bit_map, 0, lost_dir + "illegal block no $012C\ncan't get bit map '@'\n"},
      {bytes(1024, 0), -1, lost_key + "can't get catalog '@'\n"},  // too short for block 2
      {bytes{}, -1, lost_key + "can't get catalog '@'\n"},
      {prodos_image(b, 2), -1,
       lost_dir + "illegal block no $4000\ncan't get dir block $4000\n"
                  "can't get dir block $0002\ncan't get catalog '@'\n"}};
  for (const auto& [image, result, messages] : cases) {
    opened_volume o(image, 2);
    std::string expected = messages;
    if (expected.find('@') != std::string::npos) expected.replace(expected.find('@'), 1, o.file.path);
    EXPECT_EQ(std::tie(o.result, o.output), std::tie(result, expected));
    // Opened from memory, the image keeps its bytes where they are and is
    // named by the name given.
    prodos_volume in_memory;
    std::string named = messages;
    if (named.find('@') != std::string::npos) named.replace(named.find('@'), 1, "NAME");
    const bytes& bound = image;  // a lambda captures no structured binding in Clang 14
    const int expected_result = result;
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(prodos_open(in_memory, bound, "NAME", 2, standard_sink()), expected_result); }), named);
    EXPECT_EQ(in_memory.disk->data.data(), image.data());
    if (o.result == 0) {
      EXPECT_EQ(std::make_tuple(o.volume.root->entries[1].storage_type, o.volume.root->entries[1].subdirectory.get()),
                std::make_tuple(prodos_subdirectory, nullptr));
      EXPECT_EQ(entry_of(o.volume, "AFTER").eof, 5u);
    }
    prodos_close(o.volume);
    EXPECT_EQ(std::make_tuple(o.volume.root.get(), o.volume.disk, o.volume.own_disk.data.size(),
                              o.volume.own_disk.owned.get()),
              std::make_tuple(nullptr, nullptr, 0, nullptr));
  }
}

// Files whose blocks cannot be mapped are reported at open time and
// counted; a later read fails, though what was mapped can be read.
TEST(ProdosOpen, UnmappableFilesAreReportedByNameAndFailToRead) {
  prodos_builder b = prodos_format("V");
  bytes tree(140000, 0);
  tree.front() = 1;
  const prodos_entry_place places[] = {
      prodos_add_file(b, "SEED", bytes(10, 1)), prodos_add_file(b, "SAPLING", bytes(2000, 2)),
      prodos_add_file(b, "TREE", tree),         prodos_add_dir(b, "DIR"),
      prodos_add_file(b, "DIR/INNER", tree),    prodos_add_file(b, "GOOD", bytes(600, 4))};
  for (std::uint16_t i : {0, 1, 2}) store_le16(b.blocks, prodos_entry_offset(places[i]) + 17, 0x0300 + i);
  // INNER's second index block and GOOD's second data block lie outside the image.
  b.blocks[512 * std::size_t{places[4].key_pointer} + 257] = 0x40;
  b.blocks[512 * std::size_t{places[5].key_pointer} + 257] = 0x20;
  b.blocks[512 * std::size_t{places[5].key_pointer} + 1] = 0x00;
  const std::string expected =
      "illegal block no $0300\ncan't get data pointer $0300 'SEED'\n"
      "illegal block no $0301\ncan't get index block $0301\ncan't get index block $0301 'SAPLING'\n"
      "illegal block no $0302\ncan't get index block $0302\ncan't get master index block $0302 'TREE'\n"
      "illegal block no $4000\ncan't get index block $4000\ncan't get master index block " +
      hex4(places[4].key_pointer) + " 'INNER'\nillegal block no $2000\ncan't get index block " +
      hex4(places[5].key_pointer) + " 'GOOD'\n";
  opened_volume o(b, 2);
  EXPECT_EQ(std::tie(o.result, o.output), std::make_tuple(0, expected));
  int failed = 0;
  EXPECT_EQ(stdout_of([&] { failed = prodos_map_files(o.volume, o.volume.root.get()); }), expected);
  EXPECT_EQ(failed, 5);
  const std::pair<const char*, const char*> reads[] = {
      {"SEED", "seeding"}, {"SAPLING", "sapling"}, {"TREE", "tree"}, {"DIR/INNER", "tree"}, {"GOOD", "sapling"}};
  for (const auto& [path, kind] : reads)
    EXPECT_EQ(prodos_read(o.volume, path, entry_of(o.volume, path).eof).output,
              "can't get file data '" + std::string(path) + "' (" + kind + " file)\n");
  EXPECT_EQ(prodos_read(o.volume, "DIR/INNER", 1000).buffer[0], 1);
}

// The number of the sample's files that read back whole and unchanged.
int files_read(const prodos_volume& volume, const sample_volume& s) {
  int count = 0;
  stdout_of([&] {
    for (const auto& [path, data] : s.files) {
      bytes buffer(data.size() + 1);
      count += prodos_read_file(volume, path.c_str(), buffer.data(), static_cast<std::uint32_t>(data.size())) == 0 &&
               std::equal(data.begin(), data.end(), buffer.begin());
    }
  });
  return count;
}

TEST(ProdosDamage, PointersLeadingBackEndTheWalkThere) {
  sample_volume s = make_sample();
  const prodos_entry_place up = prodos_add_dir(s.b, "DIR/UP");
  for (int i = 0; i < 20; ++i) prodos_add_file(s.b, "DIR/G" + std::to_string(i), bytes(4, 2));
  // UP points at the volume directory; DIR's second block leads back to
  // its first, the volume directory's last block to its second.
  const std::vector<std::uint16_t>& dir = s.b.dirs["DIR"].blocks;
  store_le16(s.b.blocks, prodos_entry_offset(up) + 17, 2);
  store_le16(s.b.blocks, 512 * std::size_t{dir[1]} + 2, dir[0]);
  store_le16(s.b.blocks, 5 * 512 + 2, 3);
  const std::string loop = "directory loop at block " + hex4(dir[0]) + "\n";
  opened_volume o(s.b, 2);
  EXPECT_EQ(std::tie(o.result, o.output),
            std::make_tuple(0, "directory loop at block $0002\n" + loop + "directory loop at block $0003\n"));
  ASSERT_NE(o.volume.root->entries[1].subdirectory, nullptr);
  EXPECT_EQ(o.volume.root->entries[1].subdirectory->entries[2].subdirectory, nullptr);  // UP
  EXPECT_EQ(entry_of(o.volume, "DIR/G19").eof, 4u);
  EXPECT_EQ(files_read(o.volume, s), static_cast<int>(s.files.size()));
  EXPECT_EQ(stdout_of([&] { EXPECT_EQ(prodos_find(o.volume, "DIR/UP/SHAPES"), nullptr); }), "");
}

TEST(ProdosDamage, NestingDeeperThanTheLimitIsCutThere) {
  prodos_builder b = prodos_format("V");
  std::string path = "D";
  std::vector<std::uint16_t> keys;
  for (int level = 1; level <= prodos_max_dir_depth + 2; ++level, path += "/D") {
    keys.push_back(prodos_add_dir(b, path).key_pointer);
    prodos_add_file(b, path + "/F", bytes(1, static_cast<std::uint8_t>(level)));
  }
  const std::string deepest = path.substr(0, 2 * prodos_max_dir_depth);  // "D/D/.../D/"
  opened_volume o(b, 2);
  EXPECT_EQ(std::tie(o.result, o.output),
            std::make_tuple(0, "directory nested too deep at block " + hex4(keys[prodos_max_dir_depth]) + "\n"));
  EXPECT_EQ(prodos_read(o.volume, deepest + "F", 1).buffer[0], prodos_max_dir_depth);
  EXPECT_EQ(prodos_find(o.volume, (deepest + "D/F").c_str()), nullptr);
}

TEST(ProdosDamage, TruncatedImagesOfEveryLengthOpenOrFailCleanly) {
  const sample_volume s = make_sample();
  for (int order : {1, 2}) {
    const bytes whole = prodos_image(s.b, order);
    int read_before = 0;  // a longer image never reads fewer files
    for (std::size_t blocks = 0; blocks <= 280; ++blocks)
      for (std::size_t extra : {0, 255, 256}) {
        const std::size_t length = std::min(whole.size(), 512 * blocks + extra);
        prodos_volume v;
        int result = 0;
        const std::string output = stdout_of([&] { result = prodos_open(v, {whole.data(), length}, "T", order, standard_sink()); });
        // The volume directory is blocks 2..5, the first 3072 bytes in either order.
        ASSERT_EQ(result, length >= 3072 ? 0 : -1) << length;
        EXPECT_EQ(output.find("can't get catalog") != std::string::npos, length < 3072) << length;
        if (result != 0) continue;
        const int read = files_read(v, s);
        EXPECT_GE(read, read_before) << length;
        read_before = read;
      }
    EXPECT_EQ(read_before, static_cast<int>(s.files.size()));
  }
}

}  // namespace

TEST(ProdosDamage, EntriesSharingOneBigTreeStopAtTheMapBudget) {
  // One tree whose 128 master entries all name its first index block, and
  // 400 more entries that copy it: mapped separately they would take about
  // 300 MiB of block maps.
  prodos_builder b = prodos_format("BIG");
  prodos_file_options sparse_tree;
  sparse_tree.storage_type = 3;
  sparse_tree.has_eof = true;
  sparse_tree.eof = 131073;
  const prodos_entry_place tree = prodos_add_file(b, "T", noise(1000), sparse_tree);
  const std::span<std::uint8_t, 512> master = prodos_block(b, tree.key_pointer);
  for (int i = 1; i < 128; ++i) {
    master[static_cast<std::size_t>(i)] = master[0];
    master[static_cast<std::size_t>(256 + i)] = master[256];
  }
  std::array<std::uint8_t, 39> entry{};
  std::copy_n(b.blocks.begin() + static_cast<long>(prodos_entry_offset(tree)), 39, entry.begin());
  prodos_add_dir(b, "D");
  for (int i = 0; i < 400; ++i) prodos_add_raw_entry(b, "D", entry);
  const opened_volume v(b, 1);
  EXPECT_EQ(v.result, 0);
  std::string expected = "memory exhaust!\ncan't get block no '";
  expected += v.file.path;
  expected += "'\n";
  EXPECT_EQ(v.output, expected);
  EXPECT_LE(v.volume.map_bytes, prodos_map_limit);
  EXPECT_EQ(prodos_read(v.volume, "T", 131073).result, 0);
}
