// util/rkmem_test.cc - the region allocator.
#include "util/rkmem.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>

namespace {

TEST(RkMemRegions, PiecesAreAlignedDisjointAndSpanRegions) {
  RkMemRegions r;
  std::set<char*> seen;
  char* last = nullptr;
  // 3000 pieces of 8200 bytes do not fit one 8 MiB region.
  for (int i = 0; i < 3000; ++i) {
    auto* p = static_cast<char*>(rkMemRegionTake(&r, 8200));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 16, 0u);
    std::memset(p, i & 0xff, 8200);  // writable, all of it
    if (last && p > last) {
      EXPECT_GE(p, last + 8208);
    }
    EXPECT_TRUE(seen.insert(p).second);
    last = p;
  }
  EXPECT_GE(r.count, 3u);
  EXPECT_EQ(rkMemRegionTake(&r, std::size_t{9} << 20), nullptr);  // larger than a region
  rkMemRegionRelease(&r);
  EXPECT_EQ(r.count, 0u);
  EXPECT_EQ(r.regions, nullptr);
  EXPECT_NE(rkMemRegionTake(&r, 16), nullptr);  // usable again
  rkMemRegionRelease(&r);
  rkMemRegionRelease(nullptr);
}

}  // namespace
