#include "map/npc_pose.h"

namespace {

constexpr int npc_tile_base = 0x100;

// People who sit, sleep and serve: shapes 0x40-0x5F and 0x68-0x7F.
constexpr bool takes_poses(int tile) {
  return (tile >= 0x140 && tile <= 0x15F) || (tile >= 0x168 && tile <= 0x17F);
}
// Creatures drawn in the water form on tile 0x57: shapes 0xB8-0xBB.
constexpr bool swims(int tile) { return tile >= 0x1B8 && tile <= 0x1BB; }
constexpr std::uint8_t deep_water = 0x57;
constexpr int swimming_tile = 0x38;

// The tile of a person of tile `t` on map tile `under`; `above` and
// `below` are the map tiles of the neighbouring rows, or -1 off the map.
int person_pose(int t, std::uint8_t under, int above, int below) {
  const int facing = t & 3;
  switch (under) {
    case 0x80: return 0x82;
    case 0x81: return 0x83;
    case 0x84: return 0x160 + facing;
    case 0x85: return 0x164 + facing;
    case 0x90: return (above == 0x9B || above == 0x9C) ? 0x138 + facing : 0x130;
    case 0x91: return 0x131;
    case 0x92:
      if (below == 0x9A || below == 0x9C) return 0x134 + facing;
      return (t >= 0x15C && t <= 0x15F) ? t : 0x132;
    case 0x93: return 0x133;
    case 0xAB: return 0x11A;
    case 0xC8: return 0x117;
    case 0xC9: return 0x118;
    default: return t;
  }
}

}  // namespace

int npc_pose_tile(std::uint8_t shape, std::span<const std::uint8_t, map_bytes> map, int x, int y) {
  const int t = npc_tile_base + shape;
  const std::uint8_t under = map[static_cast<std::size_t>(y * map_side + x)];
  if (takes_poses(t)) {
    const int above = y > 0 ? map[static_cast<std::size_t>((y - 1) * map_side + x)] : -1;
    const int below = y < map_side - 1 ? map[static_cast<std::size_t>((y + 1) * map_side + x)] : -1;
    return person_pose(t, under, above, below);
  }
  if (swims(t) && under == deep_water) return swimming_tile;
  return t;
}
