// store/prj.h - the project store: libraries of a project and the files in
// them.
//
// The wirelist database never builds a design file's path itself; it asks
// this store for an object by library, directory kind or class, name and
// extension.  The store is deliberately plain:
//
// - The project is the working directory.  Its initialization file
//   (drafta.ini, found by the database) declares the libraries, one line
//   each, in this form:
//
//       DIR [type] path (name) {text}   | anything after a bar is ignored
//
//   "DIR" may be written in any case.  The type is one to three letters:
//   p primary, w writable, r read-only, m megafile (a packed library,
//   treated here as a read-only directory that time checks skip); r
//   excludes w and p, m excludes w and p.  A number 0..20 may stand for
//   the letters (bits p=1, w=2, r=4, m=8).  The path is relative to the
//   working directory or absolute.  The library's name is the
//   parenthesised name when given (at most 32 characters), else the last
//   component of its directory; the braced text is a free description.
//   Every other line of the file belongs to other readers and is left
//   alone here.
// - Libraries get handles 1, 2, ... in declaration order.  Without a p
//   library the first one is the primary library.
// - A directory kind is a subdirectory of the library directory, and file
//   names on disk are lower case:
//       <lib>/wir/alu.1      sheet 1 of group ALU (class prjClassWIRELIST)
//       <lib>/wir/alu.1.sav  its saved copy       (prjClassWIRELIST_SAV)
//       <lib>/sym/add4.1     symbol 1 of group ADD4; add4.pin its pin order
//       <lib>/sch/top.oat    an occurrence-attribute file
//       <lib>/dly/name.var   a delay-binning file  (prjClassDLYBIN)
// - A look-up without a library name tries the libraries in declaration
//   order and the first that holds the file wins; "LIB:NAME" tries only
//   the library named LIB (names compared ignoring case).
// - A malformed declaration, a library directory that does not exist and
//   two libraries of one name are library errors: the view is not set up
//   and prjNextLibError lists each failing library with what is wrong, so
//   a misspelt path is reported instead of leaving an empty library.
//
// Objects are the store's own: one per file, kept until prjReset, so that
// an object looked up again is the same object (status 53 then asks the
// caller to re-open it).  An object holds at most one read stream, opened
// by prjObjGetFilePtr and closed by prjReopenObj(object, 0) or
// prjCloseObj.  Object references are made with rkMemMalloc and released
// by the caller with rkMemFree.
//
// Writing never puts a user's file at risk: an object opened for writing
// (prjOpenObj with PRJ_OPEN_WRITE) collects what prjFprintf prints in a
// replacement (util/rkreplace.h: a temporary file beside it), which takes
// the file's place when prjCloseObj finds every byte written and is
// thrown away otherwise (or by prjAbandonObj).  The saved copies made by
// prjCopyObj go the same way.  Only primary and writable libraries are
// written, and a file the user made read-only is not replaced.
//
// Everything reports through status codes (PrjStatus); nothing is printed.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>

#include "store/limits.h"

/// Status codes of the store.  Numbers below 12 mean what they mean for
/// the path functions.
enum PrjStatus : int {
  PRJ_OK = 0,
  PRJ_TOO_LONG = 2,          // a path or line too long
  PRJ_NOT_FOUND = 4,         // no such file, library or directory
  PRJ_INVALID = 7,           // invalid argument or call out of order
  PRJ_BAD_TYPE_NUMBER = 12,  // numeric library type outside 0..20
  PRJ_NO_PATH = 29,          // library path missing or malformed
  PRJ_NO_WORDS = 30,         // declaration without words
  PRJ_EXTRA_WORDS = 31,      // words after the end of a declaration
  PRJ_BAD_TYPE = 32,         // type word missing or not valid
  PRJ_BAD_NAME = 37,         // parenthesised name not valid
  PRJ_BAD_TEXT = 38,         // braced text not closed
  PRJ_ALREADY_OPEN = 53,     // object already open / view already set up
  PRJ_BAD_INI = 57,          // the initialization file itself is bad
  PRJ_LIB_ERRORS = 58,       // some declared library cannot be used
  PRJ_NO_VIEW = 59,          // the project's view is not set up
  PRJ_COPY_FAILED = 60,      // an object could not be copied
  PRJ_NOT_WRITABLE = 61,     // the target library may not be written
  PRJ_WRITE_FAILED = 62,     // a file could not be written; it is left as it was
  PRJ_STARTED = 70,          // prjInit: the store was already started
};

