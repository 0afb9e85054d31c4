// The atlas's picture files: the pieces (bases and bands) first shown by
// one map, as PNG files held in a script the page loads with a <script>
// element.  A page opened from disk may load scripts beside it but not
// read their bytes any other way, and a picture drawn from a data: URL
// leaves a canvas readable, so the page can also save what it shows.
//
// The text, one piece a line, in order (the atlas's "pieces" table names
// each piece by file and position):
//   QZ_PICTURES("pictures/STEM.js",[
//   "data:image/png;base64,<the PNG file in base64>",
//   ...
//   "data:image/png;base64,<the last one>"
//   ]);
// The first line names the file itself, as atlas.json names it, so that
// the page knows which file called.  Base64 is the standard alphabet with
// "=" padding, no line breaks.
#pragma once

#include <span>
#include <string>

#include "common/buffer.h"

// Starts the text of the picture file `path` in `out` (cleared first).
void picture_file_begin(std::string& out, const std::string& path);

// Adds the next piece: the PNG file `png`.
void picture_file_add(std::string& out, std::span<const std::uint8_t> png);

// Ends the text.
void picture_file_end(std::string& out);

// `data` in base64, appended to `out`.
void append_base64(std::string& out, std::span<const std::uint8_t> data);
