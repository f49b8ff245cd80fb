// wirelist/iwpld_test.cc - PLD components: when the translator runs, what
// stops a sheet.
#include "wirelist/iwpld.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "store/pxlib.h"
#include "tests/iwdesign.h"
#include "wirelist/iwgroup.h"
#include "wirelist/iwinit.h"

namespace {

using Strings = std::vector<std::string>;

constexpr const char* kPldWirelist =
    "V 4.09\nDW PAL16_1\nP IN I0\nI I0 IN I0\nP OUT O0\nI O0 OUT O0\nEW\n";

class IwPld : public testutil::IwDesign {
 protected:
  void SetUp() override {
    IwDesign::SetUp();
    // Stand-ins outside the project: the translator and a program that
    // only a command the shell misread would start.
    for (const char* prog : {"plxconv", "touch_pwned"}) {
      std::string path = bin_.path() + "/" + prog;
      testutil::WriteFile(path, "#!/bin/sh\necho \"$@\" >> " + dir_.path() + "/" + prog + ".log\n");
      chmod(path.c_str(), 0755);
    }
  }

  // Starts a fresh session on sheet 1 of TOP (body between DW and EW) and
  // the translator's files: each of jed, pld, var and wir is written
  // `age` seconds old when age >= 0 and left out when it is -1.  The file
  // whose extension is in_ro goes to the read-only library "ro".
  void Project(const std::string& body, int jed, int pld, int var, int wir,
               const std::string& version = "4.09", const std::string& in_ro = "") {
    Restart();
    std::filesystem::remove_all(dir_.path() + "/lib");
    std::filesystem::remove_all(dir_.path() + "/ro");
    std::remove((dir_.path() + "/plxconv.log").c_str());
    const std::tuple<const char*, int, const char*> files[] = {
        {"sch/pal16_1.jed", jed, "fuses\n"},
        {"wir/palmod.pld", pld, "module\n"},
        {"dly/dly1.var", var, ""},
        {"wir/pal16_1.wir", wir, kPldWirelist}};
    for (const auto& [rel, age, text] : files) {
      if (age < 0) continue;
      const std::string r = rel;
      const std::string file = (!in_ro.empty() && r.ends_with(in_ro) ? "ro/" : "lib/") + r;
      Write(file, text);
      timeval t[2] = {{std::time(nullptr) - age, 0}, {std::time(nullptr) - age, 0}};
      ASSERT_EQ(utimes((dir_.path() + "/" + file).c_str(), t), 0) << file;
    }
    Write("lib/wir/top.1", "V " + version + "\nDW TOP\nAS PAL16 PINORDER=I0 O0\n" + body + "EW\n");
    std::filesystem::create_directories(dir_.path() + "/ro");
    Write("drafta.ini", "DIR [w] lib\nDIR [r] ro\n");
    ASSERT_EQ(iwinit(), 1);
    for (const std::string& level : levels_) iwsetlevel(level.c_str());
    Codes();
  }

  // Parses sheet 1 of TOP; whether it was read.
  static bool Read() { return iwaddsheet("TOP", 1) != nullptr; }

  std::string Runs(const char* prog = "plxconv") {
    return testutil::ReadFile(dir_.path() + "/" + prog + ".log");
  }

  static constexpr const char* kOne = "F PAL16 $1I1 PAL16_1 DLY1 PALMOD\nI $1I1 PAL16 A Y\n";
  static constexpr const char* kRun = "-nPALMOD -dDLY1 -jPAL16_1\n";

