// netlister/tsnnet.cc - net-attribute records and equivalence records.
//
// A net of the flattened design is made of segments, one per schematic
// level it passes through, joined at the ports of hierarchical blocks.
// The netlist names every net by its top-most (root) segment.  lputnet
// writes, per root segment, the attributes found on any segment of the
// net, in depth-first order ("NA <root> ( ... )", one record per segment
// that carries attributes; a global segment keeps its own name, as on the
// module records); loutequiv writes the records that declare the
// other names of the net equal to the root name ("= <upper> <lower>").
// In the short format a block whose inner net merely continues the outer
// one produces no equivalence; the long format names every segment and
// therefore declares each one.
#include "netlister/tsnnet.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "catalogs/tsn.h"
#include "expr/ipvar.h"
#include "netlister/limits.h"
#include "netlister/ptrmap.h"
#include "netlister/tsn.h"
#include "netlister/tsndtb.h"
#include "netlister/tsnini.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnndly.h"
#include "netlister/tsnp2p.h"
#include "netlister/tsnstate.h"
#include "netlister/tsnutil.h"
#include "netlister/tsnwalk.h"
#include "util/rkassert.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwobj.h"

namespace {

// Characters that make a value need quotes in the netlist formats.
constexpr const char kSeparators[] = " \t();,[]";

// A text evaluated while no occurrence on the path defined a variable
// gives the same value at every such occurrence: it is kept with the
// variable store's stamp of that moment and used again while the stamp is
// unchanged.  Kept by the text's address: attribute values are interned
// (IwName), so the thousands of attributes that hold one text share one
// entry, and an address stands for one text for a design generation.
struct KeptValue {
  unsigned long stamp = 0;
  std::size_t size = 0;
  std::string value;
};

// The nets of a group that a record walk hands to its writer when the group
// is met through a given component: the root segments there that can
// write something, each with the number of root segments passed over
// before it (they only count as progress); tail counts those after the
// last one.  Whether a net is a root segment depends on that component's
// pins only.
struct NetVisits {
  std::vector<std::pair<IwNet*, int>> nets;
  int tail = 0;
  std::size_t longest = 0;  // longest name among those passed over (but global ones)
  // Every root segment and whether it is quiet, made when an annotation
  // first reaches an occurrence of the group.
  std::vector<std::pair<IwNet*, bool>> roots;
  bool roots_made = false;
};

// What the net writers keep about the loaded design.
struct NetState {
  PtrMap<KeptValue> kept;
  // What the record walks visit in a group, by the component through
  // which it is met (the top group's at top_visits).
  std::deque<NetVisits> visits;
  PtrMap<NetVisits*> visits_by_com;
  NetVisits* top_visits = nullptr;
};
TsnDesignCache<NetState> net_state;

int evaluate(IwName raw, char* buf, std::size_t size) {
  unsigned long stamp = ipevalstamp();
  if (stamp == 0 || !tsn_shortcut(TsnSwitch::kValues))
    return ipevaluate(buf, raw, static_cast<int>(size) - 2);
  KeptValue& k = net_state.get().kept[raw.c_str()];
  if (k.stamp == stamp && k.size == size) {
    std::memcpy(buf, k.value.c_str(), k.value.size() + 1);
    return 0;
  }
  int code = ipevaluate(buf, raw, static_cast<int>(size) - 2);
  if (code == 0) {
    k.stamp = stamp;
    k.size = size;
    k.value = buf;
  }
  return code;
}

// The pin's symbol pin when the walk may descend through it; prints the
// assertion line for a pin beyond the symbol's pins.
IwSpn* descend_pin(IwPin* pin) {
  if (tsn_atbottom(igpinown(pin))) return nullptr;
  IwSpn* spn = igpinspn(pin);  // null beyond the symbol's pins
  if (!rkAssertCheck(spn != nullptr, "spn != NULL")) return nullptr;
  return spn->net ? spn : nullptr;
}

// The name of a net's root segment, formed when first needed: most nets
// have no attribute and no segment below, and never write it.  Whether it
// fits the name buffer is decided at once, so a name too long ends the
// run at the same point as when it was formed at once.
class RootName {
 public:
  RootName(TsnContext* context, IwNet* net, int type) : context_(context), net_(net), type_(type) {
    if (!net || net->kind == IW_GLOBALNET) return;
    std::size_t local = std::strlen(net->name);
    if (local + 1 > tsn::kNameBuffer || lgpath(context, 0).size() + local + 1 > tsn::kNameBuffer)
      get();
  }
  explicit RootName(std::string text) : text_(std::move(text)), made_(true) {}

  const std::string& get() {
    if (!made_) {
      text_ = lgnet(context_, net_, type_, 0);
      made_ = true;
    }
    return text_;
  }

