// wirelist/iwoatfile.cc - occurrence-attribute files: reading them into
// the table, the design walk that follows "OAT" attributes into further
// files, the orphan test and cleaning; see iwoat.h.
//
// File format, one statement per line.  Words are separated by blanks and
// tabs (a carriage return reads as a blank) and compared upper-cased; a
// NUL byte ends a line's text.  Paths, names and values are upper-cased.
//
//   |...                  comment (so is an empty line)
//   V <version>           read and not used
//   SN ..., SO ...        accepted and ignored
//   OVERRIDE ON|OFF       whether a later A line replaces an attribute of
//                         the same name the occurrence has (OFF: the first
//                         value stays); each file starts with OFF
//   .BA                   begins the occurrence section
//   C|P|N <path>          a component, pin or net occurrence; the A lines
//                         that follow belong to it
//   A <name> [=] <value>  an attribute: the value runs to the line end, a
//                         tab or an "="; blanks inside it belong to it
//   G ...                 accepted and ignored
//   .AB                   ends the section, override back to OFF
//
// Outside the section only V, SN, SO, OVERRIDE, .BA and comments may
// stand; inside it only words beginning with A, C, G, N or P, OVERRIDE
// and .AB.  Anything else is a syntax error (5) and ends the reading, as
// do a C, P or N line without a path, a SIGNAL attribute of a component
// without ";", a name of 256 characters or more and a value of more than
// 16383; a path longer than iw::kOatPathChars is result 8.
//
// Cleaning never writes the file in place: the new contents go to a
// temporary file beside it that replaces it in one rename, only after
// every byte reached the disk, so that any failure (a full disk, a
// directory that cannot be written, a syntax error found later, the end
// of the process) leaves the file exactly as it was.  Only the lines of
// orphaned occurrences change ("|" put in front); every other byte stays,
// line ends included, and a file with nothing to comment out is not
// rewritten at all.
//
// The design walk visits every component occurrence, which a large design
// has millions of.  Where the table names no further file at or below a
// group occurrence, only what the stored groups hold can matter, and that
// is the same at every occurrence of the group: it is gathered once per
// group (IwOatBelow), and such an occurrence is entered only when a
// component below it names a file, lacks a name, symbol or group, or its
// paths would grow too long, exactly where the full walk would find
// something.  With the shortcuts off (iwsetshortcuts) every occurrence is
// visited.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "catalogs/nodex.h"
#include "store/pxlib.h"
#include "util/rkassert.h"
#include "util/rkreplace.h"
#include "util/rkstr.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwfile.h"
#include "wirelist/iwindex.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwoat.h"
#include "wirelist/iwsession.h"
#include "wirelist/limits.h"

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view skip_blanks(std::string_view s) {
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  return s;
}

// The first word of s and, in *rest, what follows the blanks after it.
std::string_view first_word(std::string_view s, std::string_view* rest) {
  s = skip_blanks(s);
  std::size_t n = 0;
  while (n < s.size() && !blank(s[n])) ++n;
  if (rest) *rest = skip_blanks(s.substr(n));
  return s.substr(0, n);
}

std::string upper(std::string_view s) {
  std::string u(s);
  rkStrUpc(u.data());
  return u;
}

// Whether the file part of name (after a library prefix and the last
// "/") has an extension: a dot that is not its first character.
bool has_extension(const char* name) {
  std::string_view file(iwparsename(name));
  std::size_t slash = file.rfind('/');
  if (slash != std::string_view::npos) file.remove_prefix(slash + 1);
  if (file == "." || file == "..") return false;
  std::size_t dot = file.rfind('.');
  return dot != std::string_view::npos && dot > 0;
}

bool read_all(std::FILE* fp, std::string* text) {
  char chunk[65536];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, fp)) > 0;) text->append(chunk, n);
  return !std::ferror(fp);
}

// --- the orphan test --------------------------------------------------------

