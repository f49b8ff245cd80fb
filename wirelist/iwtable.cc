// wirelist/iwtable.cc - the group, net and component tables.
#include "wirelist/iwtable.h"

#include <cstring>

#include "util/rkstr.h"
#include "util/rksym.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwsession.h"
#include "wirelist/limits.h"

namespace {

// Keys are interned names that live as long as the database, so the
// tables keep the caller's pointer instead of copying it.
RkSymTable* make_table(int slots) {
  RkSymTable* t = rkSymCreate(slots, rkSymStHash, rkStrEqu, rkSymReturn, rkSymDummy);
  rkSymDynamic(t, iw::kTableLoad, iw::kTableGrowth);
  return t;
}

}  // namespace

RkSymTable* create_grp_table() {
  if (!iws.grptab) iws.grptab = make_table(iw::kGroupTableSlots);
  return iws.grptab;
}

void destroy_grp_table() {
  rkSymDestroy(iws.grptab, nullptr);
  iws.grptab = nullptr;
}

void store_grp(IwGrp* group) {
  if (!group) return;
  rkSymStore(create_grp_table(), group->name, group);
}

IwGrp* remove_grp(const char* name) {
  return iws.grptab ? static_cast<IwGrp*>(rkSymRemove(iws.grptab, name)) : nullptr;
}

IwGrp* fetch_grp(const char* name) {
  return iws.grptab ? static_cast<IwGrp*>(rkSymFetch(iws.grptab, name)) : nullptr;
}

RkSymTable* create_net_table(const void* big) {
  return make_table(big ? iw::kBigNetTableSlots : iw::kNetTableSlots);
}

void destroy_net_table(IwGrp* group) {
  if (!group) return;
  rkSymDestroy(group->nettab, nullptr);
  group->nettab = nullptr;
}

void store_net(IwGrp* group, IwNet* net) {
  if (!group || !net) return;
  if (!group->nettab) group->nettab = create_net_table(nullptr);
  rkSymStore(group->nettab, net->name, net);
}

IwNet* remove_net(IwGrp* group, const char* name) {
  if (!group || !group->nettab) return nullptr;
  return static_cast<IwNet*>(rkSymRemove(group->nettab, name));
}

IwNet* fetch_net(const IwGrp* group, const char* name) {
  if (!group || !group->nettab) return nullptr;
  return static_cast<IwNet*>(rkSymFetch(group->nettab, name));
}

RkSymTable* create_com_table() { return make_table(iw::kComTableSlots); }

void destroy_com_table(IwSch* sheet) {
  if (!sheet) return;
  rkSymDestroy(sheet->comtab, nullptr);
  sheet->comtab = nullptr;
}

void store_com(IwSch* sheet, IwCom* component) {
  if (!sheet || !component) return;
  if (!sheet->comtab) sheet->comtab = create_com_table();
  rkSymStore(sheet->comtab, igcomnam(component), component);
}

IwCom* remove_com(IwSch* sheet, const char* name) {
  if (!sheet || !sheet->comtab) return nullptr;
  return static_cast<IwCom*>(rkSymRemove(sheet->comtab, name));
}

IwCom* fetch_com(const IwSch* sheet, const char* name) {
  if (!sheet || !sheet->comtab) return nullptr;
  return static_cast<IwCom*>(rkSymFetch(sheet->comtab, name));
}

IwCom* fetch_grp_com(const IwGrp* group, const char* name) {
  for (const IwSch* s = group ? group->schs : nullptr; s; s = s->next)
    if (IwCom* c = fetch_com(s, name)) return c;
  return nullptr;
}

IwGrp* iwgrpref(char* name) {
  if (!name) return nullptr;
  rkStrUpc(name);
  IwGrp* g = fetch_grp(name);
  if (g && g->sym && g->sym->symtype == IW_PLDCOMP) return nullptr;
  return g;
}

IwGrp* iwgengrpref(const char* name) {
  if (!name) return nullptr;
  for (IwGrp* g = iws.grpref; g; g = g->next)
    if (g->name && std::strcmp(g->name, name) == 0) return g;
  return nullptr;
}
