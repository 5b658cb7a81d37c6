// Glyphs of story text: fonts found by family name through fontconfig, rendered by FreeType as
// two-level bitmaps (ink or nothing), so that a glyph drawn into a picture and into its mask
// covers exactly the same pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/surface.h"

namespace qw {

struct Glyph {
  int left = 0;  // from the pen x to the bitmap's first column
  int top = 0;   // from the top of the text cell to the bitmap's first row
  int width = 0;
  int height = 0;
  int advance = 0;
  std::vector<std::uint8_t> ink;  // width x height, 1 where the glyph is drawn
};

// The single-byte symbol fonts, whose bytes are pictures rather than letters.
enum class SymbolFont { None, Marlett, Symbol, Wingdings };

// The symbol font a family name stands for (compared without regard to letter case).
SymbolFont SymbolFontOf(std::string_view cp932Family);
// The Unicode character standing for byte `b` of a symbol font; 0 when it has none.
char32_t SymbolByteToUnicode(SymbolFont font, unsigned char b);
// The Unicode character of one CP932 character (one byte, or a lead byte and its trail byte);
// 0 when the bytes form no character.
char32_t Cp932CharToUnicode(std::string_view ch);

class GlyphRenderer {
 public:
  GlyphRenderer();
  ~GlyphRenderer();
  GlyphRenderer(const GlyphRenderer&) = delete;
  GlyphRenderer& operator=(const GlyphRenderer&) = delete;

  // Whether an installed font has the family `cp932Family` itself (no substitute).
  bool IsInstalled(std::string_view cp932Family);
  // The family (UTF-8) whose font draws `cp932Family`: the family itself when installed, an
  // installed Japanese font for the classic Japanese names and any other absent family.
  // Empty when no font at all is installed.
  std::string ResolvedFamily(std::string_view cp932Family);

  // The glyph of the character `ch` (CP932 bytes; a single byte of a symbol font is read
  // through that font's own table) at `height` pixels, the top of its cell at 0. A character
  // the font lacks comes from another installed font; one that no font has, or bytes that
  // form no character, give an empty glyph. The reference stays valid until the next call of
  // Get or TextWidth: a full cache is emptied before it takes the next glyph.
  const Glyph& Get(std::string_view cp932Family, std::string_view ch, int height, bool bold);
  // The width of a CP932 text (the advances of its characters).
  int TextWidth(std::string_view cp932Family, std::string_view text, int height, bool bold);

  // The glyph cache holds at most this many bytes (ink and bookkeeping), or one glyph larger
  // than that alone: a glyph that would take it past the limit empties it first. Lowering the
  // limit below what it holds empties it now.
  static constexpr std::size_t kDefaultCacheLimit = std::size_t{64} << 20;
  void setCacheLimit(std::size_t bytes);
  std::size_t cacheBytes() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Draws the ink of `glyph` in `pixel` with its cell's top-left at (x, y), clipped to `dst`.
void DrawGlyph(Surface& dst, int x, int y, const Glyph& glyph, std::uint32_t pixel);
// Draws a CP932 string glyph by glyph from (x, y) in one colour, stopping once x reaches
// `stopX`; returns the x after the last glyph drawn.
int DrawGlyphText(GlyphRenderer& glyphs, Surface& dst, int x, int y, std::string_view cp932Family,
                  std::string_view text, int height, std::uint32_t pixel,
                  int stopX = std::numeric_limits<int>::max());

}  // namespace qw
