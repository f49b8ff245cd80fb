// util/rkerr.cc - error objects, exceptions and the ends of the program;
// see rkerr.h.
//
// Raising uses one C++ exception type (rk::ExUnwind) instead of saved
// execution contexts, so destructors of the frames skipped still run.
// rkExThrow decides where the error lands before anything unwinds: when no
// frame catches the tag, the program ends right at the raise, with the
// whole stack intact for a debugger.
//
// The "pending" error is the last error handed to a catcher.  While it is
// alive, an error raised or reported gets it appended, so a handler that
// turns a low-level failure into its own error keeps the cause in the
// chain.  Frames that discard what they catch (internal fallbacks) neither
// set it nor take it.
//
// Error log decision: logging is on exactly when RK_LOGDIR is set and not
// empty; there is no other preference store.  The log is
// "<RK_LOGDIR>/<program>-<pid>.err", opened for appending on the first
// error worth logging, and written in the long form, one chain per
// report.  The signal catching of rkExInit is always on for the same
// reason.
#include "util/rkerr.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "catalogs/rklib.h"
#include "util/limits.h"
#include "util/rkdufs.h"
#include "util/rkmem.h"
#include "util/rkmsg.h"
#include "util/rkstr.h"

namespace {

struct Handler {
  RkExitFunc fn;  // the handler
  void* arg;      // its argument
  int order;      // exit handlers run by ascending order
  long seq;       // registration order, to keep equal orders stable
};

constexpr int kDefaultExitOrder = 50;

// Building an error may fail and build the error of that failure from the
// library's catalog; deeper nesting than this means the catalogs keep
// failing each other, and the fixed text ends it.
constexpr int kMaxBuildDepth = 4;

constexpr const char* kBrokenOwnText =
    "Problem building internal Error Handling message.  Perhaps someone should not have "
    "alterned the rklib message file.";

// Process-wide state of errors, exceptions and exits.
struct ErrState {
  RkMemFreeList errors{sizeof(RkError), "errorObject", nullptr};  // error objects
  std::FILE* stream = nullptr;                 // error stream; null: standard error
  char location[rk::kErrLocationBuffer] = {};  // shared by rkErrLocation*
  std::string text;                            // shared by rkErrString
  RkError* pending = nullptr;                  // last error handed to a catcher
  rk::ExFrame* top = nullptr;                  // innermost exception frame
  RkErrOutFunc out = nullptr;                  // installed output function
  void* out_user = nullptr;
  std::vector<Handler> exit_handlers;   // kept only in memory-debugging mode
  std::vector<Handler> abort_handlers;  // run most recent first
  long seq = 0;
  bool cleaned = false;      // rkCleanup has run
  int building = 0;          // nesting of rkErrBuildVa
  int log_state = -1;        // -1 undecided, 0 off, 1 on
  std::FILE* log = nullptr;  // the error log when on
  std::string program;       // program name for the log file
};
ErrState err;

struct SeverityInfo {
  const char* name;
  char letter;
  int rank;  // badness, for rkErrStreamBaddest
};

// Indexed by RkSeverity.
constexpr SeverityInfo kSeverities[] = {
    {"Error", 'E', 4}, {"Status", 'S', 1},         {"Note", 'I', 2},     {"Warning", 'W', 3},
    {"Fatal", 'F', 5}, {"Internal Error", 'Z', 6}, {"Disabled", 'D', 0},
};
constexpr int kSeverityCount = sizeof kSeverities / sizeof kSeverities[0];

const SeverityInfo& info(int severity) {
  if (severity < 0 || severity >= kSeverityCount) return kSeverities[RK_ERROR];
  return kSeverities[severity];
}

bool letter_known(char c) {
  for (const auto& s : kSeverities)
    if (s.letter == c) return true;
  return false;
}

std::FILE* out_stream() { return err.stream ? err.stream : stderr; }

std::string vformat(const char* format, va_list args) { return rkStrVformat(format, args); }

bool chain_contains(const RkError* chain, const RkError* e) {
  for (; chain; chain = chain->next)
    if (chain == e) return true;
  return false;
}

// Appends the pending error to e (when it is another error not already
// linked with it) and clears it.
void take_pending(RkError* e) {
  RkError* p = err.pending;
  err.pending = nullptr;
  if (!p || !e || chain_contains(e, p) || chain_contains(p, e)) return;
  rkErrAppend(e, rkErrRef(p));
}

void append_one(std::string& s, const RkError* e, bool long_form) {
  const char* app = e->application ? e->application : "";
  const char* text = e->text ? e->text : "";
  if (std::strcmp(app, RK_USER_FORMATTED) == 0) {
    s += text;
    return;
  }
  s += app;
  if (long_form) {
    s += ": ";
    s += info(e->severity).name;
    if (e->number != 0) s += " " + std::to_string(e->number);
  } else {
    s += '-';
    s += info(e->severity).letter;
    if (e->number != 0) s += "-" + std::to_string(e->number);
  }
  s += ": ";
  if (e->location) {
    s += e->location;
    s += ": ";
  }
  s += text;
}

std::string chain_string(const RkError* e, bool long_form) {
  std::string s;
  for (const RkError* p = e; p; p = p->next) {
    if (p != e) s += "\n+";
    append_one(s, p, long_form);
  }
  return s;
}

// The library's own catalog, or null when it cannot be opened.
RkMsgFile* own_catalog() {
  RkMsgFile* own = nullptr;
  rkExTry(
      RK_TAG_ALL, [&] { own = rkMsgFile(); }, nullptr);
  return own;
}

const std::string& program_name() {
  if (err.program.empty()) err.program = program_invocation_short_name;
  if (err.program.empty()) err.program = "rk";
  return err.program;
}

void open_log() {
  err.log_state = 0;
  const char* dir = std::getenv("RK_LOGDIR");
  if (!dir || !*dir) return;
  std::string path = dir;
  if (path.back() != '/') path += '/';
  path += program_name() + "-" + std::to_string(getpid()) + ".err";
  err.log = std::fopen(path.c_str(), "a");
  if (!err.log) {
    // Logging is off before the report, so the report cannot recurse here.
    rkErrReport(rkErrBuild(nullptr, own_catalog(), RKLIB_ERR_LOG, path.c_str()), nullptr);
    return;
  }
  err.log_state = 1;
}

void log_error(const RkError* e) {
  if (e->severity == RK_STATUS) return;
  if (err.log_state < 0) open_log();
  if (err.log_state != 1) return;
  std::string s = chain_string(e, true);
  while (!s.empty() && s.back() == '\n') s.pop_back();
  std::fprintf(err.log, "%s\n", s.c_str());
  std::fflush(err.log);
}

void close_log() {
  if (err.log) std::fclose(err.log);
  err.log = nullptr;
  if (err.log_state == 1) err.log_state = 0;
}

// The short form as the terminal shows it; fatal errors carry a banner.
void print_short(const RkError* e) {
  std::string s = chain_string(e, false);
  if (e->severity == RK_FATAL || e->severity == RK_INTERNAL) {
    std::fprintf(out_stream(), "\n*** Fatal error encountered ***\n%s\n", s.c_str());
  } else {
    std::fprintf(out_stream(), "%s\n", s.c_str());
  }
  std::fflush(out_stream());
}

[[noreturn]] void uncaught(RkError* e) {
  rkCleanup();
  log_error(e);
  print_short(e);
  rkAbort(0);
}

// Raises e with tag: to the innermost frame that catches it, else ends.
[[noreturn]] void throw_to_frame(int tag, RkError* e) {
  rk::ExFrame* f = err.top;
  while (f && !(f->mask & tag)) f = f->outer;
  // A frame that discards what it catches must not steal the cause of an
  // error its caller is still handling.
  if (!f || !f->quiet) take_pending(e);
  if (!f) uncaught(e);
  throw rk::ExUnwind{f, tag, e};
}

extern "C" void on_fatal_signal(int) {
  static const char kText[] =
      "\n*** Fatal error encountered ***\nThe program received a fatal signal.\n";
  ssize_t ignored = write(2, kText, sizeof kText - 1);
  (void)ignored;
  _exit(3);
}

}  // namespace

