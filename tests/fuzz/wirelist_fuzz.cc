// tests/fuzz/wirelist_fuzz.cc - the wirelist file reader on any input.
//
// The first byte chooses bus expansion and the single-file form; the rest
// is the file.  A second sheet of the same group is read after the first
// when the first succeeded, so records that meet an existing group and
// sheet get exercised too.
#include <cstdint>
#include <string>

#include "tests/fuzz/fuzzutil.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwparse.h"

namespace {

// Walks everything the reader built through the accessors, as the
// netlister would.
void Walk() {
  for (IwGrp* g = iws.grpref; g; g = g->next) {
    for (IwCom* c = iggrpcom(g, nullptr); c; c = iggrpcom(g, c)) {
      for (const IwAtt* a = igcossat(c, nullptr); a; a = igcossat(c, a)) {
      }
      for (IwPin* p = igcompin(c); p; p = igpincnx(p)) {
        igpinnet(p);
        igpinspn(p);
        for (const IwAtt* a = igcospat(p, nullptr); a; a = igcospat(p, a)) {
        }
      }
    }
    for (IwNet* n = g->nets; n; n = n->next)
      for (IwPin* p = ignetpin(n); p; p = igpinnnx(p)) igpinown(p);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::Init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > fuzz::kMaxInput) return 0;
  fuzz::Reset(data[0] & 1);
  int single = (data[0] >> 1) & 1;
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  for (int sheet = 1; sheet <= 2; ++sheet) {
    std::FILE* in = fuzz::Stream(text);
    if (!in) break;
    iws.input = in;
    iws.cursheet = sheet;
    IwGrp* g = iwparse("ALU", single);
    std::fclose(in);
    iws.input = nullptr;
    if (!g) break;
  }
  Walk();
  fuzz::Reset(false);
  return 0;
}
