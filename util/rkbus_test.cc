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

// Every name from state on, with a buffer of size bytes.
Expansion Drain(RkBusState* st, const char* name, int size = 256) {
  Expansion e;
  std::vector<char> buf(static_cast<std::size_t>(size > 0 ? size : 1));
  while ((st = rkBusExpand(st, name, buf.data(), size)) != nullptr)
    e.names.emplace_back(buf.data());
  e.status = rkBusExpandStatus();
  return e;
}

Expansion Expand(const char* name, int size = 256) { return Drain(nullptr, name, size); }

std::string Join(const std::vector<std::string>& v) {
  std::string out;
  for (const auto& s : v) out.append(out.empty() ? "" : " ").append(s);
  return out;
}

// One expansion: the names it yields before it ends or fails, and how.
struct ExpandCase {
  const char* name;
  const char* names;  // joined by blanks
  int status = RKBUS_OK;
  int size = 256;          // of the caller's buffer
  const char* seps = ",";  // the separator set
};

// Counting must agree with expanding: as many names, or 0 and the same
// error (a buffer too small is no error of the name).
void ExpectExpansions(const std::vector<ExpandCase>& cases) {
  for (const auto& c : cases) {
    rkBusExpandRepsep(c.seps);
    Expansion e = Expand(c.name, c.size);
    EXPECT_EQ(Join(e.names), c.names) << c.name;
    EXPECT_EQ(e.status, c.status) << c.name;
    if (c.status != RKBUS_OVERFLOW) {
      EXPECT_EQ(rkBusExpandWidth(c.name), c.status ? 0 : int(e.names.size())) << c.name;
      EXPECT_EQ(rkBusExpandStatus(), c.status) << c.name;
    }
  }
}

class RkBus : public testing::Test {
 protected:
  void SetUp() override { rkBusExpandReset(); }
  void TearDown() override { rkBusExpandReset(); }
};

TEST_F(RkBus, ExpandsNamesInOrder) {
  ExpectExpansions({
      // Ranges, steps (the sign of a step is ignored) and field widths.
      {"A[0:3]", "A0 A1 A2 A3"}, {"A[3:0]", "A3 A2 A1 A0"}, {"A[0:7:2]", "A0 A2 A4 A6"},
      {"A[7:0:3]", "A7 A4 A1"}, {"A[7:0:-3]", "A7 A4 A1"}, {"A[2:3:5]", "A2"}, {"A[5]", "A5"},
      {"A[-1:1]", "A-1 A0 A1"}, {"A[00:10]", "A00 A01 A02 A03 A04 A05 A06 A07 A08 A09 A10"},
      {"A[0:010:5]", "A000 A005 A010"}, {"A[0:10:5]", "A0 A5 A10"},
      // Radixes.
      {"A[0:F/H]", "A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF"}, {"A[e:f\\h]", "AE AF"},
      {"A[0:3/B]", "A0 A1 A10 A11"}, {"A[00:11/B]", "A00 A01 A10 A11"},
      {"A[0:11/B]", "A0 A1 A10 A11"}, {"A[6:10/O]", "A6 A7 A10"}, {"A[8:9/D]", "A8 A9"},
      // Pieces turn like an odometer; repetitions nest.
      {"[0:1]X", "0X 1X"}, {"A[0:1]B", "A0B A1B"}, {"[0:1][2:3]", "02 03 12 13"},
      {"A[0:1]B[0:2]", "A0B0 A0B1 A0B2 A1B0 A1B1 A1B2"}, {"{A,B}2", "A B A B"},
      {"{A,{B}2}2,C", "A B B A B B C"}, {"{A[0:1]}2", "A0 A1 A0 A1"}, {"{A,}2", "A A"},
      // Brackets that hold no subscript are text.
      {"A[X]", "A[X]"}, {"A[]", "A[]"}, {"A[1-2][0:1]", "A[1-2]0 A[1-2]1"},
      // Separators, and names that hold none.
      {"A B,C", "A B C", RKBUS_OK, 256, " ,"}, {",,A,,B,,", "A B"}, {"", ""},
      {",, ,", "", RKBUS_OK, 256, " ,"}, {"{}2,A", ""},
      {"1s2X3", "1 2X3", RKBUS_OK, 256, "abcdefghijklmnopqrsXYZ"},  // X is beyond the 19 kept
      // A buffer that just holds the longest name.
      {"AB[8:10]", "AB8 AB9 AB10", RKBUS_OK, 5},
  });
}

