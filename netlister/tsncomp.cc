// netlister/tsncomp.cc - module records.
//
// Every bottom-level component becomes one module record: instance name,
// model name, the parenthesised attribute list and one net name per pin,
// in pin order ("M U1 NAND2 ( ... ) A B Y").  A hierarchical block writes
// no record of its own, but a DELAY on it opens an "AC" bracket before its
// contents and closes it with "FAC" after them.  Attribute values are
// evaluated in the variable scope of the occurrence (tsnLoadCom), and a
// value that cannot be formed never stops the run: the record is completed
// with what was written and messages 517 and 518 name the attribute and
// the component.
#include "netlister/tsncomp.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "catalogs/tsn.h"
#include "expr/ipvar.h"
#include "netlister/limits.h"
#include "netlister/ptrmap.h"
#include "netlister/tsn.h"
#include "netlister/tsndtb.h"
#include "netlister/tsnfsim.h"
#include "netlister/tsnini.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnnet.h"
#include "netlister/tsnp2p.h"
#include "netlister/tsnspawn.h"
#include "netlister/tsnstate.h"
#include "netlister/tsnutil.h"
#include "netlister/tsnwalk.h"
#include "util/rkstr.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwfile.h"
#include "wirelist/iwobj.h"

namespace {

// The attributes a module record or a block bracket looks up by name on a
// component (its own, then its symbol's).  They are the same at every
// occurrence, and a block placed a thousand times repeats its components
// a thousand times, so they are looked up once per component inside a
// block.
struct ComFacts {
  IwAtt* delay = nullptr;
  IwAtt* hwm = nullptr;
  IwAtt* vhdl = nullptr;
  IwAtt* model = nullptr;
  IwAtt* accel = nullptr;
  bool timing_file = false;  // has "TF" or "TIMING_FILE"
  bool digital = true;       // has no "PREFIX"
};

// One entry of a component's attribute list as its module record writes
// it.  A value that refers to no variable is the same at every occurrence
// and is kept as the finished token.
struct AttItem {
  IwAtt* att = nullptr;
  bool evaluate = false;  // the value is formed at each occurrence
  std::string token;      // otherwise the token as written
};

// What a module record writes from a component's own lists when those
// are the same at every occurrence (tsnShortcutOk).
struct AttPlan {
  bool built = false;
  std::vector<AttItem> items;  // the attributes written, in list order
};

// A module record of a component inside a block, prepared once: each
// token is fixed text, fixed text around the occurrence's path, an
// attribute value formed at each occurrence or, in the short format, a
// pin's net named by its root segment (which depends on the occurrence).
struct RecordToken {
  enum Kind { kFixed, kPathed, kValue, kNet } kind = kFixed;
  std::string before;             // kFixed: the token; kPathed: the text before the path
  std::string after;              // kPathed: the text after the path
  const AttItem* item = nullptr;  // kValue
  IwPin* pin = nullptr;           // kNet
  // kValue: the token last formed where no scope defined anything, and
  // the variable store's stamp then; it stands while the stamp does.
  unsigned long kept_stamp = 0;
  std::string kept;
};

struct RecordPlan {
  bool built = false;
  bool usable = false;            // the component's records can be written from the plan
  bool evaluates = false;         // some value is formed at each occurrence (in its scopes)
  bool has_net = false;           // some pin is named at each occurrence (kNet)
  std::size_t longest = 0;        // longest local name that follows the path
  const char* library = "";       // of the component's group
  RecordToken head;               // "M <path><name> <model> ("
  std::vector<RecordToken> atts;  // kValue tokens keep their last token
  std::vector<RecordToken> pins;
  // Records written, as bytes, with the places of their path: a later one
  // differs only there if its path has the same length and the kept values
  // the same stamp.  One for each of the last few path lengths: the walk
  // meets blocks in name order, where S9 and S10 alternate.
  struct Bytes {
    std::string bytes;  // empty: none
    std::vector<std::size_t> path_at;
    std::size_t path_len = 0;
    unsigned long stamp = 0;
  };
  std::array<Bytes, 4> kept;
  unsigned next_kept = 0;  // the slot a new record replaces