 private:
  TsnContext* context_ = nullptr;
  IwNet* net_ = nullptr;
  int type_ = 0;
  std::string text_;
  bool made_ = false;
};

// Net-attribute records of one segment, then of the segments below it.
// A value that cannot be formed ends the segment's attribute list; the
// record is still closed before the error is reported.
void put_segment(TsnContext* context, IwNet* net, RootName& root) {
  const bool wir = w->filetype == WIR_FILE;
  // A global segment is named by its own name wherever it lies, as lgnet
  // names it for the pins on it; every other segment by the net's root.
  std::optional<RootName> global;
  if (net->kind == IW_GLOBALNET) global.emplace(context, net, SHORT_TSN_FILE);
  RootName& name = global ? *global : root;
  char value[tsn::kValueBuffer];
  tsnLoadNet(context, net);
  bool written = false;
  int error = 0;
  IwAtt* bad = nullptr;
  for (IwAtt* att = tsngnetatt(context, net, nullptr); att; att = tsngnetatt(context, net, att)) {
    if (ipvardef(att->name) || filterit(att->name)) continue;
    error = lgetattr(att, value, sizeof value);
    if (error != 0) {
      bad = att;
      break;
    }
    if (wir) {
      ltokcut(w->out, {"AN ", name.get()});
    } else if (!written) {
      ltokcut(w->out, {"NA ", name.get(), " ("});
    }
    written = true;
    if (value[0]) {
      ltokwhole(w->out, {" ", att->name, "=", value});
    } else {
      ltokcut(w->out, {" ", att->name});
    }
    if (wir) ltokflush(w->out);
  }
  if (written && !wir) {
    ltokwhole(w->out, {" )"});
    ltokflush(w->out);
  }
  if (bad) {
    // The code's text lives in a catalog buffer of its own: copy it first.
    std::string why = ipgetmsg(error);
    llogmsg(w->out, "%s",
            tsnMsgBuild(TSN_MSG_ATTR_ERROR, why.c_str(), bad->name, bad->value ? bad->value : ""));
    std::string name = lgnet(context, net, w->filetype, 0);
    llogmsg(w->out, "%s", tsnMsgBuild(TSN_MSG_ATTR_NET, name.c_str()));
  }
  tsnUnloadNet();
  for (IwPin* pin = ignetpin(net); pin; pin = igpinnnx(pin)) {
    IwSpn* spn = descend_pin(pin);
    if (!spn) continue;
    tsn_descend(&context, igpinown(pin));
    put_segment(context, spn->net, root);
    tsn_pop_cntxt(&context);
  }
}

// "= <segment> <alias>" for every NET_ALIAS of the segment.
void alias_records(TsnContext* context, IwNet* net) {
  for (IwAtt* att = net->atts; att; att = att->next) {
    if (std::strcmp(att->name, "NET_ALIAS") != 0) continue;
    std::string segment = lgnet(context, net, LONG_TSN_FILE, 0);
    char alias[tsn::kNameBuffer];
    lstrncpy(alias, att->value ? att->value : "", sizeof alias);
    if (net->kind != IW_GLOBALNET) hiername(context, alias, sizeof alias, 0);
    ltokcut(w->out, {"= ", segment});
    ltokcut(w->out, {" ", alias});
    ltokflush(w->out);
  }
}

// True when another pin of the component's symbol reaches the same inner
// segment: two ports of the block are joined inside it.  spn is one of
// the symbol's pins and is bound to that segment.
bool joined_inside(IwCom* com, IwSpn* spn) { return tsn_symbol_ties(com->sym, spn->net) > 1; }

void lower_segments(TsnContext* context, IwNet* net, RootName& upper_in) {
  const bool long_format = w->filetype == LONG_TSN_FILE;
  for (IwPin* pin = ignetpin(net); pin; pin = igpinnnx(pin)) {
    IwSpn* spn = descend_pin(pin);
    if (!spn) continue;
    IwCom* com = igpinown(pin);
    std::string upper = upper_in.get();
    if (pinseton()) {
      const char* delayed = pinsettst(lgpin(context, pin, 0));
      if (delayed) upper = delayed;
    }
    tsn_descend(&context, com);
    IwNet* inner = spn->net;
    if (long_format || inner->kind == IW_GLOBALNET || joined_inside(com, spn)) {
      std::string lower = lgnet(context, inner, LONG_TSN_FILE, 0);
      if (lower != upper) {
        ltokcut(w->out, {"= ", upper});
        ltokcut(w->out, {" ", lower});
        ltokflush(w->out);
        ++w->nequivs;
      }
    }
    if (long_format) alias_records(context, inner);
    RootName below(std::move(upper));
    lower_segments(context, inner, below);
    tsn_pop_cntxt(&context);
  }
}

}  // namespace

int lgetattr(IwAtt* att, char* buf, std::size_t size) {
  if (!att || !buf || size == 0) return 0;
  buf[0] = '\0';
  int code = 0;
  if (att->value && ipvarref(att->value)) {
    code = evaluate(att->value, buf, size);
  } else {
    lstrncpy(buf, att->value ? att->value : "", static_cast<int>(size) - 2);
  }
  if (w && w->filetype == WIR_FILE) return code == 4 ? 0 : code;
  if (code != 0) return code;
  if (buf[0] != '"' && std::strpbrk(buf, kSeparators)) {
    std::size_t len = std::strlen(buf);
    std::memmove(buf + 1, buf, len);
    buf[0] = '"';
    buf[len + 1] = '"';
    buf[len + 2] = '\0';
  }
  return 0;
}

