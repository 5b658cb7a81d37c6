// `TTkBtn`: the image push button of the tool windows and the backlog. A panel that may carry a
// picture, painted by the engine into a Surface, so that every host (the Qt windows, the
// headless picture, the buttons drawn over the backlog) shows the same pixels.
#pragma once

#include <cstdint>
#include <string>

#include "gfx/surface.h"

namespace qw {

class GlyphRenderer;

class TTkBtn {
 public:
  enum class Bevel { None, Lowered, Raised };
  enum class Alignment { Left, Center, Right };

  static constexpr int kDefaultWidth = 75;
  static constexpr int kDefaultHeight = 25;
  static constexpr std::uint32_t kButtonFace = 0xC0C0C0;
  static constexpr std::uint32_t kHighlight = 0xFFFFFF;
  static constexpr std::uint32_t kShadow = 0x808080;
  // Captions are drawn this far inside the frame when aligned left or right.
  static constexpr int kCaptionMargin = 4;

  // The form's properties. Colours are pixels 0xRRGGBB; texts are CP932.
  int width = kDefaultWidth;
  int height = kDefaultHeight;
  std::string caption;
  std::uint32_t color = kButtonFace;  // the face without a picture, and the frame's colour
  Bevel bevelOuter = Bevel::Raised;
  Bevel bevelInner = Bevel::None;
  int bevelWidth = 1;
  int borderWidth = 0;
  Alignment alignment = Alignment::Center;
  std::string fontName;  // empty: the default text font
  int fontHeight = 12;
  std::uint32_t fontColor = 0x000000;
  bool enabled = true;

  // Copies `picture` (an empty one removes it).
  void SetPicture(const Surface& picture) { picture_ = picture; }
  const Surface& picture() const { return picture_; }

  // The left button went down on the button: the outer bevel is lowered until the release.
  // A disabled button does not react.
  void MouseDown();
  // The left button came up; `inside` when over the button. Returns whether that makes a click.
  bool MouseUp(bool inside);
  bool pressed() const { return pressed_; }

  // Paints the button into `out`, which becomes width x height: without a picture a plain
  // panel of `color`; with one, the picture stretched over the whole button. Then the outer
  // bevel, a frame of `borderWidth` in `color`, the inner bevel, and the caption (centred on
  // the height of "W", placed by `alignment`; embossed grey when disabled). Without `glyphs`
  // no caption is drawn.
  void Paint(Surface& out, GlyphRenderer* glyphs) const;
  // Paints it as it looks while held down.
  void PaintPressed(Surface& out, GlyphRenderer* glyphs) const;

 private:
  void PaintAs(Surface& out, GlyphRenderer* glyphs, bool pressed) const;

  Surface picture_;
  bool pressed_ = false;
};

// Draws `source` stretched over all of `dst` (nearest pixel).
void StretchInto(const Surface& source, Surface& dst);

}  // namespace qw
