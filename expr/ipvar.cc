// expr/ipvar.cc - the variable store, variable files and substitution;
// see ipvar.h.
//
// State lives in one record, ip: the 100 levels (each made on first use),
// the current level, the search order, the copies of file lines, the
// expansion guard, the scratch pool and the catalog handle of ipgetmsg.
//
// A level hashes names into 23 buckets (iwhash); each bucket keeps its
// names in ascending byte order, as an ordered tree so that a level filled
// from a large file stays logarithmic to search and extend.  Names are
// compared byte for byte: file lines are upper-cased when read and
// attribute names are interned upper case, so both meet.
//
// Substitution must be safe on any attribute value.  It writes into one
// 1024-byte buffer and stops with code 5 when that is full, so its output
// is bounded whatever the values expand to.  It keeps its own stack of
// texts being scanned instead of recursing, so a long chain of variables
// each naming the next cannot exhaust the call stack; the expansion guard
// holds the names on that stack, which ends every cycle (code 8) and
// bounds the depth by the number of distinct names.
//
// Behaviour chosen where the rules leave a gap:
//  - A file line whose name is empty ("@ = 1", "@@") is a definition
//    without a name (9), which makes the file's result 3.
//  - A definition line longer than 1023 characters is not accepted (3)
//    rather than cut into a wrong value; longer lines defining nothing
//    are skipped.
//  - ipfinfile withdraws the definitions made from file lines along with
//    their copies, so the store never points into freed memory.
//  - ipincfile and ipadddef give 11 before ipinit (or after ipfinish).
//  - A code-8 stop ends the whole substitution, not only the inner text.
//  - ipgetmsg drops the catalog's "[E] " severity prefix: its texts are
//    phrases placed inside other messages.
#include "expr/ipvar.h"

#include <array>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "catalogs/nodex.h"
#include "expr/ixeval.h"
#include "expr/limits.h"
#include "store/limits.h"
#include "store/pxlib.h"
#include "util/rkassert.h"
#include "util/rkdufs.h"
#include "util/rkerr.h"
#include "util/rkmsg.h"
#include "util/rkstr.h"
#include "wirelist/iwfile.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwname.h"
#include "wirelist/iwobj.h"
#include "wirelist/iwparse.h"

using expr::kIpBuckets;
using expr::kIpBufSize;
using expr::kIpGlobalLevel;
using expr::kIpGuardBuckets;
using expr::kIpLevels;

namespace {

constexpr int code(IpCode c) { return static_cast<int>(c); }

// Hierarchy search from the current level down, so the innermost wins.
constexpr int kDownward = 5;

// Slot codes of the search order.
constexpr int kSlotGlobal = 1;
constexpr int kSlotHierarchy = 2;
constexpr int kSlotFiles = 3;

// Codes 0 and up are catalog messages from this number on.
constexpr int kFirstMessage = NDX_VARSUCCESS;

// One bucket: name -> value, ascending byte order.  The key views the
// name pointer the store was given.
using Bucket = std::map<std::string_view, const char*>;

struct Level {
  std::array<Bucket, kIpBuckets> buckets;  // by iwhash(name, 23)
  std::size_t count = 0;                   // definitions held
};

// A copy of one accepted file line: "NAME\0VALUE\0" from iwalloc.
struct FileDef {
  char* text;  // the name; the value follows its NUL
  int level;   // where it was defined
};

struct Quick {
  char* buffer;      // from iwalloc
  std::size_t size;  // size asked for
  bool free;         // available for reuse
};

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};

// The names being expanded, by iwhash(name, 13); each bucket ordered.
using Guard = std::array<std::set<std::string, std::less<>>, kIpGuardBuckets>;

