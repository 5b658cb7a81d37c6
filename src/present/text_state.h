// TTextStatus and the text fields beside it: where and how story text is drawn.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qw {

// "ＭＳ ゴシック" in CP932: the start font of the text and ruby entries.
inline constexpr const char* kDefaultTextFont = "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E";
inline constexpr int kFontTableSize = 7;
// Entries 0..2 text fonts, 3 the ruby font, 4..6 the single-byte symbol fonts.
using FontTable = std::array<std::string, kFontTableSize>;
inline FontTable DefaultFontTable() {
  return {kDefaultTextFont, kDefaultTextFont, kDefaultTextFont, kDefaultTextFont,
          "Marlett",        "Symbol",         "Wingdings"};
}

struct TTextStatus {
  std::int32_t cursorX = 0;
  std::int32_t cursorY = 0;
  std::uint32_t textColor = 0xFFFFFF;  // platform colour value 0x00BBGGRR
  std::uint32_t shadowColor = 0;
  std::int32_t edgeMode = 0;  // 0 drop shadow, 1 outline
  std::int32_t cellWidth = 24;
  std::int32_t cellHeight = 24;
  std::int32_t lineGap = 16;
  std::string fontName = kDefaultTextFont;
  std::string rubyFontName = kDefaultTextFont;
  std::int32_t fontHeight = 24;
  std::int32_t rubyHeight = 12;
  std::int32_t leftMargin = 0;
  std::int32_t rightLimit = 616;
  std::int32_t bottomLimit = 440;
};

// The text fields that live beside TTextStatus.
struct TextFields {
  bool textured = false;
  bool shadow = true;
  bool textVisible = true;
  std::int32_t size = 2;
  std::int32_t offsetX = 0;
  std::int32_t offsetY = 0;
  std::int32_t fontIndex = 0;
  std::int32_t textWait = 1;
  bool oneLine = false;
  FontTable fonts = DefaultFontTable();
  // Flags of a running line.
  bool textInProgress = false;
  bool lineClicked = false;
  bool highSpeed = false;
  bool pageUnit = false;
  bool skipMode = false;
  // The click-wait icon: its place, the row of its kind and the frame shown next. The frame
  // runs on from one wait to the next.
  bool iconRunning = false;
  std::int32_t iconX = 0;
  std::int32_t iconY = 0;
  std::int32_t iconRow = 0;
  std::int32_t iconFrame = 0;
};

}  // namespace qw
