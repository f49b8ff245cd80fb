// util/rkmsg.cc - message catalogs; see rkmsg.h.
//
// Open catalogs sit in one list, most recently opened first; a handle is
// valid exactly while it is in that list, which is how a stale handle is
// told from a live one (error 1020).  Only the index of a catalog is held
// in memory; texts are read on demand into the shared cache:
//   - 80 entries, each with its own text buffer (80 bytes to start, grown
//     to the longest text it has held);
//   - 128 buckets chosen by number & 127, each a doubly linked list;
//   - one recency list from most to least recently used.  Unused entries
//     sit at its cold end, so "take a free entry, else the least recently
//     used one" is always "take the tail".
// Closing a catalog sends its entries to the cold end, so a later handle
// that happens to reuse the address cannot hit stale texts.
#include "util/rkmsg.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <list>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "catalogs/rklib.h"
#include "util/limits.h"
#include "util/rkdufs.h"
#include "util/rkerr.h"
#include "util/rkmem.h"
#include "util/rkstr.h"

namespace {

constexpr std::int32_t kFormatMark = 0x00010203;
constexpr int kHeaderWords = 15;
constexpr std::size_t kEntryStart = 80;   // first size of a cache buffer
constexpr std::size_t kStaticStep = 256;  // rkMsgStatic grows by this
constexpr int kExitOrder = 85;            // catalogs close before memory is checked
constexpr const char* kOwnName = "rklib";

struct IndexEntry {
  std::int32_t number;  // message number
  std::int32_t offset;  // byte offset of the text in the body
  std::int32_t length;  // text length with its NUL
};

struct DufsCloser {
  void operator()(RkDufsB* h) const {
    if (h) rkDufsBFclose(h);
  }
};

}  // namespace

struct RkMsgFile {
  RkDufsB* file = nullptr;                                     // open catalog file
  std::string path;                                            // where it was found
  std::int32_t header[kHeaderWords] = {};                      // copy of the header words
  std::vector<IndexEntry> index;                               // by ascending number
  std::int32_t longest = 0;                                    // longest text length
  long body_size = 0;                                          // bytes after the prefix
  std::string name;                                            // name given to open
  std::vector<int> warned;  // messages whose text was refused (warned once each)
  std::string application, release, min_version, max_version;  // open arguments
  bool has_application = false, has_release = false, has_min = false, has_max = false;
  int refcount = 1;  // opens not yet closed
};