// --- creating and releasing --------------------------------------------------

RkError* rkErrCreate(const char* location, const char* application, int number, int severity,
                     const char* text) {
  auto* e = static_cast<RkError*>(rkMemFlAlloc(&err.errors));
  if (!e) rkErrFatal("Out of memory while creating an error object.");
  new (e) RkError();
  e->location = location ? rkStrCpy(location) : nullptr;
  e->application = rkStrCpy(application ? application : "");
  e->text = rkStrCpy(text ? text : "");
  e->number = number;
  e->severity = severity;
  return e;
}

RkError* rkErrCreate2(const char* location, const char* application, int number, int severity,
                      const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::string text = vformat(format, ap);
  va_end(ap);
  return rkErrCreate(location, application, number, severity, text.c_str());
}

RkError* rkErrBuild(const char* location, RkMsgFile* catalog, int number, ...) {
  va_list ap;
  va_start(ap, number);
  RkError* e = rkErrBuildVa(location, catalog, number, ap);
  va_end(ap);
  return e;
}

RkError* rkErrBuildVa(const char* location, RkMsgFile* catalog, int number, va_list args) {
  struct Depth {
    Depth() { ++err.building; }
    ~Depth() { --err.building; }
  } depth;
  if (err.building > kMaxBuildDepth)
    return rkErrCreate(rkErrLocationRoutine("rkErrBuildVa"), "rklib", number, RK_ERROR,
                       kBrokenOwnText);
  // Copy the inputs that live in shared buffers before anything below
  // overwrites them.
  std::string loc = location ? location : "";
  const char* loc_or_null = location ? loc.c_str() : nullptr;
  const char* name = rkMsgGetFilename(catalog);
  std::string app = name ? name : "unknown";
  va_list ap;
  va_copy(ap, args);
  std::string text = rkMsgStaticVa(catalog, number, ap);
  va_end(ap);

  if (text.size() >= 3 && text[0] == '[' && text[2] == ']' && letter_known(text[1])) {
    std::size_t b = 3;
    while (b < text.size() && text[b] == ' ') ++b;
    return rkErrCreate(loc_or_null, app.c_str(), number, rkErrCharToSeverity(text[1]),
                       text.c_str() + b);
  }

  // A message without its severity is itself an error of the catalog.
  RkError* faulty = rkErrCreate(loc_or_null, app.c_str(), number, RK_ERROR, text.c_str());
  bool internal = app == "rklib" && number >= 1101 && number <= 1110;
  RkMsgFile* own = internal ? nullptr : own_catalog();
  RkError* e;
  if (!own) {
    // Building error 1106 from a broken rklib could recurse forever.
    e = rkErrCreate(rkErrLocationRoutine("rkErrBuildVa"), "rklib", RKLIB_ERR_NO_SEVERITY, RK_ERROR,
                    kBrokenOwnText);
  } else {
    e = rkErrBuild(rkErrLocationRoutine("rkErrBuildVa"), own, RKLIB_ERR_NO_SEVERITY, number,
                   app.c_str());
  }
  return rkErrAppend(e, faulty);
}