// The first component of group (in iggrpcom order) whose instance name is
// name.  While iwoat runs each group's components are indexed, since a
// large file tests a path for every entry.
IwCom* component_named(IwGrp* g, std::string_view name) {
  if (iws.oatgroup && iws.shortcuts) {
    auto [it, made] = iws.oatcoms.try_emplace(g);
    if (made)
      for (IwCom* com = iggrpcom(g, nullptr); com; com = iggrpcom(g, com))
        if (com->name) it->second.try_emplace(com->name, com);
    auto found = it->second.find(name);
    return found == it->second.end() ? nullptr : found->second;
  }
  for (IwCom* com = iggrpcom(g, nullptr); com; com = iggrpcom(g, com))
    if (com->name && name == com->name) return com;
  return nullptr;
}

// --- reading ------------------------------------------------------------

// One file being read.
struct OatReader {
  std::string prefix;               // put in front of every path
  bool in_section = false;          // between .BA and .AB
  bool override = false;            // OVERRIDE ON
  IwOatEntry* current = nullptr;    // the occurrence the A lines belong to
  bool orphan = false;              // the current occurrence is orphaned
  bool kill = false;                // orphans are found (and not loaded)
  int result = IW_OAT_LOADED;
  std::vector<std::size_t> commented;  // offsets of the lines to comment out
};

// Notes that the component entry at path names a further file: path and
// every prefix of it that ends before a backslash.
void note_named(std::string_view path) {
  for (;;) {
    if (!iws.oatnamed.emplace(path).second) return;
    std::size_t bs = path.rfind('\\');
    if (bs == std::string_view::npos) return;
    path = path.substr(0, bs);
  }
}

int occurrence_line(OatReader& r, char letter, std::string_view rest) {
  std::string_view word = first_word(rest, nullptr);
  if (word.empty()) return IW_OAT_SYNTAX;
  if (r.prefix.size() + word.size() > iw::kOatPathChars) return IW_OAT_INTERNAL;
  const int kind = letter == 'C' ? IW_OAT_COM : letter == 'P' ? IW_OAT_PIN : IW_OAT_NET;
  const std::string path = upper(r.prefix + std::string(word));
  r.current = nullptr;
  r.orphan = r.kill && isOrphanOat(path.c_str(), kind, iws.oatgroup ? iws.oatgroup : iws.topgrp);
  if (!r.orphan) r.current = iwoatentry(path.c_str(), kind, 1);
  return 0;
}

// "A name value": the value runs to the end of the line, a tab or an "=";
// "=" and blanks between name and value are skipped.
int attribute_line(OatReader& r, std::string_view rest) {
  std::size_t n = 0;
  while (n < rest.size() && !blank(rest[n]) && rest[n] != '=') ++n;
  const std::string name = upper(rest.substr(0, n));
  rest.remove_prefix(n);
  while (!rest.empty() && (blank(rest.front()) || rest.front() == '=')) rest.remove_prefix(1);
  n = 0;
  while (n < rest.size() && rest[n] != '=' && rest[n] != '\t') ++n;
  std::string value = upper(rest.substr(0, n));
  std::replace(value.begin(), value.end(), '\r', ' ');
  while (!value.empty() && value.back() == ' ') value.pop_back();
  if (!r.current) return 0;  // before any occurrence, or an orphan's
  if (!rkAssertCheck(!name.empty(), "(name != NULL) && (*name != '", stderr)) return 0;
  if (name.size() >= iw::kAttNameBuffer || value.size() >= iw::kAttValueBuffer)
    return IW_OAT_SYNTAX;
  IwAtt*& list = r.current->atts;
  if (r.current->kind == IW_OAT_COM && name == "SIGNAL") {
    // Several signals may be given; the same one twice is kept once.
    if (value.find(';') == std::string::npos) return IW_OAT_SYNTAX;
    if (!iwdupatt(list, name.c_str(), value.c_str()))
      list = iwaddatt(list, iwmkatt(name.c_str(), value.c_str()));
    return 0;
  }
  if (r.current->kind == IW_OAT_COM && name == "OAT") note_named(r.current->path);
  IwAtt* old = iwgetatt(list, name.c_str());
  if (!old) {
    list = iwaddatt(list, iwmkatt(name.c_str(), value.c_str()));
  } else if (r.override) {
    list = iwdelatt(list, old);
    list = iwaddatt(list, iwmkatt(name.c_str(), value.c_str()));
    r.result = std::max(r.result, IW_OAT_REPLACED);
  }
  return 0;
}

