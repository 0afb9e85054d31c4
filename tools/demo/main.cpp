// make_demo_disks: writes a demo disk set for zud2avuze, made wholly by
// this program: tile art, maps and NPC schedules of its own.
//
//   make_demo_disks [--do] FOLDER
//
// The images are written in DOS 3.3 sector order, which zud2avuze reads
// by default; with --do in ProDOS block order (read with its --do).
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

#include "demo/demo_disks.h"
#include "disk/sector_order.h"

int main(int argc, char** argv) {
  std::int32_t order = sector_order_prodos;
  const char* folder = nullptr;
  bool understood = true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--do") == 0) order = sector_order_dos;
    else if (folder == nullptr && argv[i][0] != '-') folder = argv[i];
    else understood = false;
  }
  if (!understood || folder == nullptr) {
    std::puts("usage: make_demo_disks [--do] FOLDER");
    return 1;
  }
  try {
    std::filesystem::create_directories(folder);
    demo::write_demo_disks(folder, order);
  } catch (const std::exception& e) {
    std::printf("error: %s\n", e.what());
    return 1;
  }
  std::printf("wrote the demo disk set into '%s'\n", folder);
  return 0;
}
