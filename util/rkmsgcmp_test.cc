// util/rkmsgcmp_test.cc - the compiler's diagnostics and command line.
// (Reading compiled catalogs back is tested in rkmsg_test.cc.)
#include "util/rkmsgcmp.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/testutil.h"

namespace {

TEST(RkMsgCmp, BadSourcesNameFileAndLineAndLeaveNoOutput) {
  struct Case {
    const char* source;
    const char* diag;  // after "<file>:"
  };
  const Case cases[] = {
      {"#define A 5 /* \"a\" */\n#define B 5 /* \"b\" */\n",
       "2: number 5 is already defined on line 1"},
      {"#define A -1 /* \"x\" */\n\n#define B -1 /* \"y\" */\n",
       "3: number -1 is already defined on line 1"},
      {"#define A 1 /* \"bad \\q escape\" */\n", "1: unknown escape \\q in the message text"},
      {"#define A 1 /* \"nul \\0 inside\" */\n",
       "1: the escape \\0 would end the message text early"},
      {"#define A 1 /* \"open\n", "1: the message text has no closing quote"},
      {"#define V -3 /* \"5.1\" */\n", "1: the catalog version \"5.1\" is not MAJOR.MINOR.PATCH"},
      {"#define A 99999999999 /* \"big\" */\n", "1: message number 99999999999 is too large"},
  };
  testutil::ScopedTempDir dir;
  std::string src = dir.path() + "/c.h";
  std::string out = dir.path() + "/c.vmb";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    ASSERT_TRUE(testutil::WriteFile(src, c.source));
    char diag[256];
    EXPECT_EQ(rkMsgCompile(src.c_str(), out.c_str(), diag, sizeof diag), 1);
    EXPECT_EQ(std::string(diag), src + ":" + c.diag);
    EXPECT_FALSE(testutil::FileExists(out));
  }
  char diag[256];
  EXPECT_EQ(rkMsgCompile((src + ".none").c_str(), out.c_str(), diag, sizeof diag), 1);
  EXPECT_EQ(std::string(diag).rfind(src + ".none: cannot open for reading", 0), 0u);
}

TEST(RkMsgCmp, CommandLineExitsWith0Or1) {
  std::string exe = TSN_BINARY;
  exe = exe.substr(0, exe.rfind('/') + 1) + "rkmsgcmp";
  testutil::ScopedTempDir dir;
  ASSERT_TRUE(testutil::WriteFile(dir.path() + "/ok.h", "#define A 1 /* \"a\" */\n"));
  ASSERT_TRUE(testutil::WriteFile(dir.path() + "/bad.h", "#define A 1 /* \"a\n"));

  auto r = testutil::RunProgram({exe, "ok.h", "ok.vmb"}, dir.path());
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_TRUE(testutil::FileExists(dir.path() + "/ok.vmb"));
  r = testutil::RunProgram({exe, "bad.h", "bad.vmb"}, dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "rkmsgcmp: bad.h:1: the message text has no closing quote\n");
  r = testutil::RunProgram({exe, "ok.h"}, dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err.rfind("usage: rkmsgcmp <source.h> <output.vmb>\n", 0), 0u);
}

// The built-in table holds each text as a C++ literal that reads back to
// the same bytes: quotes, backslashes and control characters escaped.
TEST(RkMsgCmp, TableHoldsTheTextsAsLiterals) {
  std::string exe = TSN_BINARY;
  exe = exe.substr(0, exe.rfind('/') + 1) + "rkmsgcmp";
  testutil::ScopedTempDir dir;
  ASSERT_TRUE(testutil::WriteFile(dir.path() + "/demo.h",
                                  "#define A 1 /* \"a\\\"b\\\\c\\n\\0011\" */\n"
                                  "#define B 7 /* \"%s\" */\n"));
  auto r = testutil::RunProgram({exe, "--table", "t.cc", "demo=demo.h"}, dir.path());
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::string table = testutil::ReadFile(dir.path() + "/t.cc");
  EXPECT_NE(table.find("{1, \"a\\\"b\\\\c\\012\\0011\"},\n    {7, \"%s\"},"), std::string::npos)
      << table;
  EXPECT_NE(table.find("{\"demo\", kTexts0, 2},"), std::string::npos) << table;
  r = testutil::RunProgram({exe, "--table", "t.cc", "demo.h"}, dir.path());
  EXPECT_EQ(r.exit_code, 1);
}

}  // namespace
