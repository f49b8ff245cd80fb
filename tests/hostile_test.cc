// tests/hostile_test.cc - whole runs of tsn on damaged and hostile design
// folders: files that are not what they claim to be, names that would
// reach a shell, catalogs that lie about their formats.  Each run has a
// time limit, so a hang fails its test instead of stopping the suite.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace
