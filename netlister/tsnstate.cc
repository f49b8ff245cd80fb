// netlister/tsnstate.cc - the switch and the reset of all netlister
// state; see tsnstate.h.
#include "netlister/tsnstate.h"

#include <cstdlib>
#include <cstring>

#include "netlister/tsnini.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnp2p.h"

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

void tsn_state_reset() {
  // The run record first: freeing it closes its streams, which may still
  // write messages through the catalog.
  tsnmain_reset();
  tsnutil_reset();
  tsnmsg_reset();
  clr_attr_flt();
  pinsetclr();
  tsnwalk_reset();
  tsnfsim_reset();
  tsndtb_reset();
  tsncomp_reset();
  tsnnet_reset();
  switches = SwitchState();
}
