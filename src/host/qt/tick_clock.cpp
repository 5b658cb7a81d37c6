#include "host/qt/tick_clock.h"

#include <time.h>

#include <algorithm>
#include <cerrno>
#include <limits>

namespace qw {

namespace {

constexpr std::int64_t kNsPerMs = 1000000;
// The end of a timed wait slept outside the dispatcher.
constexpr std::int64_t kExactStretchNs = 2 * kNsPerMs;
// The very end of a timed wait, watched on the clock instead of slept.
constexpr std::int64_t kWatchedNs = 100000;

}  // namespace

std::uint32_t TickClock::read(std::int64_t ns) {
  readNs_ = ns;
  readTick_ = static_cast<std::uint32_t>(static_cast<std::uint64_t>(ns / kNsPerMs));
  return readTick_;
}

std::int64_t TickClock::dueAt(std::uint32_t deadline) {
  if (lastDeadline_ == deadline) {
    // Still inside that deadline's tick or before it: the moment first given holds.
    const auto dueTick =
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(lastDue_ / kNsPerMs));
    if (dueTick == deadline && static_cast<std::int32_t>(readTick_ - deadline) <= 0)
      return lastDue_;
  }
  const auto ahead = static_cast<std::int32_t>(deadline - readTick_);
  // Reached already, or more than 2^31 - 1 ms ahead and taken as passed: due at once.
  const std::int64_t due = ahead <= 0 ? readNs_ : readNs_ + ahead * kNsPerMs;
  lastDeadline_ = deadline;
  lastDue_ = due;
  return due;
}

std::optional<int> DispatcherSleepMs(std::int64_t remainingNs) {
  const std::int64_t ms = (remainingNs - kExactStretchNs) / kNsPerMs;
  if (ms < 1) return std::nullopt;
  return static_cast<int>(std::min<std::int64_t>(ms, std::numeric_limits<int>::max()));
}

std::int64_t ClockNs() {
  timespec now{};
  if (clock_gettime(CLOCK_BOOTTIME, &now) != 0) clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

void WatchUntil(std::int64_t due) {
  const std::int64_t ns = due - ClockNs() - kWatchedNs;
  if (ns > 0) {
    timespec left{static_cast<time_t>(ns / 1000000000LL), static_cast<long>(ns % 1000000000LL)};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
  }
  while (ClockNs() < due) {
  }
}

}  // namespace qw
