// Not yet implemented: BMP reading.
#include "bitmap/bmp_read.h"
int read_bitmap(std::FILE*, bitmap_header&, palette_buffer&, byte_buffer&) { return -1; }
int read_bitmap_header(std::FILE*, bitmap_header&) { return -1; }
int check_bitmap_header(bitmap_header&) { return -1; }
int read_palette(std::FILE*, std::uint32_t*, int) { return -1; }
