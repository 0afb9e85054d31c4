// Damaged volumes: loops, deep nesting, odd storage types, pointers outside
// the image, truncated and scrambled images.  The reader must report, keep
// what it could read, and never hang, crash or read outside the image.
#include <gtest/gtest.h>

#include <random>

#include "disk/prodos.h"
#include "disk/prodos_tool.h"
#include "disk_test_util.h"
#include "support/prodos_image.h"

namespace {

std::string hex4(unsigned block) {
  char text[8];
  std::snprintf(text, sizeof text, "$%04X", block);
  return text;
}

int node_count(const prodos_dir_block* list) {
  int count = 0;
  for (; list != nullptr; list = list->next) ++count;
  return count;
}

// Reads every plain file of the tree with a buffer of its eof; the number
// of files read with success.
int read_every_file(const prodos_volume& volume, const prodos_dir_block* list, const std::string& prefix) {
  int read = 0;
  for (const prodos_dir_block* node = list; node != nullptr; node = node->next)
    for (int i = 0; i < node->entry_count; ++i) {
      if (node == list && i == 0) continue;
      const prodos_entry& e = node->entries[static_cast<std::size_t>(i)];
      const std::string path = prefix + std::string(e.name.data(), e.name_length);
      if (e.storage_type == prodos_subdirectory) {
        read += read_every_file(volume, e.subdirectory.get(), path + "/");
      } else if (e.storage_type >= 1 && e.storage_type <= 3) {
        bytes buffer(e.eof + 1);
        if (prodos_read_file(volume, path.c_str(), buffer.data(), e.eof) == 0) ++read;
      }
    }
  return read;
}

TEST(ProdosDamage, NextBlockLoopEndsTheDirectoryWhereItLeadsBack) {
  prodos_builder b = prodos_format("V");
  for (int i = 0; i < 45; ++i) prodos_add_file(b, "F" + std::to_string(i), bytes(4, 1));
  set_le16(b.blocks, 5 * 512 + 2, 3);  // the last block leads back to the second
  for (int order : {1, 2}) {
    opened_volume o(prodos_image(b, order), order);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.output, "directory loop at block $0003\n");
    EXPECT_EQ(node_count(o.volume.root.get()), 4);
    EXPECT_NE(prodos_find(o.volume, "F44"), nullptr);
  }
  set_le16(b.blocks, 2 * 512 + 2, 2);  // the key block leads to itself
  opened_volume o(prodos_image(b, 1), 1);
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.output, "directory loop at block $0002\n");
  EXPECT_EQ(node_count(o.volume.root.get()), 1);
  EXPECT_NE(prodos_find(o.volume, "F11"), nullptr);
  EXPECT_EQ(prodos_find(o.volume, "F12"), nullptr);
}

TEST(ProdosDamage, SubdirectoryLeadingBackIsLeftWithoutAList) {
  prodos_builder b = prodos_format("V");
  const prodos_entry_place parent = prodos_add_dir(b, "DIR");
  const prodos_entry_place loop = prodos_add_dir(b, "DIR/UP");
  const prodos_entry_place twin = prodos_add_dir(b, "TWIN");
  for (int i = 0; i < 20; ++i) prodos_add_file(b, "DIR/F" + std::to_string(i), bytes(4, 2));
  prodos_add_file(b, "AFTER", bytes(4, 3));
  // DIR/UP points at the volume directory, TWIN at DIR's key block, and
  // DIR's second block leads back to its first.
  set_le16(b.blocks, prodos_entry_offset(loop) + 17, 2);
  set_le16(b.blocks, prodos_entry_offset(twin) + 17, parent.key_pointer);
  const std::uint16_t second = b.dirs["DIR"].blocks[1];
  set_le16(b.blocks, 512 * static_cast<std::size_t>(second) + 2, parent.key_pointer);
  for (int order : {1, 2}) {
    opened_volume o(prodos_image(b, order), order);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.output, "directory loop at block $0002\ndirectory loop at block " +
                            hex4(parent.key_pointer) + "\ndirectory loop at block " +
                            hex4(parent.key_pointer) + "\n");
    const prodos_entry& dir = o.volume.root->entries[1];
    ASSERT_NE(dir.subdirectory, nullptr);
    EXPECT_EQ(node_count(dir.subdirectory.get()), 2);
    EXPECT_EQ(dir.subdirectory->entries[1].subdirectory, nullptr);  // UP
    EXPECT_EQ(o.volume.root->entries[2].subdirectory, nullptr);     // TWIN
    EXPECT_NE(prodos_find(o.volume, "DIR/F19"), nullptr);
    EXPECT_NE(prodos_find(o.volume, "AFTER"), nullptr);
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(prodos_find(o.volume, "DIR/UP/AFTER"), nullptr); }), "");
  }
}

