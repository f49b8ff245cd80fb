// wirelist/iwacc.cc - accessors and iterators of the wirelist records.
//
// Pin arrays are reached by address arithmetic, so every walk over them
// is bounded twice: by the pin count of the component's symbol (which may
// shrink after the array was made) and by the count the array was made
// with (kept in its head).  A ring walk from a pin stops at the first
// element whose number field marks a net (0 or -1).
#include "wirelist/iwacc.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "util/rkstr.h"
#include "wirelist/iwfile.h"
#include "wirelist/iwgbl.h"
#include "wirelist/iwindex.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwname.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"

namespace {

std::string upper(const char* s) {
  std::string u = s ? s : "";
  rkStrUpc(u.data());
  return u;
}

bool same(const char* a, const char* b) { return a == b || (a && b && std::strcmp(a, b) == 0); }

const IwPin* head_of(const IwPin* pin) { return pin->index > 0 ? pin - pin->index : pin; }

// Number of pins that may be reached in the array of head.
int pin_limit(const IwPin* head) {
  const IwCom* com = head->com;
  if (!com || !com->sym) return 0;
  return static_cast<int>(std::min<std::intptr_t>(com->sym->npins, head->npins));
}

bool overrides(const IwCom* com, const IwAtt* symatt) {
  if (same(symatt->name, "SIGNAL")) return iwsigatt(com->atts, "SIGNAL", symatt->value) != nullptr;
  return iwgetatt(com->atts, symatt->name) != nullptr;
}

IwNamedSet* find_set(int number) {
  for (auto& s : iws.namedsets)
    if (s->number == number) return s.get();
  return nullptr;
}

std::vector<IwSetMember>& bucket_of(IwNamedSet* set, const char* text) {
  return set->buckets[iwhash(text, iw::kNameSetBuckets)];
}

// Position of the newest member of bucket equal to text ignoring case.
std::vector<IwSetMember>::iterator find_member(std::vector<IwSetMember>& bucket, const char* text) {
  for (auto it = bucket.end(); it != bucket.begin();) {
    --it;
    if (rkStrIcmp(it->text, text) == 0) return it;
  }
  return bucket.end();
}

// --- the index of a named set ---
//
// Open addressing over the members' own texts, hashed and compared
// ignoring case, so a look-up copies nothing.  A slot holds the newest
// member of its text; taking a member out rebuilds the index from the
// buckets, which is rare.

std::size_t fold_hash(const char* text) {
  std::size_t h = 1469598103934665603ull;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    unsigned char c = *p >= 'a' && *p <= 'z' ? static_cast<unsigned char>(*p - 32) : *p;
    h = (h ^ c) * 1099511628211ull;
  }
  return h;
}

// The slot of text: the one holding an equal member, or the free one
// where it would go.
const char** index_slot(IwNamedSet* s, const char* text) {
  std::size_t mask = s->index.size() - 1;
  for (std::size_t i = fold_hash(text) & mask;; i = (i + 1) & mask)
    if (!s->index[i] || s->index[i] == text || rkStrIcmp(s->index[i], text) == 0)
      return &s->index[i];
}

void index_put(IwNamedSet* s, const char* member) {
  if ((s->indexed + 1) * 2 > s->index.size()) {
    std::vector<const char*> old(std::max<std::size_t>(64, s->index.size() * 2), nullptr);
    old.swap(s->index);
    for (const char* m : old)
      if (m) *index_slot(s, m) = m;
  }
  const char** slot = index_slot(s, member);
  if (!*slot) ++s->indexed;
  *slot = member;
}

void index_rebuild(IwNamedSet* s) {
  s->index.assign(s->index.size(), nullptr);
  s->indexed = 0;
  for (auto& bucket : s->buckets)
    for (const IwSetMember& m : bucket) index_put(s, m.text);
}

}  // namespace

// --- getters and iterators ---------------------------------------------------------

const char* igcomnam(const IwCom* component) {
  if (!component) return nullptr;
  const IwAtt* label = iwgetatt(component->atts, "LABEL");
  return label && label->value ? label->value : component->name;
}

IwPin* igcompin(const IwCom* component) {
  if (!component || !component->pins) return nullptr;
  return pin_limit(component->pins) >= 1 ? component->pins + 1 : nullptr;
}

IwPin* igpincnx(const IwPin* pin) {
  if (!pin || pin->index < 1) return nullptr;
  return pin->index < pin_limit(head_of(pin)) ? const_cast<IwPin*>(pin + 1) : nullptr;
}