namespace {

struct CacheEntry {
  RkMsgFile* file = nullptr;  // null: unused
  int number = 0;
  std::vector<char> text;  // NUL-terminated text; size() is the buffer size
  int bucket_prev = -1, bucket_next = -1;
  int lru_prev = -1, lru_next = -1;
};

// Process-wide state of the catalogs.
struct MsgState {
  std::list<RkMsgFile> open;      // open catalogs, most recently opened first
  RkMsgFile* own = nullptr;       // the rklib handle of rkMsgFile()
  bool started = false;           // first open done (exit handler, RK_MSGFILEDBG)
  bool debug = false;             // RK_MSGFILEDBG was set at the first open
  int opening_own = 0;            // > 0 while rklib is being opened
  std::vector<CacheEntry> cache;  // created on the first lookup
  int buckets[rk::kMsgCacheBuckets] = {};
  int lru_head = -1, lru_tail = -1;
  std::vector<char> static_buf;  // rkMsgStatic's result
  char fallback[64] = {};        // the "internal message file error" text
  long reads = 0;                // texts read from files
  RkMsgFinder finder = nullptr;  // how catalogs are found (rkMsgSetFinder)
};
MsgState msg;

// The finder without a registered one: the file name alone.
RkMsgFind find_by_name(const char* name, char* path, std::size_t size) {
  std::string file = std::string(name) + ".vmb";
  if (file.size() >= size) return RkMsgFind::kBadName;
  struct stat st;
  if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return RkMsgFind::kNotFound;
  std::memcpy(path, file.c_str(), file.size() + 1);
  return RkMsgFind::kFound;
}

std::string vformat(const char* format, va_list args) { return rkStrVformat(format, args); }

std::string format(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string s = vformat(fmt, ap);
  va_end(ap);
  return s;
}

// Raises a catalog error.  When the failing catalog is rklib itself the
// text comes from the formats below, never from rklib.
[[noreturn]] void fail(int tag, const char* routine, const std::string& catalog,
                       const std::string& path, int number, int message = 0,
                       const char* reason = "") {
  if (catalog == kOwnName) {
    std::string text;
    if (number <= 1006) {
      text = format("RKLIB Error %d: Can't open message file %s.%s!\n", number, kOwnName, "vmb");
    } else if (number == 1007) {
      text = format("Trying to use wrong version of message file %s.%s!\n", kOwnName, "vmb");
    } else if (number == 1020 || message == 0) {
      text = format("RKLIB Error %d: Can't access message file %s%s%s!\n", number, kOwnName, ".",
                    "vmb");
    } else {
      text = format("RKLIB Error %d: Can't find message #%d in message file %s%s%s!\n", number,
                    message, kOwnName, ".", "vmb");
    }
    rkExThrow(tag,
              rkErrCreate(rkErrLocationRoutine(routine), kOwnName, number, RK_ERROR, text.c_str()));
  }
  RkMsgFile* own = rkMsgFile();
  const char* loc = rkErrLocationRoutine(routine);
  switch (number) {
    case RKLIB_MSG_BAD_NAME:
    case RKLIB_MSG_NOT_FOUND:
      rkExThrowBuild(tag, loc, own, number, catalog.c_str(), "vmb");
    case RKLIB_MSG_CANT_OPEN:
      rkExThrowBuild(tag, loc, own, number, path.c_str(), reason);
    case RKLIB_MSG_BAD_HEADER:
    case RKLIB_MSG_SHORT_INDEX:
    case RKLIB_MSG_VERSION:
      rkExThrowBuild(tag, loc, own, number, path.c_str());
    case RKLIB_MSG_NO_MESSAGE:
    case RKLIB_MSG_SEEK:
    case RKLIB_MSG_SHORT_TEXT:
      rkExThrowBuild(tag, loc, own, number, message, path.c_str());
    default:
      rkExThrowBuild(tag, loc, own, number);
  }
}

// Marks the time rklib is being opened (binary-file errors then use a
// fixed text); restored on every way out.
struct OwnOpening {
  bool active;
  explicit OwnOpening(bool own) : active(own) {
    if (active) ++msg.opening_own;
  }
  ~OwnOpening() {
    if (active) --msg.opening_own;
  }
};

RkMsgFile* find_open(const RkMsgFile* file) {
  if (!file) return nullptr;
  for (auto& f : msg.open)
    if (&f == file) return &f;
  return nullptr;
}

// --- trusting no catalog's formats ------------------------------------------

// The kind of argument a conversion takes.
enum class Arg : char {
  kInt,
  kLong,
  kLongLong,
  kIntMax,
  kSize,
  kPtrdiff,
  kDouble,
  kLongDouble,
  kString,
  kWideString,
  kWint,
  kPointer,
};

// Conversion letters with a length modifier, and the argument they take;
// everything not listed (%n above all) is refused.
struct ConvKind {
  const char* letters;
  const char* length;
  Arg kind;
};
constexpr ConvKind kConvKinds[] = {
    {"diouxX", "", Arg::kInt},
    {"diouxX", "h", Arg::kInt},
    {"diouxX", "hh", Arg::kInt},
    {"diouxX", "l", Arg::kLong},
    {"diouxX", "ll", Arg::kLongLong},
    {"diouxX", "q", Arg::kLongLong},
    {"diouxX", "L", Arg::kLongLong},
    {"diouxX", "j", Arg::kIntMax},
    {"diouxX", "z", Arg::kSize},
    {"diouxX", "Z", Arg::kSize},
    {"diouxX", "t", Arg::kPtrdiff},
    {"eEfFgGaA", "", Arg::kDouble},
    {"eEfFgGaA", "l", Arg::kDouble},
    {"eEfFgGaA", "L", Arg::kLongDouble},
    {"c", "", Arg::kInt},
    {"c", "l", Arg::kWint},
    {"C", "", Arg::kWint},
    {"s", "", Arg::kString},
    {"s", "l", Arg::kWideString},
    {"S", "", Arg::kWideString},
    {"p", "", Arg::kPointer},
};

// The arguments a printf format takes, by position (1 and up); false when
// it cannot be trusted with any: %n, an unknown or malformed conversion,
// numbered and plain conversions mixed, a number out of range, two kinds
// for one number.
bool arguments_of(const char* fmt, std::map<int, Arg>* args) {
  args->clear();
  int mode = 0;  // 1 numbered, 2 plain
  int next = 1;  // next plain argument
  auto number = [](const char*& p) {
    long n = 0;
    while (*p >= '0' && *p <= '9') {
      n = n * 10 + (*p++ - '0');
      if (n > rk::kMsgMaxArgs) n = rk::kMsgMaxArgs + 1;
    }
    return static_cast<int>(n);
  };
  // Records an argument at an explicit number (own > 0) or the next plain one.
  auto take = [&](int own, Arg kind) {
    if ((own > 0 && mode == 2) || (own == 0 && mode == 1)) return false;
    mode = own > 0 ? 1 : 2;
    int pos = own > 0 ? own : next++;
    if (pos > rk::kMsgMaxArgs) return false;
    auto [it, fresh] = args->emplace(pos, kind);
    return fresh || it->second == kind;
  };
  // An explicit "N$" at p, else 0.
  auto numbered = [&](const char*& p) {
    const char* q = p;
    int n = number(q);
    if (n == 0 || *q != '$') return 0;
    p = q + 1;
    return n;
  };
  for (const char* p = fmt; *p; ++p) {
    if (*p != '%') continue;
    if (*++p == '%') continue;
    int own = numbered(p);
    while (*p && std::strchr("-+ #0'I", *p)) ++p;
    for (int field = 0; field < 2; ++field) {  // width, then precision
      if (field == 1 && *p != '.') break;
      if (field == 1) ++p;
      if (*p != '*') {
        number(p);
      } else if (!take(numbered(++p), Arg::kInt)) {
        return false;
      }
    }
    std::string length;
    while (*p && std::strchr("hlLqjzZt", *p)) length += *p++;
    if (*p == 'm' && length.empty() && own == 0) continue;  // the text of errno: no argument
    const ConvKind* k = std::find_if(
        std::begin(kConvKinds), std::end(kConvKinds),
        [&](const ConvKind& c) { return *p && std::strchr(c.letters, *p) && length == c.length; });
    if (k == std::end(kConvKinds) || !take(own, k->kind)) return false;
  }
  return true;
}

// The built-in catalog of a name, or null.  A catalog is known by its file
// name: "tsn" and "/some/dir/tsn" are the same catalog.
const RkMsgBuiltinCatalog* builtin_catalog(std::string_view name) {
  std::size_t slash = name.rfind('/');
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  for (const RkMsgBuiltinCatalog* c = rkMsgBuiltinCatalogs; c->name; ++c)
    if (name == c->name) return c;
  return nullptr;
}

// The text to use for message number of f, read from its file as text:
// the text itself when it takes the arguments the built-in text takes,
// else the built-in text, else null (the message counts as missing).  A
// refused text is reported once per catalog and number.
const char* trusted_text(RkMsgFile* f, int number, const char* text) {
  const RkMsgBuiltinCatalog* cat = builtin_catalog(f->name);
  const char* reference = cat ? rkMsgBuiltin(f->name.c_str(), number) : text;
  if (rkMsgFormatAgrees(text, reference)) return text;
  if (!cat) reference = nullptr;  // a catalog the program does not know: no %n, that is all
  if (std::find(f->warned.begin(), f->warned.end(), number) == f->warned.end()) {
    f->warned.push_back(number);
    // The warning's own text is the built-in one: it must not come from a
    // catalog file, which may be the very one being refused.
    int which = reference ? RKLIB_MSG_BAD_FORMAT : RKLIB_MSG_BAD_FORMAT2;
    const char* pattern = rkMsgBuiltin(kOwnName, which);
    std::string warning =
        pattern ? pattern : "[W] Message %d of message catalog %s does not take its arguments.";
    if (warning.size() > 4 && warning[0] == '[') warning.erase(0, 4);  // the severity prefix
    warning = format(warning.c_str(), number, f->path.c_str());
    rkErrReport(rkErrCreate(f->path.c_str(), kOwnName, which, RK_WARNING, warning.c_str()),
                nullptr);
  }
  return reference;
}

// --- cache lists ---------------------------------------------------------

void lru_unlink(int i) {
  CacheEntry& e = msg.cache[i];
  if (e.lru_prev >= 0)
    msg.cache[e.lru_prev].lru_next = e.lru_next;
  else
    msg.lru_head = e.lru_next;
  if (e.lru_next >= 0)
    msg.cache[e.lru_next].lru_prev = e.lru_prev;
  else
    msg.lru_tail = e.lru_prev;
  e.lru_prev = e.lru_next = -1;
}

void lru_push_head(int i) {
  CacheEntry& e = msg.cache[i];
  e.lru_prev = -1;
  e.lru_next = msg.lru_head;
  if (msg.lru_head >= 0)
    msg.cache[msg.lru_head].lru_prev = i;
  else
    msg.lru_tail = i;
  msg.lru_head = i;
}

void lru_push_tail(int i) {
  CacheEntry& e = msg.cache[i];
  e.lru_next = -1;
  e.lru_prev = msg.lru_tail;
  if (msg.lru_tail >= 0)
    msg.cache[msg.lru_tail].lru_next = i;
  else
    msg.lru_head = i;
  msg.lru_tail = i;
}

int bucket_of(int number) { return number & (rk::kMsgCacheBuckets - 1); }

void bucket_unlink(int i) {
  CacheEntry& e = msg.cache[i];
  int b = bucket_of(e.number);
  if (e.bucket_prev >= 0)
    msg.cache[e.bucket_prev].bucket_next = e.bucket_next;
  else
    msg.buckets[b] = e.bucket_next;
  if (e.bucket_next >= 0) msg.cache[e.bucket_next].bucket_prev = e.bucket_prev;
  e.bucket_prev = e.bucket_next = -1;
}

void bucket_push(int i) {
  CacheEntry& e = msg.cache[i];
  int b = bucket_of(e.number);
  e.bucket_prev = -1;
  e.bucket_next = msg.buckets[b];
  if (msg.buckets[b] >= 0) msg.cache[msg.buckets[b]].bucket_prev = i;
  msg.buckets[b] = i;
}

void cache_create() {
  if (!msg.cache.empty()) return;
  msg.cache.resize(rk::kMsgCacheEntries);
  std::fill(std::begin(msg.buckets), std::end(msg.buckets), -1);
  msg.lru_head = msg.lru_tail = -1;
  for (int i = 0; i < rk::kMsgCacheEntries; ++i) {
    msg.cache[i].text.assign(kEntryStart, '\0');
    lru_push_tail(i);
  }
}

// Sends an entry to the cold end as unused.
void cache_release(int i) {
  CacheEntry& e = msg.cache[i];
  if (e.file) bucket_unlink(i);
  e.file = nullptr;
  lru_unlink(i);
  lru_push_tail(i);
}

void cache_forget(const RkMsgFile* f) {
  for (int i = 0; i < static_cast<int>(msg.cache.size()); ++i)
    if (msg.cache[i].file == f) cache_release(i);
}

// --- opening ---------------------------------------------------------------

// The string stored at a body offset (16-bit length counting the NUL).
bool read_string(RkDufsB* h, std::int32_t offset, std::string& out) {
  if (offset <= 0 || rkDufsBFseek(h, offset, 0) != 0) return false;
  std::int16_t len = 0;
  if (rkDufsBRead(h, &len, 1, RK_DUFS_SHORT, 0) != 1) return false;
  auto n = static_cast<std::uint16_t>(len);
  std::string s(n, '\0');
  if (n > 0 && rkDufsBRead(h, s.data(), n, RK_DUFS_BYTES, 0) != n) return false;
  s.resize(std::strlen(s.c_str()));
  out = s;
  return true;
}

// Overwrites the components a "MAJOR.MINOR.PATCH" text sets.
void parse_version(const char* text, long out[3]) {
  static const std::regex kVersion("^([0-9]+)\\.([0-9]+)\\.([0-9]+)$");
  std::cmatch m;
  if (!text || !std::regex_match(text, m, kVersion)) return;
  for (int i = 0; i < 3; ++i) out[i] = std::strtol(m[i + 1].str().c_str(), nullptr, 10);
}

bool version_ok(RkMsgFile& f, const char* application, const char* release, const char* min_version,
                const char* max_version) {
  std::string s;
  if (application && !(read_string(f.file, f.header[6], s) && s == application)) return false;
  if (release && !(read_string(f.file, f.header[7], s) && s == release)) return false;
  if (!min_version && !max_version) return true;
  long lo[3] = {f.header[1], 0, 0};
  long hi[3] = {f.header[1], f.header[2], f.header[3]};
  parse_version(min_version, lo);
  parse_version(max_version, hi);
  // Each component on its own: 5.1.9 is outside 5.0.0..5.9.5.
  for (int i = 0; i < 3; ++i)
    if (f.header[1 + i] < lo[i] || f.header[1 + i] > hi[i]) return false;
  return true;
}

// Runs the version check; a failure is a warning with RK_MSGNOVERSION, else
// error 1007.
void check_version(RkMsgFile& f, const char* application, const char* release,
                   const char* min_version, const char* max_version, bool* failed) {
  *failed = false;
  if (version_ok(f, application, release, min_version, max_version)) return;
  if (std::getenv("RK_MSGNOVERSION")) {
    rkErrReport(rkErrCreate(f.path.c_str(), kOwnName, 0, RK_WARNING,
                            "Message file failed versioning check."),
                nullptr);
    return;
  }
  *failed = true;
}

void keep_args(RkMsgFile& f, const char* application, const char* release, const char* min_version,
               const char* max_version) {
  f.has_application = application != nullptr;
  f.application = application ? application : "";
  f.has_release = release != nullptr;
  f.release = release ? release : "";
  f.has_min = min_version != nullptr;
  f.min_version = min_version ? min_version : "";
  f.has_max = max_version != nullptr;
  f.max_version = max_version ? max_version : "";
}

void close_all() {
  for (auto& f : msg.open)
    if (f.file) rkDufsBFclose(f.file);
  msg.open.clear();
  msg.own = nullptr;
  msg.cache.clear();
  msg.lru_head = msg.lru_tail = -1;
  std::vector<char>().swap(msg.static_buf);
}

void exit_cleanup(void*) { close_all(); }

}  // namespace

