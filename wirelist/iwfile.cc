// wirelist/iwfile.cc - finding and opening design files; see iwfile.h.
//
// An object of the store is shared by everyone who looks its file up, so
// only the one who opened its stream (iwvfopen, iwvopen) closes it: the
// information look-ups leave an object that was already open as it is.
//
// Regenerating a wirelist loops back to opening it again.  The loop ends:
// the checker command runs only when it differs from the last one run,
// and it can change only once per process (when "check.exe" is searched
// for), so after at most two runs iwchksch fails and switches
// regeneration off.
#include "wirelist/iwfile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "catalogs/nodex.h"
#include "store/prj.h"
#include "store/pxlib.h"
#include "util/rkdufs.h"
#include "util/rkmem.h"
#include "util/rkrun.h"
#include "util/rkstr.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwname.h"
#include "wirelist/iwobj.h"
#include "wirelist/iwsession.h"
#include "wirelist/limits.h"

namespace {

constexpr int kRegenVopen = 0;  // regeneration setting of iwvopen
constexpr int kRegenOpen = 1;   // and of iwopen

// A file name taken apart: library, name and extension.
struct FileName {
  std::string lib;   // "" for all libraries
  std::string name;  // without extension
  std::string ext;   // without its dot
};

bool split_name(const char* text, FileName* out) {
  if (!text || std::strlen(text) >= iw::kFileName) return false;
  char copy[iw::kFileName];
  std::strcpy(copy, text);
  rkStrLoc(copy);
  const char* rest = copy;
  if (char* colon = std::strchr(copy, ':')) {
    *colon = '\0';
    out->lib = rkStrBlk(copy);
    rest = colon + 1;
  }
  char node[iw::kFileName], dir[iw::kFileName], name[iw::kFileName], ext[iw::kFileName];
  if (pxParse(rest, node, dir, name, ext) != PX_OK) return false;
  out->name = name;
  out->ext = ext;
  return !out->name.empty();
}

// Opens the store object of a file by kind, or by class when classid is
// set.  *was_open tells whether someone else had it open already.
PrjObject* open_object(const char* text, const char* kind, int classid, bool* was_open) {
  FileName fn;
  if (!split_name(text, &fn)) return nullptr;
  PrjObjRef* ref = classid
                       ? prjMakeKbObjref(fn.lib.c_str(), classid, fn.name.c_str(), fn.ext.c_str())
                       : prjMakeKbObjref2(fn.lib.c_str(), kind, fn.name.c_str(), fn.ext.c_str());
  if (!ref) return nullptr;
  int status = 0;
  PrjObject* obj = prjOpenObject(ref, 1, &status);
  rkMemFree(ref);
  if (obj && status == PRJ_ALREADY_OPEN) prjReopenObj(obj, 1);
  if (was_open) *was_open = status == PRJ_ALREADY_OPEN;
  return obj;
}

void object_props(PrjObject* obj, char* path, long* time, int* library) {
  int status;
  if (path) {
    PrjPropValue v = prjGetObjProp(obj, PRJ_PROP_PATH, &status);
    rkStrncpyNullTerm(path, v.text ? v.text : "", iw::kFileName);
    rkMemFree(v.text);
  }
  if (time) *time = prjGetObjProp(obj, PRJ_PROP_TIME, &status).number;
  if (library) *library = static_cast<int>(prjGetObjProp(obj, PRJ_PROP_LIBRARY, &status).number);
}

PrjObject* file_info(const char* name, const char* kind, int classid, char* path, long* time,
                     int* library) {
  if (path) path[0] = '\0';
  if (time) *time = 0;
  if (library) *library = 0;
  bool was_open = false;
  PrjObject* obj = open_object(name, kind, classid, &was_open);
  if (!obj) return nullptr;
  object_props(obj, path, time, library);
  if (!was_open) {
    prjObjSetUserData(obj, nullptr);
    prjReopenObj(obj, 0);
  }
  return obj;
}

std::FILE* open_path(PrjObject* obj, const char* path) {
  return obj && path[0] ? rkDufsFopenRead(path) : nullptr;
}

// The word for a directory kind in messages.
const char* kind_word(const char* kind) {
  if (!kind) return "design";
  if (std::strcmp(kind, "wir") == 0) return "wirelist";
  if (std::strcmp(kind, "sym") == 0) return "symbol";
  if (std::strcmp(kind, "sch") == 0) return "schematic";
  return kind;
}

// Group names come from design files: the checker is only ever handed
// one that rkRunSafeName accepts.
bool checker_safe(const char* name) { return rkRunSafeName(name); }

// True when path lies in directory dir (both absolute, dir without a
// trailing "/"), or is dir itself.
bool inside(const std::string& path, const std::string& dir) {
  return path == dir || (path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0 &&
                         (dir == "/" || path[dir.size()] == '/'));
}

// The real path of a directory, "" when it cannot be resolved.
std::string real_dir(const char* dir) {
  char* r = ::realpath(dir, nullptr);
  std::string s = r ? r : "";
  std::free(r);
  return s;
}

// Where "check.exe" may come from when "check" did not help: the WDIR
// directories and the program's own directory, which the user set up,
// but never the working directory or a library of the design, since a
// design folder from someone else must not supply a program that runs.
// Returns the path found, or "".
std::string trusted_checker() {
  std::vector<std::string> shunned;
  if (std::string cwd = real_dir("."); !cwd.empty()) shunned.push_back(cwd);
  int status;
  for (int h = prjFindNextLib(iws.project, 0, "*", &status); h;
       h = prjFindNextLib(iws.project, h, "*", &status))
    if (std::string d = real_dir(prjLibDirectory(h)); !d.empty()) shunned.push_back(d);
  std::vector<std::string> dirs;
  pxWdirLoopSrchdirs2(
      [](const char* dir, void* user) {
        static_cast<std::vector<std::string>*>(user)->push_back(dir);
        return 1;
      },
      &dirs);
  dirs.push_back(pxExeDir());
  for (const std::string& dir : dirs) {
    std::string real = dir.empty() ? "" : real_dir(dir.c_str());
    if (real.empty()) continue;
    bool refused = false;
    for (const std::string& s : shunned) refused = refused || inside(real, s);
    std::string path = real + "/check.exe";
    if (!refused && pxExists(path.c_str(), PX_REGULAR) == PX_OK) return path;
  }
  return "";
}

// The wirelist being opened, with what the checks need to know of it.
struct Sheet {
  const char* group;         // group name as given
  int sheet;                 // sheet number
  char file[iw::kFileName];  // "%s.%d": the look-up and message name
  char path[iw::kFileName];  // the wirelist's path
  long time;                 // its modification time
  int lib;                   // its library
  bool regen;                // it may be regenerated
};

void report_newer(const Sheet& s, const char* word, const char* source, const char* path) {
  std::string what = std::string(source) + " (" + path + ")";
  iwmsghndlr(2, NDX_OUTOFDATE, word, what.c_str());
  if (!checker_safe(s.group)) iwmsghndlr(10, NDX_UNSAFENAME, s.group);
  iwmsghndlr(10, NDX_READASIS, s.path);
}

// True when the schematic or symbol of the same name is newer than the
// wirelist.  Without regeneration the first newer source is reported.
bool source_newer(const Sheet& s) {
  static constexpr struct {
    const char* kind;
    const char* word;
  } kSources[] = {{"sch", "schematic"}, {"sym", "symbol"}};
  for (const auto& src : kSources) {
    char path[iw::kFileName];
    long time;
    int lib;
    if (!iwfinfo(s.file, src.kind, path, &time, &lib)) continue;
    if (lib != s.lib) {
      iwmsghndlr(2, NDX_SRCLIB, s.file);
      iwmsghndlr(10, NDX_SRCPATH, "wir", s.path);
      iwmsghndlr(10, NDX_SRCPATH, src.kind, path);
    }
    if (prjObjReadonly(lib) || time <= s.time) continue;
    if (!s.regen) report_newer(s, src.word, s.file, path);
    return true;
  }
  return false;
}

// "AS <group> PINORDER=..." names a group whose pin order this sheet
// relies on; returns the group name, or an empty string.
std::string pinorder_group(const char* line) {
  char word[iw::kScanLine + 1];
  const char* rest = rkStrTok(line, " \t", word, sizeof word);
  if (!rest || rkStrIcmp(word, "AS") != 0) return "";
  rest = rkStrTok(rest, " \t", word, sizeof word);
  if (!rest) return "";
  const char* att = rkStrBlk(rest);
  if (rkStrNicmp(att, "PINORDER", 8) != 0 || (att[8] != '=' && att[8] != ' ' && att[8] != '\t'))
    return "";
  return word;
}

// True when a symbol whose pin order the sheet uses ("AS ... PINORDER"
// records before the first "EW" or "I " line) is newer than the wirelist,
// or when the records cannot be scanned.  The stream is left where it was.
bool pinorder_newer(const Sheet& s, std::FILE* f) {
  long start = std::ftell(f);
  if (start < 0) {
    iwmsghndlr(4, NDX_TELLFAIL, s.file);
    return true;
  }
  bool ended = false;
  bool newer = false;
  std::string source, source_path;
  // At most kScanLine characters of a line are looked at.
  std::string line;
  while (rkDufsReadLine(f, &line, iw::kScanLine)) {
    const char* p = rkStrBlk(line.c_str());
    if ((rkStrNicmp(p, "EW", 2) == 0 && (p[2] == '\0' || p[2] == ' ' || p[2] == '\t')) ||
        rkStrNicmp(p, "I ", 2) == 0) {
      ended = true;
      break;
    }
    if (newer) continue;
    std::string group = pinorder_group(p);
    if (group.empty() || group.size() + 2 >= iw::kFileName) continue;
    std::string symfile = group + ".1";
    char path[iw::kFileName];
    long time;
    int lib;
    if (iwfinfo(symfile.c_str(), "sym", path, &time, &lib) && !prjObjReadonly(lib) &&
        time > s.time) {
      newer = true;
      source = symfile;
      source_path = path;
    }
  }
  if (std::fseek(f, start, SEEK_SET) != 0) {
    iwmsghndlr(4, NDX_SEEKFAIL, s.file);
    return true;
  }
  if (!ended) {
    // Without a schematic there is nothing to write the wirelist again
    // from: the reader reports what is wrong with the file.
    if (!iwfinfo(s.file, "sch", nullptr, nullptr, nullptr)) return false;
    if (!s.regen) iwmsghndlr(4, NDX_EOFBEFOREEW, s.file);
    return true;
  }
  if (newer && !s.regen) report_newer(s, "symbol", source.c_str(), source_path.c_str());
  return newer;
}

// Runs the checker for the sheet and has the store re-read the wirelist.
void regenerate(const Sheet& s, int which) {
  if (iwchksch(s.group, s.sheet) != 0) iws.regen[which] = false;
  FileName fn;
  if (!split_name(s.file, &fn)) return;
  PrjObjRef* ref = prjMakeKbObjref(fn.lib.c_str(), prjGetClassId(nullptr, "prjClassWIRELIST"),
                                   fn.name.c_str(), fn.ext.c_str());
  int r = prjCacheObject(ref);
  rkMemFree(ref);
  if (r != PRJ_OK) iwmsghndlr(4, NDX_RECACHEFAIL, r);
}

PrjObject* open_sheet(const char* group, int sheet, int which) {
  if (!group) return nullptr;
  Sheet s{};
  s.group = group;
  s.sheet = sheet;
  int n = std::snprintf(s.file, sizeof s.file, "%s.%d", group, sheet);
  if (n < 0 || static_cast<std::size_t>(n) >= sizeof s.file) return nullptr;
  for (;;) {
    PrjObject* obj = iwvfopen(s.file, "wir");
    if (obj) {
      object_props(obj, s.path, &s.time, &s.lib);
      iwstatus(group, sheet, 1);
      if (!iws.chktime || prjObjMegafile(s.lib)) return obj;
      s.regen = iws.regen[which] && !prjObjReadonly(s.lib) && checker_safe(group);
      bool outdated = source_newer(s) || pinorder_newer(s, iwvfstream(obj));
      if (!outdated || !s.regen) return obj;
      iwvfclose(obj);
      regenerate(s, which);
      continue;
    }
    if (iws.unreadable) return nullptr;
    if (iws.chktime) {
      int lib;
      if (iwfinfo(s.file, "sch", nullptr, nullptr, &lib)) {
        if (iws.regen[which] && !prjObjReadonly(lib) && checker_safe(group)) {
          regenerate(s, which);
          continue;
        }
        iwmsghndlr(4, NDX_NOWIRELIST, s.file);
        iwmsghndlr(12, NDX_NOWIRSCH);
        if (!checker_safe(group)) iwmsghndlr(12, NDX_UNSAFENAME, group);
      }
    }
    iwstatus(nullptr, 0, 1);
    return nullptr;
  }
}

PrjObject* copy_wirelist(PrjProject* project, const char* from, const char* to, const char* name,
                         int number) {
  int status = 0;
  PrjObject* obj = prjOpenObj(project, from, name, number, 0, 1, &status);
  if (!obj || status != PRJ_OK) return nullptr;
  return prjCopyObj(obj, project, to, 0, 0, 1) == PRJ_OK ? obj : nullptr;
}

}  // namespace

