// netlister/tsnstubs.cc - record writers and readers that are not built
// yet.  Each does nothing; where a run can ask for what they stand for,
// the run is told it is not built (README, "Not built yet").  They are
// replaced module by module.
#include "catalogs/tsn.h"
#include "netlister/tsn.h"
#include "netlister/tsncomp.h"
#include "netlister/tsndtb.h"
#include "netlister/tsnfsim.h"
#include "netlister/tsnini.h"
#include "netlister/tsnload.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnnet.h"
#include "netlister/tsnspawn.h"
#include "netlister/tsnwalk.h"

// External netlisters are not started yet: a run whose tsn.ini asks for
// them is told so, after the netlist, where their outcome would be logged.
void do_spawn_netlists() {
  if (w && w->spawn_directives) llogmsg(w->log, "%s", tsnMsgBuild(TSN_MSG_SPAWN_NOT_BUILT));
}
void spawn_free() {}
void spawn_addsym(IwCom*) {}
int spawn_findatt(IwAtt*) { return 0; }
void spawn_accel(TsnContext*, IwCom*, outdata*) {}
