// expr/ipvar_test.cc - tests of variable files, scoping and substitution.
#include "expr/ipvar.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "expr/ixeval.h"
#include "expr/limits.h"
#include "tests/testutil.h"
#include "wirelist/iwobj.h"
#include "wirelist/iwsession.h"

namespace {

class IpVar : public testing::Test {
 protected:
  void SetUp() override {
    ipreset();
    ASSERT_EQ(ipinit(nullptr), 0);
  }
  void TearDown() override {
    ipreset();
    iwsession_reset();  // the names the attribute lists were given
  }

  // Writes <dir>/<name>.var and returns the base name to load it with.
  std::string VarFile(const std::string& name, const std::string& text) {
    std::string base = dir_.path() + "/" + name;
    EXPECT_TRUE(testutil::WriteFile(base + ".var", text));
    return base;
  }

  // An attribute list in the given order; the records live with the test.
  IwAtt* Atts(std::vector<std::pair<const char*, const char*>> pairs) {
    IwAtt* head = nullptr;
    for (auto it = pairs.rbegin(); it != pairs.rend(); ++it) {
      IwAtt& a = atts_.emplace_back();
      a.name = it->first;
      a.value = iwmkname(it->second);
      a.next = head;
      head = &a;
    }
    return head;
  }

  // Defines name=value at the current level with storage that outlives it.
  void Def(std::string name, std::string value) {
    strings_.push_back(std::move(name));
    const char* n = strings_.back().c_str();
    strings_.push_back(std::move(value));
    ASSERT_EQ(ipadddef(n, strings_.back().c_str()), 0) << n;
  }

