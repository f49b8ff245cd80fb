// wirelist/iwoatfile_test.cc - occurrence-attribute files: the format and
// its results, the orphan test, the design walk into further files (the
// same with the shortcuts off), cleaning byte for byte, every failure of
// a cleaning leaving the file as it was, and hostile files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/iwdesign.h"
#include "util/rkreplace.h"
#include "wirelist/iwgroup.h"
#include "wirelist/iwindex.h"
#include "wirelist/iwoat.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Strings = std::vector<std::string>;

// TOP places BLK as U1 and U10; BLK holds the inverter G1 between its
// port A and the net N1.
class IwOatFile : public testutil::IwDesign {
 protected:
  void Design(const std::string& blk_extra = "") {
    Sheet("TOP", 1, "AS BLK PINORDER=A\nW BLK U1\nI U1 BLK X\nW BLK U10\nI U10 BLK Y\n");
    Sheet("BLK", 1,
          "AS INV PINORDER=A Y\nM INV G1\nI G1 INV A N1" + blk_extra + "\nP IN A\nI A IN A\n");
  }
  IwGrp* Load() {
    Start();
    return iwgroup("TOP");
  }
  void Oat(const std::string& name, const std::string& text) { Write("lib/sch/" + name, text); }
  std::string OatFile(const std::string& name) {
    return testutil::ReadFile(dir_.path() + "/lib/sch/" + name);
  }
  // Names in lib/sch beside the files the test wrote: a temporary file
  // left behind shows up here.
  Strings SchFiles() {
    Strings v;
    for (const auto& e : fs::directory_iterator(dir_.path() + "/lib/sch"))
      v.push_back(e.path().filename());
    std::sort(v.begin(), v.end());
    return v;
  }
  // The table, one "K PATH NAME=VALUE ..." per entry, sorted.
  static Strings Table() {
    Strings v;
    for (const IwOatEntry* e = igoatnxt(nullptr); e; e = igoatnxt(e)) {
      std::string s(1, e->kind == IW_OAT_COM ? 'C' : e->kind == IW_OAT_PIN ? 'P' : 'N');
      s.append(" ").append(e->path);
      for (const std::string& a : Atts(e->atts)) s.append(" ").append(a);
      v.push_back(s);
    }
    std::sort(v.begin(), v.end());
    return v;
  }
};

