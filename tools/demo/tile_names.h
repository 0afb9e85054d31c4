// The tile numbers of the demo art, shared by the tile painter and the map
// builders.  Map cells use tiles 0-255; an NPC of shape s is drawn as tile
// 256 + s.  The numbers follow the game's terrain classes: people may
// stand on floors and grass, boats on water, serpents on deep water too.
#pragma once

#include <cstdint>

#include "map/tile_names.h"

namespace demo {

// The tiles the drawing rules test (beds, seats, counters, night tiles)
// keep the names the renderer gives them.
using namespace ::map_tile;
using ::npc_shape::sea_serpent;
using ::npc_shape::soldier;

// Map tiles.
enum demo_tile : std::uint8_t {
  void_tile = 0x00,
  ocean = 0x01,        // open water (boats)
  sea = 0x02,
  grass = 0x04,
  meadow = 0x05,
  shrubs = 0x06,
  flowers = 0x07,
  dirt_path = 0x08,
  cobbles = 0x09,
  sand = 0x0A,
  marsh = 0x0B,
  tree = 0x0C,
  forest = 0x0D,
  field = 0x0E,
  hay_floor = 0x0F,
  mountain = 0x10,
  rocks = 0x11,
  brick_wall = 0x12,
  stone_wall = 0x13,
  window_wall = 0x14,
  wood_wall = 0x15,
  hedge = 0x16,
  pillar = 0x17,
  battlement = 0x18,
  fireplace = 0x19,
  bookshelf = 0x1A,
  crates = 0x1B,
  wood_floor = 0x1C,    // 0x1C-0x26: floors
  stone_floor = 0x1D,
  purple_carpet = 0x1E,
  blue_carpet = 0x1F,
  tiled_floor = 0x20,
  earth_floor = 0x21,
  stairs_up = 0x22,
  stairs_down = 0x23,
  ladder = 0x24,
  rug = 0x25,
  straw = 0x26,
  wall_top = 0x27,
  door = 0x28,
  locked_door = 0x29,
  portcullis = 0x2A,
  iron_bars = 0x2B,
  archway = 0x2C,
  open_gate = 0x2D,
  inn_sign = 0x2E,
  smith_sign = 0x2F,
  bridge = 0x30,
  dock = 0x31,
  garden = 0x32,
  pebbles = 0x33,
  islet = 0x34,         // 0x34-0x37: land and water together
  dock_left = 0x35,
  beach_top = 0x36,
  lily_pads = 0x37,
  well = 0x39,
  statue = 0x3A,
  anvil = 0x3B,
  lamp_post = 0x3C,
  signpost = 0x3D,
  grave = 0x3E,
  cauldron = 0x3F,
  crops = 0x40,
  dock_end = 0x45,
  walkway = 0x47,
  shore_first = 0x60,   // 0x60-0x6F: water with land at its edges
  bridge_across = 0x6A,
  bridge_along = 0x6B,
  shore_mask_first = 0x70,
  porch = 0x86,
  chest = 0x88,
  wardrobe = 0x89,
  cupboard = 0x8A,
  red_rug = 0x8B,
  mat = 0x8C,
  potted_plant = 0x8D,
  clock = 0x8E,
  hearth_rug = 0x8F,
  counter_end = 0x94,
  shelf = 0x95,
  goods = 0x96,
  weapon_rack = 0x97,
  barrel = 0x98,
  bar = 0xAA,
  banner = 0xC0,
  tapestry = 0xC1,
  candles = 0xC2,
  organ = 0xC3,
  royal_carpet = 0xC4,  // 0xC4-0xC7: carpet
  carpet_edge_left = 0xC5,
  carpet_edge_right = 0xC6,
  dais = 0xC7,
  mask_first = 0xD0,    // 0xD0-0xD3: water masks of 0x34-0x37 and 0xE4-0xE7
  chapel_floor = 0xDD,
  basin = 0xE4,         // 0xE4-0xE7: water where the mask is clear
  dock_right = 0xE5,
  beach_bottom = 0xE6,
  pond = 0xE7,
};

// NPC shape numbers.  People come in kinds of four, the low two bits the
// colour of their clothes (green, orange, purple, blue), which their seated
// and lying poses keep.
enum demo_shape : std::uint8_t {
  dog = 0x01, cat = 0x02, chicken = 0x03, cow = 0x04, horse = 0x05, sheep = 0x06, rat = 0x07,
  snake = 0x08, wolf = 0x09, bear = 0x0A, skeleton = 0x0B, orc = 0x0C, slime = 0x0D, bat = 0x0E,
  spider = 0x0F, ghost = 0x10, troll = 0x11, cart = 0x1B, scarecrow = 0x1E,
  rowboat = 0x20, sailboat = 0x21, fish = 0x22, duck = 0x23,
  peasant = 0x40, merchant = 0x44, guard = 0x48, noble = 0x4C, child = 0x50, bard = 0x54,
  mage = 0x58,
  priest = 0x68, sailor = 0x6C, farmer = 0x70, lady = 0x74, jester = 0x78, beggar = 0x7C,
  shark = 0x80, octopus = 0x81,
};

// Pose tiles in the NPC half, as the renderer names them: seated on
// benches and stools (four tiles from seated_tile), at tables, on chairs;
// the king on his throne, a kneeling worshipper, a shopkeeper.
inline constexpr int seated_tile = npc_tile::seated;  // 0x130-0x133
using npc_tile::at_table_facing_down;
using npc_tile::at_table_facing_up;
using npc_tile::king_on_throne;
using npc_tile::kneeling;
using npc_tile::on_chair_left;
using npc_tile::on_chair_right;
using npc_tile::shopkeeper;

}  // namespace demo
