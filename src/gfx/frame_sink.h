// What an effect that runs inside a command (a transition, a roll, a shake, a moving window)
// needs from the engine while it draws: the window's picture, a way to show a changed part of
// it, and a pause that keeps the window answering. The effects draw; the engine waits.
#pragma once

#include <cstdint>

#include "gfx/surface.h"
#include "platform/host.h"

namespace qw {

class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // The picture shown in the window (640 x 480). Steps draw into it directly.
  virtual Surface& shown() = 0;
  // `area` of the shown picture changed: it reaches the screen at the latest at the next pause.
  virtual void present(const IntRect& area) = 0;
  // Lets at least `ms` milliseconds pass on the host's clock while the window processes its
  // messages; clicks and Enter do not count as a request to advance meanwhile. 0 processes the
  // pending messages once and returns.
  virtual void pause(std::uint32_t ms) = 0;
};

}  // namespace qw
