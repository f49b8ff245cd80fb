// wirelist/iwhetero.cc - combining heterogeneous sections; see iwhetero.h.
//
// The pass works in the order its checks require: collect the families
// and check each (nothing is changed yet), check the families against
// each other, drop families that are not primitive, make the combined
// groups and symbols, merge the section components, remove the sections,
// and put the design back in canonical order.
//
// Everything is linear in the design: sections are found from their
// groups through a table, a combined pin's place from its name through a
// table, and the section components are taken off their nets and sheets
// by filtering each touched ring and sheet list once, not one component
// at a time (a clock net may hold a pin of every section in the design).
// The pass's records come from the data pool, where running out of
// memory ends the program as it does for every record of the database;
// messages 518 to 520 are therefore never issued.
#include "wirelist/iwhetero.h"

#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "catalogs/nodex.h"
#include "util/rkstr.h"
#include "wirelist/immod.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwcheck.h"
#include "wirelist/iwfile.h"
#include "wirelist/iwgroup.h"
#include "wirelist/iwinit.h"
#include "wirelist/iwlib.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwname.h"
#include "wirelist/iwparse.h"
#include "wirelist/iwrdsym.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"
#include "wirelist/limits.h"

namespace {

const char* text(const char* s) { return s ? s : ""; }

std::string upper(const char* s) {
  std::string u = text(s);
  rkStrUpc(u.data());
  return u;
}

const char* value_of(IwAtt* list, const char* name) {
  const IwAtt* a = iwgetatt(list, name);
  return a ? a->value : nullptr;
}

const char* hetero_of(const IwGrp* g) {
  return g && g->sym ? value_of(g->sym->atts, "HETERO") : nullptr;
}

// A symbol is a section when its HETERO value is written with
// parentheses; whether they are written well is checked afterwards.
bool is_section(const IwGrp* g) {
  const char* v = hetero_of(g);
  return v && std::strpbrk(v, "()");
}

// The names of a HETERO value, upper case, in order: 0, or the message
// number of what is wrong with it (503, 504, 505).
int parse_hetero(const char* value, std::vector<std::string>* items) {
  items->clear();
  for (const char* p = value; *p;) {
    if (*p == ' ' || *p == '\t' || *p == ',') {
      ++p;
      continue;
    }
    if (*p != '(') return NDX_HETCLOSE;
    const char* start = ++p;
    while (*p && *p != ')' && *p != '(') ++p;
    if (*p != ')') return NDX_HETOPEN;
    std::string item(start, p++);
    std::size_t b = item.find_first_not_of(" \t");
    std::size_t e = item.find_last_not_of(" \t");
    items->push_back(upper(b == std::string::npos ? "" : item.substr(b, e - b + 1).c_str()));
  }
  return items->size() == 1 ? NDX_HETONE : 0;
}

// Attributes that describe the family or a section's own place in it,
// and are never copied to the combined objects.
bool never_copied(const char* name) {
  for (const char* n : {"HETERO", "HETERO_LABEL", "HETERO_SYMNAME", "HETERO_UID", "LABEL",
                        "PINTYPE", "PINORDER", "HETERO_PINORDER"})
    if (rkStrIcmp(name, n) == 0) return true;
  return false;
}

bool same_value(const char* a, const char* b) {
  if (!a || !b) return !a && !b;
  return rkStrIcmp(a, b) == 0;
}

struct HetState {
  bool failed = false;  // the pass's failure flag
};
HetState het_state;

void fail(int number, const char* a = nullptr, const char* b = nullptr, const char* c = nullptr) {
  iwmsghndlr(4, number, text(a), text(b), text(c));
  het_state.failed = true;
}

// Copies the attributes of a section object to the combined object: a
// new name is added, an equal value is set again, a differing value is
// kept as a further attribute of that name (507, except for SIGNAL).
void copy_atts(const IwAtt* from, void* to) {
  int st;
  for (const IwAtt* a = from; a; a = a->next) {
    if (!a->name || never_copied(a->name)) continue;
    IwAtt* first = iwgetatt(igobjatt(to), a->name);
    IwAtt* same = nullptr;
    for (IwAtt* e = first; e && e->name == a->name; e = e->next)
      if (same_value(e->value, a->value)) {
        same = e;
        break;
      }
    IwAtt* target = same;
    if (!target && first) {
      target = imcobjdupatt(to, a->name, &st);
      if (std::strcmp(a->name, "SIGNAL") != 0) {
        iwmsghndlr(2, NDX_HETATTCLASH, a->name, text(a->value));
        het_state.failed = true;
      }
    } else if (!target) {
      target = imcobjatt(to, a->name, &st);
    }
    if (target && a->value) imsattval(target, a->value, &st);
  }
}

// --- collecting the families ---------------------------------------------------------------

// The group of section item, or null after its message.
IwGrp* find_section(const std::string& item, const IwGrp* lister) {
  if (IwGrp* g = fetch_grp(item.c_str())) return g;
  for (IwGrp* g = iws.grpref; g; g = g->next) {
    if (rkStrIcmp(iggrpnam(g), item.c_str()) != 0) continue;
    fail(NDX_HETNAMEPART, item.c_str(), g->name);
    return nullptr;
  }
  // Reading a symbol makes its group even when there is no file, so the
  // file is looked for first: a failed pass must leave the design alone.
  std::string file = item + ".1";
  if (!item.empty() && iwfinfo(file.c_str(), "sym", nullptr, nullptr, nullptr))
    if (IwSym* sym = iwreadsym(file.data()); sym && sym->grp) return sym->grp;
  fail(NDX_HETNOSECTION, item.c_str(), lister->name);
  return nullptr;
}

// The combined pin list of set (pin order, or every section pin in turn).
void build_pins(IwHetSet* set) {
  std::string order;
  for (IwHetSec* s = set->secs; s && order.empty(); s = s->next)
    if (const char* v = value_of(s->grp->sym->atts, "HETERO_PINORDER")) order = v;
  bool found = false;
  for (IwHetSec* s = set->secs; s && order.empty() && !found; s = s->next)
    order = iwpinfile((std::string(iggrpnam(s->grp)) + ".hpn").c_str(), &found);
  IwHetPin** tail = &set->pins;
  auto add = [&](IwSpn* spn, const char* name) {
    auto* pin = iwpoolnew<IwHetPin>();
    pin->spn = spn;
    pin->name = name;
    pin->pintype = value_of(spn->atts, "PINTYPE");
    *tail = pin;
    tail = &pin->next;
  };
  if (order.empty()) {
    for (IwHetSec* s = set->secs; s; s = s->next)
      for (IwSpn* spn = s->grp->sym->spns; spn; spn = spn->next) add(spn, spn->name);
    return;
  }
  std::unordered_map<std::string, IwSpn*> first;  // upper-case name -> first section pin
  for (IwHetSec* s = set->secs; s; s = s->next)
    for (IwSpn* spn = s->grp->sym->spns; spn; spn = spn->next) first.emplace(upper(spn->name), spn);
  for (char& c : order)
    if (c == ',') c = ' ';
  char name[iw::kBitNameBuffer];
  for (int more = iwexpstr(order.c_str(), name, iws.busexpand ? 1 : 0, 1); more;
       more = iwexpstr(order.c_str(), name, iws.busexpand ? 1 : 0, 0)) {
    std::string key = upper(name);
    auto it = first.find(key);
    if (it == first.end()) {
      fail(NDX_HETORDERPIN, text(set->hetero), key.c_str());
      continue;
    }
    add(it->second, iwmkname(key.c_str()));
  }
}

// A new set for section group g (at the head of the list); false when a
// check failed.
bool collect(IwGrp* g) {
  auto* set = iwpoolnew<IwHetSet>();
  set->hetero = hetero_of(g);
  set->next = iws.hetsets;
  iws.hetsets = set;
  std::vector<std::string> items;
  if (int bad = parse_hetero(set->hetero, &items)) {
    fail(bad, set->hetero, g->name);
    return false;
  }
  IwHetSec** tail = &set->secs;
  for (const std::string& item : items) {
    IwGrp* sg = find_section(item, g);
    if (!sg) return false;
    auto* sec = iwpoolnew<IwHetSec>();
    sec->grp = sg;
    sec->name = iwmkname(item.c_str());
    *tail = sec;
    tail = &sec->next;
  }
  for (IwHetSec* s = set->secs; s; s = s->next)
    if (!s->grp->sym) {  // a group read from a file has its symbol
      fail(NDX_BUSNULLARG, s->name);
      return false;
    }
  build_pins(set);
  if (het_state.failed) return false;
  for (IwHetSec* s = set->secs; s && !set->name; s = s->next)
    set->name = value_of(s->grp->sym->atts, "HETERO_SYMNAME");
  if (!set->name) {
    fail(NDX_HETNOSYMNAME, set->hetero);
    return false;
  }
  int st;
  if (!i_check_name(set->name, &st)) {
    fail(NDX_HETBADSYMNAME, set->name);
    return false;
  }
  return true;
}

// The families agree with each other and with their sections (step two).
bool consistent() {
  std::unordered_map<const IwGrp*, int> sets_of;
  for (IwHetSet* set = iws.hetsets; set; set = set->next) {
    if (set->done) continue;
    std::vector<std::string> items, own;
    parse_hetero(set->hetero, &items);
    for (IwHetSec* s = set->secs; s; s = s->next) {
      if (!s->grp) {
        fail(NDX_BUSNULLARG, s->name);
        return false;
      }
      if (++sets_of[s->grp] == 2) {
        fail(NDX_HETTWOSETS, s->grp->name);
        return false;
      }
      const char* v = hetero_of(s->grp);
      if (!v || parse_hetero(v, &own) != 0 || own != items) {
        fail(NDX_HETDISAGREE, set->hetero, v);
        return false;
      }
    }
    std::unordered_set<std::string> combined;
    for (IwHetPin* p = set->pins; p; p = p->next) combined.insert(upper(p->name));
    for (IwHetSec* s = set->secs; s; s = s->next)
      for (IwSpn* spn = s->grp->sym->spns; spn; spn = spn->next)
        if (!combined.count(upper(spn->name))) {
          fail(NDX_HETPINMISSING, spn->name, s->grp->name);
          return false;
        }
  }
  return true;
}

// Drops the families with a section that is not a primitive (step three).
void keep_primitive() {
  for (IwHetSet** link = &iws.hetsets; *link;) {
    IwHetSet* set = *link;
    const IwHetSec* odd = nullptr;
    for (const IwHetSec* s = set->secs; s && !odd; s = s->next)
      if (s->grp->sym->symtype != IW_MODULE) odd = s;
    if (!odd || set->done) {
      link = &set->next;
      continue;
    }
    iwmsghndlr(2, NDX_HETNOTPRIM, odd->grp->name, set->name);
    *link = set->next;
  }
}

// --- combining ---------------------------------------------------------------------------

// The library the combined group goes to: the first section's, or, for
// sections known only from the wirelists that place them, the first
// section that lives in a library, else the top group's.
IwLib* home_library(const IwHetSet* set) {
  for (const IwHetSec* s = set->secs; s; s = s->next)
    if (IwLib* lib = iggrpown(s->grp)) return lib;
  return iggrpown(iws.topgrp);
}

using Places = std::unordered_map<std::string, int>;  // upper-case pin name -> place (first wins)

void make_combined(IwHetSet* set, const Places& place) {
  int st;
  IwGrp* g = imclibgrp(home_library(set), set->name, &st);
  IwSym* sym = g ? imcgrpsym(g, set->name, &st) : nullptr;
  if (sym) {
    set->grp = g;
    for (const IwHetPin* p = set->pins; p; p = p->next) {
      std::string type = upper(p->pintype);
      // A pin type that is no direction leaves the pin's direction open.
      if (type.empty() || !i_check_direction(type.c_str())) type = "UNDEFINED_DIRECTION";
      imcsymspn(sym, p->name, -1, type.c_str(), &st);
    }
  }
  for (IwHetSec* s = set->secs; s; s = s->next) {
    if (s->grp->sym->symtype != IW_MODULE) {
      fail(NDX_HETSECTYPE, s->grp->name, set->name);
      continue;
    }
    if (!set->grp) {
      fail(NDX_HETNOGROUP, set->name, s->grp->name);
      continue;
    }
    copy_atts(s->grp->sym->atts, sym);
    for (IwSpn* spn = s->grp->sym->spns; spn; spn = spn->next) {
      auto at = place.find(upper(spn->name));
      IwSpn* target = at == place.end() ? nullptr : iwspnat(sym, at->second);
      if (!target) {
        fail(NDX_HETNOPIN, spn->name, s->grp->name, set->name);
        continue;
      }
      copy_atts(spn->atts, target);
    }
  }
}

// Merges the section component com of group g into the combined
// component named by its label; true when it was merged.
bool merge(IwGrp* g, IwCom* com, IwHetSet* set, const Places& place) {
  const char* sname = com->sym->grp->name;
  const IwAtt* label = iwgetatt(com->atts, "HETERO_LABEL");
  int st;
  if (!label) {
    fail(NDX_HETNOLABEL, com->name, sname);
    return false;
  }
  if (!label->value || !label->value[0]) {
    fail(NDX_HETEMPTYLABEL, com->name);
    return false;
  }
  if (!i_check_name(label->value, &st)) {
    fail(NDX_HETBADLABEL, label->value, com->name);
    return false;
  }
  if (!set->grp) return false;  // reported while the symbols were made
  IwSym* sym = set->grp->sym;
  IwCom* whole = fetch_grp_com(g, label->value);
  // Another component of that name (not of the combined symbol) makes
  // the creation fail with its own message.
  if (!whole || whole->sym != sym)
    whole = imcgrpcom(g, com->sch ? com->sch->number : 1, g->sym, sym, label->value, &st);
  if (!whole) return false;
  copy_atts(com->atts, whole);
  IwPin* first = igcompin(whole);
  for (IwPin* pin = igcompin(com); pin; pin = igpincnx(pin)) {
    const IwSpn* spn = igpinspn(pin);
    auto at = spn ? place.find(upper(spn->name)) : place.end();
    if (at == place.end()) continue;  // every section pin has a place (step two)
    IwPin* target = ifpinpin(at->second, first);
    IwNet* net = igpinnet(pin);
    // Sections that share a pin (a supply) bring it the same net.
    if (net && target && igpinnet(target) != net) imanetpin(net, target, &st);
    if (target) copy_atts(pin->atts, target);
  }
  return true;
}

// Takes the merged section components off their nets and sheets: each
// touched ring and sheet list is filtered once.
void remove_components(const std::vector<IwCom*>& gone) {
  std::unordered_set<const IwCom*> dead(gone.begin(), gone.end());
  std::unordered_set<IwNet*> nets;
  std::unordered_set<IwSch*> sheets;
  for (IwCom* c : gone) {
    if (c->sch) sheets.insert(c->sch);
    for (IwPin* p = igcompin(c); p; p = igpincnx(p))
      if (IwNet* n = igpinnet(p)) nets.insert(n);
  }
  for (IwNet* net : nets) {
    void** link = &net->pins;
    while (*link != net) {
      auto* pin = static_cast<IwPin*>(*link);
      if (!dead.count(igpinown(pin))) {
        link = &pin->next;
        continue;
      }
      *link = pin->next;
      pin->next = nullptr;
      pin->onnet = nullptr;
    }
  }
  for (IwSch* sch : sheets) {
    IwCom* prev = nullptr;
    for (IwCom** link = &sch->coms; *link;) {
      IwCom* c = *link;
      if (!dead.count(c)) {
        prev = c;
        link = &c->next;
        continue;
      }
      const char* key = igcomnam(c);
      if (key && fetch_com(sch, key) == c) remove_com(sch, key);
      *link = c->next;
      c->next = nullptr;
      iwdcompcount();
    }
    sch->lastcom = prev;
  }
}

void combine() {
  // Which family each section group belongs to, and each combined pin's
  // place by name.
  std::unordered_map<const IwGrp*, IwHetSet*> family;
  std::unordered_map<const IwHetSet*, Places> places;
  for (IwHetSet* set = iws.hetsets; set; set = set->next) {
    if (set->done) continue;
    for (IwHetSec* s = set->secs; s; s = s->next) family[s->grp] = set;
    int k = 1;
    for (IwHetPin* p = set->pins; p; p = p->next, ++k) places[set].emplace(upper(p->name), k);
  }
  for (IwHetSet* set = iws.hetsets; set; set = set->next)
    if (!set->done) make_combined(set, places[set]);
  std::vector<IwCom*> merged;
  for (IwGrp* g = iwgetgrp(nullptr); g; g = iwgetgrp(g)) {
    std::vector<IwCom*> sections;
    for (IwCom* c = iggrpcom(g, nullptr); c; c = iggrpcom(g, c))
      if (c->sym && family.count(c->sym->grp)) sections.push_back(c);
    for (IwCom* c : sections) {
      IwHetSet* set = family[c->sym->grp];
      if (merge(g, c, set, places[set])) merged.push_back(c);
    }
  }
  remove_components(merged);
  int st;
  for (IwHetSet* set = iws.hetsets; set; set = set->next) {
    if (set->done) continue;
    for (IwHetSec* s = set->secs; s; s = s->next) imdgrp(s->grp, &st);
    set->done = true;
  }
}

}  // namespace

