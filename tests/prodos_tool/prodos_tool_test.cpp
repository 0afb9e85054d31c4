// The prodos tool: listing, extraction and description run in-process,
// and the program itself for what only it does: keeping messages off the
// data stream and failing when the data cannot be written.
#include "common/byte_order.h"
#include "prodos_tool/prodos_tool.h"

#include <cctype>
#include <tuple>

#include "disk/container_files.h"
#include "disk/disk_test_util.h"
#include "disk/sector_order.h"
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

tool_result run_tool(const std::vector<std::string>& args) {
  arg_vector argv({"prodos"}, args);
  tool_result r;
  std::FILE* data = std::tmpfile();
  // Both channels on standard output, so that notes keep their place.
  r.messages = stdout_of([&] { r.status = prodos_tool_main(argv.argc(), argv.argv(), data, {stdout, stdout}); });
  std::rewind(data);
  for (int c; (c = std::fgetc(data)) != EOF;) r.data.push_back(static_cast<char>(c));
  std::fclose(data);
  return r;
}

std::string text(const bytes& b) { return std::string(b.begin(), b.end()); }

// The usage text as --help prints it.
std::string usage() { return run_tool({"--help"}).data; }

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
  const std::string listing = "/X\n"
      "README\t1\t04\t200\t1\t2005-01-09 00:00\t2039-12-31 23:59\n"
      "GAME\tD\t0F\t512\t1\t1940-02-03 04:05\t1940-02-03 04:05\n"
      "GAME/DATA\t2\t06\t3000\t7\t2027-07-04 12:30\t2000-15-31 31:63\n";
  image_file po(prodos_image(b, 1)), dsk(prodos_image(b, 2));
  const std::string out = dsk.dir.file("out.bin"), dash = dsk.dir.file("-dash.bin");
  const std::string missing = dsk.dir.file("none.po"), folder = dsk.dir.path;
  // Options may stand anywhere; the last sector order wins.  Without one,
  // the order the volume header shows.
  const std::tuple<std::vector<std::string>, tool_result> runs[] = {
      {{"--do", "list", po.path}, {0, listing, ""}}, {{"list", po.path, "--po", "--do"}, {0, listing, ""}},
      {{"list", po.path}, {0, listing, "note: reading '" + po.path + "' in ProDOS block order (as --do would)\n"}},
      {{"list", dsk.path}, {0, listing, ""}}, {{"--do", "list", "--po", dsk.path}, {0, listing, ""}},
      {{"extract", dsk.path, "/X/GAME/DATA", out}, {0, "", ""}},
      {{"extract", dsk.path, "GAME/DATA", "--", dash}, {0, "", ""}},
      // An existing OUT is replaced only when forced.
      {{"extract", dsk.path, "README", out}, {1, "", "error: '" + out + "' already exists; not replaced (-f replaces it)\n"}},
      {{"-f", "extract", dsk.path, "GAME/DATA", dash}, {0, "", ""}},
      {{"extract", dsk.path, "GAME/DATA", dash, "--force"}, {0, "", ""}},
      {{"extract", "--po", dsk.path, "GAME/DATA"}, {0, text(contents), ""}},
      {{"extract", dsk.path, "GAME"}, {1, "", "strage type mismatch 'GAME' $D\ncan't find file 'GAME'\n"}},
      {{"extract", dsk.path, "NONE"}, {1, "", "can't find file 'NONE'\n"}},
      {{"extract", dsk.path, "README", folder, "-f"}, {1, "", "error: write '" + folder + "'\n"}},
      {{"list", missing}, {1, "", "open error '" + missing + "'\n"}}};
  for (const auto& [args, expected] : runs) EXPECT_EQ(run_tool(args), expected) << args[0];
  EXPECT_EQ(read_file(out), contents);
  EXPECT_EQ(read_file(dash), contents);
}

