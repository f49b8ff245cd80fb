// wirelist/immod_test.cc - the modification API: a design built from
// nothing and saved as the golden case tests/golden/api_built netlists
// it; every refused argument leaves the whole model as it was (a dump
// before and after); the indexes beside long lists stay exact through the
// API's changes.
#include "wirelist/immod.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/iwdesign.h"
#include "tests/iwdump.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwcheck.h"
#include "wirelist/iwgbl.h"
#include "wirelist/iwgroup.h"
#include "wirelist/iwindex.h"
#include "wirelist/iwinit.h"
#include "wirelist/iwlib.h"
#include "wirelist/iwmem.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

std::string Name(const char* prefix, int k) {
  std::string s = prefix;
  s += std::to_string(k);
  return s;
}

// A library "lib" that may be written and one "ro" that may not; BLK
// holds two inverters between its ports I and O, TOP holds a BLK.
class ImMod : public testutil::IwDesign {
 protected:
  void SetUp() override {
    IwDesign::SetUp();
    ini_ = "DIR [w] lib\nDIR [r] ro\n";
    mkdir((dir_.path() + "/ro").c_str(), 0755);
    Start();
  }

  IwLib* Lib(const char* name) {
    int st;
    IwLib* lib = imclib(name, &st);
    EXPECT_EQ(st, 0);
    return lib;
  }

  // A group with its symbol and the given pins (name, direction).
  IwGrp* Group(IwLib* lib, const char* name, const Strings& pins) {
    int st;
    IwGrp* g = imclibgrp(lib, name, &st);
    EXPECT_NE(g, nullptr) << name;
    IwSym* sym = g ? imcgrpsym(g, name, &st) : nullptr;
    EXPECT_NE(sym, nullptr) << name;
    for (std::size_t k = 0; sym && k + 1 < pins.size(); k += 2)
      EXPECT_NE(imcsymspn(sym, pins[k].c_str(), -1, pins[k + 1].c_str(), &st), nullptr);
    return g;
  }

  IwNet* Net(IwGrp* g, const char* name) {
    int st;
    IwNet* n = fetch_net(g, name);
    if (!n) n = imcgrpnet(g, g->sym, name, &st);
    EXPECT_NE(n, nullptr) << name;
    return n;
  }

  // Places a component of `of` on sheet of g, its pins on the nets given.
  IwCom* Place(IwGrp* g, int sheet, IwGrp* of, const char* name, const Strings& nets) {
    int st;
    IwCom* c = imcgrpcom(g, sheet, g->sym, of->sym, name, &st);
    EXPECT_NE(c, nullptr) << name << " status " << st;
    IwPin* p = c ? igcompin(c) : nullptr;
    for (const std::string& n : nets) {
      if (n != "?") {
        EXPECT_EQ(imanetpin(Net(g, n.c_str()), p, &st), 1) << name << " " << n;
      }
      p = igpincnx(p);
    }
    return c;
  }

  void Tie(IwGrp* g, const char* port, const char* net) {
    int st;
    EXPECT_EQ(imanetspn(Net(g, net), ifspnspn(port, g->sym->spns), &st), 1) << port;
  }

  IwAtt* Att(void* object, const char* name, const char* value) {
    int st;
    IwAtt* a = imcobjatt(object, name, &st);
    EXPECT_NE(a, nullptr) << name;
    if (a && value) {
      EXPECT_EQ(imsattval(a, value, &st), 1);
    }
    return a;
  }

