// util/rkerr.h - error objects, exceptions and the ends of the program.
//
// The libraries below the netlister report a failure in one way: they build
// an error object (RkError) and either report it at once or raise it with a
// tag.  A raised error unwinds to the innermost exception frame whose mask
// shares a bit with the tag (rkExTry); one that nobody catches is reported
// and ends the program with exit status 3.  Tag 1 marks misuse of an
// interface (failed preconditions, handles that are not open), tag 2 a
// failure of the environment (files, catalogs).
//
// Errors chain: a chain reads as one report, its members joined by "\n+"
// so that continuation lines can be told apart.  An error raised or
// reported while a caught error is still alive gets that error appended,
// so the final report shows the whole cause.
//
// Error objects are reference counted and come from a free list
// ("errorObject").  Whoever holds an error releases it with rkErrFree;
// rkErrReport, rkErrOut and rkExThrow* take the caller's reference.
//
// Reports go to the error stream (standard error unless replaced) in the
// short form; the error log, kept when RK_LOGDIR is set, receives the long
// form, which rkErrReadErrorFile reads back.
//
// The program ends only through rkExit (orderly: exit handlers, memory
// report) or rkAbort (clean-up, abort handlers, status 3).
#pragma once

#include <cstdarg>
#include <cstdio>
#include <utility>

struct RkMsgFile;

/// Severity codes of an error; any other code reads as RK_ERROR.
enum RkSeverity : int {
  RK_ERROR = 0,     // "Error", E
  RK_STATUS = 1,    // "Status", S (never logged)
  RK_NOTE = 2,      // "Note", I
  RK_WARNING = 3,   // "Warning", W
  RK_FATAL = 4,     // "Fatal", F: reporting it ends the program
  RK_INTERNAL = 5,  // "Internal Error", Z: ends the program with a core image
  RK_DISABLED = 6,  // "Disabled", D: reported silently
};

/// Exception tags.
inline constexpr int RK_TAG_MISUSE = 1;       // misuse of an interface
inline constexpr int RK_TAG_ENVIRONMENT = 2;  // files, catalogs, the system
inline constexpr int RK_TAG_ALL = ~0;         // a mask catching every tag

/// Application of an error whose text is shown unchanged.
inline constexpr const char* RK_USER_FORMATTED = "USER_FORMATTED";

/// One error; a chain of them reads as one report.
struct RkError {
  char* application = nullptr;  // tool or catalog name, or RK_USER_FORMATTED
  char* location = nullptr;     // where it happened, or null
  char* text = nullptr;         // the message text
  RkError* next = nullptr;      // next error of the chain (owned reference)
  int number = 0;               // message number, 0 when none
  int severity = RK_ERROR;      // RkSeverity
  int refcount = 1;             // holders of this error
};

// --- creating and releasing ---------------------------------------------

/// A new error (reference count 1) with copies of the texts.
RkError* rkErrCreate(const char* location, const char* application, int number, int severity,
                     const char* text);

/// As rkErrCreate with the text formatted printf-style.
[[gnu::format(printf, 5, 6)]] RkError* rkErrCreate2(const char* location, const char* application,
                                                    int number, int severity, const char* format,
                                                    ...);

/// An error built from catalog message number: the text must begin with a
/// bracketed severity letter ("[E] "), which sets the severity.  A message
/// without it becomes error 1106 of the library's catalog with the faulty
/// message appended.  Never raises.
RkError* rkErrBuild(const char* location, RkMsgFile* catalog, int number, ...);
RkError* rkErrBuildVa(const char* location, RkMsgFile* catalog, int number, va_list args);

/// Appends chain to the end of first's chain (taking chain's reference);
/// returns first, or chain when first is null.
RkError* rkErrAppend(RkError* first, RkError* chain);

/// Adds a reference; returns e.
RkError* rkErrRef(RkError* e);

/// Drops one reference; the last one frees the error and its chain.
void rkErrFree(RkError* e);

// --- reading -------------------------------------------------------------

const char* rkErrApp(const RkError* e);
const char* rkErrText(const RkError* e);
const char* rkErrLocation(const RkError* e);
int rkErrSeverity(const RkError* e);
int rkErrNum(const RkError* e);

/// Calls fn with each error of the chain in order until it returns 0.
/// Returns 1 after the last error, 0 when stopped.
int rkErrLoop(const RkError* e, int (*fn)(const RkError* e));
int rkErrLoop2(const RkError* e, int (*fn)(const RkError* e, void* user), void* user);

/// Text form of a chain (short form when long_form is 0), in a shared
/// buffer overwritten by the next call.
const char* rkErrString(const RkError* e, int long_form);

