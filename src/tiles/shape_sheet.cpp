// Not yet implemented: loading the sheet from the program disk.
#include "tiles/shape_sheet.h"
int read_shape(const char*, std::int32_t, shape_sheet&, std::int32_t, std::int32_t) { return -1; }
