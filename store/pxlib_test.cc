// store/pxlib_test.cc - path splitting and joining, the WDIR list and the
// search rule.
#include "store/pxlib.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "catalogs/rklib.h"
#include "tests/testutil.h"
#include "util/rkerr.h"
#include "util/rkmsg.h"

namespace {

// Restores the environment variables, the working directory and the path
// state after a test.
class PxEnv : public ::testing::Test {
 protected:
  void SetUp() override { pxReset(); }
  void TearDown() override {
    if (chdir(cwd_.c_str()) != 0) ADD_FAILURE() << "cannot restore cwd";
    pxReset();
  }

  testutil::ScopedEnv wdir_{"WDIR", std::getenv("WDIR")}, home_{"HOME", std::getenv("HOME")};
  std::string cwd_ = std::filesystem::current_path().string();
  testutil::ScopedTempDir tmp_;
};

TEST(PxParse, SplitsDirectoryNameAndExtension) {
  struct Case {
    const char *path, *dir, *name, *ext;
  } cases[] = {
      {"dir/top.1", "dir/", "top", "1"},     {"a.b.c", "", "a.b", "c"},
      {"lib/.cshrc", "lib/", ".cshrc", ""},  {"/x/y/..", "/x/y/", "..", ""},
      {".", "", ".", ""},                    {"noext", "", "noext", ""},
      {"d/trailing.", "d/", "trailing", ""}, {"DIR/Top.1", "DIR/", "Top", "1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    char node[256] = "junk", dir[256], name[256], ext[256];
    ASSERT_EQ(pxParse(c.path, node, dir, name, ext), PX_OK);
    EXPECT_STREQ(node, "");
    EXPECT_STREQ(dir, c.dir);
    EXPECT_STREQ(name, c.name);
    EXPECT_STREQ(ext, c.ext);
  }
}

TEST(PxParse, RefusesLongAndNullPaths) {
  std::string p255(255, 'a'), p256(256, 'a');
  char name[256];
  EXPECT_EQ(pxParse(p255.c_str(), nullptr, nullptr, name, nullptr), PX_OK);
  EXPECT_EQ(pxParse(p256.c_str(), nullptr, nullptr, name, nullptr), PX_TOO_LONG);
  EXPECT_EQ(pxParse(nullptr, nullptr, nullptr, name, nullptr), PX_INVALID);
}

TEST(PxMerge, JoinsTrimmedParts) {
  char r[256];
  ASSERT_EQ(pxMerge(r, "", "d", "n", ""), PX_OK);
  EXPECT_STREQ(r, "d/n");
  ASSERT_EQ(pxMerge(r, "", " d/ ", " top ", " tsn "), PX_OK);
  EXPECT_STREQ(r, "d/top.tsn");
  ASSERT_EQ(pxMerge(r, "", "", "top", "rkg"), PX_OK);
  EXPECT_STREQ(r, "top.rkg");
  std::string name(252, 'n');
  strcpy(r, "unchanged");
  EXPECT_EQ(pxMerge(r, "", "", name.c_str(), "tsn"), PX_TOO_LONG);  // 256 characters
  EXPECT_STREQ(r, "unchanged");
}

TEST(PxDnpath, AppendsSubdirectoryWithSlash) {
  char d[256] = "/a";
  ASSERT_EQ(pxDnpath(d, "532"), PX_OK);
  EXPECT_STREQ(d, "/a/532/");
  ASSERT_EQ(pxDnpath(d, ""), PX_OK);
  EXPECT_STREQ(d, "/a/532/");
  char rel[256] = "";
  ASSERT_EQ(pxDnpath(rel, "532"), PX_OK);
  EXPECT_STREQ(rel, "532/");
  char l[256] = {};
  std::memset(l, 'x', 250);
  EXPECT_EQ(pxDnpath(l, "abcdef"), PX_TOO_LONG);
}

TEST(PxConvPath, CollapsesSeparatorPairs) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"a//b", "a/b"}, {"a\\b", "a/b"}, {"a\\\\b", "a/b"}, {"a/\\b", "a/b"},
      {"a\\/b", "a/b"}, {"a///b", "a/b"}, {"//x", "/x"},   {"plain", "plain"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    char r[256];
    ASSERT_EQ(pxConvPath(c.in, r), PX_OK);
    EXPECT_STREQ(r, c.out);
  }
}

