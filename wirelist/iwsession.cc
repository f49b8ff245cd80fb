// wirelist/iwsession.cc - the one session of the wirelist database.
#include "wirelist/iwsession.h"

#include <new>

#include "util/rkmsg.h"
#include "wirelist/iwgbl.h"
#include "wirelist/iwtable.h"

IwSession iws;

void iwsession_reset() {
  // Tables hang on groups and sheets and are not in any pool; those of
  // groups never linked into the reference list are not reached here.
  auto drop_tables = [](IwGrp* g) {
    destroy_net_table(g);
    for (IwSch* s = g->schs; s; s = s->next) destroy_com_table(s);
  };
  for (IwGrp* g = iws.grpref; g; g = g->next) drop_tables(g);
  for (IwGrp* g : iws.deletedgrps) drop_tables(g);
  destroy_grp_table();
  if (iws.catalog) rkMsgFileClose(iws.catalog);
  iwgblfree();
  iwqkpurge();
  iwinitflist();
  for (void* p : iws.heapmade) iwfree(p);
  for (std::size_t n = 1; n <= iws.pools.size(); ++n) iwbfree(static_cast<int>(n));
  // The fresh session's records may land where the old ones were.
  const std::uint64_t generation = iws.generation + 1;
  iws.~IwSession();
  new (&iws) IwSession();
  iws.generation = generation;
}
