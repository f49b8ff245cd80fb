// util/rkshortcut.cc - the switch that turns the programs' shortcuts off;
// see rkshortcut.h.  Reads nothing itself: callers pass the variable's
// value, so that each program decides when it is read.
#include "util/rkshortcut.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

namespace {

constexpr unsigned kAllShortcuts = (1u << std::size(rkShortcutNames)) - 1;

std::size_t index_of(std::string_view word) {
  auto known = std::find(std::begin(rkShortcutNames), std::end(rkShortcutNames), word);
  return static_cast<std::size_t>(known - std::begin(rkShortcutNames));
}

}  // namespace

std::size_t rkShortcutIndex(const char* name) { return index_of(name ? name : ""); }

unsigned rkShortcutsLeft(const char* off) {
  if (!off || !off[0] || std::strcmp(off, "0") == 0) return kAllShortcuts;
  unsigned on = kAllShortcuts;
  std::string_view rest = off;
  while (!rest.empty()) {
    std::size_t end = rest.find_first_of(", ");
    std::string_view word = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (word.empty()) continue;
    std::size_t k = index_of(word);
    if (k == std::size(rkShortcutNames)) return 0;
    on &= ~(1u << k);
  }
  return on;
}
