#include "present/backlog_viewer.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "app/engine.h"
#include "app/save_subsystem.h"
#include "gfx/composite.h"
#include "gfx/glyphs.h"
#include "gfx/picture.h"
#include "gfx/raster.h"
#include "platform/cp932.h"
#include "tools/image_button.h"

namespace qw {
namespace {

constexpr int kTextHeight = 24;
constexpr int kCaptionHeight = 16;
constexpr int kArrowSize = 13;
constexpr int kMinThumb = 8;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kFace = 0xC0C0C0;
constexpr std::uint32_t kLight = 0xFFFFFF;
constexpr std::uint32_t kDark = 0x808080;
constexpr std::uint32_t kTrack = 0xE0E0E0;

void FillRect(Surface& s, int left, int top, int right, int bottom, std::uint32_t pixel) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, s.width());
  bottom = std::min(bottom, s.height());
  for (int y = top; y < bottom; ++y)
    std::fill(s.row(y) + left, s.row(y) + std::max(left, right), pixel);
}

// A raised face with light top and left edges and dark bottom and right ones.
void DrawRaised(Surface& s, int left, int top, int right, int bottom) {
  FillRect(s, left, top, right, bottom, kFace);
  FillRect(s, left, top, right, top + 1, kLight);
  FillRect(s, left, top, left + 1, bottom, kLight);
  FillRect(s, left, bottom - 1, right, bottom, kDark);
  FillRect(s, right - 1, top, right, bottom, kDark);
}

int DrawString(TFmain& engine, Surface& dst, int x, int y, std::string_view text, int height,
               std::uint32_t pixel) {
  return DrawGlyphText(engine.glyphs(), dst, x, y, engine.text().fonts[0], text, height, pixel);
}

constexpr const LogButton* kPageButtons[] = {&kLogOlderButton, &kLogNewerButton, &kLogExitButton};

// The image button `TTkBtn` the tool windows use, drawn over the picture.
void DrawButton(TFmain& engine, Surface& window, const LogButton& b, bool pressed) {
  TTkBtn button;
  button.width = b.width;
  button.height = b.height;
  button.caption = Utf8ToCp932(b.caption);
  button.fontName = engine.text().fonts[0];
  button.fontHeight = kCaptionHeight;
  Surface face;
  if (pressed) {
    button.PaintPressed(face, &engine.glyphs());
  } else {
    button.Paint(face, &engine.glyphs());
  }
  Blit(window, b.x, b.y, b.width, b.height, face, 0, 0, RasterOp::Copy);
}

bool Inside(const LogButton& b, int x, int y) {
  return x >= b.x && x < b.x + b.width && y >= b.y && y < b.y + b.height;
}

// The thumb of the scroll bar: its top and bottom on the window.
struct Thumb {
  int top = 0;
  int bottom = 0;
};

Thumb ThumbOf(const LogPageLayout& layout, int position) {
  const LogScrollBar& bar = kLogScrollBar;
  const int track = bar.height - 2 * kArrowSize;
  const int size = std::clamp(static_cast<int>(static_cast<long long>(track) * kScreenHeight /
                                               std::max(layout.canvasHeight, 1)),
                              kMinThumb, track);
  const int travel = track - size;
  const int top =
      bar.y + kArrowSize +
      (layout.scrollMax > 0
           ? static_cast<int>(static_cast<long long>(travel) * position / layout.scrollMax)
           : 0);
  return {top, top + size};
}

ScrollBarSpec ScrollBarSpecOf(const LogPageLayout& layout, int position) {
  const LogScrollBar& bar = kLogScrollBar;
  return {{bar.x, bar.y, bar.x + bar.width, bar.y + bar.height},
          position,
          layout.scrollMax,
          bar.smallStep,
          bar.largeStep};
}

