#include "run/options.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

constexpr unsigned both_programs = program_renderer | program_atlas;

// What an option does.  Options that take a value consume the next
// argument whatever it looks like.
enum class action {
  help,
  version,
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
  output,        // value: output folder
  export_sheet,  // value: the BMP file of the exported sheet
};

struct option_row {
  std::string_view names[3];
  action what;
  int value;          // disk slot, category bit or shape type
  unsigned programs;  // the programs that take the option
};

// Matched whole and case-sensitively; no name appears twice.
constexpr option_row option_table[] = {
    {{"-?", "--help"}, action::help, 0, both_programs},
    {{"--version"}, action::version, 0, program_atlas},
    {{"-B", "--blur"}, action::blur, 0, both_programs},
    {{"-d1", "--disk1", "--program-disk"}, action::disk, 0, both_programs},
    {{"-d2", "--disk2", "--castle-disk"}, action::disk, 1, both_programs},
    {{"-d3", "--disk3", "--dwelling-disk"}, action::disk, 2, both_programs},
    {{"-d4", "--disk4", "--keep-disk"}, action::disk, 3, both_programs},
    {{"-d5", "--disk5", "--towne-disk"}, action::disk, 4, both_programs},
    {{"--do"}, action::dos_order, 0, both_programs},
    {{"--po"}, action::prodos_order, 0, both_programs},
    {{"-s", "--shape"}, action::shape, 0, both_programs},
    {{"-C", "--castle"}, action::category, category_castle, both_programs},
    {{"-D", "--dwelling"}, action::category, category_dwelling, both_programs},
    {{"-K", "--keep"}, action::category, category_keep, both_programs},
    {{"-T", "--towne"}, action::category, category_towne, both_programs},
    {{"-n", "--no-npcs"}, action::no_npcs, 0, both_programs},
    {{"-p", "--no-change-pose"}, action::no_change_pose, 0, both_programs},
    {{"-h", "--hour"}, action::hour, 0, program_renderer},
    {{"--default"}, action::use_default, 0, program_renderer},
    {{"-o", "--output"}, action::output, 0, program_atlas},
    {{"--export-sheet"}, action::export_sheet, 0, program_atlas},
    {{"--overwrite"}, action::overwrite, 0, both_programs},
    {{"--shape-type-normal"}, action::shape_type, 0, both_programs},
    {{"--shape-type-dungeon"}, action::shape_type, 1, both_programs},
    {{"--shape-type-mirror-room"}, action::shape_type, 2, both_programs},
    {{"--no-remake-water"}, action::no_remake_water, 0, both_programs},
};

// One line of the usage text: a format with at most one "%s", standing
// for `value`.  The shape-type options and "--no-remake-water" have none.
struct usage_row {
  unsigned programs;
  const char* text;
  const char* value = nullptr;
};

constexpr usage_row usage_table[] = {
    {both_programs, "        -d1|--disk1|--program-disk  DISK-IMG"},
    {both_programs, "                                specify program disk"},
    {both_programs, "                                read '%s' if not specified", default_disk_images[0]},
    {both_programs, "        -d2|--disk2|--castle-disk   DISK-IMG"},
    {both_programs, "                                specify castle disk"},
    {both_programs, "                                read '%s' if not specified", default_disk_images[1]},
    {both_programs, "        -d3|--disk3|--dwelling-disk DISK-IMG"},
    {both_programs, "                                specify dwelling disk"},
    {both_programs, "                                read '%s' if not specified", default_disk_images[2]},
    {both_programs, "        -d4|--disk4|--keep-disk     DISK-IMG"},
    {both_programs, "                                specify keep disk"},
    {both_programs, "                                read '%s' if not specified", default_disk_images[3]},
    {both_programs, "        -d5|--disk5|--towne-disk    DISK-IMG"},
    {both_programs, "                                specify towne disk"},
    {both_programs, "                                read '%s' if not specified", default_disk_images[4]},
    {both_programs, "        --do|--po               specify sector order of disk image"},
    {both_programs, "                                    --do    DOS 3.3 order"},
    {both_programs, "                                    --po    ProDOS order (default)"},
    {both_programs, "        -B|--blur               blur graphics"},
    {both_programs, "        -s|--shape SHAPE-BMP    read shape data from specified file"},
    {both_programs, "        -C|--castle             draw castle maps"},
    {both_programs, "        -D|--dwelling           draw dwelling maps"},
    {both_programs, "        -K|--keep               draw keep maps"},
    {both_programs, "        -T|--towne              draw towne maps"},
    {both_programs, "        -n|--no-npcs            draw not NPCs"},
    {both_programs, "        -p|--no-change-pose     not change NPCs' shape"},
    {program_renderer, "        -h|--hour NUM           specify hour (0-23)"},
    {program_renderer, "           --default            use default time and position"},
    {program_renderer, "           --overwrite          overwrite output files"},
    {program_atlas, "        -o|--output DIR         write the atlas into folder DIR"},
    {program_atlas, "                                '%s' if not specified", default_atlas_folder},
    {program_atlas, "           --overwrite          replace the atlas that DIR holds"},
    {program_atlas, "           --export-sheet BMP   write the program disk's 512 tiles to BMP"},
    {program_atlas, "                                as a sheet for -s; build no atlas"},
    {program_atlas, "           --version            print the version"},
    {both_programs, "        -?|--help               print usage"},
};

