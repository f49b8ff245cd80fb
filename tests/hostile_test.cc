// tests/hostile_test.cc - whole runs of tsn on damaged and hostile design
// folders: files that are not what they claim to be, names that would
// reach a shell, catalogs that lie about their formats.  Each run has a
// time limit, so a hang fails its test instead of stopping the suite.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/hostile.h"
#include "tests/testutil.h"

namespace {

namespace fs = std::filesystem;
using hostile::Design;

// Every file the program reads must be a regular file: a FIFO blocks its
// open, /dev/zero never ends, and a directory would read as empty.
TEST(HostileFiles, NonRegularInputsAreRefusedWithoutHanging) {
  struct Case {
    const char* file;  // replaced in the design folder
    const char* kind;  // "fifo", "zero" or "dir"
    int exit_code;
    const char* says;  // expected in the output
  } cases[] = {
      {"drafta.ini", "fifo", 3, "The initialization file drafta.ini cannot be read: not a regular file."},
      {"drafta.ini", "zero", 3, "The initialization file drafta.ini cannot be read: not a regular file."},
      {"drafta.ini", "dir", 3, "The initialization file drafta.ini cannot be read: Is a directory."},
      {"top.var", "fifo", 0, "0 error(s) and 0 warning(s)"},
      {"top.var", "zero", 0, "0 error(s) and 0 warning(s)"},
      {"top.var", "dir", 0, "0 error(s) and 0 warning(s)"},
      {"lib/wir/top.1", "dir", 3, "The wirelist file $DIR/lib/wir/top.1 cannot be read: Is a directory."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.kind);
    Design d;
    d.Replace(c.file, c.kind);
    auto r = d.Run({"top"});
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_code, c.exit_code);
    EXPECT_NE(d.Shown(r).find(c.says), std::string::npos) << d.Shown(r);
    EXPECT_EQ(d.Shown(r).find("was not found"), std::string::npos);  // not reported missing
    EXPECT_EQ(d.Netlist().find("Using variable definition file top.var"), std::string::npos);
  }
}

// --- the netlist and the log are never left cut or mixed ---------------------

// The files a folder has beside its design.
std::vector<std::string> Outputs(const Design& d) {
  std::vector<std::string> out;
  for (const std::string& e : d.Entries())
    if (e != "drafta.ini" && e != "lib") out.push_back(e);
  return out;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t p = 0; (p = text.find(what, p)) != std::string::npos; p += what.size()) ++n;
  return n;
}

// A write that fails (here a file size limit, at each flush of the
// netlist's buffer in turn) ends the run with the two lines shown once and
// before any summary, and leaves the previous netlist and log as they were.
TEST(HostileFaults, WriteFailureAtEveryFlushKeepsThePreviousFiles) {
  Design d;
  d.Flat(14000);  // a netlist of some 650 KB: two buffer flushes and the last one
  ASSERT_EQ(d.Run({"top", "-e", "0"}).exit_code, 0);
  const std::size_t size = d.Netlist().size();
  ASSERT_GT(size, 600u * 1024);
  d.Write("top.tsn", "previous netlist\n");
  d.Write("top.rkg", "previous log\n");
  for (std::size_t limit = 0; limit < size; limit += 256 * 1024) {
    SCOPED_TRACE(limit);
    std::string cmd = "ulimit -f " + std::to_string((limit + 1024) / 512) + " && exec " +
                      TSN_BINARY + " top -e 0";
    auto r = testutil::RunProgram({"/bin/sh", "-c", cmd}, d.dir(), {"WDIR=" + d.dir()}, 60000);
    EXPECT_EQ(r.exit_code, 3);
    EXPECT_EQ(Count(r.out, "Error: Out of disk space.\n       Aborting wirelist ...\n"), 1) << r.out;
    EXPECT_EQ(r.out.find("Completed file"), std::string::npos);
    EXPECT_EQ(d.Netlist(), "previous netlist\n");
    EXPECT_EQ(d.Log(), "previous log\n");
    EXPECT_EQ(Outputs(d), (std::vector<std::string>{"top.rkg", "top.tsn"}));
  }
}

// A netlist that goes through a symbolic link to a full device: the error
// comes before any summary, and the empty log is not left behind.
TEST(HostileFaults, FullDiskThroughALinkLeavesNoEmptyLog) {
  Design d;
  ASSERT_EQ(symlink("/dev/full", d.Path("top.tsn").c_str()), 0);
  auto r = d.Run({"top", "-e", "0"});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_EQ(Count(r.out, "Error: Out of disk space.\n"), 1) << r.out;
  EXPECT_EQ(r.out.find("Completed file"), std::string::npos);
  EXPECT_EQ(Outputs(d), std::vector<std::string>{"top.tsn"});
}

// A run killed at any moment leaves the previous netlist or the complete
// new one, never a cut one, and no file a later run would trip over.
TEST(HostileFaults, KilledRunLeavesThePreviousNetlist) {
  Design d;
  d.Flat(20000);
  ASSERT_EQ(d.Run({"top", "-e", "0"}).exit_code, 0);
  const std::string complete = d.Netlist();
  for (int delay : {5, 20, 50, 100, 200, 400}) {
    SCOPED_TRACE(delay);
    d.Write("top.tsn", "previous netlist\n");
    d.KillAfter({"top", "-e", "0"}, delay);
    std::string now = d.Netlist();
    EXPECT_TRUE(now == "previous netlist\n" || now == complete) << now.substr(0, 200);
    std::vector<std::string> out = Outputs(d);
    EXPECT_TRUE(out == std::vector<std::string>{"top.tsn"}) << testing::PrintToString(out);
  }
  EXPECT_EQ(d.Run({"top", "-e", "0"}).exit_code, 0);
  EXPECT_EQ(d.Netlist(), complete);
}

