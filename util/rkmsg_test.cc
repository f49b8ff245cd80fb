// util/rkmsg_test.cc - catalogs compiled by rkmsgcmp, read back through
// the open, version check, cache and formatting calls.
#include "util/rkmsg.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>

#include "tests/testutil.h"
#include "util/rkdufs.h"
#include "util/rkerr.h"
#include "util/rkmem.h"

namespace {

// Clears the variables this module reads and restores them, the working
// directory and every module's state after a test.
class RkMsg : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override {
    if (chdir(cwd_.c_str()) != 0) ADD_FAILURE() << "cannot restore the working directory";
    Reset();
  }
  static void Reset() {
    rkMsgReset();
    rkErrReset();
  }

  // Compiles a catalog "t" with the given messages and catalog lines.
  std::string Catalog(const std::string& body, const std::string& version = "5.1.0",
                      const std::string& name = "t") {
    std::string text = "#define A -1 /* \"tool\" */\n#define R -2 /* \"5.1\" */\n";
    text.append("#define V -3 /* \"").append(version).append("\" */\n").append(body);
    return testutil::CompileCatalog(dir_.path(), name, text);
  }

  // Runs body; the number of the error it raised, or 0.
  template <class F>
  static int Raised(F body, int* tag = nullptr) {
    RkExCaught c{};
    int t = rkExTry(RK_TAG_ALL, body, &c);
    if (tag) *tag = t;
    int n = t ? rkErrNum(c.error) : 0;
    rkErrFree(c.error);
    return n;
  }

  testutil::ScopedCatalogFinder finder_;
  testutil::ScopedEnv dbg_{"RK_MSGFILEDBG", nullptr}, noversion_{"RK_MSGNOVERSION", nullptr};
  std::string cwd_ = std::filesystem::current_path().string();
  testutil::ScopedTempDir dir_;
};

TEST_F(RkMsg, CompiledCatalogReadsBackEveryMessage) {
  std::string cat = Catalog(
      "#define M1 1 /* \"plain\" */  // trailing comment\n"
      "#define M2 2 /* \"tab\\there \\\"quoted\\\" back\\\\slash \\101\\n\" */\n"
      "#define M3 3 /* \"%2$s before %1$s, %3$d\" */\n"
      "#define NOT_A_MESSAGE 4\n"
      "int ignored = 5; /* \"nor this\" */\n"
      "#define M7 700000 /* \"\" */\n"
      "#define M8 8 /* \"" +
      std::string(300, 'a') + "%s\" */\n");
  ASSERT_FALSE(cat.empty());
  // Big-endian on every host: prefix 0x01 0x85, then the format mark.
  EXPECT_EQ(testutil::ReadFile(cat + ".vmb").substr(0, 6),
            std::string("\x01\x85\0\x01\x02\x03", 6));

  RkMsgFile* h = rkMsgFileOpen(cat.c_str(), "tool", "5.1", "5.0.0", nullptr);
  EXPECT_STREQ(rkMsgGetFilename(h), cat.c_str());
  EXPECT_STREQ(rkMsgStatic(h, 1), "plain");
  EXPECT_STREQ(rkMsgStatic(h, 2), "tab\there \"quoted\" back\\slash A\n");
  EXPECT_STREQ(rkMsgStatic(h, 3, "one", "two", 3), "two before one, 3");
  EXPECT_STREQ(rkMsgStatic(h, 700000), "");
  // A static text longer than its buffer comes back whole.
  std::string arg(700, 'b');
  EXPECT_EQ(std::string(rkMsgStatic(h, 8, arg.c_str())), std::string(300, 'a') + arg);
  EXPECT_EQ(Raised([&] { rkMsgText(h, 4, rkMsgCopyAlloc, nullptr); }), 1021);

  char small[6];
  EXPECT_EQ(rkMsgBuffer(h, 3, small, sizeof small, "a", "b", 1), 1);
  EXPECT_STREQ(small, "b bef");
  // A buffer holds one character less than its size: a text just that long
  // fits, and one character more is cut and said to be.
  const struct {
    std::size_t size;
    const char* text;
    int cut;
  } edges[] = {{6, "plain", 0}, {5, "plai", 1}, {4, "pla", 1}};
  for (const auto& e : edges) {
    SCOPED_TRACE(e.size);
    char buf[8] = "xxxxxxx";
    EXPECT_EQ(rkMsgBuffer(h, 1, buf, e.size), e.cut);
    EXPECT_STREQ(buf, e.text);
  }
  char* copy = rkMsgAlloc(h, 1);
  EXPECT_STREQ(copy, "plain");
  rkMemFree(copy);
  rkMsgFileClose(h);
}

