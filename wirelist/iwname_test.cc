// wirelist/iwname_test.cc - the interned-name table.
#include "wirelist/iwname.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "wirelist/iwsession.h"

namespace {

// Only iwmkname turns a text into a name: nothing else converts to one,
// so a reader cannot store a buffer of its own where a cache takes the
// text's address for its identity.
static_assert(!std::is_constructible_v<IwName, const char*>);
static_assert(!std::is_assignable_v<IwName&, const char*>);
static_assert(!std::is_assignable_v<IwName&, char*>);
static_assert(std::is_assignable_v<IwName&, std::nullptr_t>);

class IwNameTable : public testing::Test {
 protected:
  void SetUp() override { iwsession_reset(); }
  void TearDown() override { iwsession_reset(); }
};

std::vector<std::string> Bucket(int b) {
  std::vector<std::string> out;
  for (IwNameEntry* e = iws.namehead[b]; e; e = e->next) out.push_back(e->text);
  return out;
}

TEST_F(IwNameTable, EqualTextsShareOneCopy) {
  const char* abc = iwmkname("ABC");
  EXPECT_EQ(iwmkname("ABC"), abc);
  EXPECT_EQ(iwmkname(nullptr), iwmkname(""));
  EXPECT_STREQ(iwmkname(""), "");
  iwsession_reset();
  EXPECT_STREQ(iwmkname("abc"), "ABC");
}

// Names that differ only in their last byte sit side by side in the
// index; through its growth every one must still come back as the one
// copy made for it, among every last byte value.
TEST_F(IwNameTable, RunsOfNumberedNamesStayDistinct) {
  std::vector<std::string> names;
  for (int p = 0; p < 400; ++p)
    for (int last = 1; last < 256; ++last) {
      if (last >= 'a' && last <= 'z') continue;  // folded: the same name as upper case
      names.push_back(
          std::string("P").append(std::to_string(p)).append(1, static_cast<char>(last)));
    }
  std::vector<const char*> first;
  for (const std::string& n : names) first.push_back(iwmkname(n.c_str()));
  for (std::size_t i = 0; i < names.size(); ++i) {
    ASSERT_EQ(iwmkname(names[i].c_str()), first[i]) << i;
    ASSERT_EQ(names[i], first[i]);
  }
  EXPECT_EQ(iws.nameentries.size(), names.size());
}

TEST_F(IwNameTable, HashFoldsCaseAndSignsHighBytes) {
  EXPECT_EQ(iwhash("AB", 10061), 65 * 10 + 66);
  EXPECT_EQ(iwhash("ab", 10061), iwhash("AB", 10061));
  EXPECT_EQ(iwhash("", 10061), 0);
  EXPECT_EQ(iwhash("\xff", 10061), static_cast<int>(0xffffffffu % 10061u));
  EXPECT_EQ(iwhash("ABC", 117), ((65 * 10 + 66) * 10 + 67) % 117);
}

// A model of one bucket built by the plain rules: compare with the tail,
// else walk from the head; stored copies are upper-cased.
struct ModelBucket {
  std::vector<std::string> chain;
  void Intern(const std::string& text) {
    std::string up = text;
    for (char& c : up) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    auto at = chain.empty() || text > chain.back()
                  ? chain.end()
                  : std::find_if(chain.begin(), chain.end(),
                                 [&](const std::string& c) { return text <= c; });
    if (at == chain.end() || *at != text) chain.insert(at, up);
  }
};

TEST_F(IwNameTable, BucketsBehaveAsTheSortedWalk) {
  // "N000000" to "N999999" hash to a million consecutive values, so each
  // bucket receives about a hundred of them; so does "000000N" and on.
  const int bucket = iwhash("N000000", 10061);
  std::vector<std::string> names;
  char name[16];
  for (int i = 0; i < 1000000; ++i)
    for (const char* format : {"N%06d", "%06dN"}) {
      std::snprintf(name, sizeof name, format, i);
      if (iwhash(name, 10061) == bucket) names.push_back(name);
    }
  ASSERT_GT(names.size(), 40u);

  std::mt19937 rng(7);
  std::shuffle(names.begin(), names.end(), rng);
  ModelBucket model;
  std::vector<const char*> first;
  for (const std::string& n : names) {
    model.Intern(n);
    first.push_back(iwmkname(n.c_str()));
  }
  // Upper-case texts leave the chain in no particular order: the same entries.
  std::vector<std::string> arrived = Bucket(bucket);
  std::sort(arrived.begin(), arrived.end());
  EXPECT_EQ(arrived, model.chain);
  EXPECT_FALSE(iws.namewalked[bucket]);
  for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(iwmkname(names[i].c_str()), first[i]);

  // A lower-case caller text is placed by its own bytes, which can break
  // the order; later look-ups must still follow the walk exactly.
  int added = 0;
  for (const std::string& n : names) {
    std::string lower = n;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (added == 3 || !std::isdigit(static_cast<unsigned char>(n[0])) || lower == n) continue;
    model.Intern(lower);
    iwmkname(lower.c_str());
    ++added;
  }
  ASSERT_EQ(added, 3);
  EXPECT_TRUE(iws.namewalked[bucket]);
  EXPECT_EQ(Bucket(bucket), model.chain);
  for (std::size_t i = 0; i < names.size(); i += 3) {
    model.Intern(names[i]);
    iwmkname(names[i].c_str());
  }
  EXPECT_EQ(Bucket(bucket), model.chain);
}

TEST_F(IwNameTable, StatisticsListEveryBucket) {
  iwmkname("AB");  // bucket 716
  iwmkname("");    // bucket 0
  iwmkname("BA");  // 66 * 10 + 65 = 725
  iwmkname("AK");  // 65 * 10 + 75 = 725
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  iwnamestats();
  std::fflush(stdout);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.rfind("\nName table distribution statistics:\n  0 | X\n  1 | \n", 0), 0u);
  EXPECT_NE(out.find("\n716 | X\n717 | \n"), std::string::npos);
  EXPECT_NE(out.find("\n725 | XX\n"), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 35), "\n10060 | \n\nTotal names: 4, bytes: 6");
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2 + 10061 + 1);

  iwdelnames();
  EXPECT_EQ(iws.namehead, nullptr);
}

}  // namespace
