// wirelist/iwfile_test.cc - finding design files in the libraries, the
// out-of-date checks of wirelists and their regeneration, the library list.
#include "wirelist/iwfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <string>
#include <tuple>
#include <vector>

#include "store/pxlib.h"
#include "tests/iwproject.h"
#include "wirelist/immod.h"
#include "wirelist/iwlib.h"
#include "wirelist/iwmem.h"

namespace {

using Strings = std::vector<std::string>;
constexpr const char* kWirelist =
    "V 4.09\nDW ALU\nAS ADD4 PINORDER=A B S\nM ADD4 $1I1\n"
    "I $1I1 ADD4 X Y Z\nEW\n";

class IwFile : public testutil::IwProject {
 protected:
  // Sets a project file's modification time to seconds ago.
  void Age(const std::string& rel, int seconds) {
    std::string path = dir_.path() + "/" + rel;
    timeval t[2];
    t[0].tv_sec = t[1].tv_sec = std::time(nullptr) - seconds;
    t[0].tv_usec = t[1].tv_usec = 0;
    ASSERT_EQ(utimes(path.c_str(), t), 0) << rel;
  }

  // Starts the database on the given library declarations.
  void Start(const std::string& ini) {
    Write("drafta.ini", ini);
    ASSERT_EQ(iwinit(), 1);
    Codes();
  }

  // Puts a stand-in checker on PATH that logs its arguments and, when
  // fixing, touches the wirelist it was asked for.
  void Checker(bool fixing) {
    std::string script = "#!/bin/sh\necho \"$@\" >> check.log\n";
    if (fixing)
      script +=
          "f=$(echo \"$2\" | tr A-Z a-z)\nmkdir -p work/wir\n"
          "printf 'V 4.09\\nEW\\n' > \"work/wir/$f\"\n";
    Write("bin/check", script);
    chmod((dir_.path() + "/bin/check").c_str(), 0755);
    path_.reset();
    path_ = std::make_unique<testutil::ScopedEnv>(
        "PATH", (dir_.path() + "/bin:" + std::getenv("PATH")).c_str());
  }

  std::string Log() { return testutil::ReadFile(dir_.path() + "/check.log"); }

