// wirelist/iwwrite.cc - the wirelist writer; see iwwrite.h.
//
// The state of the file being written is one record (writer): the store
// object, the print function in force and the write-error flag.  Every
// record goes through wr(), which prints with that function; the first
// failed print sets the flag and puts a function that prints nothing in
// its place, so the rest of the file costs nothing and the failure is
// handled once, when the sheet ends.
#include "wirelist/iwwrite.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <functional>
#include <queue>
#include <utility>
#include <vector>

#include "catalogs/nodex.h"
#include "store/prj.h"
#include "wirelist/immod.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwcheck.h"
#include "wirelist/iwfile.h"
#include "wirelist/iwgroup.h"
#include "wirelist/iwinit.h"
#include "wirelist/iwlib.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwpld.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"
#include "wirelist/limits.h"

namespace {

using PrintFn = int (*)(PrjObject*, const char*, std::va_list);

// The name sets of one file: groups whose symbol description is written,
// nets whose attribute records are written.
constexpr int kSymbolSet = 1;
constexpr int kNetSet = 2;

constexpr const char* kWriter = "iwgrpwrite";

int print_nothing(PrjObject*, const char*, std::va_list) { return 0; }

struct WriterState {
  PrjObject* obj = nullptr;     // the sheet being written
  PrintFn print = prjVfprintf;  // prjVfprintf while all is well
  bool failed = false;          // the write-error flag
  std::string line;             // a one-line record being put together
};
WriterState writer;

void set_failed() {
  writer.failed = true;
  writer.print = print_nothing;
}

[[gnu::format(printf, 1, 2)]] void wr(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  int n = writer.print(writer.obj, format, ap);
  va_end(ap);
  if (n < 0) set_failed();
}

const char* text(const char* s) { return s ? s : ""; }

// Whether "=" and the value follow the name: when there is a value, and
// for an attribute without a name, which only its "=" keeps readable.
bool with_value(const IwAtt* a) { return (a->value && a->value[0]) || !a->name || !a->name[0]; }

// The rest of a record of its own after the attribute name.
void own_value(const IwAtt* a) {
  if (with_value(a)) {
    wr("=%s\n", text(a->value));
  } else {
    wr("\n");
  }
}

// An attribute inside a one-line record, added to the record's text:
// each ends with a backquote.
void inline_att(std::string* line, const IwAtt* a) {
  line->append(" ").append(text(a->name));
  if (with_value(a)) line->append("=").append(text(a->value));
  line->append("`");
}

// Adds name to a name set; false when it was there already.  Interned
// names outlive the set, so only other texts are copied.
bool first_time(int set, const char* name, int copy = 0) {
  if (insetmem(set, name)) return false;
  inaddmem(set, name, copy);
  return true;
}

void symbol_description(const IwGrp* g) {
  if (!g || !g->sym || !g->name || !first_time(kSymbolSet, g->name)) return;
  const IwSym* s = g->sym;
  for (const IwAtt* a = s->atts; a; a = a->next) {
    wr("AS %s %s", g->name, text(a->name));
    own_value(a);
  }
  std::string order;
  if (!i_get_pinord(g, &order)) set_failed();
  wr("AS %s PINORDER =%s\n", g->name, order.c_str());
  int number = 1;
  for (const IwSpn* spn = s->spns; spn; spn = spn->next, ++number) {
    for (const IwAtt* a = spn->atts; a; a = a->next) {
      wr("AP %s %d %s", g->name, number, text(a->name));
      own_value(a);
    }
  }
}

const char* pintype_value(const IwSpn* spn) {
  const IwAtt* a = iwgetatt(spn->atts, "PINTYPE");
  return a && a->value && a->value[0] ? a->value : nullptr;
}

// A one-pin symbol named after a port's PINTYPE value.
void pintype_symbol(const IwSpn* spn) {
  const char* t = pintype_value(spn);
  if (!t) return;
  wr("AS %s %s\n", t, t);
  wr("AS %s PINORDER=%s\n", t, t);
  wr("AP %s 1 PINTYPE=%s\n", t, t);
}

void port_symbols(const IwGrp* group) {
  for (const IwSpn* spn = group->sym ? group->sym->spns : nullptr; spn; spn = spn->next) {
    if (!spn->pintype) {
      pintype_symbol(spn);
      continue;
    }
    if (std::strcmp(spn->pintype, "?") == 0 || insetmem(kSymbolSet, spn->pintype)) continue;
    std::string key = spn->pintype;
    if (const IwGrp* g = iwgrpref(key.data())) {
      symbol_description(g);
    } else {
      pintype_symbol(spn);
    }
    first_time(kSymbolSet, spn->pintype, 1);
  }
}

void net_attributes(const IwNet* net) {
  // A net without attributes and without a global mark writes nothing,
  // so whether it is in the set makes no difference; most nets are such.
  if (!net || !net->name || (!net->atts && net->kind != IW_GLOBALNET)) return;
  if (!first_time(kNetSet, net->name)) return;
  for (const IwAtt* a = net->atts; a; a = a->next) {
    wr("AN %s %s", net->name, text(a->name));
    own_value(a);
  }
  if (net->kind == IW_GLOBALNET) wr("G %s\n", net->name);
}

// The ports last pin first: in the top group a port record makes a pin
// the symbol lacks at the head of the pin list, so reading them back in
// this order rebuilds the list as it is.  A pin without a name cannot be
// a port record's pin; it keeps its place through the PINORDER ("?").
void port_records(const IwGrp* group) {
  std::vector<const IwSpn*> pins;
  for (const IwSpn* spn = group->sym ? group->sym->spns : nullptr; spn; spn = spn->next)
    if (spn->name && spn->name[0] && std::strcmp(spn->name, "?") != 0) pins.push_back(spn);
  for (auto it = pins.rbegin(); it != pins.rend(); ++it) {
    const IwSpn* spn = *it;
    const char* type = spn->pintype ? spn->pintype : pintype_value(spn);
    if (!type) type = "?";
    const char* net = spn->net && spn->net->name ? spn->net->name : "?";
    wr("P %s %s\n", type, text(spn->name));
    std::string& line = writer.line;
    line.assign("I ").append(text(spn->name)).append(" ").append(type).append(" ").append(net);
    for (const IwAtt* a = spn->atts; a; a = a->next) inline_att(&line, a);
    wr("%s\n", line.c_str());
  }
}

// The group a component's records name.  A PLD component's symbol is its
// PLD-component group's after reading, but its F record names the group
// of the PLD part, whose description gives the component its pins.
const IwGrp* named_group(const IwCom* c) {
  if (const IwPldEntry* e = iwpldof(c)) return e->group;
  return c->sym ? c->sym->grp : nullptr;
}

// The record letter of a component, or null for a symbol type a
// wirelist cannot hold.
const char* record_type(const IwCom* c) {
  switch (c->sym ? c->sym->symtype : IW_UNKNOWN) {
    case IW_MODULE:
      return "M";
    case IW_COMPOSITE:
      return "W";
    case IW_PLDCOMP:
      return "F";
    case IW_PLD:
      // Placed by an M (or W) record on the group of a PLD part: written
      // as such, it reads back as the same PLD component.
      return "M";
    default:
      return nullptr;
  }
}

void component_records(const IwCom* c) {
  const IwSym* sym = c->sym;
  const IwGrp* g = named_group(c);
  const char* gname = g ? text(g->name) : "";
  const char* type = record_type(c);
  if (!type) {
    iwmsghndlr(2, NDX_WRSYMTYPE, gname, iwsymtype(sym ? sym->symtype : IW_UNKNOWN));
    return;
  }
  if (const IwPldEntry* e = iwpldof(c)) {
    // The whole F record, as the reader takes it from a file of this
    // version: the PLD-component group, delay-binning and module names.
    wr("F %s %s %s %s %s\n", gname, text(c->name), e->pldname, e->dlyname, e->modname);
  } else {
    wr("%s %s %s\n", type, gname, text(c->name));
  }
  // A component placed without its I record has no connections to give;
  // writing one would connect it, so it stays as it was read.
  if (!c->pins && !c->atts) return;
  // The instance record is put together first and printed in one piece.
  std::string& line = writer.line;
  line.assign("I ").append(text(c->name)).append(" ").append(gname);
  int written = 0;
  bool pin_atts = false;  // whether any pin has API records to write
  for (const IwPin* p = igcompin(c); p; p = igpincnx(p), ++written) {
    const IwNet* net = igpinnet(p);
    line.append(" ").append(net && net->name ? net->name : "?");
    pin_atts |= p->atts != nullptr;
  }
  // A component whose connections were never read still needs one net
  // per pin, or the reader would refuse the file.
  for (; written < (sym ? sym->npins : 0); ++written) line.append(" ?");
  for (const IwAtt* a = c->atts; a; a = a->next) inline_att(&line, a);
  wr("%s\n", line.c_str());
  for (const IwPin* p = pin_atts ? igcompin(c) : nullptr; p; p = igpincnx(p)) {
    for (const IwAtt* a = p->atts; a; a = a->next) {
      wr("API %s %s %d %s", text(c->name), gname, p->index, text(a->name));
      own_value(a);
    }
  }
}

// The sheet's components in an order in which reading their I records
// gives every net its present ring.  A pin joins a net at the head of its
// ring, so each ring lists its pins newest first: a pin followed on its
// ring by a pin of another component of the sheet was read after it.
// Those pairs order the components; among the components free to come
// next the one first in the sheet's list is taken.  Components that share
// a name keep the order the sort found them in, which is the reverse of
// the order they were read in, so of those the last in the list comes
// first.  A design read from files always has such an order; should a
// ring contradict itself the rest follow in list order.
std::vector<const IwCom*> read_order(const IwSch* sch) {
  std::vector<const IwCom*> coms;
  for (const IwCom* c = sch->coms; c; c = c->next) coms.push_back(c);
  const auto n = static_cast<std::uint32_t>(coms.size());
  // Each component's place rides in its spare word while the rings are
  // read, which spares a table looked up for nearly every pin; the words
  // are given back before anything else can see them.
  constexpr std::uint32_t kNone = UINT32_MAX;
  std::vector<void*> spare(n);
  for (std::uint32_t i = 0; i < n; ++i) {
    auto* c = const_cast<IwCom*>(coms[i]);
    spare[i] = c->extra;
    c->extra = reinterpret_cast<void*>(static_cast<std::uintptr_t>(i) + 1);
  }
  // For each pin, the component read before its own that it follows on
  // its ring (kNone for none); counted per component both ways.
  std::vector<std::uint32_t> older;
  older.reserve(3 * static_cast<std::size_t>(n));
  std::vector<std::uint32_t> from(n + 1, 0);  // later ones of component k: from[k]..from[k+1]
  std::vector<std::uint32_t> waiting(n, 0);   // read-before constraints left
  for (std::uint32_t i = 0; i < n; ++i) {
    for (const IwPin* p = igcompin(coms[i]); p; p = igpincnx(p)) {
      std::uint32_t at = kNone;
      if (p->next && iwobjtype(p->next) == NX_PINS) {
        const IwCom* o = igpinown(static_cast<const IwPin*>(p->next));
        if (o && o != coms[i] && o->sch == sch)
          at = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(o->extra) - 1);
      }
      older.push_back(at);
      if (at == kNone) continue;
      ++from[at + 1];
      ++waiting[i];
    }
  }
  for (std::uint32_t i = 0; i < n; ++i) const_cast<IwCom*>(coms[i])->extra = spare[i];
  for (std::uint32_t k = 0; k < n; ++k) from[k + 1] += from[k];
  std::vector<std::uint32_t> later(from[n]);
  {
    std::vector<std::uint32_t> fill(from.begin(), from.end() - 1);
    std::size_t pin = 0;
    for (std::uint32_t i = 0; i < n; ++i)
      for (const IwPin* p = igcompin(coms[i]); p; p = igpincnx(p), ++pin)
        if (older[pin] != kNone) later[fill[older[pin]]++] = i;
  }
  // Rank: the name's first place in the list, then the own place counted
  // from the end; the smallest ready rank comes next.
  std::vector<std::uint64_t> rank(n);
  for (std::uint32_t i = 0, first = 0; i < n; ++i) {
    if (i > 0 && std::strcmp(text(coms[i]->name), text(coms[i - 1]->name)) != 0) first = i;
    rank[i] = (static_cast<std::uint64_t>(first) << 32) | (n - i);
  }
  std::priority_queue<std::uint64_t, std::vector<std::uint64_t>, std::greater<>> ready;
  for (std::uint32_t i = 0; i < n; ++i)
    if (waiting[i] == 0) ready.push(rank[i]);
  std::vector<const IwCom*> order;
  order.reserve(n);
  std::vector<bool> placed(n, false);
  while (!ready.empty()) {
    auto i = static_cast<std::uint32_t>(n - (ready.top() & 0xffffffffu));
    ready.pop();
    order.push_back(coms[i]);
    placed[i] = true;
    for (std::uint32_t k = from[i]; k < from[i + 1]; ++k)
      if (--waiting[later[k]] == 0) ready.push(rank[later[k]]);
  }
  for (std::uint32_t i = 0; i < n; ++i)
    if (!placed[i]) order.push_back(coms[i]);
  return order;
}

