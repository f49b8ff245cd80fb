// wirelist/iwcheck.cc - the consistency checker; see iwcheck.h.
//
// The only state is the object the last group check stopped at
// (check_state), so that a client can say where a group failed.  The
// writability switch lives in the session (iwnochk_writable).
#include "wirelist/iwcheck.h"

#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "catalogs/nodex.h"
#include "store/prj.h"
#include "util/rkbus.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwgroup.h"
#include "wirelist/iwlib.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwsession.h"
#include "wirelist/limits.h"

namespace {

struct CheckState {
  const void* failed = nullptr;  // where the last iwcheckgrp stopped
};
CheckState check_state;

const char* text(const char* s) { return s ? s : ""; }

int fail(int* status, int code) {
  *status = code;
  return 0;
}

// A message number and the status that goes with it.
struct Verdict {
  int message;
  int status;
};

// Two neighbours in a name-ordered list of group g: 1, or the verdict for
// a name after the next one (message with the group and both names) or
// equal to it (message with the group and the name).
int neighbours(const char* a, const char* b, const IwGrp* g, Verdict after, Verdict equal,
               int* status) {
  a = text(a);
  b = text(b);
  const char* gname = g ? text(g->name) : "";
  int c = std::strcmp(a, b);
  if (c < 0) return 1;
  if (c > 0) {
    iwmsghndlr(2, after.message, gname, a, b);
    return fail(status, after.status);
  }
  iwmsghndlr(2, equal.message, gname, a);
  return fail(status, equal.status);
}

// The width comparison of i_check_pinspn, with the symbol pin given.
int pin_width(const IwPin* pin, const IwSpn* spn, int* status) {
  if (!i_check_otype(spn, NX_SYMPINS, status)) return 0;
  IwNet* net = igpinnet(pin);
  if (!net) return 1;
  if (!i_check_otype(net, NX_NETS, status)) {
    iwmsghndlr(2, NDX_CHKTYPE, "i_check_pinspn");
    return 0;
  }
  int nw = iwnamewidth(net->name);
  int sw = iwnamewidth(spn->name);
  if (nw == sw) return 1;
  iwmsghndlr(2, NDX_CHKWIDTH, text(net->name), nw, text(spn->name), sw);
  return fail(status, IW_CHK_WIDTH);
}

// One step of the group check: the check's result, with the context
// message and the object remembered on failure.
bool step(int ok, int context, const char* where, const void* object) {
  if (ok) return true;
  iwmsghndlr(2, context, where);
  check_state.failed = object;
  return false;
}

bool atts_pass(IwAtt* list, const void* owner, const char* where, int* status) {
  for (IwAtt* a = list; a; a = a->next)
    if (!step(i_check_att(a, owner, status), NDX_CHKATTFAIL, where, a)) return false;
  return true;
}

// The symbol, its attributes and its pins (steps 4 to 12).
bool symbol_passes(IwGrp* group, int* status) {
  IwSym* sym = group->sym;
  if (!sym) return true;
  if (!step(i_check_otype(sym, NX_SYMBOLS, status), NDX_CHKNULL, "iwcheckgrp - SYMBOL", sym) ||
      !step(i_check_owner(sym, group, status), NDX_CHKOWNER, "iwcheckgrp - SYMBOL", sym) ||
      !atts_pass(sym->atts, sym, "iwcheckgrp - SYMBOL", status))
    return false;
  // How often each pin name occurs, so that a repeated name is found in
  // one pass however many pins the symbol has.
  std::unordered_map<std::string_view, int> uses;
  for (IwSpn* spn = sym->spns; spn; spn = spn->next)
    if (iwobjtype(spn) == NX_SYMPINS && spn->name) ++uses[spn->name];
  constexpr const char* kWhere = "iwcheckgrp - SYMPIN";
  for (IwSpn* spn = sym->spns; spn; spn = spn->next) {
    if (!step(i_check_otype(spn, NX_SYMPINS, status), NDX_CHKNULL, kWhere, spn) ||
        !step(i_check_owner(spn, sym, status), NDX_CHKOWNER, kWhere, spn) ||
        !step(i_check_name(spn->name, status), NDX_CHKNAME, kWhere, spn) ||
        !atts_pass(spn->atts, spn, kWhere, status) ||
        !step(i_check_spnnet(spn, status), NDX_CHKTIEFAIL, kWhere, spn))
      return false;
    if (uses[spn->name] > 1) {
      iwmsghndlr(2, NDX_CHKSPNTWICE, "i_check_spnnames", text(group->name), spn->name);
      *status = IW_CHK_DUPNAME;
      return step(0, NDX_CHKSPNNAMES, kWhere, spn);
    }
  }
  return true;
}

// A component and its pins (steps 16 to 24).
bool component_passes(IwCom* com, IwSch* sch, int* status) {
  constexpr const char* kWhere = "iwcheckgrp - COMPONENT";
  if (!step(i_check_otype(com, NX_COMPONENTS, status), NDX_CHKTYPE, kWhere, com) ||
      !step(i_check_owner(com, sch, status), NDX_CHKOWNER, kWhere, com) ||
      !atts_pass(com->atts, com, kWhere, status) ||
      !step(i_check_name(com->name, status), NDX_CHKNAME, kWhere, com) ||
      !step(i_check_comspncnt(com, status), NDX_CHKCOUNTFAIL, kWhere, com))
    return false;
  // The symbol pins are walked in step with the pins, not looked up anew
  // for each pin.
  const IwSpn* spn = com->sym ? com->sym->spns : nullptr;
  for (IwPin* pin = igcompin(com); pin; pin = igpincnx(pin), spn = spn ? spn->next : nullptr) {
    constexpr const char* kPin = "iwcheckgrp - PIN";
    if (!step(i_check_otype(pin, NX_PINS, status), NDX_CHKTYPE, kPin, pin) ||
        !step(i_check_owner(pin, com, status), NDX_CHKOWNER, kPin, pin) ||
        !atts_pass(pin->atts, pin, kPin, status) ||
        !step(pin_width(pin, spn, status), NDX_CHKWIDTHFAIL, kPin, pin))
      return false;
  }
  return true;
}

bool sheets_pass(IwGrp* group, int* status) {
  for (IwSch* sch = group->schs; sch; sch = sch->next) {
    constexpr const char* kWhere = "iwcheckgrp - SCHEMATIC";
    if (!step(i_check_otype(sch, NX_SCHEMATICS, status), NDX_CHKTYPE, kWhere, sch) ||
        !step(i_check_owner(sch, group, status), NDX_CHKOWNER, kWhere, sch) ||
        !atts_pass(sch->atts, sch, kWhere, status))
      return false;
    for (IwCom* com = sch->coms; com; com = com->next)
      if (!component_passes(com, sch, status)) return false;
  }
  return true;
}

bool nets_pass(IwGrp* group, int* status) {
  constexpr const char* kWhere = "iwcheckgrp - NET";
  for (IwNet* net = group->nets; net; net = net->next) {
    if (!step(i_check_otype(net, NX_NETS, status), NDX_CHKTYPE, kWhere, net) ||
        !step(i_check_owner(net, group, status), NDX_CHKOWNER, kWhere, net) ||
        !atts_pass(net->atts, net, kWhere, status) ||
        !step(i_check_name(net->name, status), NDX_CHKNAME, kWhere, net) ||
        !step(i_check_netnames(net, status), NDX_CHKNETSFAIL, kWhere, net))
      return false;
  }
  return true;
}

// The group an object belongs to, for the writability check; null when
// the chain of owners breaks.  *known is false for a type the check does
// not know.
const IwGrp* group_of(const void* object, bool* known) {
  *known = true;
  while (object && iwobjtype(object) == NX_ATTRIBUTES)
    object = igattown(const_cast<IwAtt*>(static_cast<const IwAtt*>(object)));
  if (!object) return nullptr;
  switch (iwobjtype(object)) {
    case NX_PINS: {
      const IwCom* com = igpinown(static_cast<const IwPin*>(object));
      return com && com->sch ? com->sch->grp : nullptr;
    }
    case NX_NETS:
      return static_cast<const IwNet*>(object)->grp;
    case NX_COMPONENTS: {
      const IwSch* sch = static_cast<const IwCom*>(object)->sch;
      return sch ? sch->grp : nullptr;
    }
    case NX_SCHEMATICS:
      return static_cast<const IwSch*>(object)->grp;
    case NX_SYMPINS: {
      const IwSym* sym = igspnown(const_cast<IwSpn*>(static_cast<const IwSpn*>(object)));
      return sym ? sym->grp : nullptr;
    }
    case NX_SYMBOLS:
      return static_cast<const IwSym*>(object)->grp;
    case NX_GROUPS:
      return static_cast<const IwGrp*>(object);
    default:
      *known = false;
      return nullptr;
  }
}

}  // namespace

