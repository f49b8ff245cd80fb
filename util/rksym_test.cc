// util/rksym_test.cc - symbol tables.
#include "util/rksym.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "util/rkmem.h"
#include "util/rkstr.h"

namespace {

void* V(std::intptr_t v) { return reinterpret_cast<void*>(v); }
std::intptr_t I(void* v) { return reinterpret_cast<std::intptr_t>(v); }

RkSymTable* StringTable(int slots) {
  return rkSymCreate(slots, rkSymStHash, rkStrEqu, rkSymStCpy, rkSymStFree);
}

int Collect(void*, void* key, void* keys, void*) {
  static_cast<std::vector<std::string>*>(keys)->push_back(static_cast<const char*>(key));
  return 1;
}

std::vector<std::string> WalkKeys(const RkSymTable* t) {
  std::vector<std::string> keys;
  rkSymLoop(t, Collect, &keys, nullptr);
  return keys;
}

std::string Capture(void (*fn)(const RkSymTable*), const RkSymTable* t) {
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  fn(t);
  std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

// Key i of a family of names differing in their digits ("N0", "N1", ...).
std::string Key(const char* prefix, int i) { return std::string(prefix).append(std::to_string(i)); }

TEST(RkSym, StringHashes) {
  // "AB": 'A' + ('B' << 7).
  EXPECT_EQ(rkSymStHash("AB"), 65u + (66u << 7));
  EXPECT_EQ(rkSymStHash(nullptr), 0u);
  EXPECT_NE(rkSymStHash("ABC"), rkSymStHash("abc"));
  // The shift wraps at 16: the third byte is shifted by 14, the fourth by 5.
  EXPECT_EQ(rkSymStHash("\x01\x01\x01\x01"), 1u + (1u << 7) + (1u << 14) + (1u << 5));
  // "ab": 'a' + ('b' << 1); upper case folds; bytes above 127 are negative.
  EXPECT_EQ(rkSymStIhash("ab"), 97u + (98u << 1));
  EXPECT_EQ(rkSymStIhash("ABC"), rkSymStIhash("abc"));
  EXPECT_EQ(rkSymStIhash("\xff"), 0xffffffffu);
  EXPECT_EQ(rkSymStIhash(nullptr), 0u);
  int x = 0;
  EXPECT_EQ(rkSymPtrHash(&x), static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&x)));
}

TEST(RkSym, StoreFetchRemove) {
  RkSymTable* t = StringTable(7);
  rkSymNotFoundValue(t, V(-1));
  EXPECT_EQ(I(rkSymStore(t, "A", V(1))), -1);
  EXPECT_EQ(I(rkSymStore(t, "A", V(2))), 1);  // replaces, count unchanged
  EXPECT_EQ(rkSymSize(t), 1);
  EXPECT_EQ(I(rkSymFetch(t, "A")), 2);
  EXPECT_EQ(I(rkSymFetch(t, "B")), -1);
  *rkSymFetchAddr(t, "A") = V(5);
  EXPECT_EQ(I(rkSymFetch(t, "A")), 5);
  EXPECT_EQ(rkSymFetchAddr(t, "B"), nullptr);
  EXPECT_EQ(I(rkSymRemove(t, "A")), 5);
  EXPECT_EQ(I(rkSymRemove(t, "A")), -1);
  EXPECT_EQ(rkSymSize(t), 0);
  EXPECT_EQ(rkSymLoop(t, Collect, nullptr, nullptr), 1);  // empty: visits nothing
  rkSymDestroy(t, nullptr);

  // Under a table's own equality no byte hash may decide.
  RkSymTable* folded = rkSymCreate(
      7, rkSymStIhash, [](const char* a, const char* b) { return rkStrIcmp(a, b) == 0 ? 1 : 0; },
      rkSymStCpy, rkSymStFree);
  rkSymStore(folded, "Abc", V(1));
  EXPECT_EQ(I(rkSymFetch(folded, "aBC")), 1);
  rkSymDestroy(folded, nullptr);
}

