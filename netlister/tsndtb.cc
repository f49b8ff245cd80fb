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
// The table is keyed by (name, kind bits, data bits), so one name can have
// a component, a net and a pin entry, each with attributes and (nets) W
// records.  Its order, which the unreferenced-entry report and dtb().out
// follow, is that of a 731-bucket symbol table hashed with rkSymStHash:
// bucket by bucket, the newest entry of a bucket first.  Entries are found
// through a hash index of their own (731 buckets hold hundreds of names
// each in a large table, and the writers look names up for every
// occurrence they write), and the bucket order is formed when a report
// asks for it.  Names and attribute texts are kept for the life of the
// process, like the database's interned names (names copied once each,
// attribute texts shared): the variable store and the evaluated-value
// cache hold on to their addresses.
//
// Beside the table, every entry name and each of its prefixes ending
// before a backslash is marked in an index, so that the shortcuts of the
// writers can ask in a few look-ups whether anything is annotated at or
// below an occurrence (tsnShortcutOk).
#include "netlister/tsndtb.h"

#include <algorithm>
#include <array>
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
#include "netlister/namefilter.h"
#include "netlister/ptrmap.h"
#include "netlister/tsn.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnstate.h"
#include "netlister/tsnutil.h"
#include "netlister/tsnwalk.h"
#include "store/limits.h"
#include "store/pxlib.h"
#include "util/rkdufs.h"
#include "util/rkreplace.h"
#include "util/rkstr.h"
#include "util/rksym.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwoat.h"
#include "wirelist/iwobj.h"

