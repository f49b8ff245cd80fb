// wirelist/iwmem.h - memory of the wirelist database.
//
// Four kinds of memory:
// - iwalloc/iwfree: plain tagged blocks ("Ndx:iwalloc()").
// - Block pools (iwbinit, iwballoc, iwbfree): records are carved from
//   large blocks and released only with the whole pool.  The data pool
//   (block size 8192) holds every record the readers make, so loading a
//   large design costs one allocation per block, not per record.  Nets,
//   components, attributes and pin arrays each fill blocks of their own
//   (lanes), so that a walk over one kind stays on few pages.
// - Quick buffers (iwqkalloc, iwqkfree, iwqkpurge): scratch buffers kept
//   for reuse by exact size; the readers' name and value buffers.
// - Free lists of the modification API (iwmak* / iwfr*): one per record
//   type and 20 for pin arrays (by pin count 0..18, and one for the rest).
//
// Running out of memory is fatal: "*** Out of Memory ***" on standard
// error and the abort path (iwabort).  The component and net counters
// shown on the status line live here too.
#pragma once

#include "util/rkmem.h"

#include <cstddef>
#include <new>

#include "wirelist/iwobj.h"
#include "wirelist/limits.h"

/// One block of a pool.
struct IwBlock {
  IwBlock* next;     // next block of the pool (newest first)
  char* memory;      // start of the block's bytes
  char* free;        // next free byte
  std::size_t left;  // bytes left after free
  bool mapped;       // carved from the pool's regions (else from rkMemMalloc)
};

/// A block pool.
struct IwPool {
  std::size_t blocksize = 0;  // size of an ordinary block
  IwBlock* blocks = nullptr;  // newest first
  IwBlock* lanes[iw::kPoolLanes] = {};  // block each lane carves from (lane 0 unused)
  IwBlock* laneblocks = nullptr;        // every block of lanes 1.., newest first
  bool live = false;          // false once iwbfree released it
  RkMemRegions regions;       // where ordinary blocks are carved from
};

/// A quick buffer.
struct IwQuick {
  char* buffer;      // the scratch memory
  std::size_t size;  // its exact size
  bool free;         // available for reuse
};

/// A block of size bytes ("Ndx:iwalloc()"); out of memory is fatal.
void* iwalloc(std::size_t size);
/// Releases a block from iwalloc; null is ignored.
void iwfree(void* p);

/// A new pool of the given block size; returns its number (1, 2, ...).
int iwbinit(std::size_t blocksize);
/// size bytes (rounded up to 8) from pool; an unknown pool is message 400
/// and the abort path.  Never null.
void* iwballoc(int pool, std::size_t size);
/// As iwballoc, but ordinary requests of lane (1 ..) are carved only from
/// that lane's blocks, so that records of one type lie side by side.
void* iwballoc(int pool, std::size_t size, int lane);
/// Releases every block of pool and the pool.
void iwbfree(int pool);
/// The number of the data pool, creating it on first use.
int iwdatapool();

/// A record of type T from the data pool, value-initialised.
template <typename T>
T* iwpoolnew(int lane = 0) {
  return new (iwballoc(iwdatapool(), sizeof(T), lane)) T{};
}

/// A scratch buffer of exactly size bytes, first and last byte 0.
char* iwqkalloc(std::size_t size);
/// Marks buffer free again; 217 when it already is, 251 when unknown.
void iwqkfree(char* buffer);
/// Releases every quick buffer.
void iwqkpurge();

/// Records from the free lists (or newly allocated), zeroed, with their
/// type code; null without memory.  iwmaknet's ring points to itself;
/// iwmakgrp names the group (interned, null for none), links it at the
/// head of the reference list and stores it in the group table.
IwAtt* iwmakatt();
IwNet* iwmaknet();
IwPin* iwmakpin(int npins);
IwCom* iwmakcom();
IwSch* iwmaksch();
IwSpn* iwmakspn();
IwSym* iwmaksym();
IwGrp* iwmakgrp(const char* name);

/// Clear a record and put it on its free list; null is ignored.  iwfrpin
/// acts only on the head of a pin array; iwfrgrp destroys the group's net
/// table and iwfrsch the sheet's component table.
void iwfratt(IwAtt* att);
void iwfrnet(IwNet* net);
void iwfrpin(IwPin* head);
void iwfrcom(IwCom* com);
void iwfrsch(IwSch* sch);
void iwfrspn(IwSpn* spn);
void iwfrsym(IwSym* sym);
void iwfrgrp(IwGrp* grp);

/// Empties all free lists.
void iwinitflist();

/// Component and net counters: records made minus records freed.  The
/// i/d forms raise/lower and return the new count.
long iwicompcount();
long iwdcompcount();
long iwcompcount();
void iwcompreset();
long iwinetcount();
long iwdnetcount();
long iwnetcount();
void iwnetreset();

/// Ends the program through the abort path: code 233 writes
/// "*** Out of Memory ***" to standard error, another non-zero code is
/// issued as a message (severity 4) first, 0 gives no message.
[[noreturn]] void iwabort(int code);
