// The three standard descriptors of a program that opens files of its own.
#pragma once

#include <fcntl.h>
#include <unistd.h>

// Whether descriptor `fd` is open.
inline bool descriptor_open(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

// Opens /dev/null on every one of descriptors 0, 1 and 2 that is closed, so
// that no file the program opens later takes one of their numbers (and
// receives its messages).  A new descriptor is always the lowest free one:
// opening until one above 2 comes back fills exactly the closed ones.
inline void fill_standard_descriptors() {
  for (;;) {
    const int fd = ::open("/dev/null", O_RDWR);
    if (fd < 0) return;
    if (fd > 2) {
      ::close(fd);
      return;
    }
  }
}
