// wirelist/iwinit.cc - start-up and settings of the wirelist database.
//
// iwinit sets the initialized flag first, so that the steps after it may
// use operations that need it (message routes, the status line); every
// failure clears the flag again, so a later call starts over.  The
// initialization file is looked for in the working directory, then in the
// directory given with iwsrchmsg, then in the WDIR directories; the
// project store reads its library declarations, and this module reads the
// OATS key from it.
#include "wirelist/iwinit.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "catalogs/nodex.h"
#include "store/prj.h"
#include "store/pxlib.h"
#include "util/rkbus.h"
#include "util/rkdufs.h"
#include "util/rkerr.h"
#include "util/rkmsg.h"
#include "util/rkstr.h"
#include "wirelist/iwgbl.h"
#include "wirelist/iwlib.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwoat.h"
#include "wirelist/iwpld.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"
#include "wirelist/limits.h"

namespace {

constexpr const char* kVersion = "5.3.1";
constexpr const char* kTool = "Drafta";

// The OATS key: "OATS 1" turns cleaning of occurrence-attribute files on,
// any other value off.  The other keys of the file belong to other tools.
void read_ini_keys(std::FILE* f) {
  constexpr const char* kSeparators = " \t\b\r\n\v";
  std::string line;  // at most kIniLine characters of each line
  char word[iw::kIniLine + 1];
  while (rkDufsReadLine(f, &line, iw::kIniLine)) {
    const char* rest = rkStrTok(line.c_str(), kSeparators, word, sizeof word);
    if (!rest || rkStrIcmp(word, "OATS") != 0) continue;
    rest = rkStrTok(rest, kSeparators, word, sizeof word);
    iws.killoat = rest && std::strcmp(word, "1") == 0;
  }
}

// Reports every library the store could not set up.
void report_library_errors(const char* file) {
  const char *lib, *what, *where;
  for (int c = prjNextLibError(iws.project, kTool, 0, &lib, &what, &where); c;
       c = prjNextLibError(iws.project, kTool, c, &lib, &what, &where))
    iwmsghndlr(4, NDX_BADLIB, lib, file, what, where);
}

// Opens the project, finds the initialization file, has the store set up
// the project's libraries from it and reads its keys.
bool open_project() {
  int status = 0;
  PrjProject* project = prjOpenProject(".", nullptr, "", 3, &status);
  if (status != PRJ_OK && status != PRJ_ALREADY_OPEN) {
    iwmsghndlr(4, NDX_NOPROJECT, status);
    return false;
  }
  iws.project = project;
  bool view_ready = status == PRJ_ALREADY_OPEN;

  // A place that has the file but cannot give it (no permission, a
  // directory, a FIFO or a device that would never end) is passed over
  // like an empty one; if no place gives it, that is what is reported.
  std::string unreadable;
  int why = 0;
  auto open_ini = [&](const std::string& path) {
    int w = 0;
    std::FILE* fp = rkDufsFopenRead(path.c_str(), &w);
    if (!fp && w != ENOENT && w != ENOTDIR && unreadable.empty()) {
      unreadable = path;
      why = w;
    }
    return fp;
  };
  std::string found = iws.ininame;
  std::FILE* f = open_ini(found);
  if (!f && !iws.inidir.empty()) {
    char dir[iw::kFileName];
    if (pxMerge(dir, "", iws.inidir.c_str(), "", "") != PX_OK) {
      iwmsghndlr(4, NDX_INIDIR, iws.inidir.c_str());
    } else {
      found = std::string(dir) + iws.ininame;
      f = open_ini(found);
    }
  }
  if (!f) {
    char path[iw::kFileName];
    if (pxSrchwdirs(iws.ininame.c_str(), PX_REGULAR, path) == PX_OK) {
      found = path;
      f = open_ini(found);
    }
  }
  if (!f && !unreadable.empty()) {
    iwmsghndlr(4, NDX_CANTREAD, "initialization", unreadable.c_str(), rkDufsWhy(why));
    return false;
  }
  if (!f) {
    iwmsghndlr(4, NDX_NOINIFILE, "initialization", iws.ininame.c_str());
    if (!iws.inidir.empty()) iwmsghndlr(12, NDX_NOINIDIR, iws.inidir.c_str(), iws.ininame.c_str());
    return false;
  }
  if (!view_ready) {
    int st = prjInitView(project, kTool, found.c_str());
    if (st != PRJ_OK) {
      if (st == PRJ_BAD_INI) iwmsghndlr(4, NDX_BADINI, found.c_str());
      report_library_errors(found.c_str());
      std::fclose(f);
      return false;
    }
  }
  read_ini_keys(f);
  std::fclose(f);
  return true;
}

bool stdout_registered() {
  for (const IwMsgOutput& out : iws.msgout)
    if (out.stream == stdout && out.mask == 7 && out.format == "%s") return true;
  return false;
}

int fail_init() {
  iws.initialized = false;
  iwmsghndlr(4, NDX_INITFAIL);
  return 0;
}

void free_session(void*) { iwsession_reset(); }

}  // namespace

