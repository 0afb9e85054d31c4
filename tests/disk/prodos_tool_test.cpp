// The prodos tool: arguments, the listing format, extraction, and both
// against volumes written by an independent ProDOS tool.
#include "disk/prodos_tool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "disk_test_util.h"
#include "support/json_value.h"
#include "support/prodos_image.h"
#include "support/run_program.h"
#include "support/sha256.h"

namespace {

const char* const usage_text =
    "usage: prodos [--do|--po] list IMAGE\n"
    "       prodos [--do|--po] extract IMAGE PATH [OUT]\n"
    "  --do    DOS 3.3 order\n"
    "  --po    ProDOS order (default)\n";

struct tool_run {
  int status = 0;
  std::string output;
};

tool_run run_tool(std::vector<std::string> args) {
  args.insert(args.begin(), "prodos");
  arg_vector argv(args);
  tool_run r;
  r.output = stdout_of([&] { r.status = prodos_tool_main(argv.argc(), argv.argv()); });
  return r;
}

TEST(ProdosTool, BadArgumentsPrintTheUsage) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"list"},
      {"--do"},
      {"list", "a", "b"},
      {"extract", "a"},
      {"extract", "a", "b", "c", "d"},
      {"copy", "a", "b"},
      {"-x", "list", "a"},
      {"list", "--dos", "a"},
  };
  for (const auto& args : cases) {
    const tool_run r = run_tool(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, usage_text);
  }
}

TEST(ProdosTool, ListShowsEveryFileAndFolderWithItsFields) {
  prodos_builder b = prodos_format("LISTING");
  prodos_file_options text;
  text.file_type = 0x04;
  text.created = {5, 1, 9, 0, 0};
  text.modified = {39, 12, 31, 23, 59};
  prodos_add_file(b, "README", bytes(200, 'r'), text);
  prodos_add_dir(b, "GAME", {40, 2, 3, 4, 5});
  prodos_file_options old;
  old.created = {99, 7, 4, 12, 30};
  old.modified = {100, 1, 1, 1, 1};
  prodos_add_file(b, "GAME/SHAPES", noise(16384), old);
  prodos_add_dir(b, "GAME/EMPTY", {127, 6, 15, 18, 45});
  std::array<std::uint8_t, 39> deleted{};
  deleted[0] = 0x03;
  std::copy_n("OLD", 3, deleted.begin() + 1);
  prodos_add_raw_entry(b, "GAME", deleted);
  bytes big(140000, 0);
  big.front() = 1;
  big.back() = 1;
  prodos_add_file(b, "BIG", big);
  const std::string expected =
      "README\t1\t04\t200\t1\t2005-01-09 00:00\t2039-12-31 23:59\n"
      "GAME\tD\t0F\t512\t1\t1940-02-03 04:05\t1940-02-03 04:05\n"
      "GAME/SHAPES\t2\t06\t16384\t33\t1999-07-04 12:30\t2000-01-01 01:01\n"
      "GAME/EMPTY\tD\t0F\t512\t1\t2027-06-15 18:45\t2027-06-15 18:45\n"
      "BIG\t3\t06\t140000\t5\t2024-01-02 03:04\t2024-01-02 03:04\n";
  for (int order : {1, 2}) {
    image_file file(prodos_image(b, order));
    const tool_run r = run_tool({order == 1 ? "--do" : "--po", "list", file.path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, expected);
  }
  // The order option may follow the command, and the last one wins.
  image_file po(prodos_image(b, 1));
  EXPECT_EQ(run_tool({"list", "--po", "--do", po.path}).output, expected);
  EXPECT_EQ(run_tool({"--po", "list", "--do", po.path}).output, expected);
  image_file dsk(prodos_image(b, 2));
  EXPECT_EQ(run_tool({"list", dsk.path}).output, expected);
  EXPECT_EQ(run_tool({"--do", "list", "--po", dsk.path}).output, expected);
}

TEST(ProdosTool, DatesMapSevenBitYearsToCenturies) {
  const std::pair<int, const char*> years[] = {{0, "2000"},  {39, "2039"},  {40, "1940"},
                                               {99, "1999"}, {100, "2000"}, {127, "2027"}};
  for (const auto& [year, text] : years)
    EXPECT_EQ(prodos_format_date_time({year, 3, 4, 5, 6}), std::string(text) + "-03-04 05:06");
  // Out-of-range fields print as they are.
  EXPECT_EQ(prodos_format_date_time({24, 15, 31, 31, 63}), "2024-15-31 31:63");
}

TEST(ProdosTool, ExtractWritesTheFileToOutOrStandardOutput) {
  prodos_builder b = prodos_format("X");
  const bytes data = noise(3000, 77);
  prodos_add_dir(b, "DIR");
  prodos_add_file(b, "DIR/DATA", data);
  image_file file(prodos_image(b, 2));
  const std::string out = file.dir.file("out.bin");
  tool_run r = run_tool({"extract", file.path, "/X/DIR/DATA", out});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, "");
  EXPECT_EQ(read_file(out), data);

  const program_result p = run_program(PRODOS_TOOL_PATH, {"extract", file.path, "DIR/DATA"}, file.dir.path.string());
  EXPECT_EQ(p.exit_status, 0);
  EXPECT_EQ(p.output, std::string(data.begin(), data.end()));
  const program_result q = run_program(PRODOS_TOOL_PATH, {"list"}, file.dir.path.string());
  EXPECT_EQ(q.exit_status, 1);
  EXPECT_EQ(q.output, usage_text);
}