RkError* rkErrAppend(RkError* first, RkError* chain) {
  if (!first) return chain;
  RkError* tail = first;
  while (tail->next) tail = tail->next;
  tail->next = chain;
  return first;
}

RkError* rkErrRef(RkError* e) {
  if (e) ++e->refcount;
  return e;
}

void rkErrFree(RkError* e) {
  while (e && --e->refcount == 0) {
    RkError* next = e->next;
    if (err.pending == e) err.pending = nullptr;
    rkStrFree(e->application);
    rkStrFree(e->location);
    rkStrFree(e->text);
    e->~RkError();
    rkMemFlFree(&err.errors, e);
    e = next;
  }
}

// --- reading -------------------------------------------------------------------

const char* rkErrApp(const RkError* e) { return e ? e->application : nullptr; }
const char* rkErrText(const RkError* e) { return e ? e->text : nullptr; }
const char* rkErrLocation(const RkError* e) { return e ? e->location : nullptr; }
int rkErrSeverity(const RkError* e) { return e ? e->severity : RK_ERROR; }
int rkErrNum(const RkError* e) { return e ? e->number : 0; }

int rkErrLoop(const RkError* e, int (*fn)(const RkError* e)) {
  for (; e; e = e->next)
    if (fn(e) == 0) return 0;
  return 1;
}

int rkErrLoop2(const RkError* e, int (*fn)(const RkError* e, void* user), void* user) {
  for (; e; e = e->next)
    if (fn(e, user) == 0) return 0;
  return 1;
}

const char* rkErrString(const RkError* e, int long_form) {
  err.text = chain_string(e, long_form != 0);
  return err.text.c_str();
}

char* rkErrStringAlloc(const RkError* e, int long_form) {
  return rkStrCpy(chain_string(e, long_form != 0).c_str());
}

char* rkErrMessageAllocVa(RkMsgFile* catalog, int number, va_list args) {
  RkError* e = rkErrBuildVa(nullptr, catalog, number, args);
  char* text = rkErrStringAlloc(e, 0);
  rkErrFree(e);
  return text;
}

