#include "driver/options.h"
#include <gtest/gtest.h>
#include "support/temp_dir.h"
TEST(Options, Defaults) {
  arg_vector args({"zud2avuze"});
  options o;
  ASSERT_EQ(parse_options(args.argc(), args.argv(), o), 0);
  EXPECT_EQ(o.category_mask, 15);
}