TEST_F(IwOatFile, ReadingFollowsTheFormat) {
  struct Case {
    const char* name;
    std::string text;
    int result;
    Strings table;
  } cases[] = {
      {"only comments", "| header\n\n   | indented\n.BA\n| C U1\n.AB\n", IW_OAT_EMPTY, {}},
      {"every kind of line",
       "V 2\nSN 1\nSO 2\n.BA\nA BEFORE=1\nC U1\\G1\nA size = two words\tTAIL\nA FLAG\n"
       "G ignored\nN U1\\N1\nA LOAD=3\nP U10\\G1\\A\nA CAP=1\n.AB\n",
       IW_OAT_LOADED,
       {"C U1\\G1 FLAG= SIZE=TWO WORDS", "N U1\\N1 LOAD=3", "P U10\\G1\\A CAP=1"}},
      {"lower case, CRLF and a NUL", ".ba\r\nc u1\\g1\0 junk\r\na x = y \r\n.ab\r\n"s,
       IW_OAT_LOADED, {"C U1\\G1 X=Y"}},
      {"override off keeps the first", ".BA\nC U1\nA X=1\nA X=2\n.AB\n", IW_OAT_LOADED,
       {"C U1 X=1"}},
      {"override on replaces; .AB turns it off",
       "OVERRIDE ON\n.BA\nC U1\nA X=1\nA X=2\n.AB\n.BA\nC U1\nA X=3\n.AB\n", IW_OAT_REPLACED,
       {"C U1 X=2"}},
      {"signals add up, each once",
       ".BA\nC U1\nA SIGNAL=GND;A\nA SIGNAL=GND;A\nA SIGNAL=VDD;B\n.AB\n", IW_OAT_LOADED,
       {"C U1 SIGNAL=GND;A SIGNAL=VDD;B"}},
      {"a signal without ;", ".BA\nC U1\nA X=1\nA SIGNAL=GND\nA Y=2\n", IW_OAT_SYNTAX,
       {"C U1 X=1"}},
      {"a bad override mode", ".BA\nC U1\nA X=1\nOVERRIDE MAYBE\nC U10\n", IW_OAT_SYNTAX,
       {"C U1 X=1"}},
      {"a version inside", ".BA\nC U1\nV 2\n", IW_OAT_SYNTAX, {"C U1"}},
      {"an attribute outside", "A X=1\n", IW_OAT_SYNTAX, {}},
      {"an unknown word outside", "BOGUS\n.BA\nC U1\n", IW_OAT_SYNTAX, {}},
      {"an unknown word inside", ".BA\nXYZ\n", IW_OAT_SYNTAX, {}},
      {"a second .BA", ".BA\n.BA\n", IW_OAT_SYNTAX, {}},
      {"an occurrence without a path", ".BA\nC\n", IW_OAT_SYNTAX, {}},
      {"a path too long", ".BA\nC " + std::string(1024, 'U') + "\n", IW_OAT_INTERNAL, {}},
      {"a name too long", ".BA\nC U1\nA " + std::string(256, 'N') + "=1\n", IW_OAT_SYNTAX,
       {"C U1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    Design();
    ASSERT_NE(Load(), nullptr);
    Oat("t.oat", c.text);
    EXPECT_EQ(iwloadoat("", "t"), c.result);
    EXPECT_EQ(Table(), c.table);
  }
  EXPECT_EQ(iwloadoat("", "missing"), IW_OAT_NO_FILE);
  EXPECT_EQ(iwloadoat("", "t.txt"), IW_OAT_NO_FILE);  // an extension is not replaced

  // An attribute without a name is an internal error: reported, not filed.
  Oat("t.oat", ".BA\nC U10\nA =5\n.AB\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(iwloadoat("", "t"), IW_OAT_LOADED);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "PROGRAM FAILURE: Assertion (name != NULL) && (*name != ' failed.\n");
  EXPECT_EQ(iwoatentry("U10", IW_OAT_COM, 0)->atts, nullptr);
}

TEST_F(IwOatFile, OrphansAreMatchedByWholeInstanceNames) {
  Design();
  IwGrp* top = Load();
  ASSERT_NE(top, nullptr);
  struct Case {
    const char* path;
    int kind;
    int orphan;
  } cases[] = {
      {"U1", IW_OAT_COM, 0},           {"U10\\G1", IW_OAT_COM, 0},
      {"U\\G1", IW_OAT_COM, 1},        // U only begins the names U1 and U10
      {"U1\\G", IW_OAT_COM, 1},        {"U100\\G1", IW_OAT_COM, 1},
      {"u1\\g1", IW_OAT_COM, 0},       {"U1\\G1\\X", IW_OAT_COM, 1},  // nothing inside a gate
      {"U1\\G1\\A", IW_OAT_PIN, 0},    {"U1\\G1\\Z", IW_OAT_PIN, 1},
      {"U1\\A", IW_OAT_PIN, 0},        {"U1\\A", IW_OAT_NET, 0},  // BLK's port net
      {"U1\\N1", IW_OAT_NET, 0},       {"U1\\N2", IW_OAT_NET, 1},
      {"X", IW_OAT_NET, 0},            {"U1\\N1", IW_OAT_COM, 1},
      {"U1\\\\G1", IW_OAT_COM, 1},     {"", IW_OAT_COM, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(isOrphanOat(c.path, c.kind, top), c.orphan);
  }
}

// The outcome of iwoat on the design of the test, with the shortcuts on
// or off: result, table and messages.
struct Outcome {
  int result;
  Strings table, codes;
  bool operator==(const Outcome&) const = default;
};

class IwOatWalk : public IwOatFile {
 protected:
  // Loads the design again and runs iwoat(top, load, "top"), after edit.
  Outcome Run(bool shortcuts, int load, void (*edit)(IwGrp* top) = nullptr) {
    Restart();
    Start();
    iwsetshortcuts(shortcuts);
    IwGrp* top = iwgroup("TOP");
    EXPECT_NE(top, nullptr);
    Codes();
    if (edit) edit(top);
    Outcome o;
    o.result = iwoat(top, load, "top");
    o.table = Table();
    o.codes = Codes();
    iwsetshortcuts(true);
    return o;
  }
  // Run with the shortcuts on, checked against the run with them off.
  Outcome Both(int load = 1, void (*edit)(IwGrp* top) = nullptr) {
    Outcome on = Run(true, load, edit);
    EXPECT_EQ(on, Run(false, load, edit));
    return on;
  }
};

TEST_F(IwOatWalk, OatAttributesNameFilesReadBelowTheirOccurrence) {
  // G1 names a file in the schematic (every occurrence reads it below
  // itself); U10's occurrence names another, which puts its own entry
  // for G1 first.
  Design(" OAT=GATE");
  Oat("top.oat", ".BA\nC U10\nA OAT=blk\nC U1\\G1\nA X=1\n.AB\n");
  Oat("blk.oat", "OVERRIDE ON\n.BA\nC G1\nA X=2\n.AB\n");
  Oat("gate.oat", ".BA\nN Q\nA LOAD=1\nC U1\\G1\nA X=3\n.AB\n");
  Outcome o = Both();
  EXPECT_EQ(o.result, IW_OAT_LOADED);
  EXPECT_EQ(o.table, (Strings{"C U10 OAT=BLK", "C U10\\G1 X=2", "C U10\\G1\\U1\\G1 X=3",
                              "C U1\\G1 X=1", "C U1\\G1\\U1\\G1 X=3",
                              "N U10\\G1\\Q LOAD=1", "N U1\\G1\\Q LOAD=1"}));
  EXPECT_TRUE(o.codes.empty());

  // Override across files: the second file replaces the first one's value.
  Design();
  Oat("top.oat", ".BA\nC U10\nA OAT=blk\nC U10\\G1\nA X=1\n.AB\n");
  o = Both();
  EXPECT_EQ(o.result, IW_OAT_REPLACED);
  EXPECT_EQ(o.table, (Strings{"C U10 OAT=BLK", "C U10\\G1 X=2"}));

  // Without loading, only what the design names is read.
  Design(" OAT=GATE");
  EXPECT_EQ(Both(0).table, (Strings{"C U10\\G1\\U1\\G1 X=3", "C U1\\G1\\U1\\G1 X=3",
                                    "N U10\\G1\\Q LOAD=1", "N U1\\G1\\Q LOAD=1"}));
}

TEST_F(IwOatWalk, FailuresEndTheWalkTheSameWithTheShortcutsOff) {
  Design();
  Oat("top.oat", ".BA\nC U1\nA OAT=none\nC U10\nA OAT=blk\n.AB\n");
  Oat("blk.oat", ".BA\nC G1\nA X=2\n.AB\n");
  Outcome o = Both();
  EXPECT_EQ(o.result, IW_OAT_NO_FILE);  // U10's file is never read
  EXPECT_EQ(o.table, (Strings{"C U1 OAT=NONE", "C U10 OAT=BLK"}));

  Oat("top.oat", ".BA\nC U10\nA OAT\n.AB\n");
  EXPECT_EQ(Both().result, IW_OAT_BAD_NAME);
  Oat("top.oat", ".BA\nC U10\nA OAT=" + std::string(546, 'F') + "\n.AB\n");
  EXPECT_EQ(Both().result, IW_OAT_BAD_NAME);
  Oat("top.oat", ".BA\nC U10\nA OAT=blk\n.AB\n");
  Oat("blk.oat", "BOGUS\n");
  EXPECT_EQ(Both().result, IW_OAT_SYNTAX);
  Oat("top.oat", "BOGUS\n");
  EXPECT_EQ(Both().result, IW_OAT_SYNTAX);

  // A component without a symbol is reported, and the walk goes on.
  Oat("top.oat", ".BA\nC U10\nA OAT=blk\n.AB\n");
  Oat("blk.oat", ".BA\nC G1\nA X=2\n.AB\n");
  o = Both(1, [](IwGrp* top) { top->schs->coms->next->sym = nullptr; });
  EXPECT_EQ(o.result, IW_OAT_LOADED);
  EXPECT_EQ(o.codes, Strings{"nodex-E-538"});
  EXPECT_EQ(o.table, (Strings{"C U10 OAT=BLK", "C U10\\G1 X=2"}));

  EXPECT_EQ(iwoat(nullptr, 1, "top"), IW_OAT_NO_GROUP);
  EXPECT_EQ(iwoat(Group("TOP"), 1, nullptr), IW_OAT_NO_GROUP);
  EXPECT_EQ(iwoat(Group("TOP"), 1, ""), IW_OAT_BAD_NAME);
  EXPECT_EQ(iwoat(Group("TOP"), 1, "lib:top"), IW_OAT_LOADED);  // a library named
}

TEST_F(IwOatWalk, ADesignThatPlacesItselfEndsAtThePathLimit) {
  Sheet("TOP", 1, "AS LOOP PINORDER=A\nW LOOP U1\nI U1 LOOP X\n");
  Sheet("LOOP", 1, "AS LOOP PINORDER=A\nW LOOP L\nI L LOOP A\nP IN A\nI A IN A\n");
  EXPECT_EQ(Both(0).result, IW_OAT_INTERNAL);
}

// --- cleaning --------------------------------------------------------------------

class IwOatClean : public IwOatFile {
 protected:
  void SetUp() override {
    IwOatFile::SetUp();
    Design();
    ASSERT_NE(Load(), nullptr);
    iws.killoat = true;
  }
};

TEST_F(IwOatClean, OrphansAreCommentedOutAndEveryOtherByteStays) {
  const std::string long_line = "| " + std::string(100000, 'x') + "\n";
  const std::string text = "| kept\r\n" + long_line + "| a NUL \0 in a comment\n"s +
                           "V 1\n.BA\r\nC U1\\G1\r\nA X=1\n  C  U9\\G1\nA X=2\r\n| note\n"
                           "A Y=3\nC U\\G1\nN U1\\N1\nA LOAD=2\nP U1\\G1\\Z\nA T=1\n.AB";
  const std::string want = "| kept\r\n" + long_line + "| a NUL \0 in a comment\n"s +
                           "V 1\n.BA\r\nC U1\\G1\r\nA X=1\n|  C  U9\\G1\n|A X=2\r\n| note\n"
                           "|A Y=3\n|C U\\G1\nN U1\\N1\nA LOAD=2\n|P U1\\G1\\Z\n|A T=1\n.AB";
  Oat("top.oat", text);
  chmod((dir_.path() + "/lib/sch/top.oat").c_str(), 0640);
  EXPECT_EQ(iwoat(Group("TOP"), 1, "top"), IW_OAT_LOADED);
  EXPECT_TRUE(OatFile("top.oat") == want);
  EXPECT_EQ(Table(), (Strings{"C U1\\G1 X=1", "N U1\\N1 LOAD=2"}));
  struct stat st;
  ASSERT_EQ(stat((dir_.path() + "/lib/sch/top.oat").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(SchFiles(), Strings{"top.oat"});

  // Cleaned already: nothing more to comment out, the file is not touched.
  ASSERT_EQ(chmod((dir_.path() + "/lib/sch").c_str(), 0555), 0);
  EXPECT_EQ(iwoat(Group("TOP"), 1, "top"), IW_OAT_LOADED);
  chmod((dir_.path() + "/lib/sch").c_str(), 0755);
  EXPECT_TRUE(OatFile("top.oat") == want);
}

TEST_F(IwOatClean, EveryFailureLeavesTheFileAsItWas) {
  const std::string sch = dir_.path() + "/lib/sch";
  const std::string text = "| " + std::string(5000, 'p') + "\n.BA\nC U9\nA X=1\nC U1\nA X=2\n";
  struct Case {
    const char* name;
    int result;
    std::string text;
    void (*before)(const std::string& sch);
    void (*after)(const std::string& sch);
    int temp_mode;  // rkReplaceTestMode: 0 unnamed temporary file, 1 named
    bool full_disk;
    bool as_user;  // meaningless for the superuser, who may write anywhere
  } cases[] = {
      {"a syntax error after an orphan", IW_OAT_SYNTAX, text + "BOGUS\n", nullptr, nullptr, 1,
       false, false},
      {"a full disk", IW_OAT_NOT_CLEANED, text, nullptr, nullptr, 0, true, false},
      {"a full disk, named temporary file", IW_OAT_NOT_CLEANED, text, nullptr, nullptr, 1, true,
       false},
      {"a directory that cannot be written", IW_OAT_NOT_CLEANED, text,
       [](const std::string& d) { chmod(d.c_str(), 0555); },
       [](const std::string& d) { chmod(d.c_str(), 0755); }, 0, false, true},
      {"a file that cannot be written", IW_OAT_NOT_CLEANED, text,
       [](const std::string& d) { chmod((d + "/top.oat").c_str(), 0444); },
       [](const std::string& d) { chmod((d + "/top.oat").c_str(), 0644); }, 0, false, true},
      {"a symbolic link", IW_OAT_NOT_CLEANED, text,
       [](const std::string& d) {
         fs::rename(d + "/top.oat", d + "/real.oat");
         fs::create_symlink("real.oat", d + "/top.oat");
       },
       [](const std::string& d) {
         fs::remove(d + "/top.oat");
         fs::rename(d + "/real.oat", d + "/top.oat");
       },
       0, false, false},
      {"every entry orphaned", IW_OAT_EMPTY, ".BA\nC U9\nA X=1\n.AB\n", nullptr, nullptr, 0,
       false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.as_user && geteuid() == 0) continue;
    Restart();
    Design();
    ASSERT_NE(Load(), nullptr);
    iws.killoat = true;
    Oat("top.oat", c.text);
    if (c.before) c.before(sch);
    rkReplaceTestMode(c.temp_mode);
    int result = 0;
    if (c.full_disk) {
      testutil::WithFileLimit(1000, [&] { result = iwoat(Group("TOP"), 1, "top"); });
    } else {
      result = iwoat(Group("TOP"), 1, "top");
    }
    rkReplaceTestMode(0);
    if (c.after) c.after(sch);
    EXPECT_EQ(result, c.result);
    EXPECT_TRUE(OatFile("top.oat") == c.text);
    EXPECT_EQ(SchFiles(), Strings{"top.oat"});
  }
}

TEST_F(IwOatClean, NestedFilesAreNotCleaned) {
  Oat("top.oat", ".BA\nC U1\nA OAT=blk\n.AB\n");
  Oat("blk.oat", ".BA\nC G9\nA X=1\n.AB\n");
  EXPECT_EQ(iwoat(Group("TOP"), 1, "top"), IW_OAT_LOADED);
  EXPECT_EQ(iwloadoat("U1\\", "blk"), IW_OAT_NOT_CLEANED);
  EXPECT_EQ(OatFile("blk.oat"), ".BA\nC G9\nA X=1\n.AB\n");
  EXPECT_EQ(Table(), Strings{"C U1 OAT=BLK"});
}

// --- hostile files -----------------------------------------------------------------

TEST_F(IwOatClean, HostileFilesNeitherCrashNorHang) {
  std::mt19937 rng(19);
  std::string garbage(200000, '\0');
  for (char& c : garbage) c = static_cast<char>(rng());
  const std::string wide(100000, 'W');
  const std::string cases[] = {
      garbage,
      ".BA\n" + garbage,
      "|" + wide + "\n.BA\nC U1\nA X=" + wide + "\n",  // a value too long
      ".BA\nC U1\nA X=1" + wide + "\n",
      ".BA\nC U1\\" + wide + "\n",  // a path too long
      std::string(100000, '\n') + std::string(100000, '\r'),
  };
  for (const std::string& text : cases) {
    Oat("top.oat", text);
    const int result = iwoat(Group("TOP"), 1, "top");
    EXPECT_GE(result, IW_OAT_NOTHING);
    EXPECT_LE(result, IW_OAT_INTERNAL);
  }

  // A million lines: half a million entries, all but one orphaned, and the
  // file cleaned whole.
  std::string big = ".BA\r\nC U1\r\nA X=1\r\n";
  for (int i = 0; i < 499999; ++i)
    big.append("C U1\\G").append(std::to_string(i + 2)).append("\r\nA X=1\r\n");
  Oat("top.oat", big);
  EXPECT_EQ(iwoat(Group("TOP"), 1, "top"), IW_OAT_LOADED);
  const std::string cleaned = OatFile("top.oat");
  EXPECT_EQ(cleaned.size(), big.size() + 2 * 499999);
  EXPECT_EQ(std::count(cleaned.begin(), cleaned.end(), '|'), 2 * 499999);
  EXPECT_EQ(iwgetcnt(IW_OAT_COM), 1);
}

}  // namespace
