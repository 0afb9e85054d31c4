#include "bitmap/bmp_write.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <sys/stat.h>

#include "bitmap/row_pack.h"
#include "common/byte_order.h"
#include "common/file_handle.h"

namespace {

constexpr std::size_t stream_buffer_bytes = std::size_t{1} << 20;

bool write_all(std::FILE* stream, const std::uint8_t* data, std::size_t size) {
  return std::fwrite(data, 1, size, stream) == size;
}

// Writes one row of 1 or 4 bits: packed through a small local buffer, so a
// row of any width takes no heap memory.  False when a write failed.
bool write_packed_row(std::FILE* stream, const std::uint8_t* row, std::uint32_t width,
                      std::uint16_t bit_count) {
  constexpr std::uint32_t chunk_pixels = 8192;  // a multiple of 8
  std::array<std::uint8_t, chunk_pixels / 2> out;
  for (std::uint32_t x = 0; x < width; x += chunk_pixels) {
    const std::uint32_t count = std::min(chunk_pixels, width - x);
    const std::size_t n = bit_count == 1 ? pack_1bit_row(row + x, count, out.data())
                                         : pack_4bit_row(row + x, count, out.data());
    if (!write_all(stream, out.data(), n)) return false;
  }
  return true;
}

// Whether the picture's buffer holds every pixel its size and bit count
// (as the header will state it) describe.
bool holds_all_pixels(const bitmap& picture, std::uint16_t bit_count) {
  if (picture.pixels == nullptr || picture.width < 0 || picture.height < 0) return false;
  const auto pixel_bytes = static_cast<std::uint64_t>(bytes_per_pixel_of(bit_count));
  return std::uint64_t(picture.width) * std::uint64_t(picture.height) * pixel_bytes <=
         picture.data_size;
}

bool path_exists(const char* path) {
  struct stat status;
  return ::stat(path, &status) == 0;
}

}  // namespace

int create_bitmap_header(bitmap_header& header, std::uint32_t width, std::uint32_t height,
                         std::uint16_t bit_count) {
  header = bitmap_header{};
  header.header_size = bmp_info_header_bytes;
  header.width = width;
  header.height = height;
  header.planes = 1;
  header.bit_count = bit_count;
  const std::int32_t entries = bmp_palette_entries(bit_count);
  if (entries < 0) return -1;
  header.data_offset = static_cast<std::uint32_t>(bmp_header_bytes + 4 * entries);
  header.data_length = static_cast<std::uint32_t>(bitmap_row_size(width, bit_count)) * height;
  header.file_length = header.data_length + header.data_offset;
  return 0;
}

int write_bitmap_header(std::FILE* stream, const bitmap_header& h) {
  std::array<std::uint8_t, bmp_header_bytes> raw{};
  byte_writer w{raw};
  w.bytes[w.pos++] = 'B';
  w.bytes[w.pos++] = 'M';
  put_le32(w, h.file_length);
  put_le16(w, h.reserved1);
  put_le16(w, h.reserved2);
  put_le32(w, h.data_offset);
  put_le32(w, h.header_size);
  put_le32(w, h.width);
  put_le32(w, h.height);
  put_le16(w, h.planes);
  put_le16(w, h.bit_count);
  put_le32(w, h.compression);
  put_le32(w, h.data_length);
  put_le32(w, h.x_pixels_per_meter);
  put_le32(w, h.y_pixels_per_meter);
  put_le32(w, h.colors_used);
  put_le32(w, h.colors_important);
  return std::fwrite(raw.data(), raw.size(), 1, stream) == 1 ? 0 : -1;
}

int write_palette(std::FILE* stream, const std::uint32_t* palette, int count) {
  if (count < 0 || count > 256) return -1;
  std::array<std::uint8_t, 1024> raw{};
  byte_writer w{raw};
  for (int i = 0; i < count; ++i) put_le32(w, palette[i]);
  return std::fwrite(raw.data(), static_cast<std::size_t>(count) * 4, 1, stream) == 1 ? 0 : -1;
}

int write_bitmap(std::FILE* stream, const bitmap_header& header, const std::uint32_t* palette,
                 const std::uint8_t* pixels, const message_sink& sink) {
  const std::int32_t entries = bmp_palette_entries(header.bit_count);
  if (entries < 0) return -1;
  if (write_bitmap_header(stream, header) < 0) {
    say(sink, "error: write_bitmap() - can't write bitmap header\n");
    return -1;
  }
  if (entries > 0) {
    bool ok = true;
    if (palette == nullptr) {
      static constexpr std::uint8_t zero_entry[4] = {};
      for (std::int32_t i = 0; i < entries && ok; ++i) ok = std::fwrite(zero_entry, 4, 1, stream) == 1;
    } else {
      ok = write_palette(stream, palette, entries) == 0;
    }
    if (!ok) {
      say(sink, "error: write_bitmap() - can't write palette\n");
      return -1;
    }
  }

  const std::uint32_t width = header.width;
  const std::size_t row_bytes = std::size_t{width} * static_cast<std::size_t>(bytes_per_pixel_of(header.bit_count));
  const bmp_row_bytes<std::size_t> layout = bmp_row_layout<std::size_t>(width, header.bit_count);
  const std::size_t padding = layout.stored - layout.packed;
  static constexpr std::uint8_t zeros[4] = {};
  for (std::uint32_t r = header.height; r-- > 0;) {
    const std::uint8_t* row = pixels + r * row_bytes;
    const bool written = header.bit_count == 1 || header.bit_count == 4
                             ? write_packed_row(stream, row, width, header.bit_count)
                             : write_all(stream, row, row_bytes);
    if (!written || !write_all(stream, zeros, padding)) return -1;
  }
  return 0;
}

int ask_yes_no(const char* question, const message_sink& sink) {
  say(sink, "%s (Y or N): ", question);
  if (sink.console != nullptr) std::fflush(sink.console);
  for (;;) {
    const int c = std::getchar();
    if (c == 'y' || c == 'Y') return 1;
    if (c == 'n' || c == 'N' || c == EOF) return 0;
  }
}

int write_bitmap_file(const char* path, const bitmap& picture, std::int32_t overwrite,
                      const message_sink& sink) {
  bitmap_header header;
  if (create_bitmap_header(header, static_cast<std::uint32_t>(picture.width),
                           static_cast<std::uint32_t>(picture.height),
                           static_cast<std::uint16_t>(picture.bit_count)) < 0 ||
      !holds_all_pixels(picture, header.bit_count)) {
    say(sink, "error: create bitmap header\n");
    return -1;
  }
  if (overwrite == 0 && path_exists(path)) {
    say(sink, "'%s' already exists\n", path);
    if (ask_yes_no("overwrite ?", sink) == 0) return -1;
  }
  // The stream writes through a buffer of the writer's own, on the stack
  // for the length of this call: a 4-bit map picture goes out in one write
  // call, a 24-bit one in three, instead of one call every 4 KiB.
  std::array<char, stream_buffer_bytes> buffer;
  unique_file stream = open_file(path, "wb");
  if (stream == nullptr) {
    say(sink, "error: open '%s'\n", path);
    return -1;
  }
  std::setvbuf(stream.get(), buffer.data(), _IOFBF, buffer.size());
  // The stream's buffer takes the rows; a full disk may show only when it
  // is flushed at the close, which is checked like every write.
  if (write_bitmap(stream.get(), header, picture.palette, picture.pixels.get(), sink) < 0 ||
      close_written(stream) < 0) {
    say(sink, "error: write bitmap '%s'\n", path);
    return -1;
  }
  return 0;
}
