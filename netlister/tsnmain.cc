// netlister/tsnmain.cc - the run sequence: banner, command line,
// initialisation, writing, external netlisters, exit.
//
// This file owns the run record (w) and the single exit path tsn_exit:
// every early end goes through it with exit code 3, so the streams are
// always closed and a log holding only its header is always deleted.
// The order of the steps below is observable (messages, file contents) and
// must not change.
#include "netlister/tsn.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <unordered_map>

#include "catalogs/tsn.h"
#include "expr/ipvar.h"
#include "netlister/limits.h"
#include "netlister/tsncomp.h"
#include "netlister/tsndtb.h"
#include "netlister/tsnfsim.h"
#include "netlister/tsnini.h"
#include "netlister/tsnload.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnnet.h"
#include "netlister/tsnp2p.h"
#include "netlister/tsnspawn.h"
#include "netlister/tsnstate.h"
#include "netlister/tsnutil.h"
#include "netlister/tsnwalk.h"
#include "store/pxlib.h"
#include "util/rkbanner.h"
#include "util/rkerr.h"
#include "util/rkmem.h"
#include "util/rkstr.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwgbl.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwobj.h"

wirdata* w = nullptr;

namespace {

void free_string(char** field) {
  lstrfree(*field);
  *field = nullptr;
}

void set_string(char** field, const char* value) {
  free_string(field);
  *field = lstrdup(value);
}

// Field 2 is only ever read through the wirelist accessors.
const char* top_name(wirdata* wd) { return wd && wd->tgroup && wd->tgroup->name ? wd->tgroup->name : ""; }

void log_levels(outdata* out) {
  const char* level[4];
  int n = 0;
  auto flush = [&]() {
    switch (n) {
      case 1:
        llogmsg(out, "Using level %s", level[0]);
        break;
      case 2:
        llogmsg(out, "Using levels %s %s", level[0], level[1]);
        break;
      case 3:
        llogmsg(out, "Using levels %s %s %s", level[0], level[1], level[2]);
        break;
      case 4:
        llogmsg(out, "Using levels %s %s %s %s", level[0], level[1], level[2], level[3]);
        break;
      default:
        break;
    }
    n = 0;
  };
  for (const char* l = tsn_getlevel(nullptr); l; l = tsn_getlevel(l)) {
    level[n++] = l;
    if (n == 4) flush();
  }
  flush();
}

void read_dtb_queue(wirdata* wd) {
  if (!wd->dtbq) return;
  while (DtbName* e = wd->dtbq->head) {
    wd->dtbq->head = e->next;
    if (!wd->dtbq->head) wd->dtbq->tail = nullptr;
    readDtbFile(e->name, "");
    lstrfree(e->name);
    lfree(e, sizeof(DtbName));
  }
}

void summary(wirdata* wd) {
  const char* file = wd->out ? wd->out->filename : "";
  tsn_msg("%s", "");
  tsn_msg("Completed file %s", file);
  tsn_msg("   %ld module(s), %ld net(s), %ld net equivalence(s)", static_cast<long>(wd->nmodules),
          static_cast<long>(wd->nnets) + static_cast<long>(wd->ndelay_blocks),
          static_cast<long>(wd->nequivs));
  if (wd->ndelay_blocks > 0)
    tsn_msg("   %ld delay block(s) added to netlist.", static_cast<long>(wd->ndelay_blocks));
  if (!hal_version() && wd->nanalog_omitted > 0)
    tsn_msg("Warning: %ld analog components omitted from netlist.",
            static_cast<long>(wd->nanalog_omitted));
  wd->nerrors += iwmsgcount(4);
  wd->nwarnings += iwmsgcount(2);
  tsn_msg("%s", "");
  tsn_msg("%d error(s) and %d warning(s) in file %s", wd->nerrors, wd->nwarnings, file);
}

void count_component(int kind, TsnContext*, IwCom* com, void* data) {
  wirdata* wd = static_cast<wirdata*>(data);
  if (kind == 2 || kind == 0) p2p_count(com);
  if (kind == 0) ++wd->nmodules;
}

void count_levels(int kind, TsnContext*, IwCom* com, void*) {
  if (kind == 1) return;
  for (IwAtt* a = tsn_comlevel(com, nullptr); a; a = tsn_comlevel(com, a))
    fsim_add_design_level(a->value);
}

void count_net(TsnContext*, IwNet* net, void* data) {
  wirdata* wd = static_cast<wirdata*>(data);
  ++wd->net_occurrences;
  if (net->kind == IW_GLOBALNET) ++wd->gnet_occurrences;
}

// The totals of the counting walks without visiting every occurrence.
// What lies below a block is the same at every instance of it, and
// whether a net of the block continues one above depends only on the
// instantiating component's pins, so each component of the stored design
// is counted once and the totals of its subtree are reused.  Components
// are met in walk order the first time, so p2p_count sees them as the
// walk would.  The walks also stop the run on an unmodelable component or
// a hierarchy too deep (or recursive); the census then gives up and the
// caller walks for real, which ends the run at the same place.
class Census {
 public:
  // False when the real walks must be made.
  bool count(wirdata* wd) {
    Totals t;
    if (!group(wd->tgroup, nullptr, 0, &t)) return false;
    wd->nmodules += static_cast<int32_t>(t.modules);
    wd->net_occurrences += static_cast<int32_t>(t.nets);
    wd->gnet_occurrences += static_cast<int32_t>(t.gnets);
    return true;
  }