// Process-wide state of the variable store.
struct IpState {
  bool live = false;                                                  // between ipinit and ipfinish
  int level = 0;                                                      // current level
  std::array<std::unique_ptr<Level>, kIpLevels> levels;               // made on first definition
  std::array<int, 3> order{kSlotGlobal, kSlotHierarchy, kSlotFiles};  // search order
  int direction = kDownward;                                          // hierarchy search direction
  std::vector<FileDef> filedefs;                                      // copies of file lines
  Guard guard;                                                        // expansion guard
  std::vector<Quick> pool;                                            // scratch buffers
  RkMsgFile* catalog = nullptr;                                       // "nodex", opened by ipgetmsg
  std::string message;                                                // ipgetmsg's result
  // What ipevalstamp reports: definitions at the hierarchy levels, a
  // count of every other change that can alter a look-up, and the
  // evaluator's format stamp last seen.
  std::size_t hierdefs = 0;
  unsigned long version = 1;
  unsigned long formats = 0;
};
IpState ip;

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Characters that continue a reference's name; an "@" after one of them
// is part of a word, not a reference.
bool isNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '@' ||
         c == '_';
}

bool isHierarchy(int level) {
  return level >= expr::kIpBottomHierLevel && level <= expr::kIpTopHierLevel;
}

// Books n definitions added to (or, negative, taken from) level.
void counted(int level, long n) {
  std::unique_ptr<Level>& l = ip.levels[static_cast<std::size_t>(level)];
  if (l) l->count = static_cast<std::size_t>(static_cast<long>(l->count) + n);
  if (isHierarchy(level)) ip.hierdefs = static_cast<std::size_t>(static_cast<long>(ip.hierdefs) + n);
  ++ip.version;
}

Bucket* bucketOf(int level, int hash, bool create) {
  std::unique_ptr<Level>& l = ip.levels[static_cast<std::size_t>(level)];
  if (!l) {
    if (!create) return nullptr;
    l = std::make_unique<Level>();
  }
  return &l->buckets[static_cast<std::size_t>(hash)];
}

const char* lookup(int level, int hash, std::string_view name) {
  const Bucket* b = bucketOf(level, hash, false);
  if (!b) return nullptr;
  auto it = b->find(name);
  return it == b->end() ? nullptr : it->second;
}

// Defines name at level; *stored tells whether the store now holds these
// very pointers (a repeated or refused definition leaves them unused).
int define(int level, const char* name, const char* value, bool* stored) {
  *stored = false;
  if (!value) value = "";
  Bucket* b = bucketOf(level, iwhash(name, kIpBuckets), true);
  auto [it, inserted] = b->try_emplace(name, value);
  if (inserted) {
    *stored = true;
    counted(level, 1);
    return code(IpCode::kOk);
  }
  return std::strcmp(it->second, value) == 0 ? code(IpCode::kOk) : code(IpCode::kConflict);
}

// One line of a variable file (NUL-terminated, at most 1023 characters);
// not_whole when the file's line was longer or held a NUL byte, which
// refuses a definition.  Lines that do not start with "@" define nothing.
int defineLine(char* line, bool not_whole) {
  char* p = line;
  while (isSpace(*p)) ++p;
  if (*p != '@') return code(IpCode::kOk);
  if (not_whole) return code(IpCode::kConflict);

  rkStrUpc(p);
  bool global = p[1] == '@';
  const char* name = global ? p + 1 : p;
  const char* end = name + 1;
  while (*end && *end != '=' && !isSpace(*end)) ++end;
  std::size_t name_len = static_cast<std::size_t>(end - name);

  // Words between the name and "=" are skipped.
  const char* eq = *end == '=' ? end : std::strchr(end, '=');
  std::string_view value("");
  if (eq) {
    const char* v = eq + 1;
    while (isSpace(*v)) ++v;
    const char* v_end = v + std::strlen(v);
    while (v_end > v && isSpace(v_end[-1])) --v_end;
    value = std::string_view(v, static_cast<std::size_t>(v_end - v));
  }
  if (name_len == 1) return code(IpCode::kNoName);

  char* copy = static_cast<char*>(iwalloc(name_len + 1 + value.size() + 1));
  std::memcpy(copy, name, name_len);
  copy[name_len] = '\0';
  char* copy_value = copy + name_len + 1;
  std::memcpy(copy_value, value.data(), value.size());
  copy_value[value.size()] = '\0';

  int level = global ? kIpGlobalLevel : ip.level;
  bool stored = false;
  int r = define(level, copy, copy_value, &stored);
  if (stored)
    ip.filedefs.push_back(FileDef{copy, level});
  else
    iwfree(copy);
  return r;
}

