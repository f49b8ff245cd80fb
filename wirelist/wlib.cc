// wirelist/wlib.cc - the library-maintenance program; see wlib.h.
//
// Process-wide state is the open catalog (wlib_state).  Every line the
// program prints goes to standard output after the database's own
// messages of the same step, so a finding reads as the checker's messages
// followed by the line that names the group and the object.
#include "wirelist/wlib.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "catalogs/wlib.h"
#include "store/prj.h"
#include "store/pxlib.h"
#include "util/rkbanner.h"
#include "util/rkerr.h"
#include "util/rkmem.h"
#include "util/rkmsg.h"
#include "util/rkshortcut.h"
#include "wirelist/immod.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwcheck.h"
#include "wirelist/iwgroup.h"
#include "wirelist/iwhetero.h"
#include "wirelist/iwindex.h"
#include "wirelist/iwinit.h"
#include "wirelist/iwlib.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwobj.h"
#include "wirelist/iwwrite.h"

namespace {

constexpr const char* kProgram = "WLIB";

struct WlibState {
  RkMsgFile* catalog = nullptr;  // the catalog "wlib"
};
WlibState wlib_state;

// The arguments of one run.  Options a command may take get their fields
// here and their words in parse_args.
struct WlibArgs {
  const char* command = nullptr;      // the command word
  std::vector<std::string> operands;  // what follows it
  bool hetero = false;                // --hetero: combine heterogeneous sections first
};

constexpr auto say = wlib_say;
constexpr auto fragment = wlib_fragment;

const char* name_of(const char* s) { return s ? s : ""; }

// Where a finding is: the object the checker stopped at, in words.
std::string describe(const void* object) {
  if (!object) return fragment(WLIB_OBJ_GROUP);
  switch (iwobjtype(object)) {
    case NX_SYMBOLS:
      return fragment(WLIB_OBJ_SYMBOL);
    case NX_SYMPINS:
      return fragment(WLIB_OBJ_SYMPIN, name_of(static_cast<const IwSpn*>(object)->name));
    case NX_SCHEMATICS:
      return fragment(WLIB_OBJ_SHEET, static_cast<const IwSch*>(object)->number);
    case NX_COMPONENTS:
      return fragment(WLIB_OBJ_COMPONENT, name_of(static_cast<const IwCom*>(object)->name));
    case NX_PINS: {
      const auto* pin = static_cast<const IwPin*>(object);
      const IwCom* com = igpinown(pin);
      return fragment(WLIB_OBJ_PIN, static_cast<int>(pin->index), com ? name_of(com->name) : "");
    }
    case NX_NETS:
      return fragment(WLIB_OBJ_NET, name_of(static_cast<const IwNet*>(object)->name));
    case NX_ATTRIBUTES: {
      auto* att = const_cast<IwAtt*>(static_cast<const IwAtt*>(object));
      std::string owner = describe(igattown(att));
      return fragment(WLIB_OBJ_ATTRIBUTE, name_of(att->name), owner.c_str());
    }
    default:
      return fragment(WLIB_OBJ_GROUP);
  }
}

// Turns a database switch on: the toggles report the new state.
void switch_on(int (*toggle)()) {
  if (toggle() == 0) toggle();
}

// Opens the database and reads the design as the netlister does (bus
// expansion and file-time checks on, the same files in the same order),
// but leaves out the passes that derive the netlister's view: merging
// aliased nets renames and reorders nets, so a check would find the order
// broken and a rewrite would write the merge into the files.  Null when
// the design cannot be loaded.
IwGrp* load(const std::string& design) {
  if (iwinit() != 1) {
    say(WLIB_MSG_INITFAIL);
    return nullptr;
  }
  switch_on(iwexpbus);
  switch_on(iwchktime);
  // The database's indexes answer to the switch that sends the netlister
  // down its general paths, so an edit can be checked the same way.
  const unsigned left = rkShortcutsLeft(std::getenv("TSN_NO_SHORTCUTS"));
  iwsetshortcuts((left >> rkShortcutIndex("indexes")) & 1u);
  iwstatln(stderr);
  iwstatmode(1);
  say(WLIB_MSG_LOADING, design.c_str());
  IwGrp* top = iwgroupread(design.c_str());
  if (!top) say(WLIB_MSG_NOLOAD, design.c_str());
  return top;
}

std::string joined(const std::vector<const char*>& names) {
  std::string s;
  for (const char* n : names) s.append(s.empty() ? "" : " ").append(n);
  return s;
}

int check(IwGrp*, const WlibArgs&) {
  int checked = 0, failed = 0;
  std::vector<const char*> unfiled;
  for (IwGrp* g : wlib_groups()) {
    if (!iggrpown(g)) {
      unfiled.push_back(name_of(g->name));
      continue;
    }
    ++checked;
    int status;
    if (iwcheckgrp(g, &status)) {
      say(WLIB_MSG_PASSED, name_of(g->name));
    } else {
      ++failed;
      say(WLIB_MSG_FAILED, name_of(g->name), describe(iwcheckobj()).c_str(), status);
    }
  }
  say(WLIB_MSG_CHECKED, checked, failed);
  if (!unfiled.empty()) say(WLIB_MSG_NOTCHECKED, joined(unfiled).c_str());
  return failed ? WLIB_EXIT_FAILED : WLIB_EXIT_OK;
}

int rewrite(IwGrp*, const WlibArgs&) {
  int written = 0, failed = 0;
  std::map<std::string, std::vector<const char*>> untouched;  // library -> groups
  // A PLD-component group is made from the translator's wirelist and
  // belongs to no library; writing it back would replace the translator's
  // output with a copy the next translation overwrites anyway.
  std::vector<const char*> pld, unfiled;
  // The design was put in canonical order as it was read, so the groups
  // are written without sorting it again for each.
  for (IwGrp* g : wlib_groups()) {
    if (!g->schs) continue;  // nothing of its own to write back
    const IwLib* lib = iggrpown(g);
    if (!lib) {
      (g->sym && g->sym->symtype == IW_PLDCOMP ? pld : unfiled).push_back(name_of(g->name));
      continue;
    }
    if (!prjObjWritable(igprjlib(lib))) {
      untouched[name_of(lib->name)].push_back(name_of(g->name));
      continue;
    }
    if (wlib_write(g, true) == IW_WRITE_OK)
      ++written;
    else
      ++failed;
  }
  for (const auto& [lib, names] : untouched)
    say(WLIB_MSG_READONLY, lib.c_str(), joined(names).c_str());
  if (!pld.empty()) say(WLIB_MSG_PLDLEFT, joined(pld).c_str());
  if (!unfiled.empty()) say(WLIB_MSG_NOLIBLEFT, joined(unfiled).c_str());
  say(WLIB_MSG_REWRITTEN, written, failed);
  return failed ? WLIB_EXIT_FAILED : WLIB_EXIT_OK;
}

// The script of an edit, read before the design is loaded, so that a
// script that cannot be read costs no load.
WlibScript edit_script;

int edit(IwGrp*, const WlibArgs&) { return wlib_edit(edit_script); }

struct Command {
  const char* name;                              // the command word
  int operands;                                  // how many operands it takes
  bool hetero;                                   // it takes --hetero
  int (*run)(IwGrp* top, const WlibArgs& args);  // works on the loaded design; the exit code
};

constexpr Command kCommands[] = {
    {"check", 1, true, check},
    {"rewrite", 1, true, rewrite},
    {"edit", 2, false, edit},
};

const Command* find_command(const char* word) {
  for (const Command& c : kCommands)
    if (word && std::string(word) == c.name) return &c;
  return nullptr;
}

void usage() {
  std::fputs(rkMsgStatic(wlib_state.catalog, WLIB_MSG_USAGE), stderr);
  std::fflush(stderr);
}

// The design's group name as the netlister takes it: no directory, no
// last extension; a name the path functions refuse is a usage error.
bool design_name(const std::string& arg, std::string* out) {
  char name[px::kMaxPath];
  if (arg.empty() || arg.size() >= px::kMaxPath) return false;
  if (pxParse(arg.c_str(), nullptr, nullptr, name, nullptr) != PX_OK || !name[0]) return false;
  *out = name;
  return true;
}

bool parse_args(int argc, char** argv, WlibArgs* args) {
  if (argc < 2) return false;
  args->command = argv[1];
  for (int i = 2; i < argc; ++i) {
    if (std::string(argv[i]) == "--hetero" && !args->hetero) {
      args->hetero = true;
    } else if (argv[i][0] == '-') {
      return false;
    } else {
      args->operands.push_back(argv[i]);
    }
  }
  return true;
}

}  // namespace

