// tests/test_main.cc - GoogleTest entry for tsn_tests.
//
// The test binary lives beside tsn and the compiled catalogs, so the
// executable directory is registered first: catalog look-ups in unit tests
// then find the .vmb files the way the program does.
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