 private:
  struct Totals {
    long modules = 0;
    long nets = 0;
    long gnets = 0;
    long p2p = 0;     // p2p_count calls that counted
    int height = 0;   // longest chain of descents below
    void add(const Totals& o) {
      modules += o.modules;
      nets += o.nets;
      gnets += o.gnets;
      p2p += o.p2p;
    }
  };
  struct Memo {
    bool busy = false;  // being counted (met again: recursion)
    bool done = false;
    Totals totals;      // of the subtree below the component
  };

  // The group g met through the component via (null at the top), with
  // depth contexts above it.
  bool group(IwGrp* g, IwCom* via, int depth, Totals* t) {
    if (!g) return true;
    TsnContext at{nullptr, via};
    for (IwNet* net = g->nets; net; net = net->next) {
      if (via && tsn_get_upnet(&at, net)) continue;
      ++t->nets;
      if (net->kind == IW_GLOBALNET) ++t->gnets;
    }
    for (IwCom* com = iggrpcom(g, nullptr); com; com = iggrpcom(g, com)) {
      if (tsn_atbottom(com)) {
        int type = com->sym ? com->sym->symtype : IW_UNKNOWN;
        if (com->sym && type != IW_MODULE && type != IW_COMPOSITE && type != IW_PLDCOMP)
          return false;
        counted_p2p(com, t);
        ++t->modules;
        continue;
      }
      counted_p2p(com, t);
      if (depth >= tsn::kMaxDepth) return false;
      Memo& m = memo_[com];
      if (m.busy) return false;
      if (!m.done) {
        m.busy = true;
        Totals below;
        bool ok = group(com->sym ? com->sym->grp : nullptr, com, depth + 1, &below);
        m.busy = false;
        if (!ok) return false;
        m.totals = below;
        m.done = true;
      } else {
        if (depth + 1 + m.totals.height > tsn::kMaxDepth) return false;
        w->np2p += static_cast<int32_t>(m.totals.p2p);  // p2p_count's own tally
      }
      t->add(m.totals);
      t->height = std::max(t->height, m.totals.height + 1);
    }
    return true;
  }

  static void counted_p2p(IwCom* com, Totals* t) {
    int32_t before = w->np2p;
    p2p_count(com);
    t->p2p += w->np2p - before;
  }

  std::unordered_map<const IwCom*, Memo> memo_;
};

}  // namespace

// --- run sequence ----------------------------------------------------

