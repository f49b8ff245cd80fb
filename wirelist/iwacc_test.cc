// wirelist/iwacc_test.cc - accessors and iterators.
#include "wirelist/iwacc.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/iwtesting.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwname.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"

namespace {

class IwAcc : public iwtest::Fixture {
 protected:
  // A group whose symbol has the named pins, in order.
  static IwGrp* Group(const char* name, std::vector<const char*> pins) {
    IwGrp* g = iwmkgroup(name);
    store_grp(g);
    IwSpn** link = &g->sym->spns;
    for (const char* p : pins) {
      *link = iwmkspin(p);
      link = &(*link)->next;
      ++g->sym->npins;
    }
    return g;
  }

  // A component of group sym placed on sheet `sheet` of owner, with a pin
  // array as large as the symbol.
  static IwCom* Place(IwGrp* owner, int sheet, const char* inst, IwGrp* of) {
    iws.cursheet = sheet;
    IwCom* c = iwpoolnew<IwCom>();
    c->name = iwmkname(inst);
    c->sym = of->sym;
    iwaddcomp(iwgetsch(owner), c);
    c->pins = iwmakpin(of->sym->npins);
    c->pins->com = c;
    return c;
  }

  // What an attribute iterator of a component or pin walks through.
  template <typename T>
  static std::string Names(IwAtt* (*next)(const T*, const IwAtt*), const T* obj) {
    std::string s;
    for (const IwAtt* a = next(obj, nullptr); a; a = next(obj, a))
      s += std::string(a->name) + "=" + a->value.c_str() + " ";
    return s;
  }

