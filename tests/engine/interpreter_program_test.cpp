// End-to-end runs of the waits on the virtual clock, the reader's input, the program commands,
// the ways a run ends and the choice of the start script.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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

// A failure raised by the step itself: the framework's box (the application's title, error
// icon) and the question answered No; the run ends at that line.
void ExpectEndedByFrameworkError(const HeadlessReport& r, int line) {
  SCOPED_TRACE(Dump(r));
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.line, line);
  ASSERT_EQ(r.messages.size(), 2u);
  EXPECT_EQ(r.messages[0].caption, "Quillwork");
  EXPECT_EQ(r.messages[0].icon, MessageIcon::Error);
  EXPECT_EQ(r.messages[0].buttons, MessageButtons::Ok);
  EXPECT_FALSE(r.messages[0].text.empty());
  const std::string location = At(line, r.messages[0].text);
  EXPECT_EQ(r.messages[1].caption, location);
  EXPECT_EQ(r.messages[1].text, kQuestion);
  EXPECT_EQ(r.messages[1].answer, "no");
  EXPECT_EQ(r.errors, std::vector<std::string>{location});
}

// ---- Waits on the virtual clock ----

struct TimingCase {
  const char* script;
  const char* events;
  std::uint64_t virtualMs;
};

TEST(InterpreterWaits, WaitAndDelayOnTheVirtualClock) {
  const TimingCase cases[] = {
      {"_waitset\n_wait 1000", "", 1000},
      {"_waitset\n_delay 300\n_wait 1000", "", 1000},   // measured from _waitset
      {"_waitset\n_delay 1500\n_wait 1000", "", 1500},  // already past: at once
      {"_waitset\n_wait 1000\n_wait 1500", "", 1500},
      {"_waitset\n_wait 1000\n_waitset\n_wait 1000", "", 2000},
      {"_waitset\n_wait", "", 0},
      {"_waitset\n_wait -5", "", 0},
      {"_wait 500", "", 0},  // no _waitset since start: the moment has long passed
      {"_delay 250", "", 250},
      {"_delay -300", "", 300},
      {"_delay", "", 1},
      {"_delay *", "", 1},
      {"_delay 0", "", 0},
      {"_delay 2 * 150", "", 300},
      {"_delay 100\n_delay 200", "", 300},
      // Clicks and Enter shorten neither.
      {"_waitset\n_wait 1000", "at +100 click\nat +100 key Enter\n", 1000},
      {"_delay 1000", "at +100 click\nat +100 key Enter\n", 1000},
  };
  for (const TimingCase& c : cases) {
    SCOPED_TRACE(c.script);
    Scenario s;
    s.writeScript("autorun.txt", std::string(c.script) + "\n_$flg[1]=1\n");
    if (*c.events) s.events(c.events);
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.virtualMs, c.virtualMs);
    EXPECT_EQ(r.flags[1], "1");
    EXPECT_EQ(r.errors, std::vector<std::string>{}) << Dump(r);
  }
}

TEST(InterpreterWaits, BadDelayIsReportedAndWaitsOneMillisecond) {
  Scenario s;
  s.writeScript("autorun.txt", "_delay abc\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.virtualMs, 1u);
  EXPECT_EQ(r.errors,
            std::vector<std::string>{At(1, "算術エラーが発生しました。コード:-6 式:abc")});
}

TEST(InterpreterWaits, DeadlinesFarAheadRunIntoTheTimeLimit) {
  // More than 2^31 ms ahead, a deadline must still be waited for, not spun on or skipped.
  for (const char* script :
       {"_wait -1", "_delay -2147483647-1", "_delay 2147483647", "_waitset\n_wait 2147483647"}) {
    SCOPED_TRACE(script);
    Scenario s;
    s.writeScript("autorun.txt", std::string(script) + "\n_$flg[1]=1\n");
    s.options().timeLimitMs = 5000;
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::TimeLimit);
    EXPECT_EQ(r.virtualMs, 5000u);
    EXPECT_EQ(r.flags[1], "0");
  }
}

TEST(InterpreterWaits, LoopThatNeverWaitsForTheReaderEndsAtTheTimeLimit) {
  Scenario s;
  s.writeScript("autorun.txt", ":loop\n_waitset\n_wait 1000\n_$flg[1]=$flg[1]+1\n_goto :loop\n");
  s.options().timeLimitMs = 10500;
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::TimeLimit);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.virtualMs, 10500u);
  EXPECT_EQ(r.line, 3);  // inside the _wait
  EXPECT_EQ(r.flags[1], "10");
}

