// netlister/tsnstate.cc - the switch and the reset of all netlister
// state; see tsnstate.h.
#include "netlister/tsnstate.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string_view>

#include "netlister/tsndtb.h"
#include "netlister/tsnini.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnp2p.h"

namespace {

constexpr unsigned kAllShortcuts = (1u << std::size(kShortcutNames)) - 1;

// The shortcuts TSN_NO_SHORTCUTS leaves on: all for nothing or "0", all
// but the named ones for a list of names, none for anything else.
unsigned shortcuts_left(const char* off) {
  if (!off || !off[0] || std::strcmp(off, "0") == 0) return kAllShortcuts;
  unsigned on = kAllShortcuts;
  std::string_view rest = off;
  while (!rest.empty()) {
    std::size_t end = rest.find_first_of(", ");
    std::string_view word = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (word.empty()) continue;
    auto known = std::find(std::begin(kShortcutNames), std::end(kShortcutNames), word);
    if (known == std::end(kShortcutNames)) return 0;
    on &= ~(1u << (known - std::begin(kShortcutNames)));
  }
  return on;
}

}  // namespace

TsnSwitches tsn_switches;

unsigned tsn_read_switches() {
  tsn_switches.on = shortcuts_left(std::getenv("TSN_NO_SHORTCUTS"));
  tsn_switches.read = true;
  return tsn_switches.on;
}

void tsn_state_reset() {
  // The run record first: freeing it closes its streams, which may still
  // write messages through the catalog.
  tsnmain_reset();
  tsnutil_reset();
  tsnmsg_reset();
  clr_attr_flt();
  pinsetclr();
  tsnp2p_reset();
  tsnwalk_reset();
  tsnfsim_reset();
  tsndtb_reset();
  tsncomp_reset();
  tsnnet_reset();
  tsn_switches = TsnSwitches();
}