// One line; 0, or the result that ends the reading.
int read_line(OatReader& r, std::string_view line, std::size_t at) {
  line = line.substr(0, line.find('\0'));
  std::string_view rest;
  const std::string word = upper(first_word(line, &rest));
  if (word.empty() || word[0] == '|') return 0;
  if (word == "OVERRIDE") {
    const std::string mode = upper(first_word(rest, nullptr));
    if (mode != "ON" && mode != "OFF") return IW_OAT_SYNTAX;
    r.override = mode == "ON";
    return 0;
  }
  if (!r.in_section) {
    if (word == "V" || word == "SN" || word == "SO") return 0;
    if (word != ".BA") return IW_OAT_SYNTAX;
    r.in_section = true;
    return 0;
  }
  if (word == ".AB") {
    r.in_section = false;
    r.override = false;
    r.current = nullptr;
    r.orphan = false;
    return 0;
  }
  switch (word[0]) {
    case 'C':
    case 'P':
    case 'N': {
      int code = occurrence_line(r, word[0], rest);
      if (r.orphan) r.commented.push_back(at);
      return code;
    }
    case 'A':
      if (r.orphan) r.commented.push_back(at);
      return attribute_line(r, rest);
    case 'G':
      return 0;
  }
  return IW_OAT_SYNTAX;
}

// Writes text to a file that replaces path, with "|" in front of the lines
// that start at the offsets given; false (path untouched, no temporary
// file left) when any step fails.
bool rewrite(const char* path, const std::string& text, const std::vector<std::size_t>& at) {
  RkReplace rep;
  std::FILE* fp = rkReplaceOpen(&rep, path, nullptr, RK_REPLACE_NEVER_IN_PLACE);
  if (!fp) return false;
  std::size_t from = 0;
  bool ok = true;
  for (std::size_t line : at) {
    ok = ok && std::fwrite(text.data() + from, 1, line - from, fp) == line - from;
    ok = ok && std::fputc('|', fp) != EOF;
    from = line;
  }
  ok = ok && std::fwrite(text.data() + from, 1, text.size() - from, fp) == text.size() - from;
  if (!ok) {
    rkReplaceDiscard(&rep, fp);
    return false;
  }
  return rkReplaceCommit(&rep, fp);
}

// --- the design walk ----------------------------------------------------

void report_null(const IwGrp* g, const char* missing) {
  iwmsghndlr(4, NDX_OATNULLPTR, iggrpnam(g), missing);
}

