// wirelist/iwrdsym_test.cc - the symbol reader.
#include "wirelist/iwrdsym.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "tests/iwproject.h"
#include "tests/iwtesting.h"
#include "tests/testutil.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwparse.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"

namespace {

using iwtest::Join;

// Pin geometry and display words the reader passes over.
const std::string kP = "P 0 0 10 0 1 0\n";
std::string L(const char* label, int inverted = 0) {
  return "L 0 0 1 1 0 0 0 " + std::to_string(inverted) + " " + label + "\n";
}
std::string A(const char* att) { return std::string("A 0 0 1 1 0 0 ") + att + "\n"; }
std::string U(const char* att) { return std::string("U 0 0 1 1 0 0 ") + att + "\n"; }

std::string Pins(const IwSym* sym) {
  std::string s;
  for (const IwSpn* p = sym ? sym->spns : nullptr; p; p = p->next)
    s += std::string(p->name ? p->name : "-") + " ";
  return s;
}

std::string Atts(const IwAtt* a) {
  std::string s;
  for (; a; a = a->next) s += std::string(a->name) + "=" + (a->value ? a->value : "-") + ";";
  return s;
}

class IwRdSym : public iwtest::Fixture {
 protected:
  struct Read {
    IwSym* sym = nullptr;
    std::vector<std::string> msgs;
  };

  static std::FILE* Open(std::string& text) {
    return text.empty() ? nullptr : fmemopen(text.data(), text.size(), "r");
  }

