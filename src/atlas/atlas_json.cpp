#include "atlas/atlas_json.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "map/compose.h"
#include "map/map_table.h"
#include "map/placement_report.h"

namespace {

constexpr const char* category_names[category_count] = {"castle", "dwelling", "keep", "towne"};

// A JSON text built value by value: the commas between the members of an
// object or array are put in as the members come.
struct json_writer {
  std::string out;
  bool first = true;  // nothing yet in the open object or array

  void separate() {
    if (!first) out += ',';
    first = false;
  }
  void open(char bracket) {
    separate();
    out += bracket;
    first = true;
  }
  void close(char bracket) {
    out += bracket;
    first = false;
  }
  // A member's name; its value follows.
  void name(const char* text) {
    separate();
    out += '"';
    out += text;
    out += "\":";
    first = true;
  }
  void number(long value) {
    separate();
    out += std::to_string(value);
  }
  void string(std::string_view text) {
    separate();
    append_json_string(out, text);
  }
  void literal(const char* text) {
    separate();
    out += text;
  }
  void member(const char* key, long value) { name(key), number(value); }
  void member(const char* key, std::string_view text) { name(key), string(text); }
  void member(const char* key, const char* text) { name(key), string(text); }
  void flag(const char* key, bool value) { name(key), literal(value ? "true" : "false"); }
};

// The length of the UTF-8 sequence at the start of `s`, or 0 when it is
// not one (overlong forms, surrogates and values past U+10FFFF included).
std::size_t utf8_length(std::string_view s) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned c = b(0);
  std::size_t n = 0;
  unsigned value = 0;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    value = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    value = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    value = c & 0x07;
  } else {
    return 0;
  }
  if (s.size() < n) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    if ((b(i) & 0xC0) != 0x80) return 0;
    value = value << 6 | (b(i) & 0x3F);
  }
  if ((n == 3 && (value < 0x800 || (value >= 0xD800 && value <= 0xDFFF))) ||
      (n == 4 && (value < 0x10000 || value > 0x10FFFF)))
    return 0;
  return n;
}

const char* fate_name(npc_fate fate) {
  switch (fate) {
    case npc_fate::elsewhere: return "other floor";
    case npc_fate::placed: return "placed";
    case npc_fate::relocated: return "relocated";
    case npc_fate::lost: return "not placed";
    default: return "absent";
  }
}

// The NPC slots a map lists: those with a shape in the schedule or in the
// default record.
std::vector<int> listed_npcs(const_location_view block) {
  std::vector<int> listed;
  for (int k = 0; k < npcs_per_location; ++k)
    if (holds_npc(block.shape(k)) || holds_npc(block.default_shape(k))) listed.push_back(k);
  return listed;
}

void write_schedule(json_writer& w, const_location_view block, int k) {
  w.open('{');
  w.member("index", k);
  w.member("shape", long{block.shape(k)});
  w.name("hours");
  w.open('[');
  for (int i = 0; i < 4; ++i) w.number(block.hours(k, i));
  w.close(']');
  w.name("slots");
  w.open('[');
  for (int s = 0; s < schedule_slots; ++s) {
    w.open('{');
    w.member("x", long{block.x(k, s)});
    w.member("y", long{block.y(k, s)});
    w.member("floor", long{block.floor(k, s)});
    w.member("mode", long{block.mode(k, s)});
    w.close('}');
  }
  w.close(']');
  w.name("default");
  w.open('{');
  w.member("shape", long{block.default_shape(k)});
  w.member("x", long{block.default_x(k)});
  w.member("y", long{block.default_y(k)});
  w.member("floor", long{block.default_floor(k)});
  w.member("hour", long{block.default_hour(k)});
  w.close('}');
  w.close('}');
}

// The index of the NPC each placement line of `scene` is about.  The
// report gives a line for each refused NPC in index order, then a second
// line for each of them in the same order.
std::vector<int> line_npcs(const map_scene& scene) {
  std::vector<int> refused;
  for (const npc_outcome& o : scene.placement.npcs)
    if (o.refusal != npc_refusal::none) refused.push_back(o.index);
  std::vector<int> about = refused;
  about.insert(about.end(), refused.begin(), refused.end());
  return about;
}