  // The kept bytes for a path of path_len characters under stamp, or null.
  static Bytes* find(std::array<Bytes, 4>& kept, unsigned long stamp, std::size_t path_len) {
    for (Bytes& k : kept)
      if (!k.bytes.empty() && k.stamp == stamp && k.path_len == path_len) return &k;
    return nullptr;
  }
};

// Writes kept bytes again with path in the places of the path they hold.
void place_path(RecordPlan::Bytes& k, std::string_view path) {
  for (std::size_t at : k.path_at) std::memcpy(k.bytes.data() + at, path.data(), path.size());
}

void write_kept(outdata* out, RecordPlan::Bytes& k, std::string_view path) {
  place_path(k, path);
  lwrite_line(out, k.bytes);
}

// What the writers keep of one component inside a block.
struct ComCache {
  bool facts_made = false;
  ComFacts facts;
  AttPlan atts;
  RecordPlan record;
};

// The records of a group made only of bottom-level components, written as
// one piece: its instances in a block placed many times differ only in
// their path.  Kept for each of the last few path lengths, like the
// records it is made of.
struct GroupPlan {
  bool checked = false;
  bool whole = false;      // every component can be written from kept bytes
  bool evaluates = false;  // some component forms a value (needs empty scopes)
  std::vector<IwCom*> coms;  // in walk order
  std::array<RecordPlan::Bytes, 4> kept;
  std::array<std::vector<std::size_t>, 4> ends;  // where each component's bytes end in kept
  unsigned next_kept = 0;
};

// What the component writers keep about the loaded design.
struct CompState {
  std::deque<ComCache> caches;  // stable: plans point into each other
  std::vector<TokenParts> tokens;  // scratch of keep_bytes
  std::vector<char> kept_scratch;                // of some_of_group
  std::deque<GroupPlan> groups;
  PtrMap<GroupPlan*> group_index;
  PtrMap<ComCache*> index;      // by component
  const IwCom* last = nullptr;  // the component asked for last
  ComCache* last_cache = nullptr;

