// wirelist/iwparse_test.cc - the wirelist file reader.
#include "wirelist/iwparse.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "tests/iwproject.h"
#include "tests/iwtesting.h"
#include "tests/testutil.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwgbl.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"

namespace {

using iwtest::Join;
using iwtest::Parse;

class IwParse : public iwtest::Fixture {
 protected:
  static std::string Atts(const IwAtt* a) {
    std::string s;
    for (; a; a = a->next) s += std::string(a->name) + "=" + (a->value ? a->value : "-") + ";";
    return s;
  }

  // Net names of a component's pins, "?" for an open pin.
  static std::string Nets(const IwCom* c) {
    std::string s;
    for (IwPin* p = igcompin(c); p; p = igpincnx(p)) {
      IwNet* n = igpinnet(p);
      s += std::string(n ? n->name : "?") + " ";
    }
    return s;
  }

  static std::string Pins(const IwSym* sym) {
    std::string s;
    for (const IwSpn* p = sym->spns; p; p = p->next)
      s += std::string(p->name ? p->name : "-") + " ";
    return s;
  }

  static IwCom* Com(IwGrp* g, const char* inst) {
    iws.cursheet = 1;
    return fetch_com(iwgetsch(g), inst);
  }

  // The table look-up upper-cases its argument in place, so it gets a copy.
  static IwGrp* Ref(std::string name) { return iwgrpref(name.data()); }

