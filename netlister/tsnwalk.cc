// netlister/tsnwalk.cc - levels, contexts, walkers and hierarchical names;
// see tsnwalk.h.
//
// The level list keeps the user's bottom levels in the order given, each
// once (compared ignoring case).  tsn_getlevel walks it by the identity of
// the stored strings, so callers hand back exactly what it returned.
#include "netlister/tsnwalk.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "catalogs/tsn.h"
#include "netlister/limits.h"
#include "netlister/ptrmap.h"
#include "netlister/tsn.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnstate.h"
#include "netlister/tsnutil.h"
#include "util/rkassert.h"
#include "util/rkstr.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwobj.h"

namespace {

struct Level {
  Level* next;     // next level in the order added
  char* name;      // own copy, as given (callers upper-case it)
  int uses;        // fault-simulation design levels only: use count
};

// Process-wide state of the level lists.
struct LevelState {
  Level* user_levels = nullptr;    // bottom levels named by the user
  Level* design_levels = nullptr;  // fault-simulation design levels
  bool level_from_symbol = false;  // tsn_comlevel: previous LEVEL came from the symbol
};
LevelState levels;

constexpr int kCellsPerRefill = 5;

// The path text of one context in one naming mode (B3\S7\ and so on), kept
// because a walk names every net and component of a block with the same
// path.  It is reused only while the context holds the same components
// under the same names.
struct PathMemo {
  std::vector<IwCom*> coms;  // the context's components, innermost first
  std::string text;          // outermost first, each followed by a backslash
  bool valid = false;
};

// Where a symbol's pins are bound: for each net of the group behind it,
// the position (from 1) of the first symbol pin bound to it.  Built on
// the first upward look-up through the symbol and rebuilt when its pin
// list changes.
struct PinIndex {
  bool built = false;
  const IwSpn* first = nullptr;  // the pin list it was built from
  int npins = 0;
  PtrMap<int> position;  // the first pin bound to each net
  PtrMap<int> ties;      // how many pins are bound to each net
};

// Process-wide state of the walkers and name builders.
struct WalkState {
  TsnContext* free_cells = nullptr;  // spare context cells
  char names[4][tsn::kNameBuffer];   // nets, components, pins, pin numbers
};
WalkState walk;

// What they keep about the loaded design.
struct WalkCaches {
  PathMemo paths[2];                                      // naming mode 0, any other mode
  std::unordered_map<const IwSym*, PinIndex> pin_index;  // by symbol
  const IwSym* last_sym = nullptr;                        // the symbol of the last look-up
  PinIndex* last_index = nullptr;                         // and its index
};
TsnDesignCache<WalkCaches> walk_caches;

enum Slot { kNetSlot = 0, kComSlot = 1, kPinSlot = 2, kPinNumberSlot = 3 };

TsnContext* take_cell() {
  if (!walk.free_cells) {
    for (int i = 0; i < kCellsPerRefill; ++i) {
      TsnContext* c = static_cast<TsnContext*>(lalloc(sizeof(TsnContext)));
      c->next = walk.free_cells;
      c->com = nullptr;
      walk.free_cells = c;
    }
  }
  TsnContext* c = walk.free_cells;
  walk.free_cells = c->next;
  return c;
}

void give_cell(TsnContext* c) {
  c->next = walk.free_cells;
  c->com = nullptr;
  walk.free_cells = c;
}

bool is_level(const IwAtt* a) { return a && rkStrIcmp(a->name, "LEVEL") == 0; }

IwAtt* next_level(IwAtt* a) {
  while (a && !is_level(a)) a = a->next;
  return a;
}

int symtype(const IwCom* com) { return com && com->sym ? com->sym->symtype : IW_UNKNOWN; }

IwGrp* group_of(const IwCom* com) { return com && com->sym ? com->sym->grp : nullptr; }

// The name a component contributes to a path in the given naming mode.
const char* path_name(IwCom* com, int mode) {
  const char* n = mode == 0 ? igcomnam(com) : com->name;
  return n ? n : "";
}

[[noreturn]] void label_too_long() {
  llogmsg(w ? w->out : nullptr, "Error: label exceeds supported length");
  tsn_exit(3);
}

PinIndex& pin_index_of(const IwSym* sym) {
  WalkCaches& c = walk_caches.get();
  if (sym == c.last_sym) {
    PinIndex& ix = *c.last_index;
    if (ix.first == sym->spns && ix.npins == sym->npins) return ix;
  }
  PinIndex& ix = c.pin_index[sym];
  if (!ix.built || ix.first != sym->spns || ix.npins != sym->npins) {
    ix.built = true;
    ix.first = sym->spns;
    ix.npins = sym->npins;
    ix.position.clear();
    ix.ties.clear();
    int k = 1;
    for (const IwSpn* spn = sym->spns; spn; spn = spn->next, ++k) {
      if (!spn->net) continue;
      if (!ix.position.find(spn->net)) ix.position[spn->net] = k;  // the first pin stays
      ++ix.ties[spn->net];
    }
  }
  c.last_sym = sym;
  c.last_index = &ix;
  return ix;
}

// The position (from 1) of the first of the symbol's pins bound to net,
// or 0 for none: from the index, or on the general path by counting.
int port_position(const IwSym* sym, const IwNet* net) {
  if (tsn_shortcut(TsnSwitch::kPorts)) {
    const int* k = pin_index_of(sym).position.find(net);
    return k ? *k : 0;
  }
  int k = 1;
  for (const IwSpn* spn = sym->spns; spn; spn = spn->next, ++k)
    if (spn->net == net) return k;
  return 0;
}

// The pin one level up that the net reaches through its group's symbol,
// or null.  The symbol's pins are counted from 1; the first bound to the
// net decides the position among the pins of the context's component.
IwPin* up_pin_of_net(TsnContext* context, IwNet* net) {
  if (!context || !net || !net->grp || !net->grp->sym) return nullptr;
  int k = port_position(net->grp->sym, net);
  return k ? ifpinpin(k, igcompin(context->com)) : nullptr;
}

// The path text of context in the naming mode, from the memo when the
// context still holds the same components.  Names do not change within a
// design generation.
const std::string& path_text(TsnContext* context, int mode) {
  PathMemo& m = walk_caches.get().paths[mode == 0 ? 0 : 1];
  if (m.valid && tsn_shortcut(TsnSwitch::kPaths)) {
    std::size_t i = 0;
    TsnContext* c = context;
    for (; c && i < m.coms.size() && c->com == m.coms[i]; c = c->next) ++i;
    if (!c && i == m.coms.size()) return m.text;
  }
  m.coms.clear();
  for (TsnContext* c = context; c; c = c->next) m.coms.push_back(c->com);
  // Outermost first: the context holds the innermost component first.
  m.text.clear();
  for (auto it = m.coms.rbegin(); it != m.coms.rend(); ++it) {
    m.text += path_name(*it, mode);
    m.text += '\\';
  }
  m.valid = true;
  return m.text;
}

const char* add_level(Level** list, const char* name) {
  if (!name) return name;
  Level** tail = list;
  for (Level* l = *list; l; l = l->next) {
    if (rkStrIcmp(l->name, name) == 0) return name;
    tail = &l->next;
  }
  Level* l = static_cast<Level*>(lalloc(sizeof(Level)));
  l->next = nullptr;
  l->name = lstrdup(name);
  l->uses = 0;
  *tail = l;
  return l->name;
}

Level* find_exact(Level* list, const char* name) {
  for (Level* l = list; l; l = l->next)
    if (rkStrIcmp(l->name, name) == 0) return l;
  return nullptr;
}

void free_list(Level** list) {
  while (Level* l = *list) {
    *list = l->next;
    lstrfree(l->name);
    lfree(l, sizeof(Level));
  }
}

}  // namespace