// Large string tables answer "absent" from bits their keys set.  The
// bits must follow every way a key comes and goes: removal and storing
// again, growth, clearing, and keys replaced through the walk.  Names
// differing only in their digits share string hashes by the thousand, so
// buckets get long; every one must still be found.
TEST(RkSym, LargeTablesFindWhatTheyHoldAfterEveryChange) {
  RkSymTable* t = StringTable(2003);
  rkSymDynamic(t, 2.0, 2.0);
  for (int i = 0; i < 5000; ++i) rkSymStore(t, Key("U", i).c_str(), V(i + 1));
  for (int i = 0; i < 5000; i += 2) EXPECT_EQ(I(rkSymRemove(t, Key("U", i).c_str())), i + 1);
  for (int i = 0; i < 5000; ++i)
    ASSERT_EQ(I(rkSymFetch(t, Key("U", i).c_str())), i % 2 ? i + 1 : 0) << i;
  rkSymStore(t, "U0", V(7));  // stored again after its removal
  EXPECT_EQ(I(rkSymFetch(t, "U0")), 7);

  rkSymClear(t, nullptr);
  EXPECT_EQ(rkSymFetch(t, "U1"), nullptr);
  for (int i = 0; i < 20000; ++i) rkSymStore(t, Key("N", i).c_str(), V(i + 1));
  for (int i = 0; i < 20000; ++i) ASSERT_EQ(I(rkSymFetch(t, Key("N", i).c_str())), i + 1) << i;
  EXPECT_EQ(rkSymFetch(t, "N20000"), nullptr);
  rkSymDestroy(t, nullptr);

  // Replaced keys stay in their buckets: one bucket lets them be found.
  RkSymTable* one = StringTable(1);
  for (int i = 0; i < 1500; ++i) rkSymStore(one, Key("U", i).c_str(), V(i + 1));
  rkSymLoopAddr2(
      one,
      [](void**, void** k, void*, void*) {
        std::string renamed = std::string("R") + static_cast<const char*>(*k);
        rkStrFree(static_cast<char*>(*k));
        *k = rkStrCpy(renamed.c_str());
        return 1;
      },
      nullptr, nullptr);
  EXPECT_EQ(I(rkSymFetch(one, "RU1499")), 1500);
  EXPECT_EQ(rkSymFetch(one, "U1499"), nullptr);
  EXPECT_EQ(I(rkSymStore(one, "RU0", V(8))), 1);  // found, not stored twice
  EXPECT_EQ(rkSymSize(one), 1500);
  rkSymDestroy(one, nullptr);
}

// A string table of fixed size takes its look-up bits at 1,024 entries and
// larger ones when they fill up (at 8,193 entries for 2003 slots): at each
// of those counts and one on either side, every key stored so far is
// found and the next one is not yet.
TEST(RkSym, KeysStayFoundAsTheLookUpBitsComeAndGrow) {
  RkSymTable* t = StringTable(2003);
  const std::set<int> checks = {1023, 1024, 1025, 8192, 8193, 8194};
  for (int i = 1; i <= 8194; ++i) {
    rkSymStore(t, Key("N", i).c_str(), V(i));
    if (!checks.count(i)) continue;
    SCOPED_TRACE(i);
    for (int k = 1; k <= i; ++k) ASSERT_EQ(I(rkSymFetch(t, Key("N", k).c_str())), k) << k;
    EXPECT_EQ(rkSymFetch(t, Key("N", i + 1).c_str()), nullptr);
    EXPECT_EQ(I(rkSymStore(t, Key("N", 1).c_str(), V(1))), 1);  // found, not stored again
    EXPECT_EQ(rkSymSize(t), i);
  }
  rkSymDestroy(t, nullptr);
}

TEST(RkSym, WalkOrderIsSlotsThenNewestFirst) {
  // With 3 slots, "A" (65) and "D" (68) share slot 2, "B" (66) is in 0.
  RkSymTable* t = StringTable(3);
  rkSymStore(t, "A", V(1));
  rkSymStore(t, "B", V(2));
  rkSymStore(t, "D", V(3));
  EXPECT_EQ(WalkKeys(t), (std::vector<std::string>{"B", "D", "A"}));
  EXPECT_EQ(Capture(rkSymDump, t), "\n0:\t*\n2:\t**\n");
  EXPECT_EQ(Capture(rkSymStrDump, t), "\n0:\tB \n2:\tD A \n");

  std::vector<std::string> after;
  EXPECT_EQ(rkSymLoopResume(t, Collect, "D", &after, nullptr), 1);
  EXPECT_EQ(after, std::vector<std::string>{"A"});

  // The values of an array, through its closing null.
  auto ints = [](void** a) {
    return std::vector<std::intptr_t>{I(a[0]), I(a[1]), I(a[2]), I(a[3])};
  };
  void** values = rkSymTableToArray(t, nullptr, nullptr);
  EXPECT_EQ(ints(values), (std::vector<std::intptr_t>{2, 3, 1, 0}));
  void* sorted[4];
  rkSymTableToArray(t, sorted, [](const void* a, const void* b) {
    return std::string(static_cast<const char*>(a)).compare(static_cast<const char*>(b));
  });
  EXPECT_EQ(ints(sorted), (std::vector<std::intptr_t>{1, 2, 3, 0}));
  rkMemFree(values);
  rkSymDestroy(t, nullptr);
}

