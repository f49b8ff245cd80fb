// tests/hostile_test.cc - whole runs of tsn on damaged and hostile design
// folders and under faults: files that are not what they claim to be,
// catalogs that lie about their formats, failing writes and allocations,
// runs killed half way or run twice at once.  Every run has a time limit,
// so a hang fails its test instead of stopping the suite.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/testutil.h"

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// A one-sheet design of two gates in a fresh folder, for a test to damage.
class Design {
 public:
  Design() {
    Write("drafta.ini", "DIR [p] lib\n");
    Write("lib/wir/top.1",
          "V 4.09\nDW TOP\nAS ND2 PINORDER=A B Y\nM ND2 $1I1\nI $1I1 ND2 A B N1\n"
          "M ND2 $1I2\nI $1I2 ND2 N1 B Y\nEW\n");
  }
  std::string Path(const std::string& rel) const { return tmp_.path() + "/" + rel; }
  void Write(const std::string& rel, const std::string& text) const {
    ASSERT_TRUE(testutil::WriteFile(Path(rel), text)) << rel;
  }
  // The sheet as a chain of n gates: runs long enough to be interrupted.
  void Flat(int n) const {
    std::string text = "V 4.09\nDW TOP\nAS ND2 PINORDER=A B Y\n";
    for (int i = 0; i < n; ++i) {
      std::string k = std::to_string(i), next = std::to_string(i + 1);
      text += "M ND2 U" + k + "\nI U" + k + " ND2 N" + k + " CLK N" + next + " DELAY=2\n";
    }
    Write("lib/wir/top.1", text + "EW\n");
  }
  // Replaces a file by a "fifo", a link to /dev/zero or a "dir".
  void Replace(const std::string& rel, const std::string& kind) const {
    fs::remove_all(Path(rel));
    int rc = kind == "fifo"   ? mkfifo(Path(rel).c_str(), 0600)
             : kind == "zero" ? symlink("/dev/zero", Path(rel).c_str())
                              : mkdir(Path(rel).c_str(), 0700);
    ASSERT_EQ(rc, 0);
  }
  // Replaces the folder by the design of tests/golden/<name>; its arguments.
  Strings LoadGolden(const std::string& name) const {
    for (const auto& e : fs::directory_iterator(tmp_.path())) fs::remove_all(e.path());
    Strings args;
    for (const auto& e : fs::directory_iterator(fs::path(TSN_SOURCE_DIR) / "tests/golden" / name)) {
      std::string file = e.path().filename();
      if (file == "args") {
        std::istringstream in(testutil::ReadFile(e.path().string()));
        for (std::string a; std::getline(in, a);) args.push_back(a);
      } else if (file.rfind("args", 0) != 0 && file.rfind("expected", 0) != 0) {
        fs::copy(e.path(), Path(file), fs::copy_options::recursive);
      }
    }
    return args;
  }
  testutil::RunResult Run(Strings args, const Strings& env = {}) const {
    args.insert(args.begin(), TSN_BINARY);
    Strings all = env;
    all.push_back("WDIR=" + tmp_.path());  // no search leaves the folder
    return testutil::RunProgram(args, tmp_.path(), all, 60000);
  }
  // Starts tsn with its output thrown away; its process id.
  pid_t Start(const Strings& args) const {
    pid_t pid = fork();
    if (pid == 0) {
      int null = open("/dev/null", O_RDWR);
      for (int fd : {0, 1, 2}) dup2(null, fd);
      if (chdir(tmp_.path().c_str()) != 0) _exit(127);
      std::vector<char*> argv = {const_cast<char*>(TSN_BINARY)};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    return pid;
  }
  std::string Shown(const testutil::RunResult& r) const { return Mask(r.out + r.err); }
  std::string Mask(std::string text) const {
    for (std::size_t p; (p = text.find(tmp_.path())) != std::string::npos;)
      text.replace(p, tmp_.path().size(), "$DIR");
    return text;
  }
  std::string Netlist() const { return testutil::ReadFile(Path("top.tsn")); }
  std::string Log() const { return testutil::ReadFile(Path("top.rkg")); }
  // What the folder holds beside the design: hidden files too.
  Strings Outputs() const {
    Strings out;
    for (const auto& e : fs::directory_iterator(tmp_.path())) {
      std::string name = e.path().filename();
      if (name != "drafta.ini" && name != "lib") out.push_back(name);
    }
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  testutil::ScopedTempDir tmp_;
};

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t p = 0; (p = text.find(what, p)) != std::string::npos; p += what.size()) ++n;
  return n;
}

