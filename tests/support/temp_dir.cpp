#include "support/temp_dir.h"

#include <cstdlib>
#include <stdexcept>

#include "common/file_handle.h"

temp_dir::temp_dir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "qz-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path = pattern;
}

temp_dir::~temp_dir() {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

void write_file(const std::string& path, const bytes& contents) {
  if (write_whole_file(path.c_str(), contents) < 0) throw std::runtime_error("cannot write " + path);
}

bytes read_file(const std::string& path) {
  bytes contents;
  if (read_whole_file(path.c_str(), contents) < 0) throw std::runtime_error("cannot read " + path);
  return contents;
}

bool file_exists(const std::string& path) { return std::filesystem::exists(path); }

arg_vector::arg_vector(std::vector<std::string> args, const std::vector<std::string>& more) : strings(std::move(args)) {
  strings.insert(strings.end(), more.begin(), more.end());
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
}
