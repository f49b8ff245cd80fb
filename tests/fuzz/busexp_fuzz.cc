// tests/fuzz/busexp_fuzz.cc - bus-name expansion on any name.
//
// The first byte chooses the separator set and the output buffer size;
// the rest is two names separated by the first line end.  The first name
// is expanded (at most kMaxNames names are asked for), a copy of the
// state taken after its first name must yield the same names, and the
// number of names must agree with the width.  The subset test runs on
// both names.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "util/rkbus.h"

namespace {

// No caller asks one name for more signals than a width can count.
constexpr int kMaxNames = 65536;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 4096) return 0;
  rkBusExpandReset();
  rkBusExpandRepsep((data[0] & 1) ? " ," : ",");
  int bufsize = 2 + ((data[0] >> 1) & 127) * 4;  // 2 .. 510
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  text = text.c_str();  // names end at a NUL
  std::size_t nl = text.find('\n');
  std::string a = text.substr(0, nl);
  std::string b = nl == std::string::npos ? a : text.substr(nl + 1);

  int width = rkBusExpandWidth(a.c_str());
  std::string buf(static_cast<std::size_t>(bufsize), '\0');
  std::string copybuf = buf;
  RkBusState* st = nullptr;
  RkBusState* copy = nullptr;
  int names = 0;
  bool clean_end = false;
  while (names < kMaxNames) {
    st = rkBusExpand(st, a.c_str(), buf.data(), bufsize);
    if (!st) {
      clean_end = rkBusExpandStatus() == RKBUS_OK;
      break;
    }
    ++names;
    if (names == 1) {
      copy = rkBusExpandCopy(st);
    } else if (copy) {
      copy = rkBusExpand(copy, a.c_str(), copybuf.data(), bufsize);
      if (copy && std::strcmp(buf.c_str(), copybuf.c_str()) != 0) std::abort();
    }
  }
  rkBusExpandFree(st);
  rkBusExpandFree(copy);
  // A name that expanded to its end without error has as many signals as
  // its width says.
  if (clean_end && width > 0 && names != width) std::abort();

  rkBusExpandFrame(a.c_str());
  rkBusExpandSubset(a.c_str(), b.c_str());
  return 0;
}