namespace {

/// Buckets of the back-annotation table: they fix the order of its reports.
constexpr std::uint32_t kDtbBuckets = 731;

// A table entry: also its own key (name and flags).
struct DtbEntry {
  const char* name = nullptr;  // hierarchical name, upper case
  std::uint32_t bucket = 0;    // rkSymStHash(name) % kDtbBuckets
  std::size_t seq = 0;         // creation order
  int flags = 0;               // kind, data and referenced bits
  IwAtt* atts = nullptr;       // DTB_ATTS: the attribute list
  DtbWrec* wrecs = nullptr;    // DTB_WRECS: the first record
  DtbWrec* last = nullptr;     // and the last, for appending
};

// The entry being read.
struct Reading {
  int kind = 0;              // 0 none, DTB_COMP, DTB_NET or DTB_PIN
  std::string name;          // prefixed, upper case
  IwAtt* atts = nullptr;     // its A lines
  DtbWrec* wrecs = nullptr;  // its W lines, in order
  DtbWrec* last = nullptr;
  std::vector<std::string> nested;  // DTB= file names, in order
};

// One file on the stack of files being read.
struct OpenFile {
  std::string key;      // the name as used for the duplicate test
  std::string text;     // the whole file
  std::size_t pos = 0;  // where the next line starts
  std::string prefix;   // prefix of the names in it
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

struct Mark;

// What the names one segment below a mark are in the group an occurrence
// of that name leads to: which of its components and nets they name.
// Sorted by address, for binary search.
struct Resolution {
  const IwGrp* group = nullptr;  // the group it was formed for (null: not yet)
  std::vector<IwCom*> touched;   // components with an entry at or below their name
  // Those with a pin entry at or below their name, with its mark, and the
  // nets their pins are on.
  std::vector<std::pair<IwCom*, const Mark*>> pin_owners;
  std::vector<IwNet*> pin_nets;
  std::vector<IwNet*> nets;  // nets named by a net entry
};

// What a mark with names below it keeps once an occurrence of its name
// is asked about.
struct MarkAnswers {
  std::unordered_map<std::string_view, const Mark*> child_index;  // of a long child list
  // One per group asked about: nearly always one, but two components of
  // one display name may lead to different groups.
  std::vector<std::unique_ptr<Resolution>> resolutions;
};

// What is annotated at or below one hierarchical name (see tsnShortcutOk).
// Most marks are the names of entries themselves, with nothing below:
// a mark stays small, and what only a prefix needs comes with `answers`.
struct Mark {
  bool com_here = false;    // a component entry names it
  bool is_pin = false;      // a pin entry names it
  bool pins_here = false;   // a pin entry names a pin of it (the rest has no backslash)
  bool nets_here = false;   // a net entry names a net below it (likewise)
  bool pins_below = false;  // a pin entry lies somewhere below it
  // The next segment of every name below it, with that name's mark.
  std::vector<std::pair<std::string_view, const Mark*>> children;
  std::vector<std::string_view> net_children;    // the segments of nets_here
  mutable std::unique_ptr<MarkAnswers> answers;  // made when first needed
  MarkAnswers& kept() const {
    if (!answers) answers = std::make_unique<MarkAnswers>();
    return *answers;
  }
};

// Facts of the loaded design the shortcut answers depend on, gathered
// once from the stored groups (not the occurrences).
struct DesignFacts {
  bool known = false;
  bool odd_names = false;     // a component, net or symbol pin name holds a backslash
  bool pin_delays = false;    // a pin or symbol pin carries TPLH or TPHL
  bool joined_ports = false;  // two pins of a symbol are bound to one net
  bool oats = false;          // occurrence attributes are loaded (they stay while writing)
};

// The answers for one context: where its path stands among the marks, and
// which components and nets of the group it leads to are annotated.
struct ContextMemo {
  bool valid = false;
  IwCom* com = nullptr;           // the context's innermost component (null at the top)
  unsigned long made = 0;         // when these answers were formed
  unsigned long parent_made = 0;  // when the parent context's were, then
  std::string path;               // names holding a backslash only: the path text,
                                  // outermost first, each name + "\\"
  bool path_marked = false;       // a block on it has a component or pin entry
  const Mark* here = nullptr;     // mark of the path itself (root: "")
  IwGrp* group = nullptr;         // the group the context leads to
  // here's names resolved in the group the context leads to, or null:
  // then every name below may be annotated.
  const Resolution* names = nullptr;
};

// The components and nets of a group by name; several components may
// share a display name.
struct GroupNames {
  bool globals_annotated = false;  // a net entry names one of its global nets
  std::unordered_map<std::string_view, std::vector<IwCom*>> coms;
  std::unordered_map<std::string_view, IwNet*> nets;
};

// The entries of one name, by kind and data (slot_of).
using EntriesOfName = std::array<DtbEntry*, 4>;

// Copies of texts in blocks that are never given back.
struct TextArena {
  static constexpr std::size_t kBlock = 64 * 1024;
  std::vector<std::unique_ptr<char[]>> blocks;
  char* at = nullptr;  // the free part of the last block
  std::size_t left = 0;
};

// Lets the text store be searched with a view, without a copy.
struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
};

// Process-wide back-annotation state.
struct DtbState {
  bool table = false;  // made by the first file opened
  // The table's entries by name: the table keeps the order its reports
  // follow, but 731 buckets hold hundreds of names each in a large table,
  // and the writers look names up for every occurrence they write.
  std::unordered_map<std::string_view, EntriesOfName> index;
  // Most names looked up while writing have no entry.
  tsn::NameFilter seen;
  std::unordered_set<std::string, TextHash, std::equal_to<>>
      texts;  // names and values, kept for the process
  TextArena arena;
  std::deque<DtbEntry> entries;
  std::deque<DtbWrec> wrecs;
  std::deque<IwAtt> atts;                        // attributes of the table
  std::vector<IwAtt*> free_copies;               // merged copies given back
  std::vector<std::unique_ptr<OpenFile>> files;  // being read, innermost last
  unsigned long files_read = 0;       // every read counted, nested or not
  unsigned long long bytes_read = 0;  // and the bytes they held
  bool over_budget = false;           // the bounds were met: nothing more is read
  unsigned long max_reads = tsn::kDtbMaxFileReads;  // lowered only by tests
  unsigned long long max_bytes = tsn::kDtbMaxBytesRead;
  std::unordered_map<std::string_view, Mark> marks;
  DesignFacts design;
  // The answers for the last context asked about at each depth (the top
  // group at 0): a walk that returns from a block finds those of the
  // block's parent still there.
  std::vector<std::unique_ptr<ContextMemo>> memos;
  unsigned long memos_made = 0;
  // The context asked about last (its cells and their components,
  // innermost first) and its answers: the writers ask many questions in a
  // row about one context.
  std::vector<std::pair<const TsnContext*, const IwCom*>> last_chain;
  const ContextMemo* last = nullptr;
  unsigned long last_made = 0;
  // The components (by display name) and nets of each group: a name of the
  // marks is resolved to what it names in the group an occurrence leads to.
  std::unordered_map<const IwGrp*, GroupNames> by_name;
  // The occurrence being written.
  IwAtt* current = nullptr;      // its annotation
  bool current_copied = false;   // current is a merged list of copies
  std::vector<DtbWrec*> wqueue;  // W record lists of the net being written
  std::size_t wpos = 0;          // get_wrec: the list being walked
  // Iteration of one occurrence's attributes.
  bool in_annotation = false;   // the previous attribute came from `current`
  std::string path;             // occurrence path for occurrence attributes
  int isoat = 0;
  // The variable definitions among each hierarchical component's
  // attributes, in igcossat order: every leaf below a block opens the
  // block's scope again, and most components define nothing.
  PtrMap<std::vector<const IwAtt*>> vardefs;
};
// The table belongs to the design it was read for: what it resolved is
// kept by the addresses of that design's records.
TsnDesignCache<DtbState> dtb_state;
DtbState& dtb() { return dtb_state.get(); }

outdata* netlist() { return w ? w->out : nullptr; }

// A copy of a text for the life of the process, from the arena: the names
// of entries and net delays, nearly all different.
const char* copy_text(std::string_view text) {
  TextArena& a = dtb().arena;
  const std::size_t need = text.size() + 1;
  if (need > a.left) {
    const std::size_t size = std::max(need, TextArena::kBlock);
    a.blocks.push_back(std::make_unique<char[]>(size));
    a.at = a.blocks.back().get();
    a.left = size;
  }
  char* copy = a.at;
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  a.at += need;
  a.left -= need;
  return copy;
}

// The one copy of a text that many attributes share (names and values).
const char* keep_text(std::string_view text) {
  auto it = dtb().texts.find(text);
  if (it == dtb().texts.end()) it = dtb().texts.emplace(text).first;
  return it->c_str();
}

std::string upper(std::string s) {
  rkStrUpc(s.data());
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

// The index slot of an entry's kind and data: attributes of a component,
// a net or a pin, or the W records of a net.
int slot_of(int flags) {
  if (flags & DTB_WRECS) return 3;
  switch (flags & DTB_KINDS) {
    case DTB_COMP:
      return 0;
    case DTB_NET:
      return 1;
    default:
      return 2;
  }
}

DtbEntry* find_entry(const char* name, int flags) {
  if (!dtb().table || !name || !dtb().seen.may_hold(name)) return nullptr;
  auto it = dtb().index.find(name);
  return it == dtb().index.end() ? nullptr : it->second[slot_of(flags)];
}

DtbEntry* fetch(const char* name, int flags) {
  DtbEntry* e = find_entry(name, flags);
  if (e) e->flags |= DTB_REFERENCED;
  return e;
}

// Marks the name of a new table entry and each prefix of it that ends
// before a backslash; new_net tells that it is the name's first net entry.
void mark_name(const char* name, int kind, bool new_net) {
  const std::string_view n(name);
  // From the name up towards the root, as far as something changes: a
  // prefix that was marked before has its own prefixes marked already,
  // and one that has pins below it has them marked so too.
  std::size_t cut = n.size();
  auto [it, made] = dtb().marks.try_emplace(n);
  Mark* child = &it->second;
  bool child_made = made;
  if (kind == DTB_COMP) child->com_here = true;
  if (kind == DTB_PIN) child->is_pin = true;
  for (bool first = true;; first = false) {
    const std::size_t at = cut == 0 ? std::string_view::npos : n.rfind('\\', cut - 1);
    const std::string_view segment =
        at == std::string_view::npos ? n.substr(0, cut) : n.substr(at + 1, cut - at - 1);
    auto [pit, pmade] =
        dtb().marks.try_emplace(at == std::string_view::npos ? std::string_view() : n.substr(0, at));
    Mark& parent = pit->second;
    if (child_made && child != &parent) {  // a name may begin with a backslash
      parent.children.emplace_back(segment, child);
      if (parent.answers) parent.answers->child_index.clear();
    }
    if (first) {
      if (kind == DTB_PIN) parent.pins_here = true;
      if (kind == DTB_NET) parent.nets_here = true;
      if (new_net) parent.net_children.push_back(segment);
    }
    const bool pins_were_below = parent.pins_below;
    if (kind == DTB_PIN) parent.pins_below = true;
    if (at == std::string_view::npos) break;
    if (!pmade && (kind != DTB_PIN || pins_were_below)) break;
    child = &parent;
    child_made = pmade;
    cut = at;
  }
  for (auto& m : dtb().memos) m->valid = false;
  dtb().last = nullptr;
}

DtbEntry* create_entry(const char* name, int flags) {
  DtbEntry& e = dtb().entries.emplace_back();
  e.name = name;
  e.flags = flags;
  e.bucket = rkSymStHash(name) % kDtbBuckets;
  e.seq = dtb().entries.size();
  auto [slot, made] = dtb().index.try_emplace(name);
  if (made) dtb().seen.add(name);
  EntriesOfName& same = slot->second;
  const bool new_net = (flags & DTB_KINDS) == DTB_NET && !same[1] && !same[3];
  same[slot_of(flags)] = &e;
  mark_name(name, flags & DTB_KINDS, new_net);
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
  IwAtt& a = dtb().atts.emplace_back();
  a.name = name;
  // keep_text holds one copy of each text for the process.
  a.value = iwkeptname(value);
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
  const char* name = (e.atts || e.wrecs) ? copy_text(e.name) : nullptr;
  for (DtbWrec* r = e.wrecs; r; r = r->next) r->netname = name;
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
  DtbWrec& r = dtb().wrecs.emplace_back();
  r.driver = copy_text(prefixed(f, driver));
  r.receiver = copy_text(prefixed(f, receiver));
  r.atts = keep_text(rest);
  if (e.last) {
    e.last->next = &r;
  } else {
    e.wrecs = &r;
  }
  e.last = &r;
}

char upper_char(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

void read_line(OpenFile& f, std::string_view line) {
  // A NUL ends the text of a line, as it ends every name made from it.
  line = line.substr(0, line.find('\0'));
  while (!line.empty() && (blank(line.back()) || line.back() == '\r' || line.back() == '\n'))
    line.remove_suffix(1);
  std::string_view rest;
  const std::string_view keyword = first_word(skip_blanks(line), &rest);
  if (keyword.empty() || keyword[0] == '|') return;
  if (keyword[0] == '.') {
    const bool ba =
        keyword.size() == 3 && upper_char(keyword[1]) == 'B' && upper_char(keyword[2]) == 'A';
    const bool ab =
        keyword.size() == 3 && upper_char(keyword[1]) == 'A' && upper_char(keyword[2]) == 'B';
    if (ba || ab) {
      finish_entry(f);
      f.in_block = ba;
    } else {
      log_text("Error: Bad .dtb format\n");
    }
    return;
  }
  switch (upper_char(keyword[0])) {
    case 'C':
    case 'N':
    case 'P': {
      if (!f.in_block) return;
      finish_entry(f);
      std::string_view word = first_word(rest, nullptr);
      if (word.empty()) return;
      const char kind = upper_char(keyword[0]);
      f.entry.kind = kind == 'C' ? DTB_COMP : kind == 'N' ? DTB_NET : DTB_PIN;
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
      llogmsg(netlist(), "%s",
              tsnMsgBuild(TSN_MSG_DTB_UNKNOWN, upper(std::string(keyword)).c_str()));
  }
}

bool has_extension(const char* name) {
  char ext[px::kMaxPath];
  return pxParse(name, nullptr, nullptr, nullptr, ext) == PX_OK && ext[0] != '\0';
}

const char* too_much(const char* path) {
  return tsnMsgBuild(TSN_MSG_DTB_TOO_MUCH, path, static_cast<int>(dtb().max_reads),
                     static_cast<int>(dtb().max_bytes >> 20));
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
  if (dtb().over_budget) return false;  // reported once, when it was met
  if (dtb().files_read >= dtb().max_reads) {
    dtb().over_budget = true;
    llogmsg(netlist(), "%s",
            too_much(path));
    return false;
  }
  for (const auto& open : dtb().files) {
    if (open->key == key) {
      llogmsg(netlist(), "%s", tsnMsgBuild(TSN_MSG_DTB_RECURSIVE));
      return false;
    }
  }
  // Only a regular file is read: a FIFO would wait for a writer.
  std::FILE* fp = rkDufsFopenRead(path);
  if (!fp) {
    llogmsg(netlist(), "%s", tsnMsgBuild(TSN_MSG_DTB_NOT_FOUND, path));
    return false;
  }
  auto f = std::make_unique<OpenFile>();
  char chunk[65536];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, fp)) > 0;) {
    if (dtb().bytes_read + f->text.size() + n > dtb().max_bytes) {
      std::fclose(fp);
      dtb().over_budget = true;
      llogmsg(netlist(), "%s",
              too_much(path));
      return false;
    }
    f->text.append(chunk, n);
  }
  std::fclose(fp);
  ++dtb().files_read;
  dtb().bytes_read += f->text.size();
  llogmsg(netlist(), "Using back-annotation file '%s'", path);
  // Room for the names a file of this size may hold (some 30 bytes an
  // entry), so that the tables are not laid out again and again.
  dtb().index.reserve(dtb().index.size() + f->text.size() / 30);
  dtb().marks.reserve(dtb().marks.size() + f->text.size() / 15);
  dtb().table = true;
  f->key = std::move(key);
  f->prefix = prefix;
  dtb().files.push_back(std::move(f));
  return true;
}

// The file's summary; it leaves the stack.
void close_file() {
  OpenFile& f = *dtb().files.back();
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
  dtb().files.pop_back();
}

// One step of reading the innermost file: a nested file is opened, a line
// is read, or the file ends.
void step() {
  OpenFile& f = *dtb().files.back();
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
  const std::string_view line = std::string_view(f.text).substr(f.pos, nl - f.pos);
  f.pos = nl + 1;
  read_line(f, line);
}

// --- the occurrence being written ----------------------------------------

// The reference is valid until the next component is looked up.
const std::vector<const IwAtt*>& vardefs_of(IwCom* com) {
  if (const auto* known = dtb().vardefs.find(com)) return *known;
  std::vector<const IwAtt*>& defs = dtb().vardefs[com];
  for (IwAtt* a = igcossat(com, nullptr); a; a = igcossat(com, a))
    if (ipvardef(a->name)) defs.push_back(a);
  return defs;
}

// Occurrence paths are only needed when occurrence attributes exist.
bool oats_loaded() { return iwgetcnt(2) + iwgetcnt(4) + iwgetcnt(8) > 0; }

bool annotated(const char* name) { return find_att(dtb().current, name) != nullptr; }

// One scope per occurrence: its annotated attributes, then its own and
// its symbol's, all as variable definitions of that level.  Only the
// definitions among them change the store; those of components that
// recur (the hierarchical ones on a path) are picked out once.
void push_scope(TsnContext* context, IwCom* com, bool recurs) {
  ippushlev();
  if (dtb().table)
    for (IwAtt* a = getDtbCompAtts(lgcomp(context, com, 0)); a; a = a->next) iaaddpatt(a);
  if (recurs && tsn_shortcut(TsnSwitch::kScopes)) {
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
    if (dtb().current) {
      dtb().in_annotation = true;
      return dtb().current;
    }
    dtb().in_annotation = false;
  } else if (dtb().in_annotation) {
    if (previous->next) return previous->next;
    dtb().in_annotation = false;
    previous = nullptr;
  }
  IwAtt* a = next_db(previous);
  while (a && dtb().current && annotated(a->name)) a = next_db(a);
  return a;
}

// Clears the current annotation, giving a merged list's copies back.
// Every record of a design without back-annotation passes here.
inline void release_current() {
  if (dtb().current_copied) {
    for (IwAtt* a = dtb().current; a; a = a->next) dtb().free_copies.push_back(a);
    dtb().current_copied = false;
  }
  dtb().current = nullptr;
}

// The net annotation of one name: its attributes merged into the current
// annotation, its W records queued.
void load_net_name(const char* name) {
  if (DtbEntry* e = fetch(name, DTB_NET | DTB_ATTS)) {
    dtb().current = merge_attlists(dtb().current, e->atts);
    dtb().current_copied = true;
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
  DesignFacts& d = dtb().design;
  d.known = true;
  d.oats = oats_loaded();
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
    for (IwNet* net = g->nets; net; net = net->next)
      d.odd_names = d.odd_names || odd_name(net->name);
    for (IwCom* com = iggrpcom(g, nullptr); com; com = iggrpcom(g, com)) {
      d.odd_names = d.odd_names || odd_name(igcomnam(com));
      for (IwPin* pin = igcompin(com); pin; pin = igpincnx(pin))
        d.pin_delays = d.pin_delays || delay_att(pin->atts);
      symbol(com->sym);
    }
  }
}

const Mark* mark_of(std::string_view name) {
  auto it = dtb().marks.find(name);
  return it == dtb().marks.end() ? nullptr : &it->second;
}

// Whether a net entry (attributes or W records) has this name.
bool names_net(const char* name) {
  return find_entry(name, DTB_NET | DTB_ATTS) || find_entry(name, DTB_NET | DTB_WRECS);
}

// Without a group to look in: whether any net entry could name a global net.
bool names_globals_somewhere() {
  const Mark* root = mark_of(std::string_view());
  return root && !root->net_children.empty();
}

const GroupNames& names_in(IwGrp* g) {
  auto [it, made] = dtb().by_name.try_emplace(g);
  if (made) {
    for (IwCom* com = iggrpcom(g, nullptr); com; com = iggrpcom(g, com)) {
      const char* n = igcomnam(com);
      it->second.coms[n ? n : ""].push_back(com);
    }
    for (IwNet* net = g->nets; net; net = net->next) {
      it->second.nets.try_emplace(net->name, net);
      if (net->kind == IW_GLOBALNET && names_net(net->name)) it->second.globals_annotated = true;
    }
  }
  return it->second;
}

// Which components and nets of the group behind the context the marks
// below its path name: each child segment is a display name or a net name
// of that group, as no name of the design holds a backslash.
// The names one segment below mark in group, formed once per mark and
// group.
const Resolution* resolve(const Mark* mark, IwGrp* g) {
  if (!mark || dtb().design.odd_names || !g) return nullptr;
  auto& known = mark->kept().resolutions;
  for (const auto& r : known)
    if (r->group == g) return r.get();
  Resolution& r = *known.emplace_back(std::make_unique<Resolution>());
  r.group = g;
  const GroupNames& names = names_in(g);
  for (const auto& [segment, child] : mark->children) {
    auto it = names.coms.find(segment);
    if (it == names.coms.end()) continue;
    for (IwCom* com : it->second) {
      r.touched.push_back(com);
      if (!child->pins_here && !child->pins_below) continue;
      r.pin_owners.emplace_back(com, child);
      for (IwPin* pin = igcompin(com); pin; pin = igpincnx(pin))
        r.pin_nets.push_back(igpinnet(pin));
    }
  }
  for (std::string_view segment : mark->net_children) {
    auto it = names.nets.find(segment);
    if (it != names.nets.end()) r.nets.push_back(it->second);
  }
  std::sort(r.touched.begin(), r.touched.end());
  std::sort(r.pin_owners.begin(), r.pin_owners.end());
  std::sort(r.pin_nets.begin(), r.pin_nets.end());
  std::sort(r.nets.begin(), r.nets.end());
  return &r;
}

// The mark of the name one segment below parent's, or null.
const Mark* child_of(const Mark* parent, std::string_view segment) {
  if (!parent) return nullptr;
  constexpr std::size_t kScanned = 8;  // shorter lists are searched in place
  if (parent->children.size() <= kScanned) {
    for (const auto& [s, child] : parent->children)
      if (s == segment) return child;
    return nullptr;
  }
  auto& index = parent->kept().child_index;
  if (index.empty())
    for (const auto& [s, child] : parent->children) index.emplace(s, child);
  auto it = index.find(segment);
  return it == index.end() ? nullptr : it->second;
}

// The answers for the context at depth (its number of components), from
// the memo of that depth while it holds the same component and its
// parent's answers are the ones it was formed from.  A context's answers
// are formed from its parent's: one more name on the path.
const ContextMemo& marks_at(TsnContext* context, std::size_t depth) {
  while (dtb().memos.size() <= depth) dtb().memos.push_back(std::make_unique<ContextMemo>());
  ContextMemo& m = *dtb().memos[depth];
  const bool odd = dtb().design.odd_names;
  IwGrp* g;
  if (!context) {
    if (m.valid) return m;
    m.path.clear();
    m.path_marked = false;
    m.here = mark_of(std::string_view());
    g = w ? w->tgroup : nullptr;
  } else {
    const ContextMemo& parent = marks_at(context->next, depth - 1);
    if (m.valid && m.com == context->com && m.parent_made == parent.made) return m;
    m.com = context->com;
    m.parent_made = parent.made;
    const char* n = igcomnam(context->com);
    if (odd) {
      // A display name holding a backslash spans several segments of the
      // marks: the whole path is looked up.
      m.path = parent.path;
      m.path += n ? n : "";
      m.here = mark_of(m.path);
      m.path += '\\';
    } else {
      m.here = child_of(parent.here, n ? n : "");
    }
    // A component entry opens a variable scope for everything below; a
    // pin entry of the block may delay the pins inside it.
    m.path_marked =
        parent.path_marked ||
        (m.here && (m.here->com_here || m.here->pins_here || (odd && m.here->pins_below)));
    g = context->com->sym ? context->com->sym->grp : nullptr;
  }
  m.group = g;
  m.names = resolve(m.here, g);
  m.made = ++dtb().memos_made;
  m.valid = true;
  return m;
}

const ContextMemo& context_marks(TsnContext* context) {
  auto& chain = dtb().last_chain;
  if (dtb().last && dtb().last->made == dtb().last_made) {
    std::size_t i = 0;
    const TsnContext* c = context;
    for (; c && i < chain.size() && chain[i].first == c && chain[i].second == c->com; c = c->next)
      ++i;
    if (!c && i == chain.size()) return *dtb().last;
  }
  if (!dtb().design.known) learn_design();
  chain.clear();
  for (TsnContext* c = context; c; c = c->next) chain.emplace_back(c, c->com);
  const ContextMemo& m = marks_at(context, chain.size());
  dtb().last = &m;
  dtb().last_made = m.made;
  return m;
}

template <class T>
bool holds(const std::vector<T*>& sorted, const T* x) {
  return std::binary_search(sorted.begin(), sorted.end(), x);
}

// Whether a pin entry names a pin that the net reaches downward from the
// context: a leaf pin, or a block pin on the way down.  Only blocks with
// a pin entry below them are entered.  Every pin whose delay could come
// from the table is such a pin or lies below one, as long as no port is
// joined to another inside its block (the caller's condition).
bool pins_annotated_on(TsnContext* context, IwNet* net) {
  const ContextMemo& m = context_marks(context);
  if (!m.here || !m.here->pins_below) return false;
  if (!m.names) return true;
  const Resolution& r = *m.names;
  if (!holds(r.pin_nets, net)) return false;
  for (IwPin* pin = ignetpin(net); pin; pin = igpinnnx(pin)) {
    IwCom* owner = igpinown(pin);
    auto at = std::lower_bound(r.pin_owners.begin(), r.pin_owners.end(),
                               std::pair<IwCom*, const Mark*>(owner, nullptr));
    if (at == r.pin_owners.end() || at->first != owner) continue;
    const Mark* om = at->second;
    IwSpn* spn = igpinspn(pin);
    if (!spn) return true;
    const std::string_view pin_name(spn->name ? spn->name : "");
    for (const auto& [segment, child] : om->children)
      if (child->is_pin && segment == pin_name) return true;
    if (!om->pins_below || tsn_atbottom(owner) || !spn->net) continue;
    TsnContext inner{context, owner};
    if (pins_annotated_on(&inner, spn->net)) return true;
  }
  return false;
}

}  // namespace

