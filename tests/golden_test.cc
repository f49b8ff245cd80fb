// tests/golden_test.cc - end-to-end runs of the programs over small design
// folders.
//
// Each folder tests/golden/<case>/ (and each examples/<design>/) holds a
// design (drafta.ini, library folders, optional tsn.ini and .var files),
// an `args` file with one argument per line, an optional `env` file of
// NAME=value lines, an optional `program` file naming the program to run
// ("wlib"; tsn without it), and `expected/` with every file the run leaves
// behind plus `stdout`, `stderr` and `exit_code`.  Further runs of the
// same folder have their own `args.<variant>` and `expected.<variant>/`.
// Instead of `args`, a `steps` file runs several programs one after the
// other in the same folder, one line each ("tsn top -f before", "wlib
// edit top edit.scr", "diff before.tsn after.tsn"); their outputs follow
// each other, each after a "$ <step>" line, and `exit_code` has one line
// per step.
// The case is copied to a fresh directory, the program runs there as a
// child process (it ends through exit, so each run starts with fresh
// global state), and everything is compared byte for byte: the exit code,
// both output streams, and the files the run created or changed with
// their contents (so a log that should have been deleted fails the case).
// The only filter: the run directory's absolute path is replaced by "$DIR"
// wherever it appears.
//
// Every case runs three times against the same expected files: on the
// folder as it is; on a copy whose input files all end their lines in
// "\r\n" (made here, not kept in the tree), since design files saved on a
// system with those line ends read the same; and with TSN_NO_SHORTCUTS=1,
// where every writer takes its general path, so that a shortcut that
// changes a byte fails the first or the third.
//
// A case that runs programs has `standins/`: each file there is written,
// executable, into a directory of its own outside the design folder and
// put first on PATH, so that tsn finds it by name as it would the real
// program, while nothing in the design folder is ever run.  Stand-ins
// record what they were given in files of the run directory, which are
// compared like every other file the run leaves.
//
// The input files of a run share one modification time (copied one after
// the other, a wirelist could look older than its sources); the files a
// case lists in `older`, one relative path a line, are an hour older.
//
// TSN_GOLDEN_UPDATE=1 writes the actual results of the first run into
// expected/ instead of comparing; review every regenerated file line by
// line.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/testutil.h"

namespace fs = std::filesystem;

namespace {

const fs::path kSource = fs::path(TSN_SOURCE_DIR);

// A case: a folder relative to the source tree, the variant of its run
// ("" for args/expected, "x" for args.x/expected.x), whether its input
// files are given "\r\n" line ends, and whether the writers may take
// their shortcuts.
struct Case {
  std::string folder;
  std::string variant;
  bool crlf = false;
  bool shortcuts = true;
};

// Test names carry the case; this keeps the parameter readable too.
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.folder << (c.variant.empty() ? "" : " " + c.variant) << (c.crlf ? " crlf" : "")
      << (c.shortcuts ? "" : " without shortcuts");
}

std::vector<Case> Cases() {
  std::vector<Case> cases;
  for (const char* root : {"tests/golden", "examples"}) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(kSource / root, ec)) {
      if (!e.is_directory()) continue;
      for (const auto& f : fs::directory_iterator(e.path(), ec)) {
        std::string name = f.path().filename();
        if (name == "args" || name == "steps")
          cases.push_back({fs::relative(e.path(), kSource), ""});
        if (name.rfind("args.", 0) == 0)
          cases.push_back({fs::relative(e.path(), kSource), name.substr(5)});
      }
    }
  }
  std::sort(cases.begin(), cases.end(), [](const Case& a, const Case& b) {
    return a.folder != b.folder ? a.folder < b.folder : a.variant < b.variant;
  });
  // A wlib case runs once: a rewrite keeps byte copies of the files it
  // replaces, which a copy with other line ends would change as well.
  const std::size_t n = cases.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (fs::exists(kSource / cases[i].folder / "program") ||
        fs::exists(kSource / cases[i].folder / "steps"))
      continue;
    cases.push_back(cases[i]);
    cases.back().crlf = true;
  }
  // wlib answers to the switch too: the database's indexes are shortcuts.
  for (std::size_t i = 0; i < n; ++i) {
    cases.push_back(cases[i]);
    cases.back().shortcuts = false;
  }
  return cases;
}

