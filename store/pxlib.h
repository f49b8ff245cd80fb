// store/pxlib.h - working directories and path functions.
//
// Every support file of the system (initialization files, message
// catalogs) is found by one rule, pxSrchdirs: beside the name given (and
// in its version subdirectory), then in the origin directory, then in each
// directory of the WDIR list, then beside the executable.  The WDIR list
// is read from the environment on first use; with a compatible version
// ("532" by default) each entry d contributes d/532/ before d itself.
//
// All functions but pxParseEx report through status codes and never print:
// 0 success, 2 path too long or malformed, 4 not found (or not of the kind
// asked for), 7 invalid argument or refused.  Path buffers are kMaxPath
// (256) bytes; results never exceed 255 characters.
#pragma once

#include <cstddef>
#include <ctime>

#include "store/limits.h"

/// Status codes of the path functions.
enum PxStatus : int {
  PX_OK = 0,
  PX_CANT_FORM = 1,  // pxFindExeInPath: a candidate name could not be formed
  PX_TOO_LONG = 2,
  PX_NOT_FOUND = 4,
  PX_INVALID = 7,
};

/// Kinds for existence tests.
enum PxKind : int {
  PX_DIRECTORY = 2,
  PX_REGULAR = 3,
  PX_EITHER = 4,
};

/// Version-directory modes of the search.
enum PxVersionMode : int {
  PX_VERSION_AND_PLAIN = 0,
  PX_VERSION_ONLY = 1,
  PX_PLAIN_ONLY = 2,
};

/// Default compatible version: WDIR entries are searched in d/532/ first.
extern const char* rkCompatibleVersionV;

// --- searching ---------------------------------------------------------

/// pxSrchdirs for a regular file.
int pxGetini(const char* name, char* result);

/// Makes the message catalogs (util/rkmsg.h) be found by this rule:
/// "<name>.vmb" formed by pxMerge, then looked for by pxGetini.  Every
/// program of the system calls it once at start-up, before the first
/// catalog is opened.
void pxFindCatalogs();

/// Searches name by the system's search rule; on success result holds the
/// absolute path found.
int pxSrchdirs(const char* name, int kind, char* result);

/// Tries only the working-directory list (element + directory part + name).
int pxSrchwdirs(const char* name, int kind, char* result);

/// Tries only the executable directory + dir + name.ext.
int pxSrchExeDir(const char* dir, const char* name, const char* ext, int kind, char* result);

/// Calls cb with each plain WDIR element in order until it returns 0.
/// Returns 1 after the last element, 0 when stopped.
int pxLoopwdirs(int (*cb)(const char* dir));
int pxLoopWdirs2(int (*cb)(const char* dir, void* user), void* user);

/// Calls cb with the current directory's version subdirectory (when the
/// mode allows and a version is set), then ".", then every list element.
int pxWdirLoopSrchdirs2(int (*cb)(const char* dir, void* user), void* user);

/// Sets the compatible version (at most 80 characters kept); rebuilds the
/// list on next use.  Null is taken as empty.
void pxWdirSetCompatibleVersion(const char* version);

/// Sets the version-directory mode (PxVersionMode); rebuilds the list.
void pxWdirSetVersionMode(int mode);

/// Forces the working-directory list to be rebuilt on next use.
void pxResetWdirCache();

/// Sets (7 when longer than 255) or, with null, clears the origin.
int pxSetorigin(const char* dir);
const char* pxGetorigin();

/// Remembers the directory of the running program from its invocation
/// name (its own directory part, else found through PATH).
int pxSetexedir(const char* invocation);

/// The executable's directory with a trailing "/" (found through
/// /proc/self/exe when pxSetexedir was not called), or "" when unknown.
const char* pxExeDir();

/// Searches the directories of PATH (blanks, tabs, colons) for a regular
/// file; 7 when PATH is unset, 4 when not found, 1 when a candidate
/// name cannot be formed.
int pxFindExeInPath(const char* name, char* result);

// --- splitting and joining ----------------------------------------------

/// Splits path into node (always empty), directory (up to and including
/// the last "/"), name and extension (without its dot).  Any output may be
/// null.  Paths of 256 characters or more: 2; null path: 7.
int pxParse(const char* path, char* node, char* dir, char* name, char* ext);

/// As pxParse, but a failure raises error 1041 of the "pxlib" catalog
/// (tag 2) instead of returning a status.
void pxParseEx(const char* path, char* node, char* dir, char* name, char* ext);

/// As pxParse, with name and extension together.
int pxParse2(const char* path, char* node, char* dir, char* namext);

/// node + dir + "/" (when dir is non-empty and lacks one) + name + "." +
/// ext (when ext is non-empty), each part trimmed of blanks; 2 and nothing
/// written when the result would reach 256 characters.
int pxMerge(char* result, const char* node, const char* dir, const char* name, const char* ext);

/// Appends a subdirectory to the directory in dir, ending with "/"; an
/// empty subdirectory changes nothing; 2 when the result would not fit.
int pxDnpath(char* dir, const char* sub);

/// Collapses separator pairs and turns backslashes into "/"; 2 when the
/// path is 256 characters or longer.
int pxConvPath(const char* path, char* result);

// --- absolute and relative forms --------------------------------------

/// Absolute form of path in place (tilde expansion, current directory from
/// the cache, "." dropped, ".." removing the previous component).
int pxAbsPath(char* path);

/// Absolute form of path into result.
int pxAbsPath2(const char* path, char* result);

/// As pxAbsPath2 but with the current directory from getcwd.
int pxAbsSysPath2(const char* path, char* result);

/// Relative form (to the current directory) of path, in place / into result.
int pxRelPath(char* path);
int pxRelPath2(const char* path, char* result);

// --- existence, information, times ------------------------------------

/// 0 when path exists and is of the kind, 4 otherwise, 7 for null.
int pxExists(const char* path, int kind);

/// As pxExists; on success result holds the absolute path.
int pxExists2(const char* path, int kind, char* result);

/// 1 when a regular file exists at path, else 0.
int pxFexists(const char* path);

/// Modification time (local-time count), size and kind of path; any
/// output may be null.
int pxInfo(const char* path, long* time, long* size, int* kind);

/// The file's modification time counted in local time (only comparisons
/// between such values mean anything); 0 when the file is missing.
long pxFtime(const char* path);

/// The raw modification time; 0 when the file is missing.
std::time_t pxFGMtime(const char* path);

/// Deletes a regular file (kind 3) or an empty directory (kind 2).
int pxDelete(const char* path, int kind);

// --- current directory, renaming, environment ------------------------

/// The current directory with a trailing "/" into buf (kMaxPath bytes).
int pxGetdef(char* buf);

/// Changes the current directory and its cached value.
int pxSetdef(const char* dir);

/// 0, or 7 for a permission error, 4 for a missing file, 2 otherwise.
int pxRename(const char* from, const char* to);

/// The value of an environment variable cut to 2047 characters into buf
/// (2048 bytes); 4 when unset.
int pxTrnlog(const char* name, char* buf);

/// Forgets every cached value (list, origin, current directory, executable
/// directory, version and mode) so tests start fresh.
void pxReset();