// Reads every line of f; 3 when any definition line was not accepted.
int readFile(std::FILE* f) {
  int result = code(IpCode::kOk);
  std::string line;
  bool too_long = false;
  while (rkDufsReadLine(f, &line, expr::kIpMaxLine, nullptr, &too_long)) {
    // A NUL byte would cut the definition short unseen: refused like a
    // line too long to be read whole.
    const bool whole = !too_long && line.find('\0') == std::string::npos;
    if (defineLine(line.data(), !whole) != code(IpCode::kOk)) result = code(IpCode::kConflict);
  }
  return result;
}

int guardBucket(const char* name) { return iwhash(name, kIpGuardBuckets); }

// Substitutes text into out (kIpBufSize bytes, always terminated) using
// the guard, which the caller starts and ends.  Returns 0, 4, 5 or 8.
int substitute(const char* text, char* out) {
  std::size_t len = 0;
  constexpr std::size_t kMax = kIpBufSize - 1;
  // Appends what fits; false when something had to be left out.
  auto put = [&](const char* s, std::size_t n) {
    std::size_t room = kMax - len;
    std::size_t take = n < room ? n : room;
    std::memcpy(out + len, s, take);
    len += take;
    return take == n;
  };

  // A text being scanned; name is the variable whose value it is, kept in
  // the guard until the text is done.
  struct Frame {
    const char* start;
    const char* p;
    bool quoted;
    std::string name;
  };
  std::vector<Frame> stack;
  stack.push_back(Frame{text ? text : "", text ? text : "", false, {}});

  int result = code(IpCode::kOk);
  while (!stack.empty()) {
    Frame& f = stack.back();
    char c = *f.p;
    if (c == '\0') {
      if (!f.name.empty()) iprecdel(f.name.c_str());
      stack.pop_back();
      continue;
    }
    if (c == '"') {
      f.quoted = !f.quoted;
    } else if (c == '@' && !f.quoted && (f.p == f.start || !isNameChar(f.p[-1]))) {
      const char* end = f.p + 1;
      while (isNameChar(*end)) ++end;
      std::string name(f.p, end);
      if (iprecsea(name.c_str())) {
        result = put(name.data(), name.size()) ? code(IpCode::kRecursive) : code(IpCode::kTooLong);
        break;
      }
      if (const char* value = ipgetvar(name.c_str())) {
        f.p = end;
        iprecadd(name.c_str());
        stack.push_back(Frame{value, value, false, std::move(name)});
        continue;
      }
      // Undefined: the "@" stays and the name follows as plain text.
      result = code(IpCode::kUndefined);
    }
    if (!put(&c, 1)) {
      result = code(IpCode::kTooLong);
      break;
    }
    ++f.p;
  }
  out[len] = '\0';
  return result;
}

}  // namespace

// --- the store ----------------------------------------------------------------

int ipinit(IwGrp* group) {
  ipfinish();
  ip.live = true;
  ip.level = 0;
  if (!group) return code(IpCode::kOk);
  for (const IwSym* s = group->sym; s; s = s->next)
    if (int r = ipaddlist(s->atts)) return r;
  return code(IpCode::kOk);
}

void ipfinish() {
  ipfinfile();
  ipqkpurge();
  for (auto& l : ip.levels) l.reset();
  ip.hierdefs = 0;
  ++ip.version;
  iprecfin();
  ip.live = false;
  ip.level = 0;
  if (ip.catalog) rkMsgFileClose(ip.catalog);
  ip.catalog = nullptr;
}

int ipincfile(const char* base) {
  if (!ip.live) return code(IpCode::kNotInitialised);
  if (!base) return code(IpCode::kNoFile);
  char name[expr::kIpFileName];
  int n = std::snprintf(name, sizeof name, "%s.var", base);
  if (n < 0 || static_cast<std::size_t>(n) >= sizeof name) return code(IpCode::kNoFile);

  std::unique_ptr<std::FILE, FileCloser> f(iwfileopen(name, "r"));
  if (!f) f.reset(iwvarfopen(name));
  if (!f) {
    char path[px::kMaxPath];
    if (pxSrchwdirs(name, PX_REGULAR, path) == PX_OK) f.reset(iwfileopen(path, "r"));
  }
  if (!f) return code(IpCode::kNoFile);
  return readFile(f.get());
}

