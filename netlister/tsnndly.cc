// netlister/tsnndly.cc - net delays between named drivers and receivers;
// see tsnndly.h.
//
// The entries come from get_wrec, which walks the W records that loading
// the net's segments queued.  Their four work fields hold what the visit
// of the net found for each end: a status (0 not found, 1 a primitive pin,
// 2 a block pin with primitive pins below it, 3 a block pin with none) and
// the pin in number form.  A later pin of the same name replaces an
// earlier one.
#include "netlister/tsnndly.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "netlister/tsn.h"
#include "netlister/tsndtb.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnutil.h"
#include "netlister/tsnwalk.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwobj.h"

namespace {

// Sets status and number name of every end named name; true when one was.
bool match(const char* name, int status, TsnContext* context, IwPin* pin) {
  bool hit = false;
  std::string number;
  for (DtbWrec* r = get_wrec(nullptr); r; r = get_wrec(r)) {
    const bool driver = std::strcmp(r->driver, name) == 0;
    const bool receiver = std::strcmp(r->receiver, name) == 0;
    if (!driver && !receiver) continue;
    if (!hit) number = lgpin_number_format(context, pin);
    hit = true;
    if (driver) {
      r->driver_status = status;
      r->driver_nf = number;
    }
    if (receiver) {
      r->receiver_status = status;
      r->receiver_nf = number;
    }
  }
  return hit;
}

void gather(TsnContext* context, IwPin* pin, void* data) {
  static_cast<std::vector<std::string>*>(data)->push_back(lgpin_number_format(context, pin));
}

// Matches the pins of one segment, then of the segments below it.
void visit(TsnContext* context, IwNet* net) {
  for (IwPin* pin = ignetpin(net); pin; pin = igpinnnx(pin)) {
    const std::string name = lgpin(context, pin, 0);
    IwCom* com = igpinown(pin);
    if (tsn_atbottom(com)) {
      match(name.c_str(), 1, context, pin);
      continue;
    }
    IwSpn* spn = igpinspn(pin);
    IwNet* inner = spn ? spn->net : nullptr;
    std::vector<std::string> below;
    if (inner) {
      tsn_descend(&context, com);
      tsn_walkpins(inner, context, gather, &below);
      tsn_pop_cntxt(&context);
    }
    if (below.empty()) {
      match(name.c_str(), 3, context, pin);
    } else if (match(name.c_str(), 2, context, pin)) {
      // Which primitive pins the block pin stands for.
      outdata* out = w->out;
      ltokout(out, "PE");
      ltokout(out, " %s", lgpin_number_format(context, pin));
      for (const std::string& b : below) ltokout(out, " %s", b.c_str());
      ltokflush(out);
    }
    if (inner) {
      tsn_descend(&context, com);
      visit(context, inner);
      tsn_pop_cntxt(&context);
    }
  }
}

// The two lines of an end point that is not resolved.
void unresolved(const std::string& first, const char* net) {
  llogmsg(w->out, "%s", first.c_str());
  llogmsg(w->out, "       on net %s for net delay annotation", net);
}

}  // namespace

void do_multi_driver_net_delays(TsnContext* context, IwNet* net) {
  if (!get_wrec(nullptr)) return;  // nothing queued, nothing to give back
  for (DtbWrec* r = get_wrec(nullptr); r; r = get_wrec(r)) {
    r->driver_status = r->receiver_status = 0;
    r->driver_nf.clear();
    r->receiver_nf.clear();
  }
  visit(context, net);
  for (DtbWrec* r = get_wrec(nullptr); r; r = get_wrec(r)) {
    bool reported = true;
    if (r->driver_status == 0) {
      unresolved(std::string("Error: could not find driver ") + r->driver, r->netname);
    } else if (r->driver_status == 3) {
      unresolved(std::string("Error: no underlying connection for driver ") + r->driver,
                 r->netname);
    } else {
      reported = false;
    }
    if (r->receiver_status == 0) {
      unresolved(std::string("Error: could not find receiver ") + r->receiver, r->netname);
      reported = true;
    } else if (r->receiver_status == 3) {
      unresolved(std::string("Error: no underlying connection for receiver ") + r->receiver,
                 r->netname);
      reported = true;
    }
    if (reported) continue;
    ltokout(w->out, "ND %s %s %s %s", r->netname, r->driver_nf.c_str(), r->receiver_nf.c_str(),
            r->atts);
    ltokflush(w->out);
  }
  if (w->debug) {
    std::fputs("do_multi_driver_net_delays: \n", stdout);
    for (DtbWrec* r = get_wrec(nullptr); r; r = get_wrec(r)) {
      std::printf("  netname:     **%s**\n", r->netname);
      std::printf("  driver :     **%s**\n", r->driver);
      std::printf("  driver_nf:   **%s**\n", r->driver_nf.c_str());
      std::printf("  receiver:    **%s**\n", r->receiver);
      std::printf("  receiver_nf: **%s**\n", r->receiver_nf.c_str());
      std::printf("  att_string:  **%s**\n", r->atts);
      std::printf("  driver_status:   %d\n", r->driver_status);
      std::printf("  receiver_status: %d\n", r->receiver_status);
    }
  }
  release_wlists();
}
