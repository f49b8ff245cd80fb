// store/prj_test.cc - library declarations, look-up order and library
// errors of the project store.
#include "store/prj.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "store/pxlib.h"
#include "tests/testutil.h"
#include "util/rkmem.h"

namespace {

using testutil::WriteFile;

TEST(Prj, DeclarationLinesParseAndRebuild) {
  constexpr int kPW = PRJ_LIB_PRIMARY | PRJ_LIB_WRITABLE, kRM = PRJ_LIB_READONLY | PRJ_LIB_MEGAFILE;
  struct Case {
    const char* line;
    int status;
    const char* path = "";  // what was parsed up to a failure
    const char* name = "";
    int type = 0;
    const char* built = nullptr;  // prjBuildDirLine of the result
  } cases[] = {
      {"DIR [w] lib1", 0, "lib1", "", PRJ_LIB_WRITABLE, "DIR [w] lib1"},
      {"dir [WP] /abs/lib/ (work) {main library}", 0, "/abs/lib", "work", kPW,
       "DIR [pw] /abs/lib (work) {main library}"},
      {"  [mr] parts | comment", 0, "parts", "", kRM, "DIR [rm] parts"},
      {"DIR [3] lib", 0, "lib", "", kPW, "DIR [pw] lib"},
      {"DIR [012] lib", 0, "lib", "", kRM, "DIR [rm] lib"},
      {"DIR [16] lib", 0, "lib", "", 0, "DIR [0] lib"},
      {"DIR [5] lib", PRJ_BAD_TYPE}, {"DIR [21] lib", PRJ_BAD_TYPE_NUMBER}, {"DIR", PRJ_NO_WORDS},
      {"DIR [w]", PRJ_NO_PATH}, {"DIR [w] (name)", PRJ_NO_PATH}, {"DIR lib1", PRJ_BAD_TYPE},
      {"DIR [wr] lib1", PRJ_BAD_TYPE}, {"DIR [pm] lib1", PRJ_BAD_TYPE},
      {"DIR [ww] lib1", PRJ_BAD_TYPE}, {"DIR [x] lib1", PRJ_BAD_TYPE},
      {"DIR [w] lib1 (a:b)", PRJ_BAD_NAME, "lib1"},
      {"DIR [w] lib1 (abcdefghijklmnopqrstuvwxyz0123456)", PRJ_BAD_NAME, "lib1"},
      {"DIR [w] lib1 (open", PRJ_BAD_NAME, "lib1"}, {"DIR [w] lib1 {open", PRJ_BAD_TEXT, "lib1"},
      {"DIR [w] lib1 lib2", PRJ_EXTRA_WORDS, "lib1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    PrjDirLine d;
    int st = prjParseDirLine(c.line, &d);
    EXPECT_EQ(st, c.status);
    EXPECT_STREQ(d.path, c.path);
    EXPECT_STREQ(d.name, c.name);
    if (st != 0) continue;
    EXPECT_EQ(d.type, c.type);
    char line[prj::kMaxDirLine + 1];
    ASSERT_EQ(prjBuildDirLine(&d, line, sizeof line), 0);
    EXPECT_STREQ(line, c.built);
  }
}

class PrjView : public testing::Test {
 protected:
  void SetUp() override {
    prjReset();
    pxReset();
    cwd_ = std::make_unique<testutil::ScopedCwd>(dir_.path());
  }
  void TearDown() override {
    prjReset();
    cwd_.reset();
    pxReset();
  }

  // Opens the project and sets up the view from the given ini text.
  int View(const std::string& ini) {
    WriteFile(dir_.path() + "/drafta.ini", ini);
    int status = -1;
    project_ = prjOpenProject(".", nullptr, "", 3, &status);
    EXPECT_EQ(status, 0);
    return prjInitView(project_, "Drafta", "drafta.ini");
  }

  // The path of file name.ext of kind, or "" when the store finds none.
  std::string Find(const char* lib, const char* kind, const char* name, const char* ext) {
    PrjObjRef* ref = prjMakeKbObjref2(lib, kind, name, ext);
    int status;
    PrjObject* obj = prjOpenObject(ref, 1, &status);
    rkMemFree(ref);
    if (!obj) return "";
    PrjPropValue v = prjGetObjProp(obj, PRJ_PROP_PATH, &status);
    std::string path = v.text;
    rkMemFree(v.text);
    prjCloseObj(obj, 0);
    return path.substr(dir_.path().size() + 1);
  }

  std::vector<std::string> Errors() {
    std::vector<std::string> out;
    const char *lib, *what, *where;
    for (int c = prjNextLibError(project_, "Drafta", 0, &lib, &what, &where); c;
         c = prjNextLibError(project_, "Drafta", c, &lib, &what, &where))
      out.push_back(std::string(lib) + " | " + what + " | " + where);
    return out;
  }

  testutil::ScopedTempDir dir_;
  std::unique_ptr<testutil::ScopedCwd> cwd_;
  PrjProject* project_ = nullptr;
};

TEST_F(PrjView, FirstDeclaredLibraryHoldingTheFileWins) {
  WriteFile(dir_.path() + "/one/wir/alu.1", "V 4.09\n");
  WriteFile(dir_.path() + "/two/wir/alu.1", "V 4.09\n");
  WriteFile(dir_.path() + "/two/sym/add4.1", "");
  ASSERT_EQ(View("OATS 1\nDIR [w] one\ndir [r] two (Parts) {vendor parts}\n"), 0);
  EXPECT_EQ(Find("", "wir", "ALU", "1"), "one/wir/alu.1");
  EXPECT_EQ(Find("parts", "wir", "alu", "1"), "two/wir/alu.1");
  EXPECT_EQ(Find("", "sym", "add4", "1"), "two/sym/add4.1");
  EXPECT_EQ(Find("one", "sym", "add4", "1"), "");
  EXPECT_EQ(Find("nosuch", "wir", "alu", "1"), "");
  EXPECT_EQ(Find("", "wir", "../two/wir/alu", "1"), "");  // names stay inside a library

  // Handles follow the declarations; without a p library the first is
  // primary.
  int status;
  EXPECT_EQ(prjFindNextLib(project_, 0, "*", &status), 1);
  EXPECT_EQ(prjFindNextLib(project_, 1, "*", &status), 2);
  EXPECT_EQ(prjFindNextLib(project_, 2, "*", &status), 0);
  EXPECT_EQ(prjFindNextLib(project_, 0, "p?RTS", &status), 2);
  EXPECT_EQ(prjGetPrimaryObj(project_, nullptr), 1);
  EXPECT_EQ(prjObjWritable(1), 1);
  EXPECT_EQ(prjObjReadonly(2), 1);
  PrjPropValue name = prjGetLibProp(1, PRJ_PROP_PATH, &status);
  EXPECT_STREQ(name.text, "one");
  rkMemFree(name.text);
}

TEST_F(PrjView, CarriageReturnsEndLinesOrSeparateWords) {
  WriteFile(dir_.path() + "/one/wir/alu.1", "V 4.09\n");
  WriteFile(dir_.path() + "/two/wir/alu.1", "V 4.09\n");
  ASSERT_EQ(View("DIR [w]\rone\r\ndir [r] two\r(Parts)\r\n"), 0);
  EXPECT_TRUE(Errors().empty());
  EXPECT_EQ(Find("parts", "wir", "alu", "1"), "two/wir/alu.1");
}

TEST_F(PrjView, AnObjectLookedUpAgainIsTheSameAndAsksToBeReopened) {
  WriteFile(dir_.path() + "/lib/sch/top.oat", "x\n");
  ASSERT_EQ(View("DIR [p] lib\n"), 0);
  PrjObjRef* ref = prjMakeKbObjref2("", "sch", "top", "oat");
  int st1, st2;
  PrjObject* a = prjOpenObject(ref, 1, &st1);
  PrjObject* b = prjOpenObject(ref, 1, &st2);
  rkMemFree(ref);
  EXPECT_EQ(a, b);
  EXPECT_EQ(st1, 0);
  EXPECT_EQ(st2, PRJ_ALREADY_OPEN);
  EXPECT_NE(prjObjGetFilePtr(a, 0, &st1), nullptr);
  EXPECT_EQ(prjCloseObj(a, 0), 0);
  EXPECT_EQ(prjCloseObj(a, 0), PRJ_INVALID);
}

TEST_F(PrjView, LibraryErrorsNameEachFailingLibrary) {
  std::filesystem::create_directories(dir_.path() + "/good");
  std::filesystem::create_directories(dir_.path() + "/Good");

  EXPECT_EQ(View("DIR [w] good\nDIR [w] misspelt\n"), PRJ_LIB_ERRORS);
  EXPECT_EQ(Errors(), std::vector<std::string>{"misspelt | its directory does not exist | " +
                                               dir_.path() + "/misspelt"});

  prjReset();
  EXPECT_EQ(View("DIR [w] good\nDIR [q] other (lib2)\nDIR [w] Good\n"), PRJ_BAD_INI);
  std::vector<std::string> errors = Errors();
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0].rfind("(unnamed) | the library type", 0), 0u) << errors[0];
  EXPECT_NE(errors[0].find("line 2 of drafta.ini: DIR [q] other (lib2)"), std::string::npos);
  EXPECT_EQ(errors[1],
            "Good | a library of the same name is already declared on line 1 | line 3 of "
            "drafta.ini");
  int status;
  EXPECT_EQ(prjFindNextLib(project_, 0, "*", &status), 0);  // no view, no libraries

