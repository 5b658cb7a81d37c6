#include "present/text_commands.h"

#include <algorithm>

#include "app/engine.h"
#include "gfx/composite.h"
#include "present/text_engine.h"

namespace qw {
namespace {

void FillRect(Surface& s, std::int64_t left, std::int64_t top, std::int64_t right,
              std::int64_t bottom, std::uint32_t value) {
  left = std::max<std::int64_t>(left, 0);
  top = std::max<std::int64_t>(top, 0);
  right = std::min<std::int64_t>(right, s.width());
  bottom = std::min<std::int64_t>(bottom, s.height());
  for (std::int64_t y = top; y < bottom; ++y) {
    std::uint32_t* row = s.row(static_cast<int>(y));
    std::fill(row + left, row + std::max(left, right), value);
  }
}

std::int64_t Wide(std::int32_t v) {
  return v;
}

}  // namespace

void CmdTextclear(TFmain& e) {
  e.prog().Status = 0;
  ClearText(e);
}

void CmdTextrect(TFmain& e) {
  const std::int64_t x1 = e.argInt(0), y1 = e.argInt(1), x2 = e.argInt(2), y2 = e.argInt(3);
  // Both corners are part of the rectangle.
  FillRect(e.screen().buffer(TEXT), x1, y1, x2 + 1, y2 + 1, 0);
  FillRect(e.screen().buffer(TEXT_MASK), x1, y1, x2 + 1, y2 + 1, kMaskWhite);
}

void CmdTextcur(TFmain& e) {
  TTextStatus& t = e.textStatus();
  if (!e.arg(0).empty()) t.cursorX = ClampCoordinate(Wide(e.argInt(0)) * t.cellWidth);
  if (!e.arg(1).empty()) {
    const std::int64_t pitch = e.text().oneLine ? t.cellHeight : t.cellHeight + t.lineGap;
    t.cursorY = ClampCoordinate(Wide(e.argInt(1)) * pitch);
  }
}

void CmdTextcurto(TFmain& e) {
  TTextStatus& t = e.textStatus();
  t.cursorX = ClampCoordinate(t.cursorX + Wide(e.argInt(0)) * t.cellWidth);
  t.cursorY = ClampCoordinate(t.cursorY + Wide(e.argInt(1)) * (t.cellHeight + t.lineGap));
}

void CmdTextloc(TFmain& e) {
  TTextStatus& t = e.textStatus();
  t.cursorX = ClampCoordinate(e.argInt(0, t.cursorX));
  t.cursorY = ClampCoordinate(e.argInt(1, t.cursorY));
}

void CmdTextlocto(TFmain& e) {
  TTextStatus& t = e.textStatus();
  t.cursorX = ClampCoordinate(t.cursorX + Wide(e.argInt(0)));
  t.cursorY = ClampCoordinate(t.cursorY + Wide(e.argInt(1)));
}

void CmdTextwait(TFmain& e) {
  e.text().textWait = e.argInt(0, 1);
}

void CmdTextoffset(TFmain& e) {
  e.text().offsetX = ClampCoordinate(e.argInt(0));
  e.text().offsetY = ClampCoordinate(e.argInt(1));
}

void CmdTextimage(TFmain& e) {
  const TTextStatus& t = e.textStatus();
  const TextFields& f = e.text();
  const int x = ClampCoordinate(e.argInt(0, ClampCoordinate(Wide(t.cursorX) + f.offsetX)));
  const int y = ClampCoordinate(e.argInt(1, ClampCoordinate(Wide(t.cursorY) + f.offsetY)));
  std::string color = e.arg(3).empty() ? std::string("#NONE") : e.arg(3);
  DrawTextLayerImage(e, x, y, e.arg(2), color);
}

}  // namespace qw
