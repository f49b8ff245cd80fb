// wirelist/iwname.cc - the interned-name table.
//
// The table is defined as 10061 buckets, each a chain sorted by byte
// comparison with a tail pointer; a new text is compared with the tail,
// then walked to from the head.  What can be observed of it is the text
// returned for a given text and the number of entries per bucket, and for
// upper-case caller texts (everything the tokenizer reads) those do not
// depend on the chain's order: the walk finds the equal entry or adds one.
// So a bucket keeps its entries in any order (newest first) and an
// exact-text hash index finds them, which costs the same whether names
// arrive sorted or not and however many share a bucket.
//
// A caller text holding lower-case letters is different: the walk
// compares it as given while the stored copy is upper-cased, so where the
// walk stops, and whether it adds a second copy of a name, depends on the
// order.  The first such text sorts its bucket once, and from then on that
// bucket is searched by the walk alone, exactly as defined.
#include "wirelist/iwname.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "catalogs/nodex.h"
#include "util/rkassert.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwsession.h"

namespace {

// The bucket hash of text (32 bits, wrapping), with a 64-bit hash of its
// bytes for the index, and whether it holds ASCII lower-case letters.
struct NameHash {
  std::uint32_t bucket = 0;
  std::uint64_t full = 0;
  std::uint64_t home = 0;  // index home: see below
  bool has_lower = false;
};

NameHash hash_name(const char* text) {
  NameHash h;
  std::uint64_t full = 0xcbf29ce484222325ull;
  std::uint64_t before_last = full;
  unsigned last = 0;
  for (const char* p = text; *p; ++p) {
    auto c = static_cast<std::int32_t>(static_cast<signed char>(*p));
    before_last = full;
    last = static_cast<unsigned char>(*p);
    full = (full ^ static_cast<unsigned char>(*p)) * 0x100000001b3ull;
    if (c >= 'a' && c <= 'z') {
      c -= 32;
      h.has_lower = true;
    }
    h.bucket = h.bucket * 10 + static_cast<std::uint32_t>(c);
  }
  h.full = full ^ (full >> 29);
  // Names that differ only in the low bits of their last byte (N1000 to
  // N1007, ...) get neighbouring homes, so that a design's numbered
  // names, made one after the other, share a cache line of the index
  // instead of each missing; at most eight names form such a run.
  std::uint64_t group = before_last ^ (last >> 3);
  h.home = ((group ^ (group >> 29)) * 0x9e3779b97f4a7c15ull >> 24) + (last & 7);
  return h;
}

constexpr std::size_t kFirstSlots = 1024;  // a power of two

void make_table() {
  std::size_t bytes = sizeof(IwNameEntry*) * iw::kNameBuckets;
  iws.namehead = static_cast<IwNameEntry**>(iwballoc(iwdatapool(), bytes));
  iws.nametail = static_cast<IwNameEntry**>(iwballoc(iwdatapool(), bytes));
  std::memset(iws.namehead, 0, bytes);
  std::memset(iws.nametail, 0, bytes);
  iws.namewalked.assign(iw::kNameBuckets, false);
  iws.nameslots.assign(kFirstSlots, IwNameSlot{});
  iws.nameentries.clear();
}

std::uint32_t tag_of(std::uint64_t hash) { return static_cast<std::uint32_t>(hash >> 32); }

// The slot holding the entry equal to text, or the free slot where it
// would go (linear probing from the text's home).
IwNameSlot& find_slot(const NameHash& h, const char* text) {
  std::vector<IwNameSlot>& slots = iws.nameslots;
  std::size_t mask = slots.size() - 1;
  std::uint32_t tag = tag_of(h.full);
  for (std::size_t i = h.home & mask;; i = (i + 1) & mask) {
    IwNameSlot& s = slots[i];
    if (s.entry == 0) return s;
    if (s.tag == tag && std::strcmp(iws.nameentries[s.entry - 1]->text, text) == 0) return s;
  }
}

// Rebuilds the index twice as large; the full hashes are made again
// from the stored texts, which are upper case like the texts indexed.
void grow_slots() {
  std::vector<IwNameSlot> bigger(iws.nameslots.size() * 2);
  std::size_t mask = bigger.size() - 1;
  for (std::size_t k = 0; k < iws.nameentries.size(); ++k) {
    NameHash h = hash_name(iws.nameentries[k]->text);
    std::size_t i = h.home & mask;
    while (bigger[i].entry) i = (i + 1) & mask;
    bigger[i] = IwNameSlot{tag_of(h.full), static_cast<std::uint32_t>(k + 1)};
  }
  iws.nameslots.swap(bigger);
}

IwNameEntry* new_entry(const char* text) {
  std::size_t n = std::strlen(text);
  auto* copy = static_cast<char*>(iwballoc(iwdatapool(), n + 1));
  for (std::size_t i = 0; i <= n; ++i) {
    char c = text[i];
    copy[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  }
  auto* e = static_cast<IwNameEntry*>(iwballoc(iwdatapool(), sizeof(IwNameEntry)));
  e->text = copy;
  e->next = nullptr;
  return e;
}

// Links e after prev (at the head when prev is null) in bucket b.
void link_after(int b, IwNameEntry* prev, IwNameEntry* e) {
  IwNameEntry** link = prev ? &prev->next : &iws.namehead[b];
  e->next = *link;
  *link = e;
  if (!e->next) iws.nametail[b] = e;
}

// Puts bucket b's chain into byte order, as the walk would have built it
// from upper-case texts, and hands the bucket over to the walk.
void sort_bucket(int b) {
  std::vector<IwNameEntry*> chain;
  for (IwNameEntry* e = iws.namehead[b]; e; e = e->next) chain.push_back(e);
  std::sort(chain.begin(), chain.end(), [](const IwNameEntry* x, const IwNameEntry* y) {
    return std::strcmp(x->text, y->text) < 0;
  });
  IwNameEntry* prev = nullptr;
  iws.namehead[b] = nullptr;
  for (IwNameEntry* e : chain) {
    e->next = nullptr;
    if (prev) {
      prev->next = e;
    } else {
      iws.namehead[b] = e;
    }
    prev = e;
  }
  iws.nametail[b] = prev;
  iws.namewalked[b] = true;
}

// The defined search of a sorted bucket: the tail first, then from the
// head; an unequal text is inserted before the first greater entry.
const char* walk_bucket(int b, const char* text) {
  if (!iws.namehead[b]) {
    IwNameEntry* e = new_entry(text);
    link_after(b, nullptr, e);
    return e->text;
  }
  IwNameEntry* tail = iws.nametail[b];
  int c = std::strcmp(text, tail->text);
  if (c == 0) return tail->text;
  if (c > 0) {
    IwNameEntry* e = new_entry(text);
    link_after(b, tail, e);
    return e->text;
  }
  IwNameEntry* prev = nullptr;
  for (IwNameEntry* x = iws.namehead[b]; x; prev = x, x = x->next) {
    int d = std::strcmp(text, x->text);
    if (d == 0) return x->text;
    if (d < 0) {
      IwNameEntry* e = new_entry(text);
      link_after(b, prev, e);
      return e->text;
    }
  }
  iwmsghndlr(4, NDX_NAMETABLE, text);
  return "";
}

}  // namespace

int iwhash(const char* text, int size) {
  if (!text || size <= 0) return 0;
  return static_cast<int>(hash_name(text).bucket % static_cast<std::uint32_t>(size));
}

IwName iwmkname(const char* text) {
  if (!text) text = "";
  if (!iws.namehead) make_table();
  NameHash h = hash_name(text);
  int b = static_cast<int>(h.bucket % iw::kNameBuckets);
  if (iws.namewalked[b]) return IwName(walk_bucket(b, text));
  if (h.has_lower) {
    sort_bucket(b);
    return IwName(walk_bucket(b, text));
  }
  IwNameSlot& slot = find_slot(h, text);
  if (slot.entry) return IwName(iws.nameentries[slot.entry - 1]->text);
  // The bucket's order is free until it is walked: the new entry goes to
  // the head, which touches no older entry (the tail is set when sorted).
  IwNameEntry* e = new_entry(text);
  e->next = iws.namehead[b];
  iws.namehead[b] = e;
  iws.nameentries.push_back(e);
  slot = IwNameSlot{tag_of(h.full), static_cast<std::uint32_t>(iws.nameentries.size())};
  // At most 70% full, so a probe ends soon and always finds a free slot.
  if (iws.nameentries.size() * 10 > iws.nameslots.size() * 7) grow_slots();
  return IwName(e->text);
}

IwName iwkeptname(const char* text) {
#ifndef NDEBUG
  if (text) {
    auto [copy, made] = iws.keptcopies.try_emplace(text, text);
    rkAssertCheck(copy->second == text, "one copy of each kept name");
    auto [held, fresh] = iws.kepttexts.try_emplace(text, text);
    rkAssertCheck(held->second == text, "one text at each kept name's address");
  }
#endif
  return IwName(text);
}

void iwdelnames() {
  iws.namehead = nullptr;
  iws.nametail = nullptr;
  iws.namewalked.clear();
  iws.nameslots.clear();
  iws.nameentries.clear();
}

void iwnamestats() {
  std::fputs("\nName table distribution statistics:\n", stdout);
  long names = 0, bytes = 0;
  for (int b = 0; b < iw::kNameBuckets; ++b) {
    std::printf("%3d | ", b);
    for (IwNameEntry* e = iws.namehead ? iws.namehead[b] : nullptr; e; e = e->next) {
      std::fputc('X', stdout);
      ++names;
      bytes += static_cast<long>(std::strlen(e->text));
    }
    std::fputc('\n', stdout);
  }
  std::printf("\nTotal names: %ld, bytes: %ld", names, bytes);
}
