// The steps of a run that both picture programs take the same way, with
// zud2avuze's messages (printed to the sink's console): loading the tile
// graphics, reading a category disk and colouring a drawn picture.
#pragma once

#include <cstdint>
#include <vector>

#include "bitmap/image.h"
#include "common/message_sink.h"
#include "disk/disk_order.h"
#include "map/map_data.h"
#include "run/options.h"
#include "tiles/retouch_filter.h"
#include "tiles/shape_sheet.h"

// The hour of a run with "--default": every NPC at its default place.
inline constexpr std::int32_t default_placement_hour = 9;

// The disks a run has read, as it read them (for the atlas's data), and
// the order a raw category disk without a volume header is read in: the
// program disk's, or order 2 when the tiles come from a BMP or the program
// disk is a container.
struct run_disks {
  std::vector<disk_reading> read;
  std::int32_t headerless_order = sector_order_prodos;
};

// Fills the cleared sheet from the BMP named with "-s" or from the program
// disk (any container; the order of a raw one as the options and the disk
// decide, with the notes of disk_order.h).  0, or -1 after the messages.
int load_sheet(const options& opts, shape_sheet& sheet, const message_sink& sink, run_disks& disks);
int load_sheet(const options& opts, shape_sheet& sheet, const message_sink& sink);

// Whether a picture of 32 x 32 tiles of the sheet fits the picture record:
// width and height in 32 bits signed, its bytes in 32 bits unsigned.
bool map_picture_fits(const shape_sheet& sheet);

// Reads the maps and NPC tables of category `c` from its disk image (any
// container; the order of a raw one as the options and the disk decide).
// 0, or -1 after the messages.
int read_category(const options& opts, int c, map_data& maps, npc_data& npcs, const message_sink& sink,
                  run_disks& disks);

// Colours a picture drawn from the sheet as the options ask: from the
// program disk's tiles with the blur filter (sharp, or soft with one
// "-B"; rows not joined) or the retouch filter ("-B" twice; rows joined
// into rings, with the colours of `palette`, built once for the run);
// from a BMP sheet not at all.  The picture may be any number of rows
// high.  0, or -1 after the messages.
int colour_picture(const options& opts, bitmap& picture, const retouch_palette& palette,
                   const message_sink& sink);

// Whether a run with these options colours its pictures with the retouch
// filter (and so needs its palette).
constexpr bool uses_retouch(const options& opts) { return opts.use_shape_bitmap == 0 && opts.blur_count >= 2; }
