// Path lookup and file reads on an opened volume.
#include <gtest/gtest.h>

#include <algorithm>

#include "disk/prodos.h"
#include "disk_test_util.h"
#include "support/prodos_image.h"

namespace {

// A volume with files of every storage type, a sparse sapling, a sparse
// tree, a subdirectory of three blocks and a free entry.
struct sample_volume {
  bytes shapes = noise(16384, 21);
  bytes small = noise(100, 22);
  bytes big = noise(20000, 23);
  bytes tree = noise(133000, 24);
  bytes sparse;
  bytes sparse_tree;
  prodos_builder b = prodos_format("VOL");
};

sample_volume make_sample() {
  sample_volume v;
  // The tree's data spans both its index blocks, with a hole to fit the disk.
  std::fill(v.tree.begin() + 20 * 512, v.tree.begin() + 257 * 512, 0);
  v.sparse = noise(8 * 512, 25);
  std::fill(v.sparse.begin() + 512 * 3, v.sparse.begin() + 512 * 5, 0);  // blocks 3, 4
  v.sparse_tree.assign(300000, 0);
  std::fill(v.sparse_tree.begin(), v.sparse_tree.begin() + 700, 7);
  std::fill(v.sparse_tree.end() - 100, v.sparse_tree.end(), 9);  // index 2 only
  prodos_add_file(v.b, "SHAPES", v.shapes);
  prodos_add_file(v.b, "SMALL", v.small);
  prodos_add_file(v.b, "BIG", v.big);
  prodos_add_file(v.b, "TREE", v.tree);
  prodos_add_file(v.b, "SPARSE", v.sparse);
  prodos_add_file(v.b, "SPARSE.TREE", v.sparse_tree);
  prodos_add_file(v.b, "EMPTY", bytes{});
  prodos_add_dir(v.b, "DIR");
  for (int i = 0; i < 30; ++i)
    prodos_add_file(v.b, "DIR/F" + std::to_string(i), bytes(3, static_cast<std::uint8_t>(i)));
  prodos_add_dir(v.b, "DIR/SUB");
  prodos_add_file(v.b, "DIR/SUB/DEEP", bytes(5, 0x5D));
  // A deleted file: storage type 0, its name left in place.
  std::array<std::uint8_t, 39> deleted{};
  deleted[0] = 0x07;
  std::copy_n("DELETED", 7, deleted.begin() + 1);
  prodos_add_raw_entry(v.b, "", deleted);
  return v;
}

// prodos_read_file of `path` into a buffer of `capacity` bytes filled with
// 0xAA, asking for `size`: the result, the messages and the buffer.
struct read_result {
  int result;
  std::string output;
  bytes buffer;
};
read_result read(const prodos_volume& volume, const char* path, std::uint32_t size,
                 std::size_t capacity) {
  read_result r{0, "", bytes(capacity, 0xAA)};
  r.output = stdout_of([&] { r.result = prodos_read_file(volume, path, r.buffer.data(), size); });
  return r;
}

TEST(ProdosFile, WholeFilesOfEveryStorageTypeCopyWithoutAMessage) {
  const sample_volume sample = make_sample();
  for (int order : {1, 2}) {
    SCOPED_TRACE(order);
    opened_volume o(prodos_image(sample.b, order), order);
    ASSERT_EQ(o.result, 0);
    ASSERT_EQ(o.output, "");
    const std::pair<const char*, const bytes*> files[] = {
        {"SHAPES", &sample.shapes}, {"SMALL", &sample.small}, {"BIG", &sample.big},
        {"TREE", &sample.tree},     {"SPARSE", &sample.sparse}, {"SPARSE.TREE", &sample.sparse_tree}};
    for (const auto& [path, data] : files) {
      const auto r = read(o.volume, path, static_cast<std::uint32_t>(data->size()), data->size() + 8);
      EXPECT_EQ(r.result, 0) << path;
      EXPECT_EQ(r.output, "") << path;
      EXPECT_TRUE(std::equal(data->begin(), data->end(), r.buffer.begin())) << path;
      EXPECT_EQ(r.buffer.back(), 0xAA) << path;
    }
    const prodos_entry* shapes = prodos_find(o.volume, "SHAPES");
    ASSERT_NE(shapes, nullptr);
    EXPECT_EQ(shapes->eof, 16384u);
    EXPECT_EQ(shapes->storage_type, prodos_sapling);
  }
}

TEST(ProdosFile, SparseBlocksReadAsZeros) {
  const sample_volume sample = make_sample();
  for (int order : {1, 2}) {
    SCOPED_TRACE(order);
    opened_volume o(prodos_image(sample.b, order), order);
    const prodos_entry* sparse = prodos_find(o.volume, "SPARSE");
    ASSERT_NE(sparse, nullptr);
    EXPECT_EQ(sparse->data.index[3].block, 0);
    EXPECT_EQ(sparse->data.index[4].block, 0);
    const auto r = read(o.volume, "SPARSE", 8 * 512, 8 * 512);
    EXPECT_TRUE(std::all_of(r.buffer.begin() + 512 * 3, r.buffer.begin() + 512 * 5,
                            [](std::uint8_t v) { return v == 0; }));
    const prodos_entry* tree = prodos_find(o.volume, "SPARSE.TREE");
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->data.master[1].block, 0);  // a whole index of zeros left out
    EXPECT_NE(tree->data.master[2].block, 0);
  }
}