int iwinit() {
  if (iws.initialized) return 1;
  iws.initialized = true;
  iwnewgeneration();

  iwgblinit();
  iws.levels.clear();

  // The reader's delimiter and skip sets and its token buffer are set up
  // by the wirelist reader itself.  The heterogeneous flags, the pin-order
  // list and the design-loaded flag belong to the modules that keep them.
  iwpldreset();
  destroy_grp_table();
  iws.grpref = nullptr;
  iws.topgrp = nullptr;
  iws.busexpand = false;
  iws.cursheet = 0;
  iws.killoat = false;
  iws.chktime = true;

  rkBusExpandRepsep(" ,");
  iwnetreset();
  iwcompreset();
  iwstatln(stdout);
  iwdatapool();
  // A retry after a failed start must not write every message twice.
  if (!stdout_registered()) iwmsgsetup(7, stdout, nullptr);
  iwregmsgdflt();
  // In memory-debugging runs everything the database holds is released at
  // exit, after the catalogs (85), so that what remains is a real leak.
  rkOnExitAdd(free_session, nullptr);
  rkOnExitSetOrder(free_session, nullptr, 90);

  if (!iws.catalog) iwopenmsg(nullptr);

  int r = prjInit(1, kVersion, 0);
  if (r != PRJ_OK && r != PRJ_STARTED) {
    iwmsghndlr(4, NDX_PRJINIT, prjStatusText(r));
    return fail_init();
  }
  if (!open_project()) return fail_init();

  iwnochk_writable(0);
  const char* cache = std::getenv("PRJDIRCACHE");
  if (cache && std::strcmp(cache, "1") == 0) {
    r = prjKbCacheAllLibraries(iws.project, kTool, 255, 1);
    if (r != PRJ_OK) {
      iwmsghndlr(4, NDX_CACHEFAIL, r);
    } else {
      iws.recache = true;
      iws.cacheenabled = true;
    }
  }

  if (!iwoattab()) {
    iwmsghndlr(4, NDX_NOOATTAB);
    return fail_init();
  }

  iws.libs = nullptr;
  iwaddlibs();
  return 1;
}

const char* iwversion() { return kVersion; }

void iwsetini(const char* name) {
  if (name && *name) iws.ininame = name;
}

void iwsrchmsg(const char* directory) {
  if (directory && *directory) iws.inidir = directory;
}

int iwopenmsg(const char* name) {
  if (name && *name) iws.catname = name;
  if (iws.catalog) rkMsgFileClose(iws.catalog);
  iws.catalog = nullptr;
  iws.catalog = rkMsgFileOpen(iws.catname.c_str(), "nodex", "5.2", "5.1.0", nullptr);
  return 1;
}

void iwsetlevel(const char* name) {
  if (!iwinidone("IWSETLEVEL")) return;
  if (!name) {
    iws.levels.clear();
    return;
  }
  std::string level = name;
  rkStrUpc(level.data());
  iws.levels.insert(iws.levels.begin(), std::move(level));
}

const char* iwgetlevel(IwAtt* attributes) {
  for (IwAtt* a = iwgetatt(attributes, "LEVEL"); a && std::strcmp(a->name, "LEVEL") == 0;
       a = a->next) {
    if (!a->value) continue;
    for (const std::string& level : iws.levels)
      if (level == a->value.c_str()) return a->value;
  }
  return nullptr;
}

int iwexpbus() {
  iwinidone("IWEXPBUS");
  iws.busexpand = !iws.busexpand;
  return iws.busexpand ? 1 : 0;
}

int iwchktime() {
  iwinidone("IWCHKTIME");
  iws.chktime = !iws.chktime;
  return iws.chktime ? 1 : 0;
}

int iwrecache() {
  iws.recache = !iws.recache;
  return iws.recache ? 1 : 0;
}

int iwenablecache(int flag) {
  int r = prjKbCacheAllLibraries(iws.project, kTool, 255, flag);
  if (r != PRJ_OK) {
    iwmsghndlr(4, NDX_CACHEFAIL, r);
    return 0;
  }
  iws.recache = iws.cacheenabled = flag == 1;
  return 1;
}

int iwinidone(const char* name) {
  if (iws.initialized) return 1;
  std::fprintf(stderr, "Error: the iwinit() routine must be called before %s.\n", name);
  return 0;
}

int iwnochk_writable(int flag) {
  // Only 0 and 1 are settings; any other value asks for the current one.
  if (flag == 0 || flag == 1) iws.nochkwritable = flag == 1;
  return iws.nochkwritable ? 1 : 0;
}
