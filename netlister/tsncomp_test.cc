// netlister/tsncomp_test.cc - the flattened wirelist output, which no
// command-line option selects: module and instance records, inherited
// block delays, pin attribute records, symbol declarations and ports.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "netlister/tsn.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnstate.h"
#include "netlister/tsnutil.h"
#include "tests/testutil.h"
#include "util/rkmsg.h"
#include "wirelist/iwsession.h"

namespace {

const char kTop[] =
    "V 4.09\n"
    "DW TOP\n"
    "AS BLK PINORDER=I O\n"
    "AS INV PINORDER=A Y\n"
    "AS INV MODEL=INVX\n"
    "AS INV SLOW\n"
    "AP INV 1 PINTYPE=IN\n"
    "AP INV 2 OPEN\n"
    "W BLK $1I1\n"
    "M INV $1I2\n"
    "I $1I1 BLK A B LABEL=B1`DELAY=7`\n"
    "I $1I2 INV B C LABEL=U2`NOTE=two words`@V=1`\n"
    "API $1I2 INV 2 LOAD=3\n"
    "P IN DIN\n"
    "I DIN IN A\n"
    "G VCC\n"
    "AN B CAP=5\n"
    "SA TITLE=flat\n"
    "EW\n";

const char kBlk[] =
    "V 4.09\n"
    "DW BLK\n"
    "AS INV PINORDER=A Y\n"
    "M INV $2I1\n"
    "M INV $2I2\n"
    "I $2I1 INV I M LABEL=G1\n"
    "I $2I2 INV M O LABEL=G2`DELAY=1`\n"
    "P IN I\n"
    "I I IN I\n"
    "P OUT O\n"
    "I O OUT O\n"
    "EW\n";

TEST(FlattenedWirelist, WritesTheDesignInWirelistSyntax) {
  testutil::ScopedTempDir dir;
  testutil::WriteFile(dir.path() + "/drafta.ini", "DIR [p] lib\n");
  testutil::WriteFile(dir.path() + "/lib/wir/top.1", kTop);
  testutil::WriteFile(dir.path() + "/lib/wir/blk.1", kBlk);
  auto cwd = std::make_unique<testutil::ScopedCwd>(dir.path());

  tsn_data_init();
  tsn_set_projname("top");
  tsn_set_exeflag(0);
  tsn_set_filetype_wir();
  testing::internal::CaptureStdout();
  tsn_init();
  tsn_do_netlist();
  std::string out = testing::internal::GetCapturedStdout();
  tsn_state_reset();
  iwsession_reset();
  rkMsgReset();
  cwd.reset();

  EXPECT_EQ(testutil::ReadFile(dir.path() + "/top.1"),
            "| Wirelist created using ORMET_WIRELISTER 5.3.1\n"
            "| Flattened wirelist of design TOP.\n"
            "|\n"
            "V 4.09\n"
            "DW TOP\n"
            "SA TITLE=FLAT\n"
            "AS TOP PINORDER=DIN\n"
            "AS INV PINORDER=A Y\n"
            "AS INV MODEL=INVX\n"
            "AS INV SLOW\n"  // an attribute without a value: its name alone
            "AP INV 1 PINTYPE=IN\n"
            "AP INV 2 OPEN\n"
            "AN B CAP=5\n"
            "G VCC\n"
            "M INV $1I1\\$2I1\n"
            "I $1I1\\$2I1 INV A B1\\M DELAY=7`LABEL=B1\\G1`MODEL=INVX`SLOW`\n"
            "M INV $1I1\\$2I2\n"
            "I $1I1\\$2I2 INV B1\\M B DELAY=1`LABEL=B1\\G2`MODEL=INVX`SLOW`\n"
            "M INV $1I2\n"
            "I $1I2 INV B C LABEL=U2`NOTE=TWO WORDS`MODEL=INVX`SLOW`\n"
            "API $1I2 INV 2 LOAD=3\n"
            "P ? DIN\n"
            "I DIN ? A\n"
            "EW\n")
      << out;
}

}  // namespace
