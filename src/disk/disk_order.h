// Which sector order a disk image is read in, and how that was chosen.
//
// A container says where each of its sectors belongs: NIB and WOZ hold
// physical sectors, a 2IMG header names its order.  A raw image does not:
// its order comes from the command line when --do or --po is given, and is
// found by looking otherwise: the image whose block 2 begins with a
// volume directory header (prodos_is_volume_header) only when read in
// ProDOS block order (sector order 1) is read so, with a note; one where
// the header shows in DOS 3.3 file order, or in both, is read in order 2;
// one where it shows in neither (a location disk holds no volume) is read
// in the order the caller falls back to.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/message_sink.h"
#include "disk/disk_image.h"

enum class order_choice : std::uint8_t { option, header, detected, physical_sectors };

// "option", "header", "detected", "physical sectors".
const char* order_choice_name(order_choice choice);

// "DOS 3.3 file order" for sector order 2 (a file stored so), "ProDOS
// block order" for sector order 1.
const char* sector_order_name(std::int32_t sector_order);

// What the command line says of the order of raw images.
struct order_request {
  bool given = false;                          // --do or --po
  std::int32_t order = sector_order_prodos;    // the last one given
  std::int32_t fallback = sector_order_prodos; // a raw image with no header
  // With --po given, say so when block 2 holds a volume header only in
  // ProDOS block order (the program disk).
  bool hint = false;
};

// Whether block 2 of the raw bytes `image` read in `sector_order` begins
// with a volume directory header; false when the image is too short.
bool raw_volume_header(std::span<const std::uint8_t> image, std::int32_t sector_order);

// Sets the sector order of the opened `image` as the request and the image
// decide, with the notes above on the sink's diagnostics:
//   "note: reading 'PATH' in ProDOS block order (as --do would)"
//   "note: 'PATH' looks stored in ProDOS block order: try --do" (the hint).
// Returns how the order was chosen.
order_choice settle_sector_order(disk_image& image, const order_request& request, const message_sink& sink);

// What a program tells of a disk it read: the path, the container (with a
// WOZ file's creator), the order and how it was chosen.
struct disk_reading {
  bool opened = false;  // set by describe_disk
  std::string path;
  disk_container container = disk_container::raw;
  std::string creator;
  std::int32_t order = sector_order_prodos;
  order_choice choice = order_choice::detected;
};

disk_reading describe_disk(const disk_image& image, order_choice choice);

// "raw", "2IMG", "NIB", "WOZ 1 (CREATOR)", "WOZ 2 (CREATOR)".
std::string container_text(const disk_reading& disk);

// "DOS 3.3 file order (physical sectors)", "ProDOS block order (option)"...
std::string order_text(const disk_reading& disk);