  // Reads text into a fresh database.  Whether a group comes back and
  // whether the load is marked failed must agree.
  static void ExpectRead(const std::string& text, bool ok, const char* msgs) {
    SCOPED_TRACE(text);
    iwtest::Reset();
    auto r = Parse(text);
    EXPECT_EQ(r.group != nullptr, ok);
    EXPECT_EQ(iws.loaderror, !ok);
    EXPECT_EQ(Join(r.msgs), msgs);
  }
};

TEST_F(IwParse, ExampleSheetReadsIntoTheModel) {
  auto r = Parse(
      "| Wirelist created using Nodex version 5.1.0.\n"
      "V 4.09\n"
      "DW ALU\n"
      "AS ADD4 PINORDER=A B S CO\n"
      "M ADD4 $1I12\n"
      "I $1I12 ADD4 A0 B0 S0 ? LABEL=U1\n"
      "P IN A0\n"
      "I A0 IN A0 PINTYPE=IN\n"
      "AN S0 NET_ALIAS=SUM0\n"
      "API $1I12 ADD4 2 PINTYPE=OUT\n"
      "SA TITLE=ALU SHEET 1\n"
      "EW\n");
  ASSERT_NE(r.group, nullptr);
  EXPECT_EQ(Join(r.msgs), "");
  IwGrp* alu = r.group;
  EXPECT_EQ(iws.topgrp, alu);
  EXPECT_EQ(alu->sym->symtype, IW_COMPOSITE);
  EXPECT_FLOAT_EQ(iws.version, 4.09f);

  IwCom* u1 = Com(alu, "$1I12");
  ASSERT_NE(u1, nullptr);
  EXPECT_STREQ(igcomnam(u1), "U1");
  EXPECT_EQ(u1->sym->symtype, IW_MODULE);
  EXPECT_STREQ(u1->sym->grp->name, "ADD4");
  EXPECT_EQ(Nets(u1), "A0 B0 S0 ? ");
  EXPECT_EQ(Atts(ifpinpin(2, igcompin(u1))->atts), "PINTYPE=OUT;");

  IwNet* a0 = fetch_net(alu, "A0");
  ASSERT_NE(a0, nullptr);
  EXPECT_EQ(igpinown(ignetpin(a0)), u1);
  EXPECT_EQ(Atts(fetch_net(alu, "S0")->atts), "NET_ALIAS=SUM0;");

  IwSpn* port = alu->sym->spns;
  ASSERT_NE(port, nullptr);
  EXPECT_STREQ(port->name, "A0");
  EXPECT_EQ(port->net, a0);
  EXPECT_EQ(ignetspn(a0), port);
  EXPECT_EQ(Atts(port->atts), "PINTYPE=IN;");
  EXPECT_EQ(alu->sym->npins, 1);
  EXPECT_EQ(Ref("IN")->sym->symtype, IW_PIN);

  EXPECT_EQ(alu->schs->number, 1);
  EXPECT_EQ(iwnetcount(), 3);  // A0, B0, S0 and nothing for "?"
}

TEST_F(IwParse, FormatVersions) {
  const std::tuple<const char*, bool, const char*> cases[] = {
      // Read in single precision, 2.55 is below 2.55: an old format.
      {"V 2.55\n", true, "W363 W364"}, {"V 5.29\n", true, ""},
      {"V 5.3\n", false, "E382"}, {"V 5.30\n", false, "E382"},
      {"V 5.3.1\n", true, ""},  // what the database writes itself
      {"V 5.3.2\n", false, "E382"},
      {"V 4.09\nK\n", true, ""}, {"V 4.09\nK ANY\n", true, ""},
      {"V 4.09\nV 4.09\n", false, "E382"}, {"K\n", false, "E379"},
      {"V 4.09\n| note\nK\n", false, "E379"},
      {"| WIRELIST PLD FILE 2.1\n", true, ""},
      {"| WIRELIST CREATED BY TOOL 2.1.7\n", true, "W363 W364"}};
  for (const auto& [head, ok, msgs] : cases)
    ExpectRead(head + std::string("DW ALU\nEW\n"), ok, msgs);
}

TEST_F(IwParse, PinOrderCommasSeparatePinsOnlyInOldFiles) {
  // No version record reads as version 0.0.
  for (auto [head, pins] :
       {std::pair{"", "A B C "}, {"V 2.55\n", "A B C "}, {"V 4.09\n", "A,B C "}}) {
    SCOPED_TRACE(head);
    iwtest::Reset();
    ASSERT_NE(Parse(head + std::string("DW ALU\nAS ADD4 PINORDER=A,B C\nEW\n")).group, nullptr);
    EXPECT_EQ(Pins(Ref("ADD4")->sym), pins);
  }
}

TEST_F(IwParse, FatalConditionsFailTheFile) {
  const std::string add4 = "DW ALU\nAS ADD4 PINORDER=A B\nM ADD4 U1\n";
  const std::pair<std::string, const char*> cases[] = {
      {"DW ALU\nM ADD4 U1\n", "E205"}, {"DW ALU\nV 4.09\nEW\n", "E382"},
      {"DW ALU\nDW ALU\nEW\n", "E383"}, {"DW\nEW\n", "E241"}, {"DW ALU2\nEW\n", "E376 E377"},
      {"| ERROR from the checker\nDW ALU\nEW\n", "E234 E235"},
      {"DW ALU\n| SCH_ERROR\nEW\n", "E234 E235"}, {"DW ALU\nI U9 ADD4 X\nEW\n", "E286"},
      {add4 + "I U1 ADD4 X\nEW\n", "E285"}, {add4 + "I U1 ADD4 X LABEL=U1`\nEW\n", "E285"},
      {add4 + "AS ADD4 PINORDER=A B C\nEW\n", "E277"}};
  for (const auto& [text, msgs] : cases) ExpectRead(text, false, msgs);
}

TEST_F(IwParse, RecoverableProblemsAreReportedAndReadingGoesOn) {
  const std::pair<std::string, const char*> cases[] = {
      // SX alone is passed over; 1 is the unknown record.
      {"SX 1 2\n", "E281"}, {"XYZ 1 2\nWX A B\n", "E281 E281"},
      {"FX PAL16 $1I30\n", "E281"},
      {"DESIGN_MAY_CONTAIN_RIPPERS__RECOMPILATION_AND_RELINKING_WITH_RIPPER_VERSION_OF_NODEX_"
       "REQUIRED\n",
       ""},
      {"M INV U1\nI U1 INV SIGNAL=VSS\n", "E128"},
      {"M INV U1\nI U1 INV LABEL=A`LABEL=B\n", "W313"},
      {"P IN A0\nM X Y\n", "E287 E281"},
      {"AP ADD4 0 PINTYPE=IN\n", "E278"}, {"AP ADD4 40000 PINTYPE=IN\n", "E278"},
      {"API U5 ALU 3 PINTYPE=IN\n", "E279"}, {"API U5 NOSUCH 3 PINTYPE=IN\n", ""},
      {"M INV U1\nI U1 INV LONG" + std::string(300, 'X') + "=1`X=2\nM INV U2\n", "E411"}};
  for (const auto& [body, msgs] : cases) ExpectRead("DW ALU\n" + body + "EW\n", true, msgs);
}

TEST_F(IwParse, WordsBeforeTheGroupArePassedOverOneByOne) {
  EXPECT_NE(Parse("hello world V 4.09\nDW ALU\nEW\n").group, nullptr);
  EXPECT_FLOAT_EQ(iws.version, 4.09f);

  iwsession_reset();
  auto r = Parse("V 4.09\nEW\n");  // "EW" before "DW": no group, but no failure
  EXPECT_EQ(r.group, nullptr);
  EXPECT_FALSE(iws.loaderror);
  EXPECT_EQ(Join(r.msgs), "");
}

TEST_F(IwParse, GroupNameComparesWithoutLibraryOrCase) {
  auto r = Parse("DW work:alu\nEW\n", "ALU");
  ASSERT_NE(r.group, nullptr);
  EXPECT_STREQ(r.group->name, "ALU");

  // A second sheet fills the same group.
  r = Parse("DW ALU\nSA PAGE=2\nEW\n", "ALU", 2);
  ASSERT_NE(r.group, nullptr);
  ASSERT_NE(r.group->schs, nullptr);  // the first file placed nothing on a sheet
  EXPECT_EQ(r.group->schs->number, 2);
  EXPECT_EQ(iws.grpref->next, nullptr);  // still one group
}

TEST_F(IwParse, AttributeSyntax) {
  for (auto [text, atts] : {std::pair{"A = B = C", "A=B = C;"},
                            {"  TITLE=ALU SHEET 1   ", "TITLE=ALU SHEET 1;"},
                            {"FLAG", "FLAG=;"},
                            {"X=1`", "X=1;"}}) {
    SCOPED_TRACE(text);
    iwtest::Reset();
    auto r = Parse(std::string("DW ALU\nSA ") + text + "\nEW\n");
    ASSERT_NE(r.group, nullptr);
    EXPECT_EQ(Join(r.msgs), "");
    EXPECT_EQ(Atts(r.group->schs->atts), atts);
  }
  EXPECT_EQ(iwsysatt("@SHEET"), 1);
  EXPECT_EQ(iwsysatt("@SHEETS"), 0);
}

TEST_F(IwParse, CrlfFilesReadLikeLfFilesAndALoneCarriageReturnIsABlank) {
  // Everything a sheet put into the model, and the messages.
  auto model = [](const std::string& text) {
    iwtest::Reset();
    auto r = Parse(text);
    std::string s = Join(r.msgs) + "|";
    if (!r.group) return s + "no group";
    for (IwCom* c = iggrpcom(r.group, nullptr); c; c = iggrpcom(r.group, c)) {
      s.append(c->name).append(": ").append(Nets(c)).append(Atts(c->atts));
      for (IwPin* p = igcompin(c); p; p = igpincnx(p)) s.append(Atts(p->atts));
    }
    for (IwNet* n = r.group->nets; n; n = n->next) s.append(" ").append(n->name).append(Atts(n->atts));
    return s + "|" + Pins(r.group->sym) + "|" + Atts(r.group->schs->atts);
  };
  const std::string lf =
      "| WIRELIST CREATED BY TOOL 4.1.0\n"
      "V 4.09\nK X\nDW ALU\n"
      "AS ADD4 PINORDER=A B S CO\n"
      "M ADD4 $1I12\n"
      "I $1I12 ADD4 A0 B0 S0 ? LABEL=U1`NOTE=two words\n"
      "P IN A0\nI A0 IN A0 PINTYPE=IN\n"
      "AN S0 NET_ALIAS=SUM0\n"
      "API $1I12 ADD4 2 PINTYPE=OUT\n"
      "SA TITLE=ALU SHEET 1`\n"
      "G VCC\n"
      "XYZ an unknown record\n"
      "EW\n";
  const std::string want = model(lf);
  EXPECT_EQ(want.substr(0, want.find('|')), "E281");
  EXPECT_EQ(model(testutil::Crlf(lf)), want);
  std::string lone = lf;
  for (std::string words : {"A0 B0", "two words", "SHEET 1"})
    lone[lone.find(words) + words.find(' ')] = '\r';
  EXPECT_EQ(model(lone), want);
}

TEST_F(IwParse, InstanceAttributes) {
  auto r = Parse(
      "DW ALU\nM INV U1\n"
      "I U1 INV GND_PIN=VSS,VSS2`SIGNAL=PWR;A[0:1]`PARAM=1`PARAM=1\nEW\n");
  ASSERT_NE(r.group, nullptr);
  EXPECT_EQ(Atts(Com(r.group, "U1")->atts),
            "PARAM=1;PARAM=1;SIGNAL=GND;VSS;SIGNAL=GND;VSS2;SIGNAL=PWR;A0;SIGNAL=PWR;A1;");
}

TEST_F(IwParse, ARepeatedInstanceRecordReconnectsThePins) {
  auto r = Parse("DW ALU\nAS INV PINORDER=A Y\nM INV U1\nI U1 INV N1 N2\nI U1 INV N3 N1\nEW\n");
  ASSERT_NE(r.group, nullptr);
  EXPECT_EQ(Nets(Com(r.group, "U1")), "N3 N1 ");
  EXPECT_EQ(ignetpin(fetch_net(r.group, "N2")), nullptr);  // no pin of the old wiring stays
  IwPin* p = ignetpin(fetch_net(r.group, "N1"));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->index, 2);
  EXPECT_EQ(igpinnnx(p), nullptr);
  EXPECT_EQ(igpinnet(p), fetch_net(r.group, "N1"));
  EXPECT_EQ(igpinnet(p - 1), fetch_net(r.group, "N3"));
}

