// Shared pieces of the fuzz targets: the readers under test take file
// paths, so each input is written to a file private to the process.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// The path of this process's scratch file, holding `size` bytes of `data`.
inline const char* write_scratch(const std::uint8_t* data, std::size_t size, const char* tag) {
  static std::string path;
  if (path.empty()) {
    const char* dir = std::getenv("TMPDIR");
    path = std::string(dir != nullptr ? dir : "/tmp") + "/qz-fuzz-" + tag + "-" +
           std::to_string(::getpid());
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return nullptr;
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);
  return path.c_str();
}

// The targets print what the real program prints; keep it off the fuzzer's
// own output.
inline void silence_stdout() { std::freopen("/dev/null", "w", stdout); }