// What became of NPC k in `scene`, composed from the NPC table `block` at
// `hour`; `drawn` is false when the atlas draws no NPCs.
void write_outcome(json_writer& w, const_location_view block, int k, std::int32_t hour, const map_scene& scene,
                   bool drawn) {
  const npc_outcome& o = scene.placement.npcs[static_cast<std::size_t>(k)];
  const int slot = schedule_slot(block.hours(k, 0), block.hours(k, 1), block.hours(k, 2), block.hours(k, 3), hour);
  const bool relocated = drawn && o.fate == npc_fate::relocated;
  const bool on_map = drawn && (o.fate == npc_fate::placed || relocated);
  w.open('{');
  w.member("index", k);
  w.member("shape", long{block.shape(k)});
  w.member("slot", slot);
  w.member("x", long{block.x(k, slot)});
  w.member("y", long{block.y(k, slot)});
  w.member("floor", long{block.floor(k, slot)});
  w.member("fate", drawn ? fate_name(o.fate) : "not drawn");
  w.name("reason");
  if (drawn && o.refusal != npc_refusal::none) {
    w.string(refusal_words(o.refusal));
  } else {
    w.literal("null");
  }
  w.name("to");
  if (relocated) {
    w.open('[');
    w.number(o.to_x);
    w.number(o.to_y);
    w.close(']');
  } else {
    w.literal("null");
  }
  w.name("tile");
  if (on_map) {
    const int x = relocated ? o.to_x : o.x;
    const int y = relocated ? o.to_y : o.y;
    w.number(scene.tiles[static_cast<std::size_t>(y * map_side + x)]);
  } else {
    w.literal("null");
  }
  w.close('}');
}

// The pieces of a time setting's picture: the base, then the bands.
void write_picture(json_writer& w, const atlas_view& view) {
  w.name("picture");
  w.open('[');
  w.number(view.base);
  for (int b : view.bands) w.number(b);
  w.close(']');
}

void write_pieces(json_writer& w, const atlas_plan& plan, std::int32_t tile_height) {
  w.name("pieces");
  w.open('[');
  for (const atlas_piece& piece : plan.pieces) {
    w.open('{');
    w.member("file", plan.files[static_cast<std::size_t>(piece.file)].path);
    w.member("position", piece.position);
    w.member("y", long{piece.first_row} * tile_height);
    w.member("height", long{piece.row_count} * tile_height);
    w.close('}');
  }
  w.close(']');
}

constexpr int floor_order(std::uint8_t floor) { return floor == basement_floor ? -1 : floor; }

// The locations of the atlas, category by category, each with its maps
// from the lowest floor up.
void write_locations(json_writer& w, const atlas_plan& plan) {
  w.name("locations");
  w.open('[');
  for (std::size_t first = 0; first < plan.maps.size();) {
    const int category = plan.maps[first].category;
    std::size_t end = first;
    while (end < plan.maps.size() && plan.maps[end].category == category) ++end;
    for (int location = 0; location < locations_per_category; ++location) {
      std::vector<int> maps;
      for (std::size_t m = first; m < end; ++m)
        if (map_table[static_cast<std::size_t>(category)][static_cast<std::size_t>(plan.maps[m].index)].location == location)
          maps.push_back(static_cast<int>(m));
      if (maps.empty()) continue;
      const auto floor_of = [&](int m) {
        return floor_order(map_table[static_cast<std::size_t>(category)][static_cast<std::size_t>(plan.maps[static_cast<std::size_t>(m)].index)].floor);
      };
      std::stable_sort(maps.begin(), maps.end(), [&](int a, int b) { return floor_of(a) < floor_of(b); });
      w.open('{');
      w.member("category", category_names[category]);
      w.member("location", location);
      w.member("name", location_names[static_cast<std::size_t>(category * locations_per_category + location)]);
      w.name("maps");
      w.open('[');
      for (int m : maps) w.number(m);
      w.close(']');
      w.close('}');
    }
    first = end;
  }
  w.close(']');
}

void write_map(json_writer& w, const atlas_map& m, const category_data& data, const options& opts) {
  const map_table_entry entry = map_table[static_cast<std::size_t>(m.category)][static_cast<std::size_t>(m.index)];
  const const_location_view block{location_cells(data.npcs, entry.location)};
  const const_location_view defaults{location_cells(data.default_npcs, entry.location)};
  const std::vector<int> listed = listed_npcs(block);
  w.open('{');
  w.member("stem", m.stem);
  w.member("category", category_names[m.category]);
  w.member("index", m.index);
  w.member("location", entry.location);
  w.member("name", location_names[static_cast<std::size_t>(m.category * locations_per_category + entry.location)]);
  w.member("floor", long{entry.floor});
  w.member("floor_label", floor_label(entry.floor));
  w.name("tiles");
  w.open('[');
  for (std::uint8_t tile : map_cells(data.maps, m.index)) w.number(tile);
  w.close(']');
  w.name("npcs");
  w.open('[');
  for (int k : listed) write_schedule(w, block, k);
  w.close(']');
  w.name("times");
  w.open('{');
  for (int t = 0; t < time_settings; ++t) {
    const bool by_default = t == default_setting;
    const map_scene& scene = m.scenes[static_cast<std::size_t>(t)];
    w.name(time_setting_name(t).c_str());
    w.open('{');
    write_picture(w, m.views[static_cast<std::size_t>(t)]);
    w.name("npcs");
    w.open('[');
    for (int k : listed)
      write_outcome(w, by_default ? defaults : block, k, by_default ? default_placement_hour : t, scene,
                    opts.no_npcs == 0);
    w.close(']');
    w.member("lines", placement_lines(scene.placement));
    w.name("line_npcs");
    w.open('[');
    for (const int k : line_npcs(scene)) w.number(k);
    w.close(']');
    w.close('}');
  }
  w.close('}');
  w.close('}');
}

}  // namespace

