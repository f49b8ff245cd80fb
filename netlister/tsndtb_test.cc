// netlister/tsndtb_test.cc - the delay-table reader on hostile input, the
// table's merging rules, and where the writers' shortcuts may serve.
#include "netlister/tsndtb.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netlister/tsn.h"
#include "netlister/tsnmsg.h"
#include "netlister/tsnstate.h"
#include "netlister/tsnwalk.h"
#include "tests/testutil.h"
#include "wirelist/iwname.h"
#include "wirelist/iwobj.h"
#include "wirelist/iwoat.h"
#include "wirelist/iwsession.h"

namespace {

// A design made by hand: TOP places the given blocks of BLK (with
// LABEL attributes when shown is given), BLK places S1 of SUB, SUB holds
// U1, U2 and the net N5 (BLK holds N5 too).  It becomes the run's top.
struct HandMade {
  IwGrp top, blk, sub;
  IwSch top_sheet, blk_sheet, sub_sheet;
  IwSym blk_sym, sub_sym;
  IwCom b[6], s1, u1, u2;
  IwNet blk_n5, sub_n5;
  IwAtt labels[6];

  explicit HandMade(std::vector<const char*> names, std::vector<const char*> shown = {}) {
    blk_sym.grp = &blk;
    sub_sym.grp = &sub;
    const std::size_t n = names.size();
    for (std::size_t i = 0; i < n; ++i) {
      if (!shown.empty()) labels[i] = {.name = "LABEL", .value = iwmkname(shown[i])};
      b[i] = {.name = names[i], .atts = shown.empty() ? nullptr : &labels[i], .sch = &top_sheet,
              .sym = &blk_sym, .next = i + 1 < n ? &b[i + 1] : nullptr};
    }
    top_sheet.coms = &b[0];
    top.schs = &top_sheet;
    s1 = {.name = "S1", .sch = &blk_sheet, .sym = &sub_sym};
    blk_sheet.coms = &s1;
    blk.schs = &blk_sheet;
    u1 = {.name = "U1", .sch = &sub_sheet, .next = &u2};
    u2 = {.name = "U2", .sch = &sub_sheet};
    sub_sheet.coms = &u1;
    sub.schs = &sub_sheet;
    blk_n5 = {.name = "N5", .grp = &blk};
    sub_n5 = {.name = "N5", .grp = &sub};
    blk.nets = &blk_n5;
    sub.nets = &sub_n5;
    w->tgroup = &top;
  }
};

class DtbReader : public ::testing::Test {
 protected:
  void SetUp() override {
    tsn_data_init();
    tsn_msgopen();
    tsndtb_reset();
    testing::internal::CaptureStdout();
  }
  void TearDown() override {
    testing::internal::GetCapturedStdout();
    tsndtb_reset();
    lfree_wirdata(w);
    w = nullptr;
    tsnmsg_reset();
  }
  void Write(const std::string& name, const std::string& text) {
    testutil::WriteFile(dir_.path() + "/" + name, text);
  }
  static std::string Value(IwAtt* list, const char* name) {
    for (IwAtt* a = list; a; a = a->next)
      if (std::string(a->name) == name) return a->value.c_str();
    return "<none>";
  }

