// tests/wlib_test.cc - the wirelist writer as a whole, through wlib and
// tsn run as child processes.
//
// Round trip, a property of every design the reader takes without error
// and the checker finds sound: rewriting it and rewriting the result again
// gives the same bytes, and its netlists (long, short, -t) stay the same.
// The only difference allowed is that warnings about the files as they
// were (an old format version, a bus given too few nets) may go, for the
// rewritten files give no cause for them; no warning may come.  The
// designs: the golden cases and the examples, small designs of the
// benchmark generators, and damaged golden designs from the mutation
// script (TSN_ROUNDTRIP_MUTANTS of them, 40 by default).  The generated
// and damaged designs need python3; without it those cases are skipped.
//
// Failure: a library directory nobody may write into leaves every file as
// it was.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/testutil.h"

namespace {

namespace fs = std::filesystem;
using testutil::ReadFile;
using testutil::RunProgram;

const fs::path kSource = TSN_SOURCE_DIR;

// Every wirelist sheet below dir ("lib/wir/top.1"), with its contents.
std::vector<std::pair<std::string, std::string>> Sheets(const fs::path& dir) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    std::string name = e.path().filename();
    if (e.is_regular_file() && e.path().parent_path().filename() == "wir" &&
        name.find_last_not_of("0123456789") == name.rfind('.'))
      out.emplace_back(fs::relative(e.path(), dir).string(), ReadFile(e.path().string()));
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The netlist's lines without the database's warnings, and the warnings.
void Split(const std::string& netlist, std::string* rest, std::vector<std::string>* warnings) {
  std::istringstream in(netlist);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("| nodex-W-", 0) == 0) {
      warnings->push_back(line);
    } else {
      rest->append(line).append("\n");
    }
  }
  std::sort(warnings->begin(), warnings->end());
}

class RoundTrip : public testing::Test {
 protected:
  // Runs a program of the build in the run folder.
  testutil::RunResult Run(const std::string& program, std::vector<std::string> args) {
    args.insert(args.begin(), program);
    return RunProgram(args, run_.string(), {"WDIR=" + run_.string()});
  }

  std::vector<std::string> Netlists(const std::string& design) {
    std::vector<std::string> out;
    for (const char* format : {"-h", "-s", "-t"}) {
      auto r = Run(TSN_BINARY, {design, format, "-e", "0", "-f", "rt"});
      std::string text = std::to_string(r.exit_code);
      text.append("\n").append(ReadFile((run_ / "rt.tsn").string()));
      out.push_back(text);
    }
    return out;
  }

  // Checks the property on a copy of the design folder; false when the
  // design is outside it (it loads with errors or fails the check).
  bool Holds(const fs::path& folder, const std::string& design) {
    SCOPED_TRACE(folder.string());
    fs::remove_all(run_);
    fs::copy(folder, run_, fs::copy_options::recursive);
    auto check = Run(WLIB_BINARY, {"check", design});
    if (check.exit_code != 0 || check.out.find("nodex-E-") != std::string::npos) return false;
    std::vector<std::string> before = Netlists(design);
    auto first = Run(WLIB_BINARY, {"rewrite", design});
    EXPECT_EQ(first.exit_code, 0) << first.out;
    auto written = Sheets(run_);
    auto second = Run(WLIB_BINARY, {"rewrite", design});
    EXPECT_EQ(second.exit_code, 0) << second.out;
    EXPECT_EQ(second.out.find("nodex-E-"), std::string::npos) << second.out;
    EXPECT_TRUE(Sheets(run_) == written) << "the second rewrite differs";
    std::vector<std::string> after = Netlists(design);
    for (std::size_t i = 0; i < before.size(); ++i) {
      SCOPED_TRACE("netlist " + std::to_string(i));
      std::string was, is;
      std::vector<std::string> old_warnings, new_warnings;
      Split(before[i], &was, &old_warnings);
      Split(after[i], &is, &new_warnings);
      EXPECT_EQ(is, was);
      EXPECT_TRUE(std::includes(old_warnings.begin(), old_warnings.end(), new_warnings.begin(),
                                new_warnings.end()))
          << "the rewrite brought new warnings";
    }
    return true;
  }

