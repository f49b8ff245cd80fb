// tests/iwtesting.h - helpers for the reader and accessor tests.
//
// Runs a reader on text held in memory and collects the catalog messages
// it raised as "E285", "W363", ... in order.  Messages are recognised by
// the "nodex-<L>-<number>" prefix the database's handler writes on
// standard output.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "util/rkbus.h"
#include "wirelist/iwinit.h"
#include "wirelist/iwparse.h"
#include "wirelist/iwsession.h"

/// A name of a text as it stands, for tests that give a record what no
/// reader would (lower-case letters, say): only iwmkname makes names
/// otherwise.
struct IwNameForTests {
  static IwName Raw(const char* text) { return IwName(text); }
};

namespace iwtest {

/// Messages raised while running fn.
template <typename Fn>
std::vector<std::string> Messages(Fn fn) {
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  fn();
  std::fflush(stdout);
  std::string out = testing::internal::GetCapturedStdout();
  std::vector<std::string> msgs;
  const std::string prefix = "nodex-";
  for (std::size_t at = out.find(prefix); at != std::string::npos; at = out.find(prefix, at + 1)) {
    std::size_t p = at + prefix.size();
    if (p + 2 >= out.size() || out[p + 1] != '-') continue;
    std::size_t end = p + 2;
    while (end < out.size() && out[end] >= '0' && out[end] <= '9') ++end;
    if (end > p + 2) msgs.push_back(out[p] + out.substr(p + 2, end - p - 2));
  }
  return msgs;
}

/// The result of reading one wirelist.
struct Read {
  IwGrp* group = nullptr;         // what iwparse returned
  std::vector<std::string> msgs;  // messages raised
};

/// Reads text as sheet `sheet` of the wirelist named filename.
inline Read Parse(const std::string& text, const char* filename = "ALU", int sheet = 1,
                  int single = 0) {
  std::string buf = text;
  Read r;
  std::FILE* f = fmemopen(buf.data(), buf.size(), "r");
  if (!f) {
    ADD_FAILURE() << "fmemopen failed";
    return r;
  }
  iws.input = f;
  iws.cursheet = sheet;
  r.msgs = Messages([&] { r.group = iwparse(filename, single); });
  std::fclose(f);
  iws.input = nullptr;
  return r;
}

/// Messages joined by blanks, for compact expectations.
inline std::string Join(const std::vector<std::string>& msgs) {
  std::string s;
  for (const auto& m : msgs) s += (s.empty() ? "" : " ") + m;
  return s;
}

/// Fresh database state with the bus separators the database uses and its
/// messages going to standard output, where Messages() picks them up.
inline void Reset() {
  iwsession_reset();
  rkBusExpandReset();
  rkBusExpandRepsep(" ,");
  iwopenmsg(nullptr);
  iws.msgout.push_back({stdout, "%s", 7});
}

/// Fresh database state for each test.
class Fixture : public testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override {
    iwsession_reset();
    rkBusExpandReset();
  }
};

}  // namespace iwtest