IwCom* igpinown(const IwPin* pin) {
  if (!pin || pin->index < 0) return nullptr;
  return head_of(pin)->com;
}

IwSpn* igpinspn(const IwPin* pin) {
  const IwCom* com = igpinown(pin);
  if (!com || !com->sym || pin->index < 1) return nullptr;
  return iwspnat(com->sym, pin->index);
}

IwNet* igpinnet(const IwPin* pin) {
  if (!pin) return nullptr;
  // Global and clock nets carry a large share of all pins: walking their
  // rings for every pin would make a flat design quadratic.
  if (pin->index > 0 && pin->next && pin->onnet) return pin->onnet;
  for (const void* p = pin->next; p && p != pin;) {
    if (iwringnum(p) <= 0) return static_cast<IwNet*>(const_cast<void*>(p));
    p = static_cast<const IwPin*>(p)->next;
  }
  return nullptr;
}

IwPin* igpinnnx(const IwPin* pin) {
  if (!pin || !pin->next || iwringnum(pin->next) <= 0) return nullptr;
  return static_cast<IwPin*>(pin->next);
}

IwPin* ignetpin(const IwNet* net) {
  if (!net || !net->pins || net->pins == net) return nullptr;
  return static_cast<IwPin*>(net->pins);
}

IwSpn* ignetspn(const IwNet* net, IwSym** symbol) {
  IwSym* sym = net && net->grp ? net->grp->sym : nullptr;
  if (symbol) *symbol = sym;
  if (!sym) return nullptr;
  for (IwSpn* spn = sym->spns; spn; spn = spn->next)
    if (spn->net == net) return spn;
  return nullptr;
}

IwCom* iggrpcom(const IwGrp* group, const IwCom* component) {
  if (!group) return nullptr;
  const IwSch* sch;
  if (!component) {
    sch = group->schs;
  } else {
    if (component->next) return component->next;
    sch = component->sch ? component->sch->next : nullptr;
  }
  while (sch && !sch->coms) sch = sch->next;
  return sch ? sch->coms : nullptr;
}

IwAtt* igcossat(const IwCom* component, const IwAtt* attribute) {
  if (!component) return nullptr;
  const IwAtt* next;
  if (!attribute) {
    iws.cossatown = true;
    next = component->atts;
  } else {
    next = attribute->next;
  }
  if (iws.cossatown) {
    if (next) return const_cast<IwAtt*>(next);
    iws.cossatown = false;
    next = component->sym ? component->sym->atts : nullptr;
  }
  while (next && overrides(component, next)) next = next->next;
  return const_cast<IwAtt*>(next);
}

IwAtt* igcospat(const IwPin* pin, const IwAtt* attribute) {
  if (!pin) return nullptr;
  const IwAtt* next;
  if (!attribute) {
    iws.cospatown = true;
    next = pin->atts;
  } else {
    next = attribute->next;
  }
  if (iws.cospatown) {
    if (next) return const_cast<IwAtt*>(next);
    iws.cospatown = false;
    const IwSpn* spn = igpinspn(pin);
    next = spn ? spn->atts : nullptr;
  }
  while (next && iwgetatt(pin->atts, next->name)) next = next->next;
  return const_cast<IwAtt*>(next);
}

IwGrp* iwshdone(const char* name, int sheet) {
  if (!name) return nullptr;
  IwGrp* g = fetch_grp(upper(name).c_str());
  if (!g) return nullptr;
  for (const IwSch* s = g->schs; s; s = s->next)
    if (s->number == sheet && s->coms) return g;
  return nullptr;
}

// --- finders ---------------------------------------------------------------------------

IwAtt* ifattatt(const char* name, IwAtt* list) {
  if (!name) return nullptr;
  return iwgetatt(list, upper(name).c_str());
}

IwAtt* ifupattatt(const char* name, IwAtt* list) {
  if (!name) return nullptr;
  return iwgetatt(list, name);
}

IwAtt* ifcossat(const char* name, const IwCom* component) {
  if (!name || !component) return nullptr;
  if (IwAtt* a = iwgetatt(component->atts, name)) return a;
  return component->sym ? iwgetatt(component->sym->atts, name) : nullptr;
}