// --- what the program reads --------------------------------------------------------

// A FIFO blocks its open, /dev/zero never ends, a directory reads as empty:
// none is read, and one that exists is not reported as missing.
TEST(HostileFiles, NonRegularInputsAreRefusedWithoutHanging) {
  const char* kNotRegular =
      "The initialization file drafta.ini cannot be read: not a regular file.";
  const char* kFine = "0 error(s) and 0 warning(s)";
  const struct {
    const char *file, *kind;
    int exit_code;
    const char* says;
  } cases[] = {
      {"drafta.ini", "fifo", 3, kNotRegular},
      {"drafta.ini", "zero", 3, kNotRegular},
      {"drafta.ini", "dir", 3,
       "The initialization file drafta.ini cannot be read: Is a directory."},
      {"top.var", "fifo", 0, kFine},
      {"top.var", "zero", 0, kFine},
      {"top.var", "dir", 0, kFine},
      {"lib/wir/top.1", "dir", 3,
       "The wirelist file $DIR/lib/wir/top.1 cannot be read: Is a directory."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.kind);
    Design d;
    d.Replace(c.file, c.kind);
    auto r = d.Run({"top"});
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_code, c.exit_code);
    EXPECT_NE(d.Shown(r).find(c.says), std::string::npos) << d.Shown(r);
    EXPECT_EQ(d.Shown(r).find("was not found"), std::string::npos);
    EXPECT_EQ(d.Netlist().find("Using variable definition file"), std::string::npos);
  }
}

// A catalog in the folder is found first but not trusted: a text that would
// write through %n gives way to the program's own; an empty file is not a
// catalog.  An output name too long to make is still named.
TEST(HostileFiles, CatalogsAreCheckedAndMessagesNameTheFile) {
  Design d;
  std::string source = testutil::ReadFile(std::string(TSN_SOURCE_DIR) + "/catalogs/tsn.h");
  const std::string text504 = "\"Long-format netlist of design %s.\"";
  ASSERT_NE(source.find(text504), std::string::npos);
  source.replace(source.find(text504), text504.size(), "\"%s%n\"");
  ASSERT_FALSE(testutil::CompileCatalog(d.Path(""), "tsn", source).empty());
  auto r = d.Run({"top", "-e", "0"});
  EXPECT_EQ(r.exit_code, 0) << d.Shown(r);
  EXPECT_NE(d.Mask(r.err).find("rklib-W-1024: $DIR/tsn.vmb: Message 504 "), std::string::npos);
  EXPECT_NE(d.Netlist().find("| Long-format netlist of design TOP.\n"), std::string::npos);

  d.Write("tsn.vmb", "");
  r = d.Run({"top", "-e", "0"});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_NE(d.Shown(r).find("$DIR/tsn.vmb is not a message catalog"), std::string::npos);

  fs::remove(d.Path("tsn.vmb"));
  const std::string base(252, 'a');
  r = d.Run({"top", "-f", base});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_NE(r.out.find("Cannot create the file " + base.substr(0, 100) + "..." +
                       base.substr(0, 96) + ".tsn.\n"),
            std::string::npos)
      << r.out;
}

// --- the netlist and the log are never left cut or mixed ---------------------------

