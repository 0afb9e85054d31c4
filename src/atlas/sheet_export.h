// The tiles of the program disk as a sheet that "-s" reads back: one
// 4-bit BMP of 16 tiles across and 32 down (448 x 1024 pixels), with the
// sixteen Apple II colours.  Each tile is coloured on its own, by the
// filter of a default run (sharp colours, the ends of its rows not
// joined): a map drawn from the sheet shows every tile exactly as
// exported, while in a map drawn from the disk the two dots at each side
// of a tile may take colour from their neighbours.
#pragma once

#include <cstdint>

#include "common/message_sink.h"
#include "run/options.h"
#include "bitmap/image.h"
#include "tiles/shape_sheet.h"

// Colours each of the 512 tiles of `dots` (a sheet of dot values, as
// loaded from the program disk) on its own into `colours`, which becomes a
// 4-bit sheet of the same geometry with the palette of `dots`.  0, or -1
// when memory runs out.
int colour_tiles_one_by_one(const shape_sheet& dots, bitmap& colours);

// Moves the finished file `temporary` to `path`.  With `overwrite` a file
// there is replaced; without, the move never replaces one, not even one
// made a moment before.  0; 1 when a file is at `path` (the temporary file
// stays); -1 when it cannot be moved.
int move_into_place(const char* temporary, const char* path, bool overwrite);

// Loads the tiles from the program disk as `opts` names it (sector order,
// shape type, water) and writes them to `opts.sheet_file`: created new, or
// replacing a file only with --overwrite, and only once complete; without
// it, a file found at the end is never replaced either.  Prints its
// messages to the sink's console.  The exit status: 0, or 1 after a
// message.  SIGINT, SIGTERM and SIGHUP remove the file being written, and
// then end the process as they would have.
int export_sheet(const options& opts, const message_sink& sink);
