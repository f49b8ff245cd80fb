// wirelist/iwgroup_test.cc - loading whole designs from a design folder:
// the order groups are read in, which groups and sheets are read, the
// canonical order, failures, and the owner look-ups.
#include "wirelist/iwgroup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "tests/iwdesign.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwname.h"

namespace {

using Strings = std::vector<std::string>;

class IwGroup : public testutil::IwDesign {
 protected:
  // Names of the groups on the completed list, in the order completed.
  static Strings Completed() {
    Strings v;
    for (const IwGrp* g : iws.completed) v.push_back(g->name);
    return v;
  }

  static std::vector<int> SheetNumbers(const char* group) {
    std::vector<int> v;
    if (IwGrp* g = Group(group))
      for (IwSch* s = g->schs; s; s = s->next) v.push_back(s->number);
    return v;
  }

  static Strings Components(const char* group) {
    Strings v;
    if (IwGrp* g = Group(group))
      for (IwCom* c = iggrpcom(g, nullptr); c; c = iggrpcom(g, c)) v.push_back(c->name);
    return v;
  }

  // A group made through the modification API with the given symbol type,
  // as the PLD handling makes them.
  static IwGrp* MakeGroup(const char* name, int type) {
    IwGrp* g = iwmakgrp(name);
    g->sym = iwmaksym();
    g->sym->grp = g;
    g->sym->symtype = static_cast<std::int16_t>(type);
    return g;
  }

