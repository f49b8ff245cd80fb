// netlister/tsnspawn_test.cc - which components ask for an external
// netlister, and which directive answers them.
#include "netlister/tsnspawn.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netlister/tsn.h"
#include "netlister/tsnini.h"
#include "netlister/tsnmsg.h"
#include "tests/iwtesting.h"
#include "wirelist/iwobj.h"

namespace {

class Spawn : public ::testing::Test {
 protected:
  void SetUp() override {
    tsn_data_init();
    for (const char* key : {"ACCEL=FAST", "accel=xyz"}) Directive(key);
    fast_.sym = &fast_sym_;
    slow_.sym = &slow_sym_;
    fast_sym_.grp = &fast_;
    slow_sym_.grp = &slow_;
  }
  void TearDown() override {
    spawn_free();
    lfree_wirdata(w);
    w = nullptr;
    tsnmsg_reset();
  }

  static void Directive(const std::string& key) {
    auto* d = static_cast<SpawnDirective*>(lalloc(sizeof(SpawnDirective)));
    *d = {w->spawn_directives, lstrdup(key.c_str()), nullptr, nullptr};
    w->spawn_directives = d;
  }

  static IwAtt Accel(const char* value) {
    IwAtt a;
    a.name = "ACCEL";
    a.value = IwNameForTests::Raw(value);  // as written: the matching rules are the subject
    return a;
  }

  // "<group>:<value>" of every request, in list order.
  static std::vector<std::string> Requests() {
    std::vector<std::string> v;
    for (SpawnRequest* r = w->spawn_requests; r; r = r->next)
      v.push_back(std::string(r->sym->grp->name) + ":" + r->accel->value.c_str());
    return v;
  }

  IwGrp fast_{.name = "FASTCELL"}, slow_{.name = "SLOWCELL"};
  IwSym fast_sym_, slow_sym_;
};

TEST_F(Spawn, OneRequestPerSymbolAndValueIgnoringCase) {
  IwAtt xyz = Accel("XYZ"), lower = Accel("xyz"), other = Accel("FAST");
  spawn_addsym(&fast_sym_, &xyz, nullptr, nullptr);
  spawn_addsym(&fast_sym_, &lower, nullptr, nullptr);  // the same request
  spawn_addsym(&slow_sym_, &lower, nullptr, nullptr);  // another symbol
  spawn_addsym(&fast_sym_, &other, nullptr, nullptr);  // another value
  spawn_addsym(&slow_sym_, &xyz, nullptr, nullptr);
  EXPECT_EQ(Requests(),
            (std::vector<std::string>{"FASTCELL:XYZ", "SLOWCELL:xyz", "FASTCELL:FAST"}));

  // Freed requests are forgotten: the next run records them again.
  spawn_free();
  spawn_addsym(&fast_sym_, &xyz, nullptr, nullptr);
  EXPECT_EQ(Requests(), std::vector<std::string>{"FASTCELL:XYZ"});
}

TEST_F(Spawn, DirectiveKeysMatchIgnoringCaseUpToTheirLength) {
  // The key is "ACCEL=" and the value: 159 characters at most.
  const std::string fits(159 - 6, 'Q'), over(160 - 6, 'Q');
  Directive("ACCEL=" + fits);
  Directive("ACCEL=" + over);

  const std::pair<std::string, int> cases[] = {
      {"fast", 1}, {"XYZ", 1}, {"FAS", 0}, {"FAST ", 0}, {"", 0}, {fits, 1}, {over, 0},
  };
  for (const auto& [value, found] : cases) {
    SCOPED_TRACE(value);
    IwAtt a = Accel(value.c_str());
    EXPECT_EQ(spawn_findatt(&a), found);
  }
  IwAtt other{.name = "MODEL", .value = IwNameForTests::Raw("FAST")};
  EXPECT_EQ(spawn_findatt(&other), 0);
  EXPECT_EQ(spawn_findatt(nullptr), 0);
}

}  // namespace
