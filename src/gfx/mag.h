// The MAG decoder (".mag", and ".qim", the same format under the magic "QWKIF1  ").
//
// A MAG file codes a 16- or 256-colour picture as 16-bit words, each either a literal or a
// copy of an earlier word at one of 15 fixed positions. The decoder writes a complete
// palette bitmap file image (header, palette, bottom-up rows), which the bitmap reader then
// turns into a surface.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/codecs.h"

namespace qw {

struct TMagHeader {
  std::uint32_t headerOffset = 0;  // position of the first 0x1A plus 1
  std::uint8_t byte0 = 0;          // must be 0
  std::uint8_t machineCode = 0;
  std::uint8_t machineFlag = 0;
  std::uint8_t screenMode = 0;  // bit 7: 256 colours
  std::uint16_t xStart = 0, yStart = 0, xEnd = 0, yEnd = 0;
  std::uint32_t flagAOffset = 0, flagBOffset = 0, flagBSize = 0, pixelOffset = 0, pixelSize = 0;
  // Derived.
  bool colors256 = false;
  std::uint32_t alignedXStart = 0, alignedXEnd = 0;
  std::uint32_t bytesPerLine = 0;
  std::uint16_t height = 0;

  std::uint32_t width() const { return alignedXEnd - alignedXStart + 1; }
  std::uint32_t paletteEntries() const { return colors256 ? 256 : 16; }
};

// The MAG-to-bitmap converter. It holds no state; each load makes one.
class TM2BC {
 public:
  enum ParseResult : int {
    kValid = 0,
    kDataBeyondLength = 1,  // a data area ends past the buffer
    kNoHeader = 2,          // no 0x1A, or the header ends past the buffer
    kBadMagic = 3,
    kBadHeader = 4,  // header byte 0 not 0, or an empty x range
  };

  // Reads the header of `data` into `header`.
  static int ParseHeader(const std::uint8_t* data, std::size_t length, TMagHeader& header);

  // Size of the bitmap file image the file decodes to: 54 + palette bytes + rows. Reads only
  // the header (up to the first 0x1A plus 32 bytes) and accepts results 0 and 1. 0 when the
  // header is unusable, or the picture is larger than any decoder accepts.
  static std::uint32_t BitmapImageSize(ByteSpan file);

  // Decodes the whole file into `image` (a bitmap file image of BitmapImageSize bytes).
  // 0 on success, -1 on failure; malformed streams and copy references outside the picture
  // are failures.
  static int DecodeToBitmapImage(ByteSpan file, std::vector<std::uint8_t>& image);

  enum class Result { Loaded, NoSize, DecodeFailed };
  // The whole conversion into a 32-bit surface. NoSize: the size query gave 0. DecodeFailed:
  // the caller shows the "Failed by MMAG_MagtoBmp" warning. `out` changes only when Loaded.
  static Result MMAG_MagtoBmp(ByteSpan file, Surface& out);
};

}  // namespace qw
