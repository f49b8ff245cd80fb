// wirelist/iwalias_test.cc - merging aliased nets, through whole designs
// loaded from a design folder (iwgroup runs the alias pass).
#include "wirelist/iwalias.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/iwdesign.h"
#include "wirelist/iwgbl.h"
#include "wirelist/iwgroup.h"

namespace {

using Strings = std::vector<std::string>;

class IwAlias : public testutil::IwDesign {
 protected:
  // Loads TOP made of body; every name in nets gets a one-pin component
  // $<name> on it, so merged pins can be followed.
  IwGrp* Load(const std::string& body, const Strings& nets = {}) {
    std::string text = "AS R PINORDER=P\n";
    for (const std::string& n : nets) text += "M R $" + n + "\nI $" + n + " R " + n + "\n";
    Sheet("TOP", 1, text + body);
    Start();
    return iwgroup("TOP");
  }

  static IwAtt* AttsOf(const char* net) {
    IwNet* n = Net("TOP", net);
    return n ? n->atts : nullptr;
  }

  // Loads body in a fresh session; TOP then has the nets after, and the
  // net kept carries the others with the attributes atts.
  void Check(const std::string& body, const Strings& nets, const Strings& after, const char* kept,
             const Strings& atts) {
    SCOPED_TRACE(body);
    Restart();
    ASSERT_NE(Load(body, nets), nullptr);
    EXPECT_EQ(Nets("TOP"), after);
    EXPECT_EQ(Atts(AttsOf(kept)), atts);
  }
};

TEST_F(IwAlias, ChainOfAliasesEndsAsOneNet) {
  Check("AN A NET_ALIAS=B\nAN B NET_ALIAS=C\n", {"A", "B", "C"}, {"A"}, "A",
        {"NET_ALIAS=B", "NET_ALIAS=C"});
  EXPECT_EQ(PinsOn(Net("TOP", "A")), (Strings{"$C.1", "$B.1", "$A.1"}));
  EXPECT_EQ(Codes(), (Strings{"nodex-I-424", "nodex-I-425", "nodex-I-424", "nodex-I-425"}));
}

TEST_F(IwAlias, PrimaryNameRulesInOrder) {
  const std::string ports = "P IN P\nI P IN P\nP IN D[0:3]\nI D[0:3] IN D[1:2]\n";
  // A chosen name beats everything.
  Check(ports + "AN P NET_ALIAS=Z\nAN Z CHOSEN=THIS\nG G\nAN G NET_ALIAS=Z\n", {"Z", "G"},
        {"D[1:2]", "Z"}, "Z", {"CHOSEN=THIS", "NET_ALIAS=G", "NET_ALIAS=P"});
  // A port of the same name beats a global net.
  Check(ports + "G G\nAN G NET_ALIAS=P\n", {"G"}, {"D[1:2]", "P"}, "P", {"NET_ALIAS=G"});
  // A port covering the name beats byte order.
  Check(ports + "AN A[0:1] NET_ALIAS=D[1:2]\n", {"A[0:1]"}, {"D[1:2]", "P"}, "D[1:2]",
        {"NET_ALIAS=A[0:1]"});
  // A global net beats an ordinary one.
  Check("G G\nAN A NET_ALIAS=G\n", {"A", "G"}, {"G"}, "G", {"NET_ALIAS=A"});
  // A name another net covers beats byte order.
  Check("AN B[0:1] NET_ALIAS=A[0:1]\n", {"A[0:1]", "B[0:1]", "B[0:7]"}, {"B[0:1]", "B[0:7]"},
        "B[0:1]", {"NET_ALIAS=A[0:1]"});
  // Otherwise the smallest name; a name without a net renames the
  // survivor; a net is not its own alias.
  Check("AN B NET_ALIAS=A\n", {"A", "B"}, {"A"}, "A", {"NET_ALIAS=B"});
  Check("AN B NET_ALIAS=A\n", {"B"}, {"A"}, "A", {"NET_ALIAS=B"});
  Check("AN B NET_ALIAS=B\n", {"B"}, {"B"}, "B", {});
}

TEST_F(IwAlias, TwoPortsAreNotMerged) {
  Check("P IN P1\nI P1 IN P1\nP IN P2\nI P2 IN P2\nAN P1 NET_ALIAS=P2\n", {}, {"P1", "P2"}, "P1",
        {"NET_ALIAS=P2"});
  EXPECT_EQ(Codes(), (Strings{"nodex-I-426", "nodex-I-427", "nodex-I-427", "nodex-E-428"}));
}

TEST_F(IwAlias, DifferentWidthsAreReportedAndMergedAnyway) {
  ASSERT_NE(Load("AN A[0:3] NET_ALIAS=B[0:7]\n", {"A[0:3]", "B[0:7]"}), nullptr);
  EXPECT_EQ(Codes(), (Strings{"nodex-I-429", "nodex-E-430", "nodex-I-424", "nodex-I-425"}));
  EXPECT_EQ(Nets("TOP"), (Strings{"A[0:3]"}));
}

TEST_F(IwAlias, BusAliasesCarryOverToSubBuses) {
  Check("AN A[0:7] NET_ALIAS=B[0:7]\nAN A[2:3] NET_ALIAS=C[0:1]\n",
        {"A[0:7]", "B[0:7]", "A[2:3]", "C[0:1]"}, {"A[0:7]", "A[2:3]"}, "A[0:7]",
        {"NET_ALIAS=B[0:7]"});
  // A[2:3] stays: the bus A[0:7] covers it.  B[2:3] came from the alias
  // of A[0:7].
  EXPECT_EQ(Atts(AttsOf("A[2:3]")), (Strings{"NET_ALIAS=B[2:3]", "NET_ALIAS=C[0:1]"}));
}

TEST_F(IwAlias, FirstMemberWithANetSurvivesUnderTheChosenName) {
  // Sets are built newest pair first: the list of the set is B, D, C, A.
  // A names no net, so B's net survives, renamed A, and takes D, then C.
  Check("AN B NET_ALIAS=A\nAN C NET_ALIAS=B\nAN D NET_ALIAS=B\n", {"B", "C", "D"}, {"A"}, "A",
        {"NET_ALIAS=B", "NET_ALIAS=C", "NET_ALIAS=D"});
  EXPECT_EQ(PinsOn(Net("TOP", "A")), (Strings{"$C.1", "$D.1", "$B.1"}));
  Strings merged;
  for (const std::string& t : Texts())
    if (t.rfind("nodex-I-424", 0) == 0) merged.push_back(t);
  ASSERT_EQ(merged.size(), 2u);
  EXPECT_NE(merged[0].find("net D of"), std::string::npos) << merged[0];
  EXPECT_NE(merged[1].find("net C of"), std::string::npos) << merged[1];
}

TEST_F(IwAlias, ManyAliasesOfOneNet) {
  Strings nets{"HUB"}, expected;
  std::string body;
  for (int k = 40; k >= 1; --k) {
    std::string n = (k < 10 ? "N0" : "N") + std::to_string(k);
    nets.push_back(n);
    body += "AN HUB NET_ALIAS=" + n + "\n";
    expected.insert(expected.begin(), "NET_ALIAS=" + n);
  }
  body += "AN N07 CAP=5\n";
  expected.insert(expected.begin(), "CAP=5");
  Check(body, nets, {"HUB"}, "HUB", expected);
  EXPECT_EQ(PinsOn(Net("TOP", "HUB")).size(), 41u);
}

// The covering rule is answered by walking the nets for a group's first
// few questions and from an index after that: a dozen sets decided by it
// must all come out the same way.
TEST_F(IwAlias, ManySetsDecidedByCoverage) {
  Strings nets, after;
  std::string body;
  for (int k = 10; k < 22; ++k) {
    const std::string n = std::to_string(k);
    const std::string a01 = "A" + n + "[0:1]", b01 = "B" + n + "[0:1]", b07 = "B" + n + "[0:7]";
    nets.insert(nets.end(), {a01, b01, b07});
    after.insert(after.end(), {b01, b07});
    body += "AN " + b01 + " NET_ALIAS=" + a01 + "\n";
  }
  Check(body, nets, after, "B21[0:1]", {"NET_ALIAS=A21[0:1]"});
}

TEST_F(IwAlias, GlobalNetsKeepTheTableConsistent) {
  // TOP aliases two global nets; SUB declares the one that disappears.
  Sheet("SUB", 1, "G G2\n");
  Check("W SUB $S\nG G1\nG G2\nAN G2 NET_ALIAS=G1\nG G3\nAN X NET_ALIAS=G3\nAN X CHOSEN=THIS\n",
        {"G1", "G2", "G3", "X"}, {"G1", "X"}, "X", {"CHOSEN=THIS", "NET_ALIAS=G3"});
  EXPECT_EQ(Net("TOP", "X")->kind, IW_GLOBALNET);
  Strings table;
  for (IwNet* n = iwgblnet(nullptr); n; n = iwgblnet(n))
    table.push_back(std::string(n->grp->name) + ":" + n->name);
  // G3's entry now holds X; G2's entry holds SUB's net of that name.
  EXPECT_EQ(table, (Strings{"TOP:X", "SUB:G2", "TOP:G1"}));
}

}  // namespace
