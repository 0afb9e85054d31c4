// qz-atlas: every map of the game's castles, dwellings, keeps and townes,
// at every hour, as one web page that opens from disk.
#include <unistd.h>

#include <cstdio>

#include "atlas/atlas_build.h"
#include "atlas/sheet_export.h"
#include "run/options.h"

namespace {
constexpr const char* generator = "qz-atlas " QZ_VERSION;
constexpr int usage_error = 2;
}  // namespace

int main(int argc, char** argv) {
  options opts;
  static_cast<void>(argc);
  switch (parse_command_line(atlas_program, argv, opts, stderr)) {
    case parse_outcome::help:
      print_usage(atlas_program, stdout);
      return std::fflush(stdout) == 0 ? 0 : 1;
    case parse_outcome::version:
      std::printf("%s\n", generator);
      return std::fflush(stdout) == 0 ? 0 : 1;
    case parse_outcome::error:
      print_usage(atlas_program, stderr);
      return usage_error;
    case parse_outcome::run: break;
  }
  // The loaders shared with zud2avuze print their lines to standard
  // output; here they are diagnostics, so standard output becomes
  // standard error, unbuffered to keep the order of the lines.
  if (::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) return 1;
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (opts.sheet_file != nullptr) return export_sheet(opts);
  atlas_report report;
  return build_atlas(opts, generator, report);
}