// Where a record would give a pin an attribute it already has, the first
// one wins (PARAM excepted on instance pins); a symbol takes a second
// attribute of a name unless it is equal to the first.
TEST_F(IwParse, RepeatedAttributeRecords) {
  const std::string inv = "DW ALU\nAS INV PINORDER=A Y\nM INV U1\nI U1 INV N1 N2\n";
  const std::string port = "DW ALU\nAS PT PINORDER=X\nP PT Q\n";
  auto symbol_pin = [](IwGrp*) { return Atts(Ref("INV")->sym->spns->atts); };
  auto instance_pin = [](IwGrp* g) { return Atts(igcompin(Com(g, "U1"))->atts); };
  auto own_pin = [](IwGrp* g) { return Atts(g->sym->spns->atts); };
  auto symbol = [](IwGrp*) { return Atts(Ref("INV")->sym->atts); };
  const struct {
    std::string records;
    std::string (*inspect)(IwGrp*);
    const char* atts;
  } cases[] = {
      {inv + "AP INV 1 LOAD=3\nAP INV 1 LOAD=5\n", symbol_pin, "LOAD=3;"},
      {inv + "AP INV 1 LOAD=3\nAP INV 1 CAP=2\n", symbol_pin, "CAP=2;LOAD=3;"},
      {inv + "API U1 INV 1 LOAD=3\nAPI U1 INV 1 LOAD=5\n", instance_pin, "LOAD=3;"},
      {inv + "API U1 INV 1 PARAM=1\nAPI U1 INV 1 PARAM=2\n", instance_pin, "PARAM=1;PARAM=2;"},
      {port + "I Q PT NQ\nAPI NONE PT 1 LOAD=3\nAPI NONE PT 1 LOAD=5\n", own_pin, "LOAD=3;"},
      {"DW ALU\nAS PT PINORDER=X\nAP PT 1 LOAD=3\nP PT Q\nI Q PT NQ LOAD=1\n", own_pin,
       "LOAD=1;"},  // the port's own value, not its pin type's
      {inv + "AS INV MODEL=X\nAS INV MODEL=x\n", symbol, "MODEL=X;"},
      {inv + "AS INV MODEL=X\nAS INV MODEL=Y\n", symbol, "MODEL=X;MODEL=Y;"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.records);
    iwtest::Reset();
    auto r = Parse(c.records + "EW\n");
    ASSERT_NE(r.group, nullptr);
    EXPECT_EQ(Join(r.msgs), "");
    EXPECT_EQ(c.inspect(r.group), c.atts);
  }
}

