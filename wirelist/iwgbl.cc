// wirelist/iwgbl.cc - the global net table and the "G" record.
//
// The table is a list, newest entry first, because its walk order
// (iwgblnet) is what reports and writers see; the index by name beside it
// and the per-entry set of group names keep declaring a net in many
// groups linear in the number of declarations.
#include "wirelist/iwgbl.h"

#include <cstring>
#include <new>
#include <vector>

#include "wirelist/iwmem.h"
#include "wirelist/iwparse.h"
#include "wirelist/iwsession.h"
#include "wirelist/limits.h"

namespace {

IwGblEntry* find_entry(const char* name) {
  auto it = iws.gblbyname.find(name);
  if (it == iws.gblbyname.end()) return nullptr;
  IwGblEntry* e = it->second;
  if (e->net && e->net->name && std::strcmp(e->net->name, name) == 0) return e;
  // A net was renamed without telling the table: rebuild and look again.
  iwgblreindex();
  it = iws.gblbyname.find(name);
  return it == iws.gblbyname.end() ? nullptr : it->second;
}

}  // namespace

void iwgblfree() {
  for (IwGblEntry* e = iws.gblnets; e;) {
    IwGblEntry* next = e->next;
    for (IwGblGroup* c = e->groups; c;) {
      IwGblGroup* cn = c->next;
      c->~IwGblGroup();
      iwfree(c);
      c = cn;
    }
    e->~IwGblEntry();
    iwfree(e);
    e = next;
  }
  iws.gblnets = nullptr;
  iws.gblbyname.clear();
  iws.gblcursor = nullptr;
  iws.gblgrpcursor = nullptr;
}

void iwgblinit() { iwgblfree(); }

void iwgblreindex() {
  iws.gblbyname.clear();
  std::vector<IwGblEntry*> entries;
  for (IwGblEntry* e = iws.gblnets; e; e = e->next) entries.push_back(e);
  // Oldest first, so that a name held by two entries finds the newest, as
  // a walk of the list from its head would.
  for (auto it = entries.rbegin(); it != entries.rend(); ++it)
    if ((*it)->net && (*it)->net->name) iws.gblbyname[(*it)->net->name] = *it;
}

void iwaddgblnet(IwNet* net, IwGrp* group) {
  if (!net || !net->name) return;
  IwGblEntry* e = find_entry(net->name);
  if (!e) {
    e = new (iwalloc(sizeof(IwGblEntry))) IwGblEntry();
    e->net = net;
    e->next = iws.gblnets;
    iws.gblnets = e;
    iws.gblbyname[net->name] = e;
  }
  if (!group) return;
  std::string gname = group->name ? group->name : "";
  if (!e->grpnames.insert(gname).second) return;
  auto* cell = new (iwalloc(sizeof(IwGblGroup))) IwGblGroup();
  cell->grp = group;
  cell->next = e->groups;
  e->groups = cell;
}

IwNet* iwgblnet(const IwNet* prev) {
  iws.gblcursor = prev ? (iws.gblcursor ? iws.gblcursor->next : nullptr) : iws.gblnets;
  return iws.gblcursor ? iws.gblcursor->net : nullptr;
}

IwGrp* iwgblgrp(const IwNet* net, int next) {
  if (!net) return nullptr;
  if (!next) {
    IwGblEntry* e = net->name ? find_entry(net->name) : nullptr;
    iws.gblgrpcursor = e ? e->groups : nullptr;
  } else if (iws.gblgrpcursor) {
    iws.gblgrpcursor = iws.gblgrpcursor->next;
  }
  return iws.gblgrpcursor ? iws.gblgrpcursor->grp : nullptr;
}

void iwgnet(IwGrp* group) {
  if (iwtoken(" \n", " ") < 0 || iws.atlineend) return;
  std::string name = iws.token;
  IwExpIter it;
  iwexpbegin(&it, name.c_str(), iws.busexpand);
  char bit[iw::kBitNameBuffer];
  while (iwexpnext(&it, bit, sizeof bit)) {
    IwNet* net = iwmknet(bit, group);
    if (!net) continue;  // "?" names no net
    net->kind = IW_GLOBALNET;
    iwaddgblnet(net, group);
  }
}
