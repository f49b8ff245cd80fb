// netlister/tsnfsim.cc - fault-simulation records and the records that make
// the flattened wirelist output.
//
// With -t the long netlist ends with one line per component pin (its
// direction class, full name and net), interleaved with level lines ("L"
// followed by the design levels no enclosing block has switched off).
// The flattened wirelist output is written in the database's own wirelist
// syntax: sheet attributes, one "AS"/"AP" declaration per symbol, global
// nets, ports and component pin attributes; its module, instance and net
// records come from the ordinary writers.
#include "netlister/tsnfsim.h"

#include <cstring>
#include <string>

#include "expr/ipvar.h"
#include "netlister/limits.h"
#include "netlister/tsn.h"
#include "netlister/tsnini.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnnet.h"
#include "netlister/tsnstate.h"
#include "netlister/tsnutil.h"
#include "netlister/tsnwalk.h"
#include "util/rkstr.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwfile.h"
#include "wirelist/iwgbl.h"
#include "wirelist/iwobj.h"

namespace {

// Process-wide state: the symbols already declared in the flattened output.
struct FsimState {
  int declared_set = 0;         // named set of declared symbol names, 0 until made
  IwAtt* api_failed = nullptr;  // attribute whose value lw_api could not form
};
FsimState fsim;

void level_line() {
  ltokout(w->out, "L");
  for (const char* l = fsim_get_curlevel(nullptr); l; l = fsim_get_curlevel(l))
    ltokout(w->out, " %s", l);
  ltokflush(w->out);
}

const char* pin_class(IwPin* pin) {
  IwAtt* type = ifcospat("PINTYPE", pin);
  const char* v = type && type->value ? type->value : "";
  if (rkStrIcmp(v, "IN") == 0) return "PI";
  if (rkStrIcmp(v, "OUT") == 0 || rkStrIcmp(v, "OC") == 0 || rkStrIcmp(v, "OE") == 0 ||
      rkStrIcmp(v, "TRI") == 0)
    return "PO";
  if (rkStrIcmp(v, "BI") == 0) return "PB";
  return "P?";
}

bool has_levels(IwCom* com) { return tsn_comlevel(com, nullptr) != nullptr; }

void fsim_record(int mode, TsnContext* context, IwCom* com, void*) {
  if (mode == 2 || mode == 0) {
    for (IwPin* pin = igcompin(com); pin; pin = igpincnx(pin)) {
      std::string name = lgcomp(context, com, 0);
      IwSpn* spn = igpinspn(pin);
      ltokout(w->out, "%s", pin_class(pin));
      ltokout(w->out, " %s%s%s", name.c_str(), ".", spn && spn->name ? spn->name : "");
      ltokout(w->out, " %s", lgnet(context, igpinnet(pin), w->filetype, 0));
      ltokflush(w->out);
    }
  }
  if ((mode == 2 || mode == 1) && has_levels(com)) {
    for (IwAtt* a = tsn_comlevel(com, nullptr); a; a = tsn_comlevel(com, a)) {
      if (mode == 2) {
        fsim_push_level(a->value);
      } else {
        fsim_pop_level(a->value);
      }
    }
    level_line();
  }
  if (mode == 0) lcomp_status("fault simulation records");
}

// One "AS"/"AP" line: the symbol name, then the attribute written raw.
// The readers keep an attribute without a value as an empty one: it is
// written by its name alone, as the sheet and pin attribute records are.
void declaration(const char* head, IwAtt* att) {
  ltokout(w->out, "%s", head);
  if (att->value && att->value[0]) {
    std::string tail = std::string(att->name) + "=";
    lformatted_tokout(w->out, tail.c_str(), att->value);
  } else {
    ltokout(w->out, "%s", att->name);
  }
  ltokflush(w->out);
}

}  // namespace

void loutfsim(wirdata* wd) {
  level_line();
  wd->comps_done = 0;
  tsn_walkcomp(wd->tgroup, nullptr, fsim_record, wd);
}

