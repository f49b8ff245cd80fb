// store/pxlib.cc - working directories and path functions; see pxlib.h.
//
// The working-directory list is built lazily from WDIR and rebuilt after a
// change of the compatible version or the mode.  Paths are handled as
// std::string internally, but every result is checked against the 256-byte
// buffers the callers pass (kMaxPath), so a path that would not fit is
// refused with status 2 rather than cut.
#include "store/pxlib.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "catalogs/pxlib.h"
#include "util/rkerr.h"
#include "util/rkmsg.h"
#include "util/rkstr.h"

const char* rkCompatibleVersionV = "532";

namespace {

struct WdirElement {
  std::string path;
  int version_dir;  // 1: a version subdirectory, 0: a plain WDIR entry
};

// Process-wide state of the path functions.
struct PxState {
  bool list_built = false;
  std::vector<WdirElement> list;
  bool version_set = false;  // false: use rkCompatibleVersionV
  std::string version;
  int mode = PX_VERSION_AND_PLAIN;
  std::string origin;
  std::string exedir;
  bool exedir_set = false;
  std::string cwd;  // with trailing "/", empty until first use
};
PxState px_state;

bool fits(const std::string& s) { return s.size() < px::kMaxPath; }

int put(char* result, const std::string& s) {
  if (!fits(s)) return PX_TOO_LONG;
  if (result) std::memcpy(result, s.c_str(), s.size() + 1);
  return PX_OK;
}

const std::string& version() {
  if (!px_state.version_set) {
    px_state.version = rkCompatibleVersionV ? rkCompatibleVersionV : "";
    if (px_state.version.size() > px::kMaxCompatVersion)
      px_state.version.resize(px::kMaxCompatVersion);
    px_state.version_set = true;
  }
  return px_state.version;
}

bool use_version_dirs() { return px_state.mode != PX_PLAIN_ONLY && !version().empty(); }
bool use_plain_dirs() { return px_state.mode != PX_VERSION_ONLY; }

// dir with a subdirectory appended and a trailing "/"; an empty dir stays
// relative ("532/", not "/532/").
std::string with_subdir(const std::string& dir, const std::string& sub) {
  if (sub.empty()) return dir;
  std::string r = dir;
  if (!r.empty() && r.back() != '/') r += '/';
  r += sub;
  r += '/';
  return r;
}

// The directories of a search list separated by blanks, tabs or colons.
std::vector<std::string> dir_list(const std::string& value) {
  std::vector<std::string> dirs;
  std::size_t i = 0;
  while (i < value.size()) {
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t' || value[i] == ':')) ++i;
    std::size_t start = i;
    while (i < value.size() && value[i] != ' ' && value[i] != '\t' && value[i] != ':') ++i;
    if (i > start) dirs.push_back(value.substr(start, i - start));
  }
  return dirs;
}

void build_list() {
  if (px_state.list_built) return;
  px_state.list.clear();
  px_state.list_built = true;
  const char* wdir = std::getenv("WDIR");
  if (!wdir) return;
  std::string value(wdir);
  if (value.size() > px::kMaxTrnlog) value.resize(px::kMaxTrnlog);
  for (std::string token : dir_list(value)) {
    if (token.size() > px::kMaxWdirToken) token.resize(px::kMaxWdirToken);
    if (use_version_dirs()) px_state.list.push_back({with_subdir(token, version()), 1});
    if (use_plain_dirs()) px_state.list.push_back({token, 0});
  }
}

bool stat_kind(const std::string& path, int kind, struct stat* st_out = nullptr) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return false;
  if (st_out) *st_out = st;
  switch (kind) {
    case PX_REGULAR:
      return S_ISREG(st.st_mode);
    case PX_DIRECTORY:
      return S_ISDIR(st.st_mode);
    default:
      return S_ISREG(st.st_mode) || S_ISDIR(st.st_mode);
  }
}

// A directory prefix joined with the rest of a relative path.
std::string join(const std::string& dir, const std::string& rest) {
  if (dir.empty()) return rest;
  if (dir.back() == '/') return dir + rest;
  return dir + "/" + rest;
}

// Tries one candidate: accepted when it exists and is of the kind; the
// result is then its absolute path.
bool try_candidate(const std::string& candidate, int kind, char* result, int* status) {
  if (!fits(candidate) || !stat_kind(candidate, kind)) return false;
  char abs[px::kMaxPath];
  *status = pxAbsPath2(candidate.c_str(), abs);
  if (*status == PX_OK) put(result, abs);
  return *status == PX_OK;
}

