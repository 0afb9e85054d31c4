// Where a category disk keeps its maps and characters, for the reads and
// the writer alike.  Both areas lie outside any file, at fixed tracks, and
// are addressed by logical position (ProDOS order, see disk/sector_order.h).
//
//   track 30       the NPC tables: location L in logical positions 2L (its
//                  E sector: eight 32-byte columns, one byte per NPC) and
//                  2L + 1 (its S sector: the packed schedules);
//   tracks 31-34   the 16 maps, map m on track 31 + m / 4, logical
//                  positions 4 * (m % 4) .. + 3, one 256-byte sector per
//                  16 x 16 quarter of the map (top left, top right, bottom
//                  left, bottom right), 16 rows of 16 cells each.
#pragma once

#include <cstddef>
#include <cstdint>

#include "disk/sector_order.h"

inline constexpr int category_npc_track = 30;
inline constexpr int category_first_map_track = 31;
inline constexpr std::int64_t npc_area_offset = std::int64_t{category_npc_track} * track_bytes;        // 0x1E000
inline constexpr std::int64_t map_area_offset = std::int64_t{category_first_map_track} * track_bytes;  // 0x1F000
// A whole category disk: 35 tracks.
inline constexpr std::size_t category_disk_bytes = static_cast<std::size_t>(disk_image_bytes);

// Maps: a map's four sectors in turn; each sector holds 16 rows of 16
// cells, placed at this offset within the map's 1024 bytes (rows of 32).
inline constexpr int map_sectors = 4;
inline constexpr int quarter_side = 16;
inline constexpr std::size_t quarter_offset[map_sectors] = {0, 16, 512, 528};

// The E sector of a location: column c holds byte k for NPC k.
namespace npc_column {
inline constexpr int shape = 0;
inline constexpr int default_shape = 32;
inline constexpr int default_x = 64;
inline constexpr int default_y = 96;
inline constexpr int default_floor = 128;
inline constexpr int default_hour = 160;
inline constexpr int extra_b = 192;
inline constexpr int extra_a = 224;
}  // namespace npc_column

// The S sector of a location, byte k of each column for NPC k:
//   0..31     the hour codes of the first range (high four bits: h0, low: h1)
//   32..63    the hour codes of the second range (h2, h3)
//   64 + 32j  slot j's mode (high three bits) and x (low five bits)
//   160 + 32j slot j's floor (high three bits, 7 for the basement) and y
namespace npc_schedule_column {
inline constexpr int first_hours = 0;
inline constexpr int second_hours = 32;
inline constexpr int mode_x = 64;
inline constexpr int floor_y = 160;
inline constexpr int slot_stride = 32;
}  // namespace npc_schedule_column
inline constexpr std::uint8_t stored_basement_floor = 7;

// The hour of the day for each 4-bit hour code of a packed schedule.
inline constexpr std::uint8_t schedule_hours[16] = {0,  1,  3,  5,  6,  7,  9,  11,
                                                    12, 13, 15, 17, 18, 19, 21, 23};
