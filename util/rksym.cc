// util/rksym.cc - symbol tables (see rksym.h for the observable rules).
//
// New entries go to the head of their bucket; growth rebuilds the buckets
// by visiting the old slots in order and pushing every entry onto the head
// of its new bucket.  Both rules fix the walk order that reports depend on;
// the growth visit follows sixteen old buckets at a time only to overlap
// their cache misses, and places the entries in exactly that order.
// The slot count after growth is made odd and then raised to the next
// number passing primality_passes(), whose square root is the one of a
// routine that starts its trial bit at 256: above 1023 only divisors up
// to 31 are tried, so "prime" slot counts may be composite (8015 fails on
// 5, 8017 passes).
#include "util/rksym.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "util/rkmem.h"
#include "util/rkstr.h"

namespace {

// Process-wide state of the symbol tables: the free lists of the small
// records.  They only ever grow; freed records are reused.
struct SymState {
  RkMemFreeList entries{sizeof(RkSymEntry), "Hash Entry", nullptr};
  RkMemFreeList tables{sizeof(RkSymTable), "Hash Table", nullptr};
};
SymState sym;

int keys_equal(const RkSymTable* t, const void* stored, const void* probe) {
  if (t->equ) return t->equ(stored, probe);
  return t->strequ(static_cast<const char*>(stored), static_cast<const char*>(probe));
}

std::uint32_t slot_of(const RkSymTable* t, const void* key) { return t->hash(key) % t->nslots; }

// String tables under exact equality also keep a hash of all of each
// key's bytes in its entry.  The standard string hash gives few distinct
// values for names that differ only in their digits (N0 to N99999 share
// about 9,000), so such names pile up in one bucket whatever its size;
// the check lets a search pass them without reading their texts.
bool has_checks(const RkSymTable* t) { return !t->equ && t->strequ == rkStrEqu; }

std::uint32_t check_of(const void* key) {
  std::uint32_t h = 2166136261u;
  if (!key) return 0;
  for (auto* p = static_cast<const unsigned char*>(key); *p; ++p) h = (h ^ *p) * 16777619u;
  return h;
}

void set_check(const RkSymTable* t, RkSymEntry* e) {
  e->check = has_checks(t) ? check_of(e->key) : 0;
}

// String tables also keep one bit per byte-hash value (folded to about
// 32 bits per slot): a key whose bit is clear was never stored, so
// looking up a new name, and storing it, need not follow its bucket,
// which the standard hash crowds with thousands of digit-only variants
// of one name.  Bits are never cleared by removals; a stale bit only
// costs a search.
std::uint32_t seen_bit(const RkSymTable* t, std::uint32_t check) {
  return (check * 2654435769u) >> t->seenshift;  // the product's top bits mix all of check
}

bool maybe_seen(const RkSymTable* t, std::uint32_t check) {
  if (!t->seen) return true;
  std::uint32_t b = seen_bit(t, check);
  return (t->seen[b >> 6] >> (b & 63)) & 1;
}

void mark_seen(const RkSymTable* t, std::uint32_t check) {
  if (!t->seen) return;
  std::uint32_t b = seen_bit(t, check);
  t->seen[b >> 6] |= std::uint64_t{1} << (b & 63);
}

// Tables get their bits once they hold this many entries: the buckets of
// smaller ones are short.
constexpr std::uint32_t kSeenFrom = 1024;

void drop_seen(RkSymTable* t) {
  rkMemFree(t->seen);
  t->seen = nullptr;
  t->seenshift = 0;
}

std::uint64_t seen_bits(const RkSymTable* t) { return std::uint64_t{1} << (32 - t->seenshift); }

// Zeroed bits for nslots slots, or none for a small table or without
// memory (the table then goes on without them).  At least 16 bits per
// entry, so that few absent keys find their bit set.
void alloc_seen(RkSymTable* t, std::uint32_t nslots) {
  drop_seen(t);
  if (!has_checks(t) || t->count < kSeenFrom) return;
  std::uint64_t want = std::max(std::uint64_t{32} * nslots, std::uint64_t{16} * t->count);
  int shift = 32 - 6;  // 64 bits at least, 2^31 at most
  while (shift > 1 && (std::uint64_t{1} << (32 - shift)) < want) --shift;
  t->seen = static_cast<std::uint64_t*>(rkMemCalloc(std::size_t{1} << (32 - shift - 3), "Hash Seen"));
  if (t->seen) t->seenshift = shift;
}

// Gives a table that has just reached kSeenFrom entries its bits, or
// more bits to one whose bits fill up without growth.
void mark_all_seen(RkSymTable* t) {
  alloc_seen(t, t->nslots);
  if (!t->seen) return;
  for (std::uint32_t i = 0; i < t->nslots; ++i)
    for (RkSymEntry* e = t->slots[i]; e; e = e->next) mark_seen(t, e->check);
}

// The entry of key and the link that points at it.
RkSymEntry** find_link(const RkSymTable* t, const void* key) {
  RkSymEntry** link = &t->slots[slot_of(t, key)];
  if (has_checks(t)) {
    std::uint32_t check = check_of(key);
    while (*link && ((*link)->check != check || !keys_equal(t, (*link)->key, key)))
      link = &(*link)->next;
    return link;
  }
  while (*link && !keys_equal(t, (*link)->key, key)) link = &(*link)->next;
  return link;
}

// The entry of key, or null.
RkSymEntry* find_entry(const RkSymTable* t, const void* key) {
  if (has_checks(t) && !maybe_seen(t, check_of(key))) return nullptr;
  return *find_link(t, key);
}

// Integer square root by trial bits 256, 64, 16, 4, 1.  Exact below 1024;
// every larger number comes out as 31.
std::uint32_t small_isqrt(std::uint32_t n) {
  std::uint32_t root = 0;
  for (std::uint32_t bit = 256; bit != 0; bit >>= 2) {
    if (n >= root + bit) {
      n -= root + bit;
      root = (root >> 1) + bit;
    } else {
      root >>= 1;
    }
  }
  return root;
}

bool primality_passes(std::uint32_t n) {
  for (std::uint32_t d = small_isqrt(n); d >= 2; --d)
    if (n % d == 0) return false;
  return true;
}

// The entries in walk order, into order (t->count of them).  Buckets are
// followed kWays at a time, in step, so that the cache misses of
// following them overlap instead of queueing one behind the other.
void walk_order(const RkSymTable* t, RkSymEntry** order) {
  constexpr std::uint32_t kWays = 16;
  std::size_t n = 0;
  for (std::uint32_t base = 0; base < t->nslots; base += kWays) {
    std::uint32_t ways = std::min(kWays, t->nslots - base);
    RkSymEntry* cur[kWays];
    bool more = false;
    for (std::uint32_t k = 0; k < ways; ++k) {
      cur[k] = t->slots[base + k];
      more |= cur[k] != nullptr;
    }
    // Touch every entry, one from each bucket per step.
    while (more) {
      more = false;
      for (std::uint32_t k = 0; k < ways; ++k)
        if (cur[k]) {
          cur[k] = cur[k]->next;
          more |= cur[k] != nullptr;
        }
    }
    // The entries are in cache now: place them bucket by bucket.
    for (std::uint32_t k = 0; k < ways; ++k)
      for (RkSymEntry* e = t->slots[base + k]; e; e = e->next) order[n++] = e;
  }
}

void rebuild(RkSymTable* t, std::uint32_t nslots) {
  auto* slots = static_cast<RkSymEntry**>(rkMemCalloc(nslots * sizeof(RkSymEntry*), "Hash Slots"));
  if (!slots) return;  // keep the old buckets; the table still works
  alloc_seen(t, nslots);
  auto push = [&](RkSymEntry* e) {
    mark_seen(t, e->check);
    RkSymEntry** head = &slots[t->hash(e->key) % nslots];
    e->next = *head;
    *head = e;
  };
  // Each entry goes onto the head of its new bucket in walk order of the
  // old buckets; that order decides the new walk order.
  auto* order = static_cast<RkSymEntry**>(
      rkMemMalloc(t->count * sizeof(RkSymEntry*) + 1, "Hash Rebuild"));
  if (order) {
    walk_order(t, order);
    for (std::uint32_t i = 0; i < t->count; ++i) push(order[i]);
    rkMemFree(order);
  } else {
    for (std::uint32_t i = 0; i < t->nslots; ++i) {
      while (RkSymEntry* e = t->slots[i]) {
        t->slots[i] = e->next;
        push(e);
      }
    }
  }
  rkMemFree(t->slots);
  t->slots = slots;
  t->nslots = nslots;
}

void maybe_grow(RkSymTable* t) {
  if (!t->growth) return;
  if (!(t->growth->load * t->nslots < static_cast<double>(t->count))) return;
  auto n = static_cast<std::uint32_t>(t->growth->factor * t->count);
  if (n % 2 == 0) ++n;
  while (!primality_passes(n)) n += 2;
  rebuild(t, n);
}

RkSymTable* create(int nslots, RkSymHashFn hash, RkSymKeyCpyFn keycpy, RkSymKeyFreeFn keyfree) {
  auto* t = static_cast<RkSymTable*>(rkMemFlAlloc(&sym.tables));
  if (!t) return nullptr;
  std::uint32_t n = nslots > 0 ? static_cast<std::uint32_t>(nslots) : 1;
  auto* slots = static_cast<RkSymEntry**>(rkMemCalloc(n * sizeof(RkSymEntry*), "Hash Slots"));
  if (!slots) {
    rkMemFlFree(&sym.tables, t);
    return nullptr;
  }
  *t = RkSymTable{hash, nullptr, nullptr, keycpy, keyfree, nullptr, n, 0, nullptr, slots, nullptr, 0};
  return t;
}

template <typename Fn>
int walk(const RkSymTable* t, Fn&& visit) {
  if (!t) return 1;
  for (std::uint32_t i = 0; i < t->nslots; ++i) {
    for (RkSymEntry* e = t->slots[i]; e;) {
      RkSymEntry* next = e->next;  // the callback may remove e
      if (!visit(e)) return 0;
      e = next;
    }
  }
  return 1;
}

template <typename Fn>
void clear(RkSymTable* t, Fn&& release) {
  if (!t) return;
  for (std::uint32_t i = 0; i < t->nslots; ++i) {
    while (RkSymEntry* e = t->slots[i]) {
      t->slots[i] = e->next;
      if (t->keyfree) t->keyfree(e->key);
      release(e);
      rkMemFlFree(&sym.entries, e);
    }
  }
  t->count = 0;
  drop_seen(t);
}

}  // namespace

