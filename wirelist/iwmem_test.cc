// wirelist/iwmem_test.cc - pools, quick buffers and free lists.
#include "wirelist/iwmem.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "wirelist/iwinit.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"

namespace {

class IwMem : public testing::Test {
 protected:
  // Messages come out on standard output with their catalog texts, as
  // after iwinit.
  void SetUp() override {
    iwsession_reset();
    iwopenmsg(nullptr);
    iws.msgout.push_back({stdout, "%s", 7});
  }
  void TearDown() override { iwsession_reset(); }
};

TEST_F(IwMem, PoolsCarveAlignedPieces) {
  int a = iwbinit(64);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(iwbinit(64), 2);  // pools are numbered from 1 in order
  auto* p = static_cast<char*>(iwballoc(a, 1));
  auto* q = static_cast<char*>(iwballoc(a, 13));
  auto* r = static_cast<char*>(iwballoc(a, 8));
  EXPECT_EQ(q - p, 8);
  EXPECT_EQ(r - q, 16);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 8, 0u);

  // A request above the block size gets a block of its own; the block
  // with room keeps serving small requests.
  auto* big = static_cast<char*>(iwballoc(a, 1000));
  big[999] = 'x';
  EXPECT_EQ(static_cast<char*>(iwballoc(a, 8)) - r, 8);
  // A full block makes way for a new one.
  for (int i = 0; i < 100; ++i) static_cast<char*>(iwballoc(a, 24))[23] = 'y';
  iwbfree(a);
  iwbfree(a);  // a released pool is simply unknown
}

// Each lane fills blocks of its own, whatever the other lanes and the
// plain requests do in between, and a lane's block that is full makes
// way for a new one of that lane only.
TEST_F(IwMem, LanesKeepTheirRecordsSideBySide) {
  int a = iwbinit(64);
  char* last[3] = {};
  for (int i = 0; i < 42; ++i) {
    static_cast<char*>(iwballoc(a, 8))[7] = 'p';  // plain, between lane requests
    for (int lane = 1; lane <= 2; ++lane) {
      auto* p = static_cast<char*>(iwballoc(a, 16, lane));
      p[15] = 'l';
      // Four 16-byte pieces fill a 64-byte block.
      if (i % 4) {
        EXPECT_EQ(p - last[lane], 16) << "lane " << lane << " piece " << i;
      }
      last[lane] = p;
    }
  }
  auto* big = static_cast<char*>(iwballoc(a, 200, 1));  // above the block size
  big[199] = 'b';
  EXPECT_EQ(static_cast<char*>(iwballoc(a, 16, 1)) - last[1], 16)
      << "the lane's block with room serves on after a big request";
  iwbfree(a);
}

TEST_F(IwMem, UnknownPoolsAndOutOfMemoryEndTheRun) {
  int a = iwbinit(64);
  iwbfree(a);
  EXPECT_EXIT(iwballoc(a, 8), testing::ExitedWithCode(3), "");
  EXPECT_EXIT(iwballoc(99, 8), testing::ExitedWithCode(3), "");
  EXPECT_EXIT(iwabort(233), testing::ExitedWithCode(3), "\\*\\*\\* Out of Memory \\*\\*\\*");
}

TEST_F(IwMem, QuickBuffersAreReusedBySize) {
  // Only the first and last bytes are cleared, for the string a caller builds.
  char* a = iwqkalloc(256);
  EXPECT_EQ(a[0], '\0');
  EXPECT_EQ(a[255], '\0');
  std::fill(a, a + 256, 'q');
  char* b = iwqkalloc(256);
  EXPECT_NE(a, b);
  iwqkfree(a);
  char* c = iwqkalloc(256);
  EXPECT_EQ(c, a);
  EXPECT_EQ(c[0], '\0');
  EXPECT_EQ(c[255], '\0');
  EXPECT_NE(iwqkalloc(16384), a);

  std::fflush(stdout);
  testing::internal::CaptureStdout();
  iwqkfree(b);
  iwqkfree(b);
  char local[4];
  iwqkfree(local);
  std::fflush(stdout);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.rfind("nodex-W-217:", 0), 0u);
  EXPECT_NE(out.find("\nnodex-E-251:"), std::string::npos);
  EXPECT_EQ(iws.msgcount[1], 1);
  EXPECT_EQ(iws.msgcount[2], 1);
  iwqkpurge();
  EXPECT_TRUE(iws.quick.empty());
}

TEST_F(IwMem, PinArraysAreReusedOnlyForTheirCount) {
  IwPin* p25 = iwmakpin(25);
  ASSERT_NE(p25, nullptr);
  EXPECT_EQ(p25->npins, 25);
  for (int k = 0; k <= 25; ++k) EXPECT_TRUE(p25[k].type == NX_PINS && p25[k].index == k) << k;
  IwPin* p24 = iwmakpin(24);
  p25[3].next = p25;
  iwfrpin(p25 + 3);  // not a head: ignored
  iwfrpin(p24);
  EXPECT_NE(iwmakpin(25), p24);
  iwfrpin(p25);
  IwPin* again = iwmakpin(25);
  EXPECT_EQ(again, p25);
  EXPECT_EQ(again[3].next, nullptr);
  EXPECT_EQ(iwmakpin(24), p24);

  IwPin* p3 = iwmakpin(3);
  iwfrpin(p3);
  EXPECT_EQ(iwmakpin(3), p3);
  EXPECT_EQ(iwmakpin(-1), nullptr);
}

TEST_F(IwMem, FreeListRecordsComeBackCleared) {
  IwAtt* a = iwmakatt();
  EXPECT_EQ(a->type, NX_ATTRIBUTES);
  a->name = "X";
  iwfratt(a);
  IwAtt* b = iwmakatt();
  EXPECT_EQ(b, a);
  EXPECT_EQ(b->name, nullptr);

  IwNet* n = iwmaknet();
  EXPECT_EQ(n->pins, n);
  EXPECT_EQ(n->type, NX_NETS);

  IwGrp* g = iwmakgrp("ALU");
  EXPECT_EQ(iws.grpref, g);
  EXPECT_EQ(fetch_grp("ALU"), g);
  IwGrp* h = iwmakgrp("CTRL");
  EXPECT_EQ(iws.grpref, h);
  EXPECT_EQ(h->next, g);
  iwinitflist();
  EXPECT_TRUE(iws.flatt.empty());
}

}  // namespace