int iwhetero() {
  het_state = HetState{};
  // Families already combined stay on the list and keep their sections
  // from being collected again.
  std::unordered_set<const IwGrp*> listed;
  for (const IwHetSet* set = iws.hetsets; set; set = set->next)
    for (const IwHetSec* s = set->secs; s; s = s->next) listed.insert(s->grp);
  std::vector<IwGrp*> sections;
  for (IwGrp* g = iwgetgrp(nullptr); g; g = iwgetgrp(g))
    if (is_section(g) && !listed.count(g)) sections.push_back(g);
  for (IwGrp* g : sections) {
    if (listed.count(g)) continue;
    if (!collect(g)) {
      iws.hetsets = nullptr;
      return 0;
    }
    for (const IwHetSec* s = iws.hetsets->secs; s; s = s->next) listed.insert(s->grp);
  }
  if (!consistent()) {
    iws.hetsets = nullptr;
    return 0;
  }
  keep_primitive();
  bool pending = false;
  for (const IwHetSet* set = iws.hetsets; set; set = set->next) pending |= !set->done;
  if (!pending) return 1;
  int was = iwnochk_writable(-1);
  iwnochk_writable(1);
  combine();
  iwnochk_writable(was);
  sort_groups(nullptr);
  return het_state.failed ? 0 : 1;
}
