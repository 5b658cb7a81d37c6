#include "present/text_engine.h"

#include "app/engine.h"
#include "platform/cp932.h"

namespace qw {

void DrawTextLine(TFmain& engine, const std::string& line, int fromPos) {
  TProg& prog = engine.prog();
  TextFields& text = engine.text();
  text.textInProgress = true;
  for (std::size_t i = fromPos > 0 ? static_cast<std::size_t>(fromPos - 1) : 0; i < line.size();) {
    i += CharLength(line, i);
    // A load resumes the line after the last character shown.
    prog.TextPos = static_cast<std::int32_t>(i + 1);
    prog.Status = 2;
  }
  ClickWait(engine, ClickWaitKind::Line);
}

void DrawRawText(TFmain& engine, const std::string& text) {
  engine.text().textInProgress = true;
  (void)text;
}

void ResetText(TFmain& engine) {
  TTextStatus& t = engine.textStatus();
  std::int32_t leftMargin = t.leftMargin;
  std::string font = t.fontName;
  std::string ruby = t.rubyFontName;
  t = TTextStatus{};
  t.leftMargin = leftMargin;
  t.cursorX = leftMargin;
  t.fontName = font;
  t.rubyFontName = ruby;
  TextFields& f = engine.text();
  f.textured = false;
  f.shadow = true;
  f.textVisible = true;
  f.size = 2;
  f.oneLine = false;
}

void ClickWait(TFmain& engine, ClickWaitKind kind) {
  TextFields& text = engine.text();
  InputSignals& input = engine.input();
  bool skipping = [&] { return text.skipMode && engine.currentTextId() >= 0; }();
  if (skipping) return;
  if (kind == ClickWaitKind::Line && text.pageUnit) return;
  input.click = false;
  input.mouseDown = false;
  input.mouseUp = false;
  auto done = [&](bool half) {
    return half || input.click || engine.pendingRequest() != 0 ||
           (text.skipMode && engine.currentTextId() >= 0);
  };
  while (!done(input.mouseDown)) engine.WaitForMessage();
  while (!done(input.mouseUp)) engine.WaitForMessage();
  text.lineClicked = false;
}

}  // namespace qw
