#include "demo/npc_plans.h"

#include <cstdlib>
#include <utility>

#include "demo/tile_names.h"

namespace demo {

namespace {

// A place on one floor of the location.
struct spot {
  place at{};
  std::uint8_t floor = 0;
  bool found = false;
};

// Places of one kind, shuffled, handed out in turn; once all are handed
// out they are handed out again from the start.
struct spot_pool {
  std::vector<spot> spots;
  std::size_t next = 0;
};

spot take(spot_pool& pool) {
  if (pool.spots.empty()) return {};
  return pool.spots[pool.next++ % pool.spots.size()];
}

// The next place of the pool on floor `floor`, if there is one.
spot take_on(spot_pool& pool, std::uint8_t floor) {
  for (std::size_t n = 0; n < pool.spots.size(); ++n) {
    const spot s = take(pool);
    if (s.floor == floor) return s;
  }
  return {};
}

// The first of the spots that was found.
spot first_found(std::initializer_list<spot> choices) {
  for (const spot& s : choices)
    if (s.found) return s;
  return {};
}

struct pools {
  spot_pool beds, seats, counters, thrones, cushions, streets, floors, grounds, fields, waters, deeps;
};

void add(spot_pool& pool, const std::vector<place>& places, std::uint8_t floor) {
  for (const place& p : places) pool.spots.push_back({p, floor, true});
}

void shuffle(spot_pool& pool, demo_random& rng) {
  for (std::size_t i = pool.spots.size(); i > 1; --i)
    std::swap(pool.spots[i - 1], pool.spots[static_cast<std::size_t>(random_below(rng, static_cast<int>(i)))]);
}

pools gather(const std::vector<floor_map>& maps, demo_random& rng) {
  pools p;
  for (const floor_map& m : maps) {
    const map_places found = find_places(m.grid);
    add(p.beds, found.beds, m.floor);
    add(p.seats, found.seats, m.floor);
    add(p.counters, found.counters, m.floor);
    add(p.thrones, found.thrones, m.floor);
    add(p.cushions, found.cushions, m.floor);
    add(p.streets, found.streets, m.floor);
    add(p.floors, found.floors, m.floor);
    add(p.grounds, found.grounds, m.floor);
    add(p.fields, found.fields, m.floor);
    add(p.waters, found.waters, m.floor);
    add(p.deeps, found.deeps, m.floor);
  }
  for (spot_pool* pool : {&p.beds, &p.seats, &p.counters, &p.thrones, &p.cushions, &p.streets, &p.floors,
                          &p.grounds, &p.fields, &p.waters, &p.deeps})
    shuffle(*pool, rng);
  return p;
}

// One NPC's day: slot 0 from hours[0] to hours[1], slot 2 from hours[2]
// to hours[3], slot 1 otherwise.
struct npc_day {
  std::uint8_t shape = 0;
  spot where[3];
  std::uint8_t hours[4] = {0, 0, 0, 0};
  int default_slot = 1;
  std::uint8_t default_shape = 0;  // 0: the same shape
};

// Night and working hours, all of them hours the game's schedules know.
constexpr std::uint8_t nights[][2] = {{21, 5}, {23, 6}, {19, 7}, {21, 7}, {23, 5}, {0, 6}};
constexpr std::uint8_t workdays[][2] = {{9, 17}, {7, 15}, {11, 19}, {9, 13}, {12, 18}, {13, 21}};

npc_day day_of(std::uint8_t shape, spot night, spot other, spot work, demo_random& rng) {
  npc_day d;
  d.shape = shape;
  d.where[0] = night;
  d.where[1] = other;
  d.where[2] = work;
  const auto& n = nights[random_below(rng, 6)];
  const auto& w = workdays[random_below(rng, 6)];
  d.hours[0] = n[0];
  d.hours[1] = n[1];
  d.hours[2] = w[0];
  d.hours[3] = w[1];
  return d;
}

// A person of `kind` (the first shape of the four) in a random colour.
std::uint8_t dressed(std::uint8_t kind, demo_random& rng) {
  return static_cast<std::uint8_t>(kind + random_below(rng, 4));
}

// The people who live in beds, by theme.
std::uint8_t resident_kind(theme kind, int i) {
  static constexpr std::uint8_t town[] = {peasant, lady, bard, farmer, sailor, child, jester, beggar};
  static constexpr std::uint8_t castle[] = {noble, lady, mage, soldier, bard, jester, peasant, priest};
  static constexpr std::uint8_t tower[] = {mage, sailor, lady, peasant};
  static constexpr std::uint8_t hut[] = {farmer, lady, child, beggar};
  switch (kind) {
    case theme::castle: return castle[i % 8];
    case theme::tower: return tower[i % 4];
    case theme::hut: return hut[i % 4];
    default: return town[i % 8];
  }
}

// The place of the first tile `tile` of the maps, if any.
spot find_tile(const std::vector<floor_map>& maps, std::uint8_t tile) {
  for (const floor_map& m : maps)
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x)
        if (tile_at(m.grid, x, y) == tile) return {{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y)}, m.floor, true};
  return {};
}