// ---- The reader's input ----

TEST(InterpreterInput, MouseclickEndsOnAClickOrEnter) {
  struct ClickCase {
    const char* events;
    bool ends;
  };
  const ClickCase cases[] = {
      {"click", true},           {"click 100 200", true},
      {"key Enter", true},       {"down 5 5\nup 5 5", true},
      {"rclick 5 5", true},  // any button's press and release
      {"move 3 3\nclick", true}, {"down 5 5", false},
      {"move 3 3", false},       {"key Space", false},
      {"wait 1000", false},      {"", false},
  };
  for (const ClickCase& c : cases) {
    SCOPED_TRACE(c.events);
    Scenario s;
    s.writeScript("autorun.txt", "_mouseclick\n_$flg[1]=1\n");
    if (*c.events) s.events(std::string(c.events) + "\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, c.ends ? HeadlessOutcome::ScriptEnded : HeadlessOutcome::InputExhausted);
    EXPECT_EQ(r.flags[1], c.ends ? "1" : "0");
    EXPECT_EQ(r.line, c.ends ? 3 : 1);
  }
}

TEST(InterpreterInput, ClicksBeforeAWaitDoNotCount) {
  // A click taken during a pause is gone when the click wait starts.
  Scenario s;
  s.writeScript("autorun.txt", "_waitset\n_wait 1000\n_mouseclick\n_$flg[1]=1\n");
  s.events("at +100 click\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::InputExhausted);
  EXPECT_EQ(r.flags[1], "0");
  EXPECT_EQ(r.virtualMs, 1000u);

  // An untimed click waits for the reader's wait; a later timed one counts from it.
  s.writeScript("autorun.txt", "_delay 500\n_mouseclick\n_mouseclick\n_$flg[1]=1\n");
  s.events("click\nat +2000 click\n");
  r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.virtualMs, 2500u);
}

TEST(InterpreterInput, StopWaitsForARequestThatNeverComes) {
  Scenario s;
  s.writeScript("autorun.txt", "_$flg[1]=1\n_stop\n_$flg[2]=1\n");
  s.events("click\nkey Enter\nat +500 click\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::InputExhausted);
  EXPECT_EQ(r.line, 2);
  EXPECT_EQ(r.virtualMs, 500u);
  EXPECT_EQ(r.flags[1], "1");
  EXPECT_EQ(r.flags[2], "0");
  EXPECT_EQ(r.errors, std::vector<std::string>{});
}

// ---- Program commands ----

TEST(InterpreterProgram, VersionCheck) {
  struct VersionCase {
    const char* args;
    bool warns;
    bool exits;
  };
  const VersionCase cases[] = {
      {"1.43", false, false},  {"1.0", false, false}, {"0.5", false, false},
      {"1.430", false, false}, {"1", false, false},   {"1.43,1", false, false},
      {"1.5", true, false},    {"1.44", true, false}, {"2", true, false},
      {"1.5,2", true, false},  {"1.5,1", true, true}, {"1.5,\"1\"", true, true},
      {" 3 , 1 ", true, true},
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.args);
    Scenario s;
    s.writeScript("autorun.txt", std::string("_$flg[1]=1\n_version ") + c.args + "\n_$flg[2]=1\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, c.exits ? HeadlessOutcome::Exited : HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.flags[1], "1");
    EXPECT_EQ(r.flags[2], c.exits ? "0" : "1");
    EXPECT_EQ(r.errors, std::vector<std::string>{});
    ASSERT_EQ(r.messages.size(), c.warns ? 1u : 0u) << Dump(r);
    if (c.warns) {
      std::string version = std::string(c.args).substr(0, std::string(c.args).find(','));
      version.erase(std::remove(version.begin(), version.end(), ' '), version.end());
      EXPECT_EQ(r.messages[0].text,
                "このシナリオを実行するには ver" + version + "以上のＱＷＫが必要です。");
      EXPECT_EQ(r.messages[0].caption, "");
      EXPECT_EQ(r.messages[0].icon, MessageIcon::Exclamation);
      EXPECT_EQ(r.messages[0].buttons, MessageButtons::Ok);
    }
  }
}

TEST(InterpreterProgram, VersionThatIsNotANumberEndsTheRun) {
  for (const char* args : {"abc", "", "1.5.1", "v1.5,1"}) {
    SCOPED_TRACE(args);
    Scenario s;
    s.writeScript("autorun.txt", std::string("_$flg[1]=1\n_version ") + args + "\n_$flg[2]=1\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.flags[1], "1");
    EXPECT_EQ(r.flags[2], "0");
    EXPECT_EQ(r.exitCode, 0);
    ExpectEndedByFrameworkError(r, 2);
  }
}

TEST(InterpreterProgram, WinexitAsksFirst) {
  struct ExitCase {
    const char* events;
    const char* answer;
    bool exits;
  };
  const ExitCase cases[] = {
      {"answer ok\n", "ok", true},
      {"answer yes\n", "ok", true},
      {"answer cancel\n", "cancel", false},
      {"answer no\n", "cancel", false},
      {"", "cancel", false},
  };
  for (const ExitCase& c : cases) {
    SCOPED_TRACE(c.events);
    Scenario s;
    s.writeScript("autorun.txt", "_$flg[1]=1\n_winexit\n_$flg[2]=1\n");
    if (*c.events) s.events(c.events);
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, c.exits ? HeadlessOutcome::Exited : HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.flags[2], c.exits ? "0" : "1");
    EXPECT_EQ(r.errors, std::vector<std::string>{});
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].caption, "終了");
    EXPECT_EQ(r.messages[0].text, "終了しますか？");
    EXPECT_EQ(r.messages[0].icon, MessageIcon::Question);
    EXPECT_EQ(r.messages[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(r.messages[0].answer, c.answer);
  }
}

// ---- Errors that end the run ----

TEST(InterpreterErrors, YesToTheQuestionEndsWithCodeOne) {
  std::string labels;
  for (int i = 0; i < 513; ++i)
    labels += ":l" + std::to_string(i) + "\n";
  const std::vector<std::string> scripts = {
      "_nosuch\n",
      "_goto :none\n",
      "_return\n",
      "_$flg[600]=2\n",
      "_$flg[3]=abc\n",
      "_if 0\n_then\n",
      "_$flg[3]=1/0\n",
      "_version abc\n",
      "_goto :x,missing.txt\n",
      "_gosub :s\n:s\n_(1),_nosuch\n",
      labels,
  };
  for (const std::string& script : scripts) {
    SCOPED_TRACE(script.substr(0, 40));
    Scenario s;
    s.writeScript("autorun.txt", script + "_$flg[1]=1\n");
    s.events("answer yes\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::Exited);
    EXPECT_EQ(r.exitCode, 1);
    // The label table is built before the start script sets the local cells to "0".
    const char* untouched = script == labels ? "" : "0";
    EXPECT_EQ(r.flags[1], untouched);
    EXPECT_EQ(r.flags[3], untouched);
    EXPECT_EQ(r.errors, std::vector<std::string>{});  // nothing reaches the list
    ASSERT_FALSE(r.messages.empty());
    EXPECT_EQ(r.messages.back().text, kQuestion);
    EXPECT_EQ(r.messages.back().answer, "yes");
    EXPECT_EQ(RunHeadless(s.options()), 1);
  }
}

TEST(InterpreterErrors, EachQuestionTakesTheNextAnswer) {
  Scenario s;
  s.writeScript("autorun.txt", "_first\n_$flg[1]=1\n_second\n_$flg[2]=1\n_third\n_$flg[3]=1\n");
  s.events("answer no\nanswer yes\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::Exited);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.line, 3);
  EXPECT_EQ(r.flags[1], "1");
  EXPECT_EQ(r.flags[2], "0");
  EXPECT_EQ(r.errors, std::vector<std::string>{At(1, "コマンドが変です_first")});
}

TEST(InterpreterErrors, DivisionByZeroEndsTheRunThroughTheErrorPath) {
  struct DivCase {
    const char* line;
  };
  const DivCase cases[] = {
      {"_$flg[2]=1/0"},
      {"_$flg[2]=5%0"},
      {"_$flg[2]=7/($flg[9]-0)"},
      {"_$flg[1/0]=1"},
      {"_if 1/0"},
      {"_(1/0),_$flg[2]=1"},
      {"_(1),_$flg[2]=2%0"},
      {"_delay 1/0"},
      {"_branch 1/0"},
      {"_$flg[2]=(-2147483647-1)/-1"},
  };
  for (const DivCase& c : cases) {
    SCOPED_TRACE(c.line);
    Scenario s;
    s.writeScript("autorun.txt", std::string("_$flg[1]=1\n") + c.line + "\n_$flg[3]=1\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.flags[1], "1");
    EXPECT_EQ(r.flags[2], "0");
    EXPECT_EQ(r.flags[3], "0");  // the run ended at the failing line
    EXPECT_EQ(r.exitCode, 0);
    ExpectEndedByFrameworkError(r, 2);
  }
}

// ---- The start script ----

TEST(InterpreterStart, MissingStartScriptAsksForAFile) {
  {
    SCOPED_TRACE("dialog cancelled");
    Scenario s;
    HeadlessReport r = s.run();
    EXPECT_EQ(r.file, "autorun.txt");
    ExpectEndedByFrameworkError(r, 1);
  }
  {
    SCOPED_TRACE("the name in other letters is found");
    Scenario s;
    s.writeScript("AutoRun.TXT", "_$flg[1]=1\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.flags[1], "1");
    EXPECT_TRUE(r.messages.empty());
  }
  {
    SCOPED_TRACE("a file in the scenario folder");
    Scenario s;
    s.writeScript("start.txt", "_$flg[1]=1\n");
    s.events("file start.txt\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.file, "start.txt");
    EXPECT_EQ(r.flags[1], "1");
    EXPECT_EQ(r.flags[0], "0");
    EXPECT_EQ(r.caption, "Quillwork");
    EXPECT_TRUE(r.messages.empty()) << Dump(r);
  }
}

TEST(InterpreterStart, LowColourDepthWarnsAndRunsAnyway) {
  for (int depth : {8, 15, 32}) {
    SCOPED_TRACE(depth);
    Scenario s;
    s.writeScript("autorun.txt", "_$flg[1]=1\n");
    s.options().colorDepth = depth;
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.flags[1], "1");
    if (depth < 15) {
      ASSERT_EQ(r.messages.size(), 1u);
      EXPECT_EQ(r.messages[0].text, "16Bit HighColor 以上でないと色が正しく表示されません");
      EXPECT_EQ(r.messages[0].icon, MessageIcon::Exclamation);
      EXPECT_EQ(r.messages[0].buttons, MessageButtons::Ok);
    } else {
      EXPECT_TRUE(r.messages.empty());
    }
    EXPECT_EQ(r.errors, std::vector<std::string>{});
  }
}

TEST(InterpreterStart, FileInAnotherFolderAsksWhetherToStayThere) {
  struct DirCase {
    const char* answer;  // events line, or ""
    const char* recorded;
    const char* loadedFrom;
  };
  const DirCase cases[] = {
      {"answer yes\n", "yes", "sub"},
      {"answer no\n", "no", "top"},
      {"", "no", "top"},
  };
  for (const DirCase& c : cases) {
    SCOPED_TRACE(c.recorded);
    Scenario s;
    // The unknown command shows the name the start script got; the jump shows the folder.
    s.writeScript("sub/start.txt", "_check\n_goto ,next.txt\n");
    s.writeScript("sub/next.txt", "_@flg[2]=sub\n");
    s.writeScript("next.txt", "_@flg[2]=top\n");
    s.events(std::string("file sub/start.txt\n") + c.answer);
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.flags[2], c.loadedFrom);
    EXPECT_EQ(r.file, "next.txt");
    const std::string fullPath =
        (std::filesystem::canonical(s.dir()) / "sub" / "start.txt").string();
    ASSERT_EQ(r.messages.size(), 3u) << Dump(r);
    EXPECT_EQ(r.messages[0].caption, "カレントＤＩＲを変更しますか？");
    EXPECT_EQ(r.messages[0].text,
              "例：\nサンプルプログラム実行の時→はい\n制作中ソフトのテストプレイの時→いいえ");
    EXPECT_EQ(r.messages[0].icon, MessageIcon::Question);
    EXPECT_EQ(r.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(r.messages[0].answer, c.recorded);
    EXPECT_EQ(r.errors, std::vector<std::string>{At(1, "コマンドが変です_check", fullPath)});
  }
}

}  // namespace
}  // namespace qw
