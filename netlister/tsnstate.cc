// netlister/tsnstate.cc - the switch and the reset of all netlister
// state; see tsnstate.h.
#include "netlister/tsnstate.h"

#include <cstdlib>

#include "netlister/tsndtb.h"
#include "netlister/tsnini.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnp2p.h"

TsnSwitches tsn_switches;

unsigned tsn_read_switches() {
  tsn_switches.on = rkShortcutsLeft(std::getenv("TSN_NO_SHORTCUTS"));
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