PrjObject* iwfinfo(const char* name, const char* kind, char* path, long* time, int* library) {
  return file_info(name, kind, 0, path, time, library);
}

PrjObject* iwvarfinfo(const char* name, char* path, long* time, int* library) {
  return file_info(name, nullptr, prjGetClassId(nullptr, "prjClassDLYBIN"), path, time, library);
}

PrjObject* iwvfopen(const char* name, const char* kind) {
  iws.unreadable = false;
  PrjObject* obj = open_object(name, kind, 0, nullptr);
  if (!obj) return nullptr;
  int status;
  std::FILE* stream = prjObjGetFilePtr(obj, 0, &status);
  if (!stream) {
    // The store found the file, so it exists: say why it cannot be read
    // rather than letting it pass for missing.
    char path[iw::kFileName];
    object_props(obj, path, nullptr, nullptr);
    int why = 0;
    if (std::FILE* again = rkDufsFopenRead(path, &why)) std::fclose(again);
    iwmsghndlr(4, NDX_CANTREAD, kind_word(kind), path, rkDufsWhy(why ? why : EIO));
    iws.unreadable = true;
    prjCloseObj(obj, 0);
    return nullptr;
  }
  prjObjSetUserData(obj, stream);
  return obj;
}

std::FILE* iwvfstream(PrjObject* obj) { return static_cast<std::FILE*>(prjObjGetUserData(obj)); }