  ComCache& of(const IwCom* com) {
    if (com != last) {
      ComCache*& c = index[com];
      if (!c) c = &caches.emplace_back();
      last = com;
      last_cache = c;
    }
    return *last_cache;
  }
};
TsnDesignCache<CompState> comp;

ComFacts look_up_facts(IwCom* com) {
  ComFacts f;
  f.delay = ifcossat("DELAY", com);
  f.hwm = ifcossat("HWM", com);
  f.vhdl = ifcossat("VHDL", com);
  f.model = ifcossat("MODEL", com);
  f.accel = ifcossat("ACCEL", com);
  f.timing_file = ifcossat("TF", com) != nullptr || ifcossat("TIMING_FILE", com) != nullptr;
  f.digital = tsn_is_dgtl_component(com) != 0;
  return f;
}

// A component of the top group is met once per walk: only those inside
// blocks are worth remembering.
ComFacts facts_of(TsnContext* context, IwCom* com) {
  if (!context || !tsn_shortcut(TsnSwitch::kPlans)) return look_up_facts(com);
  ComCache& c = comp.get().of(com);
  if (!c.facts_made) {
    c.facts = look_up_facts(com);
    c.facts_made = true;
  }
  return c.facts;
}

const char* group_name(IwCom* com) {
  return com && com->sym && com->sym->grp ? iggrpnam(com->sym->grp) : "";
}

const char* library_name(IwCom* com) {
  return com && com->sym && com->sym->grp ? iggrplnm(com->sym->grp) : "";
}

void report(int code, IwAtt* att, TsnContext* context, IwCom* com) {
  // Both texts live in catalog buffers of their own: copy before building.
  std::string why = ipgetmsg(code);
  llogmsg(w->out, "%s",
          tsnMsgBuild(TSN_MSG_ATTR_ERROR, why.c_str(), att->name, att->value ? att->value : ""));
  std::string name = lgcomp(context, com, 0);
  llogmsg(w->out, "%s", tsnMsgBuild(TSN_MSG_ATTR_COMP, name.c_str(), group_name(com)));
}

// "AC DELAY=<value>" of a block or a primitive; false when nothing was
// written.  Reports a bad value when asked to.
bool open_delay(IwAtt* delay, TsnContext* context, IwCom* com, bool report_errors) {
  if (!delay || filterit(delay->name)) return false;
  char value[tsn::kValueBuffer];
  int code = lgetattr(delay, value, sizeof value);
  if (code != 0) {
    if (report_errors) report(code, delay, context, com);
    return false;
  }
  ltokwhole(w->out, {"AC ", delay->name, "=", value});
  ltokflush(w->out);
  return true;
}

void block(int mode, TsnContext* context, IwCom* com) {
  const ComFacts f = facts_of(context, com);
  IwAtt* delay = f.delay;
  if (mode == 2) {
    open_delay(delay, context, com, true);
    return;
  }
  if (f.timing_file) put_p2p_module(context, com, w->out);
  char value[tsn::kValueBuffer];
  if (delay && !filterit(delay->name) && lgetattr(delay, value, sizeof value) == 0) {
    ltokout(w->out, "FAC");
    ltokflush(w->out);
  }
}

// " <net>" for every pin of the component, in pin order (the name slot
// is copied into the token before anything reuses it).
void pin_nets(outdata* out, TsnContext* context, IwCom* com, int type) {
  const bool delays = pinseton();
  for (IwPin* pin = igcompin(com); pin; pin = igpincnx(pin))
    ltokcut(out,
            {" ", delays ? lgnetpin(context, pin, type) : lgnet(context, igpinnet(pin), type, 0)});
}

bool prefix_allowed(const ComFacts& f) {
  return !(f.accel && f.accel->value && std::strcmp(f.accel->value, "QUARTZO") == 0);
}

bool skipped(IwAtt* att, bool local_delay, IwAtt* delay) {
  if (local_delay && att == delay) return true;
  if (ipvardef(att->name) || filterit(att->name)) return true;
  return rkStrIcmp(att->name, "TF") == 0 || rkStrIcmp(att->name, "TIMING_FILE") == 0;
}

// The token of one attribute in a module record, given its value text:
// " NAME" for an empty value, " NAME=VALUE", or " NAME=LIB:VALUE" for a
// VHDL value that names no library.
std::string att_token(IwAtt* att, const char* value, const char* library, bool allow_prefix) {
  std::string t = " ";
  t += att->name;
  if (!value[0]) {
    // Written as one formatted token, so cut like one.
    if (t.size() > tsn::kTokenBuffer - 1) t.resize(tsn::kTokenBuffer - 1);
    return t;
  }
  t += '=';
  if (rkStrIcmp(att->name, "VHDL") == 0 && !std::strchr(value, ':') && library[0] &&
      allow_prefix) {
    t += library;
    t += ':';
  }
  t += value;
  return t;
}

const AttPlan& plan_of(IwCom* com, const ComFacts& f, bool local_delay) {
  AttPlan& plan = comp.get().of(com).atts;
  if (plan.built) return plan;
  plan.built = true;
  const char* library = library_name(com);
  char value[tsn::kValueBuffer];
  for (IwAtt* att = igcossat(com, nullptr); att; att = igcossat(com, att)) {
    if (skipped(att, local_delay, f.delay)) continue;
    AttItem item;
    item.att = att;
    item.evaluate = ipvarref(att->value) != 0 || lgetattr(att, value, sizeof value) != 0;
    if (!item.evaluate) item.token = att_token(att, value, library, prefix_allowed(f));
    plan.items.push_back(std::move(item));
  }
  return plan;
}

// The attribute list of a module record, up to the first value that
// cannot be formed (returned with its code).
IwAtt* write_atts(outdata* out, TsnContext* context, IwCom* com, const ComFacts& f,
                  bool local_delay, int* error) {
  const char* library = library_name(com);
  char value[tsn::kValueBuffer];
  if (context && tsn_shortcut(TsnSwitch::kPlans) &&
      tsnShortcutOk(TsnShortcut::kComponent, context, com)) {
    for (const AttItem& item : plan_of(com, f, local_delay).items) {
      if (!item.evaluate) {
        ltokwhole(out, {item.token});
        continue;
      }
      *error = lgetattr(item.att, value, sizeof value);
      if (*error != 0) return item.att;
      ltokwhole(out, {att_token(item.att, value, library, prefix_allowed(f))});
    }
    return nullptr;
  }
  for (IwAtt* att = tsngcossat(context, com, nullptr); att; att = tsngcossat(context, com, att)) {
    if (skipped(att, local_delay, f.delay)) continue;
    *error = lgetattr(att, value, sizeof value);
    if (*error != 0) return att;
    ltokwhole(out, {att_token(att, value, library, prefix_allowed(f))});
  }
  return nullptr;
}

// The plan of com's module records, for a component without a DELAY,
// an ACCEL or a timing file and with a model name that is the same at
// every occurrence (anything else takes the general path).
RecordPlan& record_plan_of(IwCom* com, const ComFacts& f) {
  RecordPlan& p = comp.get().of(com).record;
  if (p.built) return p;
  p.built = true;
  if (f.delay || f.accel || f.timing_file) return p;
  const char* model = group_name(com);
  char model_value[tsn::kValueBuffer];
  if (IwAtt* m = f.model) {
    if (ipvarref(m->value) || lgetattr(m, model_value, sizeof model_value) != 0) return p;
    model = model_value;
  }
  const char* own = igcomnam(com);
  own = own ? own : "";
  p.longest = std::strlen(own);
  p.head.kind = RecordToken::kPathed;
  p.head.before = "M ";
  p.head.after.append(own).append(" ").append(model).append(" (");
  p.library = library_name(com);
  for (const AttItem& item : plan_of(com, f, false).items) {
    RecordToken t;
    if (item.evaluate) {
      t.kind = RecordToken::kValue;
      t.item = &item;
      p.evaluates = true;
    } else {
      t.before = item.token;
    }
    p.atts.push_back(std::move(t));
  }
  for (IwPin* pin = igcompin(com); pin; pin = igpincnx(pin)) {
    RecordToken t;
    IwNet* net = igpinnet(pin);
    if (w->filetype != LONG_TSN_FILE && tsn_net_is_port(net) && net->kind != IW_GLOBALNET) {
      // Named by its root segment, which depends on the occurrence.
      t.kind = RecordToken::kNet;
      t.pin = pin;
      p.has_net = true;
    } else if (!net) {
      t.before = " ?";
    } else if (net->kind == IW_GLOBALNET) {
      t.before.push_back(' ');  // (assigning " " trips a false -Wrestrict in GCC 12)
      t.before.append(net->name, std::min(std::strlen(net->name), tsn::kNameBuffer - 1));
    } else {
      t.kind = RecordToken::kPathed;
      t.before.push_back(' ');
      t.after = net->name;
      p.longest = std::max(p.longest, t.after.size());
    }
    p.pins.push_back(std::move(t));
  }
  p.usable = true;
  return p;
}

// Keeps the bytes of the record just written from p at path, for the next
// occurrences to reuse.  Only a record whose every value is kept under
// stamp, and none of whose tokens was cut, is kept.
void keep_bytes(RecordPlan& p, std::string_view path, unsigned long stamp) {
  std::vector<TokenParts>& tokens = comp.get().tokens;
  tokens.clear();
  tokens.push_back({p.head.before, path, p.head.after, true});
  for (const RecordToken& t : p.atts) {
    if (t.kind == RecordToken::kFixed) {
      tokens.push_back({t.before, {}, {}, false});
    } else if (stamp != 0 && t.kept_stamp == stamp) {
      tokens.push_back({t.kept, {}, {}, false});
    } else {
      return;
    }
  }
  tokens.push_back({" )", {}, {}, false});
  for (const RecordToken& t : p.pins) {
    if (t.kind == RecordToken::kPathed) {
      tokens.push_back({t.before, path, t.after, true});
    } else {
      tokens.push_back({t.before, {}, {}, true});
    }
  }
  RecordPlan::Bytes& k = p.kept[p.next_kept++ % p.kept.size()];
  if (!lformat_line(w->out, tokens.data(), tokens.size(), &k.bytes, &k.path_at)) {
    k.bytes.clear();
    return;
  }
  k.path_len = path.size();
  k.stamp = stamp;
}

// Writes the module record of a component inside a block from its plan;
// false (nothing written) when the general path must write it.
bool planned_record(TsnContext* context, IwCom* com, const ComFacts& f) {
  if (!context || !tsn_shortcut(TsnSwitch::kPlans) ||
      !tsnShortcutOk(TsnShortcut::kComponent, context, com))
    return false;
  RecordPlan& p = record_plan_of(com, f);
  if (!p.usable) return false;
  // A name too long for the name buffer ends the run: the general path
  // reports it.
  std::string_view path = lgpath(context, 0);
  if (path.size() + p.longest + 1 > tsn::kNameBuffer) return false;
  char prefix[tsn::kNameBuffer];
  std::memcpy(prefix, path.data(), path.size());
  path = std::string_view(prefix, path.size());

  outdata* out = w->out;
  // Scopes matter only to values formed here, and only when something on
  // the path defines a variable; no annotation reaches this occurrence.
  const bool scoped = p.evaluates && !tsnScopesEmpty(context, com);
  const unsigned long stamp = scoped ? 0 : ipevalstamp();
  const bool keep_values = stamp != 0 && tsn_shortcut(TsnSwitch::kValues);
  const bool keep_bytes_of = tsn_shortcut(TsnSwitch::kBytes);
  if (!scoped && out->curlen == 0 && keep_bytes_of) {
    if (RecordPlan::Bytes* k = RecordPlan::find(p.kept, stamp, path.size())) {
      write_kept(out, *k, path);
      return true;
    }
  }
  if (scoped) tsnLoadCom(context, com);
  ltokcut(out, {p.head.before, path, p.head.after});
  char value[tsn::kValueBuffer];
  int error = 0;
  IwAtt* bad = nullptr;
  for (RecordToken& t : p.atts) {
    if (t.kind == RecordToken::kFixed) {
      ltokwhole(out, {t.before});
      continue;
    }
    if (keep_values && t.kept_stamp == stamp) {
      ltokwhole(out, {t.kept});
      continue;
    }
    error = lgetattr(t.item->att, value, sizeof value);
    if (error != 0) {
      bad = t.item->att;
      break;
    }
    std::string token = att_token(t.item->att, value, p.library, prefix_allowed(f));
    ltokwhole(out, {token});
    if (keep_values) {
      t.kept_stamp = stamp;
      t.kept = std::move(token);
    }
  }
  ltokwhole(out, {" )"});
  for (const RecordToken& t : p.pins) {
    switch (t.kind) {
      case RecordToken::kPathed:
        ltokcut(out, {t.before, path, t.after});
        break;
      case RecordToken::kNet:
        ltokcut(out, {" ", lgnet(context, igpinnet(t.pin), w->filetype, 0)});
        break;
      default:
        ltokcut(out, {t.before});
        break;
    }
  }
  ltokflush(out);
  if (bad) report(error, bad, context, com);
  if (scoped) tsnUnloadCom(context);
  if (!bad && !scoped && !p.has_net && keep_bytes_of) keep_bytes(p, path, stamp);
  return true;
}

void module_record(TsnContext* context, IwCom* com, const ComFacts& f) {
  if (planned_record(context, com, f)) return;
  outdata* out = w->out;
  IwAtt* delay = f.delay;
  bool local_delay = delay && !f.hwm && !f.vhdl;
  bool fac_owed = local_delay && open_delay(delay, context, com, true);

  tsnLoadCom(context, com);
  const char* model = group_name(com);
  char model_value[tsn::kValueBuffer];
  if (IwAtt* m = f.model) {
    int code = lgetattr(m, model_value, sizeof model_value);
    if (code == 0) {
      model = model_value;
    } else {
      report(code, m, context, com);
    }
  }
  ltokcut(out, {"M ", lgcomp(context, com, 0), " ", model, " ("});
  IwAtt* accel = f.accel;
  int error = 0;
  IwAtt* bad = write_atts(out, context, com, f, local_delay, &error);
  if (accel) {
    spawn_addsym(com->sym, accel, context, com);
    if (spawn_findatt(accel) == 1) spawn_accel(context, com, out);
  }
  ltokcut(out, {" )"});
  pin_nets(out, context, com, w->filetype);
  ltokflush(out);
  if (bad) report(error, bad, context, com);
  if (f.timing_file) put_p2p_module(context, com, out);
  if (fac_owed) {
    ltokout(out, "FAC");
    ltokflush(out);
  }
  tsnUnloadCom(context);
}

// The DELAY a primitive of the flattened wirelist inherits: its own, its
// symbol's, then each enclosing block's up to the top.
IwAtt* inherited_delay(TsnContext* context, IwCom* com) {
  if (IwAtt* d = ifcossat("DELAY", com)) return d;
  for (TsnContext* c = context; c; c = c->next)
    if (IwAtt* d = ifcossat("DELAY", c->com)) return d;
  return nullptr;
}

void wirelist_records(TsnContext* context, IwCom* com) {
  outdata* out = w->out;
  tsnLoadCom(context, com);
  const char* group = group_name(com);
  {
    std::string name = lgcomp(context, com, 1);
    ltokout(out, "M %s %s", group, name.c_str());
    ltokflush(out);
    ltokout(out, "I %s %s", name.c_str(), group);
  }
  for (IwPin* pin = igcompin(com); pin; pin = igpincnx(pin))
    ltokout(out, " %s", lgnetpin(context, pin, w->filetype));
  // The attribute list is one token: a blank, then each attribute
  // followed by a backquote.
  std::string list;
  char value[tsn::kValueBuffer];
  int error = 0;
  IwAtt* bad = nullptr;
  IwAtt* delay = inherited_delay(context, com);
  if (delay && !filterit(delay->name)) {
    error = lgetattr(delay, value, sizeof value);
    if (error != 0) {
      bad = delay;
    } else if (value[0]) {
      list += std::string(delay->name) + "=" + value + "`";
    }
  }
  if (!bad) {
    for (IwAtt* att = tsngcossat(context, com, nullptr); att; att = tsngcossat(context, com, att)) {
      if (ipvardef(att->name) || filterit(att->name) || rkStrIcmp(att->name, "DELAY") == 0)
        continue;
      error = lgetattr(att, value, sizeof value);
      if (error != 0) {
        bad = att;
        break;
      }
      list += att->name;
      if (value[0]) {
        list += "=";
        list += rkStrIcmp(att->name, "LABEL") == 0 ? lgcomp(context, com, 0) : value;
      }
      list += "`";
    }
  }
  if (!list.empty()) lformatted_tokout(out, " ", list.c_str());
  ltokflush(out);
  if (!bad) {
    error = lw_api(context, com, out);
    if (error != 0) bad = lw_api_failed();
  }
  tsnUnloadCom(context);
  if (bad) report(error, bad, context, com);
}

}  // namespace

