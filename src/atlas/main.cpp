// qz-atlas: every map of the game's castles, dwellings, keeps and townes,
// at every hour, as one web page that opens from disk.
#include <csignal>
#include <cstdio>

#include "atlas/atlas_build.h"
#include "atlas/sheet_export.h"
#include "common/standard_streams.h"
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
  // Every message, the disk readers' included, goes to standard error;
  // without it the run cannot report and does not start.  Closed standard
  // descriptors are filled so that no file of the atlas takes their place.
  if (!descriptor_open(2)) return 1;
  fill_standard_descriptors();
  // A write to a standard error whose reader has gone fails like any
  // other write (the build then removes what it began) instead of ending
  // the program on the spot.
  std::signal(SIGPIPE, SIG_IGN);
  const message_sink sink = diagnostics_only_sink();
  if (opts.sheet_file != nullptr) return export_sheet(opts, sink);
  atlas_report report;
  return build_atlas(opts, generator, report, sink);
}