  // Adds the attributes to list through iaaddatt, in order.
  static void Add(IwAtt*& list, std::initializer_list<std::pair<const char*, const char*>> atts) {
    for (auto [name, value] : atts) list = iaaddatt(list, name, value);
  }
};

TEST_F(IwAcc, PinsReachTheirNetThroughTheRingAndStayInsideTheirArray) {
  IwGrp* top = Group("TOP", {});
  IwGrp* and3 = Group("AND3", {"A", "B", "Y"});
  IwCom* c = Place(top, 1, "U1", and3);
  IwPin* p1 = igcompin(c);
  IwPin* p2 = igpincnx(p1);
  IwPin* p3 = igpincnx(p2);
  ASSERT_TRUE(p1 && p2 && p3);
  EXPECT_EQ(igpincnx(p3), nullptr);  // the next array element is not a pin
  EXPECT_EQ(ifpinpin(3, p1), p3);
  EXPECT_EQ(ifpinpin(0, p1), nullptr);
  EXPECT_EQ(ifpinpin(4, p1), nullptr);
  EXPECT_EQ(igpinown(p3), c);
  EXPECT_STREQ(igpinspn(p2)->name, "B");

  IwNet* n1 = iwmknet("N1", top);
  IwNet* vcc = iwmknet("VCC", top);
  vcc->kind = IW_GLOBALNET;
  ianetpin(n1, p1);
  ianetpin(n1, p3);  // ring: N1 -> p3 -> p1 -> N1
  ianetpin(vcc, p2);
  EXPECT_EQ(igpinnet(p2), vcc);
  EXPECT_EQ(ignetpin(n1), p3);
  EXPECT_EQ(igpinnnx(p3), p1);
  EXPECT_EQ(igpinnnx(p1), nullptr);

  EXPECT_EQ(idnetpin(n1, p3), p1);  // the ring closes around the gap
  EXPECT_EQ(ignetpin(n1), p1);
  EXPECT_EQ(igpinnet(p3), nullptr);  // taken off as the head of the ring
  EXPECT_EQ(idnetpin(n1, p1), nullptr);
  EXPECT_EQ(ignetpin(n1), nullptr);

  // A symbol that lost a pin after the array was made bounds the walk.
  and3->sym->npins = 2;
  EXPECT_EQ(igpincnx(p2), nullptr);
  EXPECT_EQ(ifpinpin(3, p1), nullptr);

  and3->sym->spns->next->net = vcc;
  vcc->grp = and3;
  IwSym* sym = nullptr;
  EXPECT_STREQ(ignetspn(vcc, &sym)->name, "B");
  EXPECT_EQ(sym, and3->sym);
}

// A pin names its net without walking the ring; the name must follow the
// pin through every way it changes rings.
TEST_F(IwAcc, PinNetFollowsThePinFromRingToRing) {
  IwGrp* top = Group("TOP", {});
  IwGrp* buf = Group("BUF", {"A", "Y"});
  IwNet* a = iwmknet("A", top);
  IwNet* b = iwmknet("B", top);
  std::vector<IwPin*> pins;
  for (const char* inst : {"U1", "U2", "U3"}) {
    IwPin* p = igcompin(Place(top, 1, inst, buf));
    ianetpin(a, p);
    pins.push_back(p);
  }
  IwPin* open = igpincnx(pins[0]);
  for (IwPin* p : pins) EXPECT_EQ(igpinnet(p), a);
  EXPECT_EQ(igpinnet(open), nullptr);

  // Moved as the alias pass merges nets: off one ring, onto another.
  idnetpin(a, pins[1]);
  EXPECT_EQ(igpinnet(pins[1]), nullptr);
  ianetpin(b, pins[1]);
  EXPECT_EQ(igpinnet(pins[1]), b);
  EXPECT_EQ(igpinnet(pins[0]), a);
  EXPECT_EQ(igpinnet(pins[2]), a);

  // An array given back and taken again starts with no net.
  IwPin* head = pins[2] - 1;
  idnetpin(a, pins[2]);
  iwfrpin(head);
  EXPECT_EQ(igpinnet(iwmakpin(2) + 1), nullptr);
}

TEST_F(IwAcc, GroupComponentsRunAcrossSheetsPassingEmptyOnes) {
  IwGrp* top = Group("TOP", {});
  IwGrp* inv = Group("INV", {"A", "Y"});
  IwCom* u1 = Place(top, 1, "U1", inv);
  IwCom* u2 = Place(top, 1, "U2", inv);
  iws.cursheet = 2;
  iwgetsch(top);  // sheet 2 stays empty
  IwCom* u3 = Place(top, 3, "U3", inv);
  std::vector<IwCom*> seen;
  for (IwCom* c = iggrpcom(top, nullptr); c; c = iggrpcom(top, c)) seen.push_back(c);
  EXPECT_EQ(seen, (std::vector<IwCom*>{u2, u1, u3}));

  u3->atts = iaaddatt(u3->atts, "LABEL", "U7");
  EXPECT_EQ(ifcomcom("u7", u2), u3);  // found by label across the empty sheet
  EXPECT_EQ(ifcomcom("U3", u2), nullptr);
  EXPECT_EQ(ifcomcom("U2", u1), nullptr);  // the search runs forward only
  EXPECT_EQ(iwshdone("top", 3), top);
  EXPECT_EQ(iwshdone("TOP", 2), nullptr);
}

TEST_F(IwAcc, ComponentAttributesFallBackToTheSymbolUnlessOverridden) {
  IwGrp* top = Group("TOP", {});
  IwGrp* gate = Group("GATE", {"A"});
  IwSym* s = gate->sym;
  Add(s->atts, {{"MODEL", "Y"}, {"PART", "Z"}, {"SIGNAL", "VDD;VSS"}, {"SIGNAL", "PWR;VCC"}});
  IwCom* bare = Place(top, 1, "U1", gate);
  IwCom* c = Place(top, 1, "U2", gate);
  Add(c->atts, {{"MODEL", "X"}, {"SIGNAL", "GND;VSS"}});

  // The symbol's SIGNAL naming VSS is overridden by the component's,
  // whatever comes before the ";"; the one naming VCC is not.
  EXPECT_EQ(Names(igcossat, c), "MODEL=X SIGNAL=GND;VSS PART=Z SIGNAL=PWR;VCC ");
  EXPECT_EQ(Names(igcossat, bare), "MODEL=Y PART=Z SIGNAL=PWR;VCC SIGNAL=VDD;VSS ");
  EXPECT_STREQ(ifcossat("MODEL", c)->value, "X");
  EXPECT_STREQ(ifcossat("PART", c)->value, "Z");
  EXPECT_STREQ(ifattatt("part", s->atts)->value, "Z");
  EXPECT_EQ(ifupattatt("part", s->atts), nullptr);

  IwPin* pin = igcompin(c);
  IwSpn* spn = gate->sym->spns;
  Add(spn->atts, {{"X", "2"}, {"Y", "3"}});
  Add(pin->atts, {{"X", "1"}});
  EXPECT_EQ(Names(igcospat, pin), "X=1 Y=3 ");
  EXPECT_STREQ(ifcospat("Y", pin)->value, "3");
}

TEST_F(IwAcc, NetsAndPinsAreAddedRenamedAndDeleted) {
  IwGrp* g = Group("ALU", {"A", "B", "C"});
  IwNet* a = iwmknet("A", g);
  IwNet* b = iwmknet("B", g);  // list: B, A (A last)
  EXPECT_EQ(g->lastnet, a);
  EXPECT_EQ(idgrpnet(g, a), nullptr);
  EXPECT_EQ(g->lastnet, b);
  EXPECT_EQ(ifnetnet("a", b), nullptr);

  ianetnam(b, "BUS0");
  EXPECT_EQ(ifnetnet("bus0", b), b);
  EXPECT_EQ(ifupnetnet("B", b), nullptr);

  // Equal ignoring case: the second alias is kept once.
  Add(b->atts, {{"NET_ALIAS", "X"}, {"NET_ALIAS", "x"}, {"NOTE", "1"}});
  EXPECT_STREQ(b->atts->next->name, "NOTE");
  EXPECT_EQ(idnetatt(b, b->atts), iwgetatt(b->atts, "NOTE"));
  EXPECT_STREQ(b->atts->name, "NOTE");

  IwSpn* bpin = ifspnspn("b", g->sym->spns);
  EXPECT_EQ(idsymspn(g->sym, bpin), ifspnspn("C", g->sym->spns));
  EXPECT_EQ(g->sym->npins, 2);
  EXPECT_EQ(ifspnspn("B", g->sym->spns), nullptr);
}

TEST_F(IwAcc, GroupsAreFoundByTheirNamePart) {
  IwGrp* lib = iwmakgrp("WORK:ALU");
  iwmakgrp("ADDER");
  EXPECT_EQ(ifgrpgrp("alu"), lib);
  EXPECT_EQ(ifgrpgrp("OTHER:alu"), lib);
  EXPECT_EQ(ifgrpgrp("AL"), nullptr);
  IwSym* s3 = iwmksym(lib);
  s3->number = 3;
  iagrpsym(lib, s3);
  EXPECT_EQ(ifsymsym(3, lib->sym), s3);
  EXPECT_EQ(ifsymsym(2, lib->sym), nullptr);
}

TEST_F(IwAcc, NamedSetsKeepDuplicatesAndMatchIgnoringCase) {
  char caller[] = "KEEP";
  EXPECT_EQ(inaddmem(1, caller, 0), caller);  // stored without a copy
  const char* a1 = inaddmem(3, "A", 1);
  const char* a2 = inaddmem(3, "A", 1);
  EXPECT_NE(a1, a2);
  EXPECT_EQ(inaddmem(3, nullptr, 1), nullptr);
  EXPECT_STREQ(insetmem(3, "a"), "A");
  EXPECT_EQ(indelmem(3, "a"), 1);
  EXPECT_STREQ(insetmem(3, "a"), "A");  // the second one is still there
  EXPECT_EQ(indelmem(3, "a"), 1);
  EXPECT_EQ(indelmem(3, "a"), 0);
  EXPECT_EQ(inanymem(3), nullptr);
  inaddmem(3, "B", 1);
  EXPECT_STREQ(inanymem(3), "B");
  EXPECT_EQ(indelset(3), 1);
  EXPECT_EQ(indelset(3), 0);
  EXPECT_EQ(insetmem(3, "B"), nullptr);
  EXPECT_EQ(insetmem(1, "keep"), caller);
}

}  // namespace