// Two runs in one directory: the netlist is the whole output of one of them.
TEST(HostileFaults, TwoRunsAtOnceLeaveOneWholeNetlist) {
  Design d;
  d.Flat(5000);
  ASSERT_EQ(d.Run({"top", "-e", "0", "-t"}).exit_code, 0);
  const std::string fault = d.Netlist();
  ASSERT_EQ(d.Run({"top", "-e", "0", "-s"}).exit_code, 0);
  const std::string shortform = d.Netlist();
  for (int round = 0; round < 3; ++round) {
    int a = d.Start({"top", "-e", "0", "-t"});
    int b = d.Start({"top", "-e", "0", "-s"});
    int sa = 0, sb = 0;
    waitpid(a, &sa, 0);
    waitpid(b, &sb, 0);
    EXPECT_TRUE(WIFEXITED(sa) && WEXITSTATUS(sa) == 0 && WIFEXITED(sb) && WEXITSTATUS(sb) == 0);
    std::string now = d.Netlist();
    EXPECT_TRUE(now == fault || now == shortform) << Count(now, "\nWD\n") << " end records";
    EXPECT_EQ(Outputs(d), std::vector<std::string>{"top.tsn"});
  }
}

// Messages name what they are about: an output name too long to make,
// an empty catalog.
TEST(HostileFiles, MessagesNameTheFile) {
  Design d;
  const std::string base(252, 'a');
  auto r = d.Run({"top", "-f", base});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_NE(r.out.find("Cannot create the file " + base.substr(0, 100) + "..." + base.substr(0, 96) +
                       ".tsn.\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(Outputs(d), std::vector<std::string>{});
}

// Every allocation that fails, wherever it falls in a whole run of a
// design, ends the run as out of memory ends it: the message, exit code 3,
// both streams closed (an empty log deleted, no temporary file left).  A
// failure the program can do without (a memory region it falls back from)
// lets the run complete as usual.
TEST(HostileFaults, EveryAllocationFailureEndsTheRunInOrder) {
  Design d;
  const std::vector<std::string> args = d.LoadGolden("replay");
  auto count = d.Run(args, {"TSN_ALLOC_FAIL=0"});
  ASSERT_EQ(count.exit_code, 0) << count.err;
  const std::string complete = d.Netlist();
  std::size_t at = count.err.find("allocations: ");
  ASSERT_NE(at, std::string::npos) << count.err;
  const long total = std::strtol(count.err.c_str() + at + 13, nullptr, 10);
  ASSERT_GT(total, 1000);
  // Every one of the first allocations (start-up, catalogs, files), then
  // a spread across the rest of the run, and the last one.
  std::vector<long> ns;
  for (long n = 1; n <= 200; ++n) ns.push_back(n);
  for (long n = 201; n < total; n += (total - 200) / 200 + 1) ns.push_back(n);
  ns.push_back(total);
  std::vector<std::string> inputs = d.Entries();
  std::erase(inputs, "top.tsn");
  for (long n : ns) {
    SCOPED_TRACE(n);
    fs::remove(d.Path("top.tsn"));
    auto r = d.Run(args, {"TSN_ALLOC_FAIL=" + std::to_string(n)});
    ASSERT_FALSE(r.timed_out);
    if (r.exit_code == 0) {
      EXPECT_EQ(d.Netlist(), complete);
    } else {
      ASSERT_EQ(r.exit_code, 3) << r.err;
      EXPECT_EQ(Count(r.err, "Out of memory. Quitting ..\n"), 1) << r.err;
      EXPECT_FALSE(fs::exists(d.Path("top.rkg")));
    }
    std::vector<std::string> now = d.Entries();
    std::erase(now, "top.tsn");
    ASSERT_EQ(now, inputs);
  }
}

// A catalog in the design folder is found first, but its formats are not
// trusted: a text that would write through %n is replaced by the
// program's own, and an empty file is called what it is.
TEST(HostileFiles, CatalogsInTheFolderAreCheckedBeforeUse) {
  Design d;
  std::string source = testutil::ReadFile(std::string(TSN_SOURCE_DIR) + "/catalogs/tsn.h");
  const std::string text504 = "\"Long-format netlist of design %s.\"";
  ASSERT_NE(source.find(text504), std::string::npos);
  source.replace(source.find(text504), text504.size(), "\"%s%n\"");
  ASSERT_FALSE(testutil::CompileCatalog(d.dir(), "tsn", source).empty());
  auto r = d.Run({"top", "-e", "0"});
  EXPECT_EQ(r.exit_code, 0) << d.Shown(r);
  EXPECT_NE(r.err.find("rklib-W-1024: " + d.dir() + "/tsn.vmb: Message 504 "), std::string::npos)
      << r.err;
  EXPECT_NE(d.Netlist().find("| Long-format netlist of design TOP.\n"), std::string::npos);

  d.Write("tsn.vmb", "");
  r = d.Run({"top", "-e", "0"});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_NE(d.Shown(r).find("$DIR/tsn.vmb is not a message catalog"), std::string::npos)
      << d.Shown(r);
}

}  // namespace
