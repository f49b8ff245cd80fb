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
#include <cstring>
#include <vector>

#include "catalogs/nodex.h"
#include "store/prj.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwcheck.h"
#include "wirelist/iwfile.h"
#include "wirelist/iwgroup.h"
#include "wirelist/iwinit.h"
#include "wirelist/iwlib.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"
#include "wirelist/immod.h"
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

bool has_value(const IwAtt* a) { return a->value && a->value[0]; }

// The rest of a record of its own after the attribute name.
void own_value(const IwAtt* a) {
  if (has_value(a)) {
    wr("=%s\n", a->value);
  } else {
    wr("\n");
  }
}

// An attribute inside a one-line record: each ends with a backquote.
void inline_att(const IwAtt* a) {
  wr(" %s", text(a->name));
  if (has_value(a)) {
    wr("=%s`", a->value);
  } else {
    wr("`");
  }
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
  return a && has_value(a) ? a->value : nullptr;
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
  if (!net || !net->name || !first_time(kNetSet, net->name)) return;
  for (const IwAtt* a = net->atts; a; a = a->next) {
    wr("AN %s %s", net->name, text(a->name));
    own_value(a);
  }
  if (net->kind == IW_GLOBALNET) wr("G %s\n", net->name);
}

void port_records(const IwGrp* group) {
  for (const IwSpn* spn = group->sym ? group->sym->spns : nullptr; spn; spn = spn->next) {
    const char* type = spn->pintype ? spn->pintype : pintype_value(spn);
    if (!type) type = "?";
    const char* net = spn->net && spn->net->name ? spn->net->name : "?";
    wr("P %s %s\n", type, text(spn->name));
    wr("I %s %s %s", text(spn->name), type, net);
    for (const IwAtt* a = spn->atts; a; a = a->next) inline_att(a);
    wr("\n");
  }
}

void component_records(const IwCom* c) {
  const IwSym* sym = c->sym;
  const IwGrp* g = sym ? sym->grp : nullptr;
  const char* gname = g ? text(g->name) : "";
  int type = sym ? sym->symtype : IW_UNKNOWN;
  switch (type) {
    case IW_MODULE:
      wr("M ");
      break;
    case IW_COMPOSITE:
      wr("W ");
      break;
    case IW_PLDCOMP:
      wr("F ");
      break;
    default:
      iwmsghndlr(2, NDX_WRSYMTYPE, gname, iwsymtype(type));
      return;
  }
  wr("%s %s\n", gname, text(c->name));
  wr("I %s %s", text(c->name), gname);
  int written = 0;
  for (const IwPin* p = igcompin(c); p; p = igpincnx(p), ++written) {
    const IwNet* net = igpinnet(p);
    wr(" %s", net && net->name ? net->name : "?");
  }
  // A component whose connections were never read still needs one net
  // per pin, or the reader would refuse the file.
  for (; written < (sym ? sym->npins : 0); ++written) wr(" ?");
  for (const IwAtt* a = c->atts; a; a = a->next) inline_att(a);
  wr("\n");
  for (const IwPin* p = igcompin(c); p; p = igpincnx(p)) {
    for (const IwAtt* a = p->atts; a; a = a->next) {
      wr("API %s %s %d %s", text(c->name), gname, p->index, text(a->name));
      own_value(a);
    }
  }
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
  symbol_description(group);
  port_symbols(group);
  for (const IwCom* c = sch->coms; c; c = c->next) symbol_description(c->sym ? c->sym->grp : nullptr);
  for (const IwCom* c = sch->coms; c; c = c->next)
    for (const IwPin* p = igcompin(c); p; p = igpincnx(p)) net_attributes(igpinnet(p));
  for (const IwSpn* spn = group->sym ? group->sym->spns : nullptr; spn; spn = spn->next)
    net_attributes(spn->net);
  port_records(group);
  for (const IwCom* c = sch->coms; c; c = c->next) component_records(c);
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
    writer.obj = prjOpenObj(iws.project, "prjClassWIRELIST", objname.c_str(), n, 0,
                            PRJ_OPEN_WRITE, &st);
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
    std::size_t len = std::strlen(text(spn->name));
    if (order->size() + 1 + len > iw::kWritePinOrderChars) {
      iwmsghndlr(2, NDX_WRPINORDER, "i_get_pinord", text(group->name),
                 static_cast<int>(iw::kWritePinOrderChars));
      return 0;
    }
    order->append(" ").append(text(spn->name));
  }
  return 1;
}

void iwwrite_reset() {
  if (writer.obj) prjAbandonObj(writer.obj);
  writer = WriterState{};
}
