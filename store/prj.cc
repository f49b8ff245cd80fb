// store/prj.cc - the project store; see prj.h for the layout of a project.
//
// One project per process, held in prj_state with its libraries (in
// declaration order, handle = index + 1), the errors of the last view
// set-up and the objects handed out.  Objects live in a deque so their
// addresses stay stable; a map from path to object makes a second look-up
// of the same file return the same object.
//
// Files are replaced, not rewritten in place (Writing below): a failure
// at any point leaves the old file whole.
#include "store/prj.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/pxlib.h"
#include "util/rkdufs.h"
#include "util/rkmem.h"
#include "util/rkreplace.h"
#include "util/rkstr.h"

namespace {

struct Lib {
  int type = 0;      // PrjLibType bits
  std::string name;  // library name
  std::string dir;   // absolute directory, with a trailing "/"
  int line = 0;      // line of the initialization file declaring it
};

struct LibError {
  std::string library;  // name, or what could be read of the declaration
  std::string what;     // what is wrong
  std::string where;    // where: line of the file, or the directory
};

// A class: where its files go and the suffix that tells them apart.
struct ClassInfo {
  const char* name;    // class name
  const char* kind;    // directory kind
  const char* suffix;  // appended to the file name ("" for none)
};

constexpr ClassInfo kClasses[] = {
    {"prjClassWIRELIST", "wir", ""},
    {"prjClassWIRELIST_SAV", "wir", ".sav"},
    {"prjClassDLYBIN", "dly", ""},
};
constexpr int kClassCount = sizeof kClasses / sizeof kClasses[0];

const ClassInfo* class_info(int classid) {
  return classid >= 1 && classid <= kClassCount ? &kClasses[classid - 1] : nullptr;
}

}  // namespace

struct PrjProject {
  std::string dir;               // absolute, with a trailing "/"
  bool view = false;             // libraries declared and usable
  std::vector<Lib> libs;         // handle n is libs[n - 1]
  std::vector<LibError> errors;  // of the last failed set-up
};

struct PrjObject {
  int lib = 0;                  // handle of the library holding the file
  int classid = 0;              // class it was opened by, 0 for a kind
  std::string kind;             // directory kind
  std::string base;             // file name without the class suffix
  std::string path;             // absolute path
  std::FILE* stream = nullptr;  // read stream, owned
  void* user = nullptr;         // the user's word
  bool open = false;            // between open and close
  std::FILE* wstream = nullptr;  // while being written: the stream of the replacement, owned
  RkReplace wrep;                // the replacement of path
  std::unique_ptr<char[]> wbuf;  // what prjFprintf printed and the stream has not yet got
  std::size_t wlen = 0;          // bytes in wbuf
  bool werror = false;           // a write to wstream failed
};

namespace {

struct PrjState {
  bool started = false;                                // prjInit was called
  std::unique_ptr<PrjProject> project;                 // the one project
  std::deque<PrjObject> objects;                       // every object handed out
  std::unordered_map<std::string, PrjObject*> bypath;  // look-up only; never walked
};

PrjState prj_state;

const Lib* lib_of(int handle) {
  PrjProject* p = prj_state.project.get();
  if (!p || !p->view || handle < 1 || handle > static_cast<int>(p->libs.size())) return nullptr;
  return &p->libs[static_cast<std::size_t>(handle - 1)];
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string lower(std::string s) {
  rkStrLoc(s.data());
  return s;
}

// Case-insensitive glob: "*" any text, "?" one character.  Backtracks
// only to the last star, so it stays linear in practice.
bool glob_match(const char* pat, const char* s) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*s) {
    if (*pat == '*') {
      star = pat++;
      resume = s;
    } else if (*pat == '?' || (*pat && rkStrNicmp(pat, s, 1) == 0)) {
      ++pat;
      ++s;
    } else if (star) {
      pat = star + 1;
      s = ++resume;
    } else {
      return false;
    }
  }
  while (*pat == '*') ++pat;
  return *pat == '\0';
}