void ipfinfile() {
  for (const FileDef& d : ip.filedefs) {
    Bucket* b = bucketOf(d.level, iwhash(d.text, kIpBuckets), false);
    if (b) {
      // Only the entry made from this copy: the level may have been emptied
      // and the name defined again from an attribute since.
      auto it = b->find(d.text);
      if (it != b->end() && it->first.data() == d.text) {
        b->erase(it);
        counted(d.level, -1);
      }
    }
    iwfree(d.text);
  }
  ip.filedefs.clear();
}

int ipadddef(const char* name, const char* value) {
  if (!name) return code(IpCode::kNoName);
  if (!ip.live) return code(IpCode::kNotInitialised);
  bool stored = false;
  return define(ip.level, name, value, &stored);
}

int ipaddatt(const IwAtt* att) {
  if (!att || ipvardef(att->name) != code(IpCode::kVarDef)) return code(IpCode::kOk);
  return ipadddef(att->name, att->value);
}

int ipaddlist(const IwAtt* list) {
  for (const IwAtt* a = list; a; a = a->next)
    if (int r = ipaddatt(a)) return r;
  return code(IpCode::kOk);
}

int iaaddpatt(const IwAtt* att) {
  if (!ip.live) return code(IpCode::kNotInitialised);
  return ipaddatt(att);
}

void ipdelvardefs() {
  std::unique_ptr<Level>& l = ip.levels[static_cast<std::size_t>(ip.level)];
  if (!l) return;
  if (l->count > 0) counted(ip.level, -static_cast<long>(l->count));
  l.reset();
}

int ippushlev() {
  if (ip.level >= expr::kIpTopHierLevel) return code(IpCode::kNoLevelUp);
  ++ip.level;
  return code(IpCode::kOk);
}

int ippoplev() {
  if (ip.level <= expr::kIpBottomHierLevel) return code(IpCode::kNoLevelDown);
  --ip.level;
  return code(IpCode::kOk);
}

const char* ipgetvar(const char* name) {
  if (!name) return nullptr;
  int hash = iwhash(name, kIpBuckets);
  std::string_view key(name);
  for (int slot : ip.order) {
    const char* v = nullptr;
    switch (slot) {
      case kSlotGlobal:
        v = lookup(kIpGlobalLevel, hash, key);
        break;
      case kSlotHierarchy:
        if (ip.direction == kDownward) {
          for (int l = ip.level; l >= 1 && !v; --l) v = lookup(l, hash, key);
        } else {
          for (int l = 1; l <= ip.level && !v; ++l) v = lookup(l, hash, key);
        }
        break;
      case kSlotFiles:
        v = lookup(0, hash, key);
        break;
      default:  // nothing to search
        break;
    }
    if (v) return v;
  }
  return nullptr;
}

void ipsetsord(int first, int second, int third) {
  ip.order = {first, second, third};
  ++ip.version;
}

unsigned long ipevalstamp() {
  if (ip.hierdefs > 0) return 0;
  unsigned long formats = ixformatstamp();
  if (formats != ip.formats) {
    ip.formats = formats;
    ++ip.version;
  }
  return ip.version;
}

void ipsetsdir(int direction) {
  ip.direction = direction;
  ++ip.version;
}

// --- references and substitution ---------------------------------------------

int ipvardef(const char* name) {
  if (!name || name[0] != '@' || iwsysatt(name)) return code(IpCode::kOk);
  return code(IpCode::kVarDef);
}

int ipvarref(const char* text) {
  if (!text) return code(IpCode::kOk);
  bool quoted = false;
  for (const char* p = text; *p; ++p) {
    if (*p == '"')
      quoted = !quoted;
    else if (*p == '@' && !quoted && (p == text || !isNameChar(p[-1])))
      return code(IpCode::kVarRef);
  }
  return code(IpCode::kOk);
}

