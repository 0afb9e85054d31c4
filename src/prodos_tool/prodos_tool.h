// The "prodos" tool: lists and extracts the files of a ProDOS disk image.
//
//   prodos [--do|--po] list IMAGE
//       one line per file and subdirectory of the volume tree, fields
//       separated by tabs: path from the volume directory ("DIR/NAME"),
//       storage type (hex), file type (two hex digits), eof (bytes), blocks
//       used, creation and modification date and time ("YYYY-MM-DD HH:MM").
//   prodos [--do|--po] extract IMAGE PATH [OUT]
//       the bytes of the file PATH (up to its eof) into OUT, or to standard
//       output without OUT.
//
// "--do" reads the image with its sectors where the file stores them, "--po"
// (the default) through the DOS 3.3 sector table; either may stand anywhere
// before IMAGE, and the last one wins.
//
// The listing and the extracted bytes go to the data stream handed in;
// every message, the disk reader's included, is printed with the C stdout,
// which the program points at standard error (main.cpp).  A data stream
// that cannot be written fails the run with "error: write standard output".
#pragma once

#include <cstdio>

#include "disk/prodos.h"

// Runs the tool on an argument vector (argv[0] the program name), writing
// its data to `data` (null: standard output was closed) and flushing it.
// Returns the exit status: 0 on success, 1 after a usage text or any
// failure.
int prodos_tool_main(int argc, char** argv, std::FILE* data);
