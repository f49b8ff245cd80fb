// expr/ixeval_test.cc - tests of the expression evaluator.
#include "expr/ixeval.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Case {
  const char* text;
  int type;
  const char* result;
};

void ExpectCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    char out[1024];
    EXPECT_EQ(ixevaluate(out, c.text, sizeof out), c.type) << c.text;
    EXPECT_STREQ(out, c.result) << c.text;
  }
}

// Every test starts from the default output formats.
class IxEval : public testing::Test {
 protected:
  void SetUp() override { ixreset(); }
  void TearDown() override { ixreset(); }
};

TEST_F(IxEval, ArithmeticPrecedenceAndTypes) {
  ExpectCases({
      {"2+3*4", 3, "14"}, {"10-4-3", 3, "3"}, {"100/10/5", 3, "2"},  // chains go left to right
      {"7/2", 3, "3"}, {"-7/2", 3, "-3"},  // integer division truncates toward zero
      {"7.0/2", 5, "3.500000"}, {"1.5E3+1", 7, "1.501000e+03"}, {"1.", 5, "1.000000"},
      {"1.5E-3", 7, "1.500000e-03"},  // exponent sign is not an operator
      {"(2+3)*4", 3, "20"}, {"((1))", 3, "1"}, {" ( 2 + 3 ) * ( 4 - 1 ) ", 3, "15"},
      {"2*-3", 3, "-6"},  // sign after "*" belongs to the operand
      {"-5", 3, "-5"}, {"-5+2", 3, "-3"}, {"-(2*3)", 3, "-6"}, {"+4", 3, "4"},
      // Beyond 32 bits a result turns real.
      {"3000000000", 5, "3000000000.000000"}, {"2000000000+2000000000", 5, "4000000000.000000"},
      {"0-2147483647-1", 3, "-2147483648"}, {"-(0-2147483647-1)", 5, "2147483648.000000"},
  });
}

TEST_F(IxEval, ComparisonsAndLogic) {
  ExpectCases({
      {"3 == 3", 1, "1"}, {"3 != 3", 1, "0"}, {"3 == 3.0", 1, "1"}, {"\"abc\" == \"ABC\"", 1, "1"},
      {"\"a\" != \"b\"", 1, "1"}, {"\"abc\" < \"ABD\"", 1, "1"}, {"1 <= 1", 1, "1"},
      {"2 > 3", 1, "0"}, {"1<2 && 2<3", 1, "1"}, {"1 || 0 && 0", 1, "1"}, {"!0", 1, "1"},
      {"!2.5", 1, "0"}, {"2 == 1 + 1", 1, "1"},
      {"(1<2) == 1", 1, "1"},  // booleans compare as integers
      // Chains split at their first comparison, so the right operand is a
      // boolean, ordered by its integer value.
      {"1<2<3", 1, "0"}, {"0<2<3", 1, "1"}, {"1.5>=1<2", 1, "1"}, {"(1<2)<3", 1, "1"},
      {"\"abc\" < (1<2)", -4, "\"abc\" < (1<2)"},  // a boolean is not a text
  });
}

TEST_F(IxEval, StringsAndConstants) {
  ExpectCases({
      {"\"abc\"#5", 4, "abc5"}, {"1#2+3", 4, "15"},  // "#" binds looser than "+"
      {"\"a b\" # \"c\"", 4, "a bc"}, {"#12", 4, "12"}, {"1.5#1e3", 4, "1.51.000000e+03"},
      {"abc", 4, "abc"}, {"abc def", 4, "abc def"},  // a plain word is a string constant
      {"1 2", 4, "1 2"},          // not a number: two numbers
      {"\"a-b\"", 4, "\"a-b\""},  // a sign inside quotes makes it plain text
      {"", 4, ""}, {"(\"abc\")", 4, "abc"},
  });
}

TEST_F(IxEval, ErrorsReturnTheTextUnchanged) {
  ExpectCases({
      {"a & b", -3, "a & b"}, {"1 = 1", -3, "1 = 1"}, {"2+*3", -3, "2+*3"}, {"!=1", -3, "!=1"},
      {"5/0", -4, "5/0"}, {"5/0+1", -3, "5/0+1"},  // an error operand turns into -3
      {"-\"a\"", -4, "-\"a\""}, {"x-1", -4, "x-1"},
      {"\"abc\" < 5", -4, "\"abc\" < 5"}, {"5 == \"5\"", -4, "5 == \"5\""},  // string vs number
      {"(1<2) + 1", -4, "(1<2) + 1"},  // arithmetic on a boolean
      {"\"abc", -6, "\"abc"}, {"1 + \"abc", -6, "1 + \"abc"},
  });
}

// Overflow must not put "inf" or "nan" into a netlist value.
TEST_F(IxEval, NonFiniteValuesAreIllegalOperands) {
  ExpectCases({
      {"1e308*10", -4, "1e308*10"},
      {"1e308+1e308", -4, "1e308+1e308"},
      {"1e400", -4, "1e400"},                                  // a constant, too
      {"(1e308*10)-(1e308*10)", -3, "(1e308*10)-(1e308*10)"},  // an error operand
      {"1e308*10 > 1", -3, "1e308*10 > 1"},
      {"1e308*1", 7, "1.000000e+308"},  // the largest values still pass
  });
}