  testutil::ScopedTempDir dir_;
  std::deque<IwAtt> atts_;
  std::deque<std::string> strings_;
};

// The code and the text of ipexpand or ipevaluate, given size bytes.
using Result = std::pair<int, std::string>;

Result Run(int (*fn)(char*, const char*, int), const char* text, int size) {
  std::vector<char> out(static_cast<std::size_t>(size), '?');
  int code = fn(out.data(), text, size);
  return {code, std::string(out.data(), strnlen(out.data(), out.size()))};
}
Result Expand(const char* text, int size = 1024) { return Run(ipexpand, text, size); }
Result Evaluate(const char* text, int size = 1024) { return Run(ipevaluate, text, size); }

TEST_F(IpVar, FileLinesDefineUpperCaseNamesAndValues) {
  std::string base = VarFile("a",
                             "   @delay  =  5 ns  \t\n# a comment, then a blank line\n\n"
                             "width = 3\n@width junk = 7\n@empty\n@novalue =   \n"
                             "@@glob = g1\n@crlf=x y\r\n@last=end");
  EXPECT_EQ(ipincfile(base.c_str()), 0);
  const std::pair<const char*, const char*> cases[] = {
      {"@DELAY", "5 NS"}, {"@WIDTH", "7"},  {"@EMPTY", ""},   {"@NOVALUE", ""},
      {"@GLOB", "G1"},    {"@CRLF", "X Y"}, {"@LAST", "END"},
      {"@delay", nullptr},  // names are stored upper case only
  };
  for (const auto& [name, value] : cases) EXPECT_STREQ(ipgetvar(name), value) << name;

  // Withdrawing the file's lines leaves nothing that points into them.
  ipfinfile();
  EXPECT_EQ(ipgetvar("@DELAY"), nullptr);
  EXPECT_EQ(ipgetvar("@GLOB"), nullptr);
}

TEST_F(IpVar, CarriageReturnsEndLinesOrReadAsBlanks) {
  // "\r\n" is no part of a line's 1023 characters; a lone "\r" is a blank.
  const std::string full = "@FULL=" + std::string(expr::kIpMaxLine - 6, 'v');
  std::string base = VarFile("cr", full + "\r\n@cr=a\rb\r\n@last\r=\r1\r\n");
  EXPECT_EQ(ipincfile(base.c_str()), 0);
  ASSERT_NE(ipgetvar("@FULL"), nullptr);
  EXPECT_EQ(std::strlen(ipgetvar("@FULL")), expr::kIpMaxLine - 6);
  EXPECT_STREQ(ipgetvar("@CR"), "A B");
  EXPECT_STREQ(ipgetvar("@LAST"), "1");
}

TEST_F(IpVar, BadLinesMarkTheFileButTheRestStaysDefined) {
  std::string first = VarFile("first", "@X = 1\n");
  std::string second =
      VarFile("second", "@X = 2\n@ = 9\n@Y = 3\n@X = 1\n" + std::string(1100, ' ') + "@LEAK=1\n@" +
                            std::string(1100, 'Z') + "=1\n");
  EXPECT_EQ(ipincfile(first.c_str()), 0);
  EXPECT_EQ(ipincfile(second.c_str()), 3);
  EXPECT_STREQ(ipgetvar("@X"), "1");  // the first file read keeps its value
  EXPECT_STREQ(ipgetvar("@Y"), "3");
  EXPECT_EQ(ipgetvar("@LEAK"), nullptr);  // the tail of an overlong line is no line
  // A NUL byte would cut a definition short: the line is refused.
  EXPECT_EQ(ipincfile(VarFile("nul", std::string("@N = 12\0" "3\n@M = 4\n", 17)).c_str()), 3);
  EXPECT_EQ(ipgetvar("@N"), nullptr);
  EXPECT_STREQ(ipgetvar("@M"), "4");
  EXPECT_EQ(ipincfile((dir_.path() + "/absent").c_str()), 10);
  EXPECT_EQ(ipincfile(std::string(120, 'n').c_str()), 10);  // name does not fit

  // Any bytes at all read safely.
  std::string junk;
  for (int i = 0; i < 5000; ++i) junk += static_cast<char>((i * 7919) % 256);
  EXPECT_NE(ipincfile(VarFile("junk", junk).c_str()), 10);
}

TEST_F(IpVar, SearchOrderAndScopes) {
  ASSERT_EQ(ipincfile(VarFile("v", "@@G = FILE\n@D = TOP\n@T = TOP\n").c_str()), 0);
  ASSERT_EQ(ippushlev(), 0);  // a block
  EXPECT_EQ(ipaddlist(Atts({{"@D", "BLOCK"}, {"@G", "BLOCK"}, {"X", "1"}})), 0);
  ASSERT_EQ(ippushlev(), 0);  // a component inside it
  EXPECT_EQ(iaaddpatt(Atts({{"@D", "COMP"}})), 0);

  EXPECT_STREQ(ipgetvar("@G"), "FILE");  // global definitions come first
  EXPECT_STREQ(ipgetvar("@D"), "COMP");  // innermost wins
  EXPECT_STREQ(ipgetvar("@T"), "TOP");
  EXPECT_EQ(ipgetvar("X"), nullptr);  // not a variable definition
  ipsetsdir(0);
  EXPECT_STREQ(ipgetvar("@D"), "BLOCK");  // outermost first
  ipsetsord(3, 0, 0);
  EXPECT_STREQ(ipgetvar("@G"), nullptr);
  EXPECT_STREQ(ipgetvar("@D"), "TOP");
  ipsetsord(1, 2, 3);
  ipsetsdir(5);

  // A sibling component sees the block's value.
  ipdelvardefs();
  ASSERT_EQ(ippoplev(), 0);
  ASSERT_EQ(ippushlev(), 0);
  EXPECT_STREQ(ipgetvar("@D"), "BLOCK");
  EXPECT_EQ(ipadddef("@D", "SIB"), 0);
  EXPECT_EQ(ipadddef("@D", "SIB"), 0);    // the same value again is fine
  EXPECT_EQ(ipadddef("@D", "OTHER"), 3);  // another one is refused
  EXPECT_STREQ(ipgetvar("@D"), "SIB");
  EXPECT_EQ(ipadddef(nullptr, "1"), 9);
}

TEST_F(IpVar, LevelsStayBetweenOneAnd98) {
  int pushed = 0;
  while (ippushlev() == 0) ++pushed;
  EXPECT_EQ(pushed, 98);
  EXPECT_EQ(ippushlev(), 1);
  int popped = 0;
  while (ippoplev() == 0) ++popped;
  EXPECT_EQ(popped, 97);
  EXPECT_EQ(ippoplev(), 2);
}

TEST_F(IpVar, InitDefinesTheTopSymbolsVariables) {
  IwGrp grp;
  IwSym sym1, sym2;
  grp.sym = &sym1;
  sym1.next = &sym2;
  sym1.atts = Atts({{"@A", "1"}, {"@DATETIME", "NOW"}, {"REF", "U1"}});
  sym2.atts = Atts({{"@A", "2"}, {"@B", "3"}});
  EXPECT_EQ(ipinit(&grp), 3);  // the second symbol contradicts the first
  EXPECT_STREQ(ipgetvar("@A"), "1");
  EXPECT_EQ(ipgetvar("@DATETIME"), nullptr);  // system attributes are no variables
  EXPECT_EQ(ipvardef("@DATETIME"), 0);
  EXPECT_EQ(ipvardef("@A"), 6);

  ipfinish();
  EXPECT_EQ(iaaddpatt(Atts({{"@C", "1"}})), 11);
  EXPECT_EQ(ipincfile("anything"), 11);
}

TEST_F(IpVar, Substitution) {
  Def("@A", "5");
  Def("@B", "@A+1");
  Def("@P", "@Q");
  Def("@Q", "1+@P");
  Def("@SELF", "(@SELF)");
  Def("@EMPTY", "");
  const struct {
    const char* text;
    int ref, code;  // of ipvarref and ipexpand
    const char* result;
  } cases[] = {
      {"@A", 7, 0, "5"}, {"1+@A", 7, 0, "1+5"},  // after "+" an "@" starts a reference
      {"X@A", 0, 0, "X@A"}, {"_@A", 0, 0, "_@A"},  // after a letter or "_" it does not
      {"\"@A\"#@A", 7, 0, "\"@A\"#5"}, {"\"@A\"", 0, 0, "\"@A\""},  // nor inside double quotes
      {"@B*2", 7, 0, "5+1*2"}, {"(@EMPTY)", 7, 0, "()"},  // values are substituted in turn
      {"@U+@A", 7, 4, "@U+5"},  // undefined: kept, and the rest goes on
      {"@A@B", 7, 4, "@A@B"},   // one name: "@" continues it
      {"@P", 7, 8, "1+@P"}, {"2*@Q/3", 7, 8, "2*1+@Q"}, {"@SELF", 7, 8, "(@SELF"},  // recursion
      {"", 0, 0, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Expand(c.text), Result(c.code, c.result)) << c.text;
    EXPECT_EQ(ipvarref(c.text), c.ref) << c.text;
  }
  EXPECT_EQ(Expand("1+@A", 3), Result(5, ""));  // needs four bytes
}

TEST_F(IpVar, EvaluateSubstitutesThenComputes) {
  Def("@DELAY", "5");
  Def("@NAME2", "\"U\"");
  EXPECT_EQ(Evaluate("@DELAY*2"), Result(0, "10"));
  EXPECT_EQ(Evaluate("@NAME2#@DELAY"), Result(0, "U5"));
  EXPECT_EQ(Evaluate("2*3"), Result(0, "6"));  // no reference: evaluated as it is
  EXPECT_EQ(Evaluate("@MISSING*2"), Result(4, "@MISSING*2"));
  EXPECT_EQ(Evaluate("@DELAY/0"), Result(-4, "5/0"));
  EXPECT_EQ(Evaluate(""), Result(0, ""));
}

// A kept value may be used again only while its stamp is unchanged, so
// every change a look-up could see must change the stamp, and an empty
// hierarchy level must not.
TEST_F(IpVar, EvaluationStampFollowsWhatLookUpsCanSee) {
  Def("@D", "1");
  unsigned long s = ipevalstamp();
  ASSERT_NE(s, 0u);
  Def("@E", "3");
  EXPECT_NE(ipevalstamp(), s);
  ASSERT_EQ(ippushlev(), 0);  // level 1: the lowest a pop returns to
  s = ipevalstamp();
  EXPECT_EQ(ippushlev(), 0);
  EXPECT_EQ(ipevalstamp(), s);  // an empty level hides nothing
  IwAtt* local = Atts({{"@D", "2"}});
  EXPECT_EQ(iaaddpatt(local), 0);
  EXPECT_EQ(ipevalstamp(), 0u);  // the path defines something
  ipdelvardefs();
  EXPECT_EQ(ippoplev(), 0);
  unsigned long after = ipevalstamp();
  EXPECT_NE(after, 0u);
  EXPECT_NE(after, s);

  // Definitions left at a level above the current one count too: a push
  // would make them visible again.
  EXPECT_EQ(ippushlev(), 0);
  EXPECT_EQ(iaaddpatt(local), 0);
  EXPECT_EQ(ippoplev(), 0);
  EXPECT_EQ(ipevalstamp(), 0u);
  EXPECT_EQ(ippushlev(), 0);
  ipdelvardefs();
  EXPECT_EQ(ippoplev(), 0);

  // The search order and direction and the output formats change results too.
  void (*const changes[])() = {[] { ipsetsord(3, 2, 1); }, [] { ipsetsdir(1); },
                               [] { ixformat(3, "%5ld"); }, [] { ixreset(); }};
  for (auto change : changes) {
    s = ipevalstamp();
    change();
    EXPECT_NE(ipevalstamp(), s);
  }
}

TEST_F(IpVar, HostileValuesStayBounded) {
  // Long values overflow the 1023-character result, not the buffer.
  Def("@L", std::string(1000, 'X'));
  EXPECT_EQ(Expand("@L+@L"), Result(5, ""));
  EXPECT_EQ(Evaluate("@L+@L", 64), Result(5, std::string(63, 'X')));

  // Each level doubles the text: only the buffer limit ends it.
  for (int i = 0; i < 60; ++i)
    Def("@E" + std::to_string(i), "@E" + std::to_string(i + 1) + "+@E" + std::to_string(i + 1));
  EXPECT_EQ(Expand("@E0"), Result(5, ""));

  // A very long chain of variables each naming the next.
  constexpr int kChain = 200000;
  for (int i = 0; i < kChain; ++i) Def("@C" + std::to_string(i), "@C" + std::to_string(i + 1));
  Def("@C" + std::to_string(kChain), "END");
  EXPECT_EQ(Expand("@C0"), Result(0, "END"));

  // A text far beyond the buffer: one undefined name of 20000 "@".
  EXPECT_EQ(Evaluate(std::string(20000, '@').c_str(), 64), Result(5, std::string(63, '@')));
}

TEST_F(IpVar, MessagesNameTheCode) {
  EXPECT_STREQ(ipgetmsg(4), "reference to an undefined variable");
  EXPECT_STREQ(ipgetmsg(8), "recursive variable reference");
  EXPECT_STREQ(ipgetmsg(-4), "Illegal operand types");
}

}  // namespace
