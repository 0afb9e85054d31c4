#include "run/options.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "support/temp_dir.h"

namespace {

// The options point into the argument strings, so the result keeps them.
struct parse_result {
  int result;
  options opts;
  std::string output;
  std::shared_ptr<arg_vector> args;
};

parse_result parse(const std::vector<std::string>& args) {
  parse_result r;
  r.args = std::make_shared<arg_vector>(std::vector<std::string>{"zud2avuze"}, args);
  testing::internal::CaptureStdout();
  r.result = parse_options(r.args->argc(), r.args->argv(), r.opts, standard_sink());
  r.output = testing::internal::GetCapturedStdout();
  return r;
}

const char* const usage_text =
    "usage: zud2avuze [options]\n"
    "option:\n"
    "        -d1|--disk1|--program-disk  DISK-IMG\n"
    "                                specify program disk\n"
    "                                read 'qz-program.dsk' if not specified\n"
    "        -d2|--disk2|--castle-disk   DISK-IMG\n"
    "                                specify castle disk\n"
    "                                read 'qz-castle.dsk' if not specified\n"
    "        -d3|--disk3|--dwelling-disk DISK-IMG\n"
    "                                specify dwelling disk\n"
    "                                read 'qz-dwelling.dsk' if not specified\n"
    "        -d4|--disk4|--keep-disk     DISK-IMG\n"
    "                                specify keep disk\n"
    "                                read 'qz-keep.dsk' if not specified\n"
    "        -d5|--disk5|--towne-disk    DISK-IMG\n"
    "                                specify towne disk\n"
    "                                read 'qz-towne.dsk' if not specified\n"
    "        --do|--po               specify sector order of disk image\n"
    "                                    --do    DOS 3.3 order\n"
    "                                    --po    ProDOS order (default)\n"
    "        -B|--blur               blur graphics\n"
    "        -s|--shape SHAPE-BMP    read shape data from specified file\n"
    "        -C|--castle             draw castle maps\n"
    "        -D|--dwelling           draw dwelling maps\n"
    "        -K|--keep               draw keep maps\n"
    "        -T|--towne              draw towne maps\n"
    "        -n|--no-npcs            draw not NPCs\n"
    "        -p|--no-change-pose     not change NPCs' shape\n"
    "        -h|--hour NUM           specify hour (0-23)\n"
    "           --default            use default time and position\n"
    "           --overwrite          overwrite output files\n"
    "        -?|--help               print usage\n";

}  // namespace

TEST(Options, NoArgumentsKeepsEveryDefault) {
  const parse_result r = parse({});
  ASSERT_EQ(r.result, 0);
  EXPECT_EQ(r.output, "");
  EXPECT_STREQ(r.opts.disk_images[0], "qz-program.dsk");
  EXPECT_STREQ(r.opts.disk_images[1], "qz-castle.dsk");
  EXPECT_STREQ(r.opts.disk_images[2], "qz-dwelling.dsk");
  EXPECT_STREQ(r.opts.disk_images[3], "qz-keep.dsk");
  EXPECT_STREQ(r.opts.disk_images[4], "qz-towne.dsk");
  EXPECT_EQ(r.opts.sector_order, 2);
  EXPECT_EQ(r.opts.hour, 12);
  EXPECT_EQ(r.opts.category_mask, 15);
  EXPECT_EQ(r.opts.blur_count, 0);
  EXPECT_EQ(r.opts.use_default + r.opts.no_npcs + r.opts.no_change_pose + r.opts.overwrite +
                r.opts.shape_type + r.opts.no_remake_water + r.opts.use_shape_bitmap,
            0);
  EXPECT_EQ(r.opts.shape_bitmap, nullptr);
}

TEST(Options, EveryFlagAndAliasSetsItsField) {
  const std::tuple<std::vector<std::string>, std::int32_t options::*, std::int32_t> cases[] = {
      {{"--blur", "-B", "-B"}, &options::blur_count, 2},  // stops at 2
      {{"--do"}, &options::sector_order, 1}, {{"--do", "--po"}, &options::sector_order, 2},
      {{"-n"}, &options::no_npcs, 1}, {{"--no-npcs"}, &options::no_npcs, 1},
      {{"-p"}, &options::no_change_pose, 1}, {{"--no-change-pose"}, &options::no_change_pose, 1},
      {{"--default"}, &options::use_default, 1}, {{"--overwrite"}, &options::overwrite, 1},
      {{"--no-remake-water"}, &options::no_remake_water, 1},
      {{"--shape-type-mirror-room"}, &options::shape_type, 2}, {{"--shape-type-dungeon"}, &options::shape_type, 1},
      {{"--shape-type-dungeon", "--shape-type-normal"}, &options::shape_type, 0},
      {{"-C", "--towne"}, &options::category_mask, 9}, {{"-D", "--keep"}, &options::category_mask, 6},
      {{"--dwelling", "-K", "-T", "--castle"}, &options::category_mask, 15}};
  for (const auto& [args, field, value] : cases) {
    const parse_result r = parse(args);
    EXPECT_EQ(std::make_tuple(r.result, r.opts.*field, r.output), std::make_tuple(0, value, "")) << args[0];
  }
}

