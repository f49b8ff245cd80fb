// tests/hostile.cc - see hostile.h.
#include "tests/hostile.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <filesystem>

namespace hostile {

namespace fs = std::filesystem;

Design::Design() {
  Write("drafta.ini", "DIR [p] lib\n");
  Write("lib/wir/top.1",
        "V 4.09\nDW TOP\nAS ND2 PINORDER=A B Y\nM ND2 $1I1\nI $1I1 ND2 A B N1\n"
        "M ND2 $1I2\nI $1I2 ND2 N1 B Y\nEW\n");
}

void Design::Write(const std::string& rel, const std::string& text) const {
  ASSERT_TRUE(testutil::WriteFile(Path(rel), text)) << rel;
}

void Design::Replace(const std::string& rel, const std::string& kind) const {
  std::error_code ec;
  fs::remove_all(Path(rel), ec);
  fs::create_directories(fs::path(Path(rel)).parent_path(), ec);
  int rc = kind == "fifo"   ? mkfifo(Path(rel).c_str(), 0600)
           : kind == "zero" ? symlink("/dev/zero", Path(rel).c_str())
           : kind == "dir"  ? mkdir(Path(rel).c_str(), 0700)
                            : -1;
  ASSERT_EQ(rc, 0) << rel << " as " << kind;
}

testutil::RunResult Design::Run(const std::vector<std::string>& args, std::vector<std::string> env,
                                int timeout_ms) const {
  std::vector<std::string> argv = {TSN_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  env.push_back("WDIR=" + dir());
  return testutil::RunProgram(argv, dir(), env, timeout_ms);
}

std::string Design::Shown(const testutil::RunResult& r) const {
  std::string text = r.out + r.err;
  for (std::size_t p = 0; (p = text.find(dir(), p)) != std::string::npos;)
    text.replace(p, dir().size(), "$DIR");
  return text;
}

std::string Design::Netlist(const std::string& base) const {
  return testutil::ReadFile(Path(base + ".tsn"));
}

std::string Design::Log(const std::string& base) const {
  return testutil::ReadFile(Path(base + ".rkg"));
}

void Design::Flat(int n) const {
  std::string text = "V 4.09\nDW TOP\nAS ND2 PINORDER=A B Y\n";
  for (int i = 0; i < n; ++i) {
    std::string k = std::to_string(i);
    text += "M ND2 U" + k + "\nI U" + k + " ND2 N" + k + " CLK N" + std::to_string(i + 1) +
            " DELAY=2\n";
  }
  Write("lib/wir/top.1", text + "EW\n");
}

int Design::Start(const std::vector<std::string>& args) const {
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_RDWR);
    for (int fd : {0, 1, 2}) dup2(null, fd);
    if (chdir(dir().c_str()) != 0) _exit(127);
    std::string wdir = "WDIR=" + dir();
    putenv(wdir.data());
    std::vector<char*> argv = {const_cast<char*>(TSN_BINARY)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

int Design::KillAfter(const std::vector<std::string>& args, int delay_ms) const {
  pid_t pid = Start(args);
  usleep(static_cast<useconds_t>(delay_ms) * 1000);
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

std::vector<std::string> Design::LoadGolden(const std::string& name) const {
  for (const auto& e : fs::directory_iterator(dir())) fs::remove_all(e.path());
  const fs::path source = fs::path(TSN_SOURCE_DIR) / "tests/golden" / name;
  std::vector<std::string> args;
  for (const auto& e : fs::directory_iterator(source)) {
    std::string file = e.path().filename();
    if (file == "args") {
      std::string text = testutil::ReadFile(e.path().string());
      for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        if (end > at) args.push_back(text.substr(at, end - at));
      }
    } else if (file.rfind("args", 0) != 0 && file.rfind("expected", 0) != 0 && file != "env") {
      fs::copy(e.path(), fs::path(dir()) / file, fs::copy_options::recursive);
    }
  }
  return args;
}

std::vector<std::string> Design::Entries() const {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir())) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace hostile
