// netlister/tsncmd_test.cc - the option scanner and the usage errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "netlister/tsn.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnstate.h"
#include "netlister/tsnwalk.h"
#include "tests/testutil.h"

namespace {

class CmdLine : public ::testing::Test {
 protected:
  void SetUp() override { tsn_data_init(); }
  void TearDown() override { tsn_state_reset(); }

  // Scans the arguments, separated by spaces.
  void Scan(const std::string& args) {
    storage_ = {"tsn"};
    std::istringstream in(args);
    for (std::string a; in >> a;) storage_.push_back(a);
    std::vector<char*> argv;
    for (auto& a : storage_) argv.push_back(a.data());
    tsn_cmdline(static_cast<int>(argv.size()), argv.data());
  }

  // What the scan set, leaving out every setting still at its default:
  // "proj=top file=top short debug=1 level=A level=B dtb=a.dtb" and so on.
  static std::string Settings() {
    std::string s;
    auto add = [&s](const char* tag, const std::string& value) {
      s.append(s.empty() ? "" : " ").append(tag).append(value);
    };
    if (w->projname) add("proj=", w->projname);
    if (w->filename) add("file=", w->filename);
    if (w->varfile) add("var=", w->varfile);
    if (w->filetype != LONG_TSN_FILE) add(w->filetype == SHORT_TSN_FILE ? "short" : "type?", "");
    if (w->do_fsim) add("fsim", "");
    if (w->oats) add("oats", "");
    if (w->debug) add("debug=", std::to_string(w->debug));
    if (w->exeflag != 1) add("exe=", std::to_string(w->exeflag));
    for (const char* l = tsn_getlevel(nullptr); l; l = tsn_getlevel(l)) add("level=", l);
    for (DtbName* e = w->dtbq ? w->dtbq->head : nullptr; e; e = e->next) add("dtb=", e->name);
    return s;
  }

 private:
  std::vector<std::string> storage_;
};

TEST_F(CmdLine, OptionsSetWhatTheyName) {
  const std::pair<const char*, const char*> cases[] = {
      // The project alone: long format, progress lines, output named after it.
      {"top", "proj=top file=top"},
      // Directories and extensions are dropped; the output name is lower case.
      {"DIR/Top.1 -f Out/X.net -vVars/design.var", "proj=Top file=x var=design"},
      // -fout takes the rest of the element; -x consumes the next element
      // whatever it looks like, so lev is not a level.
      {"top -fout -x lev -S", "proj=top file=out short"},
      {"top -x", "proj=top file=top debug=1"},
      // Status values add up; a first -e without a value turns them off.
      {"top -e 1 -e 1", "proj=top file=top exe=2"},
      {"top -e", "proj=top file=top exe=0"},
      {"top -E0", "proj=top file=top exe=0"},
      {"top -e 3 -e", "proj=top file=top exe=3"},
      // Levels come from positionals and -l, in order and once each.
      {"top lev1 -l lev2 -Llev1 Gate -l", "proj=top file=top level=LEV1 level=LEV2 level=GATE"},
      {"top -t -O", "proj=top file=top fsim oats"},
      {"top -sh", "proj=top file=top short"},  // -sh is -s: the h is never looked at
      {"top -d a.dtb -db.dtb", "proj=top file=top dtb=a.dtb dtb=b.dtb"},
      {"top - -h", "proj=top file=top"},  // a lone minus changes nothing
      {"top -f", "proj=top file=top"},    // a first -f without a value sets nothing
  };
  for (const auto& [args, settings] : cases) {
    SCOPED_TRACE(args);
    TearDown();
    SetUp();
    Scan(args);
    EXPECT_EQ(Settings(), settings);
  }
  // A project, -f or -v argument may have 255 characters (256 is a usage
  // error, below).
  const std::string a255(255, 'a');
  TearDown();
  SetUp();
  Scan(a255 + " -f " + a255 + " -v " + a255);
  EXPECT_EQ(Settings(), "proj=" + a255 + " file=" + a255 + " var=" + a255);
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
  // Arguments separated by spaces; then names longer than an argument may be.
  std::vector<std::string> cases = {"",       "top -h -s",     "top -t -t",
                                    "top -m", "-f out",        "top -d",
                                    "top -q", "top -f a -f b", "top -v a -v b",
                                    // a second one counts even without a value
                                    "top -f a -f", "top -va -V"};
  const std::string long_name(256, 'a');
  cases.push_back(long_name);
  cases.push_back(std::string("top -f ").append(long_name));
  for (const std::string& args : cases) {
    SCOPED_TRACE(args.substr(0, 30));
    testutil::ScopedTempDir dir;
    std::vector<std::string> argv = {TSN_BINARY};
    std::istringstream in(args);
    for (std::string a; in >> a;) argv.push_back(a);
    auto r = testutil::RunProgram(argv, dir.path());
    EXPECT_EQ(r.exit_code, 3);
    EXPECT_EQ(r.err, usage);
    EXPECT_FALSE(testutil::FileExists(dir.path() + "/top.tsn"));
    EXPECT_FALSE(testutil::FileExists(dir.path() + "/top.rkg"));
  }
}

// A project, -f or -v argument without a file name part would write files
// such as ".tsn" or "..tsn"; each is a usage error and the run leaves no file.
TEST(CmdLineErrors, ArgumentsWithoutAFileNameAreUsageErrors) {
  const std::vector<std::vector<std::string>> cases = {{""},
                                                       {"/"},
                                                       {"a/"},
                                                       {"."},
                                                       {".."},
                                                       {"top", "-f", "."},
                                                       {"top", "-fout/"},
                                                       {"top", "-v", ".."}};
  for (const auto& args : cases) {
    SCOPED_TRACE(args.back());
    testutil::ScopedTempDir dir;
    std::vector<std::string> argv = {TSN_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    auto r = testutil::RunProgram(argv, dir.path());
    EXPECT_EQ(r.exit_code, 3);
    EXPECT_NE(r.err.find("Usage: tsn"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  }
}

}  // namespace
