#include "present/display.h"

#include "app/engine.h"
#include "gfx/raster.h"
#include "media/menu_hooks.h"
#include "present/refresh.h"

namespace qw {

namespace {

constexpr IntRect kWholeWindow{0, 0, kScreenWidth, kScreenHeight};
constexpr std::int32_t kWaitPattern = 3;

// What hiding the text or the picture changes before its wait, and puts back after it, however
// the wait ends.
class HiddenScope {
 public:
  explicit HiddenScope(TFmain& engine)
      : engine_(engine),
        timer_(engine.host(), engine.text().iconRunning),
        locked_(engine.menu()),
        cursor_(engine) {
    Surface& save = engine.screen().buffer(SAVE);
    save.reset(kScreenWidth, kScreenHeight);
    Blit(save, 0, 0, kScreenWidth, kScreenHeight, engine.window(), 0, 0, RasterOp::Copy);
  }

  // The window as it was; VRAM is rebuilt where the hidden text changed it.
  ~HiddenScope() {
    Screen& screen = engine_.screen();
    Blit(engine_.window(), 0, 0, kScreenWidth, kScreenHeight, screen.buffer(SAVE), 0, 0,
         RasterOp::Copy);
    screen.buffer(SAVE).reset(8, 8);
    if (recompose_ && !screen.dirty) ComposeVram(screen, engine_.switches().dark);
    engine_.PresentWindow(kWholeWindow);
    InputSignals& input = engine_.input();
    input.click = input.mouseDown = input.mouseUp = false;
  }
  HiddenScope(const HiddenScope&) = delete;
  HiddenScope& operator=(const HiddenScope&) = delete;

  void recomposeAfter() { recompose_ = true; }

  // Shows what the scope prepared on the window and waits for the reader's click.
  void waitForClick() {
    engine_.PresentWindow(kWholeWindow);
    InputSignals& input = engine_.input();
    input.click = false;
    // An exit decided meanwhile (Escape) ends the wait too, once no script is left to unwind.
    engine_.waiter().until([&] { return input.click || engine_.exitRequested(); });
  }

 private:
  TFmain& engine_;
  // Members end in reverse: the cursor, then the menu lock, then the timer are put back.
  TimerOffScope timer_;
  MenuLockScope locked_;
  WaitCursorScope cursor_;
  bool recompose_ = false;
};

}  // namespace

CursorShape CursorShapeOf(std::int32_t pattern) {
  if (pattern < 1 || pattern > 5) return CursorShape::Default;
  return static_cast<CursorShape>(pattern);
}

void ShowCursorPattern(TFmain& engine, std::int32_t pattern) {
  engine.host().setCursorShape(CursorShapeOf(pattern));
}

void SetCursorPattern(TFmain& engine, std::int32_t pattern) {
  engine.display().cursorPattern = pattern;
  ShowCursorPattern(engine, pattern);
}

void RestoreCursorPattern(TFmain& engine) {
  ShowCursorPattern(engine, engine.display().cursorPattern);
}

WaitCursorScope::WaitCursorScope(TFmain& engine) : engine_(engine) {
  ShowCursorPattern(engine, kWaitPattern);
}

WaitCursorScope::~WaitCursorScope() {
  RestoreCursorPattern(engine_);
}

bool HiddenImageOnBlack(std::uint32_t textColor) {
  const std::uint32_t red = textColor & 0xFF;
  const std::uint32_t green = (textColor >> 8) & 0xFF;
  const std::uint32_t blue = (textColor >> 16) & 0xFF;
  return red > 126 || green > 126 || blue > 126;
}

void HideText(TFmain& engine) {
  HiddenScope scope(engine);
  Screen& screen = engine.screen();
  if (!screen.dirty) ComposeVramForHiddenText(screen);
  Blit(engine.window(), 0, 0, kScreenWidth, kScreenHeight, screen.buffer(VRAM), 0, 0,
       RasterOp::Copy);
  scope.recomposeAfter();
  scope.waitForClick();
}

void HideImage(TFmain& engine) {
  if (!engine.text().textVisible) return;
  HiddenScope scope(engine);
  Screen& screen = engine.screen();
  Surface& window = engine.window();
  window.fill(HiddenImageOnBlack(engine.textStatus().textColor) ? 0x000000u : 0xFFFFFFu);
  BlitMasked(window, 0, 0, kScreenWidth, kScreenHeight, screen.buffer(TEXT),
             screen.buffer(TEXT_MASK), 0, 0);
  scope.waitForClick();
}

void ToggleDarkness(TFmain& engine) {
  Screen& screen = engine.screen();
  screen.darkness = !screen.darkness;
  engine.menu().setChecked("Mdarkness", screen.darkness);
  if (!screen.dirty) FullRefresh(engine);
}

void ToggleWindowFrame(TFmain& engine) {
  PopupMenu& menu = engine.menu();
  const bool framed = menu.checked("Kwinmode");
  engine.host().setWindowFrame(!framed);
  menu.setChecked("Kwinmode", !framed);
  RestartEndlessMusic(engine);
}

void ToggleFullScreen(TFmain& engine) {
  PopupMenu& menu = engine.menu();
  DisplayState& display = engine.display();
  if (display.fullScreen) {
    engine.host().setFullScreen(false);
    display.fullScreen = false;
    menu.setChecked("Kfullscr", false);
    menu.setEnabled("Kwinmode", true);
    menu.setChecked("Kwinmode", true);
  } else if (engine.host().setFullScreen(true)) {
    display.fullScreen = true;
    menu.setChecked("Kfullscr", true);
    menu.setEnabled("Kwinmode", false);
  } else {
    engine.ShowMessage("画面解像度を変更出来ませんでした。", "", MessageIcon::Exclamation);
  }
  RestartEndlessMusic(engine);
}

}  // namespace qw
