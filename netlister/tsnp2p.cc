// netlister/tsnp2p.cc - point-to-point delay modules, pin delay blocks
// and the delayed-pin set.
//
// A component that carries a timing file ("TF" or "TIMING_FILE") gets a
// point-to-point module record after its own record, and its symbol gets
// one "H" header record naming the direction of each pin, written right
// after the design header.
//
// A back-annotated pin delay becomes a delay block: a two-pin "DELAY"
// module whose input sits on the pin's net and whose output drives a new
// net named after the annotated pin ("M $<sheet>D<n> DELAY ( ... ) <pin>
// <net>").  The pins below the annotated pin are then written on that new
// net: its name joins the delayed-pin set, which is never emptied, so
// every later writer sees every delayed pin.  Only inputs can be delayed:
// a delay on another pin is reported (521), a pin of unknown direction is
// reported (520) and delayed as an input.
//
// Looking for delays visits every pin of every net occurrence.  Where no
// pin entry lies at or below a group occurrence (and the design's own
// pins carry no delay), nothing there can give a block: the walk passes
// over it and counts its nets for the progress line (tsnShortcutOk).
#include "netlister/tsnp2p.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <new>
#include <string>
#include <vector>

#include "catalogs/tsn.h"
#include "netlister/limits.h"
#include "netlister/namefilter.h"
#include "netlister/ptrmap.h"
#include "netlister/tsn.h"
#include "netlister/tsndtb.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnstate.h"
#include "netlister/tsnnet.h"
#include "netlister/tsnutil.h"
#include "netlister/tsnwalk.h"
#include "util/rkassert.h"
#include "util/rkstr.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwfile.h"
#include "wirelist/iwobj.h"

namespace {

// A pin that gets a delay block, collected while its net is visited.
struct DelayCandidate {
  DelayCandidate* next;               // the one collected before, or the next free one
  IwPin* pin;                         // the leaf pin
  TsnContext* context;                // a copy of its context
  std::string back;                   // the back-annotated pin's name
  char tphl[tsn::kDelayValueBuffer];  // fall delay text
  char tplh[tsn::kDelayValueBuffer];  // rise delay text
};

// The root nets of the group g met through the context's component (the
// top group's at top), in walk order, and how many root nets lie in it
// and in every group occurrence below it.  Both depend only on that
// component.
struct Roots {
  std::vector<IwNet*> nets;
  long below = 0;
  // The longest net or pin name formed in this group occurrence and below
  // it, counted from the end of its path (global nets are named by their
  // own name): a walk that passes over a name too long for the name buffer
  // would not stop the run where the full walk stops it.
  std::size_t deepest = 0;
};

// Process-wide state of the timing-file symbols, the delay candidates and
// the delayed-pin set.
struct P2pState {
  std::vector<IwGrp*> tfgroups;  // groups with timing files, in the order met
  int pinset = 0;                // named set of delayed pins, 0 while none exists
  // The named set compares ignoring case in its 117 buckets, and every
  // pin written after the delay blocks is tested against thousands of
  // delayed pins: most are not, which the filter tells at once.
  tsn::NameFilter delayed{true};
  DelayCandidate* candidates = nullptr;  // of the net being visited, newest first
  DelayCandidate* free = nullptr;        // released ones
};
P2pState p2p;

// What the delay walk keeps about the loaded design: the root nets of a
// group by the component it is met through (roots_of).
struct P2pCaches {
  std::deque<Roots> root_lists;
  PtrMap<Roots*> roots;
  Roots* top_roots = nullptr;
};
TsnDesignCache<P2pCaches> p2p_caches;

IwAtt* timing_file(IwCom* com) {
  if (IwAtt* a = ifcossat("TF", com)) return a;
  return ifcossat("TIMING_FILE", com);
}

// Direction letter of a symbol pin for the "H" record; false when the pin
// type is missing or not recognised (the pin is then written as an input).
bool direction(IwSpn* spn, const char** letter) {
  IwAtt* type = iwgetatt(spn->atts, "PINTYPE");
  *letter = "I";
  if (!type || !type->value) return false;
  const char* v = type->value;
  if (rkStrIcmp(v, "IN") == 0) return true;
  if (rkStrIcmp(v, "OUT") == 0 || rkStrIcmp(v, "TRI") == 0 || rkStrIcmp(v, "OCL") == 0 ||
      rkStrIcmp(v, "ECL") == 0) {
    *letter = "O";
    return true;
  }
  if (rkStrIcmp(v, "BI") == 0) {
    *letter = "B";
    return true;
  }
  return false;
}

}  // namespace

