// tests/smoke_test.cc - the program starts and ends.
#include <gtest/gtest.h>

#include "tests/testutil.h"

TEST(Smoke, ProgramRuns) {
  testutil::ScopedTempDir dir;
  auto r = testutil::RunProgram({TSN_BINARY, "top"}, dir.path());
  EXPECT_EQ(r.exit_code, 0);
}