void write_sheet(const IwGrp* group, const IwSch* sch) {
  const char* version = iwversion();
  wr("| Wirelist created using Nodex version %s.\n", version);
  wr("V %s\n", version);
  wr("DW %s\n", text(group->name));
  for (const IwAtt* a = sch->atts; a; a = a->next) {
    wr("SA %s", text(a->name));
    own_value(a);
  }
  port_symbols(group);
  // A component that cannot be written takes its group's description
  // with it: nothing in the file would use it.
  const IwGrp* last = nullptr;  // neighbours mostly share a group: one look-up for a run
  for (const IwCom* c = sch->coms; c; c = c->next) {
    if (!record_type(c) || named_group(c) == last) continue;
    last = named_group(c);
    symbol_description(last);
  }
  for (const IwCom* c = sch->coms; c; c = c->next)
    for (const IwPin* p = igcompin(c); p; p = igpincnx(p)) net_attributes(igpinnet(p));
  for (const IwSpn* spn = group->sym ? group->sym->spns : nullptr; spn; spn = spn->next)
    net_attributes(spn->net);
  // Nets that no pin and no port reaches belong to no sheet in particular;
  // the first sheet keeps their attributes and global marks, which would
  // otherwise be lost.
  if (sch == group->schs)
    for (const IwNet* net = group->nets; net; net = net->next)
      if (!ignetpin(net)) net_attributes(net);
  port_records(group);
  // The group's own description follows its ports: the top group takes
  // its pins from its symbol file and from its port records, and its
  // PINORDER must find them all there.
  symbol_description(group);
  for (const IwCom* c : read_order(sch)) component_records(c);
  wr("EW\n");
}

