// wirelist/iwgroup.cc - loading a whole design.
//
// The read loop asks iwnextgroup for the next group again and again.  Its
// rule is a walk of the group reference list from the head, passing over
// groups that are done or not to be read, so a plain walk would cost the
// length of the list for every group read: quadratic in a design of
// thousands of groups.  While iwgroup runs, an index beside the list
// keeps only the groups that may still be read, in list order.  New
// groups only ever come in at the head of the list, so each call first
// takes over the groups in front of the head it saw last.  Groups whose
// symbol type is known and is not COMPOSITE or PLDCOMP leave the index
// for good, since a known type does not change while sheets are read;
// groups of unknown type stay, because a later component record may still
// make them COMPOSITE.
//
// The canonical order is made by sorting each list through an array; the
// owner look-ups fill the lazily kept owner fields of the whole design
// in one walk, so later look-ups are immediate.
#include "wirelist/iwgroup.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <list>
#include <string>
#include <unordered_set>
#include <vector>

#include "catalogs/nodex.h"
#include "store/prj.h"
#include "util/rkmem.h"
#include "util/rkstr.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwalias.h"
#include "wirelist/iwfile.h"
#include "wirelist/iwhetero.h"
#include "wirelist/iwindex.h"
#include "wirelist/iwinit.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwparse.h"
#include "wirelist/iwpld.h"
#include "wirelist/iwsession.h"
#include "wirelist/limits.h"

/// The groups iwnextgroup may still choose, in reference-list order.
struct IwNextIndex {
  std::list<IwGrp*> pending;               // candidates, head of the list first
  std::unordered_set<const IwGrp*> known;  // every group taken over so far
};