const option_row* find_option(std::string_view arg, unsigned program) {
  for (const option_row& row : option_table) {
    if ((row.programs & program) == 0) continue;
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
    case action::output: return "error: no output folder name";
    case action::export_sheet: return "error: no sheet file name";
    default: return "error: no phase value";
  }
}

bool takes_value(action what) {
  return what == action::disk || what == action::shape || what == action::hour ||
         what == action::output || what == action::export_sheet;
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

void print_usage(const program_info& program, std::FILE* stream) {
  std::fprintf(stream, "usage: %s [options]\n", program.name);
  std::fputs("option:\n", stream);
  for (const usage_row& row : usage_table) {
    if ((row.programs & program.program) == 0) continue;
    if (row.value != nullptr) {
      std::fprintf(stream, row.text, row.value);
    } else {
      std::fputs(row.text, stream);
    }
    std::fputc('\n', stream);
  }
}

parse_outcome parse_command_line(const program_info& program, char** argv, options& opts,
                                 std::FILE* messages) {
  opts = options{};
  // The vector ends at its null entry; the count is not consulted.
  char** arg = (argv != nullptr && argv[0] != nullptr) ? argv + 1 : argv;
  for (; arg != nullptr && *arg != nullptr; ++arg) {
    if ((*arg)[0] != '-') {
      std::fprintf(messages, "error: illegal parameter '%s'\n", *arg);
      return parse_outcome::error;
    }
    const option_row* row = find_option(*arg, program.program);
    if (row == nullptr) {
      std::fprintf(messages, "error: unknown option '%s'\n", *arg);
      return parse_outcome::error;
    }
    const char* value = nullptr;
    if (takes_value(row->what)) {
      value = arg[1];
      if (value == nullptr) {
        std::fprintf(messages, "%s\n", missing_value_message(row->what));
        return parse_outcome::error;
      }
      ++arg;
    }
    switch (row->what) {
      case action::help: return parse_outcome::help;
      case action::version: return parse_outcome::version;
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
          std::fprintf(messages, "error: illegal hour value: %s\n", value);
          return parse_outcome::error;
        }
        break;
      case action::use_default: opts.use_default = 1; break;
      case action::overwrite: opts.overwrite = 1; break;
      case action::shape_type: opts.shape_type = row->value; break;
      case action::no_remake_water: opts.no_remake_water = 1; break;
      case action::output: opts.output_folder = value; break;
      case action::export_sheet: opts.sheet_file = value; break;
    }
  }
  if (opts.category_mask == 0) opts.category_mask = category_all;
  return parse_outcome::run;
}

void print_usage() { print_usage(renderer_program, stdout); }

int parse_options(int /*argc*/, char** argv, options& opts) {
  switch (parse_command_line(renderer_program, argv, opts, stdout)) {
    case parse_outcome::run: return 0;
    case parse_outcome::help: print_usage(); return -1;
    default: return -1;
  }
}
