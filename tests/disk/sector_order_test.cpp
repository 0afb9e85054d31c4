#include "disk/sector_order.h"

#include <gtest/gtest.h>

TEST(SectorOrder, TranslationPairsBlocksOfATrack) {
  // Block j of a track is DOS 3.3 sectors (0,14), (13,12), ..., (1,15).
  const int expected[8][2] = {{0, 14}, {13, 12}, {11, 10}, {9, 8}, {7, 6}, {5, 4}, {3, 2}, {1, 15}};
  for (int j = 0; j < 8; ++j) {
    EXPECT_EQ(sector_translation[2 * j], expected[j][0]);
    EXPECT_EQ(sector_translation[2 * j + 1], expected[j][1]);
  }
  EXPECT_EQ(&translation_for(1), &identity_translation);
  EXPECT_EQ(&translation_for(2), &sector_translation);
  EXPECT_EQ(&translation_for(0), &sector_translation);
}