int iwvfclose(PrjObject* obj) {
  if (!obj) return PRJ_INVALID;
  prjObjSetUserData(obj, nullptr);
  return prjCloseObj(obj, 0);
}

std::FILE* iwfopen(const char* name, const char* kind) {
  char path[iw::kFileName];
  return open_path(iwfinfo(name, kind, path, nullptr, nullptr), path);
}

std::FILE* iwvarfopen(const char* name) {
  char path[iw::kFileName];
  return open_path(iwvarfinfo(name, path, nullptr, nullptr), path);
}

std::FILE* iwfileinfo(const char* name, const char* kind, char* path, long* time, int* access,
                      int open) {
  char found[iw::kFileName];
  int lib = 0;
  PrjObject* obj = iwfinfo(name, kind, found, time, &lib);
  if (path) std::strcpy(path, found);
  if (access) {
    *access = !obj                  ? -1
              : prjObjWritable(lib) ? 1
              : prjObjReadonly(lib) ? 6
              : prjObjMegafile(lib) ? 11
                                    : -1;
  }
  return open == 1 ? open_path(obj, found) : nullptr;
}

std::FILE* iwfileopen(const char* path, const char* mode) {
  if (!path || !mode) return nullptr;
  return mode[0] == 'r' && !std::strchr(mode, '+') ? rkDufsFopenRead(path) : std::fopen(path, mode);
}

