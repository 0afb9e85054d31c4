// Builds category disk images, a library for any program (the demo maker,
// the fuzz corpora, the tests): the exact inverse of the raw map and NPC
// reads, laying the areas down as category_format.h describes them.  The
// rest of the disk is left zero (or as the caller's image had it).
#pragma once

#include <cstdint>

#include "common/buffer.h"  // bytes
#include "map/category_format.h"
#include "map/map_data.h"

// The 4-bit code of `hour`: the code of that hour in the schedule hour
// table, or of the nearest hour in it (the earlier one on a tie).
std::uint8_t schedule_hour_code(int hour);

// Writes `maps` and `npcs` into `image` as a disk in `sector_order` stores
// them (1: positions where they are; any other value: position k of a
// track at file sector sector_translation[k]).  A floor of 255 is stored
// as 7; other fields are cut to their bit widths.  0, or -1 (nothing
// written) for an image shorter than a whole disk.
int put_category_data(bytes& image, const map_data& maps, const npc_data& npcs,
                      std::int32_t sector_order);

// A zero-filled whole category disk holding `maps` and `npcs`.
bytes make_category_disk(const map_data& maps, const npc_data& npcs, std::int32_t sector_order);