void people(std::vector<npc_day>& npcs, pools& p, theme kind, demo_random& rng) {
  for (int i = 0; i < 2; ++i) {
    const spot throne_spot = take_on(p.thrones, 0);
    if (!throne_spot.found || i >= static_cast<int>(p.thrones.spots.size())) break;
    npc_day royal = day_of(i == 0 ? noble + 3 : lady + 2, take(p.beds), first_found({take(p.seats), take(p.floors)}),
                           throne_spot, rng);
    royal.hours[2] = 9;
    royal.hours[3] = 17;
    npcs.push_back(royal);
  }
  // A keeper for each counter row (rows lie apart): open from 7 or 9 till
  // 19 or 17.
  std::vector<spot> keepers;
  for (const spot& s : p.counters.spots) {
    bool apart = keepers.size() < 4;
    for (const spot& k : keepers)
      if (k.floor == s.floor && std::abs(k.at.x - s.at.x) < 5 && std::abs(k.at.y - s.at.y) < 5) apart = false;
    if (!apart) continue;
    keepers.push_back(s);
    npc_day d = day_of(dressed(merchant, rng), take(p.beds), first_found({take(p.seats), take(p.floors)}), s, rng);
    d.hours[2] = keepers.size() % 2 ? 9 : 7;
    d.hours[3] = keepers.size() % 2 ? 17 : 19;
    npcs.push_back(d);
  }
  if (!p.cushions.spots.empty()) {
    // Two places of one pool are taken in statements of their own (the
    // order in which a call's arguments are evaluated is the compiler's
    // choice), the work place first, as the demo set has always had it.
    const spot work = take(p.cushions);
    const spot idle = take(p.cushions);
    npc_day priest_day = day_of(dressed(priest, rng), take(p.beds), idle, work, rng);
    priest_day.default_slot = 2;
    npcs.push_back(priest_day);
  }
  // One sleeper a bed: the beds left after the keepers, priest and royals.
  const int free_beds = static_cast<int>(p.beds.spots.size()) - static_cast<int>(p.beds.next);
  const int residents = free_beds < 14 ? free_beds : 14;
  for (int i = 0; i < residents; ++i) {
    const std::uint8_t who = dressed(resident_kind(kind, i), rng);
    const spot work = who >= farmer && who < farmer + 4 ? first_found({take(p.fields), take(p.grounds)})
                                                       : first_found({take(p.seats), take(p.streets), take(p.floors)});
    const spot idle = first_found({take(p.streets), take(p.grounds), take(p.floors)});
    npc_day d = day_of(who, take(p.beds), idle, work, rng);
    if (i % 3 == 2) d.default_slot = 2;
    npcs.push_back(d);
  }
}