  // The design of the golden case api_built.
  IwLib* BuildSmallDesign() {
    IwLib* lib = Lib("lib");
    inv_ = Group(lib, "inv", {"A", "IN", "Y", "OUT"});
    Att(inv_->sym, "MODEL", "not1");
    blk_ = Group(lib, "blk", {"I", "IN", "O", "OUT"});
    Place(blk_, 1, inv_, "g1", {"I", "X"});
    Place(blk_, 1, inv_, "g2", {"X", "O"});
    Tie(blk_, "I", "I");
    Tie(blk_, "O", "O");
    top_ = Group(lib, "top", {"DIN", "IN", "DOUT", "OUT"});
    IwCom* b1 = Place(top_, 1, blk_, "b1", {"DIN", "MID"});
    Place(top_, 2, blk_, "b2", {"MID", "DOUT"});
    Place(top_, 2, inv_, "u3", {"VCC", "?"});
    Tie(top_, "DIN", "DIN");
    Tie(top_, "DOUT", "DOUT");
    Att(b1, "DELAY", "5");
    Att(Net(top_, "MID"), "LOAD", "3");
    Att(top_->schs, "TITLE", "built");
    int st;
    EXPECT_EQ(imsnettyp(Net(top_, "VCC"), -1, &st), 1);
    return lib;
  }

  IwGrp* inv_ = nullptr;
  IwGrp* blk_ = nullptr;
  IwGrp* top_ = nullptr;
};

TEST_F(ImMod, ADesignBuiltFromNothingIsSavedAsTheGoldenCaseNetlistsIt) {
  IwLib* lib = BuildSmallDesign();
  int st;
  EXPECT_EQ(imwlibsave(lib, &st), 1) << st;
  EXPECT_EQ(st, 0);
  for (IwGrp* g : {inv_, blk_, top_}) {
    EXPECT_EQ(iwcheckgrp(g, &st), 1) << g->name;
  }
  const fs::path golden = fs::path(TSN_SOURCE_DIR) / "tests/golden/api_built/lib/wir";
  const char* update = std::getenv("TSN_GOLDEN_UPDATE");
  for (const char* file : {"blk.1", "inv.1", "top.1", "top.2"}) {
    SCOPED_TRACE(file);
    std::string made = testutil::ReadFile(dir_.path() + "/lib/wir/" + file);
    ASSERT_FALSE(made.empty());
    if (update && std::string(update) == "1") testutil::WriteFile((golden / file).string(), made);
    EXPECT_EQ(made, testutil::ReadFile((golden / file).string()));
  }
}

