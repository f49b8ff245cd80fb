// util/rkpinlist_test.cc - joining signals into a bus-name list that
// expands back into the same signals.
#include "util/rkpinlist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/rkbus.h"

namespace {

using Strings = std::vector<std::string>;

std::string Join(const Strings& signals, const char* kind = "NC", const char* start = nullptr) {
  const char* joined = start;
  for (const std::string& s : signals) joined = rkMergePinToSigAtt(s.c_str(), kind, joined);
  std::string out = joined ? joined : "";
  EXPECT_EQ(rkMergePinToSigAtt(nullptr, nullptr, nullptr), nullptr);
  return out;
}

Strings Expand(const std::string& name) {
  Strings v;
  char buf[256];
  for (RkBusState* st = nullptr; (st = rkBusExpand(st, name.c_str(), buf, sizeof buf));)
    v.push_back(buf);
  EXPECT_EQ(rkBusExpandStatus(), 0) << name;
  return v;
}

TEST(RkPinList, RunsOfOneStemBecomeSubscriptsThatExpandBack) {
  struct Case {
    Strings signals;
    const char* joined;
  } cases[] = {
      {{"D3", "D4", "D5"}, "D[3:5]"},
      {{"D5", "D4", "D3"}, "D[5:3]"},
      {{"D0"}, "D0"},
      {{"A1B0", "A1B1"}, "A1B[0:1]"},
      {{"X0Y", "X1Y", "X2Z"}, "X[0:1]Y,X2Z"},
      {{"D0", "D1", "D3", "D4"}, "D[0:1],D[3:4]"},
      {{"D0", "D1", "D0"}, "D[0:1],D0"},
      {{"A8", "A9", "A10", "A11"}, "A[8:11]"},
      {{"A08", "A09", "A10"}, "A[08:10]"},
      {{"A10", "A09"}, "A[10:09]"},
      {{"A9", "A010"}, "A9,A010"},
      {{"0X", "1X"}, "[0:1]X"},
      {{"CLK", "RST", "D1"}, "CLK,RST,D1"},
      {{"A[X]1", "A[X]2"}, "A[X]1,A[X]2"},
      {{"B99999", "B100000"}, "B99999,B100000"},
      {{"N-1", "N-2"}, "N-[1:2]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.joined);
    std::string joined = Join(c.signals);
    EXPECT_EQ(joined, c.joined);
    EXPECT_EQ(Expand(joined), c.signals);
  }
}

TEST(RkPinList, KindsAndForeignLists) {
  // A SIGNAL kind starts the list; "NC" does not.
  EXPECT_EQ(Join({"V0", "V1"}, "GND"), "GND;V[0:1]");
  // A list the module did not hand out is copied and extended.
  EXPECT_EQ(Join({"D2", "D3"}, "NC", "D0,D1"), "D0,D1,D[2:3]");
  EXPECT_EQ(Join({"B"}, "VDD", "VDD;A"), "VDD;A,B");
  // An empty signal changes nothing.
  EXPECT_EQ(Join({"A", "", "B"}), "A,B");
}

TEST(RkPinList, LongRunsGrowInPlace) {
  Strings signals;
  for (int k = 0; k < 20000; ++k) {
    std::string s = std::to_string(k);
    signals.push_back(s.insert(0, 1, 'S'));
  }
  EXPECT_EQ(Join(signals), "S[0:19999]");
}

}  // namespace