long iwftime(const char* path) { return pxFtime(path); }

PrjObject* iwvopen(const char* name, int sheet) { return open_sheet(name, sheet, kRegenVopen); }

std::FILE* iwopen(const char* name, int sheet) {
  PrjObject* obj = open_sheet(name, sheet, kRegenOpen);
  if (!obj) return nullptr;
  char path[iw::kFileName];
  object_props(obj, path, nullptr, nullptr);
  iwvfclose(obj);
  return open_path(obj, path);
}

int iwchksch(const char* name, int sheet) {
  if (!checker_safe(name)) {
    iwmsghndlr(2, NDX_UNSAFENAME, name ? name : "");
    return 1;
  }
  for (;;) {
    RkCommand cmd;
    rkRunProgram(&cmd, iws.checker.c_str());
    rkRunText(&cmd, "-s");
    rkRunName(&cmd, nullptr, (std::string(name) + "." + std::to_string(sheet)).c_str());
    if (rkStrIcmp(cmd.text.c_str(), iws.lastcmd.c_str()) != 0) {
      iwstatus(name, sheet, 4);
      if (iws.statstream && iws.statmode != 0) std::fputs("\n", iws.statstream);
      // Only a wirelist that is up to date afterwards counts, not the status.
      rkRunCommand(cmd);
      iws.lastcmd = cmd.text;
      return 0;
    }
    // The same command again: the last run did not help.
    if (!iws.retry) {
      iws.retry = true;
      std::string path = trusted_checker();
      if (!path.empty()) {
        iws.checker = path;
        continue;
      }
    }
    iwmsghndlr(2, NDX_REGENFAIL, name, sheet);
    iwmsghndlr(10, NDX_REGENHINT);
    return 1;
  }
}

