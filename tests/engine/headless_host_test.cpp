#include "host/headless/headless_host.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/run_stop.h"
#include "host/headless/events.h"
#include "host/headless/report.h"
#include "support/scenario.h"

namespace qw {
namespace {

constexpr std::uint32_t kT0 = HeadlessHost::kStartTicks;

// Records each call as "name args @elapsed".
class FakeListener : public HostListener {
 public:
  explicit FakeListener(HeadlessHost& host) : host_(host) { host.setListener(this); }

  void onMouseDown(int x, int y, bool right) override {
    log("down" + xy(x, y) + (right ? " right" : ""));
  }
  void onMouseUp(int x, int y, bool right) override {
    log("up" + xy(x, y) + (right ? " right" : ""));
  }
  void onClick(int x, int y) override { log("click" + xy(x, y)); }
  void onMouseMove(int x, int y) override { log("move" + xy(x, y)); }
  void onKey(const std::string& key, bool ctrl) override {
    log("key " + std::string(ctrl ? "ctrl+" : "") + key);
  }
  void onMenuItem(const std::string& name) override {
    log("menu " + name);
    if (onMenu) onMenu();
  }
  bool onCloseRequest() override { return true; }
  void onTimer() override {
    log("timer");
    if (onTick) onTick();
  }
  std::optional<int> exitRequested() const override { return exit; }

  std::vector<std::string> calls;
  std::function<void()> onMenu;
  std::function<void()> onTick;
  std::optional<int> exit;

