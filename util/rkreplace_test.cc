// util/rkreplace_test.cc - replacing a file through a temporary file.
#include "util/rkreplace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/testutil.h"

namespace {

namespace fs = std::filesystem;

class RkReplaceTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { rkReplaceTestMode(GetParam()); }
  void TearDown() override { rkReplaceTestMode(0); }

  std::string Path(const char* name) const { return dir_.path() + "/" + name; }
  std::vector<std::string> Entries() const {
    std::vector<std::string> v;
    for (const auto& e : fs::directory_iterator(dir_.path())) v.push_back(e.path().filename());
    std::sort(v.begin(), v.end());
    return v;
  }

  testutil::ScopedTempDir dir_;
};

// Until the commit the previous file stays as it was; the commit replaces
// it whole and keeps its permissions; a discard leaves no trace.
TEST_P(RkReplaceTest, PreviousFileStaysUntilTheCommit) {
  const std::string target = Path("top.tsn");
  ASSERT_TRUE(testutil::WriteFile(target, "previous\n"));
  chmod(target.c_str(), 0640);

  RkReplace r;
  std::FILE* fp = rkReplaceOpen(&r, target.c_str());
  ASSERT_NE(fp, nullptr);
  std::fputs("new\n", fp);
  std::fflush(fp);
  // In place (mode 2) the file is written as a plain open would write it.
  EXPECT_EQ(testutil::ReadFile(target), GetParam() == 2 ? "new\n" : "previous\n");
  EXPECT_TRUE(rkReplaceCommit(&r, fp));
  EXPECT_EQ(testutil::ReadFile(target), "new\n");
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  fp = rkReplaceOpen(&r, target.c_str());
  ASSERT_NE(fp, nullptr);
  std::fputs("thrown away\n", fp);
  rkReplaceDiscard(&r, fp);
  EXPECT_EQ(testutil::ReadFile(target), GetParam() == 2 ? "thrown away\n" : "new\n");
  EXPECT_EQ(Entries(), std::vector<std::string>{"top.tsn"});
}

std::string ModeName(const ::testing::TestParamInfo<int>& info) {
  static const char* const kNames[] = {"Unnamed", "Named", "InPlace"};
  return kNames[info.param];
}
INSTANTIATE_TEST_SUITE_P(Modes, RkReplaceTest, ::testing::Values(0, 1, 2), ModeName);

// A signal that ends the process while the file is being written leaves
// the previous file and no temporary file, unnamed or named.
TEST(RkReplace, TerminationSignalLeavesNoTemporaryFile) {
  for (int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    testutil::ScopedTempDir dir;
    const std::string target = dir.path() + "/top.tsn";
    ASSERT_TRUE(testutil::WriteFile(target, "previous\n"));
    pid_t pid = fork();
    if (pid == 0) {
      rkReplaceTestMode(mode);
      RkReplace r;
      std::FILE* fp = rkReplaceOpen(&r, target.c_str());
      if (!fp) _exit(1);
      std::fputs("half", fp);
      std::fflush(fp);
      std::raise(mode == 0 ? SIGKILL : SIGTERM);
      _exit(2);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(testutil::ReadFile(target), "previous\n");
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) names.push_back(e.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"top.tsn"});
  }
}

// A symbolic link is written through, so the file it points at changes
// and the link stays; a FIFO nobody reads is refused at once.
TEST(RkReplace, LinksAreWrittenThroughAndFifosDoNotBlock) {
  testutil::ScopedTempDir dir;
  const std::string real = dir.path() + "/real.txt", link = dir.path() + "/top.tsn";
  ASSERT_TRUE(testutil::WriteFile(real, "previous\n"));
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  RkReplace r;
  std::FILE* fp = rkReplaceOpen(&r, link.c_str());
  ASSERT_NE(fp, nullptr);
  EXPECT_TRUE(r.direct);
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

}  // namespace