/// Library type bits.
enum PrjLibType : int {
  PRJ_LIB_PRIMARY = 1,
  PRJ_LIB_WRITABLE = 2,
  PRJ_LIB_READONLY = 4,
  PRJ_LIB_MEGAFILE = 8,
};

/// Object properties.
enum PrjProperty : int {
  PRJ_PROP_PATH = 7,      // file: its absolute path; library: its name
  PRJ_PROP_TIME = 10,     // file: modification time (pxFtime count)
  PRJ_PROP_LIBRARY = 11,  // file: the handle of its library
};

/// Flag of prjCloseObj: forget what the object cached (it is re-read on
/// the next open).
inline constexpr int PRJ_CLOSE_DISCARD = 4096;

/// Modes of prjOpenObj: look a file up for reading, or open it (made when
/// missing) for writing.
inline constexpr int PRJ_OPEN_READ = 1;
inline constexpr int PRJ_OPEN_WRITE = 11;

/// The project (opaque).
struct PrjProject;

/// A file of a library (opaque).
struct PrjObject;

/// What an object reference names: a file by library, kind or class, name
/// and extension.  Made by prjMakeKbObjref*, freed with rkMemFree.
struct PrjObjRef {
  char library[prj::kMaxLibName + 1];  // library name, "" for all libraries
  char kind[prj::kMaxKind + 1];        // directory kind
  int classid;                         // class (0 when given by kind)
  char name[px::kMaxPath];             // file name without extension
  char ext[px::kMaxPath];              // extension without its dot, or ""
};

/// The value of a property: a text (a copy the caller frees with
/// rkMemFree) or a number.
struct PrjPropValue {
  char* text;   // path or name, or null
  long number;  // time or handle, or 0
};

/// One library declaration as written in the initialization file.
struct PrjDirLine {
  int type;                         // PrjLibType bits
  char path[px::kMaxPath];          // directory, without a trailing "/"
  char name[prj::kMaxLibName + 1];  // parenthesised name, or ""
  char text[prj::kMaxDirLine + 1];  // braced text, or ""
};

/// A sentence saying what a status means ("the library path is missing").
const char* prjStatusText(int status);

// --- start-up ----------------------------------------------------------

/// Starts the store for a client of the given interface version: 0, or 70
/// when it was already started, or 7 for a missing version.
int prjInit(int mode, const char* version, int flags);

/// Opens the project in directory dir; *status 0, or 53 when its view is
/// already set up, or 4 (null result) when dir is not a directory.  A
/// different directory replaces the open project.
PrjProject* prjOpenProject(const char* dir, const char* unused, const char* options, int mode,
                           int* status);

/// Reads the library declarations of the initialization file inipath and
/// sets up the view: 0; 57 when a declaration is malformed; 58 when a
/// library cannot be used (see prjNextLibError); 53 when already set up.
int prjInitView(PrjProject* project, const char* tool, const char* inipath);

/// Library errors of the last failed view set-up: with cursor 0 the first,
/// then the one after the cursor returned.  Returns the next cursor, or 0
/// when there is none (outputs null).  The texts stay valid until the next
/// set-up.
int prjNextLibError(PrjProject* project, const char* tool, int cursor, const char** library,
                    const char** what, const char** where);

/// Caches all libraries of the view: 0, or 59 without a view, 7 for a bad
/// argument.
int prjKbCacheAllLibraries(PrjProject* project, const char* tool, int mask, int flag);

// --- object references ---------------------------------------------------

/// A reference to file name.ext of directory kind in library (empty:
/// search all); null when a part is too long.
PrjObjRef* prjMakeKbObjref2(const char* library, const char* kind, const char* name,
                            const char* ext);

/// The class number of a class name ("prjClassWIRELIST",
/// "prjClassWIRELIST_SAV", "prjClassDLYBIN"), or 0 when unknown.
int prjGetClassId(const char* schema, const char* classname);

/// A reference to file name.ext of a class in library; null for an unknown
/// class or a part too long.
PrjObjRef* prjMakeKbObjref(const char* library, int classid, const char* name, const char* ext);

/// Re-reads what the store knows of the referenced object: 0, or a status
/// for a bad reference (unknown library).
int prjCacheObject(const PrjObjRef* ref);

// --- objects ---------------------------------------------------------------

/// The object of the referenced file, or null (*status 4 when absent).
/// *status 53: the object was already open; re-open it with prjReopenObj.
PrjObject* prjOpenObject(const PrjObjRef* ref, int mode, int* status);