  // The three-level design: TOP uses BLKA, BLKB and the leaf LEAF; both
  // blocks use SUB; BLKA also uses DEEP; everything ends in INV.
  void WriteDesign() {
    Sheet("TOP", 1,
          "AS BLKA PINORDER=I O\nAS BLKB PINORDER=I O\n"
          "W BLKA $1\nI $1 BLKA N4 N2\nW BLKB $2\nI $2 BLKB N2 N1\n");
    Sheet("TOP", 2,
          "AS LEAF PINORDER=I O\nAS LEAF LEVEL=GATE\nW LEAF $3\nI $3 LEAF N1 N3\n"
          "W BLKA $0\nI $0 BLKA N3 N4\n");
    std::string ports = "P IN I\nI I IN I\nP OUT O\nI O OUT O\n";
    std::string inv = "AS INV PINORDER=I O\n";
    Sheet(
        "BLKB", 1,
        ports + "AS SUB PINORDER=I O\nW SUB $1\nI $1 SUB I X\n" + inv + "M INV $2\nI $2 INV X O\n");
    Sheet("BLKB", 2, inv + "M INV $3\nI $3 INV O X\n");
    Sheet("BLKB", 4, "AS NEVER PINORDER=I O\nW NEVER $9\nI $9 NEVER I O\n");
    Sheet("SUB", 1, ports + inv + "M INV $1\nI $1 INV I O\n");
    Sheet("BLKA", 1,
          ports +
              "AS SUB PINORDER=I O\nW SUB $1\nI $1 SUB I X\n"
              "AS DEEP PINORDER=I O\nW DEEP $2\nI $2 DEEP X O\n");
    Sheet("DEEP", 1, ports + inv + "M INV $1\nI $1 INV I O\n");
    // Files of groups that must never be opened: reading one would add
    // sheets to it.
    for (const char* g : {"LEAF", "INV", "IN", "PLDX", "UNKN"}) Sheet(g, 1, "M INV $X\n");
    Write("lib/wir/pldx.pld", "V 4.09\nDW PLDX\nM INV $X\nEW\n");
  }
};

TEST_F(IwGroup, ReadsEachGroupOnceNewestReferenceFirst) {
  WriteDesign();
  Start({"GATE"});
  MakeGroup("PLDX", IW_PLD);
  MakeGroup("UNKN", IW_UNKNOWN);
  IwGrp* top = iwgroup("top");
  ASSERT_NE(top, nullptr);
  EXPECT_STREQ(top->name, "TOP");
  EXPECT_TRUE(Codes().empty());
  EXPECT_EQ(iws.designloaded, true);

  // LEAF is completed as a leaf when the walk first passes it.
  EXPECT_EQ(Completed(), (Strings{"TOP", "LEAF", "BLKB", "SUB", "BLKA", "DEEP"}));
  // SUB is used twice and DEEP below a second use of BLKA: read once each.
  EXPECT_EQ(Components("SUB"), (Strings{"$1"}));
  EXPECT_EQ(Components("BLKA"), (Strings{"$1", "$2"}));
  // Sheets 1 and 2 of BLKB, not 4 (sheet 3 is missing).
  EXPECT_EQ(SheetNumbers("BLKB"), (std::vector<int>{1, 2}));
  EXPECT_EQ(Group("NEVER"), nullptr);
  // A leaf, a primitive, a port symbol, a PLD and an unknown group.
  for (const char* g : {"LEAF", "INV", "IN", "PLDX", "UNKN"}) {
    SCOPED_TRACE(g);
    ASSERT_NE(iwgengrpref(g), nullptr);
    EXPECT_EQ(iwgengrpref(g)->schs, nullptr);
  }
  // Nothing is left to read.
  char buf[256] = "X";
  EXPECT_EQ(iwnextgroup(buf), -1);
  EXPECT_STREQ(buf, "");
}

TEST_F(IwGroup, LoadedDesignIsInByteOrder) {
  Sheet("TOP", 1,
        "AS B PINORDER=I O\nM B $9\nI $9 B n9 N10\nM B $10\nI $10 B N_2 N10\nM B $1A\n"
        "I $1A B N9 N_2\n");
  Sheet("TOP", 2, "AS B PINORDER=I O\nM B Z\nI Z B N9 A\nM B $2\nI $2 B A N10\n");
  Start();
  ASSERT_NE(iwgroup("TOP"), nullptr);
  EXPECT_EQ(Nets("TOP"), (Strings{"A", "N10", "N9", "N_2"}));
  IwGrp* top = Group("TOP");
  EXPECT_STREQ(top->lastnet->name, "N_2");
  Strings sheets;
  for (IwSch* s = top->schs; s; s = s->next) {
    std::string names;
    for (IwCom* c = s->coms; c; c = c->next) names += std::string(c->name) + " ";
    names += "| last " + std::string(s->lastcom->name);
    sheets.push_back(names);
  }
  EXPECT_EQ(sheets, (Strings{"$10 $1A $9 | last $9", "$2 Z | last Z"}));
}

TEST_F(IwGroup, FailuresEndTheLoadWithoutAResult) {
  // Wirelists in lib/wir, each after its "V 4.09" record.
  using Files = std::vector<std::pair<std::string, std::string>>;
  const std::string top = "DW TOP\nW SUB $1\nEW\n";
  const std::tuple<const char*, Files, Strings> cases[] = {
      {"missing top sheet", {}, {"nodex-E-222"}},
      {"missing sheet 1 of a lower group", {{"top.1", top}}, {"nodex-E-222"}},
      {"broken lower sheet", {{"top.1", top}, {"sub.1", "DW SUB\n"}}, {"nodex-E-205"}},
      {"broken second sheet", {{"top.1", "DW TOP\nEW\n"}, {"top.2", "DW TOP\n"}}, {"nodex-E-205"}},
      {"second sheet of another group",
       {{"top.1", "DW TOP\nEW\n"}, {"top.2", "DW SUB\nEW\n"}},
       {"nodex-E-376", "nodex-E-377"}}};
  for (const auto& [what, files, codes] : cases) {
    SCOPED_TRACE(what);
    Restart();
    for (const auto& [name, text] : files) Write("lib/wir/" + name, "V 4.09\n" + text);
    Start();
    EXPECT_EQ(iwgroup("TOP"), nullptr);
    EXPECT_EQ(Codes(), codes);
    EXPECT_FALSE(iws.designloaded);
    for (const auto& f : files) std::remove((dir_.path() + "/lib/wir/" + f.first).c_str());
  }
}

TEST_F(IwGroup, SecondCallReadsOnlyWhatIsPending) {
  Sheet("TOP", 1, "W SUB $1\n");
  Start();
  EXPECT_EQ(iwgroup("TOP"), nullptr);
  EXPECT_EQ(Codes(), (Strings{"nodex-E-222"}));
  // TOP stays loaded; once SUB's wirelist is there only SUB is read.
  Sheet("SUB", 1, "M INV $7\n");
  Sheet("TOP", 1, "W SUB $1\nW OTHER $2\n");
  IwGrp* top = iwgroup("TOP");
  ASSERT_NE(top, nullptr);
  EXPECT_STREQ(top->name, "TOP");
  EXPECT_EQ(Components("SUB"), (Strings{"$7"}));
  EXPECT_EQ(Components("TOP"), (Strings{"$1"}));
  EXPECT_EQ(Completed(), (Strings{"TOP", "SUB"}));
}

TEST_F(IwGroup, PldComponentGroupComesFromOneFile) {
  Sheet("TOP", 1, "M INV $1\n");
  Write("lib/wir/pc.wir", "V 4.09\nDW PC\nM INV $W\nEW\n");
  Sheet("PC", 1, "M INV $S\n");
  Start();
  IwGrp* pc = MakeGroup("PC", IW_PLDCOMP);
  ASSERT_NE(iwgroup("TOP"), nullptr);
  EXPECT_EQ(Components("PC"), (Strings{"$W"}));
  EXPECT_EQ(SheetNumbers("PC"), (std::vector<int>{1}));
  EXPECT_TRUE(iwdone(pc));
}

TEST_F(IwGroup, NextGroupNamesTheNewestPendingGroup) {
  Start({"SIM"});
  IwGrp* a = MakeGroup("A", IW_COMPOSITE);
  MakeGroup("lib:p", IW_PLDCOMP);
  IwGrp* leaf = MakeGroup("LEAFY", IW_COMPOSITE);
  leaf->sym->atts = iaaddatt(nullptr, "LEVEL", "SIM");
  MakeGroup("M", IW_MODULE);
  char buf[256];
  EXPECT_EQ(iwnextgroup(buf), 0);
  EXPECT_STREQ(buf, "LIB:P");
  EXPECT_TRUE(iwdone(leaf));
  iwcomplete(iwgengrpref("LIB:P"));
  EXPECT_EQ(iwnextgroup(buf), 1);
  EXPECT_STREQ(buf, "A");
  iwcomplete(a);
  EXPECT_EQ(iwnextgroup(buf), -1);
  iwdonefree();
  EXPECT_FALSE(iwdone(a));
  EXPECT_EQ(iwnextgroup(buf), 0);
}

TEST_F(IwGroup, SingleFilesAndMissingSheets) {
  Write("lib/wir/x.wir", "V 4.09\nDW X\nM INV $1\nEW\n");
  Write("lib/wir/y.pld", "V 4.09\nDW Y\nM INV $1\nEW\n");
  Start();
  const Strings e222 = {"nodex-E-222"};
  const std::tuple<const char*, int, bool, Strings> cases[] = {
      {"X", 0, true, {}},    {"Y", -1, true, {}}, {"Z", 0, false, e222}, {"Z", -1, false, e222},
      {"Z", 1, false, e222}, {"Z", 2, false, {}}, {"", 1, false, {}}};
  for (const auto& [name, sheet, found, codes] : cases) {
    SCOPED_TRACE(std::string(name) + " " + std::to_string(sheet));
    EXPECT_EQ(iwaddsheet(name, sheet) != nullptr, found);
    EXPECT_EQ(Codes(), codes);
  }
  iwaddsheet("Z", 0);
  Strings texts = Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find("Z.wir"), std::string::npos) << texts[0];
}