struct Split {
  char node[px::kMaxPath];
  char dir[px::kMaxPath];
  char namext[px::kMaxPath];
};

std::string current_dir_cached() {
  if (px_state.cwd.empty()) {
    char buf[4096];
    if (getcwd(buf, sizeof buf)) {
      px_state.cwd = buf;
      if (px_state.cwd.back() != '/') px_state.cwd += '/';
    }
  }
  return px_state.cwd;
}

std::string system_current_dir() {
  char buf[4096];
  if (!getcwd(buf, sizeof buf)) return "";
  std::string s = buf;
  if (s.back() != '/') s += '/';
  return s;
}

// The shared body of the absolute-path functions.
int absolute(const char* path, const std::string& cwd, char* result) {
  if (!path) return PX_INVALID;
  char conv[px::kMaxPath];
  int st = pxConvPath(path, conv);
  if (st != PX_OK) return st;
  std::string p = conv;
  if (!p.empty() && p[0] == '~') {
    std::size_t slash = p.find('/');
    std::string user = p.substr(1, slash == std::string::npos ? std::string::npos : slash - 1);
    std::string rest = slash == std::string::npos ? "" : p.substr(slash);
    std::string home;
    if (user.empty()) {
      const char* h = std::getenv("HOME");
      if (!h || !*h) return PX_NOT_FOUND;
      home = h;
    } else {
      struct passwd* pw = getpwnam(user.c_str());
      if (!pw || !pw->pw_dir) return PX_NOT_FOUND;
      home = pw->pw_dir;
    }
    p = home + rest;
  }
  if (p.empty() || p[0] != '/') p = cwd + p;
  // Walk the components: "." is dropped, ".." removes the previous one.
  bool trailing_dot = p.size() >= 2 && p.compare(p.size() - 2, 2, "/.") == 0;
  bool trailing_slash = p.size() > 1 && p.back() == '/';
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i < p.size()) {
    while (i < p.size() && p[i] == '/') ++i;
    std::size_t start = i;
    while (i < p.size() && p[i] != '/') ++i;
    if (i == start) break;
    std::string comp = p.substr(start, i - start);
    if (comp == ".") continue;
    if (comp == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(comp);
  }
  std::string r;
  for (const auto& c : parts) r += "/" + c;
  if (trailing_dot) {
    r += "/.";
  } else if (r.empty()) {
    r.push_back('/');  // the root itself
  } else if (trailing_slash) {
    r += "/";
  }
  return put(result, r);
}

}  // namespace

// --- searching -----------------------------------------------------------

int pxGetini(const char* name, char* result) { return pxSrchdirs(name, PX_REGULAR, result); }

int pxSrchdirs(const char* name, int kind, char* result) {
  build_list();
  Split sp;
  if (!name || pxParse2(name, sp.node, sp.dir, sp.namext) != PX_OK) return PX_INVALID;
  int status = PX_NOT_FOUND;
  if (use_version_dirs() &&
      try_candidate(with_subdir(sp.dir, version()) + sp.namext, kind, result, &status))
    return status;
  if (use_plain_dirs() && try_candidate(name, kind, result, &status)) return status;
  if (put(result, name) != PX_OK) return PX_TOO_LONG;
  // A name with an absolute directory is tried in place only.
  if (sp.dir[0] == '/' || sp.node[0] != '\0') return PX_NOT_FOUND;
  std::string rel = std::string(sp.dir) + sp.namext;
  if (!px_state.origin.empty() && try_candidate(join(px_state.origin, rel), kind, result, &status))
    return status;
  for (const auto& e : px_state.list)
    if (try_candidate(join(e.path, rel), kind, result, &status)) return status;
  char nm[px::kMaxPath], ext[px::kMaxPath];
  pxParse(name, nullptr, nullptr, nm, ext);
  return pxSrchExeDir(sp.dir, nm, ext, kind, result);
}

int pxSrchwdirs(const char* name, int kind, char* result) {
  build_list();
  Split sp;
  if (!name || pxParse2(name, sp.node, sp.dir, sp.namext) != PX_OK) return PX_INVALID;
  std::string rel = std::string(sp.dir) + sp.namext;
  int status = PX_NOT_FOUND;
  for (const auto& e : px_state.list)
    if (try_candidate(join(e.path, rel), kind, result, &status)) return status;
  return PX_NOT_FOUND;
}