const char* rkErrSeverityToString(int severity) { return info(severity).name; }

int rkErrStringToSeverity(const char* name) {
  for (int i = 0; i < kSeverityCount; ++i)
    if (rkStrIcmp(name, kSeverities[i].name) == 0) return i;
  return RK_ERROR;
}

char rkErrSeverityToChar(int severity) { return info(severity).letter; }

int rkErrCharToSeverity(char letter) {
  for (int i = 0; i < kSeverityCount; ++i)
    if (kSeverities[i].letter == letter) return i;
  return RK_ERROR;
}

// --- locations -------------------------------------------------------------------

const char* rkErrLocationRoutine(const char* routine) {
  if (!routine) return nullptr;
  std::snprintf(err.location, sizeof err.location, "in call to routine %s()", routine);
  return err.location;
}

const char* rkErrLocationFile(const char* file) { return rkErrLocationMessage(file, 0, 0); }

const char* rkErrLocationLine(const char* file, int line) {
  return rkErrLocationMessage(file, line, 0);
}

const char* rkErrLocationMessage(const char* file, int line, int message) {
  char* b = err.location;
  std::size_t n = sizeof err.location;
  if (file) {
    if (line > 0 && message > 0) {
      std::snprintf(b, n, "%s, line %d, message %d", file, line, message);
    } else if (line > 0) {
      std::snprintf(b, n, "%s, line %d", file, line);
    } else if (message > 0) {
      std::snprintf(b, n, "%s, message %d", file, message);
    } else {
      std::snprintf(b, n, "%s", file);
    }
    return b;
  }
  if (message <= 0) return nullptr;
  if (line > 0) {
    std::snprintf(b, n, "line %d, message %d", line, message);
  } else {
    std::snprintf(b, n, "message %d", message);
  }
  return b;
}

// --- error streams ---------------------------------------------------------------

RkErrStream* rkErrStreamCreate() {
  auto* s = static_cast<RkErrStream*>(rkMemMalloc(sizeof(RkErrStream), "errorStream"));
  if (!s) rkErrFatal("Out of memory while creating an error stream.");
  new (s) RkErrStream();
  return s;
}

void rkErrStreamAdd(RkErrStream* s, RkError* e) {
  if (!s || !e) return;
  if (s->count == s->capacity) {
    int cap = s->capacity ? s->capacity * 2 : 8;
    void* p =
        rkMemRealloc(s->errors, sizeof(RkError*) * static_cast<std::size_t>(cap), "errorStream");
    if (!p) rkErrFatal("Out of memory while adding to an error stream.");
    s->errors = static_cast<RkError**>(p);
    s->capacity = cap;
  }
  s->errors[s->count++] = rkErrRef(e);
  if (info(e->severity).rank > info(s->baddest).rank) s->baddest = e->severity;
}

int rkErrStreamCount(const RkErrStream* s) { return s ? s->count : 0; }

RkError* rkErrStreamError(const RkErrStream* s, int index) {
  if (!s || index < 0 || index >= s->count) return nullptr;
  return s->errors[index];
}

int rkErrStreamBaddest(const RkErrStream* s) { return s ? s->baddest : RK_STATUS; }

const char* rkErrStreamSummary(RkErrStream* s) {
  if (!s) return "";
  std::snprintf(s->summary, sizeof s->summary, "%d message(s)", s->count);
  return s->summary;
}

int rkErrStreamExitCode(const RkErrStream* s) {
  return info(rkErrStreamBaddest(s)).rank >= info(RK_ERROR).rank ? 3 : 0;
}

void rkErrStreamDestroy(RkErrStream* s) {
  if (!s) return;
  for (int i = 0; i < s->count; ++i) rkErrFree(s->errors[i]);
  rkMemFree(s->errors);
  s->~RkErrStream();
  rkMemFree(s);
}

// --- reporting -----------------------------------------------------------------------

void rkErrReport(RkError* e, RkErrStream* stream) {
  if (!e) return;
  take_pending(e);
  log_error(e);
  switch (e->severity) {
    case RK_FATAL:
    case RK_INTERNAL:
      print_short(e);
      rkAbort(e->severity == RK_INTERNAL);
    case RK_DISABLED:
      break;
    default:
      print_short(e);
      if (stream) rkErrStreamAdd(stream, e);
      break;
  }
  rkErrFree(e);
}

