// util/rkreplace_test.cc - replacing a file through a temporary file.
#include "util/rkreplace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/testutil.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> v;
  for (const auto& e : fs::directory_iterator(dir)) v.push_back(e.path().filename());
  return v;
}

// With an unnamed and with a named temporary file: the previous file stays
// until the commit, which replaces it whole keeping its permissions; a
// discard leaves no trace, nor does a signal that ends the process.
TEST(RkReplace, PreviousFileStaysUntilTheCommit) {
  for (int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    rkReplaceTestMode(mode);
    testutil::ScopedTempDir dir;
    const std::string target = dir.path() + "/top.tsn";
    ASSERT_TRUE(testutil::WriteFile(target, "previous\n"));
    chmod(target.c_str(), 0640);
    RkReplace r;
    std::FILE* fp = rkReplaceOpen(&r, target.c_str());
    ASSERT_NE(fp, nullptr);
    std::fputs("new\n", fp);
    std::fflush(fp);
    EXPECT_EQ(testutil::ReadFile(target), "previous\n");
    EXPECT_TRUE(rkReplaceCommit(&r, fp));
    EXPECT_EQ(testutil::ReadFile(target), "new\n");
    struct stat st;
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    rkReplaceDiscard(&r, rkReplaceOpen(&r, target.c_str()));
    pid_t pid = fork();
    if (pid == 0) {
      std::FILE* half = rkReplaceOpen(&r, target.c_str());
      std::fputs("half", half);
      std::fflush(half);
      std::raise(mode == 0 ? SIGKILL : SIGTERM);
      _exit(2);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(testutil::ReadFile(target), "new\n");
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"top.tsn"});
  }
  rkReplaceTestMode(0);
}

// A symbolic link is written through and stays a link; a FIFO that
// nothing reads is refused at once instead of blocking.
TEST(RkReplace, LinksAreWrittenThroughAndFifosDoNotBlock) {
  testutil::ScopedTempDir dir;
  const std::string real = dir.path() + "/real.txt", link = dir.path() + "/top.tsn";
  ASSERT_TRUE(testutil::WriteFile(real, "previous\n"));
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  RkReplace r;
  std::FILE* fp = rkReplaceOpen(&r, link.c_str());
  ASSERT_NE(fp, nullptr);
  std::fputs("through\n", fp);
  EXPECT_TRUE(rkReplaceCommit(&r, fp));
  EXPECT_EQ(testutil::ReadFile(real), "through\n");
  EXPECT_TRUE(fs::is_symlink(link));

  const std::string fifo = dir.path() + "/fifo.tsn";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  int why = 0;
  EXPECT_EQ(rkReplaceOpen(&r, fifo.c_str(), &why), nullptr);
  EXPECT_EQ(why, ENXIO);
}

// Asked never to write in place, a replacement refuses every case that
// would: the target is untouched whatever happens before the commit.
TEST(RkReplace, NeverInPlaceRefusesWhatWouldBeWrittenInPlace) {
  testutil::ScopedTempDir dir;
  const std::string real = dir.path() + "/real.oat", link = dir.path() + "/top.oat";
  ASSERT_TRUE(testutil::WriteFile(real, "previous\n"));
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  RkReplace r;
  int why = 0;
  EXPECT_EQ(rkReplaceOpen(&r, link.c_str(), &why, RK_REPLACE_NEVER_IN_PLACE), nullptr);
  EXPECT_NE(why, 0);
  rkReplaceTestMode(2);
  EXPECT_EQ(rkReplaceOpen(&r, real.c_str(), &why, RK_REPLACE_NEVER_IN_PLACE), nullptr);
  rkReplaceTestMode(0);
  EXPECT_EQ(testutil::ReadFile(real), "previous\n");
  EXPECT_EQ(Entries(dir.path()).size(), 2u);
}

}  // namespace
