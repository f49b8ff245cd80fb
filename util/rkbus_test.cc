// util/rkbus_test.cc - bus-name expansion.
#include "util/rkbus.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Expansion {
  std::vector<std::string> names;
  int status = -1;
};

Expansion Expand(const char* name, int size = 256) {
  Expansion e;
  std::vector<char> buf(static_cast<std::size_t>(size > 0 ? size : 1));
  RkBusState* st = nullptr;
  while ((st = rkBusExpand(st, name, buf.data(), size)) != nullptr)
    e.names.emplace_back(buf.data());
  e.status = rkBusExpandStatus();
  return e;
}

std::string Join(const std::vector<std::string>& v) {
  std::string out;
  for (const auto& s : v) out += (out.empty() ? "" : " ") + s;
  return out;
}

class RkBus : public testing::Test {
 protected:
  void SetUp() override { rkBusExpandReset(); }
  void TearDown() override { rkBusExpandReset(); }
};

TEST_F(RkBus, ExpandsNamesInOrder) {
  struct Case {
    const char* name;
    const char* seps;
    const char* names;
  } cases[] = {
      {"A[0:3]", ",", "A0 A1 A2 A3"},
      {"A[3:0]", ",", "A3 A2 A1 A0"},
      {"A[0:7:2]", ",", "A0 A2 A4 A6"},
      {"A[7:0:3]", ",", "A7 A4 A1"},
      {"A[7:0:-3]", ",", "A7 A4 A1"},
      {"A[2:3:5]", ",", "A2"},
      {"A[5]", ",", "A5"},
      {"A[-1:1]", ",", "A-1 A0 A1"},
      {"A[00:10]", ",", "A00 A01 A02 A03 A04 A05 A06 A07 A08 A09 A10"},
      {"A[0:010:5]", ",", "A000 A005 A010"},
      {"A[0:10:5]", ",", "A0 A5 A10"},
      {"A[0:F/H]", ",", "A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF"},
      {"A[e:f\\h]", ",", "AE AF"},
      {"A[0:3/B]", ",", "A0 A1 A10 A11"},
      {"A[00:11/B]", ",", "A00 A01 A10 A11"},
      {"A[0:11/B]", ",", "A0 A1 A10 A11"},
      {"A[6:10/O]", ",", "A6 A7 A10"},
      {"A[8:9/D]", ",", "A8 A9"},
      {"[0:1]X", ",", "0X 1X"},
      {"A[0:1]B", ",", "A0B A1B"},
      {"A[0:1]B[0:2]", ",", "A0B0 A0B1 A0B2 A1B0 A1B1 A1B2"},
      {"[0:1][2:3]", ",", "02 03 12 13"},
      {"{A,B}2", ",", "A B A B"},
      {"{A,{B}2}2,C", ",", "A B B A B B C"},
      {"{A[0:1]}2", ",", "A0 A1 A0 A1"},
      {"{A,}2", ",", "A A"},
      {"A[X]", ",", "A[X]"},
      {"A[]", ",", "A[]"},
      {"A[1-2][0:1]", ",", "A[1-2]0 A[1-2]1"},
      {"A B,C", " ,", "A B C"},
      {",,A,,B,,", ",", "A B"},
      {"", ",", ""},
      {",, ,", " ,", ""},
      {"{}2,A", ",", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    rkBusExpandRepsep(c.seps);
    Expansion e = Expand(c.name);
    EXPECT_EQ(Join(e.names), c.names);
    EXPECT_EQ(e.status, RKBUS_OK);
  }
}

TEST_F(RkBus, ReportsEachErrorStatus) {
  struct Case {
    const char* name;
    int status;
    const char* names_before;  // names produced before the error
  } cases[] = {
      {"A[0:3", RKBUS_BRACKETS, ""},
      {"A[", RKBUS_BRACKETS, ""},
      {"A[0:[1]]", RKBUS_BRACKETS, ""},
      {"{A,B", RKBUS_BRACKETS, ""},
      {"A[X", RKBUS_BRACKETS, ""},
      {"A[1:2/Q]", RKBUS_ILLEGAL, ""},
      {"A[1:2/]", RKBUS_ILLEGAL, ""},
      {"A[1:G]", RKBUS_ILLEGAL, ""},
      {"A[:3]", RKBUS_MALFORMED, ""},
      {"A[1:]", RKBUS_MALFORMED, ""},
      {"A[1:2:]", RKBUS_MALFORMED, ""},
      {"A[1:2:1:1]", RKBUS_MALFORMED, ""},
      {"A[1:2/H/D]", RKBUS_MALFORMED, ""},
      {"A[1:2/HX]", RKBUS_MALFORMED, ""},
      {"{A,B}", RKBUS_MALFORMED, ""},
      {"{A,B}0", RKBUS_MALFORMED, ""},
      {"{A,B}2X", RKBUS_MALFORMED, ""},
      {"A[0:A/B]", RKBUS_DIGIT, ""},
      {"A[0:8/O]", RKBUS_DIGIT, ""},
      {"A[0:1H]", RKBUS_DIGIT, ""},
      {"A[-1:1/H]", RKBUS_DIGIT, ""},
      {"A[0:40000]", RKBUS_RANGE, ""},
      {"A[0:0000000000000000001]", RKBUS_RANGE, ""},
      {"{A}70000", RKBUS_RANGE, ""},
      {"A[0:3:0]", RKBUS_ZEROSTEP, ""},
      {"X,Y[0:1],Z[0:3", RKBUS_BRACKETS, "X Y0 Y1"},
      {"{A,B[}2", RKBUS_BRACKETS, "A"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Expansion e = Expand(c.name);
    EXPECT_EQ(e.status, c.status);
    EXPECT_EQ(Join(e.names), c.names_before);
  }
}

TEST_F(RkBus, NullArgumentsAreStatus7) {
  char buf[8];
  EXPECT_EQ(rkBusExpand(nullptr, nullptr, buf, 8), nullptr);
  EXPECT_EQ(rkBusExpandStatus(), RKBUS_NULLARG);
  EXPECT_EQ(rkBusExpand(nullptr, "A", nullptr, 8), nullptr);
  EXPECT_EQ(rkBusExpandStatus(), RKBUS_NULLARG);
  EXPECT_EQ(rkBusExpandWidth(nullptr), 0);
  EXPECT_EQ(rkBusExpandStatus(), RKBUS_NULLARG);
  EXPECT_EQ(rkBusExpandCopy(nullptr), nullptr);
  EXPECT_EQ(rkBusExpandStatus(), RKBUS_NULLARG);
  EXPECT_EQ(rkBusExpandSubset("A", nullptr), 0);
  EXPECT_EQ(rkBusExpandStatus(), RKBUS_NULLARG);
  EXPECT_EQ(rkBusExpandFrame(nullptr), 0);
  EXPECT_EQ(rkBusExpandStatus(), RKBUS_NULLARG);
  rkBusExpandRepsep(nullptr);
  EXPECT_EQ(rkBusExpandStatus(), RKBUS_NULLARG);
  EXPECT_EQ(Join(Expand("A,B").names), "A B");  // the separator set was kept
}

TEST_F(RkBus, BufferOneCharacterShortIsStatus8) {
  Expansion fits = Expand("AB[8:10]", 5);
  EXPECT_EQ(Join(fits.names), "AB8 AB9 AB10");
  EXPECT_EQ(fits.status, RKBUS_OK);
  Expansion shorter = Expand("AB[8:10]", 4);
  EXPECT_EQ(Join(shorter.names), "AB8 AB9");
  EXPECT_EQ(shorter.status, RKBUS_OVERFLOW);
  EXPECT_EQ(Expand("A", 1).status, RKBUS_OVERFLOW);
  // The inner list of a repetition fails on its first name: nothing is
  // left allocated (the sanitizer build checks for leaks).
  EXPECT_EQ(Expand("{ABC}2", 2).status, RKBUS_OVERFLOW);
  EXPECT_EQ(Expand("{{ABC}2}2", 2).status, RKBUS_OVERFLOW);
}

TEST_F(RkBus, SeparatorSetKeepsNineteenCharacters) {
  rkBusExpandRepsep("abcdefghijklmnopqrsXYZ");  // X beyond the 19 kept
  EXPECT_EQ(Join(Expand("1s2X3").names), "1 2X3");
}

TEST_F(RkBus, CopyResumesAtTheSamePlace) {
  char buf[32], buf2[32];
  const char* name = "{A[0:1],B}2,C";
  RkBusState* st = rkBusExpand(nullptr, name, buf, 32);
  st = rkBusExpand(st, name, buf, 32);
  st = rkBusExpand(st, name, buf, 32);
  ASSERT_STREQ(buf, "B");
  RkBusState* copy = rkBusExpandCopy(st);
  ASSERT_NE(copy, nullptr);
  std::vector<std::string> rest, rest2;
  while ((st = rkBusExpand(st, name, buf, 32)) != nullptr) rest.emplace_back(buf);
  while ((copy = rkBusExpand(copy, name, buf2, 32)) != nullptr) rest2.emplace_back(buf2);
  EXPECT_EQ(Join(rest), "A0 A1 B C");
  EXPECT_EQ(rest2, rest);
}

TEST_F(RkBus, FreeReleasesAnAbandonedState) {
  char buf[16];
  RkBusState* st = rkBusExpand(nullptr, "{A[0:3]}9", buf, 16);
  ASSERT_NE(st, nullptr);
  rkBusExpandFree(st);  // the sanitizer build checks that nothing leaks
  rkBusExpandFree(nullptr);
}

TEST_F(RkBus, WidthCountsWithoutExpanding) {
  struct Case {
    const char* name;
    const char* seps;
    int width;
    int status;
  } cases[] = {
      {"A[0:3],B", " ,", 5, RKBUS_OK},
      {"A[0:7:2]", ",", 4, RKBUS_OK},
      {"A[2:3:5]", ",", 1, RKBUS_OK},
      {"{A,B[0:1]}3", ",", 9, RKBUS_OK},
      {"A[0:255]B[0:255]", ",", 0, RKBUS_RANGE},
      {"A[0:255]B[0:254]", ",", 65280, RKBUS_OK},
      {"A[-32767:32767]", ",", 65535, RKBUS_OK},
      {"A[-32767:32767],B", ",", 0, RKBUS_RANGE},
      {"A[0:3,B", ",", 0, RKBUS_BRACKETS},
      {"A[0:[1]]", ",", 0, RKBUS_BRACKETS},
      {"A[0:3:0]", ",", 0, RKBUS_ZEROSTEP},
      {"", ",", 0, RKBUS_OK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    rkBusExpandRepsep(c.seps);
    EXPECT_EQ(rkBusExpandWidth(c.name), c.width);
    EXPECT_EQ(rkBusExpandStatus(), c.status);
    if (c.width > 0) {
      EXPECT_EQ(Expand(c.name).names.size(), static_cast<std::size_t>(c.width));
    }
  }
}

TEST_F(RkBus, SubsetTestsContainment) {
  struct Case {
    const char* a;
    const char* b;
    int result;
  } cases[] = {
      {"A[0:7]", "A[2:3]", 1}, {"A[2:3]", "A[0:7]", 0}, {"A[0:7]", "A[0:7]", 1},
      {"A,B,C", "C,A", 1},     {"A[0:3]", "A2", 1},     {"A[0:3]", "A4", 0},
      {"B[0:7]", "A[2:3]", 0}, {"A[0:3]", "", 0},       {"", "A", 0},
      // Too wide to count, so never walked: it would be a billion names.
      {"A[0:32767]B[0:32767]", "A0B0", 0}, {"A0B0", "{A0B0}65535,{A0B0}65535", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " / " + c.b);
    EXPECT_EQ(rkBusExpandSubset(c.a, c.b), c.result);
  }
}

TEST_F(RkBus, FrameFindsBracketsThatAreNotSubscripts) {
  struct Case {
    const char* name;
    int result;
    int status;
  } cases[] = {
      {"A[0:3],B[2]", 0, RKBUS_OK},        {"A[X]", 1, RKBUS_BRACKETS},
      {"A[0:3", 0, RKBUS_BRACKETS},        {"A[0:[1]", 0, RKBUS_BRACKETS},
      {"A,B[0:3],C[]", 1, RKBUS_BRACKETS}, {"{A[1:0]}2", 0, RKBUS_OK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(rkBusExpandFrame(c.name), c.result);
    EXPECT_EQ(rkBusExpandStatus(), c.status);
  }
}

TEST_F(RkBus, DeepNestingIsRefusedNotRecursed) {
  std::string deep;
  for (int i = 0; i < 10000; ++i) deep += '{';
  deep += 'A';
  for (int i = 0; i < 10000; ++i) deep += "}1";
  EXPECT_EQ(Expand(deep.c_str()).status, RKBUS_BRACKETS);
  EXPECT_EQ(rkBusExpandWidth(deep.c_str()), 0);
  EXPECT_EQ(rkBusExpandStatus(), RKBUS_BRACKETS);

  std::string ok;
  for (int i = 0; i < 64; ++i) ok += '{';
  ok += 'A';
  for (int i = 0; i < 64; ++i) ok += "}1";
  EXPECT_EQ(Join(Expand(ok.c_str()).names), "A");
}

TEST_F(RkBus, RandomNamesStayInBounds) {
  // Hostile names from the characters that matter; run under the
  // sanitizers this checks bounds and release, here that every call ends.
  const std::string alphabet = "AB01-9F:/\\[]{},H ";
  std::mt19937 rng(11);
  char buf[24];
  for (int round = 0; round < 20000; ++round) {
    std::string name;
    int len = static_cast<int>(rng() % 24);
    for (int i = 0; i < len; ++i) name += alphabet[rng() % alphabet.size()];
    rkBusExpandRepsep(round % 2 ? " ," : ",");
    int width = rkBusExpandWidth(name.c_str());
    RkBusState* st = nullptr;
    int produced = 0;
    while (produced < 50 && (st = rkBusExpand(st, name.c_str(), buf, sizeof buf)) != nullptr) {
      ASSERT_LT(std::strlen(buf), sizeof buf);
      if (++produced == 3) {
        RkBusState* copy = rkBusExpandCopy(st);
        rkBusExpandFree(copy);
      }
    }
    if (st) rkBusExpandFree(st);
    if (produced < 50 && rkBusExpandStatus() == RKBUS_OK && width > 0) {
      EXPECT_EQ(produced, width) << name;
    }
    rkBusExpandSubset(name.c_str(), "A[0:1]");
    rkBusExpandFrame(name.c_str());
  }
}

}  // namespace

// The plain test lets callers skip the expansion, so it must never claim a
// name that expands to anything but itself.
TEST_F(RkBus, PlainNamesExpandToThemselves) {
  std::mt19937 rng(11);
  const std::string alphabet = "AB01_:/[]{},;-";
  for (const char* seps : {",", ",;"}) {
    rkBusExpandRepsep(seps);
    int plain = 0;
    for (int i = 0; i < 20000; ++i) {
      std::string name;
      for (int n = static_cast<int>(rng() % 7); n > 0; --n) name += alphabet[rng() % alphabet.size()];
      if (!rkBusExpandPlain(name.c_str())) continue;
      ++plain;
      Expansion e = Expand(name.c_str());
      ASSERT_EQ(e.status, RKBUS_OK) << name;
      ASSERT_EQ(Join(e.names), name);
    }
    EXPECT_GT(plain, 1000);
  }
  rkBusExpandWidth("A[0:");
  ASSERT_NE(rkBusExpandStatus(), RKBUS_OK);
  EXPECT_FALSE(rkBusExpandPlain("A[0:"));
  EXPECT_NE(rkBusExpandStatus(), RKBUS_OK);
  EXPECT_TRUE(rkBusExpandPlain("A"));
  EXPECT_EQ(rkBusExpandStatus(), RKBUS_OK);
  EXPECT_FALSE(rkBusExpandPlain(""));
  EXPECT_FALSE(rkBusExpandPlain(nullptr));
  EXPECT_FALSE(rkBusExpandPlain("A;B"));
  rkBusExpandRepsep(",");
  EXPECT_TRUE(rkBusExpandPlain("A;B"));
}