  static Read ReadSym(std::string text, std::string pinfile = "", const char* name = "add4.1") {
    std::string fname = name;
    std::FILE* sym = Open(text);
    std::FILE* pins = Open(pinfile);
    Read r;
    r.msgs = iwtest::Messages([&] { r.sym = iwrdsymstream(fname.data(), sym, pins); });
    if (sym) std::fclose(sym);
    if (pins) std::fclose(pins);
    return r;
  }
};

TEST_F(IwRdSym, PinsComeInPinOrderFromAttributeFileOrAlphabet) {
  const std::string pins_b_a = kP + L("B") + kP + L("A");  // read B, then A
  // Records after the pins, the group's pin-order file, the order, the messages.
  const std::tuple<std::string, std::string, const char*, const char*> cases[] = {
      {U("PINORDER=B A"), "", "B A ", ""},
      {"", "B\nA\n", "B A ", ""},
      {"", "", "A B ", ""},
      {U("PINORDER=B A"), "A\nB\n", "B A ", ""},       // the attribute wins over the file
      {U("PINORDER=B ") + "+ A\n", "", "B A ", ""},    // the cut blank comes back
      {U("PINORDER=A B C"), "", "A B ", "E293 E294"},  // reverse of the file order
      {U("PINORDER=B X"), "", "B ", "E295 E296"}};     // A is named by no word
  for (const auto& [extra, pinfile, order, msgs] : cases) {
    SCOPED_TRACE(extra + "|" + pinfile);
    iwtest::Reset();
    auto r = ReadSym("V 1\n" + pins_b_a + extra + "E\n", pinfile);
    ASSERT_NE(r.sym, nullptr);
    EXPECT_EQ(Pins(r.sym), order);
    EXPECT_EQ(Join(r.msgs), msgs);
  }
}

TEST_F(IwRdSym, RecordsAndContinuations) {
  // Records, the pins, the first pin's attributes, the symbol's, the messages.
  const std::tuple<std::string, const char*, const char*, const char*, const char*> cases[] = {
      {kP + L("clk", 1), "~CLK ", "", "", ""},
      {kP + L("CL") + "+ K\n", "CLK ", "", "", ""},
      {kP + L("A") + A("PINTYPE=IN") + "+ PUT\n", "A ", "PINTYPE=INPUT;", "", ""},
      {kP + L("A") + A("DESC = TWO ") + "+ WORDS\n", "A ", "DESC=TWO WORDS;", "", ""},
      {kP + L("A") + A("X") + "+ =1\n", "A ", "X=1;", "", ""},
      {U("MODEL=AND4") + "Y 1\n", "", "", "MODEL=AND4;", ""},
      {U("GND_PIN=VSS") + U("SIGNAL=PWR;A,B") + U("SIGNAL=PWR;B"), "", "",
       "SIGNAL=GND;VSS;SIGNAL=PWR;A;SIGNAL=PWR;B;", ""},
      {U("SIGNAL=VSS"), "", "", "", "E128"}, {"U 0 0\n", "", "", "", "E299"},
      {kP + L("X") + kP + L("X") + kP + L("Y"), "X Y ", "", "", ""},  // repeated name dropped
      {L("A") + kP + L("B"), "B ", "", "", "E297"},                   // nothing to label yet
      {A("T=1") + kP + L("B"), "B ", "", "", "E298"}, {"L 0 0 1\n" + kP, "- ", "", "", "E297"},
      {U("X=1") + "+ \n", "", "", "X=1;", "E300"},
      {"K\n" + kP + L("A"), "A ", "", "", ""}, {kP + "K\n", "- ", "", "", "E381"},
      {"| note\nK\n", "", "", "", ""},  // comments do not count
      // A comment record ends a continuation; a line whose second
      // character is not white space is no record and is passed over.
      {U("X=A") + "| note\n+ B\n", "", "", "X=A;", ""},
      {U("X=A") + "|note\n+ B\n", "", "", "X=AB;", ""},
      {"Y 9\n", "", "", "", "E399"},
      {"PX not a record\n" + kP + L("A"), "A ", "", "", ""},
      {kP + L("A") + "E\n" + kP + L("B"), "A ", "", "", ""}};  // nothing after E
  for (const auto& [body, pins, pinatts, symatts, msgs] : cases) {
    SCOPED_TRACE(body);
    iwtest::Reset();
    auto r = ReadSym("V 1\n" + body);
    ASSERT_NE(r.sym, nullptr);
    EXPECT_EQ(Join(r.msgs), msgs);
    EXPECT_EQ(Pins(r.sym), pins);
    EXPECT_EQ(r.sym->npins, std::count(pins, pins + std::strlen(pins), ' '));
    EXPECT_EQ(r.sym->spns ? Atts(r.sym->spns->atts) : "", pinatts);
    EXPECT_EQ(Atts(r.sym->atts), symatts);
  }
}

TEST_F(IwRdSym, CrlfFilesReadLikeLfFilesAndALoneCarriageReturnIsABlank) {
  // What a symbol and its pin-order file give: pins, attributes, messages.
  auto read = [](const std::string& text, const std::string& pinfile) {
    iwtest::Reset();
    auto r = ReadSym(text, pinfile);
    if (!r.sym) return std::string("no symbol");
    std::string s = Pins(r.sym) + "|" + Atts(r.sym->atts) + "|" + Join(r.msgs);
    for (const IwSpn* p = r.sym->spns; p; p = p->next) s.append("|").append(Atts(p->atts));
    return s;
  };
  // Continuations depend on the blanks before the line end.
  std::string body = "V 1\n";
  body += kP + L("CL") + "+ K\n" + A("DESC = TWO ") + "+ WORDS\n";
  body += kP + L("D") + U("X=A") + "+ B\n" + U("Y=1") + "+ \n| note\nY 1\nE\n";
  std::string pins = "V 1\n";
  pins += kP + L("B") + kP + L("A") + "E\n";
  const std::pair<std::string, std::string> cases[] = {{body, ""}, {pins, "B\nA\n"}};
  for (const auto& [text, pinfile] : cases) {
    SCOPED_TRACE(text);
    std::string lf = read(text, pinfile);
    EXPECT_EQ(read(testutil::Crlf(text), testutil::Crlf(pinfile)), lf);
  }
  EXPECT_EQ(read(body, ""), "CLK D |X=AB;Y=1;|E300|DESC=TWO WORDS;|");
  // Inside a line a carriage return separates as a blank does.
  std::string cr = "V 1\n", blank = "V 1\n";
  cr += kP + L("A\rB") + "Y\r1\n";
  blank += kP + L("A B") + "Y 1\n";
  EXPECT_EQ(read(cr, ""), read(blank, ""));

  // A NUL byte would shorten a name unseen: its line is skipped, said.
  std::string nul = "V 1\n";
  nul += kP + L("AB") + (std::string("A 0 0 1 1 0 0 X=1") + '\0' + "2\n") + kP + L("D") + "E\n";
  EXPECT_EQ(read(nul, ""), "AB D ||E356||");
}

TEST_F(IwRdSym, TypeNumbersMapToSymbolTypes) {
  const std::pair<const char*, int> cases[] = {
      {"0", IW_COMPOSITE}, {"1", IW_MODULE}, {"4", IW_PIN}, {"2", IW_UNKNOWN}, {"3", IW_UNKNOWN}};
  for (auto [y, type] : cases) {
    SCOPED_TRACE(y);
    iwtest::Reset();
    auto r = ReadSym(std::string("V 1\nY ") + y + "\n");
    ASSERT_NE(r.sym, nullptr);
    EXPECT_EQ(r.sym->symtype, type);
  }
}

TEST_F(IwRdSym, NamesAndFirstLinesThatGiveNoSymbol) {
  // The last has no file.
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"add4.0", "V 1\n", "E398"}, {"add4.x", "V 1\n", "E398"}, {"add4", "V 1\n", "E398"},
      {"add4.1", "X 1\n", "E380"}, {"add4.1", "V1\n", "E380"},  {"add4.1", "", ""}};
  for (const auto& [name, text, msgs] : cases) {
    SCOPED_TRACE(name + std::string("|") + text);
    iwtest::Reset();
    auto r = ReadSym(text, "", name);
    EXPECT_EQ(r.sym, nullptr);
    EXPECT_EQ(Join(r.msgs), msgs);
  }
  // The group and symbol made for a missing file stay.
  IwGrp* g = fetch_grp("ADD4");
  ASSERT_NE(g, nullptr);
  EXPECT_NE(ifsymsym(1, g->sym), nullptr);
}

