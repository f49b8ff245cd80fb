// wirelist/iwhetero_test.cc - combining heterogeneous sections: the
// combined component and symbol, and each check that ends the pass (the
// design then as it was) or leaves one component alone.
#include "wirelist/iwhetero.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/iwdesign.h"
#include "tests/iwdump.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwcheck.h"
#include "wirelist/iwgroup.h"
#include "wirelist/iwtable.h"

namespace {

using Strings = std::vector<std::string>;

// Section A (pins X Y) and section B (pins D Q) of part AB; the sheet
// places one of each labelled U1 and a lone A labelled U2.
std::string Part(const std::string& a_extra = "", const std::string& b_extra = "",
                 const std::string& hetero_a = "(A)(B)", const std::string& hetero_b = "(A),(B)") {
  return "AS A PINORDER=X Y\nAS A HETERO=" + hetero_a +
         "\nAS A HETERO_SYMNAME=AB\nAS A MODEL=M1\nAP A 1 PINTYPE=IN\nAP A 2 PINTYPE=OUT\n" +
         a_extra + "AS B PINORDER=D Q\nAS B HETERO=" + hetero_b +
         "\nAS B MODEL=M1\nAP B 1 PINTYPE=IN\nAP B 2 CLOCK=RISE\n" + b_extra +
         "M A S1\nM B S2\nM A S3\n"
         "I S1 A N1 N2 HETERO_LABEL=U1`LABEL=U1A`\n"
         "I S2 B N2 N3 HETERO_LABEL=U1`DELAY=3`\n"
         "I S3 A N3 N4 HETERO_LABEL=U2`\n";
}

class IwHetero : public testutil::IwDesign {
 protected:
  // Loads TOP from the sheet text with combining on; the messages then.
  Strings Load(const std::string& sheet, const std::string& q_sheet = "") {
    Restart();
    Start();
    Sheet("TOP", 1, sheet);
    if (!q_sheet.empty()) Sheet("Q", 1, q_sheet);
    if (!iwgroupread("TOP")) ADD_FAILURE() << "TOP did not load";
    Codes();
    before_ = testutil::DumpModel();
    iwcombine_hetero(1);
    result_ = iwhetero();
    return Codes();
  }

  // Pins of the component as "NET" names in order ("-" when open).
  static Strings PinNets(const IwCom* c) {
    Strings v;
    for (const IwPin* p = igcompin(c); p; p = igpincnx(p)) {
      const IwNet* n = igpinnet(p);
      v.push_back(n ? n->name : "-");
    }
    return v;
  }

