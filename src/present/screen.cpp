#include "present/screen.h"

#include "gfx/raster.h"

namespace qw {

void ClearRecord(TImageStatus& record) { record = TImageStatus{}; }

void ResetSprites(Screen& screen) {
  screen.sprite = TSpriteStatus{};
  screen.spriteSlots.fill(SpriteSlot{});
  screen.buffer(SPRITE).reset(8, 8);
  screen.buffer(SPRITE_MASK).reset(8, 8);
}

void ResetAllBuffers(Screen& screen) {
  for (int slot = BG; slot <= TEMP2; ++slot) screen.buffer(slot).reset(8, 8);
  for (int slot = PERSON0; slot <= PERSON2_MASK; ++slot) screen.buffer(slot).reset(8, 8);
  for (TImageStatus& r : screen.status) ClearRecord(r);
  for (TImageStatus& r : screen.personStatus) ClearRecord(r);
  ResetSprites(screen);
  screen.buffer(TEXT).reset(kScreenWidth, kScreenHeight, 0);
  screen.buffer(TEXT_MASK).reset(kScreenWidth, kScreenHeight, kMaskWhite);
  screen.buffer(TEMP1).reset(kScreenWidth, kScreenHeight);
  screen.buffer(VRAM).reset(kScreenWidth, kScreenHeight);
}

namespace {

void ApplyEffect(Screen& screen) {
  const TImageStatus& fx = screen.record(EFFECT);
  const Surface& image = screen.buffer(EFFECT);
  auto mode = static_cast<CompositeMode>(fx.mode >= 0 && fx.mode <= 8 ? fx.mode : 0);
  CompositeImage(mode, fx.x, fx.y, image.width(), image.height(), image, screen.buffer(VRAM),
                 &screen.buffer(EFFECT_MASK), fx.maskMode);
}

void DrawPerson(Screen& screen, int layer) {
  int imageSlot = PERSON0 + 2 * layer;
  const TImageStatus& r = screen.record(imageSlot);
  const Surface& image = screen.buffer(imageSlot);
  Surface& vram = screen.buffer(VRAM);
  if (r.transparent) {
    BlitMasked(vram, r.x, r.y, image.width(), image.height(), image,
               screen.buffer(imageSlot + 1), 0, 0);
  } else {
    Blit(vram, r.x, r.y, image.width(), image.height(), image, 0, 0, RasterOp::Copy);
  }
}

void ComposeLayers(Screen& screen, int leaveOut) {
  Surface& vram = screen.buffer(VRAM);
  const TImageStatus& bg = screen.record(BG);
  if (bg.shown) {
    Blit(vram, bg.x, bg.y, kScreenWidth, kScreenHeight, screen.buffer(BG), 0, 0, RasterOp::Copy);
  }
  const TImageStatus& fx = screen.record(EFFECT);
  bool effect = fx.shown && (leaveOut & 8) == 0;
  if (effect && fx.order == 0) ApplyEffect(screen);
  for (int layer = 0; layer < 3; ++layer) {
    if (screen.record(PERSON0 + 2 * layer).shown && (leaveOut & (1 << layer)) == 0) {
      DrawPerson(screen, layer);
    }
  }
  if (effect && (fx.order == 1 || fx.order == 2)) ApplyEffect(screen);
}

}  // namespace

void ComposeVram(Screen& screen, bool darknessSuppressed) {
  ComposeLayers(screen, 0);
  if (screen.darkness && !darknessSuppressed) DarkenFrame(screen.buffer(VRAM), screen.darknessRate);
}

void ComposeVramForHiddenText(Screen& screen) { ComposeLayers(screen, screen.textHideMode); }

void DrawSprites(const Screen& screen, Surface& window) {
  const TSpriteStatus& sheet = screen.sprite;
  for (const SpriteSlot& slot : screen.spriteSlots) {
    if (!slot.visible) continue;
    int sx = slot.column * sheet.cellWidth;
    int sy = slot.row * sheet.cellHeight;
    if (sheet.transparent) {
      BlitMasked(window, slot.x, slot.y, sheet.cellWidth, sheet.cellHeight,
                 screen.buffer(SPRITE), screen.buffer(SPRITE_MASK), sx, sy);
    } else {
      Blit(window, slot.x, slot.y, sheet.cellWidth, sheet.cellHeight, screen.buffer(SPRITE), sx,
           sy, RasterOp::Copy);
    }
  }
}

}  // namespace qw
