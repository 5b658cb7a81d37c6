#include "present/text_engine.h"

#include <algorithm>
#include <cstdlib>

#include "app/engine.h"
#include "app/reader_aids.h"
#include "app/save_subsystem.h"
#include "gfx/composite.h"
#include "gfx/glyphs.h"
#include "gfx/picture.h"
#include "gfx/raster.h"
#include "platform/cp932.h"
#include "platform/work_meter.h"
#include "present/refresh.h"

namespace qw {
namespace {

constexpr std::int64_t kCoordinateLimit = 1 << 26;
// Embedded values are padded to at most this many bytes; a page holds far fewer.
constexpr std::int32_t kMaxValueWidth = 1024;
constexpr int kIconSize = 32;
// Glyph pixels drawn per unit of the run's work: a line that never pauses is ended by its
// drawing, not only by its length.
constexpr std::uint64_t kDrawnPixelsPerUnit = 256;

// Step results.
constexpr int kDrawn = 0;
constexpr int kWrapped = 1;
constexpr int kPageBroken = 2;

const char* const kWaitMenuItems[] = {"Mload", "Mtitle", "Khideimage", "Khidetext", "Mdarkness"};

std::size_t CharAt(TFmain& engine, std::string_view s, std::size_t pos) {
  return engine.text().fontIndex > 3 ? 1 : CharLength(s, pos);
}

// Shows `area` of the text layer on the window: the mask ANDed, then `image` ORed.
void OverlayText(TFmain& engine, const IntRect& area, const Surface& image) {
  Screen& screen = engine.screen();
  Surface& window = engine.window();
  Blit(window, area.left, area.top, area.width(), area.height(), screen.buffer(TEXT_MASK),
       area.left, area.top, RasterOp::And);
  Blit(window, area.left, area.top, area.width(), area.height(), image, area.left, area.top,
       RasterOp::Or);
  engine.PresentWindow(area);
}

// The texture of textured text: TEMP1 takes EFFECT's pixels of `area` ANDed with TEXT's.
void TextureArea(TFmain& engine, const IntRect& area) {
  Screen& screen = engine.screen();
  Surface& temp = screen.buffer(TEMP1);
  Blit(temp, area.left, area.top, area.width(), area.height(), screen.buffer(EFFECT), area.left,
       area.top, RasterOp::Copy);
  Blit(temp, area.left, area.top, area.width(), area.height(), screen.buffer(TEXT), area.left,
       area.top, RasterOp::And);
}

struct Offset {
  int dx, dy;
};

// Draws the shadow copies at each offset and then the main glyphs at (x, y) on `dst`.
template <typename DrawAt>
void DrawWithShadow(Surface& dst, const DrawAt& drawAt, int x, int y, const Offset* shadow,
                    int shadowCount, std::uint32_t shadowPixel, std::uint32_t pixel) {
  for (int i = 0; i < shadowCount; ++i)
    drawAt(dst, x + shadow[i].dx, y + shadow[i].dy, shadowPixel);
  drawAt(dst, x, y, pixel);
}

int NewLine(TFmain& engine, bool forcePage);

void ChargeGlyph(const Glyph& glyph) {
  ChargeWork(static_cast<std::uint64_t>(glyph.width) * static_cast<std::uint64_t>(glyph.height) /
             kDrawnPixelsPerUnit);
}

// The step "draw one character": "" nothing, "\f" a page break, "\n" a new line, else a glyph.
int DrawChar(TFmain& engine, std::string_view c) {
  if (c.empty()) return kDrawn;
  if (c == "\f") return NewLine(engine, true);
  if (c == "\n") return NewLine(engine, false);
  TTextStatus& t = engine.textStatus();
  TextFields& f = engine.text();
  const int x = t.cursorX + f.offsetX;
  const int y = t.cursorY + f.offsetY + t.lineGap;
  const Glyph& glyph = engine.glyphs().Get(t.fontName, c, t.fontHeight, false);
  static const Offset kOutline[] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
  static const Offset kDrop[] = {{2, 2}};
  const Offset* shadow = t.edgeMode == 1 ? kOutline : kDrop;
  const int shadowCount = f.shadow ? (t.edgeMode == 1 ? 4 : 1) : 0;
  const IntRect area{x - 1, y - 1, x + t.cellWidth + 2, y + t.cellWidth + 2};
  auto drawAt = [&](Surface& dst, int gx, int gy, std::uint32_t pixel) {
    ChargeGlyph(glyph);
    DrawGlyph(dst, gx, gy, glyph, pixel);
  };
  const std::uint32_t pixel = f.textured ? 0xFFFFFFu : ColorToPixel(t.textColor);
  const std::uint32_t shadowPixel = ColorToPixel(t.shadowColor);
  Screen& screen = engine.screen();
  Surface& text = screen.buffer(TEXT);
  DrawWithShadow(text, drawAt, x, y, shadow, shadowCount, shadowPixel, pixel);
  if (f.textured) {
    TextureArea(engine, area);
    Blit(text, area.left, area.top, area.width(), area.height(), screen.buffer(TEMP1), area.left,
         area.top, RasterOp::Copy);
  }
  DrawWithShadow(screen.buffer(TEXT_MASK), drawAt, x, y, shadow, shadowCount, 0u, 0u);
  if (f.textVisible) OverlayText(engine, area, screen.buffer(TEXT));
  engine.saves().RecordChar(c, f.fontIndex > 3);
  engine.readerAids().CharacterShown(c, f.fontIndex > 3);
  t.cursorX = ClampCoordinate(static_cast<std::int64_t>(t.cursorX) + t.cellWidth);
  if (t.cursorX < t.rightLimit) return kDrawn;
  return NewLine(engine, false);
}

bool PageFull(const TTextStatus& t) {
  return static_cast<std::int64_t>(t.cursorY) + t.cellHeight + t.lineGap >= t.bottomLimit;
}

int NewLine(TFmain& engine, bool forcePage) {
  TTextStatus& t = engine.textStatus();
  TextFields& f = engine.text();
  if (forcePage || PageFull(t)) {
    f.textInProgress = false;
    f.lineClicked = false;
    PageWait(engine);
    return kPageBroken;
  }
  t.cursorY = ClampCoordinate(static_cast<std::int64_t>(t.cursorY) + t.cellHeight + t.lineGap);
  engine.saves().RecordLineBreak();
  t.cursorX = t.leftMargin;
  return kWrapped;
}

// One character through the step, the read-text rules and the per-character pause.
int Step(TFmain& engine, std::string_view c) {
  // Tags and empty steps count too: a line of nothing but tags is work all the same.
  ChargeWork(1);
  int result = DrawChar(engine, c);
  bool skipped = engine.saves().CheckCharacter();
  const TextFields& f = engine.text();
  if (!f.lineClicked && !f.highSpeed && f.textWait > 0 && !skipped) TimedPause(engine, f.textWait);
  if (f.textWait < 0) TimedPause(engine, f.textWait);
  return result;
}

void DrawRawChars(TFmain& engine, std::string_view text) {
  engine.text().textInProgress = true;
  FlagScope noSaving(engine.switches().saveLocked, true);
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = CharAt(engine, text, i);
    Step(engine, text.substr(i, n));
    i += n;
  }
}

// Ruby r over a base of `baseBytes` bytes, in the line's gap above the cursor.
void DrawRuby(TFmain& engine, std::string_view ruby, std::size_t baseBytes) {
  TTextStatus& t = engine.textStatus();
  TextFields& f = engine.text();
  GlyphRenderer& glyphs = engine.glyphs();
  const int cells = static_cast<int>(baseBytes / 2);
  const int w = glyphs.TextWidth(t.rubyFontName, ruby, t.rubyHeight, true);
  const int x =
      static_cast<int>(ClampCoordinate(static_cast<std::int64_t>(t.cursorX) + f.offsetX +
                                       (static_cast<std::int64_t>(cells) * t.cellWidth - w) / 2));
  const int y0 = t.cursorY + f.offsetY;
  auto drawAt = [&](Surface& dst, int gx, int gy, std::uint32_t pixel) {
    for (std::size_t i = 0; i < ruby.size();) {
      std::size_t n = CharLength(ruby, i);
      const Glyph& g = glyphs.Get(t.rubyFontName, ruby.substr(i, n), t.rubyHeight, true);
      ChargeGlyph(g);
      DrawGlyph(dst, gx, gy, g, pixel);
      gx += g.advance;
      i += n;
    }
  };
  // Shadows around (x, y0 + 2).
  static const Offset kOutline[] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
  static const Offset kDrop[] = {{1, 1}};
  const Offset* shadow = t.edgeMode == 1 ? kOutline : kDrop;
  const int shadowCount = f.shadow ? (t.edgeMode == 1 ? 4 : 1) : 0;
  const std::uint32_t pixel = f.textured ? 0xFFFFFFu : ColorToPixel(t.textColor);
  Screen& screen = engine.screen();
  DrawWithShadow(screen.buffer(TEXT), drawAt, x, y0 + 2, shadow, shadowCount,
                 ColorToPixel(t.shadowColor), pixel);
  DrawWithShadow(screen.buffer(TEXT_MASK), drawAt, x, y0 + 2, shadow, shadowCount, 0u, 0u);
  const IntRect area{x - 1, y0, x + w + 2, y0 + 16};
  if (f.textured) TextureArea(engine, area);
  if (f.textVisible) OverlayText(engine, area, screen.buffer(f.textured ? TEMP1 : TEXT));
}

// Finds `c` from `pos`, stepping over double-byte characters.
std::size_t FindByte(TFmain& engine, std::string_view s, std::size_t pos, char c) {
  while (pos < s.size()) {
    if (s[pos] == c) return pos;
    pos += CharAt(engine, s, pos);
  }
  return std::string_view::npos;
}

void DrawLine(TFmain& engine, std::string_view line, std::size_t start, bool topLevel);

// "(base)ruby)" after the "(" at `pos`. False when the form is not closed: the "(" is then
// an ordinary character.
bool Ruby(TFmain& engine, std::string_view line, std::size_t& pos) {
  std::size_t baseEnd = line.find(')', pos);
  if (baseEnd == std::string_view::npos) return false;
  std::size_t rubyEnd = line.find(')', baseEnd + 1);
  if (rubyEnd == std::string_view::npos) return false;
  std::string_view base = line.substr(pos, baseEnd - pos);
  std::string_view ruby = line.substr(baseEnd + 1, rubyEnd - baseEnd - 1);
  pos = rubyEnd + 1;
  if (!base.empty() && !ruby.empty()) {
    ReaderAids::RubyScope hooked(engine.readerAids(), ruby);
    DrawRuby(engine, ruby, base.size());
    std::string baseLine(base);
    baseLine += '%';
    DrawLine(engine, baseLine, 0, false);
  }
  return true;
}

// "[name,width]" after the "[" at `pos`; returns the position after it.
std::size_t EmbeddedValue(TFmain& engine, std::string_view line, std::size_t pos) {
  std::size_t comma = FindByte(engine, line, pos, ',');
  std::size_t nameEnd = comma;
  if (comma == std::string_view::npos) {
    // No width: the name ends at the bracket that closes the value, not a subscript's.
    nameEnd = line.size();
    int depth = 0;
    for (std::size_t i = pos; i < line.size(); i += CharAt(engine, line, i)) {
      if (line[i] == '[') ++depth;
      if (line[i] == ']' && depth-- == 0) {
        nameEnd = i;
        break;
      }
    }
  }
  std::string name(line.substr(pos, nameEnd - pos));
  std::string widthText;
  std::size_t next = nameEnd;
  if (comma != std::string_view::npos) {
    std::size_t close = FindByte(engine, line, comma + 1, ']');
    if (close == std::string_view::npos) close = line.size();
    widthText = line.substr(comma + 1, close - comma - 1);
    next = close;
  }
  if (next < line.size()) ++next;
  if (name.empty()) return next;
  std::string value;
  if (name[0] == '@') {
    int at = 1;
    value = engine.evaluator().EvaluateText(name, at);
  } else {
    value = std::to_string(engine.evaluator().EvaluateArgument(name));
  }
  std::int32_t width =
      std::clamp(engine.evaluator().EvaluateArgument(widthText), -kMaxValueWidth, kMaxValueWidth);
  if (width > 0) {
    auto w = static_cast<std::size_t>(width);
    if (value.size() < w) value.append(w - value.size(), ' ');
    value.resize(w);
  } else if (width < 0) {
    auto w = static_cast<std::size_t>(-width);
    if (value.size() < w) value.insert(0, w - value.size(), ' ');
    value = value.substr(value.size() - w);
  }
  DrawRawChars(engine, value);
  return next;
}

void DrawLine(TFmain& engine, std::string_view line, std::size_t start, bool topLevel) {
  TextFields& f = engine.text();
  TTextStatus& t = engine.textStatus();
  TProg& prog = engine.prog();
  f.lineClicked = false;
  f.textInProgress = true;
  bool noEnd = false;
  int result = kDrawn;
  std::size_t p = start;
  while (p < line.size()) {
    std::size_t n = CharAt(engine, line, p);
    std::string_view c = line.substr(p, n);
    p += n;
    noEnd = false;
    std::string_view draw;
    if (c == "<") {
      p = ProcessTextTag(engine, line, p);
    } else if (c == "(") {
      // A load during the ruby resumes at its "(" and draws it whole.
      if (topLevel) prog.TextPos = static_cast<std::int32_t>(p);
      if (!Ruby(engine, line, p)) draw = c;
    } else if (c == "[") {
      p = EmbeddedValue(engine, line, p);
    } else if (c == ".") {
      ClickWait(engine, ClickWaitKind::Line);
      f.lineClicked = false;
      draw = "\n";
    } else if (c == "|") {
      draw = "\n";
      noEnd = true;
    } else if (c == "^") {
      ClickWait(engine, ClickWaitKind::Line);
      f.lineClicked = false;
      noEnd = true;
    } else if (c == "%") {
      noEnd = true;
    } else if (c == "&") {
      draw = "\f";
    } else if (c == "/") {
      // The rest of the line centred; its last byte is not counted.
      std::int64_t rest = static_cast<std::int64_t>(line.size()) - static_cast<std::int64_t>(p + 1);
      std::int64_t u = static_cast<std::int64_t>(t.cellWidth) * rest / 2;
      t.cursorX = ClampCoordinate((kScreenWidth - u) / 2);
    } else {
      draw = c;
    }
    if (topLevel) {
      prog.TextPos = static_cast<std::int32_t>(p + 1);
      prog.Status = 2;
    }
    result = Step(engine, draw);
    // A load or a return to the title asked for during a wait ends the line here.
    if (engine.pendingRequest() != 0) return;
  }
  if (!noEnd) {
    if (PageFull(t)) {
      NewLine(engine, true);
    } else if (result != kPageBroken) {
      ClickWait(engine, ClickWaitKind::Line);
      if (result != kWrapped && !f.oneLine && engine.pendingRequest() == 0) DrawChar(engine, "\n");
    }
  }
  if (topLevel && f.oneLine) ClearText(engine);
  engine.waiter().processPending();
}

}  // namespace