RkMsgFile* rkMsgFileOpen(const char* name, const char* application, const char* release,
                         const char* min_version, const char* max_version) {
  if (!msg.started) {
    msg.started = true;
    msg.debug = std::getenv("RK_MSGFILEDBG") != nullptr;
    rkOnExitAdd(exit_cleanup, nullptr);
    rkOnExitSetOrder(exit_cleanup, nullptr, kExitOrder);
  }
  if (!name) fail(RK_TAG_MISUSE, "rkMsgFileOpen", "", "", RKLIB_MSG_NO_NAME);

  for (auto& f : msg.open) {
    if (f.name != name) continue;
    bool failed;
    check_version(f, application, release, min_version, max_version, &failed);
    if (failed) fail(RK_TAG_ENVIRONMENT, "rkMsgFileOpen", f.name, f.path, RKLIB_MSG_VERSION);
    ++f.refcount;
    return &f;
  }

  OwnOpening opening(std::strcmp(name, kOwnName) == 0);
  char path[rk::kMsgPathBuffer];
  switch ((msg.finder ? msg.finder : find_by_name)(name, path, sizeof path)) {
    case RkMsgFind::kFound:
      break;
    case RkMsgFind::kBadName:
      fail(RK_TAG_ENVIRONMENT, "rkMsgFileOpen", name, "", RKLIB_MSG_BAD_NAME);
    case RkMsgFind::kNotFound:
      fail(RK_TAG_ENVIRONMENT, "rkMsgFileOpen", name, "", RKLIB_MSG_NOT_FOUND);
  }
  // A file that opens but is too short even for the binary prefix (an
  // empty file) is not a catalog, which is what the user must be told.
  int why = 0;
  std::FILE* fp = rkDufsFopenRead(path, &why);
  if (!fp)
    fail(RK_TAG_ENVIRONMENT, "rkMsgFileOpen", name, path, RKLIB_MSG_CANT_OPEN, 0, rkDufsWhy(why));
  std::unique_ptr<RkDufsB, DufsCloser> h(rkDufsBSetup(fp, path, "r"));
  if (!h) {
    std::fclose(fp);
    fail(RK_TAG_ENVIRONMENT, "rkMsgFileOpen", name, path, RKLIB_MSG_BAD_HEADER);
  }

  RkMsgFile f;
  f.name = name;
  f.path = path;
  if (rkDufsBRead(h.get(), f.header, kHeaderWords, RK_DUFS_INT, 1) != kHeaderWords ||
      f.header[0] != kFormatMark)
    fail(RK_TAG_ENVIRONMENT, "rkMsgFileOpen", name, path, RKLIB_MSG_BAD_HEADER);
  std::int32_t count = 0;
  if (rkDufsBFseek(h.get(), f.header[4], 0) != 0 ||
      rkDufsBRead(h.get(), &count, 1, RK_DUFS_INT, 1) != 1 || count < 0 ||
      count > rk::kMsgMaxIndexCount)
    fail(RK_TAG_ENVIRONMENT, "rkMsgFileOpen", name, path, RKLIB_MSG_BAD_HEADER);
  std::vector<std::int32_t> words(static_cast<std::size_t>(count) * 3);
  if (count > 0 && rkDufsBRead(h.get(), words.data(), count * 3, RK_DUFS_INT, 1) != count * 3)
    fail(RK_TAG_ENVIRONMENT, "rkMsgFileOpen", name, path, RKLIB_MSG_SHORT_INDEX);
  f.index.reserve(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) {
    IndexEntry e{words[3 * i], words[3 * i + 1], words[3 * i + 2]};
    f.longest = std::max(f.longest, e.length);
    f.index.push_back(e);
  }
  // Lookup is a binary search; a file out of order still answers.
  std::stable_sort(f.index.begin(), f.index.end(),
                   [](const IndexEntry& a, const IndexEntry& b) { return a.number < b.number; });
  struct stat st;
  f.body_size = fstat(rkDufsBGetFD(h.get()), &st) == 0 ? static_cast<long>(st.st_size) - 2 : 0;
  f.file = h.get();

  bool failed;
  check_version(f, application, release, min_version, max_version, &failed);
  if (failed) fail(RK_TAG_ENVIRONMENT, "rkMsgFileOpen", name, path, RKLIB_MSG_VERSION);
  keep_args(f, application, release, min_version, max_version);
  h.release();
  msg.open.push_front(std::move(f));
  return &msg.open.front();
}

