// wirelist/immod.cc - changing the design in memory; see immod.h.
//
// Every call runs all of its checks before its first change, so a call
// that fails leaves the design as it found it.  The changes themselves go
// through the accessors (wirelist/iwacc.h) and list functions
// (wirelist/iwobj.h), which keep the group net tables, the sheets'
// component tables and the attribute indexes; where a list is relinked
// here by hand (sheets, symbol pins, a sheet's components, the group
// reference list) its index is told so.
//
// An attribute that changes its name or value is taken out of its list
// and filed again, since lists are sorted by name and value.
//
// A sheet's table files each component under its display name when it
// was placed: for a component read from a wirelist that is its instance
// name (its LABEL comes with the later instance record), and the reader
// finds components by it.  So the table is left as it is when a LABEL is
// set later, and a renamed component is filed under its new name.
#include "wirelist/immod.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "catalogs/nodex.h"
#include "store/prj.h"
#include "util/rkstr.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwcheck.h"
#include "wirelist/iwfile.h"
#include "wirelist/iwgbl.h"
#include "wirelist/iwgroup.h"
#include "wirelist/iwindex.h"
#include "wirelist/iwinit.h"
#include "wirelist/iwlib.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwname.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"
#include "wirelist/iwwrite.h"
#include "wirelist/limits.h"

