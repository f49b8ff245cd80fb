// netlister/tsnspawn.cc - external netlisters; see tsnspawn.h.
//
// Requests are recorded once per symbol and ACCEL value (ignoring case),
// however many occurrences carry them: a block placed a thousand times
// asks once.  The index that answers "recorded already?" is kept beside
// the list, so recording stays constant time per occurrence.
//
// Commands are built from the user's own words in tsn.ini, used as they
// stand, and the group name, which comes from a design file and is
// checked (util/rkrun.h): a name the shell could take for anything but a
// word, or a command longer than its documented buffer, is skipped with a
// warning naming the group and the first component met, and the other
// requests still run.  The exit code of the run never depends on them.
#include "netlister/tsnspawn.h"

#include <cctype>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "catalogs/tsn.h"
#include "netlister/limits.h"
#include "netlister/tsn.h"
#include "netlister/tsnini.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnutil.h"
#include "netlister/tsnwalk.h"
#include "util/rkrun.h"
#include "util/rkstr.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwfile.h"
#include "wirelist/iwobj.h"

namespace {

// Process-wide state of the external netlisters.
struct SpawnState {
  std::unordered_set<std::string> recorded;  // symbol address and upper-case value of each request
  SpawnRequest* tail = nullptr;              // last request of w->spawn_requests
};
SpawnState spawn;

std::string upper(const char* text) {
  std::string s = text ? text : "";
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// "<name>=<value>" of an ACCEL attribute, the text a directive's key is
// compared with.
std::string joined(const IwAtt* accel) {
  std::string s = accel && accel->name ? accel->name : "";
  s += '=';
  if (accel && accel->value) s += accel->value;
  return s;
}

// The directive whose key is the text, or null; a text too long for a key
// matches none.
SpawnDirective* directive_for(const std::string& text) {
  if (text.size() > tsn::kSpawnKeyChars) return nullptr;
  for (SpawnDirective* d = w ? w->spawn_directives : nullptr; d; d = d->next)
    if (rkStrIcmp(d->key, text.c_str()) == 0) return d;
  return nullptr;
}

const char* group_of(const SpawnRequest* r) {
  return r->sym && r->sym->grp ? iggrpnam(r->sym->grp) : "";
}

// A name as a warning shows it: a message line holds 255 characters, so a
// long one is cut (its end marked "...") to leave room for the reason.
std::string shown(const char* name) {
  constexpr std::size_t kShown = 64;
  std::string s = name ? name : "";
  if (s.size() > kShown) s.replace(kShown - 3, std::string::npos, "...");
  return s;
}

// One "|" line, which sets each request's lines apart in the log.
void separator() {
  ltokout(w->log, "|");
  ltokflush(w->log);
}

// The pins of one component grouped by an attribute value: each group
// keeps the comma-separated indexes of its pins, groups in the order
// first met.
struct PinGroups {
  std::vector<std::string> keys, lists;
  std::unordered_map<std::string, std::size_t> index;  // upper-case key -> group

  void add(const char* value, int pin_index) {
    auto [it, fresh] = index.try_emplace(upper(value), keys.size());
    if (fresh) {
      keys.emplace_back(value ? value : "");
      lists.emplace_back();
    }
    std::string& list = lists[it->second];
    if (!list.empty()) list += ',';
    list += std::to_string(pin_index);
  }
};

// Writes one token per group, the newest group first: before + key +
// after, then the index list.
void write_groups(outdata* out, const PinGroups& g, const char* before, const char* after) {
  for (std::size_t i = g.keys.size(); i-- > 0;) {
    std::string first = before + g.keys[i] + after;
    lformatted_tokout(out, first.c_str(), g.lists[i].c_str());
  }
}

// Puts the netlist in place before a program that may read it starts:
// until the run ends it would otherwise sit in a temporary file.
void publish_netlist() {
  if (!w->out) return;
  outdata* out = w->out;
  w->out = nullptr;
  outdata_close(out);
}

// Runs the request's command and logs the outcome, or logs why it is
// skipped.
void run(const SpawnRequest* r) {
  const std::string key = joined(r->accel);
  const char* group = group_of(r);
  const std::string group_shown = shown(group), component = shown(r->component);
  auto warn = [&](int number, std::size_t limit = 0) {
    llogmsg(w->log, "%s",
            tsnMsgBuild(number, group_shown.c_str(), component.c_str(), static_cast<int>(limit)));
  };
  separator();
  if (key.size() > tsn::kSpawnKeyChars) return warn(TSN_MSG_SPAWN_KEY_LONG, tsn::kSpawnKeyChars);
  const SpawnDirective* d = directive_for(key);
  if (!d) {
    llogmsg(w->log, "Warning: %s is not a SPAWN directive in tsn.ini.\n", key.c_str());
    return;
  }
  RkCommand cmd;
  cmd.limit = tsn::kSpawnCommandChars;
  rkRunText(&cmd, d->first);
  std::string lower = group;
  rkStrLoc(lower.data());
  rkRunName(&cmd, nullptr, lower.c_str());
  rkRunText(&cmd, d->second);
  if (cmd.refused) return warn(TSN_MSG_SPAWN_UNSAFE);
  if (rkRunTooLong(cmd)) return warn(TSN_MSG_SPAWN_CMD_LONG, tsn::kSpawnCommandChars);
  llogmsg(w->log, "SPAWN %s %s\n", d->key, cmd.text.c_str());
  llogmsg(w->log, "Running External Netlister ...\n");
  publish_netlist();
  // The log's lines so far reach its file before the program runs.
  outdata_flush(w->log);
  int status = rkRunCommand(cmd);
  llogmsg(w->log,
          status == 0 ? "External Netlister successful.\n" : "External Netlister failed.\n");
}

}  // namespace

void spawn_addsym(IwSym* sym, IwAtt* accel, TsnContext* context, IwCom* com) {
  if (!w || !accel) return;
  // The index describes the run record's list: an empty one (a new run
  // record) starts it afresh.
  if (!w->spawn_requests) tsnspawn_reset();
  std::string key(reinterpret_cast<const char*>(&sym), sizeof sym);
  key += upper(accel->value);
  if (!spawn.recorded.insert(std::move(key)).second) return;
  auto* r = static_cast<SpawnRequest*>(lalloc(sizeof(SpawnRequest)));
  r->next = nullptr;
  r->sym = sym;
  r->accel = accel;
  r->component = lstrdup(com ? lgcomp(context, com, 0) : "");
  (spawn.tail ? spawn.tail->next : w->spawn_requests) = r;
  spawn.tail = r;
}

int spawn_findatt(IwAtt* accel) { return accel && directive_for(joined(accel)) ? 1 : 0; }

void spawn_accel(TsnContext*, IwCom* com, outdata* out) {
  PinGroups vhdl;
  for (IwPin* pin = igcompin(com); pin; pin = igpincnx(pin))
    if (IwAtt* a = ifcospat("VHDL_TYPE", pin)) vhdl.add(a->value, pin->index - 1);
  write_groups(out, vhdl, " VHDL_TYPE_PIN=", ":");

  PinGroups types;
  for (IwPin* pin = igcompin(com); pin; pin = igpincnx(pin)) {
    if (IwAtt* a = ifcospat("PINTYPE", pin)) {
      types.add(a->value, pin->index - 1);
      continue;
    }
    IwSpn* spn = igpinspn(pin);
    const char* name = igcomnam(com);
    llogmsg(w ? w->log : nullptr, "\nPINTYPE attribute for Pin %s on Component %s missing.",
            spn && spn->name ? spn->name : "", name ? name : "");
  }
  write_groups(out, types, " ", "=");
}

void do_spawn_netlists() {
  if (!w) return;
  for (const SpawnRequest* r = w->spawn_requests; r; r = r->next) run(r);
}

void spawn_free() {
  if (!w) return;
  while (SpawnDirective* d = w->spawn_directives) {
    w->spawn_directives = d->next;
    lstrfree(d->key);
    if (d->first) lfree(d->first, tsn::kSpawnPart);
    if (d->second) lfree(d->second, tsn::kSpawnPart);
    lfree(d, sizeof(SpawnDirective));
  }
  while (SpawnRequest* r = w->spawn_requests) {
    w->spawn_requests = r->next;
    lstrfree(r->component);
    lfree(r, sizeof(SpawnRequest));
  }
  tsnspawn_reset();
}

void tsnspawn_reset() { spawn = SpawnState(); }