// Rewrites every input file below root with "\r\n" line ends, keeping its
// modification time (the out-of-date checks compare them).
void ToCrlf(const fs::path& root) {
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file() || e.is_symlink()) continue;
    const std::string text = testutil::ReadFile(e.path().string());
    if (text.find('\r') != std::string::npos) continue;  // a case about carriage returns
    const auto time = fs::last_write_time(e.path());
    ASSERT_TRUE(testutil::WriteFile(e.path().string(), testutil::Crlf(text))) << e.path();
    fs::last_write_time(e.path(), time);
  }
}

std::vector<std::string> Lines(const fs::path& file) {
  std::vector<std::string> lines;
  std::istringstream in(testutil::ReadFile(file.string()));
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

std::string Mask(std::string text, const std::string& dir) {
  for (std::size_t p = 0; (p = text.find(dir, p)) != std::string::npos;)
    text.replace(p, dir.size(), "$DIR");
  return text;
}

// The first line where the two texts differ, for the failure message.
std::string FirstDifference(const std::string& want, const std::string& got) {
  std::istringstream a(want), b(got);
  std::string la, lb;
  for (int n = 1;; ++n) {
    bool ha = static_cast<bool>(std::getline(a, la));
    bool hb = static_cast<bool>(std::getline(b, lb));
    if (!ha && !hb) return "(differ only in the final line end)";
    if (la != lb || ha != hb)
      return "line " + std::to_string(n) + ":\n  expected: " + (ha ? la : "<end>") +
             "\n  actual:   " + (hb ? lb : "<end>");
  }
}

std::set<std::string> RelativeFiles(const fs::path& root) {
  std::set<std::string> files;
  std::error_code ec;
  for (const auto& e : fs::recursive_directory_iterator(root, ec))
    if (e.is_regular_file() || e.is_symlink())
      files.insert(fs::relative(e.path(), root).generic_string());
  return files;
}

class Golden : public ::testing::TestWithParam<Case> {};

bool IsCaseFile(const std::string& name) {
  return name == "args" || name == "env" || name == "program" || name == "standins" ||
         name == "older" || name == "steps" || name.rfind("args.", 0) == 0 ||
         name.rfind("expected", 0) == 0;
}

// Writes the case's stand-in programs into bin, executable; the PATH
// entry that finds them first, or nothing when the case has none.
std::vector<std::string> StandIns(const fs::path& source, const fs::path& bin) {
  if (!fs::is_directory(source / "standins")) return {};
  fs::create_directories(bin);
  for (const auto& e : fs::directory_iterator(source / "standins")) {
    const fs::path to = bin / e.path().filename();
    fs::copy_file(e.path(), to);
    fs::permissions(to, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
  }
  const char* path = std::getenv("PATH");
  return {"PATH=" + bin.string() + ":" + (path ? path : "/usr/bin:/bin")};
}

// Gives every input file one time, and those listed in `older` an hour
// less.
void SetTimes(const fs::path& source, const fs::path& run,
              const std::map<std::string, std::string>& inputs) {
  const auto now = fs::file_time_type::clock::now();
  for (const auto& [f, text] : inputs) fs::last_write_time(run / f, now);
  if (!fs::exists(source / "older")) return;
  for (const auto& f : Lines(source / "older"))
    fs::last_write_time(run / f, now - std::chrono::hours(1));
}

std::string ProgramNamed(const std::string& name) {
  if (name == "tsn") return TSN_BINARY;
  if (name == "wlib") return WLIB_BINARY;
  if (name == "diff") return "/usr/bin/diff";
  return "";
}

std::string Program(const fs::path& source) {
  if (!fs::exists(source / "program")) return TSN_BINARY;
  std::vector<std::string> name = Lines(source / "program");
  return name.empty() ? "" : ProgramNamed(name[0]);
}

// The runs of a case: one (program and args), or one per line of steps.
std::vector<std::vector<std::string>> Runs(const fs::path& source, const std::string& suffix) {
  std::vector<std::vector<std::string>> runs;
  if (!fs::exists(source / "steps")) {
    std::vector<std::string> argv = {Program(source)};
    for (const auto& a : Lines(source / ("args" + suffix))) argv.push_back(a);
    runs.push_back(argv);
    return runs;
  }
  for (const auto& line : Lines(source / "steps")) {
    std::istringstream words(line);
    std::vector<std::string> argv;
    for (std::string w; words >> w;) argv.push_back(argv.empty() ? ProgramNamed(w) : w);
    runs.push_back(argv);
  }
  return runs;
}

TEST_P(Golden, MatchesExpectedOutput) {
  const Case& c = GetParam();
  const fs::path source = kSource / c.folder;
  const std::string suffix = c.variant.empty() ? "" : "." + c.variant;
  testutil::ScopedTempDir tmp;
  const fs::path run = fs::path(tmp.path()) / "run";
  fs::create_directories(run);
  for (const auto& e : fs::directory_iterator(source)) {
    std::string name = e.path().filename();
    // Outputs of a run by hand in the example folder are not inputs.
    if (IsCaseFile(name) || name.ends_with(".tsn") || name.ends_with(".rkg"))
      continue;
    fs::copy(e.path(), run / name, fs::copy_options::recursive);
  }
  if (c.crlf) ToCrlf(run);
  // Copies made a moment apart would otherwise make a wirelist look older
  // than its symbol whenever a second passes between them, and the run
  // would try to regenerate it: every input gets one time.
  const auto now = fs::file_time_type::clock::now();
  for (const auto& e : fs::recursive_directory_iterator(run))
    if (e.is_regular_file()) fs::last_write_time(e.path(), now);
  std::map<std::string, std::string> inputs;
  for (const auto& f : RelativeFiles(run)) inputs[f] = testutil::ReadFile((run / f).string());
  SetTimes(source, run, inputs);

  std::vector<std::string> env;
  if (fs::exists(source / "env")) env = Lines(source / "env");
  // Searches must not wander outside the case folder.
  env.push_back("WDIR=" + run.string());
  env.push_back(c.shortcuts ? "TSN_NO_SHORTCUTS=0" : "TSN_NO_SHORTCUTS=1");
  for (const auto& e : StandIns(source, fs::path(tmp.path()) / "bin")) env.push_back(e);
  const bool steps = fs::exists(source / "steps");
  std::string out, err, codes;
  std::vector<std::string> lines = steps ? Lines(source / "steps") : std::vector<std::string>{};
  std::vector<std::vector<std::string>> runs = Runs(source, suffix);
  for (std::size_t i = 0; i < runs.size(); ++i) {
    ASSERT_FALSE(runs[i].empty() || runs[i][0].empty()) << "unknown program in " << c.folder;
    auto r = testutil::RunProgram(runs[i], run.string(), env);
    if (steps) {
      out += "$ " + lines[i] + "\n";
      err += "$ " + lines[i] + "\n";
    }
    out += r.out;
    err += r.err;
    codes += std::to_string(r.exit_code) + "\n";
  }

  const std::string dir = run.string();
  std::map<std::string, std::string> actual = {
      {"stdout", Mask(out, dir)},
      {"stderr", Mask(err, dir)},
      {"exit_code", codes},
  };
  for (const auto& f : RelativeFiles(run)) {
    std::string text = testutil::ReadFile((run / f).string());
    auto in = inputs.find(f);
    if (in == inputs.end() || in->second != text) actual[f] = Mask(text, dir);
  }

  const fs::path expected_dir = source / ("expected" + suffix);
  const char* u = std::getenv("TSN_GOLDEN_UPDATE");
  if (u && std::string(u) == "1" && !c.crlf && c.shortcuts) {
    fs::remove_all(expected_dir);
    for (const auto& [name, text] : actual) testutil::WriteFile((expected_dir / name).string(), text);
    GTEST_SKIP() << "expected output rewritten";
  }
  std::set<std::string> expected_names = RelativeFiles(expected_dir);
  for (const auto& name : expected_names) {
    SCOPED_TRACE(name);
    auto it = actual.find(name);
    if (it == actual.end()) {
      ADD_FAILURE() << "the run did not produce " << name;
      continue;
    }
    std::string want = testutil::ReadFile((expected_dir / name).string());
    EXPECT_TRUE(want == it->second) << name << " differs at " << FirstDifference(want, it->second);
  }
  for (const auto& [name, text] : actual)
    EXPECT_TRUE(expected_names.count(name)) << "the run also produced " << name;
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           std::string n = info.param.folder;
                           if (!info.param.variant.empty()) n += "_" + info.param.variant;
                           if (info.param.crlf) n += "_crlf";
                           if (!info.param.shortcuts) n += "_general";
                           for (char& c : n)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Golden);

}  // namespace
