// netlister/tsndtb.cc - back-annotation files, their table, and the
// annotation of the occurrences being written; see tsndtb.h.
//
// File format, one statement per line (keyword recognised by its first
// character, upper-cased; the rest of the line is its argument):
//
//   .BA                  begin a block; entries count only inside blocks
//   C|N|P <name> ...     start a component, net or pin entry named by the
//                        hierarchical name (prefixed inside nested files)
//   A <name> = <value>   an attribute of the entry; DTB=<file> in a
//                        component entry reads <file> with the component's
//                        name as prefix
//   W <drv> <rcv> <text> a net delay from driver pin to receiver pin
//   |...                 comment
//   .AB                  end the block
//
// Every malformed line is reported (an "ER" line of the netlist, counted)
// and skipped; reading always goes on.  A file is read whole when it is
// opened and closed at once, so a chain of nested files holds no
// descriptor per level, and nesting is followed with an explicit stack of
// open-file records rather than by recursion, so no depth of chain can
// exhaust the machine stack.  A file already on that stack is refused
// (message 512), which stops a file from including itself.
//
// The table is a 731-bucket symbol table keyed by (name, kind bits, data
// bits); its walk order is the order of the unreferenced-entry report and
// of dtb.out.  Annotated names and values are kept in this module's own
// text store for the life of the process, like the database's interned
// names: the variable store and the evaluated-value cache hold on to
// their addresses.
//
// Beside the table, every entry name and each of its prefixes ending
// before a backslash is marked in an index, so that the shortcuts of the
// writers can ask in a few look-ups whether anything is annotated at or
// below an occurrence (tsnShortcutOk).
#include "netlister/tsndtb.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "catalogs/tsn.h"
#include "expr/ipvar.h"
#include "netlister/limits.h"
#include "netlister/ptrmap.h"
#include "netlister/tsn.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnutil.h"
#include "netlister/tsnwalk.h"
#include "store/limits.h"
#include "store/pxlib.h"
#include "util/rksym.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwoat.h"
#include "wirelist/iwobj.h"

