#include "disk/disk_order.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "disk/prodos_format.h"

const char* order_choice_name(order_choice choice) {
  switch (choice) {
    case order_choice::option: return "option";
    case order_choice::header: return "header";
    case order_choice::detected: return "detected";
    case order_choice::physical_sectors: return "physical sectors";
  }
  return "detected";
}

const char* sector_order_name(std::int32_t sector_order) {
  return sector_order == sector_order_dos ? "ProDOS block order" : "DOS 3.3 file order";
}

bool raw_volume_header(std::span<const std::uint8_t> image, std::int32_t sector_order) {
  // Block 2 is logical positions 4 and 5 of track 0; its header lies in
  // the first half.
  const std::size_t at =
      std::size_t{sector_bytes} * static_cast<std::size_t>(translation_for(sector_order)[2 * prodos_volume_key_block]);
  if (at + sector_bytes > image.size()) return false;
  std::array<std::uint8_t, prodos_block_bytes> block{};
  std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(at), sector_bytes, block.begin());
  return prodos_is_volume_header(block);
}

order_choice settle_sector_order(disk_image& image, const order_request& request, const message_sink& sink) {
  if (image.container != disk_container::raw)
    return image.physical || image.container != disk_container::two_img ? order_choice::physical_sectors
                                                                        : order_choice::header;
  const bool in_block_order = raw_volume_header(image.data, sector_order_dos);
  const bool in_dos_order = raw_volume_header(image.data, sector_order_prodos);
  const bool block_order_only = in_block_order && !in_dos_order;
  if (request.given) {
    image.sector_order = request.order;
    if (request.hint && request.order == sector_order_prodos && block_order_only)
      note(sink, "note: '%s' looks stored in ProDOS block order: try --do\n", image.path.c_str());
    return order_choice::option;
  }
  if (block_order_only) {
    image.sector_order = sector_order_dos;
    note(sink, "note: reading '%s' in ProDOS block order (as --do would)\n", image.path.c_str());
  } else {
    image.sector_order = in_dos_order ? sector_order_prodos : request.fallback;
  }
  return order_choice::detected;
}

disk_reading describe_disk(const disk_image& image, order_choice choice) {
  disk_reading d;
  d.opened = true;
  d.path = image.path;
  d.container = image.container;
  d.creator = image.woz_creator;
  d.order = image.sector_order;
  d.choice = choice;
  return d;
}

std::string container_text(const disk_reading& disk) {
  std::string text = disk_container_name(disk.container);
  if ((disk.container == disk_container::woz1 || disk.container == disk_container::woz2) && !disk.creator.empty())
    text += " (" + disk.creator + ")";
  return text;
}

std::string order_text(const disk_reading& disk) {
  return std::string(sector_order_name(disk.order)) + " (" + order_choice_name(disk.choice) + ")";
}
