// Independent BMP encoders and decoders for the tests, run as separate
// programs: Pillow through the system's Python (/usr/bin/python3 with
// Debian's python3-pil) and ImageMagick's /usr/bin/convert.  Tests that
// need one call the *_available check and skip without it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.h"

// A picture as red, green, blue bytes, rows from the top.
struct rgb_picture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  bytes rgb;
};

bool pillow_available();
bool imagemagick_available();

// Decodes the file at `path` with Pillow.  False when Pillow refuses it.
bool pillow_decode(const std::string& path, rgb_picture& out);

// Saves a picture as BMP with Pillow.  `mode` is Pillow's: "1", "L" and
// "P" take one byte per pixel in `data` (0 or 1 for "1"), "RGB" and "RGBA"
// three or four (red, green, blue[, alpha]); for "P" the colour table
// follows the pixels as red, green, blue triples (16 triples give a table
// of 16 entries).  False when Pillow fails.
bool pillow_encode(const std::string& path, const std::string& mode, std::uint32_t width, std::uint32_t height,
                   const bytes& data);

// Converts red, green, blue pixels to a BMP with ImageMagick, with
// `options` (for instance "-type", "Palette") before the output
// "BMP3:path".  False when convert fails.
bool imagemagick_encode(const std::string& path, const rgb_picture& picture, const std::vector<std::string>& options);

// The colours of a picture as the reader returns it: colour-table entries
// for 1, 4 and 8 bits, blue-green-red bytes for 24 and 32 bits, 5-5-5 for
// 16 bits widened as c * 255 / 31 (the way Pillow widens them).
rgb_picture rgb_of(std::uint32_t width, std::uint32_t height, std::uint16_t bit_count, const std::uint32_t* palette,
                   const std::uint8_t* pixels);
