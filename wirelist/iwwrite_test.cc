// wirelist/iwwrite_test.cc - the wirelist writer: the records of a sheet
// byte for byte, the saved copies, and every way a write can fail leaving
// the files as they were.
#include "wirelist/iwwrite.h"

#include <gtest/gtest.h>


#include <filesystem>
#include <string>
#include <vector>

#include "tests/iwdesign.h"
#include "wirelist/immod.h"
#include "wirelist/iwgroup.h"
#include "wirelist/iwname.h"

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class IwWrite : public testutil::IwDesign {
 protected:
  // TOP has two sheets; N1 reaches three components of sheet 1 and one of
  // sheet 2; GND is a global net no pin reaches.
  void Load(const std::string& more_on_sheet2 = "") {
    Start();
    Sheet("TOP", 1,
          "SA TITLE=T\nAS INV PINORDER=A Y\nAS INV MODEL=X\nAP INV 1 PINTYPE=IN\n"
          "P IN A\nI A IN A PINTYPE=IN\n"
          "M INV U1\nI U1 INV A N1 LABEL=L1`E=\nM INV U2\nI U2 INV N1 N2\n"
          "M INV U3\nI U3 INV N1 ?\nAN N1 LOAD=3\nAN N1 MARK=\nG GND\nAPI U2 INV 1 DELAY=4\n");
    Sheet("TOP", 2, "AS INV PINORDER=A Y\nM INV U4\nI U4 INV N2 N1\n" + more_on_sheet2);
    ASSERT_NE(iwgroup("TOP"), nullptr);
    original_ = {File(1), File(2)};
    Codes();
  }

  std::string File(int sheet, const char* suffix = "") {
    return testutil::ReadFile(dir_.path() + "/lib/wir/top." + std::to_string(sheet) + suffix);
  }

  Strings original_;
};

constexpr const char kSheet1[] =
    "| Wirelist created using Nodex version 5.3.1.\n"
    "V 5.3.1\n"
    "DW TOP\n"
    "SA TITLE=T\n"
    "AS IN IN\n"
    "AS IN PINORDER=IN\n"
    "AP IN 1 PINTYPE=IN\n"
    "AS INV MODEL=X\n"
    "AS INV PINORDER = A Y\n"
    "AP INV 1 PINTYPE=IN\n"
    "AN N1 LOAD=3\n"
    "AN N1 MARK\n"
    "G GND\n"
    "P IN A\n"
    "I A IN A PINTYPE=IN`\n"
    "AS TOP PINORDER = A\n"
    "AP TOP 1 PINTYPE=IN\n"
    "M INV U1\n"
    "I U1 INV A N1 E` LABEL=L1`\n"
    "M INV U2\n"
    "I U2 INV N1 N2\n"
    "API U2 INV 1 DELAY=4\n"
    "M INV U3\n"
    "I U3 INV N1 ?\n"
    "EW\n";

constexpr const char kSheet2[] =
    "| Wirelist created using Nodex version 5.3.1.\n"
    "V 5.3.1\n"
    "DW TOP\n"
    "AS IN IN\n"
    "AS IN PINORDER=IN\n"
    "AP IN 1 PINTYPE=IN\n"
    "AS INV MODEL=X\n"
    "AS INV PINORDER = A Y\n"
    "AP INV 1 PINTYPE=IN\n"
    "AN N1 LOAD=3\n"
    "AN N1 MARK\n"
    "P IN A\n"
    "I A IN A PINTYPE=IN`\n"
    "AS TOP PINORDER = A\n"
    "AP TOP 1 PINTYPE=IN\n"
    "M INV U4\n"
    "I U4 INV N2 N1\n"
    "EW\n";

TEST_F(IwWrite, EachSheetIsAFileOfItsOwnAfterASavedCopy) {
  Load();
  EXPECT_EQ(iwgrpwrite(Group("TOP")), IW_WRITE_OK);
  EXPECT_EQ(File(1), kSheet1);
  EXPECT_EQ(File(2), kSheet2);
  EXPECT_EQ(File(1, ".sav"), original_[0]);
  EXPECT_EQ(File(2, ".sav"), original_[1]);
  EXPECT_EQ(Codes(), (Strings{"nodex-W-483", "nodex-I-485", "nodex-W-483", "nodex-I-485"}));

  // What was written reads back into the same records.
  Restart();
  Start();
  ASSERT_NE(iwgroup("TOP"), nullptr);
  EXPECT_EQ(iwgrpwrite(Group("TOP")), IW_WRITE_OK);
  EXPECT_EQ(File(1), kSheet1);
  EXPECT_EQ(File(2), kSheet2);
}

TEST_F(IwWrite, AComponentOfAPortSymbolIsLeftOut) {
  Start();
  Sheet("TOP", 1,
        "P IN A\nI A IN A\nAS INV PINORDER=A Y\nM INV U1\nI U1 INV A Y\nM IN U2\nI U2 IN A\n");
  ASSERT_NE(iwgroup("TOP"), nullptr);
  Codes();
  EXPECT_EQ(iwgrpwrite(Group("TOP")), IW_WRITE_OK);
  std::string text = File(1);
  EXPECT_EQ(text.find("U2"), std::string::npos);
  EXPECT_NE(text.find("M INV U1\n"), std::string::npos);
  Strings codes = Codes();
  EXPECT_NE(std::find(codes.begin(), codes.end(), "nodex-W-491"), codes.end());
}