void rkErrReport2(RkErrStream* stream, const char* application, int severity, const char* format,
                  ...) {
  va_list ap;
  va_start(ap, format);
  std::string text = vformat(format, ap);
  va_end(ap);
  rkErrReport(rkErrCreate(nullptr, application, 0, severity, text.c_str()), stream);
}

void rkErrSetOut(RkErrOutFunc fn, void* user) {
  err.out = fn;
  err.out_user = fn ? user : nullptr;
}

void rkErrOut(RkError* e) {
  if (!e) return;
  if (err.out) {
    err.out(e, err.out_user);
  } else {
    rkErrReport(e, nullptr);
  }
}

void rkErrOut2(const char* application, int severity, const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::string text = vformat(format, ap);
  va_end(ap);
  rkErrOut(rkErrCreate(nullptr, application, 0, severity, text.c_str()));
}

void rkErrOut3(const char* location, const char* application, int number, int severity,
               const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::string text = vformat(format, ap);
  va_end(ap);
  rkErrOut(rkErrCreate(location, application, number, severity, text.c_str()));
}

void rkErrOutBuild(const char* location, RkMsgFile* catalog, int number, ...) {
  va_list ap;
  va_start(ap, number);
  rkErrOutBuildVa(location, catalog, number, ap);
  va_end(ap);
}

void rkErrOutBuildVa(const char* location, RkMsgFile* catalog, int number, va_list args) {
  rkErrOut(rkErrBuildVa(location, catalog, number, args));
}

void rkErrFatal(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::string text = vformat(format, ap);
  va_end(ap);
  std::fprintf(out_stream(), "\n*** Fatal error encountered ***\n%s\n", text.c_str());
  std::fflush(out_stream());
  rkAbort(0);
}

void rkErrYell(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::vfprintf(out_stream(), format, ap);
  va_end(ap);
  std::fflush(out_stream());
}

std::FILE* rkErrSetStream(std::FILE* stream) {
  std::FILE* old = out_stream();
  err.stream = stream;
  return old;
}

void rkErrSetProgram(const char* name) { err.program = name ? name : ""; }

// --- reading errors back ----------------------------------------------------------

RkError* rkErrCreateFromString(const char* line) {
  static const std::regex kLongForm("^\\+?([^:]+): +([A-Za-z ]+) *([0-9]+)?: +(.+)$");
  if (!line) return nullptr;
  std::string s = line;
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  std::smatch m;
  if (!std::regex_match(s, m, kLongForm)) return nullptr;
  std::string severity = m[2].str();
  while (!severity.empty() && severity.back() == ' ') severity.pop_back();
  int number = 0;
  if (m[3].matched) {
    errno = 0;
    long v = std::strtol(m[3].str().c_str(), nullptr, 10);
    number = (errno == 0 && v <= 0x7fffffff) ? static_cast<int>(v) : 0;
  }
  return rkErrCreate(nullptr, m[1].str().c_str(), number, rkErrStringToSeverity(severity.c_str()),
                     m[4].str().c_str());
}

int rkErrReadErrorFile(const char* path, RkErrStream* stream) {
  std::FILE* fp = path ? rkDufsFopenRead(path) : nullptr;
  if (!fp)
    rkExThrowBuild(RK_TAG_ENVIRONMENT, rkErrLocationRoutine("rkErrReadErrorFile"), rkMsgFile(),
                   RKLIB_ERR_READ_FILE, path ? path : "");
  int chains = 0;
  RkError* chain = nullptr;
  auto flush = [&] {
    if (!chain) return;
    rkErrStreamAdd(stream, chain);
    rkErrFree(chain);
    chain = nullptr;
    ++chains;
  };
  while (const char* line = rkDufsFgetline(fp)) {
    // Lines that start with a colon after blanks are comments.
    const char* p = line;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == ':') continue;
    RkError* e = rkErrCreateFromString(line);
    if (!e) continue;
    if (line[0] == '+' && chain) {
      rkErrAppend(chain, e);
    } else {
      flush();
      chain = e;
    }
  }
  flush();
  std::fclose(fp);
  return chains;
}

// --- exceptions ---------------------------------------------------------------------

namespace rk {

void exPush(ExFrame* frame) {
  frame->outer = err.top;
  err.top = frame;
}

void exPop(ExFrame* frame) { err.top = frame->outer; }

void exCaught(RkError* e) { err.pending = e; }

}  // namespace rk

