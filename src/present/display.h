// The reader's display modes: the text or the picture hidden until a click, darkening, the
// window frame and full screen, and the pointer's cursor pattern.
#pragma once

#include <cstdint>

#include "platform/host.h"

namespace qw {

class TFmain;

struct DisplayState {
  std::int32_t cursorPattern = 1;  // as `_mousepat` set it last (1 at start)
  bool fullScreen = false;
  bool scriptMenuLock = false;  // `_syspopup 1` holds a menu lock
};

// The shape of pattern n: 1 to 5 the cursor images, any other value the default pointer.
CursorShape CursorShapeOf(std::int32_t pattern);
// Shows pattern n without making it the remembered one (waits show 3, then restore).
void ShowCursorPattern(TFmain& engine, std::int32_t pattern);
// `_mousepat`: shows pattern n and remembers it.
void SetCursorPattern(TFmain& engine, std::int32_t pattern);
// Shows the remembered pattern again, after a wait that showed another.
void RestoreCursorPattern(TFmain& engine);

// The wait cursor (pattern 3) while it lives, then the remembered pattern.
class WaitCursorScope {
 public:
  explicit WaitCursorScope(TFmain& engine);
  ~WaitCursorScope();
  WaitCursorScope(const WaitCursorScope&) = delete;
  WaitCursorScope& operator=(const WaitCursorScope&) = delete;

 private:
  TFmain& engine_;
};

// Whether hiding the picture lays the text on black: some component of the text colour
// (0x00BBGGRR) is above 126; else the background is white.
bool HiddenImageOnBlack(std::uint32_t textColor);

// `Khidetext`: the picture without text until a click.
void HideText(TFmain& engine);
// `Khideimage`: the text alone on a plain background until a click (only while text shows).
void HideImage(TFmain& engine);
// `Mdarkness`: the darkness option and its check inverted; the picture recomposed unless a
// change is waiting for the script's refresh.
void ToggleDarkness(TFmain& engine);
// `Kwinmode`: the window frame removed or shown again.
void ToggleWindowFrame(TFmain& engine);
// `Kfullscr`: full screen on or off; a refusal shows "画面解像度を変更出来ませんでした。".
void ToggleFullScreen(TFmain& engine);

}  // namespace qw
