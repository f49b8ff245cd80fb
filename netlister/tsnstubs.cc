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
#include "netlister/tsnp2p.h"
#include "netlister/tsnwalk.h"

void do_pindlys(wirdata*) {}
void do_multi_driver_net_delays(TsnContext*, IwNet*) {}
