// prodos: lists and extracts the files of a ProDOS disk image, and tells
// what kind of image it is.
//
// Standard output carries the data alone (the listing or the extracted
// file's bytes); every message, the disk reader's included, goes to
// standard error.
#include <cstdio>

#include "common/standard_streams.h"
#include "prodos_tool/prodos_tool.h"

int main(int argc, char** argv) {
  // A closed standard output takes no data (the run says so and fails);
  // closed descriptors are filled, so that no file the tool opens takes
  // their place.
  std::FILE* data = descriptor_open(1) ? stdout : nullptr;
  fill_standard_descriptors();
  int status = prodos_tool_main(argc, argv, data, diagnostics_only_sink());
  if (data != nullptr && std::fclose(data) != 0 && status == 0) {
    std::fputs("error: write standard output\n", stderr);
    status = 1;
  }
  return status;
}