int pxSrchExeDir(const char* dir, const char* name, const char* ext, int kind, char* result) {
  std::string exe = pxExeDir();
  if (exe.empty()) return PX_NOT_FOUND;
  char merged[px::kMaxPath];
  int st = pxMerge(merged, "", dir ? dir : "", name ? name : "", ext ? ext : "");
  if (st != PX_OK) return st;
  int status = PX_NOT_FOUND;
  if (try_candidate(join(exe, merged), kind, result, &status)) return status;
  return PX_NOT_FOUND;
}

int pxLoopwdirs(int (*cb)(const char* dir)) {
  build_list();
  if (!cb) return 1;
  for (const auto& e : px_state.list)
    if (e.version_dir == 0 && cb(e.path.c_str()) == 0) return 0;
  return 1;
}

int pxLoopWdirs2(int (*cb)(const char* dir, void* user), void* user) {
  build_list();
  if (!cb) return 1;
  for (const auto& e : px_state.list)
    if (e.version_dir == 0 && cb(e.path.c_str(), user) == 0) return 0;
  return 1;
}

int pxWdirLoopSrchdirs2(int (*cb)(const char* dir, void* user), void* user) {
  build_list();
  if (!cb) return 1;
  if (use_version_dirs()) {
    std::string vdir = with_subdir(current_dir_cached(), version());
    if (cb(vdir.c_str(), user) == 0) return 0;
  }
  if (cb(".", user) == 0) return 0;
  for (const auto& e : px_state.list)
    if (cb(e.path.c_str(), user) == 0) return 0;
  return 1;
}

void pxWdirSetCompatibleVersion(const char* v) {
  px_state.version = v ? v : "";
  if (px_state.version.size() > px::kMaxCompatVersion) px_state.version.resize(px::kMaxCompatVersion);
  px_state.version_set = true;
  px_state.list_built = false;
}

void pxWdirSetVersionMode(int mode) {
  if (mode < PX_VERSION_AND_PLAIN || mode > PX_PLAIN_ONLY) return;
  px_state.mode = mode;
  px_state.list_built = false;
}

void pxResetWdirCache() { px_state.list_built = false; }

int pxSetorigin(const char* dir) {
  if (!dir) {
    px_state.origin.clear();
    return PX_OK;
  }
  if (std::strlen(dir) > px::kMaxOrigin) return PX_INVALID;
  px_state.origin = dir;
  return PX_OK;
}

const char* pxGetorigin() { return px_state.origin.empty() ? nullptr : px_state.origin.c_str(); }

int pxSetexedir(const char* invocation) {
  if (!invocation || !*invocation) return PX_INVALID;
  char found[px::kMaxPath];
  int st;
  if (std::strchr(invocation, '/')) {
    st = pxAbsSysPath2(invocation, found);
  } else {
    st = pxFindExeInPath(invocation, found);
    if (st == PX_OK) st = pxAbsSysPath2(found, found);
  }
  if (st != PX_OK) return st;
  char dir[px::kMaxPath];
  st = pxParse(found, nullptr, dir, nullptr, nullptr);
  if (st != PX_OK) return st;
  px_state.exedir = dir;
  px_state.exedir_set = true;
  return PX_OK;
}

const char* pxExeDir() {
  if (!px_state.exedir_set) {
    px_state.exedir_set = true;
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0) {
      std::string exe(buf, static_cast<std::size_t>(n));
      std::size_t slash = exe.rfind('/');
      if (slash != std::string::npos && slash + 1 < px::kMaxPath)
        px_state.exedir = exe.substr(0, slash + 1);
    }
  }
  return px_state.exedir.c_str();
}

int pxFindExeInPath(const char* name, char* result) {
  const char* path = std::getenv("PATH");
  if (!path) return PX_INVALID;
  if (!name) return PX_INVALID;
  for (const std::string& dir : dir_list(path)) {
    char candidate[px::kMaxPath];
    if (pxMerge(candidate, "", dir.c_str(), name, "") != PX_OK) return PX_CANT_FORM;
    if (stat_kind(candidate, PX_REGULAR)) return put(result, candidate);
  }
  return PX_NOT_FOUND;
}

// --- splitting and joining ---------------------------------------------

