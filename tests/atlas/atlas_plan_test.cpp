// The atlas's plan on the demo disk set: each piece is kept once, bands
// hold only changed rows and lay every picture's tiles over its base.  (The
// pictures themselves, put together from the atlas's files, are compared
// with the renderer's at hours and at the default places by
// check_atlas_pictures.py.)
#include "atlas/atlas_plan.h"

#include <gtest/gtest.h>

#include <set>

#include "demo/demo_disks.h"
#include "map/map_table.h"
#include "run/render_steps.h"
#include "support/temp_dir.h"

namespace {

struct demo_set {
  temp_dir dir;
  options opts;
  std::vector<category_data> categories;

  demo_set() {
    demo::write_demo_disks(dir.path.string(), 2);
    for (int slot = 0; slot < disk_image_count; ++slot) paths[slot] = dir.file(default_disk_images[slot]);
    for (int slot = 0; slot < disk_image_count; ++slot) opts.disk_images[slot] = paths[slot].c_str();
    run_disks disks;
    for (int c = 0; c < 4; ++c) {
      category_data& data = categories.emplace_back();
      data.category = c;
      EXPECT_EQ(read_category(opts, c, data.maps, data.npcs, standard_sink(), disks), 0);
      data.default_npcs = data.npcs;
      copy_default_places(data.default_npcs);
    }
  }
  std::array<std::string, disk_image_count> paths;
};

}  // namespace

TEST(AtlasPlan, EachPieceIsKeptOnceAndOnlyChangedRowsAreBanded) {
  const demo_set demo;
  atlas_plan plan;
  plan_atlas(demo.categories, 0, 0, plan);

  std::set<std::array<std::uint16_t, map_bytes>> pictures;
  std::set<std::vector<std::uint16_t>> pieces;
  std::size_t views = 0;  // the pictures distinct within their map
  for (const atlas_piece& piece : plan.pieces) {
    const auto& tiles = plan.maps[static_cast<std::size_t>(piece.map)].scenes[static_cast<std::size_t>(piece.time)].tiles;
    std::vector<std::uint16_t> key{static_cast<std::uint16_t>(piece.first_row)};
    key.insert(key.end(), tiles.begin() + piece.first_row * 32, tiles.begin() + (piece.first_row + piece.row_count) * 32);
    EXPECT_TRUE(pieces.insert(key).second) << plan.maps[static_cast<std::size_t>(piece.map)].stem << " piece " << piece.position << " is stored twice";
  }
  // One file for each map that first shows a piece, holding those pieces
  // in the order they were planned; each piece in exactly one place.
  std::set<std::string> paths;
  std::size_t filed = 0;
  for (std::size_t f = 0; f < plan.files.size(); ++f) {
    const atlas_file& file = plan.files[f];
    ASSERT_FALSE(file.pieces.empty()) << file.path;
    const atlas_map& owner = plan.maps[static_cast<std::size_t>(plan.pieces[static_cast<std::size_t>(file.pieces[0])].map)];
    EXPECT_EQ(file.path, "pictures/" + owner.stem + ".js");
    EXPECT_TRUE(paths.insert(file.path).second) << file.path;
    for (std::size_t i = 0; i < file.pieces.size(); ++i) {
      const atlas_piece& piece = plan.pieces[static_cast<std::size_t>(file.pieces[i])];
      EXPECT_EQ(plan.maps[static_cast<std::size_t>(piece.map)].stem, owner.stem);
      EXPECT_EQ(piece.file, static_cast<int>(f));
      EXPECT_EQ(piece.position, static_cast<int>(i));
      if (i > 0) {
        EXPECT_GT(file.pieces[i], file.pieces[i - 1]);
      }
    }
    filed += file.pieces.size();
  }
  EXPECT_EQ(filed, plan.pieces.size());
  EXPECT_LE(plan.files.size(), plan.maps.size());
  for (const atlas_map& m : plan.maps) {
    std::set<std::array<std::uint16_t, map_bytes>> in_map;
    for (int t = 0; t < time_settings; ++t) {
      const map_scene& scene = m.scenes[static_cast<std::size_t>(t)];
      pictures.insert(scene.tiles);
      in_map.insert(scene.tiles);
      const atlas_view& view = m.views[static_cast<std::size_t>(t)];
      const atlas_piece& base = plan.pieces[static_cast<std::size_t>(view.base)];
      ASSERT_EQ(base.row_count, 32);
      auto shown = plan.maps[static_cast<std::size_t>(base.map)].scenes[static_cast<std::size_t>(base.time)].tiles;
      int next_free_row = 0;
      for (int b : view.bands) {
        const atlas_piece& band = plan.pieces[static_cast<std::size_t>(b)];
        EXPECT_GE(band.first_row, next_free_row) << "bands overlap or are out of order";
        next_free_row = band.first_row + band.row_count;
        const auto& from = plan.maps[static_cast<std::size_t>(band.map)].scenes[static_cast<std::size_t>(band.time)].tiles;
        for (int row = band.first_row; row < next_free_row; ++row) {
          EXPECT_FALSE(std::equal(from.begin() + row * 32, from.begin() + row * 32 + 32, shown.begin() + row * 32))
              << m.stem << " at " << time_setting_name(t) << ": row " << row << " is banded unchanged";
          std::copy(from.begin() + row * 32, from.begin() + row * 32 + 32, shown.begin() + row * 32);
        }
      }
      EXPECT_TRUE(shown == scene.tiles) << m.stem << " at " << time_setting_name(t);
    }
    views += in_map.size();
  }
  EXPECT_EQ(plan.distinct_pictures, static_cast<int>(pictures.size()));
  // A few floors of the dwellings look alike: fewer pictures than views.
  EXPECT_EQ(plan.distinct_views, static_cast<int>(views));
  EXPECT_LT(plan.distinct_pictures, plan.distinct_views);
}
