// netlister/tsnstubs.cc - record writers and readers that are not built
// yet.  Each does nothing (or reports that nothing was read); they are
// replaced module by module.
#include "netlister/tsncomp.h"
#include "netlister/tsndtb.h"
#include "netlister/tsnfsim.h"
#include "netlister/tsnini.h"
#include "netlister/tsnload.h"
#include "netlister/tsnnet.h"
#include "netlister/tsnspawn.h"
#include "netlister/tsnwalk.h"

void do_spawn_netlists() {}
void spawn_free() {}
void spawn_addsym(IwCom*) {}
int spawn_findatt(IwAtt*) { return 0; }
void spawn_accel(TsnContext*, IwCom*, outdata*) {}