void rkMsgFileClose(RkMsgFile* file) {
  RkMsgFile* f = find_open(file);
  if (!f || --f->refcount > 0) return;
  cache_forget(f);
  if (msg.own == f) msg.own = nullptr;
  if (f->file) rkDufsBFclose(f->file);
  msg.open.remove_if([f](const RkMsgFile& g) { return &g == f; });
}

RkMsgFile* rkMsgFile() {
  if (!msg.own) msg.own = rkMsgFileOpen(kOwnName, kOwnName, "5.0", "5.0.0", nullptr);
  return msg.own;
}

const char* rkMsgGetFilename(const RkMsgFile* file) {
  const RkMsgFile* f = find_open(file);
  return f ? f->name.c_str() : nullptr;
}

int rkMsgText(RkMsgFile* file, int number, RkMsgCopyFunc copy, void* context) {
  RkMsgFile* f = find_open(file);
  if (!f) fail(RK_TAG_MISUSE, "rkMsgText", "", "", RKLIB_MSG_NOT_OPEN);
  cache_create();

  for (int i = msg.buckets[bucket_of(number)]; i >= 0; i = msg.cache[i].bucket_next) {
    CacheEntry& e = msg.cache[i];
    if (e.file != f || e.number != number) continue;
    lru_unlink(i);
    lru_push_head(i);
    return copy(e.text.data(), context);
  }

  auto it = std::lower_bound(f->index.begin(), f->index.end(), number,
                             [](const IndexEntry& e, int n) { return e.number < n; });
  if (it == f->index.end() || it->number != number) {
    if (!msg.debug)
      fail(RK_TAG_ENVIRONMENT, "rkMsgText", f->name, f->path, RKLIB_MSG_NO_MESSAGE, number);
    // The text is later used as a format: a "%" in the path must stay one.
    std::string path;
    for (char c : f->path) path += (c == '%') ? std::string("%%") : std::string(1, c);
    std::string text = format("RKLIB Error %d: Can't find message #%d in message file %s%s%s!\n",
                              RKLIB_MSG_NO_MESSAGE, number, path.c_str(), "", "");
    return copy(text.c_str(), context);
  }
  const IndexEntry entry = *it;
  if (entry.length < 1 || entry.offset < 0 || entry.offset > f->body_size ||
      entry.length > f->body_size - entry.offset)
    fail(RK_TAG_ENVIRONMENT, "rkMsgText", f->name, f->path, RKLIB_MSG_SHORT_TEXT, number);

  int i = msg.lru_tail;
  CacheEntry& e = msg.cache[i];
  if (e.file) bucket_unlink(i);
  e.file = nullptr;
  auto length = static_cast<std::size_t>(entry.length);
  if (e.text.size() < length + 1) e.text.resize(length + 1);
  if (rkDufsBFseek(f->file, entry.offset, 0) != 0) {
    cache_release(i);
    fail(RK_TAG_ENVIRONMENT, "rkMsgText", f->name, f->path, RKLIB_MSG_SEEK, number);
  }
  if (rkDufsBRead(f->file, e.text.data(), entry.length, RK_DUFS_BYTES, 0) != entry.length) {
    cache_release(i);
    fail(RK_TAG_ENVIRONMENT, "rkMsgText", f->name, f->path, RKLIB_MSG_SHORT_TEXT, number);
  }
  ++msg.reads;
  e.text[length] = '\0';  // a damaged file may lack its NUL
  const char* text = trusted_text(f, number, e.text.data());
  if (!text) {
    cache_release(i);
    if (!msg.debug)
      fail(RK_TAG_ENVIRONMENT, "rkMsgText", f->name, f->path, RKLIB_MSG_NO_MESSAGE, number);
    std::string path;
    for (char c : f->path) path += (c == '%') ? std::string("%%") : std::string(1, c);
    std::string missing = format("RKLIB Error %d: Can't find message #%d in message file %s%s%s!\n",
                                 RKLIB_MSG_NO_MESSAGE, number, path.c_str(), "", "");
    return copy(missing.c_str(), context);
  }
  if (text != e.text.data()) {
    std::size_t n = std::strlen(text);
    if (e.text.size() < n + 1) e.text.resize(n + 1);
    std::memcpy(e.text.data(), text, n + 1);
  }
  e.file = f;
  e.number = number;
  bucket_push(i);
  lru_unlink(i);
  lru_push_head(i);
  return copy(e.text.data(), context);
}

