// netlister/tsnutil_test.cc - token wrapping, message lines in files,
// deletion of empty files, and the full-disk exit.
#include "netlister/tsnutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

#include <string>
#include <vector>

#include "netlister/tsn.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnstate.h"
#include "tests/testutil.h"
#include "util/rkerr.h"

namespace {

class Stream : public ::testing::Test {
 protected:
  void SetUp() override { tsn_data_init(); }
  void TearDown() override { tsn_state_reset(); }
  std::string Read(const char* name) { return testutil::ReadFile(dir_.path() + "/" + name); }
  bool Exists(const char* name) { return testutil::FileExists(dir_.path() + "/" + name); }

  testutil::ScopedTempDir dir_;

  testutil::ScopedCwd cwd_{dir_.path()};
};

TEST_F(Stream, NetlistTokensWrapBeforeReachingColumn79) {
  outdata* s = outdata_create("Top", LONG_TSN_FILE);
  ASSERT_NE(s, nullptr);
  const std::string t39(39, 'a');
  ltokout(s, "%s", t39.c_str());
  ltokout(s, "%s", t39.c_str());  // 78 characters: stays
  ltokflush(s);
  ltokout(s, "%s", t39.c_str());
  ltokout(s, "%s", (t39 + "b").c_str());  // would reach 79: wraps
  ltokflush(s);
  const std::string t100(100, 'c');
  ltokout(s, "%s", t100.c_str());  // first token of a line: never wrapped
  ltokout(s, " %s", "d");          // after it: on its own line
  ltokflush(s);
  lformatted_tokout(s, "M x", nullptr);
  lformatted_tokout(s, t39.c_str(), t39.c_str());  // the pair is one token
  ltokflush(s);
  outdata_close(s);
  EXPECT_EQ(Read("top.tsn"), t39 + t39 + "\n" + t39 + " +\n" + t39 + "b\n" + t100 + " +\n d\n" +
                                 "M x +\n" + t39 + t39 + "\n");
}

// The record writers join tokens without printf; the file must not tell.
TEST_F(Stream, JoinedTokensWrapAndCutLikeFormattedOnes) {
  const std::string t30(30, 'a'), t1020(1020, 'b');
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"fits", {" ", t30}}, {"reaches column 79", {" ", t30, "=", t30}},
      {"longer than a token", {" ", t1020, "=", "xyz"}},
      {"five pieces", {"M ", t30, " ", "ND2", " ("}}};
  for (const auto& [what, pieces] : cases) {
    SCOPED_TRACE(what);
    auto piece = [&](std::size_t i) {
      return i < pieces.size() ? std::string_view(pieces[i]) : std::string_view();
    };
    auto write = [&](const char* name, bool join) {
      outdata* s = outdata_create(name, LONG_TSN_FILE);
      ASSERT_NE(s, nullptr);
      ltokout(s, "%s", t30.c_str());  // a line in progress
      std::string all;
      for (const std::string& p : pieces) all += p;
      if (join) {
        ltokcut(s, {piece(0), piece(1), piece(2), piece(3), piece(4)});
        ltokwhole(s, {piece(0), piece(1), piece(2), piece(3), piece(4)});
      } else {
        ltokout(s, "%s", all.c_str());
        lformatted_tokout(s, all.c_str(), nullptr);
      }
      ltokflush(s);
      outdata_close(s);
    };
    write("formatted", false);
    write("joined", true);
    EXPECT_EQ(Read("joined.tsn"), Read("formatted.tsn"));
  }
}

TEST_F(Stream, OtherTypesWrapAtTheirLengthWithABlank) {
  outdata* s = outdata_create("top", LOG_FILE);
  ASSERT_NE(s, nullptr);
  const std::string t200(200, 'a'), t60(60, 'b');
  ltokout(s, "%s", t200.c_str());
  ltokout(s, "%s", t60.c_str());  // 260 >= 256
  ltokflush(s);
  outdata_close(s);
  EXPECT_EQ(Read("top.rkg"), t200 + " \n" + t60 + "\n");
  outdata* wir = outdata_create("top", WIR_FILE);
  ASSERT_NE(wir, nullptr);
  EXPECT_STREQ(wir->filename, "top.1");
  EXPECT_EQ(wir->maxlen, 2048);
  outdata_close(wir);
}

