// atlas.json read back with nlohmann-json: the fields of a map, its NPCs'
// schedules and, at each time setting, what became of every NPC.
#include "atlas/atlas_json.h"

#include <gtest/gtest.h>

#include <set>

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

constexpr std::uint8_t floor_tile = 0x04;  // any person may stand here
constexpr std::uint8_t wall_tile = 0x00;   // nobody may

// Towne map 2 is Lorhaven's ground floor, location 1, floor code 0.  On it:
// NPC 0 stands at (5, 6) all day; NPC 1 wants that cell from 9 to 17 and is
// moved left, and stands at (5, 20) otherwise; NPC 2 has no shape but a
// default place; NPC 3 is on the floor above; NPC 4 is walled in at
// (20, 20); NPC 5 has neither shape nor default shape.
category_data lorhaven() {
  category_data data;
  data.category = 3;
  data.maps.fill(floor_tile);
  for (int y = 19; y <= 21; ++y)
    for (int x = 19; x <= 21; ++x) data.maps[2 * map_bytes + static_cast<std::size_t>(y * 32 + x)] = wall_tile;
  const location_view v = location_block(data.npcs, 1);
  auto put = [&](int k, int shape, int x, int y, int floor) {
    v.shape(k) = static_cast<std::uint8_t>(shape);
    for (int s = 0; s < schedule_slots; ++s) {
      v.x(k, s) = static_cast<std::uint8_t>(x);
      v.y(k, s) = static_cast<std::uint8_t>(y);
      v.floor(k, s) = static_cast<std::uint8_t>(floor);
      v.mode(k, s) = static_cast<std::uint8_t>(s + 1);
    }
    v.default_shape(k) = static_cast<std::uint8_t>(shape);
    v.default_x(k) = static_cast<std::uint8_t>(x);
    v.default_y(k) = static_cast<std::uint8_t>(y);
    v.default_hour(k) = 9;
  };
  put(0, 0x40, 5, 6, 0);
  put(1, 0x41, 5, 20, 0);
  v.y(1, 2) = 6;
  v.hours(1, 2) = 9;
  v.hours(1, 3) = 17;
  put(2, 0x42, 1, 1, 0);
  v.shape(2) = 0;
  put(3, 0x43, 7, 7, 1);
  put(4, 0x44, 20, 20, 0);
  data.default_npcs = data.npcs;
  copy_default_places(data.default_npcs);
  return data;
}

json atlas_of(const std::vector<category_data>& categories, const options& opts,
              const std::vector<disk_reading>& disks = {}) {
  atlas_plan plan;
  plan_atlas(categories, opts.no_npcs, opts.no_change_pose, plan);
  const std::string text = atlas_json(plan, categories, opts, {896, 1024, 28, 32, 4}, "qz-atlas 1.0", disks);
  EXPECT_EQ(text.back(), '\n');
  return json::parse(text);
}

const json& npc_at(const json& map, const std::string& time, int index) {
  for (const json& n : map["times"][time]["npcs"])
    if (n["index"] == index) return n;
  throw std::runtime_error("no NPC " + std::to_string(index));
}

}  // namespace