std::int32_t ClampCoordinate(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

void DrawTextLine(TFmain& engine, const std::string& line, int fromPos) {
  ReaderAids::StoryScope story(engine.readerAids());
  DrawLine(engine, line, fromPos > 0 ? static_cast<std::size_t>(fromPos - 1) : 0, true);
}

void DrawRawText(TFmain& engine, const std::string& text) {
  ReaderAids::StoryScope story(engine.readerAids());
  DrawRawChars(engine, text);
  if (engine.text().oneLine) ClearText(engine);
}

void ResetText(TFmain& engine) {
  TTextStatus& t = engine.textStatus();
  t.cursorX = t.leftMargin;
  t.cursorY = 0;
  t.edgeMode = 0;
  t.cellWidth = t.cellHeight = 24;
  t.lineGap = 16;
  t.fontHeight = 24;
  t.rubyHeight = 12;
  t.textColor = 0xFFFFFF;
  t.shadowColor = 0;
  t.rightLimit = 616;
  t.bottomLimit = 440;
  TextFields& f = engine.text();
  f.textured = false;
  f.shadow = true;
  f.textVisible = true;
  f.size = 2;
  f.oneLine = false;
}

void ClearText(TFmain& engine) {
  engine.readerAids().TextCleared();
  Screen& screen = engine.screen();
  screen.buffer(TEXT).fill(0);
  screen.buffer(TEXT_MASK).fill(kMaskWhite);
  TTextStatus& t = engine.textStatus();
  t.cursorX = t.leftMargin;
  t.cursorY = 0;
  engine.saves().NewPage();
  if (engine.text().textVisible) {
    Blit(engine.window(), 0, 0, kScreenWidth, kScreenHeight, screen.buffer(VRAM), 0, 0,
         RasterOp::Copy);
    engine.PresentWindow({0, 0, kScreenWidth, kScreenHeight});
    if (!engine.switches().saveLocked) engine.saves().TakeSnapshot();
  }
}

void TimedPause(TFmain& engine, std::int64_t ms) {
  std::uint32_t length =
      static_cast<std::uint32_t>(std::min<std::int64_t>(std::llabs(ms), 0xFFFFFFFFLL));
  engine.Pause(length);
}

void ClickWait(TFmain& engine, ClickWaitKind kind) {
  TextFields& f = engine.text();
  InputSignals& in = engine.input();
  auto skipping = [&] { return f.skipMode && engine.currentTextId() >= 0; };
  ReaderAids& aids = engine.readerAids();
  aids.ClickWaitBegins();
  if (skipping()) return;
  if (kind == ClickWaitKind::Line && f.pageUnit) return;
  in.click = false;
  if (!f.iconRunning) StartWaitIcon(engine, kind);
  PopupMenu& menu = engine.menu();
  if (!engine.switches().saveLocked && engine.saves().savePossible()) {
    menu.setEnabled("Msave", true);
  }
  for (const char* item : kWaitMenuItems)
    menu.setEnabled(item, true);
  in.mouseDown = in.mouseUp = false;
  // Ended or unwound, the wait leaves no icon running and no wait item enabled.
  struct WaitEnd {
    TFmain& engine;
    ~WaitEnd() {
      engine.text().lineClicked = false;
      StopWaitIcon(engine);
      engine.menu().setEnabled("Msave", false);
      for (const char* item : kWaitMenuItems)
        engine.menu().setEnabled(item, false);
    }
  } waitEnd{engine};
  auto ended = [&](bool half) {
    return half || in.click || engine.pendingRequest() != 0 || skipping();
  };
  ReaderAids::ClickWaitScope waiting(aids);
  // Advanced by itself, the wait needs no release.
  if (aids.WaitOrAdvance([&] { return ended(in.mouseDown); })) return;
  aids.WaitOrAdvance([&] { return ended(in.mouseUp); });
}

void PageWait(TFmain& engine) {
  ClickWait(engine, ClickWaitKind::Page);
  ClearText(engine);
}

void StartWaitIcon(TFmain& engine, ClickWaitKind kind) {
  TextFields& f = engine.text();
  const TTextStatus& t = engine.textStatus();
  std::int64_t x = static_cast<std::int64_t>(t.cursorX) + f.offsetX;
  std::int64_t y = static_cast<std::int64_t>(t.cursorY) + f.offsetY + t.cellHeight + 16 +
                   (t.fontHeight - kIconSize) / 2 - t.fontHeight;
  if (x > kScreenWidth - kIconSize - 1 || y > kScreenHeight - kIconSize - 1) {
    x = kScreenWidth - kIconSize;
    y = kScreenHeight - kIconSize;
  }
  f.iconX = ClampCoordinate(x);
  f.iconY = ClampCoordinate(y);
  f.iconRow = kind == ClickWaitKind::Page ? 1 : 0;
  f.iconRunning = true;
  WaitIconTick(engine);
  engine.host().setTimerEnabled(true);
}

void StopWaitIcon(TFmain& engine) {
  TextFields& f = engine.text();
  if (!f.iconRunning) return;
  engine.host().setTimerEnabled(false);
  f.iconRunning = false;
  PresentVramRect(engine, {f.iconX, f.iconY, f.iconX + kIconSize, f.iconY + kIconSize});
}

void WaitIconTick(TFmain& engine) {
  TextFields& f = engine.text();
  if (!f.iconRunning) return;
  Screen& screen = engine.screen();
  Surface& window = engine.window();
  const int x = f.iconX, y = f.iconY;
  Blit(window, x, y, kIconSize, kIconSize, screen.buffer(VRAM), x, y, RasterOp::Copy);
  BlitMasked(window, x, y, kIconSize, kIconSize, screen.buffer(ICON), screen.buffer(ICON_MASK),
             f.iconFrame * kIconSize, f.iconRow * kIconSize);
  engine.PresentWindow({x, y, x + kIconSize, y + kIconSize});
  f.iconFrame = (f.iconFrame + 1) % 8;
}

void SetTextSize(TFmain& engine, std::int32_t n) {
  if (n < 1 || n > 26) n = 2;
  TTextStatus& t = engine.textStatus();
  const std::int32_t oldHeight = t.cellHeight;
  engine.text().size = n;
  t.cellWidth = t.cellHeight = t.fontHeight = 12 * n;
  t.lineGap = 16;
  t.rubyHeight = 12;
  // Mid-line, the larger or smaller glyphs keep the line's bottom.
  if (t.leftMargin < t.cursorX)
    t.cursorY = ClampCoordinate(static_cast<std::int64_t>(t.cursorY) + oldHeight - t.cellHeight);
  t.rightLimit = kScreenWidth - t.cellWidth;
  t.bottomLimit = kScreenHeight - 1 - t.cellHeight - t.lineGap;
}

void SelectFont(TFmain& engine, std::int32_t n) {
  if (n < 0 || n >= kFontTableSize) n = 0;
  TextFields& f = engine.text();
  f.fontIndex = n;
  engine.textStatus().fontName = f.fonts[static_cast<std::size_t>(n)];
}

int DrawTextLayerImage(TFmain& engine, int x, int y, const std::string& cp932File,
                       std::optional<std::string_view> colorSpec) {
  Screen& screen = engine.screen();
  Surface image;
  LoadPicture(image, cp932File, engine.options().dataRoot, engine, &engine.host());
  if (image.empty()) return 0;
  const std::uint32_t color =
      colorSpec ? ParseMaskColor(*colorSpec, image, engine) : PixelToColor(image.at(0, 0));
  Surface mask;
  if (color == kNoMaskColor) {
    mask.reset(image.width(), image.height(), 0);
  } else {
    MakeColorMask(image, mask, color, &screen.buffer(TEMP2));
  }
  const int w = image.width(), h = image.height();
  if (engine.text().textVisible) {
    BlitMasked(engine.window(), x, y, w, h, image, mask, 0, 0);
    engine.PresentWindow({x, y, x + w, y + h});
  }
  Blit(screen.buffer(TEXT), x, y, w, h, image, 0, 0, RasterOp::Copy);
  Blit(screen.buffer(TEXT_MASK), x, y, w, h, mask, 0, 0, RasterOp::Copy);
  return w;
}

void ApplyConfiguredFonts(TFmain& engine) {
  TextFields& f = engine.text();
  GlyphRenderer& glyphs = engine.glyphs();
  engine.saves().ChooseFonts(f.fonts,
                             [&](const std::string& name) { return glyphs.IsInstalled(name); });
  engine.textStatus().fontName = f.fonts[static_cast<std::size_t>(std::clamp(f.fontIndex, 0, 6))];
  engine.textStatus().rubyFontName = f.fonts[3];
}

}  // namespace qw
