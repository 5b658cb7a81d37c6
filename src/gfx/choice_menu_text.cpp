// Drawing of the text menu: its frame and its item texts.
#include <algorithm>
#include <cstdint>

#include "gfx/choice_menu.h"
#include "gfx/choice_menu_internal.h"
#include "gfx/composite.h"
#include "platform/cp932.h"

namespace qw {
namespace {

// Glyphs above this height are drawn at it: a taller one cannot fit the 480-line picture,
// and rendering and caching glyphs of thousands of pixels costs memory for nothing.
constexpr std::int64_t kMaxGlyphHeight = 1024;
// Positions are handed to DrawGlyph as int only well inside that range.
constexpr std::int64_t kFar = std::int64_t{1} << 30;

void FillSpan(Surface& dst, std::int64_t left, std::int64_t top, std::int64_t right,
              std::int64_t bottom, std::uint32_t pixel) {
  const IntRect r = ClipToSurface(left, top, right, bottom, dst);
  for (int y = r.top; y < r.bottom; ++y)
    std::fill(dst.row(y) + r.left, dst.row(y) + r.right, pixel);
}

// The outline of the rectangle from (left, top) to (right, bottom), right and bottom
// exclusive as the platform's rectangles are.
void Outline(Surface& dst, std::int64_t left, std::int64_t top, std::int64_t right,
             std::int64_t bottom, std::uint32_t pixel) {
  if (right <= left || bottom <= top) return;
  FillSpan(dst, left, top, right, top + 1, pixel);
  FillSpan(dst, left, bottom - 1, right, bottom, pixel);
  FillSpan(dst, left, top, left + 1, bottom, pixel);
  FillSpan(dst, right - 1, top, right, bottom, pixel);
}

}  // namespace

void ChoiceMenu::drawTextMenu() {
  Surface& dst = *shown_;
  const std::int64_t x = geo_.x, y = geo_.y, w = geo_.width, h = geo_.height;
  const std::uint32_t shadow = ColorToPixel(look_.shadowColor);
  Outline(dst, x + 1, y + 1, x + w, y + h, shadow);
  Outline(dst, x, y, x + w - 1, y + h - 1, ColorToPixel(look_.textColor));
  IntRect changed = saved_;
  for (int i = 0; i < count_; ++i) {
    if (look_.edgeMode == 1) {
      static constexpr int kOutline[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
      for (const auto& d : kOutline)
        changed = UniteRects(changed, drawItemText(i, d[0], d[1], shadow));
    } else {
      // The drop shadow is black whatever the shadow colour.
      changed = UniteRects(changed, drawItemText(i, 2, 2, 0));
    }
    changed = UniteRects(changed, drawItemText(i, 0, 0, normalPixel_));
  }
  present(changed);
}

IntRect ChoiceMenu::drawItemText(int item, std::int64_t dx, std::int64_t dy, std::uint32_t pixel) {
  Surface& dst = *shown_;
  const std::string& text = texts_[static_cast<std::size_t>(item)];
  const std::int64_t height = std::min(size_, kMaxGlyphHeight);
  const std::int64_t top = geo_.y + item * geo_.pitch + 3 + dy;
  std::int64_t pen = geo_.x + 3 + dx;
  // No advance exceeds the glyph height per byte, so a text that ends left of the picture,
  // starts right of it, or lies above or below it draws nothing and renders nothing.
  if (top + 2 * height < 0 || top - height > dst.height() || pen > dst.width() ||
      pen + (static_cast<std::int64_t>(text.size()) + 1) * height < 0) {
    return {};
  }
  const bool symbolFont = SymbolFontOf(look_.fontName) != SymbolFont::None;
  IntRect touched;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = symbolFont ? 1 : CharLength(text, i);
    const Glyph& g = glyphs_->Get(look_.fontName, std::string_view(text).substr(i, n),
                                  static_cast<int>(height), false);
    if (pen + g.left >= dst.width()) break;
    if (pen > -kFar && top > -kFar && top < kFar) {
      DrawGlyph(dst, static_cast<int>(pen), static_cast<int>(top), g, pixel);
      touched = UniteRects(touched, ClipToSurface(pen + g.left, top + g.top, pen + g.left + g.width,
                                                  top + g.top + g.height, dst));
    }
    pen += g.advance;
    i += n;
  }
  return touched;
}

}  // namespace qw
