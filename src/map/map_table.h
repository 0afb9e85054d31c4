// Which map of a category disk belongs to which location and floor, the
// names of the locations and the floor labels used in output file names.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "map/map_data.h"

inline constexpr int category_count = 4;  // castle, dwelling, keep, towne

struct map_table_entry {
  std::int32_t location;  // 0..7: NPC location block and name
  std::uint8_t floor;     // floor code; 255 is the basement
};

// Row c: the 16 maps of category c in the order they lie in its map data.
extern const std::array<std::array<map_table_entry, maps_per_category>, category_count> map_table;

// Entry c * 8 + L: the name of location L of category c.
extern const std::array<const char*, category_count * locations_per_category> location_names;

// "B1F" for 255, "1F" to "4F" for 0 to 3, "unknown" for any other code.
const char* floor_label(std::uint8_t floor);

// Builds the output file name of a map into `out` (cut to fit, always
// terminated): "qz.<name>.<floor>.<hour>.bmp", or without the hour when
// `use_default` is set.
void format_output_name(char* out, std::size_t out_size, const char* location_name,
                        std::uint8_t floor, std::int32_t hour, std::int32_t use_default);