TEST(ProdosTool, ExtractFailuresSayWhyAndExitNonZero) {
  prodos_builder b = prodos_format("X");
  prodos_add_dir(b, "DIR");
  prodos_add_file(b, "F", bytes(10, 1));
  image_file file(prodos_image(b, 1));
  tool_run r = run_tool({"--do", "extract", file.path, "DIR"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "strage type mismatch 'DIR' $D\ncan't find file 'DIR'\n");
  r = run_tool({"--do", "extract", file.path, "NONE"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "can't find file 'NONE'\n");
  r = run_tool({"--do", "extract", file.path, "F", file.dir.path.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "error: write '" + file.dir.path.string() + "'\n");
  const std::string missing = file.dir.file("none.po");
  r = run_tool({"list", missing});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "open error '" + missing + "'\n");
  const program_result p = run_program(PRODOS_TOOL_PATH, {"extract", missing, "F"}, file.dir.path.string());
  EXPECT_EQ(p.exit_status, 1);
  EXPECT_EQ(p.output, "open error '" + missing + "'\n");
}

TEST(Sha256, KnownDigests) {
  const auto digest = [](const std::string& text) {
    return sha256_hex(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  };
  EXPECT_EQ(digest(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(digest("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(digest(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// --- Volumes written by an independent tool, with their manifests. ---

std::filesystem::path testdata_prodos() { return std::filesystem::path(QZ_TESTDATA_DIR) / "prodos"; }

// "02-Jan-2024 03:04" as the listing writes it, "2024-01-02 03:04".
std::string listing_date(const std::string& manifest_date) {
  static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  int month = 0;
  for (int m = 0; m < 12; ++m)
    if (manifest_date.compare(3, 3, months[m]) == 0) month = m + 1;
  char text[32];
  std::snprintf(text, sizeof text, "%s-%02d-%s %s", manifest_date.substr(7, 4).c_str(), month,
                manifest_date.substr(0, 2).c_str(), manifest_date.substr(12, 5).c_str());
  return text;
}

// The listing's lines by path, each split into its tab-separated fields.
std::map<std::string, std::vector<std::string>> parse_listing(const std::string& listing) {
  std::map<std::string, std::vector<std::string>> lines;
  std::istringstream in(listing);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::istringstream parts(line);
    std::string field;
    while (std::getline(parts, field, '\t')) fields.push_back(field);
    lines[fields.at(0)] = fields;
  }
  return lines;
}

std::string hex(std::int64_t value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*llX", width, static_cast<long long>(value));
  return text;
}

void check_volume(const std::filesystem::path& manifest_path) {
  std::ifstream in(manifest_path);
  const json_value manifest = parse_json(std::string(std::istreambuf_iterator<char>(in), {}));
  const json_value& files = json_member(manifest, "files");
  const json_value& dirs = json_member(manifest, "directories");
  const std::string volume = json_member(manifest, "volume_name").text;
  temp_dir out_dir;
  for (const char* image_key : {"image_po", "image_dsk"}) {
    const std::string image = (testdata_prodos() / json_member(manifest, image_key).text).string();
    const std::string order = image_key == std::string("image_po") ? "--do" : "--po";
    SCOPED_TRACE(image);
    const tool_run listing = run_tool({order, "list", image});
    ASSERT_EQ(listing.status, 0);
    const auto lines = parse_listing(listing.output);
    EXPECT_EQ(lines.size(), files.items.size() + dirs.items.size());

    for (const json_value& dir : dirs.items) {
      const std::string path = json_member(dir, "path").text.substr(volume.size() + 2);
      ASSERT_EQ(lines.count(path), 1u) << path;
      const auto& f = lines.at(path);
      EXPECT_EQ(f.at(1), "D") << path;
      EXPECT_EQ(f.at(3), std::to_string(json_member(dir, "eof").number)) << path;
      EXPECT_EQ(f.at(4), std::to_string(json_member(dir, "blocks_used").number)) << path;
    }
    for (const json_value& file : files.items) {
      const std::string path = json_member(file, "relative_path").text;
      const std::int64_t storage = json_member(file, "storage_type").number;
      ASSERT_EQ(lines.count(path), 1u) << path;
      const auto& f = lines.at(path);
      EXPECT_EQ(f.at(1), hex(storage, 1)) << path;
      EXPECT_EQ(f.at(2), hex(json_member(file, "file_type").number, 2)) << path;
      EXPECT_EQ(f.at(3), std::to_string(json_member(file, "eof").number)) << path;
      EXPECT_EQ(f.at(4), std::to_string(json_member(file, "blocks_used").number)) << path;
      EXPECT_EQ(f.at(5), listing_date(json_member(file, "created").text)) << path;
      EXPECT_EQ(f.at(6), listing_date(json_member(file, "modified").text)) << path;

      // Plain files extract byte for byte; an extended file is not one.
      const std::string out = out_dir.file("extracted");
      std::filesystem::remove(out);
      const tool_run r = run_tool({order, "extract", image, "/" + volume + "/" + path, out});
      if (storage >= 1 && storage <= 3) {
        EXPECT_EQ(r.status, 0) << path;
        EXPECT_EQ(r.output, "") << path;
        const bytes data = read_file(out);
        EXPECT_EQ(static_cast<std::int64_t>(data.size()), json_member(file, "extracted_size").number) << path;
        EXPECT_EQ(sha256_hex(data.data(), data.size()), json_member(file, "sha256").text) << path;
      } else {
        EXPECT_EQ(r.status, 1) << path;
        EXPECT_EQ(r.output, "can't find file '/" + volume + "/" + path + "'\n") << path;
      }
    }
    for (const json_value& deleted : json_member(manifest, "deleted_entries").items) {
      const std::string path = deleted.text.substr(volume.size() + 2);
      EXPECT_EQ(lines.count(path), 0u) << path;
      EXPECT_EQ(run_tool({order, "extract", image, path, out_dir.file("x")}).output,
                "can't find file '" + path + "'\n");
    }
  }
}

TEST(ProdosToolTestdata, EveryVolumeListsAndExtractsAsItsManifestSays) {
  if (!std::filesystem::is_directory(testdata_prodos())) GTEST_SKIP() << "no outside test data";
  int volumes = 0;
  for (const auto& entry : std::filesystem::directory_iterator(testdata_prodos())) {
    const std::string name = entry.path().filename().string();
    if (name.size() < 14 || name.compare(name.size() - 14, 14, ".manifest.json") != 0) continue;
    SCOPED_TRACE(name);
    check_volume(entry.path());
    ++volumes;
  }
  EXPECT_GT(volumes, 0);
}

}  // namespace
