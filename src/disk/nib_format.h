// NIB images: 35 tracks of 6656 disk bytes each, the bytes the controller
// read with the sync bits dropped, no header.  A track is circular: a
// field may run from its end around to its start.
#pragma once

#include <cstdint>

#include "disk/gcr_format.h"

inline constexpr std::uint32_t nib_track_bytes = 6656;
inline constexpr std::uint32_t nib_image_bytes = gcr_tracks * nib_track_bytes;  // 232960
