// wirelist/iwobj.cc - constructors and linking rules of the wirelist records.
//
// The readers build a design through these functions; their order rules
// are observable through every report that walks the records:
// - components and nets are put at the head of their lists, sheets are
//   appended in creation order;
// - a group's first symbol stays first, later ones are kept by number;
// - attribute lists are sorted by name, then value (iwaddatt), and name
//   look-ups stop as soon as the searched name sorts before the element.
#include "wirelist/iwobj.h"

#include <cstring>
#include <string>

#include "catalogs/nodex.h"
#include "util/rkstr.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwindex.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwname.h"
#include "wirelist/iwrdsym.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"

namespace {

const char* after_semicolon(const char* s) {
  const char* p = std::strchr(s, ';');
  return p ? p + 1 : s;
}

// The instance name a component keeps: interned, or in unique-strings mode
// an upper-case copy of its own.
const char* instance_name(const char* instance) {
  if (!iws.uniquestr) return iwmkname(instance);
  if (!instance) instance = "";
  std::size_t n = std::strlen(instance);
  auto* copy = static_cast<char*>(iwballoc(iwdatapool(), n + 1));
  std::memcpy(copy, instance, n + 1);
  return rkStrUpc(copy);
}

// Links a group the reader made at the head of the reference list and
// into the group table.
void link_group(IwGrp* g) {
  g->next = iws.grpref;
  iws.grpref = g;
  store_grp(g);
}

// Applies the type rule of a group met with symbol type type.
void apply_type(IwGrp* g, int type) {
  if (g->sym && g->sym->symtype == IW_UNKNOWN)
    g->sym->symtype = static_cast<std::int16_t>(type);
  else
    iwchktype(g, type);
}

}  // namespace

const char* iwotypnam(int code) {
  switch (code) {
    case NX_PINS:
      return "NX_PINS";
    case NX_NETS:
      return "NX_NETS";
    case NX_COMPONENTS:
      return "NX_COMPONENTS";
    case NX_SCHEMATICS:
      return "NX_SCHEMATICS";
    case NX_SYMPINS:
      return "NX_SYMPINS";
    case NX_SYMBOLS:
      return "NX_SYMBOLS";
    case NX_GROUPS:
      return "NX_GROUPS";
    case NX_ATTRIBUTES:
      return "NX_ATTRIBUTES";
    case NX_LIBS:
      return "NX_LIBS";
    default:
      return "UNKNOWN_OTYPE";
  }
}

const char* iwsymtype(int code) {
  switch (code) {
    case IW_MODULE:
      return "MODULE";
    case IW_COMPOSITE:
      return "COMPOSITE";
    case IW_PIN:
      return "PIN";
    case IW_PLD:
      return "PLD";
    case IW_PLDCOMP:
      return "PLDCOMP";
    default:
      return "UNKNOWN";
  }
}

int iwchktype(IwGrp* group, int type) {
  if (!group || !group->sym) return 0;
  int old = group->sym->symtype;
  if (old == IW_UNKNOWN) {
    group->sym->symtype = static_cast<std::int16_t>(type);
    return 1;
  }
  // A PLD may stand for a group of any type, and an unknown use says
  // nothing about the group.
  if (old == type || type == IW_UNKNOWN || old == IW_PLD || type == IW_PLD) return 1;
  iwmsghndlr(4, NDX_TYPECONFLICT, iwsymtype(old), iwsymtype(type), group->name);
  return 0;
}

IwGrp* iwmkgroup(const char* name) {
  auto* g = iwpoolnew<IwGrp>();
  g->name = iwmkname(name);
  g->sym = iwmksym(g);
  return g;
}

IwGrp* iwaddgroup(IwGrp* group, int type) {
  if (group) {
    if (!group->sym) group->sym = iwmksym(group);
    iwchktype(group, type);
    return group;
  }
  IwGrp* g = iwmkgroup(iws.token);
  g->sym->symtype = static_cast<std::int16_t>(type);
  if (!iws.grpref) iws.topgrp = g;
  link_group(g);
  iwldasym(g);
  return g;
}

IwSym* iwmksym(IwGrp* group) {
  auto* s = iwpoolnew<IwSym>();
  s->grp = group;
  return s;
}

IwSch* iwmksch(IwGrp* group) {
  auto* s = iwpoolnew<IwSch>();
  s->number = static_cast<std::int16_t>(iws.cursheet);
  s->grp = group;
  return s;
}

IwSch* iwgetsch(IwGrp* group) {
  if (!group) return nullptr;
  bool known = false;
  if (IwSch* s = iwschfind(group, iws.cursheet, &known)) return s;
  if (known) {
    IwSch* s = iwmksch(group);
    iwschappend(group, s);
    return s;
  }
  IwSch** link = &group->schs;
  int passed = 0;
  for (; *link; link = &(*link)->next, ++passed) {
    if ((*link)->number == iws.cursheet) break;
  }
  if (!*link) *link = iwmksch(group);
  if (passed >= iw::kSchIndexMin) iwschbuild(group);
  return *link;
}

