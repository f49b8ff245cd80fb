// netlister/tsnp2p.cc - point-to-point delay modules and the delayed-pin set.
//
// A component that carries a timing file ("TF" or "TIMING_FILE") gets a
// point-to-point module record after its own record, and its symbol gets
// one "H" header record naming the direction of each pin, written right
// after the design header.  The delayed-pin set holds the names of pins
// that back-annotated pin delays have moved onto a delay block's output
// net; the writers then connect those pins to that net.  Pin delays come
// only from back-annotation files, which are not read yet, so the set is
// never created.
#include "netlister/tsnp2p.h"

#include <string>
#include <vector>

#include "netlister/tsn.h"
#include "netlister/tsndtb.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnutil.h"
#include "netlister/tsnwalk.h"
#include "util/rkstr.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwfile.h"
#include "wirelist/iwobj.h"

namespace {

// Process-wide state of the timing-file symbols and the delayed-pin set.
struct P2pState {
  std::vector<IwGrp*> tfgroups;  // groups with timing files, in the order met
  int pinset = 0;                // named set of delayed pins, 0 while none exists
};
P2pState p2p;

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
  for (IwPin* pin = igcompin(com); pin; pin = igpincnx(pin)) {
    std::string net = pinseton() && pinsettst(pin_back(context, pin))
                          ? std::string(pin_back(context, pin))
                          : std::string(lgnet(context, igpinnet(pin), w->filetype, 0));
    ltokout(out, " %s", net.c_str());
  }
  ltokflush(out);
}

const char* pin_back(TsnContext* context, IwPin* pin) {
  // Without back-annotation no pin has annotated attributes.
  for (; pin; pin = tsn_get_uppin(context, pin), context = tsn_get_cntxt_next(context)) {
    const char* name = lgpin(context, pin, 0);
    if (getDtbPinAtts(name)) return name;
    if (!context) break;
  }
  return "";
}

int pinseton() { return p2p.pinset != 0; }

const char* pinsettst(const char* name) {
  return p2p.pinset && name ? insetmem(p2p.pinset, name) : nullptr;
}

void pinsetclr() {
  if (p2p.pinset) indelset(p2p.pinset);
  p2p.pinset = 0;
  p2p.tfgroups.clear();
}
