// wirelist/iwalias.cc - merging aliased nets.
//
// One group at a time: the NET_ALIAS attributes of its nets are collected
// as raw pairs (value, net name), the pairs are joined into alias sets,
// bus aliases are carried over to the sub-buses they cover, each member
// of a set is given the net of its name, and each set is resolved to one
// surviving net into which the other nets are merged.
//
// Orders that show in the result: the set list and each member list keep
// their newest element first, and members are added at the head; which
// net survives when the chosen name has no net of its own, and the order
// of the messages, follow these lists.  Building keeps them exactly while
// staying O(n log n): two sets are joined by moving the smaller list onto
// the larger one, whose logical direction is flipped when the larger one
// is the list that would have had to be reversed.
//
// Look-ups that a naive pass would make by walking the group (the port a
// net is tied to, whether some other net covers a name, deleting a net
// from the group's list) go through indexes made for the group's turn.
// Merged nets are taken out of the group's net table at once and out of
// its net list in one sweep at the end of the group's turn.
#include "wirelist/iwalias.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "catalogs/nodex.h"
#include "util/rkbus.h"
#include "util/rkpinlist.h"
#include "util/rkstr.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwgbl.h"
#include "wirelist/iwindex.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwname.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"
#include "wirelist/limits.h"

namespace {

constexpr const char* kAlias = "NET_ALIAS";
constexpr const char* kWidthError =
    "Nets with different widths cannot be aliased together\n         Please fix schematic";
constexpr const char* kTransferError = "Internal Error: transfer_bus_aias";
constexpr const char* kTransferError2 = "Internal Error2: transfer_bus_aias";
constexpr const char* kTieError = "Internal Error: break_tie_for_primary";

// Attribute additions to one net at least this many are sorted in at once
// instead of inserted one by one (same result, no quadratic walk).
constexpr std::size_t kBatchAdds = 16;

// Bits of Member::rules: the primary-name rules a member satisfies.
constexpr int kChosen = 1;      // its net has CHOSEN=THIS
constexpr int kPortNamed = 2;   // its net is tied to a port of the net's name
constexpr int kPortCovers = 4;  // its net is tied to a port whose name covers the net's
constexpr int kGlobal = 8;      // its net is global

struct Chain;
struct Set;

struct Member {
  std::string name;        // the alias name (a copy)
  IwNet* net = nullptr;    // the group's net of that name, or none
  bool chosen = false;     // the net carries CHOSEN=THIS
  int width = -1;          // signals in the name; -1 until measured
  int rules = -1;          // kChosen...; -1 until evaluated
  int covered = -1;        // another net of the group covers the name; -1 until asked
  Chain* chain = nullptr;  // where the member is kept while sets are built
  Set* set = nullptr;      // its set, once the sets are built
  long rank = 0;           // orders the members of a set: list order is ascending rank
};

// A member list while sets are built: the logical order is the order of
// items, or the reverse of it when flipped.
struct Chain {
  std::deque<Member*> items;
  bool flipped = false;
  Set* owner = nullptr;
  void push_front(Member* m) { flipped ? items.push_back(m) : items.push_front(m); }
  void push_back(Member* m) { flipped ? items.push_front(m) : items.push_back(m); }
  std::vector<Member*> ordered() const {
    std::vector<Member*> v(items.begin(), items.end());
    if (flipped) std::reverse(v.begin(), v.end());
    return v;
  }
};

struct Set {
  Chain* chain = nullptr;                      // members while building
  bool alive = true;                           // not joined into another set
  int pos = 0;                                 // place in the set list (0 first)
  std::deque<Member*> members;                 // members in list order, after building
  long headrank = 0;                           // rank of the head member
  std::unordered_set<std::string_view> names;  // member names, made on first use
};

// Everything the pass keeps for the current group.
struct GroupPass {
  IwGrp* grp = nullptr;
  std::vector<std::pair<const char*, const char*>> raw;  // (value, net name), oldest first
  std::deque<Member> arena;                              // every member
  std::deque<Chain> chains;
  std::deque<Set> sets;                                  // in creation order
  std::vector<Set*> order;                               // the set list, newest first
  std::unordered_map<std::string_view, Member*> byname;  // member of each name while building
  std::unordered_map<std::string, std::vector<Member*>> buses;  // signal or name -> bus members
  std::unordered_set<const IwNet*> dead;                        // nets merged away
  std::vector<IwNet*> doomed;                                   // the same, to free at the end
  std::vector<IwNet*> aliased;  // nets that held or received aliases (may repeat)
  // The symbol pins tied to each net, in symbol order, and the place of
  // each symbol pin; made when first needed.
  bool portsmade = false;
  std::unordered_map<const IwNet*, std::vector<IwSpn*>> ports;
  std::unordered_map<const IwSpn*, int> portpos;
  // The nets holding each signal, and each net under its own name; made
  // when first needed.
  // Keys are net names (interned, so they outlive renames) or signals
  // kept in coversignals.
  bool covermade = false;
  int coverscans = 0;  // questions answered by walking the nets instead
  std::unordered_multimap<std::string_view, IwNet*> cover;
  std::deque<std::string> coversignals;
};

const char* gname(const IwGrp* g) { return g && g->name ? g->name : ""; }

std::string upper(const std::string& s) {
  std::string u = s;
  rkStrUpc(u.data());
  return u;
}

int width_of(Member* m) {
  if (m->width < 0) m->width = rkBusExpandWidth(m->name.c_str());
  return m->width;
}

// Calls fn(signal) for each signal of name, expanded into a buffer of
// size bytes; stops early when fn returns false.
template <typename Fn>
void expand(const char* name, int size, Fn fn) {
  // Most net names are single signals: no buffer, no expansion state.
  if (rkBusExpandPlain(name) && std::strlen(name) < static_cast<std::size_t>(size)) {
    fn(name);
    return;
  }
  std::unique_ptr<char[]> buf(new char[static_cast<std::size_t>(size)]);
  RkBusState* st = nullptr;
  while ((st = rkBusExpand(st, name, buf.get(), size)) != nullptr) {
    if (!fn(static_cast<const char*>(buf.get()))) {
      rkBusExpandFree(st);
      return;
    }
  }
}

// --- building the sets --------------------------------------------------------------

Member* member_of(GroupPass& gp, const char* name) {
  auto it = gp.byname.find(name);
  if (it != gp.byname.end()) return it->second;
  Member* m = &gp.arena.emplace_back();
  m->name = name;
  Set* s = &gp.sets.emplace_back();
  Chain* c = &gp.chains.emplace_back();
  c->items.push_back(m);
  c->owner = s;
  s->chain = c;
  m->chain = c;
  gp.byname.emplace(m->name, m);
  return m;
}

// Joins s2 into s1: s1's list becomes s2's members, last to first, in
// front of s1's own (each copied to the head in s2's order).  The two
// sets never share a name, so every member of s2 moves.
void join(Set* s1, Set* s2) {
  Chain* a = s1->chain;
  Chain* b = s2->chain;
  if (b->items.size() <= a->items.size()) {
    for (Member* m : b->ordered()) {
      a->push_front(m);
      m->chain = a;
    }
  } else {
    b->flipped = !b->flipped;
    for (Member* m : a->ordered()) {
      b->push_back(m);
      m->chain = b;
    }
    b->owner = s1;
    s1->chain = b;
    a->items.clear();
  }
  s2->alive = false;
  s2->chain = nullptr;
}

void build_sets(GroupPass& gp) {
  for (auto it = gp.raw.rbegin(); it != gp.raw.rend(); ++it) {
    Member* a = member_of(gp, it->first);
    Member* b = member_of(gp, it->second);
    Set* s1 = a->chain->owner;
    Set* s2 = b->chain->owner;
    if (s1 != s2) join(s1, s2);
  }
  // Sets were created at the head of the list: newest first.
  for (auto it = gp.sets.rbegin(); it != gp.sets.rend(); ++it) {
    if (!it->alive) continue;
    Set* s = &*it;
    s->pos = static_cast<int>(gp.order.size());
    gp.order.push_back(s);
    for (Member* m : s->chain->ordered()) {
      m->set = s;
      m->rank = static_cast<long>(s->members.size());
      s->members.push_back(m);
    }
  }
  gp.byname.clear();
  gp.chains.clear();
}

// --- bus aliases --------------------------------------------------------------------
//
// Every member m1 is tested against every member m2 wider than one signal
// of every set, sets and members in list order.  Only a bus holding m1's
// first signal (or named exactly like m1) can cover it, so the buses are
// indexed by their signals and each m1 visits just those, in the order
// (place of the set, place in the set) the full walk would meet them.

using Place = std::pair<int, long>;  // place of the set, rank in the set

Place place(const Member* m) { return {m->set->pos, m->rank}; }

void index_bus(GroupPass& gp, Member* m) {
  auto add = [&](const std::string& key) {
    std::vector<Member*>& v = gp.buses[key];
    if (v.empty() || v.back() != m) v.push_back(m);
  };
  add(m->name);
  expand(m->name.c_str(), iw::kAliasBitBuffer, [&](const char* sig) {
    add(sig);
    return true;
  });
}

// The buses that may cover m, by place.
std::map<Place, Member*> bus_candidates(GroupPass& gp, const Member* m) {
  std::vector<std::string> keys{m->name};
  expand(m->name.c_str(), iw::kAliasBitBuffer, [&](const char* sig) {
    keys.emplace_back(sig);
    return false;
  });
  std::map<Place, Member*> found;
  for (const std::string& key : keys) {
    auto it = gp.buses.find(key);
    if (it == gp.buses.end()) continue;
    for (Member* b : it->second) found.emplace(place(b), b);
  }
  return found;
}

bool has_name(Set* s, const std::string& name) {
  if (s->names.empty())
    for (Member* m : s->members) s->names.insert(m->name);
  return s->names.count(name) != 0;
}

Member* add_member(GroupPass& gp, Set* s, const std::string& name) {
  Member* m = &gp.arena.emplace_back();
  m->name = name;
  m->set = s;
  m->rank = --s->headrank;
  s->members.push_front(m);
  s->names.insert(m->name);
  if (width_of(m) > 1) index_bus(gp, m);
  return m;
}

// m1's signals lie inside the wider bus m2: every alias of m2 (the members
// of its set) gives the part at the same positions to m1's set.  Returns
// the members added, at the head of m1's set.
std::vector<Member*> transfer(GroupPass& gp, Member* m1, Member* m2) {
  constexpr int kBuf = iw::kBitNameBuffer;
  std::vector<Member*> added;
  std::string first, last;
  if (width_of(m1) == 1) {
    first = last = m1->name.substr(0, kBuf - 1);
  } else {
    int k = 0;
    expand(m1->name.c_str(), kBuf, [&](const char* sig) {
      if (k++ == 0) first = sig;
      last = sig;
      return true;
    });
  }
  int pos = 0, from = 0, to = 0;
  expand(m2->name.c_str(), kBuf, [&](const char* sig) {
    ++pos;
    if (!from && first == sig) from = pos;
    if (last == sig) {
      to = pos;
      return false;
    }
    return true;
  });
  if (pos == 0 || !from || !to) {
    iwmsghndlr(4, NDX_ALIASERROR, kTransferError);
    return added;
  }
  if (from > to) {
    iwmsghndlr(4, NDX_ALIASERROR, kTransferError2);
    return added;
  }
  Set* s1 = m1->set;
  // m2's set may be s1: members added now are not walked again here.
  std::vector<Member*> aliases(m2->set->members.begin(), m2->set->members.end());
  for (Member* alias : aliases) {
    const char* joined = nullptr;
    int k = 0;
    expand(alias->name.c_str(), kBuf, [&](const char* sig) {
      ++k;
      if (k >= from) joined = rkMergePinToSigAtt(sig, "NC", joined);
      return k < to;
    });
    std::string part = joined ? joined : "";
    rkMergePinToSigAtt(nullptr, nullptr, nullptr);
    if (!part.empty() && !has_name(s1, part)) added.push_back(add_member(gp, s1, part));
  }
  return added;
}

void transfer_buses(GroupPass& gp) {
  for (Set* s : gp.order)
    for (Member* m : s->members)
      if (width_of(m) > 1) index_bus(gp, m);
  if (gp.buses.empty()) return;
  for (Set* s1 : gp.order) {
    for (std::size_t i = 0; i < s1->members.size(); ++i) {
      Member* m1 = s1->members[i];
      std::map<Place, Member*> todo = bus_candidates(gp, m1);
      for (auto it = todo.begin(); it != todo.end(); it = todo.upper_bound(it->first)) {
        Member* m2 = it->second;
        if (m2 == m1 || !rkBusExpandSubset(m2->name.c_str(), m1->name.c_str())) continue;
        Place at = it->first;
        std::vector<Member*> added = transfer(gp, m1, m2);
        i += added.size();
        // A new bus placed after the current one is still met by this walk.
        for (Member* m : added)
          if (width_of(m) > 1 && place(m) > at) todo.emplace(place(m), m);
        it = todo.find(at);
      }
    }
  }
}

// --- nets of the members --------------------------------------------------------------

bool chosen(const IwNet* net) {
  for (IwAtt* a = iwgetatt(net->atts, "CHOSEN"); a && std::strcmp(a->name, "CHOSEN") == 0;
       a = a->next)
    if (a->value && rkStrIcmp(a->value, "THIS") == 0) return true;
  return false;
}

void attach(GroupPass& gp) {
  for (Set* s : gp.order) {
    for (Member* m : s->members) {
      m->net = fetch_net(gp.grp, upper(m->name).c_str());
      m->chosen = m->net && chosen(m->net);
    }
  }
}

void check_widths(GroupPass& gp) {
  for (Set* s : gp.order) {
    Member* head = s->members.front();
    int w = width_of(head);
    for (Member* m : s->members) {
      if (width_of(m) == w) continue;
      iwmsghndlr(1, NDX_ALIASWIDTH, gname(gp.grp), head->name.c_str(), w, m->name.c_str(),
                 width_of(m));
      iwmsghndlr(4, NDX_ALIASERROR, kWidthError);
    }
  }
}

// --- ports and covering nets ------------------------------------------------------------

void make_ports(GroupPass& gp) {
  if (gp.portsmade) return;
  gp.portsmade = true;
  int k = 0;
  for (IwSpn* spn = gp.grp->sym ? gp.grp->sym->spns : nullptr; spn; spn = spn->next) {
    gp.portpos[spn] = k++;
    if (spn->net) gp.ports[spn->net].push_back(spn);
  }
}

// The first symbol pin of the group tied to net, as ignetspn finds it.
IwSpn* port_of(GroupPass& gp, const IwNet* net) {
  if (!net) return nullptr;
  make_ports(gp);
  auto it = gp.ports.find(net);
  return it == gp.ports.end() || it->second.empty() ? nullptr : it->second.front();
}

// Ties the symbol pins of n to survivor, keeping symbol order.
void retie_ports(GroupPass& gp, const IwNet* n, IwNet* survivor) {
  make_ports(gp);
  auto it = gp.ports.find(n);
  if (it == gp.ports.end()) return;
  std::vector<IwSpn*> moved = std::move(it->second);
  gp.ports.erase(it);
  std::vector<IwSpn*>& into = gp.ports[survivor];
  for (IwSpn* spn : moved) {
    spn->net = survivor;
    into.push_back(spn);
  }
  std::sort(into.begin(), into.end(),
            [&](const IwSpn* a, const IwSpn* b) { return gp.portpos[a] < gp.portpos[b]; });
}

void index_cover(GroupPass& gp, IwNet* net) {
  if (!net->name) return;
  gp.cover.emplace(net->name, net);
  expand(net->name, iw::kAliasBitBuffer, [&](const char* sig) {
    if (std::strcmp(sig, net->name) != 0)
      gp.cover.emplace(gp.coversignals.emplace_back(sig), net);
    return true;
  });
}

// Whether n is one of the nets the cover index keeps under one of keys:
// keys name n or one of its signals.
bool keyed_under(IwNet* n, const std::vector<std::string>& keys) {
  for (const std::string& key : keys)
    if (key == n->name) return true;
  bool hit = false;
  expand(n->name, iw::kAliasBitBuffer, [&](const char* sig) {
    for (const std::string& key : keys) hit = hit || key == sig;
    return !hit;
  });
  return hit;
}

// Whether a net of the group other than m's own covers m's name.  Only a
// net holding m's first signal (or named like m) can, so the nets are
// indexed by name and signal; a group that asks only a few times, as
// most do, is walked instead of indexed.
bool covered(GroupPass& gp, const Member* m) {
  constexpr int kScansBeforeIndex = 8;
  std::vector<std::string> keys{m->name};
  expand(m->name.c_str(), iw::kAliasBitBuffer, [&](const char* sig) {
    keys.emplace_back(sig);
    return false;
  });
  auto covers = [&](IwNet* n) {
    return n != m->net && !gp.dead.count(n) && n->name &&
           rkBusExpandSubset(n->name, m->name.c_str());
  };
  if (!gp.covermade && gp.coverscans < kScansBeforeIndex) {
    ++gp.coverscans;
    for (IwNet* n = gp.grp->nets; n; n = n->next)
      if (n->name && keyed_under(n, keys) && covers(n)) return true;
    return false;
  }
  if (!gp.covermade) {
    gp.covermade = true;
    std::size_t nets = 0;
    for (IwNet* n = gp.grp->nets; n; n = n->next) ++nets;
    gp.cover.reserve(nets);
    for (IwNet* n = gp.grp->nets; n; n = n->next)
      if (!gp.dead.count(n)) index_cover(gp, n);
  }
  for (const std::string& key : keys) {
    auto [from, to] = gp.cover.equal_range(key);
    for (auto it = from; it != to; ++it)
      if (covers(it->second)) return true;
  }
  return false;
}

// --- resolving a set ------------------------------------------------------------------------

int rules_of(GroupPass& gp, Member* m) {
  if (m->rules >= 0) return m->rules;
  int r = m->chosen ? kChosen : 0;
  if (IwNet* net = m->net) {
    IwSpn* spn = port_of(gp, net);
    if (spn && spn->name && net->name && std::strcmp(spn->name, net->name) == 0) r |= kPortNamed;
    if (spn && rkBusExpandSubset(spn->name, net->name)) r |= kPortCovers;
    if (net->kind == IW_GLOBALNET) r |= kGlobal;
  }
  m->rules = r;
  return r;
}

// The winner of a and b for the primary name.
Member* better(GroupPass& gp, Member* a, Member* b) {
  if (!a || !b) {
    iwmsghndlr(4, NDX_ALIASERROR, kTieError);
    return a ? a : b;
  }
  int ra = rules_of(gp, a), rb = rules_of(gp, b);
  for (int bit : {kChosen, kPortNamed, kPortCovers, kGlobal}) {
    if ((ra & bit) != (rb & bit)) return (ra & bit) ? a : b;
  }
  // Whether a wider net covers the name costs a look-up: asked only when
  // the rules before it leave a tie.
  for (Member* m : {a, b})
    if (m->covered < 0) m->covered = covered(gp, m) ? 1 : 0;
  if (a->covered != b->covered) return a->covered ? a : b;
  return std::strcmp(a->name.c_str(), b->name.c_str()) < 0 ? a : b;
}

// (name, value) to add to a net; the value may be null.  The texts are
// interned names or member names, which outlive the group's turn.
using Adds = std::vector<std::pair<const char*, const char*>>;

void rename_net(GroupPass& gp, IwNet* net, const char* name) {
  ianetnam(net, name);
  if (gp.covermade) index_cover(gp, net);
}

// The net the set merges into, renamed to the set's primary name; null
// when the set is left as it is.
IwNet* resolve(GroupPass& gp, Set* s, Adds* adds) {
  // A member whose net was merged away by an earlier set takes the net
  // that now carries its name, if any.
  for (Member* m : s->members) {
    if (m->net && gp.dead.count(m->net)) {
      m->net = fetch_net(gp.grp, upper(m->name).c_str());
      m->rules = m->covered = -1;
    }
  }
  IwSpn* first = nullptr;
  int ports = 0;
  for (Member* m : s->members) {
    IwSpn* spn = port_of(gp, m->net);
    if (!spn) continue;
    if (!first) {
      first = spn;
      ports = 1;
    } else if (spn != first) {
      ++ports;
    }
  }
  if (ports > 1) {
    iwmsghndlr(1, NDX_ALIASPORTS, gname(gp.grp));
    for (Member* m : s->members)
      if (IwSpn* spn = port_of(gp, m->net))
        iwmsghndlr(1, NDX_ALIASPORTS2, m->net->name, spn->name ? spn->name : "");
    iwmsghndlr(4, NDX_ALIASPORTS3);
    return nullptr;
  }
  Member* primary = s->members.front();
  for (std::size_t k = 1; k < s->members.size(); ++k) primary = better(gp, primary, s->members[k]);
  IwNet* survivor = nullptr;
  for (Member* m : s->members)
    if (m->net && m->name == primary->name) survivor = m->net;
  for (std::size_t k = 0; !survivor && k < s->members.size(); ++k) survivor = s->members[k]->net;
  if (!survivor) return nullptr;
  if (!survivor->name || primary->name != survivor->name) {
    const char* old = survivor->name ? survivor->name : iwmkname("");
    rename_net(gp, survivor, primary->name.c_str());
    adds->emplace_back(kAlias, old);
  }
  return survivor;
}

// --- merging --------------------------------------------------------------------------------

// Whether adds can be sorted into net's attributes at once: no value is
// missing and the list is in (name, value) order, so inserting them one
// by one would give the sorted list of all of them.
bool sortable(const IwAtt* list, const Adds& adds) {
  for (const auto& add : adds)
    if (!add.first || !add.second) return false;
  for (const IwAtt* a = list; a; a = a->next) {
    if (!a->name || !a->value) return false;
    if (a->next && a->next->name && a->next->value) {
      int c = std::strcmp(a->name, a->next->name);
      if (c > 0 || (c == 0 && std::strcmp(a->value, a->next->value) > 0)) return false;
    }
  }
  return true;
}

std::string att_key(const char* name, const char* value) {
  std::string k = name;
  k += '\0';
  k += value;
  rkStrUpc(k.data() + std::strlen(name) + 1);
  return k;
}

// Adds the attributes to net as iaaddatt would, one after the other.
void add_atts(IwNet* net, const Adds& adds) {
  if (adds.size() < kBatchAdds || !sortable(net->atts, adds)) {
    for (const auto& [name, value] : adds) net->atts = iaaddatt(net->atts, name, value);
    return;
  }
  std::vector<IwAtt*> all;
  std::unordered_set<std::string> seen;
  iwattforget(net->atts);  // the list is relinked by hand below
  for (IwAtt* a = net->atts; a; a = a->next) {
    all.push_back(a);
    seen.insert(att_key(a->name, a->value));
  }
  for (const auto& [name, value] : adds) {
    if (!seen.insert(att_key(name, value)).second) continue;
    IwAtt* a = iwmakatt();
    if (!a) continue;
    a->name = iwmkname(name);
    a->value = iwmkname(value);
    all.push_back(a);
  }
  std::stable_sort(all.begin(), all.end(), [](const IwAtt* a, const IwAtt* b) {
    int c = std::strcmp(a->name, b->name);
    return c < 0 || (c == 0 && std::strcmp(a->value, b->value) < 0);
  });
  for (std::size_t k = 0; k + 1 < all.size(); ++k) all[k]->next = all[k + 1];
  all.back()->next = nullptr;
  net->atts = all.front();
}

void merge(GroupPass& gp, Set* s, IwNet* survivor, Adds* adds) {
  for (Member* m : s->members) {
    IwNet* n = m->net;
    if (n == survivor) continue;
    if (!n || gp.dead.count(n)) {
      adds->emplace_back(kAlias, m->name.c_str());
      continue;
    }
    while (IwPin* pin = ignetpin(n)) {
      idnetpin(n, pin);
      ianetpin(survivor, pin);
    }
    for (IwAtt* a = n->atts; a;) {
      IwAtt* next = a->next;
      if (a->name) adds->emplace_back(a->name, a->value);
      iwfratt(a);
      a = next;
    }
    n->atts = nullptr;
    retie_ports(gp, n, survivor);
    adds->emplace_back(kAlias, m->name.c_str());
    iwmsghndlr(1, NDX_ALIASMERGE, survivor->name, gname(survivor->grp), n->name, gname(n->grp));
    iwmsghndlr(1, NDX_ALIASMERGE2, survivor->name, n->name);
    if (n->kind == IW_GLOBALNET) {
      if (survivor->kind != IW_GLOBALNET) {
        iwreplacegblnet(survivor, n);
        survivor->kind = IW_GLOBALNET;
        iwdelgblnet(n);
      } else {
        iwgblforget(n);
      }
    }
    gp.dead.insert(n);
    gp.doomed.push_back(n);
    if (n->name && fetch_net(gp.grp, n->name) == n) remove_net(gp.grp, n->name);
  }
}

// Takes the merged nets out of the group's net list and frees them.
void sweep(GroupPass& gp) {
  if (gp.doomed.empty()) return;
  IwGrp* g = gp.grp;
  IwNet* prev = nullptr;
  for (IwNet** link = &g->nets; *link;) {
    if (gp.dead.count(*link)) {
      *link = (*link)->next;
      continue;
    }
    prev = *link;
    link = &(*link)->next;
  }
  g->lastnet = prev;
  for (IwNet* n : gp.doomed) iwfrnet(n);
}

// A net is not its own alias.  Only a net that held an alias before the
// pass or received aliases in it can hold one now: those are the nets
// looked at (the others of a large group are left untouched).
void drop_self_aliases(GroupPass& gp) {
  for (IwNet* net : gp.aliased) {
    if (gp.dead.count(net)) continue;
    for (IwAtt** link = &net->atts; *link;) {
      IwAtt* a = *link;
      int c = std::strcmp(a->name ? a->name : "", kAlias);
      if (c > 0) break;
      if (c == 0 && a->value && net->name && std::strcmp(a->value, net->name) == 0) {
        *link = a->next;
        iwfratt(a);
        continue;
      }
      link = &a->next;
    }
  }
}

void fix_group(IwGrp* g) {
  GroupPass gp;
  gp.grp = g;
  for (IwNet* net = g->nets; net; net = net->next) {
    IwAtt* a = iwgetatt(net->atts, kAlias);
    if (a) gp.aliased.push_back(net);
    for (; a && std::strcmp(a->name, kAlias) == 0; a = a->next)
      if (a->value && net->name) gp.raw.emplace_back(a->value, net->name);
  }
  if (gp.raw.empty()) return;
  build_sets(gp);
  transfer_buses(gp);
  attach(gp);
  check_widths(gp);
  for (Set* s : gp.order) {
    Adds adds;
    if (IwNet* survivor = resolve(gp, s, &adds)) {
      merge(gp, s, survivor, &adds);
      add_atts(survivor, adds);
      gp.aliased.push_back(survivor);
    }
  }
  sweep(gp);
  drop_self_aliases(gp);  // merged nets are known by address only, never read
}

}  // namespace

void iwfix_aliases() {
  for (IwGrp* g = iws.grpref; g; g = g->next) fix_group(g);
}
