// Builds category disk images, a library for any program (the demo maker,
// the fuzz corpora, the tests): the exact inverse of the raw map and NPC reads.
//
//   track 30       the NPC tables: location L in logical positions 2L
//                  (eight 32-byte columns: shapes, default shape, x, y,
//                  floor, hour, extra_b, extra_a) and 2L + 1 (the packed
//                  schedules: hour codes as nibbles, mode/x and floor/y as
//                  3-bit + 5-bit fields);
//   tracks 31-34   the 16 maps, map m on track 31 + m / 4, logical
//                  positions 4 * (m % 4) .. + 3, one per 16 x 16 quarter
//                  (top left, top right, bottom left, bottom right).
//
// The rest of the disk is left zero (or as the caller's image had it).
#pragma once

#include <cstdint>

#include "map/map_data.h"
#include "common/buffer.h"  // bytes

inline constexpr std::size_t category_disk_bytes = 143360;

// The 4-bit code of `hour`: the code of that hour in the schedule hour
// table, or of the nearest hour in it (the earlier one on a tie).
std::uint8_t schedule_hour_code(int hour);

// Writes `maps` and `npcs` into `image` (at least 143360 bytes) as a disk
// in `sector_order` stores them (1: positions where they are; any other
// value: position k of a track at file sector sector_translation[k]).
// A floor of 255 is stored as 7; other fields are cut to their bit widths.
void put_category_data(bytes& image, const map_data& maps, const npc_data& npcs,
                       std::int32_t sector_order);

// A zero-filled 143360-byte category disk holding `maps` and `npcs`.
bytes make_category_disk(const map_data& maps, const npc_data& npcs, std::int32_t sector_order);