IwAtt* ifcospat(const char* name, const IwPin* pin) {
  if (!name || !pin) return nullptr;
  if (IwAtt* a = iwgetatt(pin->atts, name)) return a;
  const IwSpn* spn = igpinspn(pin);
  return spn ? iwgetatt(spn->atts, name) : nullptr;
}

IwPin* ifpinpin(int k, const IwPin* pin1) {
  if (!pin1 || pin1->index < 0) return nullptr;
  const IwPin* head = head_of(pin1);
  if (k < 1 || k > pin_limit(head)) return nullptr;
  return const_cast<IwPin*>(head + k);
}

IwCom* ifcomcom(const char* name, const IwCom* component) {
  if (!name || !component) return nullptr;
  std::string want = upper(name);
  const IwSch* sch = component->sch;
  for (const IwCom* c = component;;) {
    for (; c; c = c->next)
      if (same(igcomnam(c), want.c_str())) return const_cast<IwCom*>(c);
    sch = sch ? sch->next : nullptr;
    if (!sch) return nullptr;
    c = sch->coms;
  }
}

IwNet* ifnetnet(const char* name, const IwNet* net) {
  if (!name || !net) return nullptr;
  return fetch_net(net->grp, upper(name).c_str());
}

IwNet* ifupnetnet(const char* name, const IwNet* net) {
  if (!name || !net) return nullptr;
  return fetch_net(net->grp, name);
}

IwSpn* ifspnspn(const char* name, IwSpn* spn) {
  if (!name) return nullptr;
  std::string want = upper(name);
  for (; spn; spn = spn->next)
    if (same(spn->name, want.c_str())) return spn;
  return nullptr;
}

IwSym* ifsymsym(int number, IwSym* symbol) {
  for (; symbol; symbol = symbol->next)
    if (symbol->number == number) return symbol;
  return nullptr;
}

IwGrp* ifgrpgrp(const char* name) {
  if (!name) return nullptr;
  std::string want = upper(iwparsename(name));
  for (IwGrp* g = iws.grpref; g; g = g->next)
    if (g->name && std::strcmp(iwparsename(g->name), want.c_str()) == 0) return g;
  return nullptr;
}

IwNet* iwnetwnm(const char* name, const IwCom* component) {
  if (!name || !component || std::strcmp(name, "?") == 0) return nullptr;
  return component->sym ? fetch_net(component->sym->grp, name) : nullptr;
}

// --- adders and setters -------------------------------------------------------------

IwAtt* iaaddatt(IwAtt* list, const char* name, const char* value) {
  const char* n = iwmkname(name);
  IwName v = value ? iwmkname(value) : nullptr;
  if (iwdupatt(list, n, v)) return list;
  IwAtt* att = iwmakatt();
  if (!att) return list;
  att->name = n;
  att->value = v;
  return iwaddatt(list, att);
}

IwAtt* iadelatt(IwAtt* list, IwAtt* attribute) { return iwdelatt(list, attribute); }

IwAtt* iaattnam(IwAtt* attribute, const char* name) {
  // An attribute renamed in place may sit in an indexed list filed under
  // its old name.
  if (attribute)
    iwattstale();
  else if (!(attribute = iwmakatt()))
    return nullptr;
  attribute->name = iwmkname(name);
  return attribute;
}

IwAtt* iaattval(IwAtt* attribute, const char* value) {
  if (attribute)
    iwattstale();
  else if (!(attribute = iwmakatt()))
    return nullptr;
  attribute->value = value ? iwmkname(value) : nullptr;
  return attribute;
}

IwNet* ianetnam(IwNet* net, const char* name) {
  if (!net && !(net = iwmaknet())) return nullptr;
  const char* old = net->name;
  // A renamed net must still be found by its name: the table entry of the
  // old name goes (when it is this net's) and the new name points here.
  if (net->grp && old && fetch_net(net->grp, old) == net) remove_net(net->grp, old);
  net->name = iwmkname(name);
  if (net->grp) store_net(net->grp, net);
  if (net->kind == IW_GLOBALNET) iwgblreindex();
  return net;
}

IwNet* ianetpin(IwNet* net, IwPin* pin) {
  if (!net && !(net = iwmaknet())) return nullptr;
  if (pin) {
    pin->next = net->pins;
    net->pins = pin;
    pin->onnet = net;
  }
  return net;
}

IwGrp* iagrpnet(IwGrp* group, IwNet* net) {
  if (!net) return group;
  if (!group && !(group = iwmakgrp(nullptr))) return nullptr;
  net->grp = group;
  if (!group->nets) group->lastnet = net;
  net->next = group->nets;
  group->nets = net;
  store_net(group, net);
  return group;
}

