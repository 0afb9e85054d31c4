// Owned C stream: closed when the owner goes out of scope, so every file a
// routine opens is closed on every path out of it.
#pragma once

#include <cstdio>
#include <memory>

struct file_closer {
  void operator()(std::FILE* f) const noexcept {
    if (f != nullptr) std::fclose(f);
  }
};
using unique_file = std::unique_ptr<std::FILE, file_closer>;

inline unique_file open_file(const char* path, const char* mode) {
  return unique_file(std::fopen(path, mode));
}