// Puts back the sheets replaced in this call from the copies saved in it.
void restore(const IwGrp* group, const std::string& objname, const std::vector<int>& reached,
             const std::vector<int>& saved) {
  for (int n : reached) {
    bool ok = std::find(saved.begin(), saved.end(), n) != saved.end() &&
              iwmvwir_restore(iws.project, objname.c_str(), n);
    if (!ok) iwmsghndlr(4, NDX_WRRESTOREFAIL, kWriter, text(group->name), n);
  }
}

int write_group(IwGrp* group) {
  if (!group || iwobjtype(group) != NX_GROUPS) {
    iwmsghndlr(4, NDX_WRNOTWRITABLE, kWriter, "");
    return IW_WRITE_NOTWRITABLE;
  }
  const char* name = text(group->name);
  if (group->sym && group->sym->symtype == IW_MODULE) {
    bool has_one = false;
    for (const IwSch* s = group->schs; s; s = s->next) has_one |= s->number == 1;
    int status;
    if (!has_one) imcgrpsch(group, 1, &status);
  }
  int status;
  if (!i_check_writable(group, &status)) {
    iwmsghndlr(4, NDX_WRNOTWRITABLE, kWriter, name);
    return IW_WRITE_NOTWRITABLE;
  }
  if (!iwcheckgrp(group, &status)) iwmsghndlr(2, NDX_WRCHECKFAIL, kWriter, name);

  // Sheets are named through the group's library, so that the saved copy,
  // the new file and a restore all act on the files of that library.
  const IwLib* lib = iggrpown(group);
  std::string objname = lib && lib->name ? std::string(lib->name) + ":" : std::string();
  objname += iggrpnam(group);

  writer = WriterState{};
  std::vector<int> reached, saved;
  for (const IwSch* sch = group->schs; sch && !writer.failed; sch = sch->next) {
    int n = sch->number;
    reached.push_back(n);
    if (iwfexists(iws.project, objname.c_str(), n)) {
      if (!iwmvwir_sav(iws.project, objname.c_str(), n)) {
        iwmsghndlr(4, NDX_WROPENFAIL, kWriter, name, n);
        set_failed();
        break;
      }
      saved.push_back(n);
      iwmsghndlr(2, NDX_WRSAVED, kWriter, name, n);
    }
    int st;
    writer.obj =
        prjOpenObj(iws.project, "prjClassWIRELIST", objname.c_str(), n, 0, PRJ_OPEN_WRITE, &st);
    if (!writer.obj) {
      iwmsghndlr(4, NDX_WROPENFAIL, kWriter, name, n);
      set_failed();
      break;
    }
    iwmsghndlr(1, NDX_WRWRITING, kWriter, name, n);
    write_sheet(group, sch);
    if (writer.failed) prjAbandonObj(writer.obj);
    if (prjCloseObj(writer.obj, PRJ_CLOSE_DISCARD) != PRJ_OK) set_failed();
    writer.obj = nullptr;
    indelset(kSymbolSet);
    indelset(kNetSet);
  }
  bool failed = writer.failed;
  writer = WriterState{};
  if (!failed) return IW_WRITE_OK;
  iwmsghndlr(4, NDX_WRFAILED, kWriter, name, reached.empty() ? 0 : reached.back());
  iwmsghndlr(1, NDX_WRRESTORING, kWriter, name);
  restore(group, objname, reached, saved);
  return IW_WRITE_FAILED;
}

}  // namespace

