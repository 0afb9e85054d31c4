// Path lookup and file reads on an opened volume, the prodos tool, and
// the reader against volumes written by an independent ProDOS tool.
#include <filesystem>
#include <fstream>
#include <tuple>

#include "disk/prodos_tool.h"
#include "disk_test_util.h"
#include "support/json_value.h"
#include "support/sha256.h"

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

// The exit status and the output of the tool run on `args`.
std::tuple<int, std::string> run_tool(std::vector<std::string> args) {
  args.insert(args.begin(), "prodos");
  arg_vector argv(args);
  int status = 0;
  const std::string output = stdout_of([&] { status = prodos_tool_main(argv.argc(), argv.argv()); });
  return {status, output};
}

TEST(ProdosTool, ListsAndExtractsOrSaysWhyNot) {
  prodos_builder b = prodos_format("X");
  prodos_file_options text, data;
  text.file_type = 0x04;
  text.created = {5, 1, 9, 0, 0};
  text.modified = {39, 12, 31, 23, 59};
  data.created = {127, 7, 4, 12, 30};
  data.modified = {100, 15, 31, 31, 63};  // fields out of range print as they are
  const bytes contents = noise(3000, 77);
  prodos_add_file(b, "README", bytes(200, 'r'), text);
  prodos_add_dir(b, "GAME", {40, 2, 3, 4, 5});
  prodos_add_file(b, "GAME/DATA", contents, data);
  prodos_add_raw_entry(b, "GAME", std::array<std::uint8_t, 39>{0x03, 'O', 'L', 'D'});  // deleted
  const std::string listing = "README\t1\t04\t200\t1\t2005-01-09 00:00\t2039-12-31 23:59\n"
      "GAME\tD\t0F\t512\t1\t1940-02-03 04:05\t1940-02-03 04:05\n"
      "GAME/DATA\t2\t06\t3000\t7\t2027-07-04 12:30\t2000-15-31 31:63\n";
  const std::string usage = "usage: prodos [--do|--po] list IMAGE\n       prodos [--do|--po] extract IMAGE PATH [OUT]\n"
      "  --do    DOS 3.3 order\n  --po    ProDOS order (default)\n";
  image_file po(prodos_image(b, 1)), dsk(prodos_image(b, 2));
  const std::string out = dsk.dir.file("out.bin"), missing = dsk.dir.file("none.po"), folder = dsk.dir.path;
  // The order option may stand before or after the command; the last wins.
  const std::tuple<std::vector<std::string>, int, std::string> runs[] = {
      {{"--do", "list", po.path}, 0, listing}, {{"list", "--po", "--do", po.path}, 0, listing},
      {{"list", dsk.path}, 0, listing}, {{"--do", "list", "--po", dsk.path}, 0, listing},
      {{"extract", dsk.path, "/X/GAME/DATA", out}, 0, ""},
      {{"extract", dsk.path, "GAME/DATA"}, 0, std::string(contents.begin(), contents.end())},
      {{"extract", dsk.path, "GAME"}, 1, "strage type mismatch 'GAME' $D\ncan't find file 'GAME'\n"},
      {{"extract", dsk.path, "NONE"}, 1, "can't find file 'NONE'\n"},
      {{"extract", dsk.path, "README", folder}, 1, "error: write '" + folder + "'\n"},
      {{"list", missing}, 1, "open error '" + missing + "'\n"},
      {{"--do"}, 1, usage}, {{"copy", "a", "b"}, 1, usage}, {{"extract", "a", "b", "c", "d"}, 1, usage},
      {{"list", "--dos", "a"}, 1, usage}};
  for (const auto& [args, status, output] : runs) EXPECT_EQ(run_tool(args), std::tie(status, output));
  EXPECT_EQ(read_file(out), contents);
}

// Every file of a manifest is found with its storage type, file type, eof,
// blocks used and dates (all 02-Jan-2024 03:04), and reads to its digest;
// an extended file is not found, and a directory is one.
void check_volume(const std::filesystem::path& manifest_path) {
  std::ifstream in(manifest_path);
  const json_value manifest = parse_json(std::string(std::istreambuf_iterator<char>(in), {}));
  const std::string volume = "/" + json_member(manifest, "volume_name").text + "/";
  for (const auto& [image_key, order] : {std::pair{"image_po", 1}, std::pair{"image_dsk", 2}}) {
    opened_volume o(read_file((manifest_path.parent_path() / json_member(manifest, image_key).text).string()), order);
    ASSERT_EQ(std::tie(o.result, o.output), std::make_tuple(0, "")) << image_key;
    for (const json_value& file : json_member(manifest, "files").items) {
      const std::string path = volume + json_member(file, "relative_path").text;
      const auto number = [&file](const char* key) { return json_member(file, key).number; };
      const prodos_entry* e = prodos_find(o.volume, path.c_str());
      ASSERT_EQ(e != nullptr, number("storage_type") <= 3) << path;
      if (e == nullptr) continue;
      EXPECT_EQ(std::make_tuple(e->storage_type, e->file_type, e->eof, e->blocks_used),
                std::make_tuple(number("storage_type"), number("file_type"), number("eof"), number("blocks_used")))
          << path;
      EXPECT_EQ(std::make_tuple(json_member(file, "created").text, json_member(file, "modified").text,
                                prodos_format_date_time(e->creation), prodos_format_date_time(e->last_mod)),
                std::make_tuple("02-Jan-2024 03:04", "02-Jan-2024 03:04", "2024-01-02 03:04", "2024-01-02 03:04"));
      const read_result r = prodos_read(o.volume, path, e->eof);
      EXPECT_EQ(std::tie(r.result, r.output), std::make_tuple(0, "")) << path;
      EXPECT_EQ(sha256_hex(r.buffer.data(), r.buffer.size()), json_member(file, "sha256").text) << path;
    }
    for (const json_value& dir : json_member(manifest, "directories").items) {
      const std::string path = json_member(dir, "path").text;
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