/// A wirelist-class object by group name ("LIB:" prefix allowed) and sheet
/// number.  Mode PRJ_OPEN_READ: *status 0 when it exists, else 4 and null.
/// Mode PRJ_OPEN_WRITE: the object opened for writing (prjFprintf) in the
/// named library, else in the first library holding the file, else in the
/// primary library; its directory kind is made when missing.  Null with
/// *status 4 (no such library), 61 (the library or the file may not be
/// written), 53 (already being written) or 62 (no temporary file).
PrjObject* prjOpenObj(PrjProject* project, const char* classname, const char* name, int number,
                      int unused, int mode, int* status);

/// Prints to an object opened for writing: the number of bytes, or a
/// negative number when the object is not being written or a write failed
/// (then every later print fails too).
[[gnu::format(printf, 2, 3)]] int prjFprintf(PrjObject* object, const char* format, ...);

/// prjFprintf with the arguments as a va_list.
[[gnu::format(printf, 2, 0)]] int prjVfprintf(PrjObject* object, const char* format,
                                              std::va_list args);

/// Drops what was printed to an object opened for writing, leaving its
/// file as it was; the object stays open.  0, or 7 when it is not being
/// written.
int prjAbandonObj(PrjObject* object);

/// Mode 1 takes an object up again after 53; mode 0 releases its file
/// (closes its stream) but keeps the object open.  0, or 7.
int prjReopenObj(PrjObject* object, int mode);

/// Closes the object and its stream: 0, or 7 when it was not open, 2 when
/// the stream failed to close.  An object being written replaces its file
/// with what was printed, or, when any write failed, leaves the file as it
/// was and returns 62.
int prjCloseObj(PrjObject* object, int flags);

/// A property of an object (PrjProperty); *status 7 for an unknown one.
PrjPropValue prjGetObjProp(PrjObject* object, int property, int* status);

/// A property of a library: PRJ_PROP_PATH is its name.
PrjPropValue prjGetLibProp(int handle, int property, int* status);

/// The library's directory (absolute, ending in "/"), "" for an unknown
/// handle; valid until the view changes.
const char* prjLibDirectory(int handle);

/// The object's read stream, opened on first call; null (*status 4) when
/// the file cannot be opened.  The object owns it.
std::FILE* prjObjGetFilePtr(PrjObject* object, int mode, int* status);

/// One word kept with the object for its user.
void prjObjSetUserData(PrjObject* object, void* data);
void* prjObjGetUserData(const PrjObject* object);

/// Copies the object's file to the given class in the same library
/// (replacing an existing file when replace is 1): 0, 61 when the library
/// may not be written, 60 when the copy failed (the target is then left as
/// it was).
int prjCopyObj(PrjObject* object, PrjProject* project, const char* classname, int unused1,
               int unused2, int replace);

// --- libraries ---------------------------------------------------------------

/// 1 when library handle has that property, else 0.  Primary and
/// writable libraries are writable; read-only ones, megafiles and those
/// declared with no letter are not.
int prjObjWritable(int handle);
int prjObjReadonly(int handle);
int prjObjMegafile(int handle);

/// The next library after previous (0: the first) whose name matches
/// pattern ("*" any text, "?" one character, case ignored); 0 at the end.
int prjFindNextLib(PrjProject* project, int previous, const char* pattern, int* status);

/// The project's primary library, or 0 when it has none.
int prjGetPrimaryObj(PrjProject* project, const void* unused);

/// Makes a library the program created in memory part of the project's
/// view for the rest of the run: mode "w" (writable) or "r" (read-only),
/// either case.  Its directory is the library's name in lower case inside
/// the project directory; for "w" it is made when missing, for "r" it must
/// exist.  The initialization file is not changed: a library that should
/// outlive the run is declared there.  The new handle (after the declared
/// libraries), or 0 with *status 7 (bad name or mode, no view), 53 (a
/// library of that name exists) or 4 (the directory is missing or cannot
/// be made).
int prjInsertLib(PrjProject* project, const char* name, const char* mode, int* status);

// --- declaration lines ---------------------------------------------------

/// Parses one declaration line into out: 0, or 2 (line too long), 12,
/// 29, 30, 31, 32, 37, 38.  What was read before a failure stays in out.
int prjParseDirLine(const char* line, PrjDirLine* out);

/// Writes the declaration "DIR [type] path (name) {text}" (letters p, then
/// w or r, then m; "[0]" without letters) into line: 0, or 2 when it does
/// not fit in size bytes, 32 for a type that breaks the letter rules.
int prjBuildDirLine(const PrjDirLine* in, char* line, std::size_t size);

/// Closes every stream and forgets the project, its libraries and objects,
/// so tests start fresh.
void prjReset();
