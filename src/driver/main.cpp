// zud2avuze: renders every map of the game's castles, dwellings, keeps and
// townes from its disk images into BMP files.
#include "driver/batch.h"
#include "run/options.h"

int main(int argc, char** argv) {
  options opts;
  if (parse_options(argc, argv, opts) < 0) return 1;
  return run_batch(opts);
}