int wlib_run(int argc, char** argv) {
  rkBanner(kProgram, iwversion());
  std::printf("\n");
  wlib_state.catalog = rkMsgFileOpen("wlib", "wlib", nullptr, "5.3.1", nullptr);
  WlibArgs args;
  const Command* cmd = nullptr;
  std::string design;
  if (!parse_args(argc, argv, &args) || !(cmd = find_command(args.command)) ||
      static_cast<int>(args.operands.size()) != cmd->operands || (args.hetero && !cmd->hetero) ||
      !design_name(args.operands[0], &design)) {
    usage();
    return WLIB_EXIT_USAGE;
  }
  if (cmd->run == edit && !wlib_edit_read(args.operands[1], &edit_script)) return WLIB_EXIT_USAGE;
  IwGrp* top = load(design);
  if (!top) return WLIB_EXIT_USAGE;
  if (args.hetero) {
    iwcombine_hetero(1);
    iwhetero();
  }
  return cmd->run(top, args);
}

void wlib_say(int number, ...) {
  va_list ap;
  va_start(ap, number);
  char* text = rkErrMessageAllocVa(wlib_state.catalog, number, ap);
  va_end(ap);
  std::printf("%s\n", text ? text : "");
  std::fflush(stdout);
  rkMemFree(text);
}

std::string wlib_fragment(int number, ...) {
  va_list ap;
  va_start(ap, number);
  std::string text = rkMsgStaticVa(wlib_state.catalog, number, ap);
  va_end(ap);
  return text;
}

std::vector<IwGrp*> wlib_groups() {
  std::vector<IwGrp*> groups;
  for (IwGrp* g = iwgetgrp(nullptr); g; g = iwgetgrp(g)) {
    int type = g->sym ? g->sym->symtype : IW_MODULE;
    if (type == IW_MODULE || type == IW_COMPOSITE || type == IW_PLDCOMP) groups.push_back(g);
  }
  std::sort(groups.begin(), groups.end(), [](const IwGrp* a, const IwGrp* b) {
    return std::string(name_of(a->name)) < std::string(name_of(b->name));
  });
  return groups;
}

int wlib_write(IwGrp* g, bool ordered) {
  const IwLib* lib = iggrpown(g);
  int result;
  if (ordered)
    result = iwgrpwrite_ordered(g);
  else
    imwgrpsave(g, &result);
  if (result == IW_WRITE_OK) {
    int sheets = 0;
    for (const IwSch* s = g->schs; s; s = s->next) ++sheets;
    say(WLIB_MSG_WRITTEN, name_of(g->name), sheets, lib ? name_of(lib->name) : "");
  } else {
    say(WLIB_MSG_NOTWRITTEN, name_of(g->name), result);
  }
  return result;
}