TEST_F(ImMod, EveryRefusedArgumentLeavesTheModelAsItWas) {
  BuildSmallDesign();
  IwLib* lib = Lib("lib");
  IwLib* ro = Lib("ro");
  int st;
  IwGrp* rogrp = imclibgrp(ro, "rocell", &st);  // made with the checks off below
  ASSERT_EQ(rogrp, nullptr);
  iwnochk_writable(1);
  rogrp = Group(ro, "rocell", {"A", "IN"});
  iwnochk_writable(0);
  ASSERT_NE(rogrp, nullptr);          // with the checks off a read-only library takes it
  IwGrp* loose = iwmkgroup("LOOSE");  // known to no library
  IwNet* bus = Net(top_, "D[0:3]");
  IwNet* vcc = Net(top_, "VCC");
  IwNet* x = Net(blk_, "X");
  IwNet* unused = Net(top_, "SPARE");
  IwCom* b1 = fetch_grp_com(top_, "B1");
  IwCom* b2 = fetch_grp_com(top_, "B2");
  IwCom* u3 = fetch_grp_com(top_, "U3");
  IwPin* b1i = igcompin(b1);
  IwPin* u3y = igpincnx(igcompin(u3));
  IwSpn* din = top_->sym->spns;
  IwSpn* blko = blk_->sym->spns->next;
  IwAtt* delay = iwgetatt(b1->atts, "DELAY");
  IwAtt* load = iwgetatt(Net(top_, "MID")->atts, "LOAD");
  Att(b1, "SPEED", "fast");
  IwSpn* loose_port = imcsymspn(blk_->sym, "SP", -1, "IN", &st);  // tied to nothing
  Codes();
  std::string long_name(256, 'N');

  struct Case {
    const char* what;
    std::function<bool(int*)> call;  // true when the call reports success
    int status;
    const char* message;  // the call's own (last) message
  };
  const std::vector<Case> cases = {
      {"imclib empty name", [&](int* s) { return imclib("", s); }, 5, "nodex-W-437"},
      {"imclib apostrophe", [&](int* s) { return imclib("a'b", s); }, 5, "nodex-W-437"},
      {"imclibgrp no library", [&](int* s) { return imclibgrp(nullptr, "G", s); }, 1,
       "nodex-W-435"},
      {"imclibgrp not a library", [&](int* s) { return imclibgrp((IwLib*)top_, "G", s); }, 2,
       "nodex-W-435"},
      {"imclibgrp long name", [&](int* s) { return imclibgrp(lib, long_name.c_str(), s); }, 5,
       "nodex-W-437"},
      {"imclibgrp read-only", [&](int* s) { return imclibgrp(ro, "G", s); }, 3, "nodex-W-465"},
      {"imclibgrp exists", [&](int* s) { return imclibgrp(lib, "blk", s); }, 4, "nodex-W-466"},
      {"imcgrpsym not a group", [&](int* s) { return imcgrpsym((IwGrp*)lib, "X", s); }, 2,
       "nodex-W-435"},
      {"imcgrpsym no library", [&](int* s) { return imcgrpsym(loose, "LOOSE", s); }, 24,
       "nodex-W-467"},
      {"imcgrpsym other name", [&](int* s) { return imcgrpsym(top_, "TOPX", s); }, 5,
       "nodex-W-437"},
      {"imcgrpsym has one", [&](int* s) { return imcgrpsym(top_, "top", s); }, 4, "nodex-W-466"},
      {"imcgrpsym read-only", [&](int* s) { return imcgrpsym(rogrp, "ROCELL", s); }, 3,
       "nodex-W-465"},
      {"imcgrpsch number 0", [&](int* s) { return imcgrpsch(top_, 0, s); }, 20, "nodex-W-496"},
      {"imcgrpsch number 32768", [&](int* s) { return imcgrpsch(top_, 32768, s); }, 20,
       "nodex-W-496"},
      {"imcgrpsch exists", [&](int* s) { return imcgrpsch(top_, 2, s); }, 4, "nodex-W-466"},
      {"imcgrpsch read-only", [&](int* s) { return imcgrpsch(rogrp, 1, s); }, 3, "nodex-W-465"},
      {"imcgrpcom not a group",
       [&](int* s) { return imcgrpcom((IwGrp*)vcc, 1, top_->sym, inv_->sym, "U9", s); }, 2,
       "nodex-W-435"},
      {"imcgrpcom group symbol not a symbol",
       [&](int* s) { return imcgrpcom(top_, 1, (IwSym*)vcc, inv_->sym, "U9", s); }, 2,
       "nodex-W-435"},
      {"imcgrpcom another group's symbol",
       [&](int* s) { return imcgrpcom(top_, 1, blk_->sym, inv_->sym, "U9", s); }, 1, "nodex-W-481"},
      {"imcgrpcom no symbol",
       [&](int* s) { return imcgrpcom(top_, 1, top_->sym, nullptr, "U9", s); }, 18, "nodex-W-435"},
      {"imcgrpcom symbol of wrong type",
       [&](int* s) { return imcgrpcom(top_, 1, top_->sym, (IwSym*)vcc, "U9", s); }, 19,
       "nodex-W-435"},
      {"imcgrpcom bad name",
       [&](int* s) { return imcgrpcom(top_, 1, top_->sym, inv_->sym, "", s); }, 5, "nodex-W-437"},
      {"imcgrpcom name taken",
       [&](int* s) { return imcgrpcom(top_, 1, top_->sym, inv_->sym, "b2", s); }, 4, "nodex-W-466"},
      {"imcgrpcom sheet 0",
       [&](int* s) { return imcgrpcom(top_, 0, top_->sym, inv_->sym, "U9", s); }, 20,
       "nodex-W-477"},
      {"imcgrpcom recursive",
       [&](int* s) { return imcgrpcom(blk_, 1, blk_->sym, top_->sym, "T", s); }, 21, "nodex-W-478"},
      {"imcgrpcom into itself",
       [&](int* s) { return imcgrpcom(blk_, 1, blk_->sym, blk_->sym, "T", s); }, 21, "nodex-W-478"},
      {"imcgrpcom read-only",
       [&](int* s) { return imcgrpcom(rogrp, 1, rogrp->sym, inv_->sym, "U9", s); }, 3,
       "nodex-W-465"},
      {"imcgrpnet not a group", [&](int* s) { return imcgrpnet((IwGrp*)lib, top_->sym, "N", s); },
       2, "nodex-W-435"},
      {"imcgrpnet question mark", [&](int* s) { return imcgrpnet(top_, top_->sym, "?", s); }, 5,
       "nodex-W-437"},
      {"imcgrpnet read-only", [&](int* s) { return imcgrpnet(rogrp, rogrp->sym, "N", s); }, 3,
       "nodex-W-465"},
      {"imcgrpnet another group's symbol",
       [&](int* s) { return imcgrpnet(top_, blk_->sym, "N", s); }, 1, "nodex-W-481"},
      {"imcgrpnet exists", [&](int* s) { return imcgrpnet(top_, top_->sym, "mid", s); }, 4,
       "nodex-W-466"},
      {"imcsymspn not a symbol", [&](int* s) { return imcsymspn((IwSym*)top_, "P", 1, "IN", s); },
       2, "nodex-W-435"},
      {"imcsymspn bad name", [&](int* s) { return imcsymspn(top_->sym, "a\nb", 1, "IN", s); }, 5,
       "nodex-W-437"},
      {"imcsymspn direction OUTPUT",
       [&](int* s) { return imcsymspn(top_->sym, "P", 1, "OUTPUT", s); }, 22, "nodex-W-454"},
      {"imcsymspn direction lower case",
       [&](int* s) { return imcsymspn(top_->sym, "P", 1, "out", s); }, 22, "nodex-W-454"},
      {"imcsymspn read-only", [&](int* s) { return imcsymspn(rogrp->sym, "P", 1, "IN", s); }, 3,
       "nodex-W-465"},
      {"imcobjatt no object", [&](int* s) { return imcobjatt(nullptr, "A", s); }, 1, "nodex-W-435"},
      {"imcobjatt bad name", [&](int* s) { return imcobjatt(b1, "", s); }, 5, "nodex-W-437"},
      {"imcobjatt on a group", [&](int* s) { return imcobjatt(top_, "A", s); }, 2, "nodex-W-435"},
      {"imcobjatt on a pin array head", [&](int* s) { return imcobjatt(b1->pins, "A", s); }, 2,
       "nodex-W-435"},
      {"imcobjatt exists", [&](int* s) { return imcobjatt(b1, "delay", s); }, 4, "nodex-W-466"},
      {"imcobjatt read-only", [&](int* s) { return imcobjatt(rogrp->sym, "A", s); }, 3,
       "nodex-W-465"},
      {"imanetpin not a net", [&](int* s) { return imanetpin((IwNet*)b1, u3y, s); }, 2,
       "nodex-W-435"},
      {"imanetpin no pin", [&](int* s) { return imanetpin(unused, nullptr, s); }, 13,
       "nodex-W-435"},
      {"imanetpin not a pin", [&](int* s) { return imanetpin(unused, (IwPin*)vcc, s); }, 14,
       "nodex-W-435"},
      {"imanetpin on a net", [&](int* s) { return imanetpin(unused, b1i, s); }, 15, "nodex-W-495"},
      {"imanetpin width", [&](int* s) { return imanetpin(bus, u3y, s); }, 11, "nodex-W-473"},
      {"imanetpin other group", [&](int* s) { return imanetpin(x, u3y, s); }, 12, "nodex-W-474"},
      {"imanetspn no symbol pin", [&](int* s) { return imanetspn(unused, nullptr, s); }, 8,
       "nodex-W-435"},
      {"imanetspn not a symbol pin", [&](int* s) { return imanetspn(unused, (IwSpn*)vcc, s); }, 9,
       "nodex-W-435"},
      {"imanetspn tied", [&](int* s) { return imanetspn(unused, din, s); }, 10, "nodex-W-469"},
      {"imdnetspn then imanetspn width",
       [&](int* s) {
         // Untie DOUT, then try to tie it to the 4-bit net: refused, and
         // the tie is put back so the case as a whole changes nothing.
         IwSpn* dout = din->next;
         IwNet* was = dout->net;
         imdnetspn(was, dout, s);
         bool ok = imanetspn(bus, dout, s);
         int keep = *s;
         imanetspn(was, dout, s);
         *s = keep;
         return ok;
       },
       11, "nodex-W-470"},
      {"imanetspn tied elsewhere", [&](int* s) { return imanetspn(unused, blko, s); }, 10,
       "nodex-W-469"},
      {"imanetspn other group", [&](int* s) { return imanetspn(unused, loose_port, s); }, 12,
       "nodex-W-471"},
      {"imdnetpin no pin", [&](int* s) { return imdnetpin(vcc, nullptr, s); }, 13, "nodex-W-435"},
      {"imdnetpin not on it", [&](int* s) { return imdnetpin(vcc, b1i, s); }, 17, "nodex-W-476"},
      {"imdnetspn not a symbol pin", [&](int* s) { return imdnetspn(vcc, (IwSpn*)b1, s); }, 9,
       "nodex-W-435"},
      {"imdnetspn not tied to it", [&](int* s) { return imdnetspn(vcc, din, s); }, 16,
       "nodex-W-475"},
      {"imsnettyp 1", [&](int* s) { return imsnettyp(vcc, 1, s); }, 23, "nodex-W-479"},
      {"imsnettyp not a net", [&](int* s) { return imsnettyp((IwNet*)b1, 0, s); }, 2,
       "nodex-W-435"},
      {"imsattval no value", [&](int* s) { return imsattval(delay, nullptr, s); }, 23,
       "nodex-W-437"},
      {"imsattval not an attribute", [&](int* s) { return imsattval((IwAtt*)b1, "1", s); }, 2,
       "nodex-W-435"},
      {"imsobjnam nothing", [&](int* s) { return imsobjnam(nullptr, "A", s); }, 1, "nodex-W-435"},
      {"imsobjnam bad name", [&](int* s) { return imsobjnam(b1, "it's", s); }, 5, "nodex-W-437"},
      {"imsobjnam a sheet", [&](int* s) { return imsobjnam(top_->schs, "S", s); }, 6,
       "nodex-W-536"},
      {"imsobjnam a group", [&](int* s) { return imsobjnam(top_, "T2", s); }, 6, "nodex-W-536"},
      {"imsnetnam net with pins", [&](int* s) { return imsnetnam(vcc, "VDD", s); }, 6,
       "nodex-W-464"},
      {"imsnetnam name taken", [&](int* s) { return imsnetnam(unused, "MID", s); }, 7,
       "nodex-W-468"},
      {"imscomnam name taken", [&](int* s) { return imscomnam(b1, "B2", s); }, 7, "nodex-W-468"},
      {"imsattnam name taken", [&](int* s) { return imsattnam(delay, "SPEED", s); }, 7,
       "nodex-W-468"},
      {"imdgrp not a group", [&](int* s) { return imdgrp((IwGrp*)b1, s); }, 2, "nodex-W-435"},
      {"imdgrp read-only", [&](int* s) { return imdgrp(rogrp, s); }, 3, "nodex-W-465"},
      {"imdschcom another sheet's", [&](int* s) { return imdschcom(top_->schs, b2, s); }, 25,
       "nodex-W-436"},
      {"imdobjatt not its own", [&](int* s) { return imdobjatt(b2, delay, s); }, 25, "nodex-W-537"},
      {"imdobjatt not an attribute", [&](int* s) { return imdobjatt(b1, (IwAtt*)b2, s); }, 2,
       "nodex-W-435"},
      {"imwgrpsave not a group", [&](int* s) { return imwgrpsave((IwGrp*)load, s); }, 2,
       "nodex-W-435"},
      {"imwlibsave nothing", [&](int* s) { return imwlibsave(nullptr, s); }, 1, "nodex-W-435"},
      {"imwlibsave not a library", [&](int* s) { return imwlibsave((IwLib*)top_, s); }, 2,
       "nodex-W-435"},
      {"iwlibopen bad name", [&](int* s) { return iwlibopen("", "w", s); }, 5, "nodex-W-437"},
      {"iwlibopen mode", [&](int* s) { return iwlibopen("lib", "a", s); }, 36, "nodex-W-534"},
      {"iwlibopen no such library", [&](int* s) { return iwlibopen("nolib", "w", s); }, 34,
       "nodex-W-533"},
      {"iwlibopen open already", [&](int* s) { return iwlibopen("LIB", "r", s); }, 33,
       "nodex-W-532"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string before = testutil::DumpModel();
    const std::uint64_t generation = iwgeneration();
    int status = -1;
    EXPECT_FALSE(c.call(&status));
    EXPECT_EQ(status, c.status);
    Strings codes = Codes();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.back(), c.message);
    EXPECT_EQ(testutil::DumpModel(), before);
    // Caches kept by record address stay valid; a case that changes and
    // restores records on its way moves the generation on, as it should.
    if (!std::strstr(c.what, " then ")) {
      EXPECT_EQ(iwgeneration(), generation);
    }
  }
}

