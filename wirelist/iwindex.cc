// wirelist/iwindex.cc - indexes beside the database's long lists; see
// iwindex.h for what they promise and who keeps them.
//
// An attribute index holds the elements of its list in list order, cut
// into blocks.  Because an indexed list is sorted by name and then value
// (every value present), the place the defining walk stops at (before the
// first element whose name sorts after, or whose name is equal and value
// sorts at or after) is the lower bound of (name, value) in that order,
// and equal elements keep their list order: a new one goes before them,
// exactly as the walk puts it.  The comparisons read the attributes
// themselves, so an attribute renamed in place makes its index stale; the
// renaming code says so (iwattstale).
//
// Sheets are found by number through a hash of their first sheet of each
// number; pins by position through a deque (ports come in at the head,
// pins made to reach a position at the tail) and by name through a hash
// made on the first look-up by name.
#include "wirelist/iwindex.h"

#include <algorithm>
#include <string>

#include "util/rkassert.h"
#include "wirelist/iwsession.h"

namespace {

bool has_lower(const char* s) {
  for (; *s; ++s)
    if (*s >= 'a' && *s <= 'z') return true;
  return false;
}

// True when a sorts before the place of (name, value): a smaller name, or
// the same name and a smaller value (a null value: the name's start).
bool before(const IwAtt* a, const char* name, const char* value) {
  int c = iwnamecmp(a->name, name);
  if (c != 0) return c < 0;
  return value && std::strcmp(a->value, value) < 0;
}

// A place in an index: block b, element i (b == blocks.size(): the end).
struct Place {
  std::size_t b = 0;
  std::size_t i = 0;
};

// The place of (name, value): the first element not before it.
Place lower_bound(const IwAttIndex& ix, const char* name, const char* value) {
  const auto& blocks = ix.blocks;
  auto bit = std::partition_point(blocks.begin(), blocks.end(), [&](const std::vector<IwAtt*>& blk) {
    return before(blk.back(), name, value);
  });
  Place p;
  p.b = static_cast<std::size_t>(bit - blocks.begin());
  if (p.b == blocks.size()) return p;
  auto eit = std::partition_point(bit->begin(), bit->end(),
                                  [&](const IwAtt* a) { return before(a, name, value); });
  p.i = static_cast<std::size_t>(eit - bit->begin());
  return p;
}

// The element at p, or null at the end.
IwAtt* at(const IwAttIndex& ix, Place p) {
  if (p.b == ix.blocks.size()) return nullptr;
  return ix.blocks[p.b][p.i];
}

// The element before p, or null at the start.
IwAtt* before_place(const IwAttIndex& ix, Place p) {
  if (p.b < ix.blocks.size() && p.i > 0) return ix.blocks[p.b][p.i - 1];
  return p.b > 0 ? ix.blocks[p.b - 1].back() : nullptr;
}

// The place after p.
Place next_place(const IwAttIndex& ix, Place p) {
  if (++p.i == ix.blocks[p.b].size()) {
    ++p.b;
    p.i = 0;
  }
  return p;
}

void drop_att(const IwAtt* head) { iws.attindex.erase(head); }

// Reports that an index no longer matches its list; the caller drops it
// and walks.
void report_stale(const char* what) { rkAssertCheck(false, what); }

}  // namespace

bool iwshortcuts() { return iws.shortcuts; }

void iwsetshortcuts(bool on) {
  iws.shortcuts = on;
  if (on) return;
  iws.attindex.clear();
  iws.schindex.clear();
  iws.spnindex.clear();
  iws.oatindex.clear();
}

// --- attribute lists --------------------------------------------------------------------------

IwAttIndex* iwattindex(const IwAtt* list, const IwAtt* also) {
  auto& map = iws.attindex;
  if (map.empty()) return nullptr;
  if (also && also != list) map.erase(also);
  if (!list) return nullptr;
  auto it = map.find(list);
  if (it == map.end()) return nullptr;
  IwAttIndex* ix = it->second.get();
  return ix->refused ? nullptr : ix;
}

void iwattbuild(IwAtt* list) {
  if (!iws.shortcuts || !list) return;
  auto& slot = iws.attindex[list];
  if (slot) return;  // indexed already, or refused: walked
  slot = std::make_unique<IwAttIndex>();
  IwAttIndex& ix = *slot;
  const IwAtt* prev = nullptr;
  for (IwAtt* a = list; a; prev = a, a = a->next) {
    // Only a list in the order the walk keeps can be searched by halves.
    if (!a->value || (prev && before(a, prev->name, prev->value))) {
      ix.blocks.clear();
      ix.lowercase = 0;
      ix.refused = true;
      return;
    }
    if (ix.blocks.empty() || ix.blocks.back().size() == iw::kAttBlock) {
      ix.blocks.emplace_back();
      ix.blocks.back().reserve(iw::kAttBlock);
    }
    ix.blocks.back().push_back(a);
    if (has_lower(a->value)) ++ix.lowercase;
  }
}

