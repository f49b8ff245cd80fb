// util/rksym.h - symbol tables: chained hash tables keyed by strings or pointers.
//
// The one associative container of the system.  Reports and files are
// written by walking a table in its own slot order (slot 0 upwards, each
// bucket from its most recently inserted entry), so the hash functions,
// the slot counts and the growth rule below are observable behaviour and
// must not be "improved".
//
// Keys are opaque: the table calls its hash, equality, key-copy and
// key-free functions on them.  Values are one machine word (void*).
// Entries and table records come from fixed-size free lists so that the
// many small tables of the wirelist database do not fragment the heap.
//
// String tables under exact equality (rkStrEqu) carry two aids beside the
// buckets, neither of which changes what a walk visits or in what order:
// each entry keeps a byte hash of its key (check), so a search passes the
// other keys of a crowded bucket without comparing texts, and a table of
// 1,024 entries or more keeps one bit per byte-hash value (seen), so that
// a key never stored is answered "absent" without following its bucket.
// The standard string hash crowds buckets: N0 to N99999 share about 9,000
// values, whatever the slot count.
#pragma once

#include <cstdint>

/// Key to unsigned 32-bit hash.
using RkSymHashFn = std::uint32_t (*)(const void* key);
/// Non-zero when the stored key equals the probe key.
using RkSymEquFn = int (*)(const void* stored, const void* probe);
/// String equality with the signature of rkStrEqu.
using RkSymStrEquFn = int (*)(const char* stored, const char* probe);
/// Makes the key to store from the probe key.
using RkSymKeyCpyFn = void* (*)(const void* key);
/// Releases a stored key.
using RkSymKeyFreeFn = void (*)(void* key);

/// Walk callbacks; returning 0 ends the walk early.
using RkSymLoopFn = int (*)(void* value, void* key, void* user1, void* user2);
using RkSymLoopAddrFn = int (*)(void** value, void* key, void* user1, void* user2);
using RkSymLoopAddr2Fn = int (*)(void** value, void** key, void* user1, void* user2);
/// Value release callbacks of the clear and destroy operations.
using RkSymValueFreeFn = void (*)(void* value);
using RkSymValueFreeAddrFn = void (*)(void** value);
/// Value transfer callback of rkSymMoveAll and rkSymCopyAll: the value to
/// store in the destination.
using RkSymValueCpyFn = void* (*)(void* value);
/// Key order for rkSymTableToArray; <0, 0, >0 like strcmp.
using RkSymKeyCmpFn = int (*)(const void* a, const void* b);

struct RkSymEntry {
  RkSymEntry* next;     // next entry of the same bucket
  void* key;            // stored key (result of the key copy function)
  void* value;          // one machine word
  std::uint32_t check;  // byte hash of a string key under exact equality, else 0
};

struct RkSymGrowth {
  double load;    // grow when load * slots < entries
  double factor;  // new slot count ~ factor * entries
};

struct RkSymTable {
  RkSymHashFn hash;        // key to hash
  RkSymEquFn equ;          // equality on opaque keys, or null
  RkSymStrEquFn strequ;    // equality on string keys (used when equ is null)
  RkSymKeyCpyFn keycpy;    // makes the stored key
  RkSymKeyFreeFn keyfree;  // releases a stored key
  void* notfound;          // returned for absent keys; null at creation
  std::uint32_t nslots;    // number of buckets
  std::uint32_t count;     // number of entries
  RkSymGrowth* growth;     // null, or the automatic growth settings
  RkSymEntry** slots;      // bucket heads
  std::uint64_t* seen;     // string tables of 1,024 entries or more: a bit per byte hash
                           // of a stored key (never cleared), else null
  int seenshift;           // 32 - log2 of the bit count of seen
};

// --- standard key functions ------------------------------------------------

/// Case-sensitive string hash; null hashes to 0.
std::uint32_t rkSymStHash(const void* key);
/// Case-insensitive string hash; null hashes to 0.
std::uint32_t rkSymStIhash(const void* key);
/// Pointer hash: the pointer value itself (low 32 bits).
std::uint32_t rkSymPtrHash(const void* key);
/// Pointer equality.
int rkSymPtrCmp(const void* stored, const void* probe);
/// A fresh copy of a string key (null stays null).
void* rkSymStCpy(const void* key);
/// Frees a key made by rkSymStCpy.
void rkSymStFree(void* key);
/// Keeps the caller's key pointer as the stored key.
void* rkSymReturn(const void* key);
/// Does nothing; the key-free function of tables that do not own keys.
void rkSymDummy(void* key);

