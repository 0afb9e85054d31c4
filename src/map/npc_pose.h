// The pose of an NPC: people lie in beds, sit on chairs and stools, stand
// behind counters; some creatures change on special ground.
#pragma once

#include <cstdint>
#include <span>

#include "map/map_data.h"

// The tile drawn for an NPC of shape `shape` standing at (x, y) of `map`,
// x and y 0..31: 256 + shape, or a pose tile chosen by the stored map tile
// under it and, for beds and benches, the tile above or below.
int npc_pose_tile(std::uint8_t shape, std::span<const std::uint8_t, map_bytes> map, int x, int y);
