// The command line of the two picture programs: the run's settings and one
// table-driven parser for both.  zud2avuze takes the picture options with an
// hour; qz-atlas takes the same picture options (every hour is in an atlas)
// and an output folder.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

#include "common/message_sink.h"

// Category bits of category_mask, in map-table order.
inline constexpr std::int32_t category_castle = 1;
inline constexpr std::int32_t category_dwelling = 2;
inline constexpr std::int32_t category_keep = 4;
inline constexpr std::int32_t category_towne = 8;
inline constexpr std::int32_t category_all = 15;

// Disk image slots: 0 the program disk, 1 + c the disk of category c.
inline constexpr int disk_image_count = 5;

// The file names read when no disk option names an image, by slot.
inline constexpr std::array<const char*, disk_image_count> default_disk_images = {
    "qz-program.dsk", "qz-castle.dsk", "qz-dwelling.dsk", "qz-keep.dsk", "qz-towne.dsk"};

// The folder qz-atlas writes when no "-o" names one.
inline constexpr const char* default_atlas_folder = "atlas";

struct options {
  // Paths of the disk images; they point at the argument strings (or at the
  // default names), never at copies.
  std::array<const char*, disk_image_count> disk_images = default_disk_images;
  std::int32_t sector_order = 2;     // 1 "--do", 2 "--po": the last one given
  std::int32_t order_given = 0;      // set by "--do" or "--po"
  std::int32_t use_default = 0;      // NPCs at their default places, no hour in names
  std::int32_t blur_count = 0;       // 0 sharp, 1 soft, 2 retouch
  std::int32_t hour = 12;            // 0..23
  std::int32_t category_mask = 0;    // 0 after parsing means all four
  std::int32_t no_npcs = 0;
  std::int32_t no_change_pose = 0;
  std::int32_t overwrite = 0;
  std::int32_t shape_type = 0;       // 0 normal, 1 dungeon, 2 mirror-room
  std::int32_t no_remake_water = 0;
  const char* shape_bitmap = nullptr;
  std::int32_t use_shape_bitmap = 0;
  const char* output_folder = default_atlas_folder;  // qz-atlas only
  const char* sheet_file = nullptr;  // qz-atlas only: export the tiles there instead
};

// The programs that share the parser.  Each option and each usage line
// names the programs it belongs to as a mask of these bits.
inline constexpr unsigned program_renderer = 1;  // zud2avuze
inline constexpr unsigned program_atlas = 2;     // qz-atlas

struct program_info {
  const char* name;   // as the usage text shows it
  unsigned program;   // one of the bits above
};
inline constexpr program_info renderer_program = {"zud2avuze", program_renderer};
inline constexpr program_info atlas_program = {"qz-atlas", program_atlas};

// How parsing ended.
enum class parse_outcome {
  run,      // every argument was taken: the run goes on
  help,     // "-?" or "--help" was met (nothing after it was looked at)
  version,  // "--version" was met
  error,    // a bad argument; its message has been printed
};

// Prints the usage text of `program` to `stream`.
void print_usage(const program_info& program, std::FILE* stream);

// Parses the null-terminated argument vector `argv` (argv[0] is the program
// name) into `opts`, left to right, with the options of `program`; the
// first bad argument ends parsing after its message ("error: ...") has
// been printed to `messages`.  Nothing is opened or allocated.
parse_outcome parse_command_line(const program_info& program, char** argv, options& opts,
                                 std::FILE* messages);

// zud2avuze's parser: messages and the usage text on the sink's console.
// 0 when the run goes on; -1 when it must end with exit status 1 (after an
// error message or the usage text).
int parse_options(int argc, char** argv, options& opts, const message_sink& sink);