void DrawScrollBar(Surface& window, const LogPageLayout& layout, int position) {
  const LogScrollBar& bar = kLogScrollBar;
  const int right = bar.x + bar.width;
  const int bottom = bar.y + bar.height;
  FillRect(window, bar.x, bar.y, right, bottom, kTrack);
  DrawRaised(window, bar.x, bar.y, right, bar.y + kArrowSize);
  DrawRaised(window, bar.x, bottom - kArrowSize, right, bottom);
  // Arrow heads: small triangles pointing up and down.
  const int mid = bar.x + bar.width / 2;
  for (int i = 0; i < 4; ++i) {
    FillRect(window, mid - i, bar.y + 4 + i, mid + i + 1, bar.y + 5 + i, kBlack);
    FillRect(window, mid - i, bottom - 5 - i, mid + i + 1, bottom - 4 - i, kBlack);
  }
  const Thumb thumb = ThumbOf(layout, position);
  DrawRaised(window, bar.x, thumb.top, right, thumb.bottom);
}

}  // namespace

bool BacklogViewer::Open() {
  const LogRing& ring = engine_.saves().log();
  if (!pager_.Open(ring)) return false;
  Screen& screen = engine_.screen();
  Surface& save = screen.buffer(SAVE);
  save.reset(kScreenWidth, kScreenHeight);
  Blit(save, 0, 0, kScreenWidth, kScreenHeight, engine_.window(), 0, 0, RasterOp::Copy);
  running_ = true;

  Surface& tile = screen.buffer(LOG_TILE);
  const std::string& tileFile = engine_.saves().scenario().tile;
  bool loaded = false;
  if (!tileFile.empty()) {
    try {
      loaded = LoadPicture(tile, tileFile, engine_.options().dataRoot, engine_, &engine_.host()) ==
               PictureLoad::Loaded;
    } catch (const std::exception& e) {
      engine_.ApplicationException(e.what());
    }
  }
  if (!loaded || tile.empty()) tile.reset(kLogTileWidth, kLogTileHeight, kBlack);
  Render();
  return true;
}

void BacklogViewer::Close() {
  Screen& screen = engine_.screen();
  screen.buffer(LOG_PAGE).reset(8, 8);
  Blit(engine_.window(), 0, 0, kScreenWidth, kScreenHeight, screen.buffer(SAVE), 0, 0,
       RasterOp::Copy);
  screen.buffer(SAVE).reset(8, 8);
  engine_.host().hideScrollBar();
  hostBar_ = false;
  engine_.PresentWindow({0, 0, kScreenWidth, kScreenHeight});
  running_ = false;
}

void BacklogViewer::Render() {
  layout_ = LayoutLogPage(engine_.saves().log(), pager_.pagesBack());
  scroll_ = 0;
  Screen& screen = engine_.screen();
  Surface& page = screen.buffer(LOG_PAGE);
  page.reset(kScreenWidth, layout_.canvasHeight);
  TilePicture(screen.buffer(LOG_TILE), page);
  auto draw = [&](int y, std::string_view text) {
    DrawString(engine_, page, 2, y + 2, text, kTextHeight, kBlack);
    DrawString(engine_, page, 0, y, text, kTextHeight, kWhite);
  };
  draw(0, layout_.header);
  for (const LogRow& row : layout_.rows)
    draw(row.row * kLogRowHeight, row.text);
  Show();
}

void BacklogViewer::Show() {
  Surface& window = engine_.window();
  Blit(window, 0, 0, kScreenWidth, kScreenHeight, engine_.screen().buffer(LOG_PAGE), 0, scroll_,
       RasterOp::Copy);
  for (int i = 0; i < 3; ++i)
    DrawButton(engine_, window, *kPageButtons[i], i == pressed_);
  // A host with a scroll bar control of its own lays it over the picture instead.
  if (layout_.scrollBarShown) {
    hostBar_ = engine_.host().showScrollBar(ScrollBarSpecOf(layout_, scroll_));
  } else if (std::exchange(hostBar_, false)) {
    engine_.host().hideScrollBar();
  }
  if (layout_.scrollBarShown && !hostBar_) DrawScrollBar(window, layout_, scroll_);
  engine_.PresentWindow({0, 0, kScreenWidth, kScreenHeight});
}

void BacklogViewer::ScrollTo(int position) {
  if (!running_ || !layout_.scrollBarShown) return;
  scroll_ = std::clamp(position, 0, layout_.scrollMax);
  Show();
}

