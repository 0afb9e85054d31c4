#include "run/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// What an option does.  Options that take a value consume the next
// argument whatever it looks like.
enum class action {
  help,
  blur,
  disk,          // value: disk_images[slot]
  dos_order,
  prodos_order,
  shape,         // value: shape bitmap path
  category,      // category_mask |= bits
  no_npcs,
  no_change_pose,
  hour,          // value: hour
  use_default,
  overwrite,
  shape_type,    // shape_type = value
  no_remake_water,
};

struct option_row {
  std::string_view names[3];
  action what;
  int value;  // disk slot, category bit or shape type
};

// Matched in this order, whole and case-sensitively.
constexpr option_row option_table[] = {
    {{"-?", "--help"}, action::help, 0},
    {{"-B", "--blur"}, action::blur, 0},
    {{"-d1", "--disk1", "--program-disk"}, action::disk, 0},
    {{"-d2", "--disk2", "--castle-disk"}, action::disk, 1},
    {{"-d3", "--disk3", "--dwelling-disk"}, action::disk, 2},
    {{"-d4", "--disk4", "--keep-disk"}, action::disk, 3},
    {{"-d5", "--disk5", "--towne-disk"}, action::disk, 4},
    {{"--do"}, action::dos_order, 0},
    {{"--po"}, action::prodos_order, 0},
    {{"-s", "--shape"}, action::shape, 0},
    {{"-C", "--castle"}, action::category, category_castle},
    {{"-D", "--dwelling"}, action::category, category_dwelling},
    {{"-K", "--keep"}, action::category, category_keep},
    {{"-T", "--towne"}, action::category, category_towne},
    {{"-n", "--no-npcs"}, action::no_npcs, 0},
    {{"-p", "--no-change-pose"}, action::no_change_pose, 0},
    {{"-h", "--hour"}, action::hour, 0},
    {{"--default"}, action::use_default, 0},
    {{"--overwrite"}, action::overwrite, 0},
    {{"--shape-type-normal"}, action::shape_type, 0},
    {{"--shape-type-dungeon"}, action::shape_type, 1},
    {{"--shape-type-mirror-room"}, action::shape_type, 2},
    {{"--no-remake-water"}, action::no_remake_water, 0},
};

const option_row* find_option(std::string_view arg) {
  for (const option_row& row : option_table) {
    for (std::string_view name : row.names) {
      if (!name.empty() && name == arg) return &row;
    }
  }
  return nullptr;
}

// The message printed when a value-taking option is the last argument.
const char* missing_value_message(action what) {
  switch (what) {
    case action::disk: return "error: no disk image name";
    case action::shape: return "error: no bitmap name";
    default: return "error: no phase value";
  }
}

bool takes_value(action what) {
  return what == action::disk || what == action::shape || what == action::hour;
}

// An hour is accepted when the base-0 unsigned conversion consumes the whole
// text, the text has no minus sign (which the conversion would accept and
// negate) and the value is 0 to 23.
bool parse_hour(const char* text, std::int32_t& hour) {
  if (std::strchr(text, '-') != nullptr) return false;
  char* end = nullptr;
  unsigned long value = std::strtoul(text, &end, 0);
  if (end == nullptr || *end != '\0' || value > 23) return false;
  hour = static_cast<std::int32_t>(value);
  return true;
}

}  // namespace

void print_usage() {
  static constexpr const char* disk_help[disk_image_count][2] = {
      {"        -d1|--disk1|--program-disk  DISK-IMG", "program"},
      {"        -d2|--disk2|--castle-disk   DISK-IMG", "castle"},
      {"        -d3|--disk3|--dwelling-disk DISK-IMG", "dwelling"},
      {"        -d4|--disk4|--keep-disk     DISK-IMG", "keep"},
      {"        -d5|--disk5|--towne-disk    DISK-IMG", "towne"},
  };
  std::printf("usage: %s [options]\n", "zud2avuze");
  std::puts("option:");
  for (int slot = 0; slot < disk_image_count; ++slot) {
    std::puts(disk_help[slot][0]);
    std::printf("                                specify %s disk\n", disk_help[slot][1]);
    std::printf("                                read '%s' if not specified\n", default_disk_images[static_cast<std::size_t>(slot)]);
  }
  std::puts("        --do|--po               specify sector order of disk image");
  std::puts("                                    --do    DOS 3.3 order");
  std::puts("                                    --po    ProDOS order (default)");
  std::puts("        -B|--blur               blur graphics");
  std::puts("        -s|--shape SHAPE-BMP    read shape data from specified file");
  std::puts("        -C|--castle             draw castle maps");
  std::puts("        -D|--dwelling           draw dwelling maps");
  std::puts("        -K|--keep               draw keep maps");
  std::puts("        -T|--towne              draw towne maps");
  std::puts("        -n|--no-npcs            draw not NPCs");
  std::puts("        -p|--no-change-pose     not change NPCs' shape");
  std::puts("        -h|--hour NUM           specify hour (0-23)");
  std::puts("           --default            use default time and position");
  std::puts("           --overwrite          overwrite output files");
  std::puts("        -?|--help               print usage");
}

int parse_options(int /*argc*/, char** argv, options& opts) {
  opts = options{};
  // The vector ends at its null entry; the count is not consulted.
  char** arg = (argv != nullptr && argv[0] != nullptr) ? argv + 1 : argv;
  for (; arg != nullptr && *arg != nullptr; ++arg) {
    if ((*arg)[0] != '-') {
      std::printf("error: illegal parameter '%s'\n", *arg);
      return -1;
    }
    const option_row* row = find_option(*arg);
    if (row == nullptr) {
      std::printf("error: unknown option '%s'\n", *arg);
      return -1;
    }
    const char* value = nullptr;
    if (takes_value(row->what)) {
      value = arg[1];
      if (value == nullptr) {
        std::puts(missing_value_message(row->what));
        return -1;
      }
      ++arg;
    }
    switch (row->what) {
      case action::help: print_usage(); return -1;
      case action::blur:
        if (opts.blur_count <= 1) ++opts.blur_count;
        break;
      case action::disk: opts.disk_images[static_cast<std::size_t>(row->value)] = value; break;
      case action::dos_order: opts.sector_order = 1; break;
      case action::prodos_order: opts.sector_order = 2; break;
      case action::shape:
        opts.shape_bitmap = value;
        opts.use_shape_bitmap = 1;
        break;
      case action::category: opts.category_mask |= row->value; break;
      case action::no_npcs: opts.no_npcs = 1; break;
      case action::no_change_pose: opts.no_change_pose = 1; break;
      case action::hour:
        if (!parse_hour(value, opts.hour)) {
          std::printf("error: illegal hour value: %s\n", value);
          return -1;
        }
        break;
      case action::use_default: opts.use_default = 1; break;
      case action::overwrite: opts.overwrite = 1; break;
      case action::shape_type: opts.shape_type = row->value; break;
      case action::no_remake_water: opts.no_remake_water = 1; break;
    }
  }
  if (opts.category_mask == 0) opts.category_mask = category_all;
  return 0;
}