int iwfexists(PrjProject* project, const char* name, int number) {
  int status = 0;
  PrjObject* obj = prjOpenObj(project, "prjClassWIRELIST", name, number, 0, 1, &status);
  return obj && status == PRJ_OK ? 1 : 0;
}

int iwmvwir_sav(PrjProject* project, const char* name, int number) {
  return copy_wirelist(project, "prjClassWIRELIST", "prjClassWIRELIST_SAV", name, number) ? 1 : 0;
}

int iwmvwir_restore(PrjProject* project, const char* name, int number) {
  return copy_wirelist(project, "prjClassWIRELIST_SAV", "prjClassWIRELIST", name, number) ? 1 : 0;
}

const char* iwparselib(const char* name) {
  if (!name) return iwmkname("");
  const char* p = rkStrBlk(name);
  const char* colon = std::strchr(p, ':');
  if (!colon) return iwmkname("");
  std::string lib(p, colon);
  rkStrUpc(lib.data());
  return iwmkname(lib.c_str());
}

const char* iwparsename(const char* name) {
  if (!name) return nullptr;
  const char* colon = std::strchr(name, ':');
  return colon ? colon + 1 : rkStrBlk(name);
}

const char* iggrpnam(const IwGrp* group) {
  return group && group->name ? iwparsename(group->name) : iwmkname("");
}

const char* iggrplnm(const IwGrp* group) {
  return group && group->name ? iwparselib(group->name) : iwmkname("");
}

int iglibdir(const char* pattern) {
  iws.dirpattern = pattern && *pattern ? pattern : "*";
  int status;
  iws.dirlib = prjFindNextLib(iws.project, 0, iws.dirpattern.c_str(), &status);
  return iws.dirlib != 0;
}

int igdirnxt() {
  if (!iws.dirlib) return 0;
  int status;
  iws.dirlib = prjFindNextLib(iws.project, iws.dirlib, iws.dirpattern.c_str(), &status);
  return iws.dirlib != 0;
}

const char* igdirnam() {
  int status;
  PrjPropValue v = prjGetLibProp(iws.dirlib, PRJ_PROP_PATH, &status);
  if (!v.text) return iwmkname("");
  rkStrUpc(v.text);
  const char* name = iwmkname(v.text);
  rkMemFree(v.text);
  return name;
}

int igdirtyp() {
  if (!iws.dirlib) return -1;
  if (prjGetPrimaryObj(iws.project, nullptr) == iws.dirlib) return 0;
  if (prjObjMegafile(iws.dirlib)) return 11;
  if (prjObjReadonly(iws.dirlib)) return 6;
  if (prjObjWritable(iws.dirlib)) return 1;
  return -1;
}
