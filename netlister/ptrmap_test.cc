// netlister/ptrmap_test.cc - the address map of the record writers.
#include "netlister/ptrmap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(PtrMap, KeepsEveryKeyThroughGrowth) {
  std::vector<int> objects(5000);
  PtrMap<std::string> map;
  EXPECT_EQ(map.find(&objects[0]), nullptr);
  for (std::size_t i = 0; i < objects.size(); ++i) map[&objects[i]] = std::to_string(i);
  EXPECT_EQ(map.size(), objects.size());
  for (std::size_t i = 0; i < objects.size(); ++i) {
    const std::string* v = map.find(&objects[i]);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(*v, std::to_string(i));
  }
  int outside = 0;
  EXPECT_EQ(map.find(&outside), nullptr);
  map[&objects[7]] += "!";  // an existing key is not inserted again
  EXPECT_EQ(map.size(), objects.size());
  EXPECT_EQ(*map.find(&objects[7]), "7!");
  map.clear();
  EXPECT_EQ(map.find(&objects[7]), nullptr);
  EXPECT_EQ(map.size(), 0u);
}

}  // namespace