TEST_F(IwParse, PortsAreMadeOnlyInTheTopGroup) {
  auto r = Parse("DW ALU\nAS PT PINORDER=X\nAP PT 1 LOAD=3\nP PT Q\nI Q PT NQ DIR=OUT\nEW\n");
  ASSERT_NE(r.group, nullptr);
  IwSpn* q = r.group->sym->spns;
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(Atts(q->atts), "DIR=OUT;LOAD=3;");  // the pin type's pin adds LOAD
  EXPECT_STREQ(q->net->name, "NQ");

  auto sub = Parse("DW SUB\nP IN Z\nI Z IN NZ\nEW\n", "SUB");
  ASSERT_NE(sub.group, nullptr);
  EXPECT_EQ(Join(sub.msgs), "E413");
  EXPECT_EQ(sub.group->sym->spns, nullptr);
}

TEST_F(IwParse, OverlongTokensAreCut) {
  std::string name(20000, 'N');
  auto r = Parse("DW ALU\nAN " + name + " X=1\nSA " + name + "=1\nEW\n");
  ASSERT_NE(r.group, nullptr);
  EXPECT_EQ(Join(r.msgs), "E347 E347 E411");  // both tokens cut, then the name refused
  ASSERT_NE(r.group->nets, nullptr);
  EXPECT_EQ(std::string(r.group->nets->name).size(), 255u);  // AN keeps 255 characters
}