TEST_F(RkBus, ReportsEachErrorStatus) {
  ExpectExpansions({
      {"A[0:3", "", RKBUS_BRACKETS}, {"A[", "", RKBUS_BRACKETS}, {"A[X", "", RKBUS_BRACKETS},
      {"A[0:[1]]", "", RKBUS_BRACKETS}, {"{A,B", "", RKBUS_BRACKETS},
      {"A[1:2/Q]", "", RKBUS_ILLEGAL}, {"A[1:2/]", "", RKBUS_ILLEGAL},
      {"A[1:G]", "", RKBUS_ILLEGAL}, {"A[:3]", "", RKBUS_MALFORMED},
      {"A[1:]", "", RKBUS_MALFORMED}, {"A[1:2:]", "", RKBUS_MALFORMED},
      {"A[1:2:1:1]", "", RKBUS_MALFORMED}, {"A[1:2/H/D]", "", RKBUS_MALFORMED},
      {"A[1:2/HX]", "", RKBUS_MALFORMED}, {"{A,B}", "", RKBUS_MALFORMED},
      {"{A,B}0", "", RKBUS_MALFORMED}, {"{A,B}2X", "", RKBUS_MALFORMED},
      {"A[0:A/B]", "", RKBUS_DIGIT}, {"A[0:8/O]", "", RKBUS_DIGIT}, {"A[0:1H]", "", RKBUS_DIGIT},
      {"A[-1:1/H]", "", RKBUS_DIGIT}, {"A[0:40000]", "", RKBUS_RANGE},
      {"A[0:0000000000000000001]", "", RKBUS_RANGE}, {"{A}70000", "", RKBUS_RANGE},
      // A subscript field holds 18 characters.
      {"A[000000000000000000:1]", "A000000000000000000 A000000000000000001"},
      {"A[0000000000000000000:1]", "", RKBUS_RANGE},
      {"A[0:3:0]", "", RKBUS_ZEROSTEP},
      // Good leading items come out before the bad one.
      {"X,Y[0:1],Z[0:3", "X Y0 Y1", RKBUS_BRACKETS}, {"{A,B[}2", "A", RKBUS_BRACKETS},
      // A buffer one character short of a name.
      {"AB[8:10]", "AB8 AB9", RKBUS_OVERFLOW, 4}, {"A", "", RKBUS_OVERFLOW, 1},
      // The inner list of a repetition fails on its first name: nothing is
      // left allocated (the sanitizer build checks for leaks).
      {"{ABC}2", "", RKBUS_OVERFLOW, 2}, {"{{ABC}2}2", "", RKBUS_OVERFLOW, 2},
  });
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

TEST_F(RkBus, CopyResumesAtTheSamePlaceAndFreeReleasesAnAbandonedState) {
  char buf[32];
  const char* name = "{A[0:1],B}2,C";
  RkBusState* st = nullptr;
  for (int i = 0; i < 3; ++i) st = rkBusExpand(st, name, buf, 32);
  ASSERT_STREQ(buf, "B");
  RkBusState* copy = rkBusExpandCopy(st);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(Join(Drain(st, name).names), "A0 A1 B C");
  EXPECT_EQ(Join(Drain(copy, name).names), "A0 A1 B C");

  st = rkBusExpand(nullptr, "{A[0:3]}9", buf, 16);
  ASSERT_NE(st, nullptr);
  rkBusExpandFree(st);  // the sanitizer build checks that nothing leaks
  rkBusExpandFree(nullptr);
}

TEST_F(RkBus, WidthCountsWithoutExpanding) {
  struct Case {
    const char* name;
    int width, status;
    const char* seps = ",";
  } cases[] = {
      // The expansion tables check the width of each of their names too.
      {"A[0:3],B", 5, RKBUS_OK, " ,"}, {"{A,B[0:1]}3", 9, RKBUS_OK},
      {"A[0:255]B[0:255]", 0, RKBUS_RANGE}, {"A[0:255]B[0:254]", 65280, RKBUS_OK},
      {"A[-32767:32767]", 65535, RKBUS_OK}, {"A[-32767:32767],B", 0, RKBUS_RANGE},
      {"A[0:3,B", 0, RKBUS_BRACKETS},
  };
  for (const auto& c : cases) {
    rkBusExpandRepsep(c.seps);
    EXPECT_EQ(rkBusExpandWidth(c.name), c.width) << c.name;
    EXPECT_EQ(rkBusExpandStatus(), c.status) << c.name;
    if (c.width > 0) {
      EXPECT_EQ(Expand(c.name).names.size(), std::size_t(c.width)) << c.name;
    }
  }
}

TEST_F(RkBus, SubsetTestsContainment) {
  struct Case {
    const char *a, *b;
    int result;
  } cases[] = {
      {"A[0:7]", "A[2:3]", 1}, {"A[2:3]", "A[0:7]", 0}, {"A[0:7]", "A[0:7]", 1},
      {"A,B,C", "C,A", 1},     {"A[0:3]", "A2", 1},     {"A[0:3]", "A4", 0},
      {"B[0:7]", "A[2:3]", 0}, {"A[0:3]", "", 0},       {"", "A", 0},
      // Too wide to count, so never walked: it would be a billion names.
      {"A[0:32767]B[0:32767]", "A0B0", 0}, {"A0B0", "{A0B0}65535,{A0B0}65535", 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(rkBusExpandSubset(c.a, c.b), c.result) << c.a << " / " << c.b;
}

TEST_F(RkBus, FrameFindsBracketsThatAreNotSubscripts) {
  struct Case {
    const char* name;
    int result, status;
  } cases[] = {
      {"A[0:3],B[2]", 0, RKBUS_OK},        {"A[X]", 1, RKBUS_BRACKETS},
      {"A[0:3", 0, RKBUS_BRACKETS},        {"A[0:[1]", 0, RKBUS_BRACKETS},
      {"A,B[0:3],C[]", 1, RKBUS_BRACKETS}, {"{A[1:0]}2", 0, RKBUS_OK},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(rkBusExpandFrame(c.name), c.result) << c.name;
    EXPECT_EQ(rkBusExpandStatus(), c.status) << c.name;
  }
}

TEST_F(RkBus, DeepNestingIsRefusedNotRecursed) {
  auto nested = [](int depth) {
    std::string s(static_cast<std::size_t>(depth), '{');
    s.push_back('A');
    for (int i = 0; i < depth; ++i) s.append("}1");
    return s;
  };
  std::string deep = nested(10000);
  EXPECT_EQ(Expand(deep.c_str()).status, RKBUS_BRACKETS);
  EXPECT_EQ(rkBusExpandWidth(deep.c_str()), 0);
  EXPECT_EQ(rkBusExpandStatus(), RKBUS_BRACKETS);
  EXPECT_EQ(Join(Expand(nested(64).c_str()).names), "A");
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
      if (++produced == 3) rkBusExpandFree(rkBusExpandCopy(st));
    }
    if (st) rkBusExpandFree(st);
    if (produced < 50 && rkBusExpandStatus() == RKBUS_OK && width > 0) {
      EXPECT_EQ(produced, width) << name;
    }
    rkBusExpandSubset(name.c_str(), "A[0:1]");
    rkBusExpandFrame(name.c_str());
  }
}

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
      for (int n = static_cast<int>(rng() % 7); n > 0; --n)
        name += alphabet[rng() % alphabet.size()];
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

}  // namespace
