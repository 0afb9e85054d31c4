// Not yet implemented: blur filter.
#include "tiles/blur_filter.h"
void blur_bitmap(bitmap&, std::int32_t, std::int32_t) {}
