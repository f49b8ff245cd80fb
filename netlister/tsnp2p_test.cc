// netlister/tsnp2p_test.cc - pin delay blocks in the flattened wirelist
// output, which no command-line option selects: the delay symbol is
// declared once, before the first block, unless the design has its own.
#include "netlister/tsnp2p.h"

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

const char kPins[] =
    ".BA\n"
    "P U1\\A\n"
    "A TPLH=1\n"
    "A TPHL=2\n"
    "P U2\\A\n"
    "A TPHL=3\n"
    ".AB\n";

// The flattened wirelist of a top sheet (records between "DW TOP" and
// "EW") with the table above.
std::string Flatten(const std::string& records) {
  testutil::ScopedTempDir dir;
  testutil::WriteFile(dir.path() + "/drafta.ini", "DIR [p] lib\n");
  testutil::WriteFile(dir.path() + "/lib/wir/top.1", "V 4.09\nDW TOP\n" + records + "EW\n");
  testutil::WriteFile(dir.path() + "/pins.dtb", kPins);
  auto cwd = std::make_unique<testutil::ScopedCwd>(dir.path());
  tsn_data_init();
  tsn_set_projname("top");
  tsn_set_exeflag(0);
  tsn_set_filetype_wir();
  tsn_set_dtbname("pins");
  testing::internal::CaptureStdout();
  tsn_init();
  tsn_do_netlist();
  testing::internal::GetCapturedStdout();
  // Everything the run made goes, as the process's end would take it.
  tsn_state_reset();
  iwsession_reset();
  rkMsgReset();
  cwd.reset();
  std::string text = testutil::ReadFile(dir.path() + "/top.1");
  std::size_t body = text.find("DW TOP\n");
  return body == std::string::npos ? text : text.substr(body + 7);
}

TEST(PinDelays, FlattenedWirelistDeclaresTheDelaySymbolOnce) {
  EXPECT_EQ(Flatten("AS INV PINORDER=A Y\n"
                    "AP INV 1 PINTYPE=IN\n"
                    "M INV $1I1\n"
                    "I $1I1 INV N1 N2 LABEL=U1\n"
                    "M INV $1I2\n"
                    "I $1I2 INV N1 N3 LABEL=U2\n"),
            "AS INV PINORDER=A Y\n"
            "AP INV 1 PINTYPE=IN\n"
            "AS DELAY PINORDER=OUT IN\n"
            "AP DELAY 1 PINTYPE=TRI\n"
            "AP DELAY 2 PINTYPE=IN\n"
            "M DELAY $1D1\n"
            "I $1D1 DELAY U1\\A N1 DELAYMOD=TRANSPORT`TPLH=1`TPHL=2`TPLZ=1`TPHZ=2`TPZH=1`TPZL=2`\n"
            "M DELAY $1D2\n"
            "I $1D2 DELAY U2\\A N1 DELAYMOD=TRANSPORT`TPLH=0`TPHL=3`TPLZ=0`TPHZ=3`TPZH=0`TPZL=3`\n"
            "M INV $1I1\n"
            "I $1I1 INV U1\\A N2 LABEL=U1`\n"
            "M INV $1I2\n"
            "I $1I2 INV U2\\A N3 LABEL=U2`\n"
            "| Warning: Schematic \"TOP\" has no associated symbol.\n"
            "EW\n");
}

TEST(PinDelays, ADesignsOwnDelaySymbolIsNotDeclaredAgain) {
  std::string out = Flatten(
      "AS INV PINORDER=A Y\n"
      "AS DELAY PINORDER=OUT IN\n"
      "AP INV 1 PINTYPE=IN\n"
      "M DELAY $1I3\n"
      "I $1I3 DELAY N0 N1\n"
      "M INV $1I1\n"
      "I $1I1 INV N1 N2 LABEL=U1\n");
  EXPECT_EQ(out.find("AS DELAY PINORDER=OUT IN"), out.rfind("AS DELAY PINORDER=OUT IN")) << out;
  EXPECT_NE(out.find("M DELAY $1D1\n"), std::string::npos) << out;
}

}  // namespace
