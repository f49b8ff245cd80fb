// tests/testutil.h - helpers shared by the unit and end-to-end tests.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "util/rkmsg.h"

namespace testutil {

/// A fresh directory under the system temp dir, removed with its contents
/// when the object goes away.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

/// Changes the working directory (through the path functions, so their
/// cached current directory follows) and changes it back when it goes away.
class ScopedCwd {
 public:
  explicit ScopedCwd(const std::string& dir);
  ~ScopedCwd();
  ScopedCwd(const ScopedCwd&) = delete;
  ScopedCwd& operator=(const ScopedCwd&) = delete;

 private:
  std::string old_;
};

/// Sets (or, with a null value, unsets) an environment variable and
/// restores it when it goes away.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_, old_;
  bool had_;
};

/// Writes text to path (creating parent directories); returns false on failure.
bool WriteFile(const std::string& path, const std::string& text);

/// The whole file as a string; empty when it cannot be read.
std::string ReadFile(const std::string& path);

/// text with every "\n" written as "\r\n", as a file saved on a system
/// with those line ends.
std::string Crlf(const std::string& text);

/// True when path names an existing file.
bool FileExists(const std::string& path);

/// Result of running a program as a child process.
struct RunResult {
  int exit_code = -1;  // 128 + signal when a signal ended it
  std::string out;
  std::string err;
  bool timed_out = false;  // killed after the time allowed
};

/// Runs argv[0] with the arguments in directory dir, with the environment
/// variables in env ("NAME=value") added; captures both output streams.
/// With timeout_ms > 0 a run that takes longer is killed (a hang is then a
/// failed test, not a stuck suite).  With unprivileged, a run as the
/// superuser is made as the user and group nobody (65534), so that file
/// permissions hold for it as for anyone.
RunResult RunProgram(const std::vector<std::string>& argv, const std::string& dir,
                     const std::vector<std::string>& env = {}, int timeout_ms = 0,
                     bool unprivileged = false);

/// Makes catalogs be found without the project store while it lives:
/// "<name>.vmb" as named (relative to the working directory or absolute),
/// then beside the test program, where the build puts the compiled
/// catalogs.  The finder in place before comes back when it goes away.
class ScopedCatalogFinder {
 public:
  ScopedCatalogFinder();
  ~ScopedCatalogFinder();
  ScopedCatalogFinder(const ScopedCatalogFinder&) = delete;
  ScopedCatalogFinder& operator=(const ScopedCatalogFinder&) = delete;

 private:
  RkMsgFind (*old_)(const char*, char*, std::size_t);
};

/// Writes source as <dir>/<name>.h and compiles it with the message
/// compiler into <dir>/<name>.vmb.  Returns <dir>/<name>, the name to open
/// the catalog with; empty (and a test failure) when compiling failed.
std::string CompileCatalog(const std::string& dir, const std::string& name,
                           const std::string& source);

}  // namespace testutil
