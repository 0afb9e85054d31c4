#include "map/placement_report.h"

#include <cstdio>

namespace {

void append(std::string& out, const char* format, auto... values) {
  char line[96];
  std::snprintf(line, sizeof line, format, values...);
  out += line;
}

}  // namespace

const char* refusal_words(npc_refusal refusal) {
  switch (refusal) {
    case npc_refusal::cell_taken: return "multi NPCs at same location";
    case npc_refusal::cannot_stand: return "can't locate here";
    default: return "";
  }
}

std::string placement_lines(const map_placement& placement) {
  std::string out;
  for (const npc_outcome& o : placement.npcs) {
    if (o.refusal == npc_refusal::none) continue;
    append(out, "(%02X,%02X,%02X) = %02X(%02X)", o.x, o.y, o.floor, o.shape, o.mode);
    if (o.slot != 1) append(out, " %02d-%02d", o.first_hour, o.last_hour);
    append(out, " ... %s\n", refusal_words(o.refusal));
  }
  for (const npc_outcome& o : placement.npcs) {
    if (o.fate == npc_fate::relocated) {
      append(out, "[%02X] %02X (%02X, %02X) -> (%02X, %02X)\n", o.index, o.shape, o.x, o.y, o.to_x, o.to_y);
    } else if (o.fate == npc_fate::lost) {
      append(out, "[%02X] %02X (%02X, %02X) ... can't locate\n", o.index, o.shape, o.x, o.y);
    }
  }
  return out;
}
