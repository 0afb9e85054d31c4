// The demo disk set: a program disk holding the tile file and four
// category disks of 16 maps and 8 NPC tables each.
#pragma once

#include <cstdint>
#include <string>

#include "map/map_data.h"
#include "common/buffer.h"  // bytes

namespace demo {

// The program disk image: a ProDOS volume with the file "SHAPES".
bytes program_disk(std::int32_t sector_order);

// The maps and NPC tables of category `c` (0 castle, 1 dwelling, 2 keep,
// 3 towne).
void category_contents(int c, map_data& maps, npc_data& npcs);

// Writes qz-program.dsk, qz-castle.dsk, qz-dwelling.dsk, qz-keep.dsk and
// qz-towne.dsk into `folder` (which must exist) in `sector_order`.
// Throws std::runtime_error when a file cannot be written.
void write_demo_disks(const std::string& folder, std::int32_t sector_order);

}  // namespace demo