namespace {

/// Buckets of the back-annotation table.
constexpr int kDtbBuckets = 731;

// A table entry: also its own key (name and flags).
struct DtbEntry {
  const char* name = nullptr;    // hierarchical name, upper case
  int flags = 0;                 // kind, data and referenced bits
  IwAtt* atts = nullptr;         // DTB_ATTS: the attribute list
  DtbWrec* wrecs = nullptr;      // DTB_WRECS: the first record
  DtbWrec* last = nullptr;       // and the last, for appending
};

// The entry being read.
struct Reading {
  int kind = 0;                   // 0 none, DTB_COMP, DTB_NET or DTB_PIN
  std::string name;               // prefixed, upper case
  IwAtt* atts = nullptr;          // its A lines
  DtbWrec* wrecs = nullptr;       // its W lines, in order
  DtbWrec* last = nullptr;
  std::vector<std::string> nested;  // DTB= file names, in order
};

// One file on the stack of files being read.
struct OpenFile {
  std::string key;     // the name as used for the duplicate test
  std::string text;    // the whole file
  std::size_t pos = 0; // where the next line starts
  std::string prefix;  // prefix of the names in it
  bool in_block = false;
  bool at_end = false;  // the last line has been read
  Reading entry;        // the entry in progress
  // Files named by the entry just finished, with their prefix, read
  // before the next line of this one.
  std::deque<std::pair<std::string, std::string>> nested;
  int ncomps = 0;  // entries counted, by kind
  int nnets = 0;
  int npins = 0;
};

// What is annotated at or below one hierarchical name (see tsnShortcutOk).
struct Mark {
  bool com_here = false;    // a component entry names it
  bool pins_here = false;   // a pin entry names a pin of it (the rest has no backslash)
  bool nets_here = false;   // a net entry names a net below it (likewise)
  bool pins_below = false;  // a pin entry lies somewhere below it
};

// Facts of the loaded design the shortcut answers depend on, gathered
// once from the stored groups (not the occurrences).
struct DesignFacts {
  bool known = false;
  bool odd_names = false;   // a net or symbol pin name holds a backslash
  bool pin_delays = false;  // a pin or symbol pin carries TPLH or TPHL
  bool joined_ports = false;  // two pins of a symbol are bound to one net
};

// The answers for the last context asked about.
struct ContextMemo {
  bool valid = false;
  std::vector<IwCom*> coms;  // innermost first, as the context
  std::string path;          // its path text, outermost first, each name + "\"
  bool path_marked = false;  // a block on it has a component or pin entry
  const Mark* here = nullptr;  // mark of the path itself (root: "")
};

// Process-wide back-annotation state.
struct DtbState {
  RkSymTable* table = nullptr;  // created by the first readDtbFile
  std::unordered_set<std::string> texts;  // names and values, kept for the process
  std::deque<DtbEntry> entries;
  std::deque<DtbWrec> wrecs;
  std::deque<IwAtt> atts;          // attributes of the table
  std::vector<IwAtt*> free_copies; // merged copies given back
  std::vector<std::unique_ptr<OpenFile>> files;  // being read, innermost last
  std::unordered_map<std::string_view, Mark> marks;
  DesignFacts design;
  ContextMemo memo;
  // The occurrence being written.
  IwAtt* current = nullptr;     // its annotation
  bool current_copied = false;  // current is a merged list of copies
  std::vector<DtbWrec*> wqueue; // W record lists of the net being written
  std::size_t wpos = 0;         // get_wrec: the list being walked
  // Iteration of one occurrence's attributes.
  bool in_annotation = false;   // the previous attribute came from `current`
  std::string path;             // occurrence path for occurrence attributes
  int isoat = 0;
  // The variable definitions among each hierarchical component's
  // attributes, in igcossat order: every leaf below a block opens the
  // block's scope again, and most components define nothing.
  PtrMap<std::vector<const IwAtt*>> vardefs;
};
DtbState dtb;

outdata* netlist() { return w ? w->out : nullptr; }

const char* keep_text(std::string_view text) { return dtb.texts.emplace(text).first->c_str(); }

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string_view skip_blanks(std::string_view s) {
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  return s;
}

// The first word of s (up to a blank or tab) and, in *rest, what follows
// the blanks after it.
std::string_view first_word(std::string_view s, std::string_view* rest) {
  std::size_t n = 0;
  while (n < s.size() && !blank(s[n])) ++n;
  if (rest) *rest = skip_blanks(s.substr(n));
  return s.substr(0, n);
}

// --- the table ----------------------------------------------------------

std::uint32_t entry_hash(const void* key) {
  return rkSymStHash(static_cast<const DtbEntry*>(key)->name);
}

// Same name, same kind, same data: one name may have a component, a net
// and a pin entry, each with an attribute entry and (nets) a W entry.
int entry_equal(const void* stored, const void* probe) {
  const auto* a = static_cast<const DtbEntry*>(stored);
  const auto* b = static_cast<const DtbEntry*>(probe);
  return (a->flags & (DTB_KINDS | DTB_ATTS | DTB_WRECS)) ==
             (b->flags & (DTB_KINDS | DTB_ATTS | DTB_WRECS)) &&
         std::strcmp(a->name, b->name) == 0;
}

DtbEntry* find_entry(const char* name, int flags) {
  if (!dtb.table || !name) return nullptr;
  DtbEntry probe;
  probe.name = name;
  probe.flags = flags;
  return static_cast<DtbEntry*>(rkSymFetch(dtb.table, &probe));
}

DtbEntry* fetch(const char* name, int flags) {
  DtbEntry* e = find_entry(name, flags);
  if (e) e->flags |= DTB_REFERENCED;
  return e;
}

void mark_name(const char* name, int kind) {
  std::string_view n(name);
  Mark& m = dtb.marks[n];
  if (kind == DTB_COMP) m.com_here = true;
  std::size_t last = std::string_view::npos;
  for (std::size_t i = n.find('\\'); i != std::string_view::npos; i = n.find('\\', i + 1)) {
    Mark& p = dtb.marks[n.substr(0, i)];
    if (kind == DTB_PIN) p.pins_below = true;
    last = i;
  }
  Mark& root = dtb.marks[std::string_view()];
  if (kind == DTB_PIN) root.pins_below = true;
  Mark& parent = last == std::string_view::npos ? root : dtb.marks[n.substr(0, last)];
  if (kind == DTB_PIN) parent.pins_here = true;
  if (kind == DTB_NET) parent.nets_here = true;
  dtb.memo.valid = false;
}

DtbEntry* create_entry(const char* name, int flags) {
  DtbEntry& e = dtb.entries.emplace_back();
  e.name = name;
  e.flags = flags;
  rkSymStore(dtb.table, &e, &e);
  mark_name(name, flags & DTB_KINDS);
  return &e;
}

IwAtt* find_att(IwAtt* list, const char* name) {
  for (IwAtt* a = list; a; a = a->next)
    if (std::strcmp(a->name, name) == 0) return a;
  return nullptr;
}

// Puts att into *list: in the place of an attribute of the same name, or
// at the end.
void put_att(IwAtt** list, IwAtt* att) {
  IwAtt** link = list;
  for (; *link; link = &(*link)->next) {
    if (std::strcmp((*link)->name, att->name) == 0) {
      att->next = (*link)->next;
      *link = att;
      return;
    }
  }
  att->next = nullptr;
  *link = att;
}

IwAtt* new_att(const char* name, const char* value) {
  IwAtt& a = dtb.atts.emplace_back();
  a.name = name;
  a.value = value;
  return &a;
}

// --- reading ------------------------------------------------------------

void log_text(const char* text) { llogmsg(netlist(), "%s", text); }

// Counts the entry, stores its data in the table and queues its nested
// files; the entry is then empty.
void finish_entry(OpenFile& f) {
  Reading& e = f.entry;
  if (e.atts || e.wrecs || !e.nested.empty()) {
    if (e.kind == DTB_COMP) {
      ++f.ncomps;
    } else if (e.kind == DTB_NET) {
      ++f.nnets;
    } else {
      ++f.npins;
    }
  }
  const char* name = (e.atts || e.wrecs) ? keep_text(e.name) : nullptr;
  if (e.atts) {
    DtbEntry* t = find_entry(name, e.kind | DTB_ATTS);
    if (!t) {
      create_entry(name, e.kind | DTB_ATTS)->atts = e.atts;
    } else {
      // A later annotation of the same occurrence and attribute wins.
      for (IwAtt* a = e.atts; a;) {
        IwAtt* next = a->next;
        put_att(&t->atts, a);
        a = next;
      }
    }
  }
  if (e.wrecs) {
    DtbEntry* t = find_entry(name, DTB_NET | DTB_WRECS);
    if (!t) {
      t = create_entry(name, DTB_NET | DTB_WRECS);
      t->wrecs = e.wrecs;
    } else {
      t->last->next = e.wrecs;
    }
    t->last = e.last;
  }
  for (std::string& file : e.nested) f.nested.emplace_back(std::move(file), e.name);
  e = Reading();
}

std::string prefixed(const OpenFile& f, std::string_view name) {
  std::string s = f.prefix;
  if (!s.empty()) s += '\\';
  s += name;
  return upper(std::move(s));
}

void attribute_line(OpenFile& f, std::string_view arg) {
  Reading& e = f.entry;
  if (e.kind == 0) {
    log_text("Error: A entry not associated with C,N, or P");
    return;
  }
  // name [blanks] = [blanks] value
  std::size_t n = 0;
  while (n < arg.size() && !blank(arg[n]) && arg[n] != '=') ++n;
  std::string_view name = arg.substr(0, n);
  std::string_view rest = skip_blanks(arg.substr(n));
  if (name.empty() || rest.empty() || rest.front() != '=') {
    log_text("Error: syntax in dtb line");
    return;
  }
  std::string_view value = skip_blanks(rest.substr(1));
  if (value.empty()) {
    log_text("Error: syntax in dtb line");
    return;
  }
  if (name.size() == 3 && upper(std::string(name)) == "DTB") {
    if (e.kind != DTB_COMP) {
      log_text("Error: DTB= attribute not associated with component");
      return;
    }
    e.nested.emplace_back(value);
    return;
  }
  put_att(&e.atts, new_att(keep_text(name), keep_text(value)));
}

void wire_line(OpenFile& f, std::string_view arg) {
  Reading& e = f.entry;
  if (e.kind != DTB_NET) {
    log_text("Error: W entry not associated with N entry");
    return;
  }
  std::string_view rest;
  std::string_view driver = first_word(arg, &rest);
  std::string_view receiver = first_word(rest, &rest);
  if (driver.empty() || receiver.empty() || rest.empty()) {
    log_text("Error: syntax in dtb line");
    llogmsg(netlist(), "       W %.*s", static_cast<int>(arg.size()), arg.data());
    return;
  }
  DtbWrec& r = dtb.wrecs.emplace_back();
  r.netname = keep_text(e.name);
  r.driver = keep_text(prefixed(f, driver));
  r.receiver = keep_text(prefixed(f, receiver));
  r.atts = keep_text(rest);
  if (e.last) {
    e.last->next = &r;
  } else {
    e.wrecs = &r;
  }
  e.last = &r;
}

void read_line(OpenFile& f, std::string line) {
  // A NUL ends the text of a line, as it ends every name made from it.
  line.resize(std::strlen(line.c_str()));
  std::size_t end = line.size();
  while (end > 0 && (blank(line[end - 1]) || line[end - 1] == '\r' || line[end - 1] == '\n')) --end;
  std::string_view rest;
  std::string keyword =
      upper(std::string(first_word(skip_blanks(std::string_view(line).substr(0, end)), &rest)));
  if (keyword.empty() || keyword[0] == '|') return;
  if (keyword[0] == '.') {
    if (keyword == ".BA" || keyword == ".AB") {
      finish_entry(f);
      f.in_block = keyword == ".BA";
    } else {
      log_text("Error: Bad .dtb format\n");
    }
    return;
  }
  switch (keyword[0]) {
    case 'C':
    case 'N':
    case 'P': {
      if (!f.in_block) return;
      finish_entry(f);
      std::string_view word = first_word(rest, nullptr);
      if (word.empty()) return;
      f.entry.kind = keyword[0] == 'C' ? DTB_COMP : keyword[0] == 'N' ? DTB_NET : DTB_PIN;
      f.entry.name = prefixed(f, word);
      return;
    }
    case 'A':
      if (f.in_block) attribute_line(f, rest);
      return;
    case 'W':
      if (f.in_block) wire_line(f, rest);
      return;
    default:
      llogmsg(netlist(), "%s", tsnMsgBuild(TSN_MSG_DTB_UNKNOWN, keyword.c_str()));
  }
}

bool has_extension(const char* name) {
  char ext[px::kMaxPath];
  return pxParse(name, nullptr, nullptr, nullptr, ext) == PX_OK && ext[0] != '\0';
}

// Finds, checks and reads in the file, and puts it on the stack; false
// (reported) when it cannot be read.
bool open_file(const std::string& name, const std::string& prefix) {
  if (name.empty()) return false;
  char path[px::kMaxPath];
  std::string key = name;
  if (pxGetini(name.c_str(), path) != PX_OK) {
    bool found = false;
    if (!has_extension(name.c_str())) {
      for (const char* ext : {".dtb", ".DTB"}) {
        key = name + ext;
        if (pxGetini(key.c_str(), path) == PX_OK) {
          found = true;
          break;
        }
      }
    }
    if (!found) {
      llogmsg(netlist(), "%s", tsnMsgBuild(TSN_MSG_DTB_NOT_FOUND, name.c_str()));
      return false;
    }
  }
  if (key.size() > tsn::kDtbKeyLength) key.resize(tsn::kDtbKeyLength);
  for (const auto& open : dtb.files) {
    if (open->key == key) {
      llogmsg(netlist(), "%s", tsnMsgBuild(TSN_MSG_DTB_RECURSIVE));
      return false;
    }
  }
  std::FILE* fp = std::fopen(path, "rb");
  if (!fp) {
    llogmsg(netlist(), "%s", tsnMsgBuild(TSN_MSG_DTB_NOT_FOUND, path));
    return false;
  }
  auto f = std::make_unique<OpenFile>();
  char chunk[65536];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, fp)) > 0;) f->text.append(chunk, n);
  std::fclose(fp);
  llogmsg(netlist(), "Using back-annotation file '%s'", path);
  if (!dtb.table) dtb.table = rkSymCreate(kDtbBuckets, entry_hash, entry_equal, rkSymReturn, rkSymDummy);
  f->key = std::move(key);
  f->prefix = prefix;
  dtb.files.push_back(std::move(f));
  return true;
}