// A file name that stays inside its library directory.
bool safe_file_name(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

bool copy_bounded(char* dst, std::size_t size, const char* src) {
  if (!src) src = "";
  if (std::strlen(src) >= size) return false;
  std::strcpy(dst, src);
  return true;
}

PrjObjRef* make_ref(const char* library, const char* kind, int classid, const char* name,
                    const char* ext) {
  auto* ref = static_cast<PrjObjRef*>(rkMemCalloc(sizeof(PrjObjRef), "prjObjRef"));
  if (!ref) return nullptr;
  if (!copy_bounded(ref->library, sizeof ref->library, library) ||
      !copy_bounded(ref->kind, sizeof ref->kind, kind) ||
      !copy_bounded(ref->name, sizeof ref->name, name) ||
      !copy_bounded(ref->ext, sizeof ref->ext, ext)) {
    rkMemFree(ref);
    return nullptr;
  }
  ref->classid = classid;
  return ref;
}

// The handle of the library named name (case ignored), 0 when none.
int lib_named(const char* name) {
  PrjProject* p = prj_state.project.get();
  if (!p || !p->view) return 0;
  for (std::size_t i = 0; i < p->libs.size(); ++i)
    if (rkStrIcmp(p->libs[i].name.c_str(), name) == 0) return static_cast<int>(i + 1);
  return 0;
}

// The file name a reference asks for, without and with its class suffix.
bool ref_file(const PrjObjRef* ref, std::string* base, std::string* file, std::string* kind) {
  *base = lower(ref->name);
  if (ref->ext[0]) base->append(".").append(lower(ref->ext));
  *kind = ref->kind;
  std::string suffix;
  if (ref->classid) {
    const ClassInfo* c = class_info(ref->classid);
    if (!c) return false;
    *kind = c->kind;
    suffix = c->suffix;
  }
  *file = *base + suffix;
  return safe_file_name(*file) && safe_file_name(*kind);
}

PrjObject* object_for(const std::string& path) {
  auto it = prj_state.bypath.find(path);
  if (it != prj_state.bypath.end()) return it->second;
  PrjObject& o = prj_state.objects.emplace_back();
  o.path = path;
  prj_state.bypath.emplace(path, &o);
  return &o;
}

int close_stream(PrjObject* o) {
  if (!o->stream) return PRJ_OK;
  int rc = std::fclose(o->stream);
  o->stream = nullptr;
  return rc == 0 ? PRJ_OK : PRJ_TOO_LONG;
}

// --- writing ---------------------------------------------------------------------
//
// New contents of a file go through util/rkreplace: to a temporary file
// beside it that replaces it only when every byte is written and flushed.
// A file that exists but may not be written is refused there, so that a
// rewrite never undoes a user's protection.

// What prjFprintf collects before it hands it to the file in one write.
constexpr std::size_t kWriteBuffer = 256 * 1024;

// Hands what prjFprintf collected to the file.
void drain(PrjObject* o) {
  if (o->wlen && !o->werror) o->werror = std::fwrite(o->wbuf.get(), 1, o->wlen, o->wstream) != o->wlen;
  o->wlen = 0;
}

// Appends bytes to what an object being written collects.
void put(PrjObject* o, const char* text, std::size_t len) {
  if (o->wlen + len > kWriteBuffer) drain(o);
  if (len > kWriteBuffer) {
    if (!o->werror) o->werror = std::fwrite(text, 1, len, o->wstream) != len;
    return;
  }
  std::memcpy(o->wbuf.get() + o->wlen, text, len);
  o->wlen += len;
}

// True for a format made only of text, %s, %d and %%: nearly every record
// of a design file is printed with such a format, and they are formatted
// here without the general formatter.
bool plain_format(const char* format) {
  for (const char* p = std::strchr(format, '%'); p; p = std::strchr(p + 2, '%'))
    if (p[1] != 's' && p[1] != 'd' && p[1] != '%') return false;
  return true;
}

// Copies the whole of in to out: by the kernel when it can (no pass
// through this process's memory), else through a buffer.
bool copy_bytes(std::FILE* in, std::FILE* out) {
  struct stat st;
  if (std::fflush(out) == 0 && ::fstat(::fileno(in), &st) == 0 && S_ISREG(st.st_mode)) {
    off_t left = st.st_size;
    while (left > 0) {
      ssize_t n = ::copy_file_range(::fileno(in), nullptr, ::fileno(out), nullptr,
                                    static_cast<std::size_t>(left), 0);
      if (n <= 0) break;
      left -= n;
    }
    if (left == 0) return true;
    // Partly copied: start again the ordinary way.
    if (::lseek(::fileno(in), 0, SEEK_SET) != 0 || ::ftruncate(::fileno(out), 0) != 0 ||
        ::lseek(::fileno(out), 0, SEEK_SET) != 0)
      return false;
  }
  std::vector<char> buf(kWriteBuffer);
  std::size_t n;
  bool ok = true;
  while (ok && (n = std::fread(buf.data(), 1, buf.size(), in)) > 0)
    ok = std::fwrite(buf.data(), 1, n, out) == n;
  return ok && !std::ferror(in);
}

int end_write(PrjObject* o, bool keep) {
  if (!o->wstream) return PRJ_OK;
  if (keep) drain(o);
  keep = keep && !o->werror;
  std::FILE* f = o->wstream;
  o->wstream = nullptr;
  o->wbuf.reset();
  o->wlen = 0;
  o->werror = false;
  if (keep) return rkReplaceCommit(&o->wrep, f) ? PRJ_OK : PRJ_WRITE_FAILED;
  rkReplaceDiscard(&o->wrep, f);
  return PRJ_WRITE_FAILED;
}

// Opens sheet `number` of group (no "LIB:" part) in class c for writing,
// in library lib (a name, or "" to choose: the first library holding the
// file, else the primary one).
PrjObject* open_for_writing(const ClassInfo* c, int classid, const std::string& lib,
                            const std::string& group, int number, int* status) {
  PrjProject* p = prj_state.project.get();
  *status = PRJ_NO_VIEW;
  if (!p || !p->view) return nullptr;
  *status = PRJ_INVALID;
  std::string base = lower(group) + "." + std::to_string(number);
  std::string file = base + c->suffix;
  if (!safe_file_name(file)) return nullptr;
  *status = PRJ_NOT_FOUND;
  int handle = 0;
  if (!lib.empty()) {
    handle = lib_named(lib.c_str());
  } else {
    for (std::size_t i = 0; i < p->libs.size() && !handle; ++i)
      if (pxFexists((p->libs[i].dir + c->kind + "/" + file).c_str()))
        handle = static_cast<int>(i + 1);
    if (!handle) handle = prjGetPrimaryObj(p, nullptr);
  }
  const Lib* l = lib_of(handle);
  if (!l) return nullptr;
  *status = PRJ_NOT_WRITABLE;
  if (!prjObjWritable(handle)) return nullptr;
  std::string kinddir = l->dir + c->kind;
  std::string path = kinddir + "/" + file;
  *status = PRJ_WRITE_FAILED;
  if (path.size() >= px::kMaxPath) return nullptr;
  if (pxExists(kinddir.c_str(), PX_DIRECTORY) != PX_OK && ::mkdir(kinddir.c_str(), 0777) != 0)
    return nullptr;
  PrjObject* o = object_for(path);
  if (o->wstream) {
    *status = PRJ_ALREADY_OPEN;
    return nullptr;
  }
  RkReplace rep;
  int why = 0;
  std::FILE* f = rkReplaceOpen(&rep, path.c_str(), &why);
  if (!f) {
    *status = why == EACCES || why == EPERM || why == EROFS ? PRJ_NOT_WRITABLE : PRJ_WRITE_FAILED;
    return nullptr;
  }
  o->lib = handle;
  o->classid = classid;
  o->kind = c->kind;
  o->base = base;
  o->wstream = f;
  o->wrep = rep;
  o->wbuf = std::make_unique<char[]>(kWriteBuffer);
  o->wlen = 0;
  o->werror = false;
  o->open = true;
  *status = PRJ_OK;
  return o;
}

// --- declaration lines ------------------------------------------------------

// r and m exclude w and p.
bool type_valid(int bits) {
  return !((bits & (PRJ_LIB_READONLY | PRJ_LIB_MEGAFILE)) &&
           (bits & (PRJ_LIB_WRITABLE | PRJ_LIB_PRIMARY)));
}

// Reads the bracketed type word at *p into *type.
int parse_type(const char*& p, int* type) {
  if (*p != '[') return PRJ_BAD_TYPE;
  const char* close = std::strchr(p, ']');
  if (!close) return PRJ_BAD_TYPE;
  std::string word(p + 1, close);
  p = close + 1;
  int bits = 0;
  if (!word.empty() && word.find_first_not_of("0123456789") == std::string::npos) {
    word.erase(0, std::min(word.find_first_not_of('0'), word.size() - 1));
    if (word.size() > 2) return PRJ_BAD_TYPE_NUMBER;
    int n = std::stoi(word);
    if (n > prj::kMaxLibTypeNumber) return PRJ_BAD_TYPE_NUMBER;
    bits = n & (PRJ_LIB_PRIMARY | PRJ_LIB_WRITABLE | PRJ_LIB_READONLY | PRJ_LIB_MEGAFILE);
  } else {
    if (word.empty() || word.size() > 3) return PRJ_BAD_TYPE;
    // Letter i of "pwrm" is type bit 1 << i.
    constexpr const char* kLetters = "pwrm";
    for (char c : word) {
      char lc = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
      const char* at = lc ? std::strchr(kLetters, lc) : nullptr;
      if (!at) return PRJ_BAD_TYPE;
      int bit = 1 << (at - kLetters);
      if (bits & bit) return PRJ_BAD_TYPE;
      bits |= bit;
    }
  }
  if (!type_valid(bits)) return PRJ_BAD_TYPE;
  *type = bits;
  return PRJ_OK;
}

// --- the view ---------------------------------------------------------------

// Reads one line, keeping one character more than a declaration may have
// (so that a longer one is still refused as too long) and dropping the
// rest; false at the end of the file.
bool read_line(std::FILE* f, std::string* line) {
  return rkDufsReadLine(f, line, prj::kMaxDirLine + 1);
}

bool is_dir_line(const std::string& line) {
  const char* p = rkStrBlk(line.c_str());
  return rkStrNicmp(p, "dir", 3) == 0 && (p[3] == '\0' || is_blank(p[3]) || p[3] == '[');
}

// A declaration as quoted in a library error: trimmed, and cut where no
// valid declaration could go on.
std::string shown_line(std::string line) {
  rkStrTrim(line.data());
  line.resize(std::strlen(line.c_str()));
  if (line.size() > prj::kMaxDirLine) line.resize(prj::kMaxDirLine);
  return line;
}

// The last component of an absolute directory with a trailing "/".
std::string last_component(const std::string& dir) {
  std::string d = dir;
  while (d.size() > 1 && d.back() == '/') d.pop_back();
  std::size_t slash = d.rfind('/');
  return slash == std::string::npos ? d : d.substr(slash + 1);
}

}  // namespace