TEST_F(IxEval, UnbalancedParenthesesTouchOnlyTheLastByte) {
  for (const char* text : {"(1+2", "1+2)", ")("}) {
    char out[8];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(ixevaluate(out, text, sizeof out), -5) << text;
    EXPECT_EQ(std::string(out), "xxxxxxx") << text;
  }
  ExpectCases({{"\"(\" # 1", 4, "(1"}});  // quoted parentheses do not count
}

TEST_F(IxEval, LengthLimits) {
  char out[1024];
  std::string limit(511, '1');
  limit[0] = 'a';
  EXPECT_EQ(ixevaluate(out, limit.c_str(), sizeof out), 4);
  EXPECT_EQ(std::string(out), limit);

  std::string over = limit + "1";
  char small[10];
  EXPECT_EQ(ixevaluate(small, over.c_str(), sizeof small), -2);
  EXPECT_STREQ(small, "a11111111");

  // 1e9 is written as the 12 characters 1.000000e+09: 42 of them fit the
  // 511-character value area, 43 do not.
  std::string chain = "1e9";
  for (int i = 1; i < 42; ++i) chain.append("#1e9");
  EXPECT_EQ(ixevaluate(out, chain.c_str(), sizeof out), 4);
  EXPECT_EQ(std::strlen(out), 42u * 12u);
  chain.append("#1e9");
  EXPECT_EQ(ixevaluate(out, chain.c_str(), sizeof out), -2);
  EXPECT_EQ(std::string(out), chain);

  // Deep nesting stays within the text length.
  ExpectCases({{(std::string(255, '(') + "1" + std::string(255, ')')).c_str(), 3, "1"}});
}

TEST_F(IxEval, DestinationSize) {
  char out[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(ixevaluate(out, "1", 0), -2);
  EXPECT_EQ(out[0], 'x');
  for (const Case& c : {Case{"12345", 3, "123"}, Case{"\"abcdef\"", 4, "abc"},
                        Case{"abc+", -4, "abc"}}) {
    EXPECT_EQ(ixevaluate(out, c.text, sizeof out), c.type) << c.text;
    EXPECT_STREQ(out, c.result) << c.text;
  }
}

TEST_F(IxEval, OutputFormats) {
  ixformat(3, "%04ld");
  ixformat(5, "%.2f");
  ixformat(7, "%.1E");
  ExpectCases({{"2+3*4", 3, "0014"}, {"7.0/2", 5, "3.50"}, {"1.5E3", 7, "1.5E+03"}});

  // Formats that could read a wrong argument, or are too long, are ignored.
  for (const char* bad : {"%s", "%d %d", "%f", "%*d", "%n", "%9999d", "value = %6ld", "%"}) {
    SCOPED_TRACE(bad);
    ixformat(3, bad);
    ExpectCases({{"14", 3, "0014"}});
  }
  ixformat(5, "%d");
  ixformat(4, "%d");
  ixformat(5, nullptr);
  ExpectCases({{"0.5", 5, "0.50"}});

  ixformat(3, "<%x>");  // plain int conversion and surrounding text
  ExpectCases({{"255", 3, "<ff>"}});

  ixreset();
  ExpectCases({{"7.0/2", 5, "3.500000"}});
}

TEST_F(IxEval, MessagesForUnknownCodes) {
  EXPECT_STREQ(ixgetmsg(-7), "Illegal constant");
  EXPECT_STREQ(ixgetmsg(7), "Scientific notation result");
  for (int c : {-8, -1, 0, 6, 8}) EXPECT_STREQ(ixgetmsg(c), "Error of undefined type") << c;
}

TEST_F(IxEval, ClassifySplitsAtTheLoosestOperator) {
  struct Split {
    const char* text;
    const char* left;   // mode "1" (text, or value for a constant)
    const char* op;     // mode "o", null for none
    const char* right;  // mode "2", null for none
  };
  const Split cases[] = {
      {"2+3*4", "2", "+", "3*4"},     {"a<=b == c", "a", "<=", "b == c"}, {"-5", "5", "-", nullptr},
      {"(1+2)*3", "(1+2)", "*", "3"}, {"\"x\"", "x", nullptr, nullptr},
  };
  for (const Split& c : cases) {
    SCOPED_TRACE(c.text);
    IxNode node;
    node.type = IxType::kText;
    std::strcpy(node.value, c.text);
    IxNode* parts[] = {ixclassify(&node, "1"), ixclassify(&node, "o"), ixclassify(&node, "2")};
    const char* want[] = {c.left, c.op, c.right};
    for (int i = 0; i < 3; ++i) {
      EXPECT_STREQ(parts[i] ? parts[i]->value : nullptr, want[i]) << "part " << i;
      ixfree(parts[i]);
    }
  }
}

// Hostile texts built from the characters that drive the scanner: the
// result must always be a known code and a terminated destination.
TEST_F(IxEval, ArbitraryTextIsSafe) {
  const char alphabet[] = "0123456789.eE+-*/#!<=>&|()\" aZ";
  std::mt19937 rng(12345);
  std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 2);
  std::uniform_int_distribution<int> length(0, 40);
  for (int i = 0; i < 3000; ++i) {
    std::string text;
    for (int n = length(rng); n > 0; --n) text += alphabet[pick(rng)];
    char out[16];
    std::memset(out, 'x', sizeof out);
    int type = ixevaluate(out, text.c_str(), sizeof out);
    ASSERT_TRUE(type >= -6 && type <= 7 && type != 0 && type != -1 && type != 6) << text;
    ASSERT_EQ(out[sizeof out - 1], '\0') << text;
  }
}

}  // namespace
