// Owned C stream: closed when the owner goes out of scope, so every file a
// routine opens is closed on every path out of it.
#pragma once

#include <cstdio>
#include <memory>
#include <span>

#include "common/buffer.h"

struct file_closer {
  void operator()(std::FILE* f) const noexcept {
    if (f != nullptr) std::fclose(f);
  }
};
using unique_file = std::unique_ptr<std::FILE, file_closer>;

inline unique_file open_file(const char* path, const char* mode) {
  return unique_file(std::fopen(path, mode));
}

// Closes a stream that was written to, flushing it first: 0, or -1 when
// the flush or the close failed (a full disk shows here at the latest).
inline int close_written(unique_file& file) {
  std::FILE* f = file.release();
  if (f == nullptr) return -1;
  const bool flushed = std::fflush(f) == 0;
  const bool closed = std::fclose(f) == 0;
  return flushed && closed ? 0 : -1;
}

// The whole file at `path` into `out`.  0, or -1 when it cannot be opened
// or read to its end.
inline int read_whole_file(const char* path, bytes& out) {
  unique_file file = open_file(path, "rb");
  if (!file) return -1;
  out.clear();
  char chunk[65536];
  for (;;) {
    const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
    out.insert(out.end(), chunk, chunk + n);
    if (n < sizeof chunk) break;
  }
  return std::ferror(file.get()) != 0 ? -1 : 0;
}

// Writes `data` as the whole file `path`, created or truncated; every
// write and the close are checked.  0 or -1.
inline int write_whole_file(const char* path, std::span<const std::uint8_t> data) {
  unique_file file = open_file(path, "wb");
  if (!file) return -1;
  const bool written = data.empty() || std::fwrite(data.data(), 1, data.size(), file.get()) == data.size();
  return close_written(file) == 0 && written ? 0 : -1;
}
