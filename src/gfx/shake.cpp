#include "gfx/shake.h"

#include <algorithm>

#include "gfx/raster.h"

namespace qw {
namespace {

// Offsets past the screen show the same black picture; the bound keeps them in an int.
constexpr long long kMaxOffset = 1 << 20;

int ShakeOffset(int amplitude, const RandomSource& random) {
  if (amplitude == 0) return 0;
  const long long a = amplitude;
  const long long offset = static_cast<long long>(random()) % (2 * a) - a;
  return static_cast<int>(std::clamp(offset, -kMaxOffset, kMaxOffset));
}

// Black wherever the moved picture leaves the screen uncovered; `picture` has its size.
void FillUncovered(Surface& screen, int dx, int dy) {
  const int w = screen.width(), h = screen.height();
  const int top = std::clamp(dy, 0, h), bottom = std::clamp(dy + h, 0, h);
  const int left = std::clamp(dx, 0, w), right = std::clamp(dx + w, 0, w);
  for (int y = 0; y < h; ++y) {
    std::uint32_t* row = screen.row(y);
    if (y < top || y >= bottom || left >= right) {
      std::fill_n(row, w, 0u);
    } else {
      std::fill(row, row + left, 0u);
      std::fill(row + right, row + w, 0u);
    }
  }
}

void DrawAt(Surface& screen, const Surface& picture, int dx, int dy, FrameSink& sink,
            std::uint32_t delay) {
  FillUncovered(screen, dx, dy);
  Blit(screen, dx, dy, picture.width(), picture.height(), picture, 0, 0, RasterOp::Copy);
  sink.present({0, 0, screen.width(), screen.height()});
  sink.pause(delay);
}

}  // namespace

void RunShake(int amplitude, int count, int delayMs, Surface& temp2, FrameSink& sink,
              const RandomSource& random) {
  Surface& screen = sink.shown();
  temp2 = screen;
  const auto delay = static_cast<std::uint32_t>(std::max(delayMs, 0));
  const int shakes = std::clamp(count, 0, kMaxShakeCount);
  for (int i = 0; i < shakes; ++i) {
    const int dx = ShakeOffset(amplitude, random);
    const int dy = ShakeOffset(amplitude, random);
    DrawAt(screen, temp2, dx, dy, sink, delay);
  }
  DrawAt(screen, temp2, 0, 0, sink, delay);
}

}  // namespace qw
