// tests/fuzz/symbol_fuzz.cc - the symbol reader on any input.
//
// The first byte chooses bus expansion; the rest is the symbol file, and
// whatever follows its first 0xFF byte is the group's pin-order file.
#include <cstdint>
#include <string>

#include "tests/fuzz/fuzzutil.h"
#include "wirelist/iwrdsym.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::Init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > fuzz::kMaxInput) return 0;
  fuzz::Reset(data[0] & 1);
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string pins;
  std::size_t cut = text.find('\xff');
  if (cut != std::string::npos) {
    pins = text.substr(cut + 1);
    text.resize(cut);
  }
  std::FILE* sym = fuzz::Stream(text);
  std::FILE* order = fuzz::Stream(pins);
  char name[] = "add4.1";
  iwrdsymstream(name, sym, order);
  if (sym) std::fclose(sym);
  if (order) std::fclose(order);
  fuzz::Reset(false);
  return 0;
}
