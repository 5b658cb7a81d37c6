// The wait unit, the host services for media and tool windows, and regressions of faults
// found in review (key file case, folders CP932 cannot name, overflow, failed host writes).
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/run_stop.h"
#include "gfx/composite.h"
#include "gfx/picture_command.h"
#include "host/headless/headless_host.h"
#include "host/headless/headless_runner.h"
#include "platform/atomic_file.h"
#include "platform/cp932.h"
#include "present/popup_menu.h"
#include "present/wait.h"
#include "script/source.h"
#include "support/scenario.h"
#include "tools/lint.h"

namespace qw {
namespace {

using Events = std::vector<std::string>;

class Recorder : public HostListener {
 public:
  Events events;
  void onMouseDown(int x, int y, bool) override { add("down", x, y); }
  void onMouseUp(int x, int y, bool) override { add("up", x, y); }
  void onClick(int x, int y) override { add("click", x, y); }
  void onMouseMove(int, int) override {}
  void onKey(const std::string& key, bool) override { events.push_back("key " + key); }
  void onMenuItem(const std::string&) override {}
  bool onCloseRequest() override { return true; }
  void onTimer() override {}
  std::optional<int> exitRequested() const override { return std::nullopt; }
  void onClickOutside() override { events.push_back("outside"); }
  void onWheel(int n, int x, int y) override { add("wheel " + std::to_string(n), x, y); }
  void onWake() override { events.push_back("wake"); }