int iwcheck(int* status) {
  *status = IW_CHK_OK;
  for (IwGrp* g = iwgetgrp(nullptr); g; g = iwgetgrp(g)) {
    if (iwcheckgrp(g, status)) continue;
    iwmsghndlr(2, NDX_CHKGROUP, "iwcheck", text(g->name));
    return 0;
  }
  return 1;
}

int iwcheckgrp(IwGrp* group, int* status) {
  *status = IW_CHK_OK;
  check_state.failed = nullptr;
  constexpr const char* kWhere = "iwcheckgrp - GROUP";
  if (!step(i_check_otype(group, NX_GROUPS, status), NDX_CHKTYPE, kWhere, group) ||
      !step(i_check_name(group->name, status), NDX_CHKNAME, kWhere, group) ||
      !step(i_check_otype(iggrpown(group), NX_LIBS, status), NDX_CHKNULL, "iwcheckgrp - LIB",
            group))
    return 0;
  return symbol_passes(group, status) && sheets_pass(group, status) && nets_pass(group, status);
}

const void* iwcheckobj() { return check_state.failed; }

int iwnamewidth(const char* name) {
  // Plain names, nearly all of them, need no parse.
  return rkBusExpandPlain(name) ? 1 : rkBusExpandWidth(name);
}

void iwcheck_reset() { check_state = CheckState{}; }

