// The atlas run: loads the tiles and the category disks as zud2avuze does,
// plans the atlas, renders each piece once on every core, writes the
// pictures, the data and the page into a new folder and moves it into
// place (atlas_folder.h).
//
// Messages: the disk and tile loaders print zud2avuze's lines, and the
// atlas its own, to the sink's console (qz-atlas's standard error).  A
// progress line is kept there while it works when that is a terminal.  A
// message that cannot be written fails the build.
#pragma once

#include "common/message_sink.h"
#include "run/options.h"

// What a run did, for its caller and the benchmark.
struct atlas_report {
  int maps = 0;
  int distinct_views = 0;     // distinct pictures of each map, summed
  int distinct_pictures = 0;  // distinct pictures over all maps
  int pieces = 0;             // pictures and bands rendered and stored
  int picture_files = 0;      // the files that hold them
};

// Builds the atlas the options ask for.  The exit status: 0 when the atlas
// is in place, 1 after the messages of a failure (no atlas is left half
// written, and an earlier one stays).  A SIGINT, SIGTERM or SIGHUP stops
// the build: the build folder is removed and the signal then ends the
// process as it would have.
int build_atlas(const options& opts, const char* generator, atlas_report& report, const message_sink& sink);
