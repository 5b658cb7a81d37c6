// What the timed script effects (the picture roll, the moving window) need from the engine
// besides a FrameSink: the host's clock, one round of a wait towards a deadline, and the
// mouse signals of the input handlers. Also where their picture files come from.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "gfx/frame_sink.h"
#include "platform/host.h"
#include "platform/reporter.h"

namespace qw {

class TimedFrameSink : public FrameSink {
 public:
  // The host's millisecond tick count; wraps at 32 bits.
  virtual std::uint32_t ticks() = 0;
  // One round of a wait: sleeps until a window message arrives or the tick count reaches
  // `deadline`, then processes what is pending (Host::waitMessage). May return early.
  virtual void waitRound(std::uint32_t deadline) = 0;
  // A mouse button was pressed on the picture and is not yet released: the mouse-down
  // signal is set and the mouse-up signal is not.
  virtual bool buttonHeld() = 0;
  // Clears the mouse-down and mouse-up signals.
  virtual void clearMouseSignals() = 0;
};

// The arguments LoadPicture takes besides the picture and its name.
struct PictureFiles {
  std::string_view dataRoot;
  ErrorReporter& reporter;
  Host* host = nullptr;
};

// The part of the rectangle (x, y, w, h) that lies on `screen`; empty when none does.
inline IntRect ClipToScreen(const Surface& screen, long long x, long long y, long long w,
                            long long h) {
  const long long l = std::clamp<long long>(x, 0, screen.width());
  const long long t = std::clamp<long long>(y, 0, screen.height());
  const long long r = std::clamp<long long>(x + w, 0, screen.width());
  const long long b = std::clamp<long long>(y + h, 0, screen.height());
  if (r <= l || b <= t) return {};
  return {static_cast<int>(l), static_cast<int>(t), static_cast<int>(r), static_cast<int>(b)};
}

// The smallest rectangle holding both; an empty one adds nothing.
inline IntRect UniteAreas(const IntRect& a, const IntRect& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

// Whether tick count `now` is still before `deadline`, across the 32-bit wrap.
constexpr bool TickBefore(std::uint32_t now, std::uint32_t deadline) {
  return static_cast<std::int32_t>(deadline - now) > 0;
}

// Waits rounds until the tick count reaches `deadline`; nothing when it already has.
inline void WaitForDeadline(TimedFrameSink& sink, std::uint32_t deadline) {
  while (TickBefore(sink.ticks(), deadline))
    sink.waitRound(deadline);
}

// Clears the mouse signals when the effect ends, by a return or by a loader's exception.
class MouseSignalsClearer {
 public:
  explicit MouseSignalsClearer(TimedFrameSink& sink) : sink_(sink) {}
  ~MouseSignalsClearer() { sink_.clearMouseSignals(); }
  MouseSignalsClearer(const MouseSignalsClearer&) = delete;
  MouseSignalsClearer& operator=(const MouseSignalsClearer&) = delete;

 private:
  TimedFrameSink& sink_;
};

}  // namespace qw
