// zud2avuze: renders every map of the game's castles, dwellings, keeps and
// townes from its disk images into BMP files.
#include <cstdio>

#include "driver/batch.h"
#include "run/options.h"

int main(int argc, char** argv) {
  // The run's report and the overwrite question go to standard output;
  // notes about the input beside it to standard error.
  const message_sink sink = standard_sink();
  options opts;
  const int status = parse_options(argc, argv, opts, sink) < 0 ? 1 : run_batch(opts, sink);
  // The messages are the run's report: a run whose report could not be
  // written whole (a full disk, a closed standard output) has failed.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fputs("error: write standard output\n", stderr);
    return 1;
  }
  return status;
}
