// tests/tsnrun.h - ends a netlister run made inside the test process.
//
// The program ends a run through its exit path, which frees nothing
// unless a memory-debugging mode asks for it: design objects live until
// the process ends.  A test that calls tsn_init and tsn_do_netlist itself
// gives everything back here, so that the leak checker of the sanitizer
// build sees only what the code under test loses.
#pragma once

#include "netlister/tsn.h"
#include "netlister/tsndtb.h"
#include "netlister/tsnini.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnp2p.h"
#include "netlister/tsnwalk.h"
#include "store/prj.h"
#include "store/pxlib.h"
#include "wirelist/iwsession.h"

namespace testutil {

inline void FreeRun() {
  tsndtb_reset();
  clr_attr_flt();
  pinsetclr();
  tsn_purge_cntxt();
  tsn_free_levels();
  lfree_wirdata(w);
  w = nullptr;
  tsnmsg_reset();
  iwsession_reset();
  prjReset();
  pxReset();
}

}  // namespace testutil
