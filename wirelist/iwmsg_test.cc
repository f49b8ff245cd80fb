// wirelist/iwmsg_test.cc - message outputs and counters, and the status
// line.
#include "wirelist/iwmsg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "catalogs/nodex.h"
#include "tests/iwproject.h"
#include "wirelist/iwmem.h"

namespace {

std::string Contents(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string s;
  for (int c; (c = std::fgetc(f)) != EOF;) s += static_cast<char>(c);
  std::rewind(f);
  std::fflush(f);
  return s;
}

class IwMsg : public testutil::IwProject {
 protected:
  void SetUp() override {
    IwProject::SetUp();
    Write("drafta.ini", "");
    ASSERT_EQ(iwinit(), 1);
    iwmsgclose();
    iwregmsghndlr(nullptr, nullptr);
    iwregmsgdflt();
  }
};

TEST_F(IwMsg, MessagesReachTheOutputsOfTheirSeverityNewestFirst) {
  std::FILE* log = std::tmpfile();
  std::FILE* netlist = std::tmpfile();
  ASSERT_TRUE(log && netlist);
  EXPECT_EQ(iwmsgsetup(4, netlist, "ER %s"), 1);
  EXPECT_EQ(iwmsgsetup(3, netlist, "| %s"), 1);
  EXPECT_EQ(iwmsgsetup(7, log, "%d %s"), 1);  // a format that reads other arguments is replaced
  EXPECT_EQ(iwmsgsetup(4, nullptr, "%s"), 0);

  iwmsghndlr(4, NDX_NOINIFILE, "initialization", "drafta.ini");
  iwmsghndlr(12, NDX_NOINIDIR, "conf", "drafta.ini");
  iwmsghndlr(2, NDX_REGENFAIL, "ALU", 2);
  iwmsgout(1, "note %d\n", 5);
  iwmsgout(6, "both\n");

  EXPECT_EQ(Contents(log),
            "nodex-E-415: The initialization file drafta.ini was found neither in the working "
            "directory nor in the directories of WDIR.\n"
            "nodex-E-416: It is not in the initialization directory conf either (looked for "
            "drafta.ini there).\n"
            "nodex-W-200: Checking ALU sheet 2 again did not bring its wirelist up to date; "
            "wirelists are no longer regenerated in this run.\n"
            "note 5\n"
            "both\n");
  std::string net = Contents(netlist);
  EXPECT_EQ(net.substr(0, net.find('\n') + 1),
            "ER nodex-E-415: The initialization file drafta.ini was found neither in the "
            "working directory nor in the directories of WDIR.\n");
  EXPECT_NE(net.find("\nER nodex-E-416: "), std::string::npos);
  EXPECT_NE(net.find("\n| nodex-W-200: "), std::string::npos);
  EXPECT_EQ(net.substr(net.find("\n| note")), "\n| note 5\n| both\nER both\n");

  // Counts of severities 1, 2, 4 and all: 416 continues 415.
  EXPECT_EQ((std::vector<long>{iwmsgcount(1), iwmsgcount(2), iwmsgcount(4), iwmsgcount(7)}),
            (std::vector<long>{1, 2, 2, 5}));
  iwmsginc(2);
  iwmsginc(10);
  EXPECT_EQ(iwmsgcount(2), 3);
  EXPECT_STREQ(iwmsggen(NDX_INITFAIL), "The wirelist database cannot be initialized.");

  // A client that buffers its own writes to a stream is told first.
  static std::vector<std::pair<std::FILE*, long>> told;
  told.clear();
  iwmsgbeforewrite([](std::FILE* f) { told.emplace_back(f, std::ftell(f)); });
  long before = std::ftell(netlist);
  iwmsgout(4, "late\n");
  iwmsgbeforewrite(nullptr);
  ASSERT_EQ(told.size(), 2u);  // the two outputs of severity 4, newest first
  EXPECT_EQ(told[0].first, log);
  EXPECT_EQ(told[1], std::make_pair(netlist, before));  // nothing written there yet
  EXPECT_GT(std::ftell(netlist), before);

  iwmsgclose();
  EXPECT_EQ(iwmsgcount(7), 0);
  iwmsghndlr(4, NDX_INITFAIL);
  EXPECT_EQ(Contents(log).find("421"), std::string::npos);
  EXPECT_EQ(iwmsgcount(4), 1);  // counted even without outputs
  std::fclose(log);
  std::fclose(netlist);
}

TEST_F(IwMsg, StatusLineRewritesOneLineInPlace) {
  std::FILE* term = std::tmpfile();
  ASSERT_TRUE(term);
  EXPECT_EQ(iws.statstream, nullptr);  // standard output is not a terminal here
  iws.statstream = term;               // stands in for a terminal

  iwstatmode(1);
  iwstatus(nullptr, 1, 1);  // what the constructors call: nothing in plain mode
  iwstatus("alu", 1, 1);
  iwstatus(nullptr, 0, 1);
  iwdirstat("lib");
  // "Reading complete." is padded over the longer line it replaces.
  EXPECT_EQ(Contents(term),
            "Reading ALU sheet 1 ...\rReading complete.       \rReading directory lib ...\r");

  // Mode 2: the counts come first; a call for one more object rewrites
  // only them, a wider count redraws the whole line.
  std::fclose(term);
  iws.statstream = term = std::tmpfile();
  iws.statlen = 0;
  iwstatmode(2);
  for (int i = 0; i < 8; ++i) iwicompcount();
  iwinetcount();
  iwstatus("cpu", 2, 5);
  iwicompcount();
  iwstatus(nullptr, 2, 1);
  iwicompcount();
  iwstatus(nullptr, 2, 1);
  EXPECT_EQ(Contents(term),
            "(8 Comps, 1 Nets) Flattening CPU sheet 2 ...\r"
            "(9 Comps, 1 Nets) \r"
            "(10 Comps, 1 Nets) Reading CPU sheet 2 ...   \r");
  std::fclose(term);
  iws.statstream = nullptr;
}

}  // namespace
