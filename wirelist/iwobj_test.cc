// wirelist/iwobj_test.cc - constructors and linking rules of the records.
#include "wirelist/iwobj.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/iwtesting.h"
#include "util/rkstr.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwinit.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"

namespace {

class IwObj : public iwtest::Fixture {
 protected:
  // Names a new group through iwaddgroup(null, type), as the reader does.
  static IwGrp* AddGroup(const char* name, int type) {
    rkStrncpyNullTerm(iws.token, name, sizeof iws.token);
    return iwaddgroup(nullptr, type);
  }

  static std::string Atts(const IwAtt* a) {
    std::string out;
    for (; a; a = a->next) out += std::string(a->name) + "=" + (a->value ? a->value : "-") + " ";
    return out;
  }
};

TEST_F(IwObj, AttributeListsStaySortedByNameThenValue) {
  IwAtt* list = nullptr;
  list = iwaddatt(list, iwmkatt("B", "1"));
  list = iwaddatt(list, iwmkatt("A", "2"));
  list = iwaddatt(list, iwmkatt("A", "1"));
  EXPECT_EQ(Atts(list), "A=1 A=2 B=1 ");
  list = iwaddatt(list, iwmkatt("A", nullptr));  // passes the equal names
  EXPECT_EQ(Atts(list), "A=1 A=2 A=- B=1 ");
  list = iwaddatt(list, iwmkatt("A", "10"));
  list = iwaddatt(list, iwmkatt("C", "0"));
  EXPECT_EQ(Atts(list), "A=1 A=10 A=2 A=- B=1 C=0 ");

  EXPECT_STREQ(iwgetatt(list, "A")->value, "1");
  EXPECT_EQ(iwgetatt(list, "AA"), nullptr);
  EXPECT_EQ(iwgetatt(list, "D"), nullptr);
  EXPECT_STREQ(iwdupatt(list, "A", "10")->value, "10");
  EXPECT_EQ(iwdupatt(list, "B", "2"), nullptr);

  IwAtt* a2 = iwdupatt(list, "A", "2");
  list = iwdelatt(list, a2);
  EXPECT_EQ(Atts(list), "A=1 A=10 A=- B=1 C=0 ");
  EXPECT_EQ(iwmakatt(), a2);  // went to the free list
}

TEST_F(IwObj, DuplicateAndSignalMatches) {
  IwAtt* list = nullptr;
  list = iwaddatt(list, iwmkatt("SIGNAL", "GND;VSS"));
  list = iwaddatt(list, iwmkatt("SIGNAL", "VDD;VCC"));
  IwAtt* mixed = iwmakatt();
  mixed->name = iwmkname("MODEL");
  mixed->value = IwNameForTests::Raw("abc");  // not interned: values compare ignoring case
  list = iwaddatt(list, mixed);
  EXPECT_EQ(iwdupatt(list, "MODEL", "ABC"), mixed);
  EXPECT_STREQ(iwsigatt(list, "SIGNAL", "PWR;VCC")->value, "VDD;VCC");
  EXPECT_EQ(iwsigatt(list, "SIGNAL", "GND;VCX"), nullptr);
  EXPECT_EQ(iwsigatt(list, "OTHER", "GND;VSS"), nullptr);
}

TEST_F(IwObj, SymbolsGoInByNumberBehindTheFirst) {
  IwGrp* g = iwmkgroup("ALU");
  g->sym->number = 4;
  for (int n : {1, 3, 2, 5, 2}) {
    IwSym* s = iwmksym(nullptr);
    s->number = static_cast<std::int16_t>(n);
    EXPECT_EQ(iagrpsym(g, s), g);
    EXPECT_EQ(s->grp, g);
  }
  std::string order;
  for (IwSym* s = g->sym; s; s = s->next) order += std::to_string(s->number);
  EXPECT_EQ(order, "412235");
}

TEST_F(IwObj, FirstAddedGroupIsTheTopGroup) {
  IwGrp* top = AddGroup("TOP", IW_UNKNOWN);
  IwGrp* sub = AddGroup("SUB", IW_COMPOSITE);
  EXPECT_EQ(iws.topgrp, top);
  EXPECT_EQ(iws.grpref, sub);
  EXPECT_EQ(sub->next, top);
  EXPECT_EQ(sub->sym->symtype, IW_COMPOSITE);
  EXPECT_EQ(sub->sym->number, 1);
  EXPECT_EQ(sub->sym->grp, sub);
  EXPECT_EQ(fetch_grp("TOP"), top);
  EXPECT_EQ(iwaddgroup(top, IW_COMPOSITE), top);  // unknown takes the type
  EXPECT_EQ(top->sym->symtype, IW_COMPOSITE);
}

TEST_F(IwObj, TypeConflictsAreReportedAndIgnored) {
  IwGrp* g = AddGroup("ADD4", IW_MODULE);
  const std::pair<int, int> cases[] = {
      {IW_MODULE, 1}, {IW_PLD, 1}, {IW_UNKNOWN, 1}, {IW_COMPOSITE, 0}, {IW_PIN, 0}};
  for (auto [type, ok] : cases) {
    SCOPED_TRACE(type);
    long errors = iws.msgcount[2];
    auto msgs = iwtest::Messages([&] { EXPECT_EQ(iwchktype(g, type), ok); });
    EXPECT_EQ(g->sym->symtype, IW_MODULE);
    EXPECT_EQ(iws.msgcount[2] - errors, ok ? 0 : 1);
    EXPECT_EQ(iwtest::Join(msgs), ok ? "" : "E282");
  }
  g->sym->symtype = IW_PLD;
  EXPECT_EQ(iwchktype(g, IW_COMPOSITE), 1);
  EXPECT_STREQ(iwsymtype(7), "UNKNOWN");
  EXPECT_STREQ(iwsymtype(IW_PLDCOMP), "PLDCOMP");
  EXPECT_STREQ(iwotypnam(0), "UNKNOWN_OTYPE");
}

TEST_F(IwObj, PldComponentGroupsAreHiddenFromTheTableLookup) {
  IwGrp* g = AddGroup("PAL16", IW_PLDCOMP);
  char name[] = "pal16";
  EXPECT_EQ(iwgrpref(name), nullptr);
  EXPECT_STREQ(name, "PAL16");  // upper-cased in place
  EXPECT_EQ(iwgengrpref("PAL16"), g);
  g->sym->symtype = IW_COMPOSITE;
  EXPECT_EQ(iwgrpref(name), g);
  EXPECT_EQ(iwgengrpref("pal16"), nullptr);
}

TEST_F(IwObj, NetsAreInternedPerGroupAndRingToThemselves) {
  IwGrp* g = iwmkgroup("ALU");
  EXPECT_EQ(iwmknet("?", g), nullptr);
  EXPECT_EQ(iwnetcount(), 0);
  IwNet* a = iwmknet("A0", g);
  IwNet* b = iwmknet("B0", g);
  EXPECT_EQ(iwmknet("A0", g), a);
  EXPECT_EQ(iwnetcount(), 2);
  EXPECT_EQ(a->pins, a);
  EXPECT_EQ(iwringnum(a), 0);
  EXPECT_EQ(g->nets, b);
  EXPECT_EQ(b->next, a);
  EXPECT_EQ(g->lastnet, a);
  EXPECT_EQ(a->grp, g);
  EXPECT_NE(iwmknet("A0", iwmkgroup("OTHER")), a);
}

TEST_F(IwObj, ComponentsGoToTheHeadOfTheirSheet) {
  IwGrp* g = iwmkgroup("ALU");
  iws.cursheet = 2;
  IwSch* s2 = iwgetsch(g);
  iws.cursheet = 1;
  IwSch* s1 = iwgetsch(g);
  EXPECT_EQ(g->schs, s2);  // sheets stay in creation order
  EXPECT_EQ(s2->next, s1);
  EXPECT_EQ(iwgetsch(g), s1);
  EXPECT_EQ(s1->number, 1);

  IwCom* c1 = iwmkcomp("$1I1", "add4", IW_MODULE);
  IwCom* c2 = iwmkcomp("$1I2", "ADD4", IW_MODULE);
  c2->atts = iwaddatt(c2->atts, iwmkatt("LABEL", "U7"));
  iwaddcomp(s1, c1);
  iwaddcomp(s1, c2);
  EXPECT_EQ(iwcompcount(), 2);
  EXPECT_EQ(s1->coms, c2);
  EXPECT_EQ(s1->lastcom, c1);
  EXPECT_EQ(c1->sch, s1);
  EXPECT_EQ(fetch_com(s1, "U7"), c2);
  EXPECT_EQ(fetch_com(s1, "$1I2"), nullptr);
  EXPECT_EQ(fetch_com(s2, "U7"), nullptr);

  IwGrp* add4 = fetch_grp("ADD4");
  ASSERT_NE(add4, nullptr);
  EXPECT_EQ(c1->sym, add4->sym);
  EXPECT_EQ(add4->sym->symtype, IW_MODULE);
  EXPECT_EQ(iws.grpref, add4);
  EXPECT_EQ(iws.topgrp, nullptr);  // only iwaddgroup makes a top group
}

TEST_F(IwObj, UniqueStringsModeCopiesInstanceNames) {
  IwCom* a = iwmkcomp("U1", "G", IW_MODULE);
  IwCom* b = iwmkcomp("U1", "G", IW_MODULE);
  EXPECT_EQ(a->name, b->name);
  iwuniquestr();
  IwCom* c = iwmkcomp("u1", "G", IW_MODULE);
  IwCom* d = iwmkcomp("u1", "G", IW_MODULE);
  EXPECT_STREQ(c->name, "U1");
  EXPECT_NE(c->name, d->name);
}

TEST_F(IwObj, IteratorsWalkSheetsAndGroups) {
  IwGrp* g = iwmkgroup("ALU");
  const char* names[][2] = {{"A", "B"}, {"C", nullptr}};
  for (int s = 0; s < 2; ++s) {
    iws.cursheet = s + 1;
    for (const char* n : names[s])
      if (n) iwaddcomp(iwgetsch(g), iwmkcomp(n, "G", IW_MODULE));
  }
  iws.cursheet = 3;
  iwgetsch(g);  // an empty sheet ends the walk
  iws.cursheet = 4;
  iwaddcomp(iwgetsch(g), iwmkcomp("D", "G", IW_MODULE));
  std::string seen;
  for (IwCom* c = iwallcomp(g, nullptr); c; c = iwallcomp(g, c)) seen += c->name;
  EXPECT_EQ(seen, "BAC");

  const std::pair<const char*, int> groups[] = {{"MOD", IW_MODULE},  {"PIN", IW_PIN},
                                                {"PLD", IW_PLD},     {"CMP", IW_COMPOSITE},
                                                {"UNK", IW_UNKNOWN}, {"PCMP", IW_PLDCOMP}};
  for (auto [name, type] : groups) AddGroup(name, type);
  std::string listed;
  for (IwGrp* x = iwgetgrp(nullptr); x; x = iwgetgrp(x)) listed += std::string(x->name) + " ";
  EXPECT_EQ(listed, "PCMP CMP MOD G ");
}

}  // namespace