void iwattrehead(const IwAtt* old_head, const IwAtt* new_head) {
  auto& map = iws.attindex;
  if (map.empty() || old_head == new_head) return;
  auto node = map.extract(old_head);
  if (node.empty()) return;
  if (!new_head) return;  // the list is empty now
  node.key() = new_head;
  map.erase(new_head);
  map.insert(std::move(node));
}

bool iwattinsert(IwAttIndex* ix, IwAtt** list, IwAtt* att) {
  if (!att->value) {
    // A list holding a missing value is not in an order halves can find
    // places in; from now on it is walked.
    ix->blocks.clear();
    ix->lowercase = 0;
    ix->refused = true;
    return false;
  }
  Place p = lower_bound(*ix, att->name, att->value);
  IwAtt* prev = before_place(*ix, p);
  IwAtt* next = at(*ix, p);
  if ((prev ? prev->next : *list) != next) {
    report_stale("attribute index matches its list");
    drop_att(*list);
    return false;
  }
  if (p.b == ix->blocks.size()) {
    p.b = ix->blocks.empty() ? 0 : ix->blocks.size() - 1;
    if (ix->blocks.empty()) ix->blocks.emplace_back();
    p.i = ix->blocks[p.b].size();
  }
  std::vector<IwAtt*>& blk = ix->blocks[p.b];
  blk.insert(blk.begin() + static_cast<std::ptrdiff_t>(p.i), att);
  if (blk.size() >= 2 * iw::kAttBlock) {
    std::vector<IwAtt*> upper(blk.begin() + static_cast<std::ptrdiff_t>(iw::kAttBlock), blk.end());
    blk.resize(iw::kAttBlock);
    ix->blocks.insert(ix->blocks.begin() + static_cast<std::ptrdiff_t>(p.b) + 1, std::move(upper));
  }
  if (has_lower(att->value)) ++ix->lowercase;
  att->next = next;
  if (prev) {
    prev->next = att;
  } else {
    IwAtt* old = *list;
    *list = att;
    iwattrehead(old, att);
  }
  return true;
}

int iwattremove(IwAttIndex* ix, IwAtt** list, IwAtt* att) {
  if (!att || !att->value) return 0;  // an indexed list holds no missing value
  Place p = lower_bound(*ix, att->name, att->value);
  for (;;) {
    IwAtt* e = at(*ix, p);
    if (!e || iwnamecmp(e->name, att->name) != 0 || std::strcmp(e->value, att->value) != 0)
      return 0;
    if (e == att) break;
    p = next_place(*ix, p);
  }
  IwAtt* prev = before_place(*ix, p);
  if ((prev ? prev->next : *list) != att) {
    report_stale("attribute index matches its list");
    drop_att(*list);
    return -1;
  }
  std::vector<IwAtt*>& blk = ix->blocks[p.b];
  blk.erase(blk.begin() + static_cast<std::ptrdiff_t>(p.i));
  if (blk.empty()) ix->blocks.erase(ix->blocks.begin() + static_cast<std::ptrdiff_t>(p.b));
  if (has_lower(att->value)) --ix->lowercase;
  if (prev) {
    prev->next = att->next;
  } else {
    IwAtt* old = *list;
    *list = att->next;
    iwattrehead(old, *list);
  }
  att->next = nullptr;
  return 1;
}

IwAtt* iwattfirst(IwAttIndex* ix, const char* name) {
  IwAtt* a = at(*ix, lower_bound(*ix, name, nullptr));
  return a && iwnamecmp(a->name, name) == 0 ? a : nullptr;
}

bool iwattdup(IwAttIndex* ix, const char* name, const char* value, IwAtt** found) {
  *found = nullptr;
  if (!value) return true;  // an indexed list holds no missing value
  // Values compared without regard to case are equal exactly when their
  // upper-case forms are; with no lower-case value in the list, the one
  // to find is then the first whose value is the upper-case form.
  if (ix->lowercase > 0) return false;
  std::string upper;
  if (has_lower(value)) {
    upper = value;
    for (char& c : upper)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    value = upper.c_str();
  }
  IwAtt* a = at(*ix, lower_bound(*ix, name, value));
  if (a && iwnamecmp(a->name, name) == 0 && std::strcmp(a->value, value) == 0) *found = a;
  return true;
}

void iwattforget(const IwAtt* list) {
  if (list && !iws.attindex.empty()) drop_att(list);
}

void iwattstale() { iws.attindex.clear(); }

// --- sheets --------------------------------------------------------------------------------------