namespace {

constexpr const char* kTool = "Drafta";

enum class Pick { kDrop, kKeep, kRead };

// What iwnextgroup makes of g: pass over it for good, pass over it for
// now, or read it.  A leaf is completed here.
Pick classify(IwGrp* g) {
  if (iwdone(g)) return Pick::kDrop;
  if (!g->sym || g->sym->symtype == IW_UNKNOWN) return Pick::kKeep;
  int t = g->sym->symtype;
  if (t != IW_COMPOSITE && t != IW_PLDCOMP) return Pick::kDrop;
  if (iwgetlevel(g->sym->atts)) {
    iwcomplete(g);
    return Pick::kDrop;
  }
  return Pick::kRead;
}

IwGrp* next_indexed(IwNextIndex& idx) {
  std::vector<IwGrp*> fresh;
  for (IwGrp* g = iws.grpref; g && !idx.known.count(g); g = g->next) fresh.push_back(g);
  for (IwGrp* g : fresh) idx.known.insert(g);
  idx.pending.insert(idx.pending.begin(), fresh.begin(), fresh.end());
  for (auto it = idx.pending.begin(); it != idx.pending.end();) {
    switch (classify(*it)) {
      case Pick::kDrop:
        it = idx.pending.erase(it);
        break;
      case Pick::kKeep:
        ++it;
        break;
      case Pick::kRead:
        return *it;
    }
  }
  return nullptr;
}

IwGrp* next_walk() {
  for (IwGrp* g = iws.grpref; g; g = g->next)
    if (classify(g) == Pick::kRead) return g;
  return nullptr;
}

// iwnextgroup, also handing out the group chosen.
int next_group(char* buffer, IwGrp** chosen) {
  IwGrp* g = iws.nextindex ? next_indexed(*iws.nextindex) : next_walk();
  *chosen = g;
  if (!g) {
    if (buffer) buffer[0] = '\0';
    return -1;
  }
  if (buffer) {
    rkStrncpyNullTerm(buffer, g->name ? g->name : "", iw::kGroupNameBuffer);
    rkStrUpc(buffer);
  }
  return g->sym->symtype == IW_COMPOSITE ? 1 : 0;
}

// The start sheet of a group as next_group rates it, -1 for none.
int start_sheet(int rating) { return rating < 0 ? -1 : rating == 1 ? 1 : 0; }

// The technology step binds the B_TECH and B_VENDOR attributes of symbols
// to package and technology data.  That data is not part of this system,
// so the step changes nothing.
void bind_technology() {}

// Clears the index pointer however iwgroup ends.
struct IndexScope {
  IwNextIndex index;
  IndexScope() { iws.nextindex = &index; }
  ~IndexScope() { iws.nextindex = nullptr; }
  IndexScope(const IndexScope&) = delete;
  IndexScope& operator=(const IndexScope&) = delete;
};

// --- sorting ----------------------------------------------------------------------------

// The first eight bytes of text as a big-endian number, zero-filled after
// its end: numbers order like strcmp orders those bytes.
std::uint64_t prefix_key(const char* text) {
  std::uint64_t k = 0;
  int i = 0;
  for (; i < 8 && text[i]; ++i) k = (k << 8) | static_cast<unsigned char>(text[i]);
  return i == 0 ? 0 : k << (8 * (8 - i));
}

// Sorts items by key, keeping the order of equal keys: one counting pass
// per key byte, least significant first, skipping bytes all keys share.
template <typename Item>
void radix_sort(Item* items, Item* scratch, std::size_t n) {
  for (int shift = 0; shift < 64; shift += 8) {
    std::size_t count[257] = {};
    for (std::size_t k = 0; k < n; ++k) ++count[((items[k].key >> shift) & 0xff) + 1];
    if (count[((items[0].key >> shift) & 0xff) + 1] == n) continue;
    for (int b = 0; b < 256; ++b) count[b + 1] += count[b];
    for (std::size_t k = 0; k < n; ++k) scratch[count[(items[k].key >> shift) & 0xff]++] = items[k];
    std::copy(scratch, scratch + n, items);
  }
}

// Sorts the list starting at *head by name through an array tagged tag;
// *tail (when given) becomes the last element.  Equal names keep their
// order.  Without memory the list stays as it is.  The names' first
// eight bytes, held beside each element, order almost every pair; only
// runs that share them are compared further, so the sort seldom reaches
// into the name texts scattered over the pool.
template <typename T>
void sort_list(T** head, T** tail, T* T::*next, const char* T::*name, const char* tag) {
  struct Item {
    std::uint64_t key;
    T* obj;
  };
  std::size_t n = 0;
  for (T* p = *head; p; p = p->*next) ++n;
  if (n == 0) return;
  auto* arr = static_cast<Item*>(rkMemMalloc(2 * n * sizeof(Item), tag));
  if (!arr) return;
  auto text = [&](const Item& item) {
    const char* s = item.obj->*name;
    return s ? s : "";
  };
  std::size_t k = 0;
  for (T* p = *head; p; p = p->*next) {
    arr[k].obj = p;
    arr[k].key = prefix_key(text(arr[k]));
    ++k;
  }
  radix_sort(arr, arr + n, n);
  // Equal keys: either the names ended within the eight bytes (equal) or
  // they go on past them and the rest decides.
  for (std::size_t from = 0; from < n;) {
    std::size_t to = from + 1;
    while (to < n && arr[to].key == arr[from].key) ++to;
    if (to - from > 1 && (arr[from].key & 0xff) != 0) {
      // Keys with a last byte hold names of eight bytes or more.
      auto rest = [&](const Item& item) { return item.obj->*name + 8; };
      std::stable_sort(arr + from, arr + to, [&](const Item& a, const Item& b) {
        return std::strcmp(rest(a), rest(b)) < 0;
      });
    }
    from = to;
  }
  for (k = 0; k + 1 < n; ++k) arr[k].obj->*next = arr[k + 1].obj;
  arr[n - 1].obj->*next = nullptr;
  *head = arr[0].obj;
  if (tail) *tail = arr[n - 1].obj;
  rkMemFree(arr);
}

void sort_atts(IwAtt** list) {
  iwattforget(*list);  // relinked by hand
  sort_list<IwAtt>(list, nullptr, &IwAtt::next, &IwAtt::name, "sort att array");
}

// --- owners ----------------------------------------------------------------------------------

void own(IwAtt* list, void* owner) {
  for (IwAtt* a = list; a; a = a->next) a->owner = owner;
}

}  // namespace

// --- loading -------------------------------------------------------------------------------

IwGrp* iwgroup(const char* name) {
  IwGrp* top = iwgroupread(name);
  if (!top) return nullptr;
  iwfix_aliases();
  bind_technology();
  if (iws.combinehetero) iwhetero();
  return top;
}