// Usage errors print their reason and the usage among the messages and end
// with status 2; --help and --version print on the data stream and end
// with 0, wherever they stand.
TEST(ProdosTool, UsageHelpAndVersionFollowTheUsualConventions) {
  const std::string help = usage();
  EXPECT_EQ(help.substr(0, 14), "usage: prodos ");
  const std::pair<std::vector<std::string>, std::string> errors[] = {
      {{}, "no command given"}, {{"--do"}, "no command given"},
      {{"copy", "a", "b"}, "unknown command 'copy'"}, {{"list"}, "list takes one IMAGE"},
      {{"list", "a", "b"}, "list takes one IMAGE"}, {{"extract", "a"}, "extract takes IMAGE PATH [OUT]"},
      {{"extract", "a", "b", "c", "d"}, "extract takes IMAGE PATH [OUT]"}, {{"info"}, "info takes one IMAGE"},
      {{"info", "a", "b"}, "info takes one IMAGE"},
      {{"list", "--dos", "a"}, "unknown option '--dos'"}, {{"list", "a", "-x"}, "unknown option '-x'"}};
  for (const auto& [args, reason] : errors)
    EXPECT_EQ(run_tool(args), (tool_result{2, "", "error: " + reason + "\n" + help})) << reason;
  EXPECT_EQ(run_tool({"list", "no-such.dsk", "--help"}), (tool_result{0, help, ""}));
  EXPECT_EQ(run_tool({"--bogus", "--help"}).status, 2);  // the first wrong option ends the run
  const tool_result version = run_tool({"extract", "--version"});
  EXPECT_EQ(std::make_tuple(version.status, version.messages), std::make_tuple(0, ""));
  EXPECT_TRUE(version.data.starts_with("prodos ") && version.data.ends_with("\n") &&
              std::isdigit(static_cast<unsigned char>(version.data[7])))
      << version.data;
}

// An image whose block 2 holds no volume directory header (an empty disk,
// a disk read in the other order, a header with no name or with entries
// of another length) is refused before anything is read from it, with no
// hint at the order; one too short for block 2 is the reader's to report
// (the NIB whose block 2 cannot be read, below).
TEST(ProdosTool, ImagesWithoutAVolumeDirectoryAreRefused) {
  prodos_builder b = prodos_format("V");
  prodos_add_file(b, "F", bytes(10, 1));
  bytes nameless = prodos_image(b, 2), long_entries = nameless;
  nameless[256 * sector_translation[4] + 4] = 0xF0;
  long_entries[256 * sector_translation[4] + 4 + 0x1F] = 40;
  const std::pair<bytes, const char*> images[] = {
      {bytes(143360, 0), nullptr}, {prodos_image(b, 1), "--po"}, {prodos_image(b, 2), "--do"},
      {nameless, nullptr}, {long_entries, nullptr}};
  for (const auto& [image, option] : images) {
    image_file file(image);
    const std::string refusal = "error: no ProDOS volume directory in '" + file.path + "'\n";
    std::vector<std::string> list{"list", file.path}, extract{"extract", file.path, "F"};
    if (option != nullptr) list.push_back(option), extract.push_back(option);
    EXPECT_EQ(run_tool(list), (tool_result{1, "", refusal}));
    EXPECT_EQ(run_tool(extract), (tool_result{1, "", refusal}));
  }
}

// The first D5 AA `mark` at or after `from`.
std::size_t next_mark(const bytes& f, std::size_t from, std::uint8_t mark) {
  while (from + 3 <= f.size() && !(f[from] == gcr_mark_1 && f[from + 1] == gcr_mark_2 && f[from + 2] == mark)) ++from;
  return from;
}

