#include "present/refresh.h"

#include "app/engine.h"
#include "gfx/raster.h"

namespace qw {

void FullRefresh(TFmain& engine, bool withoutText) {
  Screen& screen = engine.screen();
  ComposeVram(screen, engine.switches().dark);
  Surface& window = engine.window();
  Blit(window, 0, 0, kScreenWidth, kScreenHeight, screen.buffer(VRAM), 0, 0, RasterOp::Copy);
  if (!withoutText) {
    if (engine.text().textVisible) {
      BlitMasked(window, 0, 0, kScreenWidth, kScreenHeight, screen.buffer(TEXT),
                 screen.buffer(TEXT_MASK), 0, 0);
    }
    screen.dirty = false;
  }
  DrawSprites(screen, window);
  engine.PresentWindow({0, 0, kScreenWidth, kScreenHeight});
  engine.waiter().processPending();
}

void PresentVramRect(TFmain& engine, const IntRect& area) {
  Blit(engine.window(), area.left, area.top, area.width(), area.height(),
       engine.screen().buffer(VRAM), area.left, area.top, RasterOp::Copy);
  engine.PresentWindow(area);
}

void AutoRefresh(TFmain& engine) {
  const std::string& mode = engine.switches().autoRefresh;
  if (mode == "0") return;
  if (mode == "1") {
    FullRefresh(engine);
  } else {
    RunTransition(engine, mode);
  }
}

void RunTransition(TFmain& engine, const std::string& /*spec*/) {
  // Transitions are drawn by their own unit; until a name is known to it the frame appears
  // at once.
  FullRefresh(engine);
}

}  // namespace qw
