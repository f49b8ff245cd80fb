// netlister/tsnload.cc - design loading.
//
// lbldcon opens the wirelist database, routes its messages into the
// terminal and the netlist (in the netlist formats every database error
// becomes an "ER" record, notes and warnings become comment lines), makes
// sure bus expansion and file-time checks are on, hands the bottom levels
// to the database in union mode (in override mode the netlister's own
// walkers stop at them) and assembles the top group.  linitparms then
// loads the variable definitions that attribute values may refer to.
#include "netlister/tsnload.h"

#include <cstdio>
#include <string>

#include "catalogs/tsn.h"
#include "expr/ipvar.h"
#include "netlister/limits.h"
#include "netlister/tsn.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnstate.h"
#include "netlister/tsnutil.h"
#include "netlister/tsnwalk.h"
#include "store/limits.h"
#include "util/rkstr.h"
#include "wirelist/iwgbl.h"
#include "wirelist/iwgroup.h"
#include "wirelist/iwindex.h"
#include "wirelist/iwinit.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwoat.h"

namespace {

// Message classes of the database (bit values).
constexpr int kNote = 1;
constexpr int kWarning = 2;
constexpr int kError = 4;

// Turns a database switch on: the toggles report the new state.
void switch_on(int (*toggle)()) {
  if (toggle() == 0) toggle();
}

void log_variable_file(outdata* out, const char* name, int code) {
  if (code == 10) return;  // no such file anywhere: silent
  llogmsg(out, "Using variable definition file %s.var", name);
  if (code != 0) {
    std::string why = ipgetmsg(code);
    llogmsg(out, "Error: %s in %s.var", why.c_str(), name);
  }
}

}  // namespace

IwGrp* lbldcon(outdata* out, const char* design) {
  if (iwinit() != 1) return nullptr;
  // The database's own shortcuts go with the netlister's.
  iwsetshortcuts(tsn_shortcut(TsnSwitch::kIndexes));
  iwmsgclose();
  iwmsgsetup(kNote | kWarning | kError, stdout, "%s");
  std::FILE* netlist = out ? out->fp : nullptr;
  if (w->exeflag & 2) {
    iwmsgsetup(kNote | kWarning, netlist, "| %s");
  } else {
    iwmsgsetup(kWarning, netlist, "| %s");
  }
  iwmsgsetup(kError, netlist, out && out->type == WIR_FILE ? "| %s" : "ER %s");
  // The netlist stream buffers its own writes: they go first.
  iwmsgbeforewrite(outdata_drain_file);
  switch_on(iwexpbus);
  switch_on(iwchktime);
  if (w->level_usage == LEVEL_UNION)
    for (const char* l = tsn_getlevel(nullptr); l; l = tsn_getlevel(l)) iwsetlevel(l);
  tsn_msg("%s", tsnMsgBuild(TSN_MSG_LOADING));
  if (w->exeflag & 1) {
    iwstatln(stderr);
    iwstatmode(1);
  } else {
    iwstatln(nullptr);
    iwstatmode(0);
  }
  IwGrp* group = iwgroup(design);
  if (group && w->oats) {
    // Occurrence-attribute files are not read yet: none is ever applied,
    // and the run says why.
    llogmsg(out, "%s", tsnMsgBuild(TSN_MSG_OAT_NONE));
    std::string oat = std::string(group->name ? group->name : "") + ".oat";
    if (oat.size() > tsn::kMaxOatName) oat.resize(tsn::kMaxOatName);
    rkStrLoc(oat.data());
    llogmsg(out, "%s", tsnMsgBuild(TSN_MSG_OAT_NOT_BUILT, oat.c_str()));
  }
  if (group && out && out->type == WIR_FILE) iwgblren(group);
  return group;
}

int linitparms(const char* design, const char* varfile, wirdata* wd) {
  int code = ipinit(wd->filetype == WIR_FILE ? nullptr : wd->tgroup);
  if (code != 0) {
    std::string why = ipgetmsg(code);
    llogmsg(wd->out, "Error: %s", why.c_str());
    return 1;
  }
  if (varfile && varfile[0]) log_variable_file(wd->out, varfile, ipincfile(varfile));
  log_variable_file(wd->out, design, ipincfile(design));
  log_variable_file(wd->out, "ormet", ipincfile("ormet"));
  return 0;
}