namespace {

const char* text(const char* s) { return s ? s : ""; }

// A call that changed records moves the design generation on: a client
// that keeps facts by record address (the netlister's caches) must not
// take them for the changed design.  Refused calls change nothing and
// leave the generation alone.
template <class T>
T changed(T result) {
  iwnewgeneration();
  return result;
}

// A failed check's own message (severity 2) and status code.
template <typename... Args>
void refuse(int* status, int code, int number, Args... args) {
  iwmsghndlr(2, number, args...);
  *status = code;
}

// The interned upper-case form of a name the caller gave.
IwName upname(const char* name) {
  std::string u = name;
  rkStrUpc(u.data());
  return iwmkname(u.c_str());
}

bool same_name(const char* stored, const char* given) {
  return stored && given && rkStrIcmp(stored, given) == 0;
}

// A type check with the call's context message (435) after the checker's.
bool is(const void* object, int type, const char* where, int* status) {
  if (i_check_otype(object, type, status)) return true;
  iwmsghndlr(2, NDX_CHKTYPE, where);
  return false;
}

// The same for a pin argument, which must be a pin of a component (not
// the head of a pin array): missing and wrong type have codes of their own.
bool is_pin(const IwPin* pin, const char* where, int* status) {
  if (is(pin, NX_PINS, where, status) && pin->index > 0) return true;
  if (pin && *status == IW_CHK_OK) iwmsghndlr(2, NDX_CHKTYPE, where);
  *status = pin ? IW_MOD_PINTYPE : IW_MOD_NOPIN;
  return false;
}

bool is_spn(const IwSpn* spn, const char* where, int* status) {
  if (is(spn, NX_SYMPINS, where, status)) return true;
  *status = spn ? IW_MOD_SPNTYPE : IW_MOD_NOSPN;
  return false;
}

// The writability check: 465 with the object's name and status 3.  An
// object of a type the check does not know keeps the checker's 435 and 2.
bool writable(const void* object, const char* where, const char* name, int* status) {
  if (i_check_writable(object, status)) return true;
  if (*status == IW_CHK_WRONGTYPE) return false;
  refuse(status, IW_MOD_NOTWRITABLE, NDX_MODNOTWRITABLE, where, text(name));
  return false;
}

bool valid_name(const char* name, const char* where, int* status) {
  if (i_check_name(name, status)) return true;
  iwmsghndlr(2, NDX_CHKNAME, where);
  return false;
}

// The group a pin, net or component belongs to, or null.
IwGrp* group_of_pin(const IwPin* pin) {
  const IwCom* com = igpinown(pin);
  return com && com->sch ? com->sch->grp : nullptr;
}

const char* pin_name(const IwPin* pin) {
  const IwSpn* spn = igpinspn(pin);
  return spn && spn->name ? spn->name : "?";
}

const char* com_name(const IwCom* com) { return com ? text(igcomnam(com)) : ""; }

// The attribute list field of an object that carries attributes, or null.
IwAtt** att_list(void* object) {
  if (!object) return nullptr;
  switch (iwobjtype(object)) {
    case NX_PINS: {
      auto* pin = static_cast<IwPin*>(object);
      return pin->index > 0 ? &pin->atts : nullptr;
    }
    case NX_NETS:
      return &static_cast<IwNet*>(object)->atts;
    case NX_COMPONENTS:
      return &static_cast<IwCom*>(object)->atts;
    case NX_SCHEMATICS:
      return &static_cast<IwSch*>(object)->atts;
    case NX_SYMPINS:
      return &static_cast<IwSpn*>(object)->atts;
    case NX_SYMBOLS:
      return &static_cast<IwSym*>(object)->atts;
    default:
      return nullptr;
  }
}

// Files component again in its sheet's table after it was renamed from
// old.
void refile_com(IwCom* com, const char* old) {
  IwSch* sch = com->sch;
  if (!sch) return;
  if (old && fetch_com(sch, old) == com) remove_com(sch, old);
  store_com(sch, com);
}

// Runs change on an attribute filed in its owner's list: takes it out,
// lets change rename or revalue it, and files it again where the sorted
// list wants it.
template <typename Change>
void refile_att(IwAtt* att, Change change) {
  IwAtt** list = att_list(igattown(att));
  bool listed = list && iwunlinkatt(list, att);
  change(att);
  if (listed) *list = iwaddatt(*list, att);
}

// A new attribute name (interned) on object, whose list is *list.
IwAtt* add_att(void* object, IwAtt** list, const char* name) {
  IwAtt* att = iwmakatt();
  if (!att) return nullptr;
  att->name = upname(name);
  att->owner = object;
  *list = iwaddatt(*list, att);
  return att;
}

// The sheet of group with that number, or null.
IwSch* find_sheet(IwGrp* group, int number) {
  bool known = false;
  IwSch* sch = iwschfind(group, number, &known);
  if (known) return sch;
  for (sch = group->schs; sch; sch = sch->next)
    if (sch->number == number) return sch;
  return nullptr;
}

// A new sheet linked into group's list before the first sheet of a
// greater number (the caller made sure none has this number).
IwSch* link_sheet(IwGrp* group, int number) {
  IwSch* sch = iwmaksch();
  if (!sch) return nullptr;
  IwSch** link = &group->schs;
  while (*link && (*link)->number < number) link = &(*link)->next;
  sch->number = static_cast<std::int16_t>(number);
  sch->grp = group;
  sch->next = *link;
  *link = sch;
  iwschforget(group);  // linked by hand: a sheet index beside the list is stale
  return sch;
}

// The kind words of imcobjatt's messages, by object type.
struct AttKind {
  const char* exists;  // 466: an attribute of that name is there
  const char* nomem;   // 467: none could be made
};

const AttKind* att_kind(int type) {
  static constexpr AttKind kKinds[] = {
      {"imcobjatt - Pin attribute", "imcobjatt: Null PIN  attnam"},
      {"imcobjatt - Net attribute", "imcobjatt: Null NET attnam"},
      {"imcobjatt - Component attribute", "imcobjatt: Null COMPONENT attnam"},
      {"imcobjatt - Schematic attribute", "imcobjatt: Null SCHEMATIC attnam"},
      {"imcobjatt - Sympin attribute", "imcobjatt: Null SYMPIN attnam"},
      {"imcobjatt - Symbol attribute", "imcobjatt: Null SYMBOL attnam"},
  };
  return type >= NX_PINS && type <= NX_SYMBOLS ? &kKinds[type - NX_PINS] : nullptr;
}

IwAtt* make_objatt(void* object, const char* name, bool unique, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imcobjatt";
  if (!object) {
    refuse(status, IW_CHK_MISSING, NDX_CHKTYPE, kWhere);
    return nullptr;
  }
  if (!valid_name(name, kWhere, status) || !writable(object, kWhere, igobjnam(object), status))
    return nullptr;
  IwAtt** list = att_list(object);
  if (!list) {
    int type = iwobjtype(object);
    bool named = type == NX_GROUPS || type == NX_LIBS || type == NX_ATTRIBUTES;
    refuse(status, IW_CHK_WRONGTYPE, NDX_CHKTYPE,
           named ? "imcobjatt - GROUP/LIB/ATTRIBUTE" : kWhere);
    return nullptr;
  }
  const AttKind* kind = att_kind(iwobjtype(object));
  const char* stored = upname(name);
  if (unique && iwgetatt(*list, stored)) {
    refuse(status, IW_MOD_EXISTS, NDX_MODEXISTS, kind->exists);
    return nullptr;
  }
  IwAtt* att = add_att(object, list, stored);
  // A LABEL made without a value leaves the display name as it was.
  if (!att) refuse(status, IW_MOD_NOTMADE, NDX_NOTMADE, kind->nomem, stored);
  return changed(att);
}

}  // namespace

