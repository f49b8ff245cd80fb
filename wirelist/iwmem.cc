// wirelist/iwmem.cc - pools, quick buffers, free lists and counters.
//
// A pool carves requests from its newest blocks.  Only the few newest
// blocks are tried before a new one is taken: older blocks have been
// filled in turn, so searching them all would make loading quadratic in
// the number of blocks for no real saving of memory.
#include "wirelist/iwmem.h"

#include "util/rkerr.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "catalogs/nodex.h"
#include "util/rkerr.h"
#include "util/rkmem.h"
#include "wirelist/iwindex.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwname.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"

namespace {

[[noreturn]] void out_of_memory() { iwabort(NDX_NOMEMORY); }

// A block of size bytes for pool.  Ordinary blocks are carved from the
// pool's regions (one system allocation per few thousand blocks, on huge
// pages where offered); memory debugging tracks every block instead.
IwBlock* make_block(IwPool* pool, std::size_t size) {
  void* raw = nullptr;
  bool mapped = false;
  if (size <= pool->blocksize && !rkMemDebugging()) {
    raw = rkMemRegionTake(&pool->regions, sizeof(IwBlock) + size);
    mapped = raw != nullptr;
  }
  if (!raw) raw = rkMemMalloc(sizeof(IwBlock) + size, "Ndx:i_mkblock()");
  if (!raw) return nullptr;
  auto* b = static_cast<IwBlock*>(raw);
  b->mapped = mapped;
  b->next = nullptr;
  b->memory = reinterpret_cast<char*>(b + 1);
  b->free = b->memory;
  b->left = size;
  return b;
}

void* carve(IwBlock* b, std::size_t size) {
  void* p = b->free;
  b->free += size;
  b->left -= size;
  return p;
}

IwPool* find_pool(int number) {
  if (number < 1 || static_cast<std::size_t>(number) > iws.pools.size()) return nullptr;
  IwPool* p = &iws.pools[static_cast<std::size_t>(number) - 1];
  return p->live ? p : nullptr;
}

template <typename T>
T* make(std::vector<void*>& fl, const char* tag) {
  void* p;
  if (!fl.empty()) {
    p = fl.back();
    fl.pop_back();
  } else {
    p = rkMemMalloc(sizeof(T), tag);
    if (!p) return nullptr;
    iws.heapmade.insert(p);
  }
  return new (p) T{};
}

template <typename T>
void release(std::vector<void*>& fl, T* rec) {
  if (!rec) return;
  *rec = T{};
  fl.push_back(rec);
}

std::vector<IwPin*>& pin_list(std::intptr_t npins) {
  return iws.flpin[std::min<std::intptr_t>(npins, iw::kPinFreeLists - 1)];
}

void empty_list(std::vector<void*>& fl) {
  for (void* p : fl)
    if (iws.heapmade.erase(p)) iwfree(p);
  fl.clear();
}

}  // namespace

void* iwalloc(std::size_t size) {
  void* p = rkMemMalloc(size, "Ndx:iwalloc()");
  if (!p) out_of_memory();
  return p;
}

void iwfree(void* p) { rkMemFree(p); }

int iwbinit(std::size_t blocksize) {
  IwPool pool;
  pool.blocksize = blocksize;
  pool.live = true;
  iws.pools.push_back(pool);
  return static_cast<int>(iws.pools.size());
}

void* iwballoc(int number, std::size_t size) { return iwballoc(number, size, 0); }

void* iwballoc(int number, std::size_t size, int lane) {
  IwPool* pool = find_pool(number);
  if (!pool) {
    iwmsghndlr(4, NDX_NOPOOL, number);
    iwabort(0);
  }
  size = (size + iw::kPoolAlign - 1) / iw::kPoolAlign * iw::kPoolAlign;
  if (size == 0) size = iw::kPoolAlign;
  if (size > pool->blocksize) {
    // A block of its own, kept behind the newest block so that the block
    // with room stays first.
    IwBlock* b = make_block(pool, size);
    if (!b) out_of_memory();
    if (pool->blocks) {
      b->next = pool->blocks->next;
      pool->blocks->next = b;
    } else {
      pool->blocks = b;
    }
    return carve(b, size);
  }
  if (lane > 0 && lane < iw::kPoolLanes) {
    IwBlock*& current = pool->lanes[lane];
    if (!current || current->left < size) {
      IwBlock* b = make_block(pool, pool->blocksize);
      if (!b) out_of_memory();
      b->next = pool->laneblocks;
      pool->laneblocks = b;
      current = b;
    }
    return carve(current, size);
  }
  int tried = 0;
  for (IwBlock* b = pool->blocks; b && tried < iw::kPoolSearchBlocks; b = b->next, ++tried)
    if (b->left >= size) return carve(b, size);
  std::size_t blocksize = pool->blocksize;
  IwBlock* b;
  while (!(b = make_block(pool, blocksize))) {
    blocksize /= 2;
    if (blocksize < size) out_of_memory();
  }
  b->next = pool->blocks;
  pool->blocks = b;
  return carve(b, size);
}

void iwbfree(int number) {
  IwPool* pool = find_pool(number);
  if (!pool) return;
  for (IwBlock* list : {pool->blocks, pool->laneblocks})
    for (IwBlock* b = list; b;) {
      IwBlock* next = b->next;
      if (!b->mapped) rkMemFree(b);
      b = next;
    }
  rkMemRegionRelease(&pool->regions);
  pool->blocks = nullptr;
  pool->laneblocks = nullptr;
  for (IwBlock*& b : pool->lanes) b = nullptr;
  pool->live = false;
  if (iws.datapool == number) iws.datapool = 0;
}

int iwdatapool() {
  if (iws.datapool == 0) iws.datapool = iwbinit(iw::kDataBlockSize);
  return iws.datapool;
}