// A token holds 16384 characters and an attribute name 255: at those
// lengths nothing is said, one character more is reported.
TEST_F(IwParse, TokensAndAttributeNamesAtTheirLimits) {
  const struct {
    std::string att;  // of an SA record
    const char* msgs;
    std::size_t value;  // length of the value kept
  } cases[] = {
      {std::string(255, 'N') + "=1", "", 1},
      {std::string(256, 'N') + "=1", "E411", 0},
      {"V=" + std::string(16382, 'v'), "", 16382},
      {"V=" + std::string(16383, 'v'), "E347", 16382},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.att.size());
    iwtest::Reset();
    auto r = Parse("DW ALU\nSA " + c.att + "\nEW\n");
    ASSERT_NE(r.group, nullptr);
    EXPECT_EQ(Join(r.msgs), c.msgs);
    IwAtt* a = r.group->schs ? r.group->schs->atts : nullptr;
    EXPECT_EQ(a && a->value ? std::string(a->value).size() : 0, c.value);
  }
}

// A version that is not a number compares neither older nor newer.
TEST_F(IwParse, VersionsThatAreNotNumbersAreRefused) {
  for (const char* v : {"NAN", "-nan", "inf"})
    ExpectRead(std::string("V ") + v + "\nDW ALU\nEW\n", false, "E382");
}

// A NUL byte must not shorten a name silently: N<NUL>1 is not net N.
TEST_F(IwParse, NulBytesEndTheRecordWithAMessage) {
  using namespace std::string_literals;
  const std::string nd2 = "DW ALU\nAS ND2 PINORDER=A B Y\nM ND2 U1\n";
  ExpectRead(nd2 +
                 "I U1 ND2 A B N\0"s
                 "1\nEW\n",
             false, "E348 E285");
  ExpectRead(
      "\0\0 X\nDW ALU\nSA T=A\0"s
      "B`U=1\nSA V=2\nEW\n",
      true, "E348 E348");
  ExpectRead(std::string(100, '\0'), false, "E348 E205");
  iwtest::Reset();
  auto r = Parse(
      "DW ALU\nSA T=A\0"s
      "B`U=1\nSA V=2\nEW\n");
  ASSERT_NE(r.group, nullptr);
  EXPECT_EQ(Atts(r.group->schs->atts), "V=2;");  // the rest of the damaged line is gone
}

TEST_F(IwParse, GlobalNetsEnterTheTableOncePerGroup) {
  auto r = Parse("DW ALU\nG VCC\nG VCC\nG ?\nEW\n");
  ASSERT_NE(r.group, nullptr);
  IwNet* vcc = fetch_net(r.group, "VCC");
  ASSERT_NE(vcc, nullptr);
  EXPECT_EQ(vcc->kind, IW_GLOBALNET);
  auto s = Parse("DW SUB\nG VCC\nEW\n", "SUB");
  ASSERT_NE(s.group, nullptr);

  EXPECT_EQ(iwgblnet(nullptr), vcc);  // the entry keeps the first net
  EXPECT_EQ(iwgblnet(vcc), nullptr);
  EXPECT_EQ(iwgblgrp(vcc, 0), s.group);
  EXPECT_EQ(iwgblgrp(vcc, 1), r.group);
  EXPECT_EQ(iwgblgrp(vcc, 1), nullptr);
}

// --- bus expansion ---------------------------------------------------------------------

