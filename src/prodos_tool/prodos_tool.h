// The "prodos" tool: lists and extracts the files of a ProDOS disk image,
// and tells what kind of image it is.
//
//   prodos [--do|--po] list IMAGE
//       the volume as "/NAME" on the first line, then one line per file and
//       subdirectory of the volume tree, fields separated by tabs: path from
//       the volume directory ("DIR/NAME"), storage type (hex), file type
//       (two hex digits), eof (bytes), blocks used, creation and
//       modification date and time ("YYYY-MM-DD HH:MM").
//   prodos [--do|--po] [-f|--force] extract IMAGE PATH [OUT]
//       the bytes of the file PATH (up to its eof) into OUT, which must not
//       exist unless -f is given, or to standard output without OUT.
//   prodos [--do|--po] info IMAGE
//       "container: ", "order: ", "volume: " ("/NAME, N blocks" or "none"),
//       then "unreadable: track T, sector S (REASON)" for every sector of
//       the disk that cannot be read; status 1 when there is one.
//   prodos --help | --version
//
// IMAGE is any image the disk layer opens (raw, 2IMG, NIB, WOZ).  Options
// may stand anywhere on the line, and "--" ends them; the last sector
// order given wins.  The order applies to raw images only: "--do" reads
// the sectors where the file stores them, "--po" through the DOS 3.3
// sector table; without either a raw image is read in the order its
// volume directory header shows (disk_order.h), order 2 when it shows
// none.  An image whose block 2 holds no volume directory header is
// refused before its directory is read; a refused container is not
// described at all.
//
// The listing, the extracted bytes, the description and the help and
// version texts go to the data stream handed in; every message, the disk
// reader's included, goes to the sink handed in (the program's standard
// error).  A data stream that cannot be written fails the run with
// "error: write standard output".
#pragma once

#include <cstdio>

#include "common/message_sink.h"
#include "disk/prodos.h"

// Runs the tool on an argument vector (argv[0] the program name), writing
// its data to `data` (null: standard output was closed) and flushing it.
// Returns the exit status: 0 on success and after --help or --version, 1
// after any failure, 2 after a usage error (with the usage text among the
// messages).
int prodos_tool_main(int argc, char** argv, std::FILE* data, const message_sink& sink);
