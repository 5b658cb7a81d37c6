#include "present/refresh.h"

#include <optional>

#include "app/engine.h"
#include "gfx/composite.h"
#include "gfx/raster.h"
#include "gfx/transition.h"
#include "present/engine_frame_sink.h"

namespace qw {

void FullRefresh(TFmain& engine, bool withoutText) {
  Screen& screen = engine.screen();
  // The darkening is left to the sweep that shows the frame, which reads VRAM once for both.
  ComposeVram(screen, true);
  std::optional<int> darkness;
  if (screen.darkness && !engine.switches().dark) darkness = screen.darknessRate;
  const bool text = !withoutText && engine.text().textVisible;
  ShowComposedFrame(engine.window(), screen.buffer(VRAM), darkness,
                    text ? &screen.buffer(TEXT) : nullptr,
                    text ? &screen.buffer(TEXT_MASK) : nullptr, kScreenWidth, kScreenHeight);
  if (!withoutText) screen.dirty = false;
  DrawSprites(screen, engine.window());
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

void RunTransition(TFmain& engine, const std::string& spec) {
  Screen& screen = engine.screen();
  {
    // The menu stays shut and locked while the steps run, however the transition ends.
    MenuLockScope locked(engine.menu());
    TransitionBuffers buffers{screen.buffer(VRAM),      screen.buffer(TEMP1),
                              screen.buffer(TEMP2),     screen.buffer(TEXT),
                              screen.buffer(TEXT_MASK), engine.text().textVisible};
    EngineFrameSink sink(engine);
    const bool dark = engine.switches().dark;
    const TransitionOutcome outcome = RunNamedTransition(
        spec, buffers, [&] { ComposeVram(screen, dark); }, sink);
    if (outcome.clearTexturedText) engine.text().textured = false;
    ComposeVram(screen, dark);
    screen.dirty = false;
  }
}

void CmdFade(TFmain& engine) {
  // Skipping read text shows the new frame at once.
  if (engine.text().skipMode) {
    FullRefresh(engine);
  } else {
    RunTransition(engine, engine.arg(0));
  }
}

}  // namespace qw