int rkMsgGenerate(RkMsgFile* file, int number, RkMsgCopyFunc copy, void* context, ...) {
  va_list ap;
  va_start(ap, context);
  int r = rkMsgGenerateVa(file, number, copy, context, ap);
  va_end(ap);
  return r;
}

int rkMsgGenerateVa(RkMsgFile* file, int number, RkMsgCopyFunc copy, void* context, va_list args) {
  char* raw = nullptr;
  rkMsgText(file, number, rkMsgCopyAlloc, &raw);
  std::string text = raw ? vformat(raw, args) : std::string();
  rkMemFree(raw);
  return copy(text.c_str(), context);
}

const char* rkMsgStatic(RkMsgFile* file, int number, ...) {
  va_list ap;
  va_start(ap, number);
  const char* r = rkMsgStaticVa(file, number, ap);
  va_end(ap);
  return r;
}

const char* rkMsgStaticVa(RkMsgFile* file, int number, va_list args) {
  const char* result = nullptr;
  int tag = rkExTry(
      RK_TAG_ALL,
      [&] {
        if (msg.static_buf.size() < kStaticStep) msg.static_buf.assign(kStaticStep, '\0');
        for (;;) {
          RkMsgBufferContext ctx{msg.static_buf.data(), msg.static_buf.size()};
          va_list ap;
          va_copy(ap, args);
          int cut = rkMsgGenerateVa(file, number, rkMsgCopyToBuffer, &ctx, ap);
          va_end(ap);
          if (!cut) break;
          msg.static_buf.resize(msg.static_buf.size() + kStaticStep);
        }
        result = msg.static_buf.data();
      },
      nullptr);
  if (tag == 0) return result;
  std::snprintf(msg.fallback, sizeof msg.fallback, "*** internal message file error; message #%d",
                number);
  return msg.fallback;
}

