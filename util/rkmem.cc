// util/rkmem.cc - tagged allocation with optional leak accounting.
//
// The accounting map is only touched in memory-debugging mode, so the
// normal path is plain malloc/free.  Free-list chunks are never returned to
// the system; in debugging mode elements are allocated one by one instead,
// so that every element left over shows up in the report.
#include "util/rkmem.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>

namespace {

struct Block {
  std::size_t size;
  const char* tag;
};

// Process-wide allocator state.
struct MemState {
  int debugging = -1;  // -1 not decided yet, then 0 or 1
  std::unordered_map<void*, Block>* live = nullptr;
  RkMemExhaustedFunc exhausted = nullptr;  // the program's out-of-memory handler
};
MemState mem;

// Fault injection (TSN_ALLOC_FAIL).  Plain fields: operator new may ask
// before any constructor of this file has run.
struct Injection {
  bool read;    // the environment was looked at
  bool armed;   // TSN_ALLOC_FAIL was set
  long target;  // the allocation that fails (0: none, count only)
  long count;   // allocations made so far
};
Injection inject;

// Counting starts when the program installs its handler: what the C++
// runtime allocates before that cannot end a run in an orderly way.
void read_injection() {
  if (inject.read) return;
  inject.read = true;
  const char* v = std::getenv("TSN_ALLOC_FAIL");
  if (!v || !*v) return;
  inject.armed = true;
  inject.target = std::strtol(v, nullptr, 10);
}

// The result of an allocation: a failure calls the handler, which ends
// the program; without one the null goes back to the caller.
void* checked(void* p) {
  if (!p) rkMemExhausted();
  return p;
}

bool debugging() {
  if (mem.debugging < 0) {
    mem.debugging = (std::getenv("RK_MEMDBG") || std::getenv("RK_PURIFY")) ? 1 : 0;
    if (mem.debugging) mem.live = new std::unordered_map<void*, Block>();
  }
  return mem.debugging == 1;
}

void track(void* p, std::size_t size, const char* tag) {
  if (p && debugging()) (*mem.live)[p] = Block{size, tag ? tag : "?"};
}

void untrack(void* p) {
  if (p && debugging()) mem.live->erase(p);
}

constexpr std::size_t kChunkElements = 64;

}  // namespace

void rkMemOnExhausted(RkMemExhaustedFunc fn) {
  mem.exhausted = fn;
  if (fn) read_injection();
}

void rkMemExhausted() {
  if (mem.exhausted) mem.exhausted();
}

bool rkMemInjectedFailure() {
  if (!inject.armed) return false;
  return ++inject.count == inject.target;
}

void rkMemInjectionReport(std::FILE* out) {
  if (inject.armed && inject.target == 0 && out)
    std::fprintf(out, "allocations: %ld\n", inject.count);
}

void* rkMemMalloc(std::size_t size, const char* tag) {
  void* p = rkMemInjectedFailure() ? nullptr : std::malloc(size ? size : 1);
  track(p, size, tag);
  return checked(p);
}

void* rkMemCalloc(std::size_t size, const char* tag) {
  void* p = rkMemInjectedFailure() ? nullptr : std::calloc(1, size ? size : 1);
  track(p, size, tag);
  return checked(p);
}

void* rkMemRealloc(void* p, std::size_t size, const char* tag) {
  // Untrack before the call: the old pointer must not be used afterwards.
  if (p) untrack(p);
  void* q = rkMemInjectedFailure() ? nullptr : std::realloc(p, size ? size : 1);
  if (q) {
    track(q, size, tag);
  } else if (p) {
    track(p, size, tag);  // the old block stays valid and allocated
  }
  return checked(q);
}

void rkMemFree(void* p) {
  if (!p) return;
  untrack(p);
  std::free(p);
}

int rkMemDebugging() { return debugging() ? 1 : 0; }

long rkMemReport(std::FILE* out) {
  if (!debugging()) return 0;
  std::map<std::string, std::pair<long, std::size_t>> by_tag;
  for (const auto& [p, b] : *mem.live) {
    auto& e = by_tag[b.tag];
    e.first += 1;
    e.second += b.size;
  }
  long blocks = static_cast<long>(mem.live->size());
  if (out) {
    std::fprintf(out, "Memory report: %ld block(s) not freed.\n", blocks);
    for (const auto& [tag, e] : by_tag)
      std::fprintf(out, "  %-24s %ld block(s), %zu byte(s)\n", tag.c_str(), e.first, e.second);
  }
  return blocks;
}

void* rkMemFlAlloc(RkMemFreeList* fl) {
  std::size_t size = (fl->size + sizeof(void*) - 1) / sizeof(void*) * sizeof(void*);
  if (debugging()) return rkMemMalloc(size, fl->tag);
  if (!fl->head) {
    char* chunk = static_cast<char*>(
        checked(rkMemInjectedFailure() ? nullptr : std::malloc(size * kChunkElements)));
    if (!chunk) return nullptr;
    for (std::size_t i = 0; i < kChunkElements; ++i) {
      void* e = chunk + i * size;
      std::memcpy(e, &fl->head, sizeof(void*));
      fl->head = e;
    }
  }
  void* e = fl->head;
  std::memcpy(&fl->head, e, sizeof(void*));
  return e;
}

void rkMemFlFree(RkMemFreeList* fl, void* p) {
  if (!p) return;
  if (debugging()) {
    rkMemFree(p);
    return;
  }
  std::memcpy(p, &fl->head, sizeof(void*));
  fl->head = p;
}

// --- regions -------------------------------------------------------------------

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kRegionSize = std::size_t{8} << 20;  // four huge pages

}  // namespace

void* rkMemRegionTake(RkMemRegions* r, std::size_t size) {
  if (!r) return nullptr;
  size = (size + 15) & ~std::size_t{15};
  if (size > kRegionSize) return nullptr;
  if (size > r->left) {
    // Mapped with a huge page of slack, so that the region can start on a
    // huge-page boundary.
    // A region that cannot be had is not the end: the caller falls back
    // to ordinary blocks.
    std::size_t length = kRegionSize + kHugePage;
    void* p = rkMemInjectedFailure() ? MAP_FAILED
                                     : mmap(nullptr, length, PROT_READ | PROT_WRITE,
                                            MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    auto* list = static_cast<RkMemRegions::Region*>(
        rkMemInjectedFailure()
            ? nullptr
            : std::realloc(r->regions, (r->count + 1) * sizeof(RkMemRegions::Region)));
    if (!list) {
      munmap(p, length);
      return nullptr;
    }
    r->regions = list;
    r->regions[r->count++] = {static_cast<char*>(p), length};
    auto start = (reinterpret_cast<std::uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1);
    r->next = reinterpret_cast<char*>(start);
#ifdef MADV_HUGEPAGE
    madvise(r->next, kRegionSize, MADV_HUGEPAGE);  // advice only: failure changes nothing
#endif
    r->left = kRegionSize;
  }
  void* piece = r->next;
  r->next += size;
  r->left -= size;
  return piece;
}

void rkMemRegionRelease(RkMemRegions* r) {
  if (!r) return;
  for (std::size_t i = 0; i < r->count; ++i) munmap(r->regions[i].base, r->regions[i].length);
  std::free(r->regions);
  *r = RkMemRegions{};
}