void p2p_count(IwCom* com) {
  if (!timing_file(com)) return;
  IwGrp* group = com->sym ? com->sym->grp : nullptr;
  bool listed = false;
  for (IwGrp* g : p2p.tfgroups) listed = listed || g == group;
  if (group && !listed) p2p.tfgroups.push_back(group);
  if (w) ++w->np2p;
}

void write_p2p_hrecords(wirdata* wd) {
  // Newest first: the list is kept in the order met.
  for (auto it = p2p.tfgroups.rbegin(); it != p2p.tfgroups.rend(); ++it) {
    IwGrp* group = *it;
    const char* name = iggrpnam(group);
    ltokout(wd->out, "H %s", name);
    bool missing = false;
    for (IwSpn* spn = group->sym ? group->sym->spns : nullptr; spn; spn = spn->next) {
      const char* letter;
      if (!direction(spn, &letter)) missing = true;
      ltokout(wd->out, " %s %s", letter, spn->name ? spn->name : "");
    }
    ltokflush(wd->out);
    if (missing) llogmsg(wd->out, "Warning: missing or unrecognized pintype(s) on symbol %s", name);
  }
}

namespace {

enum class Direction { kInput, kOther, kUnknown };

// An input exactly when PINTYPE says "IN"; without one, the pins of RAM
// and ROM models above their data width are inputs.
Direction delay_direction(IwPin* pin) {
  if (IwAtt* type = ifcospat("PINTYPE", pin))
    return type->value && std::strcmp(type->value, "IN") == 0 ? Direction::kInput
                                                              : Direction::kOther;
  IwCom* com = igpinown(pin);
  if (IwAtt* model = ifcossat("MODEL", com)) {
    char value[tsn::kValueBuffer];
    if (lgetattr(model, value, sizeof value) == 0 &&
        (std::strcmp(value, "RAM") == 0 || std::strcmp(value, "ROM") == 0)) {
      IwAtt* width = ifcossat("WIDTH", com);
      int data = width && width->value ? std::atoi(width->value) : 0;
      return pin->index > data ? Direction::kInput : Direction::kOther;
    }
  }
  return Direction::kUnknown;
}

DelayCandidate* take_candidate() {
  DelayCandidate* c = p2p.free;
  if (c) {
    p2p.free = c->next;
  } else {
    c = new (lalloc(sizeof(DelayCandidate))) DelayCandidate();
  }
  c->next = nullptr;
  c->context = nullptr;
  return c;
}

void give_candidate(DelayCandidate* c) {
  tsn_free_cntxt(c->context);
  c->context = nullptr;
  c->next = p2p.free;
  p2p.free = c;
}

// The delay value named name of the pin occurrence, "0" when it is
// missing or cannot be formed.
void delay_value(const char* name, TsnContext* context, IwPin* pin, char* buf) {
  IwAtt* a = tsnfcospat(name, context, pin);
  if (!a || lgetattr(a, buf, tsn::kDelayValueBuffer) != 0) std::strcpy(buf, "0");
}

// The walkpins callback of a net: decides whether the leaf pin gets a
// delay block.
void collect(TsnContext* context, IwPin* pin, void*) {
  tsnLoadPin(context, pin);
  const Direction dir = delay_direction(pin);
  std::string back = pin_back(context, pin);
  if (dir != Direction::kOther) {
    bool listed = back.empty();
    for (DelayCandidate* c = p2p.candidates; c && !listed; c = c->next) listed = c->back == back;
    if (listed) {
      tsnUnloadPin();
      return;
    }
  }
  DelayCandidate* c = take_candidate();
  c->pin = pin;
  c->context = tsn_copy_cntxt(context);
  c->back = std::move(back);
  delay_value("TPHL", context, pin, c->tphl);
  delay_value("TPLH", context, pin, c->tplh);
  bool zero = std::strcmp(c->tphl, "0") == 0 && std::strcmp(c->tplh, "0") == 0;
  if (zero) {
    give_candidate(c);
  } else if (dir == Direction::kOther) {
    llogmsg(w->out, "%s", tsnMsgBuild(TSN_MSG_PIN_NOT_INPUT, c->back.c_str()));
    give_candidate(c);
  } else {
    if (dir == Direction::kUnknown) {
      IwSpn* spn = igpinspn(pin);
      IwCom* com = igpinown(pin);
      llogmsg(w->out, "%s",
              tsnMsgBuild(TSN_MSG_PIN_DIRECTION, spn && spn->name ? spn->name : "",
                          com && com->sym && com->sym->grp ? iggrpnam(com->sym->grp) : ""));
    }
    c->next = p2p.candidates;
    p2p.candidates = c;
  }
  tsnUnloadPin();
}

// The delay block of a candidate: input on the net, output on the net
// named after the annotated pin.
void delay_block(DelayCandidate* c, const std::string& net) {
  outdata* out = w->out;
  long n = ++w->ndelay_blocks;
  IwCom* com = igpinown(c->pin);
  int sheet = com && com->sch ? com->sch->number : 0;
  const char* back = c->back.c_str();
  if (w->filetype == WIR_FILE) {
    if (!w->delay_flag) {
      // The delay symbol is declared once, unless the design has its own.
      for (const char* line :
           {"AS DELAY PINORDER=OUT IN", "AP DELAY 1 PINTYPE=TRI", "AP DELAY 2 PINTYPE=IN"}) {
        ltokout(out, "%s", line);
        ltokflush(out);
      }
      w->delay_flag = 1;
    }
    ltokout(out, "M DELAY $%dD%ld", sheet, n);
    ltokflush(out);
    ltokout(out, "I $%dD%ld DELAY %s %s DELAYMOD=TRANSPORT`TPLH=%s`TPHL=%s`", sheet, n, back,
            net.c_str(), c->tplh, c->tphl);
    ltokout(out, "TPLZ=%s`TPHZ=%s`TPZH=%s`TPZL=%s`", c->tplh, c->tphl, c->tplh, c->tphl);
  } else {
    ltokout(out, "M $%dD%ld DELAY ( DELAYMOD=TRANSPORT TPLH=%s TPHL=%s", sheet, n, c->tplh,
            c->tphl);
    ltokout(out, " TPLZ=%s TPHZ=%s TPZH=%s TPZL=%s ) %s %s", c->tplh, c->tphl, c->tplh, c->tphl,
            back, net.c_str());
  }
  ltokflush(out);
}

// The tsn_walknet callback of do_pindlys: the delay blocks of one net.
void pindly_net(TsnContext* context, IwNet* net, void*) {
  tsn_walkpins(net, context, collect, nullptr);
  lnet_status("pin delays");
  const std::string name = lgnet(context, net, w->filetype, 0);
  for (DelayCandidate* c = p2p.candidates; c; c = c->next) {
    // The block belongs to the net the pin reaches at its highest level.
    IwPin* pin = c->pin;
    TsnContext* at = c->context;
    for (IwPin* up; (up = tsn_get_uppin(at, pin)) && igpinnet(up); at = at->next) pin = up;
    if (name != lgnet(at, igpinnet(pin), LONG_TSN_FILE, 0)) continue;
    if (!p2p.pinset) p2p.pinset = newsetid();
    inaddmem(p2p.pinset, c->back.c_str(), 1);
    p2p.delayed.add(c->back);
    delay_block(c, name);
  }
  while (DelayCandidate* c = p2p.candidates) {
    p2p.candidates = c->next;
    if (!rkAssertCheck(c != c->next, "p != p->next")) c->next = nullptr;
    give_candidate(c);
  }
}

// What roots_of keeps: the root nets of the group met through the
// context's component, in walk order.
const Roots& roots_of(IwGrp* g, TsnContext* context) {
  P2pCaches& c = p2p_caches.get();
  if (Roots* const* known = context ? c.roots.find(context->com) : &c.top_roots; known && *known)
    return **known;
  Roots& r = c.root_lists.emplace_back();
  for (IwNet* net = g->nets; net; net = net->next) {
    if (tsn_get_upnet(context, net)) continue;
    r.nets.push_back(net);
    if (net->kind != IW_GLOBALNET) r.deepest = std::max(r.deepest, std::strlen(net->name));
  }
  r.below = static_cast<long>(r.nets.size());
  for (IwCom* com = iggrpcom(g, nullptr); com; com = iggrpcom(g, com)) {
    const char* label = igcomnam(com);
    const std::size_t prefix = (label ? std::strlen(label) : 0) + 1;
    std::size_t pin = 0;
    for (const IwSpn* spn = com->sym ? com->sym->spns : nullptr; spn; spn = spn->next)
      if (spn->name) pin = std::max(pin, std::strlen(spn->name));
    r.deepest = std::max(r.deepest, prefix + pin);
    if (tsn_atbottom(com) || !com->sym || !com->sym->grp) continue;
    tsn_descend(&context, com);
    const Roots& sub = roots_of(com->sym->grp, context);
    r.below += sub.below;
    if (sub.deepest > 0) r.deepest = std::max(r.deepest, prefix + sub.deepest);
    tsn_pop_cntxt(&context);
  }
  // Looked up again: the walk below has added to the map.
  (context ? c.roots[context->com] : c.top_roots) = &r;
  return r;
}

// do_pindlys' net walk, passing over the group occurrences and the nets
// where no delay block can arise.
void pindly_walk(IwGrp* g, TsnContext* context) {
  if (!g) return;
  const Roots& roots = roots_of(g, context);
  // Passing over nets that can make no delay block is the quiet-net
  // shortcut: the switch sends every net through pindly_net, as does a
  // name below that would not fit (forming it ends the run).
  const bool quiet = tsn_shortcut(TsnSwitch::kQuiet) &&
                     lgpath(context, 0).size() + roots.deepest + 1 <= tsn::kNameBuffer;
  if (quiet && tsnShortcutOk(TsnShortcut::kPinDelays, context)) {
    lnet_status("pin delays", static_cast<int>(roots.below));
    return;
  }
  for (IwNet* net : roots.nets) {
    if (quiet && tsnShortcutOk(TsnShortcut::kPinDelayNet, context, nullptr, net)) {
      lnet_status("pin delays");
    } else {
      pindly_net(context, net, nullptr);
    }
  }
  for (IwCom* com = iggrpcom(g, nullptr); com; com = iggrpcom(g, com)) {
    if (tsn_atbottom(com)) continue;
    tsn_descend(&context, com);
    pindly_walk(com->sym ? com->sym->grp : nullptr, context);
    tsn_pop_cntxt(&context);
  }
}

}  // namespace