  std::string before_;
  int result_ = -1;
};

TEST_F(IwHetero, SectionsWithOneLabelBecomeOneComponentOfTheCombinedSymbol) {
  EXPECT_EQ(Load(Part("AS A FAMILY=TTL\nAS A SIGNAL=PWR;VCC\n",
                      "AS B FAMILY=CMOS\nAS B SIGNAL=PWR;VDD\n")),
            (Strings{"nodex-W-507"}));  // FAMILY differs; SIGNAL may
  EXPECT_EQ(result_, 0);
  IwGrp* top = Group("TOP");
  IwGrp* ab = Group("AB");
  ASSERT_NE(ab, nullptr);
  EXPECT_EQ(ab->sym->symtype, IW_MODULE);
  Strings pins;
  for (const IwSpn* s = ab->sym->spns; s; s = s->next)
    pins.push_back(std::string(s->name) + ":" + Atts(s->atts).back());
  EXPECT_EQ(pins, (Strings{"X:PINTYPE=IN", "Y:PINTYPE=OUT", "D:PINTYPE=IN",
                           "Q:PINTYPE=UNDEFINED_DIRECTION"}));
  EXPECT_EQ(Atts(ifspnspn("Q", ab->sym->spns)->atts),
            (Strings{"CLOCK=RISE", "PINTYPE=UNDEFINED_DIRECTION"}));
  EXPECT_EQ(Atts(ab->sym->atts),
            (Strings{"FAMILY=CMOS", "FAMILY=TTL", "MODEL=M1", "SIGNAL=PWR;VCC", "SIGNAL=PWR;VDD"}));
  IwCom* u1 = fetch_grp_com(top, "U1");
  IwCom* u2 = fetch_grp_com(top, "U2");
  ASSERT_NE(u1, nullptr);
  ASSERT_NE(u2, nullptr);
  EXPECT_EQ(u1->sym, ab->sym);
  EXPECT_EQ(PinNets(u1), (Strings{"N1", "N2", "N2", "N3"}));
  EXPECT_EQ(PinNets(u2), (Strings{"N3", "N4", "-", "-"}));
  EXPECT_EQ(Atts(u1->atts), (Strings{"DELAY=3"}));  // labels are not copied
  // The sections are gone: components, their pins on the nets, groups.
  Strings coms;
  for (IwCom* c = iggrpcom(top, nullptr); c; c = iggrpcom(top, c)) coms.push_back(c->name);
  EXPECT_EQ(coms, (Strings{"U1", "U2"}));
  EXPECT_EQ(PinsOn(fetch_net(top, "N2")), (Strings{"U1.3", "U1.2"}));
  EXPECT_EQ(Group("A"), nullptr);
  EXPECT_EQ(Group("B"), nullptr);
  for (IwGrp* g = iwgetgrp(nullptr); g; g = iwgetgrp(g)) EXPECT_NE(std::string(g->name), "A");
  int st;
  EXPECT_EQ(iwcheckgrp(top, &st), 1) << st;
  // A second pass finds nothing left to do.
  EXPECT_EQ(iwhetero(), 1);
  EXPECT_EQ(Codes(), Strings{});
}

TEST_F(IwHetero, PinOrderFromTheAttributeOrFromAPinOrderFile) {
  Load(Part("AS A HETERO_PINORDER=Q,D X Y\n"));
  IwGrp* ab = Group("AB");
  ASSERT_NE(ab, nullptr);
  Strings pins;
  for (const IwSpn* s = ab->sym->spns; s; s = s->next) pins.push_back(s->name);
  EXPECT_EQ(pins, (Strings{"Q", "D", "X", "Y"}));
  EXPECT_EQ(PinNets(fetch_grp_com(Group("TOP"), "U1")), (Strings{"N3", "N2", "N1", "N2"}));

  Write("lib/sym/b.hpn", "y\nd\r\nq x\n");  // any case, line ends are blanks
  Load(Part());
  pins.clear();
  for (const IwSpn* s = Group("AB")->sym->spns; s; s = s->next) pins.push_back(s->name);
  EXPECT_EQ(pins, (Strings{"Y", "D", "Q", "X"}));

  // A line that would take the text past 16384 characters is dropped with
  // the rest of the file, a pin named there with it.
  Write("lib/sym/b.hpn", "x q\nd y\n" + std::string(20000, ' ') + "a\nz\n");
  EXPECT_EQ(Load(Part()), (Strings{"nodex-E-347"}));
  pins.clear();
  for (const IwSpn* s = Group("AB")->sym->spns; s; s = s->next) pins.push_back(s->name);
  EXPECT_EQ(pins, (Strings{"X", "Q", "D", "Y"}));
}

// Each check before anything is made: its message, a failed pass, and
// the design exactly as it was.
TEST_F(IwHetero, AFamilyThatFailsItsChecksLeavesTheDesignAlone) {
  struct Case {
    const char* what;
    std::string sheet;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"one section", Part("", "", "(A)", "(A)"), "nodex-E-505"},
      {"unclosed", Part("", "", "(A)(B", "(A)(B"), "nodex-E-504"},
      {"text outside", Part("", "", "A)(B)", "A)(B)"), "nodex-E-503"},
      {"order differs", Part("", "", "(A)(B)", "(B)(A)"), "nodex-E-502"},
      {"missing section", Part("", "", "(A)(C)", "(A)(C)"), "nodex-E-501"},
      {"no combined name",
       "AS A PINORDER=X\nAS A HETERO=(A)(B)\nAS B PINORDER=D\nAS B HETERO=(A)(B)\n"
       "M A S1\nM B S2\nI S1 A N1 HETERO_LABEL=U1`\nI S2 B N2 HETERO_LABEL=U1`\n",
       "nodex-E-510"},
      {"combined name invalid", Part("AS A HETERO_SYMNAME=A'B\n"), "nodex-E-511"},
      {"pin order leaves a pin out", Part("AS A HETERO_PINORDER=X Y D\n"), "nodex-E-508"},
      {"pin order names no pin", Part("AS A HETERO_PINORDER=X Y D Q Z\n"), "nodex-E-509"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Strings codes = Load(c.sheet);
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.back(), c.message);
    EXPECT_EQ(result_, 0);
    EXPECT_EQ(testutil::DumpModel(), before_);
    EXPECT_EQ(iws.hetsets, nullptr);
  }
}

TEST_F(IwHetero, ComponentsWithoutALabelAndFamiliesNotPrimitiveStayAsTheyAre) {
  // S3 has no label: reported, and it stays a section component.
  std::string sheet = Part();
  sheet.replace(sheet.find("HETERO_LABEL=U2`"), 16, "");
  EXPECT_EQ(Load(sheet), (Strings{"nodex-E-516"}));
  IwGrp* top = Group("TOP");
  Strings coms;
  for (IwCom* c = iggrpcom(top, nullptr); c; c = iggrpcom(top, c)) coms.push_back(c->name);
  EXPECT_EQ(coms, (Strings{"S3", "U1"}));
  EXPECT_EQ(PinsOn(fetch_net(top, "N3")), (Strings{"U1.4", "S3.1"}));

  // A family with a section that is not primitive is dropped (517, a
  // warning), the rest of the design combined as usual.
  std::string two = Part() +
                    "AS P HETERO=(P)(Q)\nAS P HETERO_SYMNAME=PQ\nAS P PINORDER=I\n"
                    "AS Q HETERO=(P)(Q)\nAS Q PINORDER=I\nW Q T1\nM P T2\n"
                    "I T1 Q N5 HETERO_LABEL=V1`\nI T2 P N5 HETERO_LABEL=V1`\n";
  EXPECT_EQ(Load(two, "AS INV PINORDER=A Y\nM INV G\nI G INV I O\nP IN I\nI I IN I\n"),
            (Strings{"nodex-W-517"}));
  EXPECT_NE(Group("AB"), nullptr);
  EXPECT_EQ(Group("PQ"), nullptr);
  EXPECT_NE(fetch_grp_com(Group("TOP"), "T1"), nullptr);
}

TEST_F(IwHetero, WithCombiningOffALoadLeavesTheSectionsSeparate) {
  Start();
  Sheet("TOP", 1, Part());
  ASSERT_EQ(iwcombine_hetero(0), 0);
  ASSERT_NE(iwgroup("TOP"), nullptr);
  EXPECT_EQ(Group("AB"), nullptr);
  EXPECT_NE(Group("A"), nullptr);
  Restart();
  Start();
  Sheet("TOP", 1, Part());
  iwcombine_hetero(1);
  ASSERT_NE(iwgroup("TOP"), nullptr);  // the pass runs at the end of a load
  EXPECT_NE(Group("AB"), nullptr);
  EXPECT_EQ(Group("A"), nullptr);
}

}  // namespace