/// As rkErrString in a new block the caller frees with rkMemFree.
char* rkErrStringAlloc(const RkError* e, int long_form);

/// The short form of message number of catalog built as an error
/// ("nodex-W-483: ..."), in a new block the caller frees with rkMemFree:
/// how the tools show their numbered messages.
char* rkErrMessageAllocVa(RkMsgFile* catalog, int number, va_list args);

/// The severity table, both ways.  Unknown codes read as "Error" / 'E';
/// unknown names and letters as RK_ERROR.  Names are compared ignoring case.
const char* rkErrSeverityToString(int severity);
int rkErrStringToSeverity(const char* name);
char rkErrSeverityToChar(int severity);
int rkErrCharToSeverity(char letter);

// --- locations (one shared buffer, overwritten by the next call) ---------

/// "in call to routine %s()", or null for a null routine.
const char* rkErrLocationRoutine(const char* routine);
/// The file name, or null.
const char* rkErrLocationFile(const char* file);
/// "%s, line %d" (line > 0) or the file alone; null without a file.
const char* rkErrLocationLine(const char* file, int line);
/// "%s, line %d, message %d", "%s, message %d", "line %d, message %d",
/// "message %d", or as rkErrLocationLine; null when there is nothing to say.
const char* rkErrLocationMessage(const char* file, int line, int message);

// --- error streams ---------------------------------------------------------

/// Collects reported errors; counts them and keeps the worst severity.
struct RkErrStream {
  RkError** errors = nullptr;  // one reference each, in report order
  int count = 0;               // errors held
  int capacity = 0;            // slots of errors
  int baddest = RK_STATUS;     // worst severity seen (RK_STATUS when empty)
  char summary[32] = {};       // text of rkErrStreamSummary
};

RkErrStream* rkErrStreamCreate();
/// Adds a reference to e to the stream.
void rkErrStreamAdd(RkErrStream* s, RkError* e);
int rkErrStreamCount(const RkErrStream* s);
/// The index-th error (from 0), or null.
RkError* rkErrStreamError(const RkErrStream* s, int index);
/// The worst severity added (Disabled < Status < Note < Warning < Error <
/// Fatal < Internal Error); RK_STATUS for an empty stream.
int rkErrStreamBaddest(const RkErrStream* s);
/// "%d message(s)", valid until the next call on the stream.
const char* rkErrStreamSummary(RkErrStream* s);
/// 3 when the worst severity is Error or worse, else 0.
int rkErrStreamExitCode(const RkErrStream* s);
void rkErrStreamDestroy(RkErrStream* s);

// --- reporting ---------------------------------------------------------------

/// Reports e and releases it: logs it, then by severity prints the short
/// form on the error stream (Fatal and Internal Error abort, Disabled
/// prints nothing) and adds it to stream when given.
void rkErrReport(RkError* e, RkErrStream* stream);

/// Creates an error (no location, number 0) and reports it.
[[gnu::format(printf, 4, 5)]] void rkErrReport2(RkErrStream* stream, const char* application,
                                                int severity, const char* format, ...);

/// Output function: receives each error handed to rkErrOut* and owns it.
using RkErrOutFunc = void (*)(RkError* e, void* user);

/// Installs the output function (null restores the default, rkErrReport
/// without a stream).
void rkErrSetOut(RkErrOutFunc fn, void* user);

/// Hands e to the output function.
void rkErrOut(RkError* e);
[[gnu::format(printf, 3, 4)]] void rkErrOut2(const char* application, int severity,
                                             const char* format, ...);
[[gnu::format(printf, 5, 6)]] void rkErrOut3(const char* location, const char* application,
                                             int number, int severity, const char* format, ...);
void rkErrOutBuild(const char* location, RkMsgFile* catalog, int number, ...);
void rkErrOutBuildVa(const char* location, RkMsgFile* catalog, int number, va_list args);

/// Prints "\n*** Fatal error encountered ***\n<text>\n" and aborts.
[[noreturn, gnu::format(printf, 1, 2)]] void rkErrFatal(const char* format, ...);

/// Prints a raw formatted text on the error stream.
[[gnu::format(printf, 1, 2)]] void rkErrYell(const char* format, ...);

/// Replaces the error stream (null restores standard error); returns the
/// previous one.
std::FILE* rkErrSetStream(std::FILE* stream);

/// Names the program in the error log's file name (default: the name the
/// process was started with).
void rkErrSetProgram(const char* name);

