// tests/test_main.cc - GoogleTest entry for tsn_tests.
//
// The test program starts as tsn does: the message catalogs are found by
// the project store's search rule, which ends beside the executable, where
// the build puts tsn_tests with tsn and the compiled catalogs.  Tests of
// the utility library put a finder of their own in place, since that
// library stands below the store.
#include <gtest/gtest.h>

#include "store/pxlib.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  pxFindCatalogs();
  return RUN_ALL_TESTS();
}