TEST(Options, DiskAndShapeValuesAreTakenVerbatim) {
  const std::vector<std::vector<std::string>> names = {
      {"-d1", "--disk1", "--program-disk"}, {"-d2", "--disk2", "--castle-disk"},
      {"-d3", "--disk3", "--dwelling-disk"}, {"-d4", "--disk4", "--keep-disk"},
      {"-d5", "--disk5", "--towne-disk"}};
  for (std::size_t slot = 0; slot < names.size(); ++slot) {
    for (const std::string& name : names[slot]) {
      const parse_result r = parse({name, "-x.dsk"});
      ASSERT_EQ(r.result, 0) << name;
      EXPECT_STREQ(r.opts.disk_images[slot], "-x.dsk") << name;
    }
  }
  // A value that looks like an option is still the value.
  const parse_result r = parse({"-d2", "-C"});
  ASSERT_EQ(r.result, 0);
  EXPECT_STREQ(r.opts.disk_images[1], "-C");
  EXPECT_EQ(r.opts.category_mask, 15);

  const parse_result s = parse({"--shape", "-?"});
  ASSERT_EQ(s.result, 0);
  EXPECT_STREQ(s.opts.shape_bitmap, "-?");
  EXPECT_EQ(s.opts.use_shape_bitmap, 1);
  EXPECT_STREQ(parse({"-s", "a.bmp", "-s", "b.bmp"}).opts.shape_bitmap, "b.bmp");
}

TEST(Options, HourValuesAcceptedAndRefused) {
  const std::vector<std::pair<std::string, int>> accepted = {
      {"7", 7}, {"0x7", 7}, {"07", 7}, {"+7", 7}, {"010", 8}, {"23", 23}, {"0", 0},
      {"", 0},  {" 5", 5},  {"0X17", 23}};
  for (const auto& [text, hour] : accepted) {
    const parse_result r = parse({"-h", text});
    EXPECT_EQ(r.result, 0) << text;
    EXPECT_EQ(r.opts.hour, hour) << text;
    EXPECT_EQ(r.output, "") << text;
  }
  EXPECT_EQ(parse({"--hour", "3"}).opts.hour, 3);
  for (const std::string text : {"08", "09", "24", "0x18", "5x", "-7", "-0", "0xFFFFFFFF",
                                 "4294967296", "18446744073709551616", "0x", "7 ", "- 1"}) {
    const parse_result r = parse({"-h", text, "-?"});
    EXPECT_EQ(r.result, -1) << text;
    EXPECT_EQ(r.output, "error: illegal hour value: " + text + "\n") << text;
  }
}

TEST(Options, MissingValuesNameWhatIsMissing) {
  for (const char* name : {"-d1", "--disk3", "--towne-disk"})
    EXPECT_EQ(parse({"-C", name}).output, "error: no disk image name\n") << name;
  EXPECT_EQ(parse({"-s"}).output, "error: no bitmap name\n");
  EXPECT_EQ(parse({"--shape"}).output, "error: no bitmap name\n");
  EXPECT_EQ(parse({"-h"}).output, "error: no phase value\n");
  EXPECT_EQ(parse({"--hour"}).result, -1);
}

TEST(Options, FirstBadArgumentWins) {
  EXPECT_EQ(parse({"T"}).output, "error: illegal parameter 'T'\n");
  EXPECT_EQ(parse({""}).output, "error: illegal parameter ''\n");
  EXPECT_EQ(parse({"-"}).output, "error: unknown option '-'\n");
  EXPECT_EQ(parse({"-x", "-?"}).output, "error: unknown option '-x'\n");
  EXPECT_EQ(parse({"-?", "-x"}).output, usage_text);
  EXPECT_EQ(parse({"--help", "T"}).output, usage_text);
  EXPECT_EQ(parse({"-?"}).result, -1);
  // No abbreviations, no joined values, no grouping, case matters.
  for (const char* arg : {"--blu", "--hour=5", "-BC", "-c", "--Castle", "-d", "-d6", "-h5"})
    EXPECT_EQ(parse({arg}).output, std::string("error: unknown option '") + arg + "'\n") << arg;
  EXPECT_EQ(parse({"-C", "castle"}).output, "error: illegal parameter 'castle'\n");
}
