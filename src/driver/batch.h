// The batch driver: loads the tile graphics once, then for every selected
// category reads its disk and writes one BMP per map.
#pragma once

#include "common/message_sink.h"
#include "run/options.h"

// Runs the whole job for parsed options, its messages and the overwrite
// question on the sink's console.  Stops at the first failure, after
// printing its message; files written before it stay.  The exit status: 0
// when every selected map was written, 1 otherwise.  `opts.hour` becomes 9
// when `use_default` is set.
int run_batch(options& opts, const message_sink& sink);