  // A NUL byte would name another directory than the line shows.
  prjReset();
  EXPECT_EQ(View(std::string("DIR [w] good\0/../other\n", 24)), PRJ_BAD_INI);
  errors = Errors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "(unnamed) | the line holds a NUL byte | line 1 of drafta.ini: DIR [w] good");
}

TEST_F(PrjView, WirelistsCopyToTheirSavedCopyOnlyInWritableLibraries) {
  WriteFile(dir_.path() + "/work/wir/alu.1", "new\n");
  WriteFile(dir_.path() + "/ro/wir/cpu.1", "cpu\n");
  ASSERT_EQ(View("DIR [w] work\nDIR [r] ro\n"), 0);
  int status;
  PrjObject* alu = prjOpenObj(project_, "prjClassWIRELIST", "ALU", 1, 0, 1, &status);
  ASSERT_NE(alu, nullptr);
  EXPECT_EQ(prjCopyObj(alu, project_, "prjClassWIRELIST_SAV", 0, 0, 1), 0);
  EXPECT_EQ(testutil::ReadFile(dir_.path() + "/work/wir/alu.1.sav"), "new\n");

  WriteFile(dir_.path() + "/work/wir/alu.1", "changed\n");
  PrjObject* sav = prjOpenObj(project_, "prjClassWIRELIST_SAV", "work:alu", 1, 0, 1, &status);
  ASSERT_NE(sav, nullptr);
  EXPECT_EQ(prjCopyObj(sav, project_, "prjClassWIRELIST", 0, 0, 1), 0);
  EXPECT_EQ(testutil::ReadFile(dir_.path() + "/work/wir/alu.1"), "new\n");

  PrjObject* cpu = prjOpenObj(project_, "prjClassWIRELIST", "CPU", 1, 0, 1, &status);
  ASSERT_NE(cpu, nullptr);
  EXPECT_EQ(prjCopyObj(cpu, project_, "prjClassWIRELIST_SAV", 0, 0, 1), PRJ_NOT_WRITABLE);
  EXPECT_EQ(prjOpenObj(project_, "prjClassWIRELIST", "CPU", 2, 0, 1, &status), nullptr);
  EXPECT_EQ(status, PRJ_NOT_FOUND);
}