// --- creation ------------------------------------------------------------------

IwGrp* imclibgrp(IwLib* library, const char* name, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imclibgrp";
  if (!is(library, NX_LIBS, kWhere, status) || !valid_name(name, kWhere, status)) return nullptr;
  if (!i_check_writable(library, status)) {
    iwmsghndlr(2, NDX_MODNOTWRITABLE, kWhere, name);
    refuse(status, IW_MOD_NOTWRITABLE, NDX_MODNOTWRITABLE, "imclibgrp - LIB", text(library->name));
    return nullptr;
  }
  const char* stored = upname(name);
  for (IwGrp* g = iws.grpref; g; g = g->next) {
    if (g->name != stored) continue;
    if (g->lib == library || (!g->lib && iggrpown(g) == library)) {
      refuse(status, IW_MOD_EXISTS, NDX_MODEXISTS, "imclibgrp - GROUP");
      return nullptr;
    }
  }
  IwGrp* g = iwmakgrp(stored);
  if (!g) {
    refuse(status, IW_MOD_NOTMADE, NDX_NOTMADE, "imclibgrp: Could not create group", stored);
    return nullptr;
  }
  g->lib = library;
  if (!iws.topgrp && !g->next) iws.topgrp = g;
  return changed(g);
}

IwSym* imcgrpsym(IwGrp* group, const char* name, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imcgrpsym";
  if (!is(group, NX_GROUPS, kWhere, status)) return nullptr;
  const char* gname = text(group->name);
  if (!iggrpown(group)) {
    refuse(status, IW_MOD_NOTMADE, NDX_NOTMADE, "imcgrpsym: Null owner for group", gname);
    return nullptr;
  }
  if (!writable(group, "imcgrpsym - LIB", gname, status) || !valid_name(name, kWhere, status))
    return nullptr;
  if (!same_name(group->name, name) && !same_name(iggrpnam(group), name)) {
    refuse(status, IW_MOD_SYMNAME, NDX_CHKNAME, "imcgrpsym - GROUP, SYM name mismatch");
    return nullptr;
  }
  if (group->sym) {
    refuse(status, IW_MOD_EXISTS, NDX_MODEXISTS, "imcgrpsym - GROUP");
    return nullptr;
  }
  IwSym* sym = iwmaksym();
  if (!sym) {
    refuse(status, IW_MOD_NOTMADE, NDX_NOTMADE, "imcgrpsym: Could not create symbol", gname);
    return nullptr;
  }
  sym->number = 1;
  sym->symtype = IW_MODULE;
  iagrpsym(group, sym);
  return changed(sym);
}

IwSch* imcgrpsch(IwGrp* group, int number, int* status) {
  *status = IW_MOD_OK;
  if (!is(group, NX_GROUPS, "imcgrpsch", status)) return nullptr;
  const char* name = text(group->name);
  if (!iggrpown(group)) {
    refuse(status, IW_MOD_NOTMADE, NDX_NOTMADE, "imcgrpsch: Null owner for group", name);
    return nullptr;
  }
  if (number <= 0 || number > iw::kMaxSheets) {
    refuse(status, IW_MOD_SHEETNUMBER, NDX_MODSHEETNUMBER, number, name);
    return nullptr;
  }
  if (!writable(group, "imcgrpsch - LIB", name, status)) return nullptr;
  if (find_sheet(group, number)) {
    refuse(status, IW_MOD_EXISTS, NDX_MODEXISTS, "imcgrpsch - GROUP");
    return nullptr;
  }
  IwSch* sch = link_sheet(group, number);
  if (!sch)
    refuse(status, IW_MOD_NOTMADE, NDX_NOTMADE, "imcgrpch: Could not create schematic", name);
  return changed(sch);
}

