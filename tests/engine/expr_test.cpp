#include "state/expr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/errors.h"

namespace qw {
namespace {

struct RecordingReporter : ErrorReporter {
  std::vector<std::string> shown;
  void scriptError(const std::string& message, MessageIcon /*icon*/) override {
    shown.push_back(message);
  }
  void reportScriptError(const std::string& message) override { shown.push_back("!" + message); }
};

struct FixedSystem : SystemValueSource {
  std::int32_t systemValue(int index) override { return index * 10; }
};

class ExprTest : public ::testing::Test {
 protected:
  FlagStore flags;
  FixedSystem sys;
  RecordingReporter reporter;
  Evaluator eval{flags, sys, reporter};
};

struct Case {
  const char* text;
  std::int32_t value;
};

TEST_F(ExprTest, OperatorsAndPrecedence) {
  const Case cases[] = {
      {"1+2*3", 7},      {"(1+2)*3", 9},    {"10-4-3", 3},     {"7/2", 3},
      {"-7/2", -3},      {"-7%3", -1},      {"2^10", 1024},    {"2^3^2", 64},
      {"1<2", 1},        {"3=>3", 1},       {"2=<1", 0},       {"5!=5", 0},
      {"1==1 & 2==3", 0}, {"1|2", 3},       {"6~3", 5},        {"-(2)+3", 1},
      {"-(1+2)*2", -6},  {"3 + 4", 7},      {"1 2", 1},        {"", 0},
      {"+5", 5},         {"4>=5", 0},       {"4<=4", 1},       {"2*3+4*5", 26},
      {"1+2)*100", 3},   {"7:junk", 7},     {"((((3))))", 3},  {"2147483647+1", -2147483647 - 1},
      {"65536*65536", 0}, {"2^-1", 0},      {"$sys[3]+1", 31},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(eval.EvaluateArgument(c.text), c.value) << c.text;
  }
  EXPECT_TRUE(reporter.shown.empty());
}

TEST_F(ExprTest, FlagReferences) {
  EXPECT_EQ(eval.EvaluateArgument("$flg[0]+1"), 1);
  flags.set(5, "12");
  flags.set(6, "-3");
  EXPECT_EQ(eval.EvaluateArgument("$flg[5]*$flg[6]"), -36);
  EXPECT_EQ(eval.EvaluateArgument("$flg[ 2 + 3 ]"), 12);
  flags.set(1, "5");
  EXPECT_EQ(eval.EvaluateArgument("$flg[$flg[1]]"), 12);
  EXPECT_EQ(eval.EvaluateArgument("-$flg[5]"), -12);
  EXPECT_EQ(eval.EvaluateArgument("$sys[40]"), 400);
  // An extra "]" right after a subscript is skipped.
  EXPECT_EQ(eval.EvaluateArgument("$flg[5]]+1"), 13);
  EXPECT_TRUE(reporter.shown.empty());
}

TEST_F(ExprTest, FailureCodesAreReportedWithTheWholeText) {
  const struct {
    const char* text;
    int code;
  } cases[] = {
      {"abc", -6},      {"3+\t4", -6},     {"$flg[512]", -1}, {"$sys[64]", -1},
      {"$foo[1]", -1},  {"$flg[$flg[999]]", -1}, {"(1+x)", -3}, {"-x", -4},
      {"@flg[1]", -6},  {"1+\"2\"", -6},   {"-", -4},
  };
  for (const auto& c : cases) {
    reporter.shown.clear();
    EXPECT_EQ(eval.EvaluateArgument(c.text), 1) << c.text;
    ASSERT_EQ(reporter.shown.size(), 1u) << c.text;
    EXPECT_EQ(reporter.shown[0], "算術エラーが発生しました。コード:" + std::to_string(c.code) +
                                     " 式:" + c.text);
  }
}

TEST_F(ExprTest, LoneEqualsAndBangReportABadOperator) {
  EXPECT_EQ(eval.EvaluateArgument("1=1"), 0);
  ASSERT_EQ(reporter.shown.size(), 1u);
  EXPECT_EQ(reporter.shown[0], "演算子が異常です:=");
  reporter.shown.clear();
  EXPECT_EQ(eval.EvaluateArgument("3!2+1"), 0);
  EXPECT_EQ(reporter.shown[0], "演算子が異常です:!");
}

TEST_F(ExprTest, PlatformErrorsRaise) {
  EXPECT_THROW(eval.EvaluateArgument("1/0"), FrameworkError);
  EXPECT_THROW(eval.EvaluateArgument("5%0"), FrameworkError);
  EXPECT_THROW(eval.EvaluateArgument("99999999999"), FrameworkError);
  EXPECT_THROW(eval.EvaluateArgument("(0-2147483647-1)/-1"), FrameworkError);
  flags.set(3, "abc");
  try {
    eval.EvaluateArgument("$flg[3]");
    FAIL() << "no error";
  } catch (const FrameworkError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
  }
}

TEST_F(ExprTest, HostileTextStaysBounded) {
  std::string deep(100000, '(');
  EXPECT_EQ(eval.EvaluateArgument(deep), 1);
  std::string many;
  for (int i = 0; i < 10000; ++i) many += "1+";
  many += "1";
  EXPECT_EQ(eval.EvaluateArgument(many), 10001);
  std::string adjacent;
  for (int i = 0; i < 40; ++i) adjacent += "1 ";
  EXPECT_EQ(eval.EvaluateArgument(adjacent), 1);
  std::string wide = Utf8ToCp932("表+1");
  EXPECT_EQ(eval.EvaluateArgument(wide), 1);
}

TEST_F(ExprTest, EvaluateAtLeavesThePositionAfterTheTerminator) {
  int pos = 1;
  EXPECT_EQ(eval.EvaluateAt("(1+1)]x", pos), 2);
  EXPECT_EQ(pos, 7);
  int bad = 3;
  EXPECT_EQ(eval.EvaluateAt("x[q]", bad), 1);
  EXPECT_EQ(bad, 3);
}

TEST_F(ExprTest, TextReaderAndSubscriptReader) {
  flags.set(7, "こんにちは");
  int pos = 1;
  EXPECT_EQ(eval.EvaluateText("@flg[7]rest", pos), "こんにちは");
  EXPECT_EQ(pos, 8);
  pos = 0;
  EXPECT_EQ(eval.EvaluateText("@flg[7]", pos), "0");
  pos = 1;
  EXPECT_EQ(eval.EvaluateText("$flg[7]", pos), "");
  pos = 1;
  EXPECT_EQ(eval.EvaluateText("@flg[600]", pos), "");

  EXPECT_EQ(eval.ReadSubscript("_$flg[12]", 2), 12);
  EXPECT_EQ(eval.ReadSubscript("$sys[63]", 1), 63);
  EXPECT_EQ(eval.ReadSubscript("flg[3]", 1), 0);
  EXPECT_TRUE(reporter.shown.empty());
  EXPECT_EQ(eval.ReadSubscript("_$flg[512]", 2), 0);
  ASSERT_EQ(reporter.shown.size(), 1u);
  EXPECT_EQ(reporter.shown[0], "フラグの添字が異常です_$flg[512]");
}

TEST(StrToIntTest, DecimalTextsWithin32Bits) {
  EXPECT_EQ(StrToInt("0"), 0);
  EXPECT_EQ(StrToInt("-5"), -5);
  EXPECT_EQ(StrToInt("+12"), 12);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
  for (const char* bad : {"", "-", "2147483648", "12a", " 1", "1.5"}) {
    EXPECT_THROW(StrToInt(bad), FrameworkError) << bad;
  }
}

}  // namespace
}  // namespace qw