class IwParseBus : public IwParse {
 protected:
  void SetUp() override {
    IwParse::SetUp();
    iws.busexpand = true;
  }
};

TEST_F(IwParseBus, InstanceNetsFillBusPinsBitByBit) {
  const char* head = "DW ALU\nAS REG PINORDER=D[0:3] CLK\n";
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"X[0:3] C", "X0 X1 X2 X3 C ", ""}, {"X[3:0] C", "X3 X2 X1 X0 C ", ""},
      {"{A,B}2 C", "A B A B C ", ""}, {"? C", "? ? ? ? C ", ""},
      {"X[0:1] C", "X0 X1 ? ? C ", "W323 W324 W325"},
      {"X[0:5] C", "X0 X1 X2 X3 C ", "W323 W324 W326"},
      {"X[0:3 C", "? ? ? ? C ", "E269 W323 W324 W325"}};
  for (const auto& [nets, pins, msgs] : cases) {
    SCOPED_TRACE(nets);
    iwtest::Reset();
    iws.busexpand = true;
    auto r = Parse(std::string(head) + "M REG U1\nI U1 REG " + nets + "\nEW\n");
    ASSERT_NE(r.group, nullptr);
    EXPECT_EQ(Join(r.msgs), msgs);
    EXPECT_EQ(Nets(Com(r.group, "U1")), pins);
  }
}

TEST_F(IwParseBus, PinOrderEntriesGiveFirstPinAndWidth) {
  ASSERT_NE(Parse("DW ALU\nAS REG PINORDER=D[0:3] CLK Q[1:0]\nEW\n").group, nullptr);
  IwGrp* g = Ref("REG");
  EXPECT_EQ(Pins(g->sym), "D0 D1 D2 D3 CLK Q1 Q0 ");
  char name[256];
  int w = 0;
  EXPECT_EQ(iwgetpord(g, 3, name, &w), 6);
  EXPECT_STREQ(name, "Q[1:0]");
  EXPECT_EQ(w, 2);
  auto msgs = iwtest::Messages([&] { EXPECT_EQ(iwgetpord(g, 4, name, &w), 0); });
  EXPECT_EQ(Join(msgs), "E327");
  EXPECT_EQ(iwpinwidth("D[0:3] CLK", 1), 5);
  EXPECT_EQ(iwpinwidth("D[0:3] CLK", 0), 2);
}

TEST_F(IwParseBus, AttributeRecordsSpreadOverBusPins) {
  auto r = Parse(
      "DW ALU\nAS REG PINORDER=D[0:2] CLK\n"
      "AP REG 1 #=1,2\n"
      "AP REG 2 PINTYPE=IN\n"
      "M REG U1\nI U1 REG X[0:2] C\n"
      "API U1 REG 1 #=7,8,9,10\n"
      "API U1 REG 1 LOAD=2\n"
      "AN X[0:2] NET_ALIAS=Y[0:1]\n"
      "EW\n");
  ASSERT_NE(r.group, nullptr);
  EXPECT_EQ(Join(r.msgs), "W315 W316 W304 W305");
  IwSpn* d = Ref("REG")->sym->spns;
  EXPECT_EQ(Atts(d->atts), "#=1;");
  EXPECT_EQ(Atts(d->next->next->atts), "");
  EXPECT_EQ(Atts(d->next->next->next->atts), "PINTYPE=IN;");

  IwPin* p1 = igcompin(Com(r.group, "U1"));
  EXPECT_EQ(Atts(p1->atts), "#=7;LOAD=2;");
  EXPECT_EQ(Atts(ifpinpin(3, p1)->atts), "#=9;LOAD=2;");
  EXPECT_EQ(Atts(ifpinpin(4, p1)->atts), "");
  EXPECT_EQ(Atts(fetch_net(r.group, "X1")->atts), "NET_ALIAS=Y1;");
  EXPECT_EQ(Atts(fetch_net(r.group, "X2")->atts), "");  // the alias ran out of bits
}