TEST_F(PxEnv, AbsPathResolvesDotsTildeAndRelativePaths) {
  ASSERT_EQ(pxSetdef(tmp_.path().c_str()), PX_OK);
  auto abs = [](const char* path) {
    char r[256] = "";
    EXPECT_EQ(pxAbsPath2(path, r), PX_OK) << path;
    return std::string(r);
  };
  EXPECT_EQ(abs("x/./y/../z"), std::filesystem::current_path().string().append("/x/z"));
  EXPECT_EQ(abs("/a/b/../../.."), "/");
  EXPECT_EQ(abs("/a/b/."), "/a/b/.");
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(abs("~/lib"), "/home/someone/lib");
  setenv("HOME", "", 1);
  char r[256];
  EXPECT_EQ(pxAbsPath2("~/lib", r), PX_NOT_FOUND);
}

std::vector<std::string> SearchDirs() {
  std::vector<std::string> dirs;
  pxWdirLoopSrchdirs2(
      [](const char* d, void* u) {
        static_cast<std::vector<std::string>*>(u)->push_back(d);
        return 1;
      },
      &dirs);
  return dirs;
}

TEST_F(PxEnv, WdirListPutsVersionSubdirectoryFirst) {
  setenv("WDIR", "/a:/b", 1);
  auto dirs = SearchDirs();
  ASSERT_EQ(dirs.size(), 6u);  // the first is the current directory's version subdirectory
  dirs.erase(dirs.begin());
  EXPECT_EQ(dirs, (std::vector<std::string>{".", "/a/532/", "/a", "/b/532/", "/b"}));

  const std::vector<std::string> plain = {".", "/a", "/b"};
  pxWdirSetVersionMode(PX_PLAIN_ONLY);
  EXPECT_EQ(SearchDirs(), plain);
  pxWdirSetVersionMode(PX_VERSION_AND_PLAIN);
  pxWdirSetCompatibleVersion("");
  EXPECT_EQ(SearchDirs(), plain);
}

TEST_F(PxEnv, SearchTriesPlaceThenWdirInOrder) {
  const std::string root = tmp_.path();
  ASSERT_TRUE(testutil::WriteFile(root + "/w1/532/both.ini", "v1"));
  ASSERT_TRUE(testutil::WriteFile(root + "/w1/both.ini", "p1"));
  ASSERT_TRUE(testutil::WriteFile(root + "/w2/only2.ini", "p2"));
  ASSERT_TRUE(testutil::WriteFile(root + "/w2/both.ini", "p2"));
  ASSERT_TRUE(testutil::WriteFile(root + "/cwd/local.ini", "here"));
  ASSERT_EQ(pxSetdef((root + "/cwd").c_str()), PX_OK);
  setenv("WDIR", (root + "/w1 " + root + "/w2").c_str(), 1);

  char r[256] = "";
  auto found = [&r](const char* name) {
    EXPECT_EQ(pxGetini(name, r), PX_OK) << name;
    EXPECT_EQ(r[0], '/') << name;
    return testutil::ReadFile(r);
  };
  EXPECT_EQ(found("both.ini"), "v1");  // version subdirectory of the first entry
  EXPECT_EQ(found("only2.ini"), "p2");
  EXPECT_EQ(found("local.ini"), "here");
  EXPECT_EQ(pxSrchwdirs("local.ini", PX_REGULAR, r), PX_NOT_FOUND);

  // An absolute directory is tried in place only, never in WDIR.
  EXPECT_EQ(pxGetini("/nonexistent/both.ini", r), PX_NOT_FOUND);
  EXPECT_STREQ(r, "/nonexistent/both.ini");
  // A directory is not a regular file.
  ASSERT_EQ(mkdir((root + "/cwd/sub.ini").c_str(), 0755), 0);
  EXPECT_EQ(pxGetini("sub.ini", r), PX_NOT_FOUND);
  EXPECT_EQ(pxSrchdirs("sub.ini", PX_DIRECTORY, r), PX_OK);
}

