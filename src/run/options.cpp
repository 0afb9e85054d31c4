#include "run/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
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

// The option a usage line names: its row of the option table, found by
// what it does (and its value), so that the names are spelt only there.
struct option_key {
  action what;
  int value = 0;
};

const option_row& option_of(option_key key) {
  for (const option_row& row : option_table)
    if (row.what == key.what && row.value == key.value) return row;
  return option_table[0];  // every key below names a row (tested through the usage text)
}

// The kinds of usage line:
//   names       the names of one or two options (joined by "|"), then
//               their value, then the description from column 32;
//   disk_names  the names, then the value at column 36, nothing after;
//   more        a further line of description, from column 32;
//   choice      one option's name at column 36, then the description at
//               column 44.
enum class usage_kind { names, disk_names, more, choice };

// One line of the usage text.  `text` is a format with at most one "%s",
// standing for `arg`.  Options without a short name stand 3 columns
// further in (`indent` 11), under the long names of the others.
struct usage_row {
  unsigned programs;
  usage_kind kind;
  option_key first{action::help};
  const option_key* second = nullptr;
  const char* value = nullptr;
  const char* text = nullptr;
  const char* arg = nullptr;
  int indent = 8;
};

constexpr option_key prodos_order_key{action::prodos_order};
constexpr usage_kind names = usage_kind::names;
constexpr usage_kind more = usage_kind::more;

constexpr usage_row disk_usage(int slot, const char* what) {
  return {both_programs, usage_kind::disk_names, {action::disk, slot}, nullptr, "DISK-IMG", what};
}
constexpr usage_row more_usage(unsigned programs, const char* text, const char* arg = nullptr) {
  return {programs, more, {action::help}, nullptr, nullptr, text, arg};
}

constexpr usage_row usage_table[] = {
    disk_usage(0, nullptr),
    more_usage(both_programs, "specify program disk"),
    more_usage(both_programs, "read '%s' if not specified", default_disk_images[0]),
    disk_usage(1, nullptr),
    more_usage(both_programs, "specify castle disk"),
    more_usage(both_programs, "read '%s' if not specified", default_disk_images[1]),
    disk_usage(2, nullptr),
    more_usage(both_programs, "specify dwelling disk"),
    more_usage(both_programs, "read '%s' if not specified", default_disk_images[2]),
    disk_usage(3, nullptr),
    more_usage(both_programs, "specify keep disk"),
    more_usage(both_programs, "read '%s' if not specified", default_disk_images[3]),
    disk_usage(4, nullptr),
    more_usage(both_programs, "specify towne disk"),
    more_usage(both_programs, "read '%s' if not specified", default_disk_images[4]),
    {both_programs, names, {action::dos_order}, &prodos_order_key, nullptr, "specify sector order of disk image"},
    {both_programs, usage_kind::choice, {action::dos_order}, nullptr, nullptr, "DOS 3.3 order"},
    {both_programs, usage_kind::choice, {action::prodos_order}, nullptr, nullptr, "ProDOS order (default)"},
    {both_programs, names, {action::blur}, nullptr, nullptr, "blur graphics"},
    {both_programs, names, {action::shape}, nullptr, "SHAPE-BMP", "read shape data from specified file"},
    {both_programs, names, {action::category, category_castle}, nullptr, nullptr, "draw castle maps"},
    {both_programs, names, {action::category, category_dwelling}, nullptr, nullptr, "draw dwelling maps"},
    {both_programs, names, {action::category, category_keep}, nullptr, nullptr, "draw keep maps"},
    {both_programs, names, {action::category, category_towne}, nullptr, nullptr, "draw towne maps"},
    {both_programs, names, {action::no_npcs}, nullptr, nullptr, "draw not NPCs"},
    {both_programs, names, {action::no_change_pose}, nullptr, nullptr, "not change NPCs' shape"},
    {program_renderer, names, {action::hour}, nullptr, "NUM", "specify hour (0-23)"},
    {program_renderer, names, {action::use_default}, nullptr, nullptr, "use default time and position", nullptr, 11},
    {program_renderer, names, {action::overwrite}, nullptr, nullptr, "overwrite output files", nullptr, 11},
    {program_atlas, names, {action::output}, nullptr, "DIR", "write the atlas into folder DIR"},
    more_usage(program_atlas, "'%s' if not specified", default_atlas_folder),
    {program_atlas, names, {action::overwrite}, nullptr, nullptr, "replace the atlas that DIR holds", nullptr, 11},
    {program_atlas, names, {action::export_sheet}, nullptr, "BMP", "write the program disk's 512 tiles to BMP", nullptr, 11},
    more_usage(program_atlas, "as a sheet for -s; build no atlas"),
    {program_atlas, names, {action::version}, nullptr, nullptr, "print the version", nullptr, 11},
    {both_programs, names, {action::help}, nullptr, nullptr, "print usage"},
};

// Appends the names of an option row, joined by "|".
void append_names(std::string& line, const option_row& row) {
  bool first = true;
  for (std::string_view name : row.names) {
    if (name.empty()) continue;
    if (!first) line += '|';
    line += name;
    first = false;
  }
}

void pad_to(std::string& line, std::size_t column) {
  if (line.size() < column) line.append(column - line.size(), ' ');
}

// The text of one usage line, without its line end.
std::string usage_line(const usage_row& row) {
  constexpr std::size_t text_column = 32;
  constexpr std::size_t value_column = 36;
  constexpr std::size_t choice_text_column = 44;
  std::string line;
  switch (row.kind) {
    case usage_kind::names:
    case usage_kind::disk_names:
      line.assign(static_cast<std::size_t>(row.indent), ' ');
      append_names(line, option_of(row.first));
      if (row.second != nullptr) {
        line += '|';
        append_names(line, option_of(*row.second));
      }
      if (row.value != nullptr) {
        if (row.kind == usage_kind::disk_names) {
          pad_to(line, value_column - 1);
          line += ' ';
        } else {
          line += ' ';
        }
        line += row.value;
      }
      break;
    case usage_kind::choice:
      pad_to(line, value_column);
      append_names(line, option_of(row.first));
      pad_to(line, choice_text_column);
      break;
    case usage_kind::more: break;
  }
  if (row.text != nullptr) {
    if (row.kind != usage_kind::choice) pad_to(line, text_column);
    char text[256];
    std::snprintf(text, sizeof text, row.text, row.arg != nullptr ? row.arg : "");
    line += text;
  }
  return line;
}

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
    std::fprintf(stream, "%s\n", usage_line(row).c_str());
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
      case action::dos_order:
        opts.sector_order = 1;
        opts.order_given = 1;
        break;
      case action::prodos_order:
        opts.sector_order = 2;
        opts.order_given = 1;
        break;
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

int parse_options(int /*argc*/, char** argv, options& opts, const message_sink& sink) {
  switch (parse_command_line(renderer_program, argv, opts, sink.console)) {
    case parse_outcome::run: return 0;
    case parse_outcome::help: print_usage(renderer_program, sink.console); return -1;
    default: return -1;
  }
}