TEST_F(RkMsg, OpeningTwiceGivesOneHandleUntilClosedTwice) {
  std::string cat = Catalog("#define M1 1 /* \"one\" */\n");
  RkMsgFile* a = rkMsgFileOpen(cat.c_str(), nullptr, nullptr, nullptr, nullptr);
  RkMsgFile* b = rkMsgFileOpen(cat.c_str(), "tool", nullptr, nullptr, nullptr);
  EXPECT_EQ(a, b);
  rkMsgFileClose(a);
  EXPECT_STREQ(rkMsgStatic(b, 1), "one");
  rkMsgFileClose(b);
  int tag = 0;
  EXPECT_EQ(Raised([&] { rkMsgText(b, 1, rkMsgCopyAlloc, nullptr); }, &tag), 1020);
  EXPECT_EQ(tag, RK_TAG_MISUSE);
  EXPECT_STREQ(rkMsgStatic(b, 1), "*** internal message file error; message #1");
  rkMsgFileClose(b);  // ignored
}

TEST_F(RkMsg, VersionsAreComparedComponentByComponent) {
  struct Case {
    const char *version, *min, *max;  // version: of the catalog
    bool opens;
    const char *app = nullptr, *release = nullptr;
  };
  const Case cases[] = {
      {"5.1.0", "5.0.0", "5.9.9", true}, {"6.0.0", "5.0.0", "5.9.9", false},
      {"4.9.9", "5.0.0", "5.9.9", false}, {"5.1.9", "5.0.0", "5.9.5", false},  // inside as a triple
      {"5.2.0", "5.1.0", nullptr, true},  // maximum: its own
      {"5.0.3", "5.1.0", nullptr, false}, {"7.0.0", "5.1", nullptr, true},  // malformed: own major
      {"5.1.0", nullptr, nullptr, true, "tool", "5.1"},
      {"5.1.0", nullptr, nullptr, false, "other"},
      {"5.1.0", nullptr, nullptr, false, nullptr, "5.2"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(n);
    std::string cat = Catalog("", c.version, std::string("v").append(std::to_string(n++)));
    RkMsgFile* h = nullptr;
    int err = Raised([&] { h = rkMsgFileOpen(cat.c_str(), c.app, c.release, c.min, c.max); });
    EXPECT_EQ(err, c.opens ? 0 : 1007);
    EXPECT_EQ(h != nullptr, c.opens);
    rkMsgFileClose(h);
  }
}

TEST_F(RkMsg, FailedVersionCheckIsOnlyAWarningWithMsgNoVersion) {
  std::string cat = Catalog("#define M1 1 /* \"one\" */\n", "6.0.0");
  setenv("RK_MSGNOVERSION", "1", 1);
  std::FILE* err = std::fopen((dir_.path() + "/err").c_str(), "w");
  rkErrSetStream(err);
  RkMsgFile* h = rkMsgFileOpen(cat.c_str(), nullptr, nullptr, "5.0.0", "5.9.9");
  EXPECT_STREQ(rkMsgStatic(h, 1), "one");
  rkErrSetStream(nullptr);
  std::fclose(err);
  EXPECT_EQ(testutil::ReadFile(dir_.path() + "/err"),
            "rklib-W: " + cat + ".vmb: Message file failed versioning check.\n");
  rkMsgFileClose(h);
}

TEST_F(RkMsg, IndexCountAbove200000IsRefused) {
  for (std::int32_t count : {200000, 200001}) {
    SCOPED_TRACE(count);
    std::string base = dir_.path() + "/n" + std::to_string(count);
    RkDufsB* w = rkDufsBFopen((base + ".vmb").c_str(), "w");
    ASSERT_NE(w, nullptr);
    std::int32_t header[15] = {0x00010203, 1, 0, 0, 64};
    rkDufsBWrite(w, header, 15, 4);
    rkDufsBWrite(w, "ok\0", 4, 1);  // the one text, at offset 60
    rkDufsBWrite(w, &count, 1, 4);
    for (std::int32_t i = 0; i < count; ++i) {
      const std::int32_t entry[3] = {i, 60, 3};
      rkDufsBWrite(w, entry, 3, 4);
    }
    rkDufsBFclose(w);
    RkMsgFile* h = nullptr;
    EXPECT_EQ(Raised([&] { h = rkMsgFileOpen(base.c_str(), nullptr, nullptr, nullptr, nullptr); }),
              count > 200000 ? 1005 : 0);
    if (h) {
      EXPECT_STREQ(rkMsgStatic(h, count - 1), "ok");
    }
    rkMsgFileClose(h);
  }
}

TEST_F(RkMsg, MissingMessageWithMsgFileDbgYieldsCantFindText) {
  std::string cat = Catalog("#define M1 1 /* \"one\" */\n");
  RkMsgFile* h = rkMsgFileOpen(cat.c_str(), nullptr, nullptr, nullptr, nullptr);
  EXPECT_STREQ(rkMsgStatic(h, 99), "*** internal message file error; message #99");
  rkMsgReset();

  setenv("RK_MSGFILEDBG", "1", 1);
  h = rkMsgFileOpen(cat.c_str(), nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(std::string(rkMsgStatic(h, 99)),
            "RKLIB Error 1021: Can't find message #99 in message file " + cat + ".vmb!\n");
  rkMsgFileClose(h);
}

// A text may be formatted with the program's arguments only when it takes
// no more of them than the program's own text, each of the same kind.
TEST(RkMsgFormat, TextsAgreeOnlyWithTheArgumentsPassed) {
  const std::tuple<const char*, const char*, int> cases[] = {
      {"%s", "%s", 1},          {"", "%s", 1},
      {"plain", nullptr, 1},    {"%s%n", "%s", 0},
      {"%n", "%n", 0},          {"%d", "%s", 0},
      {"%s %s", "%s", 0},       {"%s", nullptr, 0},
      {"%ld", "%d", 0},         {"%zu", "%lu", 0},
      {"%Lf", "%f", 0},         {"%lc", "%c", 0},
      {"%c %x", "%d %u", 1},    {"%hhd %hd", "%d %i", 1},
      {"%-+ #0'8.3e", "%f", 1}, {"%2$s %1$d", "%d %s", 1},
      {"%1$d", "%2$s %1$d", 1}, {"%2$s", "%s %s", 0},
      {"%1$s %s", "%s %s", 0},  {"%1$s %1$d", "%s", 0},
      {"%129$s", "%129$s", 0},  {"%*d", "%d %d", 1},
      {"%*d", "%d", 0},         {"%.*s", "%d %s", 1},
      {"%%d 100%%", "", 1},     {"%m", "", 1},
      {"%y", "%s", 0},          {"%", "", 0},
      {"%p", "%p", 1},          {"%3$s", "%3$s", 0},
  };
  for (const auto& [text, reference, agrees] : cases) {
    SCOPED_TRACE(std::string(text) + " against " + (reference ? reference : "(none)"));
    EXPECT_EQ(rkMsgFormatAgrees(text, reference), agrees);
  }
}

// A catalog file is known by its file name, wherever it lies: a "tsn"
// catalog whose text for 504 would write through %n is not used; the
// program's own text is, after a warning given once.
TEST_F(RkMsg, CatalogTextsThatDisagreeAreReplacedByTheBuiltInText) {
  std::string cat = Catalog(
      "#define D 504 /* \"%s%n\" */\n#define E 505 /* \"%d\" */\n"
      "#define F 506 /* \"Wirelist of %s.\" */\n#define X 9999 /* \"%s\" */\n",
      "5.1.0", "tsn");
  std::FILE* err = std::fopen((dir_.path() + "/err").c_str(), "w");
  rkErrSetStream(err);
  RkMsgFile* h = rkMsgFileOpen(cat.c_str(), nullptr, nullptr, nullptr, nullptr);
  for (int round = 0; round < 2; ++round) {
    EXPECT_STREQ(rkMsgStatic(h, 504, "TOP"), "Long-format netlist of design TOP.");
    EXPECT_STREQ(rkMsgStatic(h, 505, "TOP"), "Short-format netlist of design TOP.");
    EXPECT_STREQ(rkMsgStatic(h, 506, "TOP"), "Wirelist of TOP.");  // it agrees: the file's own
    // No built-in text to fall back on: the message counts as missing.
    EXPECT_STREQ(rkMsgStatic(h, 9999, "x"), "*** internal message file error; message #9999");
  }
  rkErrSetStream(nullptr);
  std::fclose(err);
  rkMsgFileClose(h);
  std::string warnings = testutil::ReadFile(dir_.path() + "/err");
  EXPECT_NE(warnings.find("rklib-W-1024: " + cat + ".vmb: Message 504 of message catalog " + cat +
                          ".vmb does not take the arguments the program passes to it; the "
                          "program's own text is used instead.\n"),
            std::string::npos)
      << warnings;
  EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 3) << warnings;
  EXPECT_NE(warnings.find("rklib-W-1025: "), std::string::npos) << warnings;
}

TEST_F(RkMsg, CacheEvictsTheLeastRecentlyUsedMessage) {
  std::string body;
  for (int i = 1; i <= 81; ++i)
    body += "#define M" + std::to_string(i) + " " + std::to_string(i) + " /* \"text " +
            std::to_string(i) + "\" */\n";
  std::string cat = Catalog(body);
  RkMsgFile* h = rkMsgFileOpen(cat.c_str(), nullptr, nullptr, nullptr, nullptr);
  for (int i = 1; i <= 80; ++i) rkMsgStatic(h, i);
  long reads = rkMsgReadCount();
  EXPECT_EQ(reads, 80);
  EXPECT_STREQ(rkMsgStatic(h, 1), "text 1");  // a hit: 1 becomes the most recent
  EXPECT_EQ(rkMsgReadCount(), reads);
  EXPECT_STREQ(rkMsgStatic(h, 81), "text 81");  // evicts 2, now the least recent
  EXPECT_EQ(rkMsgReadCount(), reads + 1);
  rkMsgStatic(h, 1);
  rkMsgStatic(h, 81);
  EXPECT_EQ(rkMsgReadCount(), reads + 1);
  EXPECT_STREQ(rkMsgStatic(h, 2), "text 2");
  EXPECT_EQ(rkMsgReadCount(), reads + 2);
  rkMsgFileClose(h);
}

TEST_F(RkMsg, OwnCatalogFailureUsesCompiledInText) {
  // Nowhere to find rklib.vmb.
  rkMsgSetFinder([](const char*, char*, std::size_t) { return RkMsgFind::kNotFound; });
  RkExCaught c{};
  ASSERT_EQ(rkExTry(RK_TAG_ALL, [] { rkMsgFile(); }, &c), RK_TAG_ENVIRONMENT);
  EXPECT_STREQ(rkErrString(c.error, 0),
               "rklib-E-1003: in call to routine rkMsgFileOpen(): "
               "RKLIB Error 1003: Can't open message file rklib.vmb!\n");
  rkErrFree(c.error);
  EXPECT_STREQ(rkMsgStatic(nullptr, 5), "*** internal message file error; message #5");
}

TEST_F(RkMsg, ShippedCatalogsOpenAsTheirUsersAsk) {
  RkMsgFile* tsn = rkMsgFileOpen("tsn", "tsn", "5.2", nullptr, nullptr);
  EXPECT_STREQ(rkMsgStatic(tsn, 501), "5.2");
  EXPECT_STREQ(rkMsgStatic(tsn, 516, 1, 2, 3, "a.dtb"),
               "Read 1 component, 2 pin and 3 net entries from back-annotation file a.dtb.");
  rkMsgFileClose(tsn);
  RkMsgFile* nodex = rkMsgFileOpen("nodex", "nodex", "5.2", "5.1.0", nullptr);
  rkMsgFileClose(nodex);
  EXPECT_NE(rkMsgFile(), nullptr);
}

TEST_F(RkMsg, ShippedLibraryTextsBeginWithASeverityLetter) {
  // Error building reads the severity from "[X] "; a text without it turns
  // every error of that number into error 1106.
  const std::regex number("^#define +[A-Z_0-9]+ +([0-9]+) ");
  const std::regex prefix("^\\[[ESIWFZD]\\] [^ ]");
  for (const char* name : {"rklib", "pxlib", "nodex"}) {
    SCOPED_TRACE(name);
    RkMsgFile* h = rkMsgFileOpen(name, name, nullptr, nullptr, nullptr);
    std::istringstream source(
        testutil::ReadFile(std::string(TSN_SOURCE_DIR) + "/catalogs/" + name + ".h"));
    for (std::string line; std::getline(source, line);) {
      std::smatch m;
      if (!std::regex_search(line, m, number)) continue;
      char* text = nullptr;
      rkMsgText(h, std::stoi(m[1].str()), rkMsgCopyAlloc, &text);
      EXPECT_TRUE(std::regex_search(text, prefix)) << m[1].str() << ": " << text;
      rkMemFree(text);
    }
    rkMsgFileClose(h);
  }
}

}  // namespace
