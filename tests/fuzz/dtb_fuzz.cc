// tests/fuzz/dtb_fuzz.cc - the delay-table reader on any input.
//
// The input is written as fuzz.dtb in a scratch directory that the target
// works in, and read into a fresh table; a DTB= line may name the file
// itself (refused) or any other name (not found).  The table is then
// listed as the end of a run lists it: the unreferenced entries and the
// dtb.out dump.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "netlister/tsn.h"
#include "netlister/tsndtb.h"
#include "store/pxlib.h"
#include "tests/fuzz/fuzzutil.h"

namespace {

char scratch[] = "/tmp/tsn-dtb-fuzz-XXXXXX";

void remove_scratch() {
  for (const char* f : {"fuzz.dtb", "dtb.out"})
    std::remove((std::string(scratch) + "/" + f).c_str());
  rmdir(scratch);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::Init();
  if (!mkdtemp(scratch) || pxSetdef(scratch) != 0) std::abort();
  std::atexit(remove_scratch);
  tsn_data_init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > fuzz::kMaxInput) return 0;
  std::FILE* fp = std::fopen("fuzz.dtb", "wb");
  if (!fp) std::abort();
  std::fwrite(data, 1, size, fp);
  std::fclose(fp);
  tsndtb_reset();
  readDtbFile("fuzz", "");
  unrefDtbs();
  printDtbStructures();
  tsndtb_reset();
  return 0;
}