const char* prjStatusText(int status) {
  switch (status) {
    case PRJ_OK:
      return "no error";
    case PRJ_TOO_LONG:
      return "a path or line is too long";
    case PRJ_NOT_FOUND:
      return "it does not exist";
    case PRJ_INVALID:
      return "the request is not valid";
    case PRJ_BAD_TYPE_NUMBER:
      return "the numeric library type is not between 0 and 20";
    case PRJ_NO_PATH:
      return "the library path is missing or malformed";
    case PRJ_NO_WORDS:
      return "the declaration is empty";
    case PRJ_EXTRA_WORDS:
      return "there are words after the end of the declaration";
    case PRJ_BAD_TYPE:
      return "the library type in square brackets is missing or not valid "
             "(use p, w, r or m; r and m exclude p and w)";
    case PRJ_BAD_NAME:
      return "the library name in parentheses is empty, not closed, longer than 32 "
             "characters or holds a blank or colon";
    case PRJ_BAD_TEXT:
      return "the text in braces is not closed";
    case PRJ_ALREADY_OPEN:
      return "it is already open";
    case PRJ_BAD_INI:
      return "the initialization file holds malformed library declarations";
    case PRJ_LIB_ERRORS:
      return "some declared libraries cannot be used";
    case PRJ_NO_VIEW:
      return "the project's libraries are not set up";
    case PRJ_COPY_FAILED:
      return "the file could not be copied";
    case PRJ_NOT_WRITABLE:
      return "the library is read-only";
    case PRJ_WRITE_FAILED:
      return "the file could not be written";
    case PRJ_STARTED:
      return "the store was already started";
  }
  return "unknown project store status";
}

