// The prodos tool: listing and extraction run in-process, and the program
// itself for what only it does: keeping messages off the data stream and
// failing when the data cannot be written.
#include "prodos_tool/prodos_tool.h"

#include <fcntl.h>
#include <unistd.h>

#include <tuple>

#include "disk/disk_test_util.h"
#include "support/child_process.h"
#include "support/run_program.h"

namespace {

struct tool_result {
  int status = 0;
  std::string data;      // what the tool wrote to its data stream
  std::string messages;  // what it printed
  bool operator==(const tool_result&) const = default;
};

std::ostream& operator<<(std::ostream& out, const tool_result& r) {
  return out << "{" << r.status << ", data \"" << r.data << "\", messages \"" << r.messages << "\"}";
}

tool_result run_tool(std::vector<std::string> args) {
  args.insert(args.begin(), "prodos");
  arg_vector argv(args);
  tool_result r;
  std::FILE* data = std::tmpfile();
  r.messages = stdout_of([&] { r.status = prodos_tool_main(argv.argc(), argv.argv(), data); });
  std::rewind(data);
  for (int c; (c = std::fgetc(data)) != EOF;) r.data.push_back(static_cast<char>(c));
  std::fclose(data);
  return r;
}

std::string text(const bytes& b) { return std::string(b.begin(), b.end()); }

TEST(ProdosTool, ListsAndExtractsOrSaysWhyNot) {
  prodos_builder b = prodos_format("X");
  prodos_file_options text_file, data_file;
  text_file.file_type = 0x04;
  text_file.created = {5, 1, 9, 0, 0};
  text_file.modified = {39, 12, 31, 23, 59};
  data_file.created = {127, 7, 4, 12, 30};
  data_file.modified = {100, 15, 31, 31, 63};  // fields out of range print as they are
  const bytes contents = noise(3000, 77);
  prodos_add_file(b, "README", bytes(200, 'r'), text_file);
  prodos_add_dir(b, "GAME", {40, 2, 3, 4, 5});
  prodos_add_file(b, "GAME/DATA", contents, data_file);
  prodos_add_raw_entry(b, "GAME", std::array<std::uint8_t, 39>{0x03, 'O', 'L', 'D'});  // deleted
  const std::string listing = "README\t1\t04\t200\t1\t2005-01-09 00:00\t2039-12-31 23:59\n"
      "GAME\tD\t0F\t512\t1\t1940-02-03 04:05\t1940-02-03 04:05\n"
      "GAME/DATA\t2\t06\t3000\t7\t2027-07-04 12:30\t2000-15-31 31:63\n";
  const std::string usage = "usage: prodos [--do|--po] list IMAGE\n       prodos [--do|--po] extract IMAGE PATH [OUT]\n"
      "  --do    DOS 3.3 order\n  --po    ProDOS order (default)\n";
  image_file po(prodos_image(b, 1)), dsk(prodos_image(b, 2));
  const std::string out = dsk.dir.file("out.bin"), missing = dsk.dir.file("none.po"), folder = dsk.dir.path;
  // The order option may stand before or after the command; the last wins.
  const std::tuple<std::vector<std::string>, tool_result> runs[] = {
      {{"--do", "list", po.path}, {0, listing, ""}}, {{"list", "--po", "--do", po.path}, {0, listing, ""}},
      {{"list", dsk.path}, {0, listing, ""}}, {{"--do", "list", "--po", dsk.path}, {0, listing, ""}},
      {{"extract", dsk.path, "/X/GAME/DATA", out}, {0, "", ""}},
      {{"extract", dsk.path, "GAME/DATA"}, {0, text(contents), ""}},
      {{"extract", dsk.path, "GAME"}, {1, "", "strage type mismatch 'GAME' $D\ncan't find file 'GAME'\n"}},
      {{"extract", dsk.path, "NONE"}, {1, "", "can't find file 'NONE'\n"}},
      {{"extract", dsk.path, "README", folder}, {1, "", "error: write '" + folder + "'\n"}},
      {{"list", missing}, {1, "", "open error '" + missing + "'\n"}},
      {{"--do"}, {1, "", usage}}, {{"copy", "a", "b"}, {1, "", usage}}, {{"extract", "a", "b", "c", "d"}, {1, "", usage}},
      {{"list", "--dos", "a"}, {1, "", usage}}};
  for (const auto& [args, expected] : runs) EXPECT_EQ(run_tool(args), expected) << args[0];
  EXPECT_EQ(read_file(out), contents);
}

// A volume whose directory names a block outside the image: the reader
// complains, and the file extracted to standard output is still exactly
// the file, the complaints on standard error.
TEST(ProdosTool, MessagesStayOffTheDataStream) {
  prodos_builder b = prodos_format("V");
  const bytes contents = noise(1500, 5);
  prodos_add_file(b, "FILE", contents);
  const prodos_entry_place lost = prodos_add_dir(b, "LOST");
  set_le16(b.blocks, prodos_entry_offset(lost) + 17, 0x0300);
  image_file image(prodos_image(b, 2));
  const std::string complaints = "illegal block no $0300\ncan't get dir block $0300\ncan't get dir block $0300\n";
  const program_result r = run_program(PRODOS_TOOL_PATH, {"extract", image.path, "FILE"}, image.dir.path.string());
  EXPECT_EQ(std::tie(r.exit_status, r.output, r.errors), std::make_tuple(0, text(contents), complaints));
  const program_result l = run_program(PRODOS_TOOL_PATH, {"list", image.path}, image.dir.path.string());
  EXPECT_EQ(std::tie(l.exit_status, l.errors), std::make_tuple(0, complaints));
  EXPECT_EQ(l.output.substr(0, 5), "FILE\t");
}

// Runs the prodos program with standard output on `out_path` (created), in
// a child whose files may grow to `limit` bytes; the result holds what it
// printed on standard error.
program_result run_with_output(const std::vector<std::string>& args, const std::string& out_path,
                               std::uint64_t limit) {
  return run_in_child(
      [&] {
        ::dup2(1, 2);
        const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || ::dup2(out, 1) < 0) return 126;
        std::vector<std::string> strings{PRODOS_TOOL_PATH};
        strings.insert(strings.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& s : strings) argv.push_back(s.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        return 127;
      },
      limit);
}

// Data that cannot be written whole fails the run, whether the failure
// shows at the first byte, in the middle or only at the close.
TEST(ProdosTool, WriteFailuresFailTheRun) {
  prodos_builder b = prodos_format("V");
  const bytes big = noise(20000, 3), small = noise(3000, 4);
  prodos_add_file(b, "BIG", big);
  prodos_add_file(b, "SMALL", small);
  image_file image(prodos_image(b, 2));
  const std::string out = image.dir.file("out.bin"), side = image.dir.file("side.txt");
  struct write_case {
    std::vector<std::string> args;
    std::string target;  // the file the data goes to
    std::uint64_t limit;
    std::uint64_t size;  // of the whole data
  };
  const std::string listing_size = "BIG\t2\t06\t20000\t41\t2024-01-02 03:04\t2024-01-02 03:04\n"
                                   "SMALL\t2\t06\t3000\t7\t2024-01-02 03:04\t2024-01-02 03:04\n";
  const write_case cases[] = {
      {{"extract", image.path, "BIG", out}, out, 0, big.size()},
      {{"extract", image.path, "BIG", out}, out, 9000, big.size()},
      {{"extract", image.path, "SMALL", out}, out, small.size() - 1, small.size()},  // at the close
      {{"extract", image.path, "SMALL", out}, out, small.size(), small.size()},
      {{"extract", image.path, "BIG"}, side, 0, big.size()},
      {{"extract", image.path, "BIG"}, side, 9000, big.size()},
      {{"extract", image.path, "SMALL"}, side, small.size() - 1, small.size()},
      {{"extract", image.path, "SMALL"}, side, small.size(), small.size()},
      {{"list", image.path}, side, 10, listing_size.size()},
      {{"list", image.path}, side, listing_size.size(), listing_size.size()}};
  for (const write_case& c : cases) {
    const program_result r = run_with_output(c.args, side, c.limit);
    const bool whole = c.limit >= c.size;
    const std::string failure = c.target == out ? "error: write '" + out + "'\n" : "error: write standard output\n";
    EXPECT_EQ(std::tie(r.exit_status, r.output), std::make_tuple(whole ? 0 : 1, whole ? "" : failure))
        << c.args[0] << " " << c.args.size() << " " << c.limit;
    EXPECT_EQ(std::filesystem::file_size(c.target), std::min(c.limit, c.size)) << c.limit;
  }
  // Standard output on a full disk.
  if (std::filesystem::exists("/dev/full")) {
    const program_result full = run_with_output({"list", image.path}, "/dev/full", UINT64_MAX);
    EXPECT_EQ(std::tie(full.exit_status, full.output), std::make_tuple(1, "error: write standard output\n"));
  }
}

}  // namespace
