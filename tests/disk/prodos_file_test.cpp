// Path lookup and file reads on an opened volume, and the reader against
// volumes written by an independent ProDOS tool.
#include <filesystem>
#include <fstream>
#include <tuple>

#include "disk_test_util.h"
#include "support/manifest.h"

namespace {

// Rows of path, file, size asked and messages: eof 100 asked as 16384
// copies 100 bytes and leaves the rest alone, eof 20000 only the first
// 16384; every file asked for its own size copies whole, without a message.
TEST(ProdosFile, FilesCopyWholeOrCutToTheSizeAsked) {
  const sample_volume s = make_sample();
  std::vector<std::tuple<std::string, std::string, std::uint32_t, std::string>> cases = {
      {"SMALL", "SMALL", 16384, "file size mismatch 'SMALL' size=$64 != $4000\n"},
      {"BIG", "BIG", 16384, "file size mismatch 'BIG' size=$4E20 != $4000\n"},
      {"EMPTY", "EMPTY", 26, "file size mismatch 'EMPTY' size=$0 != $1A\n"},
      {"//VOL//DIR//SUB/DEEP/", "DIR/SUB/DEEP", 5, ""}, {"DIR//SUB/DEEP/", "DIR/SUB/DEEP", 5, ""}};
  for (const auto& [path, data] : s.files) cases.emplace_back(path, path, static_cast<std::uint32_t>(data.size()), "");
  for (int order : {1, 2}) {
    opened_volume o(s.b, order);
    ASSERT_EQ(std::tie(o.result, o.output), std::make_tuple(0, ""));
    for (const auto& [path, file, size, messages] : cases) {
      const read_result r = prodos_read(o.volume, path, size, size + 8);
      const bytes& data = s.files.at(file);
      bytes expected(data.begin(), data.begin() + std::min<std::ptrdiff_t>(size, std::ssize(data)));
      expected.resize(size + 8, 0xAA);
      EXPECT_EQ(std::make_tuple(r.result, r.output, r.buffer == expected), std::make_tuple(0, messages, true)) << path;
    }
  }
}

TEST(ProdosFile, LookupFailuresAndTheirMessages) {
  sample_volume s = make_sample();
  s.b.blocks[prodos_entry_offset({2, 4, 0}) + 22] = 0x02;  // SMALL's eof becomes 0x264 = 612
  opened_volume o(s.b, 2);
  const std::pair<std::string, std::string> cases[] = {
      {"", "file name error ''\n"}, {"/", "file name error '/'\n"}, {"///", "file name error '///'\n"},
      {"/VOL", "file name error '/VOL'\n"},
      {"/OTHER/SHAPES", "can't find volume name 'OTHER'\n"}, {"/vol/SHAPES", "can't find volume name 'vol'\n"},
      {"DIR", "strage type mismatch 'DIR' $D\n"}, {"/VOL/DIR/SUB/", "strage type mismatch '/VOL/DIR/SUB/' $D\n"},
      {"SHAPES/X", ""}, {"shapes", ""}, {"SHAPE", ""}, {"SHAPES.", ""}, {"VOL", ""}, {"DIR/NONE/X", ""},
      {"SIXTEENCHARSLONG", ""}, {"T0", ""}, {"T4", ""}, {"T5", ""}, {"T6", ""}, {"T7", ""}, {"T8", ""},
      {"T9", ""}, {"TA", ""}, {"TB", ""}, {"TC", ""}, {"TE", ""}, {"TF", ""}};
  for (const auto& [path, messages] : cases) {
    const read_result r = prodos_read(o.volume, path, 4);
    EXPECT_EQ(std::make_tuple(r.result, r.output, r.buffer),
              std::make_tuple(-1, messages + "can't find file '" + path + "'\n", bytes(4, 0xAA)));
  }
  // A seedling longer than its one block: what could be copied was copied.
  const read_result r = prodos_read(o.volume, "SMALL", 612);
  EXPECT_EQ(std::tie(r.result, r.output), std::make_tuple(-1, "can't get file data 'SMALL' (seeding file)\n"));
  EXPECT_TRUE(std::equal(s.files.at("SMALL").begin(), s.files.at("SMALL").end(), r.buffer.begin()));
  EXPECT_EQ(r.buffer[512], 0xAA);
}

// Every file of a manifest is found with its storage type, file type, eof,
// blocks used and dates (all 02-Jan-2024 03:04), and reads to its digest;
// an extended file is not found, and a directory is one.
void check_volume(const std::filesystem::path& manifest_path) {
  const nlohmann::json manifest = read_manifest(manifest_path);
  std::string volume = manifest.at("volume_name");
  volume = '/' + volume + '/';
  for (const auto& [image_key, order] : {std::pair{"image_po", 1}, std::pair{"image_dsk", 2}}) {
    opened_volume o(read_file((manifest_path.parent_path() / manifest.at(image_key).get<std::string>()).string()), order);
    ASSERT_EQ(std::tie(o.result, o.output), std::make_tuple(0, "")) << image_key;
    for (const nlohmann::json& file : manifest.at("files")) {
      const std::string path = volume + file.at("relative_path").get<std::string>();
      const auto number = [&file](const char* key) { return file.at(key).get<unsigned>(); };
      const prodos_entry* e = prodos_find(o.volume, path.c_str());
      ASSERT_EQ(e != nullptr, number("storage_type") <= 3) << path;
      if (e == nullptr) continue;
      EXPECT_EQ(std::make_tuple(e->storage_type, e->file_type, e->eof, e->blocks_used),
                std::make_tuple(number("storage_type"), number("file_type"), number("eof"), number("blocks_used")))
          << path;
      EXPECT_EQ(std::make_tuple(file.at("created").get<std::string>(), file.at("modified").get<std::string>(),
                                prodos_format_date_time(e->creation), prodos_format_date_time(e->last_mod)),
                std::make_tuple("02-Jan-2024 03:04", "02-Jan-2024 03:04", "2024-01-02 03:04", "2024-01-02 03:04"));
      const read_result r = prodos_read(o.volume, path, e->eof);
      EXPECT_EQ(std::tie(r.result, r.output), std::make_tuple(0, "")) << path;
      EXPECT_EQ(sha256_hex(r.buffer), file.at("sha256").get<std::string>()) << path;
    }
    for (const nlohmann::json& dir : manifest.at("directories")) {
      const std::string path = dir.at("path");
      EXPECT_EQ(stdout_of([&] { prodos_find(o.volume, path.c_str()); }), "strage type mismatch '" + path + "' $D\n");
    }
  }
}

TEST(ProdosTestdata, EveryVolumeReadsAsItsManifestSays) {
  const std::filesystem::path folder = std::filesystem::path(QZ_TESTDATA_DIR) / "prodos";
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no outside test data";
  int volumes = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (!name.ends_with(".manifest.json")) continue;
    SCOPED_TRACE(name);
    check_volume(entry.path());
    ++volumes;
  }
  EXPECT_GT(volumes, 0);
}

}  // namespace