int prjInit(int, const char* version, int) {
  if (!version || !*version) return PRJ_INVALID;
  if (prj_state.started) return PRJ_STARTED;
  prj_state.started = true;
  return PRJ_OK;
}

PrjProject* prjOpenProject(const char* dir, const char*, const char*, int, int* status) {
  int dummy;
  if (!status) status = &dummy;
  char abs[px::kMaxPath];
  if (!dir || pxAbsSysPath2(dir, abs) != PX_OK || pxExists(abs, PX_DIRECTORY) != PX_OK) {
    *status = PRJ_NOT_FOUND;
    return nullptr;
  }
  std::string d = abs;
  if (d.empty() || d.back() != '/') d += '/';
  PrjProject* p = prj_state.project.get();
  if (p && p->dir == d) {
    *status = p->view ? PRJ_ALREADY_OPEN : PRJ_OK;
    return p;
  }
  prjReset();
  prj_state.started = true;
  prj_state.project = std::make_unique<PrjProject>();
  prj_state.project->dir = d;
  *status = PRJ_OK;
  return prj_state.project.get();
}

int prjInitView(PrjProject* project, const char*, const char* inipath) {
  if (!project || project != prj_state.project.get() || !inipath) return PRJ_INVALID;
  if (project->view) return PRJ_ALREADY_OPEN;
  std::FILE* f = rkDufsFopenRead(inipath);
  if (!f) return PRJ_NOT_FOUND;
  project->libs.clear();
  project->errors.clear();
  bool malformed = false;
  std::string line;
  for (int lineno = 1; read_line(f, &line); ++lineno) {
    if (!is_dir_line(line)) continue;
    std::string where = "line " + std::to_string(lineno) + " of " + inipath;
    PrjDirLine d;
    // A NUL byte would end the declaration early, naming another
    // directory than the line shows.
    if (line.find('\0') != std::string::npos) {
      malformed = true;
      line.erase(line.find('\0'));
      project->errors.push_back({"(unnamed)", "the line holds a NUL byte", where + ": " + shown_line(line)});
      continue;
    }
    int st = prjParseDirLine(line.c_str(), &d);
    if (st != PRJ_OK) {
      malformed = true;
      std::string shown = d.name[0] ? d.name : d.path[0] ? d.path : "(unnamed)";
      project->errors.push_back({shown, prjStatusText(st), where + ": " + shown_line(line)});
      continue;
    }
    std::string full = d.path[0] == '/' || d.path[0] == '~' ? d.path : project->dir + d.path;
    char abs[px::kMaxPath];
    if (pxAbsPath2(full.c_str(), abs) != PX_OK) {
      malformed = true;
      project->errors.push_back({d.name[0] ? d.name : d.path, prjStatusText(PRJ_TOO_LONG), where});
      continue;
    }
    Lib lib;
    lib.type = d.type;
    lib.dir = abs;
    if (lib.dir.back() != '/') lib.dir += '/';
    lib.name = d.name[0] ? d.name : last_component(lib.dir);
    lib.line = lineno;
    project->libs.push_back(std::move(lib));
  }
  std::fclose(f);

  for (std::size_t i = 0; i < project->libs.size(); ++i) {
    const Lib& lib = project->libs[i];
    std::string dir = lib.dir.substr(0, lib.dir.size() - 1);
    if (pxExists(dir.c_str(), PX_DIRECTORY) != PX_OK)
      project->errors.push_back({lib.name, "its directory does not exist", dir});
    for (std::size_t j = 0; j < i; ++j) {
      if (rkStrIcmp(project->libs[j].name.c_str(), lib.name.c_str()) == 0) {
        project->errors.push_back({lib.name,
                                   "a library of the same name is already declared on line " +
                                       std::to_string(project->libs[j].line),
                                   "line " + std::to_string(lib.line) + " of " + inipath});
        break;
      }
    }
  }
  if (malformed || !project->errors.empty()) {
    project->libs.clear();
    return malformed ? PRJ_BAD_INI : PRJ_LIB_ERRORS;
  }
  bool has_primary = false;
  for (const Lib& lib : project->libs) has_primary |= (lib.type & PRJ_LIB_PRIMARY) != 0;
  if (!has_primary && !project->libs.empty()) project->libs.front().type |= PRJ_LIB_PRIMARY;
  project->view = true;
  return PRJ_OK;
}