/// Reads errors back from their long text form (an error log): each line
/// starts an error, a line starting with "+" continues the previous chain.
/// Each chain is added to stream.  Returns the number of chains; raises
/// error 1103 (tag 2) when the file cannot be opened.
int rkErrReadErrorFile(const char* path, RkErrStream* stream);

/// The error written on one line in long form; null when the line does not
/// have that form.  The text after the severity (location and text) becomes
/// the text, so rkErrString gives the same line back.
RkError* rkErrCreateFromString(const char* line);

// --- exceptions -----------------------------------------------------------

/// Raises e with tag: unwinds to the innermost frame whose mask shares a
/// bit with tag, or, when there is none, reports e and aborts (status 3)
/// without unwinding.
[[noreturn]] void rkExThrow(int tag, RkError* e);

/// Creates an error as rkErrCreate2 and raises it.
[[noreturn, gnu::format(printf, 6, 7)]] void rkExThrow2(int tag, const char* location,
                                                        const char* application, int number,
                                                        int severity, const char* format, ...);

/// Builds an error as rkErrBuild and raises it.
[[noreturn]] void rkExThrowBuild(int tag, const char* location, RkMsgFile* catalog, int number,
                                 ...);

/// Raises the tag-1 error "precondition failed" for routine and condition.
[[noreturn]] void rkExPrecond(const char* routine, const char* condition);

/// Raises a tag-1 error when condition is 0 (pre- and postcondition).
void rkEx_PreCond(int condition, const char* routine, const char* text);
void rkEx_PostCond(int condition, const char* routine, const char* text);

/// What a frame caught.
struct RkExCaught {
  int tag;         // tag of the raise
  RkError* error;  // owned by the catcher (release with rkErrFree)
};

namespace rk {

// Exception frame: lives on the stack of rkExTry for the time of its body.
struct ExFrame {
  int mask;        // tags caught here
  bool quiet;      // the catcher discards the error (it never becomes pending)
  ExFrame* outer;  // enclosing frame
};

// The one exception type; thrown only by rkExThrow*, caught only by rkExTry.
struct ExUnwind {
  ExFrame* target;  // the frame that catches it
  int tag;
  RkError* error;  // one reference, passed to the catcher
};

void exPush(ExFrame* frame);
void exPop(ExFrame* frame);
void exCaught(RkError* e);

}  // namespace rk

/// Runs body() inside an exception frame that catches the tags in mask.
/// Returns 0 when body completed, else the caught tag (caught filled).
/// With caught null the error is discarded; it then never becomes the
/// pending cause of later errors.
template <class F>
int rkExTry(int mask, F&& body, RkExCaught* caught) {
  rk::ExFrame frame{mask, caught == nullptr, nullptr};
  rk::exPush(&frame);
  struct Pop {
    rk::ExFrame* f;
    ~Pop() { rk::exPop(f); }
  } pop{&frame};
  if (caught) *caught = RkExCaught{0, nullptr};
  try {
    std::forward<F>(body)();
  } catch (rk::ExUnwind& u) {
    if (u.target != &frame) throw;
    if (caught) {
      rk::exCaught(u.error);
      *caught = RkExCaught{u.tag, u.error};
    } else {
      rkErrFree(u.error);
    }
    return u.tag;
  }
  return 0;
}

// --- ends of the program ----------------------------------------------------

using RkExitFunc = void (*)(void* arg);

/// Registers a clean-up handler run by rkExit (order 50 unless set).  Kept
/// only when RK_MEMDBG or RK_PURIFY is set: handlers exist to free memory
/// so that leaks can be reported.
void rkOnExitAdd(RkExitFunc fn, void* arg);
void rkOnExitRemove(RkExitFunc fn, void* arg);
/// Handlers run in ascending order (catalogs 85, memory blocks 90).
void rkOnExitSetOrder(RkExitFunc fn, void* arg, int order);

/// Orderly end: exit handlers, memory report, then exit with status.
[[noreturn]] void rkExit(int status);
/// rkExit(0).
[[noreturn]] void rkGoodbye();

/// Registers a handler run by rkAbort (most recent first).
void rkAbortAddHandler(RkExitFunc fn, void* arg);

/// Abnormal end: clean-up (once), abort handlers, exit status 3 (a core
/// image when core is nonzero).
[[noreturn]] void rkAbort(int core);

/// Closes the error log and flushes the standard streams; runs once.
void rkCleanup();

/// Catches floating-point, bus and segmentation faults: they print a fatal
/// line and end the program with status 3.
void rkExInit();

/// Forgets all error state (frames, pending error, handlers, log, output
/// function, stream) so tests start fresh.
void rkErrReset();
