#include "bitmap/read_capture.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

read_capture read_stream(std::FILE* stream) {
  read_capture r;
  testing::internal::CaptureStdout();
  r.result = read_bitmap(stream, r.header, r.palette, r.pixels);
  std::fflush(stdout);
  r.output = testing::internal::GetCapturedStdout();
  return r;
}

}  // namespace

std::unique_ptr<std::FILE, stream_closer> stream_of(const bytes& contents) {
  std::unique_ptr<std::FILE, stream_closer> stream(std::tmpfile());
  if (stream == nullptr) throw std::runtime_error("tmpfile failed");
  if (!contents.empty() && std::fwrite(contents.data(), contents.size(), 1, stream.get()) != 1) {
    throw std::runtime_error("tmpfile write failed");
  }
  std::rewind(stream.get());
  return stream;
}

read_capture read_bmp_bytes(const bytes& contents) {
  return read_stream(stream_of(contents).get());
}

read_capture read_bmp_file(const std::string& path) {
  std::unique_ptr<std::FILE, stream_closer> stream(std::fopen(path.c_str(), "rb"));
  if (stream == nullptr) throw std::runtime_error("cannot open " + path);
  return read_stream(stream.get());
}
