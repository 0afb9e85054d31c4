// The "prodos" tool: lists and extracts the files of a ProDOS disk image.
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
//   prodos --help | --version
//
// Options may stand anywhere on the line, and "--" ends them; the last
// sector order given wins.  "--do" reads the image with its sectors where
// the file stores them, "--po" (the default) through the DOS 3.3 sector
// table.  An image whose block 2 holds no volume directory header is
// refused before its directory is read.
//
// The listing, the extracted bytes and the help and version texts go to
// the data stream handed in; every message, the disk reader's included,
// goes to the console of the sink handed in (the program's standard
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
