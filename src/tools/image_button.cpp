#include "tools/image_button.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "gfx/glyphs.h"
#include "platform/cp932.h"
#include "present/text_state.h"

namespace qw {
namespace {

struct Box {
  int left, top, right, bottom;  // right and bottom exclusive
  bool empty() const { return right <= left || bottom <= top; }
};

void Fill(Surface& s, int left, int top, int right, int bottom, std::uint32_t pixel) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, s.width());
  bottom = std::min(bottom, s.height());
  if (right <= left) return;
  for (int y = top; y < bottom; ++y)
    std::fill(s.row(y) + left, s.row(y) + right, pixel);
}

// `width` nested frames, light on the top and left edges and dark on the others, as a panel
// bevel is drawn; the box shrinks by each.
void Frame(Surface& s, Box& box, std::uint32_t topLeft, std::uint32_t bottomRight, int width) {
  for (int i = 0; i < width && !box.empty(); ++i) {
    Fill(s, box.left, box.top, box.right - 1, box.top + 1, topLeft);
    Fill(s, box.left, box.top, box.left + 1, box.bottom - 1, topLeft);
    Fill(s, box.right - 1, box.top, box.right, box.bottom, bottomRight);
    Fill(s, box.left, box.bottom - 1, box.right, box.bottom, bottomRight);
    box = {box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
  }
}

void DrawBevel(Surface& s, Box& box, TTkBtn::Bevel bevel, int width) {
  if (bevel == TTkBtn::Bevel::None) return;
  const bool raised = bevel == TTkBtn::Bevel::Raised;
  Frame(s, box, raised ? TTkBtn::kHighlight : TTkBtn::kShadow,
        raised ? TTkBtn::kShadow : TTkBtn::kHighlight, width);
}

}  // namespace

void StretchInto(const Surface& source, Surface& dst) {
  if (source.empty() || dst.empty()) return;
  const long long sw = source.width(), sh = source.height();
  const long long dw = dst.width(), dh = dst.height();
  for (int y = 0; y < dst.height(); ++y) {
    const std::uint32_t* from = source.row(static_cast<int>(y * sh / dh));
    std::uint32_t* to = dst.row(y);
    for (int x = 0; x < dst.width(); ++x)
      to[x] = from[x * sw / dw];
  }
}

void TTkBtn::MouseDown() {
  if (enabled) pressed_ = true;
}

bool TTkBtn::MouseUp(bool inside) {
  const bool wasPressed = std::exchange(pressed_, false);
  return enabled && wasPressed && inside;
}

void TTkBtn::Paint(Surface& out, GlyphRenderer* glyphs) const {
  PaintAs(out, glyphs, pressed_);
}

void TTkBtn::PaintPressed(Surface& out, GlyphRenderer* glyphs) const {
  PaintAs(out, glyphs, true);
}

void TTkBtn::PaintAs(Surface& out, GlyphRenderer* glyphs, bool pressed) const {
  out.reset(std::max(width, 0), std::max(height, 0), color);
  if (out.empty()) return;
  if (!picture_.empty()) StretchInto(picture_, out);
  Box box{0, 0, out.width(), out.height()};
  DrawBevel(out, box, pressed ? Bevel::Lowered : bevelOuter, bevelWidth);
  Frame(out, box, color, color, borderWidth);
  DrawBevel(out, box, bevelInner, bevelWidth);
  if (!glyphs || caption.empty()) return;

  const std::string& font = fontName.empty() ? std::string(kDefaultTextFont) : fontName;
  const int textWidth = glyphs->TextWidth(font, caption, fontHeight, false);
  int x = (out.width() - textWidth) / 2;
  if (alignment == Alignment::Left) x = box.left + kCaptionMargin;
  if (alignment == Alignment::Right) x = box.right - kCaptionMargin - textWidth;
  // The cell of "W" is the font's full height: the caption sits in the middle of the button.
  const int y = (out.height() - fontHeight) / 2;
  if (enabled) {
    DrawGlyphText(*glyphs, out, x, y, font, caption, fontHeight, fontColor);
  } else {
    DrawGlyphText(*glyphs, out, x + 1, y + 1, font, caption, fontHeight, kHighlight);
    DrawGlyphText(*glyphs, out, x, y, font, caption, fontHeight, kShadow);
  }
}

}  // namespace qw