  std::unique_ptr<testutil::ScopedEnv> path_;
};

TEST_F(IwFile, FirstLibraryWinsUnlessOneIsNamed) {
  Write("one/wir/alu.1", "one\n");
  Write("two/wir/alu.1", "two\n");
  Write("two/dly/slow.var", "");
  Start("DIR [w] one\nDIR [r] two\n");

  char path[256];
  long time = -1;
  int lib = -1;
  ASSERT_NE(iwfinfo("ALU.1", "wir", path, &time, &lib), nullptr);
  EXPECT_EQ(std::string(path), dir_.path() + "/one/wir/alu.1");
  EXPECT_EQ(lib, 1);
  EXPECT_GT(time, 0);
  ASSERT_NE(iwfinfo(" TWO:ALU.1", "wir", path, nullptr, &lib), nullptr);
  EXPECT_EQ(lib, 2);
  EXPECT_EQ(iwfinfo("ALU.2", "wir", path, &time, &lib), nullptr);
  EXPECT_EQ(std::string(path) + std::to_string(time) + std::to_string(lib), "00");
  EXPECT_NE(iwvarfinfo("slow.var", nullptr, nullptr, &lib), nullptr);

  int access = 0;
  EXPECT_EQ(iwfileinfo("two:alu.1", "wir", path, nullptr, &access, 0), nullptr);
  EXPECT_EQ(access, 6);
  std::FILE* f = iwfileinfo("alu.1", "wir", nullptr, nullptr, &access, 1);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(access, 1);
  EXPECT_EQ(std::fgetc(f), 'o');
  std::fclose(f);
  iwfileinfo("nosuch.1", "wir", nullptr, nullptr, &access, 1);
  EXPECT_EQ(access, -1);

  PrjObject* obj = iwvfopen("two:alu.1", "wir");
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(std::fgetc(iwvfstream(obj)), 't');
  EXPECT_EQ(iwvfclose(obj), 0);
  EXPECT_EQ(iwvfstream(obj), nullptr);
}

TEST_F(IwFile, OutOfDateWirelistIsRegeneratedOnlyWhenSafe) {
  // The group, whether the checker brings its wirelist up to date, whether
  // regeneration is on, the messages of the open, what the checker was run with.
  const Strings old = {"nodex-W-220", "nodex-W-221"};
  const Strings unsafe = {"nodex-W-220", "nodex-W-352", "nodex-W-221"};
  const std::tuple<const char*, bool, bool, Strings, const char*> cases[] = {
      {"ALU", true, false, old, ""},          // regeneration off
      {"ALU", true, true, {}, "-s ALU.1\n"},  // the checker fixes it
      {"ALU", false, true, {"nodex-W-200", "nodex-W-412", old[0], old[1]}, "-s ALU.1\n"},
      {"A;B", true, true, unsafe, ""},         // a shell metacharacter: not run
      {"-RF", true, true, unsafe, ""},         // it would read as an option
      {"A$B", true, true, {}, "-s A$B.1\n"}};  // passed quoted
  for (const auto& [group, fixing, regen, codes, log] : cases) {
    SCOPED_TRACE(std::string(group) + (fixing ? " fixing" : "") + (regen ? " regen" : ""));
    Reset();
    iwregmsghndlr(Record, &messages_);
    std::remove((dir_.path() + "/check.log").c_str());
    std::string file = group;
    for (char& ch : file) ch = static_cast<char>(std::tolower(ch));
    Write("work/wir/" + file + ".1", kWirelist);
    Write("work/sch/" + file + ".1", "schematic\n");
    Age("work/wir/" + file + ".1", 200);
    Age("work/sch/" + file + ".1", 100);
    Checker(fixing);
    Start("DIR [w] work\n");
    iws.regen[0] = regen;

    PrjObject* obj = iwvopen(group, 1);
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(Codes(), codes);
    EXPECT_EQ(Log(), log);
    EXPECT_EQ(iws.regen[0], regen && fixing);
    iwvfclose(obj);
  }
}

TEST_F(IwFile, SourcesElsewhereAndPinOrderSymbolsAreChecked) {
  Write("work/wir/alu.1", kWirelist);
  Write("work/sym/add4.1", "symbol\n");
  Write("parts/sch/alu.1", "schematic\n");
  Age("work/wir/alu.1", 200);
  Age("parts/sch/alu.1", 300);
  Start("DIR [w] work\nDIR [r] parts\n");
  iws.regen[0] = false;

  // The schematic is older but in another library; the symbol of ADD4,
  // whose pin order the sheet uses, is newer.
  PrjObject* obj = iwvopen("ALU", 1);
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(messages_.at(3), "nodex-W-220: The wirelist is older than its symbol ADD4.1 (" +
                                 dir_.path() + "/work/sym/add4.1).");
  EXPECT_EQ(Codes(),
            (Strings{"nodex-W-218", "nodex-W-219", "nodex-W-219", "nodex-W-220", "nodex-W-221"}));
  char line[32];
  ASSERT_NE(std::fgets(line, sizeof line, iwvfstream(obj)), nullptr);
  EXPECT_STREQ(line, "V 4.09\n");  // the scan left the stream where it was
  iwvfclose(obj);

  // A wirelist that ends before its first instance or end record is out
  // of date only when a schematic could write it again; else the reader
  // says what is wrong with it.
  Write("work/wir/cut.1", "V 4.09\nDW CUT\n");
  obj = iwvopen("CUT", 1);
  EXPECT_TRUE(Codes().empty());
  iwvfclose(obj);
  Write("work/sch/cut.1", "schematic\n");
  Age("work/sch/cut.1", 300);
  obj = iwvopen("CUT", 1);
  EXPECT_EQ(Codes(), (Strings{"nodex-E-205"}));
  iwvfclose(obj);

  // No time checks: nothing is looked at.
  iwchktime();
  iwvfclose(iwvopen("ALU", 1));
  EXPECT_TRUE(Codes().empty());
}

TEST_F(IwFile, MissingWirelistIsReportedOnlyWhenItsSchematicExists) {
  Write("work/sch/alu.1", "schematic\n");
  Start("DIR [w] work\n");
  iws.regen[0] = false;
  EXPECT_EQ(iwvopen("ALU", 1), nullptr);
  EXPECT_EQ(Codes(), (Strings{"nodex-E-222", "nodex-E-175"}));
  EXPECT_EQ(iwvopen("ALU", 2), nullptr);
  EXPECT_TRUE(Codes().empty());

  // iwopen keeps its own regeneration setting and hands out a stream.
  Checker(true);
  std::FILE* f = iwopen("ALU", 1);
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_EQ(Log(), "-s ALU.1\n");
  EXPECT_TRUE(Codes().empty());
}

// Opening a design must never run a program the design folder brings: when
// "check" did not help, "check.exe" is looked for only in WDIR and beside
// the program, and a WDIR entry inside the folder or a library is passed
// over.  A damaged wirelist without a schematic is not regenerated at all.
TEST_F(IwFile, CheckExeComesOnlyFromPlacesTheUserControls) {
  const std::string logger = "#!/bin/sh\necho \"$0 $@\" >> check.log\n";
  testutil::ScopedTempDir tools;  // outside the design folder
  for (std::string path :
       {dir_.path() + "/check.exe", dir_.path() + "/532/check.exe", dir_.path() + "/work/check.exe",
        dir_.path() + "/tools/check.exe", tools.path() + "/check.exe"}) {
    ASSERT_TRUE(testutil::WriteFile(path, logger));
    chmod(path.c_str(), 0755);
  }
  Write("work/wir/alu.1", kWirelist);
  Write("work/sch/alu.1", "schematic\n");
  Age("work/wir/alu.1", 200);
  Checker(false);
  const std::string work = dir_.path() + "/work";
  const std::tuple<std::string, std::string> cases[] = {
      // The folder, a library and a directory inside the folder: passed over.
      {". " + work + " " + dir_.path() + "/tools", "-s ALU.1\n"},
      {tools.path(), "-s ALU.1\n" + tools.path() + "/check.exe -s ALU.1\n"}};
  for (const auto& [wdir, log] : cases) {
    SCOPED_TRACE(wdir);
    Reset();
    iwregmsghndlr(Record, &messages_);
    std::remove((dir_.path() + "/check.log").c_str());
    testutil::ScopedEnv env("WDIR", wdir.c_str());
    pxResetWdirCache();
    Start("DIR [w] work\n");
    iwvfclose(iwvopen("ALU", 1));
    EXPECT_EQ(Log(), log);
  }

  Reset();
  std::remove((dir_.path() + "/check.log").c_str());
  Write("work/wir/nul.1", std::string(64, '\0'));
  Start("DIR [w] work\n");
  iwvfclose(iwvopen("NUL", 1));
  EXPECT_EQ(Log(), "");
}

TEST_F(IwFile, NamesSplitAtTheLibraryColon) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"ALU", "", "ALU"},           {"  ALU", "", "ALU"},
      {" work:ALU", "WORK", "ALU"}, {"work: ALU", "WORK", " ALU"},
      {":ALU", "", "ALU"},
  };
  for (const auto& [name, lib, rest] : cases) {
    SCOPED_TRACE(name);
    EXPECT_STREQ(iwparselib(name), lib);
    EXPECT_STREQ(iwparsename(name), rest);
  }
  EXPECT_STREQ(iggrpnam(nullptr), "");
  EXPECT_STREQ(iggrplnm(nullptr), "");
}