TEST_F(ImMod, RenamesSettingsAndDeletionsKeepTablesAndRings) {
  BuildSmallDesign();
  IwCom* b1 = fetch_grp_com(top_, "B1");
  IwNet* vcc = Net(top_, "VCC");
  int st;
  // Global and back: the global table gains the net and loses it again.
  EXPECT_EQ(iwgblnet(nullptr), vcc);
  EXPECT_EQ(imsnettyp(vcc, 0, &st), 1);
  EXPECT_EQ(iwgblnet(nullptr), nullptr);
  EXPECT_EQ(imsnettyp(vcc, -1, &st), 1);
  EXPECT_EQ(iwgblnet(nullptr), vcc);

  // A pinless net is renamed and found by its new name only.
  IwNet* spare = Net(top_, "SPARE");
  EXPECT_EQ(imsobjnam(spare, "extra", &st), 1);
  EXPECT_EQ(fetch_net(top_, "EXTRA"), spare);
  EXPECT_EQ(fetch_net(top_, "SPARE"), nullptr);
  std::uint64_t generation = iwgeneration();
  EXPECT_EQ(imsnetnam(spare, "EXTRA", &st), 1);  // its own name: nothing to do
  EXPECT_EQ(iwgeneration(), generation);

  // A labelled component renamed takes the label along.
  Att(b1, "LABEL", "BLOCK1");
  EXPECT_EQ(imscomnam(b1, "first", &st), 1);
  EXPECT_GT(iwgeneration(), generation);  // facts kept about b1 are stale
  EXPECT_STREQ(igcomnam(b1), "FIRST");
  EXPECT_EQ(fetch_grp_com(top_, "FIRST"), b1);
  EXPECT_EQ(fetch_grp_com(top_, "B1"), nullptr);

  // Attributes renamed and revalued stay in name and value order.
  IwAtt* a = Att(b1, "ZED", "1");
  EXPECT_EQ(imsattnam(a, "AAA", &st), 1);
  EXPECT_EQ(Atts(b1->atts), (Strings{"AAA=1", "DELAY=5", "LABEL=FIRST"}));
  IwAtt* second = nullptr;
  second = imcobjdupatt(b1, "DELAY", &st);
  EXPECT_EQ(imsattval(second, "2", &st), 1);
  EXPECT_EQ(Atts(b1->atts), (Strings{"AAA=1", "DELAY=2", "DELAY=5", "LABEL=FIRST"}));
  EXPECT_EQ(imdobjatt(b1, second, &st), 1);
  EXPECT_EQ(Atts(b1->atts), (Strings{"AAA=1", "DELAY=5", "LABEL=FIRST"}));

  // A component taken off its sheet after its pins left their nets.
  IwCom* u3 = fetch_grp_com(top_, "U3");
  EXPECT_EQ(imdnetpin(vcc, igcompin(u3), &st), 1);
  EXPECT_EQ(PinsOn(vcc), Strings{});
  EXPECT_EQ(imdschcom(u3->sch, u3, &st), 1);
  EXPECT_EQ(fetch_grp_com(top_, "U3"), nullptr);
  for (IwCom* c = iggrpcom(top_, nullptr); c; c = iggrpcom(top_, c)) EXPECT_NE(c, u3);
  EXPECT_EQ(iwcheckgrp(top_, &st), 0);  // nets and components are sorted only on writing
  sort_groups(nullptr);
  EXPECT_EQ(iwcheckgrp(top_, &st), 1) << st;

  // A deleted group leaves the table and the reference list.
  IwGrp* g = Group(Lib("lib"), "gone", {"A", "IN"});
  EXPECT_EQ(imdgrp(g, &st), 1);
  EXPECT_EQ(fetch_grp("GONE"), nullptr);
  for (IwGrp* r = iws.grpref; r; r = r->next) EXPECT_NE(r, g);
}

