// Not yet implemented: raw map and NPC reads.
#include "disk/raw_read.h"
int read_map_data(const char*, std::span<std::uint8_t>, std::int32_t, std::int32_t) { return -1; }
int read_npc_data(const char*, std::span<std::uint8_t>, std::int32_t, std::int32_t) { return -1; }
