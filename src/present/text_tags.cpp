// The tag blocks of story text: "<" letters with their arguments ">".
#include <algorithm>

#include "app/engine.h"
#include "gfx/composite.h"
#include "media/simple_sound.h"
#include "platform/cp932.h"
#include "present/text_engine.h"

namespace qw {
namespace {

// An optional sign and decimal digits; no digits read as 0. Values beyond what a 32-bit
// number holds are cut to it.
std::int32_t ReadNumber(std::string_view s, std::size_t& pos) {
  bool negative = false;
  if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) negative = s[pos++] == '-';
  std::int64_t value = 0;
  while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
    value = std::min<std::int64_t>(value * 10 + (s[pos] - '0'), 0x7FFFFFFF);
    ++pos;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

std::uint32_t TagColor(TFmain& engine, std::string_view s, std::size_t& pos) {
  std::string_view spec = s.substr(pos, std::min<std::size_t>(7, s.size() - pos));
  pos += spec.size();
  return ParseMaskColor(spec, Surface{}, engine) & 0xFFFFFFu;
}

}  // namespace

std::string ReadTagFileName(std::string_view s, std::size_t& pos) {
  while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t'))
    ++pos;
  if (pos >= s.size() || s[pos] != '"') return {};
  ++pos;
  std::string name;
  while (pos < s.size() && s[pos] != '"' && s[pos] != '>') {
    std::size_t n = CharLength(s, pos);
    name.append(s.substr(pos, n));
    pos += n;
  }
  if (pos < s.size() && s[pos] == '"') ++pos;
  return name;
}

std::size_t ProcessTextTag(TFmain& engine, std::string_view s, std::size_t pos) {
  TTextStatus& t = engine.textStatus();
  TextFields& f = engine.text();
  auto soundAllowed = [&] { return engine.menu().checked("Ksound") && !f.skipMode; };
  auto add = [](std::int32_t a, std::int64_t b) {
    return ClampCoordinate(static_cast<std::int64_t>(a) + b);
  };
  while (pos < s.size() && s[pos] != '>') {
    const char letter = s[pos];
    if (IsLeadByte(static_cast<unsigned char>(letter))) {
      // A double-byte character is skipped whole: its trail byte may look like a letter.
      pos += CharLength(s, pos);
      continue;
    }
    ++pos;
    switch (letter) {
      case 'S':
        SetTextSize(engine, ReadNumber(s, pos));
        break;
      case 'F':
        SelectFont(engine, ReadNumber(s, pos));
        break;
      case 'X':
        t.cursorX = ClampCoordinate(ReadNumber(s, pos));
        break;
      case 'Y':
        t.cursorY = ClampCoordinate(ReadNumber(s, pos));
        break;
      case 'M':
        t.cursorX = add(t.cursorX, ReadNumber(s, pos));
        break;
      case 'N':
        t.cursorY = add(t.cursorY, ReadNumber(s, pos));
        break;
      case 'L':
        t.cursorX = ClampCoordinate(std::int64_t{ReadNumber(s, pos)} * t.cellWidth);
        break;
      case 'H':
        t.cursorY = ClampCoordinate(std::int64_t{ReadNumber(s, pos)} * (t.cellHeight + t.lineGap));
        break;
      case 'J':
        t.cursorX = add(t.cursorX, std::int64_t{ReadNumber(s, pos)} * t.cellWidth);
        break;
      case 'K':
        t.cursorY = add(t.cursorY, std::int64_t{ReadNumber(s, pos)} * (t.cellHeight + t.lineGap));
        break;
      case 'T': {
        std::int64_t n = ReadNumber(s, pos);
        // With 0 there is no step of 12 to take; the cursor stays.
        if (n != 0) {
          std::int64_t a = n < 0 ? -n : n;
          t.cursorY = add(t.cursorY, n * (12 * a - t.cellHeight) / a);
        }
        break;
      }
      case 'W':
        f.textWait = ReadNumber(s, pos);
        break;
      case 'Q': {
        std::int32_t n = ReadNumber(s, pos);
        InputSignals& in = engine.input();
        if (n >= 0) {
          in.click = false;
          Waiter& waiter = engine.waiter();
          waiter.untilTickOr(waiter.now() + static_cast<std::uint32_t>(n),
                             [&] { return in.click; });
        } else {
          TimedPause(engine, n);
        }
        in.click = in.mouseDown = in.mouseUp = false;
        if (f.textInProgress) f.lineClicked = false;
        break;
      }
      case 'I':
        t.leftMargin = ClampCoordinate(ReadNumber(s, pos));
        break;
      case 'R': {
        std::int32_t n = ReadNumber(s, pos);
        t.rightLimit = add(t.leftMargin, n != 0 ? n : kScreenWidth - t.cellWidth);
        break;
      }
      case 'U': {
        std::int32_t n = ReadNumber(s, pos);
        t.bottomLimit = n != 0 ? n : kScreenHeight - t.cellHeight - t.lineGap;
        break;
      }
      case 'C':
        t.textColor = TagColor(engine, s, pos);
        break;
      case 'B':
        t.shadowColor = TagColor(engine, s, pos);
        break;
      case 'D':
        f.shadow = ReadNumber(s, pos) != 0;
        break;
      case 'P':
        f.textVisible = ReadNumber(s, pos) != 0;
        engine.screen().dirty = true;
        break;
      case 'E':
        t.edgeMode = ReadNumber(s, pos) != 0 ? 1 : 0;
        break;
      case 'V': {
        std::string file = ReadTagFileName(s, pos);
        if (soundAllowed()) PlaySimpleSound(engine, file, true);
        break;
      }
      case 'O': {
        std::string file = ReadTagFileName(s, pos);
        if (soundAllowed()) PlaySimpleSound(engine, file, false);
        break;
      }
      case 'A': {
        std::string file = ReadTagFileName(s, pos);
        if (!file.empty()) {
          int w = DrawTextLayerImage(engine, t.cursorX + f.offsetX, t.cursorY + f.offsetY, file,
                                     std::nullopt);
          t.cursorX = add(t.cursorX, w);
        }
        break;
      }
      default:
        break;
    }
  }
  if (pos < s.size()) ++pos;
  return pos;
}

}  // namespace qw
