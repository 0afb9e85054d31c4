#include "tiles/shape_sheet.h"

#include <gtest/gtest.h>

TEST(ApplePalette, GreysShareOneValueAndEndsAreBlackAndWhite) {
  EXPECT_EQ(apple_palette[0], 0x000000u);
  EXPECT_EQ(apple_palette[5], apple_palette[10]);
  EXPECT_EQ(apple_palette[15], 0xE5E5E5u);
  EXPECT_EQ(disk_sheet_bytes, std::uint32_t{disk_tile_width} * 16 * disk_tile_height * 32);
}
