// The command line: the run's settings and their parser.
#pragma once

#include <array>
#include <cstdint>

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

struct options {
  // Paths of the disk images; they point at the argument strings (or at the
  // default names), never at copies.
  std::array<const char*, disk_image_count> disk_images = default_disk_images;
  std::int32_t sector_order = 2;     // 1 "--do", 2 "--po"
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
};

// Prints the usage text to standard output.
void print_usage();

// Parses the null-terminated argument vector `argv` (argv[0] is the program
// name) into `opts`, left to right; the first bad argument ends parsing.
// 0 when the run goes on; -1 when it must end with exit status 1 (after an
// error message or the usage text).  Nothing is opened or allocated.
int parse_options(int argc, char** argv, options& opts);
