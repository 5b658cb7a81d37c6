#include "host/headless/headless_runner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

#include "support/scenario.h"

namespace qw {
namespace {

using test::Scenario;

TEST(HeadlessRun, EmptyStartScriptEndsTheRun) {
  Scenario s;
  s.writeScript("autorun.txt", "");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.file, "autorun.txt");
  EXPECT_EQ(r.line, 1);
  EXPECT_EQ(r.virtualMs, 0u);
  ASSERT_EQ(r.flags.size(), 512u);
  EXPECT_EQ(r.flags[0], "0");
  EXPECT_EQ(r.flags[255], "0");
  EXPECT_TRUE(r.errors.empty());

  Surface last = s.snapshot("final");
  EXPECT_EQ(last.width(), 640);
  EXPECT_EQ(last.height(), 480);
  EXPECT_EQ(last.at(320, 240), 0u);
}

TEST(HeadlessRun, ScriptSetsFlagsAndCaption) {
  Scenario s;
  s.writeScript("autorun.txt", "_$flg[3]=4\r\n!物語 \"一\"\r\n_$flg[300]=$flg[3]*2\r\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.flags[3], "4");
  EXPECT_EQ(r.flags[300], "8");
  EXPECT_EQ(r.caption, "物語 \"一\"");
  EXPECT_EQ(r.line, 4);  // the driver fell off the end of three lines
  EXPECT_EQ(r.errors, std::vector<std::string>{});
}

TEST(HeadlessRun, ReportFileIsWellFormedAndMatchesTheRun) {
  Scenario s;
  // An unknown command: its own box, then the error question (answered No by default).
  s.writeScript("autorun.txt", "!題名\t\"タブ\"\n_nosuchcommand\n_$flg[7]=7\n");
  HeadlessReport r = s.run();
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_EQ(r.errors[0].rfind("File:autorun.txt Line:2/", 0), 0u) << r.errors[0];
  ASSERT_GE(r.messages.size(), 2u);
  EXPECT_EQ(r.messages.back().answer, "no");

  const auto doc = nlohmann::ordered_json::parse(s.reportJson());
  std::vector<std::string> keys;
  for (const auto& item : doc.items())
    keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"outcome", "exit_code", "file", "line", "caption",
                                            "virtual_ms", "flags", "errors", "messages", "channels",
                                            "audio", "windows"}));
  EXPECT_EQ(doc["outcome"], "script-ended");
  EXPECT_EQ(doc["exit_code"], 0);
  EXPECT_EQ(doc["file"], "autorun.txt");
  EXPECT_EQ(doc["line"], r.line);
  EXPECT_EQ(doc["caption"], "題名\t\"タブ\"");
  ASSERT_EQ(doc["flags"].size(), 512u);
  EXPECT_EQ(doc["flags"][7], "7");
  ASSERT_EQ(doc["errors"].size(), 1u);
  EXPECT_EQ(doc["errors"][0], r.errors[0]);
  ASSERT_EQ(doc["messages"].size(), r.messages.size());
  for (std::size_t i = 0; i < r.messages.size(); ++i) {
    const auto& m = doc["messages"][i];
    EXPECT_EQ(m["caption"], r.messages[i].caption);
    EXPECT_EQ(m["text"], r.messages[i].text);
    EXPECT_EQ(m["answer"], r.messages[i].answer);
  }
}

TEST(HeadlessRun, AnsweringYesToTheErrorQuestionExitsWithCode1) {
  Scenario s;
  s.writeScript("autorun.txt", "_nosuchcommand\n_$flg[7]=7\n");
  s.events("answer yes\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::Exited);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.flags[7], "0");  // nothing ran after the forced end
  EXPECT_EQ(RunHeadless(s.options()), 1);
}

TEST(HeadlessRun, ReaderWaitsTakeEventsUntilNoneIsLeft) {
  Scenario s;
  s.writeScript("autorun.txt", "_mouseclick\n_$flg[1]=1\n_mouseclick\n_$flg[2]=2\n");
  s.events("click 10 10\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::InputExhausted);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.flags[1], "1");
  EXPECT_EQ(r.flags[2], "0");
  EXPECT_EQ(r.line, 3);
}

TEST(HeadlessRun, TimedEventsArriveInsidePausesAndTheClockJumps) {
  Scenario s;
  // The click falls due during the pause and is used up there, so the click wait after it
  // finds nothing left.
  s.writeScript("autorun.txt", "_delay 5000\n_mouseclick\n_$flg[1]=1\n");
  s.events("at +1000 click 1 1\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::InputExhausted);
  EXPECT_EQ(r.virtualMs, 5000u);
  EXPECT_EQ(r.flags[1], "0");

  // An untimed click waits for the click wait instead.
  s.events("click 1 1\n");
  r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.flags[1], "1");
}

TEST(HeadlessRun, TimeLimitEndsALongPause) {
  Scenario s;
  s.writeScript("autorun.txt", "_delay 700000\n_$flg[1]=1\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::TimeLimit);
  EXPECT_EQ(r.virtualMs, 600000u);
  EXPECT_EQ(r.flags[1], "0");

  s.options().timeLimitMs = 2500;
  r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::TimeLimit);
  EXPECT_EQ(r.virtualMs, 2500u);
  EXPECT_NE(s.reportJson().find("\"outcome\": \"time-limit\""), std::string::npos);
}

TEST(HeadlessRun, RunsInTheScenarioFolderAndRestoresTheCurrentOne) {
  Scenario s;
  // The start script is looked up in the current folder: the flag shows where the run was.
  s.writeScript("autorun.txt", "_$flg[1]=1\n");
  const auto before = std::filesystem::current_path();
  HeadlessReport r = s.run();
  EXPECT_EQ(r.flags[1], "1");
  EXPECT_EQ(std::filesystem::current_path(), before);

  // Relative paths are taken against the folder the run starts from.
  HeadlessRunOptions relative = s.options();
  std::filesystem::current_path(s.dir().parent_path());
  relative.scenarioDir = "scenario";
  relative.reportFile = "relative.json";
  relative.snapshotDir.reset();
  RunHeadless(relative);
  EXPECT_TRUE(std::filesystem::exists(s.dir().parent_path() / "relative.json"));
  EXPECT_FALSE(std::filesystem::exists(s.dir() / "relative.json"));
  std::filesystem::current_path(before);
}

TEST(HeadlessRun, UsageErrorsComeBeforeTheRun) {
  Scenario s;
  s.writeScript("autorun.txt", "_$flg[1]=1\n");
  s.events("click 1 1\nclick 1\n");
  try {
    s.run();
    FAIL() << "a bad events line was accepted";
  } catch (const HeadlessUsageError& e) {
    EXPECT_NE(std::string(e.what()).find("events.txt:2:"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(std::filesystem::exists(s.reportPath()));

  HeadlessRunOptions missing;
  missing.scenarioDir = s.dir() / "nowhere";
  EXPECT_THROW(RunHeadless(missing), HeadlessUsageError);
  HeadlessRunOptions noEvents;
  noEvents.scenarioDir = s.dir();
  noEvents.eventsFile = s.dir() / "none.txt";
  EXPECT_THROW(RunHeadless(noEvents), HeadlessUsageError);
}

}  // namespace
}  // namespace qw