void tsnmain(int argc, char** argv) {
  // Catalogs are support files, found by the store's search rule.
  pxFindCatalogs();
  // Whichever allocator runs out of memory, the run ends the same way.
  rkMemOnExhausted(tsn_out_of_memory);
  std::set_new_handler(tsn_out_of_memory);
  if (hal_version()) {
    rkBanner(kTsnAdProgram, hal_version());
  } else {
    rkBanner(kTsnProgram, kTsnVersion);
  }
  tsn_msg("%s", "");
  tsn_data_init();
  hal_data_init();
  tsn_cmdline(argc, argv);
  tsn_init();
  hal_a2d_d2a_insert();
  tsn_do_netlist();
  do_spawn_netlists();
  hal_callanalog();
  tsn_exit(0);
}

wirdata* tsn_data_init() {
  void* block = lalloc(sizeof(wirdata));
  w = new (block) wirdata();
  return w;
}

int tsn_init() {
  tsn_msgopen();
  if (!w->filename) tsn_set_filename(w->projname);
  w->out = outdata_create(w->filename, w->filetype);
  if (!w->out) tsn_exit(3);
  lwrite_header(w->out);
  w->log = outdata_create(w->filename, LOG_FILE);
  if (!w->log) tsn_exit(3);
  lwrite_header(w->log);
  read_ini_file(w->out);
  w->tgroup = lbldcon(w->out, w->projname);
  if (!w->tgroup) tsn_exit(3);
  tsn_msg("%s", "                    ");
  int description = w->do_fsim ? TSN_MSG_DESC_FAULT
                    : w->filetype == LONG_TSN_FILE  ? TSN_MSG_DESC_LONG
                    : w->filetype == SHORT_TSN_FILE ? TSN_MSG_DESC_SHORT
                                                    : TSN_MSG_DESC_WIR;
  llogmsg(w->out, "%s", tsnMsgBuild(description, top_name(w)));
  log_levels(w->out);
  linitparms(w->projname, w->varfile, w);
  tsn_count_elements(w);
  read_dtb_queue(w);
  return 0;
}

int tsn_do_netlist() {
  wirdata* wd = w;
  outdata* out = wd->out;
  const char* file = out ? out->filename : "";
  bool annotated_pins = wd->dtbq && wd->ndtb_pins != 0;
  if (wd->filetype == LONG_TSN_FILE || wd->filetype == SHORT_TSN_FILE) {
    tsn_msg("\nWirelisting project %s into file %s . . .", top_name(wd), file);
    lwrite_design_header(wd, out);
    write_p2p_hrecords(wd);
    if (annotated_pins) do_pindlys(wd);
    wd->nets_done = 0;
    lwalkputnets(wd->tgroup);
    wd->comps_done = 0;
    lwalkcomps(wd->tgroup);
    wd->nets_done = 0;
    lwalkequivs(wd->tgroup);
    ltopequiv(wd->tgroup, wd);
    if (wd->do_fsim) loutfsim(wd);
    lwrite_end_record(out);
  } else if (wd->filetype == WIR_FILE) {
    // The flattened wirelist keeps its own copy of this line's text.
    static const char kWirelisting[] = "\nWirelisting project %s into file %s . . .";
    tsn_msg(kWirelisting, top_name(wd), file);
    lwrite_design_header(wd, out);
    lw_schatt(wd);
    if (wd->tgroup && wd->tgroup->sym) do_as_ap(wd->tgroup->sym, wd);
    tsn_walkcomp(wd->tgroup, nullptr, lw_as_ap, wd);
    if (annotated_pins) do_pindlys(wd);
    wd->nets_done = 0;
    lwalkputnets(wd->tgroup);
    lw_gblnet(wd);
    wd->comps_done = 0;
    tsn_walkcomp(wd->tgroup, nullptr, loutcomp, wd);
    lw_p(wd);
    lwrite_end_record(out);
  } else {
    return 0;
  }
  unrefDtbs();
  // A full disk is found here, before the summary says the file is complete.
  outdata_flush(wd->out);
  outdata_flush(wd->log);
  summary(wd);
  return 0;
}