IwSch* iwschfind(IwGrp* group, int number, bool* known) {
  *known = false;
  if (iws.schindex.empty()) return nullptr;
  auto it = iws.schindex.find(group);
  if (it == iws.schindex.end()) return nullptr;
  IwSchIndex& ix = it->second;
  auto hit = ix.bynumber.find(number);
  IwSch* s = hit == ix.bynumber.end() ? nullptr : hit->second;
  if (!ix.tail || ix.tail->next || (s && s->number != number)) {
    report_stale("sheet index matches its list");
    iws.schindex.erase(it);
    return nullptr;
  }
  *known = true;
  return s;
}

bool iwschappend(IwGrp* group, IwSch* sheet) {
  auto it = iws.schindex.find(group);
  if (it == iws.schindex.end()) return false;
  IwSchIndex& ix = it->second;
  ix.tail->next = sheet;
  ix.tail = sheet;
  ix.bynumber.emplace(sheet->number, sheet);
  return true;
}

void iwschbuild(IwGrp* group) {
  if (!iws.shortcuts || !group || !group->schs) return;
  IwSchIndex& ix = iws.schindex[group];
  ix.bynumber.clear();
  for (IwSch* s = group->schs; s; s = s->next) {
    ix.bynumber.emplace(s->number, s);  // the first of a number stays
    ix.tail = s;
  }
}

void iwschforget(const IwGrp* group) {
  if (group && !iws.schindex.empty()) iws.schindex.erase(group);
}

// --- symbol pins -----------------------------------------------------------------------------

IwSpnIndex* iwspnindex(IwSym* sym) {
  if (!sym || iws.spnindex.empty()) return nullptr;
  auto it = iws.spnindex.find(sym);
  if (it == iws.spnindex.end()) return nullptr;
  IwSpnIndex& ix = *it->second;
  if (ix.pins.empty() || ix.pins.front() != sym->spns || ix.pins.back()->next) {
    report_stale("symbol pin index matches its list");
    iws.spnindex.erase(it);
    return nullptr;
  }
  return &ix;
}

IwSpnIndex* iwspnbuild(IwSym* sym) {
  if (!iws.shortcuts || !sym || !sym->spns) return nullptr;
  auto& slot = iws.spnindex[sym];
  slot = std::make_unique<IwSpnIndex>();
  for (IwSpn* s = sym->spns; s; s = s->next) slot->pins.push_back(s);
  return slot.get();
}

IwSpn* iwspnnamed(IwSym* sym, IwSpnIndex* ix, const char* name, bool* stale) {
  *stale = false;
  if (!ix->named) {
    for (IwSpn* s : ix->pins)
      if (s->name) ix->byname.emplace(s->name, s);
    ix->named = true;
  }
  auto it = ix->byname.find(name);
  if (it == ix->byname.end()) return nullptr;
  IwSpn* s = it->second;
  if (!s->name || std::strcmp(s->name, name) != 0) {
    report_stale("symbol pin index matches its list");
    iws.spnindex.erase(sym);
    *stale = true;
    return nullptr;
  }
  return s;
}

void iwspnpushfront(IwSpnIndex* ix, IwSpn* spn) {
  ix->pins.push_front(spn);
  if (ix->named && spn->name) ix->byname[spn->name] = spn;
}

void iwspnpushback(IwSpnIndex* ix, IwSpn* spn) {
  ix->pins.push_back(spn);
  if (ix->named && spn->name) ix->byname.emplace(spn->name, spn);
}

IwSpn* iwspnat(IwSym* sym, int k) {
  if (!sym || k < 1) return nullptr;
  if (IwSpnIndex* ix = iwspnindex(sym))
    return static_cast<std::size_t>(k) <= ix->pins.size() ? ix->pins[static_cast<std::size_t>(k) - 1]
                                                          : nullptr;
  IwSpn* s = sym->spns;
  for (int n = 1; s && n < k; ++n) s = s->next;
  if (k >= iw::kSpnIndexMin) iwspnbuild(sym);
  return s;
}

void iwspnforget(const IwSym* sym) {
  if (sym && !iws.spnindex.empty()) iws.spnindex.erase(sym);
}

IwSpn* iwspnfind(IwSym* sym, const char* name) {
  if (!sym || !name) return nullptr;
  if (IwSpnIndex* ix = iwspnindex(sym)) {
    bool stale = false;
    IwSpn* s = iwspnnamed(sym, ix, name, &stale);
    if (!stale) return s;
  }
  int passed = 0;
  IwSpn* found = nullptr;
  for (IwSpn* s = sym->spns; s; s = s->next, ++passed) {
    if (s->name && std::strcmp(s->name, name) == 0) {
      found = s;
      break;
    }
  }
  if (passed >= iw::kSpnIndexMin) iwspnbuild(sym);
  return found;
}