int pxParse(const char* path, char* node, char* dir, char* name, char* ext) {
  if (node) node[0] = '\0';
  if (dir) dir[0] = '\0';
  if (name) name[0] = '\0';
  if (ext) ext[0] = '\0';
  if (!path) return PX_INVALID;
  std::size_t len = std::strlen(path);
  if (len >= px::kMaxPath) return PX_TOO_LONG;
  const char* slash = std::strrchr(path, '/');
  const char* rest = slash ? slash + 1 : path;
  if (dir) {
    std::size_t dlen = static_cast<std::size_t>(rest - path);
    std::memcpy(dir, path, dlen);
    dir[dlen] = '\0';
  }
  const char* dot = nullptr;
  if (std::strcmp(rest, ".") != 0 && std::strcmp(rest, "..") != 0) {
    dot = std::strrchr(rest, '.');
    if (dot == rest) dot = nullptr;  // a leading dot belongs to the name
  }
  std::size_t nlen = dot ? static_cast<std::size_t>(dot - rest) : std::strlen(rest);
  if (name) rkStrncpyNullTerm(name, std::string(rest, nlen).c_str(), px::kMaxPath);
  if (ext && dot) rkStrncpyNullTerm(ext, dot + 1, px::kMaxPath);
  return PX_OK;
}

void pxParseEx(const char* path, char* node, char* dir, char* name, char* ext) {
  int st = pxParse(path, node, dir, name, ext);
  if (st == PX_OK) return;
  // The catalog is opened only for the error: the path functions keep no
  // handle that a catalog reset could leave dangling.
  RkMsgFile* catalog = rkMsgFileOpen("pxlib", "pxlib", "5.0", "5.0.0", nullptr);
  RkError* e =
      rkErrBuild(rkErrLocationRoutine("pxParseEx"), catalog, PXLIB_PARSE, path ? path : "", st);
  rkMsgFileClose(catalog);
  rkExThrow(RK_TAG_ENVIRONMENT, e);
}

int pxParse2(const char* path, char* node, char* dir, char* namext) {
  char name[px::kMaxPath], ext[px::kMaxPath];
  int st = pxParse(path, node, dir, name, ext);
  if (namext) namext[0] = '\0';
  if (st != PX_OK) return st;
  if (namext) {
    const char* slash = std::strrchr(path, '/');
    rkStrncpyNullTerm(namext, slash ? slash + 1 : path, px::kMaxPath);
  }
  return PX_OK;
}

int pxMerge(char* result, const char* node, const char* dir, const char* name, const char* ext) {
  auto trimmed = [](const char* s) {
    std::string t = s ? s : "";
    std::size_t b = t.find_first_not_of(" \t");
    if (b == std::string::npos) return std::string();
    std::size_t e = t.find_last_not_of(" \t");
    return t.substr(b, e - b + 1);
  };
  std::string d = trimmed(dir), e = trimmed(ext);
  std::string r = trimmed(node) + d;
  if (!d.empty() && d.back() != '/') r += '/';
  r += trimmed(name);
  if (!e.empty()) r += "." + e;
  if (!result) return PX_INVALID;
  return put(result, r);
}

namespace {

// The catalog finder of pxFindCatalogs.
RkMsgFind find_catalog(const char* name, char* path, std::size_t size) {
  char file_name[px::kMaxPath];
  if (size < px::kMaxPath || pxMerge(file_name, "", "", name, "vmb") != PX_OK)
    return RkMsgFind::kBadName;
  return pxGetini(file_name, path) == PX_OK ? RkMsgFind::kFound : RkMsgFind::kNotFound;
}

}  // namespace

void pxFindCatalogs() { rkMsgSetFinder(find_catalog); }

int pxDnpath(char* dir, const char* sub) {
  if (!dir) return PX_INVALID;
  if (!sub || !*sub) return PX_OK;
  return put(dir, with_subdir(dir, sub));
}

int pxConvPath(const char* path, char* result) {
  if (!path || !result) return PX_INVALID;
  std::size_t len = std::strlen(path);
  if (len >= px::kMaxPath) return PX_TOO_LONG;
  auto sep = [](char c) { return c == '/' || c == '\\'; };
  std::string r;
  for (std::size_t i = 0; i < len; ++i) {
    if (sep(path[i]) && i + 1 < len && sep(path[i + 1])) continue;  // drop the first of a pair
    r += path[i] == '\\' ? '/' : path[i];
  }
  return put(result, r);
}

// --- absolute and relative forms ----------------------------------------

int pxAbsPath(char* path) {
  if (!path) return PX_INVALID;
  char r[px::kMaxPath];
  int st = absolute(path, current_dir_cached(), r);
  if (st == PX_OK) std::strcpy(path, r);
  return st;
}

int pxAbsPath2(const char* path, char* result) {
  if (!result) return PX_INVALID;
  return absolute(path, current_dir_cached(), result);
}

