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

// The containers the set can be written in: raw images in DOS 3.3 file
// order (.dsk, today's set) or ProDOS block order (.po), 2IMG of block-
// ordered sectors (.2mg), NIB (.nib) and WOZ 2 (.woz).
enum class disk_format { dsk, po, two_img, nib, woz };

// "dsk", "po", "2mg", "nib" or "woz" as a format; false for anything else.
bool parse_disk_format(const std::string& name, disk_format& format);

// The file name of disk `disk` of the set (0 the program disk, 1..4 the
// castle, dwelling, keep and towne disks) in `format`: the default name
// with the format's extension.
std::string disk_file_name(int disk, disk_format format);

// Writes the five disks into `folder` in `format`, under disk_file_name.
// Throws std::runtime_error when a file cannot be written.
void write_demo_disks(const std::string& folder, disk_format format);

}  // namespace demo