void tsn_count_elements(wirdata* wd) {
  const int32_t np2p = wd->np2p;
  if (!tsn_shortcut(TsnSwitch::kCensus) || !Census().count(wd)) {
    // Counted again by the walks, which end the run where they must.
    wd->np2p = np2p;
    tsn_walkcomp(wd->tgroup, nullptr, count_component, wd);
    tsn_walknet(wd->tgroup, nullptr, count_net, wd);
  }
  if (wd->do_fsim) tsn_walkcomp(wd->tgroup, nullptr, count_levels, wd);
  wd->gnets = 0;
  for (IwNet* n = iwgblnet(nullptr); n; n = iwgblnet(n)) ++wd->gnets;
  wd->nnets = wd->net_occurrences - wd->gnet_occurrences + wd->gnets;
  wd->comp_step = wd->nmodules / 100 > 1 ? wd->nmodules / 100 : 1;
  wd->net_step = wd->net_occurrences / 100 > 1 ? wd->net_occurrences / 100 : 1;
}

void tsn_exit(int code) {
  // Each field is cleared just before its stream is closed: a close that
  // fails (a full disk) ends the run through tsn_exit(3) again, and that
  // call must still close the stream not yet closed, so that its file is
  // put in place or an empty log deleted.
  if (w && w->out) {
    outdata* out = w->out;
    w->out = nullptr;
    outdata_close(out);
  }
  if (w && w->log) {
    outdata* log = w->log;
    w->log = nullptr;
    outdata_close(log);
  }
  tsn_msgclose();
  if (w && w->debug) {
    printDtbStructures();
    dtbFree();
    clr_attr_flt();
    ipfinish();
    pinsetclr();
    tsn_purge_cntxt();
    tsn_free_levels();
    spawn_free();
    lfree_wirdata(w);
    w = nullptr;
    lshowmem();
  }
  rkExit(code);
}

void lfree_wirdata(wirdata* wd) {
  if (!wd) return;
  wd->out = outdata_close(wd->out);
  wd->log = outdata_close(wd->log);
  free_string(&wd->projname);
  free_string(&wd->filename);
  free_string(&wd->varfile);
  if (wd->dtbq) {
    while (DtbName* e = wd->dtbq->head) {
      wd->dtbq->head = e->next;
      lstrfree(e->name);
      lfree(e, sizeof(DtbName));
    }
    lfree(wd->dtbq, sizeof(DtbQueue));
    wd->dtbq = nullptr;
  }
  wd->~wirdata();
  lfree(wd, sizeof(wirdata));
}

void tsnmain_reset() {
  if (!w) return;
  spawn_free();
  lfree_wirdata(w);
  w = nullptr;
}

// --- setters ---------------------------------------------------------

void tsn_set_projname(const char* name) { set_string(&w->projname, name); }

char* tsn_set_filename(const char* name) {
  set_string(&w->filename, name);
  return rkStrLoc(w->filename);
}

void tsn_set_varfile(const char* name) { set_string(&w->varfile, name); }

void tsn_set_dtbname(const char* name) {
  if (!w->dtbq) {
    w->dtbq = static_cast<DtbQueue*>(lalloc(sizeof(DtbQueue)));
    w->dtbq->head = w->dtbq->tail = nullptr;
  }
  DtbName* e = static_cast<DtbName*>(lalloc(sizeof(DtbName)));
  e->next = nullptr;
  e->name = lstrdup(name ? name : "");
  if (w->dtbq->tail) {
    w->dtbq->tail->next = e;
  } else {
    w->dtbq->head = e;
  }
  w->dtbq->tail = e;
}

void tsn_set_filetype(int type) { w->filetype = type; }
void tsn_set_filetype_long() { tsn_set_filetype(LONG_TSN_FILE); }
void tsn_set_filetype_short() { tsn_set_filetype(SHORT_TSN_FILE); }
void tsn_set_filetype_wir() { tsn_set_filetype(WIR_FILE); }
void tsn_set_do_fsim(int flag) { w->do_fsim = flag; }
void tsn_set_oats(int flag) { w->oats = flag; }
void tsn_set_debugflag(int value) { w->debug = value; }
void tsn_set_exeflag(int value) { w->exeflag = value; }

IwGrp* tsn_tgroup() { return w ? w->tgroup : nullptr; }

// --- hooks of the analog/digital variant ------------------------------

const char* hal_version() { return nullptr; }
int hal_data_init() { return 0; }
int hal_a2d_d2a_insert() { return 0; }
int hal_callanalog() { return 0; }