int iwwrite() {
  sort_groups(nullptr);
  for (IwGrp* g = iwgetgrp(nullptr); g; g = iwgetgrp(g)) {
    if (write_group(g) != IW_WRITE_FAILED) continue;
    iwmsghndlr(2, NDX_WRGROUPFAIL, "iwwrite", text(g->name));
    return IW_WRITE_FAILED;
  }
  return IW_WRITE_OK;
}

int iwgrpwrite(IwGrp* group) {
  sort_groups(nullptr);
  return write_group(group);
}

int iwgrpwrite_ordered(IwGrp* group) { return write_group(group); }

int i_get_pinord(const IwGrp* group, std::string* order) {
  order->clear();
  const IwSym* sym = group ? group->sym : nullptr;
  for (const IwSpn* spn = sym ? sym->spns : nullptr; spn; spn = spn->next) {
    // A pin without a name still holds its place: "?" names nothing.
    const char* name = spn->name && spn->name[0] ? spn->name : "?";
    if (order->size() + 1 + std::strlen(name) > iw::kWritePinOrderChars) {
      iwmsghndlr(2, NDX_WRPINORDER, "i_get_pinord", text(group->name),
                 static_cast<int>(iw::kWritePinOrderChars));
      return 0;
    }
    order->append(" ").append(name);
  }
  return 1;
}

void iwwrite_reset() {
  if (writer.obj) prjAbandonObj(writer.obj);
  writer = WriterState{};
}
