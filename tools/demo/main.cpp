// make_demo_disks: writes a demo disk set for zud2avuze, made wholly by
// this program: tile art, maps and NPC schedules of its own.
//
//   make_demo_disks [--do] [--format dsk|po|2mg|nib|woz] FOLDER
//
// The images are written in DOS 3.3 sector order, which zud2avuze reads
// by default; with --do in ProDOS block order (read with its --do), both
// under the default .dsk names.  --format writes the set in a container
// instead, under the default names with the format's extension: dsk (DOS
// 3.3 file order, the default set), po (ProDOS block order, as .po files
// are), 2mg (2IMG of block-ordered sectors), nib, woz (WOZ 2).
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

#include "demo/demo_disks.h"
#include "disk/sector_order.h"

int main(int argc, char** argv) {
  std::int32_t order = sector_order_prodos;
  bool order_given = false, format_given = false;
  demo::disk_format format = demo::disk_format::dsk;
  const char* folder = nullptr;
  bool understood = true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--do") == 0) {
      order = sector_order_dos;
      order_given = true;
    } else if (std::strcmp(argv[i], "--format") == 0 && i + 1 < argc) {
      understood = understood && demo::parse_disk_format(argv[++i], format);
      format_given = true;
    } else if (folder == nullptr && argv[i][0] != '-') {
      folder = argv[i];
    } else {
      understood = false;
    }
  }
  if (!understood || folder == nullptr || (order_given && format_given)) {
    std::puts("usage: make_demo_disks [--do] [--format dsk|po|2mg|nib|woz] FOLDER");
    return 1;
  }
  try {
    std::filesystem::create_directories(folder);
    if (format_given) demo::write_demo_disks(folder, format);
    else demo::write_demo_disks(folder, order);
  } catch (const std::exception& e) {
    std::printf("error: %s\n", e.what());
    return 1;
  }
  std::printf("wrote the demo disk set into '%s'\n", folder);
  return 0;
}