IwCom* imcgrpcom(IwGrp* group, int number, IwSym* grpsym, IwSym* comsym, const char* name,
                 int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imcgrpcom";
  if (!is(group, NX_GROUPS, kWhere, status) ||
      !is(grpsym, NX_SYMBOLS, "imcgrpcom: Group Symbol", status))
    return nullptr;
  const char* gname = text(group->name);
  if (grpsym->grp != group) {
    refuse(status, IW_CHK_MISSING, NDX_MODNOTOWNSYM, grpsym->grp ? text(grpsym->grp->name) : "",
           gname);
    return nullptr;
  }
  if (!is(comsym, NX_SYMBOLS, kWhere, status)) {
    *status = comsym ? IW_MOD_SYMTYPE : IW_MOD_NOSYM;
    return nullptr;
  }
  if (!valid_name(name, kWhere, status)) return nullptr;
  const char* stored = upname(name);
  if (fetch_grp_com(group, stored)) {
    refuse(status, IW_MOD_EXISTS, NDX_MODEXISTS, "imcgrpcom - COMPONENT");
    return nullptr;
  }
  if (number <= 0 || number > iw::kMaxSheets) {
    refuse(status, IW_MOD_SHEETNUMBER, NDX_MODCOMSHEET, stored, number);
    return nullptr;
  }
  // A group placed into itself, or into a group somewhere below it.
  int flag = 0;
  if (comsym->grp == group || !i_check_recgrp(comsym->grp, group, &flag)) {
    refuse(status, IW_MOD_RECURSIVE, NDX_MODRECURSIVE, comsym->grp ? text(comsym->grp->name) : "",
           gname);
    return nullptr;
  }
  if (!writable(group, kWhere, gname, status)) return nullptr;

  IwCom* com = iwmakcom();
  IwPin* pins = com ? iwmakpin(comsym->npins) : nullptr;
  IwSch* sch = pins ? find_sheet(group, number) : nullptr;
  if (pins && !sch && !(sch = link_sheet(group, number))) {
    iwfrpin(pins);
    iwfrcom(com);
    refuse(status, IW_MOD_NOTMADE, NDX_NOTMADE, "imcgrpcom: Could not create schematic", gname);
    return nullptr;
  }
  if (!pins) {
    iwfrcom(com);
    refuse(status, IW_MOD_NOTMADE, NDX_NOTMADE, "imcgrpcom: Could not create comp", stored);
    return nullptr;
  }
  com->name = stored;
  com->sym = comsym;
  com->pins = pins;
  pins->com = com;
  iwaddcomp(sch, com);
  iwicompcount();
  // A group with components on its sheets is a hierarchical unit: its
  // instances are descended into and written as such.
  if (group->sym && (group->sym->symtype == IW_MODULE || group->sym->symtype == IW_UNKNOWN))
    group->sym->symtype = IW_COMPOSITE;
  return changed(com);
}

IwNet* imcgrpnet(IwGrp* group, IwSym* grpsym, const char* name, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imcgrpnet";
  if (!is(group, NX_GROUPS, kWhere, status) || !valid_name(name, kWhere, status)) return nullptr;
  if (std::strcmp(name, "?") == 0) {  // the wirelists' word for an open pin
    refuse(status, IW_CHK_BADNAME, NDX_CHKNAME, kWhere);
    return nullptr;
  }
  const char* gname = text(group->name);
  if (!writable(group, kWhere, gname, status) ||
      !is(grpsym, NX_SYMBOLS, "imcgrpnet: Group Symbol", status))
    return nullptr;
  if (grpsym->grp != group) {
    refuse(status, IW_CHK_MISSING, NDX_MODNOTOWNSYM, grpsym->grp ? text(grpsym->grp->name) : "",
           gname);
    return nullptr;
  }
  const char* stored = upname(name);
  if (fetch_net(group, stored)) {
    refuse(status, IW_MOD_EXISTS, NDX_MODEXISTS, "imcgrpnet - NET");
    return nullptr;
  }
  IwNet* net = iwmaknet();
  if (!net) {
    refuse(status, IW_MOD_NOTMADE, NDX_NOTMADE, "imcgrpnet: Could not create net", stored);
    return nullptr;
  }
  net->name = stored;
  net->kind = IW_LOCALNET;
  iagrpnet(group, net);
  iwinetcount();
  return changed(net);
}

