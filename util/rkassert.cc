// util/rkassert.cc - see rkassert.h.
#include "util/rkassert.h"

bool rkAssertCheck(bool ok, const char* text, std::FILE* out) {
  if (!ok) {
    std::fprintf(out, "PROGRAM FAILURE: Assertion %s failed.\n", text);
    std::fflush(out);
  }
  return ok;
}
