// util/rkerr_test.cc - text forms, building from catalogs, frames, reports,
// the error log and the ends of the program.
#include "util/rkerr.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "tests/testutil.h"
#include "util/rkmem.h"
#include "util/rkmsg.h"

namespace {

class RkErr : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override {
    if (captured_) std::fclose(captured_);
    Reset();
  }
  static void Reset() {
    rkMsgReset();
    rkErrReset();
  }
  // Sends the error stream to a file read back by Captured().
  void Capture() { rkErrSetStream(captured_ = std::fopen(Path("stream").c_str(), "w")); }
  std::string Captured() {
    std::fflush(captured_);
    return testutil::ReadFile(Path("stream"));
  }
  std::string Path(const char* name) { return dir_.path() + "/" + name; }

  testutil::ScopedCatalogFinder finder_;
  testutil::ScopedEnv logdir_{"RK_LOGDIR", nullptr};
  testutil::ScopedTempDir dir_;
  std::FILE* captured_ = nullptr;
};

TEST_F(RkErr, ShortAndLongForms) {
  struct Case {
    const char* name;
    RkError* e;
    const char *short_form, *long_form;
  };
  const Case cases[] = {
      {"number and location",
       rkErrCreate(rkErrLocationRoutine("rkMsgFileOpen"), "rklib", 1007, RK_WARNING, "T"),
       "rklib-W-1007: in call to routine rkMsgFileOpen(): T",
       "rklib: Warning 1007: in call to routine rkMsgFileOpen(): T"},
      {"number 0", rkErrCreate(nullptr, "app", 0, RK_NOTE, "text"), "app-I: text",
       "app: Note: text"},
      {"unknown severity", rkErrCreate(nullptr, "app", 3, 42, "x"), "app-E-3: x",
       "app: Error 3: x"},
      {"user formatted", rkErrCreate("loc", RK_USER_FORMATTED, 9, RK_ERROR, "as is"), "as is",
       "as is"},
      {"chain",
       rkErrAppend(rkErrCreate(nullptr, "a", 1, RK_INTERNAL, "first"),
                   rkErrCreate(rkErrLocationLine("f.wir", 12), "b", 0, RK_DISABLED, "second")),
       "a-Z-1: first\n+b-D: f.wir, line 12: second",
       "a: Internal Error 1: first\n+b: Disabled: f.wir, line 12: second"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_STREQ(rkErrString(c.e, 0), c.short_form);
    char* long_form = rkErrStringAlloc(c.e, 1);
    EXPECT_STREQ(long_form, c.long_form);
    rkMemFree(long_form);
    rkErrFree(c.e);
  }
}

TEST_F(RkErr, LocationBuilders) {
  EXPECT_STREQ(rkErrLocationMessage("f", 3, 7), "f, line 3, message 7");
  EXPECT_STREQ(rkErrLocationMessage("f", 0, 7), "f, message 7");
  EXPECT_STREQ(rkErrLocationMessage(nullptr, 3, 7), "line 3, message 7");
  EXPECT_STREQ(rkErrLocationMessage(nullptr, 0, 7), "message 7");
  EXPECT_STREQ(rkErrLocationLine("f", 3), "f, line 3");
  EXPECT_STREQ(rkErrLocationFile("f"), "f");
  EXPECT_EQ(rkErrLocationLine(nullptr, 3), nullptr);
  EXPECT_EQ(rkErrLocationRoutine(nullptr), nullptr);
  // One shared buffer, cut to its size.
  std::string big(600, 'x');
  EXPECT_EQ(std::string(rkErrLocationFile(big.c_str())).size(), 511u);
}

TEST_F(RkErr, BuildTakesSeverityFromTheTextOr1106) {
  std::string cat = testutil::CompileCatalog(dir_.path(), "t",
                                             "#define OK 7 /* \"[W] count %d\" */\n"
                                             "#define BAD 8 /* \"no prefix %d\" */\n");
  RkMsgFile* h = rkMsgFileOpen(cat.c_str(), nullptr, nullptr, nullptr, nullptr);

  RkError* e = rkErrBuild("here", h, 7, 3);
  EXPECT_STREQ(rkErrString(e, 0), ("" + cat + "-W-7: here: count 3").c_str());
  rkErrFree(e);

  e = rkErrBuild("here", h, 8, 4);
  EXPECT_STREQ(rkErrApp(e), "rklib");
  EXPECT_EQ(rkErrNum(e), 1106);
  EXPECT_EQ(rkErrSeverity(e), RK_ERROR);
  EXPECT_STREQ(rkErrLocation(e), "in call to routine rkErrBuildVa()");
  ASSERT_NE(e->next, nullptr);
  EXPECT_STREQ(rkErrText(e->next), "no prefix 4");
  EXPECT_EQ(rkErrNum(e->next), 8);
  rkErrFree(e);
  rkMsgFileClose(h);
}

TEST_F(RkErr, BrokenOwnMessageUsesTheFixedText) {
  // An rklib.vmb in the working directory is found before the shipped one;
  // its message 1101 lacks the prefix, and so does its 1106.
  testutil::CompileCatalog(dir_.path(), "rklib",
                           "#define A -1 /* \"rklib\" */\n#define R -2 /* \"5.0\" */\n"
                           "#define V -3 /* \"5.0.0\" */\n"
                           "#define P 1101 /* \"precondition %s %s\" */\n"
                           "#define N 1106 /* \"no severity either\" */\n");
  auto cwd = std::make_unique<testutil::ScopedCwd>(dir_.path());
  RkError* e = rkErrBuild(nullptr, rkMsgFile(), 1101, "f", "x");
  cwd.reset();
  EXPECT_EQ(rkErrNum(e), 1106);
  EXPECT_STREQ(rkErrText(e),
               "Problem building internal Error Handling message.  Perhaps someone should not have "
               "alterned the rklib message file.");
  ASSERT_NE(e->next, nullptr);
  EXPECT_STREQ(rkErrText(e->next), "precondition f x");
  rkErrFree(e);
}

TEST_F(RkErr, RaiseReachesTheFrameCatchingItsTag) {
  RkExCaught outer{};
  bool inner_body_went_on = false;
  int inner_tag = -1;
  auto inner_body = [&] {
    rkExThrow2(RK_TAG_ENVIRONMENT, nullptr, "app", 5, RK_ERROR, "disk %d", 1);
    inner_body_went_on = true;
  };
  auto outer_body = [&] { inner_tag = rkExTry(RK_TAG_MISUSE, inner_body, nullptr); };
  int tag = rkExTry(RK_TAG_ENVIRONMENT, outer_body, &outer);
  EXPECT_EQ(tag, RK_TAG_ENVIRONMENT);
  EXPECT_EQ(inner_tag, -1);  // the inner frame never returned
  EXPECT_FALSE(inner_body_went_on);
  EXPECT_STREQ(rkErrString(outer.error, 0), "app-E-5: disk 1");

  // The stack is back to empty: a later frame catches as usual, and the
  // error raised while the first one is held carries it as its cause.
  RkExCaught again{};
  EXPECT_EQ(rkExTry(RK_TAG_MISUSE, [] { rkEx_PreCond(0, "f", "x > 0"); }, &again), RK_TAG_MISUSE);
  EXPECT_EQ(rkErrNum(again.error), 1101);
  EXPECT_STREQ(rkErrString(again.error, 0),
               "rklib-E-1101: in call to routine f(): Precondition failed in f: x > 0.\n"
               "+app-E-5: disk 1");
  rkErrFree(again.error);
  rkErrFree(outer.error);
  EXPECT_EQ(rkExTry(RK_TAG_ALL, [] { rkEx_PostCond(1, "f", "ok"); }, nullptr), 0);
}

TEST_F(RkErr, UncaughtRaiseEndsWithStatus3) {
  auto raise_in_wrong_frame = [] {
    auto raise = [] { rkExThrow2(RK_TAG_ENVIRONMENT, "file.wir", "app", 5, RK_ERROR, "gone"); };
    rkExTry(RK_TAG_MISUSE, raise, nullptr);
  };
  EXPECT_EXIT(raise_in_wrong_frame(), ::testing::ExitedWithCode(3), "^app-E-5: file.wir: gone\n$");
  EXPECT_EXIT(rkErrFatal("out of %s", "memory"), ::testing::ExitedWithCode(3),
              "\n\\*\\*\\* Fatal error encountered \\*\\*\\*\nout of memory\n");
}

TEST_F(RkErr, ReportPrintsCountsAndChainsThePendingCause) {
  Capture();
  RkErrStream* s = rkErrStreamCreate();
  rkErrReport2(s, "app", RK_WARNING, "careful %d", 1);
  rkErrReport(rkErrCreate(nullptr, "app", 0, RK_DISABLED, "hidden"), s);
  EXPECT_EQ(rkErrStreamCount(s), 1);
  EXPECT_EQ(rkErrStreamBaddest(s), RK_WARNING);
  EXPECT_EQ(rkErrStreamExitCode(s), 0);

  RkExCaught c{};
  auto raise = [] { rkExThrow2(RK_TAG_ENVIRONMENT, nullptr, "low", 1, RK_ERROR, "cause"); };
  rkExTry(RK_TAG_ALL, raise, &c);
  rkErrReport(rkErrCreate(nullptr, "high", 2, RK_ERROR, "effect"), s);
  rkErrFree(c.error);
  EXPECT_EQ(rkErrStreamCount(s), 2);
  EXPECT_EQ(rkErrStreamBaddest(s), RK_ERROR);
  EXPECT_EQ(rkErrStreamExitCode(s), 3);
  EXPECT_STREQ(rkErrStreamSummary(s), "2 message(s)");
  EXPECT_EQ(Captured(), "app-W: careful 1\nhigh-E-2: effect\n+low-E-1: cause\n");
  rkErrStreamDestroy(s);
}

TEST_F(RkErr, ErrorLogReadsBackAsTheSameChains) {
  setenv("RK_LOGDIR", dir_.path().c_str(), 1);
  rkErrSetProgram("rkt");
  Capture();
  RkError* chain = rkErrAppend(
      rkErrCreate(rkErrLocationLine("a.wir", 3), "app", 7, RK_WARNING, "two: colons: here"),
      rkErrCreate(nullptr, "lib", 0, RK_NOTE, "because"));
  std::string first = rkErrString(chain, 1);
  rkErrReport(chain, nullptr);
  rkErrReport2(nullptr, "app", RK_STATUS, "status lines are not logged");
  rkErrReport2(nullptr, "app", RK_ERROR, "second");
  rkErrReset();  // closes the log

  std::string log = dir_.path() + "/rkt-" + std::to_string(getpid()) + ".err";
  ASSERT_TRUE(testutil::FileExists(log));
  ASSERT_TRUE(testutil::WriteFile(
      log, testutil::ReadFile(log) + "  : Error: looks like an error but is skipped\n"));
  RkErrStream* s = rkErrStreamCreate();
  EXPECT_EQ(rkErrReadErrorFile(log.c_str(), s), 2);
  ASSERT_EQ(rkErrStreamCount(s), 2);
  EXPECT_EQ(rkErrString(rkErrStreamError(s, 0), 1), first);
  EXPECT_STREQ(rkErrString(rkErrStreamError(s, 1), 1), "app: Error: second");
  EXPECT_EQ(rkErrSeverity(rkErrStreamError(s, 0)->next), RK_NOTE);
  rkErrStreamDestroy(s);

  RkExCaught c{};
  EXPECT_EQ(rkExTry(RK_TAG_ALL, [&] { rkErrReadErrorFile((log + ".none").c_str(), nullptr); }, &c),
            RK_TAG_ENVIRONMENT);
  EXPECT_EQ(rkErrNum(c.error), 1103);
  rkErrFree(c.error);
}

TEST_F(RkErr, ExitHandlersRunByOrderInMemoryDebugging) {
  // Handlers are kept only with RK_MEMDBG, read once per process: run the
  // test in a fresh child.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  setenv("RK_MEMDBG", "1", 1);
  auto run = [] {
    auto say = [](void* text) { std::fprintf(stderr, "%s\n", static_cast<const char*>(text)); };
    rkOnExitAdd(say, const_cast<char*>("late"));
    rkOnExitAdd(say, const_cast<char*>("early"));
    rkOnExitAdd(say, const_cast<char*>("removed"));
    rkOnExitSetOrder(say, const_cast<char*>("late"), 90);
    rkOnExitSetOrder(say, const_cast<char*>("early"), 10);
    rkOnExitRemove(say, const_cast<char*>("removed"));
    rkExit(4);
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(4), "^early\nlate\n");
  unsetenv("RK_MEMDBG");
  GTEST_FLAG_SET(death_test_style, "fast");
}

}  // namespace
