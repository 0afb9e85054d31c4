// The atlas as data: the text of atlas.json, which the page also reads
// (as atlas-data.js, a script that sets window.QZ_ATLAS to the same
// value).  The README describes every field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "atlas/atlas_plan.h"
#include "disk/disk_order.h"
#include "run/options.h"

// The size and depth every picture of the atlas has.
struct atlas_picture_format {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t tile_width = 0;
  std::int32_t tile_height = 0;
  std::int32_t bit_count = 0;  // of the pictures as zud2avuze writes them
};

// The JSON text of the atlas, one line ending in a newline; `disks` are
// the disk images read, in the order they were read.
std::string atlas_json(const atlas_plan& plan, const std::vector<category_data>& categories,
                       const options& opts, const atlas_picture_format& picture, const char* generator,
                       const std::vector<disk_reading>& disks);

// The text of atlas-data.js for the JSON text `json` (one line, its line
// end included): window.QZ_ATLAS = JSON.parse('...'); with the JSON in a
// single-quoted script string, each backslash and apostrophe escaped.  A
// browser parses JSON text faster than the same data written as a script.
std::string atlas_data_script(std::string_view json);

// `text` as a JSON string, quotes included.  Bytes that are not UTF-8
// become U+FFFD; control characters and the line separators U+2028 and
// U+2029 (which older scripts cannot hold in a string) are escaped.
void append_json_string(std::string& out, std::string_view text);