IwSpn* imcsymspn(IwSym* symbol, const char* name, int, const char* direction, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imcsymspn";
  if (!is(symbol, NX_SYMBOLS, kWhere, status) || !valid_name(name, kWhere, status)) return nullptr;
  if (!i_check_direction(direction)) {
    // The checker is silent for a text that starts like a direction.
    if (direction && direction[0] && std::strchr("ABIOTU", direction[0]))
      iwmsghndlr(2, NDX_CHKDIRECTION, kWhere, direction);
    *status = IW_MOD_DIRECTION;
    return nullptr;
  }
  const char* gname = symbol->grp ? symbol->grp->name : nullptr;
  if (!writable(symbol, kWhere, gname, status)) return nullptr;
  IwSpn* spn = iwmakspn();
  IwAtt* type = spn ? iwmakatt() : nullptr;
  if (!type) {
    iwfrspn(spn);
    refuse(status, IW_MOD_NOTMADE, NDX_NOTMADE, "imcsymspn: Could not create sympin", text(gname));
    return nullptr;
  }
  spn->name = upname(name);
  spn->owner = symbol;
  type->name = iwmkname("PINTYPE");
  type->value = iwmkname(direction);
  type->owner = spn;
  spn->atts = type;
  // Appended after the last pin: found through the pin index when the
  // symbol has one, so a long symbol is not walked for every pin.
  IwSpn* last = symbol->npins > 0 ? iwspnat(symbol, symbol->npins) : nullptr;
  if (!last) last = symbol->spns;
  while (last && last->next) last = last->next;
  IwSpnIndex* index = iwspnindex(symbol);
  if (last) {
    last->next = spn;
  } else {
    symbol->spns = spn;
  }
  ++symbol->npins;
  if (index && index->pins.back() == last)
    iwspnpushback(index, spn);
  else
    iwspnforget(symbol);
  return changed(spn);
}

IwAtt* imcobjatt(void* object, const char* name, int* status) {
  return make_objatt(object, name, true, status);
}

IwAtt* imcobjdupatt(void* object, const char* name, int* status) {
  return make_objatt(object, name, false, status);
}

// --- connection -----------------------------------------------------------------

int imanetpin(IwNet* net, IwPin* pin, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imanetpin";
  if (!is(net, NX_NETS, kWhere, status) || !is_pin(pin, kWhere, status)) return 0;
  const char* pname = pin_name(pin);
  const char* cname = com_name(igpinown(pin));
  if (IwNet* on = igpinnet(pin)) {
    refuse(status, IW_MOD_PINON, NDX_MODPINON, pname, cname, text(on->name));
    return 0;
  }
  int pw = iwnamewidth(pname), nw = iwnamewidth(text(net->name));
  if (pw != nw) {
    refuse(status, IW_MOD_WIDTH, NDX_MODPINWIDTH, pname, cname, pw, text(net->name), nw);
    return 0;
  }
  IwGrp* pg = group_of_pin(pin);
  if (pg != net->grp) {
    refuse(status, IW_MOD_OTHERGROUP, NDX_MODPINGROUP, pname, cname, text(net->name));
    return 0;
  }
  if (!pg) {
    refuse(status, IW_MOD_NOTMADE, NDX_NOTMADE, "imanetpin: Owner group not found for Pin or Net",
           text(net->name));
    return 0;
  }
  if (!writable(net, kWhere, net->name, status)) return 0;
  ianetpin(net, pin);
  return changed(1);
}

