#include "bitmap/bmp_read.h"

#include <array>
#include <cstring>

#include "bitmap/image.h"
#include "common/byte_order.h"

namespace {

// Headers that passed the size tests may still describe pictures this
// reader will not hold: rows stored from the top (a negative height), a
// negative width, sizes that only matched because they wrapped around 32
// bits, or a pixel buffer beyond `bmp_max_pixel_bytes`.  Prints the reason
// and gives -1, or 0 when the picture can be read.
int refuse_unreadable_sizes(const bitmap_header& header, const message_sink& sink) {
  if (static_cast<std::int32_t>(header.width) < 0) {
    say(sink, "error: check_bitmap_header() - negative width 0x%X not supported\n", header.width);
    return -1;
  }
  if (static_cast<std::int32_t>(header.height) < 0) {
    say(sink, "error: check_bitmap_header() - negative height 0x%X (top-down rows) not supported\n",
        header.height);
    return -1;
  }
  // The same sizes as the tests before, without wrapping.
  const std::uint64_t width = header.width;
  const std::uint64_t height = header.height;
  const std::uint64_t row_size = bmp_row_layout<std::uint64_t>(width, header.bit_count).stored;
  const std::uint64_t data_length = row_size * height;
  const std::uint64_t data_end = data_length + header.data_offset;
  const auto pixel_size = static_cast<std::uint64_t>(bytes_per_pixel_of(header.bit_count));
  const std::uint64_t pixel_bytes = width * height * pixel_size;
  constexpr std::uint64_t limit32 = 0xFFFFFFFFu;
  if (row_size > limit32 || data_length > limit32 || data_end > limit32 || pixel_bytes > limit32) {
    say(sink, "error: check_bitmap_header() - size 0x%X x 0x%X at %u bits overflows 32 bits\n",
                header.width, header.height, static_cast<unsigned>(header.bit_count));
    return -1;
  }
  if (pixel_bytes > bmp_max_pixel_bytes) {
    say(sink, "error: check_bitmap_header() - pixel data 0x%X bytes exceeds limit 0x%X\n",
                static_cast<std::uint32_t>(pixel_bytes), bmp_max_pixel_bytes);
    return -1;
  }
  return 0;
}

// Unpacks one stored row into `width` one-byte pixels (1 and 4 bits) or
// copies its pixel bytes (8 bits and up).  `row` holds the whole stored row.
void unpack_row(const std::uint8_t* row, std::uint32_t width, std::uint16_t bit_count,
                std::uint8_t* out) {
  if (bit_count == 1) {
    for (std::uint32_t x = 0; x < width; ++x) {
      out[x] = (row[x / 8] & (0x80u >> (x % 8))) != 0 ? 1 : 0;
    }
  } else if (bit_count == 4) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint8_t byte = row[x / 2];
      out[x] = static_cast<std::uint8_t>(x % 2 == 0 ? byte >> 4 : byte & 0x0F);
    }
  } else {
    std::memcpy(out, row, static_cast<std::size_t>(width) * (bit_count / 8u));
  }
}

}  // namespace

int check_bitmap_header(bitmap_header& header, const message_sink& sink) {
  int warnings = 0;
  if (header.header_size != bmp_info_header_bytes) {
    say(sink, "error: check_bitmap_header() - not supported header type - support only Windows V3\n");
    return -1;
  }
  if (header.planes != 1) return -1;
  if (header.compression != 0) {
    say(sink, "error: check_bitmap_header() - not support compression\n");
    return -1;
  }
  const std::int32_t entries = bmp_palette_entries(header.bit_count);
  if (entries < 0) {
    say(sink, "error: check_bitmap_header() - unknown bit count\n");
    return -1;
  }

  // All in unsigned 32-bit arithmetic, wrapping as the header fields do.
  const std::uint32_t expected_offset = bmp_header_bytes + 4u * static_cast<std::uint32_t>(entries);
  const std::uint32_t expected_length =
      header.height * static_cast<std::uint32_t>(bitmap_row_size(header.width, header.bit_count));
  const std::uint32_t expected_end = expected_length + expected_offset;

  if (header.data_offset != expected_offset) {
    say(sink, "error: check_bitmap_header() - offset size 0x%X != 0x%X\n", header.data_offset,
                expected_offset);
    return -1;
  }
  if (header.data_length == 0) {
    header.data_length = expected_length;
    say(sink, "warning: check_bitmap_header() - data length is 0 ... corrected: 0x%X\n",
                expected_length);
    ++warnings;
  }
  if (header.data_length != expected_length) {
    say(sink, "error: check_bitmap_header() - data length 0x%X != 0x%X\n", header.data_length,
                expected_length);
    return -1;
  }
  if (header.file_length > expected_end) {
    say(sink, "warning: check_bitmap_header() - file length 0x%X > 0x%X\n", header.file_length,
                expected_end);
    ++warnings;
  } else if (header.file_length < expected_end) {
    say(sink, "error: check_bitmap_header() - file length 0x%X < 0x%X\n", header.file_length,
                expected_end);
    return -1;
  }
  if (refuse_unreadable_sizes(header, sink) < 0) return -1;
  return warnings;
}