// Sheet numbers are 16-bit: a sheet 32768 is refused, not read as -32768.
TEST_F(IwGroup, SheetNumbersStopAtTheSixteenBitLimit) {
  for (const char* sheet : {"32767", "32768"})
    Write(std::string("lib/wir/w.") + sheet, "V 4.09\nDW W\nM INV $1\nEW\n");
  Start();
  EXPECT_NE(iwaddsheet("W", 32767), nullptr);
  EXPECT_EQ(SheetNumbers("W"), std::vector<int>{32767});
  EXPECT_EQ(iwaddsheet("W", 32768), nullptr);
  EXPECT_EQ(Codes(), Strings{"nodex-E-349"});
  EXPECT_EQ(iwaddsheet("V", 32768), nullptr);  // no such sheet: nothing to say
  EXPECT_EQ(Codes(), Strings{});
}

TEST_F(IwGroup, RefusesToRunBeforeInitOrWithoutAName) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(iwgroup("TOP"), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error: the iwinit() routine must be called before IWGROUP.\n");
  Start();
  EXPECT_EQ(iwgroup(nullptr), nullptr);
  EXPECT_EQ(Codes(), (Strings{"nodex-E-275"}));
}

TEST_F(IwGroup, CombineHeteroTakesOnlyZeroOrOne) {
  Start();
  EXPECT_EQ(iwcombine_hetero(1), 1);
  EXPECT_EQ(iwcombine_hetero(2), 1);
  EXPECT_EQ(Codes(), (Strings{"nodex-E-514"}));
  EXPECT_EQ(iwcombine_hetero(0), 0);
}