int imanetspn(IwNet* net, IwSpn* spn, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imanetspn";
  if (!is(net, NX_NETS, kWhere, status) || !is_spn(spn, kWhere, status)) return 0;
  const char* sname = text(spn->name);
  if (spn->net) {
    refuse(status, IW_MOD_SPNTIED, NDX_MODSPNTIED, sname, text(spn->net->name));
    return 0;
  }
  int sw = iwnamewidth(sname), nw = iwnamewidth(text(net->name));
  if (sw != nw) {
    refuse(status, IW_MOD_WIDTH, NDX_MODSPNWIDTH, sname, sw, text(net->name), nw);
    return 0;
  }
  IwSym* sym = igspnown(spn);
  IwGrp* sg = sym ? sym->grp : nullptr;
  if (sg != net->grp) {
    refuse(status, IW_MOD_OTHERGROUP, NDX_MODSPNGROUP, sname, text(net->name));
    return 0;
  }
  if (!sg) {
    refuse(status, IW_MOD_NOTMADE, NDX_NOTMADE,
           "imanetspn: Owner group not found for Sympin or Net", text(net->name));
    return 0;
  }
  if (!writable(net, kWhere, net->name, status)) return 0;
  spn->net = net;
  return changed(1);
}

int imdnetpin(IwNet* net, IwPin* pin, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imdnetpin";
  if (!is(net, NX_NETS, kWhere, status) || !is_pin(pin, kWhere, status)) return 0;
  if (igpinnet(pin) != net) {
    refuse(status, IW_MOD_PINNOTON, NDX_MODPINNOTON, pin_name(pin), com_name(igpinown(pin)),
           text(net->name));
    return 0;
  }
  if (!writable(net, kWhere, net->name, status)) return 0;
  idnetpin(net, pin);
  return changed(1);
}

int imdnetspn(IwNet* net, IwSpn* spn, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imdnetspn";
  if (!is(net, NX_NETS, kWhere, status) || !is_spn(spn, kWhere, status)) return 0;
  if (spn->net != net) {
    refuse(status, IW_MOD_SPNNOTON, NDX_MODSPNNOTON, text(spn->name), text(net->name));
    return 0;
  }
  if (!writable(net, kWhere, net->name, status)) return 0;
  spn->net = nullptr;
  return changed(1);
}

// --- setting --------------------------------------------------------------------

int imsnettyp(IwNet* net, int type, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imsnettyp";
  if (!is(net, NX_NETS, kWhere, status)) return 0;
  if (type != IW_GLOBALNET && type != IW_LOCALNET) {
    refuse(status, IW_MOD_VALUE, NDX_MODNETTYPE, type, text(net->name));
    return 0;
  }
  if (!writable(net, kWhere, net->name, status)) return 0;
  if (net->kind == type) return 1;
  net->kind = static_cast<std::int16_t>(type);
  if (type == IW_GLOBALNET) {
    iwaddgblnet(net, net->grp);
  } else {
    // The entry may hold this net, or list its group beside another
    // group's net of the same name: it leaves both.
    iwgblforget(net);
    iwgbldel(net, net->grp);
  }
  return changed(1);
}

int imsattval(IwAtt* attribute, const char* value, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imsattval";
  if (!is(attribute, NX_ATTRIBUTES, kWhere, status)) return 0;
  if (!value) {
    refuse(status, IW_MOD_VALUE, NDX_CHKNAME, kWhere);
    return 0;
  }
  if (!writable(attribute, kWhere, attribute->name, status)) return 0;
  IwName stored = upname(value);
  refile_att(attribute, [&](IwAtt* a) { a->value = stored; });
  return changed(1);
}

// --- renaming -------------------------------------------------------------------

int imsobjnam(void* object, const char* name, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imsobjnam";
  if (!object) {
    refuse(status, IW_CHK_MISSING, NDX_CHKTYPE, kWhere);
    return 0;
  }
  if (!writable(object, kWhere, igobjnam(object), status) || !valid_name(name, kWhere, status))
    return 0;
  switch (int type = iwobjtype(object)) {
    case NX_NETS:
      return imsnetnam(static_cast<IwNet*>(object), name, status);
    case NX_COMPONENTS:
      return imscomnam(static_cast<IwCom*>(object), name, status);
    case NX_ATTRIBUTES:
      return imsattnam(static_cast<IwAtt*>(object), name, status);
    default:
      refuse(status, IW_MOD_NORENAME, NDX_MODNORENAME2, kWhere, iwotypnam(type));
      return 0;
  }
}