int read_bitmap_header(std::FILE* stream, bitmap_header& header, const message_sink& sink) {
  std::array<std::uint8_t, bmp_header_bytes> raw{};
  if (std::fread(raw.data(), raw.size(), 1, stream) != 1) return -1;
  if (raw[0] != 'B' || raw[1] != 'M') return -1;
  byte_cursor c{raw, 2};
  header.file_length = get_le32(c);
  header.reserved1 = get_le16(c);
  header.reserved2 = get_le16(c);
  header.data_offset = get_le32(c);
  header.header_size = get_le32(c);
  header.width = get_le32(c);
  header.height = get_le32(c);
  header.planes = get_le16(c);
  header.bit_count = get_le16(c);
  header.compression = get_le32(c);
  header.data_length = get_le32(c);
  header.x_pixels_per_meter = get_le32(c);
  header.y_pixels_per_meter = get_le32(c);
  header.colors_used = get_le32(c);
  header.colors_important = get_le32(c);
  return check_bitmap_header(header, sink);
}

int read_palette(std::FILE* stream, std::uint32_t* palette, int count) {
  if (count < 1 || count > 256) return -1;
  std::array<std::uint8_t, 1024> raw{};
  if (std::fread(raw.data(), static_cast<std::size_t>(count) * 4, 1, stream) != 1) return -1;
  byte_cursor c{raw};
  for (int i = 0; i < count; ++i) palette[i] = get_le32(c);
  return 0;
}

int read_bitmap(std::FILE* stream, bitmap_header& header, palette_buffer& palette,
                byte_buffer& pixels, const message_sink& sink) {
  if (read_bitmap_header(stream, header, sink) < 0) {
    say(sink, "error: read_bitmap() - can't read bitmap header\n");
    return -1;
  }
  // The header check has bounded every size below to fit 32 bits and the
  // pixel buffer to bmp_max_pixel_bytes.
  const std::uint32_t width = header.width;
  const std::uint32_t height = header.height;
  const auto pixel_size = static_cast<std::size_t>(bytes_per_pixel_of(header.bit_count));
  const std::size_t line_bytes = width * pixel_size;

  pixels = allocate_zeroed<std::uint8_t>(line_bytes * height);
  if (pixels == nullptr) {
    say(sink, "error: memory exhaust!\n");
    return -2;
  }
  const std::int32_t entries = bmp_palette_entries(header.bit_count);
  if (entries > 0) {
    palette = allocate_zeroed<std::uint32_t>(static_cast<std::size_t>(entries));
    if (palette == nullptr) {
      say(sink, "error: memory exhaust!\n");
      return -2;
    }
    if (read_palette(stream, palette.get(), entries) < 0) {
      say(sink, "error: read_bitmap() - can't read palette\n");
      return -1;
    }
  }

  // A picture of zero width stores rows of no bytes: there is nothing to
  // read, and it stays an empty picture like one of zero height.
  const std::size_t row_size = static_cast<std::size_t>(bitmap_row_size(width, header.bit_count));
  if (row_size == 0 || height == 0) return 0;
  byte_buffer row = allocate_zeroed<std::uint8_t>(row_size);
  if (row == nullptr) {
    say(sink, "error: memory exhaust!\n");
    return -2;
  }
  // The first stored row is the bottom one.
  for (std::uint32_t r = height; r-- > 0;) {
    if (std::fread(row.get(), row_size, 1, stream) != 1) {
      say(sink, "error: read_bitmap() - can't read bitmap data\n");
      return -1;
    }
    unpack_row(row.get(), width, header.bit_count, pixels.get() + line_bytes * r);
  }
  return 0;
}
