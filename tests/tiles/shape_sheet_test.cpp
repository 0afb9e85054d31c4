// Loading the shape sheet from a program disk image: built volumes for
// every failure, and volumes made by an outside tool when they are present.
#include "tiles/shape_sheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "support/json_value.h"
#include "support/prodos_image.h"
#include "support/sha256.h"
#include "support/temp_dir.h"
#include "tiles/hires_decode.h"

namespace {

bytes random_shapes(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  bytes data(size);
  for (auto& b : data) b = static_cast<std::uint8_t>(rng() >> 24);
  return data;
}

struct load_result {
  int result = 0;
  std::string output;
  shape_sheet sheet;
};

load_result load(const std::string& path, int order, int shape_type = shape_type_normal, int no_remake = 0) {
  load_result r;
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  r.result = read_shape(path.c_str(), order, r.sheet, shape_type, no_remake);
  std::fflush(stdout);
  r.output = testing::internal::GetCapturedStdout();
  return r;
}

// A volume image written to a temporary folder.
struct disk_file {
  temp_dir dir;
  std::string path = dir.file("program.dsk");
  disk_file(const prodos_builder& b, int order) { write_file(path, prodos_image(b, order)); }
};

// The allocations survive a failure, for the owner to free.
void expect_set_up_but_empty(const load_result& r) {
  EXPECT_EQ(r.result, -1);
  EXPECT_EQ(r.sheet.tile_width, 28);
  EXPECT_EQ(r.sheet.tile_height, 32);
  EXPECT_EQ(r.sheet.bit_count, 4);
  EXPECT_EQ(r.sheet.bytes_per_pixel, 1);
  ASSERT_NE(r.sheet.pixels, nullptr);
  ASSERT_NE(r.sheet.palette, nullptr);
  EXPECT_TRUE(std::all_of(r.sheet.pixels.get(), r.sheet.pixels.get() + disk_sheet_bytes,
                          [](std::uint8_t v) { return v == 0; }));
  EXPECT_TRUE(std::equal(apple_palette.begin(), apple_palette.end(), r.sheet.palette.get()));
}

TEST(ReadShape, LoadsAndDecodesShapesInBothOrders) {
  const bytes shapes = random_shapes(shapes_file_size, 3);
  prodos_builder b = prodos_format("GAME");
  prodos_add_file(b, "README", bytes(200, 'r'));
  prodos_add_file(b, "SHAPES", shapes);
  for (int order = 1; order <= 2; ++order) {
    const disk_file f(b, order);
    const load_result r = load(f.path, order, shape_type_mirror_room, 1);
    EXPECT_EQ(r.output, "");
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.sheet.tile_width, 28);
    EXPECT_EQ(r.sheet.tile_height, 32);
    EXPECT_EQ(r.sheet.tiles_across, 0);
    EXPECT_EQ(r.sheet.tiles_down, 0);
    EXPECT_EQ(r.sheet.bit_count, 4);
    EXPECT_EQ(r.sheet.bytes_per_pixel, 1);
    ASSERT_NE(r.sheet.palette, nullptr);
    EXPECT_TRUE(std::equal(apple_palette.begin(), apple_palette.end(), r.sheet.palette.get()));
    bytes expected(disk_sheet_bytes);
    decode_shape_data(expected, shapes, shape_type_mirror_room, 1);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), r.sheet.pixels.get()));
  }
}

TEST(ReadShape, MissingOrMisplacedShapes) {
  prodos_builder b = prodos_format("GAME");
  prodos_add_file(b, "SHAPES.OLD", random_shapes(shapes_file_size, 4));
  prodos_add_dir(b, "DATA");
  prodos_add_file(b, "DATA/SHAPES", random_shapes(shapes_file_size, 5));
  const disk_file f(b, 2);
  const load_result r = load(f.path, 2);
  EXPECT_EQ(r.output, "error: can't find file '" + f.path + "/SHAPES'\n");
  expect_set_up_but_empty(r);

  prodos_builder dir = prodos_format("GAME");
  prodos_add_dir(dir, "SHAPES");
  prodos_add_file(dir, "SHAPES/SHAPES", random_shapes(shapes_file_size, 6));
  const disk_file g(dir, 1);
  const load_result s = load(g.path, 1);
  EXPECT_EQ(s.output, "strage type mismatch 'SHAPES' $D\nerror: can't find file '" + g.path + "/SHAPES'\n");
  expect_set_up_but_empty(s);
}

TEST(ReadShape, WrongSizeIsRefused) {
  for (std::uint32_t size : {shapes_file_size - 1, shapes_file_size + 1, std::uint32_t{0}}) {
    prodos_builder b = prodos_format("GAME");
    prodos_add_file(b, "SHAPES", random_shapes(size, 7));
    const disk_file f(b, 2);
    const load_result r = load(f.path, 2);
    EXPECT_EQ(r.output, "error: shape data size " + std::to_string(size) + "\n");
    expect_set_up_but_empty(r);
  }
}

