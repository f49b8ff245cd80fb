// netlister/tsndtb.cc - the annotation of the occurrences being written.
//
// Back-annotation files are not read yet: readDtbFile reads nothing (it
// says so for every file named) and the annotation table never exists,
// so every look-up finds nothing.  The load and iteration calls below are
// the ones the record writers use; they already open the variable scopes
// of each occurrence and put annotated attributes (none, for now) in
// front of the design's own.
#include "netlister/tsndtb.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "catalogs/tsn.h"
#include "expr/ipvar.h"
#include "netlister/ptrmap.h"
#include "netlister/tsn.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnstate.h"
#include "netlister/tsnwalk.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwoat.h"
#include "wirelist/iwobj.h"

namespace {

// Process-wide annotation state.
struct DtbState {
  bool table = false;           // a back-annotation table exists
  IwAtt* current = nullptr;     // annotation of the occurrence being written
  // Iteration of one occurrence's attributes.
  bool in_annotation = false;   // the previous attribute came from `current`
  std::string path;             // occurrence path for occurrence attributes
  int isoat = 0;
};
DtbState dtb;

// What the annotation keeps about the loaded design: the variable
// definitions among each hierarchical component's attributes, in
// igcossat order.  Every leaf below a block opens the block's scope
// again, and most components define nothing.
struct DtbCaches {
  PtrMap<std::vector<const IwAtt*>> vardefs;
};
TsnDesignCache<DtbCaches> dtb_caches;

// The reference is valid until the next component is looked up.
const std::vector<const IwAtt*>& vardefs_of(IwCom* com) {
  PtrMap<std::vector<const IwAtt*>>& vardefs = dtb_caches.get().vardefs;
  if (const auto* known = vardefs.find(com)) return *known;
  std::vector<const IwAtt*>& defs = vardefs[com];
  for (IwAtt* a = igcossat(com, nullptr); a; a = igcossat(com, a))
    if (ipvardef(a->name)) defs.push_back(a);
  return defs;
}

// Occurrence paths are only needed when occurrence attributes exist.
bool oats_loaded() { return iwgetcnt(2) + iwgetcnt(4) + iwgetcnt(8) > 0; }

bool annotated(const char* name) {
  for (IwAtt* a = dtb.current; a; a = a->next)
    if (std::strcmp(a->name, name) == 0) return true;
  return false;
}

// One scope per occurrence: its annotated attributes, then its own and
// its symbol's, all as variable definitions of that level.  Only the
// definitions among them change the store; those of components that
// recur (the hierarchical ones on a path) are picked out once.
void push_scope(TsnContext* context, IwCom* com, bool recurs) {
  ippushlev();
  if (dtb.table)
    for (IwAtt* a = getDtbCompAtts(lgcomp(context, com, 0)); a; a = a->next) iaaddpatt(a);
  if (recurs && tsn_shortcut(TsnShortcut::kScopes)) {
    for (const IwAtt* a : vardefs_of(com)) iaaddpatt(a);
  } else {
    for (IwAtt* a = igcossat(com, nullptr); a; a = igcossat(com, a)) iaaddpatt(a);
  }
}

void push_path(TsnContext* context) {
  if (!context) return;
  push_path(context->next);
  push_scope(context->next, context->com, true);
}

// The shared body of the three iterators: annotated attributes, then the
// database's merged view without the annotated names.
template <class Next>
IwAtt* iterate(IwAtt* previous, Next next_db) {
  if (!previous) {
    if (dtb.current) {
      dtb.in_annotation = true;
      return dtb.current;
    }
    dtb.in_annotation = false;
  } else if (dtb.in_annotation) {
    if (previous->next) return previous->next;
    dtb.in_annotation = false;
    previous = nullptr;
  }
  IwAtt* a = next_db(previous);
  while (a && dtb.current && annotated(a->name)) a = next_db(a);
  return a;
}

}  // namespace

int readDtbFile(const char* name, const char*) {
  // No file is read yet; a run that names one is told so, so that a
  // netlist without its annotation is not taken for an annotated one.
  if (!name || !*name) return 1;
  llogmsg(w ? w->out : nullptr, "%s", tsnMsgBuild(TSN_MSG_DTB_NOT_BUILT, name));
  return 1;
}

IwAtt* getDtbCompAtts(const char*) { return nullptr; }
IwAtt* getDtbNetAtts(const char*) { return nullptr; }
IwAtt* getDtbPinAtts(const char*) { return nullptr; }

void unrefDtbs() {}

void printDtbStructures() {
  if (!dtb.table) std::fputs("No dtb table exists.\n", stdout);
}

void dtbFree() {}

void tsnLoadCom(TsnContext* context, IwCom* com) {
  push_path(context);
  // A component inside a block recurs at every instance of the block.
  push_scope(context, com, context != nullptr);
  dtb.current = dtb.table ? getDtbCompAtts(lgcomp(context, com, 0)) : nullptr;
}

bool tsnPathScopesEmpty(TsnContext* context) {
  if (dtb.table) return false;
  for (TsnContext* c = context; c; c = c->next)
    if (!vardefs_of(c->com).empty()) return false;
  return true;
}

bool tsnDefinesVariables(IwCom* com) { return !vardefs_of(com).empty(); }

bool tsnScopesEmpty(TsnContext* context, IwCom* com) {
  return !tsnDefinesVariables(com) && tsnPathScopesEmpty(context);
}

void tsnUnloadCom(TsnContext* context) {
  for (TsnContext* c = context;; c = c->next) {
    ipdelvardefs();
    ippoplev();
    if (!c) break;
  }
  dtb.current = nullptr;
}

int tsnPlainAtts() { return !dtb.table && !oats_loaded(); }

void tsndtb_reset() {
  dtb = DtbState();
  dtb_caches.reset();
}

void tsnLoadNet(TsnContext*, IwNet*) { dtb.current = nullptr; }

void tsnUnloadNet() { dtb.current = nullptr; }

void tsnLoadPin(TsnContext*, IwPin*) { dtb.current = nullptr; }

void tsnUnloadPin() { dtb.current = nullptr; }

IwAtt* tsngcossat(TsnContext* context, IwCom* com, IwAtt* previous) {
  if (!previous) dtb.path = oats_loaded() ? lgcomp(context, com, 1) : "";
  return iterate(previous, [&](IwAtt* p) { return igocsatt(dtb.path.c_str(), com, &dtb.isoat, p); });
}

IwAtt* tsngcospat(TsnContext* context, IwPin* pin, IwAtt* previous) {
  if (!previous) dtb.path = oats_loaded() ? lgpin(context, pin, 1) : "";
  return iterate(previous, [&](IwAtt* p) { return igopsatt(dtb.path.c_str(), pin, &dtb.isoat, p); });
}

IwAtt* tsngnetatt(TsnContext* context, IwNet* net, IwAtt* previous) {
  if (!previous) dtb.path = oats_loaded() ? lgnet(context, net, 0, 1) : "";
  return iterate(previous, [&](IwAtt* p) { return igonatt(dtb.path.c_str(), net, &dtb.isoat, p); });
}

IwAtt* tsnfcospat(const char* name, TsnContext* context, IwPin* pin) {
  for (IwAtt* a = tsngcospat(context, pin, nullptr); a; a = tsngcospat(context, pin, a))
    if (std::strcmp(a->name, name) == 0) return a;
  return nullptr;
}
