// TTextStatus and the text fields beside it: where and how story text is drawn.
#pragma once

#include <cstdint>
#include <string>

namespace qw {

struct TTextStatus {
  std::int32_t cursorX = 0;
  std::int32_t cursorY = 0;
  std::uint32_t textColor = 0xFFFFFF;  // platform colour value 0x00BBGGRR
  std::uint32_t shadowColor = 0;
  std::int32_t edgeMode = 0;           // 0 drop shadow, 1 outline
  std::int32_t cellWidth = 24;
  std::int32_t cellHeight = 24;
  std::int32_t lineGap = 16;
  std::string fontName;
  std::string rubyFontName;
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
  // Flags of a running line.
  bool textInProgress = false;
  bool lineClicked = false;
  bool highSpeed = false;
  bool pageUnit = false;
  bool skipMode = false;
};

}  // namespace qw
