// wirelist/iwpld.cc - PLD components; see iwpld.h.
//
// The look-ups a design of many PLD components repeats are indexed: the
// PLD-component group by name (such groups are made only here) and the
// newest list entry of each PLD-component name.  The update step after a
// parse visits only the entries added since the previous one: an entry's
// group has its symbol type settled when the entry is made (the component
// record sets an unknown type to PLD, and a known type never changes), so
// an entry updated once would be updated the same way again.
#include "wirelist/iwpld.h"

#include <cstring>
#include <string>

#include "catalogs/nodex.h"
#include "store/prj.h"
#include "store/pxlib.h"
#include "util/rkrun.h"
#include "util/rkstr.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwfile.h"
#include "wirelist/iwindex.h"
#include "wirelist/iwinit.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwname.h"
#include "wirelist/iwparse.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"
#include "wirelist/limits.h"

namespace {

// The fuse-map translator, found on PATH.
constexpr const char kTranslator[] = "plxconv";

// Files of versions up to this one carry no module and delay-binning
// names in the F record.  Compared in single precision, as the version is
// stored, so that a file of version 3.2 is not above it.
constexpr float kNamesInRecord = 3.2f;

const char* safe(const char* s) { return s ? s : ""; }

// Copies of a sorted attribute list, in the same order.
IwAtt* copy_atts(const IwAtt* from) {
  IwAtt* head = nullptr;
  IwAtt** link = &head;
  for (const IwAtt* a = from; a; a = a->next) {
    auto* c = iwpoolnew<IwAtt>(iw::kLaneAtts);
    c->name = a->name;
    c->value = a->value;
    *link = c;
    link = &c->next;
  }
  return head;
}

// The PLD-component group named name, made (type PLDCOMP, a copy of the
// component's symbol: number, pins with their names and attributes,
// attributes) when there is none.
IwGrp* pld_group(const char* name, const IwSym* model) {
  IwGrp*& known = iws.pldgroups[name];
  if (known && known->sym && known->sym->symtype == IW_PLDCOMP) return known;
  IwGrp* g = iwmkgroup(name);
  g->next = iws.grpref;
  iws.grpref = g;
  store_grp(g);
  IwSym* sym = g->sym;
  sym->symtype = IW_PLDCOMP;
  if (model) {
    sym->number = model->number;
    sym->npins = model->npins;
    sym->atts = copy_atts(model->atts);
    IwSpn** link = &sym->spns;
    for (const IwSpn* p = model->spns; p; p = p->next) {
      IwSpn* c = iwalcspin();
      c->name = p->name;
      c->atts = copy_atts(p->atts);
      *link = c;
      link = &c->next;
    }
    iwspnforget(sym);  // its pins were linked here, not by the readers
  }
  known = g;
  return g;
}

// Reads the next name of the F record into *out; false at a line end or
// the end of the file.
bool read_name(const char** out) {
  if (iwnextword() != 1) return false;
  *out = iwmkname(iws.token);
  return true;
}

// Message 354 for an F record without all its names; the parse fails.
int short_record() {
  iwmsghndlr(4, NDX_PLDSHORT, safe(iws.parsefile), iws.cursheet);
  return 1;
}

// 401 to 404 or 227 when an earlier component of the same PLD-component
// name disagrees with e; true when they agree (or there is none).
bool agrees(const IwPldEntry& e) {
  auto it = iws.pldbyname.find(e.pldname);
  if (it == iws.pldbyname.end()) return true;
  const IwPldEntry& old = *it->second;
  auto describe = [](int severity, int number, const IwPldEntry& x) {
    const IwSch* sch = x.com ? x.com->sch : nullptr;
    iwmsghndlr(severity, number, safe(igcomnam(x.com)), sch && sch->grp ? safe(sch->grp->name) : "",
               sch ? sch->number : 0, x.pldname, x.dlyname, x.modname);
  };
  if (old.modname != e.modname || old.dlyname != e.dlyname) {
    iwmsghndlr(4, NDX_PLDDIFFER);
    describe(12, NDX_PLDDIFFER2, e);
    describe(12, NDX_PLDDIFFER3, e);
    describe(12, NDX_PLDDIFFER4, old);
    return false;
  }
  if (old.group != e.group) {
    iwmsghndlr(4, NDX_PLDGROUPS, safe(e.group ? e.group->name : nullptr),
               safe(old.group ? old.group->name : nullptr), e.pldname);
    return false;
  }
  return true;
}

// One of the translator's sources or its product, looked up.
struct Found {
  bool exists = false;
  long time = 0;
  int lib = 0;
  char path[iw::kFileName] = {};
};

Found in_library(const std::string& file, const char* kind) {
  Found f;
  f.exists = iwfinfo(file.c_str(), kind, f.path, &f.time, &f.lib) != nullptr;
  return f;
}

// The delay-binning file: in the working directory, then as a
// delay-binning object of the libraries, then in the WDIR directories.
// File names on disk are lower case, as in the libraries.
Found delay_binning(const std::string& file) {
  std::string lower = file;
  rkStrLoc(lower.data());
  Found f;
  // A time of 0 or 1 is what the path functions give a file they cannot
  // read the time of: taken as missing.
  if (long t = pxFtime(lower.c_str()); t > 1) {
    f.exists = true;
    f.time = t;
    return f;
  }
  if (iwvarfinfo(file.c_str(), f.path, &f.time, &f.lib)) {
    f.exists = true;
    return f;
  }
  char path[px::kMaxPath];
  if (pxSrchwdirs(lower.c_str(), PX_REGULAR, path) == PX_OK) {
    f.exists = true;
    f.time = pxFtime(path);
  }
  return f;
}

// Where a new wirelist belongs: in the "wir" directory beside the fuse
// map's directory.  False after 258 to 261 when no such path can be made.
bool wirelist_place(const char* jedpath, const std::string& wirfile) {
  char dir[px::kMaxPath], up[px::kMaxPath], name[px::kMaxPath], ext[px::kMaxPath];
  if (pxParse(jedpath, nullptr, dir, name, ext) != PX_OK || !dir[0]) {
    iwmsghndlr(4, NDX_PLDPATHSPLIT, jedpath);
    return false;
  }
  std::string parent = dir;
  while (parent.size() > 1 && parent.back() == '/') parent.pop_back();
  if (pxParse(parent.c_str(), nullptr, up, name, ext) != PX_OK || !up[0] || parent == "/") {
    iwmsghndlr(4, NDX_PLDPATHUP, dir);
    return false;
  }
  std::string above = up;
  if (pxDnpath(up, "wir") != PX_OK) {
    iwmsghndlr(4, NDX_PLDPATHWIR, above.c_str());
    return false;
  }
  std::string file = wirfile;
  rkStrLoc(file.data());
  char path[px::kMaxPath];
  if (pxMerge(path, "", up, file.c_str(), "") != PX_OK) {
    iwmsghndlr(4, NDX_PLDPATHFILE, wirfile.c_str(), up);
    return false;
  }
  return true;
}

// Runs the translator for e unless a name is unsafe or the same command
// already ran in this session.
void translate(const IwPldEntry& e, const IwGrp* group) {
  RkCommand cmd;
  rkRunText(&cmd, kTranslator);
  rkRunName(&cmd, "-n", e.modname);
  rkRunName(&cmd, "-d", e.dlyname);
  rkRunName(&cmd, "-j", e.pldname);
  if (cmd.refused) {
    iwmsghndlr(2, NDX_PLDUNSAFE, safe(igcomnam(e.com)), safe(group ? group->name : nullptr),
               cmd.refused_name.c_str());
    return;
  }
  // A second run of the same command would write the same wirelist.
  if (!iws.pldruns.insert(cmd.text).second) return;
  iwstatus(e.pldname, 1, 4);
  rkRunCommand(cmd);
}

// The second half of an F record: the PLD-component wirelist is brought up
// to date, or its absence is reported.  False fails the parse.
bool update_wirelist(const IwPldEntry& e, IwGrp* group) {
  if (e.pldgroup->sym && iwgetlevel(e.pldgroup->sym->atts)) return true;  // a leaf: not read
  const std::string wirfile = std::string(e.pldname) + ".wir";
  const std::string jedfile = std::string(e.pldname) + ".jed";
  const std::string pldfile = std::string(e.modname) + ".pld";
  const std::string varfile = std::string(e.dlyname) + ".var";
  const Found wir = in_library(wirfile, "wir");
  const Found jed = in_library(jedfile, "sch");
  const Found mod = in_library(pldfile, "wir");
  const Found dly = delay_binning(varfile);
  if (!jed.exists || !mod.exists || !dly.exists) {
    if (wir.exists) return true;  // the wirelist there is used
    if (!mod.exists) iwmsghndlr(4, NDX_PLDNOMODFILE, e.modname);
    if (!jed.exists) iwmsghndlr(4, NDX_PLDNOJED, e.pldname);
    if (!dly.exists) iwmsghndlr(4, NDX_PLDNODLYFILE, e.dlyname);
    iwmsghndlr(12, NDX_PLDNOWIR, e.pldname, safe(group ? group->name : nullptr));
    return false;
  }
  if (wir.exists && jed.time <= wir.time && mod.time <= wir.time && dly.time <= wir.time)
    return true;
  if (!wir.exists) {
    if (prjObjReadonly(jed.lib)) {
      iwmsghndlr(4, NDX_PLDREADONLY, jedfile.c_str());
      return false;
    }
    if (!wirelist_place(jed.path, wirfile)) return false;
  } else if (prjObjReadonly(wir.lib)) {
    iwmsghndlr(4, NDX_PLDREADONLY, wirfile.c_str());
    return false;
  }
  translate(e, group);
  return true;
}

}  // namespace

