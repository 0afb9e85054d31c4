#include "atlas/atlas_plan.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "map/map_table.h"

namespace {

using tile_array = std::array<std::uint16_t, map_bytes>;

struct row_run {
  int first = 0;
  int count = 0;
};

bool same_row(const tile_array& a, const tile_array& b, int row) {
  const auto from = static_cast<std::ptrdiff_t>(row * map_side);
  return std::equal(a.begin() + from, a.begin() + from + map_side, b.begin() + from);
}

// The runs of consecutive tile rows in which `scene` differs from `base`.
std::vector<row_run> changed_runs(const tile_array& scene, const tile_array& base) {
  std::vector<row_run> runs;
  for (int row = 0; row < map_side; ++row) {
    if (same_row(scene, base, row)) continue;
    if (!runs.empty() && runs.back().first + runs.back().count == row) {
      ++runs.back().count;
    } else {
      runs.push_back({row, 1});
    }
  }
  return runs;
}

// What identifies a piece: its rows and the tiles drawn on them.
std::string piece_key(const tile_array& tiles, row_run run) {
  std::string key;
  key.reserve(2 + static_cast<std::size_t>(run.count) * map_side * 2);
  key.push_back(static_cast<char>(run.first));
  key.push_back(static_cast<char>(run.count));
  for (int i = run.first * map_side; i < (run.first + run.count) * map_side; ++i) {
    key.push_back(static_cast<char>(tiles[static_cast<std::size_t>(i)] & 0xFF));
    key.push_back(static_cast<char>(tiles[static_cast<std::size_t>(i)] >> 8));
  }
  return key;
}

// The settings of a map with distinct scenes: for each, the first setting
// that shows it.
std::vector<int> distinct_settings(const atlas_map& m) {
  std::vector<int> firsts;
  for (int t = 0; t < time_settings; ++t) {
    const bool seen = std::any_of(firsts.begin(), firsts.end(),
                                  [&](int f) { return m.scenes[static_cast<std::size_t>(f)].tiles == m.scenes[static_cast<std::size_t>(t)].tiles; });
    if (!seen) firsts.push_back(t);
  }
  return firsts;
}

// The tile rows that must be rendered for the map's bands when setting
// `base` gives the base picture, each distinct band counted once.
int band_rows_for(const atlas_map& m, const std::vector<int>& firsts, int base) {
  std::map<std::string, int> bands;
  const tile_array& base_tiles = m.scenes[static_cast<std::size_t>(base)].tiles;
  for (int t : firsts) {
    const tile_array& tiles = m.scenes[static_cast<std::size_t>(t)].tiles;
    for (const row_run run : changed_runs(tiles, base_tiles)) bands.emplace(piece_key(tiles, run), run.count);
  }
  int rows = 0;
  for (const auto& entry : bands) rows += entry.second;
  return rows;
}

// The base whose bands take the fewest rows; on a tie the earliest.
int choose_base(const atlas_map& m, const std::vector<int>& firsts) {
  int best = firsts.front();
  int best_rows = band_rows_for(m, firsts, best);
  for (std::size_t i = 1; i < firsts.size(); ++i) {
    const int rows = band_rows_for(m, firsts, firsts[i]);
    if (rows < best_rows) {
      best = firsts[i];
      best_rows = rows;
    }
  }
  return best;
}

std::string map_stem(int c, int j) {
  const map_table_entry entry = map_table[static_cast<std::size_t>(c)][static_cast<std::size_t>(j)];
  char name[256];
  format_output_name(name, sizeof name,
                     location_names[static_cast<std::size_t>(c * locations_per_category + entry.location)],
                     entry.floor, 0, 1);
  std::string stem = name;
  return stem.substr(0, stem.size() - 4);  // without ".bmp"
}

}  // namespace

std::string time_setting_name(int t) { return t == default_setting ? "default" : std::to_string(t); }

map_scene compose_setting(const category_data& data, int j, int t, std::int32_t no_npcs,
                          std::int32_t no_change_pose) {
  const map_table_entry entry = map_table[static_cast<std::size_t>(data.category)][static_cast<std::size_t>(j)];
  const bool by_default = t == default_setting;
  const npc_data& npcs = by_default ? data.default_npcs : data.npcs;
  const draw_settings settings{by_default ? default_placement_hour : t, no_npcs, no_change_pose};
  return compose_map(map_cells(data.maps, j), location_cells(npcs, entry.location), entry.floor, settings);
}

void plan_atlas(const std::vector<category_data>& categories, std::int32_t no_npcs,
                std::int32_t no_change_pose, atlas_plan& plan) {
  plan = atlas_plan{};
  std::unordered_map<std::string, int> pieces;  // by piece_key
  std::unordered_set<std::string> pictures;  // by piece_key of the whole
  plan.maps.reserve(categories.size() * maps_per_category);
  // The piece of `run` of the scene of map m at setting t, added to the
  // map's picture file when new.
  auto piece_of = [&](int m, int t, row_run run) {
    const atlas_map& owner = plan.maps[static_cast<std::size_t>(m)];
    const std::string key = piece_key(owner.scenes[static_cast<std::size_t>(t)].tiles, run);
    const auto [it, added] = pieces.emplace(key, static_cast<int>(plan.pieces.size()));
    if (added) {
      if (plan.files.empty() || plan.pieces[static_cast<std::size_t>(plan.files.back().pieces.front())].map != m)
        plan.files.push_back({"pictures/" + owner.stem + ".js", {}});
      atlas_file& file = plan.files.back();
      plan.pieces.push_back({m, t, run.first, run.count, static_cast<int>(plan.files.size() - 1),
                             static_cast<int>(file.pieces.size())});
      file.pieces.push_back(it->second);
    }
    return it->second;
  };

  for (const category_data& data : categories) {
    for (int j = 0; j < maps_per_category; ++j) {
      const int m = static_cast<int>(plan.maps.size());
      atlas_map& current = plan.maps.emplace_back();
      current.category = data.category;
      current.index = j;
      current.stem = map_stem(data.category, j);
      for (int t = 0; t < time_settings; ++t)
        current.scenes[static_cast<std::size_t>(t)] = compose_setting(data, j, t, no_npcs, no_change_pose);

      const std::vector<int> firsts = distinct_settings(current);
      plan.distinct_views += static_cast<int>(firsts.size());
      for (int t : firsts) {
        const tile_array& tiles = current.scenes[static_cast<std::size_t>(t)].tiles;
        pictures.insert(piece_key(tiles, {0, map_side}));
      }
      const int base = choose_base(current, firsts);
      const int base_piece = piece_of(m, base, {0, map_side});
      for (int t = 0; t < time_settings; ++t) {
        atlas_view& view = current.views[static_cast<std::size_t>(t)];
        view.base = base_piece;
        const tile_array& tiles = current.scenes[static_cast<std::size_t>(t)].tiles;
        for (const row_run run : changed_runs(tiles, current.scenes[static_cast<std::size_t>(base)].tiles))
          view.bands.push_back(piece_of(m, t, run));
      }
    }
  }
  plan.distinct_pictures = static_cast<int>(pictures.size());
}