// What the walk meets below g when the table names nothing there (see
// IwOatBelow), formed once per group.  Depth-first with a stack of its
// own: a design may nest groups deeper than the machine stack allows.
const IwOatBelow& below(IwGrp* top) {
  IwOatBelow& known = iws.oatbelow[top];
  if (known.state == 2) return known;
  struct Frame {
    IwGrp* g;
    IwCom* com = nullptr;  // the component being looked at
    IwOatBelow acc;
  };
  auto take = [](IwOatBelow& acc, const IwCom* com, const IwOatBelow& sub) {
    acc.enter = acc.enter || sub.enter;
    const long here = static_cast<long>(std::strlen(com->name)) + (sub.longest >= 0 ? 1 + sub.longest : 0);
    acc.longest = std::max(acc.longest, here);
  };
  std::vector<Frame> stack;
  stack.push_back(Frame{top, nullptr, IwOatBelow{}});
  known.state = 1;
  while (!stack.empty()) {
    Frame& f = stack.back();
    f.com = iggrpcom(f.g, f.com);
    if (!f.com) {
      IwOatBelow& done = iws.oatbelow[f.g];
      done = f.acc;
      done.state = 2;
      stack.pop_back();
      if (!stack.empty()) take(stack.back().acc, stack.back().com, done);
      continue;
    }
    IwCom* com = f.com;
    if (!com->name || !com->sym || !com->sym->grp || ifcossat("OAT", com)) {
      f.acc.enter = true;
      if (!com->name) continue;
    }
    IwGrp* sub = com->sym ? com->sym->grp : nullptr;
    if (!sub) {
      take(f.acc, com, IwOatBelow{});
      continue;
    }
    IwOatBelow& s = iws.oatbelow[sub];
    if (s.state == 2) {
      take(f.acc, com, s);
    } else if (s.state == 1) {
      f.acc.enter = true;  // a group that places itself: its paths never end
    } else {
      s.state = 1;
      stack.push_back(Frame{sub, nullptr, IwOatBelow{}});  // f may move: not used after this
    }
  }
  return iws.oatbelow[top];
}

// Whether the table names a further file at or below the group occurrence
// whose paths begin with prefix.
bool named_below(const std::string& prefix) {
  if (prefix.empty()) return !iws.oatnamed.empty();
  return iws.oatnamed.count(prefix.substr(0, prefix.size() - 1)) != 0;
}

// Loads the file an "OAT" attribute of com names, for the occurrence at
// path.
int load_named(const IwAtt* att, const IwCom* com, const std::string& path) {
  if (!att->value || !att->value[0]) return IW_OAT_BAD_NAME;
  std::string name = att->value.c_str();
  if (!std::strchr(att->value, ':')) {
    const char* lib = com->sym ? iggrplnm(com->sym->grp) : "";
    if (lib && lib[0]) name = std::string(lib) + ":" + name;
  }
  if (name.size() > iw::kOatNameChars) return IW_OAT_BAD_NAME;
  return iwloadoat((path + "\\").c_str(), name.c_str());
}

// The walk below group g, whose occurrence paths begin with prefix.
int walk(IwGrp* g, std::string& prefix) {
  int result = IW_OAT_NOTHING;
  if (iws.shortcuts && !named_below(prefix)) {
    const IwOatBelow& b = below(g);
    if (!b.enter && (b.longest < 0 || prefix.size() + static_cast<std::size_t>(b.longest) <=
                                          iw::kOatPathChars))
      return result;
  }
  const std::size_t mark = prefix.size();
  for (IwCom* com = iggrpcom(g, nullptr); com; com = iggrpcom(g, com)) {
    if (!com->name) {
      report_null(g, "name");
      continue;
    }
    prefix += com->name;
    int r = IW_OAT_NOTHING;
    if (prefix.size() > iw::kOatPathChars) {
      r = IW_OAT_INTERNAL;
    } else if (IwAtt* att = ifocsatt("OAT", prefix.c_str(), com, nullptr)) {
      r = load_named(att, com, prefix);
    }
    if (r < IW_OAT_NO_FILE) {
      if (!com->sym || !com->sym->grp) {
        report_null(g, com->sym ? "symbol group" : "symbol");
      } else {
        prefix += '\\';
        r = std::max(r, walk(com->sym->grp, prefix));
      }
    }
    prefix.resize(mark);
    result = std::max(result, r);
    if (r >= IW_OAT_NO_FILE) return r;
  }
  return result;
}

// What iwoat keeps while it runs, dropped at its end: the design may
// change before the next call.
struct OatRun {
  explicit OatRun(IwGrp* g) { iws.oatgroup = g; }
  ~OatRun() {
    iws.oatgroup = nullptr;
    iws.oatcoms.clear();
    iws.oatbelow.clear();
  }
  OatRun(const OatRun&) = delete;
  OatRun& operator=(const OatRun&) = delete;
};

}  // namespace

