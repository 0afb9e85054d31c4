#include "map/map_table.h"

#include <cstdio>

const std::array<std::array<map_table_entry, maps_per_category>, category_count> map_table = {{
    // castle
    {{{0, 255}, {0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 255}, {1, 0}, {1, 1},
      {1, 2}, {1, 3}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}}},
    // dwelling
    {{{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1},
      {2, 2}, {3, 0}, {3, 1}, {3, 2}, {4, 0}, {5, 0}, {6, 0}, {7, 0}}},
    // keep
    {{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {3, 0}, {4, 0}, {5, 0},
      {5, 1}, {5, 2}, {6, 0}, {6, 1}, {6, 2}, {7, 255}, {7, 0}, {7, 1}}},
    // towne
    {{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {3, 255}, {3, 0},
      {4, 0}, {4, 1}, {5, 0}, {5, 1}, {6, 0}, {6, 1}, {7, 0}, {7, 1}}},
}};

const std::array<const char*, category_count * locations_per_category> location_names = {
    // castle
    "Castle_Avelmor", "Dravik's_Palace", "West_Hollin", "North_Hollin", "East_Hollin", "Reed",
    "Mere", "Rover's_Nook",
    // dwelling
    "Mistwatch", "Galeward", "Ashbeacon", "Tidelamp", "Brenn's_Hut", "Orlo's_Hut",
    "Ka'Dresh's_Hut", "Malvin's_Hut",
    // keep
    "Caldun", "Edgewold", "Penwick", "Lakemoor", "Rockhold", "The_Athenor", "Quiet_Abbey",
    "Wyrm's_Hold",
    // towne
    "Starfall", "Lorhaven", "Tarsk", "Fen", "Durro", "Valeth", "Kell_Mora", "New_Osgard",
};

const char* floor_label(std::uint8_t floor) {
  switch (floor) {
    case 255: return "B1F";
    case 0: return "1F";
    case 1: return "2F";
    case 2: return "3F";
    case 3: return "4F";
    default: return "unknown";
  }
}

void format_output_name(char* out, std::size_t out_size, const char* location_name,
                        std::uint8_t floor, std::int32_t hour, std::int32_t use_default) {
  if (use_default != 0) {
    std::snprintf(out, out_size, "qz.%s.%s.bmp", location_name, floor_label(floor));
  } else {
    std::snprintf(out, out_size, "qz.%s.%s.%02d.bmp", location_name, floor_label(floor),
                  static_cast<int>(hour));
  }
}
