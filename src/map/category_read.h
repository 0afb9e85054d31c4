// Raw reads of the two areas of a category disk that lie outside any file:
// the NPC tables on track 30 and the 16 maps on tracks 31 to 34.  Each call
// opens the image itself and closes it on every path; on failure it prints
// one line ("error: open/seek/read '<path>'") and returns -1, leaving what
// it had placed so far.
#pragma once

#include <cstdint>
#include <span>

// Fills `buffer` with `byte_count` bytes of the map area (a multiple of
// 256), each 256-byte sector being one quarter of a 32 x 32 map.
int read_map_data(const char* disk_path, std::span<std::uint8_t> buffer, std::int32_t byte_count,
                  std::int32_t sector_order);

// Fills `location_count` 768-byte location blocks of `buffer` from the NPC
// area, unpacking the schedules.
int read_npc_data(const char* disk_path, std::span<std::uint8_t> buffer,
                  std::int32_t location_count, std::int32_t sector_order);

// The hour of the day for each 4-bit time code of a packed schedule.
inline constexpr std::uint8_t schedule_hours[16] = {0,  1,  3,  5,  6,  7,  9,  11,
                                                    12, 13, 15, 17, 18, 19, 21, 23};
