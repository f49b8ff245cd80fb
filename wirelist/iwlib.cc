// wirelist/iwlib.cc - the library list of the wirelist database.
#include "wirelist/iwlib.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "store/prj.h"
#include "util/rkmem.h"
#include "util/rkstr.h"
#include "catalogs/nodex.h"
#include "wirelist/immod.h"
#include "wirelist/iwcheck.h"
#include "wirelist/iwfile.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwname.h"
#include "wirelist/iwsession.h"
#include "wirelist/limits.h"

namespace {

void fill_if_empty() {
  if (!iws.libs) iwaddlibs();
}

// The library handle of the file "<group>.<n>" of kind, 0 when not found.
int handle_of(const char* group, int n, const char* kind) {
  char file[iw::kFileName];
  int len = std::snprintf(file, sizeof file, "%s.%d", group, n);
  if (len < 0 || static_cast<std::size_t>(len) >= sizeof file) return 0;
  int handle = 0;
  return iwfinfo(file, kind, nullptr, nullptr, &handle) ? handle : 0;
}

// The library object named name (case ignored), made at the head of the
// list with the name as given when none matches.
IwLib* find_or_make(const char* name) {
  for (IwLib* lib = iws.libs; lib; lib = lib->next)
    if (rkStrIcmp(lib->name, name) == 0) return lib;
  // Library names keep their case: they are not interned, since the name
  // table would store them in upper case.
  std::size_t len = std::strlen(name);
  auto* copy = static_cast<char*>(iwballoc(iwdatapool(), len + 1));
  std::memcpy(copy, name, len + 1);
  IwLib* lib = iwpoolnew<IwLib>();
  lib->name = copy;
  lib->next = iws.libs;
  iws.libs = lib;
  return lib;
}

}  // namespace

IwLib* imclib(const char* name, int* status) {
  *status = 0;
  if (!i_check_name(name, status)) {
    iwmsghndlr(2, NDX_CHKNAME, "imclibgrp");
    return nullptr;
  }
  // The project's libraries come first, so that a name the project knows
  // finds its library, with its store handle.
  fill_if_empty();
  return find_or_make(name);
}

void iwaddlibs() {
  int status;
  for (int h = prjFindNextLib(iws.project, 0, "*", &status); h;
       h = prjFindNextLib(iws.project, h, "*", &status)) {
    PrjPropValue name = prjGetLibProp(h, PRJ_PROP_PATH, &status);
    if (name.text && name.text[0]) find_or_make(name.text)->handle = h;
    rkMemFree(name.text);
  }
}

IwLib* iwgetlibs(IwLib* library) {
  if (library) return library->next;
  fill_if_empty();
  return iws.libs;
}

IwLib* ignxlib(int handle) {
  fill_if_empty();
  for (IwLib* lib = iws.libs; lib; lib = lib->next)
    if (lib->handle == handle) return lib;
  return nullptr;
}

int igprjlib(const IwLib* library) { return library ? library->handle : 0; }

IwLib* iggrpown(const IwGrp* group) {
  if (!group || iwobjtype(group) != NX_GROUPS) return nullptr;
  if (group->lib) return iwobjtype(group->lib) == NX_LIBS ? group->lib : nullptr;
  if (!group->name) return nullptr;
  int handle = handle_of(group->name, group->schs ? group->schs->number : 0, "wir");
  if (!handle) handle = handle_of(group->name, group->sym ? group->sym->number : 0, "sym");
  return handle ? ignxlib(handle) : nullptr;
}

const char* iglibnam(const IwLib* library) {
  return library && iwobjtype(library) == NX_LIBS ? library->name : nullptr;
}