// The file's summary; it leaves the stack.
void close_file() {
  OpenFile& f = *dtb.files.back();
  int counted = f.ncomps + f.nnets + f.npins;
  if (counted > 0) {
    llogmsg(netlist(), "%s",
            tsnMsgBuild(TSN_MSG_DTB_SUMMARY, f.ncomps, f.npins, f.nnets, f.key.c_str()));
  } else {
    llogmsg(netlist(), "%s", tsnMsgBuild(TSN_MSG_DTB_EMPTY, f.key.c_str()));
    llogmsg(netlist(), "%s", tsnMsgBuild(TSN_MSG_DTB_EMPTY2, ".BA"));
  }
  if (w) {
    w->ndtb_comps += f.ncomps;
    w->ndtb_nets += f.nnets;
    w->ndtb_pins += f.npins;
  }
  dtb.files.pop_back();
}

// One step of reading the innermost file: a nested file is opened, a line
// is read, or the file ends.
void step() {
  OpenFile& f = *dtb.files.back();
  if (!f.nested.empty()) {
    auto [name, prefix] = std::move(f.nested.front());
    f.nested.pop_front();
    open_file(name, prefix);
    return;
  }
  if (f.at_end) {
    close_file();
    return;
  }
  if (f.pos >= f.text.size()) {
    finish_entry(f);
    f.at_end = true;
    return;
  }
  std::size_t nl = f.text.find('\n', f.pos);
  if (nl == std::string::npos) nl = f.text.size();
  std::string line = f.text.substr(f.pos, nl - f.pos);
  f.pos = nl + 1;
  read_line(f, std::move(line));
}