namespace {

// Whether the net writes no record at an occurrence that no annotation or
// occurrence attribute reaches: it has no attribute of its own and no pin
// leads into a block.  Most nets of a large design are such nets between
// two gates.  Asked once per group and instantiating component (visits_of
// keeps the answers); whether an occurrence is so reached is asked per
// group occurrence (walk_records).
bool inert(IwNet* net) {
  if (!net || net->atts) return false;
  for (IwPin* pin = ignetpin(net); pin; pin = igpinnnx(pin))
    if (!tsn_atbottom(igpinown(pin))) return false;
  return true;
}

NetVisits& visits_of(IwGrp* g, TsnContext* context) {
  NetState& state = net_state.get();
  NetVisits*& known = context ? state.visits_by_com[context->com] : state.top_visits;
  if (known) return *known;
  NetVisits& v = state.visits.emplace_back();
  for (IwNet* net = g->nets; net; net = net->next) {
    if (tsn_get_upnet(context, net)) continue;
    if (inert(net)) {
      ++v.tail;
      if (net->kind != IW_GLOBALNET) v.longest = std::max(v.longest, std::strlen(net->name));
      continue;
    }
    v.nets.emplace_back(net, v.tail);
    v.tail = 0;
  }
  known = &v;
  return v;
}

// The net walk of the record writers: as tsn_walknet, but the nets that
// can write nothing are only counted.  With annotatable, an annotation or
// an occurrence attribute can give a quiet net something to write (net
// records); the equivalence records of a quiet net depend on neither.
void walk_records(IwGrp* g, TsnContext* context, TsnNetFn fn, const char* label,
                  bool annotatable) {
  if (!g) return;
  NetVisits& v = visits_of(g, context);
  if (v.longest > 0 && lgpath(context, 0).size() + v.longest + 1 > tsn::kNameBuffer) {
    // The name of a net passed over would not fit the name buffer, and
    // forming it ends the run: every net is visited, in order, as the
    // plain walk visits them.
    for (IwNet* net = g->nets; net; net = net->next)
      if (!tsn_get_upnet(context, net)) fn(context, net, w);
  } else if (annotatable && !tsnShortcutOk(TsnShortcut::kQuietNets, context)) {
    // An annotation may give some quiet nets something to write here.
    if (!v.roots_made) {
      for (IwNet* net = g->nets; net; net = net->next)
        if (!tsn_get_upnet(context, net)) v.roots.emplace_back(net, inert(net));
      v.roots_made = true;
    }
    for (const auto& [net, quiet] : v.roots) {
      if (quiet && tsnShortcutOk(TsnShortcut::kQuietNet, context, nullptr, net)) {
        lnet_status(label);
      } else {
        fn(context, net, w);
      }
    }
  } else {
    for (const auto& [net, passed] : v.nets) {
      lnet_status(label, passed);
      fn(context, net, w);
    }
    lnet_status(label, v.tail);
  }
  for (IwCom* com = iggrpcom(g, nullptr); com; com = iggrpcom(g, com)) {
    if (tsn_atbottom(com)) continue;
    tsn_descend(&context, com);
    walk_records(com->sym ? com->sym->grp : nullptr, context, fn, label, annotatable);
    tsn_pop_cntxt(&context);
  }
}

}  // namespace

void lputnet(TsnContext* context, IwNet* net, void*) {
  RootName root(context, net, SHORT_TSN_FILE);
  put_segment(context, net, root);
  do_multi_driver_net_delays(context, net);
  lnet_status("nets");
}

void loutequiv(TsnContext* context, IwNet* net, void*) {
  RootName root(context, net, LONG_TSN_FILE);
  alias_records(context, net);
  lower_segments(context, net, root);
  lnet_status("net equivalences");
}

int ltopequiv(IwGrp* top, void*) {
  if (!top || !top->sym) return 0;
  for (IwSpn* spn = top->sym->spns; spn; spn = spn->next) {
    if (!spn->net) continue;
    const char* pin = spn->name ? spn->name : "";
    if (std::strcmp(pin, spn->net->name) == 0) continue;
    ltokout(w->out, "= %s", pin);
    ltokout(w->out, " %s", spn->net->name);
    ltokflush(w->out);
  }
  return 0;
}

void tsnnet_reset() { net_state.reset(); }

void lwalkputnets(IwGrp* top) {
  if (tsn_shortcut(TsnSwitch::kQuiet)) {
    walk_records(top, nullptr, lputnet, "nets", true);
  } else {
    tsn_walknet(top, nullptr, lputnet, w);
  }
}

void lwalkequivs(IwGrp* top) {
  if (tsn_shortcut(TsnSwitch::kQuiet)) {
    walk_records(top, nullptr, loutequiv, "net equivalences", false);
  } else {
    tsn_walknet(top, nullptr, loutequiv, w);
  }
}