  testutil::ScopedTempDir dir_;
  testutil::ScopedCwd cwd_{dir_.path()};
};

TEST_F(DtbReader, EveryMalformedLineIsOneErrorAndReadingGoesOn) {
  struct Case {
    const char* line;
    int errors;  // errors counted for it
  } cases[] = {
      {".XY", 1},      {"A NAME=1", 1}, {"Q", 1},      {"W A\\Y B\\A D=1", 1},
      {"N NET", 0},    {"A DTB=f", 1},  {"W A\\Y", 1}, {"W A\\Y B\\A", 1},
      {"C U1", 0},     {"A =1", 1},     {"A NAME", 1}, {"A NAME=", 1},
      {"A NAME 1", 1}, {"A NAME==", 0}, {"|A=1", 0},   {"", 0},
  };
  std::string text = ".BA\n";
  int expected = 0;
  for (const Case& c : cases) {
    text += c.line;
    text += "\n";
    expected += c.errors;
  }
  Write("bad.dtb", text + "C GOOD\nA OK=1\n.AB\n");
  EXPECT_EQ(readDtbFile("bad", ""), 0);
  // "A NAME==" is a name and the value "=".
  EXPECT_EQ(Value(getDtbCompAtts("U1"), "NAME"), "=");
  EXPECT_EQ(Value(getDtbCompAtts("GOOD"), "OK"), "1");
  EXPECT_EQ(w->nerrors, expected);
}

TEST_F(DtbReader, HostileBytesNeitherCrashNorStopTheReading) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256);
  std::string longline = "C " + std::string(100000, 'X');
  Write("hostile.dtb", ".BA\r\n" + garbage + "\n" + longline + "\r\nA LONG=" +
                           std::string(100000, 'v') + "\r\n" + "C AFTER\r\nA OK=1\r\n.AB\r\n");
  EXPECT_EQ(readDtbFile("hostile", ""), 0);
  EXPECT_EQ(Value(getDtbCompAtts("AFTER"), "OK"), "1");
  EXPECT_EQ(Value(getDtbCompAtts(std::string(100000, 'X').c_str()), "LONG").size(), 100000u);
  EXPECT_GT(w->nerrors, 0);
}

TEST_F(DtbReader, ChainOfAThousandNestedFiles) {
  constexpr int kDepth = 1000;
  for (int k = 0; k < kDepth; ++k) {
    // Appended piece by piece: GCC 12 warns falsely on literal + string.
    std::string text = ".BA\nC C\n";
    if (k + 1 < kDepth) text.append("A DTB=f").append(std::to_string(k + 1)).append("\n");
    text.append("A LEVEL=").append(std::to_string(k)).append("\n.AB\n");
    Write(std::string("f").append(std::to_string(k)).append(".dtb"), text);
  }
  EXPECT_EQ(readDtbFile("f0", ""), 0);
  std::string name(2 * kDepth - 1, '\\');
  for (int k = 0; k < kDepth; ++k) name[2 * k] = 'C';
  EXPECT_EQ(Value(getDtbCompAtts(name.c_str()), "LEVEL"), std::to_string(kDepth - 1));
  EXPECT_EQ(w->ndtb_comps, kDepth);
  EXPECT_EQ(w->nerrors, 0);
}

// Each file names the next one twice, so the reads asked for double with
// every level: past the bound nothing more is read, said once, and what
// was read stays in the table.
TEST_F(DtbReader, FilesNamingOthersTwiceStopAtTheReadBound) {
  constexpr int kDepth = 5;  // 1 + 2 + 4 + 8 + 16 = 31 reads asked for
  for (int k = 0; k < kDepth; ++k) {
    std::string text = ".BA\n";
    for (const char* c : {"A", "B"}) {
      text.append("C ").append(c).append("\nA LEVEL=").append(std::to_string(k)).append("\n");
      if (k + 1 < kDepth) text.append("A DTB=f").append(std::to_string(k + 1)).append("\n");
    }
    Write(std::string("f").append(std::to_string(k)).append(".dtb"), text.append(".AB\n"));
  }
  struct Case {
    unsigned long reads;
    unsigned long long bytes;
    int files;  // files read in full
  } cases[] = {{100, 1ULL << 30, 31}, {31, 1ULL << 30, 31}, {10, 1ULL << 30, 10}, {31, 300, 6}};  // 54 bytes each file but the last (36)
  for (const Case& c : cases) {
    tsndtb_reset();
    lfree_wirdata(w);
    tsn_data_init();
    tsndtb_read_limits(c.reads, c.bytes);
    readDtbFile("f0", "");
    const std::string log = testing::internal::GetCapturedStdout();
    testing::internal::CaptureStdout();
    std::size_t said = 0;
    for (std::size_t at = 0; (at = log.find("nor any file after it", at)) != std::string::npos; ++at)
      ++said;
    EXPECT_EQ(said, c.files == 31 ? 0u : 1u) << c.reads << " " << c.bytes;
    EXPECT_EQ(w->ndtb_comps, 2 * c.files) << c.reads << " " << c.bytes;
    EXPECT_EQ(Value(getDtbCompAtts("A"), "LEVEL"), "0");
  }
}