TEST(AtlasJson, MapsNpcsAndTheirFates) {
  disk_reading program, towne;
  program.path = "disks/qz-program.woz";
  program.container = disk_container::woz2;
  program.creator = "MAME";
  program.choice = order_choice::physical_sectors;
  towne.path = "qz-towne.po";
  towne.order = sector_order_dos;
  const json atlas = atlas_of({lorhaven()}, options{}, {program, towne});
  EXPECT_EQ(atlas["format"], 3);
  const json disks = json::array(
      {{{"name", "qz-program.woz"}, {"container", "WOZ 2 (MAME)"}, {"order", "DOS 3.3 file order (physical sectors)"}},
       {{"name", "qz-towne.po"}, {"container", "raw"}, {"order", "ProDOS block order (detected)"}}});
  EXPECT_EQ(atlas["disks"], disks);
  EXPECT_EQ(atlas["generator"], "qz-atlas 1.0");
  EXPECT_EQ(atlas["categories"], json::array({"towne"}));
  EXPECT_EQ(atlas["times"].size(), 25u);
  EXPECT_EQ(atlas["times"][24], "default");
  EXPECT_EQ(atlas["options"]["shape_bitmap"], nullptr);
  ASSERT_EQ(atlas["maps"].size(), 16u);

  const json& m = atlas["maps"][2];
  EXPECT_EQ(m["stem"], "qz.Lorhaven.1F");
  EXPECT_EQ(m["category"], "towne");
  EXPECT_EQ(m["index"], 2);
  EXPECT_EQ(m["location"], 1);
  EXPECT_EQ(m["name"], "Lorhaven");
  EXPECT_EQ(m["floor_label"], "1F");
  EXPECT_EQ(m["tiles"][20 * 32 + 20], wall_tile);
  EXPECT_EQ(m["tiles"][0], floor_tile);

  // Listed: every NPC with a shape or a default shape, in index order.
  ASSERT_EQ(m["npcs"].size(), 5u);
  const json& mover = m["npcs"][1];
  EXPECT_EQ(mover["index"], 1);
  EXPECT_EQ(mover["shape"], 0x41);
  EXPECT_EQ(mover["hours"], json::array({0, 0, 9, 17}));
  EXPECT_EQ(mover["slots"][2], (json{{"x", 5}, {"y", 6}, {"floor", 0}, {"mode", 3}}));
  EXPECT_EQ(mover["default"], (json{{"shape", 0x41}, {"x", 5}, {"y", 20}, {"floor", 0}, {"hour", 9}}));
  EXPECT_EQ(m["npcs"][2]["shape"], 0);

  const json& moved = npc_at(m, "12", 1);
  EXPECT_EQ(moved["slot"], 2);
  EXPECT_EQ(moved["fate"], "relocated");
  EXPECT_EQ(moved["reason"], "multi NPCs at same location");
  EXPECT_EQ(moved["to"], json::array({4, 6}));
  EXPECT_EQ(moved["tile"], 0x141);  // tile 256 + shape: standing on a plain floor
  EXPECT_EQ(npc_at(m, "12", 0)["fate"], "placed");
  EXPECT_EQ(npc_at(m, "12", 0)["to"], nullptr);
  EXPECT_EQ(npc_at(m, "12", 0)["tile"], 0x140);
  EXPECT_EQ(npc_at(m, "17", 1)["fate"], "placed");
  EXPECT_EQ(npc_at(m, "17", 1)["slot"], 1);
  EXPECT_EQ(npc_at(m, "17", 1)["y"], 20);
  EXPECT_EQ(npc_at(m, "12", 2)["fate"], "absent");
  EXPECT_EQ(npc_at(m, "12", 2)["tile"], nullptr);
  EXPECT_EQ(npc_at(m, "12", 3)["fate"], "other floor");
  const json& walled = npc_at(m, "12", 4);
  EXPECT_EQ(walled["fate"], "not placed");
  EXPECT_EQ(walled["reason"], "can't locate here");
  EXPECT_EQ(walled["tile"], nullptr);
  // The placement lines, and whom each is about: the refused in index
  // order, then each one's second line.
  EXPECT_EQ(m["times"]["12"]["lines"],
            "(05,06,00) = 41(03) 09-17 ... multi NPCs at same location\n"
            "(14,14,00) = 44(02) ... can't locate here\n"
            "[01] 41 (05, 06) -> (04, 06)\n"
            "[04] 44 (14, 14) ... can't locate\n");
  EXPECT_EQ(m["times"]["12"]["line_npcs"], json::array({1, 4, 1, 4}));
  EXPECT_EQ(m["times"]["17"]["line_npcs"], json::array({4, 4}));

  // At the default setting every NPC stands at its default place.
  EXPECT_EQ(npc_at(m, "default", 2)["shape"], 0x42);
  EXPECT_EQ(npc_at(m, "default", 2)["fate"], "placed");
  EXPECT_EQ(npc_at(m, "default", 1)["slot"], 1);
  EXPECT_EQ(npc_at(m, "default", 1)["y"], 20);

  // Pictures: one base for the map, bands of whole tile rows over it (in
  // pixels), each piece found in the map's own picture file.  (Bands in
  // order and of changed rows only: atlas_plan_test.cpp; the pieces of a
  // file listed in order: atlas_run_test.cpp.)
  const json& pieces = atlas["pieces"];
  const int base = m["times"]["12"]["picture"][0];
  EXPECT_EQ(pieces[base], (json{{"file", "pictures/qz.Lorhaven.1F.js"}, {"position", 0}, {"y", 0}, {"height", 1024}}));
  std::set<int> banded_rows;
  for (const json& t : m["times"]) {
    EXPECT_EQ(t["picture"][0], base);
    for (std::size_t i = 1; i < t["picture"].size(); ++i) {
      const json& band = pieces[t["picture"][i].get<int>()];
      const int y = band["y"], height = band["height"];
      EXPECT_TRUE(y % 32 == 0 && height % 32 == 0 && height > 0) << band;
      for (int row = y / 32; row < (y + height) / 32; ++row) banded_rows.insert(row);
    }
  }
  // NPC 1 moves between rows 6 and 20; at the default places NPC 2
  // stands at row 1 and NPC 3 comes down to row 7.
  EXPECT_EQ(banded_rows, (std::set<int>{1, 6, 7, 20}));
}