TEST_F(ImMod, LibrariesKeepTheirNamesAndOpenOnce) {
  int st;
  IwLib* mine = imclib("Mine", &st);
  ASSERT_NE(mine, nullptr);
  EXPECT_STREQ(mine->name, "Mine");
  EXPECT_EQ(imclib("MINE", &st), mine);
  // Not part of the project yet, so nothing may be made in it.
  EXPECT_EQ(imclibgrp(mine, "cell", &st), nullptr);
  EXPECT_EQ(st, IW_MOD_NOTWRITABLE);
  EXPECT_EQ(iwlibopen("mine", "W", &st), mine);
  EXPECT_NE(mine->handle, 0);
  EXPECT_TRUE(fs::is_directory(dir_.path() + "/mine"));
  EXPECT_EQ(iwlibopen("mine", "w", &st), nullptr);
  EXPECT_EQ(st, IW_MOD_LIBOPEN);
  // The first group made while no group exists becomes the top group; a
  // group of the same name in another library is a second group.
  IwGrp* g = imclibgrp(mine, "cell", &st);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(iws.topgrp, g);
  IwGrp* twin = imclibgrp(Lib("lib"), "cell", &st);
  EXPECT_NE(twin, nullptr);
  EXPECT_NE(twin, g);
  EXPECT_EQ(imclibgrp(mine, "CELL", &st), nullptr);
  EXPECT_EQ(st, IW_MOD_EXISTS);
  // A library saved before it was opened is made part of the project.
  IwLib* other = imclib("other", &st);
  iwnochk_writable(1);
  IwGrp* cell = imclibgrp(other, "prim", &st);
  imcgrpsym(cell, "PRIM", &st);
  imcsymspn(cell->sym, "A", -1, "IN", &st);
  iwnochk_writable(0);
  EXPECT_EQ(imwlibsave(other, &st), 1) << st;
  EXPECT_TRUE(testutil::FileExists(dir_.path() + "/other/wir/prim.1"));
}