IwCom* iwmkcomp(const char* instance, const char* grpname, int type) {
  auto* c = iwpoolnew<IwCom>(iw::kLaneComs);
  c->name = instance_name(instance);
  std::string key = grpname ? grpname : "";
  IwGrp* g = iwgrpref(key.data());
  if (!g) {
    g = iwmkgroup(key.c_str());
    link_group(g);
  }
  c->sym = g->sym;
  apply_type(g, type);
  iwicompcount();
  iwstatus(nullptr, 1, 1);
  return c;
}

void iwaddcomp(IwSch* sheet, IwCom* component) {
  if (!sheet || !component) return;
  component->sch = sheet;
  if (!sheet->coms) sheet->lastcom = component;
  component->next = sheet->coms;
  sheet->coms = component;
  store_com(sheet, component);
}

IwNet* iwmknet(const char* name, IwGrp* group) {
  if (!name || std::strcmp(name, "?") == 0) return nullptr;
  if (IwNet* n = fetch_net(group, name)) return n;
  auto* n = iwpoolnew<IwNet>(iw::kLaneNets);
  n->name = iwmkname(name);
  n->pins = n;
  iagrpnet(group, n);
  iwinetcount();
  iwstatus(nullptr, 1, 1);
  return n;
}

IwSpn* iwmkspin(const char* name) {
  auto* s = iwpoolnew<IwSpn>();
  s->name = iwmkname(name);
  return s;
}

IwSpn* iwalcspin() { return iwpoolnew<IwSpn>(); }

IwAtt* iwmkatt(const char* name, const char* value) {
  auto* a = iwpoolnew<IwAtt>(iw::kLaneAtts);
  a->name = iwmkname(name);
  a->value = value ? iwmkname(value) : nullptr;
  return a;
}

IwAtt* iwaddatt(IwAtt* list, IwAtt* att) {
  if (!att) return list;
  att->next = nullptr;
  if (IwAttIndex* ix = iwattindex(list, att))
    if (iwattinsert(ix, &list, att)) return list;
  IwAtt* head = list;
  IwAtt** link = &list;
  int passed = 0;
  for (IwAtt* e = list; e; link = &e->next, e = e->next, ++passed) {
    int c = iwnamecmp(e->name, att->name);
    if (c > 0) break;
    if (c == 0 && e->value && att->value && std::strcmp(e->value, att->value) >= 0) break;
  }
  att->next = *link;
  *link = att;
  if (list != head) iwattrehead(head, list);
  if (passed >= iw::kAttIndexMin) iwattbuild(list);
  return list;
}

IwAtt* iwgetatt(IwAtt* list, const char* name) {
  if (IwAttIndex* ix = iwattindex(list)) return iwattfirst(ix, name);
  for (IwAtt* e = list; e; e = e->next) {
    int c = iwnamecmp(e->name, name);
    if (c == 0) return e;
    if (c > 0) break;
  }
  return nullptr;
}

IwAtt* iwdupatt(IwAtt* list, const char* name, const char* value) {
  IwAtt* found = nullptr;
  if (IwAttIndex* ix = iwattindex(list))
    if (iwattdup(ix, name, value, &found)) return found;
  for (IwAtt* e = iwgetatt(list, name); e && iwnamecmp(e->name, name) == 0; e = e->next) {
    if (e->value == value) return e;
    if (e->value && value && rkStrIcmp(e->value, value) == 0) return e;
  }
  return nullptr;
}

IwAtt* iwsigatt(IwAtt* list, const char* name, const char* value) {
  if (!value) return nullptr;
  const char* want = after_semicolon(value);
  for (IwAtt* e = iwgetatt(list, name); e && iwnamecmp(e->name, name) == 0; e = e->next)
    if (e->value && std::strcmp(after_semicolon(e->value), want) == 0) return e;
  return nullptr;
}

IwAtt* iwunlinkatt(IwAtt** list, IwAtt* att) {
  if (!att) return nullptr;
  if (IwAttIndex* ix = iwattindex(*list)) {
    int r = iwattremove(ix, list, att);
    if (r >= 0) return r == 1 ? att : nullptr;
  }
  for (IwAtt** link = list; *link; link = &(*link)->next) {
    if (*link != att) continue;
    IwAtt* head = *list;
    *link = att->next;
    att->next = nullptr;
    if (*list != head) iwattrehead(head, *list);
    return att;
  }
  return nullptr;
}

IwAtt* iwdelatt(IwAtt* list, IwAtt* att) {
  if (iwunlinkatt(&list, att)) iwfratt(att);
  return list;
}

IwCom* iwallcomp(IwGrp* group, IwCom* component) {
  if (!group) return nullptr;
  if (!component) {
    iws.allcompsch = group->schs;
    return iws.allcompsch ? iws.allcompsch->coms : nullptr;
  }
  if (component->next) return component->next;
  if (iws.allcompsch) iws.allcompsch = iws.allcompsch->next;
  return iws.allcompsch ? iws.allcompsch->coms : nullptr;
}

IwGrp* iwgetgrp(IwGrp* group) {
  if (!group) return iws.grpref;
  for (IwGrp* g = group->next; g; g = g->next) {
    if (!g->sym) return g;
    int t = g->sym->symtype;
    if (t == IW_MODULE || t == IW_COMPOSITE || t == IW_PLDCOMP) return g;
  }
  return nullptr;
}

void iwuniquestr() { iws.uniquestr = true; }
