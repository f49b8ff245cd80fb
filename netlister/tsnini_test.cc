// netlister/tsnini_test.cc - reading tsn.ini and the attribute decision.
#include "netlister/tsnini.h"

#include <gtest/gtest.h>

#include <string>

#include "netlister/tsn.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnspawn.h"
#include "netlister/tsnstate.h"
#include "netlister/tsnutil.h"
#include "store/pxlib.h"
#include "tests/testutil.h"

namespace {

class IniFile : public ::testing::Test {
 protected:
  void SetUp() override {
    pxReset();
    tsn_data_init();
  }
  void TearDown() override {
    clr_attr_flt();
    tsn_state_reset();
    pxReset();
  }

  // Reads text as tsn.ini; returns what went into the netlist stream (the
  // comment lines) and leaves the log's lines in log_.
  std::string Read(const std::string& text) {
    testutil::WriteFile(dir_.path() + "/tsn.ini", text);
    w->out = outdata_create("top", LONG_TSN_FILE);
    w->log = outdata_create("top", LOG_FILE);
    read_ini_file(w->out);
    w->out = outdata_close(w->out);
    w->log = outdata_close(w->log);
    log_ = testutil::ReadFile(dir_.path() + "/top.rkg");
    std::string net = testutil::ReadFile(dir_.path() + "/top.tsn");
    std::string prefix = "| Using initialization file '";
    EXPECT_EQ(net.compare(0, prefix.size(), prefix), 0) << net;
    return net.substr(net.find('\n') + 1);
  }

  std::string log_;
  testutil::ScopedTempDir dir_;

  testutil::ScopedCwd cwd_{dir_.path()};
};

TEST_F(IniFile, FirstKeywordThatStoresANameDecidesTheMode) {
  EXPECT_EQ(Read("filter DELAY MODEL2\ninclude PART\n"),
            "|    Warning(tsn.ini): Ignoring 1 attribute include(s)\n"
            "|    Using 2 attribute filter(s)\n");
  EXPECT_EQ(w->attr_filter, ATTR_FILTER);
  EXPECT_EQ(filterit("DELAY"), 1);
  EXPECT_EQ(filterit("MODEL2"), 1);
  EXPECT_EQ(filterit("PART"), 0);
  EXPECT_EQ(filterit("delay"), 0);  // names match exactly; stored names are upper case
}

TEST_F(IniFile, IncludeModeKeepsOnlyListedNames) {
  EXPECT_EQ(Read("include part | a comment DELAY\nfilter DELAY MODEL2\n"),
            "|    Warning(tsn.ini): Ignoring 2 attribute filter(s)\n"
            "|    Using 1 attribute include(s)\n");
  EXPECT_EQ(w->attr_filter, ATTR_INCLUDE);
  EXPECT_EQ(filterit("PART"), 0);
  EXPECT_EQ(filterit("DELAY"), 1);
  EXPECT_EQ(filterit("LEVEL"), 1);  // always dropped
  EXPECT_EQ(filterit("MODEL"), 1);  // dropped outside the flattened wirelist
  w->filetype = WIR_FILE;
  EXPECT_EQ(filterit("MODEL"), 0);
}

TEST_F(IniFile, ChoicesAndTheirWarnings) {
  EXPECT_EQ(Read("Level_usage Override\nanalog_comp_filter OFF\nLevel_usage\n"
                 "Analog_comp_filter maybe\nbogus word\n|comment\n\n"),
            "|    Warning(tsn.ini, line 3): Level_usage requires an argument\n"
            "|    Warning(tsn.ini, line 4): maybe is not an option for Analog_comp_filter\n"
            "|    Warning(tsn.ini, line 5): Illegal keyword bogus\n"
            "|    Level_usage is override\n"
            "|    Analog_comp_filter is off\n");
  EXPECT_EQ(w->level_usage, LEVEL_OVERRIDE);
  EXPECT_EQ(w->analog_filter, ANALOG_FILTER_OFF);
  EXPECT_EQ(w->nwarnings, 0);  // three leading blanks: never counted
}

TEST_F(IniFile, CarriageReturnsEndLinesOrSeparateWords) {
  EXPECT_EQ(Read("filter\rDELAY\r\nLevel_usage override\r\n"),
            "|    Using 1 attribute filter(s)\n"
            "|    Level_usage is override\n");
  EXPECT_EQ(filterit("DELAY"), 1);
}

TEST_F(IniFile, ANulByteIsReportedWhereItCutsTheLine) {
  EXPECT_EQ(Read(std::string("filter DELAY\0MODEL2\nfilter PART\n", 32)),
            "|    Warning(tsn.ini, line 1): a NUL byte ends the text of this line\n"
            "|    Using 2 attribute filter(s)\n");
  EXPECT_EQ(filterit("MODEL2"), 0);
  EXPECT_EQ(filterit("PART"), 1);
}

TEST_F(IniFile, EmptyFileOnlyAnnouncesItself) {
  EXPECT_EQ(Read(""), "");
  EXPECT_EQ(w->level_usage, LEVEL_UNION);
  EXPECT_EQ(filterit("ANY"), 0);
}

TEST_F(IniFile, SpawnDirectives) {
  EXPECT_EQ(Read("SPAWN\nSPAWN ACCEL=X\nSPAWN ACCEL=Y run  it $ after words\n"
                 "SPAWN ACCEL=Z first |comment $ never\n"),
            "");
  EXPECT_EQ(log_,
            "|    Warning(tsn.ini, line 1): Incomplete SPAWN directive\n"
            "|    Warning(tsn.ini, line 2): Incomplete SPAWN directive\n");
  // Each directive as "KEY [first] [second]", "-" for a part not given.
  auto part = [](const char* p) { return std::string(p ? p : "-"); };
  std::string spawns;
  for (SpawnDirective* d = w->spawn_directives; d; d = d->next)
    spawns += d->key + (" [" + part(d->first) + "] [" + part(d->second) + "]\n");
  EXPECT_EQ(spawns,
            "ACCEL=X [-] [-]\n"
            "ACCEL=Y [run it] [after words]\n"
            "ACCEL=Z [first] [-]\n");
}

TEST_F(IniFile, MissingFileLeavesDefaultsSilently) {
  w->out = outdata_create("top", LONG_TSN_FILE);
  read_ini_file(w->out);
  w->out = outdata_close(w->out);
  EXPECT_FALSE(testutil::FileExists(dir_.path() + "/top.tsn"));
  EXPECT_EQ(filterit("DELAY"), 0);
}

}  // namespace
