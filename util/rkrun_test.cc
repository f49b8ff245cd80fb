// util/rkrun_test.cc - building and running external commands.
#include "util/rkrun.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/testutil.h"

namespace {

TEST(RkRun, NamesHandedToProgramsAreChecked) {
  const std::pair<const char*, bool> cases[] = {
      {"TOP", true},  {"top_2.a-b", true}, {"$1I1", true},  {"a-", true},    {"-RF", false},
      {"-", false},   {"", false},         {"a b", false},  {"a;rm", false}, {"a'b", false},
      {"a/b", false}, {"`x`", false},      {"a\nb", false}, {"ä", false},
  };
  for (const auto& [name, safe] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(rkRunSafeName(name), safe);
  }
  EXPECT_FALSE(rkRunSafeName(nullptr));
}

TEST(RkRun, CommandTextQuotesWhatTheShellWouldChange) {
  RkCommand cmd;
  rkRunProgram(&cmd, "/opt/my tools/check.exe");
  rkRunText(&cmd, "-s");
  EXPECT_TRUE(rkRunName(&cmd, nullptr, "TOP.1"));
  EXPECT_TRUE(rkRunName(&cmd, "-j", "$1I1"));
  EXPECT_EQ(cmd.text, "'/opt/my tools/check.exe' -s TOP.1 '-j$1I1'");

  RkCommand plx;
  rkRunText(&plx, "plxconv");
  EXPECT_TRUE(rkRunName(&plx, "-n", "PALMOD"));
  EXPECT_FALSE(rkRunName(&plx, "-d", "-RF"));
  EXPECT_FALSE(rkRunName(&plx, "-j", "x;y"));
  EXPECT_TRUE(plx.refused);
  EXPECT_EQ(plx.refused_name, "-RF");  // the first one refused
  EXPECT_EQ(plx.text, "plxconv -nPALMOD");
  EXPECT_EQ(rkRunCommand(plx), -1);  // a refused command never runs

  // A limit counts the text as the shell gets it, quotes included.
  RkCommand limited;
  limited.limit = 9;
  rkRunText(&limited, "true");
  EXPECT_TRUE(rkRunName(&limited, nullptr, "$a"));  // true '$a'
  EXPECT_FALSE(rkRunTooLong(limited));
  EXPECT_EQ(rkRunCommand(limited), 0);
  rkRunText(&limited, "x");
  EXPECT_TRUE(rkRunTooLong(limited));
  EXPECT_EQ(rkRunCommand(limited), -1);
}

TEST(RkRun, RunsAndReportsTheStatus) {
  testutil::ScopedTempDir dir;
  const std::string mark = dir.path() + "/ran";
  const std::pair<std::string, int> cases[] = {
      {"touch " + mark, 0},
      {"exit 3", 3},
      {"kill -TERM $$", 128 + 15},
      {"/nonexistent/program", 127},
  };
  for (const auto& [text, status] : cases) {
    SCOPED_TRACE(text);
    RkCommand cmd;
    rkRunText(&cmd, text.c_str());
    EXPECT_EQ(rkRunCommand(cmd), status);
  }
  EXPECT_TRUE(testutil::FileExists(mark));
  EXPECT_EQ(rkRunCommand(RkCommand{}), -1);
}

}  // namespace