const char* tsn_addlevel(const char* name) { return add_level(&levels.user_levels, name); }

const char* tsn_getlevel(const char* prev) {
  if (!prev) return levels.user_levels ? levels.user_levels->name : nullptr;
  for (Level* l = levels.user_levels; l; l = l->next)
    if (l->name == prev) return l->next ? l->next->name : nullptr;
  return nullptr;
}

const char* fsim_add_design_level(const char* name) {
  return add_level(&levels.design_levels, name);
}

int fsim_push_level(const char* name) {
  Level* l = name ? find_exact(levels.design_levels, name) : nullptr;
  if (!l) return 1;
  ++l->uses;
  return 0;
}

int fsim_pop_level(const char* name) {
  Level* l = name ? find_exact(levels.design_levels, name) : nullptr;
  if (!l) return 1;
  --l->uses;
  return 0;
}

const char* fsim_get_curlevel(const char* prev) {
  Level* l = levels.design_levels;
  if (prev) {
    while (l && l->name != prev) l = l->next;
    if (l) l = l->next;
  }
  while (l && l->uses != 0) l = l->next;
  return l ? l->name : nullptr;
}

void tsn_free_levels() {
  free_list(&levels.user_levels);
  free_list(&levels.design_levels);
}

// --- levels of a component ---------------------------------------------

