// util/rkmsg.h - message catalogs: numbered texts kept in binary files.
//
// Most user-visible texts live in catalog files ("<name>.vmb", written by
// rkmsgcmp).  How a catalog file is found is not this library's business:
// a program registers a finder at start-up (rkMsgSetFinder; the programs
// of this system register the project store's search rule, pxGetini:
// beside the name, in WDIR, beside the executable), and without one a
// catalog is looked for under its file name alone.  A text is fetched by
// number and formatted printf-style; positional conversions ("%2$s") are
// allowed.
//
// A catalog file is a portable binary file (util/rkdufs.h) whose body is
//   words 0..14  header: format mark 0x00010203, version major, minor and
//                patch, index offset, (unused), application-name offset,
//                release-label offset, (unused x7); offsets count from the
//                start of the body, 0 or less means "none"
//   strings      16-bit length (counting the NUL), then the bytes
//   texts        NUL-terminated printf formats
//   index        count (at most 200000), then count entries of (number,
//                text offset, text length with the NUL), by ascending number
//
// Opening the same name again returns the same handle with one more
// reference.  Texts are read on demand; the 80 most recently used ones are
// kept in a cache shared by all catalogs, so status lines written for every
// net do not re-read the file.
//
// Failures raise errors 1001..1007 and 1020..1023 of the library's own
// catalog "rklib" (tag 2 for the environment, tag 1 for misuse).  When
// "rklib" itself is the one failing, the text comes from formats compiled
// in here, so that a broken rklib.vmb cannot recurse.
//
// A catalog's texts are formats, and a catalog may come from anywhere the
// search reaches (the working directory first), so no text is trusted:
// each text read from a file is checked against the text the program's
// own catalog was compiled from (rkMsgBuiltinCatalogs).  A text whose
// conversions do not take the arguments the program passes (their number
// and kinds, see rkMsgFormatAgrees), or that holds %n, is replaced by the
// built-in text, with a warning (rklib 1024); without a built-in text it
// counts as missing (warning 1025, then error 1021 or, with
// RK_MSGFILEDBG, the "Can't find message" text).
//
// Environment: RK_MSGNOVERSION turns a failed version check into a warning;
// RK_MSGFILEDBG turns a missing message into a "Can't find message" text.
#pragma once

#include <cstdarg>
#include <cstddef>

/// An open catalog (opaque).
struct RkMsgFile;

/// A built-in text: a message number and its text.
struct RkMsgBuiltinText {
  int number;
  const char* text;
};

/// The built-in texts of one catalog, by ascending number (ended by a null
/// text).
struct RkMsgBuiltinCatalog {
  const char* name;  // the name the catalog is opened with
  const RkMsgBuiltinText* texts;
  int count;
};

/// The texts the program's catalogs were compiled from, ended by a null
/// name; written at build time by "rkmsgcmp --table".  A program built
/// without them (the message compiler, which makes them) has an empty
/// table: every text is then checked only for what no arguments allow.
extern const RkMsgBuiltinCatalog rkMsgBuiltinCatalogs[];

/// The built-in text of message number of catalog name, or null.
const char* rkMsgBuiltin(const char* name, int number);

/// 1 when text may be formatted with the arguments that the format
/// reference takes: it has no %n and no unknown or malformed conversion,
/// does not mix numbered ("%2$s") and plain conversions, numbers its
/// arguments from 1 without a gap, and each argument it uses is one the
/// reference uses with the same kind (int, long, double, string, ...).
/// A null reference takes no argument.
int rkMsgFormatAgrees(const char* text, const char* reference);

/// Copy function: receives the finished text and its context; its result
/// is the result of the call that fetched the text.
using RkMsgCopyFunc = int (*)(const char* text, void* context);

/// What a catalog finder reports.
enum class RkMsgFind {
  kFound = 0,     // the path of the catalog file is in the buffer
  kBadName = 1,   // the name makes no valid file name (error 1002)
  kNotFound = 2,  // no such catalog file anywhere (error 1003)
};

/// Finds the file of catalog name ("<name>.vmb"): its path into path
/// (size bytes, rk::kMsgPathBuffer), or why there is none.
using RkMsgFinder = RkMsgFind (*)(const char* name, char* path, std::size_t size);

/// Sets how catalogs are found from now on (null: under the file name
/// "<name>.vmb" alone, relative to the working directory) and returns the
/// finder it replaces.  Programs call it once at start-up, before the
/// first catalog is opened; rkMsgReset keeps it.
RkMsgFinder rkMsgSetFinder(RkMsgFinder finder);

/// Context of rkMsgCopyToBuffer.
struct RkMsgBufferContext {
  char* buffer;      // destination
  std::size_t size;  // bytes of buffer, the NUL included
};

/// Opens catalog name (found as "<name>.vmb"), checking the application
/// name, release label and versions ("MAJOR.MINOR.PATCH") given; all but
/// name may be null.  Returns the handle or raises.
RkMsgFile* rkMsgFileOpen(const char* name, const char* application, const char* release,
                         const char* min_version, const char* max_version);

/// Drops one reference; the last one closes the catalog.  A handle that is
/// not open is ignored.
void rkMsgFileClose(RkMsgFile* file);

/// The library's own catalog "rklib", opened on first use.
RkMsgFile* rkMsgFile();

/// The name the catalog was opened with, or null for a handle not open.
const char* rkMsgGetFilename(const RkMsgFile* file);

/// Hands the raw text of message number to copy; returns its result.
int rkMsgText(RkMsgFile* file, int number, RkMsgCopyFunc copy, void* context);

/// Formats message number with the arguments and hands it to copy.
int rkMsgGenerate(RkMsgFile* file, int number, RkMsgCopyFunc copy, void* context, ...);
int rkMsgGenerateVa(RkMsgFile* file, int number, RkMsgCopyFunc copy, void* context, va_list args);

/// The formatted message in a shared buffer, overwritten by the next call.
/// Never fails: a failure yields "*** internal message file error; message #N".
const char* rkMsgStatic(RkMsgFile* file, int number, ...);
const char* rkMsgStaticVa(RkMsgFile* file, int number, va_list args);

/// The formatted message in a new block (free with rkMemFree); never fails
/// as rkMsgStatic.
char* rkMsgAlloc(RkMsgFile* file, int number, ...);

/// Formats into buffer; 1 when the text was cut to fit, else 0.
int rkMsgBuffer(RkMsgFile* file, int number, char* buffer, std::size_t size, ...);

/// Copy function into an RkMsgBufferContext; 1 when the text was cut.
int rkMsgCopyToBuffer(const char* text, void* context);

/// Copy function making a new block (rkMemMalloc) stored in *(char**)context.
int rkMsgCopyAlloc(const char* text, void* context);

/// 1 while the library's own catalog is being opened (binary-file errors
/// then use a compiled-in text instead of the catalog).
int rkMsgOpeningOwnCatalog();

/// Texts read from catalog files so far (cache misses); for tests.
long rkMsgReadCount();

/// Closes every catalog, drops the cache and forgets the environment
/// settings read so far, so tests start fresh.
void rkMsgReset();