std::uint32_t rkSymStHash(const void* key) {
  if (!key) return 0;
  std::uint32_t h = 0;
  unsigned shift = 0;
  for (auto* p = static_cast<const unsigned char*>(key); *p; ++p) {
    h += static_cast<std::uint32_t>(*p) << (shift & 15);
    shift += 7;
  }
  return h;
}

std::uint32_t rkSymStIhash(const void* key) {
  if (!key) return 0;
  std::uint32_t h = 0;
  auto* s = static_cast<const char*>(key);
  for (std::uint32_t pos = 0; s[pos]; ++pos) {
    auto c = static_cast<std::int32_t>(static_cast<signed char>(s[pos]));
    if (c >= 'A' && c <= 'Z') c += 32;
    h += static_cast<std::uint32_t>(c) << (pos & 7);
  }
  return h;
}

std::uint32_t rkSymPtrHash(const void* key) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(key));
}

int rkSymPtrCmp(const void* stored, const void* probe) { return stored == probe; }

void* rkSymStCpy(const void* key) { return rkStrCpy(static_cast<const char*>(key)); }

void rkSymStFree(void* key) { rkStrFree(static_cast<char*>(key)); }

void* rkSymReturn(const void* key) { return const_cast<void*>(key); }

void rkSymDummy(void*) {}