TEST_F(IwFile, LibraryListAndDirectoryWalkFollowTheStore) {
  Write("one/sym/cpu.1", "");
  Write("two/wir/alu.1", kWirelist);
  Write("three/.keep", "");
  Write("four/.keep", "");
  Start("DIR [w] one\nDIR [p] two\nDIR [m] three (Mega)\nDIR [0] four\n");

  Strings names;
  for (IwLib* lib = iwgetlibs(nullptr); lib; lib = iwgetlibs(lib))
    names.push_back(std::string(iglibnam(lib)) + "=" + std::to_string(igprjlib(lib)));
  EXPECT_EQ(names, (Strings{"four=4", "Mega=3", "two=2", "one=1"}));
  int status;
  EXPECT_EQ(imclib("mega", &status), ignxlib(3));

  IwGrp* alu = iwmkgroup("ALU");
  iws.cursheet = 1;
  iwgetsch(alu);
  IwGrp* cpu = iwmkgroup("CPU");
  EXPECT_EQ(iggrpown(alu), ignxlib(2));  // by its first sheet's wirelist
  EXPECT_EQ(iggrpown(cpu), ignxlib(1));  // by its symbol
  EXPECT_EQ(iglibnam(reinterpret_cast<IwLib*>(alu)), nullptr);

  Strings walk;
  for (int more = iglibdir(nullptr); more; more = igdirnxt())
    walk.push_back(std::string(igdirnam()) + ":" + std::to_string(igdirtyp()));
  EXPECT_EQ(walk, (Strings{"ONE:1", "TWO:0", "MEGA:11", "FOUR:-1"}));
  EXPECT_EQ(iglibdir("t*"), 1);
  EXPECT_STREQ(igdirnam(), "TWO");
  EXPECT_EQ(igdirnxt(), 0);
  EXPECT_STREQ(igdirnam(), "");
}

TEST_F(IwFile, WirelistIsSavedAndRestored) {
  Write("work/wir/alu.1", "first\n");
  Start("DIR [w] work\n");
  EXPECT_EQ(iwfexists(iws.project, "ALU", 1), 1);
  EXPECT_EQ(iwfexists(iws.project, "ALU", 2), 0);
  EXPECT_EQ(iwmvwir_restore(iws.project, "ALU", 1), 0);  // nothing saved yet
  EXPECT_EQ(iwmvwir_sav(iws.project, "ALU", 1), 1);
  Write("work/wir/alu.1", "second\n");
  EXPECT_EQ(iwmvwir_restore(iws.project, "ALU", 1), 1);
  EXPECT_EQ(testutil::ReadFile(dir_.path() + "/work/wir/alu.1"), "first\n");
}

}  // namespace