IwAtt* tsn_comlevel(IwCom* com, IwAtt* prev) {
  if (!com) return nullptr;
  IwAtt* symbol_atts = com->sym ? com->sym->atts : nullptr;
  if (!prev) {
    if (IwAtt* own = next_level(com->atts)) {
      levels.level_from_symbol = false;
      return own;
    }
    levels.level_from_symbol = true;
    return next_level(symbol_atts);
  }
  if (levels.level_from_symbol) return next_level(prev->next);
  if (IwAtt* own = next_level(prev->next)) return own;
  // The component's own LEVEL attributes replace the symbol's in override mode.
  if (w && w->level_usage == LEVEL_OVERRIDE) return nullptr;
  levels.level_from_symbol = true;
  return next_level(symbol_atts);
}

int tsn_atbottom(IwCom* com) {
  int type = symtype(com);
  if (type != IW_COMPOSITE && type != IW_PLDCOMP) return 1;
  // Asked for every component and pin of every walk: without levels no
  // LEVEL attribute can stop the descent, so none is looked at.
  if (!levels.user_levels) return 0;
  for (IwAtt* a = tsn_comlevel(com, nullptr); a; a = tsn_comlevel(com, a)) {
    if (!a->value) continue;
    for (const char* l = tsn_getlevel(nullptr); l; l = tsn_getlevel(l))
      if (rkStrIcmp(a->value, l) == 0) return 1;
  }
  return 0;
}

// --- contexts ------------------------------------------------------------

void tsn_push_cntxt(TsnContext** context, IwCom* com) {
  TsnContext* c = take_cell();
  c->com = com;
  c->next = *context;
  *context = c;
}

void tsn_descend(TsnContext** context, IwCom* com) {
  int depth = 0;
  for (TsnContext* c = *context; c; c = c->next) ++depth;
  if (depth >= tsn::kMaxDepth) label_too_long();
  tsn_push_cntxt(context, com);
}

IwCom* tsn_pop_cntxt(TsnContext** context) {
  TsnContext* c = *context;
  if (!c) return nullptr;
  *context = c->next;
  IwCom* com = c->com;
  give_cell(c);
  return com;
}

IwCom* tsn_get_cntxt_comp(TsnContext* context) { return context ? context->com : nullptr; }

TsnContext* tsn_get_cntxt_next(TsnContext* context) { return context ? context->next : nullptr; }

TsnContext* tsn_make_reverse_cntxt(TsnContext* context) {
  TsnContext* r = nullptr;
  for (TsnContext* c = context; c; c = c->next) tsn_push_cntxt(&r, c->com);
  return r;
}

TsnContext* tsn_copy_cntxt(TsnContext* context) {
  TsnContext* head = nullptr;
  TsnContext** tail = &head;
  for (TsnContext* c = context; c; c = c->next) {
    TsnContext* n = take_cell();
    n->com = c->com;
    n->next = nullptr;
    *tail = n;
    tail = &n->next;
  }
  return head;
}

void tsn_free_cntxt(TsnContext* context) {
  while (context) {
    TsnContext* next = context->next;
    give_cell(context);
    context = next;
  }
}