RkSymTable* rkSymCreate(int nslots, RkSymHashFn hash, RkSymEquFn equ, RkSymKeyCpyFn keycpy,
                        RkSymKeyFreeFn keyfree) {
  RkSymTable* t = create(nslots, hash, keycpy, keyfree);
  if (t) t->equ = equ ? equ : rkSymPtrCmp;
  return t;
}

RkSymTable* rkSymCreate(int nslots, RkSymHashFn hash, RkSymStrEquFn equ, RkSymKeyCpyFn keycpy,
                        RkSymKeyFreeFn keyfree) {
  RkSymTable* t = create(nslots, hash, keycpy, keyfree);
  if (t) t->strequ = equ ? equ : rkStrEqu;
  return t;
}

void rkSymDynamic(RkSymTable* t, double load, double factor) {
  if (!t) return;
  if (!t->growth) {
    t->growth = static_cast<RkSymGrowth*>(rkMemMalloc(sizeof(RkSymGrowth), "Hash Dynamic Info"));
    if (!t->growth) return;
  }
  *t->growth = RkSymGrowth{load, factor};
  maybe_grow(t);
}

void rkSymNotFoundValue(RkSymTable* t, void* value) {
  if (t) t->notfound = value;
}

void* rkSymStore(RkSymTable* t, const void* key, void* value) {
  if (!t) return nullptr;
  void* old = t->notfound;
  RkSymEntry* e = find_entry(t, key);
  if (e) {
    old = e->value;
    if (t->keyfree) t->keyfree(e->key);
  } else {
    e = static_cast<RkSymEntry*>(rkMemFlAlloc(&sym.entries));
    if (!e) return t->notfound;
    RkSymEntry** head = &t->slots[slot_of(t, key)];
    e->next = *head;
    *head = e;
    ++t->count;
  }
  e->value = value;
  e->key = t->keycpy ? t->keycpy(key) : const_cast<void*>(key);
  set_check(t, e);
  if (t->seen ? t->count > seen_bits(t) / 8 : t->count == kSeenFrom)
    mark_all_seen(t);
  else
    mark_seen(t, e->check);
  maybe_grow(t);
  return old;
}

