// tests/iwproject.h - a fresh wirelist database session in a project of
// its own, for the session, message and file look-up tests.
//
// The fixture makes a temporary project directory, works inside it with
// WDIR unset, and records every message of the database (its catalog text
// and severity) instead of printing it; counting goes on as usual.
#pragma once

#include <gtest/gtest.h>

#include <cstdarg>
#include <memory>
#include <string>
#include <vector>

#include "store/prj.h"
#include "store/pxlib.h"
#include "tests/testutil.h"
#include "util/rkmsg.h"
#include "wirelist/iwinit.h"
#include "wirelist/iwmsg.h"
#include "wirelist/iwsession.h"

namespace testutil {

class IwProject : public testing::Test {
 protected:
  void SetUp() override {
    Reset();
    cwd_ = std::make_unique<ScopedCwd>(dir_.path());
    iwregmsghndlr(Record, &messages_);
  }

  void TearDown() override {
    Reset();
    cwd_.reset();
    pxReset();
  }

  static void Reset() {
    iwsession_reset();
    prjReset();
    pxReset();
  }

  // Writes a project file, relative to the project directory.
  void Write(const std::string& rel, const std::string& text) {
    ASSERT_TRUE(WriteFile(dir_.path() + "/" + rel, text)) << rel;
  }

  // The message prefixes recorded so far ("nodex-E-415"), then forgotten.
  std::vector<std::string> Codes() {
    std::vector<std::string> codes;
    for (const std::string& m : messages_) codes.push_back(m.substr(0, m.find(':')));
    messages_.clear();
    return codes;
  }

  static void Record(void* arg, const char* text, va_list) {
    static_cast<std::vector<std::string>*>(arg)->push_back(text);
    iwmsginc(iws.msgseverity);
  }

  ScopedTempDir dir_;
  ScopedEnv wdir_{"WDIR", nullptr};
  std::unique_ptr<ScopedCwd> cwd_;
  std::vector<std::string> messages_;  // texts of the messages issued
};

}  // namespace testutil
