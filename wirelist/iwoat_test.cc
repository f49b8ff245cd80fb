// wirelist/iwoat_test.cc - the occurrence-attribute table and the merged
// view of occurrence and object attributes.
#include "wirelist/iwoat.h"

#include <gtest/gtest.h>

#include <string>

#include "wirelist/iwsession.h"

namespace {

class IwOat : public testing::Test {
 protected:
  void SetUp() override {
    iwsession_reset();
    ASSERT_EQ(iwoattab(), 1);
  }
  void TearDown() override { iwsession_reset(); }

  static IwAtt* List(std::initializer_list<std::pair<const char*, const char*>> atts) {
    IwAtt* list = nullptr;
    for (const auto& [name, value] : atts) list = iwaddatt(list, iwmkatt(name, value));
    return list;
  }

  // Walks a merged iterator: "NAME=VALUE/isoat ...".
  template <typename Obj>
  static std::string Walk(IwAtt* (*next)(const char*, Obj*, int*, IwAtt*), const char* path,
                          Obj* obj) {
    std::string out;
    int isoat = -1;
    for (IwAtt* a = next(path, obj, &isoat, nullptr); a; a = next(path, obj, &isoat, a))
      out += std::string(a->name) + "=" + a->value.c_str() + "/" + std::to_string(isoat) + " ";
    return out;
  }
};

TEST_F(IwOat, OccurrenceAttributesComeFirstAndOverrideByName) {
  IwSym sym{.atts = List({{"B", "2"}, {"SIGNAL", "VDD;Y"}, {"SIGNAL", "VDD;Z"}, {"C", "3"}})};
  IwCom com{.atts = List({{"A", "1"}, {"SIGNAL", "GND;X"}, {"C", "4"}}), .sym = &sym};
  iwoatentry("$1I12\\U1", IW_OAT_COM, 1)->atts = List({{"A", "9"}, {"SIGNAL", "GND;Y"}});

  // A component SIGNAL is overridden only by one naming the same signal.
  EXPECT_EQ(Walk(igocsatt, "$1I12\\U1", &com),
            "A=9/1 SIGNAL=GND;Y/1 C=4/0 SIGNAL=GND;X/0 B=2/0 SIGNAL=VDD;Z/0 ");
  EXPECT_EQ(Walk(igocsatt, "$1I12\\U2", &com),
            "A=1/0 C=4/0 SIGNAL=GND;X/0 B=2/0 SIGNAL=VDD;Y/0 SIGNAL=VDD;Z/0 ");

  int isoat = -1;
  EXPECT_STREQ(ifocsatt("a", "$1I12\\U1", &com, &isoat)->value, "9");
  EXPECT_EQ(isoat, 1);
  ASSERT_NE(ifocsatt("B", "$1I12\\U1", &com, &isoat), nullptr);
  EXPECT_STREQ(ifocsatt("B", "$1I12\\U1", &com, &isoat)->value, "2");
  EXPECT_EQ(isoat, 0);
  EXPECT_EQ(ifocsatt("D", "$1I12\\U1", &com, &isoat), nullptr);
}

TEST_F(IwOat, PinsAndNetsMergeWithTheirOwnLists) {
  IwSpn spn{.atts = List({{"PINTYPE", "IN"}, {"LOAD", "1"}})};
  IwSym sym{.spns = &spn};
  IwCom com{.sym = &sym};
  IwPin pins[2];
  pins[0].com = &com;
  pins[1].index = 1;
  pins[1].atts = List({{"LOAD", "2"}});
  iwoatentry("U1\\A", IW_OAT_PIN, 1)->atts = List({{"PINTYPE", "OUT"}});
  EXPECT_EQ(Walk(igopsatt, "U1\\A", &pins[1]), "PINTYPE=OUT/1 LOAD=2/0 ");

  IwNet net{.atts = List({{"CAP", "1"}, {"NET_ALIAS", "X"}})};
  iwoatentry("U1\\S0", IW_OAT_NET, 1)->atts = List({{"CAP", "5"}});
  EXPECT_EQ(Walk(igonatt, "U1\\S0", &net), "CAP=5/1 NET_ALIAS=X/0 ");
  EXPECT_EQ(Walk(igonatt, "U1\\A", &net), "CAP=1/0 NET_ALIAS=X/0 ");  // a pin's path, not a net's
  int isoat = -1;
  EXPECT_STREQ(ifonatt("net_alias", "U1\\S0", &net, &isoat)->value, "X");
  EXPECT_EQ(isoat, 0);
}

TEST_F(IwOat, EntriesAreKeyedByPathAndKind) {
  IwOatEntry* com = iwoatentry("top\\u1", IW_OAT_COM, 1);
  EXPECT_STREQ(com->path, "TOP\\U1");
  EXPECT_EQ(iwoatentry("TOP\\U1", IW_OAT_COM, 1), com);
  EXPECT_NE(iwoatentry("TOP\\U1", IW_OAT_NET, 1), com);
  EXPECT_EQ(iwoatentry("TOP\\U1", IW_OAT_PIN, 0), nullptr);
  EXPECT_EQ(iwoatentry("TOP\\U1", 3, 1), nullptr);
  EXPECT_EQ(iwgetcnt(IW_OAT_COM), 1);
  EXPECT_EQ(iwgetcnt(IW_OAT_NET), 1);
  EXPECT_EQ(iwgetcnt(IW_OAT_PIN), 0);
  EXPECT_EQ(iwoathash("top\\u1"), iwoathash("TOP\\U1"));
  // Characters below "0" drive the sum negative; the bucket stays in range.
  EXPECT_EQ(iwoathash("$"), 731 - 12);
  EXPECT_EQ(iwoathash(""), 0);

  iwsession_reset();
  testing::internal::CaptureStderr();
  EXPECT_EQ(igcomoat("TOP\\U1"), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "PROGRAM FAILURE: Assertion oattab != NULL failed.\n");
}

}  // namespace
