// Shared pieces of the fuzz targets.
#pragma once

#include <cstdio>

#include "common/message_sink.h"

// The targets print what the real programs print; keep it off the
// fuzzer's own output, in a stream that writes nowhere.
inline const message_sink& quiet_sink() {
  static const message_sink sink = [] {
    std::FILE* nowhere = std::fopen("/dev/null", "w");
    return message_sink{nowhere, nowhere};
  }();
  return sink;
}