void BacklogViewer::Wheel(int notches) {
  // A flung wheel turns at most through the ring.
  const int steps = std::min(std::abs(notches), LogRing::kPages);
  for (int i = 0; i < steps && running_; ++i) {
    if (notches > 0) {
      if (pager_.Older(engine_.saves().log())) Render();
    } else if (pager_.Newer()) {
      Render();
    } else {
      running_ = false;
    }
  }
}

bool BacklogViewer::Key(const std::string& key) {
  if (!running_) return false;
  if (key == "PageUp") {
    if (pager_.Older(engine_.saves().log())) Render();
  } else if (key == "PageDown") {
    if (pager_.Newer()) Render();
  } else if (key == "Up" || key == "Down") {
    ScrollTo(scroll_ + (key == "Up" ? -kLogRowHeight : kLogRowHeight));
  } else {
    return false;
  }
  return true;
}

void BacklogViewer::ShowButton(int index, bool pressed) {
  const LogButton& b = *kPageButtons[index];
  DrawButton(engine_, engine_.window(), b, pressed);
  engine_.PresentWindow({b.x, b.y, b.x + b.width, b.y + b.height});
}

void BacklogViewer::PressDown(int x, int y) {
  if (!running_) return;
  for (int i = 0; i < 3; ++i) {
    if (Inside(*kPageButtons[i], x, y)) {
      pressed_ = i;
      ShowButton(i, true);
      return;
    }
  }
}

void BacklogViewer::Press(int x, int y) {
  if (!running_) return;
  if (pressed_ >= 0) ShowButton(std::exchange(pressed_, -1), false);
  if (Inside(kLogOlderButton, x, y)) {
    if (pager_.Older(engine_.saves().log())) Render();
  } else if (Inside(kLogNewerButton, x, y)) {
    if (pager_.Newer()) Render();
  } else if (Inside(kLogExitButton, x, y)) {
    running_ = false;
  } else if (layout_.scrollBarShown && !hostBar_) {
    const LogScrollBar& bar = kLogScrollBar;
    if (x < bar.x || x >= bar.x + bar.width || y < bar.y || y >= bar.y + bar.height) return;
    const Thumb thumb = ThumbOf(layout_, scroll_);
    if (y < bar.y + kArrowSize) {
      ScrollTo(scroll_ - bar.smallStep);
    } else if (y >= bar.y + bar.height - kArrowSize) {
      ScrollTo(scroll_ + bar.smallStep);
    } else if (y < thumb.top) {
      ScrollTo(scroll_ - bar.largeStep);
    } else if (y >= thumb.bottom) {
      ScrollTo(scroll_ + bar.largeStep);
    }
  }
}

void ShowBacklog(TFmain& engine) {
  if (engine.saves().log().pageCount() == 0) return;
  TimerOffScope timer(engine.host(), engine.text().iconRunning);
  MenuLockScope locked(engine.menu());
  BacklogViewer viewer(engine);
  // Ended or unwound, the window is put back before the menu and the timer.
  struct CloseAtEnd {
    BacklogViewer& viewer;
    InputSignals& input;
    ~CloseAtEnd() {
      viewer.Close();
      input.click = input.mouseDown = input.mouseUp = false;
    }
  };
  InputSignals& input = engine.input();
  if (!viewer.Open()) return;
  CloseAtEnd closeAtEnd{viewer, input};
  engine.saves().SetActiveBacklog(&viewer);
  struct Detach {
    SaveSubsystem& saves;
    ~Detach() { saves.SetActiveBacklog(nullptr); }
  } detach{engine.saves()};
  input.click = input.mouseDown = input.mouseUp = false;
  while (viewer.running() && !engine.exitRequested()) {
    engine.waiter().until([&] {
      return input.mouseDown || input.mouseUp || !viewer.running() || engine.exitRequested();
    });
    if (input.mouseDown && !input.mouseUp) {
      input.mouseDown = false;
      viewer.PressDown(input.mouseX, input.mouseY);
      continue;
    }
    if (input.mouseUp) {
      input.click = input.mouseDown = input.mouseUp = false;
      viewer.Press(input.mouseX, input.mouseY);
    }
  }
}

}  // namespace qw
