#include "driver/map_table.h"
#include <gtest/gtest.h>
TEST(MapTable, FloorLabels) { EXPECT_STREQ(floor_label(255), "B1F"); }