// A write that fails (a file size limit here, at each flush of the netlist's
// buffer in turn) shows the two lines once and before any summary, and
// leaves the previous netlist and log as they were.
TEST(HostileFaults, WriteFailureAtEveryFlushKeepsThePreviousFiles) {
  Design d;
  d.Flat(14000);  // some 650 KB of netlist: two buffer flushes and the last one
  ASSERT_EQ(d.Run({"top", "-e", "0"}).exit_code, 0);
  const std::size_t size = d.Netlist().size();
  ASSERT_GT(size, 600u * 1024);
  d.Write("top.tsn", "previous netlist\n");
  d.Write("top.rkg", "previous log\n");
  for (std::size_t limit = 0; limit < size; limit += 256 * 1024) {
    SCOPED_TRACE(limit);
    // In 512-byte blocks: 0 fails the first write of all (the log too).
    std::string cmd = "ulimit -f " + std::to_string(limit ? limit / 512 + 2 : 0) + " && exec " +
                      TSN_BINARY + " top -e 0";
    auto r =
        testutil::RunProgram({"/bin/sh", "-c", cmd}, d.Path(""), {"WDIR=" + d.Path("")}, 60000);
    EXPECT_EQ(r.exit_code, 3);
    EXPECT_EQ(Count(r.out, "Error: Out of disk space.\n       Aborting wirelist ...\n"), 1)
        << r.out;
    EXPECT_EQ(r.out.find("Completed file"), std::string::npos);
    EXPECT_EQ(d.Netlist(), "previous netlist\n");
    EXPECT_EQ(d.Log(), "previous log\n");
    EXPECT_EQ(d.Outputs(), (Strings{"top.rkg", "top.tsn"}));
  }
  // Through a link to a full device: the error before any summary; a log
  // holding only its header is not left behind, one with messages is.
  Design full;
  ASSERT_EQ(symlink("/dev/full", full.Path("top.tsn").c_str()), 0);
  auto r = full.Run({"top", "-e", "0"});
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_EQ(Count(r.out, "Error: Out of disk space.\n"), 1) << r.out;
  EXPECT_EQ(r.out.find("Completed file"), std::string::npos);
  EXPECT_EQ(full.Outputs(), Strings{"top.tsn"});
  full.Write("tsn.ini", "SPAWN\n");  // an incomplete directive: a warning in the log
  EXPECT_EQ(full.Run({"top", "-e", "0"}).exit_code, 3);
  EXPECT_NE(full.Log().find("Incomplete SPAWN directive"), std::string::npos);
}

// Killed at any moment, a run leaves the previous netlist or the complete
// new one, never a cut one, and nothing a later run would trip over; two
// runs at once leave the whole netlist of one of them.
TEST(HostileFaults, KilledAndConcurrentRunsLeaveWholeNetlists) {
  Design d;
  d.Flat(20000);
  ASSERT_EQ(d.Run({"top", "-e", "0", "-s"}).exit_code, 0);
  const std::string shortform = d.Netlist();
  ASSERT_EQ(d.Run({"top", "-e", "0", "-t"}).exit_code, 0);
  const std::string fault = d.Netlist();
  for (int delay_ms : {5, 20, 50, 100, 200, 400}) {
    SCOPED_TRACE(delay_ms);
    d.Write("top.tsn", "previous netlist\n");
    pid_t pid = d.Start({"top", "-e", "0", "-t"});
    usleep(static_cast<useconds_t>(delay_ms) * 1000);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    std::string now = d.Netlist();
    EXPECT_TRUE(now == "previous netlist\n" || now == fault) << now.substr(0, 200);
    EXPECT_EQ(d.Outputs(), Strings{"top.tsn"});
  }
  for (int round = 0; round < 3; ++round) {
    pid_t a = d.Start({"top", "-e", "0", "-t"}), b = d.Start({"top", "-e", "0", "-s"});
    int sa = 0, sb = 0;
    waitpid(a, &sa, 0);
    waitpid(b, &sb, 0);
    EXPECT_TRUE(WIFEXITED(sa) && WEXITSTATUS(sa) == 0 && WIFEXITED(sb) && WEXITSTATUS(sb) == 0);
    std::string now = d.Netlist();
    EXPECT_TRUE(now == fault || now == shortform) << Count(now, "\nWD\n") << " end records";
    EXPECT_EQ(d.Outputs(), Strings{"top.tsn"});
  }
}