 private:
  void add(const std::string& what, int x, int y) {
    events.push_back(what + " " + std::to_string(x) + " " + std::to_string(y));
  }
};

HeadlessHost HostWith(const std::string& events) {
  return HeadlessHost(ParseEvents(events));
}

// ---- The wait unit ----

TEST(WaitScopes, NestedScopesPutBackExactlyWhatWasThere) {
  InputSignals input;
  {
    ClicksOffScope outer(input);
    {
      ClicksOffScope inner(input);
      EXPECT_FALSE(input.clicksEnabled);
    }
    // The inner pause ending must not turn clicks on under the outer one.
    EXPECT_FALSE(input.clicksEnabled);
  }
  EXPECT_TRUE(input.clicksEnabled);

  PopupMenu menu;
  menu.setAutoPopup(true);
  {
    MenuLockScope outer(menu);
    {
      MenuLockScope inner(menu);
      EXPECT_EQ(menu.lockCount(), 2);
    }
    EXPECT_FALSE(menu.autoPopup());
    EXPECT_EQ(menu.lockCount(), 1);
  }
  EXPECT_TRUE(menu.autoPopup());
  EXPECT_EQ(menu.lockCount(), 0);
}

TEST(WaitScopes, AnUnwoundWaitRestoresToo) {
  InputSignals input;
  PopupMenu menu;
  bool flag = false;
  HeadlessHost host = HostWith("");
  host.setTimerEnabled(true);
  try {
    ClicksOffScope off(input);
    MenuLockScope locked(menu);
    FlagScope set(flag, true);
    TimerOffScope timer(host, true);
    EXPECT_FALSE(host.timerEnabled());
    Waiter waiter(host, [] {});
    waiter.until([] { return false; });  // no events: the run stops here
    FAIL() << "the wait should have ended the run";
  } catch (const RunStopped& stop) {
    EXPECT_EQ(stop.reason, RunStopped::Reason::InputExhausted);
  }
  EXPECT_TRUE(input.clicksEnabled);
  EXPECT_EQ(menu.lockCount(), 0);
  EXPECT_TRUE(menu.autoPopup());
  EXPECT_FALSE(flag);
  EXPECT_TRUE(host.timerEnabled());
}

TEST(Waiter, TimedWaitsEndAtTheDeadlineOrWhenDone) {
  HeadlessHost host = HostWith("at +30 key A\n");
  Recorder r;
  host.setListener(&r);
  int rounds = 0;
  Waiter waiter(host, [&] { ++rounds; });
  const std::uint32_t start = host.ticks();
  EXPECT_TRUE(waiter.untilTickOr(start + 100, [&] { return !r.events.empty(); }));
  EXPECT_EQ(host.ticks() - start, 30u);
  EXPECT_FALSE(waiter.untilTickOr(start + 100, [] { return false; }));
  EXPECT_EQ(host.ticks() - start, 100u);
  EXPECT_EQ(rounds, 2);

  InputSignals input;
  Pause(waiter, input, 25);
  EXPECT_EQ(host.ticks() - start, 125u);
  EXPECT_TRUE(input.clicksEnabled);
  // A deadline more than 2^31 ms ahead goes in steps instead of reading as passed.
  HeadlessHost far(EventScript{}, 0xFFFFFFFFull);
  Waiter farWaiter(far, [] {});
  farWaiter.untilTick(far.ticks() + 0x90000000u);
  EXPECT_EQ(far.elapsedMs(), 0x90000000ull);
}

// ---- Host services, headless ----

TEST(HeadlessServices, APostFromAnotherThreadEndsTheNextWait) {
  HeadlessHost host = HostWith("");
  Recorder r;
  host.setListener(&r);
  bool ran = false;
  std::thread other([&] { host.post([&] { ran = true; }); });
  other.join();
  EXPECT_TRUE(host.waitMessage(host.ticks() + 500));
  EXPECT_TRUE(ran);
  EXPECT_EQ(host.elapsedMs(), 0u);
}

TEST(HeadlessServices, WakesFireOnTheVirtualClock) {
  {
    SCOPED_TRACE("a deadline wait returns at the wake");
    HeadlessHost host = HostWith("");
    Recorder r;
    host.setListener(&r);
    host.wakeAt(host.ticks() + 200);
    EXPECT_TRUE(host.waitMessage(host.ticks() + 1000));
    EXPECT_EQ(host.elapsedMs(), 200u);
    EXPECT_EQ(r.events, (Events{"wake"}));
    EXPECT_FALSE(host.waitMessage(host.ticks() + 50)) << "a wake fires once";
  }
  {
    SCOPED_TRACE("on the way to a timed event, in order");
    HeadlessHost host = HostWith("at +300 key A\n");
    Recorder r;
    host.setListener(&r);
    host.wakeAt(host.ticks() + 100);
    EXPECT_TRUE(host.waitMessage(std::nullopt));
    EXPECT_EQ(r.events, (Events{"wake", "key A"}));
    EXPECT_EQ(host.elapsedMs(), 300u);
  }
  {
    SCOPED_TRACE("a wait for the reader takes an untimed event at once");
    HeadlessHost host = HostWith("key B\n");
    Recorder r;
    host.setListener(&r);
    host.wakeAt(host.ticks() + 100);
    EXPECT_TRUE(host.waitMessage(std::nullopt));
    EXPECT_EQ(r.events, (Events{"key B"}));
    EXPECT_EQ(host.elapsedMs(), 0u);
    host.cancelWake();
    EXPECT_FALSE(host.waitMessage(host.ticks() + 500));
    EXPECT_EQ(r.events.size(), 1u);
  }
}

TEST(HeadlessServices, ClicksBesideThePictureAndTheWheel) {
  HeadlessHost host = HostWith("click-outside\nwheel up 10 20\nwheel DOWN\n");
  Recorder r;
  host.setListener(&r);
  while (host.eventsLeft() > 0)
    host.waitMessage(std::nullopt);
  EXPECT_EQ(r.events, (Events{"outside", "wheel 1 10 20", "wheel -1 10 20"}));
  EXPECT_THROW(ParseEvents("wheel sideways\n"), EventsError);
  EXPECT_THROW(ParseEvents("click-outside 1 2\n"), EventsError);
}

class Slots final : public ToolWindowModel {
 public:
  Events acts;
  bool done = false;
  std::string name = "TFfile";
  std::string formName() const override { return name; }
  std::string caption() const override { return "セーブ"; }
  int width() const override { return 100; }
  int height() const override { return 100; }
  std::vector<ToolControl> controls() const override {
    ToolControl label{ToolControl::Kind::Label, "Label1", "どこに保存しますか"};
    ToolControl list{ToolControl::Kind::List, "Slots", {}, {"01: ---", "02: ---"}};
    ToolControl hidden{ToolControl::Kind::Button, "Hidden", "見えない"};
    hidden.visible = false;
    ToolControl button{ToolControl::Kind::Button, "cancel", "キャンセル"};
    return {label, list, hidden, button};
  }
  void act(const std::string& c, int v, const std::string& t) override {
    acts.push_back(c + " " + std::to_string(v) + (t.empty() ? "" : " " + t));
    done = c == "slot" || c == "cancel" || c == "ok";
  }
  bool closed() const override { return done; }
};

TEST(HeadlessServices, ToolWindowsAreRecordedAndAnsweredFromTheQueues) {
  HeadlessHost host = HostWith("slot 12\nslot-cancel\nfont 2 IPAGothic\n");
  Slots picker;
  host.showToolWindow(picker, true);
  EXPECT_EQ(picker.acts, (Events{"slot 12"}));
  picker.done = false;
  host.showToolWindow(picker, true);
  picker.done = false;
  host.showToolWindow(picker, true);  // nothing queued: cancelled
  EXPECT_EQ(picker.acts, (Events{"slot 12", "cancel 0", "cancel 0"}));

  Slots font;
  font.name = "TFfont";
  host.showToolWindow(font, true);
  EXPECT_EQ(font.acts, (Events{"font 2 IPAGothic", "ok 0"}));

  Slots debug;
  debug.name = "TFdebug";
  host.showToolWindow(debug, false);
  EXPECT_TRUE(debug.acts.empty());
  EXPECT_EQ(host.openToolWindows().size(), 1u);
  host.closeToolWindow(debug);
  EXPECT_TRUE(host.openToolWindows().empty());

  ASSERT_EQ(host.windows().size(), 5u);
  EXPECT_EQ(host.windows()[0].name, "TFfile");
  EXPECT_EQ(host.windows()[0].caption, "セーブ");
  EXPECT_EQ(host.windows()[0].texts,
            (Events{"どこに保存しますか", "01: ---", "02: ---", "キャンセル"}));
}

// ---- Regressions ----

TEST(Regression, AnUpperCaseKeyFileIsFound) {
  test::Scenario s;
  const std::int32_t key = DeriveScriptKey(12345);
  s.writeFile("DECODE.KEY", "12345\r\n");
  std::string line = "_@flg[1]=ok";
  CipherLine(line, key);
  s.writeFile("autorun.txd", line + "\r\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.flags[1], "ok");
  EXPECT_TRUE(r.errors.empty()) << r.errors.front();
}

TEST(Regression, AScenarioInAFolderCp932CannotNamePlaysAndLints) {
  test::Scenario s;
  s.writeScript("josé/autorun.txt", "_goto :x,next.txt\n");
  s.writeScript("josé/next.txt", ":x\n_$flg[1]=1\n_bgload bg.png\n");
  s.writePng("josé/bg.png", Surface(640, 480, 0x336699));
  s.writeFile("josé/qwk.cfg", "SavePath=./\r\n");
  HeadlessRunOptions options;
  options.scenarioDir = s.dir() / "josé";
  HeadlessReport r;
  RunHeadless(options, &r);
  EXPECT_EQ(r.flags[1], "1");
  EXPECT_TRUE(r.errors.empty()) << r.errors.front();
  EXPECT_TRUE(LintScenario(s.dir() / "josé").empty());

  std::ostringstream err;
  const std::filesystem::path out = s.dir() / "out.png";
  EXPECT_EQ(RunPictureCommand(s.dir().string(), (s.dir() / "josé" / "bg.png").string(),
                              out.string(), err),
            0)
      << err.str();
  EXPECT_EQ(test::ReadPng(out).at(5, 5), 0x336699u);
}

TEST(Regression, PositionsNearTheIntLimitDrawNothing) {
  Surface src(8, 8, 0xFFFFFF);
  Surface dst(16, 16, 0);
  for (int x : {2147483647, 2147483640, -2147483647 - 1}) {
    CompositeImage(CompositeMode::Copy, x, 0, 8, 8, src, dst, nullptr, 0);
    CompositeImage(CompositeMode::Copy, 0, x, 8, 8, src, dst, nullptr, 0);
  }
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      ASSERT_EQ(dst.at(x, y), 0u);

  test::Scenario scenario;
  scenario.writeScript("autorun.txt",
                       "_bgload bg.png\n_efload fx.png,#NONE,0\n_efset 1,#COPY,2147483647,0,0\n"
                       "_refresh\n");
  scenario.writePng("bg.png", Surface(640, 480, 0x102030));
  scenario.writePng("fx.png", Surface(64, 64, 0xFFFFFF));
  HeadlessReport r = scenario.run();
  EXPECT_EQ(scenario.snapshot("final").at(639, 0), 0x102030u);
}

TEST(Regression, ASnapshotThatCannotBeWrittenEndsTheRunAsAHostFailure) {
  test::Scenario s;
  s.writeScript("autorun.txt", "テキスト\n");
  s.events("snap blocked\nclick\n");
  std::filesystem::create_directories(s.snapshotDir() / "blocked.png");
  try {
    s.run();
    FAIL() << "the run should have failed";
  } catch (const HostFailure& failure) {
    EXPECT_NE(failure.message.find("blocked.png"), std::string::npos) << failure.message;
  }
}

TEST(Regression, AnAtomicWriteKeepsTheModeOfTheFileItReplaces) {
  test::Scenario s;
  const std::filesystem::path file = s.dir() / "qwk.ini";
  ASSERT_TRUE(WriteFileAtomically(file, "a"));
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
  ASSERT_TRUE(WriteFileAtomically(file, "b"));
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // No folder to flush into: failure, and no file appears.
  EXPECT_FALSE(WriteFileAtomically(s.dir() / "missing" / "x", "c"));
  EXPECT_FALSE(std::filesystem::exists(s.dir() / "missing"));
}

}  // namespace
}  // namespace qw
