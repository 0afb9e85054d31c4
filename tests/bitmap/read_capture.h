// Running the BMP reader on bytes or files and keeping what it gave back
// and what it printed.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "bitmap/bmp_read.h"
#include "support/temp_dir.h"

struct read_capture {
  int result = 0;
  std::string output;  // everything printed during the call
  bitmap_header header;
  palette_buffer palette;
  byte_buffer pixels;
};

// read_bitmap on a stream holding exactly `contents`.
read_capture read_bmp_bytes(const bytes& contents);

// read_bitmap on the file at `path` (which must open).
read_capture read_bmp_file(const std::string& path);

// A temporary stream holding `contents`, positioned at its start; closed
// when the owner goes.
struct stream_closer {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
std::unique_ptr<std::FILE, stream_closer> stream_of(const bytes& contents);