TEST_F(DtbReader, LaterAnnotationsMergeIntoTheSameEntry) {
  Write("a.dtb", ".BA\nC X\nA P=1\nA Q=1\nN X\nA P=net\nW X\\D X\\R T=1\nP X\nA P=pin\n.AB\n");
  Write("b.dtb", ".BA\nC X\nA Q=2\nA R=2\nN X\nW X\\D X\\R T=2\nW X\\D X\\S T=3\n.AB\n");
  readDtbFile("a", "");
  readDtbFile("b", "");
  // One name, three kinds: each its own entry.
  std::string comp;
  for (IwAtt* a = getDtbCompAtts("X"); a; a = a->next)
    comp += std::string(a->name) + "=" + a->value.c_str() + " ";
  EXPECT_EQ(comp, "P=1 Q=2 R=2 ");
  EXPECT_EQ(Value(getDtbNetAtts("X"), "P"), "net");
  EXPECT_EQ(Value(getDtbPinAtts("X"), "P"), "pin");
  std::string delays;
  for (DtbWrec* r = getDtbNetWrecs("X"); r; r = r->next) delays += std::string(r->atts) + " ";
  EXPECT_EQ(delays, "T=1 T=2 T=3 ");
  EXPECT_EQ(getDtbCompAtts("x"), nullptr);  // names are compared exactly
}

TEST_F(DtbReader, QueuedDelayListsAreWalkedInOrder) {
  Write("q.dtb", ".BA\nN A\nW A\\D A\\R 1\nW A\\D A\\R 2\nN B\nW B\\D B\\R 3\n.AB\n");
  readDtbFile("q", "");
  store_wlist(getDtbNetWrecs("B"));
  store_wlist(nullptr);
  store_wlist(getDtbNetWrecs("A"));
  std::string seen;
  for (DtbWrec* r = get_wrec(nullptr); r; r = get_wrec(r)) seen += r->atts;
  EXPECT_EQ(seen, "312");
  release_wlists();
  EXPECT_EQ(get_wrec(nullptr), nullptr);
}

