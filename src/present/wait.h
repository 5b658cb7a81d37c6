// Every wait of the engine is built from these: the rounds of waiting on the host, and scopes
// that change what a wait needs (clicks not counted, the pop-up menu locked, the wait cursor,
// the icon timer stopped) and put back exactly what was there before when they end or unwind.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "platform/host.h"

namespace qw {

class PopupMenu;

// The reader's event signals that waits poll (set by input handlers, cleared by waits).
struct InputSignals {
  bool click = false;
  bool mouseDown = false;
  bool mouseUp = false;
  bool enter = false;
  bool clicksEnabled = true;  // a click or Enter counts only while this is set
  int mouseX = 0;
  int mouseY = 0;
};

class Waiter {
 public:
  // `afterRound` runs after every round of messages: it throws what must end the wait (a
  // forced end decided by a handler).
  Waiter(Host& host, std::function<void()> afterRound)
      : host_(host), afterRound_(std::move(afterRound)) {}

  Host& host() { return host_; }
  std::uint32_t now() { return host_.ticks(); }

  // One round: delivers what is pending and returns.
  void processPending();
  // One round: sleeps until an event or `deadline`, then delivers what is pending.
  void round(std::optional<std::uint32_t> deadline = std::nullopt);
  // Until the tick count reaches `deadline` (unsigned 32-bit comparison).
  void untilTick(std::uint32_t deadline) {
    untilTickOr(deadline, [] { return false; });
  }
  // Until the tick count reaches `deadline` or `done()` holds; returns whether `done()` ended
  // it.
  template <typename Done>
  bool untilTickOr(std::uint32_t deadline, Done&& done) {
    for (std::uint32_t t = now(); !done(); t = now()) {
      if (t >= deadline) return false;
      round(Step(t, deadline));
    }
    return true;
  }
  // Until `done()` holds, each round sleeping until the next event (a wait for the reader).
  template <typename Done>
  void until(Done&& done) {
    while (!done())
      round();
  }

 private:
  // Hosts read a deadline as at most 2^31 - 1 ms ahead and take a farther one as passed,
  // which would spin; such a wait goes in steps.
  static std::uint32_t Step(std::uint32_t now, std::uint32_t deadline);

  Host& host_;
  std::function<void()> afterRound_;
};

// Clicks and Enter do not count while it lives; then they count as they did before.
class ClicksOffScope {
 public:
  explicit ClicksOffScope(InputSignals& input) : input_(input), previous_(input.clicksEnabled) {
    input_.clicksEnabled = false;
  }
  ~ClicksOffScope() { input_.clicksEnabled = previous_; }
  ClicksOffScope(const ClicksOffScope&) = delete;
  ClicksOffScope& operator=(const ClicksOffScope&) = delete;

 private:
  InputSignals& input_;
  bool previous_;
};

// The pop-up menu locked and kept from opening on the right button while it lives; then
// unlocked, with the automatic pop-up as it was.
class MenuLockScope {
 public:
  explicit MenuLockScope(PopupMenu& menu);
  ~MenuLockScope();
  MenuLockScope(const MenuLockScope&) = delete;
  MenuLockScope& operator=(const MenuLockScope&) = delete;

 private:
  PopupMenu& menu_;
  bool autoPopup_;
};

// The 100 ms timer stopped while it lives, if `running` says it ran; then started again.
class TimerOffScope {
 public:
  TimerOffScope(Host& host, bool running) : host_(host), running_(running) {
    if (running_) host_.setTimerEnabled(false);
  }
  ~TimerOffScope() {
    if (running_) host_.setTimerEnabled(true);
  }
  TimerOffScope(const TimerOffScope&) = delete;
  TimerOffScope& operator=(const TimerOffScope&) = delete;

 private:
  Host& host_;
  bool running_;
};

// A flag set while it lives; then as it was.
class FlagScope {
 public:
  FlagScope(bool& flag, bool value) : flag_(flag), previous_(flag) { flag_ = value; }
  ~FlagScope() { flag_ = previous_; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
  bool previous_;
};

// A timed pause: at least `ms` milliseconds pass while messages are processed, and clicks
// and Enter do not count meanwhile.
void Pause(Waiter& waiter, InputSignals& input, std::uint32_t ms);

}  // namespace qw