// Past the index thresholds: many attributes on one object (read from a
// wirelist, so indexed), many pins on one symbol, many sheets of one
// group.  The API's changes must leave the lists as a walk would, and no
// index may be found stale (an assertion failure on standard output).
TEST_F(ImMod, LongListsStayExactThroughTheApi) {
  std::string sheet = "AS INV PINORDER=A Y\nM INV U1\nI U1 INV N1 N2\n";
  for (int k = 0; k < 80; ++k) sheet += "AN N1 " + Name("A", k % 40) + "=" + Name("V", k) + "\n";
  Sheet("TOP", 1, sheet);
  ASSERT_NE(iwgroup("TOP"), nullptr);
  // A stale index is reported on standard output as an assertion failure.
  testing::internal::CaptureStdout();
  IwGrp* top = IwDesign::Group("TOP");
  IwNet* n1 = fetch_net(top, "N1");
  ASSERT_NE(iwgetatt(n1->atts, "A7"), nullptr);  // the look-up indexes the list
  int st;
  for (int k = 0; k < 40; ++k) {
    std::string name = Name("A", k);
    IwAtt* a = iwgetatt(n1->atts, name.c_str());
    ASSERT_NE(a, nullptr);
    if (k % 3 == 0) {
      EXPECT_EQ(imsattval(a, Name("W", k).c_str(), &st), 1);
    }
    if (k % 3 == 1) {
      EXPECT_EQ(imsattnam(a, Name("B", k).c_str(), &st), 1);
    }
    if (k % 3 == 2) {
      EXPECT_EQ(imdobjatt(n1, a, &st), 1);
    }
  }
  EXPECT_NE(imcobjatt(n1, "A99", &st), nullptr);  // no value: the list is walked from now on
  // Every name is found where a walk finds it, and the list is in order.
  for (const IwAtt* a = n1->atts; a && a->next; a = a->next) {
    const IwAtt* b = a->next;
    EXPECT_LE(std::string(a->name), std::string(b->name));
    if (a->name == b->name && a->value && b->value) {
      EXPECT_LE(std::string(a->value), std::string(b->value)) << a->name;
    }
  }
  for (const IwAtt* a = n1->atts; a; a = a->next) {
    const IwAtt* first = n1->atts;
    while (first->name != a->name) first = first->next;
    EXPECT_EQ(iwgetatt(n1->atts, a->name), first) << a->name;
  }

  // 40 pins made one by one, then looked up by place and name; the index
  // made on the way follows the pins added after it.
  IwLib* lib = Lib("lib");
  IwGrp* wide = Group(lib, "wide", {});
  for (int k = 1; k <= 40; ++k) {
    std::string name = Name("P", k);
    ASSERT_NE(imcsymspn(wide->sym, name.c_str(), -1, "IN", &st), nullptr);
    if (k == 35) {
      EXPECT_STREQ(iwspnat(wide->sym, 35)->name, "P35");
    }
  }
  EXPECT_EQ(wide->sym->npins, 40);
  for (int k = 1; k <= 40; ++k)
    EXPECT_EQ(iwspnat(wide->sym, k)->name, iwmkname(Name("P", k).c_str()));
  IwCom* w = Place(top, 1, wide, "W1", {});
  ASSERT_NE(w, nullptr);
  EXPECT_STREQ(igpinspn(ifpinpin(40, igcompin(w)))->name, "P40");

  // Sheets made as the reader makes them (indexed past 16), then sheets
  // made by the API between them: ascending, each number once, and the
  // reader's look-up finds the API's sheets.
  IwGrp* big = imclibgrp(lib, "big", &st);
  imcgrpsym(big, "BIG", &st);
  for (int k = 2; k <= 40; k += 2) {
    iws.cursheet = k;
    iwgetsch(big);
  }
  std::vector<IwSch*> made;
  for (int k : {39, 1, 17, 25, 3}) {
    made.push_back(imcgrpsch(big, k, &st));
    ASSERT_NE(made.back(), nullptr) << k;
  }
  EXPECT_NE(Place(big, 41, wide, "X1", {}), nullptr);
  iws.cursheet = 17;
  EXPECT_EQ(iwgetsch(big), made[2]);
  iws.cursheet = 40;
  EXPECT_EQ(iwgetsch(big)->number, 40);
  int previous = 0, count = 0;
  for (const IwSch* s = big->schs; s; s = s->next, ++count) {
    EXPECT_GT(s->number, previous);
    previous = s->number;
  }
  EXPECT_EQ(count, 20 + 5 + 1);
  EXPECT_EQ(imcgrpsch(big, 17, &st), nullptr);
  EXPECT_EQ(st, IW_MOD_EXISTS);
  std::string out = testing::internal::GetCapturedStdout();
  std::fputs(out.c_str(), stdout);  // with the failures of this test, if any
  EXPECT_EQ(out.find("PROGRAM FAILURE"), std::string::npos);
}

}  // namespace