// Where the shortcuts may serve, for entries at several depths, in a
// design made by hand: TOP places B0 to B5 of BLK, BLK places S1 of SUB,
// SUB holds U1, U2 and the net N5 (BLK holds N5 too).
TEST_F(DtbReader, ShortcutsServeOnlyWhereNoEntryReaches) {
  Write("s.dtb",
        ".BA\n"
        "C B1\\S1\\U1\n"  // a leaf
        "A X=1\n"
        "N B2\\N5\n"  // a net of B2
        "A X=1\n"
        "P B3\\I\n"  // a pin of block B3
        "A TPLH=1\n"
        "C B4\n"  // a block: a variable scope for all below
        "A X=1\n"
        "P B5\\S1\\U1\\A\n"  // a pin of a leaf deep down
        "A TPLH=1\n"
        ".AB\n");
  readDtbFile("s", "");
  HandMade d({"B0", "B1", "B2", "B3", "B4", "B5"});
  IwCom* b = d.b;
  IwCom &s1 = d.s1, &u1 = d.u1, &u2 = d.u2;
  IwNet &blk_n5 = d.blk_n5, &sub_n5 = d.sub_n5;

  auto ctx = [](std::vector<TsnContext>& cells, std::vector<IwCom*> outer_first) {
    cells.resize(outer_first.size());
    TsnContext* next = nullptr;
    for (std::size_t i = 0; i < outer_first.size(); ++i) {
      cells[i] = {next, outer_first[i]};
      next = &cells[i];
    }
    return next;
  };
  std::vector<TsnContext> c;
  using S = TsnShortcut;
  struct Case {
    std::vector<IwCom*> path;
    IwCom* com;
    IwNet* net;
    bool component, group, quiet_nets, quiet_net, pin_delays;
  } cases[] = {
      {{&b[1], &s1}, &u1, &sub_n5, false, false, true, true, true},  // the annotated leaf
      {{&b[1], &s1}, &u2, &sub_n5, true, false, true, true, true},   // its neighbour
      {{&b[1]}, &s1, &blk_n5, false, false, true, true, true},       // the block above it
      {{&b[2]}, &s1, &blk_n5, true, false, false, false, true},      // B2's annotated net
      {{&b[2], &s1}, &u1, &sub_n5, true, true, true, true, true},    // the net's namesake below
      {{&b[3], &s1}, &u1, &sub_n5, false, false, true, true, true},  // below an annotated block pin
      {{&b[3]}, &s1, &blk_n5, false, false, true, true, false},
      {{&b[4], &s1}, &u1, &sub_n5, false, false, true, true, true},   // below an annotated block
      {{&b[5], &s1}, &u1, &sub_n5, false, false, true, true, false},  // the leaf with the pin entry
      {{&b[5], &s1}, &u2, &sub_n5, true, false, true, true, false},
      {{&b[0], &s1}, &u1, &sub_n5, true, true, true, true, true},  // nothing reaches here
  };
  for (const Case& k : cases) {
    TsnContext* at = ctx(c, k.path);
    SCOPED_TRACE(std::string(k.path.front()->name) + " " + k.com->name);
    EXPECT_EQ(tsnShortcutOk(S::kComponent, at, k.com), k.component);
    EXPECT_EQ(tsnShortcutOk(S::kGroup, at), k.group);
    EXPECT_EQ(tsnShortcutOk(S::kQuietNets, at), k.quiet_nets);
    EXPECT_EQ(tsnShortcutOk(S::kQuietNet, at, nullptr, k.net), k.quiet_net);
    EXPECT_EQ(tsnShortcutOk(S::kPinDelays, at), k.pin_delays);
  }
  // The top group's own nets: none is annotated, but pins below are.
  EXPECT_TRUE(tsnShortcutOk(S::kQuietNets, nullptr));
  EXPECT_FALSE(tsnShortcutOk(S::kPinDelays, nullptr));
  w->tgroup = nullptr;
}