IwGrp* iagrpsym(IwGrp* group, IwSym* symbol) {
  if (!symbol) return group;
  if (!group && !(group = iwmakgrp(nullptr))) return nullptr;
  symbol->grp = group;
  if (!group->sym) {
    symbol->next = nullptr;
    group->sym = symbol;
    return group;
  }
  IwSym* prev = group->sym;
  while (prev->next && prev->next->number <= symbol->number) prev = prev->next;
  symbol->next = prev->next;
  prev->next = symbol;
  return group;
}

// --- deleters -------------------------------------------------------------------------------

IwPin* idnetpin(IwNet* net, IwPin* pin) {
  if (!net || !pin) return nullptr;
  void** link = &net->pins;
  for (void* p = net->pins; p && p != net;) {
    auto* q = static_cast<IwPin*>(p);
    if (q == pin) {
      void* follow = pin->next;
      *link = follow;
      pin->next = nullptr;
      pin->onnet = nullptr;
      return follow && follow != net ? static_cast<IwPin*>(follow) : nullptr;
    }
    link = &q->next;
    p = q->next;
  }
  return nullptr;
}

IwSpn* idsymspn(IwSym* symbol, IwSpn* spn) {
  if (!symbol || !spn) return nullptr;
  for (IwSpn** link = &symbol->spns; *link; link = &(*link)->next) {
    if (*link != spn) continue;
    IwSpn* follow = spn->next;
    iwspnforget(symbol);
    *link = follow;
    iwfrspn(spn);
    --symbol->npins;
    return follow;
  }
  return nullptr;
}

IwNet* idgrpnet(IwGrp* group, IwNet* net) {
  if (!group || !net) return nullptr;
  IwNet* prev = nullptr;
  for (IwNet** link = &group->nets; *link; prev = *link, link = &(*link)->next) {
    if (*link != net) continue;
    IwNet* follow = net->next;
    *link = follow;
    if (group->lastnet == net) group->lastnet = prev;
    // Another net may have taken over the name (a rename); leave its entry.
    if (fetch_net(group, net->name) == net) remove_net(group, net->name);
    iwfrnet(net);
    return follow;
  }
  return nullptr;
}

IwAtt* idnetatt(IwNet* net, IwAtt* attribute) {
  if (!net || !attribute) return nullptr;
  for (IwAtt* a = net->atts; a; a = a->next) {
    if (a != attribute) continue;
    IwAtt* follow = a->next;
    net->atts = iwdelatt(net->atts, a);
    return follow;
  }
  return nullptr;
}

// --- named sets --------------------------------------------------------------------------

const char* inaddmem(int set, const char* text, int copy) {
  if (!text) return nullptr;
  IwNamedSet* s = find_set(set);
  if (!s) {
    iws.namedsets.push_back(std::make_unique<IwNamedSet>());
    s = iws.namedsets.back().get();
    s->number = set;
  }
  IwSetMember m;
  if (copy == 1) {
    std::size_t n = std::strlen(text) + 1;
    m.copy = std::make_unique<char[]>(n);
    std::memcpy(m.copy.get(), text, n);
    m.text = m.copy.get();
  } else {
    m.text = text;
  }
  const char* stored = m.text;
  bucket_of(s, text).push_back(std::move(m));
  index_put(s, stored);
  return stored;
}

const char* insetmem(int set, const char* text) {
  IwNamedSet* s = find_set(set);
  if (!s || !text || s->index.empty()) return nullptr;
  return *index_slot(s, text);
}

const char* inanymem(int set) {
  IwNamedSet* s = find_set(set);
  if (!s) return nullptr;
  for (auto& bucket : s->buckets)
    if (!bucket.empty()) return bucket.back().text;
  return nullptr;
}

int indelmem(int set, const char* text) {
  IwNamedSet* s = find_set(set);
  if (!s || !text) return 0;
  auto& bucket = bucket_of(s, text);
  auto it = find_member(bucket, text);
  if (it == bucket.end()) return 0;
  bucket.erase(it);
  index_rebuild(s);
  return 1;
}

int indelset(int set) {
  for (auto it = iws.namedsets.begin(); it != iws.namedsets.end(); ++it) {
    if ((*it)->number != set) continue;
    iws.namedsets.erase(it);
    return 1;
  }
  return 0;
}