void append_json_string(std::string& out, std::string_view text) {
  out += '"';
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text[0]);
    const std::size_t n = utf8_length(text);
    if (n == 0) {
      out += "\\ufffd";
      text.remove_prefix(1);
      continue;
    }
    const bool separator = n == 3 && c == 0xE2 && static_cast<unsigned char>(text[1]) == 0x80 &&
                           (static_cast<unsigned char>(text[2]) & 0xFE) == 0xA8;
    if (separator) {
      out += static_cast<unsigned char>(text[2]) == 0xA8 ? "\\u2028" : "\\u2029";
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out.append(text.substr(0, n));
    }
    text.remove_prefix(n);
  }
  out += '"';
}

std::string atlas_data_script(std::string_view json) {
  if (!json.empty() && json.back() == '\n') json.remove_suffix(1);
  std::string out = "window.QZ_ATLAS = JSON.parse('";
  out.reserve(json.size() + json.size() / 64 + 40);
  for (const char c : json) {
    if (c == '\\' || c == '\'') out += '\\';
    out += c;
  }
  out += "');\n";
  return out;
}

std::string atlas_json(const atlas_plan& plan, const std::vector<category_data>& categories,
                       const options& opts, const atlas_picture_format& picture, const char* generator,
                       const std::vector<disk_reading>& disks) {
  json_writer w;
  w.out.reserve(std::size_t{1} << 20);
  w.open('{');
  w.member("format", 3L);
  w.member("generator", generator);
  w.name("options");
  w.open('{');
  w.member("blur", long{opts.blur_count});
  w.name("shape_bitmap");
  if (opts.use_shape_bitmap != 0) {
    w.string(opts.shape_bitmap);
  } else {
    w.literal("null");
  }
  w.member("sector_order", long{opts.sector_order});
  w.flag("no_npcs", opts.no_npcs != 0);
  w.flag("no_change_pose", opts.no_change_pose != 0);
  w.member("shape_type", long{opts.shape_type});
  w.flag("no_remake_water", opts.no_remake_water != 0);
  w.close('}');
  w.name("disks");
  w.open('[');
  for (const disk_reading& disk : disks) {
    w.open('{');
    const std::size_t slash = disk.path.rfind('/');
    w.member("name", slash == std::string::npos ? disk.path : disk.path.substr(slash + 1));
    w.member("container", container_text(disk));
    w.member("order", order_text(disk));
    w.close('}');
  }
  w.close(']');
  w.name("picture");
  w.open('{');
  w.member("width", long{picture.width});
  w.member("height", long{picture.height});
  w.member("tile_width", long{picture.tile_width});
  w.member("tile_height", long{picture.tile_height});
  w.member("bit_count", long{picture.bit_count});
  w.close('}');
  w.name("times");
  w.open('[');
  for (int t = 0; t < time_settings; ++t) w.string(time_setting_name(t));
  w.close(']');
  w.member("default_time", time_setting_name(options{}.hour));
  w.name("night_times");
  w.open('[');
  for (int t = 0; t < hour_settings; ++t)
    if (is_night(t)) w.string(time_setting_name(t));
  w.close(']');
  w.name("floor_labels");
  w.open('{');
  for (const std::uint8_t floor : {basement_floor, std::uint8_t{0}, std::uint8_t{1}, std::uint8_t{2}, std::uint8_t{3}})
    w.member(std::to_string(floor).c_str(), floor_label(floor));
  w.close('}');
  w.name("categories");
  w.open('[');
  for (const category_data& data : categories) w.string(category_names[data.category]);
  w.close(']');
  write_locations(w, plan);
  write_pieces(w, plan, picture.tile_height);
  w.name("maps");
  w.open('[');
  for (const atlas_map& m : plan.maps) {
    for (const category_data& data : categories)
      if (data.category == m.category) write_map(w, m, data, opts);
  }
  w.close(']');
  w.close('}');
  w.out += '\n';
  return std::move(w.out);
}