void rkExThrow(int tag, RkError* e) {
  if (!e)
    e = rkErrCreate(nullptr, "rklib", 0, RK_ERROR, "An exception was raised without an error.");
  throw_to_frame(tag, e);
}

void rkExThrow2(int tag, const char* location, const char* application, int number, int severity,
                const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::string text = vformat(format, ap);
  va_end(ap);
  throw_to_frame(tag, rkErrCreate(location, application, number, severity, text.c_str()));
}

void rkExThrowBuild(int tag, const char* location, RkMsgFile* catalog, int number, ...) {
  va_list ap;
  va_start(ap, number);
  RkError* e = rkErrBuildVa(location, catalog, number, ap);
  va_end(ap);
  throw_to_frame(tag, e);
}

void rkExPrecond(const char* routine, const char* condition) {
  std::string r = routine ? routine : "?";
  rkExThrowBuild(RK_TAG_MISUSE, rkErrLocationRoutine(r.c_str()), own_catalog(), RKLIB_ERR_PRECOND,
                 r.c_str(), condition ? condition : "");
}

void rkEx_PreCond(int condition, const char* routine, const char* text) {
  if (!condition) rkExPrecond(routine, text);
}

void rkEx_PostCond(int condition, const char* routine, const char* text) {
  if (condition) return;
  std::string r = routine ? routine : "?";
  rkExThrowBuild(RK_TAG_MISUSE, rkErrLocationRoutine(r.c_str()), own_catalog(), RKLIB_ERR_POSTCOND,
                 r.c_str(), text ? text : "");
}

// --- ends of the program -------------------------------------------------------------

void rkOnExitAdd(RkExitFunc fn, void* arg) {
  if (!fn || !rkMemDebugging()) return;
  err.exit_handlers.push_back(Handler{fn, arg, kDefaultExitOrder, err.seq++});
}

void rkOnExitRemove(RkExitFunc fn, void* arg) {
  std::erase_if(err.exit_handlers, [&](const Handler& h) { return h.fn == fn && h.arg == arg; });
}

void rkOnExitSetOrder(RkExitFunc fn, void* arg, int order) {
  for (auto& h : err.exit_handlers)
    if (h.fn == fn && h.arg == arg) h.order = order;
}

void rkExit(int status) {
  std::vector<Handler> handlers = err.exit_handlers;
  err.exit_handlers.clear();
  std::stable_sort(handlers.begin(), handlers.end(), [](const Handler& a, const Handler& b) {
    return a.order != b.order ? a.order < b.order : a.seq < b.seq;
  });
  for (const auto& h : handlers) h.fn(h.arg);
  rkMemReport(stderr);
  rkMemInjectionReport(stderr);
  close_log();
  // Every stream the program wrote is flushed here; global destructors are
  // skipped on purpose, since their order across modules is not ours.
  std::fflush(nullptr);
#if defined(__SANITIZE_ADDRESS__)
  // _Exit skips the leak check a sanitizer build makes at exit; made here,
  // everything the run still holds is reachable from the globals, so what
  // it reports was really lost.
  __lsan_do_leak_check();
#endif
  std::_Exit(status);
}

void rkGoodbye() { rkExit(0); }

void rkAbortAddHandler(RkExitFunc fn, void* arg) {
  if (fn) err.abort_handlers.push_back(Handler{fn, arg, 0, err.seq++});
}

void rkAbort(int core) {
  if (!err.cleaned) rkCleanup();
  std::vector<Handler> handlers = err.abort_handlers;
  err.abort_handlers.clear();
  for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) it->fn(it->arg);
  close_log();
  std::fflush(nullptr);
  if (core) std::abort();
  std::_Exit(3);
}

void rkCleanup() {
  if (err.cleaned) return;
  err.cleaned = true;
  if (err.log) std::fflush(err.log);
  std::fflush(stdout);
  std::fflush(out_stream());
}

void rkExInit() {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = on_fatal_signal;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGFPE, SIGBUS, SIGSEGV}) {
    if (sigaction(sig, &sa, nullptr) != 0) {
      rkErrYell("vrSignal failed\n");
      return;
    }
  }
}

void rkErrReset() {
  close_log();
  err.log_state = -1;
  err.stream = nullptr;
  err.pending = nullptr;
  err.top = nullptr;
  err.out = nullptr;
  err.out_user = nullptr;
  err.exit_handlers.clear();
  err.abort_handlers.clear();
  err.cleaned = false;
  err.building = 0;
  err.program.clear();
  std::string().swap(err.text);
}
