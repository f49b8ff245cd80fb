// wirelist/iwindex_test.cc - indexes beside long lists: whatever a list
// goes through, the answers and the order are those of the walk.
#include "wirelist/iwindex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "tests/iwtesting.h"
#include "wirelist/iwacc.h"
#include "wirelist/iwobj.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"

namespace {

// prefix followed by the number k ("A" + std::to_string(k) trips a
// false warning of the compiler).
std::string Named(const char* prefix, long k) {
  std::string s = prefix;
  s += std::to_string(k);
  return s;
}

// A fixed stream of pseudo-random numbers, the same for both runs.
struct Lcg {
  std::uint32_t state;
  std::uint32_t next() { return state = state * 1664525u + 1013904223u; }
  std::uint32_t below(std::uint32_t n) { return (next() >> 8) % n; }
};

// What a script may do to an attribute list besides adding.
enum Extra : unsigned {
  kNone = 0,
  kDeletes = 1,   // iwdelatt, also of attributes no longer in the list
  kMissing = 2,   // values left out (the list must then be walked)
  kLower = 4,     // values with lower-case letters (set by hand, as no reader makes them)
  kRenames = 8,   // iaattnam / iaattval in place
};

// Runs a script of operations on one attribute list and writes down every
// answer and the final list, naming attributes by the order they were
// made so that the two runs can be compared.
std::string RunScript(int ops, unsigned extra, bool shortcuts) {
  iwsetshortcuts(shortcuts);
  Lcg rnd{12345};
  std::vector<IwAtt*> made;
  std::unordered_map<const IwAtt*, int> id;
  auto name_of = [&](const IwAtt* a) { return a ? Named("#", id.at(a)) : std::string("-"); };
  static const char* const kValues[] = {"1", "2", "10", "A", "B", "", "A;1", "B;1"};
  static const char* const kLowerValues[] = {"a", "b", "a;1"};
  auto pick_name = [&] {
    std::uint32_t r = rnd.below(12);
    return r < 4 ? Named("N", r) : Named("M", rnd.below(300));
  };
  IwAtt* list = nullptr;
  std::string log;
  for (int op = 0; op < ops; ++op) {
    std::uint32_t kind = rnd.below(100);
    std::string name = pick_name();
    const char* value = kValues[rnd.below(8)];
    if (kind < 60 || op < ops / 4) {
      bool lower = (extra & kLower) && rnd.below(10) == 0;
      bool missing = (extra & kMissing) && op > ops / 2 && rnd.below(20) == 0;
      IwAtt* a = iwmkatt(name.c_str(), missing ? nullptr : value);
      if (lower) a->value = IwNameForTests::Raw(kLowerValues[rnd.below(3)]);
      id[a] = static_cast<int>(made.size());
      made.push_back(a);
      list = iwaddatt(list, a);
    } else if (kind < 72) {
      log += "get " + name + " " + name_of(iwgetatt(list, name.c_str())) + "\n";
    } else if (kind < 84) {
      const char* want = rnd.below(4) == 0 ? kLowerValues[rnd.below(3)] : value;
      log += "dup " + name + " " + name_of(iwdupatt(list, name.c_str(), want)) + "\n";
      log += "nul " + name + " " + name_of(iwdupatt(list, name.c_str(), nullptr)) + "\n";
    } else if (kind < 90) {
      log += "sig " + name + " " + name_of(iwsigatt(list, name.c_str(), "X;1")) + "\n";
    } else if (kind < 95 && (extra & kDeletes) && !made.empty()) {
      IwAtt* a = made[rnd.below(static_cast<std::uint32_t>(made.size()))];
      if (a->name) list = iwdelatt(list, a);  // a cleared one was deleted before
    } else if (kind >= 95 && (extra & kRenames) && !made.empty() && rnd.below(4) == 0) {
      IwAtt* a = made[rnd.below(static_cast<std::uint32_t>(made.size()))];
      if (a->name && rnd.below(2) == 0)
        iaattnam(a, pick_name().c_str());
      else if (a->name)
        iaattval(a, value);
    }
  }
  for (const IwAtt* a = list; a; a = a->next) log += name_of(a) + " ";
  return log;
}

class IwIndex : public iwtest::Fixture {};

TEST_F(IwIndex, AttributeListsAnswerAsTheirWalkWhateverTheyGoThrough) {
  const struct {
    const char* what;
    int ops;
    unsigned extra;
    int indexed;  // an index is left at the end: 1 yes, 0 no, -1 either
  } cases[] = {
      {"just below the threshold", iw::kAttIndexMin, kNone, 0},
      {"long", 4000, kNone, 1},
      {"long, with deletions", 4000, kDeletes, 1},
      {"long, values go missing half way", 4000, kMissing, 0},
      {"long, lower-case values", 4000, kLower, 1},
      {"long, attributes renamed in place", 4000, kRenames | kDeletes, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string walked = RunScript(c.ops, c.extra, false);
    std::string indexed = RunScript(c.ops, c.extra, true);
    EXPECT_EQ(indexed, walked);
    bool usable = false;
    for (const auto& [head, ix] : iws.attindex) usable |= !ix->refused;
    if (c.indexed >= 0) {
      EXPECT_EQ(usable, c.indexed == 1);
    }
  }
}

TEST_F(IwIndex, AnAttributeListIsIndexedOnceAWalkPassesTheThreshold) {
  // Ascending names are appended, so adding the n-th walks n - 1 elements.
  IwAtt* list = nullptr;
  for (int k = 0; k < iw::kAttIndexMin; ++k)
    list = iwaddatt(list, iwmkatt(Named("A", 1000 + k).c_str(), "1"));
  EXPECT_TRUE(iws.attindex.empty());
  list = iwaddatt(list, iwmkatt("B", "1"));
  ASSERT_EQ(iws.attindex.count(list), 1u);
  // A new head takes the index with it; emptying the list ends it.
  IwAtt* first = iwmkatt("A", "0");
  list = iwaddatt(list, first);
  EXPECT_EQ(list, first);
  ASSERT_EQ(iws.attindex.count(list), 1u);
  list = iwdelatt(list, list);
  EXPECT_EQ(iws.attindex.count(list), 1u);
  for (int k = 0; list && k <= iw::kAttIndexMin + 2; ++k) list = iwdelatt(list, list);
  EXPECT_TRUE(iws.attindex.empty());
}

TEST_F(IwIndex, AnAttributeThatHeadedAnIndexedListStartsAfreshInAnother) {
  IwAtt* list = nullptr;
  for (int k = 0; k <= 2 * iw::kAttIndexMin; ++k)
    list = iwaddatt(list, iwmkatt(Named("A", 100 + k).c_str(), "1"));
  ASSERT_EQ(iws.attindex.count(list), 1u);
  // The list is given up without freeing its elements; its head moves on.
  IwAtt* other = iwaddatt(nullptr, iwmkatt("B", "1"));
  other = iwaddatt(other, list);
  EXPECT_EQ(other, list);
  other = iwaddatt(other, iwmkatt("C", "1"));
  EXPECT_STREQ(iwgetatt(other, "C")->value, "1");
  EXPECT_EQ(iwgetatt(other, "A150"), nullptr);
}

TEST_F(IwIndex, AListChangedBehindItsIndexIsReportedAndWalked) {
  auto build = [] {
    IwAtt* list = nullptr;
    for (int k = 0; k < 3 * iw::kAttIndexMin; ++k)
      list = iwaddatt(list, iwmkatt(Named("A", 100 + k).c_str(), "1"));
    return list;
  };
  auto text = [](const IwAtt* a) {
    std::string s;
    for (; a; a = a->next) s += std::string(a->name) + " ";
    return s;
  };
  // Take A120 out by hand, then file an attribute the index places next
  // to it: the index no longer matches there.
  auto run = [&](bool shortcuts) {
    iwsetshortcuts(shortcuts);
    IwAtt* list = build();
    IwAtt* a119 = iwgetatt(list, "A119");
    a119->next = a119->next->next;
    list = iwaddatt(list, iwmkatt("A120", "0"));
    return text(list);
  };
  std::string walked = run(false);
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  std::string indexed = run(true);
  std::fflush(stdout);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(indexed, walked);
  EXPECT_NE(out.find("PROGRAM FAILURE"), std::string::npos) << out;
  EXPECT_TRUE(iws.attindex.empty());
}

// --- whole wirelists -------------------------------------------------------------------------

// Everything a reader files into ordered lists, as text.
std::string Dump() {
  auto atts = [](const IwAtt* a) {
    std::string s = "(";
    for (; a; a = a->next) s += std::string(a->name) + "=" + (a->value ? a->value : "-") + " ";
    return s + ")";
  };
  std::string s;
  for (const IwGrp* g = iws.grpref; g; g = g->next) {
    s += "group " + std::string(g->name) + "\n";
    if (g->sym) {
      s += " symbol " + atts(g->sym->atts) + "\n";
      for (const IwSpn* p = g->sym->spns; p; p = p->next)
        s += "  pin " + std::string(p->name ? p->name : "-") + " " +
             (p->net ? p->net->name : "-") + " " + atts(p->atts) + "\n";
    }
    for (const IwSch* sch = g->schs; sch; sch = sch->next) {
      s += " sheet " + std::to_string(sch->number) + " " + atts(sch->atts) + "\n";
      for (const IwCom* c = sch->coms; c; c = c->next) {
        s += "  com " + std::string(c->name) + " " + atts(c->atts) + "\n";
        for (IwPin* p = igcompin(c); p; p = igpincnx(p)) {
          const IwSpn* spn = igpinspn(p);
          s += "   " + std::string(spn && spn->name ? spn->name : "-") + " " + atts(p->atts) + "\n";
        }
      }
    }
    for (const IwNet* n = g->nets; n; n = n->next) s += " net " + std::string(n->name) + " " + atts(n->atts) + "\n";
  }
  return s;
}

// Sheet `sheet` of group TOP: every record that files into a list, each
// kind many times over, in an order that jumps about.
std::string Sheet(int sheet, int n) {
  std::string k = std::to_string(sheet);
  // The first sheet names the group's own pins, one name twice: a port
  // of that name is the first of them.
  std::string text = sheet == 1 ? "V 4.09\nDW TOP\nAS TOP PINORDER=P3 P3 P5\n" : "V 4.09\nDW TOP\n";
  text += "AS ND2 PINORDER=A B Y\nAS WIDE PINORDER=" +
                     std::string("W[1:60] V") + "\nM ND2 $" + k + "I1\nM WIDE $" + k + "I2\n";
  std::string iatts;
  for (int j = 0; j < n; ++j) iatts += "`X" + std::to_string((j * 37) % n) + "=" + std::to_string(j % 5);
  text += "I $" + k + "I1 ND2 A B Y L=1" + iatts + "\nI $" + k + "I2 WIDE W[1:60] V\n";
  for (int j = 0; j < n; ++j) {
    std::string a = std::to_string((j * 7919) % n), v = std::to_string(j % 3);
    switch (j % 7) {
      case 0:
        text += "SA S" + a + "=" + v + "\n";
        break;
      case 1:
        text += "AN N" + std::to_string(j % 3) + " X" + a + "=" + v + "\n";
        break;
      case 2:
        text += "AS ND2 X" + a + "=" + v + "\nAP WIDE " + std::to_string(j % 2 + 1) + " X" + a + "=" + v + "\n";
        break;
      case 3:
        text += "API $" + k + "I1 ND2 " + std::to_string(j % 3 + 1) + " X" + a + "=" + v + "\n";
        break;
      case 4:  // a component the sheet does not have: the group's own pins
        text += "API $0I0 WIDE 1 Y" + a + "=" + v + "\n";
        break;
      default:  // ports, some of them again
        text += "P IN P" + std::to_string((j * 31) % (n / 2)) + "\nI P" +
                std::to_string((j * 31) % (n / 2)) + " IN Q" + a + " D=" + v + "\n";
        break;
    }
  }
  return text + "EW\n";
}

TEST_F(IwIndex, LargeDesignsLoadIntoTheSameOrderWithAndWithoutIndexes) {
  auto load = [](bool shortcuts) {
    iwtest::Reset();
    iws.busexpand = true;
    iwsetshortcuts(shortcuts);
    // Sheets come in a scrambled order; the first is large, the rest small.
    for (int j = 0; j < 3 * iw::kSchIndexMin; ++j) {
      int sheet = (j * 5) % (3 * iw::kSchIndexMin) + 1;
      auto r = iwtest::Parse(Sheet(sheet, j == 0 ? 3000 : 20), "TOP", sheet);
      EXPECT_NE(r.group, nullptr) << iwtest::Join(r.msgs);
      if (j < iw::kSchIndexMin) {
        EXPECT_TRUE(iws.schindex.empty());  // too few sheets to index
      }
    }
    return Dump();
  };
  std::string walked = load(false);
  std::string indexed = load(true);
  EXPECT_EQ(indexed, walked);
  EXPECT_FALSE(iws.attindex.empty());
  EXPECT_FALSE(iws.schindex.empty());
  EXPECT_FALSE(iws.spnindex.empty());
}

}  // namespace