TEST_F(PrjView, WritingReplacesTheFileOnlyWhenEverythingWasWritten) {
  const std::string alu = dir_.path() + "/work/wir/alu.1";
  WriteFile(alu, "old\n");
  std::filesystem::create_directories(dir_.path() + "/main");
  std::filesystem::create_directories(dir_.path() + "/ro/wir");
  ASSERT_EQ(View("DIR [w] work\nDIR [p] main\nDIR [r] ro\n"), 0);
  EXPECT_EQ(prjObjWritable(2), 1);  // a primary library may be written
  int st;
  auto open = [&](const char* name, int number) {
    return prjOpenObj(project_, "prjClassWIRELIST", name, number, 0, PRJ_OPEN_WRITE, &st);
  };

  // The library holding the file is written; nothing shows until the close.
  PrjObject* o = open("ALU", 1);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(prjFprintf(o, "%s %d%%\n", "new", 7), 7);
  EXPECT_EQ(prjFprintf(o, "%5.1f\n", 2.5), 6);  // the general formatter
  EXPECT_EQ(testutil::ReadFile(alu), "old\n");
  EXPECT_EQ(prjCloseObj(o, PRJ_CLOSE_DISCARD), 0);
  EXPECT_EQ(testutil::ReadFile(alu), "new 7%\n  2.5\n");
  EXPECT_EQ(prjFprintf(o, "late\n"), -1);

  // A new file goes to the primary library, its directory made on the way.
  o = open("CPU", 2);
  ASSERT_NE(o, nullptr);
  prjFprintf(o, "cpu\n");
  EXPECT_EQ(prjCloseObj(o, 0), 0);
  EXPECT_EQ(testutil::ReadFile(dir_.path() + "/main/wir/cpu.2"), "cpu\n");

  // Abandoned, failed and refused writes leave the file as it was.
  o = open("ALU", 1);
  prjFprintf(o, "dropped\n");
  EXPECT_EQ(prjAbandonObj(o), 0);
  EXPECT_EQ(prjCloseObj(o, 0), 0);
  // A file that is a link to a full disk: written through the link, it
  // fails, and the link stays.
  const std::string full = dir_.path() + "/work/wir/alu.2";
  std::filesystem::create_symlink("/dev/full", full);
  o = open("WORK:ALU", 2);
  ASSERT_NE(o, nullptr);
  prjFprintf(o, "%s\n", std::string(300000, 'x').c_str());  // more than one buffer
  EXPECT_EQ(prjFprintf(o, "x\n"), -1);
  EXPECT_EQ(prjCloseObj(o, 0), PRJ_WRITE_FAILED);
  EXPECT_TRUE(std::filesystem::is_symlink(full));
  EXPECT_EQ(testutil::ReadFile(alu), "new 7%\n  2.5\n");
  for (const auto& e : std::filesystem::directory_iterator(dir_.path() + "/work/wir"))
    EXPECT_TRUE(e.path().filename() == "alu.1" || e.path().filename() == "alu.2") << e.path();
  EXPECT_EQ(open("RO:ALU", 1), nullptr);
  EXPECT_EQ(st, PRJ_NOT_WRITABLE);
  EXPECT_EQ(open("NOSUCH:ALU", 1), nullptr);
  EXPECT_EQ(st, PRJ_NOT_FOUND);
}

TEST_F(PrjView, AReplacedFileKeepsItsPermissions) {
  const std::string alu = dir_.path() + "/work/wir/alu.1";
  WriteFile(alu, "old\n");
  ASSERT_EQ(View("DIR [w] work\n"), 0);
  std::filesystem::permissions(alu, std::filesystem::perms::owner_read |
                                        std::filesystem::perms::owner_write |
                                        std::filesystem::perms::group_read);
  int st;
  PrjObject* o = prjOpenObj(project_, "prjClassWIRELIST", "ALU", 1, 0, PRJ_OPEN_WRITE, &st);
  ASSERT_NE(o, nullptr);
  prjFprintf(o, "new\n");
  ASSERT_EQ(prjCloseObj(o, 0), 0);
  auto perms = std::filesystem::status(alu).permissions();
  EXPECT_EQ(perms & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);
}

}  // namespace
