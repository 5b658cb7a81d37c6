// The desktop host's clock: the millisecond tick count the engine reads, taken from a
// nanosecond clock, and the exact moment a wait for a tick deadline ends.
//
// The engine times a pause of n ms as "until the tick count reaches now + n". Read at whole
// ticks, such a pause lasts anywhere from n - 1 to n ms; slept in the event dispatcher, whose
// timers fire up to a millisecond late, it lasts up to n + 1. Over a transition of 110 steps of
// 2 ms either error adds up to a third of its length. The clock remembers where inside its tick
// the last reading fell, so that a deadline counts whole milliseconds from that reading: the
// pause lasts n ms, and the tick count at its end is the deadline, as the engine expects.
#pragma once

#include <cstdint>
#include <optional>

namespace qw {

class TickClock {
 public:
  // The tick count at `ns` on the host's nanosecond clock (wrapping like a 32-bit count). The
  // reading is remembered: later deadlines are measured from it.
  std::uint32_t read(std::int64_t ns);
  // The nanosecond moment a wait for `deadline` ends: `deadline` minus the last reading's tick,
  // in whole milliseconds, after that reading; the tick count there is `deadline`. A deadline
  // more than 2^31 - 1 ms ahead counts as passed. A wait resumed for the same deadline (woken
  // by an event meanwhile) keeps the moment it was first given.
  std::int64_t dueAt(std::uint32_t deadline);

 private:
  std::int64_t readNs_ = 0;
  std::uint32_t readTick_ = 0;
  std::optional<std::uint32_t> lastDeadline_;
  std::int64_t lastDue_ = 0;
};

// How long a wait with `remainingNs` to go may sleep in the event dispatcher, in whole
// milliseconds: nothing when it is near enough that the dispatcher's lateness (up to a
// millisecond) would matter, and the rest is better slept exactly.
std::optional<int> DispatcherSleepMs(std::int64_t remainingNs);

// The host's nanosecond clock: time since boot, suspend included, like the system tick count.
std::int64_t ClockNs();
// Blocks the calling thread until ClockNs reaches `due`: it sleeps until shortly before, since
// a sleeping thread wakes some tens of microseconds late, and watches the clock for the rest.
void WatchUntil(std::int64_t due);

}  // namespace qw
