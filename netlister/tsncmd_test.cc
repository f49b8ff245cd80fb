// netlister/tsncmd_test.cc - the option scanner and the usage errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netlister/tsn.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnwalk.h"
#include "tests/testutil.h"

namespace {

class CmdLine : public ::testing::Test {
 protected:
  void SetUp() override { tsn_data_init(); }
  void TearDown() override {
    lfree_wirdata(w);
    w = nullptr;
    tsn_free_levels();
    tsnmsg_reset();
  }

  void Scan(std::vector<std::string> args) {
    args.insert(args.begin(), "tsn");
    storage_ = args;
    std::vector<char*> argv;
    for (auto& a : storage_) argv.push_back(a.data());
    tsn_cmdline(static_cast<int>(argv.size()), argv.data());
  }

  std::vector<std::string> Levels() {
    std::vector<std::string> v;
    for (const char* l = tsn_getlevel(nullptr); l; l = tsn_getlevel(l)) v.push_back(l);
    return v;
  }

  std::vector<std::string> DtbNames() {
    std::vector<std::string> v;
    if (w->dtbq)
      for (DtbName* e = w->dtbq->head; e; e = e->next) v.push_back(e->name);
    return v;
  }

 private:
  std::vector<std::string> storage_;
};

TEST_F(CmdLine, ProjectAloneGivesLongFormatInWorkingDirectory) {
  Scan({"top"});
  EXPECT_STREQ(w->projname, "top");
  EXPECT_STREQ(w->filename, "top");
  EXPECT_EQ(w->filetype, LONG_TSN_FILE);
  EXPECT_EQ(w->exeflag, 1);
  EXPECT_EQ(w->debug, 0);
  EXPECT_TRUE(Levels().empty());
}

TEST_F(CmdLine, DirectoriesAndExtensionsAreDropped) {
  Scan({"DIR/Top.1", "-f", "Out/X.net", "-vVars/design.var"});
  EXPECT_STREQ(w->projname, "Top");
  EXPECT_STREQ(w->filename, "x");
  EXPECT_STREQ(w->varfile, "design");
}

TEST_F(CmdLine, ValueTakingRules) {
  // -fout takes the rest of the element; -x consumes the next element
  // whatever it looks like, so lev is not a level.
  Scan({"top", "-fout", "-x", "lev", "-S"});
  EXPECT_STREQ(w->filename, "out");
  EXPECT_EQ(w->debug, 0);
  EXPECT_EQ(w->filetype, SHORT_TSN_FILE);
  EXPECT_TRUE(Levels().empty());
}

TEST_F(CmdLine, DebugWithoutValueIsOne) {
  Scan({"top", "-x"});
  EXPECT_EQ(w->debug, 1);
}

TEST_F(CmdLine, StatusValueAccumulates) {
  struct Case {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"top", "-e", "1", "-e", "1"}, 2},
      {{"top", "-e"}, 0},
      {{"top", "-E0"}, 0},
      {{"top", "-e", "3", "-e"}, 3},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.args.size());
    TearDown();
    SetUp();
    Scan(c.args);
    EXPECT_EQ(w->exeflag, c.status);
  }
}

TEST_F(CmdLine, LevelsFromPositionalsAndOptionInOrderOnce) {
  Scan({"top", "lev1", "-l", "lev2", "-Llev1", "Gate", "-l"});
  EXPECT_EQ(Levels(), (std::vector<std::string>{"LEV1", "LEV2", "GATE"}));
}

TEST_F(CmdLine, FaultSimulationAndOccurrenceFlags) {
  Scan({"top", "-t", "-O"});
  EXPECT_EQ(w->filetype, LONG_TSN_FILE);
  EXPECT_EQ(w->do_fsim, 1);
  EXPECT_EQ(w->oats, 1);
}

TEST_F(CmdLine, OnlyTheSecondCharacterIsTheLetter) {
  Scan({"top", "-sh"});  // -sh is -s; the h is never looked at
  EXPECT_EQ(w->filetype, SHORT_TSN_FILE);
}

TEST_F(CmdLine, BackAnnotationFilesKeepOrder) {
  Scan({"top", "-d", "a.dtb", "-db.dtb"});
  EXPECT_EQ(DtbNames(), (std::vector<std::string>{"a.dtb", "b.dtb"}));
}

TEST_F(CmdLine, LoneMinusChangesNothing) {
  Scan({"top", "-", "-h"});
  EXPECT_EQ(w->filetype, LONG_TSN_FILE);
  EXPECT_TRUE(Levels().empty());
}

// Usage errors end the process: run the program and look at what it leaves.
TEST(CmdLineErrors, UsageTextExitCodeThreeAndNoFile) {
  const std::string usage =
      "Usage: tsn <project> [options] \n\n"
      "Options:\n"
      "          <level>  Level(s) at bottom of hierarchy\n"
      "         -h|-s|-t  Long|Short|Pendra format\n"
      "                   Long format is the default\n"
      "               -o  Use occurance attributes (oats)\n"
      "    -f <filename>  Base name for output file\n"
      "    -d <filename>  Delay table file\n"
      "    -v <filename>  Variable definition file\n"
      "    -e  < 0 | 1 >  Status messages off|on (def: on)\n"
      "\n";
  const std::string long_name(256, 'a');
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"top", "-h", "-s"},
      {"top", "-t", "-t"},
      {"top", "-m"},
      {"-f", "out"},
      {"top", "-d"},
      {"top", "-q"},
      {"top", "-f", "a", "-f", "b"},
      {"top", "-v", "a", "-v", "b"},
      {long_name},
      {"top", "-f", long_name},
  };
  for (const auto& args : cases) {
    std::string shown;
    for (const auto& a : args) shown += a.substr(0, 20) + " ";
    SCOPED_TRACE(shown);
    testutil::ScopedTempDir dir;
    std::vector<std::string> argv = {TSN_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    auto r = testutil::RunProgram(argv, dir.path());
    EXPECT_EQ(r.exit_code, 3);
    EXPECT_EQ(r.err, usage);
    EXPECT_FALSE(testutil::FileExists(dir.path() + "/top.tsn"));
    EXPECT_FALSE(testutil::FileExists(dir.path() + "/top.rkg"));
  }
}

}  // namespace
