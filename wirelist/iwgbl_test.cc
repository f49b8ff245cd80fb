// wirelist/iwgbl_test.cc - the global net table's upkeep and the upward
// propagation of global names through a loaded hierarchy.
#include "wirelist/iwgbl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "tests/iwdesign.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwgroup.h"
#include "wirelist/iwmem.h"

namespace {

using Strings = std::vector<std::string>;

class IwGbl : public testutil::IwDesign {
 protected:
  // The table as "NET:GROUP GROUP..." per entry, newest first.
  static Strings Table() {
    Strings t;
    for (IwNet* n = iwgblnet(nullptr); n; n = iwgblnet(n)) {
      std::string e = std::string(n->name).append(":");
      for (IwGrp* g = iwgblgrp(n, 0); g; g = iwgblgrp(n, 1)) e += std::string(" ") + g->name;
      t.push_back(e);
    }
    return t;
  }
};

// SUB ties its port P to its global net VCC and its port Q to a local net.
constexpr const char* kSub = "P IN P\nI P IN VCC\nP IN Q\nI Q IN L\nG VCC\n";
// MID passes the port P of DEEP (the same as SUB) through its own port P.
constexpr const char* kMid = "P IN P\nI P IN M\nP IN Q\nI Q IN L\nW DEEP $D\nI $D DEEP M L\n";

TEST_F(IwGbl, GlobalNamesTravelUpThroughPorts) {
  const std::string uses = "AS SUB PINORDER=P Q\nW SUB $1\n";
  const std::string mid = "AS MID PINORDER=P Q\nAS DEEP PINORDER=P Q\nW MID $1\nI $1 MID N1 N2\n";
  const Strings renamed = {"nodex-I-180", "nodex-I-181", "nodex-I-182"};
  const Strings warned = {"nodex-W-246", "nodex-W-247", "nodex-W-248"};
  Strings twice = renamed;  // once for each level
  twice.insert(twice.end(), renamed.begin(), renamed.end());
  // TOP, the bottom levels set after loading, the count, the nets of TOP
  // afterwards (global ones marked with "*") and the messages.
  const std::tuple<std::string, Strings, int, Strings, Strings> cases[] = {
      // A local net takes the global name.
      {uses + "I $1 SUB N1 N2\n", {}, 0, {"N2", "VCC*"}, renamed},
      // A global net of another name keeps its name.
      {uses + "I $1 SUB GND N2\nG GND\n", {}, 1, {"GND*", "N2"}, warned},
      // A leaf is not looked into.
      {uses + "I $1 SUB N1 N2\nAS SUB LEVEL=GATE\n", {"GATE"}, 0, {"N1", "N2"}, {}},
      // A local net named like a global one is a clash.
      {"AS R PINORDER=P\nM R $9\nI $9 R PWR\nW OTHER $2\n", {}, 1, {"PWR"}, {"nodex-W-183"}},
      // Two levels up.
      {mid, {}, 0, {"N2", "VCC*"}, twice},
  };
  for (const auto& [text, levels, count, want_nets, codes] : cases) {
    SCOPED_TRACE(text);
    Restart();
    Sheet("TOP", 1, text);
    Sheet("SUB", 1, kSub);
    Sheet("DEEP", 1, kSub);
    Sheet("MID", 1, kMid);
    Sheet("OTHER", 1, "G PWR\n");
    Start();
    IwGrp* top = iwgroup("TOP");
    ASSERT_NE(top, nullptr);
    for (const std::string& level : levels) iwsetlevel(level.c_str());
    Codes();
    EXPECT_EQ(iwgblren(top), count);
    Strings nets;
    for (IwNet* n = top->nets; n; n = n->next)
      nets.push_back(std::string(n->name) + (n->kind == IW_GLOBALNET ? "*" : ""));
    std::sort(nets.begin(), nets.end());
    EXPECT_EQ(nets, want_nets);
    EXPECT_EQ(Codes(), codes);
  }
}

TEST_F(IwGbl, NetDeclaredInManyGroupsIsOneEntry) {
  Sheet("TOP", 1, "G VCC\nW SUB $1\nW OTHER $2\n");
  Sheet("SUB", 1, "G VCC\nG GND\n");
  Sheet("OTHER", 1, "G VCC,GND\n");
  Start();
  iwexpbus();
  ASSERT_NE(iwgroup("TOP"), nullptr);
  // Groups are read TOP, OTHER (the newest reference), SUB.
  EXPECT_EQ(Table(), (Strings{"GND: SUB OTHER", "VCC: SUB OTHER TOP"}));
  EXPECT_EQ(iwgblgrp(nullptr, 0), nullptr);
}

TEST_F(IwGbl, EntriesFollowTheirNets) {
  Start();
  IwGrp* g1 = iwmakgrp("G1");
  IwGrp* g2 = iwmakgrp("G2");
  IwNet* a1 = iwmknet("A", g1);
  IwNet* a2 = iwmknet("A", g2);
  IwNet* b1 = iwmknet("B", g1);
  IwNet* c1 = iwmknet("C", g1);
  iwaddgblnet(a1, g1);
  iwaddgblnet(a2, g2);
  iwaddgblnet(b1, g1);
  EXPECT_EQ(Table(), (Strings{"B: G1", "A: G2 G1"}));

  iwgbldel(a2, g1);  // by name: the entry of A loses G1
  EXPECT_EQ(Table(), (Strings{"B: G1", "A: G2"}));
  iwgbldel(a1, g1);  // G1 is no longer listed: nothing happens
  iwgbldel(nullptr, g1);
  iwgbldel(a1, nullptr);
  EXPECT_EQ(Table(), (Strings{"B: G1", "A: G2"}));

  iwreplacegblnet(c1, b1);  // the entry of B now holds C, and is named so
  EXPECT_EQ(Table(), (Strings{"C: G1", "A: G2"}));
  EXPECT_EQ(iwgblgrp(c1, 0), g1);
  iwdelgblnet(b1);  // no entry holds B any more
  iwdelgblnet(c1);
  EXPECT_EQ(Table(), (Strings{"A: G2"}));
  iwgbldel(a1, g2);  // the last group goes, and with it the entry
  EXPECT_TRUE(Table().empty());
}

}  // namespace