int i_check_otype(const void* object, int type, int* status) {
  if (!object) {
    iwmsghndlr(2, NDX_CHKNULL, "i_check_otype");
    return fail(status, IW_CHK_MISSING);
  }
  int actual = iwobjtype(object);
  if (actual == type) return 1;
  iwmsghndlr(2, NDX_CHKOTYPE, "i_check_otype", iwotypnam(actual), iwotypnam(type));
  return fail(status, IW_CHK_WRONGTYPE);
}

int i_check_owner(const void* object, const void* owner, int* status) {
  if (!object || !owner) {
    iwmsghndlr(2, NDX_CHKNULL, object ? "i_check_owner - owner" : "i_check_owner");
    return fail(status, IW_CHK_MISSING);
  }
  const void* actual = nullptr;
  const char* kind = nullptr;
  switch (int type = iwobjtype(object)) {
    case NX_PINS:
      actual = igpinown(static_cast<const IwPin*>(object));
      kind = "i_check_owner - PIN";
      break;
    case NX_NETS:
      actual = static_cast<const IwNet*>(object)->grp;
      kind = "i_check_owner - NET";
      break;
    case NX_COMPONENTS:
      actual = static_cast<const IwCom*>(object)->sch;
      kind = "i_check_owner - COMPONENT";
      break;
    case NX_SCHEMATICS:
      actual = static_cast<const IwSch*>(object)->grp;
      kind = "i_check_owner - SCHEMATIC";
      break;
    case NX_SYMPINS:
      actual = igspnown(const_cast<IwSpn*>(static_cast<const IwSpn*>(object)));
      kind = "i_check_owner - SYMPIN";
      break;
    case NX_SYMBOLS:
      actual = static_cast<const IwSym*>(object)->grp;
      kind = "i_check_owner - SYMBOL";
      break;
    case NX_GROUPS:
      actual = iggrpown(static_cast<const IwGrp*>(object));
      kind = "i_check_owner - GROUP";
      break;
    case NX_ATTRIBUTES:
      actual = igattown(const_cast<IwAtt*>(static_cast<const IwAtt*>(object)));
      kind = "i_check_owner - ATTRIBUTE";
      break;
    case NX_LIBS:
      iwmsghndlr(2, NDX_CHKLIBOWNER, "i_check_owner - LIB");
      return fail(status, IW_CHK_LIBOWNER);
    default:
      iwmsghndlr(2, NDX_CHKBADTYPE, "i_check_owner", type);
      return fail(status, IW_CHK_WRONGTYPE);
  }
  if (actual == owner) return 1;
  iwmsghndlr(2, NDX_CHKOWNER, kind);
  return fail(status, IW_CHK_OWNER);
}