int imsnetnam(IwNet* net, const char* name, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imsnetnam";
  if (!is(net, NX_NETS, kWhere, status) || !valid_name(name, kWhere, status)) return 0;
  if (std::strcmp(name, "?") == 0) {
    refuse(status, IW_CHK_BADNAME, NDX_CHKNAME, kWhere);
    return 0;
  }
  const char* stored = upname(name);
  if (stored == net->name) return 1;
  if (ignetpin(net) || ignetspn(net)) {
    refuse(status, IW_MOD_NORENAME, NDX_MODNORENAME, kWhere, text(net->name));
    return 0;
  }
  if (!net->grp) {
    refuse(status, IW_MOD_NOTMADE, NDX_NOTMADE, "imsnetnam - Null owner for net", text(net->name));
    return 0;
  }
  if (fetch_net(net->grp, stored)) {
    refuse(status, IW_MOD_NAMEUSED, NDX_MODNAMEUSED, "imsnetnam - Net name", stored);
    return 0;
  }
  if (!writable(net, kWhere, net->name, status)) return 0;
  ianetnam(net, stored);
  return changed(1);
}

int imscomnam(IwCom* component, const char* name, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imscomnam";
  if (!is(component, NX_COMPONENTS, kWhere, status) || !valid_name(name, kWhere, status)) return 0;
  IwName stored = upname(name);
  const char* old = component->name;
  if (stored == old && stored == igcomnam(component)) return 1;
  IwGrp* group = component->sch ? component->sch->grp : nullptr;
  if (!group) {
    refuse(status, IW_MOD_NOTMADE, NDX_NOTMADE, "imscomnam: Null Schematic Owner",
           com_name(component));
    return 0;
  }
  IwCom* other = fetch_grp_com(group, stored);
  if (other && other != component) {
    refuse(status, IW_MOD_NAMEUSED, NDX_MODNAMEUSED, "imscomnam - Component name", stored);
    return 0;
  }
  if (!writable(component, kWhere, igcomnam(component), status)) return 0;
  const char* key = igcomnam(component);
  component->name = stored;
  if (IwAtt* label = iwgetatt(component->atts, "LABEL")) {
    if (!label->owner) label->owner = component;
    if (label->value) refile_att(label, [&](IwAtt* a) { a->value = stored; });
  }
  refile_com(component, key);
  if (old != key) refile_com(component, old);
  return changed(1);
}

int imsattnam(IwAtt* attribute, const char* name, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imsattnam";
  if (!is(attribute, NX_ATTRIBUTES, kWhere, status) || !valid_name(name, kWhere, status)) return 0;
  const char* stored = upname(name);
  if (stored == attribute->name) return 1;
  IwAtt** list = att_list(igattown(attribute));
  if (list && iwgetatt(*list, stored)) {
    refuse(status, IW_MOD_NAMEUSED, NDX_MODNAMEUSED, "imsattnam - Attribute name", stored);
    return 0;
  }
  if (!writable(attribute, kWhere, attribute->name, status)) return 0;
  refile_att(attribute, [&](IwAtt* a) { a->name = stored; });
  return changed(1);
}

// --- deletion -------------------------------------------------------------------

int imdgrp(IwGrp* group, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imdgrp";
  if (!is(group, NX_GROUPS, kWhere, status) || !writable(group, kWhere, group->name, status))
    return 0;
  if (group->name && fetch_grp(group->name) == group) remove_grp(group->name);
  for (IwGrp** link = &iws.grpref; *link; link = &(*link)->next) {
    if (*link != group) continue;
    *link = group->next;
    break;
  }
  group->next = nullptr;
  group->lib = nullptr;
  if (iws.topgrp == group) iws.topgrp = nullptr;
  // Off the reference list, the group's tables would no longer be reached
  // when the session is released.
  iws.deletedgrps.push_back(group);
  return changed(1);
}