TEST(AtlasJson, FactsThePageReads) {
  category_data keep = lorhaven();
  keep.category = 2;
  const json atlas = atlas_of({keep, lorhaven()}, options{});
  EXPECT_EQ(atlas["default_time"], "12");
  EXPECT_EQ(atlas["night_times"], json::array({"0", "1", "2", "3", "4", "20", "21", "22", "23"}));
  EXPECT_EQ(atlas["floor_labels"], (json{{"255", "B1F"}, {"0", "1F"}, {"1", "2F"}, {"2", "3F"}, {"3", "4F"}}));
  // The locations, each with its maps from the lowest floor up (the
  // basement first) by their place in "maps".
  const json& locations = atlas["locations"];
  ASSERT_EQ(locations.size(), 16u);  // two categories of 8
  for (const json& l : locations) {
    int lowest = -2;
    for (const json& index : l["maps"]) {
      const json& m = atlas["maps"][index.get<int>()];
      EXPECT_EQ(m["location"], l["location"]);
      EXPECT_EQ(m["category"], l["category"]);
      EXPECT_EQ(m["name"], l["name"]);
      const int floor = m["floor"] == 255 ? -1 : m["floor"].get<int>();
      EXPECT_GT(floor, lowest);
      lowest = floor;
    }
  }
  EXPECT_EQ(locations[1]["category"], "keep");
  EXPECT_EQ(locations[1]["location"], 1);
  EXPECT_EQ(locations[9]["category"], "towne");
  EXPECT_EQ(locations[9]["name"], "Lorhaven");
  std::size_t listed = 0;
  for (const json& l : locations) listed += l["maps"].size();
  EXPECT_EQ(listed, atlas["maps"].size());
}

TEST(AtlasJson, WithoutNpcsEveryOneIsNotDrawn) {
  options opts;
  opts.no_npcs = 1;
  const json atlas = atlas_of({lorhaven()}, opts);
  EXPECT_EQ(atlas["options"]["no_npcs"], true);
  for (const json& n : atlas["maps"][2]["times"]["12"]["npcs"]) {
    EXPECT_EQ(n["fate"], "not drawn");
    EXPECT_EQ(n["tile"], nullptr);
  }
  EXPECT_EQ(atlas["maps"][2]["times"]["12"]["lines"], "");
}

namespace {

// The JSON text a single-quoted script string holds: "\\x" stands for x.
std::string script_string(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\') ++i;
    else if (text[i] == '\'') ADD_FAILURE() << "an apostrophe ends the string early at " << i;
    if (i < text.size()) out += text[i];
  }
  return out;
}

}  // namespace

TEST(AtlasJson, DataScriptHoldsTheJsonAsAString) {
  const std::string json = "{\"name\":\"Dravik's \\\"Palace\\\"\",\"lines\":\"a\\nb\\u2028\"}\n";
  const std::string script = atlas_data_script(json);
  const std::string head = "window.QZ_ATLAS = JSON.parse('", tail = "');\n";
  ASSERT_EQ(script.rfind(head, 0), 0u);
  ASSERT_EQ(script.substr(script.size() - tail.size()), tail);
  const std::string held = script_string(std::string_view(script).substr(head.size(), script.size() - head.size() - tail.size()));
  EXPECT_EQ(held + "\n", json);
  EXPECT_EQ(json::parse(held)["name"], "Dravik's \"Palace\"");
  EXPECT_EQ(script.find('\n'), script.size() - 1);
}

TEST(AtlasJson, TextIsAlwaysValidJson) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain.bmp", "plain.bmp"},
      {"a\"b\\c", "a\"b\\c"},
      {"tab\there\nline", "tab\there\nline"},
      {"caf\xc3\xa9", "caf\xc3\xa9"},
      {"bad\xff\xc3", "bad\xef\xbf\xbd\xef\xbf\xbd"},
      {"\xe2\x80\xa8", "\xe2\x80\xa8"},
      {"over\xc0\xaflong", "over\xef\xbf\xbd\xef\xbf\xbdlong"},
  };
  for (const auto& [text, decoded] : cases) {
    std::string out;
    append_json_string(out, text);
    EXPECT_EQ(json::parse(out), decoded) << out;
    EXPECT_EQ(out.find('\n'), std::string::npos);
    EXPECT_EQ(out.find("\xe2\x80\xa8"), std::string::npos);
  }
}
