// The desktop host's pacing arithmetic: where a tick deadline falls due, how a wait is split
// between the event dispatcher and the exact sleep, and how often the window may repaint.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "host/qt/frame_pacing.h"
#include "host/qt/tick_clock.h"

namespace qw {
namespace {

constexpr std::int64_t kMs = 1000000;

TEST(TickClock, APauseLastsItsMillisecondsWhereverInTheTickItStarts) {
  for (const std::int64_t within : {0LL, 300000LL, 999999LL}) {
    for (const std::uint32_t pause : {1u, 2u, 10u}) {
      TickClock clock;
      const std::int64_t start = 5000 * kMs + within;
      const std::uint32_t tick = clock.read(start);
      EXPECT_EQ(tick, 5000u);
      const std::int64_t due = clock.dueAt(tick + pause);
      EXPECT_EQ(due - start, static_cast<std::int64_t>(pause) * kMs) << within << " " << pause;
      // At that moment the engine reads the deadline itself, not the tick before it.
      EXPECT_EQ(TickClock().read(due), tick + pause);
    }
  }
}

TEST(TickClock, AWaitResumedForTheSameDeadlineKeepsItsMoment) {
  TickClock clock;
  const std::uint32_t tick = clock.read(700 * kMs + 600000);
  const std::int64_t due = clock.dueAt(tick + 5);
  // Woken by an event, the engine reads the clock again (in a later tick) and waits on.
  clock.read(703 * kMs + 100000);
  EXPECT_EQ(clock.dueAt(tick + 5), due);
  // A new pause from the new reading is measured from it.
  const std::uint32_t later = clock.read(706 * kMs + 200000);
  EXPECT_EQ(clock.dueAt(later + 5), 711 * kMs + 200000);
}

TEST(TickClock, PassedAndOutOfRangeDeadlinesAreDueAtOnceAndTheCountWraps) {
  TickClock clock;
  const std::int64_t now = 0xFFFFFFFFLL * kMs + 400000;  // the tick count's last value
  EXPECT_EQ(clock.read(now), 0xFFFFFFFFu);
  EXPECT_EQ(clock.dueAt(0xFFFFFFF0u), now);
  EXPECT_EQ(clock.dueAt(0xFFFFFFFFu), now);
  EXPECT_EQ(clock.dueAt(0xFFFFFFFFu + 0x80000000u), now);
  EXPECT_EQ(clock.dueAt(1u), now + 2 * kMs);
}

TEST(TickClock, TheDispatcherSleepsAllButTheLastStretch) {
  const struct {
    std::int64_t remaining;
    std::optional<int> dispatcherMs;
  } cases[] = {
      {500000, std::nullopt}, {2 * kMs, std::nullopt}, {2 * kMs + 900000, std::nullopt},
      {3 * kMs, 1},           {10 * kMs + 500000, 8},  {100000 * kMs, 99998},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DispatcherSleepMs(c.remaining), c.dispatcherMs) << c.remaining;
}

TEST(FramePacing, RepaintsAreAtLeastARefreshPeriodApart) {
  EXPECT_EQ(FramePeriodNs(60.0), 16666666);
  EXPECT_EQ(FramePeriodNs(0.0), 16666666);  // a display that reports no rate
  EXPECT_EQ(FramePeriodNs(1000.0), FramePeriodNs(240.0));
  EXPECT_EQ(FramePeriodNs(5.0), FramePeriodNs(30.0));
  const std::int64_t period = FramePeriodNs(60.0);
  const struct {
    std::int64_t since;
    int delayMs;
  } cases[] = {{0, 17}, {10 * kMs, 7}, {16 * kMs, 1}, {period, 0}, {100 * kMs, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(RepaintDelayMs(period, c.since), c.delayMs) << c.since;
}

}  // namespace
}  // namespace qw
