// Temporary folders and whole-file helpers for tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/buffer.h"  // bytes

// A new empty folder, removed with everything in it when the owner goes.
struct temp_dir {
  temp_dir();
  ~temp_dir();
  temp_dir(const temp_dir&) = delete;
  temp_dir& operator=(const temp_dir&) = delete;
  std::filesystem::path path;
  // The path of `name` inside the folder, as text.
  std::string file(const std::string& name) const { return (path / name).string(); }
};

void write_file(const std::string& path, const bytes& contents);
bytes read_file(const std::string& path);
bool file_exists(const std::string& path);

// A null-terminated argument vector for parse_options, the tools and exec:
// `args` then `more`; the strings live as long as the object.
struct arg_vector {
  explicit arg_vector(std::vector<std::string> args, const std::vector<std::string>& more = {});
  int argc() const { return static_cast<int>(strings.size()); }
  char** argv() { return pointers.data(); }
  std::vector<std::string> strings;
  std::vector<char*> pointers;
};