TEST(ProdosDamage, NestingDeeperThanTheLimitIsCutThere) {
  prodos_builder b = prodos_format("V");
  std::string path;
  std::vector<std::uint16_t> keys;
  for (int level = 1; level <= prodos_max_dir_depth + 2; ++level) {
    path += (level == 1 ? "" : "/") + std::string("D");
    keys.push_back(prodos_add_dir(b, path).key_pointer);
    prodos_add_file(b, path + "/F", bytes(1, static_cast<std::uint8_t>(level)));
  }
  for (int order : {1, 2}) {
    opened_volume o(prodos_image(b, order), order);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.output, "directory nested too deep at block " +
                            hex4(keys[static_cast<std::size_t>(prodos_max_dir_depth)]) + "\n");
    std::string deepest;
    for (int level = 1; level <= prodos_max_dir_depth; ++level) deepest += "D/";
    const prodos_entry* f = prodos_find(o.volume, (deepest + "F").c_str());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->eof, 1u);
    EXPECT_EQ(prodos_find(o.volume, (deepest + "D/F").c_str()), nullptr);
    EXPECT_EQ(read_every_file(o.volume, o.volume.root.get(), ""), prodos_max_dir_depth);
    // The listing ends at the same depth.
    const std::string listing = stdout_of([&] {
      arg_vector args({"prodos", order == 1 ? "--do" : "--po", "list", o.file.path});
      EXPECT_EQ(prodos_tool_main(args.argc(), args.argv()), 0);
    });
    EXPECT_NE(listing.find(deepest + "F\t"), std::string::npos);
    EXPECT_EQ(listing.find(deepest + "D/"), std::string::npos);
  }
}

TEST(ProdosDamage, OddStorageTypesAreKeptButNeverMappedOrFound) {
  prodos_builder b = prodos_format("V");
  for (int type : {4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 15}) {
    std::array<std::uint8_t, 39> raw{};
    raw[0] = static_cast<std::uint8_t>((type << 4) | 2);
    raw[1] = 'T';
    raw[2] = static_cast<std::uint8_t>('A' + type);
    raw[17] = 0xFF;  // key pointer $FFFF
    raw[18] = 0xFF;
    raw[21] = 0x10;  // eof 16
    prodos_add_raw_entry(b, "", raw);
  }
  opened_volume o(prodos_image(b, 2), 2);
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.output, "");
  for (int type : {4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 15}) {
    const std::string name = std::string("T") + static_cast<char>('A' + type);
    bytes buffer(16);
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(prodos_read_file(o.volume, name.c_str(), buffer.data(), 16), -1); }),
              "can't find file '" + name + "'\n");
  }
}

TEST(ProdosDamage, FilesWhoseMapsFailedCannotBeReadLater) {
  prodos_builder b = prodos_format("V");
  const prodos_entry_place sap = prodos_add_file(b, "SAPLING", noise(2000));
  bytes tree_data(140000, 0);
  tree_data.front() = 1;
  tree_data.back() = 2;
  const prodos_entry_place tree = prodos_add_file(b, "TREE", tree_data);
  const prodos_entry_place inner = prodos_add_file(b, "INNER", tree_data);
  const prodos_entry_place good = prodos_add_file(b, "GOOD", noise(600));
  set_le16(b.blocks, prodos_entry_offset(sap) + 17, 0x0301);
  set_le16(b.blocks, prodos_entry_offset(tree) + 17, 0x0302);
  // INNER's second index block, GOOD's second data block: outside the image.
  b.blocks[512 * static_cast<std::size_t>(inner.key_pointer) + 1] = 0x00;
  b.blocks[512 * static_cast<std::size_t>(inner.key_pointer) + 257] = 0x40;
  b.blocks[512 * static_cast<std::size_t>(good.key_pointer) + 1] = 0x00;
  b.blocks[512 * static_cast<std::size_t>(good.key_pointer) + 257] = 0x20;
  for (int order : {1, 2}) {
    opened_volume o(prodos_image(b, order), order);
    EXPECT_EQ(o.result, 0);
    bytes buffer(140000, 0xAA);
    const std::pair<const char*, const char*> reads[] = {
        {"SAPLING", "can't get file data 'SAPLING' (sapling file)\n"},
        {"TREE", "can't get file data 'TREE' (tree file)\n"},
        {"INNER", "can't get file data 'INNER' (tree file)\n"},
        {"GOOD", "can't get file data 'GOOD' (sapling file)\n"}};
    for (const auto& [path, message] : reads) {
      const std::uint32_t size = prodos_find(o.volume, path)->eof;
      EXPECT_EQ(stdout_of([&] { EXPECT_EQ(prodos_read_file(o.volume, path, buffer.data(), size), -1); }),
                message);
    }
    // The mapped start of GOOD and of INNER still reads.
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(prodos_read_file(o.volume, "GOOD", buffer.data(), 512), 0); }),
              "file size mismatch 'GOOD' size=$258 != $200\n");
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(prodos_read_file(o.volume, "INNER", buffer.data(), 1000), 0); }),
              "file size mismatch 'INNER' size=$222E0 != $3E8\n");
    EXPECT_EQ(buffer[0], 1);
  }
}