 private:
  static std::string xy(int x, int y) { return " " + std::to_string(x) + "," + std::to_string(y); }
  void log(const std::string& s) { calls.push_back(s + " @" + std::to_string(host_.elapsedMs())); }
  HeadlessHost& host_;
};

struct Rig {
  explicit Rig(std::string_view events, std::uint64_t limit = HeadlessHost::kDefaultTimeLimitMs)
      : host(ParseEvents(events), limit), listener(host) {}
  HeadlessHost host;
  FakeListener listener;
};

using Calls = std::vector<std::string>;

// ---- Reading the events file ----

TEST(HeadlessEvents, ReadsEventsAndQueuesAnswersApart) {
  EventScript s = ParseEvents(
      "# a comment\n"
      "\n"
      "click 10 20   # trailing comment\r\n"
      "answer YES\n"
      "at +250 key ctrl+s\n"
      "input 山田 #1\n"
      "  rclick\n"
      "slot 80\n"
      "slot-cancel\n"
      "font 3 IPA Gothic\n"
      "file-cancel\n"
      "wait 1500\n"
      "key enter\n");
  ASSERT_EQ(s.events.size(), 5u);
  EXPECT_EQ(s.events[0].kind, HeadlessEvent::Kind::Click);
  EXPECT_TRUE(s.events[0].hasPoint);
  EXPECT_EQ(s.events[0].x, 10);
  EXPECT_EQ(s.events[0].y, 20);
  EXPECT_EQ(s.events[0].line, 3);
  EXPECT_FALSE(s.events[0].after);
  EXPECT_EQ(s.events[1].kind, HeadlessEvent::Kind::Key);
  EXPECT_EQ(s.events[1].name, "S");
  EXPECT_TRUE(s.events[1].ctrl);
  EXPECT_EQ(s.events[1].after, 250u);
  EXPECT_EQ(s.events[2].kind, HeadlessEvent::Kind::RightClick);
  EXPECT_FALSE(s.events[2].hasPoint);
  EXPECT_EQ(s.events[3].ms, 1500u);
  EXPECT_EQ(s.events[4].name, "Enter");
  EXPECT_FALSE(s.events[4].ctrl);

  ASSERT_EQ(s.answers.size(), 1u);
  EXPECT_EQ(s.answers[0], AnswerWord::Yes);
  ASSERT_EQ(s.inputs.size(), 1u);
  EXPECT_EQ(s.inputs[0], "山田 #1");  // an answer's text is taken whole
  ASSERT_EQ(s.slots.size(), 2u);
  EXPECT_EQ(s.slots[0], 80);
  EXPECT_EQ(s.slots[1], std::nullopt);
  ASSERT_EQ(s.fonts.size(), 1u);
  EXPECT_EQ(s.fonts[0].row, 3);
  EXPECT_EQ(s.fonts[0].name, "IPA Gothic");
  ASSERT_EQ(s.files.size(), 1u);
  EXPECT_EQ(s.files[0], std::nullopt);
}

TEST(HeadlessEvents, BadLinesNameTheirLine) {
  struct Case {
    const char* line;
    const char* reason;
  };
  const Case cases[] = {
      {"jump 1 2", "unknown event"},
      {"click 10", "both X and Y"},
      {"click 640 0", "out of range"},
      {"click 0 480", "out of range"},
      {"click -1 0", "out of range"},
      {"move", "needs X Y"},
      {"click 1 2 3", "unexpected"},
      {"key F13", "unknown key"},
      {"key", "needs a NAME"},
      {"menu", "needs a NAME"},
      {"wait soon", "expected milliseconds"},
      {"at 100 click", "+MS"},
      {"at +x click", "expected milliseconds"},
      {"at +100", "needs an event"},
      {"at +100 answer yes", "cannot be timed"},
      {"answer maybe", "yes, no, ok or cancel"},
      {"slot 0", "out of range"},
      {"slot 81", "out of range"},
      {"font 4 Mincho", "out of range"},
      {"font 1", "row N and a NAME"},
      {"file", "needs a PATH"},
      {"snap ../up", "plain file name"},
  };
  for (const Case& c : cases) {
    try {
      ParseEvents(std::string("click\n# fine\n") + c.line + "\nclick\n", "ev.txt");
      ADD_FAILURE() << "accepted: " << c.line;
    } catch (const EventsError& e) {
      EXPECT_EQ(e.line(), 3) << c.line;
      EXPECT_NE(std::string(e.what()).find("ev.txt:3: "), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
    }
  }
}

// ---- Taking events ----

TEST(HeadlessHostEvents, ReaderWaitTakesOneEventAtOnceInOrder) {
  Rig r(
      "click 100 50\n"
      "click\n"
      "rclick 3 4\n"
      "down\n"
      "up 5 6\n"
      "move 7 8\n"
      "key ctrl+S\n"
      "menu Msave\n");
  r.host.processMessages();  // never takes an event
  EXPECT_TRUE(r.listener.calls.empty());

  EXPECT_TRUE(r.host.waitMessage(std::nullopt));
  EXPECT_EQ(r.listener.calls,
            (Calls{"move 100,50 @0", "down 100,50 @0", "up 100,50 @0", "click 100,50 @0"}));
  r.listener.calls.clear();
  while (r.host.eventsLeft() > 0)
    r.host.waitMessage(std::nullopt);
  EXPECT_EQ(r.listener.calls,
            (Calls{"down 100,50 @0", "up 100,50 @0", "click 100,50 @0", "move 3,4 @0",
                   "down 3,4 right @0", "up 3,4 right @0", "down 3,4 @0", "move 5,6 @0",
                   "up 5,6 @0", "move 7,8 @0", "key ctrl+S @0", "menu Msave @0"}));
  EXPECT_EQ(r.host.pointerX(), 7);
  EXPECT_EQ(r.host.pointerY(), 8);
  EXPECT_EQ(r.host.elapsedMs(), 0u);
  EXPECT_THROW(
      {
        try {
          r.host.waitMessage(std::nullopt);
        } catch (const RunStopped& s) {
          EXPECT_EQ(s.reason, RunStopped::Reason::InputExhausted);
          throw;
        }
      },
      RunStopped);
}

TEST(HeadlessHostEvents, TimedEventsCountFromThePreviousTake) {
  Rig r("at +500 click 1 1\nclick\nat +300 key A\nat +0 key B\n");
  r.host.waitMessage(std::nullopt);
  EXPECT_EQ(r.host.ticks(), kT0 + 500);
  // Time passing between takes counts towards the next `at`.
  r.host.waitMessage(kT0 + 600);  // untimed: not taken, clock jumps
  EXPECT_EQ(r.host.ticks(), kT0 + 600);
  r.host.waitMessage(std::nullopt);  // click, taken at 600
  r.host.waitMessage(kT0 + 700);     // key A due at 900: not before 700
  EXPECT_EQ(r.host.eventsLeft(), 2u);
  EXPECT_TRUE(r.host.waitMessage(std::nullopt));  // key A at 900, not 700 + 300
  EXPECT_EQ(r.host.ticks(), kT0 + 900);
  EXPECT_TRUE(r.host.waitMessage(kT0 + 2000));  // key B at once
  EXPECT_EQ(r.listener.calls,
            (Calls{"move 1,1 @500", "down 1,1 @500", "up 1,1 @500", "click 1,1 @500",
                   "down 1,1 @600", "up 1,1 @600", "click 1,1 @600", "key A @900", "key B @900"}));
}

TEST(HeadlessHostEvents, DeadlineWaitsTakeOnlyTimedEventsDueBeforeTheDeadline) {
  Rig r("snap x\nat +100 key A\n");
  // An untimed event (a snap too) waits for the reader.
  EXPECT_FALSE(r.host.waitMessage(kT0 + 40));
  EXPECT_EQ(r.host.ticks(), kT0 + 40);
  EXPECT_EQ(r.host.snapsTaken(), 0);
  // A deadline already passed lets no time pass.
  EXPECT_FALSE(r.host.waitMessage(kT0 + 10));
  EXPECT_EQ(r.host.ticks(), kT0 + 40);
  r.host.waitMessage(std::nullopt);
  EXPECT_EQ(r.host.snapsTaken(), 1);

  // Due exactly at the deadline: the deadline comes first.
  EXPECT_FALSE(r.host.waitMessage(kT0 + 140));
  EXPECT_EQ(r.host.eventsLeft(), 1u);
  EXPECT_TRUE(r.host.waitMessage(kT0 + 141));
  EXPECT_EQ(r.host.ticks(), kT0 + 140);
  EXPECT_EQ(r.listener.calls, (Calls{"key A @140"}));
}

TEST(HeadlessHostEvents, WaitEventLetsTimePassAndLaterAtCountsFromItsEnd) {
  Rig r("wait 1000\nat +50 key A\n");
  r.host.setTimerEnabled(true);
  EXPECT_TRUE(r.host.waitMessage(std::nullopt));
  EXPECT_EQ(r.host.elapsedMs(), 1000u);
  EXPECT_EQ(r.listener.calls.size(), 10u);  // the timer ran meanwhile
  r.listener.calls.clear();
  r.host.setTimerEnabled(false);
  r.host.waitMessage(std::nullopt);
  EXPECT_EQ(r.listener.calls, (Calls{"key A @1050"}));
}

TEST(HeadlessHostEvents, HandlerThatWaitsForTheReaderGetsTheNextEvent) {
  Rig r("menu Khidetext\nclick 2 2\nkey Enter\n");
  r.listener.onMenu = [&] { r.host.waitMessage(std::nullopt); };
  r.host.waitMessage(std::nullopt);
  EXPECT_EQ(r.listener.calls, (Calls{"menu Khidetext @0", "move 2,2 @0", "down 2,2 @0", "up 2,2 @0",
                                     "click 2,2 @0"}));
  r.host.waitMessage(std::nullopt);
  EXPECT_EQ(r.listener.calls.back(), "key Enter @0");
}

TEST(HeadlessHostEvents, ClickStopsOnceTheEngineWantsToExit) {
  Rig r("click 9 9\n");
  r.listener.exit = 1;
  r.host.waitMessage(std::nullopt);
  EXPECT_EQ(r.listener.calls, (Calls{"move 9,9 @0"}));
}

// ---- Clock, timer, limit ----

TEST(HeadlessHostClock, TimerFiresEvery100MsWhileEnabled) {
  Rig r("");
  r.host.waitMessage(kT0 + 50);
  r.host.setTimerEnabled(true);  // first tick at 150
  r.host.waitMessage(kT0 + 449);
  EXPECT_EQ(r.listener.calls, (Calls{"timer @150", "timer @250", "timer @350"}));
  r.host.setTimerEnabled(true);  // already on: same phase
  r.host.waitMessage(kT0 + 450);
  EXPECT_EQ(r.listener.calls.back(), "timer @450");
  r.host.setTimerEnabled(false);
  r.host.waitMessage(kT0 + 1000);
  EXPECT_EQ(r.listener.calls.size(), 4u);

  // A handler that switches the timer off stops it at once.
  r.listener.calls.clear();
  r.host.setTimerEnabled(true);
  r.listener.onTick = [&] { r.host.setTimerEnabled(false); };
  r.host.waitMessage(kT0 + 2000);
  EXPECT_EQ(r.listener.calls, (Calls{"timer @1100"}));
  EXPECT_EQ(r.host.elapsedMs(), 2000u);
}

TEST(HeadlessHostClock, TimeLimitStopsAtTheLimit) {
  Rig r("at +900 click\n", 700);
  r.host.setTimerEnabled(true);
  try {
    r.host.waitMessage(std::nullopt);
    FAIL() << "no time limit";
  } catch (const RunStopped& s) {
    EXPECT_EQ(s.reason, RunStopped::Reason::TimeLimit);
  }
  EXPECT_EQ(r.host.elapsedMs(), 700u);
  EXPECT_EQ(r.listener.calls.size(), 7u);  // the timer up to the limit, no click

  Rig exact("", 700);
  EXPECT_FALSE(exact.host.waitMessage(kT0 + 700));  // reaching the limit is allowed
  EXPECT_THROW(exact.host.waitMessage(kT0 + 701), RunStopped);
}

TEST(HeadlessHostClock, LocalTimeStartsAtNewYear2000AndFollowsTheClock) {
  Rig r("");
  LocalTime t = r.host.localTime();
  EXPECT_EQ(t.year, 2000);
  EXPECT_EQ(t.month, 1);
  EXPECT_EQ(t.day, 1);
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.weekday, 6);  // Saturday
  EXPECT_EQ(t.yearDay, 0);
  // 2000 is a leap year: 60 days and a bit later it is 1 March. Getting there takes several
  // waits, each less than 2^31 ms ahead, and the 32-bit tick count wraps on the way.
  const std::uint64_t ms = ((60ull * 24 + 13) * 60 + 7) * 60 * 1000 + 9500;
  Rig later("", ms);
  for (std::uint64_t at = 0; at < ms;) {
    at = std::min<std::uint64_t>(at + 2'000'000'000, ms);
    later.host.waitMessage(static_cast<std::uint32_t>(kT0 + at));
    ASSERT_EQ(later.host.elapsedMs(), at);
  }
  t = later.host.localTime();
  EXPECT_EQ(t.month, 3);
  EXPECT_EQ(t.day, 1);
  EXPECT_EQ(t.hour, 13);
  EXPECT_EQ(t.minute, 7);
  EXPECT_EQ(t.second, 9);
  EXPECT_EQ(t.yearDay, 60);
  EXPECT_EQ(t.weekday, 3);  // Wednesday
}

// ---- Dialogs ----

TEST(HeadlessHostDialogs, MessageBoxesTakeAnswersOnlyWhenTheyAsk) {
  Rig r("answer yes\nanswer cancel\nanswer ok\nanswer no\nanswer cancel\n");
  auto box = [&](MessageButtons b, const char* text) {
    return r.host.messageBox({text, "cap", MessageIcon::Question, b});
  };
  EXPECT_EQ(box(MessageButtons::Ok, "info"), MessageAnswer::Ok);  // takes nothing
  EXPECT_EQ(box(MessageButtons::YesNo, "a"), MessageAnswer::Yes);
  EXPECT_EQ(box(MessageButtons::YesNo, "b"), MessageAnswer::No);  // cancel on Yes/No
  EXPECT_EQ(box(MessageButtons::OkCancel, "c"), MessageAnswer::Ok);
  EXPECT_EQ(box(MessageButtons::OkCancel, "d"), MessageAnswer::Cancel);  // no on OK/Cancel
  EXPECT_EQ(box(MessageButtons::YesNoCancel, "e"), MessageAnswer::Cancel);
  // Nothing queued: the defaults.
  EXPECT_EQ(box(MessageButtons::YesNo, "f"), MessageAnswer::No);
  EXPECT_EQ(box(MessageButtons::OkCancel, "g"), MessageAnswer::Cancel);
  EXPECT_EQ(box(MessageButtons::YesNoCancel, "h"), MessageAnswer::Cancel);

  const auto& m = r.host.messages();
  ASSERT_EQ(m.size(), 9u);
  std::string answers;
  for (const MessageRecord& rec : m)
    answers += rec.text + "=" + rec.answer + " ";
  EXPECT_EQ(answers, "info=ok a=yes b=no c=ok d=cancel e=cancel f=no g=cancel h=cancel ");
  EXPECT_EQ(m[0].caption, "cap");
  EXPECT_EQ(m[0].icon, MessageIcon::Question);
}

TEST(HeadlessHostDialogs, EachDialogKindHasItsOwnQueue) {
  Rig r(
      "input 太郎\ninput-cancel\ninput\n"
      "file /tmp/a.txt\nfile-cancel\nfile rel/b.txt\n"
      "slot 7\nslot-cancel\n"
      "font 2 IPAGothic\n");
  EXPECT_EQ(r.host.inputBox("c", "p", "i"), "太郎");
  EXPECT_EQ(r.host.inputBox("c", "p", "i"), std::nullopt);
  EXPECT_EQ(r.host.inputBox("c", "p", "i"), "");
  EXPECT_EQ(r.host.inputBox("c", "p", "i"), std::nullopt);

  EXPECT_EQ(r.host.openFile({}), "/tmp/a.txt");
  EXPECT_EQ(r.host.openFile({}), std::nullopt);
  EXPECT_EQ(r.host.openFile({}), (std::filesystem::current_path() / "rel/b.txt").string());
  EXPECT_EQ(r.host.openFile({}), std::nullopt);

  EXPECT_EQ(r.host.takeSlotAnswer(), std::optional<std::optional<int>>(7));
  auto cancelled = r.host.takeSlotAnswer();
  ASSERT_TRUE(cancelled.has_value());
  EXPECT_FALSE(cancelled->has_value());
  EXPECT_FALSE(r.host.takeSlotAnswer().has_value());

  auto font = r.host.takeFontAnswer();
  ASSERT_TRUE(font);
  EXPECT_EQ(font->row, 2);
  EXPECT_EQ(font->name, "IPAGothic");
  EXPECT_FALSE(r.host.takeFontAnswer());
  EXPECT_TRUE(r.host.messages().empty());  // dialogs other than message boxes are not listed
}

// ---- Pictures ----

TEST(HeadlessHostPictures, SnapshotsHoldWhatWasPresented) {
  test::Scenario place;  // only for its temporary folder
  Rig r("snap one\nsnap two\n");
  r.host.setSnapshotDir(place.snapshotDir());

  Surface picture(640, 480, 0x00112233);
  picture.at(5, 5) = 0xFF00FF00;  // the top byte is not part of the colour
  r.host.present(picture, {0, 0, 320, 240});
  r.host.waitMessage(std::nullopt);
  picture.fill(0x00FFFFFF);
  r.host.present(picture, {600, 400, 700, 500});  // clipped to the picture
  r.host.waitMessage(std::nullopt);

  Surface one = place.snapshot("one");
  ASSERT_EQ(one.width(), 640);
  ASSERT_EQ(one.height(), 480);
  EXPECT_EQ(one.at(0, 0), 0x112233u);
  EXPECT_EQ(one.at(5, 5), 0x00FF00u);
  EXPECT_EQ(one.at(319, 239), 0x112233u);
  EXPECT_EQ(one.at(320, 0), 0u);  // outside the area: still the black start
  EXPECT_EQ(one.at(639, 479), 0u);
  Surface two = place.snapshot("two");
  EXPECT_EQ(two.at(639, 479), 0xFFFFFFu);
  EXPECT_EQ(two.at(599, 479), 0u);
  EXPECT_EQ(two.at(0, 0), 0x112233u);
}

// ---- Report ----

TEST(HeadlessReportJson, InvalidUtf8IsReplacedAndTheReportAlwaysParses) {
  EXPECT_EQ(ValidUtf8("plain コマンド \xF0\x9F\x98\x80"), "plain コマンド \xF0\x9F\x98\x80");
  // Bytes that are not UTF-8 (a CP932 lead byte, a cut sequence, a surrogate) are replaced.
  EXPECT_EQ(ValidUtf8("\x82"), "\xEF\xBF\xBD");
  EXPECT_EQ(ValidUtf8("\xE3\x82"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(ValidUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  HeadlessReport r;
  r.caption = std::string("a\"b\\c\n\x01\0\x82", 10);
  r.flags = {"\x93\xFA"};
  const auto doc = nlohmann::json::parse(ReportToJson(r));
  EXPECT_EQ(doc["caption"], std::string("a\"b\\c\n\x01\0\xEF\xBF\xBD", 12));
  EXPECT_EQ(doc["flags"][0], "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(HeadlessReportJson, ReportHasTheDocumentedShapeInOrder) {
  HeadlessReport r;
  r.outcome = HeadlessOutcome::InputExhausted;
  r.exitCode = 0;
  r.file = "autorun.txt";
  r.line = 12;
  r.caption = "題名";
  r.virtualMs = 4242;
  r.flags = {"", "7"};
  r.errors = {"File:autorun.txt Line:3/x"};
  r.messages = {{"", "終了しますか？", "ok"}};
  r.windows = {{"TFver", "バージョン情報", {"Ver 1.43"}}};
  const std::string text = ReportToJson(r);
  const auto doc = nlohmann::ordered_json::parse(text);
  std::vector<std::string> keys;
  for (const auto& item : doc.items())
    keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"outcome", "exit_code", "file", "line", "caption",
                                            "virtual_ms", "flags", "errors", "messages", "channels",
                                            "audio", "windows"}));
  EXPECT_EQ(doc["outcome"], "input-exhausted");
  EXPECT_EQ(doc["line"], 12);
  EXPECT_EQ(doc["virtual_ms"], 4242);
  EXPECT_EQ(doc["flags"], nlohmann::json::array({"", "7"}));
  EXPECT_EQ(doc["messages"][0]["text"], "終了しますか？");
  EXPECT_EQ(doc["messages"][0]["answer"], "ok");
  EXPECT_TRUE(doc["channels"].is_object());
  EXPECT_TRUE(doc["audio"].is_array());
  EXPECT_EQ(doc["windows"][0]["name"], "TFver");
  EXPECT_EQ(doc["windows"][0]["texts"][0], "Ver 1.43");
  // Debug lists only in debug mode.
  EXPECT_FALSE(doc.contains("debug"));
  r.debug = nlohmann::ordered_json{{"errors", nlohmann::json::array()}};
  EXPECT_TRUE(nlohmann::json::parse(ReportToJson(r)).contains("debug"));
  // Authors grep reports: the separator stays ": ".
  EXPECT_NE(text.find("\"outcome\": \"input-exhausted\""), std::string::npos);
}

}  // namespace
}  // namespace qw
