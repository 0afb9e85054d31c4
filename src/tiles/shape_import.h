// The shape sheet taken from a BMP file ("--shape").
#pragma once

#include <cstdint>
#include <cstdio>

#include "common/message_sink.h"
#include "tiles/shape_sheet.h"

// Reads the BMP at `path` into the cleared `sheet`: the picture's pixels and
// colour table become the sheet's, in the picture's own bit count, and the
// tile size is the picture size divided into `tiles_across` x `tiles_down`
// tiles.  0, or -1 after a message to the sink's console.  Whatever was allocated stays in the
// sheet for its owner to free, also after a failure.
int read_shape_bitmap(const char* path, shape_sheet& sheet, std::int32_t tiles_across,
                      std::int32_t tiles_down, const message_sink& sink);

// The same from `stream`, open for reading at the start of the BMP; `name`
// stands for it in the messages.  The stream stays open.
int read_shape_bitmap(std::FILE* stream, const char* name, shape_sheet& sheet,
                      std::int32_t tiles_across, std::int32_t tiles_down, const message_sink& sink);