// info: the container, the order and how it was chosen, the volume, then
// every sector that cannot be read, in track and sector order; status 1
// when there is one.  list and extract read every container.
TEST(ProdosTool, InfoTellsTheContainerOrderVolumeAndUnreadableSectors) {
  prodos_builder b = prodos_format("INFO");
  prodos_add_file(b, "F", noise(2000, 9));
  const bytes dsk = prodos_image(b, 2), po = prodos_image(b, 1);
  // One sector of each fault, block 2's first half (track 0, physical
  // sector 8) among them.
  bytes nib = container_file(dsk, disk_file_order::dos, container_kind::nib);
  nib[nib_address_field(nib, 17, 3) + 9] ^= 1;  // the checksum's low bit
  const std::size_t data = next_mark(nib, nib_address_field(nib, 17, 9), gcr_data_mark) + 3;
  std::size_t k = data;
  while (nib[k] == nib[k + 1]) ++k;
  std::swap(nib[k], nib[k + 1]);
  nib[next_mark(nib, nib_address_field(nib, 20, 0), gcr_data_mark)] = gcr_sync_byte;
  nib[nib_address_field(nib, 34, 15)] = gcr_sync_byte;
  nib[nib_address_field(nib, 0, 8)] = gcr_sync_byte;
  woz_write_options applesauce;
  applesauce.creator = "Applesauce v1.4";
  // A WOZ whose track 30 was not copied (quarter tracks 119 and 121 lead
  // to its record still), and one of a 3.5-inch disk.
  bytes gap = container_file(dsk, disk_file_order::dos, container_kind::woz2), flat = gap;
  gap[woz_chunk(gap, woz_tmap_id) + 4 * 30] = woz_no_track;
  woz_fix_crc(gap);
  flat[woz_chunk(flat, woz_info_id) + woz_info_disk_type_at] = woz_disk_35;
  woz_fix_crc(flat);
  temp_dir dir;
  const std::map<std::string, bytes> files = {
      {"a.dsk", dsk}, {"a.po", po}, {"short.dsk", bytes(dsk.begin(), dsk.begin() + 139776)},
      {"a.2mg", container_file(po, disk_file_order::prodos, container_kind::two_img)},
      {"d.2mg", container_file(dsk, disk_file_order::dos, container_kind::two_img)},
      {"a.nib", nib}, {"a.woz", container_file(dsk, disk_file_order::dos, container_kind::woz2)},
      {"1.woz", container_file(po, disk_file_order::prodos, container_kind::woz1, applesauce)},
      {"gap.woz", gap}, {"flat.woz", flat}};
  for (const auto& [name, contents] : files) write_file(dir.file(name), contents);
  const auto at = [&dir](const char* name) { return dir.file(name); };
  const std::string raw = "container: raw\norder: ", volume = "volume: /INFO, 280 blocks\n";
  const std::string physical = "order: DOS 3.3 file order (physical sectors)\n";
  std::string short_sectors, track_30;  // the slots past the end, as physical sectors
  for (int p : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 15})
    short_sectors += "unreadable: track 34, sector " + std::to_string(p) + " (not found)\n";
  for (int p = 0; p < 16; ++p) track_30 += "unreadable: track 30, sector " + std::to_string(p) + " (not found)\n";
  const std::string failed_catalog = "illegal block no $0002\ncan't get dir block $0002\ncan't get dir block $0002\n"
                                     "can't get catalog '";
  const std::tuple<std::vector<std::string>, tool_result> runs[] = {
      {{"info", at("a.dsk")}, {0, raw + "DOS 3.3 file order (detected)\n" + volume, ""}},
      {{"info", at("a.po")},
       {0, raw + "ProDOS block order (detected)\n" + volume,
        "note: reading '" + at("a.po") + "' in ProDOS block order (as --do would)\n"}},
      {{"--po", "info", at("a.po")}, {0, raw + "DOS 3.3 file order (option)\nvolume: none\n", ""}},
      {{"info", at("a.dsk"), "--do"}, {0, raw + "ProDOS block order (option)\nvolume: none\n", ""}},
      {{"info", at("short.dsk")}, {1, raw + "DOS 3.3 file order (detected)\n" + volume + short_sectors, ""}},
      {{"--po", "info", at("a.2mg")}, {0, "container: 2IMG\norder: ProDOS block order (header)\n" + volume, ""}},
      {{"--do", "info", at("d.2mg")}, {0, "container: 2IMG\norder: DOS 3.3 file order (header)\n" + volume, ""}},
      {{"info", at("a.woz")}, {0, "container: WOZ 2 (zud2avuze disk writer)\n" + physical + volume, ""}},
      {{"--do", "info", at("1.woz")}, {0, "container: WOZ 1 (Applesauce v1.4)\n" + physical + volume, ""}},
      {{"info", at("gap.woz")}, {1, "container: WOZ 2 (zud2avuze disk writer)\n" + physical + volume + track_30, ""}},
      {{"list", at("gap.woz")}, run_tool({"list", at("a.dsk")})},
      {{"info", at("a.nib")},
       {1, "container: NIB\n" + physical + "volume: none\nunreadable: track 0, sector 8 (not found)\n"
           "unreadable: track 17, sector 3 (bad address checksum)\nunreadable: track 17, sector 9 (bad data checksum)\n"
           "unreadable: track 20, sector 0 (no data field)\nunreadable: track 34, sector 15 (not found)\n", ""}},
      {{"list", at("a.nib")},
       {1, "", "unreadable sector in '" + at("a.nib") + "': track 0, sector 8 (not found)\n" + failed_catalog +
                   at("a.nib") + "'\n"}},
      {{"--po", "extract", at("1.woz"), "F"}, run_tool({"extract", at("a.dsk"), "F"})},
      {{"info", at("flat.woz")}, {1, "", "error: unsupported disk image '" + at("flat.woz") + "': 3.5-inch disk\n"}},
      {{"list", at("flat.woz")},
       {1, "", "error: unsupported disk image '" + at("flat.woz") + "': 3.5-inch disk\n" + failed_catalog +
                   at("flat.woz") + "'\n"}},
      {{"info", at("none.woz")}, {1, "", "open error '" + at("none.woz") + "'\n"}}};
  for (const auto& [args, expected] : runs) EXPECT_EQ(run_tool(args), expected) << args[0] << " " << args[1];
  EXPECT_EQ(run_tool({"list", at("a.dsk")}).data.substr(0, 8), "/INFO\nF\t");
}