int pxAbsSysPath2(const char* path, char* result) {
  if (!result) return PX_INVALID;
  return absolute(path, system_current_dir(), result);
}

int pxRelPath2(const char* path, char* result) {
  if (!result) return PX_INVALID;
  char abs[px::kMaxPath];
  int st = pxAbsPath2(path, abs);
  if (st != PX_OK) return st;
  std::string cwd = current_dir_cached();
  std::string a = abs;
  if (!cwd.empty() && a.compare(0, cwd.size(), cwd) == 0) return put(result, a.substr(cwd.size()));
  if (!cwd.empty() && a + "/" == cwd) return put(result, ".");
  return put(result, a);
}

int pxRelPath(char* path) {
  if (!path) return PX_INVALID;
  char r[px::kMaxPath];
  int st = pxRelPath2(path, r);
  if (st == PX_OK) std::strcpy(path, r);
  return st;
}

// --- existence, information, times ---------------------------------------

int pxExists(const char* path, int kind) {
  if (!path) return PX_INVALID;
  return stat_kind(path, kind) ? PX_OK : PX_NOT_FOUND;
}

int pxExists2(const char* path, int kind, char* result) {
  int st = pxExists(path, kind);
  if (st != PX_OK) return st;
  return pxAbsPath2(path, result);
}

int pxFexists(const char* path) { return path && stat_kind(path, PX_REGULAR) ? 1 : 0; }

namespace {

// Seconds counted from local broken-down time: the days of the years from
// 70 up to the file's year, plus the day of the year.  Only differences
// between such counts are ever used.
long local_count(std::time_t t) {
  struct tm tm;
  if (!localtime_r(&t, &tm)) return 0;
  long days = 0;
  for (int y = 70; y < tm.tm_year; ++y)
    days += ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0) ? 366 : 365;
  days += tm.tm_yday;
  return days * 86400L + tm.tm_hour * 3600L + tm.tm_min * 60L + tm.tm_sec;
}

}  // namespace

int pxInfo(const char* path, long* time, long* size, int* kind) {
  if (!path) return PX_INVALID;
  struct stat st;
  if (stat(path, &st) != 0) return PX_NOT_FOUND;
  if (time) *time = local_count(st.st_mtime);
  if (size) *size = static_cast<long>(st.st_size);
  if (kind) *kind = S_ISDIR(st.st_mode) ? PX_DIRECTORY : S_ISREG(st.st_mode) ? PX_REGULAR : 0;
  return PX_OK;
}

long pxFtime(const char* path) {
  long t = 0;
  return pxInfo(path, &t, nullptr, nullptr) == PX_OK ? t : 0;
}

std::time_t pxFGMtime(const char* path) {
  struct stat st;
  if (!path || stat(path, &st) != 0) return 0;
  return st.st_mtime;
}

int pxDelete(const char* path, int kind) {
  if (!path) return PX_INVALID;
  if (!stat_kind(path, kind)) return PX_NOT_FOUND;
  int rc = kind == PX_DIRECTORY ? rmdir(path) : unlink(path);
  if (rc == 0) return PX_OK;
  return (errno == EACCES || errno == EPERM) ? PX_INVALID : PX_TOO_LONG;
}

// --- current directory, renaming, environment --------------------------

int pxGetdef(char* buf) {
  std::string cwd = current_dir_cached();
  if (cwd.empty()) return PX_NOT_FOUND;
  return put(buf, cwd);
}

int pxSetdef(const char* dir) {
  if (!dir) return PX_INVALID;
  if (chdir(dir) != 0) return errno == ENOENT ? PX_NOT_FOUND : PX_INVALID;
  px_state.cwd.clear();
  current_dir_cached();
  return PX_OK;
}

int pxRename(const char* from, const char* to) {
  if (!from || !to) return PX_INVALID;
  if (std::rename(from, to) == 0) return PX_OK;
  if (errno == EACCES || errno == EPERM) return PX_INVALID;
  if (errno == ENOENT) return PX_NOT_FOUND;
  return PX_TOO_LONG;
}

int pxTrnlog(const char* name, char* buf) {
  if (buf) buf[0] = '\0';
  if (!name) return PX_INVALID;
  const char* v = std::getenv(name);
  if (!v) return PX_NOT_FOUND;
  if (buf) rkStrncpyNullTerm(buf, v, px::kMaxTrnlog + 1);
  return PX_OK;
}

void pxReset() { px_state = PxState(); }