// --- the occurrence being written ----------------------------------------

// The reference is valid until the next component is looked up.
const std::vector<const IwAtt*>& vardefs_of(IwCom* com) {
  if (const auto* known = dtb.vardefs.find(com)) return *known;
  std::vector<const IwAtt*>& defs = dtb.vardefs[com];
  for (IwAtt* a = igcossat(com, nullptr); a; a = igcossat(com, a))
    if (ipvardef(a->name)) defs.push_back(a);
  return defs;
}

// Occurrence paths are only needed when occurrence attributes exist.
bool oats_loaded() { return iwgetcnt(2) + iwgetcnt(4) + iwgetcnt(8) > 0; }

bool annotated(const char* name) { return find_att(dtb.current, name) != nullptr; }

// One scope per occurrence: its annotated attributes, then its own and
// its symbol's, all as variable definitions of that level.  Only the
// definitions among them change the store; those of components that
// recur (the hierarchical ones on a path) are picked out once.
void push_scope(TsnContext* context, IwCom* com, bool recurs) {
  ippushlev();
  if (dtb.table)
    for (IwAtt* a = getDtbCompAtts(lgcomp(context, com, 0)); a; a = a->next) iaaddpatt(a);
  if (recurs) {
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

void release_current() {
  if (dtb.current_copied)
    for (IwAtt* a = dtb.current; a; a = a->next) dtb.free_copies.push_back(a);
  dtb.current = nullptr;
  dtb.current_copied = false;
}

// The net annotation of one name: its attributes merged into the current
// annotation, its W records queued.
void load_net_name(const char* name) {
  if (DtbEntry* e = fetch(name, DTB_NET | DTB_ATTS)) {
    dtb.current = merge_attlists(dtb.current, e->atts);
    dtb.current_copied = true;
  }
  if (DtbEntry* e = fetch(name, DTB_NET | DTB_WRECS)) store_wlist(e->wrecs);
}

// --- what the shortcuts may serve ------------------------------------------

bool odd_name(const char* name) { return name && std::strchr(name, '\\'); }

bool delay_att(const IwAtt* list) {
  for (const IwAtt* a = list; a; a = a->next)
    if (std::strcmp(a->name, "TPLH") == 0 || std::strcmp(a->name, "TPHL") == 0) return true;
  return false;
}

// Looks through the groups of the stored design once: names holding a
// backslash make a hierarchical name ambiguous to split; delay attributes
// of the design's own make pins delayed (or reported) without an
// annotation; and where two ports of a block are joined inside it, a climb
// from a pin below may leave through the other port, so the pins a net's
// delays depend on need not lie below the net's own level.
void learn_design() {
  DesignFacts& d = dtb.design;
  d.known = true;
  std::vector<IwGrp*> todo;
  std::unordered_set<const void*> seen;
  auto symbol = [&](IwSym* sym) {
    if (!sym || !seen.insert(sym).second) return;
    std::unordered_set<const IwNet*> bound;
    for (IwSpn* spn = sym->spns; spn; spn = spn->next) {
      d.odd_names = d.odd_names || odd_name(spn->name);
      d.pin_delays = d.pin_delays || delay_att(spn->atts);
      if (spn->net && !bound.insert(spn->net).second) d.joined_ports = true;
    }
    if (sym->grp && seen.insert(sym->grp).second) todo.push_back(sym->grp);
  };
  if (w && w->tgroup) {
    seen.insert(w->tgroup);
    todo.push_back(w->tgroup);
  }
  while (!todo.empty()) {
    IwGrp* g = todo.back();
    todo.pop_back();
    for (IwNet* net = g->nets; net; net = net->next) d.odd_names = d.odd_names || odd_name(net->name);
    for (IwCom* com = iggrpcom(g, nullptr); com; com = iggrpcom(g, com)) {
      for (IwPin* pin = igcompin(com); pin; pin = igpincnx(pin))
        d.pin_delays = d.pin_delays || delay_att(pin->atts);
      symbol(com->sym);
    }
  }
}

const Mark* mark_of(std::string_view name) {
  auto it = dtb.marks.find(name);
  return it == dtb.marks.end() ? nullptr : &it->second;
}

// The answers for context, from the memo while the context holds the
// same components.
const ContextMemo& context_marks(TsnContext* context) {
  ContextMemo& m = dtb.memo;
  if (m.valid) {
    std::size_t i = 0;
    TsnContext* c = context;
    for (; c && i < m.coms.size() && c->com == m.coms[i]; c = c->next) ++i;
    if (!c && i == m.coms.size()) return m;
  }
  m.coms.clear();
  for (TsnContext* c = context; c; c = c->next) m.coms.push_back(c->com);
  m.path.clear();
  m.path_marked = false;
  for (auto it = m.coms.rbegin(); it != m.coms.rend(); ++it) {
    const char* n = igcomnam(*it);
    m.path += n ? n : "";
    if (const Mark* b = mark_of(m.path)) {
      // A component entry opens a variable scope for everything below;
      // a pin entry of the block may delay the pins inside it.
      m.path_marked = m.path_marked || b->com_here || b->pins_here ||
                      (dtb.design.odd_names && b->pins_below);
    }
    m.path += '\\';
  }
  m.here = mark_of(std::string_view(m.path).substr(0, m.path.empty() ? 0 : m.path.size() - 1));
  m.valid = true;
  return m;
}

}  // namespace

// --- reading ---------------------------------------------------------------

int readDtbFile(const char* name, const char* prefix) {
  if (!name || !name[0]) return 1;
  const std::size_t base = dtb.files.size();
  if (!open_file(name, prefix ? prefix : "")) return 1;
  while (dtb.files.size() > base) step();
  return 0;
}

// --- the table ----------------------------------------------------------------

IwAtt* getDtbCompAtts(const char* name) {
  DtbEntry* e = fetch(name, DTB_COMP | DTB_ATTS);
  return e ? e->atts : nullptr;
}

IwAtt* getDtbNetAtts(const char* name) {
  DtbEntry* e = fetch(name, DTB_NET | DTB_ATTS);
  return e ? e->atts : nullptr;
}

IwAtt* getDtbPinAtts(const char* name) {
  DtbEntry* e = fetch(name, DTB_PIN | DTB_ATTS);
  return e ? e->atts : nullptr;
}

DtbWrec* getDtbNetWrecs(const char* name) {
  DtbEntry* e = fetch(name, DTB_NET | DTB_WRECS);
  return e ? e->wrecs : nullptr;
}

IwAtt* merge_attlists(IwAtt* list, IwAtt* second) {
  for (IwAtt* a = second; a; a = a->next) {
    IwAtt* copy;
    if (!dtb.free_copies.empty()) {
      copy = dtb.free_copies.back();
      dtb.free_copies.pop_back();
    } else {
      copy = &dtb.atts.emplace_back();
    }
    copy->name = a->name;
    copy->value = a->value;
    // The copy it replaces goes back for reuse.
    if (IwAtt* old = find_att(list, a->name)) dtb.free_copies.push_back(old);
    put_att(&list, copy);
  }
  return list;
}

namespace {

char kind_letter(int flags) {
  switch (flags & DTB_KINDS) {
    case DTB_COMP:
      return 'C';
    case DTB_NET:
      return 'N';
    default:
      return 'P';
  }
}

int collect_entry(void* value, void*, void* list, void*) {
  static_cast<std::vector<const DtbEntry*>*>(list)->push_back(static_cast<const DtbEntry*>(value));
  return 1;
}

std::vector<const DtbEntry*> entries_in_table_order() {
  std::vector<const DtbEntry*> all;
  rkSymLoop(dtb.table, collect_entry, &all, nullptr);
  return all;
}

}  // namespace

void unrefDtbs() {
  if (!dtb.table) return;
  std::vector<const DtbEntry*> unref;
  for (const DtbEntry* e : entries_in_table_order())
    if (!(e->flags & DTB_REFERENCED)) unref.push_back(e);
  if (unref.empty()) return;
  llogmsg(netlist(), "%s", tsnMsgBuild(TSN_MSG_DTB_UNMATCHED, static_cast<int>(unref.size())));
  for (const DtbEntry* e : unref) llogmsg(netlist(), "    %c %s", kind_letter(e->flags), e->name);
}

void printDtbStructures() {
  if (!dtb.table) {
    std::fputs("No dtb table exists.\n", stdout);
    return;
  }
  // A dump from an earlier run is replaced whole or not at all.
  const char* kTemp = "dtb.out.tmp";
  std::FILE* fp = std::fopen(kTemp, "w");
  if (!fp) {
    std::fputs("Error: Could not open dtb.out for printing dtb entries.\n", stdout);
    return;
  }
  for (const DtbEntry* e : entries_in_table_order()) {
    std::fprintf(fp, "%c %s\n", kind_letter(e->flags), e->name);
    if (e->flags & DTB_ATTS)
      for (const IwAtt* a = e->atts; a; a = a->next) std::fprintf(fp, "A %s=%s\n", a->name, a->value);
    if (e->flags & DTB_WRECS) {
      for (const DtbWrec* r = e->wrecs; r; r = r->next) {
        std::fprintf(fp, "W netname    : %s\n", r->netname);
        std::fprintf(fp, "  driver     : %s\n", r->driver);
        std::fprintf(fp, "  receiver   : %s\n", r->receiver);
        std::fprintf(fp, "  att_string : %s\n", r->atts);
      }
    }
    std::fputs("\n", fp);
  }
  if (std::fclose(fp) != 0 || std::rename(kTemp, "dtb.out") != 0) {
    std::remove(kTemp);
    std::fputs("Error: Could not open dtb.out for printing dtb entries.\n", stdout);
  }
}

void dtbFree() {}

// --- the occurrence being written ---------------------------------------------

void tsnLoadCom(TsnContext* context, IwCom* com) {
  push_path(context);
  // A component inside a block recurs at every instance of the block.
  push_scope(context, com, context != nullptr);
  dtb.current = dtb.table ? getDtbCompAtts(lgcomp(context, com, 0)) : nullptr;
  dtb.current_copied = false;
}

bool tsnPathScopesEmpty(TsnContext* context) {
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
  release_current();
}

void tsnLoadNet(TsnContext* context, IwNet* net) {
  release_current();
  if (!dtb.table || !net) return;
  for (IwAtt* a = net->atts; a; a = a->next) {
    if (std::strcmp(a->name, "NET_ALIAS") != 0) continue;
    char alias[tsn::kNameBuffer];
    lstrncpy(alias, a->value ? a->value : "", sizeof alias);
    if (net->kind != IW_GLOBALNET) hiername(context, alias, sizeof alias, 0);
    load_net_name(alias);
  }
  load_net_name(lgnet(context, net, LONG_TSN_FILE, 0));
}

void tsnUnloadNet() { release_current(); }

void tsnLoadPin(TsnContext* context, IwPin* pin) {
  release_current();
  if (!dtb.table) return;
  for (; pin; pin = tsn_get_uppin(context, pin), context = tsn_get_cntxt_next(context)) {
    if (IwAtt* a = getDtbPinAtts(lgpin(context, pin, 0))) {
      dtb.current = a;
      return;
    }
    if (!context) return;
  }
}

void tsnUnloadPin() { release_current(); }

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

// --- W records of the net being written -------------------------------------

void store_wlist(DtbWrec* list) {
  if (list) dtb.wqueue.push_back(list);
}

DtbWrec* get_wrec(DtbWrec* previous) {
  if (!previous) {
    dtb.wpos = 0;
    return dtb.wqueue.empty() ? nullptr : dtb.wqueue[0];
  }
  if (previous->next) return previous->next;
  if (++dtb.wpos >= dtb.wqueue.size()) return nullptr;
  return dtb.wqueue[dtb.wpos];
}

void release_wlists() {
  dtb.wqueue.clear();
  dtb.wpos = 0;
}

void free_wlinks() {
  release_wlists();
  dtb.wqueue.shrink_to_fit();
}

// --- shortcuts ------------------------------------------------------------------

bool tsnShortcutOk(TsnShortcut what, TsnContext* context, IwCom* com) {
  if (!dtb.table) return !oats_loaded();
  if (oats_loaded()) return false;
  if (!dtb.design.known) learn_design();
  const ContextMemo& m = context_marks(context);
  switch (what) {
    case TsnShortcut::kComponent: {
      if (m.path_marked) return false;
      if (!m.here) return true;
      // An entry of the component itself, or of one of its pins.
      const char* n = com ? igcomnam(com) : nullptr;
      std::string name = m.path;
      name += n ? n : "";
      return mark_of(name) == nullptr;
    }
    case TsnShortcut::kGroup:
      return !m.path_marked && !m.here;
    case TsnShortcut::kQuietNets:
      // A net of the group occurrence is named by the path and its own
      // name; a name holding a backslash could be marked anywhere below.
      return !m.here || (!m.here->nets_here && !dtb.design.odd_names);
    case TsnShortcut::kPinDelays:
      return !dtb.design.pin_delays && !dtb.design.joined_ports && !(m.here && m.here->pins_below);
  }
  return false;
}

void tsndtb_reset() {
  if (dtb.table) rkSymDestroy(dtb.table, nullptr);
  dtb = DtbState();
}
