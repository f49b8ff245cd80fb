// wirelist/iwcheck_test.cc - the consistency checker: each rule on the
// situation that breaks it (status and messages), a sound design passing,
// and the group check stopping at the first failure.
#include "wirelist/iwcheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/iwdesign.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwgroup.h"
#include "wirelist/iwname.h"

namespace {

using Strings = std::vector<std::string>;

class IwCheck : public testutil::IwDesign {
 protected:
  // A sound design: TOP with two inverters between its ports, a bus
  // register in the middle, and one library group REG.
  void Load() {
    Start();
    // The primitives' symbol files put them in the library as well.
    Write("lib/sym/inv.1", "");
    Write("lib/sym/reg.1", "");
    // (The ports come first: iwcheck also takes the newest group, whatever
    // its type, and a port symbol is in no library.)
    Sheet("TOP", 1,
          "P IN A\nI A IN A\nP OUT Y\nI Y OUT Y\n"
          "AS INV PINORDER=A Y\nAS REG PINORDER=D[0:3] Q\n"
          "M INV U1\nI U1 INV A N1 LABEL=X`\nM INV U2\nI U2 INV N1 Y\n"
          "M REG U3\nI U3 REG B[0:3] N1\n");
    ASSERT_NE(iwgroup("TOP"), nullptr);
    top_ = Group("TOP");
    Codes();
  }

  static IwCom* Com(const char* name) {
    for (IwCom* c = iggrpcom(Group("TOP"), nullptr); c; c = iggrpcom(Group("TOP"), c))
      if (std::string(c->name) == name) return c;
    return nullptr;
  }