char* rkMsgAlloc(RkMsgFile* file, int number, ...) {
  char* result = nullptr;
  va_list ap;
  va_start(ap, number);
  int tag = rkExTry(
      RK_TAG_ALL, [&] { rkMsgGenerateVa(file, number, rkMsgCopyAlloc, &result, ap); }, nullptr);
  va_end(ap);
  if (tag == 0 && result) return result;
  rkMemFree(result);
  std::snprintf(msg.fallback, sizeof msg.fallback, "*** internal message file error; message #%d",
                number);
  return rkStrCpy(msg.fallback);
}

int rkMsgBuffer(RkMsgFile* file, int number, char* buffer, std::size_t size, ...) {
  RkMsgBufferContext ctx{buffer, size};
  va_list ap;
  va_start(ap, size);
  int r = rkMsgGenerateVa(file, number, rkMsgCopyToBuffer, &ctx, ap);
  va_end(ap);
  return r;
}

int rkMsgCopyToBuffer(const char* text, void* context) {
  auto* ctx = static_cast<RkMsgBufferContext*>(context);
  if (!ctx->buffer || ctx->size == 0) return 1;
  std::size_t len = std::strlen(text);
  rkStrncpyNullTerm(ctx->buffer, text, ctx->size);
  return len >= ctx->size ? 1 : 0;
}