IwGrp* iwgroupread(const char* name) {
  if (!iwinidone("IWGROUP")) return nullptr;
  // Records are made (and may be freed) from here on, and the design is
  // complete only at the end, however loading ends.
  iwnewgeneration();
  struct NewGeneration {
    ~NewGeneration() { iwnewgeneration(); }
  } at_end;
  if (!name) {
    iwmsghndlr(4, NDX_NOGROUPNAME);
    return nullptr;
  }
  if (iws.recache && iws.cacheenabled) {
    int r = prjKbCacheAllLibraries(iws.project, kTool, 255, 1);
    if (r != PRJ_OK) iwmsghndlr(4, NDX_CACHEFAIL, r);
  }
  char buffer[iw::kGroupNameBuffer];
  rkStrncpyNullTerm(buffer, name, sizeof buffer);
  IndexScope scope;

  IwGrp* top = iwshdone(name, 1);
  IwGrp* chosen = nullptr;
  int start = top ? start_sheet(next_group(buffer, &chosen)) : 1;
  while (start >= 0) {
    for (int sheet = start;; ++sheet) {
      IwGrp* g = iwaddsheet(buffer, sheet);
      if (!g) {
        if (iws.loaderror || sheet <= 1) return nullptr;
        break;  // the sheets of the group end here
      }
      if (sheet == start) {
        iwcomplete(g);
        if (!top) top = g;
      }
      if (sheet < 1) break;  // a single file
    }
    // The file filled the group it was chosen for; should it ever name
    // another one, the chosen group must still not be chosen again.
    if (chosen && !iwdone(chosen)) iwcomplete(chosen);
    start = start_sheet(next_group(buffer, &chosen));
  }
  iws.designloaded = true;
  sort_groups(nullptr);
  return top;
}

IwGrp* iwaddsheet(const char* name, int sheet) {
  if (!name || !*name || sheet < -1) return nullptr;
  if (sheet > iw::kMaxSheets) {
    // Sheet numbers are 16-bit: 32768 would come back as -32768.  Only a
    // sheet that is there is worth a message.
    std::string next = std::string(name) + "." + std::to_string(sheet);
    if (iwfinfo(next.c_str(), "wir", nullptr, nullptr, nullptr))
      iwmsghndlr(4, NDX_TOOMANYSHEETS, name, iw::kMaxSheets, sheet);
    return nullptr;
  }
  // The file name as messages show it; the look-up refuses names too long
  // for a path, so it is not cut here.
  std::string file = name;
  PrjObject* obj;
  if (sheet <= 0) {
    file.append(sheet < 0 ? ".pld" : ".wir");
    iws.cursheet = 1;
    iwstatus(name, 1, 1);
    obj = iwvfopen(file.c_str(), "wir");
  } else {
    file += '.';
    file += std::to_string(sheet);
    iws.cursheet = sheet;
    obj = iwvopen(name, sheet);
  }
  if (!obj) {
    if (sheet <= 1 && !iws.unreadable) iwmsghndlr(4, NDX_NOWIRELIST, file.c_str());
    return nullptr;
  }
  IwGrp* g = nullptr;
  if (std::FILE* stream = iwvfstream(obj)) {
    std::FILE* saved = iws.input;
    iws.input = stream;
    g = iwparse(name, sheet == 0 ? 1 : 0);
    iws.input = saved;
    if (!g) iws.loaderror = true;
  }
  if (iwvfclose(obj) != PRJ_OK) iwmsghndlr(4, NDX_CLOSEFAIL, file.c_str());
  if (g) iwpldupdate(g, sheet == 0 ? 1 : 0);
  return g;
}

int iwnextgroup(char* buffer) {
  IwGrp* chosen;
  return next_group(buffer, &chosen);
}

void iwcomplete(IwGrp* group) {
  if (!group || !iws.completedset.insert(group).second) return;
  iws.completed.push_back(group);
}

int iwdone(const IwGrp* group) { return group && iws.completedset.count(group) ? 1 : 0; }

void iwdonefree() {
  iws.completed.clear();
  iws.completedset.clear();
}

int iwcombine_hetero(int flag) {
  if (flag == 0 || flag == 1)
    iws.combinehetero = flag == 1;
  else
    iwmsghndlr(4, NDX_BADHETEROFLAG, flag);
  return iws.combinehetero ? 1 : 0;
}

// --- canonical order ---------------------------------------------------------------------

void sort_groups(void*) {
  for (IwGrp* g = iwgetgrp(nullptr); g; g = iwgetgrp(g)) {
    sort_group_nets(g);
    for (IwSch* s = g->schs; s; s = s->next) sort_sch_comps(s);
  }
}

void sort_group_nets(IwGrp* group) {
  if (!group) return;
  sort_list<IwNet>(&group->nets, &group->lastnet, &IwNet::next, &IwNet::name, "sort group array");
}