char* iwqkalloc(std::size_t size) {
  char* buffer = nullptr;
  for (IwQuick& q : iws.quick) {
    if (q.free && q.size == size) {
      q.free = false;
      buffer = q.buffer;
      break;
    }
  }
  if (!buffer) {
    buffer = static_cast<char*>(iwalloc(size));
    iws.quick.push_back(IwQuick{buffer, size, false});
  }
  if (size > 0) {
    buffer[0] = '\0';
    buffer[size - 1] = '\0';
  }
  return buffer;
}

void iwqkfree(char* buffer) {
  // Newest first: buffers are mostly given back in reverse order.
  for (auto q = iws.quick.rbegin(); q != iws.quick.rend(); ++q) {
    if (q->buffer != buffer) continue;
    if (q->free)
      iwmsghndlr(2, NDX_QKFREEAGAIN);
    else
      q->free = true;
    return;
  }
  iwmsghndlr(4, NDX_QKUNKNOWN);
}

void iwqkpurge() {
  for (IwQuick& q : iws.quick) iwfree(q.buffer);
  iws.quick.clear();
}

IwAtt* iwmakatt() { return make<IwAtt>(iws.flatt, "Ndx:iwmakatt()"); }

IwNet* iwmaknet() {
  IwNet* net = make<IwNet>(iws.flnet, "Ndx:iwmaknet()");
  if (net) net->pins = net;
  return net;
}

IwPin* iwmakpin(int npins) {
  if (npins < 0 || npins > INT16_MAX) return nullptr;
  std::vector<IwPin*>& fl = pin_list(npins);
  IwPin* head = nullptr;
  for (std::size_t i = fl.size(); i-- > 0;) {
    if (fl[i]->npins == npins) {
      head = fl[i];
      fl.erase(fl.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  }
  if (!head) {
    head = static_cast<IwPin*>(
        rkMemMalloc((static_cast<std::size_t>(npins) + 1) * sizeof(IwPin), "Ndx:iwmakpin()"));
    if (!head) return nullptr;
    iws.heapmade.insert(head);
  }
  new (head) IwPin{};
  head->npins = npins;
  for (int k = 1; k <= npins; ++k) {
    IwPin* pin = new (head + k) IwPin{};
    pin->index = static_cast<std::int16_t>(k);
    pin->atts = nullptr;
    pin->next = nullptr;
  }
  return head;
}

IwCom* iwmakcom() { return make<IwCom>(iws.flcom, "Ndx:iwmakcom()"); }
IwSch* iwmaksch() { return make<IwSch>(iws.flsch, "Ndx:iwmaksch()"); }
IwSpn* iwmakspn() { return make<IwSpn>(iws.flspn, "Ndx:iwmakspn()"); }

IwSym* iwmaksym() {
  IwSym* sym = make<IwSym>(iws.flsym, "Ndx:iwmaksym()");
  if (sym) {
    // Zeroed like every free-list record: number 0, type 0.
    sym->number = 0;
    sym->symtype = 0;
  }
  return sym;
}

IwGrp* iwmakgrp(const char* name) {
  IwGrp* grp = make<IwGrp>(iws.flgrp, "Ndx:iwmakgrp()");
  if (!grp) return nullptr;
  grp->name = name ? iwmkname(name) : nullptr;
  grp->next = iws.grpref;
  iws.grpref = grp;
  store_grp(grp);
  return grp;
}

void iwfratt(IwAtt* att) {
  iwattforget(att);  // a list it headed is gone; its index must not outlive it
  release(iws.flatt, att);
}
void iwfrnet(IwNet* net) { release(iws.flnet, net); }

void iwfrpin(IwPin* head) {
  if (!head || head->index != 0) return;
  std::intptr_t npins = head->npins;
  if (npins < 0) return;
  for (std::intptr_t k = 1; k <= npins; ++k) iwattforget(head[k].atts);
  for (std::intptr_t k = 0; k <= npins; ++k) new (head + k) IwPin{};
  head->npins = npins;
  pin_list(npins).push_back(head);
}

void iwfrcom(IwCom* com) { release(iws.flcom, com); }

void iwfrsch(IwSch* sch) {
  if (!sch) return;
  iwschforget(sch->grp);
  destroy_com_table(sch);
  release(iws.flsch, sch);
}

void iwfrspn(IwSpn* spn) { release(iws.flspn, spn); }
void iwfrsym(IwSym* sym) {
  iwspnforget(sym);
  release(iws.flsym, sym);
}

void iwfrgrp(IwGrp* grp) {
  if (!grp) return;
  iwschforget(grp);
  destroy_net_table(grp);
  release(iws.flgrp, grp);
}

void iwinitflist() {
  for (auto* fl :
       {&iws.flatt, &iws.flnet, &iws.flcom, &iws.flsch, &iws.flspn, &iws.flsym, &iws.flgrp})
    empty_list(*fl);
  for (auto& fl : iws.flpin) {
    for (IwPin* p : fl)
      if (iws.heapmade.erase(p)) iwfree(p);
    fl.clear();
  }
}

long iwicompcount() { return ++iws.compcount; }
long iwdcompcount() { return --iws.compcount; }
long iwcompcount() { return iws.compcount; }
void iwcompreset() { iws.compcount = 0; }
long iwinetcount() { return ++iws.netcount; }
long iwdnetcount() { return --iws.netcount; }
long iwnetcount() { return iws.netcount; }
void iwnetreset() { iws.netcount = 0; }

void iwabort(int code) {
  if (code == NDX_NOMEMORY)
    std::fputs("\n\n*** Out of Memory ***\n", stderr);
  else if (code != 0)
    iwmsghndlr(4, code);
  rkAbort(0);
}