TEST_F(IwWrite, ASheetLinkedToAFullDiskIsNotWrittenAndTheSheetsBeforeAreBack) {
  Load();
  // Sheet 2 has become a link to a full disk: a sheet that cannot be saved
  // first is not written, and sheet 1, already replaced, is put back.
  const std::string sheet2 = dir_.path() + "/lib/wir/top.2";
  fs::remove(sheet2);
  fs::create_symlink("/dev/full", sheet2);
  EXPECT_EQ(iwgrpwrite(Group("TOP")), IW_WRITE_FAILED);
  EXPECT_EQ(Codes(), (Strings{"nodex-W-483", "nodex-I-485", "nodex-E-484", "nodex-E-486",
                              "nodex-I-487", "nodex-E-493"}));
  EXPECT_EQ(File(1), original_[0]);
  EXPECT_TRUE(fs::is_symlink(sheet2));

  EXPECT_EQ(iwwrite(), IW_WRITE_FAILED);
  Strings codes = Codes();
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(codes.back(), "nodex-W-489");
  EXPECT_EQ(File(1), original_[0]);
}

TEST_F(IwWrite, AWriteFailingHalfWayPutsBackTheSheetsAlreadyReplaced) {
  // Files may not grow past 700 bytes: both sheets are saved and sheet 1
  // is written, but sheet 2, long already, outgrows the limit.
  Load("SA NOTE=" + std::string(450, 'N') + "\n");
  ASSERT_LT(original_[1].size(), 700u);
  ASSERT_LT(std::string(kSheet1).size(), 700u);
  int result = 0;
  testutil::WithFileLimit(700, [&] { result = iwgrpwrite(Group("TOP")); });
  EXPECT_EQ(result, IW_WRITE_FAILED);
  EXPECT_EQ(Codes(), (Strings{"nodex-W-483", "nodex-I-485", "nodex-W-483", "nodex-I-485",
                              "nodex-E-486", "nodex-I-487"}));
  EXPECT_EQ(File(1), original_[0]);
  EXPECT_EQ(File(2), original_[1]);
}

TEST_F(IwWrite, APinOrderTooLongFailsTheWholeWrite) {
  Load();
  // Forty pins of 250 characters: 10040 characters fit, sixty-six do not.
  IwSym* inv = Group("INV")->sym;
  IwSpn* last = inv->spns->next;
  for (int i = 0; i < 66; ++i) {
    std::string name = std::string(247, 'P') + std::to_string(100 + i);
    last = last->next = iwmkspin(name.c_str());
  }
  inv->npins = 68;
  std::string order;
  EXPECT_EQ(i_get_pinord(Group("INV"), &order), 0);
  EXPECT_LE(order.size(), 16384u);
  EXPECT_EQ(Codes(), Strings{"nodex-W-488"});
  EXPECT_EQ(iwgrpwrite(Group("TOP")), IW_WRITE_FAILED);
  EXPECT_EQ(File(1), original_[0]);
  EXPECT_EQ(File(2), original_[1]);
}

TEST_F(IwWrite, AReadOnlyLibraryIsRefusedAndNothingChanges) {
  Start();
  Write("drafta.ini", "DIR [r] lib\n");
  Sheet("TOP", 1, "AS INV PINORDER=A Y\nM INV U1\nI U1 INV A Y\n");
  Restart();
  ASSERT_EQ(iwinit(), 1);
  iwchktime();
  ASSERT_NE(iwgroup("TOP"), nullptr);
  std::string before = File(1);
  Codes();
  EXPECT_EQ(iwgrpwrite(Group("TOP")), IW_WRITE_NOTWRITABLE);
  EXPECT_EQ(Codes(), Strings{"nodex-E-482"});
  EXPECT_EQ(File(1), before);
  EXPECT_FALSE(fs::exists(dir_.path() + "/lib/wir/top.1.sav"));

  // With the check off the checker lets it through, and the store refuses.
  iwnochk_writable(1);
  EXPECT_EQ(iwgrpwrite(Group("TOP")), IW_WRITE_FAILED);
  EXPECT_EQ(Codes(), (Strings{"nodex-E-484", "nodex-E-486", "nodex-I-487", "nodex-E-493"}));
  EXPECT_EQ(File(1), before);
  iwnochk_writable(0);
}

TEST_F(IwWrite, APrimitiveGroupIsGivenASheetOne) {
  Load();
  Write("lib/sym/inv.1", "");  // puts INV in the library
  IwGrp* inv = Group("INV");
  int status = 0;
  EXPECT_EQ(imcgrpsch(inv, 0, &status), nullptr);
  EXPECT_EQ(status, IW_MOD_SHEETNUMBER);
  EXPECT_EQ(iwgrpwrite(inv), IW_WRITE_OK);
  ASSERT_NE(inv->schs, nullptr);
  EXPECT_EQ(inv->schs->number, 1);
  EXPECT_EQ(imcgrpsch(inv, 1, &status), nullptr);
  EXPECT_EQ(status, IW_MOD_EXISTS);
  const std::string head = "| Wirelist created using Nodex version 5.3.1.\nV 5.3.1\nDW INV\n";
  EXPECT_EQ(testutil::ReadFile(dir_.path() + "/lib/wir/inv.1").substr(0, head.size()), head);
}

}  // namespace
