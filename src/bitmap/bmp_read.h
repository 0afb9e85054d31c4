// Reading a Windows BMP file: the kind of file the writer produces (40-byte
// info header, one plane, no compression, 1/4/8/16/24/32 bits, colour table
// right after the header and rows right after the table).  Every message
// goes to standard output.
#pragma once

#include <cstdint>
#include <cstdio>

#include "bitmap/bmp_format.h"
#include "common/buffer.h"

// Reads a whole BMP from `stream` (positioned at its start).  The pixel
// buffer (rows from the top, (bit_count + 7) / 8 bytes per pixel, one byte
// per pixel for 1/4/8 bits) and, for 1/4/8 bits, the colour table are
// stored into `pixels` and `palette` as soon as they are allocated, so the
// caller owns them on every path.  0; -1 when the header is refused or the
// table or the rows cannot be read; -2 when memory runs out.
int read_bitmap(std::FILE* stream, bitmap_header& header, palette_buffer& palette,
                byte_buffer& pixels);

// Reads the 54 header bytes and checks them: the result of
// check_bitmap_header, or -1 when they cannot be read or lack "BM".
int read_bitmap_header(std::FILE* stream, bitmap_header& header);

// Tests the header's sizes against each other: the number of warnings
// printed (0 to 2), or -1 when the header is refused.  A zero data_length
// is corrected.
int check_bitmap_header(bitmap_header& header);

// Reads `count` (1 to 256) colour-table entries in one read.  0 or -1.
int read_palette(std::FILE* stream, std::uint32_t* palette, int count);
