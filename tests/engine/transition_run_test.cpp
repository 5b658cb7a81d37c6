// Transitions run by the engine: `_fade`, the automatic refresh, the menu lock around them and
// the time they take on the virtual clock.
#include <gtest/gtest.h>

#include "support/scenario.h"

namespace qw {
namespace {

using test::Scenario;

constexpr std::uint32_t kOld = 0x000080;
constexpr std::uint32_t kNew = 0x00C000;

void TwoBackgrounds(Scenario& s) {
  s.writePng("old.png", Surface(640, 480, kOld));
  s.writePng("new.png", Surface(640, 480, kNew));
}

TEST(TransitionRun, FadeTakesTheSumOfItsPausesAndEndsOnTheNewFrame) {
  struct Case {
    const char* name;
    std::uint64_t ms;  // the pauses of every step
  };
  for (const Case& c : {Case{"#TILE0", 8 * 5}, Case{"xTILE0", 8 * 5}, Case{"#BLEND0", 17 * 2},
                        Case{"#LINE0", 240 * 4}, Case{"#WIPE0", 36 * 10}}) {
    SCOPED_TRACE(c.name);
    Scenario s;
    TwoBackgrounds(s);
    s.writeScript("autorun.txt", std::string("_bgload old.png\n_refresh\n_bgload new.png\n_fade ") +
                                     c.name + "\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_TRUE(r.errors.empty()) << r.errors.front();
    EXPECT_EQ(r.virtualMs, c.ms);
    EXPECT_EQ(s.snapshot("final").at(320, 240), kNew);
  }
}

TEST(TransitionRun, ALowerCaseNameRunsNothingAndLeavesTheScreen) {
  Scenario s;
  TwoBackgrounds(s);
  s.writeScript("autorun.txt", "_bgload old.png\n_refresh\n_bgload new.png\n_fade #tile0\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.virtualMs, 0u);
  EXPECT_EQ(s.snapshot("final").at(320, 240), kOld);
}

TEST(TransitionRun, StepsAreVisibleAtTheirVirtualTimes) {
  Scenario s;
  TwoBackgrounds(s);
  // BLEND0 step i shows at 2 * i ms: halfway (i = 8) each channel is (new * 8 + old * 8) >> 4.
  s.writeScript("autorun.txt",
                "_bgload old.png\n_refresh\n_bgload new.png\n_fade #BLEND0\n_mouseclick\n");
  s.events("at +17 snap half\nclick\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(s.snapshot("half").at(10, 10), 0x006040u);
  EXPECT_EQ(s.snapshot("final").at(10, 10), kNew);
}

TEST(TransitionRun, TheAutomaticRefreshRunsTheTransitionUndisturbedByARightClick) {
  Scenario s;
  TwoBackgrounds(s);
  s.writeScript("autorun.txt",
                "_bgload old.png\n_refresh\n_autorefresh #SCROLL0\n_bgload new.png\n");
  // The right click arrives during the push: no pop-up opens.
  s.events("at +5 rclick 10 10\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_GT(r.virtualMs, 20u);
  EXPECT_EQ(s.snapshot("final").at(0, 0), kNew);
}

}  // namespace
}  // namespace qw
