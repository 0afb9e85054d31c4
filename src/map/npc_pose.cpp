#include "map/npc_pose.h"

#include "map/tile_names.h"

namespace {

// People who sit, sleep and serve: shapes 0x40-0x5F and 0x68-0x7F.
constexpr bool takes_poses(int tile) {
  return (tile >= 0x140 && tile <= 0x15F) || (tile >= 0x168 && tile <= 0x17F);
}
// Sea serpents lie in deep ocean: shapes 0xB8-0xBB.
constexpr bool swims(int tile) {
  return tile >= npc_tile::base + npc_shape::sea_serpent && tile <= npc_tile::base + npc_shape::sea_serpent + 3;
}
// Soldiers keep their own tile on a bench with no table below.
constexpr bool keeps_tile_on_bench(int tile) {
  return tile >= npc_tile::base + npc_shape::soldier && tile <= npc_tile::base + npc_shape::soldier + 3;
}

// The tile of a person of tile `t` on map tile `under`; `above` and
// `below` are the map tiles of the neighbouring rows, or -1 off the map.
int person_pose(int t, std::uint8_t under, int above, int below) {
  using namespace map_tile;
  const int colour = t & 3;
  switch (under) {
    case bed: return sleeper;
    case bed_blue: return sleeper_blue;
    case chair_right: return npc_tile::on_chair_right + colour;
    case chair_left: return npc_tile::on_chair_left + colour;
    case bench_south:
      return (above == table_bottom || above == small_table) ? npc_tile::at_table_facing_up + colour : npc_tile::seated;
    case stool: return npc_tile::on_stool;
    case bench_north:
      if (below == table_top || below == small_table) return npc_tile::at_table_facing_down + colour;
      return keeps_tile_on_bench(t) ? t : npc_tile::seated_facing_down;
    case stool_low: return npc_tile::on_low_stool;
    case counter: return npc_tile::shopkeeper;
    case throne: return npc_tile::king_on_throne;
    case prayer_cushion: return npc_tile::kneeling;
    default: return t;
  }
}

}  // namespace

int npc_pose_tile(std::uint8_t shape, std::span<const std::uint8_t, map_bytes> map, int x, int y) {
  const int t = npc_tile::base + shape;
  const std::uint8_t under = map[static_cast<std::size_t>(y * map_side + x)];
  if (takes_poses(t)) {
    const int above = y > 0 ? map[static_cast<std::size_t>((y - 1) * map_side + x)] : -1;
    const int below = y < map_side - 1 ? map[static_cast<std::size_t>((y + 1) * map_side + x)] : -1;
    return person_pose(t, under, above, below);
  }
  if (swims(t) && under == map_tile::deep_ocean) return map_tile::serpent_in_water;
  return t;
}
