// Running the BMP reader on bytes or files and keeping what it gave back
// and what it printed.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "bitmap/bmp_read.h"
#include "support/capture.h"
#include "support/temp_dir.h"

struct stream_closer {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using stream_ptr = std::unique_ptr<std::FILE, stream_closer>;

// A temporary stream holding `contents`, positioned at its start.
inline stream_ptr stream_of(const bytes& contents) {
  stream_ptr stream(std::tmpfile());
  if (stream == nullptr || (!contents.empty() && std::fwrite(contents.data(), contents.size(), 1, stream.get()) != 1))
    throw std::runtime_error("tmpfile failed");
  std::rewind(stream.get());
  return stream;
}

struct read_capture {
  int result = 0;
  std::string output;  // everything printed during the call
  bitmap_header header;
  palette_buffer palette;
  byte_buffer pixels;
};

// read_bitmap on `stream`, or on a stream holding exactly `contents`.
inline read_capture read_bmp(std::FILE* stream) {
  read_capture r;
  r.output = stdout_of([&] { r.result = read_bitmap(stream, r.header, r.palette, r.pixels, standard_sink()); });
  return r;
}
inline read_capture read_bmp_bytes(const bytes& contents) { return read_bmp(stream_of(contents).get()); }
