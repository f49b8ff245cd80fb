// wirelist/iwoat.cc - the occurrence-attribute table and its merged view.
//
// The table is an array of bucket heads from the data pool, so it lives
// as long as the design; entries are put at the head of their bucket
// (order within a bucket is never observable: path and kind are unique).
// A file of 100,000 entries puts over a hundred in each bucket, so while
// the shortcuts are on (wirelist/iwindex.h) an index by path beside the
// buckets finds them; with the shortcuts off the bucket is walked.
// The merged iterators keep their phase and the occurrence list in the
// session record.
#include "wirelist/iwoat.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "util/rkassert.h"
#include "util/rkstr.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwsession.h"
#include "wirelist/limits.h"

namespace {

std::string upper_name(const char* name) {
  std::string s = name ? name : "";
  rkStrUpc(s.data());
  return s;
}

int count_slot(int kind) {
  switch (kind) {
    case IW_OAT_COM:
      return 0;
    case IW_OAT_PIN:
      return 1;
    case IW_OAT_NET:
      return 2;
  }
  return -1;
}

void index_entry(IwOatEntry* e) {
  iws.oatindex[e->path][static_cast<std::size_t>(count_slot(e->kind))] = e;
}

// The index holds every entry while the shortcuts are on; turning them
// off drops it, and it is made again from the buckets when they are back.
void fill_index() {
  if (iws.oatindex.empty() && iws.oatcount[0] + iws.oatcount[1] + iws.oatcount[2] > 0)
    for (int b = 0; b < iw::kOatBuckets; ++b)
      for (IwOatEntry* e = iws.oattab[b]; e; e = e->next) index_entry(e);
}

IwAtt* occurrence_list(const char* path, int kind) {
  if (!rkAssertCheck(iws.oattab != nullptr, "oattab != NULL", stderr)) return nullptr;
  IwOatEntry* e = iwoatentry(path, kind, 0);
  return e ? e->atts : nullptr;
}

// Which attributes of the object an occurrence list overrides.
enum class Override { ByName, SignalByValue };

bool overridden(const IwAtt* a, Override rule) {
  if (rule == Override::SignalByValue && a->name && std::strcmp(a->name, "SIGNAL") == 0)
    return iwsigatt(iws.oatlist, "SIGNAL", a->value) != nullptr;
  return iwgetatt(iws.oatlist, a->name) != nullptr;
}

// The two phases of a merged iteration: the occurrence list, then the
// object's attributes (next(object, previous)) less those overridden.
template <typename Obj, typename Next>
IwAtt* merged(int kind, const char* path, Obj* obj, Next next, Override rule, int* isoat,
              IwAtt* previous) {
  int unused;
  if (!isoat) isoat = &unused;
  IwAtt* a;
  if (!previous) {
    iws.oatlist = occurrence_list(path, kind);
    iws.oatphase = 1;
    if (iws.oatlist) {
      *isoat = 1;
      return iws.oatlist;
    }
    iws.oatphase = 2;
    a = next(obj, nullptr);
  } else if (iws.oatphase == 1) {
    if (previous->next) {
      *isoat = 1;
      return previous->next;
    }
    iws.oatphase = 2;
    a = next(obj, nullptr);
  } else {
    a = next(obj, previous);
  }
  while (a && overridden(a, rule)) a = next(obj, a);
  *isoat = 0;
  return a;
}

IwAtt* net_next(IwNet* net, IwAtt* previous) {
  if (!net) return nullptr;
  return previous ? previous->next : net->atts;
}

IwAtt* find_occurrence(const char* name, const char* path, int kind, int* isoat) {
  std::string up = upper_name(name);
  IwAtt* a = iwgetatt(occurrence_list(path, kind), up.c_str());
  if (isoat) *isoat = a ? 1 : 0;
  return a;
}

}  // namespace

int iwoathash(const char* path) {
  int h = 0;
  for (const char* p = path ? path : ""; *p; ++p) {
    int c = static_cast<signed char>(*p);
    if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
    h = (h * 10 + c - 48) % iw::kOatBuckets;
  }
  return h < 0 ? h + iw::kOatBuckets : h;
}

