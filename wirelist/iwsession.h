// wirelist/iwsession.h - process-wide state of the wirelist database.
//
// The database keeps one session per process: the name table, the pools
// and free lists, the group table and group reference list, the reader's
// token buffer and the flags the operations consult.  It is one record,
// iws, so that tests can start from a clean state with iwsession_reset.
#pragma once

#include <memory>
#include <set>
#include <unordered_set>
#include <vector>

#include "wirelist/iwmem.h"
#include "wirelist/iwname.h"
#include "wirelist/iwobj.h"
#include "wirelist/limits.h"

struct RkSymTable;

/// Orders name entries by their texts; also finds an entry by text.
struct IwNameLess {
  using is_transparent = void;
  bool operator()(const IwNameEntry* a, const IwNameEntry* b) const {
    return std::strcmp(a->text, b->text) < 0;
  }
  bool operator()(const IwNameEntry* a, const char* b) const { return std::strcmp(a->text, b) < 0; }
  bool operator()(const char* a, const IwNameEntry* b) const { return std::strcmp(a, b->text) < 0; }
};

/// Ordered index beside a long name bucket.
using IwNameIndex = std::set<IwNameEntry*, IwNameLess>;

struct IwSession {
  // --- name table ---
  IwNameEntry** namehead = nullptr;  // bucket heads (data pool); null until first use
  IwNameEntry** nametail = nullptr;  // bucket tails, the greatest entry of each
  std::vector<int> namelen;          // entries per bucket
  std::vector<std::unique_ptr<IwNameIndex>> nameindex;  // index of long buckets
  std::vector<bool> nameunindexed;                      // bucket whose order no index can follow

  // --- memory ---
  int datapool = 0;            // number of the data pool, 0 before it exists
  std::vector<IwPool> pools;   // pool n is pools[n - 1]
  std::vector<IwQuick> quick;  // quick buffers
  std::vector<void*> flatt, flnet, flcom, flsch, flspn, flsym, flgrp;  // free lists
  std::vector<IwPin*> flpin[iw::kPinFreeLists];                        // pin arrays by pin count
  std::unordered_set<void*> heapmade;  // free-list records that iwalloc'd memory holds

  // --- counters ---
  long compcount = 0;  // components made minus freed
  long netcount = 0;   // nets made minus freed

  // --- groups ---
  RkSymTable* grptab = nullptr;  // group name -> group
  IwGrp* grpref = nullptr;       // group reference list, newest first
  IwGrp* topgrp = nullptr;       // first group made through iwaddgroup
  IwSch* allcompsch = nullptr;   // sheet reached by iwallcomp

  // --- reader ---
  int cursheet = 0;                   // sheet number the readers file objects under
  char token[iw::kTokenBuffer] = {};  // current token
  bool uniquestr = false;             // instance names copied instead of interned

  // --- messages ---
  long msgcount[3] = {};  // notes, warnings, errors issued
};

/// The one session of the process.
extern IwSession iws;

/// Releases everything the session holds and starts a fresh one.
void iwsession_reset();
