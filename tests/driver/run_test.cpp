#include <gtest/gtest.h>
#include "support/run_program.h"
#include "support/temp_dir.h"
TEST(Run, Help) {
  temp_dir dir;
  program_result r = run_program(ZUD2AVUZE_PATH, {"-?"}, dir.path.string());
  EXPECT_EQ(r.exit_status, 1);
}