void guards_and_beasts(std::vector<npc_day>& npcs, pools& p, theme kind, const std::vector<floor_map>& maps,
                       demo_random& rng) {
  if (kind == theme::town || kind == theme::castle) {
    for (int i = 0; i < 3; ++i) {
      const spot post = first_found({take(p.streets), take(p.grounds)});
      const spot work = first_found({take(p.streets), take(p.grounds)});
      const spot idle = first_found({take(p.streets), take(p.floors)});
      npc_day d = day_of(dressed(guard, rng), post, idle, work, rng);
      d.default_shape = static_cast<std::uint8_t>(soldier + (d.shape & 3));
      npcs.push_back(d);
    }
  }
  const std::uint8_t beasts[4][3] = {{dog, cat, chicken}, {horse, dog, cat}, {sheep, chicken, cat}, {cow, sheep, chicken}};
  for (std::uint8_t who : beasts[static_cast<int>(kind)]) {
    const spot s = first_found({take(p.grounds), take(p.fields), take(p.streets)});
    npcs.push_back(day_of(who, s, s, s, rng));  // stays put all day
  }
  for (int i = 0; i < 2; ++i) {
    const spot near = take(p.waters);
    if (!near.found) break;
    const spot work = take(p.waters);
    const spot idle = take(p.waters);
    npcs.push_back(day_of(static_cast<std::uint8_t>(kind == theme::hut ? +duck : rowboat + i), near, idle, work, rng));
  }
  const spot deep = take(p.deeps);
  if (deep.found) npcs.push_back(day_of(static_cast<std::uint8_t>(sea_serpent + random_below(rng, 4)), deep, take(p.deeps), deep, rng));
  // Down in the dungeon.
  for (std::uint8_t who : {rat, skeleton, slime, rat, bat}) {
    const spot s = take_on(p.floors, basement_floor);
    if (!s.found) break;
    npcs.push_back(day_of(who, s, take_on(p.floors, basement_floor), s, rng));
  }
  // Meetings the renderer must sort out: a child runs to where the first
  // resident idles, and a cat sleeps on a table by day.
  if (!npcs.empty()) {
    const npc_day first = npcs.front();
    npcs.push_back(day_of(dressed(child, rng), take(p.beds), first.where[1], take(p.grounds), rng));
    npcs.back().hours[0] = first.hours[0];
    npcs.back().hours[1] = first.hours[1];
    npcs.back().hours[2] = first.hours[2];
    npcs.back().hours[3] = first.hours[3];
  }
  const spot table = find_tile(maps, table_top);
  if (table.found) {
    const spot idle = take(p.floors);
    const spot night = take(p.floors);
    npcs.push_back(day_of(cat, night, idle, table, rng));
  }
}

void write(location_view block, int k, const npc_day& d) {
  block.shape(k) = d.shape;
  for (int s = 0; s < schedule_slots; ++s) {
    const spot& w = d.where[s].found ? d.where[s] : d.where[1];
    block.mode(k, s) = static_cast<std::uint8_t>(s == 0 ? 1 : s == 2 ? 3 : (d.shape & 7));
    block.x(k, s) = w.at.x;
    block.y(k, s) = w.at.y;
    block.floor(k, s) = w.floor;
  }
  for (int i = 0; i < 4; ++i) block.hours(k, i) = d.hours[i];
  const spot& home = d.where[d.default_slot].found ? d.where[d.default_slot] : d.where[1];
  block.default_shape(k) = d.default_shape != 0 ? d.default_shape : d.shape;
  block.default_x(k) = home.at.x;
  block.default_y(k) = home.at.y;
  block.default_floor(k) = home.floor;
  block.default_hour(k) = 9;
  block.extra_a(k) = static_cast<std::uint8_t>(k);
  block.extra_b(k) = static_cast<std::uint8_t>(0x80 | k);
}

}  // namespace

void plan_npcs(location_view block, const std::vector<floor_map>& maps, theme kind, std::uint32_t seed) {
  for (auto& b : block.bytes) b = 0;
  demo_random rng{seed};
  pools p = gather(maps, rng);
  std::vector<npc_day> npcs;
  people(npcs, p, kind, rng);
  // Keep room for the guards, beasts and the two meetings.
  if (npcs.size() > 20) npcs.resize(20);
  guards_and_beasts(npcs, p, kind, maps, rng);
  int k = 0;
  for (const npc_day& d : npcs) {
    if (k == npcs_per_location) break;
    if (!d.where[1].found) continue;
    write(block, k++, d);
  }
}

}  // namespace demo
