// End-to-end runs of the flag commands (clearing, input boxes, the click flag) and of the
// system values read through $sys.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/report_text.h"
#include "support/scenario.h"

namespace qw {
namespace {

using test::At;
using test::Dump;
using test::kQuestion;
using test::Scenario;

// ---- _flgclear ----

TEST(InterpreterFlags, FlgclearKinds) {
  struct ClearCase {
    const char* command;
    const char* local;   // what cells 0 to 255 hold afterwards
    const char* global;  // cells 256 to 511
  };
  // Before each command every cell holds "old".
  const ClearCase cases[] = {
      {"_flgclear 0,x", "x", "old"},
      {"_flgclear 1,\"\"", "old", ""},
      {"_flgclear 1", "old", ""},
      {"_flgclear 2,全部", "全部", "全部"},
      {"_flgclear 0,\"a b\"", "a b", "old"},
      {"_flgclear 0,a b", "ab", "old"},
      {"_flgclear 3,x", "old", "old"},
      {"_flgclear -1,x", "old", "old"},
      {"_flgclear 1+1,y", "y", "y"},
      {"_flgclear", "", "old"},  // an omitted kind reads as 0
  };
  for (const ClearCase& c : cases) {
    SCOPED_TRACE(c.command);
    Scenario s;
    s.writeScript("autorun.txt", std::string("_flgclear 2,old\n") + c.command + "\n");
    HeadlessReport r = s.run();
    ASSERT_EQ(r.flags.size(), 512u);
    for (int i = 0; i < 512; ++i) {
      ASSERT_EQ(r.flags[static_cast<std::size_t>(i)], i < 256 ? c.local : c.global) << "cell " << i;
    }
    EXPECT_EQ(r.errors, std::vector<std::string>{}) << Dump(r);
  }
}

TEST(InterpreterFlags, StartScriptSetsTheLocalHalfToZero) {
  Scenario s;
  s.writeScript("autorun.txt", "");
  HeadlessReport r = s.run();
  for (int i = 0; i < 512; ++i) {
    ASSERT_EQ(r.flags[static_cast<std::size_t>(i)], i < 256 ? "0" : "") << "cell " << i;
  }
}

// ---- _flginstr ----

struct InputCase {
  const char* name;
  const char* command;
  const char* events;
  const char* target;  // cell 10 afterwards (it holds "old" before)
  const char* result;  // cell 11 afterwards, "-" when not written
};

void RunInputCases(const std::vector<InputCase>& cases) {
  for (const InputCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario s;
    s.writeScript("autorun.txt", std::string("_@flg[10]=old\n_@flg[11]=-\n_@flg[12]=既定\n") +
                                     c.command + "\n_$flg[1]=1\n");
    if (*c.events) s.events(c.events);
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.flags[10], c.target);
    EXPECT_EQ(r.flags[11], c.result);
    EXPECT_EQ(r.flags[1], "1");
    EXPECT_EQ(r.errors, std::vector<std::string>{}) << Dump(r);
    EXPECT_TRUE(r.messages.empty());
  }
}

TEST(InterpreterFlags, FlginstrStoresTheAnswerAndWhetherItFits) {
  const std::string longText(300, 'w');
  const std::string longEvents = "input " + longText + "\n";
  RunInputCases({
      {"OK within the maximum", "_flginstr @flg[10],@flg[11],名前,入力,5", "input abc\n", "abc",
       "1"},
      {"OK at the maximum", "_flginstr @flg[10],@flg[11],名前,入力,3", "input abc\n", "abc", "1"},
      {"OK over the maximum is kept but fails", "_flginstr @flg[10],@flg[11],名前,入力,5",
       "input abcdef\n", "abcdef", "0"},
      {"lengths count bytes", "_flginstr @flg[10],@flg[11],名前,入力,5", "input あいう\n", "あいう",
       "0"},
      {"six bytes fit six", "_flginstr @flg[10],@flg[11],名前,入力,6", "input あいう\n", "あいう",
       "1"},
      {"no maximum", "_flginstr @flg[10],@flg[11],名前,入力", longEvents.c_str(), longText.c_str(),
       "1"},
      {"zero is no maximum", "_flginstr @flg[10],@flg[11],名前,入力,0", longEvents.c_str(),
       longText.c_str(), "1"},
      {"the maximum is an expression", "_flginstr @flg[10],@flg[11],名前,入力,2*3",
       "input abcdef\n", "abcdef", "1"},
      {"an empty answer", "_flginstr @flg[10],@flg[11],名前,入力,5", "input \n", "", "1"},
      {"cancel keeps the cell", "_flginstr @flg[10],@flg[11],名前,入力,5", "input-cancel\n", "old",
       "0"},
      {"no answer queued is a cancel", "_flginstr @flg[10],@flg[11],名前,入力", "", "old", "0"},
      {"$flg references name cells too", "_flginstr $flg[10],$flg[11],c,p", "input 42\n", "42",
       "1"},
      {"subscripts are expressions", "_flginstr @flg[5*2],@flg[$flg[9]+11],c,p", "input z\n", "z",
       "1"},
  });
}

TEST(InterpreterFlags, FlginstrdAsksAgainUntilTheAnswerFits) {
  RunInputCases({
      {"the answer is stored", "_flginstrd @flg[10],@flg[12],c,p", "input 答え\n", "答え", "-"},
      {"cancel stores the default", "_flginstrd @flg[10],@flg[12],c,p", "input-cancel\n", "既定",
       "-"},
      {"no answer queued stores the default", "_flginstrd @flg[10],@flg[12],c,p,4", "", "既定",
       "-"},
      {"too long: asked again", "_flginstrd @flg[10],@flg[12],c,p,4", "input toolong\ninput ok\n",
       "ok", "-"},
      {"too long twice", "_flginstrd @flg[10],@flg[12],c,p,4",
       "input toolong\ninput あいうえ\ninput fine\n", "fine", "-"},
      {"too long, then cancelled: the default", "_flginstrd @flg[10],@flg[12],c,p,4",
       "input toolong\ninput-cancel\n", "既定", "-"},
      // A default longer than the maximum, cancelled, could never be accepted.
      {"too long default, cancelled", "_flginstrd @flg[10],@flg[12],c,p,3", "input-cancel\n",
       "既定", "-"},
      {"a default that is not a reference is empty", "_flginstrd @flg[10],既定,c,p",
       "input-cancel\n", "", "-"},
      {"a default from a computed cell", "_flginstrd @flg[10],@flg[6*2],c,p", "", "既定", "-"},
  });
}

TEST(InterpreterFlags, FlginstrdTakesExactlyTheAnswersItNeeds) {
  Scenario s;
  s.writeScript("autorun.txt",
                "_@flg[12]=x\n_flginstrd @flg[10],@flg[12],c,p,2\n"
                "_flginstr @flg[20],@flg[21],c,p\n");
  s.events("input abc\ninput abcd\ninput ab\ninput next\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.flags[10], "ab");
  EXPECT_EQ(r.flags[20], "next");
  EXPECT_EQ(r.flags[21], "1");
}

TEST(InterpreterFlags, InputBoxTargetWithABadSubscriptWritesCellZero) {
  Scenario s;
  s.writeScript("autorun.txt", "_flginstr @flg[600],@flg[11],c,p\n");
  s.events("input typed\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.flags[0], "typed");
  EXPECT_EQ(r.flags[11], "1");
  EXPECT_EQ(r.errors, std::vector<std::string>{At(1, "フラグの添字が異常です@flg[600]")});
}

// ---- _flgclick ----

TEST(InterpreterFlags, FlgclickArmsACellForClicks) {
  struct ClickCase {
    const char* name;
    const char* script;
    const char* events;
    const char* cell20;
  };
  const ClickCase cases[] = {
      {"arming sets it to 0", "_@flg[20]=x\n_flgclick $flg[20]\n", "", "0"},
      {"a click sets it to 1", "_flgclick $flg[20]\n_mouseclick\n", "click\n", "1"},
      {"@flg works too", "_flgclick @flg[20]\n_mouseclick\n", "click\n", "1"},
      {"it stays armed", "_flgclick $flg[20]\n_mouseclick\n_@flg[20]=x\n_mouseclick\n",
       "click\nclick\n", "1"},
      {"a click on story text sets it", "_flgclick $flg[20]\n本文\n", "click\n", "1"},
      {"a click during a pause still sets it", "_flgclick $flg[20]\n_delay 1000\n",
       "at +500 click\n", "1"},
      {"Enter is no click", "_flgclick $flg[20]\n_mouseclick\n", "key Enter\n", "0"},
      {"down and up are no click", "_flgclick $flg[20]\n_mouseclick\n", "down\nup\n", "0"},
      {"-1 disarms", "_flgclick $flg[20]\n_flgclick -1\n_@flg[20]=x\n_mouseclick\n", "click\n",
       "x"},
      {"empty disarms", "_flgclick $flg[20]\n_flgclick\n_@flg[20]=x\n_mouseclick\n", "click\n",
       "x"},
      {"* disarms", "_flgclick $flg[20]\n_flgclick *\n_@flg[20]=x\n_mouseclick\n", "click\n", "x"},
      {"arming another cell moves it",
       "_flgclick $flg[20]\n_flgclick $flg[21]\n_@flg[20]=x\n_mouseclick\n", "click\n", "x"},
  };
  for (const ClickCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scenario s;
    s.writeScript("autorun.txt", c.script);
    if (*c.events) s.events(c.events);
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.flags[20], c.cell20);
    EXPECT_EQ(r.errors, std::vector<std::string>{}) << Dump(r);
  }
}

TEST(InterpreterFlags, FlgclickWithABadSubscriptArmsCellZero) {
  Scenario s;
  s.writeScript("autorun.txt", "_@flg[0]=x\n_flgclick $flg[999]\n_$flg[1]=$flg[0]\n_mouseclick\n");
  s.events("click\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.flags[1], "0");
  EXPECT_EQ(r.flags[0], "1");
  EXPECT_EQ(r.errors, std::vector<std::string>{At(2, "フラグの添字が異常です$flg[999]")});
}

// ---- $sys ----

TEST(InterpreterSystemValues, FixedValuesAtStart) {
  // 4..18 read the text engine's start values; 19 the version; 32..63 are always 0.
  const std::vector<std::pair<int, const char*>> expected = {
      {2, "0"},   {3, "0"},    {4, "24"}, {5, "24"},   {6, "16"},  {7, "0"},  {8, "0"},
      {9, "616"}, {10, "440"}, {11, "2"}, {12, "24"},  {13, "12"}, {14, "1"}, {15, "0"},
      {16, "0"},  {17, "0"},   {18, "0"}, {19, "143"}, {32, "0"},  {40, "0"}, {63, "0"},
  };
  std::string script;
  for (const auto& [index, value] : expected) {
    script += "_$flg[" + std::to_string(300 + index) + "]=$sys[" + std::to_string(index) + "]\n";
  }
  Scenario s;
  s.writeScript("autorun.txt", script);
  HeadlessReport r = s.run();
  for (const auto& [index, value] : expected) {
    EXPECT_EQ(r.flags[static_cast<std::size_t>(300 + index)], value) << "$sys[" << index << "]";
  }
  EXPECT_EQ(r.errors, std::vector<std::string>{});
}

TEST(InterpreterSystemValues, DebugModeAndDarkeningFromTheReadersSettings) {
  Scenario s;
  s.writeFile("qwk.ini", "DebugMode=on\r\nBGDarkness=1\r\n");
  s.writeScript("autorun.txt", "_$flg[1]=$sys[2]\n_$flg[2]=$sys[3]\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.flags[1], "1");
  EXPECT_EQ(r.flags[2], "1");
}

TEST(InterpreterSystemValues, IndexPastTheTableFailsTheExpression) {
  Scenario s;
  s.writeScript("autorun.txt", "_$flg[1]=$sys[64]+5\n_$flg[2]=$sys[-1]\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.flags[1], "1");
  EXPECT_EQ(r.flags[2], "1");
  EXPECT_EQ(r.errors,
            (std::vector<std::string>{At(1, "算術エラーが発生しました。コード:-1 式:$sys[64]+5"),
                                      At(2, "算術エラーが発生しました。コード:-1 式:$sys[-1]")}));
}

TEST(InterpreterSystemValues, RandomValuesStayInTheirRanges) {
  struct RandomCase {
    int index;
    long long limit;
  };
  for (const RandomCase& c :
       {RandomCase{20, 100}, RandomCase{21, 1024}, RandomCase{30, 2147483647}}) {
    SCOPED_TRACE(c.index);
    // Cells 300 to 499 take 200 draws.
    Scenario s;
    s.writeScript("autorun.txt", "_$flg[256]=300\n:draw\n_$flg[$flg[256]]=$sys[" +
                                     std::to_string(c.index) +
                                     "]\n_$flg[256]=$flg[256]+1\n_($flg[256]<500),_goto :draw\n");
    HeadlessReport r = s.run();
    std::set<long long> seen;
    for (int i = 300; i < 500; ++i) {
      const long long v = std::stoll(r.flags[static_cast<std::size_t>(i)]);
      EXPECT_GE(v, 0);
      EXPECT_LT(v, c.limit);
      seen.insert(v);
    }
    EXPECT_GT(seen.size(), 20u);  // not one value over and over
    if (c.index == 20) {
      EXPECT_GT(seen.size(), 80u);
    }
  }
}

TEST(InterpreterSystemValues, TimeFollowsTheVirtualClock) {
  struct TimeCase {
    const char* delays;  // script lines before the reads
    std::uint64_t limitMs;
    std::vector<const char*> values;  // $sys[22] to $sys[29], then $sys[31]
  };
  const TimeCase cases[] = {
      {"", 600'000, {"0", "0", "0", "1", "1", "2000", "6", "0", "10000000"}},
      {"_delay 125000\n", 600'000, {"5", "2", "0", "1", "1", "2000", "6", "0", "10125000"}},
      // One day, one hour, one minute and one second on: Sunday the 2nd.
      {"_delay 90061000\n", 100'000'000, {"1", "1", "1", "2", "1", "2000", "0", "1", "100061000"}},
      // 31 days on: Tuesday, February the 1st; the tick count has passed 2^31 and reads
      // negative as a 32-bit value.
      {"_delay 2000000000\n_delay 678400000\n",
       3'000'000'000,
       {"0", "0", "0", "1", "2", "2000", "2", "31", "-1606567296"}},
  };
  for (const TimeCase& c : cases) {
    SCOPED_TRACE(c.delays);
    std::string script = c.delays;
    for (int i = 22; i <= 29; ++i) {
      script += "_$flg[" + std::to_string(300 + i) + "]=$sys[" + std::to_string(i) + "]\n";
    }
    script += "_$flg[331]=$sys[31]\n";
    Scenario s;
    s.options().timeLimitMs = c.limitMs;
    s.writeScript("autorun.txt", script);
    HeadlessReport r = s.run();
    ASSERT_EQ(r.outcome, HeadlessOutcome::ScriptEnded) << Dump(r);
    for (int i = 22; i <= 29; ++i) {
      EXPECT_EQ(r.flags[static_cast<std::size_t>(300 + i)],
                c.values[static_cast<std::size_t>(i - 22)])
          << "$sys[" << i << "]";
    }
    EXPECT_EQ(r.flags[331], c.values[8]) << "$sys[31]";
  }
}

TEST(InterpreterSystemValues, MouseOverThePicture) {
  Scenario s;
  s.writeScript("autorun.txt",
                "_$flg[1]=$sys[0]\n_$flg[2]=$sys[1]\n_mouseclick\n_$flg[3]=$sys[0]\n"
                "_$flg[4]=$sys[1]\n_mouseclick\n_$flg[5]=$sys[0]\n_$flg[6]=$sys[1]\n");
  s.events("click 100 200\nmove 639 479\nclick\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.flags[1], "0");
  EXPECT_EQ(r.flags[2], "0");
  EXPECT_EQ(r.flags[3], "100");
  EXPECT_EQ(r.flags[4], "200");
  EXPECT_EQ(r.flags[5], "639");
  EXPECT_EQ(r.flags[6], "479");
}

}  // namespace
}  // namespace qw