void do_pindlys(wirdata* wd) {
  wd->nets_done = 0;
  pindly_walk(wd->tgroup, nullptr);
}

void put_p2p_module(TsnContext* context, IwCom* com, outdata* out) {
  IwAtt* tf = timing_file(com);
  if (!tf) return;
  {
    std::string name = lgcomp(context, com, 0);
    ltokout(out, "M %s P2P (", name.c_str());
  }
  ltokout(out, " TF=%s", tf->value ? tf->value : "");
  ltokout(out, " SYM=%s", com->sym && com->sym->grp ? iggrpnam(com->sym->grp) : "");
  IwAtt* annotated = getDtbCompAtts(lgcomp(context, com, 0));
  IwAtt* delaymod = iwgetatt(annotated, "DELAYMOD");
  if (!delaymod) delaymod = ifcossat("DELAYMOD", com);
  if (delaymod) ltokout(out, " %s=%s", delaymod->name, delaymod->value ? delaymod->value : "");
  for (IwAtt* a = annotated; a; a = a->next)
    if (!ifcossat(a->name, com)) ltokout(out, " %s=%s", a->name, a->value ? a->value : "");
  ltokout(out, " )");
  for (IwPin* pin = igcompin(com); pin; pin = igpincnx(pin))
    ltokout(out, " %s", lgnetpin(context, pin, w->filetype));
  ltokflush(out);
}

