// wirelist/iwinit_test.cc - starting the database: the initialization file,
// library errors, the OATS key, levels and the start-up guard.
#include "wirelist/iwinit.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/iwproject.h"
#include "tests/iwtesting.h"
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
  Write("lib/wir/.keep", "");
  // Starts on ini: the messages are codes, and the 419 just before the
  // closing 421 says what is wrong through detail.
  auto check = [&](const char* ini, const Strings& codes, const char* detail) {
    SCOPED_TRACE(ini);
    Write("drafta.ini", ini);
    EXPECT_EQ(iwinit(), 0);
    const std::string text = messages_.at(codes.size() - 2);
    EXPECT_NE(text.find(detail), std::string::npos) << text;
    EXPECT_EQ(Codes(), codes);
  };
  check("DIR [w] lib\nDIR [w] lbi\n", {"nodex-E-419", "nodex-E-421"},
        "Library lbi declared in drafta.ini cannot be used: its directory does not exist (");
  check("DIR [w] lib (a:b)\n", {"nodex-E-418", "nodex-E-419", "nodex-E-421"},
        "(line 1 of drafta.ini: DIR [w] lib (a:b)).");
}

TEST_F(IwInit, OatsKeyTurnsOccurrenceCleaningOnOnlyForOne) {
  // Only the first 255 characters of a line are read: the last is no key.
  const std::pair<std::string, bool> cases[] = {
      {"oats 1\n", true},          {"  OATS\t1 \r\n", true},
      {"OATS 0\n", false},         {"OATS yes\n", false},
      {"OATS 1\nOATS 2\n", false}, {"OATS\n", false},
      {"XOATS 1\n", false},        {std::string(255, ' ') + "OATS 1\n", false}};
  for (const auto& [ini, kill] : cases) {
    SCOPED_TRACE(ini);
    Reset();
    iwregmsghndlr(Record, &messages_);
    Write("drafta.ini", ini);
    ASSERT_EQ(iwinit(), 1);
    EXPECT_EQ(iws.killoat, kill);
  }
}

TEST_F(IwInit, WritabilityChecksChangeOnlyForZeroAndOne) {
  // Each step: the argument and the setting it leaves.
  const std::pair<int, int> steps[] = {{1, 1}, {2, 1}, {-1, 1}, {0, 0}, {2, 0}, {1, 1}};
  for (const auto& [flag, setting] : steps) {
    SCOPED_TRACE(flag);
    EXPECT_EQ(iwnochk_writable(flag), setting);
    EXPECT_EQ(iws.nochkwritable, setting == 1);
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
  IwAtt mixed{.name = iwmkname("LEVEL"), .value = IwNameForTests::Raw("Gate")};
  EXPECT_EQ(iwgetlevel(&mixed), nullptr);
  IwAtt* atts = iwaddatt(&mixed, iwmkatt("LEVEL", "SWITCH"));
  EXPECT_STREQ(iwgetlevel(atts), "SWITCH");
  iwsetlevel(nullptr);
  EXPECT_EQ(iwgetlevel(atts), nullptr);
}

}  // namespace
