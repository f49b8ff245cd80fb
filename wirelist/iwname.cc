// wirelist/iwname.cc - the interned-name table.
//
// Each bucket is a chain sorted by byte comparison with a tail pointer.
// A new text is compared with the tail first (names often arrive in
// ascending order); otherwise its place is found from the head, or, in a
// bucket longer than kNameIndexThreshold, from an ordered index kept
// beside the chain.  The index only speeds up the search: the chain, its
// order and its counts are exactly what the plain walk would build.
//
// The walk compares the caller's text as given while the stored copy is
// upper-cased, so a caller passing lower-case letters can leave a bucket
// out of byte order.  No index can follow such a bucket; it is marked and
// searched by walking from then on.
#include "wirelist/iwname.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "catalogs/nodex.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwsession.h"

namespace {

// Hash of text, also telling whether it holds ASCII lower-case letters.
std::uint32_t name_hash(const char* text, bool* has_lower) {
  std::uint32_t h = 0;
  bool lower = false;
  for (const char* p = text; *p; ++p) {
    auto c = static_cast<std::int32_t>(static_cast<signed char>(*p));
    if (c >= 'a' && c <= 'z') {
      c -= 32;
      lower = true;
    }
    h = h * 10 + static_cast<std::uint32_t>(c);
  }
  if (has_lower) *has_lower = lower;
  return h;
}

void make_table() {
  std::size_t bytes = sizeof(IwNameEntry*) * iw::kNameBuckets;
  iws.namehead = static_cast<IwNameEntry**>(iwballoc(iwdatapool(), bytes));
  iws.nametail = static_cast<IwNameEntry**>(iwballoc(iwdatapool(), bytes));
  std::memset(iws.namehead, 0, bytes);
  std::memset(iws.nametail, 0, bytes);
  iws.namelen.assign(iw::kNameBuckets, 0);
  iws.nameindex.clear();
  iws.nameindex.resize(iw::kNameBuckets);
  iws.nameunindexed.assign(iw::kNameBuckets, false);
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
void link_after(int b, IwNameEntry* prev, IwNameEntry* e, bool has_lower) {
  IwNameEntry** link = prev ? &prev->next : &iws.namehead[b];
  e->next = *link;
  *link = e;
  if (!e->next) iws.nametail[b] = e;
  ++iws.namelen[b];
  auto& index = iws.nameindex[b];
  if (has_lower) {
    iws.nameunindexed[b] = true;
    index.reset();
  } else if (index) {
    index->insert(e);
  } else if (iws.namelen[b] > iw::kNameIndexThreshold && !iws.nameunindexed[b]) {
    index = std::make_unique<IwNameIndex>();
    for (IwNameEntry* x = iws.namehead[b]; x; x = x->next) index->insert(index->end(), x);
  }
}

}  // namespace

int iwhash(const char* text, int size) {
  if (!text || size <= 0) return 0;
  return static_cast<int>(name_hash(text, nullptr) % static_cast<std::uint32_t>(size));
}

const char* iwmkname(const char* text) {
  if (!text) text = "";
  if (!iws.namehead) make_table();
  bool has_lower = false;
  int b = static_cast<int>(name_hash(text, &has_lower) % iw::kNameBuckets);

  if (!iws.namehead[b]) {
    IwNameEntry* e = new_entry(text);
    link_after(b, nullptr, e, has_lower);
    return e->text;
  }
  IwNameEntry* tail = iws.nametail[b];
  int c = std::strcmp(text, tail->text);
  if (c == 0) return tail->text;
  if (c > 0) {
    IwNameEntry* e = new_entry(text);
    link_after(b, tail, e, has_lower);
    return e->text;
  }

  if (const auto& index = iws.nameindex[b]) {
    auto it = index->lower_bound(text);
    // The tail is greater than text, so there is always a first greater
    // or equal entry.
    if (it != index->end()) {
      if (std::strcmp((*it)->text, text) == 0) return (*it)->text;
      IwNameEntry* prev = it == index->begin() ? nullptr : *std::prev(it);
      IwNameEntry* e = new_entry(text);
      link_after(b, prev, e, has_lower);
      return e->text;
    }
  } else {
    IwNameEntry* prev = nullptr;
    for (IwNameEntry* x = iws.namehead[b]; x; prev = x, x = x->next) {
      int d = std::strcmp(text, x->text);
      if (d == 0) return x->text;
      if (d < 0) {
        IwNameEntry* e = new_entry(text);
        link_after(b, prev, e, has_lower);
        return e->text;
      }
    }
  }
  iwmsghndlr(4, NDX_NAMETABLE, text);
  return "";
}

void iwdelnames() {
  iws.namehead = nullptr;
  iws.nametail = nullptr;
  iws.namelen.clear();
  iws.nameindex.clear();
  iws.nameunindexed.clear();
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
