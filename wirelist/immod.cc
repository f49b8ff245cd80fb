// wirelist/immod.cc - changing the design in memory; see immod.h.
#include "wirelist/immod.h"

#include <cstdint>

#include "catalogs/nodex.h"
#include "wirelist/iwcheck.h"
#include "wirelist/iwindex.h"
#include "wirelist/iwlib.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwmsg.h"

IwSch* imcgrpsch(IwGrp* group, int number, int* status) {
  *status = IW_MOD_OK;
  if (!i_check_otype(group, NX_GROUPS, status)) {
    iwmsghndlr(2, NDX_CHKTYPE, "imcgrpsch");
    return nullptr;
  }
  const char* name = group->name ? group->name : "";
  if (!iggrpown(group)) {
    iwmsghndlr(2, NDX_SPNNOSYMBOL, "imcgrpsch: Null owner for group", name);
    *status = IW_MOD_NOTMADE;
    return nullptr;
  }
  if (number <= 0 || number > INT16_MAX) {
    iwmsghndlr(2, NDX_MODSHEETNUMBER, number, name);
    *status = IW_MOD_SHEETNUMBER;
    return nullptr;
  }
  if (!i_check_writable(group, status)) {
    iwmsghndlr(2, NDX_MODNOTWRITABLE, "imcgrpsch - LIB", name);
    *status = IW_MOD_NOTWRITABLE;
    return nullptr;
  }
  IwSch** link = &group->schs;
  while (*link && (*link)->number < number) link = &(*link)->next;
  if (*link && (*link)->number == number) {
    iwmsghndlr(2, NDX_MODEXISTS, "imcgrpsch - GROUP");
    *status = IW_MOD_EXISTS;
    return nullptr;
  }
  IwSch* sch = iwmaksch();
  if (!sch) {
    iwmsghndlr(2, NDX_SPNNOSYMBOL, "imcgrpch: Could not create schematic", name);
    *status = IW_MOD_NOTMADE;
    return nullptr;
  }
  sch->number = static_cast<std::int16_t>(number);
  sch->grp = group;
  sch->next = *link;
  *link = sch;
  iwschforget(group);  // linked by hand: a sheet index beside the list is stale
  return sch;
}