int i_check_name(const char* name, int* status) {
  if (!name) {
    iwmsghndlr(2, NDX_CHKNULL, "i_check_name");
    return fail(status, IW_CHK_BADNAME);
  }
  // One pass finds the length and any character a name may not hold.
  std::size_t len = 0;
  bool bad_char = false;
  for (; name[len]; ++len) bad_char |= name[len] == '\'' || name[len] == '\n';
  if (len == 0) {
    iwmsghndlr(2, NDX_CHKEMPTYNAME);
    return fail(status, IW_CHK_BADNAME);
  }
  if (len >= iw::kNameLimit) {
    iwmsghndlr(2, NDX_CHKNAMELONG, name, static_cast<int>(len), static_cast<int>(iw::kNameLimit));
    return fail(status, IW_CHK_BADNAME);
  }
  if (bad_char) {
    iwmsghndlr(2, NDX_CHKNAMECHAR, name);
    return fail(status, IW_CHK_BADNAME);
  }
  return 1;
}

int i_check_att(IwAtt* attribute, const void* owner, int* status) {
  constexpr const char* kWhere = "i_check_att";
  if (!i_check_otype(attribute, NX_ATTRIBUTES, status)) {
    iwmsghndlr(2, NDX_CHKTYPE, kWhere);
    return 0;
  }
  if (!i_check_owner(attribute, owner, status)) {
    iwmsghndlr(2, NDX_CHKOWNER, kWhere);
    return 0;
  }
  if (!i_check_name(attribute->name, status)) {
    iwmsghndlr(2, NDX_CHKNAME, kWhere);
    return 0;
  }
  if (!i_check_attnames(attribute, status)) {
    iwmsghndlr(2, NDX_CHKATTORDER, kWhere);
    return 0;
  }
  return 1;
}

int i_check_attnames(const IwAtt* attribute, int* status) {
  if (!attribute || !attribute->next) return 1;
  const char* a = text(attribute->name);
  const char* b = text(attribute->next->name);
  if (std::strcmp(a, b) <= 0) return 1;
  iwmsghndlr(2, NDX_CHKATTNAMES, a, b);
  return fail(status, IW_CHK_ATTORDER);
}

int i_check_netnames(const IwNet* net, int* status) {
  if (!net || !net->next) return 1;
  return neighbours(net->name, net->next->name, net->grp, {NDX_CHKNETORDER, IW_CHK_NETORDER},
                    {NDX_CHKNETTWICE, IW_CHK_NETTWICE}, status);
}

int i_check_comnames(const IwCom* component, int* status) {
  if (!component || !component->next) return 1;
  const IwSch* sch = component->sch;
  return neighbours(component->name, component->next->name, sch ? sch->grp : nullptr,
                    {NDX_CHKCOMORDER, IW_CHK_COMORDER}, {NDX_CHKCOMTWICE, IW_CHK_DUPNAME}, status);
}