TEST_F(Stream, HeadersAndEmptyFileDeletion) {
  outdata* net = outdata_create("top", LONG_TSN_FILE);
  outdata* log = outdata_create("top", LOG_FILE);
  ASSERT_TRUE(net && log);
  lwrite_header(net);
  lwrite_header(log);
  outdata_close(net);
  outdata_close(log);
  EXPECT_EQ(Read("top.tsn"), "V 5.11\n|\n| Wirelist created using ORMET WIRELISTER 5.3.1\n");
  EXPECT_FALSE(Exists("top.rkg"));  // only its header: deleted

  log = outdata_create("top", LOG_FILE);
  lwrite_header(log);
  llogmsg(log, "note");
  outdata_close(log);
  EXPECT_EQ(Read("top.rkg"), "| Log file created using ORMET_WIRELISTER 5.3.1\n|\n| note\n");

  outdata_close(outdata_create("empty", SHORT_TSN_FILE));
  EXPECT_FALSE(Exists("empty.tsn"));  // nothing written: deleted
  EXPECT_EQ(outdata_create("top", 3), nullptr);
}

TEST_F(Stream, MessageLinesEndTheLineInProgressAndAreClassified) {
  outdata* s = outdata_create("top", LONG_TSN_FILE);
  ltokout(s, "M %s", "U1");
  llogmsg(s, "Warning: first");
  llogmsg(s, "Error: second");
  llogmsg(s, "warning: lower case");
  llogmsg(s, "Errors are%s", " counted by prefix");
  llogmsg(s, "two\nlines");
  outdata_close(s);
  EXPECT_EQ(Read("top.tsn"),
            "M U1\nER Warning: first\nER Error: second\n| warning: lower case\n"
            "ER Errors are counted by prefix\n| two\nlines\n");
  EXPECT_EQ(w->nwarnings, 1);
  EXPECT_EQ(w->nerrors, 2);

  outdata* wir = outdata_create("top", WIR_FILE);
  llogmsg(wir, "Warning: in a flattened wirelist");
  outdata_close(wir);
  EXPECT_EQ(Read("top.1"), "| Warning: in a flattened wirelist\n");
}

// A message holds 255 characters and a formatted or cut token 1023; one
// character more is cut off.  A token written whole is never cut.
TEST_F(Stream, MessagesAndTokensAtTheirLimits) {
  outdata* s = outdata_create("top", WIR_FILE);  // lines long enough for any token
  ASSERT_NE(s, nullptr);
  const std::string m255(255, 'm'), t1023(1023, 't');
  llogmsg(s, "%s", m255.c_str());
  llogmsg(s, "%sX", m255.c_str());
  ltokout(s, "%s", t1023.c_str());
  ltokflush(s);
  ltokout(s, "%sX", t1023.c_str());
  ltokflush(s);
  ltokcut(s, {t1023.substr(0, 1000), t1023.substr(1000)});
  ltokflush(s);
  ltokcut(s, {t1023, "X"});
  ltokflush(s);
  ltokwhole(s, {t1023, "X"});
  ltokflush(s);
  outdata_close(s);
  EXPECT_EQ(Read("top.1"), "| " + m255 + "\n| " + m255 + "\n" + t1023 + "\n" + t1023 + "\n" +
                               t1023 + "\n" + t1023 + "\n" + t1023 + "X\n");
}

// The stream keeps its writes until its buffer fills; whatever else writes
// to its file (the database's messages) drains it first, so the order in
// the file is the order of the calls.
TEST_F(Stream, OtherWritersToTheFileKeepTheOrder) {
  outdata* s = outdata_create("top", LONG_TSN_FILE);
  ASSERT_NE(s, nullptr);
  ltokout(s, "M U1");
  ltokflush(s);
  outdata_drain_file(s->fp);
  std::fputs("ER message\n", s->fp);
  ltokout(s, "M U2");
  ltokflush(s);
  // Records longer than the buffer go through whole.
  const std::string big(3 * 256 * 1024, 'x');
  lwrite(s, big.c_str());
  lwrite(s, "\n");
  outdata_close(s);
  EXPECT_EQ(Read("top.tsn"), "M U1\nER message\nM U2\n" + big + "\n");
}

