// wirelist/iwgbl.cc - the global net table and the "G" record.
//
// The table is a list, newest entry first, because its walk order
// (iwgblnet) is what reports and writers see; the index by name beside it
// and the per-entry set of group names keep declaring a net in many
// groups linear in the number of declarations.
#include "wirelist/iwgbl.h"

#include <cstring>
#include <new>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "catalogs/nodex.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwinit.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwparse.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"
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

void free_entry(IwGblEntry* e) {
  for (IwGblGroup* c = e->groups; c;) {
    IwGblGroup* cn = c->next;
    c->~IwGblGroup();
    iwfree(c);
    c = cn;
  }
  e->~IwGblEntry();
  iwfree(e);
}

}  // namespace

void iwgblfree() {
  for (IwGblEntry* e = iws.gblnets; e;) {
    IwGblEntry* next = e->next;
    free_entry(e);
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

// --- table maintenance -------------------------------------------------------------------

namespace {

// Unlinks e and frees it.  A walk of iwgblnet that stood on e goes on
// with the entry after it; one of iwgblgrp inside e ends.
void remove_entry(IwGblEntry* e) {
  IwGblEntry* prev = nullptr;
  for (IwGblEntry** link = &iws.gblnets; *link; prev = *link, link = &(*link)->next) {
    if (*link != e) continue;
    *link = e->next;
    break;
  }
  if (iws.gblcursor == e) iws.gblcursor = prev;
  for (IwGblGroup* c = e->groups; c; c = c->next)
    if (iws.gblgrpcursor == c) iws.gblgrpcursor = nullptr;
  free_entry(e);
  // Another entry may carry the same name; the index must find it now.
  iwgblreindex();
}

// Takes the first cell of group out of e's group list; true when found.
bool drop_group(IwGblEntry* e, const IwGrp* group) {
  for (IwGblGroup** link = &e->groups; *link; link = &(*link)->next) {
    IwGblGroup* c = *link;
    if (c->grp != group) continue;
    *link = c->next;
    if (iws.gblgrpcursor == c) iws.gblgrpcursor = nullptr;
    e->grpnames.erase(group->name ? group->name : "");
    c->~IwGblGroup();
    iwfree(c);
    return true;
  }
  return false;
}

}  // namespace

void iwdelgblnet(IwNet* net) {
  if (!net) return;
  for (IwGblEntry* e = iws.gblnets; e; e = e->next) {
    if (e->net != net) continue;
    remove_entry(e);
    return;
  }
}

void iwreplacegblnet(IwNet* newnet, IwNet* oldnet) {
  if (!oldnet || newnet == oldnet) return;
  bool changed = false;
  for (IwGblEntry* e = iws.gblnets; e; e = e->next) {
    if (e->net != oldnet) continue;
    e->net = newnet;
    changed = true;
  }
  if (changed) iwgblreindex();
}

void iwgbldel(IwNet* net, IwGrp* group) {
  if (!net || !group || !net->name) return;
  IwGblEntry* e = find_entry(net->name);
  if (e && drop_group(e, group) && !e->groups) remove_entry(e);
}

void iwgblforget(IwNet* net) {
  if (!net) return;
  for (IwGblEntry* e = iws.gblnets; e;) {
    IwGblEntry* next = e->next;
    if (e->net == net) {
      IwNet* heir = nullptr;
      for (IwGblGroup* c = e->groups; c && !heir; c = c->next) {
        if (c->grp == net->grp) continue;
        IwNet* other = fetch_net(c->grp, net->name);
        if (other && other != net) heir = other;
      }
      if (heir) {
        e->net = heir;
        if (net->grp) drop_group(e, net->grp);
      } else {
        remove_entry(e);
      }
    }
    e = next;
  }
}

// --- upward propagation of global names ----------------------------------------------

namespace {

// A component whose group is read below it: not a primitive, and not a
// leaf at the active levels.
bool descends(const IwCom* com) {
  return com && com->sym && com->sym->grp && com->sym->symtype != IW_MODULE &&
         !iwgetlevel(com->sym->atts);
}

const char* name_of(const IwGrp* g) { return g && g->name ? g->name : ""; }

// Gives each net of group the global name of the lower net its ports lead
// to; returns the number of conflicts with a global name it already has.
int rename_from_below(IwGrp* group) {
  int conflicts = 0;
  for (IwNet* net = group->nets; net; net = net->next) {
    for (IwPin* pin = ignetpin(net); pin; pin = igpinnnx(pin)) {
      IwCom* com = igpinown(pin);
      if (!descends(com)) continue;
      IwSpn* spn = igpinspn(pin);
      IwNet* lower = spn ? spn->net : nullptr;
      if (!lower || lower->kind != IW_GLOBALNET || !lower->name) continue;
      if (net->kind == IW_GLOBALNET) {
        if (std::strcmp(net->name, lower->name) == 0) continue;
        ++conflicts;
        iwmsghndlr(2, NDX_GBLCONFLICT, net->name, name_of(group));
        iwmsghndlr(10, NDX_GBLCONFLICT2, lower->name, name_of(lower->grp));
        iwmsghndlr(10, NDX_GBLCONFLICT3, net->name);
      } else {
        iwmsghndlr(1, NDX_GBLRENAME, net->name, name_of(group));
        iwmsghndlr(9, NDX_GBLRENAME2, lower->name, name_of(lower->grp), igcomnam(com));
        iwmsghndlr(9, NDX_GBLRENAME3);
        ianetnam(net, lower->name);
        net->kind = IW_GLOBALNET;
      }
    }
  }
  return conflicts;
}

// Local nets of group named like the net of a table entry, one count and
// one message per such entry.
int local_clashes(IwGrp* group) {
  std::unordered_map<std::string_view, int> global;
  for (IwGblEntry* e = iws.gblnets; e; e = e->next)
    if (e->net && e->net->name) ++global[e->net->name];
  int clashes = 0;
  for (IwNet* net = group->nets; net; net = net->next) {
    if (net->kind == IW_GLOBALNET || !net->name) continue;
    auto it = global.find(net->name);
    if (it == global.end()) continue;
    for (int k = 0; k < it->second; ++k) {
      ++clashes;
      iwmsghndlr(2, NDX_GBLCLASH, net->name, name_of(group));
    }
  }
  return clashes;
}

}  // namespace

int iwgblren(IwGrp* group) {
  if (!group) return 0;
  // Lower groups first, one visit per occurrence in the hierarchy.  The
  // walk keeps its own stack, so a deep hierarchy cannot exhaust the
  // call stack, and skips a group already on the path, so a design that
  // instantiates itself ends.
  struct Frame {
    IwGrp* grp;   // group of this level
    IwCom* next;  // its component to look at next, null when done
  };
  std::vector<Frame> stack{{group, iggrpcom(group, nullptr)}};
  std::unordered_set<const IwGrp*> onpath{group};
  int count = 0;
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (IwCom* com = f.next) {
      f.next = iggrpcom(f.grp, com);
      IwGrp* lower = descends(com) ? com->sym->grp : nullptr;
      if (lower && onpath.insert(lower).second) stack.push_back({lower, iggrpcom(lower, nullptr)});
      continue;
    }
    int conflicts = rename_from_below(f.grp);
    onpath.erase(f.grp);
    stack.pop_back();
    if (stack.empty()) count = conflicts;
  }
  return count + local_clashes(group);
}