void lw_schatt(wirdata* wd) {
  if (!wd->tgroup) return;
  char value[tsn::kValueBuffer];
  for (IwSch* sch = wd->tgroup->schs; sch; sch = sch->next) {
    for (IwAtt* att = sch->atts; att; att = att->next) {
      if (ipvardef(att->name) || filterit(att->name)) continue;
      if (lgetattr(att, value, sizeof value) != 0) return;  // ends the pass silently
      if (value[0]) {
        std::string head = std::string("SA ") + att->name + "=";
        lformatted_tokout(wd->out, head.c_str(), value);
      } else {
        ltokout(wd->out, "SA %s", att->name);
      }
      ltokflush(wd->out);
    }
  }
}

void do_as_ap(IwSym* sym, wirdata* wd) {
  if (!sym || !sym->grp) return;
  const char* name = iggrpnam(sym->grp);
  if (!fsim.declared_set) fsim.declared_set = newsetid();
  if (insetmem(fsim.declared_set, name)) return;
  inaddmem(fsim.declared_set, name, 1);
  if (rkStrIcmp(name, "DELAY") == 0) wd->delay_flag = 1;
  if (sym->spns) {
    ltokout(wd->out, "AS %s PINORDER=", name);
    for (IwSpn* spn = sym->spns; spn; spn = spn->next)
      ltokout(wd->out, spn == sym->spns ? "%s" : " %s", spn->name ? spn->name : "");
    ltokflush(wd->out);
  }
  std::string as = std::string("AS ") + name + " ";
  for (IwAtt* att = sym->atts; att; att = att->next)
    if (!filterit(att->name)) declaration(as.c_str(), att);
  int number = 1;
  for (IwSpn* spn = sym->spns; spn; spn = spn->next, ++number) {
    std::string ap = std::string("AP ") + name + " " + std::to_string(number) + " ";
    for (IwAtt* att = spn->atts; att; att = att->next)
      if (!filterit(att->name)) declaration(ap.c_str(), att);
  }
}

void lw_as_ap(int mode, TsnContext*, IwCom* com, void* data) {
  if (mode == 0 && com) do_as_ap(com->sym, static_cast<wirdata*>(data));
}

void lw_gblnet(wirdata* wd) {
  for (IwNet* net = iwgblnet(nullptr); net; net = iwgblnet(net)) {
    ltokout(wd->out, "G %s", net->name);
    ltokflush(wd->out);
  }
}

void lw_p(wirdata* wd) {
  IwGrp* top = wd->tgroup;
  if (!top || !top->sym || !top->sym->spns) {
    llogmsg(wd->out, "Warning: Schematic \"%s\" has no associated symbol.",
            top && top->name ? top->name : "");
    return;
  }
  for (IwSpn* spn = top->sym->spns; spn; spn = spn->next) {
    const char* pin = spn->name ? spn->name : "";
    ltokout(wd->out, "P ? %s", pin);
    ltokflush(wd->out);
    ltokout(wd->out, "I %s ? %s", pin, spn->net ? spn->net->name : pin);
    ltokflush(wd->out);
  }
}

IwAtt* lw_api_failed() { return fsim.api_failed; }

int lw_api(TsnContext* context, IwCom* com, outdata* out) {
  fsim.api_failed = nullptr;
  char value[tsn::kValueBuffer];
  std::string name = lgcomp(context, com, 1);
  const char* group = com->sym && com->sym->grp ? iggrpnam(com->sym->grp) : "";
  for (IwPin* pin = igcompin(com); pin; pin = igpincnx(pin)) {
    for (IwAtt* att = pin->atts; att; att = att->next) {
      if (ipvardef(att->name) || filterit(att->name)) continue;
      int code = lgetattr(att, value, sizeof value);
      if (code != 0) {
        fsim.api_failed = att;
        return code;
      }
      ltokout(out, "API %s %s %d %s", name.c_str(), group, static_cast<int>(pin->index),
              att->name);
      if (value[0]) lformatted_tokout(out, "=", value);
      ltokflush(out);
    }
  }
  return 0;
}

void tsnfsim_reset() {
  if (fsim.declared_set) indelset(fsim.declared_set);
  fsim = FsimState();
}
