// The moving-window effects of `_bhole`, `_bholeop` and `_bholeover`: a rectangle of a
// picture shown on the screen, frame by frame, with the window and its source moving by
// direction codes, optionally with an overlay picture drawn every frame.
#pragma once

#include <cstdint>
#include <string>

#include "gfx/effect_sink.h"
#include "gfx/surface.h"

namespace qw {

// The most frames one command runs; a larger count runs this many.
inline constexpr int kMaxBlackHoleFrames = 100000;

struct DirectionStep {
  int dx = 0;
  int dy = 0;
  bool operator==(const DirectionStep&) const = default;
};

// Direction codes 1..8 step right, down, left, up, up-right, down-right, down-left, up-left
// by one pixel a frame; 0 and every other code stand still.
DirectionStep DirectionCodeStep(int code);

// The arguments the three commands share (a0 to a10).
struct BlackHoleArgs {
  std::string picture;  // CP932 file name, as LoadPicture takes it
  int sourceX = 0;
  int sourceY = 0;
  int x = 0;  // the window on the screen
  int y = 0;
  int width = 0;
  int height = 0;
  int frames = 1;    // 1 or less shows one frame
  int interval = 0;  // milliseconds per frame
  int screenDirection = 0;
  int sourceDirection = 0;
};

// The overlay of `_bholeop` and `_bholeover` (a11 to a14).
struct BlackHoleOverlay {
  int x = 0;
  int y = 0;
  int mode = 0;          // `_bholeop`: 0 copy, 1 AND, 2 OR, 3 XOR; other values copy
  std::string maskFile;  // `_bholeover`: drawn with AND before the picture with OR
  std::string picture;
};

// `_bhole`: loads the picture, then each frame copies its rectangle (source x, y, width,
// height) to (x, y) of sink.shown(), presents the change and waits until the frame's
// deadline (the previous one taken after the wait, the first after loading). Between frames
// the window's rectangle is restored from the same rectangle of `bg` and both positions move
// by their direction steps. The last frame stays on screen. The mouse signals are cleared at
// the end. A BMP, JPEG or PNG file that cannot be read throws FrameworkError from the loader
// before anything is drawn.
void RunBlackHole(const BlackHoleArgs& args, const Surface& bg, TimedFrameSink& sink,
                  const PictureFiles& files);

// `_bholeop`: as RunBlackHole, and every frame, after the window, the overlay picture is
// combined with the screen at the overlay position by its mode. Only the window is restored
// between frames.
void RunBlackHoleOp(const BlackHoleArgs& args, const BlackHoleOverlay& overlay, const Surface& bg,
                    TimedFrameSink& sink, const PictureFiles& files);

// `_bholeover`: every frame the window, then the overlay's mask file with AND and its picture
// with OR at the overlay position. Nothing is restored: the window leaves a trail.
void RunBlackHoleOver(const BlackHoleArgs& args, const BlackHoleOverlay& overlay,
                      TimedFrameSink& sink, const PictureFiles& files);

}  // namespace qw
