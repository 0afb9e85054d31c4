// The console lines that tell where NPCs did not get their scheduled cell.
//
// For every refused NPC, in index order, a line
//   "(XX,YY,FF) = SS(MM) hh-hh ... multi NPCs at same location"   or
//   "(XX,YY,FF) = SS(MM) hh-hh ... can't locate here"
// with the scheduled cell, the map's floor code, the shape and the slot's
// mode in hexadecimal, and the hours of the range that chose slot 0 or 2
// in decimal (none for slot 1); then, again in index order, for each of
// them "[KK] SS (XX, YY) -> (XX, YY)" with the cell it was moved to, or
// "[KK] SS (XX, YY) ... can't locate" when it was not drawn.
#pragma once

#include <string>

#include "map/npc_placement.h"

// The lines for one map, each ending with a newline; empty when every NPC
// of the map's floor stands on its cell.
std::string placement_lines(const map_placement& placement);

// The words a placement line gives for a refusal ("multi NPCs at same
// location", "can't locate here"), or "" for none.
const char* refusal_words(npc_refusal refusal);
