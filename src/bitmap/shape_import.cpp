// Not yet implemented: shape sheet from a BMP.
#include "bitmap/shape_import.h"
int read_shape_bitmap(const char*, shape_sheet&, std::int32_t, std::int32_t) { return -1; }