TEST(ReadShape, FailingReadOfTheFile) {
  prodos_builder b = prodos_format("GAME");
  const prodos_entry_place place = prodos_add_file(b, "SHAPES", random_shapes(shapes_file_size, 8));
  // Data block 5 of the sapling points past the end of the volume.
  auto index = prodos_block(b, place.key_pointer);
  index[5] = 0x00;
  index[256 + 5] = 0x02;
  const disk_file f(b, 1);
  const load_result r = load(f.path, 1);
  char index_line[64];
  std::snprintf(index_line, sizeof index_line, "can't get index block $%04X 'SHAPES'\n", place.key_pointer);
  EXPECT_EQ(r.output, std::string("illegal block no $0200\n") + index_line +
                          "can't get file data 'SHAPES' (sapling file)\n"
                          "error: can't get file '" + f.path + "/SHAPES'\n");
  expect_set_up_but_empty(r);
}

TEST(ReadShape, UnreadableImages) {
  temp_dir dir;
  const std::string missing = dir.file("none.dsk");
  const load_result r = load(missing, 2);
  EXPECT_EQ(r.output, "open error '" + missing + "'\nerror: read disk image '" + missing + "'\n");
  expect_set_up_but_empty(r);

  // Too short to hold the volume directory's key block.
  const std::string short_image = dir.file("short.dsk");
  write_file(short_image, bytes(1024, 0));
  const load_result s = load(short_image, 1);
  EXPECT_EQ(s.output, "illegal block no $0002\ncan't get dir block $0002\ncan't get dir block $0002\n"
                      "can't get catalog '" + short_image + "'\nerror: read disk image '" + short_image + "'\n");
  expect_set_up_but_empty(s);
}

// The tile file that a sheet decoded with the normal type and no water
// remake came from: each 14 pixels give back their byte.
bytes encode_sheet(const std::uint8_t* pixels) {
  bytes file(shapes_file_size);
  for (int t = 0; t < sheet_tile_count; ++t) {
    for (int s = 0; s < 16; ++s) {
      for (int k = 0; k < 2; ++k) {
        const std::uint8_t* p = pixels + static_cast<std::size_t>((t / 16) * 32 + 2 * s) * 448 + (t % 16) * 28 + 14 * k;
        std::uint8_t b = 0;
        if (p[0] == delay_marker) {
          b = 0x80;
          for (int dot = 0; dot < 6; ++dot) b |= static_cast<std::uint8_t>(p[1 + 2 * dot] << dot);
          b |= static_cast<std::uint8_t>(p[13] << 6);
        } else {
          for (int dot = 0; dot < 7; ++dot) b |= static_cast<std::uint8_t>(p[2 * dot] << dot);
        }
        file[static_cast<std::size_t>(t / 256) * 8192 + k * 4096 + s * 256 + t % 256] = b;
      }
    }
  }
  return file;
}

// Volumes written by an outside ProDOS tool, with the digest of their
// SHAPES from its manifest.
TEST(ReadShape, VolumesFromAnOutsideTool) {
  const std::filesystem::path root = std::filesystem::path(QZ_TESTDATA_DIR) / "prodos";
  if (!std::filesystem::exists(root)) GTEST_SKIP() << "no outside test data at " << root;
  auto root_shapes_digest = [&](const std::string& name) {
    const bytes text = read_file((root / (name + ".manifest.json")).string());
    const json_value manifest = parse_json(std::string(text.begin(), text.end()));
    for (const json_value& file : json_member(manifest, "files").items) {
      if (json_member(file, "relative_path").text == "SHAPES") return json_member(file, "sha256").text;
    }
    return std::string();
  };
  for (const char* name : {"root_shapes", "subdirs_both", "full_dirs", "shapes_casebits", "sparse"}) {
    const std::string digest = root_shapes_digest(name);
    ASSERT_FALSE(digest.empty()) << name;
    for (auto [suffix, order] : {std::pair{".po", 1}, std::pair{".dsk", 2}}) {
      const load_result r = load((root / (std::string(name) + suffix)).string(), order, shape_type_normal, 1);
      EXPECT_EQ(r.output, "") << name << suffix;
      ASSERT_EQ(r.result, 0) << name << suffix;
      const bytes file = encode_sheet(r.sheet.pixels.get());
      EXPECT_EQ(sha256_hex(file.data(), file.size()), digest) << name << suffix;
    }
  }
  const struct {
    const char* name;
    std::string message_before;  // the path follows
    std::string message_after;
  } refused[] = {
      {"subdirs", "error: can't find file '", "/SHAPES'\n"},
      {"storage_kinds", "error: can't find file '", "/SHAPES'\n"},
      {"extended_shapes", "error: can't find file '", "/SHAPES'\n"},
      {"shapes_is_dir", "strage type mismatch 'SHAPES' $D\nerror: can't find file '", "/SHAPES'\n"},
  };
  for (const auto& c : refused) {
    for (auto [suffix, order] : {std::pair{".po", 1}, std::pair{".dsk", 2}}) {
      const std::string path = (root / (std::string(c.name) + suffix)).string();
      const load_result r = load(path, order);
      EXPECT_EQ(r.output, c.message_before + path + c.message_after);
      EXPECT_EQ(r.result, -1);
    }
  }
  for (int size : {16383, 16385}) {
    const std::string path = (root / ("shapes_" + std::to_string(size) + ".dsk")).string();
    EXPECT_EQ(load(path, 2).output, "error: shape data size " + std::to_string(size) + "\n");
  }
}

}  // namespace