int iwloadoat(const char* prefix, const char* name) {
  if (!prefix || !name) return IW_OAT_INTERNAL;
  if (!iwoattab()) return IW_OAT_MEMORY;
  std::string file = name;
  if (!has_extension(name)) file += ".oat";
  char path[iw::kFileName];
  int access = -1;
  std::FILE* fp = iwfileinfo(file.c_str(), "sch", path, nullptr, &access, 1);
  if (!fp) return IW_OAT_NO_FILE;
  std::string text;
  const bool read = read_all(fp, &text);
  std::fclose(fp);
  if (!read) return IW_OAT_NO_FILE;

  OatReader r;
  r.prefix = prefix;
  bool clean = false;
  if (iws.killoat) {
    if (!iws.designloaded) {
      // Nothing could be told from an orphan before the design is there.
      iws.killoat = false;
      r.result = IW_OAT_NOTHING;
    } else if (prefix[0] == '\0' && access == 1) {
      clean = true;
    } else {
      r.result = IW_OAT_NOT_CLEANED;
    }
  }
  r.kill = iws.killoat;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t nl = text.find('\n', at);
    if (nl == std::string::npos) nl = text.size();
    if (int code = read_line(r, std::string_view(text).substr(at, nl - at), at)) return code;
    at = nl + 1;
  }
  // A file whose every entry is orphaned is left as it is: that is rather
  // a design loaded from the wrong place than a file to empty.
  if (iwgetcnt(IW_OAT_COM) + iwgetcnt(IW_OAT_PIN) + iwgetcnt(IW_OAT_NET) == 0) return IW_OAT_EMPTY;
  if (clean && !r.commented.empty() && !rewrite(path, text, r.commented))
    return IW_OAT_NOT_CLEANED;
  return r.result;
}

int isOrphanOat(const char* path, int kind, IwGrp* group) {
  if (!path || !group) return 1;
  const std::string up = upper(path);
  std::string_view rest(up);
  IwGrp* g = group;
  for (std::size_t bs; (bs = rest.find('\\')) != std::string_view::npos;) {
    IwCom* com = component_named(g, rest.substr(0, bs));
    if (!com || !com->sym || !com->sym->grp) return 1;
    g = com->sym->grp;
    rest.remove_prefix(bs + 1);
  }
  const std::string last(rest);
  switch (kind) {
    case IW_OAT_COM:
      return component_named(g, last) ? 0 : 1;
    case IW_OAT_PIN:
      return g->sym && iwspnfind(g->sym, last.c_str()) ? 0 : 1;
    case IW_OAT_NET:
      return ifupnetnet(last.c_str(), g->nets) ? 0 : 1;
  }
  return 1;
}

int iwoat(IwGrp* group, int load, const char* name) {
  if (!group) return IW_OAT_NO_GROUP;
  if (!iwoattab()) return IW_OAT_MEMORY;
  OatRun run(group);
  int result = IW_OAT_NOTHING;
  if (load) {
    if (!name) return IW_OAT_NO_GROUP;
    if (!name[0]) return IW_OAT_BAD_NAME;
    std::string file = name;
    if (!std::strchr(name, ':')) {
      const char* lib = iggrplnm(group);
      if (lib && lib[0]) file = std::string(lib) + ":" + file;
    }
    if (file.size() > iw::kOatNameChars) return IW_OAT_BAD_NAME;
    rkStrLoc(file.data());
    result = iwloadoat("", file.c_str());
    if (result >= IW_OAT_NO_FILE) return result;
  }
  std::string prefix;
  result = std::max(result, walk(group, prefix));
  return result < IW_OAT_NOTHING || result > IW_OAT_INTERNAL ? IW_OAT_INTERNAL : result;
}