// A volume whose directory names a block outside the image: the reader
// complains, and the file extracted to standard output is still exactly
// the file, the complaints on standard error.
TEST(ProdosTool, MessagesStayOffTheDataStream) {
  prodos_builder b = prodos_format("V");
  const bytes contents = noise(1500, 5);
  prodos_add_file(b, "FILE", contents);
  const prodos_entry_place lost = prodos_add_dir(b, "LOST");
  store_le16(b.blocks, prodos_entry_offset(lost) + 17, 0x0300);
  image_file image(prodos_image(b, 2));
  const std::string complaints = "illegal block no $0300\ncan't get dir block $0300\ncan't get dir block $0300\n";
  const program_result r = run_program(PRODOS_TOOL_PATH, {"extract", image.path, "FILE"}, image.dir.path.string());
  EXPECT_EQ(std::tie(r.exit_status, r.output, r.errors), std::make_tuple(0, text(contents), complaints));
  // The usage goes with the data when asked for, with the diagnostics after
  // a usage error.
  const std::string help = usage();
  const program_result asked = run_program(PRODOS_TOOL_PATH, {"--help"}, image.dir.path.string());
  EXPECT_EQ(std::tie(asked.exit_status, asked.output, asked.errors), std::make_tuple(0, help, ""));
  const program_result wrong = run_program(PRODOS_TOOL_PATH, {}, image.dir.path.string());
  EXPECT_EQ(std::tie(wrong.exit_status, wrong.output, wrong.errors),
            std::make_tuple(2, "", "error: no command given\n" + help));
}

// Runs the prodos program with standard output on `out_path`, in a child
// whose files may grow to `limit` bytes; the result holds what it printed on
// standard error.
program_result run_with_output(const std::vector<std::string>& args, const std::string& out_path,
                               std::uint64_t limit) {
  return run_in_child([&] { return exec_with_output(PRODOS_TOOL_PATH, args, out_path); }, limit);
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
  const std::string listing_size = "/V\nBIG\t2\t06\t20000\t41\t2024-01-02 03:04\t2024-01-02 03:04\n"
                                   "SMALL\t2\t06\t3000\t7\t2024-01-02 03:04\t2024-01-02 03:04\n";
  const write_case cases[] = {
      {{"extract", image.path, "BIG", out}, out, 0, big.size()},
      {{"extract", image.path, "BIG", out}, out, 9000, big.size()},
      {{"extract", image.path, "SMALL", out}, out, small.size() - 1, small.size()},  // at the close
      {{"extract", image.path, "SMALL", out}, out, small.size(), small.size()},
      {{"extract", image.path, "BIG"}, side, 0, big.size()},
      {{"extract", image.path, "SMALL"}, side, small.size() - 1, small.size()},
      {{"list", image.path}, side, 10, listing_size.size()},
      {{"list", image.path}, side, listing_size.size(), listing_size.size()}};
  // A file extracted to OUT that could not be written whole is removed; on
  // standard output what was written stays.
  for (const write_case& c : cases) {
    std::filesystem::remove(out);
    const program_result r = run_with_output(c.args, side, c.limit);
    const bool whole = c.limit >= c.size;
    const std::string failure = c.target == out ? "error: write '" + out + "'\n" : "error: write standard output\n";
    EXPECT_EQ(std::tie(r.exit_status, r.output), std::make_tuple(whole ? 0 : 1, whole ? "" : failure))
        << c.args[0] << " " << c.args.size() << " " << c.limit;
    if (c.target == out && !whole) EXPECT_FALSE(std::filesystem::exists(out)) << c.limit;
    else EXPECT_EQ(std::filesystem::file_size(c.target), std::min(c.limit, c.size)) << c.limit;
  }
  // Standard output on a full disk.
  if (std::filesystem::exists("/dev/full")) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"list", image.path}, {"--help"}}) {
      const program_result full = run_with_output(args, "/dev/full", UINT64_MAX);
      EXPECT_EQ(std::tie(full.exit_status, full.output), std::make_tuple(1, "error: write standard output\n"));
    }
  }
}

}  // namespace