// --- reading ---------------------------------------------------------------

int readDtbFile(const char* name, const char* prefix) {
  if (!name || !name[0]) return 1;
  const std::size_t base = dtb().files.size();
  if (!open_file(name, prefix ? prefix : "")) return 1;
  while (dtb().files.size() > base) step();
  return 0;
}

// --- the table ----------------------------------------------------------------

namespace {

IwAtt* fetch_atts(const char* name, int kind) {
  DtbEntry* e = fetch(name, kind | DTB_ATTS);
  return e ? e->atts : nullptr;
}

}  // namespace

IwAtt* getDtbCompAtts(const char* name) { return fetch_atts(name, DTB_COMP); }
IwAtt* getDtbNetAtts(const char* name) { return fetch_atts(name, DTB_NET); }
IwAtt* getDtbPinAtts(const char* name) { return fetch_atts(name, DTB_PIN); }

DtbWrec* getDtbNetWrecs(const char* name) {
  DtbEntry* e = fetch(name, DTB_NET | DTB_WRECS);
  return e ? e->wrecs : nullptr;
}

IwAtt* merge_attlists(IwAtt* list, IwAtt* second) {
  for (IwAtt* a = second; a; a = a->next) {
    IwAtt* copy;
    if (!dtb().free_copies.empty()) {
      copy = dtb().free_copies.back();
      dtb().free_copies.pop_back();
    } else {
      copy = &dtb().atts.emplace_back();
    }
    copy->name = a->name;
    copy->value = a->value;
    // The copy it replaces goes back for reuse.
    if (IwAtt* old = find_att(list, a->name)) dtb().free_copies.push_back(old);
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

std::vector<const DtbEntry*> entries_in_table_order() {
  std::vector<const DtbEntry*> all;
  for (const DtbEntry& e : dtb().entries) all.push_back(&e);
  std::sort(all.begin(), all.end(), [](const DtbEntry* a, const DtbEntry* b) {
    return a->bucket != b->bucket ? a->bucket < b->bucket : a->seq > b->seq;
  });
  return all;
}

}  // namespace

void unrefDtbs() {
  if (!dtb().table) return;
  std::vector<const DtbEntry*> unref;
  for (const DtbEntry* e : entries_in_table_order())
    if (!(e->flags & DTB_REFERENCED)) unref.push_back(e);
  if (unref.empty()) return;
  llogmsg(netlist(), "%s", tsnMsgBuild(TSN_MSG_DTB_UNMATCHED, static_cast<int>(unref.size())));
  for (const DtbEntry* e : unref) llogmsg(netlist(), "    %c %s", kind_letter(e->flags), e->name);
}

void printDtbStructures() {
  if (!dtb().table) {
    std::fputs("No dtb table exists.\n", stdout);
    return;
  }
  // A dump from an earlier run is replaced whole or not at all.
  RkReplace out;
  std::FILE* fp = rkReplaceOpen(&out, "dtb.out");
  if (!fp) {
    std::fputs("Error: Could not open dtb.out for printing dtb entries.\n", stdout);
    return;
  }
  for (const DtbEntry* e : entries_in_table_order()) {
    std::fprintf(fp, "%c %s\n", kind_letter(e->flags), e->name);
    if (e->flags & DTB_ATTS)
      for (const IwAtt* a = e->atts; a; a = a->next)
        std::fprintf(fp, "A %s=%s\n", a->name, a->value.c_str());
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
  if (!rkReplaceCommit(&out, fp))
    std::fputs("Error: Could not open dtb.out for printing dtb entries.\n", stdout);
}

void dtbFree() {}

// --- the occurrence being written ---------------------------------------------

void tsnLoadCom(TsnContext* context, IwCom* com) {
  push_path(context);
  // A component inside a block recurs at every instance of the block.
  push_scope(context, com, context != nullptr);
  dtb().current = dtb().table ? getDtbCompAtts(lgcomp(context, com, 0)) : nullptr;
  dtb().current_copied = false;
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
  // Without a table nothing is ever current.
  if (!dtb().table) return;
  release_current();
  if (!net) return;
  for (IwAtt* a = net->atts; a; a = a->next) {
    if (std::strcmp(a->name, "NET_ALIAS") != 0) continue;
    char alias[tsn::kNameBuffer];
    lstrncpy(alias, a->value ? a->value : "", sizeof alias);
    if (net->kind != IW_GLOBALNET) hiername(context, alias, sizeof alias, 0);
    load_net_name(alias);
  }
  load_net_name(lgnet(context, net, LONG_TSN_FILE, 0));
}

void tsnUnloadNet() {
  if (dtb().current) release_current();
}

void tsnLoadPin(TsnContext* context, IwPin* pin) {
  release_current();
  if (!dtb().table) return;
  for (; pin; pin = tsn_get_uppin(context, pin), context = tsn_get_cntxt_next(context)) {
    if (IwAtt* a = getDtbPinAtts(lgpin(context, pin, 0))) {
      dtb().current = a;
      return;
    }
    if (!context) return;
  }
}

void tsnUnloadPin() { release_current(); }

IwAtt* tsngcossat(TsnContext* context, IwCom* com, IwAtt* previous) {
  if (!previous) dtb().path = oats_loaded() ? lgcomp(context, com, 1) : "";
  return iterate(previous, [&](IwAtt* p) { return igocsatt(dtb().path.c_str(), com, &dtb().isoat, p); });
}

IwAtt* tsngcospat(TsnContext* context, IwPin* pin, IwAtt* previous) {
  if (!previous) dtb().path = oats_loaded() ? lgpin(context, pin, 1) : "";
  return iterate(previous, [&](IwAtt* p) { return igopsatt(dtb().path.c_str(), pin, &dtb().isoat, p); });
}

IwAtt* tsngnetatt(TsnContext* context, IwNet* net, IwAtt* previous) {
  if (!previous) dtb().path = oats_loaded() ? lgnet(context, net, 0, 1) : "";
  return iterate(previous, [&](IwAtt* p) { return igonatt(dtb().path.c_str(), net, &dtb().isoat, p); });
}

IwAtt* tsnfcospat(const char* name, TsnContext* context, IwPin* pin) {
  for (IwAtt* a = tsngcospat(context, pin, nullptr); a; a = tsngcospat(context, pin, a))
    if (std::strcmp(a->name, name) == 0) return a;
  return nullptr;
}

// --- W records of the net being written -------------------------------------

void store_wlist(DtbWrec* list) {
  if (list) dtb().wqueue.push_back(list);
}

DtbWrec* get_wrec(DtbWrec* previous) {
  if (!previous) {
    dtb().wpos = 0;
    return dtb().wqueue.empty() ? nullptr : dtb().wqueue[0];
  }
  if (previous->next) return previous->next;
  if (++dtb().wpos >= dtb().wqueue.size()) return nullptr;
  return dtb().wqueue[dtb().wpos];
}

void release_wlists() {
  dtb().wqueue.clear();
  dtb().wpos = 0;
}

void free_wlinks() {
  release_wlists();
  dtb().wqueue.shrink_to_fit();
}

// --- shortcuts ------------------------------------------------------------------

bool tsnShortcutOk(TsnShortcut what, TsnContext* context, IwCom* com, IwNet* net) {
  if (!dtb().table) return !oats_loaded();
  if (!dtb().design.known) learn_design();
  if (dtb().design.oats) return false;
  const ContextMemo& m = context_marks(context);
  switch (what) {
    case TsnShortcut::kComponent: {
      if (m.path_marked) return false;
      if (!m.here) return true;
      if (m.names) return !holds(m.names->touched, com);
      // An entry of the component itself, or of one of its pins.
      const char* n = com ? igcomnam(com) : nullptr;
      return !mark_of(m.path + (n ? n : ""));
    }
    case TsnShortcut::kGroup:
      return !m.path_marked && !m.here;
    case TsnShortcut::kQuietNets:
      // A global net is named by its own name at every level.
      if (m.group ? names_in(m.group).globals_annotated : names_globals_somewhere()) return false;
      return !m.here || (!m.here->nets_here && m.names);
    case TsnShortcut::kQuietNet:
      if (net && net->kind == IW_GLOBALNET) return !names_net(net->name);
      return !m.here || (m.names && !holds(m.names->nets, net));
    case TsnShortcut::kPinDelays:
      if (dtb().design.pin_delays || dtb().design.joined_ports) return false;
      return !m.here || !m.here->pins_below;
    case TsnShortcut::kPinDelayNet:
      // The pins a root net's delays come from are those it reaches and
      // those above them up to the net's own level.
      if (dtb().design.pin_delays || dtb().design.joined_ports) return false;
      return !pins_annotated_on(context, net);
  }
  return false;
}

void tsndtb_reset() { dtb_state.reset(); }

void tsndtb_read_limits(unsigned long reads, unsigned long long bytes) {
  dtb().max_reads = reads;
  dtb().max_bytes = bytes;
}