const char* pin_back(TsnContext* context, IwPin* pin) {
  for (; pin; pin = tsn_get_uppin(context, pin), context = tsn_get_cntxt_next(context)) {
    const char* name = lgpin(context, pin, 0);
    if (getDtbPinAtts(name)) return name;
    if (!context) break;
  }
  return "";
}

const char* lgnetpin(TsnContext* context, IwPin* pin, int type) {
  if (p2p.pinset) {
    const char* back = pin_back(context, pin);
    if (back[0] && pinsettst(back)) return back;
  }
  return lgnet(context, igpinnet(pin), type, 0);
}

int pinseton() { return p2p.pinset != 0; }

const char* pinsettst(const char* name) {
  if (!p2p.pinset || !name || !p2p.delayed.may_hold(name)) return nullptr;
  return insetmem(p2p.pinset, name);
}

void pinsetclr() {
  while (DelayCandidate* c = p2p.candidates) {
    p2p.candidates = c->next;
    give_candidate(c);
  }
  while (DelayCandidate* c = p2p.free) {
    p2p.free = c->next;
    c->~DelayCandidate();
    lfree(c, sizeof(DelayCandidate));
  }
  if (p2p.pinset) indelset(p2p.pinset);
  p2p.pinset = 0;
  p2p.delayed.clear();
  p2p.tfgroups.clear();
}

void tsnp2p_reset() { p2p_caches.reset(); }
