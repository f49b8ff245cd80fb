// util/rkbanner.cc - see rkbanner.h.
#include "util/rkbanner.h"

#include <cstdio>

void rkBanner(const char* name, const char* version) {
  std::printf("%s - V%s; %s\n", name ? name : "", version ? version : "", kRkRelease);
  std::fflush(stdout);
}