void* rkSymFetch(const RkSymTable* t, const void* key) {
  if (!t) return nullptr;
  RkSymEntry* e = find_entry(t, key);
  return e ? e->value : t->notfound;
}

void** rkSymFetchAddr(const RkSymTable* t, const void* key) {
  if (!t) return nullptr;
  RkSymEntry* e = find_entry(t, key);
  return e ? &e->value : nullptr;
}

void* rkSymRemove(RkSymTable* t, const void* key) {
  if (!t) return nullptr;
  RkSymEntry** link = find_link(t, key);
  RkSymEntry* e = *link;
  if (!e) return t->notfound;
  *link = e->next;
  --t->count;
  if (t->keyfree) t->keyfree(e->key);
  void* value = e->value;
  rkMemFlFree(&sym.entries, e);
  return value;
}

int rkSymSize(const RkSymTable* t) { return t ? static_cast<int>(t->count) : 0; }

int rkSymLoop(const RkSymTable* t, RkSymLoopFn fn, void* user1, void* user2) {
  return walk(t, [&](RkSymEntry* e) { return fn(e->value, e->key, user1, user2); });
}

int rkSymLoopAddr(RkSymTable* t, RkSymLoopAddrFn fn, void* user1, void* user2) {
  return walk(t, [&](RkSymEntry* e) { return fn(&e->value, e->key, user1, user2); });
}

int rkSymLoopAddr2(RkSymTable* t, RkSymLoopAddr2Fn fn, void* user1, void* user2) {
  // The callback may replace keys: their checks are made again.
  int r = walk(t, [&](RkSymEntry* e) { return fn(&e->value, &e->key, user1, user2); });
  walk(t, [&](RkSymEntry* e) {
    set_check(t, e);
    mark_seen(t, e->check);
    return 1;
  });
  return r;
}

int rkSymLoopResume(const RkSymTable* t, RkSymLoopFn fn, const void* key, void* user1,
                    void* user2) {
  if (!t) return 1;
  bool past = false;
  return walk(t, [&](RkSymEntry* e) {
    if (past) return fn(e->value, e->key, user1, user2);
    past = keys_equal(t, e->key, key) != 0;
    return 1;
  });
}

