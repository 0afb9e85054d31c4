// Shared pieces of the fuzz targets.
#pragma once

#include <cstdio>

// The targets print what the real program prints; keep it off the fuzzer's
// own output.
inline void silence_stdout() { std::freopen("/dev/null", "w", stdout); }