int iwpld(IwGrp* group, int type) {
  IwPldEntry e;
  const char* grpname;
  const char* instance;
  if (!read_name(&grpname) || !read_name(&instance) || !read_name(&e.pldname))
    return short_record();
  e.com = iwmkcomp(instance, grpname, type);
  iwaddcomp(iwgetsch(group), e.com);
  e.group = e.com->sym ? e.com->sym->grp : nullptr;
  e.pldgroup = pld_group(e.pldname, e.com->sym);

  if (iws.version > kNamesInRecord) {
    if (!read_name(&e.dlyname) || !read_name(&e.modname)) return short_record();
  } else {
    IwAtt* atts = e.pldgroup->sym ? e.pldgroup->sym->atts : nullptr;
    IwAtt* mod = iwgetatt(atts, "PLDMOD");
    IwAtt* dly = iwgetatt(atts, "DLYBIN");
    const char* where = safe(group ? group->name : nullptr);
    if (!mod || !mod->value) iwmsghndlr(4, NDX_PLDNOMOD, where);
    if (!dly || !dly->value) iwmsghndlr(4, NDX_PLDNODLY, where);
    if (!mod || !mod->value || !dly || !dly->value) return 1;
    e.modname = mod->value;
    e.dlyname = dly->value;
  }

  if (!agrees(e)) return 1;
  auto* entry = iwpoolnew<IwPldEntry>();
  *entry = e;
  entry->next = iws.pldlist;
  iws.pldlist = entry;
  iws.pldbyname[entry->pldname] = entry;
  iws.pldbycom[entry->com] = entry;
  return update_wirelist(*entry, group) ? 0 : 1;
}

void iwpldupdate(IwGrp* group, int single) {
  for (IwPldEntry* e = iws.pldlist; e && e != iws.pldupdated; e = e->next)
    if (e->com && e->group && e->group->sym && e->group->sym->symtype == IW_PLD && e->pldgroup)
      e->com->sym = e->pldgroup->sym;
  iws.pldupdated = iws.pldlist;
  if (!single || !group || !group->sym) return;
  for (IwSpn* spn = group->sym->spns; spn; spn = spn->next)
    if (spn->net)
      if (IwNet* own = fetch_net(group, spn->net->name)) spn->net = own;
}

const IwPldEntry* iwpldof(const IwCom* com) {
  auto it = iws.pldbycom.find(com);
  return it == iws.pldbycom.end() ? nullptr : it->second;
}

void iwpldreset() {
  iws.pldlist = nullptr;
  iws.pldupdated = nullptr;
  iws.pldbyname.clear();
  iws.pldbycom.clear();
  iws.pldgroups.clear();
  iws.pldruns.clear();
}
