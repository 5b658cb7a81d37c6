#include "gfx/black_hole.h"

#include <algorithm>
#include <limits>

#include "gfx/composite.h"
#include "gfx/picture.h"
#include "gfx/raster.h"
#include "platform/work_meter.h"

namespace qw {
namespace {

enum class OverlayDraw { None, Combine, Masked };

// Positions move one pixel a frame for a bounded number of frames, so 64 bits never
// overflow; a position outside the int range lies wholly off the screen and its source.
int Saturate(long long v) {
  return static_cast<int>(
      std::clamp<long long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

CompositeMode OverlayMode(int mode) {
  switch (mode) {
    case 1:
      return CompositeMode::And;
    case 2:
      return CompositeMode::Or;
    case 3:
      return CompositeMode::Xor;
    default:
      return CompositeMode::Copy;
  }
}

Surface Load(const std::string& name, const PictureFiles& files) {
  Surface picture;
  LoadPicture(picture, name, files.dataRoot, files.reporter, files.host);
  return picture;
}

void RunWindow(const BlackHoleArgs& args, OverlayDraw draw, const BlackHoleOverlay* overlay,
               const Surface* bg, TimedFrameSink& sink, const PictureFiles& files) {
  MouseSignalsClearer clearer(sink);
  const Surface picture = Load(args.picture, files);
  Surface mask, layer;
  if (draw == OverlayDraw::Masked) mask = Load(overlay->maskFile, files);
  if (draw != OverlayDraw::None) layer = Load(overlay->picture, files);

  Surface& screen = sink.shown();
  const DirectionStep src = DirectionCodeStep(args.sourceDirection);
  const DirectionStep dst = DirectionCodeStep(args.screenDirection);
  const int frames = std::clamp(args.frames, 1, kMaxBlackHoleFrames);
  const auto interval = static_cast<std::uint32_t>(std::max(args.interval, 0));
  long long sx = args.sourceX, sy = args.sourceY, x = args.x, y = args.y;
  const long long w = args.width, h = args.height;

  IntRect overlayArea;
  if (draw != OverlayDraw::None) {
    overlayArea =
        ClipToScreen(screen, overlay->x, overlay->y, std::max(mask.width(), layer.width()),
                     std::max(mask.height(), layer.height()));
  }
  // An overlay that starts past the screen's right or bottom edge draws nothing; leaving it
  // out also keeps CompositeImage's end positions inside the int range.
  const bool overlayVisible = !overlayArea.empty();

  std::uint32_t deadline = sink.ticks() + interval;
  IntRect changed;
  for (int i = 0;; ++i) {
    Blit(screen, Saturate(x), Saturate(y), args.width, args.height, picture, Saturate(sx),
         Saturate(sy), RasterOp::Copy);
    changed = UniteAreas(changed, ClipToScreen(screen, x, y, w, h));
    if (overlayVisible && draw == OverlayDraw::Combine) {
      CompositeImage(OverlayMode(overlay->mode), overlay->x, overlay->y, layer.width(),
                     layer.height(), layer, screen, nullptr, kMaskNone);
    } else if (overlayVisible && draw == OverlayDraw::Masked) {
      Blit(screen, overlay->x, overlay->y, mask.width(), mask.height(), mask, 0, 0, RasterOp::And);
      Blit(screen, overlay->x, overlay->y, layer.width(), layer.height(), layer, 0, 0,
           RasterOp::Or);
    }
    changed = UniteAreas(changed, overlayArea);
    if (!changed.empty()) sink.present(changed);
    changed = {};
    // Frames with no interval take no time on a headless run's clock; they count as work.
    ChargeWork(1);
    WaitForDeadline(sink, deadline);
    deadline = sink.ticks() + interval;
    if (i + 1 >= frames) break;
    if (bg != nullptr) {
      Blit(screen, Saturate(x), Saturate(y), args.width, args.height, *bg, Saturate(x), Saturate(y),
           RasterOp::Copy);
      changed = ClipToScreen(screen, x, y, w, h);
    }
    sx += src.dx;
    sy += src.dy;
    x += dst.dx;
    y += dst.dy;
  }
}

}  // namespace

DirectionStep DirectionCodeStep(int code) {
  switch (code) {
    case 1:
      return {1, 0};
    case 2:
      return {0, 1};
    case 3:
      return {-1, 0};
    case 4:
      return {0, -1};
    case 5:
      return {1, -1};
    case 6:
      return {1, 1};
    case 7:
      return {-1, 1};
    case 8:
      return {-1, -1};
    default:
      return {0, 0};
  }
}

void RunBlackHole(const BlackHoleArgs& args, const Surface& bg, TimedFrameSink& sink,
                  const PictureFiles& files) {
  RunWindow(args, OverlayDraw::None, nullptr, &bg, sink, files);
}

void RunBlackHoleOp(const BlackHoleArgs& args, const BlackHoleOverlay& overlay, const Surface& bg,
                    TimedFrameSink& sink, const PictureFiles& files) {
  RunWindow(args, OverlayDraw::Combine, &overlay, &bg, sink, files);
}

void RunBlackHoleOver(const BlackHoleArgs& args, const BlackHoleOverlay& overlay,
                      TimedFrameSink& sink, const PictureFiles& files) {
  RunWindow(args, OverlayDraw::Masked, &overlay, nullptr, sink, files);
}

}  // namespace qw