void tsn_purge_cntxt() {
  while (TsnContext* c = walk.free_cells) {
    walk.free_cells = c->next;
    lfree(c, sizeof(TsnContext));
  }
}

void tsnwalk_reset() {
  tsn_free_levels();
  levels = LevelState();
  tsn_purge_cntxt();
  walk_caches.reset();
}

// --- upward mapping and walkers -------------------------------------------

bool tsn_net_is_port(IwNet* net) {
  if (!net || !net->grp || !net->grp->sym) return false;
  return port_position(net->grp->sym, net) != 0;
}

int tsn_symbol_ties(const IwSym* sym, const IwNet* net) {
  if (!sym || !net) return 0;
  if (tsn_shortcut(TsnSwitch::kPorts)) {
    const int* n = pin_index_of(sym).ties.find(net);
    return n ? *n : 0;
  }
  int n = 0;
  for (const IwSpn* spn = sym->spns; spn; spn = spn->next) n += spn->net == net;
  return n;
}

IwNet* tsn_get_upnet(TsnContext* context, IwNet* net) {
  IwPin* pin = up_pin_of_net(context, net);
  return pin ? igpinnet(pin) : nullptr;
}

IwPin* tsn_get_uppin(TsnContext* context, IwPin* pin) {
  return pin ? up_pin_of_net(context, igpinnet(pin)) : nullptr;
}

void tsn_walknet(IwGrp* group, TsnContext* context, TsnNetFn fn, void* data) {
  if (!group) return;
  for (IwNet* net = group->nets; net; net = net->next)
    if (!tsn_get_upnet(context, net)) fn(context, net, data);
  for (IwCom* com = iggrpcom(group, nullptr); com; com = iggrpcom(group, com)) {
    if (tsn_atbottom(com)) continue;
    tsn_descend(&context, com);
    tsn_walknet(group_of(com), context, fn, data);
    tsn_pop_cntxt(&context);
  }
}

void tsn_walkcomp(IwGrp* group, TsnContext* context, TsnComFn fn, void* data) {
  tsn_walkcomp_groups(group, context, fn, nullptr, data);
}

void tsn_walkcomp_groups(IwGrp* group, TsnContext* context, TsnComFn fn, TsnGroupFn whole,
                         void* data) {
  if (!group) return;
  if (whole && context && whole(group, context, data)) return;
  for (IwCom* com = iggrpcom(group, nullptr); com; com = iggrpcom(group, com)) {
    if (!tsn_atbottom(com)) {
      fn(2, context, com, data);
      tsn_descend(&context, com);
      tsn_walkcomp_groups(group_of(com), context, fn, whole, data);
      tsn_pop_cntxt(&context);
      fn(1, context, com, data);
      continue;
    }
    int type = symtype(com);
    if (!com->sym || type == IW_MODULE || type == IW_COMPOSITE || type == IW_PLDCOMP) {
      fn(0, context, com, data);
      continue;
    }
    // The simulator cannot model this component: the netlist would be
    // incomplete, so the run ends here.
    outdata* out = w ? w->out : nullptr;
    bool pld_without_jedec = type == IW_PLD && !ifcossat("JEDEC", com);
    llogmsg(out, "%s", tsnMsgBuild(pld_without_jedec ? TSN_MSG_PLD_NO_JEDEC : TSN_MSG_BAD_SYMTYPE));
    std::string name = lgcomp(context, com, 0);
    IwGrp* g = group_of(com);
    llogmsg(out, "%s", tsnMsgBuild(TSN_MSG_STOPS_HERE, name.c_str(), g && g->name ? g->name : ""));
    tsn_exit(3);
  }
}

void tsn_walkpins(IwNet* net, TsnContext* context, TsnPinFn fn, void* data) {
  if (!net) return;
  for (IwPin* pin = ignetpin(net); pin; pin = igpinnnx(pin)) {
    IwCom* com = igpinown(pin);
    if (tsn_atbottom(com)) {
      fn(context, pin, data);
      continue;
    }
    IwSpn* spn = igpinspn(pin);
    if (!spn || !spn->net) continue;
    tsn_descend(&context, com);
    tsn_walkpins(spn->net, context, fn, data);
    tsn_pop_cntxt(&context);
  }
}