namespace {

// Whether the group's records can be written as one piece: only
// bottom-level components that the simulator models, each with a plan
// that names no pin by its occurrence and defines no variable of its own.
void check_group(GroupPlan& g, IwGrp* group, TsnContext* context) {
  g.checked = true;
  for (IwCom* com = iggrpcom(group, nullptr); com; com = iggrpcom(group, com)) {
    if (!tsn_atbottom(com) || !com->sym) return;
    int type = com->sym->symtype;
    if (type != IW_MODULE && type != IW_COMPOSITE && type != IW_PLDCOMP) return;
    const ComFacts f = facts_of(context, com);
    if (w->analog_filter == ANALOG_FILTER_ON && !f.digital) return;
    const RecordPlan& p = record_plan_of(com, f);
    if (!p.usable || p.has_net || (p.evaluates && tsnDefinesVariables(com))) return;
    g.evaluates = g.evaluates || p.evaluates;
    g.coms.push_back(com);
  }
  g.whole = !g.coms.empty();
}

// The records of all of the group's components for a path of path_len
// characters under stamp, as one piece, with where each component's end;
// made from the records' kept bytes when each has them.  Null when one
// has none.
RecordPlan::Bytes* group_piece(GroupPlan& g, unsigned long stamp, std::size_t path_len,
                               const std::vector<std::size_t>** ends) {
  RecordPlan::Bytes* piece = RecordPlan::find(g.kept, stamp, path_len);
  if (!piece) {
    // Their paths are replaced when the piece is written.
    RecordPlan::Bytes made;
    std::vector<std::size_t> made_ends;
    made.path_len = path_len;
    made.stamp = stamp;
    for (IwCom* com : g.coms) {
      RecordPlan& p = comp.get().of(com).record;
      const RecordPlan::Bytes* found = RecordPlan::find(p.kept, stamp, path_len);
      if (!found) return nullptr;
      for (std::size_t at : found->path_at) made.path_at.push_back(made.bytes.size() + at);
      made.bytes += found->bytes;
      made_ends.push_back(made.bytes.size());
    }
    const unsigned slot = g.next_kept++ % g.kept.size();
    g.kept[slot] = std::move(made);
    g.ends[slot] = std::move(made_ends);
    piece = &g.kept[slot];
  }
  *ends = &g.ends[piece - g.kept.data()];
  return piece;
}

// whole_group for a group occurrence that back-annotation reaches in
// part: the components it reaches through the walk's callback, the runs
// of others between them from the group's piece; false (nothing written)
// when none of them may be written from kept bytes or the piece cannot be
// made yet.
bool some_of_group(GroupPlan& g, TsnContext* context, std::string_view path, unsigned long stamp) {
  std::vector<char>& kept = comp.get().kept_scratch;
  kept.clear();
  bool any = false;
  for (IwCom* com : g.coms) {
    kept.push_back(tsnShortcutOk(TsnShortcut::kComponent, context, com));
    any = any || kept.back();
  }
  if (!any) return false;
  const std::vector<std::size_t>* ends = nullptr;
  RecordPlan::Bytes* piece = group_piece(g, stamp, path.size(), &ends);
  if (!piece) return false;
  place_path(*piece, path);
  outdata* out = w->out;
  const std::string_view bytes = piece->bytes;
  std::size_t run = 0;  // the first component of the run not yet written
  for (std::size_t i = 0; i <= g.coms.size(); ++i) {
    if (i < g.coms.size() && kept[i]) continue;
    if (i > run) {
      const std::size_t from = run ? (*ends)[run - 1] : 0;
      lwrite_line(out, bytes.substr(from, (*ends)[i - 1] - from));
      lcomp_status("modules", static_cast<int>(i - run));
    }
    if (i < g.coms.size()) loutcomp(0, context, g.coms[i], w);
    run = i + 1;
  }
  return true;
}

// Writes a group's records as one piece when its components' kept bytes
// allow it; false leaves the group to the walk (whose records then keep
// their bytes for the next instance).  Where back-annotation reaches some
// of the group's components, those are written by the walk's callback
// and the others from the piece, in the same order.
bool whole_group(IwGrp* group, TsnContext* context, void*) {
  outdata* out = w->out;
  if ((w->filetype != LONG_TSN_FILE && w->filetype != SHORT_TSN_FILE) || !out || out->curlen != 0)
    return false;
  CompState& state = comp.get();
  GroupPlan*& slot = state.group_index[group];
  if (!slot) slot = &state.groups.emplace_back();
  GroupPlan& g = *slot;
  if (!g.checked) check_group(g, group, context);
  if (!g.whole) return false;
  if (g.evaluates && !tsnPathScopesEmpty(context)) return false;
  std::string_view path = lgpath(context, 0);
  const unsigned long stamp = ipevalstamp();
  if (!tsnShortcutOk(TsnShortcut::kGroup, context)) return some_of_group(g, context, path, stamp);
  const std::vector<std::size_t>* ends = nullptr;
  RecordPlan::Bytes* piece = group_piece(g, stamp, path.size(), &ends);
  if (!piece) return false;
  write_kept(out, *piece, path);
  lcomp_status("modules", static_cast<int>(g.coms.size()));
  return true;
}

}  // namespace

void lwalkcomps(IwGrp* top) {
  if (tsn_shortcut(TsnSwitch::kBlocks)) {
    tsn_walkcomp_groups(top, nullptr, loutcomp, whole_group, w);
  } else {
    tsn_walkcomp(top, nullptr, loutcomp, w);
  }
}

void tsncomp_reset() { comp.reset(); }

void loutcomp(int mode, TsnContext* context, IwCom* com, void*) {
  const int type = w->filetype;
  if (type != LONG_TSN_FILE && type != SHORT_TSN_FILE && type != WIR_FILE) {
    std::fputs("Unknown output file type\n", stdout);
    if (mode == 0) lcomp_status("modules");
    return;
  }
  if (mode != 0) {
    if (type != WIR_FILE) block(mode, context, com);
    return;
  }
  const ComFacts f = facts_of(context, com);
  if (w->analog_filter == ANALOG_FILTER_ON && !f.digital) {
    ++w->nanalog_omitted;
  } else if (type == WIR_FILE) {
    wirelist_records(context, com);
  } else {
    module_record(context, com, f);
  }
  lcomp_status("modules");
}
