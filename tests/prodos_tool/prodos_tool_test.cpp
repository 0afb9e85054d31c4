// The prodos tool: listing and extraction, run in-process.
#include "prodos_tool/prodos_tool.h"

#include <tuple>

#include "disk/disk_test_util.h"

namespace {

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

}  // namespace
