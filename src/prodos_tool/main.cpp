// prodos: lists and extracts the files of a ProDOS disk image.
//
// Standard output carries the data alone: the listing or the extracted
// file's bytes are written through a stream of their own on a duplicate of
// it, and the C stdout, where the disk reader prints its messages, is
// pointed at standard error with the tool's other diagnostics.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "prodos_tool/prodos_tool.h"

int main(int argc, char** argv) {
  const int data_fd = ::dup(1);
  std::FILE* data = data_fd >= 0 ? ::fdopen(data_fd, "wb") : nullptr;
  if (::dup2(2, 1) < 0) {
    // No standard error: the messages go nowhere, and never into a file
    // that a later open could give descriptor 1.
    const int null_fd = ::open("/dev/null", O_WRONLY);
    if (null_fd >= 0 && null_fd != 1) {
      ::dup2(null_fd, 1);
      ::close(null_fd);
    }
  }
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  int status = prodos_tool_main(argc, argv, data);
  if (data != nullptr && std::fclose(data) != 0 && status == 0) {
    std::puts("error: write standard output");
    status = 1;
  }
  return status;
}