// A volume of every kind of file and folder, to cut and scramble.
prodos_builder sample_volume() {
  prodos_builder b = prodos_format("SAMPLE");
  prodos_add_file(b, "SEED", noise(300, 1));
  prodos_add_file(b, "SAPLING", noise(5000, 2));
  bytes tree(140000, 0);
  std::fill(tree.begin(), tree.begin() + 3000, 3);
  std::fill(tree.end() - 3000, tree.end(), 4);
  prodos_add_file(b, "TREE", tree);
  prodos_add_dir(b, "DIR");
  for (int i = 0; i < 15; ++i) prodos_add_file(b, "DIR/F" + std::to_string(i), noise(600, 10 + i));
  prodos_add_dir(b, "DIR/SUB");
  prodos_add_file(b, "DIR/SUB/LAST", noise(1500, 5));
  prodos_add_file(b, "END", noise(40000, 6));
  return b;
}

TEST(ProdosDamage, TruncatedImagesOfEveryLengthOpenOrFailCleanly) {
  const prodos_builder b = sample_volume();
  for (int order : {1, 2}) {
    const bytes whole = prodos_image(b, order);
    int read_before = 0;  // a longer image never reads fewer files
    for (std::size_t blocks = 0; blocks <= 280; ++blocks)
      for (std::size_t extra : {0, 255, 256}) {
        const std::size_t length = std::min(whole.size(), 512 * blocks + extra);
        opened_volume o(bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)), order);
        // The volume directory is blocks 2..5, the first 3072 bytes of the
        // image in either order.
        ASSERT_EQ(o.result, length >= 3072 ? 0 : -1) << length;
        if (o.result != 0) {
          EXPECT_NE(o.output.find("can't get catalog"), std::string::npos) << length;
          continue;
        }
        int read = 0;
        stdout_of([&] { read = read_every_file(o.volume, o.volume.root.get(), ""); });
        EXPECT_GE(read, read_before) << length;
        read_before = read;
        if (length == whole.size()) {
          EXPECT_EQ(o.output, "");
          EXPECT_EQ(read, 20);
        }
      }
  }
}

TEST(ProdosDamage, ScrambledImagesNeverCrashOrHang) {
  const prodos_builder b = sample_volume();
  std::mt19937 generator(1234);
  for (int round = 0; round < 300; ++round) {
    bytes image = b.blocks;
    const int pokes = 1 + static_cast<int>(generator() % 24);
    for (int i = 0; i < pokes; ++i) {
      // Mostly directory and index blocks, which hold the pointers.
      const std::size_t block = generator() % 4 == 0 ? generator() % 280 : 2 + generator() % 40;
      image[512 * block + generator() % 512] = static_cast<std::uint8_t>(generator());
    }
    for (int order : {1, 2}) {
      image_file file(order == 1 ? image : reorder_tracks(image));
      prodos_volume volume;
      stdout_of([&] {
        if (prodos_open(volume, file.path.c_str(), order) == 0)
          read_every_file(volume, volume.root.get(), "");
        arg_vector args({"prodos", order == 1 ? "--do" : "--po", "list", file.path});
        prodos_tool_main(args.argc(), args.argv());
      });
      prodos_close(volume);
      EXPECT_EQ(volume.root, nullptr);
    }
  }
}

}  // namespace
