// Decoding of the hi-res tile file "SHAPES".
//
// The file is four planes of 4096 bytes: the left bytes (dots 0 to 6) of
// tiles 0 to 255, their right bytes (dots 7 to 13), then the left and the
// right bytes of tiles 256 to 511.  Within a plane, row s of the 256 tiles
// is a run of 256 bytes at s * 256, one byte per tile.  A hi-res byte holds
// seven dots in bits 0 to 6 (bit 0 leftmost) and the colour-group bit 7,
// which shifts its dots half a dot to the right.
#include "tiles/hires_decode.h"

#include <array>
#include <cstddef>

#include "tiles/shape_sheet.h"

namespace {

constexpr std::uint8_t flag_high_bit = 1;  // colour group forced by the shape type
constexpr std::uint8_t flag_water = 2;     // water parts repainted

constexpr std::uint32_t water_invert = 0x8000;
constexpr int water_tile = 3;  // its rows are the water pattern

constexpr std::size_t plane_bytes = 4096;
constexpr std::size_t half_bytes = 2 * plane_bytes;  // one half of the tiles
constexpr int tile_rows = 16;                       // hi-res rows per tile
constexpr int sheet_row_pixels = disk_tile_width * sheet_tiles_across;  // 448

// Mirror-room tile whose rows move one dot to the right.
constexpr int mirror_shift_tile = 220;
// The mirror-room type changes the colour group of tile rows 0 to 19 only.
constexpr int mirror_last_tile_row = 19;

// Flags of tiles 0 to 255.
constexpr std::array<std::uint8_t, 256> make_shape_flags() {
  std::array<std::uint8_t, 256> flags{};
  auto mark = [&flags](int first, int last, std::uint8_t flag) {
    for (int t = first; t <= last; ++t) flags[t] |= flag;
  };
  mark(5, 5, flag_high_bit);
  mark(30, 38, flag_high_bit);
  mark(48, 55, flag_high_bit);
  mark(76, 77, flag_high_bit);
  mark(96, 111, flag_high_bit);
  mark(52, 55, flag_water);
  mark(96, 111, flag_water);
  mark(228, 231, flag_water);
  return flags;
}
constexpr std::array<std::uint8_t, 256> shape_flags = make_shape_flags();

// Mask tile (low 8 bits) and invert bit of the tiles with the water flag.
constexpr std::array<std::uint32_t, 256> make_water_masks() {
  std::array<std::uint32_t, 256> masks{};
  for (int i = 0; i < 4; ++i) masks[52 + i] = 208 + i;
  for (int i = 0; i < 16; ++i) masks[96 + i] = 112 + i;
  for (int i = 0; i < 4; ++i) masks[228 + i] = (208 + i) | water_invert;
  return masks;
}
constexpr std::array<std::uint32_t, 256> water_masks = make_water_masks();

// Offset in the file of byte `k` (0 left, 1 right) of row `s` of tile `t`.
constexpr std::size_t byte_offset(int t, int k, int s) {
  return static_cast<std::size_t>(t / 256) * half_bytes + static_cast<std::size_t>(k) * plane_bytes +
         static_cast<std::size_t>(s) * 256 + static_cast<std::size_t>(t % 256);
}

// Writes the 14 sheet pixels of hi-res byte `b` from `out` on.
void expand_byte(std::uint8_t* out, std::uint8_t b) {
  if ((b & 0x80) == 0) {
    for (int dot = 0; dot < 7; ++dot) {
      const std::uint8_t v = (b >> dot) & 1;
      out[2 * dot] = v;
      out[2 * dot + 1] = v;
    }
    return;
  }
  // Delayed by half a dot: the marker first, and the second half of dot 6
  // falls off the byte.
  out[0] = delay_marker;
  for (int dot = 0; dot < 6; ++dot) {
    const std::uint8_t v = (b >> dot) & 1;
    out[1 + 2 * dot] = v;
    out[2 + 2 * dot] = v;
  }
  out[13] = (b >> 6) & 1;
}

// Decodes one tile into the sheet.
void decode_tile(std::uint8_t* pixels, const std::uint8_t* file, int row, int column,
                 std::int32_t shape_type, std::int32_t no_remake_water) {
  const int t = row * sheet_tiles_across + column;
  const int m = no_remake_water != 0 ? 0 : water_mask_of(row, column);
  const bool inverted = m < 0;
  const int mask_tile = inverted ? -m : m;
  const bool force_high = shape_type != shape_type_normal && has_high_bit(row, column) == 1;
  const bool mirror = shape_type == shape_type_mirror_room && row <= mirror_last_tile_row;

  for (int s = 0; s < tile_rows; ++s) {
    int carry = 0;
    std::uint8_t* out = pixels + static_cast<std::size_t>(row * disk_tile_height + 2 * s) * sheet_row_pixels +
                        static_cast<std::size_t>(column) * disk_tile_width;
    for (int k = 0; k < 2; ++k) {
      unsigned b = file[byte_offset(t, k, s)];
      if (m != 0) {
        const unsigned mb = file[byte_offset(mask_tile, k, s)];
        const unsigned wb = file[byte_offset(water_tile, k, s)];
        b = inverted ? ((b & mb) | (wb & ~mb)) : ((b & ~mb) | (wb & mb));
      }
      if (force_high) b |= 0x80;
      if (mirror) {
        if (t == mirror_shift_tile) {
          if (k == 0) {
            carry = (b & 0x40) != 0 ? 1 : 0;
            b = (b << 1) | 0x81;
          } else {
            b = (b << 1) | 0x80 | static_cast<unsigned>(carry);
          }
        } else {
          b ^= 0x80;
        }
      }
      expand_byte(out + 14 * k, static_cast<std::uint8_t>(b & 0xFF));
    }
  }
}

}  // namespace

int has_high_bit(int row, int column) {
  if (row < 0 || row > 15 || column < 0 || column >= sheet_tiles_across) return 0;
  return (shape_flags[row * sheet_tiles_across + column] & flag_high_bit) != 0 ? 1 : 0;
}

int water_mask_of(int row, int column) {
  if (row < 0 || row > 15 || column < 0 || column >= sheet_tiles_across) return 0;
  const int t = row * sheet_tiles_across + column;
  if ((shape_flags[t] & flag_water) == 0) return 0;
  const int mask_tile = static_cast<int>(water_masks[t] & 0xFF);
  return (water_masks[t] & water_invert) != 0 ? -mask_tile : mask_tile;
}

void decode_shape_data(std::span<std::uint8_t> pixels, std::span<const std::uint8_t> file,
                       std::int32_t shape_type, std::int32_t no_remake_water) {
  // Both buffers have fixed sizes; anything smaller is left alone.
  if (pixels.size() < disk_sheet_bytes || file.size() < shapes_file_size) return;
  for (int row = 0; row < sheet_tiles_down; ++row) {
    for (int column = 0; column < sheet_tiles_across; ++column) {
      decode_tile(pixels.data(), file.data(), row, column, shape_type, no_remake_water);
    }
  }
}