TEST_F(IwGroup, OwnersNamesAndAttributeListsOfObjects) {
  Sheet("TOP", 1,
        "AS AND2 PINORDER=A B Y\nAS AND2 DELAY=1\nAP AND2 1 CAP=1P\nM AND2 U1\nI U1 AND2 N1 N2 N3 "
        "LABEL=G1\n"
        "API U1 AND2 2 LOAD=2\nAN N1 RISE=3\nSA TITLE=T\n");
  Start();
  ASSERT_NE(iwgroup("TOP"), nullptr);
  IwGrp* top = Group("TOP");
  IwSch* sch = top->schs;
  IwCom* u1 = sch->coms;
  IwSym* sym = Group("AND2")->sym;
  IwSpn* spn = sym->spns;
  IwPin* pin2 = igpincnx(igcompin(u1));
  IwNet* n1 = Net("TOP", "N1");

  EXPECT_EQ(igspnown(spn->next), sym);
  for (const void* obj : std::initializer_list<const void*>{spn, u1, pin2, n1, sch, sym}) {
    SCOPED_TRACE(igobjtyp(obj));
    EXPECT_EQ(igattown(igobjatt(obj)), obj);
  }
  // Names that are not the object's own: a pin's symbol pin, a
  // component's label, the group of a sheet or symbol.
  EXPECT_STREQ(igobjnam(pin2), "B");
  EXPECT_STREQ(igobjnam(u1), "G1");
  EXPECT_STREQ(igobjnam(sch), "TOP");
  EXPECT_STREQ(igobjnam(sym), "AND2");
  EXPECT_EQ(igobjnam(u1->pins), nullptr);  // the head of a pin array
  EXPECT_EQ(igobjatt(u1->pins), nullptr);
  EXPECT_EQ(igobjatt(top), nullptr);
  EXPECT_EQ(igobjtyp(nullptr), IW_NULLOBJ);

  // A group without a symbol stops the symbol pin owner look-up.
  IwSpn* orphan = iwmkspin("Q");
  iwmakgrp("BARE");
  EXPECT_EQ(igspnown(orphan), nullptr);
  EXPECT_EQ(Codes(), (Strings{"nodex-W-467"}));
}

TEST_F(IwGroup, SortsAttributesByNameKeepingValueOrder) {
  Start();
  // An attribute list out of order, as a client may build it by hand.
  IwNet* net = iwmaknet();
  IwAtt** link = &net->atts;
  for (const char* nv : {"B=3", "C=1", "A=9", "B=1"}) {
    IwAtt* a = iwmakatt();
    a->name = iwmkname(std::string(nv, 1).c_str());
    a->value = iwmkname(nv + 2);
    *link = a;
    link = &a->next;
  }
  sort_obj_atts(net);
  EXPECT_EQ(Atts(net->atts), (Strings{"A=9", "B=3", "B=1", "C=1"}));
  // Objects without an attribute list of their own are left alone.
  IwGrp* g = iwmakgrp("G");
  sort_obj_atts(g);
  sort_obj_atts(nullptr);
}

// Net lists are sorted by byte order of the names, equal names keeping
// their order; names around eight bytes long, bytes above 127 and missing
// names are where a shortcut in the comparison would go wrong.
TEST_F(IwGroup, SortsNetsByBytesStably) {
  Start();
  // Links nets of the given names into a new group by hand (the sort looks
  // at the texts only) and compares the sort with a stable byte sort.
  auto check = [](const char* group, const std::vector<const char*>& names) {
    IwGrp* g = iwmakgrp(group);
    std::vector<IwNet*> want;
    IwNet** link = &g->nets;
    for (const char* n : names) {
      want.push_back(*link = iwmaknet());
      (*link)->name = n;
      link = &(*link)->next;
    }
    std::stable_sort(want.begin(), want.end(), [](const IwNet* a, const IwNet* b) {
      return std::strcmp(a->name ? a->name : "", b->name ? b->name : "") < 0;
    });
    sort_group_nets(g);
    std::vector<IwNet*> got;
    for (IwNet* n = g->nets; n; n = n->next) got.push_back(n);
    EXPECT_EQ(got, want);
    EXPECT_EQ(g->lastnet, want.back());
  };
  check("G", {"ABCDEFGH", "ABCDEFG", "ABCDEFGHI", "ABCDEFGHA", "ABCDEFGH", "\xc0\x41", "A\x7f", "",
              nullptr, "ABCDEFGHI", "B", "ABCDEFGG", "ABCDEFGHH", "\xc0", "A"});

  // Many names from a small alphabet: long runs share their first bytes.
  std::mt19937 rng(5);
  std::vector<std::string> texts(3000);
  for (std::string& t : texts)
    for (int n = static_cast<int>(rng() % 13); n > 0; --n) t += "AB\xe9"[rng() % 3];
  std::vector<const char*> names;
  for (const std::string& t : texts) names.push_back(t.c_str());
  check("BIG", names);
}

}  // namespace