void rkSymClear(RkSymTable* t, RkSymValueFreeFn fn) {
  clear(t, [&](RkSymEntry* e) {
    if (fn) fn(e->value);
  });
}

void rkSymClearAddr(RkSymTable* t, RkSymValueFreeAddrFn fn) {
  clear(t, [&](RkSymEntry* e) {
    if (fn) fn(&e->value);
  });
}

void rkSymDestroy(RkSymTable* t, RkSymValueFreeFn fn) {
  if (!t) return;
  rkSymClear(t, fn);
  rkMemFree(t->slots);
  rkMemFree(t->growth);
  rkMemFlFree(&sym.tables, t);
}

void** rkSymTableToArray(const RkSymTable* t, void** array, RkSymKeyCmpFn cmp) {
  std::size_t n = t ? t->count : 0;
  if (!array) {
    array = static_cast<void**>(rkMemMalloc((n + 1) * sizeof(void*), "Hash Array"));
    if (!array) return nullptr;
  }
  if (!cmp) {
    std::size_t i = 0;
    walk(t, [&](RkSymEntry* e) {
      array[i++] = e->value;
      return 1;
    });
  } else {
    std::vector<RkSymEntry*> entries;
    entries.reserve(n);
    walk(t, [&](RkSymEntry* e) {
      entries.push_back(e);
      return 1;
    });
    std::stable_sort(entries.begin(), entries.end(),
                     [&](RkSymEntry* a, RkSymEntry* b) { return cmp(a->key, b->key) < 0; });
    for (std::size_t i = 0; i < n; ++i) array[i] = entries[i]->value;
  }
  array[n] = nullptr;
  return array;
}

void rkSymMoveAll(RkSymTable* dst, RkSymTable* src, RkSymValueCpyFn fn) {
  if (!dst || !src || dst == src) return;
  rkSymCopyAll(dst, src, fn);
  rkSymClear(src, nullptr);
}

void rkSymCopyAll(RkSymTable* dst, const RkSymTable* src, RkSymValueCpyFn fn) {
  if (!dst || !src || dst == src) return;
  // Stores into dst may grow it but never touch src, so a plain walk is safe.
  walk(src, [&](RkSymEntry* e) {
    rkSymStore(dst, e->key, fn ? fn(e->value) : e->value);
    return 1;
  });
}

void rkSymDump(const RkSymTable* t) {
  if (!t) return;
  for (std::uint32_t i = 0; i < t->nslots; ++i) {
    if (!t->slots[i]) continue;
    std::printf("\n%d:\t", static_cast<int>(i));
    for (RkSymEntry* e = t->slots[i]; e; e = e->next) std::fputs("*", stdout);
  }
  std::fputs("\n", stdout);
}

void rkSymStrDump(const RkSymTable* t) {
  if (!t) return;
  if (t->hash != rkSymStHash) {
    std::fputs("Only tables which use rkSymStHash are accepted.\n", stdout);
    return;
  }
  for (std::uint32_t i = 0; i < t->nslots; ++i) {
    if (!t->slots[i]) continue;
    std::printf("\n%d:\t", static_cast<int>(i));
    for (RkSymEntry* e = t->slots[i]; e; e = e->next)
      std::printf("%s ", e->key ? static_cast<const char*>(e->key) : "");
  }
  std::fputs("\n", stdout);
}

void rkSymAnalyze(const RkSymTable* t, int limit) {
  if (!t || limit < 0) return;
  std::vector<int> histogram(static_cast<std::size_t>(limit) + 1, 0);
  for (std::uint32_t i = 0; i < t->nslots; ++i) {
    int len = 0;
    for (RkSymEntry* e = t->slots[i]; e; e = e->next) ++len;
    ++histogram[static_cast<std::size_t>(std::min(len, limit))];
  }
  for (int len = 0; len <= limit; ++len)
    std::printf("%d: %d\n", len, histogram[static_cast<std::size_t>(len)]);
}