int rkMsgCopyAlloc(const char* text, void* context) {
  *static_cast<char**>(context) = rkStrCpy(text);
  return 0;
}

const char* rkMsgBuiltin(const char* name, int number) {
  if (!name) return nullptr;
  const RkMsgBuiltinCatalog* c = builtin_catalog(name);
  if (!c) return nullptr;
  const RkMsgBuiltinText* end = c->texts + c->count;
  const RkMsgBuiltinText* t = std::lower_bound(
      c->texts, end, number, [](const RkMsgBuiltinText& e, int n) { return e.number < n; });
  return t != end && t->number == number ? t->text : nullptr;
}

int rkMsgFormatAgrees(const char* text, const char* reference) {
  if (!text) return 0;
  std::map<int, Arg> got, want;
  if (!arguments_of(text, &got) || !arguments_of(reference ? reference : "", &want)) return 0;
  int expected = 1;
  for (const auto& [pos, kind] : got) {
    if (pos != expected++) return 0;  // a gap: printf could not know that argument's kind
    auto it = want.find(pos);
    if (it == want.end() || it->second != kind) return 0;
  }
  return 1;
}

int rkMsgOpeningOwnCatalog() { return msg.opening_own > 0 ? 1 : 0; }

long rkMsgReadCount() { return msg.reads; }

RkMsgFinder rkMsgSetFinder(RkMsgFinder finder) {
  RkMsgFinder old = msg.finder;
  msg.finder = finder;
  return old;
}

void rkMsgReset() {
  close_all();
  rkOnExitRemove(exit_cleanup, nullptr);
  msg.started = false;
  msg.debug = false;
  msg.opening_own = 0;
  msg.reads = 0;
}
