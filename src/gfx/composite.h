// Pixel operations the screen is composed with: the nine compositing modes, masks from a
// colour or a file, tiling, darkening, and the colour forms scripts and pictures use.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "gfx/surface.h"
#include "platform/host.h"
#include "platform/reporter.h"

namespace qw {

enum class CompositeMode : int {
  Copy = 0,      // s
  Or = 1,        // d | s
  And = 2,       // d & s
  Xor = 3,       // d ^ s
  Blend = 4,     // (s >> 1) + (d >> 1) per channel
  Increase = 5,  // min(s + d, 255)
  Decrease = 6,  // max(d - s, 0)
  Screen = 7,    // max(s, d)
  Overlay = 8,   // s > d ? s : (s + d) >> 1
};
// Modes 0..3 work on the whole 32 bits; the others set the fourth byte to 0.

// "#COPY", "#OR", "#AND", "#XOR", "#BLEND", "#INCREASE", "#DECREASE", "#SCREEN", "#OVERLAY"
// (exact case); nothing for any other text.
std::optional<CompositeMode> CompositeModeFromKeyword(std::string_view keyword);

// Mask modes: 0 no mask, 1 mask aligned with the source, 2 mask aligned with the destination.
// A pixel is drawn only where its mask pixel is exactly 0; mask pixels outside the mask
// surface count as not 0. Any other mask mode draws nothing.
inline constexpr int kMaskNone = 0;
inline constexpr int kMaskSource = 1;
inline constexpr int kMaskDestination = 2;

// Draws `src` with its top-left pixel at (x, y) of `dst`, `width` x `height` pixels (callers
// pass the source's size; more than the source has is cut to it), clipped at every edge of
// `dst`. `mask` may be null when `maskMode` is 0. `src` and `dst` must not be the same surface.
void CompositeImage(CompositeMode mode, int x, int y, int width, int height, const Surface& src,
                    Surface& dst, const Surface* mask, int maskMode);

// ---- colours ----
// A platform colour value is 0x00BBGGRR; a pixel reads 0xXXRRGGBB.
constexpr std::uint32_t ColorToPixel(std::uint32_t color) {
  return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}
constexpr std::uint32_t PixelToColor(std::uint32_t pixel) {
  return ColorToPixel(pixel & 0xFFFFFF);
}

// A script colour "#RRGGBB": up to six characters after "#" (extra ones ignored) read as
// hexadecimal RRGGBB, as the platform colour value 0x00BBGGRR. Nothing when the text does not
// start with "#" or the digits are not hexadecimal. "#12" is 0x120000 (blue 0x12).
std::optional<std::uint32_t> ScriptColorToColor(std::string_view text);

// ---- masks ----
inline constexpr std::uint32_t kNoMaskColor = 0x1FFFFFFF;
inline constexpr std::uint32_t kMaskFromFileColor = 0x7FFFFFFF;
inline constexpr std::uint32_t kMaskWhite = 0x00FFFFFF;
inline constexpr const char* kBadColorMessage = "色指定が異常です。:";

// The transparent colour of a specification: "#NONE" gives kNoMaskColor; "#TOP_LEFT",
// "#BOTTOM_LEFT", "#TOP_RIGHT", "#BOTTOM_RIGHT" the colour of that corner pixel of `image`
// (0xFFFFFFFF, matching no pixel, when `image` is empty); "#RRGGBB" that colour; any other
// "#..." shows and reports "色指定が異常です。:" + the colour text (CP932, converted) and
// gives white; anything else kMaskFromFileColor (the text names a mask file).
std::uint32_t ParseMaskColor(std::string_view cp932Spec, const Surface& image,
                             ErrorReporter& reporter);

// The mask of `image` for the transparent `color` (platform colour value): white where the
// pixel's colour bytes equal it (and such pixels of `image` become 0), 0 elsewhere. `temp2`,
// the scratch buffer, takes the image's size.
void MakeColorMask(Surface& image, Surface& mask, std::uint32_t color, Surface* temp2 = nullptr);

// The mask of `image` from the picture file `cp932Name`, loaded into `temp2` by LoadPicture
// (its messages and exceptions pass through). The mask takes the file picture's size and
// holds it where it overlaps the image. With `maskMode` 0 the image is then cut by it: image
// pixels under non-black mask bits lose those bits (image AND NOT mask).
void MakeFileMask(Surface& image, Surface& mask, std::string_view cp932Name, int maskMode,
                  Surface& temp2, std::string_view dataRoot, ErrorReporter& reporter,
                  Host* host = nullptr);

// Repeats `tile` from the top-left corner over all of `target`. Nothing when a size is 0.
void TilePicture(const Surface& tile, Surface& target);

// Darkens every pixel of `frame` by the darkness rate (0..256; outside values are clamped):
// each colour byte b becomes (b * (256 - rate)) >> 8, the fourth byte 0.
void DarkenFrame(Surface& frame, int darknessRate);

// The last passes of a refresh in one sweep over the rows: `frame` darkened by `darknessRate`
// when one is given (as DarkenFrame), its `width` x `height` rectangle at (0, 0) copied to
// `window`, and `text` laid over that through `textMask` when both are given (as BlitMasked).
// The pixels are those of the separate passes; when all the surfaces have exactly that size,
// each of them is read once instead of up to three times.
void ShowComposedFrame(Surface& window, Surface& frame, std::optional<int> darknessRate,
                       const Surface* text, const Surface* textMask, int width, int height);

}  // namespace qw