// --- tables ------------------------------------------------------------------

/// A new empty table of nslots buckets (at least 1), or null without memory.
RkSymTable* rkSymCreate(int nslots, RkSymHashFn hash, RkSymEquFn equ, RkSymKeyCpyFn keycpy,
                        RkSymKeyFreeFn keyfree);
/// The same for string tables whose equality is rkStrEqu.
RkSymTable* rkSymCreate(int nslots, RkSymHashFn hash, RkSymStrEquFn equ, RkSymKeyCpyFn keycpy,
                        RkSymKeyFreeFn keyfree);

/// Turns automatic growth on with the given settings and applies it at once.
void rkSymDynamic(RkSymTable* t, double load, double factor);

/// Sets the value that fetch and remove return for absent keys.
void rkSymNotFoundValue(RkSymTable* t, void* value);

/// Stores value under key; returns the previous value, or the not-found
/// value for a new key.
void* rkSymStore(RkSymTable* t, const void* key, void* value);

/// The value stored under key, or the not-found value.
void* rkSymFetch(const RkSymTable* t, const void* key);

/// Address of the value stored under key, or null.
void** rkSymFetchAddr(const RkSymTable* t, const void* key);

/// Removes key; returns its value, or the not-found value when absent.
void* rkSymRemove(RkSymTable* t, const void* key);

/// Number of entries (0 for a null table).
int rkSymSize(const RkSymTable* t);

/// Visits every entry in walk order; 1 after all, 0 as soon as fn returns 0.
int rkSymLoop(const RkSymTable* t, RkSymLoopFn fn, void* user1, void* user2);
/// As rkSymLoop, handing the callback the address of each value.
int rkSymLoopAddr(RkSymTable* t, RkSymLoopAddrFn fn, void* user1, void* user2);
/// As rkSymLoop, handing the callback the addresses of value and key.
int rkSymLoopAddr2(RkSymTable* t, RkSymLoopAddr2Fn fn, void* user1, void* user2);
/// Visits the entries that follow the entry of key in walk order (none when
/// key is absent); results as rkSymLoop.
int rkSymLoopResume(const RkSymTable* t, RkSymLoopFn fn, const void* key, void* user1, void* user2);

/// Removes every entry, freeing each key and handing each value to fn.
void rkSymClear(RkSymTable* t, RkSymValueFreeFn fn);
/// As rkSymClear, handing fn the address of each value.
void rkSymClearAddr(RkSymTable* t, RkSymValueFreeAddrFn fn);
/// As rkSymClear, then frees the table itself.
void rkSymDestroy(RkSymTable* t, RkSymValueFreeFn fn);

/// A null-terminated array of the values: sorted by cmp on the keys when
/// cmp is given (ties keep walk order), else in walk order.  Fills array
/// when given (room for size + 1 needed), else allocates it (free with
/// rkMemFree).  Null when memory is exhausted.
void** rkSymTableToArray(const RkSymTable* t, void** array, RkSymKeyCmpFn cmp);

/// Stores every entry of src into dst (value passed through fn when given)
/// in walk order, then empties src.
void rkSymMoveAll(RkSymTable* dst, RkSymTable* src, RkSymValueCpyFn fn);
/// Stores every entry of src into dst (value passed through fn when given)
/// in walk order; src is unchanged.
void rkSymCopyAll(RkSymTable* dst, const RkSymTable* src, RkSymValueCpyFn fn);

/// Lists the table on standard output: a line per non-empty slot with one
/// "*" per entry.
void rkSymDump(const RkSymTable* t);
/// As rkSymDump with the keys instead of stars; only for rkSymStHash tables.
void rkSymStrDump(const RkSymTable* t);
/// Histogram of chain lengths 0..limit on standard output; the last line
/// counts the chains of limit entries or more.
void rkSymAnalyze(const RkSymTable* t, int limit);