TEST(RkSym, GrowthFollowsTheSlotRule) {
  RkSymTable* t = StringTable(2003);
  rkSymDynamic(t, 2.0, 2.0);
  for (int i = 0; i < 4006; ++i) rkSymStore(t, Key("N", i).c_str(), nullptr);
  EXPECT_EQ(t->nslots, 2003u);
  rkSymStore(t, "N4006", nullptr);  // 2 * 2003 < 4007
  EXPECT_EQ(t->nslots, 8017u);      // from 8014: 8015 fails on 5

  // The walk after growth: old slots in order, each bucket from its head,
  // each entry pushed onto the head of its new bucket.
  std::vector<std::vector<std::string>> expect(8017);
  RkSymTable* ref = StringTable(2003);
  for (int i = 0; i <= 4006; ++i) rkSymStore(ref, Key("N", i).c_str(), nullptr);
  for (const std::string& k : WalkKeys(ref)) {
    auto& bucket = expect[rkSymStHash(k.c_str()) % 8017];
    bucket.insert(bucket.begin(), k);
  }
  std::vector<std::string> flat;
  for (const auto& b : expect) flat.insert(flat.end(), b.begin(), b.end());
  EXPECT_EQ(WalkKeys(t), flat);
  rkSymDestroy(ref, nullptr);
  rkSymDestroy(t, nullptr);

  // Below 1024 the square root of the primality test is exact:
  // 3 * 3 * 3 * 3 = 81 -> 82 -> 83.
  RkSymTable* small = StringTable(1);
  for (const char* k : {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N"})
    rkSymStore(small, k, nullptr);
  rkSymDynamic(small, 0.1, 5.8);  // 5.8 * 14 = 81.2 -> 81 -> 83
  EXPECT_EQ(small->nslots, 83u);
  rkSymDestroy(small, nullptr);
}

TEST(RkSym, ClearMoveCopyAndEarlyStop) {
  RkSymTable* a = rkSymCreate(5, rkSymPtrHash, rkSymPtrCmp, rkSymReturn, rkSymDummy);
  int k[3];
  for (int i = 0; i < 3; ++i) rkSymStore(a, &k[i], V(i + 10));

  RkSymTable* b = rkSymCreate(5, rkSymPtrHash, rkSymPtrCmp, rkSymReturn, rkSymDummy);
  rkSymCopyAll(b, a, [](void* v) { return V(I(v) * 2); });
  EXPECT_EQ(rkSymSize(a), 3);
  EXPECT_EQ(I(rkSymFetch(b, &k[2])), 24);
  rkSymMoveAll(b, a, nullptr);
  EXPECT_EQ(rkSymSize(a), 0);
  EXPECT_EQ(I(rkSymFetch(b, &k[2])), 12);

  int visits = 0;
  auto count_and_stop = [](void*, void*, void* n, void*) {
    ++*static_cast<int*>(n);
    return 0;
  };
  EXPECT_EQ(rkSymLoop(b, count_and_stop, &visits, nullptr), 0);
  EXPECT_EQ(visits, 1);

  static std::intptr_t freed;
  freed = 0;
  rkSymClear(b, [](void* v) { freed += I(v); });
  EXPECT_EQ(freed, 33);
  EXPECT_EQ(rkSymSize(b), 0);
  rkSymDestroy(a, nullptr);
  rkSymDestroy(b, nullptr);
}

TEST(RkSym, AnalyzeAndForeignDump) {
  RkSymTable* t = rkSymCreate(4, rkSymStIhash, rkStrEqu, rkSymStCpy, rkSymStFree);
  for (const char* k : {"A", "E", "I", "B"})
    rkSymStore(t, k, nullptr);  // 97, 101, 105 share slot 1
  EXPECT_EQ(Capture(rkSymStrDump, t), "Only tables which use rkSymStHash are accepted.\n");
  EXPECT_EQ(Capture([](const RkSymTable* x) { rkSymAnalyze(x, 2); }, t), "0: 2\n1: 1\n2: 1\n");
  rkSymDestroy(t, nullptr);
}

}  // namespace
