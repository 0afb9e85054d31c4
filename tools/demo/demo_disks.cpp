#include "demo/demo_disks.h"

#include <stdexcept>
#include <vector>

#include "demo/map_templates.h"
#include "demo/npc_plans.h"
#include "demo/tile_art.h"
#include "common/file_handle.h"
#include "disk/disk_image_write.h"
#include "disk/prodos_write.h"
#include "map/category_write.h"
#include "map/map_table.h"
#include "run/options.h"

namespace demo {

namespace {

// Which kind of place location L of category c is.
theme theme_of(int c, int L) {
  switch (c) {
    case 0: return L < 2 ? theme::castle : theme::town;
    case 1: return L < 4 ? theme::tower : theme::hut;
    case 2: return L >= 5 ? theme::castle : theme::town;
    default: return theme::town;
  }
}

// The blocks of a town, varied by location.
town_plan town_of(std::uint32_t seed) {
  using b = building;
  static constexpr building layouts[6][4] = {
      {b::inn, b::shop, b::house, b::chapel}, {b::house, b::inn, b::shop, b::garden},
      {b::shop, b::smithy, b::inn, b::house}, {b::inn, b::house, b::garden, b::shop},
      {b::house, b::shop, b::chapel, b::inn}, {b::smithy, b::inn, b::shop, b::house}};
  const auto& l = layouts[seed % 6];
  return {seed, {l[0], l[1], l[2], l[3]}, seed % 3 != 1};
}

map_grid location_map(int c, int L, std::uint8_t floor) {
  const std::uint32_t seed = static_cast<std::uint32_t>(1000 + 97 * c + 13 * L);
  const int level = floor == basement_floor ? -1 : floor;
  switch (theme_of(c, L)) {
    case theme::castle: return castle_map(seed, level);
    case theme::tower: return tower_map(seed, level);
    case theme::hut: return hut_map(seed);
    default: return level < 0 ? castle_map(seed, -1) : town_map(town_of(seed), level);
  }
}

void write_disk(const std::string& path, const bytes& image) {
  if (write_whole_file(path.c_str(), image) < 0) throw std::runtime_error("cannot write " + path);
}

}  // namespace

bytes program_disk(std::int32_t sector_order) {
  const shapes_file shapes = make_shapes_file();
  prodos_builder volume = prodos_format("QZ.PROGRAM");
  prodos_add_file(volume, "SHAPES", bytes(shapes.begin(), shapes.end()));
  if (!volume.error.empty()) throw std::runtime_error(volume.error);
  return prodos_image(volume, sector_order);
}

void category_contents(int c, map_data& maps, npc_data& npcs) {
  for (int L = 0; L < locations_per_category; ++L) {
    std::vector<floor_map> floors;
    for (int j = 0; j < maps_per_category; ++j) {
      const map_table_entry& e = map_table[static_cast<std::size_t>(c)][static_cast<std::size_t>(j)];
      if (e.location != L) continue;
      floors.push_back({e.floor, location_map(c, L, e.floor)});
      const map_grid& g = floors.back().grid;
      std::copy(g.cells.begin(), g.cells.end(), maps.begin() + static_cast<std::ptrdiff_t>(map_bytes * static_cast<std::size_t>(j)));
    }
    plan_npcs(location_block(npcs, L), floors, theme_of(c, L), static_cast<std::uint32_t>(7 + 31 * c + L));
  }
}

void write_demo_disks(const std::string& folder, std::int32_t sector_order) {
  write_disk(folder + "/" + default_disk_images[0], program_disk(sector_order));
  for (int c = 0; c < category_count; ++c) {
    map_data maps{};
    npc_data npcs{};
    category_contents(c, maps, npcs);
    write_disk(folder + "/" + default_disk_images[static_cast<std::size_t>(c) + 1], make_category_disk(maps, npcs, sector_order));
  }
}

bool parse_disk_format(const std::string& name, disk_format& format) {
  static const std::pair<const char*, disk_format> names[] = {{"dsk", disk_format::dsk},
                                                              {"po", disk_format::po},
                                                              {"2mg", disk_format::two_img},
                                                              {"nib", disk_format::nib},
                                                              {"woz", disk_format::woz}};
  for (const auto& [text, f] : names) {
    if (name == text) {
      format = f;
      return true;
    }
  }
  return false;
}

std::string disk_file_name(int disk, disk_format format) {
  static const char* const extensions[] = {".dsk", ".po", ".2mg", ".nib", ".woz"};
  std::string name = default_disk_images[static_cast<std::size_t>(disk)];
  return name.substr(0, name.rfind('.')) + extensions[static_cast<int>(format)];
}

void write_demo_disks(const std::string& folder, disk_format format) {
  for (int disk = 0; disk < disk_image_count; ++disk) {
    // Each disk in DOS 3.3 file order first, then in its container.
    bytes raw;
    if (disk == 0) {
      raw = program_disk(sector_order_prodos);
    } else {
      map_data maps{};
      npc_data npcs{};
      category_contents(disk - 1, maps, npcs);
      raw = make_category_disk(maps, npcs, sector_order_prodos);
    }
    bytes file;
    int result = 0;
    switch (format) {
      case disk_format::dsk: file = raw; break;
      case disk_format::po: result = reorder_raw_image(raw, disk_file_order::dos, disk_file_order::prodos, file); break;
      case disk_format::two_img: result = write_two_img(raw, disk_file_order::dos, 1, file); break;
      case disk_format::nib: result = write_nib(raw, disk_file_order::dos, file); break;
      case disk_format::woz: result = write_woz(raw, disk_file_order::dos, file); break;
    }
    if (result < 0) throw std::runtime_error("cannot make disk " + disk_file_name(disk, format));
    write_disk(folder + "/" + disk_file_name(disk, format), file);
  }
}

}  // namespace demo
