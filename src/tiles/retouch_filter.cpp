// Not yet implemented: retouch filter.
#include "tiles/retouch_filter.h"
double mix_hue(int, int) { return -99.9; }
int retouch_bitmap(bitmap&, std::int32_t, std::int32_t) { return -1; }