int prjNextLibError(PrjProject* project, const char*, int cursor, const char** library,
                    const char** what, const char** where) {
  const char** outs[] = {library, what, where};
  for (const char** o : outs)
    if (o) *o = nullptr;
  if (!project || cursor < 0 || cursor >= static_cast<int>(project->errors.size())) return 0;
  const LibError& e = project->errors[static_cast<std::size_t>(cursor)];
  if (library) *library = e.library.c_str();
  if (what) *what = e.what.c_str();
  if (where) *where = e.where.c_str();
  return cursor + 1;
}

int prjKbCacheAllLibraries(PrjProject* project, const char*, int, int flag) {
  if (!project || project != prj_state.project.get() || (flag != 0 && flag != 1))
    return PRJ_INVALID;
  return project->view ? PRJ_OK : PRJ_NO_VIEW;
}

PrjObjRef* prjMakeKbObjref2(const char* library, const char* kind, const char* name,
                            const char* ext) {
  if (!kind || !*kind || !name) return nullptr;
  return make_ref(library, kind, 0, name, ext);
}

int prjGetClassId(const char*, const char* classname) {
  if (!classname) return 0;
  for (int i = 0; i < kClassCount; ++i)
    if (std::strcmp(kClasses[i].name, classname) == 0) return i + 1;
  return 0;
}

PrjObjRef* prjMakeKbObjref(const char* library, int classid, const char* name, const char* ext) {
  const ClassInfo* c = class_info(classid);
  if (!c || !name) return nullptr;
  return make_ref(library, c->kind, classid, name, ext);
}

int prjCacheObject(const PrjObjRef* ref) {
  if (!ref) return PRJ_INVALID;
  if (!prj_state.project || !prj_state.project->view) return PRJ_NO_VIEW;
  if (ref->library[0] && !lib_named(ref->library)) return PRJ_NOT_FOUND;
  return PRJ_OK;
}

