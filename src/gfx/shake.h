// The screen shake of `_shake`: the shown picture drawn again and again at random offsets.
#pragma once

#include <cstdint>
#include <functional>

#include "gfx/frame_sink.h"
#include "gfx/surface.h"

namespace qw {

// The most shakes one command runs; a larger count runs this many.
inline constexpr int kMaxShakeCount = 10000;

// The engine's random generator: a non-negative integer per call.
using RandomSource = std::function<std::int32_t()>;

// `temp2` (the TEMP2 buffer) becomes a copy of sink.shown(). Then `count` times (none when
// it is 0 or less): the shown picture is filled with black, `temp2` is drawn at (dx, dy) with
// dx and dy each (random() mod 2 * amplitude) - amplitude (0 when the amplitude is 0), the
// picture is presented and sink.pause(delayMs) runs. Last `temp2` is drawn at (0, 0),
// presented and paused on once more. A negative delay pauses 0 ms.
void RunShake(int amplitude, int count, int delayMs, Surface& temp2, FrameSink& sink,
              const RandomSource& random);

}  // namespace qw