TEST(ProdosFile, SizeMismatchCutsOrShortensTheCopy) {
  const sample_volume sample = make_sample();
  for (int order : {1, 2}) {
    SCOPED_TRACE(order);
    opened_volume o(prodos_image(sample.b, order), order);
    // eof 100 asked as 16384: 100 bytes copied, the rest left alone.
    auto r = read(o.volume, "SMALL", 16384, 16384);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.output, "file size mismatch 'SMALL' size=$64 != $4000\n");
    EXPECT_TRUE(std::equal(sample.small.begin(), sample.small.end(), r.buffer.begin()));
    EXPECT_TRUE(std::all_of(r.buffer.begin() + 100, r.buffer.end(), [](std::uint8_t v) { return v == 0xAA; }));
    // eof 20000 asked as 16384: only the first 16384 bytes.
    r = read(o.volume, "BIG", 16384, 16400);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.output, "file size mismatch 'BIG' size=$4E20 != $4000\n");
    EXPECT_TRUE(std::equal(sample.big.begin(), sample.big.begin() + 16384, r.buffer.begin()));
    EXPECT_EQ(r.buffer[16384], 0xAA);
    // An empty file copies nothing; asked for more it reports the mismatch.
    r = read(o.volume, "EMPTY", 0, 4);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.output, "");
    r = read(o.volume, "EMPTY", 16, 16);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.output, "file size mismatch 'EMPTY' size=$0 != $10\n");
    EXPECT_EQ(r.buffer, bytes(16, 0xAA));
  }
}

TEST(ProdosFile, PathsFindFilesThroughVolumeNameAndSubdirectories) {
  const sample_volume sample = make_sample();
  for (int order : {1, 2}) {
    SCOPED_TRACE(order);
    opened_volume o(prodos_image(sample.b, order), order);
    const prodos_entry* deep = prodos_find(o.volume, "DIR/SUB/DEEP");
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(std::string(deep->name.data(), deep->name_length), "DEEP");
    EXPECT_EQ(prodos_find(o.volume, "/VOL/DIR/SUB/DEEP"), deep);
    EXPECT_EQ(prodos_find(o.volume, "//VOL//DIR//SUB/DEEP/"), deep);
    EXPECT_EQ(prodos_find(o.volume, "DIR//SUB/DEEP/"), deep);
    // F29 lives in the subdirectory's third block.
    const prodos_entry* f29 = prodos_find(o.volume, "DIR/F29");
    ASSERT_NE(f29, nullptr);
    const auto r = read(o.volume, "DIR/F29", 3, 3);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.buffer, bytes(3, 29));
  }
}

TEST(ProdosFile, LookupFailuresAndTheirMessages) {
  const sample_volume sample = make_sample();
  for (int order : {1, 2}) {
    SCOPED_TRACE(order);
    opened_volume o(prodos_image(sample.b, order), order);
    const struct {
      const char* path;
      const char* messages;
    } cases[] = {
        {"", "file name error ''\ncan't find file ''\n"},
        {"/", "file name error '/'\ncan't find file '/'\n"},
        {"///", "file name error '///'\ncan't find file '///'\n"},
        {"/VOL", "file name error '/VOL'\ncan't find file '/VOL'\n"},
        {"/VOL/", "file name error '/VOL/'\ncan't find file '/VOL/'\n"},
        {"/OTHER/SHAPES", "can't find volume name 'OTHER'\ncan't find file '/OTHER/SHAPES'\n"},
        {"/vol/SHAPES", "can't find volume name 'vol'\ncan't find file '/vol/SHAPES'\n"},
        {"DIR", "strage type mismatch 'DIR' $D\ncan't find file 'DIR'\n"},
        {"/VOL/DIR/SUB/", "strage type mismatch '/VOL/DIR/SUB/' $D\ncan't find file '/VOL/DIR/SUB/'\n"},
        {"SHAPES/X", "can't find file 'SHAPES/X'\n"},
        {"shapes", "can't find file 'shapes'\n"},
        {"SHAPE", "can't find file 'SHAPE'\n"},
        {"SHAPES.", "can't find file 'SHAPES.'\n"},
        {"DELETED", "can't find file 'DELETED'\n"},
        {"VOL", "can't find file 'VOL'\n"},
        {"DIR/NONE/X", "can't find file 'DIR/NONE/X'\n"},
        {"SIXTEENCHARSLONG", "can't find file 'SIXTEENCHARSLONG'\n"},
    };
    for (const auto& c : cases) {
      const auto r = read(o.volume, c.path, 4, 4);
      EXPECT_EQ(r.result, -1) << c.path;
      EXPECT_EQ(r.output, c.messages) << c.path;
      EXPECT_EQ(r.buffer, bytes(4, 0xAA)) << c.path;
    }
  }
}