PrjObject* prjOpenObject(const PrjObjRef* ref, int, int* status) {
  int dummy;
  if (!status) status = &dummy;
  *status = PRJ_NOT_FOUND;
  PrjProject* p = prj_state.project.get();
  if (!ref || !p || !p->view) {
    *status = ref ? PRJ_NO_VIEW : PRJ_INVALID;
    return nullptr;
  }
  std::string base, file, kind;
  if (!ref_file(ref, &base, &file, &kind)) return nullptr;
  int only = 0;
  if (ref->library[0] && !(only = lib_named(ref->library))) return nullptr;
  for (std::size_t i = 0; i < p->libs.size(); ++i) {
    int handle = static_cast<int>(i + 1);
    if (only && handle != only) continue;
    std::string path = p->libs[i].dir + kind + "/" + file;
    // Whatever stands under the name is the library's object: a directory
    // or FIFO there is reported as unreadable when opened, not passed over
    // for another library's file or taken for a missing one.
    struct stat st;
    if (path.size() >= px::kMaxPath || ::stat(path.c_str(), &st) != 0) continue;
    PrjObject* o = object_for(path);
    o->lib = handle;
    o->classid = ref->classid;
    o->kind = kind;
    o->base = base;
    *status = o->open ? PRJ_ALREADY_OPEN : PRJ_OK;
    o->open = true;
    return o;
  }
  return nullptr;
}

PrjObject* prjOpenObj(PrjProject* project, const char* classname, const char* name, int number, int,
                      int mode, int* status) {
  int dummy;
  if (!status) status = &dummy;
  *status = PRJ_INVALID;
  int classid = prjGetClassId(nullptr, classname);
  if (!project || project != prj_state.project.get() || !name || !classid) return nullptr;
  std::string lib, group = name;
  std::size_t colon = group.find(':');
  if (colon != std::string::npos) {
    lib = rkStrBlk(group.substr(0, colon).c_str());
    group = group.substr(colon + 1);
  }
  if (mode == PRJ_OPEN_WRITE)
    return open_for_writing(class_info(classid), classid, lib, group, number, status);
  PrjObjRef* ref =
      prjMakeKbObjref(lib.c_str(), classid, group.c_str(), std::to_string(number).c_str());
  if (!ref) return nullptr;
  PrjObject* o = prjOpenObject(ref, mode, status);
  rkMemFree(ref);
  if (*status == PRJ_ALREADY_OPEN) *status = prjReopenObj(o, 1);
  return o;
}

int prjReopenObj(PrjObject* object, int mode) {
  if (!object) return PRJ_INVALID;
  if (mode == 0) return close_stream(object);
  object->open = true;
  return PRJ_OK;
}

int prjCloseObj(PrjObject* object, int) {
  if (!object || !object->open) return PRJ_INVALID;
  object->open = false;
  int written = end_write(object, true);
  int closed = close_stream(object);
  return written != PRJ_OK ? written : closed;
}

int prjFprintf(PrjObject* object, const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  int n = prjVfprintf(object, format, ap);
  va_end(ap);
  return n;
}

int prjVfprintf(PrjObject* object, const char* format, std::va_list args) {
  if (!object || !object->wstream || !format || object->werror) return -1;
  std::size_t n = 0;
  if (plain_format(format)) {
    for (const char* p = format; *p;) {
      const char* pct = std::strchr(p, '%');
      std::size_t run = pct ? static_cast<std::size_t>(pct - p) : std::strlen(p);
      put(object, p, run);
      n += run;
      if (!pct) break;
      char buf[16];
      const char* text = buf;
      std::size_t len;
      if (pct[1] == 's') {
        text = va_arg(args, const char*);
        if (!text) text = "(null)";
        len = std::strlen(text);
      } else if (pct[1] == 'd') {
        len = static_cast<std::size_t>(std::snprintf(buf, sizeof buf, "%d", va_arg(args, int)));
      } else {
        text = "%";
        len = 1;
      }
      put(object, text, len);
      n += len;
      p = pct + 2;
    }
  } else {
    // Everything else goes through the general formatter.
    char small[1024];
    std::va_list again;
    va_copy(again, args);
    int len = std::vsnprintf(small, sizeof small, format, args);
    if (len < 0) {
      va_end(again);
      return -1;
    }
    if (static_cast<std::size_t>(len) < sizeof small) {
      put(object, small, static_cast<std::size_t>(len));
    } else {
      std::string big(static_cast<std::size_t>(len) + 1, '\0');
      std::vsnprintf(big.data(), big.size(), format, again);
      put(object, big.data(), static_cast<std::size_t>(len));
    }
    va_end(again);
    n = static_cast<std::size_t>(len);
  }
  return object->werror ? -1 : static_cast<int>(n);
}

int prjAbandonObj(PrjObject* object) {
  if (!object || !object->wstream) return PRJ_INVALID;
  end_write(object, false);
  return PRJ_OK;
}

