// Decoding of the hi-res tile file "SHAPES" into the dot values of the shape
// sheet: 0 dark, 1 lit, and delay_marker where a byte's colour-group bit
// delays its dots by half a dot.  Only even sheet rows are written.
#pragma once

#include <cstdint>
#include <span>

inline constexpr std::uint8_t delay_marker = 0xFF;

// Shape types: variants of the colour-group bits of the tiles.
inline constexpr std::int32_t shape_type_normal = 0;
inline constexpr std::int32_t shape_type_dungeon = 1;
inline constexpr std::int32_t shape_type_mirror_room = 2;

// Decodes the 16384 bytes of `file` into the cleared 0x70000-byte sheet
// buffer `pixels` (448 pixels a row, 1024 rows).  Does nothing when
// `pixels` holds fewer than 0x70000 bytes or `file` fewer than 16384.
void decode_shape_data(std::span<std::uint8_t> pixels, std::span<const std::uint8_t> file,
                       std::int32_t shape_type, std::int32_t no_remake_water);

// 1 when the tile at tile row `row`, column `column` has its colour group
// forced by the dungeon and mirror-room types; 0 otherwise (always for rows
// above 15).
int has_high_bit(int row, int column);

// The water mask tile of the tile at (`row`, `column`), negated when the
// remake is inverted; 0 when the tile takes no water remake.
int water_mask_of(int row, int column);
