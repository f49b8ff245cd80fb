// tests/hostile.h - a small design folder for whole runs of tsn that go
// wrong on purpose: one sheet of two gates (drafta.ini "DIR [p] lib",
// lib/wir/top.1), which a test then damages.
#pragma once

#include <string>
#include <vector>

#include "tests/testutil.h"

namespace hostile {

/// The two-gate design in a fresh directory.
class Design {
 public:
  Design();

  /// The design folder.
  const std::string& dir() const { return tmp_.path(); }
  /// The path of a file of the folder.
  std::string Path(const std::string& rel) const { return dir() + "/" + rel; }

  /// Writes a file of the folder (creating its directories).
  void Write(const std::string& rel, const std::string& text) const;

  /// Replaces a file of the folder by a "fifo", a symbolic link to
  /// /dev/zero ("zero") or a directory ("dir").
  void Replace(const std::string& rel, const std::string& kind) const;

  /// Runs tsn in the folder with the arguments (and environment entries
  /// "NAME=value"), killed after timeout_ms.  WDIR is the folder, so no
  /// search leaves it.
  testutil::RunResult Run(const std::vector<std::string>& args,
                          std::vector<std::string> env = {}, int timeout_ms = 30000) const;

  /// Standard output and error of a run, the folder's path shown as $DIR.
  std::string Shown(const testutil::RunResult& r) const;

  /// The netlist and log left in the folder ("" when absent).
  std::string Netlist(const std::string& base = "top") const;
  std::string Log(const std::string& base = "top") const;

  /// Names of the folder's entries, sorted (hidden ones included).
  std::vector<std::string> Entries() const;

  /// Replaces the top sheet by one of n two-input gates in a chain, for
  /// runs long enough to be interrupted (about 50 bytes of netlist each).
  void Flat(int n) const;

  /// Runs tsn as Run does, with standard output and error thrown away, and
  /// kills it with SIGKILL after delay_ms; returns the wait status.
  int KillAfter(const std::vector<std::string>& args, int delay_ms) const;

  /// Starts tsn in the folder without waiting; returns its process id.
  int Start(const std::vector<std::string>& args) const;

  /// Replaces the folder's contents by the design of tests/golden/<name>;
  /// returns the arguments of its args file.
  std::vector<std::string> LoadGolden(const std::string& name) const;

 private:
  testutil::ScopedTempDir tmp_;
};

}  // namespace hostile
