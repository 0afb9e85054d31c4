// Reading a Windows BMP file: the kind of file the writer produces (40-byte
// info header, one plane, no compression, 1/4/8/16/24/32 bits, colour table
// right after the header and rows right after the table).  Every message
// goes to the console of the sink handed in.
#pragma once

#include <cstdint>
#include <cstdio>

#include "bitmap/bmp_format.h"
#include "common/buffer.h"
#include "common/message_sink.h"

// The largest pixel buffer the reader allocates: 256 MiB.  A header whose
// picture needs more is refused by check_bitmap_header, so a hostile file
// cannot make the program ask for gigabytes.  The largest shape sheet in
// use needs a few MiB.
inline constexpr std::uint32_t bmp_max_pixel_bytes = 0x10000000;

// Reads a whole BMP from `stream` (positioned at its start), strictly in
// sequence: header, colour table, rows; it never seeks.  The pixel buffer
// (rows from the top, (bit_count + 7) / 8 bytes per pixel, one byte per
// pixel for 1/4/8 bits) and, for 1/4/8 bits, the colour table are stored
// into `pixels` and `palette` as soon as they are allocated, so the caller
// owns them on every path.  A picture of zero width or height reads as an
// empty picture (a pixel buffer of no bytes).  0; -1 when the header is
// refused or the table or the rows cannot be read; -2 when memory runs out.
int read_bitmap(std::FILE* stream, bitmap_header& header, palette_buffer& palette,
                byte_buffer& pixels, const message_sink& sink);

// Reads the 54 header bytes and checks them: the result of
// check_bitmap_header, or -1 when they cannot be read or lack "BM".
int read_bitmap_header(std::FILE* stream, bitmap_header& header, const message_sink& sink);

// Tests the header's sizes against each other: the number of warnings
// printed (0 to 2), or -1 when the header is refused.  A zero data_length
// is corrected.  After the size tests it also refuses, with a line of its
// own, a negative width or height (read as signed 32-bit; a negative height
// means rows stored from the top), sizes that overflow 32 bits and pixel
// buffers beyond bmp_max_pixel_bytes; warnings printed before stay printed.
int check_bitmap_header(bitmap_header& header, const message_sink& sink);

// Reads `count` (1 to 256) colour-table entries in one read.  0 or -1.
int read_palette(std::FILE* stream, std::uint32_t* palette, int count);