  // Runs a python script of the source tree; false when there is no python3.
  bool Python(std::vector<std::string> args) {
    args.insert(args.begin(), "/usr/bin/env");
    args.insert(args.begin() + 1, "python3");
    auto r = RunProgram(args, tmp_.path());
    EXPECT_NE(r.exit_code, 127 + 1) << r.err;
    return r.exit_code == 0;
  }

  testutil::ScopedTempDir tmp_;
  fs::path run_ = fs::path(tmp_.path()) / "run";
};

TEST_F(RoundTrip, GoldenDesignsAndExamples) {
  int held = 0;
  for (const char* root : {"tests/golden", "examples"}) {
    for (const auto& e : fs::directory_iterator(kSource / root)) {
      if (!fs::exists(e.path() / "args") || fs::exists(e.path() / "program")) continue;
      std::istringstream args(ReadFile((e.path() / "args").string()));
      std::string design;
      args >> design;
      if (Holds(e.path(), design)) ++held;
    }
  }
  // Only the cases made to show load errors are outside the property.
  EXPECT_GE(held, 15);
}

TEST_F(RoundTrip, GeneratedDesigns) {
  const std::vector<std::vector<std::string>> shapes = {
      {"bench/gen_design.py", "--depth", "2", "--fanout", "3", "--leaves", "4", "--sheets", "2"},
      {"bench/gen_design.py", "--depth", "3", "--fanout", "2", "--leaves", "3"},
      {"bench/gen_shape.py", "hier", "--k", "4"},
      {"bench/gen_shape.py", "flat", "--n", "60", "--sheets", "3"},
  };
  for (std::size_t i = 0; i < shapes.size(); ++i) {
    std::string name = "gen";
    name += std::to_string(i);
    fs::path out = fs::path(tmp_.path()) / name;
    std::vector<std::string> args = shapes[i];
    args[0] = (kSource / args[0]).string();
    args.insert(args.begin() + 1, {"--out", out.string()});
    if (!Python(args)) GTEST_SKIP() << "python3 is needed to generate designs";
    EXPECT_TRUE(Holds(out, "top")) << shapes[i][0];
  }
}

TEST_F(RoundTrip, MutatedDesignsThatLoadCleanly) {
  const char* env = std::getenv("TSN_ROUNDTRIP_MUTANTS");
  int count = env ? std::atoi(env) : 40;
  fs::path out = fs::path(tmp_.path()) / "mutants";
  if (!Python({(kSource / "tests/fuzz/mutate_designs.py").string(), "--emit", out.string(),
               "--runs", std::to_string(count), "--seed", "5"}))
    GTEST_SKIP() << "python3 is needed to damage designs";
  int held = 0;
  for (int i = 0; i < count; ++i) {
    std::string name = "m";
    name += std::to_string(i);
    fs::path m = out / name;
    std::istringstream args(ReadFile((m / "args").string()));
    std::string design;
    args >> design;
    if (Holds(m, design)) ++held;
  }
  RecordProperty("designs", held);
  EXPECT_GT(held, 0);
}

TEST(WlibFailure, AnUnwritableLibraryDirectoryLeavesEveryFileAsItWas) {
  testutil::ScopedTempDir tmp;
  fs::path run = fs::path(tmp.path()) / "adder";
  fs::copy(kSource / "examples/adder", run, fs::copy_options::recursive);
  fs::remove_all(run / "expected");
  fs::remove_all(run / "expected.short");
  // The run may be made as another user: it must reach the folder.
  fs::permissions(tmp.path(), fs::perms::all & ~fs::perms::group_write & ~fs::perms::others_write);
  fs::permissions(run / "lib/wir", fs::perms::owner_read | fs::perms::owner_exec |
                                       fs::perms::group_read | fs::perms::group_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
  auto before = Sheets(run);
  auto r =
      RunProgram({WLIB_BINARY, "rewrite", "adder"}, run.string(), {"WDIR=" + run.string()}, 0, true);
  fs::permissions(run / "lib/wir", fs::perms::owner_all, fs::perm_options::add);
  EXPECT_EQ(r.exit_code, 1) << r.out << r.err;
  EXPECT_NE(r.out.find("nodex-E-484"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("nodex-E-486"), std::string::npos);
  EXPECT_TRUE(Sheets(run) == before);
  std::size_t files = 0;
  for (const auto& e : fs::directory_iterator(run / "lib/wir")) files += e.is_regular_file();
  EXPECT_EQ(files, before.size());  // no saved copy, no temporary left
}

}  // namespace
