// util/rkmem.h - the utility library's allocator.
//
// Three kinds of memory, for three kinds of use:
//   - Tagged blocks (rkMemMalloc and friends): every allocation carries a
//     tag naming what it is for ("Hash Entry", "Ndx:iwalloc()", ...).
//     Normally the tag costs nothing; when the environment variable
//     RK_MEMDBG or RK_PURIFY is set at the first allocation, every live
//     block is tracked by tag so that the orderly exit (rkExit) can report
//     what was never freed.
//   - Regions (rkMemRegionTake): large mappings, aligned for huge pages,
//     handed out piece by piece and given back all at once; the wirelist
//     database's record pools carve their blocks from them.  Pieces are
//     not tracked.
//   - Fixed-size free lists (rkMemFlAlloc): the many small records of the
//     symbol tables and the error objects.  Freed elements are kept for
//     reuse and fresh ones are carved from chunks of 64, so small tables do
//     not fragment the heap; in memory-debugging mode every element is a
//     tagged block of its own instead, so that each one left over shows.
//
// Running out of memory: a program installs one handler (rkMemOnExhausted)
// that ends it the way it ends every run; every allocation of this module
// that fails calls it, so no caller ever goes on with a null block.  Only
// without a handler (tests of single modules) does a failure come back as
// null.
//
// Fault injection, for tests of that path: with the environment variable
// TSN_ALLOC_FAIL=N set, allocation number N after the program installed
// its out-of-memory handler fails (counting this module's allocations and
// those of the program's operator new, which asks rkMemInjectedFailure).  N = 0 fails
// nothing and counts: the orderly exit then writes "allocations: M" on
// standard error, the number of allocations the run made.  Without the
// variable the check is one predictable branch.
#pragma once

#include <cstddef>
#include <cstdio>

/// A function that ends the program after memory ran out; it must not
/// return.
using RkMemExhaustedFunc = void (*)();

/// Installs the program's out-of-memory handler (null removes it).
void rkMemOnExhausted(RkMemExhaustedFunc fn);

/// Calls the out-of-memory handler when one is installed (it does not
/// return); returns when there is none.
void rkMemExhausted();

/// True when the injected failure falls on this allocation (see above);
/// every allocator of the program asks once per allocation.
bool rkMemInjectedFailure();

/// In counting mode (TSN_ALLOC_FAIL=0), writes "allocations: M" to out.
void rkMemInjectionReport(std::FILE* out);

/// A block of size bytes, or null when memory is exhausted.
void* rkMemMalloc(std::size_t size, const char* tag);

/// A zero-filled block of size bytes, or null.
void* rkMemCalloc(std::size_t size, const char* tag);

/// Resizes a block from rkMemMalloc (null p allocates); null on failure,
/// the old block then stays valid.
void* rkMemRealloc(void* p, std::size_t size, const char* tag);

/// Releases a block from rkMemMalloc; null is ignored.
void rkMemFree(void* p);

/// 1 when memory debugging (RK_MEMDBG or RK_PURIFY) is on.
int rkMemDebugging();

/// Memory-debugging report: the blocks still allocated, by tag, written to
/// out.  Prints nothing unless memory debugging is on.  Returns the number
/// of blocks still allocated (0 when debugging is off).
long rkMemReport(std::FILE* out);

/// Large regions of memory handed out piece by piece and given back all
/// at once, for the pools that hold a design's records.  The regions are
/// aligned to 2 MiB and, where the system offers it, backed by huge pages:
/// a large design's records are reached in no particular order, and with
/// ordinary pages most of those reaches would first miss the address
/// translation cache.  Pieces are not tracked by memory debugging; callers
/// that must be tracked use rkMemMalloc instead.
struct RkMemRegions {
  struct Region {
    char* base;          // as mapped
    std::size_t length;  // as mapped
  };
  Region* regions = nullptr;  // every region mapped (rkMemMalloc'd array)
  std::size_t count = 0;
  char* next = nullptr;       // free bytes of the newest region
  std::size_t left = 0;
};

/// size bytes (rounded up to 16) from the regions, a new region being
/// mapped when the newest has no room; null when none can be mapped or
/// size exceeds a region.
void* rkMemRegionTake(RkMemRegions* r, std::size_t size);

/// Unmaps every region; the pieces become invalid.
void rkMemRegionRelease(RkMemRegions* r);

/// A free list of elements of one fixed size.
struct RkMemFreeList {
  std::size_t size;  // element size in bytes (rounded up to a pointer)
  const char* tag;   // allocation tag of the chunks
  void* head;        // first free element, linked through its first word
};

/// An element of the list's size (not zeroed), or null.
void* rkMemFlAlloc(RkMemFreeList* fl);

/// Gives an element back to its free list; null is ignored.
void rkMemFlFree(RkMemFreeList* fl, void* p);