  Strings levels_;
  testutil::ScopedTempDir bin_;
  testutil::ScopedEnv path_{"PATH", (bin_.path() + ":" + std::getenv("PATH")).c_str()};
};

TEST_F(IwPld, TranslatorRunsWhenASourceIsNewerOrTheWirelistIsMissing) {
  // Ages of the fuse map, module, delay-binning file and wirelist.
  const std::tuple<const char*, int, int, int, int, bool> cases[] = {
      {"all as old", 100, 100, 100, 100, false},    {"wirelist newest", 100, 100, 100, 50, false},
      {"wirelist older", 100, 100, 100, 200, true}, {"fuse map newer", 50, 100, 100, 100, true},
      {"module newer", 100, 50, 100, 100, true},    {"bins newer", 100, 100, 50, 100, true},
      {"no wirelist", 100, 100, 100, -1, true},
  };
  for (const auto& [what, jed, pld, var, wir, runs] : cases) {
    SCOPED_TRACE(what);
    // Two components of the type: the same command runs once at most.
    Project(std::string(kOne) + "F PAL16 $1I2 PAL16_1 DLY1 PALMOD\nI $1I2 PAL16 Y B\n", jed, pld,
            var, wir);
    EXPECT_TRUE(Read());
    EXPECT_EQ(Codes(), Strings{});
    EXPECT_EQ(Runs(), runs ? kRun : "");
  }
}

TEST_F(IwPld, MissingSourcesMatterOnlyWithoutAWirelist) {
  const std::tuple<int, int, int, int, Strings> cases[] = {
      {100, -1, 100, 100, {}},  // the wirelist there is read as it is
      {100, -1, 100, -1, {"nodex-E-407", "nodex-E-410"}},
      {-1, 100, -1, -1, {"nodex-E-408", "nodex-E-409", "nodex-E-410"}},
      {-1, -1, -1, -1, {"nodex-E-407", "nodex-E-408", "nodex-E-409", "nodex-E-410"}},
  };
  for (const auto& [jed, pld, var, wir, codes] : cases) {
    SCOPED_TRACE(testing::PrintToString(codes));
    Project(kOne, jed, pld, var, wir);
    EXPECT_EQ(Read(), codes.empty());
    EXPECT_EQ(Codes(), codes);
    EXPECT_EQ(Runs(), "");
  }

  // The delay-binning file may also stand in the working directory or in
  // a WDIR directory, where its name is lower case like the libraries'.
  for (const char* where : {"dly1.var", "wdir/dly1.var"}) {
    SCOPED_TRACE(where);
    Project(kOne, 100, 100, -1, -1);
    Write(where, "");
    testutil::ScopedEnv wdir("WDIR", (dir_.path() + "/wdir").c_str());
    pxResetWdirCache();
    EXPECT_TRUE(Read());
    EXPECT_EQ(Codes(), Strings{});
    EXPECT_EQ(Runs(), kRun);
    std::remove((dir_.path() + "/" + where).c_str());
  }
}

TEST_F(IwPld, RecordsThatFailTheSheet) {
  const std::tuple<const char*, std::string, Strings> cases[] = {
      // Components of one PLD type agree on its files and on their group.
      {"4.09", std::string(kOne) + "F PAL16 $1I2 PAL16_1 DLY1 PALMOD\n", {}},
      {"4.09",
       std::string(kOne) + "F PAL16 $1I2 PAL16_1 DLY2 PALMOD\n",
       {"nodex-E-401", "nodex-E-402", "nodex-E-403", "nodex-E-404"}},
      {"4.09",
       std::string(kOne) + "AS PAL20 PINORDER=I0 O0\nF PAL20 $1I2 PAL16_1 DLY1 PALMOD\n",
       {"nodex-E-227"}},
      // Up to version 3.2 the names come from the symbol's attributes.
      {"3.2", "AS PAL16 PLDMOD=PALMOD\nAS PAL16 DLYBIN=DLY1\nF PAL16 $1I1 PAL16_1\n", {}},
      {"3.2", "AS PAL16 DLYBIN=DLY1\nF PAL16 $1I1 PAL16_1\n", {"nodex-E-405"}},
      {"3.2", "F PAL16 $1I1 PAL16_1\n", {"nodex-E-405", "nodex-E-406"}},
      {"3.21",
       "AS PAL16 PLDMOD=PALMOD\nAS PAL16 DLYBIN=DLY1\nF PAL16 $1I1 PAL16_1\n",
       {"nodex-E-354"}},
      {"4.09", "F PAL16\n", {"nodex-E-354"}},
  };
  for (const auto& [version, body, codes] : cases) {
    SCOPED_TRACE(body);
    Project(body, 100, 100, 100, 100, version);
    EXPECT_EQ(Read(), codes.empty());
    EXPECT_EQ(Codes(), codes);
  }
}

TEST_F(IwPld, TranslatorIsNotRunWhenItMayNotOrNeedNot) {
  // Names the shell would read as more than a word: warning 353, and the
  // wirelist there is read as it is.
  for (const char* name : {"A;TOUCH_PWNED", "$(TOUCH_PWNED)", "-RF"}) {
    SCOPED_TRACE(name);
    std::string file = Lower(name);
    Project(std::string("F PAL16 $1I1 PAL16_1 ") + name + " PALMOD\n", 50, 100, -1, 100);
    Write("lib/dly/" + file + ".var", "");
    EXPECT_TRUE(Read());
    EXPECT_EQ(Codes(), Strings{"nodex-W-353"});
  }
  EXPECT_EQ(Runs(), "");
  EXPECT_EQ(Runs("touch_pwned"), "");

  // A leaf at an active level is never read, so never translated.
  levels_ = {"CHIP"};
  Project(std::string("AS PAL16 LEVEL=CHIP\n") + kOne, 100, 100, 100, -1);
  EXPECT_TRUE(Read());
  EXPECT_EQ(Runs(), "");
  levels_.clear();

  // Nothing is written into a read-only library: neither a new wirelist
  // beside a fuse map there, nor over an out-of-date one.
  for (int wir : {-1, 100}) {
    SCOPED_TRACE(wir);
    Project(kOne, 50, 100, 100, wir, "4.09", wir < 0 ? "jed" : "wir");
    EXPECT_FALSE(Read());
    EXPECT_EQ(Codes(), Strings{"nodex-E-190"});
  }
  EXPECT_EQ(Runs(), "");
}

}  // namespace