// Nets passed over in bulk show the progress lines single counts would.
TEST_F(Stream, ProgressCountedInBulkShowsTheSameLines) {
  w->exeflag = 1;
  for (int total : {1000, 997}) {
    w->net_occurrences = total;
    w->net_step = total / 100;
    auto run = [&](bool bulk) {
      tsnmsg_reset();  // no progress line of the last run to pad over
      w->nets_done = 0;
      testing::internal::CaptureStderr();
      int left = total;
      for (int n = 1; left > 0; n = n % 37 + 1) {
        int k = std::min(n, left);
        if (bulk) {
          lnet_status("nets", k);
        } else {
          for (int i = 0; i < k; ++i) lnet_status("nets");
        }
        left -= k;
      }
      lnet_status("nets", 0);
      return testing::internal::GetCapturedStderr();
    };
    std::string single = run(false);
    EXPECT_NE(single.find("Completed 100.0% of nets"), std::string::npos);
    EXPECT_EQ(run(true), single);
  }
}

// A line formatted ahead of time is the line the token writers write.
TEST_F(Stream, FormattedLinesMatchTheTokenWriters) {
  const std::string path = "B12\\S7\\";
  std::string long_att(41, 'v');
  long_att[0] = ' ';
  const std::vector<TokenParts> tokens = {
      {"M ", path, "U1 ND2 (", true}, {" SIZE=2", {}, {}, false}, {long_att, {}, {}, false},
      {" )", {}, {}, false},          {" ", path, "N90", true},   {" VCC", {}, {}, true},
      {" ", path, "N91", true},       {" ", path, "N92", true},   {" ", path, "N93", true}};
  std::string text;
  std::vector<std::size_t> at;
  for (int type : {LONG_TSN_FILE, LOG_FILE}) {
    outdata* a = outdata_create("tokens", type);
    outdata* b = outdata_create("line", type);
    ASSERT_TRUE(a && b);
    for (const TokenParts& t : tokens) {
      if (t.cut) {
        ltokcut(a, {t.a, t.b, t.c});
      } else {
        ltokwhole(a, {t.a});
      }
    }
    ltokflush(a);
    ASSERT_TRUE(lformat_line(b, tokens.data(), tokens.size(), &text, &at));
    lwrite_line(b, text);
    const std::string ext = type == LOG_FILE ? ".rkg" : ".tsn";
    outdata_close(a);
    outdata_close(b);
    EXPECT_EQ(Read(("line" + ext).c_str()), Read(("tokens" + ext).c_str()));
    ASSERT_EQ(at.size(), 5u);
    for (std::size_t k : at) EXPECT_EQ(text.substr(k, path.size()), path);
  }
  // A token that would be cut is not formatted ahead.
  outdata* s = outdata_create("cut", LONG_TSN_FILE);
  const std::string huge(1100, 'x');
  TokenParts cut{"M ", huge, {}, true};
  EXPECT_FALSE(lformat_line(s, &cut, 1, &text, &at));
  outdata_close(s);
}

TEST_F(Stream, DesignHeaderAndEndRecords) {
  w->nmodules = 5;
  w->ndtb_pins = 2;
  w->np2p = 1;
  outdata* s = outdata_create("top", SHORT_TSN_FILE);
  lwrite_design_header(w, s);
  lwrite_end_record(s);
  outdata_close(s);
  EXPECT_EQ(Read("top.tsn"), "|\nDW  8\nWD\n");
}

// A run aborted by an error no one caught keeps what it wrote, as it did
// when the stream was stdio's alone.
TEST_F(Stream, AbortedRunKeepsWhatWasWritten) {
  EXPECT_EXIT(
      {
        outdata* s = outdata_create("top", LONG_TSN_FILE);
        ltokout(s, "M U1");
        ltokflush(s);
        rkAbort(0);
      },
      testing::ExitedWithCode(3), "");
  EXPECT_EQ(Read("top.tsn"), "M U1\n");
}

}  // namespace