int imdschcom(IwSch* sheet, IwCom* component, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imdschcom";
  if (!is(sheet, NX_SCHEMATICS, kWhere, status) || !is(component, NX_COMPONENTS, kWhere, status))
    return 0;
  if (!i_check_owner(component, sheet, status)) {
    iwmsghndlr(2, NDX_CHKOWNER, kWhere);
    return 0;
  }
  if (!writable(component, kWhere, igcomnam(component), status)) return 0;
  const char* key = igcomnam(component);
  if (key && fetch_com(sheet, key) == component) remove_com(sheet, key);
  IwCom* prev = nullptr;
  for (IwCom** link = &sheet->coms; *link; prev = *link, link = &(*link)->next) {
    if (*link != component) continue;
    *link = component->next;
    if (sheet->lastcom == component) sheet->lastcom = prev;
    break;
  }
  component->next = nullptr;
  iwdcompcount();
  return changed(1);
}

int imdobjatt(void* object, IwAtt* attribute, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imdobjatt";
  if (!object) {
    refuse(status, IW_CHK_MISSING, NDX_CHKTYPE, kWhere);
    return 0;
  }
  if (!is(attribute, NX_ATTRIBUTES, kWhere, status) ||
      !writable(object, kWhere, igobjnam(object), status))
    return 0;
  IwAtt** list = att_list(object);
  if (!list || !iwunlinkatt(list, attribute)) {
    refuse(status, IW_MOD_NOTOWNED, NDX_MODATTNOTON, kWhere, text(attribute->name));
    return 0;
  }
  iwfratt(attribute);
  return changed(1);
}

// --- saving and opening -----------------------------------------------------------

int imwgrpsave(IwGrp* group, int* status) {
  *status = IW_MOD_OK;
  if (!is(group, NX_GROUPS, "imwgrpsave", status)) return 0;
  *status = iwgrpwrite(group);
  return *status == IW_WRITE_OK;
}

int imwlibsave(IwLib* library, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "imwlibsave";
  if (!library || iwobjtype(library) != NX_LIBS) {
    refuse(status, library ? IW_CHK_WRONGTYPE : IW_CHK_MISSING, NDX_CHKTYPE, kWhere);
    return 0;
  }
  if (!library->handle) {
    int st;
    int handle = prjInsertLib(iws.project, library->name, "w", &st);
    if (!handle) {
      refuse(status, IW_MOD_NOTMADE, NDX_LIBINSERT, kWhere, text(library->name), prjStatusText(st));
      return 0;
    }
    library->handle = handle;
  }
  // One sort for all the groups: each write would otherwise sort the
  // whole design again.
  sort_groups(nullptr);
  for (IwGrp* g = iwgetgrp(nullptr); g; g = iwgetgrp(g))
    if (iggrpown(g) == library) *status = iwgrpwrite_ordered(g);
  return *status == IW_WRITE_OK;
}

IwLib* iwlibopen(const char* name, const char* mode, int* status) {
  *status = IW_MOD_OK;
  constexpr const char* kWhere = "iwlibopen";
  if (!valid_name(name, kWhere, status)) return nullptr;
  if (iwinit() != 1) {
    refuse(status, IW_MOD_NODB, NDX_LIBNOINIT, kWhere);
    return nullptr;
  }
  if (!mode || (rkStrIcmp(mode, "w") != 0 && rkStrIcmp(mode, "r") != 0)) {
    refuse(status, IW_MOD_MODE, NDX_LIBMODE, kWhere, text(mode));
    return nullptr;
  }
  IwLib* lib = iwgetlibs(nullptr);
  while (lib && rkStrIcmp(lib->name, name) != 0) lib = iwgetlibs(lib);
  if (!lib) {
    refuse(status, IW_MOD_NOLIB, NDX_LIBUNKNOWN, kWhere, name);
    return nullptr;
  }
  if (lib->handle) {
    refuse(status, IW_MOD_LIBOPEN, NDX_LIBOPEN, kWhere, text(lib->name));
    return nullptr;
  }
  int st;
  int handle = prjInsertLib(iws.project, lib->name, mode, &st);
  if (!handle) {
    refuse(status, IW_MOD_NODB, NDX_LIBINSERT, kWhere, text(lib->name), prjStatusText(st));
    return nullptr;
  }
  lib->handle = handle;
  return lib;
}
