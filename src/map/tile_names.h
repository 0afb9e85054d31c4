// The tiles and shapes that the drawing rules test, by what they show.
// Map cells hold tiles 0-255 (the first half of the sheet); an NPC of shape
// s is drawn as tile 256 + s unless its pose changes (the second half).
#pragma once

#include <cstdint>

// Map tiles the night, relocation and pose rules look at or draw.
namespace map_tile {
inline constexpr std::uint8_t water = 0x03;            // what stepping stones become at night
inline constexpr std::uint8_t serpent_in_water = 0x38; // a sea serpent's pose on deep ocean
inline constexpr std::uint8_t shop_floor = 0x44;       // lit at night below an open door; people
                                                       //   pushed off a counter prefer it
inline constexpr std::uint8_t stepping_stone = 0x48;   // 0x48, 0x49: under water at night
inline constexpr std::uint8_t stepping_stones = 0x49;
inline constexpr std::uint8_t deep_ocean = 0x57;
inline constexpr std::uint8_t bed = 0x80;
inline constexpr std::uint8_t bed_blue = 0x81;
inline constexpr std::uint8_t sleeper = 0x82;          // a person lying in a bed
inline constexpr std::uint8_t sleeper_blue = 0x83;
inline constexpr std::uint8_t chair_right = 0x84;      // a seat facing right
inline constexpr std::uint8_t chair_left = 0x85;
inline constexpr std::uint8_t open_door = 0x87;
inline constexpr std::uint8_t bench_south = 0x90;      // a seat below a table: people face up
inline constexpr std::uint8_t stool = 0x91;
inline constexpr std::uint8_t bench_north = 0x92;      // a seat above a table: people face down
inline constexpr std::uint8_t stool_low = 0x93;
inline constexpr std::uint8_t lit_floor = 0x99;        // a shop floor lit by an open door
inline constexpr std::uint8_t table_top = 0x9A;        // the upper row of a table
inline constexpr std::uint8_t table_bottom = 0x9B;     // the lower row of a table
inline constexpr std::uint8_t small_table = 0x9C;
inline constexpr std::uint8_t counter = 0xAB;          // people behind it serve
inline constexpr std::uint8_t bar_counter = 0xAC;
inline constexpr std::uint8_t throne = 0xC8;
inline constexpr std::uint8_t prayer_cushion = 0xC9;
}  // namespace map_tile

// NPC shapes the rules single out.
namespace npc_shape {
inline constexpr std::uint8_t soldier = 0x5C;          // 0x5C-0x5F keep their tile on a bench
inline constexpr std::uint8_t sea_serpent = 0xB8;      // 0xB8-0xBB lie in deep ocean
}  // namespace npc_shape

// Tiles of the second half that NPC poses draw; "+ colour" adds the low two
// bits of the person's own tile.
namespace npc_tile {
inline constexpr int base = 0x100;                  // shape s is tile base + s
inline constexpr int king_on_throne = 0x117;
inline constexpr int kneeling = 0x118;
inline constexpr int shopkeeper = 0x11A;
inline constexpr int seated = 0x130;                // on a bench with no table
inline constexpr int on_stool = 0x131;
inline constexpr int seated_facing_down = 0x132;    // on a north bench with no table
inline constexpr int on_low_stool = 0x133;
inline constexpr int at_table_facing_down = 0x134;  // + colour
inline constexpr int at_table_facing_up = 0x138;    // + colour
inline constexpr int on_chair_right = 0x160;        // + colour
inline constexpr int on_chair_left = 0x164;         // + colour
}  // namespace npc_tile