TEST_F(IwRdSym, SymbolsFileUnderTheirNumber) {
  auto r1 = ReadSym("V 1\n" + kP + L("A"), "", "Mux.2");
  ASSERT_NE(r1.sym, nullptr);
  EXPECT_EQ(r1.sym->number, 2);
  auto r2 = ReadSym("V 1\n" + kP + L("B"), "", "mux.2");
  EXPECT_EQ(r2.sym, r1.sym);  // read again: the pins of the new file only
  EXPECT_EQ(Pins(r2.sym), "B ");
  EXPECT_STREQ(r1.sym->grp->name, "MUX");
}

TEST_F(IwRdSym, BusPinsSplitIntoBitsWithExpansionOn) {
  iws.busexpand = true;
  auto r = ReadSym("V 1\n" + kP + L("D[0:3]") + A("PINTYPE=IN") + kP + L("CLK") +
                   U("PINORDER=D[0:3] CLK"));
  ASSERT_NE(r.sym, nullptr);
  EXPECT_EQ(Join(r.msgs), "");
  EXPECT_EQ(Pins(r.sym), "D0 D1 D2 D3 CLK ");
  EXPECT_EQ(r.sym->npins, 5);
  EXPECT_EQ(Atts(ifspnspn("D3", r.sym->spns)->atts), "PINTYPE=IN;");

  iws.busexpand = false;
  r = ReadSym("V 1\n" + kP + L("D[0:3]"));
  EXPECT_EQ(Pins(r.sym), "D[0:3] ");
  EXPECT_EQ(r.sym->npins, 1);
}

}  // namespace

// --- symbol files found in the project's libraries ---------------------------------

class IwRdSymLibrary : public testutil::IwProject {
 protected:
  void Start() {
    Write("drafta.ini", "DIR [w] work\n");
    ASSERT_EQ(iwinit(), 1);
    Codes();
  }
};

TEST_F(IwRdSymLibrary, SymbolAndPinOrderFilesComeFromTheLibraries) {
  Write("work/sym/add4.1", "V 1\n" + kP + L("B") + kP + L("A") + "Y 1\n");
  Write("work/sym/add4.pin", "B\nA\n");
  Write("work/sym/bad.1", "not a symbol\n");
  Start();

  char name[] = "ADD4.1";
  IwSym* add4 = iwreadsym(name);
  EXPECT_STREQ(name, "add4.1");  // converted in place
  ASSERT_NE(add4, nullptr);
  EXPECT_EQ(Pins(add4), "B A ");
  EXPECT_EQ(add4->symtype, IW_MODULE);

  char missing[] = "NONE.1";
  EXPECT_EQ(iwrdsym(missing), nullptr);
  char bad[] = "BAD.1";
  EXPECT_EQ(iwreadsym(bad), nullptr);
  EXPECT_EQ(Codes(), std::vector<std::string>{"nodex-E-380"});  // nothing for the missing one
}

TEST_F(IwRdSymLibrary, NamingAGroupInAWirelistLoadsItsFirstSymbol) {
  Write("work/sym/alu.1", "V 1\n" + kP + L("Y") + kP + L("X") + "Y 1\n");
  Start();
  IwGrp* alu = iwtest::Parse("DW ALU\nEW\n").group;
  ASSERT_NE(alu, nullptr);
  EXPECT_EQ(Pins(alu->sym), "X Y ");        // alphabetical without a pin order
  EXPECT_EQ(alu->sym->symtype, IW_MODULE);  // the file's type stands
}
