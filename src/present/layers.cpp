// The script's picture layers: background, character layers, the effect layer, sprites and
// numbered-image animation.
#include <cstdio>

#include "app/engine.h"
#include "gfx/picture.h"
#include "gfx/raster.h"
#include "platform/cp932.h"
#include "present/layer_commands.h"
#include "present/refresh.h"
#include "present/sprite_sheet.h"

namespace qw {
namespace {

void Load(TFmain& e, int slot, const std::string& name) {
  LoadPicture(e.screen().buffer(slot), name, e.options().dataRoot, e, &e.host());
}

// Builds `maskSlot` for the image in `imageSlot` from a colour specification; returns the
// transparent colour (kNoMaskColor for none) and stores a mask file's name in `maskFile`.
std::uint32_t BuildMask(TFmain& e, int imageSlot, int maskSlot, const std::string& spec,
                        int fileMaskMode, std::string& maskFile) {
  Screen& s = e.screen();
  std::uint32_t c = ParseMaskColor(spec, s.buffer(imageSlot), e);
  maskFile.clear();
  if (c == kNoMaskColor) return c;
  if (c == kMaskFromFileColor) {
    MakeFileMask(s.buffer(imageSlot), s.buffer(maskSlot), spec, fileMaskMode, s.buffer(TEMP2),
                 e.options().dataRoot, e, &e.host());
    maskFile = spec;
  } else {
    MakeColorMask(s.buffer(imageSlot), s.buffer(maskSlot), c, &s.buffer(TEMP2));
  }
  return c;
}

bool ValidLayer(std::int32_t layer) {
  return layer >= 0 && layer <= 2;
}
int ImageSlot(std::int32_t layer) {
  return PERSON0 + 2 * static_cast<int>(layer);
}

void LoadLayer(TFmain& e, std::int32_t layer, const std::string& file, const std::string& colour) {
  int slot = ImageSlot(layer);
  Screen& s = e.screen();
  Load(e, slot, file);
  TImageStatus& r = s.record(slot);
  std::string maskFile;
  std::uint32_t c = BuildMask(e, slot, slot + 1, colour, 0, maskFile);
  r.fileName = file;
  r.maskFileName = maskFile;
  r.transparent = c != kNoMaskColor;
  r.shown = false;
  r.loaded = true;
  r.x = r.y = 0;
  r.transparentColor = c;
  s.record(slot + 1).maskFileName = maskFile;
  s.dirty = true;
}

std::int32_t Coordinate(TFmain& e, const std::string& text, int extent, int screenExtent,
                        const char* low, const char* high) {
  if (text.empty() || text[0] != '#') return e.evaluator().EvaluateArgument(text);
  if (text == low) return 0;
  if (text == "#CENTER") return (screenExtent - extent) / 2;
  if (text == high) return screenExtent - extent;
  return 0;
}

void PlaceLayer(TFmain& e, std::int32_t layer, std::int32_t visible, const std::string& x,
                const std::string& y) {
  if (!ValidLayer(layer)) return;
  int slot = ImageSlot(layer);
  Screen& s = e.screen();
  TImageStatus& r = s.record(slot);
  if (!r.loaded) return;
  s.dirty = true;
  if (visible == -1) {
    r.shown = r.loaded = false;
    r.x = r.y = 0;
    r.fileName.clear();
    r.maskFileName.clear();
    r.transparentColor = kNoMaskColor;
    s.record(slot + 1).maskFileName.clear();
    s.buffer(slot).reset(8, 8);
    s.buffer(slot + 1).reset(8, 8);
    return;
  }
  r.shown = visible != 0;
  const Surface& image = s.buffer(slot);
  r.x = Coordinate(e, x, image.width(), kScreenWidth, "#LEFT", "#RIGHT");
  r.y = Coordinate(e, y, image.height(), kScreenHeight, "#TOP", "#BOTTOM");
}

void EraseSprite(TFmain& e, const SpriteSlot& slot) {
  const TSpriteStatus& sheet = e.screen().sprite;
  PresentVramRect(e, {slot.x, slot.y, slot.x + sheet.cellWidth, slot.y + sheet.cellHeight});
}

SpriteSlot* SlotAt(TFmain& e, std::int32_t index) {
  if (index < 0 || index >= kSpriteSlots) return nullptr;
  return &e.screen().spriteSlots[static_cast<std::size_t>(index)];
}

void RedrawSprites(TFmain& e) {
  DrawSprites(e.screen(), e.window());
  e.PresentWindow({0, 0, kScreenWidth, kScreenHeight});
}

}  // namespace

void CmdRefresh(TFmain& e) {
  FullRefresh(e);
}

void CmdAutorefresh(TFmain& e) {
  e.switches().autoRefresh = e.arg(0);
}

void CmdSmartrefresh(TFmain& e) {
  TextFields& text = e.text();
  Screen& s = e.screen();
  bool textVisible = text.textVisible;
  bool dark = e.switches().dark;
  bool darkness = s.darkness;
  std::string first = e.arg(0);
  std::string second = e.arg(1);
  std::string d = e.arg(2);
  text.textVisible = false;
  if (!d.empty() && d != "0") {
    e.switches().dark = false;
    s.darkness = false;
  }
  if (!first.empty())
    RunTransition(e, first);
  else
    FullRefresh(e);
  text.textVisible = textVisible;
  e.switches().dark = dark;
  s.darkness = darkness;
  if (!second.empty())
    RunTransition(e, second);
  else
    FullRefresh(e);
}

void CmdBgload(TFmain& e) {
  LoadBackground(e, e.arg(0));
  AutoRefresh(e);
}

void LoadBackground(TFmain& e, const std::string& file) {
  Screen& s = e.screen();
  Load(e, BG, file);
  TImageStatus& r = s.record(BG);
  ClearRecord(r);
  r.shown = r.loaded = true;
  r.fileName = file;
  s.dirty = true;
}

void CmdObjload(TFmain& e) {
  std::int32_t layer = e.argInt(0);
  if (ValidLayer(layer)) LoadLayer(e, layer, e.arg(1), e.arg(2));
}

void CmdObjput(TFmain& e) {
  std::int32_t layer = e.argInt(0);
  if (!ValidLayer(layer)) {
    AutoRefresh(e);
    return;
  }
  const TImageStatus& r = e.screen().record(ImageSlot(layer));
  std::string oldX = std::to_string(r.x);
  std::string oldY = std::to_string(r.y);
  std::string x = e.arg(3).empty() ? oldX : e.arg(3);
  std::string y = e.arg(4).empty() ? oldY : e.arg(4);
  LoadLayer(e, layer, e.arg(1), e.arg(2));
  PlaceLayer(e, layer, 1, x, y);
  AutoRefresh(e);
}

void CmdObjset(TFmain& e) {
  std::int32_t layer = e.argInt(0);
  if (ValidLayer(layer)) {
    const TImageStatus& r = e.screen().record(ImageSlot(layer));
    std::int32_t visible = e.argInt(1, r.shown ? 1 : 0);
    std::string x = e.arg(2).empty() ? std::to_string(r.x) : e.arg(2);
    std::string y = e.arg(3).empty() ? std::to_string(r.y) : e.arg(3);
    PlaceLayer(e, layer, visible, x, y);
  }
  AutoRefresh(e);
}

void CmdObjclear(TFmain& e) {
  std::int32_t visible = e.argInt(0, -1);
  for (std::int32_t layer = 0; layer < 3; ++layer) {
    const TImageStatus& r = e.screen().record(ImageSlot(layer));
    PlaceLayer(e, layer, visible, std::to_string(r.x), std::to_string(r.y));
  }
  AutoRefresh(e);
}

void CmdEfload(TFmain& e) {
  Screen& s = e.screen();
  s.dirty = true;
  const std::string& file = e.arg(0);
  Load(e, EFFECT, file);
  TImageStatus& r = s.record(EFFECT);
  ClearRecord(r);
  r.loaded = true;
  r.fileName = file;
  std::int32_t m = e.argInt(2);
  std::string maskFile;
  std::uint32_t c = BuildMask(e, EFFECT, EFFECT_MASK, e.arg(1), m > 0 ? 2 : m, maskFile);
  r.transparent = c != kNoMaskColor;
  r.transparentColor = c;
  r.maskFileName = maskFile;
  s.record(EFFECT_MASK).maskFileName = maskFile;
  r.maskMode = !r.transparent ? 0 : (m <= 0 ? 1 : 2);
}

void CmdEfset(TFmain& e) {
  Screen& s = e.screen();
  s.dirty = true;
  TImageStatus& r = s.record(EFFECT);
  std::int32_t on = e.argInt(0);
  if (on == -1) {
    ClearRecord(r);
    ClearRecord(s.record(EFFECT_MASK));
    s.buffer(EFFECT).reset(8, 8);
    s.buffer(EFFECT_MASK).reset(8, 8);
    AutoRefresh(e);
    return;
  }
  const Surface& image = s.buffer(EFFECT);
  const Surface& mask = s.buffer(EFFECT_MASK);
  if (r.maskMode == 1 && (mask.width() != image.width() || mask.height() != image.height())) {
    e.scriptError("エフェクト画像とマスク画像のサイズが違います(MASKMODE:任意)");
    AutoRefresh(e);
    return;
  }
  if (r.maskMode == 2 && (mask.width() != kScreenWidth || mask.height() != kScreenHeight)) {
    e.scriptError("マスク画像のサイズが異常です。(MASKMODE:固定)");
    AutoRefresh(e);
    return;
  }
  r.shown = on != 0;
  std::string mode = e.arg(1).empty() ? std::string("#COPY") : e.arg(1);
  if (std::optional<CompositeMode> m = CompositeModeFromKeyword(mode)) {
    r.mode = static_cast<std::int32_t>(*m);
  } else {
    e.scriptError("重ね合わせモードが間違っています:" + Cp932ToUtf8(mode));
    r.mode = 0;
  }
  r.x = e.argInt(2, r.x);
  r.y = e.argInt(3, r.y);
  r.order = e.argInt(4, r.order);
  AutoRefresh(e);
}

void LoadSpriteSheetPicture(TFmain& e, const std::string& file) {
  Screen& s = e.screen();
  s.dirty = true;
  TSpriteStatus& sheet = s.sprite;
  sheet.fileName = file;
  sheet.maskFileName.clear();
  Load(e, SPRITE, sheet.fileName);
}

void SetSpriteSheetCells(TFmain& e, std::int32_t w, std::int32_t h, const std::string& colour) {
  Screen& s = e.screen();
  TSpriteStatus& sheet = s.sprite;
  std::uint32_t c = ParseMaskColor(colour, s.buffer(SPRITE), e);
  sheet.cellWidth = w;
  sheet.cellHeight = h;
  sheet.transparentColor = c;
  sheet.transparent = c != kNoMaskColor;
  // A cell of 0 (or less) makes no cells: the sheet is then not ready.
  sheet.columns = w > 0 ? s.buffer(SPRITE).width() / w : 0;
  sheet.rows = h > 0 ? s.buffer(SPRITE).height() / h : 0;
  for (SpriteSlot& slot : s.spriteSlots)
    slot.x |= kSpriteOffScreen;
  if (c == kMaskFromFileColor) {
    MakeFileMask(s.buffer(SPRITE), s.buffer(SPRITE_MASK), colour, 0, s.buffer(TEMP2),
                 e.options().dataRoot, e, &e.host());
    sheet.maskFileName = colour;
  } else if (c != kNoMaskColor) {
    MakeColorMask(s.buffer(SPRITE), s.buffer(SPRITE_MASK), c, &s.buffer(TEMP2));
  }
  sheet.ready = sheet.columns != 0 && sheet.rows != 0;
}

void CmdSprload(TFmain& e) {
  LoadSpriteSheetPicture(e, e.arg(0));
  // The cell size is read after the picture, as `_sprload` always has.
  std::int32_t w = e.argInt(1);
  std::int32_t h = e.argInt(2);
  SetSpriteSheetCells(e, w, h, e.arg(3));
}

void CmdSprset(TFmain& e) {
  SpriteSlot* slot = SlotAt(e, e.argInt(0));
  const TSpriteStatus& sheet = e.screen().sprite;
  std::int32_t column = e.argInt(1);
  std::int32_t row = e.argInt(2);
  if (!slot || !sheet.ready || column < 0 || row < 0 || column >= sheet.columns ||
      row >= sheet.rows) {
    return;
  }
  slot->column = column;
  slot->row = row;
  slot->animationCount = 0;
}

void CmdSpranime(TFmain& e) {
  if (SpriteSlot* slot = SlotAt(e, e.argInt(0))) slot->animationCount = e.argInt(1);
}

void CmdSprput(TFmain& e) {
  SpriteSlot* slot = SlotAt(e, e.argInt(0));
  if (!slot) return;
  std::int32_t x = e.argInt(1);
  std::int32_t y = e.argInt(2);
  const TSpriteStatus& sheet = e.screen().sprite;
  slot->visible = true;
  if (slot->animationCount != 0 && sheet.columns > 0) {
    slot->column = (slot->column + 1) % sheet.columns;
    slot->animationCount -= 1;
    if (slot->animationCount < -1) slot->animationCount = -1;
  }
  if (slot->x < kSpriteOffScreen) EraseSprite(e, *slot);
  slot->x = x;
  slot->y = y;
  RedrawSprites(e);
}

void CmdSprhide(TFmain& e) {
  SpriteSlot* slot = SlotAt(e, e.argInt(0));
  if (!slot || !slot->visible) return;
  EraseSprite(e, *slot);
  slot->x |= kSpriteOffScreen;
  slot->visible = false;
  RedrawSprites(e);
}

void CmdSprclear(TFmain& e) {
  for (SpriteSlot& slot : e.screen().spriteSlots) {
    if (!slot.visible) continue;
    EraseSprite(e, slot);
    slot.x |= kSpriteOffScreen;
    slot.visible = false;
    RedrawSprites(e);
  }
}

void CmdSprrefresh(TFmain& e) {
  RedrawSprites(e);
}

void CmdMovplay(TFmain& e) {
  const std::string& file = e.arg(0);
  std::int32_t first = e.argInt(1);
  std::int32_t last = e.argInt(2);
  std::int32_t interval = e.argInt(3, 33);
  std::int32_t withText = e.argInt(4);
  Screen& s = e.screen();
  std::string base = file.size() >= 4 ? file.substr(0, file.size() - 4) : std::string();
  std::size_t dot = file.rfind('.');
  std::string ext = dot == std::string::npos ? std::string() : file.substr(dot);
  for (std::int64_t n = first; n <= last; ++n) {
    std::uint32_t deadline = e.host().ticks() + static_cast<std::uint32_t>(interval);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03lld", static_cast<long long>(n));
    std::string number(digits);
    if (number.size() > 3) number = number.substr(number.size() - 3);
    std::string name = base + number + ext;
    Load(e, VRAM, name);
    TImageStatus& r = s.record(VRAM);
    r.loaded = true;
    r.fileName = name;
    Surface& vram = s.buffer(VRAM);
    if (withText == 1 && e.text().textVisible) {
      BlitMasked(vram, 0, 0, kScreenWidth, kScreenHeight, s.buffer(TEXT), s.buffer(TEXT_MASK), 0,
                 0);
    }
    Blit(e.window(), 0, 0, vram.width(), vram.height(), vram, 0, 0, RasterOp::Copy);
    e.PresentWindow({0, 0, kScreenWidth, kScreenHeight});
    e.waiter().untilTick(deadline);
  }
  s.dirty = true;
}

}  // namespace qw