TEST_F(IwParseBus, AnAgreeingPinOrderNumbersPinsTheSymbolAlreadyHas) {
  // The ports make the top group's pins (B at the head); the PINORDER that
  // follows agrees with them and is what AP numbers are resolved through.
  auto r = Parse(
      "DW ALU\nP IN A\nI A IN N1\nP IN B[0:1]\nI B[0:1] IN N[2:3]\n"
      "AS ALU PINORDER=B[1:0] A\nAP ALU 2 X=1\nAS ALU PINORDER=B1 B0\nEW\n");
  ASSERT_EQ(r.group, nullptr);  // the second PINORDER disagrees: the file fails
  EXPECT_EQ(Join(r.msgs), "E277");
  EXPECT_EQ(Pins(Ref("ALU")->sym), "B1 B0 A ");
  EXPECT_EQ(Atts(Ref("ALU")->sym->spns->next->next->atts), "X=1;");
}

TEST_F(IwParseBus, PortBitsFollowTheirNetBits) {
  auto r = Parse("DW ALU\nP IN D[0:1]\nI D[0:1] IN N[0:2]\nP IN E[0:2]\nI E[0:2] IN M\nEW\n");
  ASSERT_NE(r.group, nullptr);
  EXPECT_EQ(Join(r.msgs), "W319 W320 W321 W322");
  IwSym* s = r.group->sym;
  EXPECT_EQ(s->npins, 5);
  EXPECT_STREQ(ifspnspn("D1", s->spns)->net->name, "N1");
  EXPECT_STREQ(ifspnspn("E0", s->spns)->net->name, "M");
  EXPECT_EQ(ifspnspn("E1", s->spns)->net, nullptr);
}

// The pin count is 16-bit: a port wider than what is left is cut at the
// limit with one message, and the next port record is refused alike.
TEST_F(IwParseBus, PortsStopAtTheSixteenBitPinCount) {
  auto r = Parse(
      "DW ALU\nP IN A[-32767:32767]\nI A[-32767:32767] IN A[-32767:32767]\n"
      "P IN B\nI B IN B\nEW\n");
  ASSERT_NE(r.group, nullptr);
  EXPECT_EQ(Join(r.msgs), "E350 E350");
  EXPECT_EQ(r.group->sym->npins, 32767);
  EXPECT_NE(ifspnspn("A-1", r.group->sym->spns), nullptr);
  EXPECT_EQ(ifspnspn("A0", r.group->sym->spns), nullptr);
}

TEST_F(IwParseBus, SignalNamesExpandWhatever) {
  char bit[256];
  auto expand = [&](const char* text, int on) {
    std::vector<std::string> out;
    for (int first = 1; iwexpstr(text, bit, on, first); first = 0) out.push_back(bit);
    return out;
  };
  EXPECT_EQ(expand("A[0:1] B", 1), (std::vector<std::string>{"A0", "A1", "B"}));
  EXPECT_EQ(expand(" A[0:1]  B ", 0), (std::vector<std::string>{"A[0:1]", "B"}));
  // Wider than the expander counts: refused before a single name is made.
  auto msgs = iwtest::Messages([&] { EXPECT_EQ(iwexpstr("A[0:255]B[0:255]", bit, 1, 1), 0); });
  EXPECT_EQ(Join(msgs), "E273");
}

}  // namespace

// --- message texts from the catalog ---------------------------------------------------

class IwParseCatalog : public testutil::IwProject {};

TEST_F(IwParseCatalog, MessagesCarryTheirArguments) {
  Write("work/wir/.keep", "");
  Write("drafta.ini", "DIR [w] work\n");
  ASSERT_EQ(iwinit(), 1);
  iws.busexpand = true;
  std::string text =
      "V 2.55\nDW ALU\nXYZ\nAS REG PINORDER=D[0:3]\nM REG U1\nI U1 REG X[0:5]\n"
      "API U1 REG 1 #=1,2,3,4,5\nSA T=A" +
      std::string(1, '\0') + "B\nEW\n";
  ASSERT_NE(iwtest::Parse(text).group, nullptr);
  std::string all;
  for (const auto& m : messages_) all += m + "\n";
  for (const char* want : {
           "has the old format version 2.55.",
           "Unknown record XYZ in wirelist ALU sheet 1;",
           "Pin D[0:3] of component U1 is 4 bits wide,",
           "The net X[0:5] given for it has 6 bits.",
           "The last 2 bits of the net are ignored.",
           "The pin numbers 1,2,3,4,5 give 5 values, more than the 4 bits of pin D[0:3].",
           "Wirelist ALU sheet 1 holds a NUL byte in the text T=A^@B;",
       })
    EXPECT_NE(all.find(want), std::string::npos) << want << "\nin:\n" << all;
}