// Wherever it falls in a whole run of a design, a failed allocation ends
// the run as out of memory ends it: the message, exit code 3, an empty log
// deleted, no temporary file left.  A failure with a fallback (a memory
// region) lets the run complete as usual.
TEST(HostileFaults, EveryAllocationFailureEndsTheRunInOrder) {
  Design d;
  const Strings args = d.LoadGolden("replay");
  auto count = d.Run(args, {"TSN_ALLOC_FAIL=0"});
  ASSERT_EQ(count.exit_code, 0) << count.err;
  const std::string complete = d.Netlist();
  std::size_t at = count.err.find("allocations: ");
  ASSERT_NE(at, std::string::npos) << count.err;
  const long total = std::strtol(count.err.c_str() + at + 13, nullptr, 10);
  ASSERT_GT(total, 1000);
  // Each of the first allocations (start-up, catalogs, files), a spread
  // over the rest of the run, and the last one.
  std::vector<long> ns;
  for (long n = 1; n <= 200; ++n) ns.push_back(n);
  for (long n = 201; n < total; n += (total - 200) / 200 + 1) ns.push_back(n);
  ns.push_back(total);
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
    }
    Strings out = d.Outputs();
    std::erase(out, "top.tsn");
    ASSERT_EQ(out, (Strings{"top.var", "tsn.ini"}));
  }
}

// Cleaning an occurrence-attribute file replaces it whole or not at all:
// whichever allocation fails, and in a directory the run may not write,
// the file is either as it was or as the cleaning makes it, and no
// temporary file is left beside it.
TEST(HostileFaults, CleaningNeverLosesTheOccurrenceAttributeFile) {
  Design d;
  const Strings args = d.LoadGolden("oat_clean");
  const std::string oat = d.Path("lib/sch/top.oat");
  const std::string original = testutil::ReadFile(oat);
  const std::string cleaned = testutil::ReadFile(std::string(TSN_SOURCE_DIR) +
                                                 "/tests/golden/oat_clean/expected/lib/sch/top.oat");
  ASSERT_NE(original, cleaned);
  auto temps = [&] {
    Strings v;
    for (const auto& e : fs::recursive_directory_iterator(d.Path("")))
      if (e.path().filename().string().rfind(".tsn-", 0) == 0) v.push_back(e.path());
    return v;
  };

  // A directory the run may not write, though the file itself may be.
  fs::permissions(d.Path(""), fs::perms::all);
  fs::permissions(oat, fs::perms::all & ~fs::perms::owner_exec & ~fs::perms::group_exec &
                           ~fs::perms::others_exec);
  fs::permissions(d.Path("lib/sch"), fs::perms::owner_read | fs::perms::owner_exec |
                                         fs::perms::group_read | fs::perms::group_exec |
                                         fs::perms::others_read | fs::perms::others_exec);
  Strings argv = {TSN_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  auto r = testutil::RunProgram(argv, d.Path(""), {"WDIR=" + d.Path("")}, 60000, true);
  fs::permissions(d.Path("lib/sch"), fs::perms::owner_all, fs::perm_options::add);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("(result -3)"), std::string::npos) << r.out;
  EXPECT_TRUE(testutil::ReadFile(oat) == original);
  EXPECT_EQ(temps(), Strings{});

  // Every allocation around the reading and the rewrite fails in turn.
  // The file is cleaned from the first allocation after the rewrite on
  // (found by halving), and the reading comes just before it.
  auto run = [&](long n) {
    testutil::WriteFile(oat, original);
    auto f = d.Run(args, {"TSN_ALLOC_FAIL=" + std::to_string(n)});
    EXPECT_FALSE(f.timed_out);
    EXPECT_TRUE(f.exit_code == 0 || f.exit_code == 3) << f.err;
    const std::string now = testutil::ReadFile(oat);
    EXPECT_TRUE(now == original || now == cleaned) << n;
    EXPECT_EQ(temps(), Strings{}) << n;
    return now == cleaned;
  };
  auto count = d.Run(args, {"TSN_ALLOC_FAIL=0"});
  ASSERT_EQ(count.exit_code, 0) << count.err;
  std::size_t at = count.err.find("allocations: ");
  ASSERT_NE(at, std::string::npos) << count.err;
  long lo = 1, hi = std::strtol(count.err.c_str() + at + 13, nullptr, 10);
  ASSERT_TRUE(run(hi));
  while (lo < hi) {
    const long mid = lo + (hi - lo) / 2;
    if (run(mid)) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  for (long n = std::max(1L, hi - 300); n <= hi + 20; ++n) run(n);
}

}  // namespace