// --- names -----------------------------------------------------------------

char* hiername(TsnContext* context, char* buf, std::size_t size, int mode) {
  std::size_t local = std::strlen(buf);
  if (local + 1 > tsn::kNameBuffer) label_too_long();
  if (!context) return buf;
  const std::string& path = path_text(context, mode);
  if (path.size() + local + 1 > size) label_too_long();
  std::memmove(buf + path.size(), buf, local + 1);
  std::memcpy(buf, path.data(), path.size());
  return buf;
}

namespace {

// The hierarchical name of a local name: the context path, then the name,
// written into buf (a name slot).  Ends the run when it does not fit.
const char* place_name(TsnContext* context, const char* name, char* buf, int mode) {
  std::size_t local = std::strlen(name);
  if (local + 1 > tsn::kNameBuffer) label_too_long();
  std::size_t at = 0;
  if (context) {
    const std::string& path = path_text(context, mode);
    if (path.size() + local + 1 > tsn::kNameBuffer) label_too_long();
    std::memcpy(buf, path.data(), path.size());
    at = path.size();
  }
  std::memcpy(buf + at, name, local + 1);
  return buf;
}

const char* copy_name(const char* name, char* buf) {
  rkStrncpyNullTerm(buf, name, tsn::kNameBuffer);
  return buf;
}

}  // namespace

std::string_view lgpath(TsnContext* context, int mode) {
  if (!context) return {};
  return path_text(context, mode);
}

const char* lgnet(TsnContext* context, IwNet* net, int type, int mode) {
  char* buf = walk.names[kNetSlot];
  if (!net) return copy_name("?", buf);
  if (net->kind == IW_GLOBALNET) return copy_name(net->name, buf);
  if (type != LONG_TSN_FILE) {
    rkAssertCheck(type == SHORT_TSN_FILE || type == WIR_FILE,
                  "type == SHORT_TSN_FILE || type == WIR_FILE");
    // Climb to the root segment: the highest level the net reaches.
    while (IwNet* up = tsn_get_upnet(context, net)) {
      net = up;
      context = context->next;
    }
    if (net->kind == IW_GLOBALNET) return copy_name(net->name, buf);
  }
  return place_name(context, net->name, buf, mode);
}

const char* lgcomp(TsnContext* context, IwCom* com, int mode) {
  char* buf = walk.names[kComSlot];
  buf[0] = '\0';
  if (!com) return buf;
  const char* own = mode == 1 ? com->name : igcomnam(com);
  return place_name(context, own ? own : "", buf, mode);
}

const char* lgpin(TsnContext* context, IwPin* pin, int mode) {
  char* buf = walk.names[kPinSlot];
  buf[0] = '\0';
  if (!pin) return buf;
  const char* com = lgcomp(context, igpinown(pin), mode);
  IwSpn* spn = igpinspn(pin);
  int room = lstrncpy(buf, com, static_cast<int>(tsn::kNameBuffer));
  if (room > 0) room = lstrncpy(buf + std::strlen(buf), "\\", room + 1);
  if (room > 0 && spn && spn->name) lstrncpy(buf + std::strlen(buf), spn->name, room + 1);
  return buf;
}

const char* lgpin_number_format(TsnContext* context, IwPin* pin) {
  char* buf = walk.names[kPinNumberSlot];
  buf[0] = '\0';
  if (!pin) return buf;
  std::snprintf(buf, tsn::kNameBuffer, "%s %d", lgcomp(context, igpinown(pin), 0),
                static_cast<int>(pin->index));
  return buf;
}

int lstrncpy(char* dst, const char* src, int size) {
  if (size < 1 || !dst) return -1;
  int len = src ? static_cast<int>(std::strlen(src)) : 0;
  int n = len < size - 1 ? len : size - 1;
  if (n > 0) std::memcpy(dst, src, static_cast<std::size_t>(n));
  dst[n] = '\0';
  return len <= size - 1 ? size - 1 - len : -1;
}

int tsn_is_dgtl_component(IwCom* com) { return ifcossat("PREFIX", com) ? 0 : 1; }