int i_check_spnnet(IwSpn* spn, int* status) {
  if (!spn) return 1;
  const IwSym* sym = igspnown(spn);
  if (sym && sym->symtype == IW_MODULE) return 1;
  const char* g = sym && sym->grp ? text(sym->grp->name) : "";
  if (!spn->net) {
    iwmsghndlr(2, NDX_CHKSPNNONET, text(spn->name), g);
    return fail(status, IW_CHK_SPNUNTIED);
  }
  if (i_check_otype(spn->net, NX_NETS, status)) return 1;
  iwmsghndlr(2, NDX_CHKSPNNOTNET, text(spn->name), g);
  return 0;
}

int i_check_comspncnt(const IwCom* component, int* status) {
  if (!component) return 1;
  const char* name = text(component->name);
  const IwSym* sym = component->sym;
  if (!sym) {
    iwmsghndlr(2, NDX_CHKNOSYMBOL, name);
    return fail(status, IW_CHK_NOSYMBOL);
  }
  if (!i_check_otype(sym, NX_SYMBOLS, status)) return 0;
  if (sym->npins <= 0) {
    iwmsghndlr(2, NDX_CHKNOPINS, name);
    return fail(status, IW_CHK_PINCOUNT);
  }
  long listed = 0;
  for (const IwSpn* spn = sym->spns; spn && listed <= sym->npins; spn = spn->next) ++listed;
  if (listed == sym->npins) return 1;
  iwmsghndlr(2, NDX_CHKPINCOUNT, "i_check_comspncnt - Internal Error", name);
  return fail(status, IW_CHK_PINCOUNT);
}

int i_check_pinspn(const IwPin* pin, int* status) { return pin_width(pin, igpinspn(pin), status); }

int i_check_writable(const void* object, int* status) {
  if (iws.nochkwritable) return 1;
  if (!object) {
    iwmsghndlr(2, NDX_CHKNULL, "i_check_writable");
    return fail(status, IW_CHK_NOTWRITABLE);
  }
  const IwLib* lib = nullptr;
  if (iwobjtype(object) == NX_LIBS) {
    lib = static_cast<const IwLib*>(object);
  } else {
    bool known;
    const IwGrp* group = group_of(object, &known);
    if (!known) {
      iwmsghndlr(2, NDX_CHKTYPE, "i_check_writable");
      return fail(status, IW_CHK_WRONGTYPE);
    }
    lib = iggrpown(group);
  }
  if (!lib) {
    iwmsghndlr(2, NDX_CHKTYPE, "i_check_writable - LIB");
    return fail(status, IW_CHK_NOTWRITABLE);
  }
  if (lib->handle && prjObjWritable(lib->handle)) return 1;
  return fail(status, IW_CHK_NOTWRITABLE);
}

int i_check_direction(const char* text) {
  if (!text) return 0;
  for (const char* d : {"ANALOG", "BI", "IN", "OUT", "OCL", "OEM", "TRI", "UNDEFINED_DIRECTION"})
    if (std::strcmp(text, d) == 0) return 1;
  if (!text[0] || !std::strchr("ABIOTU", text[0]))
    iwmsghndlr(2, NDX_CHKDIRECTION, "i_check_direction", text);
  return 0;
}

int i_check_recgrp(IwGrp* g, IwGrp* t, int* flag) {
  if (*flag == 1) {
    iwmsghndlr(2, NDX_CHKRECURSIVE, "i_check_recgrp", g ? text(g->name) : "",
               t ? text(t->name) : "");
    return 0;
  }
  // Depth first, each group walked once: a design that already contains
  // itself must not make the walk endless.
  std::vector<const IwGrp*> todo{g};
  std::unordered_set<const IwGrp*> seen{g};
  while (!todo.empty()) {
    const IwGrp* at = todo.back();
    todo.pop_back();
    for (IwCom* com = iggrpcom(at, nullptr); com; com = iggrpcom(at, com)) {
      const IwGrp* below = com->sym ? com->sym->grp : nullptr;
      if (!below) continue;
      if (below == t) {
        *flag = 1;
        return 0;
      }
      if (seen.insert(below).second) todo.push_back(below);
    }
  }
  return 1;
}

int i_check_usable(const void* object) {
  if (!object) return 0;
  int type = iwobjtype(object);
  return type >= NX_PINS && type <= NX_LIBS ? 1 : 0;
}