// Occurrence attributes are found by paths of instance names, not labels:
// the shortcuts stay wherever no such path reaches, and only a pin delay
// among them turns off the pin-delay shortcuts.
TEST_F(DtbReader, OccurrenceAttributesKeepTheShortcutsWhereNoneReaches) {
  iwsession_reset();
  ASSERT_EQ(iwoattab(), 1);
  auto entry = [](const char* path, int kind, const char* name) {
    iwoatentry(path, kind, 1)->atts = iwmkatt(name, "1");
  };
  entry("I1\\S1\\U1", IW_OAT_COM, "X");
  entry("I2\\N5", IW_OAT_NET, "LOAD");
  entry("I3\\S1\\U1\\A", IW_OAT_PIN, "CAP");
  iwoatentry("I0\\S1\\U1", IW_OAT_COM, 1);  // no attribute: nothing to write
  // Labels that name other instances.
  HandMade d({"I0", "I1", "I2", "I3"}, {"I1", "I2", "I3", "I0"});
  IwCom* b = d.b;
  IwCom &s1 = d.s1, &u1 = d.u1, &u2 = d.u2;
  IwNet &blk_n5 = d.blk_n5, &sub_n5 = d.sub_n5;

  std::vector<TsnContext> cells(2);
  auto at = [&](IwCom* outer, IwCom* inner) {
    cells[0] = {nullptr, outer};
    cells[1] = {&cells[0], inner};
    return inner ? &cells[1] : &cells[0];
  };
  using S = TsnShortcut;
  struct Case {
    IwCom* outer;
    IwCom* inner;
    IwCom* com;
    IwNet* net;
    bool component, group, quiet_nets, quiet_net;
  } cases[] = {
      {&b[1], &s1, &u1, &sub_n5, false, false, true, true},      // the leaf with attributes
      {&b[1], &s1, &u2, &sub_n5, true, false, true, true},       // its neighbour
      {&b[1], nullptr, &s1, &blk_n5, false, false, true, true},  // the block above it
      {&b[2], nullptr, &s1, &blk_n5, true, false, false, false},  // a net with attributes
      {&b[2], &s1, &u1, &sub_n5, true, true, true, true},        // its namesake below
      {&b[3], &s1, &u1, &sub_n5, false, false, true, true},      // a pin of the leaf
      {&b[0], &s1, &u1, &sub_n5, true, true, true, true},        // an empty entry
  };
  for (const Case& k : cases) {
    TsnContext* c = at(k.outer, k.inner);
    SCOPED_TRACE(std::string(k.outer->name) + " " + k.com->name);
    EXPECT_EQ(tsnShortcutOk(S::kComponent, c, k.com), k.component);
    EXPECT_EQ(tsnShortcutOk(S::kGroup, c), k.group);
    EXPECT_EQ(tsnShortcutOk(S::kQuietNets, c), k.quiet_nets);
    EXPECT_EQ(tsnShortcutOk(S::kQuietNet, c, nullptr, k.net), k.quiet_net);
    EXPECT_TRUE(tsnShortcutOk(S::kPinDelays, c));
  }
  // A pin delay among them reaches the pin-delay pass anywhere.
  entry("I3\\S1\\U2\\A", IW_OAT_PIN, "TPLH");
  tsndtb_reset();
  EXPECT_FALSE(tsnShortcutOk(S::kPinDelays, at(&b[0], &s1)));
  EXPECT_FALSE(tsnShortcutOk(S::kPinDelayNet, nullptr, nullptr, &blk_n5));
  EXPECT_TRUE(tsnShortcutOk(S::kComponent, at(&b[0], &s1), &u2));
  w->tgroup = nullptr;
  iwsession_reset();
}

// A shortcut switched off is never served, whatever the annotation: the
// pin-delay pass asks nothing else before it passes over nets.
TEST_F(DtbReader, ASwitchedOffShortcutIsNeverServed) {
  using S = TsnShortcut;
  struct Case {
    const char* off;
    bool component, group, quiet_nets, pin_delays;
  } cases[] = {
      {"0", true, true, true, true},
      {"plans", false, true, true, true},
      {"blocks", true, false, true, true},
      {"quiet", true, true, false, false},
      {"1", false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.off);
    testutil::ScopedEnv env("TSN_NO_SHORTCUTS", c.off);
    tsn_read_switches();
    EXPECT_EQ(tsnShortcutOk(S::kComponent, nullptr), c.component);
    EXPECT_EQ(tsnShortcutOk(S::kGroup, nullptr), c.group);
    EXPECT_EQ(tsnShortcutOk(S::kQuietNets, nullptr), c.quiet_nets);
    EXPECT_EQ(tsnShortcutOk(S::kQuietNet, nullptr), c.quiet_nets);
    EXPECT_EQ(tsnShortcutOk(S::kPinDelays, nullptr), c.pin_delays);
    EXPECT_EQ(tsnShortcutOk(S::kPinDelayNet, nullptr), c.pin_delays);
  }
  tsn_switches = TsnSwitches();
}

}  // namespace