PrjPropValue prjGetObjProp(PrjObject* object, int property, int* status) {
  int dummy;
  if (!status) status = &dummy;
  *status = PRJ_OK;
  if (object) {
    switch (property) {
      case PRJ_PROP_PATH:
        return {rkStrCpy(object->path.c_str()), 0};
      case PRJ_PROP_TIME:
        return {nullptr, pxFtime(object->path.c_str())};
      case PRJ_PROP_LIBRARY:
        return {nullptr, object->lib};
    }
  }
  *status = PRJ_INVALID;
  return {nullptr, 0};
}

PrjPropValue prjGetLibProp(int handle, int property, int* status) {
  int dummy;
  if (!status) status = &dummy;
  const Lib* lib = lib_of(handle);
  if (!lib || property != PRJ_PROP_PATH) {
    *status = lib ? PRJ_INVALID : PRJ_NOT_FOUND;
    return {nullptr, 0};
  }
  *status = PRJ_OK;
  return {rkStrCpy(lib->name.c_str()), 0};
}

const char* prjLibDirectory(int handle) {
  const Lib* lib = lib_of(handle);
  return lib ? lib->dir.c_str() : "";
}

std::FILE* prjObjGetFilePtr(PrjObject* object, int, int* status) {
  int dummy;
  if (!status) status = &dummy;
  *status = PRJ_OK;
  if (!object || !object->open) {
    *status = PRJ_INVALID;
    return nullptr;
  }
  if (!object->stream) object->stream = rkDufsFopenRead(object->path.c_str());
  if (!object->stream) *status = PRJ_NOT_FOUND;
  return object->stream;
}

void prjObjSetUserData(PrjObject* object, void* data) {
  if (object) object->user = data;
}

void* prjObjGetUserData(const PrjObject* object) { return object ? object->user : nullptr; }

int prjCopyObj(PrjObject* object, PrjProject* project, const char* classname, int, int,
               int replace) {
  const ClassInfo* c = class_info(prjGetClassId(nullptr, classname));
  const Lib* lib = object ? lib_of(object->lib) : nullptr;
  if (!c || !lib || project != prj_state.project.get()) return PRJ_INVALID;
  if (!prjObjWritable(object->lib)) return PRJ_NOT_WRITABLE;
  std::string kinddir = lib->dir + c->kind;
  std::string target = kinddir + "/" + object->base + c->suffix;
  if (target == object->path) return PRJ_OK;
  if (!replace && pxFexists(target.c_str())) return PRJ_COPY_FAILED;
  if (pxExists(kinddir.c_str(), PX_DIRECTORY) != PX_OK) return PRJ_COPY_FAILED;

  std::FILE* in = rkDufsFopenRead(object->path.c_str());
  if (!in) return PRJ_COPY_FAILED;
  RkReplace rep;
  std::FILE* out = rkReplaceOpen(&rep, target.c_str());
  bool ok = out != nullptr && copy_bytes(in, out);
  std::fclose(in);
  if (!out) return PRJ_COPY_FAILED;
  if (!ok) {
    rkReplaceDiscard(&rep, out);
    return PRJ_COPY_FAILED;
  }
  return rkReplaceCommit(&rep, out) ? PRJ_OK : PRJ_COPY_FAILED;
}

int prjObjWritable(int handle) {
  const Lib* lib = lib_of(handle);
  // The first library becomes primary when none is declared so, whatever
  // its type: read-only and packed libraries stay unwritable.
  return lib && (lib->type & (PRJ_LIB_PRIMARY | PRJ_LIB_WRITABLE)) &&
                 !(lib->type & (PRJ_LIB_READONLY | PRJ_LIB_MEGAFILE))
             ? 1
             : 0;
}

int prjObjReadonly(int handle) {
  const Lib* lib = lib_of(handle);
  return lib && (lib->type & PRJ_LIB_READONLY) ? 1 : 0;
}

int prjObjMegafile(int handle) {
  const Lib* lib = lib_of(handle);
  return lib && (lib->type & PRJ_LIB_MEGAFILE) ? 1 : 0;
}

int prjFindNextLib(PrjProject* project, int previous, const char* pattern, int* status) {
  int dummy;
  if (!status) status = &dummy;
  *status = PRJ_OK;
  if (!project || project != prj_state.project.get() || !project->view) {
    *status = PRJ_NO_VIEW;
    return 0;
  }
  if (!pattern || !*pattern) pattern = "*";
  for (int h = previous < 0 ? 1 : previous + 1; h <= static_cast<int>(project->libs.size()); ++h)
    if (glob_match(pattern, project->libs[static_cast<std::size_t>(h - 1)].name.c_str())) return h;
  return 0;
}

int prjGetPrimaryObj(PrjProject* project, const void*) {
  if (!project || project != prj_state.project.get() || !project->view) return 0;
  for (std::size_t i = 0; i < project->libs.size(); ++i)
    if (project->libs[i].type & PRJ_LIB_PRIMARY) return static_cast<int>(i + 1);
  return 0;
}

