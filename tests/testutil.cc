// tests/testutil.cc - see testutil.h.
#include "tests/testutil.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "store/pxlib.h"
#include "util/rkmsgcmp.h"

namespace testutil {

ScopedTempDir::ScopedTempDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "tsnXXXXXX").string();
  char* made = mkdtemp(templ.data());
  path_ = made ? made : "";
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

ScopedCwd::ScopedCwd(const std::string& dir) {
  char buf[4096];
  old_ = getcwd(buf, sizeof buf) ? buf : "";
  EXPECT_EQ(pxSetdef(dir.c_str()), 0) << dir;
}

ScopedCwd::~ScopedCwd() {
  if (!old_.empty()) pxSetdef(old_.c_str());
}

namespace {

RkMsgFind FindBesideTests(const char* name, char* path, std::size_t size) {
  const std::string file = std::string(name) + ".vmb";
  for (const std::filesystem::path& p :
       {std::filesystem::path(file), std::filesystem::path(TSN_BINARY).parent_path() / file}) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(p, ec)) continue;
    const std::string s = p.string();
    if (s.size() >= size) return RkMsgFind::kBadName;
    std::memcpy(path, s.c_str(), s.size() + 1);
    return RkMsgFind::kFound;
  }
  return RkMsgFind::kNotFound;
}

}  // namespace

ScopedCatalogFinder::ScopedCatalogFinder() : old_(rkMsgSetFinder(FindBesideTests)) {}

ScopedCatalogFinder::~ScopedCatalogFinder() { rkMsgSetFinder(old_); }

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  const char* old = std::getenv(name);
  had_ = old != nullptr;
  if (had_) old_ = old;
  if (value)
    setenv(name, value, 1);
  else
    unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
  if (had_)
    setenv(name_.c_str(), old_.c_str(), 1);
  else
    unsetenv(name_.c_str());
}

bool WriteFile(const std::string& path, const std::string& text) {
  std::error_code ec;
  auto parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  std::ofstream f(path, std::ios::binary);
  f << text;
  return static_cast<bool>(f);
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string Crlf(const std::string& text) {
  std::string s;
  s.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') s += '\r';
    s += c;
  }
  return s;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

RunResult RunProgram(const std::vector<std::string>& argv, const std::string& dir,
                     const std::vector<std::string>& env, int timeout_ms, bool unprivileged) {
  RunResult r;
  int out_pipe[2], err_pipe[2];
  if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) return r;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    close(out_pipe[0]);
    close(err_pipe[0]);
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, 0);
    if (unprivileged && geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
      _exit(126);
    if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(127);
    for (const auto& e : env) putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&r.out, &r.err};
  int open_fds = 2;
  char buf[4096];
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (open_fds > 0) {
    int wait_ms = -1;
    if (timeout_ms > 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      wait_ms = static_cast<int>(std::max<long long>(left.count(), 0));
    }
    int ready = poll(fds, 2, wait_ms);
    if (ready < 0) break;
    if (ready == 0) {
      kill(pid, SIGKILL);
      r.timed_out = true;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_fds;
      }
    }
  }
  for (pollfd& f : fds)
    if (f.fd >= 0) close(f.fd);
  int status = 0;
  waitpid(pid, &status, 0);
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return r;
}

std::string CompileCatalog(const std::string& dir, const std::string& name,
                           const std::string& source) {
  std::string base = dir + "/" + name;
  if (!WriteFile(base + ".h", source)) {
    ADD_FAILURE() << "cannot write " << base << ".h";
    return "";
  }
  char diag[1024];
  if (rkMsgCompile((base + ".h").c_str(), (base + ".vmb").c_str(), diag, sizeof diag) != 0) {
    ADD_FAILURE() << diag;
    return "";
  }
  return base;
}

}  // namespace testutil