TEST(ProdosFile, SeedlingLongerThanOneBlockCannotBeRead) {
  sample_volume sample = make_sample();
  const auto offset = prodos_entry_offset({2, 2, 0});  // SMALL: root block, entry 2
  sample.b.blocks[offset + 22] = 0x02;                  // eof 0x264 = 612
  for (int order : {1, 2}) {
    SCOPED_TRACE(order);
    opened_volume damaged(prodos_image(sample.b, order), order);
    ASSERT_EQ(damaged.result, 0);
    bytes buffer(612, 0xAA);
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(prodos_read_file(damaged.volume, "SMALL", buffer.data(), 612), -1); }),
              "can't get file data 'SMALL' (seeding file)\n");
    // What could be copied was copied.
    EXPECT_TRUE(std::equal(sample.small.begin(), sample.small.end(), buffer.begin()));
    EXPECT_EQ(buffer[512], 0xAA);
  }
}

TEST(ProdosCopy, BlocksCopyUpToTheCountAndHandBackTheRest) {
  std::array<std::uint8_t, 256> first{}, second{};
  first.fill(1);
  second.fill(2);
  const prodos_block_ref mapped{9, first.data(), second.data()};
  bytes out(600, 0xAA);
  std::uint8_t* end = nullptr;
  std::int32_t left = -1;
  EXPECT_EQ(prodos_copy_block(mapped, out.data(), 300, &end, &left), 1);
  EXPECT_EQ(end, out.data() + 300);
  EXPECT_EQ(left, 0);
  EXPECT_EQ(out[255], 1);
  EXPECT_EQ(out[299], 2);
  EXPECT_EQ(out[300], 0xAA);

  EXPECT_EQ(prodos_copy_block(mapped, out.data(), 600, &end, &left), 0);
  EXPECT_EQ(end, out.data() + 512);
  EXPECT_EQ(left, 88);
  EXPECT_EQ(out[512], 0xAA);

  // Nothing asked: nothing handed back.
  EXPECT_EQ(prodos_copy_block(mapped, out.data(), 0, &end, &left), 0);
  EXPECT_EQ(left, 88);
  // Block 0 is zeros; a nonzero block without its halves fails.
  EXPECT_EQ(prodos_copy_block(prodos_block_ref{}, out.data(), 600, &end, &left), 0);
  EXPECT_EQ(left, 88);
  EXPECT_TRUE(std::all_of(out.begin(), out.begin() + 512, [](std::uint8_t v) { return v == 0; }));
  EXPECT_EQ(out[512], 0xAA);
  EXPECT_EQ(prodos_copy_block(prodos_block_ref{9, first.data(), nullptr}, out.data(), 10), -1);
}

TEST(ProdosCopy, IndexesWithoutTheirArrayFailAndZeroIndexesAreZeros) {
  bytes out(140000, 0xAA);
  std::int32_t left = -1;
  EXPECT_EQ(prodos_copy_index(5, nullptr, out.data(), 100), -1);
  EXPECT_EQ(prodos_copy_master_index(5, nullptr, out.data(), 100), -1);
  // A zero index stands for 131072 zero bytes, a zero master for all.
  EXPECT_EQ(prodos_copy_index(0, nullptr, out.data(), 140000, nullptr, &left), 0);
  EXPECT_EQ(left, 140000 - 131072);
  EXPECT_EQ(out[131071], 0);
  EXPECT_EQ(out[131072], 0xAA);
  EXPECT_EQ(prodos_copy_master_index(0, nullptr, out.data(), 140000, nullptr, &left), 1);
  EXPECT_EQ(left, 0);
  EXPECT_EQ(out[139999], 0);
}

}  // namespace
