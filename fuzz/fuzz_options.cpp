// The command line: arguments are the input split at NUL bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "run/options.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quiet_sink();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args{"zud2avuze"};
  std::string current;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  args.push_back(current);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  options opts;
  if (parse_options(static_cast<int>(args.size()), argv.data(), opts, quiet_sink()) == 0) {
    if (opts.hour < 0 || opts.hour > 23 || opts.category_mask < 1 || opts.category_mask > 15 ||
        opts.blur_count < 0 || opts.blur_count > 2)
      __builtin_trap();
  }
  // The same table read for qz-atlas, which takes no hour.
  if (parse_command_line(atlas_program, argv.data(), opts, quiet_sink().console) == parse_outcome::run) {
    if (opts.hour != 12 || opts.use_default != 0 || opts.output_folder == nullptr || opts.category_mask < 1 ||
        opts.category_mask > 15 || opts.blur_count < 0 || opts.blur_count > 2)
      __builtin_trap();
  }
  return 0;
}