// The catalogs of the utility library are support files like any other
// once the store is asked to find them.
TEST_F(PxEnv, CatalogsAreFoundByTheSearchRule) {
  const std::string root = tmp_.path();
  ASSERT_FALSE(testutil::CompileCatalog(root + "/w", "cat", "#define M 1 /* \"found\" */\n").empty());
  setenv("WDIR", (root + "/w").c_str(), 1);
  ASSERT_EQ(pxSetdef(root.c_str()), PX_OK);
  RkMsgFinder before = rkMsgSetFinder(nullptr);
  pxFindCatalogs();
  RkMsgFile* h = rkMsgFileOpen("cat", nullptr, nullptr, nullptr, nullptr);
  EXPECT_STREQ(rkMsgStatic(h, 1), "found");
  rkMsgFileClose(h);
  auto raised = [](const std::string& name) {
    RkExCaught c{};
    rkExTry(RK_TAG_ALL, [&] { rkMsgFileOpen(name.c_str(), nullptr, nullptr, nullptr, nullptr); },
            &c);
    int n = c.error ? rkErrNum(c.error) : 0;
    rkErrFree(c.error);
    return n;
  };
  EXPECT_EQ(raised("missing"), RKLIB_MSG_NOT_FOUND);
  // A file name holds 255 characters, ".vmb" included.
  EXPECT_EQ(raised(std::string(251, 'n')), RKLIB_MSG_NOT_FOUND);
  EXPECT_EQ(raised(std::string(252, 'n')), RKLIB_MSG_BAD_NAME);
  rkMsgReset();  // the library's own catalog, opened to report
  rkMsgSetFinder(before);
}

TEST_F(PxEnv, FileTimeOrdersModifications) {
  std::string a = tmp_.path() + "/a", b = tmp_.path() + "/b";
  ASSERT_TRUE(testutil::WriteFile(a, "a"));
  ASSERT_TRUE(testutil::WriteFile(b, "b"));
  struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, a.c_str(), times, 0), 0);
  times[1].tv_sec += 3600;
  ASSERT_EQ(utimensat(AT_FDCWD, b.c_str(), times, 0), 0);
  EXPECT_EQ(pxFtime(b.c_str()) - pxFtime(a.c_str()), 3600);
  EXPECT_EQ(pxFtime((tmp_.path() + "/missing").c_str()), 0);
  EXPECT_EQ(pxFGMtime(a.c_str()), 1000000000);
}

TEST_F(PxEnv, RenameAndTrnlogStatuses) {
  std::string a = tmp_.path() + "/a";
  ASSERT_TRUE(testutil::WriteFile(a, "x"));
  EXPECT_EQ(pxRename(a.c_str(), (tmp_.path() + "/b").c_str()), PX_OK);
  EXPECT_EQ(pxRename(a.c_str(), (tmp_.path() + "/c").c_str()), PX_NOT_FOUND);
  char buf[2048];
  testutil::ScopedEnv unset("TSN_TEST_UNSET", nullptr);
  EXPECT_EQ(pxTrnlog("TSN_TEST_UNSET", buf), PX_NOT_FOUND);
  testutil::ScopedEnv big("TSN_TEST_BIG", std::string(3000, 'v').c_str());
  EXPECT_EQ(pxTrnlog("TSN_TEST_BIG", buf), PX_OK);
  EXPECT_EQ(std::string(buf).size(), 2047u);
}

TEST_F(PxEnv, ParseExRaisesInsteadOfReturningAStatus) {
  char dir[px::kMaxPath], name[px::kMaxPath], ext[px::kMaxPath];
  std::string path = "lib/a.b";
  auto parse = [&] { pxParseEx(path.c_str(), nullptr, dir, name, ext); };
  EXPECT_EQ(rkExTry(RK_TAG_ALL, parse, nullptr), 0);
  EXPECT_STREQ(name, "a");
  RkExCaught c{};
  path.assign(300, 'p');
  EXPECT_EQ(rkExTry(RK_TAG_ALL, parse, &c), RK_TAG_ENVIRONMENT);
  EXPECT_STREQ(rkErrApp(c.error), "pxlib");
  EXPECT_EQ(rkErrNum(c.error), 1041);
  EXPECT_NE(std::string(rkErrText(c.error)).find("status 2"), std::string::npos);
  rkErrFree(c.error);
}

}  // namespace
