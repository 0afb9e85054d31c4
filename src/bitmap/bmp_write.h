// Writing a picture as a Windows BMP file, with the overwrite question.
// Every message, the question included, goes to the console of the sink
// handed in; the answer is read from standard input.
#pragma once

#include <cstdint>
#include <cstdio>

#include "bitmap/bmp_format.h"
#include "bitmap/image.h"
#include "common/message_sink.h"

// Fills every field of `header` for a picture of the given size and bit
// count.  0, or -1 for a bit count other than 1, 4, 8, 16, 24 and 32.
int create_bitmap_header(bitmap_header& header, std::uint32_t width, std::uint32_t height,
                         std::uint16_t bit_count);

// Writes "BM" and the header fields, 54 bytes in one write.  0 or -1.
int write_bitmap_header(std::FILE* stream, const bitmap_header& header);

// Writes `count` colour-table entries (1 to 256) in one write.  0 or -1
// (also for a count outside 1 to 256, without writing).
int write_palette(std::FILE* stream, const std::uint32_t* palette, int count);

// Writes a whole BMP to `stream`: header, colour table (all-zero entries
// when `palette` is null), then the rows of `pixels` bottom row first.
// 0, or -1 after a message when the header or the colour table cannot be
// written; -1 without a message for an unsupported bit count and when a
// row cannot be written.  The stream is neither flushed nor closed.
int write_bitmap(std::FILE* stream, const bitmap_header& header, const std::uint32_t* palette,
                 const std::uint8_t* pixels, const message_sink& sink);

// Asks "<question> (Y or N): " on the console, flushes it, and reads
// standard input one character at a time until 'y'/'Y' (1) or 'n'/'N' (0).
// Other characters are passed over without asking again; the rest of the
// line stays for the next question.  The end of standard input answers no.
int ask_yes_no(const char* question, const message_sink& sink);

// Writes `picture` to the file `path`.  Unless `overwrite` is non-zero, an
// existing file is replaced only after the user answered yes.  0 when the
// file was written, flushed and closed; -1 otherwise (a refused overwrite
// included).  A file that failed while being written stays as far as it
// got, after "error: write bitmap '<path>'".
int write_bitmap_file(const char* path, const bitmap& picture, std::int32_t overwrite,
                      const message_sink& sink);