int iwoattab() {
  if (iws.oattab) return 1;
  void* mem = iwballoc(iwdatapool(), sizeof(IwOatEntry*) * iw::kOatBuckets);
  if (!mem) return 0;
  iws.oattab = static_cast<IwOatEntry**>(mem);
  std::fill(iws.oattab, iws.oattab + iw::kOatBuckets, nullptr);
  return 1;
}

IwOatEntry* iwoatentry(const char* path, int kind, int create) {
  int slot = count_slot(kind);
  if (!iws.oattab || !path || slot < 0) return nullptr;
  IwOatEntry** bucket = &iws.oattab[iwoathash(path)];
  IwOatEntry* found = nullptr;
  if (iws.shortcuts) {
    fill_index();
    auto it = iws.oatindex.find(path);
    if (it != iws.oatindex.end()) found = it->second[static_cast<std::size_t>(slot)];
  } else {
    for (IwOatEntry* e = *bucket; e && !found; e = e->next)
      if (e->kind == kind && std::strcmp(e->path, path) == 0) found = e;
  }
  if (found || !create) return found;
  std::size_t n = std::strlen(path);
  auto* copy = static_cast<char*>(iwballoc(iwdatapool(), n + 1));
  std::memcpy(copy, path, n + 1);
  rkStrUpc(copy);
  IwOatEntry* e = iwpoolnew<IwOatEntry>();
  e->path = copy;
  e->kind = kind;
  e->next = *bucket;
  *bucket = e;
  ++iws.oatcount[slot];
  if (iws.shortcuts) index_entry(e);
  return e;
}

IwOatEntry* igoatnxt(const IwOatEntry* previous) {
  if (!iws.oattab) return nullptr;
  if (previous && previous->next) return previous->next;
  for (int b = previous ? iwoathash(previous->path) + 1 : 0; b < iw::kOatBuckets; ++b)
    if (iws.oattab[b]) return iws.oattab[b];
  return nullptr;
}

IwAtt* igcomoat(const char* path) { return occurrence_list(path, IW_OAT_COM); }
IwAtt* igpinoat(const char* path) { return occurrence_list(path, IW_OAT_PIN); }
IwAtt* ignetoat(const char* path) { return occurrence_list(path, IW_OAT_NET); }

IwAtt* igocsatt(const char* path, IwCom* component, int* isoat, IwAtt* previous) {
  return merged(IW_OAT_COM, path, component, igcossat, Override::SignalByValue, isoat, previous);
}

IwAtt* igopsatt(const char* path, IwPin* pin, int* isoat, IwAtt* previous) {
  return merged(IW_OAT_PIN, path, pin, igcospat, Override::ByName, isoat, previous);
}

IwAtt* igonatt(const char* path, IwNet* net, int* isoat, IwAtt* previous) {
  return merged(IW_OAT_NET, path, net, net_next, Override::ByName, isoat, previous);
}

IwAtt* ifocsatt(const char* name, const char* path, IwCom* component, int* isoat) {
  if (IwAtt* a = find_occurrence(name, path, IW_OAT_COM, isoat)) return a;
  return ifcossat(name, component);
}

IwAtt* ifopsatt(const char* name, const char* path, IwPin* pin, int* isoat) {
  if (IwAtt* a = find_occurrence(name, path, IW_OAT_PIN, isoat)) return a;
  return ifcospat(name, pin);
}

IwAtt* ifonatt(const char* name, const char* path, IwNet* net, int* isoat) {
  if (IwAtt* a = find_occurrence(name, path, IW_OAT_NET, isoat)) return a;
  if (!net) return nullptr;
  std::string up = upper_name(name);
  return iwgetatt(net->atts, up.c_str());
}

long iwgetcnt(int kind) {
  int slot = count_slot(kind);
  return slot < 0 ? 0 : iws.oatcount[slot];
}
