#include "bitmap/bmp_write.h"
#include <gtest/gtest.h>
TEST(BmpWrite, Header) { bitmap_header h; EXPECT_EQ(create_bitmap_header(h, 896, 1024, 4), 0); EXPECT_EQ(h.file_length, 458870u); }
