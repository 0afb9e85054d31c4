// What an atlas holds and how it is stored, decided from the scenes alone
// before any pixel is drawn.
//
// Every map is shown at 25 time settings: the hours 0 to 23 and the
// default placement.  Two settings whose scenes draw the same tile on
// every cell show the same picture, and two pictures that draw the same
// tiles on a run of tile rows have the same pixels there: both colour
// filters work along each pixel row alone (the retouch filter closing the
// row into a ring), so the pixels of a row depend on that row's tiles
// only.  So each map gets one base picture, and every other setting is
// the base with full-width bands of the tile rows that differ laid over
// it.  A piece (a base or a band) is rendered and stored once, however
// many settings and maps show it, in the picture file of the first map
// that shows it: one file per map (picture_file.h), so that an atlas of
// 64 maps is some seventy files, not thousands.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "map/compose.h"
#include "map/map_data.h"
#include "run/render_steps.h"

inline constexpr int hour_settings = 24;
inline constexpr int time_settings = 25;     // the hours, then the default placement
inline constexpr int default_setting = 24;

// The name of time setting t: "0" to "23", or "default".
std::string time_setting_name(int t);

// One category as read from its disk, and its NPC tables with every NPC
// at its default place.
struct category_data {
  int category = 0;  // 0 castle, 1 dwelling, 2 keep, 3 towne
  map_data maps{};
  npc_data npcs{};
  npc_data default_npcs{};
};

// A part of a picture rendered once: the tile rows first_row to
// first_row + row_count - 1 of the scene of one map at one time setting.
struct atlas_piece {
  int map = 0;   // index into atlas_plan::maps
  int time = 0;  // a time setting whose scene shows it
  int first_row = 0;
  int row_count = 0;
  int file = 0;      // index into atlas_plan::files
  int position = 0;  // its place in that file, from 0
};

// A picture file: the pieces first shown by one map, in order.
struct atlas_file {
  std::string path;  // inside the atlas folder: "pictures/STEM.js"
  std::vector<int> pieces;
};

// How to get the picture of one time setting: the base, then the bands
// laid over it, top to bottom (none when the setting shows the base).
struct atlas_view {
  int base = -1;
  std::vector<int> bands;
};

struct atlas_map {
  int category = 0;
  int index = 0;         // map j of the category
  std::string stem;      // zud2avuze's file name without the hour and ".bmp"
  std::array<map_scene, time_settings> scenes;
  std::array<atlas_view, time_settings> views;
};

struct atlas_plan {
  std::vector<atlas_map> maps;      // category by category, map j 0 to 15
  std::vector<atlas_piece> pieces;  // each stored once
  std::vector<atlas_file> files;    // the maps' picture files, in map order
  int distinct_views = 0;     // distinct scenes of each map, summed over the maps
  int distinct_pictures = 0;  // distinct scenes over all maps (maps may share one)
};

// The scene of map j of a category at time setting t, as zud2avuze draws it
// with "-h t" (or "--default" for the default setting).
map_scene compose_setting(const category_data& data, int j, int t, std::int32_t no_npcs,
                          std::int32_t no_change_pose);

// Plans the atlas of the given categories (in order).  Throws
// std::bad_alloc when memory runs out.
void plan_atlas(const std::vector<category_data>& categories, std::int32_t no_npcs,
                std::int32_t no_change_pose, atlas_plan& plan);