void sort_sch_comps(IwSch* sheet) {
  if (!sheet) return;
  sort_list<IwCom>(&sheet->coms, &sheet->lastcom, &IwCom::next, &IwCom::name, "sortsch array");
}

void sort_obj_atts(void* object) {
  if (!object) return;
  switch (iwobjtype(object)) {
    case NX_PINS: {
      auto* pin = static_cast<IwPin*>(object);
      if (pin->index > 0) sort_atts(&pin->atts);  // a head element holds its component
      break;
    }
    case NX_NETS:
      sort_atts(&static_cast<IwNet*>(object)->atts);
      break;
    case NX_COMPONENTS:
      sort_atts(&static_cast<IwCom*>(object)->atts);
      break;
    case NX_SCHEMATICS:
      sort_atts(&static_cast<IwSch*>(object)->atts);
      break;
    case NX_SYMPINS:
      sort_atts(&static_cast<IwSpn*>(object)->atts);
      break;
    case NX_SYMBOLS:
      sort_atts(&static_cast<IwSym*>(object)->atts);
      break;
    default:
      break;
  }
}

// --- owners and names -------------------------------------------------------------------------

IwSym* igspnown(IwSpn* spn) {
  if (!spn) return nullptr;
  if (spn->owner) return spn->owner;
  for (IwGrp* g = iws.grpref; g; g = g->next) {
    if (!g->sym) {
      iwmsghndlr(2, NDX_NOTMADE, "igspnown: GROUP HAS NO SYMBOL", g->name ? g->name : "");
      return nullptr;
    }
    for (IwSym* sym = g->sym; sym; sym = sym->next)
      for (IwSpn* p = sym->spns; p; p = p->next) p->owner = sym;
  }
  return spn->owner;
}

void* igattown(IwAtt* att) {
  if (!att) return nullptr;
  if (att->owner) return att->owner;
  for (IwGrp* g = iws.grpref; g; g = g->next) {
    for (IwSym* sym = g->sym; sym; sym = sym->next) {
      own(sym->atts, sym);
      for (IwSpn* p = sym->spns; p; p = p->next) own(p->atts, p);
    }
    for (IwSch* s = g->schs; s; s = s->next) {
      own(s->atts, s);
      for (IwCom* c = s->coms; c; c = c->next) {
        own(c->atts, c);
        for (IwPin* p = igcompin(c); p; p = igpincnx(p)) own(p->atts, p);
      }
    }
    for (IwNet* n = g->nets; n; n = n->next) own(n->atts, n);
  }
  return att->owner;
}

const char* igobjnam(const void* object) {
  if (!object) return nullptr;
  switch (iwobjtype(object)) {
    case NX_PINS: {
      const IwSpn* spn = igpinspn(static_cast<const IwPin*>(object));
      return spn ? spn->name : nullptr;
    }
    case NX_NETS:
      return static_cast<const IwNet*>(object)->name;
    case NX_COMPONENTS:
      return igcomnam(static_cast<const IwCom*>(object));
    case NX_SCHEMATICS: {
      const IwGrp* g = static_cast<const IwSch*>(object)->grp;
      return g ? g->name : nullptr;
    }
    case NX_SYMPINS:
      return static_cast<const IwSpn*>(object)->name;
    case NX_SYMBOLS: {
      const IwGrp* g = static_cast<const IwSym*>(object)->grp;
      return g ? g->name : nullptr;
    }
    case NX_GROUPS:
      return static_cast<const IwGrp*>(object)->name;
    case NX_ATTRIBUTES:
      return static_cast<const IwAtt*>(object)->name;
    case NX_LIBS:
      return static_cast<const IwLib*>(object)->name;
    default:
      return nullptr;
  }
}

IwAtt* igobjatt(const void* object) {
  if (!object) return nullptr;
  switch (iwobjtype(object)) {
    case NX_PINS: {
      const auto* pin = static_cast<const IwPin*>(object);
      return pin->index > 0 ? pin->atts : nullptr;
    }
    case NX_NETS:
      return static_cast<const IwNet*>(object)->atts;
    case NX_COMPONENTS:
      return static_cast<const IwCom*>(object)->atts;
    case NX_SCHEMATICS:
      return static_cast<const IwSch*>(object)->atts;
    case NX_SYMPINS:
      return static_cast<const IwSpn*>(object)->atts;
    case NX_SYMBOLS:
      return static_cast<const IwSym*>(object)->atts;
    default:
      return nullptr;
  }
}

int igobjtyp(const void* object) { return object ? iwobjtype(object) : IW_NULLOBJ; }
