// wirelist/iwinit_test.cc - starting the database: the initialization file,
// library errors, the OATS key, levels and the start-up guard.
#include "wirelist/iwinit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/iwproject.h"
#include "wirelist/iwname.h"
#include "wirelist/iwobj.h"

namespace {

using Strings = std::vector<std::string>;

class IwInit : public testutil::IwProject {};

TEST_F(IwInit, InitializationFileIsLookedForInTheProjectThenTheSecondDirectory) {
  Write("lib/wir/.keep", "");

  // Nowhere: the failure names the file, and the second directory when set.
  EXPECT_EQ(iwinit(), 0);
  EXPECT_EQ(Codes(), (Strings{"nodex-E-415", "nodex-E-421"}));
  iwsrchmsg("conf");
  EXPECT_EQ(iwinit(), 0);
  EXPECT_EQ(messages_.at(1),
            "nodex-E-416: It is not in the initialization directory conf either "
            "(looked for drafta.ini there).");
  EXPECT_EQ(Codes(), (Strings{"nodex-E-415", "nodex-E-416", "nodex-E-421"}));
  EXPECT_EQ(iwmsgcount(4), 4);  // the continuation line is not counted

  // Found in the second directory; a failed start is simply tried again.
  Write("conf/drafta.ini", "DIR [w] lib\n");
  EXPECT_EQ(iwinit(), 1);
  EXPECT_TRUE(Codes().empty());
  EXPECT_EQ(iws.msgout.size(), 1u);  // standard output, registered once
  EXPECT_EQ(iwinit(), 1);
  EXPECT_STREQ(iwversion(), "5.3.1");
}

TEST_F(IwInit, UnusableLibrariesFailTheStartWithWhatIsWrong) {
  struct Case {
    const char* ini;
    Strings codes;
    const char* detail;  // part of the first 419 text
  } cases[] = {
      {"DIR [w] lib\nDIR [w] lbi\n",
       {"nodex-E-419", "nodex-E-421"},
       "Library lbi declared in drafta.ini cannot be used: its directory does not exist ("},
      {"DIR [w] lib (a:b)\n",
       {"nodex-E-418", "nodex-E-419", "nodex-E-421"},
       "(line 1 of drafta.ini: DIR [w] lib (a:b))."},
  };
  Write("lib/wir/.keep", "");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ini);
    Write("drafta.ini", c.ini);
    EXPECT_EQ(iwinit(), 0);
    std::string first419;
    for (const std::string& m : messages_)
      if (m.rfind("nodex-E-419", 0) == 0 && first419.empty()) first419 = m;
    EXPECT_NE(first419.find(c.detail), std::string::npos) << first419;
    EXPECT_EQ(Codes(), c.codes);
  }
}

TEST_F(IwInit, OatsKeyTurnsOccurrenceCleaningOnOnlyForOne) {
  struct Case {
    std::string ini;
    bool kill;
  } cases[] = {
      {"oats 1\n", true},
      {"  OATS\t1 \r\n", true},
      {"OATS 0\n", false},
      {"OATS yes\n", false},
      {"OATS 1\nOATS 2\n", false},
      {"OATS\n", false},
      {"XOATS 1\n", false},
      // Only the first 255 characters of a line are read.
      {std::string(255, ' ') + "OATS 1\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ini);
    Reset();
    iwregmsghndlr(Record, &messages_);
    Write("drafta.ini", c.ini);
    ASSERT_EQ(iwinit(), 1);
    EXPECT_EQ(iws.killoat, c.kill);
  }
}

TEST_F(IwInit, SettingsBeforeStartAreRefusedButTogglesStillTurn) {
  testing::internal::CaptureStderr();
  iwsetlevel("gate");
  EXPECT_EQ(iwexpbus(), 1);
  EXPECT_EQ(iwchktime(), 0);
  EXPECT_EQ(iwmsgsetup(7, stdout, nullptr), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error: the iwinit() routine must be called before IWSETLEVEL.\n"
            "Error: the iwinit() routine must be called before IWEXPBUS.\n"
            "Error: the iwinit() routine must be called before IWCHKTIME.\n"
            "Error: the iwinit() routine must be called before IWMSGSETUP.\n");
  EXPECT_TRUE(iws.levels.empty());

  Write("drafta.ini", "");
  ASSERT_EQ(iwinit(), 1);
  EXPECT_EQ(iwexpbus(), 1);  // start-up turned both back to their defaults
  EXPECT_EQ(iwexpbus(), 0);
  EXPECT_EQ(iwchktime(), 0);

  iwsetlevel("gate");
  iwsetlevel("Switch");
  // Levels are kept in upper case and values compare exactly.
  IwAtt mixed;
  mixed.name = iwmkname("LEVEL");
  mixed.value = "Gate";
  EXPECT_EQ(iwgetlevel(&mixed), nullptr);
  IwAtt* atts = iwaddatt(&mixed, iwmkatt("LEVEL", "SWITCH"));
  EXPECT_STREQ(iwgetlevel(atts), "SWITCH");
  iwsetlevel(nullptr);
  EXPECT_EQ(iwgetlevel(atts), nullptr);
}

}  // namespace