int prjInsertLib(PrjProject* project, const char* name, const char* mode, int* status) {
  int dummy;
  if (!status) status = &dummy;
  *status = PRJ_INVALID;
  if (!project || project != prj_state.project.get() || !project->view || !name || !mode)
    return 0;
  bool writable = rkStrIcmp(mode, "w") == 0;
  if (!writable && rkStrIcmp(mode, "r") != 0) return 0;
  // The name becomes a directory of the project: it must stay one name.
  std::string dirname = lower(name);
  if (dirname.size() > prj::kMaxLibName || !safe_file_name(dirname)) return 0;
  if (lib_named(name)) {
    *status = PRJ_ALREADY_OPEN;
    return 0;
  }
  std::string dir = project->dir + dirname;
  if (pxExists(dir.c_str(), PX_DIRECTORY) != PX_OK &&
      (!writable || mkdir(dir.c_str(), 0777) != 0)) {
    *status = PRJ_NOT_FOUND;
    return 0;
  }
  Lib lib;
  lib.type = writable ? PRJ_LIB_WRITABLE : PRJ_LIB_READONLY;
  lib.name = name;
  lib.dir = dir + "/";
  project->libs.push_back(std::move(lib));
  *status = PRJ_OK;
  return static_cast<int>(project->libs.size());
}

int prjParseDirLine(const char* line, PrjDirLine* out) {
  if (!line || !out) return PRJ_INVALID;
  *out = PrjDirLine{};
  if (std::strlen(line) > prj::kMaxDirLine) return PRJ_TOO_LONG;
  std::string content = line;
  std::size_t bar = content.find('|');
  if (bar != std::string::npos) content.resize(bar);
  const char* p = rkStrBlk(content.c_str());
  if (rkStrNicmp(p, "dir", 3) == 0 && (p[3] == '\0' || is_blank(p[3]) || p[3] == '[')) p += 3;
  p = rkStrBlk(p);
  if (!*p) return PRJ_NO_WORDS;

  int st = parse_type(p, &out->type);
  if (st != PRJ_OK) return st;

  // The path runs to the next blank; it may not look like the name or the
  // text, which would mean it is missing.
  p = rkStrBlk(p);
  const char* end = p;
  while (*end && !is_blank(*end)) ++end;
  std::string path(p, end);
  p = end;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty() || path == "/" || std::strchr("([{", path.front()) ||
      std::strchr(")]}", path.back()) || path.size() >= sizeof out->path)
    return PRJ_NO_PATH;
  std::strcpy(out->path, path.c_str());

  p = rkStrBlk(p);
  if (*p == '(') {
    const char* close = std::strchr(p, ')');
    if (!close) return PRJ_BAD_NAME;
    std::string name(p + 1, close);
    if (name.empty() || name.size() > prj::kMaxLibName ||
        name.find_first_of(" \t:") != std::string::npos)
      return PRJ_BAD_NAME;
    std::strcpy(out->name, name.c_str());
    p = rkStrBlk(close + 1);
  }
  if (*p == '{') {
    const char* close = std::strchr(p, '}');
    if (!close) return PRJ_BAD_TEXT;
    std::string text(p + 1, close);
    std::strcpy(out->text, text.c_str());  // shorter than the line
    p = rkStrBlk(close + 1);
  }
  return *p ? PRJ_EXTRA_WORDS : PRJ_OK;
}

int prjBuildDirLine(const PrjDirLine* in, char* line, std::size_t size) {
  if (!in || !line || size == 0) return PRJ_INVALID;
  if (!type_valid(in->type)) return PRJ_BAD_TYPE;
  char type[5] = {};
  std::size_t n = 0;
  if (in->type & PRJ_LIB_PRIMARY) type[n++] = 'p';
  if (in->type & PRJ_LIB_WRITABLE) type[n++] = 'w';
  if (in->type & PRJ_LIB_READONLY) type[n++] = 'r';
  if (in->type & PRJ_LIB_MEGAFILE) type[n++] = 'm';
  if (n == 0) type[0] = '0';
  std::string s = "DIR [";
  s.append(type).append("] ").append(in->path);
  if (in->name[0]) s.append(" (").append(in->name).append(")");
  if (in->text[0]) s.append(" {").append(in->text).append("}");
  if (s.size() >= size) return PRJ_TOO_LONG;
  std::strcpy(line, s.c_str());
  return PRJ_OK;
}

void prjReset() {
  for (PrjObject& o : prj_state.objects) {
    end_write(&o, false);
    close_stream(&o);
  }
  prj_state.objects.clear();
  prj_state.bypath.clear();
  prj_state.project.reset();
  prj_state.started = false;
}
