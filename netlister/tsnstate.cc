// netlister/tsnstate.cc - switches that hold for the whole run; see
// tsnstate.h.
#include "netlister/tsnstate.h"

#include <cstdlib>
#include <cstring>

namespace {

// Process-wide state of the switches.
struct SwitchState {
  int shortcuts = -1;  // -1 not read yet, then 0 or 1
};
SwitchState switches;

}  // namespace

bool tsn_shortcuts() {
  if (switches.shortcuts < 0) {
    const char* off = std::getenv("TSN_NO_SHORTCUTS");
    switches.shortcuts = off && off[0] && std::strcmp(off, "0") != 0 ? 0 : 1;
  }
  return switches.shortcuts == 1;
}

void tsn_shortcuts_reset() { switches.shortcuts = -1; }