  IwGrp* top_ = nullptr;
};

TEST_F(IwCheck, ASoundDesignPasses) {
  Load();
  int status = -1;
  EXPECT_EQ(iwcheck(&status), 1);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(iwcheckgrp(top_, &status), 1);
  EXPECT_EQ(iwcheckobj(), nullptr);
  EXPECT_EQ(Codes(), Strings{});
}

TEST_F(IwCheck, Names) {
  Start();
  const std::string at_limit(255, 'N'), past_limit(256, 'N');
  struct Case {
    const char* name;
    int ok;
    const char* code;  // message, or "" for none
  } cases[] = {
      {"A", 1, ""},
      {at_limit.c_str(), 1, ""},
      {past_limit.c_str(), 0, "nodex-W-494"},
      {"A'B", 0, "nodex-W-498"},
      {"A\nB", 0, "nodex-W-498"},
      {"", 0, "nodex-W-441"},
      {nullptr, 0, "nodex-W-433"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name ? std::string(c.name).substr(0, 8) : "(null)");
    int status = 0;
    EXPECT_EQ(i_check_name(c.name, &status), c.ok);
    EXPECT_EQ(status, c.ok ? 0 : IW_CHK_BADNAME);
    EXPECT_EQ(Codes(), c.code[0] ? Strings{c.code} : Strings{});
  }
  int status = 0;
  i_check_name(past_limit.c_str(), &status);
  EXPECT_NE(Texts().at(0).find(" is 256 characters long; names must be shorter than 256"),
            std::string::npos);
}

TEST_F(IwCheck, NameOrderOfNetsComponentsAndAttributes) {
  Start();
  IwGrp group;
  group.name = iwmkname("G");
  IwSch sheet;
  sheet.grp = &group;
  struct Case {
    const char* first;
    const char* second;
    int net_status, com_status, att_status;
  } cases[] = {
      {"A", "B", 0, 0, 0},
      {"B", "A", IW_CHK_NETORDER, IW_CHK_COMORDER, IW_CHK_ATTORDER},
      {"A", "A", IW_CHK_NETTWICE, IW_CHK_DUPNAME, 0},  // equal attribute names are allowed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.first) + " " + c.second);
    IwNet n2, n1;
    n1.name = c.first, n2.name = c.second, n1.next = &n2, n1.grp = n2.grp = &group;
    IwCom c2, c1;
    c1.name = c.first, c2.name = c.second, c1.next = &c2, c1.sch = c2.sch = &sheet;
    IwAtt a2, a1;
    a1.name = c.first, a2.name = c.second, a1.next = &a2;
    int status = 0;
    EXPECT_EQ(i_check_netnames(&n1, &status), c.net_status == 0);
    EXPECT_EQ(status, c.net_status);
    status = 0;
    EXPECT_EQ(i_check_comnames(&c1, &status), c.com_status == 0);
    EXPECT_EQ(status, c.com_status);
    status = 0;
    EXPECT_EQ(i_check_attnames(&a1, &status), c.att_status == 0);
    EXPECT_EQ(status, c.att_status);
    EXPECT_EQ(i_check_netnames(&n2, &status), 1);  // the last always passes
  }
  EXPECT_EQ(Codes(),
            (Strings{"nodex-W-450", "nodex-W-448", "nodex-W-452", "nodex-W-451", "nodex-W-449"}));
}

TEST_F(IwCheck, SymbolPinsOfNonPrimitiveSymbolsMustBeTied) {
  Load();
  IwSpn* a = top_->sym->spns;  // port A of the COMPOSITE top
  int status = 0;
  EXPECT_EQ(i_check_spnnet(a, &status), 1);
  IwNet* net = a->net;
  a->net = nullptr;
  EXPECT_EQ(i_check_spnnet(a, &status), 0);
  EXPECT_EQ(status, IW_CHK_SPNUNTIED);
  a->net = reinterpret_cast<IwNet*>(Com("U1"));  // tied to something that is not a net
  EXPECT_EQ(i_check_spnnet(a, &status), 0);
  EXPECT_EQ(status, IW_CHK_WRONGTYPE);
  EXPECT_EQ(Codes(), (Strings{"nodex-W-442", "nodex-W-434", "nodex-W-443"}));
  a->net = net;
  IwSpn* inv_a = Group("INV")->sym->spns;  // MODULE: never tied, always passes
  EXPECT_EQ(i_check_spnnet(inv_a, &status), 1);
}

TEST_F(IwCheck, ComponentPinCountAndPinWidths) {
  Load();
  int status = 0;
  IwCom* u3 = Com("U3");
  EXPECT_EQ(i_check_comspncnt(u3, &status), 1);
  // Pin 1 of U3 is on B[0:3] and its symbol pin is D[0:3]; make it D[0:7].
  IwSpn* d = Group("REG")->sym->spns;
  EXPECT_EQ(i_check_pinspn(igcompin(u3), &status), 1);
  const char* name = d->name;
  d->name = iwmkname("D[0:7]");
  EXPECT_EQ(i_check_pinspn(igcompin(u3), &status), 0);
  EXPECT_EQ(status, IW_CHK_WIDTH);
  EXPECT_NE(Texts().at(0).find("Net B[0:3] is 4 bits wide but pin D[0:7] is 8 bits wide"),
            std::string::npos);
  d->name = name;

  IwSym* sym = u3->sym;
  sym->npins = 3;  // the list holds 2
  EXPECT_EQ(i_check_comspncnt(u3, &status), 0);
  sym->npins = 0;
  EXPECT_EQ(i_check_comspncnt(u3, &status), 0);
  EXPECT_EQ(status, IW_CHK_PINCOUNT);
  sym->npins = 2;
  u3->sym = nullptr;
  EXPECT_EQ(i_check_comspncnt(u3, &status), 0);
  EXPECT_EQ(status, IW_CHK_NOSYMBOL);
  u3->sym = sym;
  EXPECT_EQ(Codes(), (Strings{"nodex-W-446", "nodex-W-445", "nodex-W-444"}));
}

TEST_F(IwCheck, OwnersByType) {
  Load();
  int status = 0;
  IwCom* u1 = Com("U1");
  IwNet* n1 = Net("TOP", "N1");
  EXPECT_EQ(i_check_owner(igcompin(u1), u1, &status), 1);
  EXPECT_EQ(i_check_owner(u1->atts, u1, &status), 1);  // found by the owner look-up
  EXPECT_EQ(i_check_owner(top_->sym->spns, top_->sym, &status), 1);
  EXPECT_EQ(i_check_owner(n1, top_, &status), 1);
  EXPECT_EQ(i_check_owner(n1, Group("INV"), &status), 0);
  EXPECT_EQ(status, IW_CHK_OWNER);
  EXPECT_EQ(i_check_owner(u1, top_->schs->next, &status), 0);
  EXPECT_EQ(i_check_owner(iws.libs, top_, &status), 0);
  EXPECT_EQ(status, IW_CHK_LIBOWNER);
  EXPECT_EQ(i_check_owner(n1, nullptr, &status), 0);
  EXPECT_EQ(status, IW_CHK_MISSING);
  std::vector<std::string> texts = Texts();
  std::int32_t stranger = 42;  // no object type
  EXPECT_EQ(i_check_owner(&stranger, top_, &status), 0);
  EXPECT_EQ(status, IW_CHK_WRONGTYPE);
  EXPECT_EQ(i_check_otype(n1, NX_COMPONENTS, &status), 0);
  EXPECT_EQ(status, IW_CHK_WRONGTYPE);
  EXPECT_EQ(Codes(), (Strings{"nodex-W-440", "nodex-W-434"}));
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_NE(texts[0].find("i_check_owner - NET"), std::string::npos);
  EXPECT_NE(texts[1].find("i_check_owner - owner"), std::string::npos);  // no such sheet
  EXPECT_NE(texts[2].find("i_check_owner - LIB"), std::string::npos);
  EXPECT_NE(texts[3].find("i_check_owner - owner"), std::string::npos);
}

TEST_F(IwCheck, TheGroupCheckStopsAtTheFirstFailure) {
  Load();
  // Two faults: a bad component name (sheets come first) and nets out of
  // order (checked last).  Only the first is reported.
  IwCom* u2 = Com("U2");
  u2->name = iwmkname("U'2");
  IwNet* first = Net("TOP", "N1");
  std::swap(first->name, first->next->name);  // N1 and Y
  int status = 0;
  EXPECT_EQ(iwcheckgrp(top_, &status), 0);
  EXPECT_EQ(status, IW_CHK_BADNAME);
  EXPECT_EQ(iwcheckobj(), u2);
  EXPECT_EQ(Codes(), (Strings{"nodex-W-498", "nodex-W-437"}));

  u2->name = iwmkname("U2");
  EXPECT_EQ(iwcheck(&status), 0);
  EXPECT_EQ(status, IW_CHK_NETORDER);
  EXPECT_EQ(iwcheckobj(), first);
  std::vector<std::string> texts = Texts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_NE(texts[1].find("iwcheckgrp - NET"), std::string::npos);
  EXPECT_NE(texts[2].find("iwcheck: group TOP failed"), std::string::npos);
}

TEST_F(IwCheck, EachStepOfTheGroupCheckNamesItsContext) {
  struct Case {
    const char* what;
    void (*spoil)(IwGrp* top);
    int status;
    Strings codes;
  } cases[] = {
      {"two pins named A",
       [](IwGrp* top) { top->sym->spns->next->name = top->sym->spns->name; },
       IW_CHK_DUPNAME,
       {"nodex-W-453", "nodex-W-458"}},
      {"net attributes out of order",
       [](IwGrp* top) {
         IwNet* n = top->nets;
         n->atts = iwaddatt(nullptr, iwmkatt("B", nullptr));
         n->atts->owner = n;
         n->atts->next = iwmkatt("A", nullptr);
         n->atts->next->owner = n;
       },
       IW_CHK_ATTORDER,
       {"nodex-W-452", "nodex-W-438", "nodex-W-456"}},
      {"a sheet of another group",
       [](IwGrp* top) { top->schs->grp = nullptr; },
       IW_CHK_OWNER,
       {"nodex-W-436", "nodex-W-436"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Restart();
    Load();
    c.spoil(top_);
    int status = 0;
    EXPECT_EQ(iwcheckgrp(top_, &status), 0);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(Codes(), c.codes);
  }
}

TEST_F(IwCheck, WritabilityFollowsTheLibraryUnlessSwitchedOff) {
  Start();
  Write("drafta.ini", "DIR [w] lib\nDIR [r] ro\n");
  Write("ro/wir/cells.1", "V 4.09\nDW CELLS\nAS INV PINORDER=\nM INV U1\nEW\n");
  Restart();
  ASSERT_EQ(iwinit(), 1);
  iwchktime();
  Sheet("TOP", 1, "AS CELLS PINORDER=\nW CELLS U1\n");
  ASSERT_NE(iwgroup("TOP"), nullptr);
  Codes();
  int status = 0;
  EXPECT_EQ(i_check_writable(Group("TOP")->schs, &status), 1);
  EXPECT_EQ(i_check_writable(Group("CELLS"), &status), 0);
  EXPECT_EQ(status, IW_CHK_NOTWRITABLE);
  EXPECT_EQ(i_check_writable(nullptr, &status), 0);
  EXPECT_EQ(Codes(), Strings{"nodex-W-433"});
  EXPECT_EQ(iwnochk_writable(1), 1);
  EXPECT_EQ(iwnochk_writable(7), 1);  // only 0 and 1 change it
  EXPECT_EQ(i_check_writable(Group("CELLS"), &status), 1);
  EXPECT_EQ(iwnochk_writable(0), 0);
}

TEST_F(IwCheck, Directions) {
  Start();
  struct Case {
    const char* text;
    int ok;
    bool message;
  } cases[] = {{"OUT", 1, false},    {"OCL", 1, false},  {"UNDEFINED_DIRECTION", 1, false},
               {"out", 0, true},     {"XOUT", 0, true},  {"", 0, true},
               {"OUTPUT", 0, false}, {nullptr, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(null)");
    EXPECT_EQ(i_check_direction(c.text), c.ok);
    EXPECT_EQ(Codes(), c.message ? Strings{"nodex-W-454"} : Strings{});
  }
}

TEST_F(IwCheck, RecursionIsFoundBelowAndTheWalkEnds) {
  Start();
  Sheet("TOP", 1, "AS MID PINORDER=\nW MID U1\n");
  Sheet("MID", 1, "AS LEAF PINORDER=\nW LEAF U1\nAS LOOP PINORDER=\nW LOOP U2\n");
  Sheet("LOOP", 1, "AS LOOP PINORDER=\nW LOOP U1\n");  // contains itself
  Sheet("LEAF", 1, "AS INV PINORDER=\nM INV U1\n");
  ASSERT_NE(iwgroup("TOP"), nullptr);
  Codes();
  int flag = 0;
  EXPECT_EQ(i_check_recgrp(Group("TOP"), Group("INV"), &flag), 0);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(i_check_recgrp(Group("TOP"), Group("MID"), &flag), 0);  // flag already set
  EXPECT_EQ(Codes(), Strings{"nodex-W-455"});
  flag = 0;
  EXPECT_EQ(i_check_recgrp(Group("LEAF"), Group("TOP"), &flag), 1);
  EXPECT_EQ(i_check_recgrp(Group("MID"), Group("TOP"), &flag), 1);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(i_check_usable(Group("TOP")), 1);
  EXPECT_EQ(i_check_usable(nullptr), 0);
}

}  // namespace