int ipexpand(char* dst, const char* text, int size) {
  iprecinit();
  char* buf = ipqkalloc(kIpBufSize);
  int r = substitute(text, buf);
  std::size_t len = std::strlen(buf);
  if (r != code(IpCode::kTooLong) && dst && size > 0 && len < static_cast<std::size_t>(size)) {
    std::memcpy(dst, buf, len + 1);
  } else {
    r = code(IpCode::kTooLong);
    if (dst && size > 0) dst[0] = '\0';
  }
  iprecfin();
  ipqkfree(buf);
  return r;
}

int ipevaluate(char* dst, const char* text, int size) {
  if (!dst) size = 0;
  if (size > 0) dst[0] = '\0';
  if (!text || !*text) return code(IpCode::kOk);

  char* buf = ipqkalloc(kIpBufSize);
  if (!ipvarref(text)) {
    rkStrncpyNullTerm(buf, text, kIpBufSize);
  } else {
    iprecinit();
    int r = substitute(text, buf);
    iprecfin();
    if (r != code(IpCode::kOk)) {
      if (size > 0) rkStrncpyNullTerm(dst, buf, static_cast<std::size_t>(size));
      ipqkfree(buf);
      return r;
    }
  }
  int r = ixevaluate(dst, buf, size);
  ipqkfree(buf);
  return r < 0 ? r : code(IpCode::kOk);
}

const char* ipgetmsg(int code) {
  if (code < 0) return ixgetmsg(code);
  if (!rkMsgGetFilename(ip.catalog)) {
    // A missing catalog is not an error here: rkMsgStatic then gives its
    // "internal message file error" text, which names the number.
    ip.catalog = nullptr;
    rkExTry(
        RK_TAG_ALL, [] { ip.catalog = rkMsgFileOpen("nodex", nullptr, nullptr, nullptr, nullptr); },
        nullptr);
  }
  int number = code > INT_MAX - kFirstMessage ? INT_MAX : kFirstMessage + code;
  const char* text = rkMsgStatic(ip.catalog, number);
  if (text[0] == '[' && text[1] && text[2] == ']' && text[3] == ' ') text += 4;
  ip.message = text;
  return ip.message.c_str();
}

// --- expansion guard ----------------------------------------------------------

void iprecinit() { iprecfin(); }

int iprecadd(const char* name) {
  if (!name) return 0;
  return ip.guard[static_cast<std::size_t>(guardBucket(name))].insert(name).second ? 0 : 1;
}

int iprecsea(const char* name) {
  if (!name) return 0;
  const auto& b = ip.guard[static_cast<std::size_t>(guardBucket(name))];
  return b.find(std::string_view(name)) != b.end() ? 1 : 0;
}

int iprecdel(const char* name) {
  if (!name) return 1;
  auto& b = ip.guard[static_cast<std::size_t>(guardBucket(name))];
  auto it = b.find(std::string_view(name));
  if (it == b.end()) return 1;
  b.erase(it);
  return 0;
}

void iprecfin() {
  for (auto& b : ip.guard) b.clear();
}

// --- scratch buffers ----------------------------------------------------------

char* ipqkalloc(std::size_t size) {
  std::size_t bytes = size ? size : 1;
  for (Quick& q : ip.pool) {
    if (q.free && q.size == size) {
      q.free = false;
      q.buffer[0] = q.buffer[bytes - 1] = '\0';
      return q.buffer;
    }
  }
  char* b = static_cast<char*>(iwalloc(bytes));
  b[0] = b[bytes - 1] = '\0';
  ip.pool.push_back(Quick{b, size, false});
  return b;
}

void ipqkfree(char* buffer) {
  if (!buffer) return;
  for (Quick& q : ip.pool) {
    if (q.buffer == buffer) {
      rkAssertCheck(!q.free, "ipqkfree: buffer in use");
      q.free = true;
      return;
    }
  }
  rkAssertCheck(false, "ipqkfree: buffer from ipqkalloc");
}

void ipqkpurge() {
  for (Quick& q : ip.pool) iwfree(q.buffer);
  ip.pool.clear();
}

void ipreset() {
  ipfinish();
  ip.order = {kSlotGlobal, kSlotHierarchy, kSlotFiles};
  ip.direction = kDownward;
  ip.message.clear();
}
