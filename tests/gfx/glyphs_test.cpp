// Fonts by name and the glyphs drawn from them: classic Japanese names, fallback for missing
// characters, symbol-font bytes, bold, and bytes that form no character.
#include <gtest/gtest.h>

#include <string>

#include "gfx/glyphs.h"

namespace qw {
namespace {

// "ＭＳ ゴシック", "ＭＳ 明朝", "ＭＳ Ｐゴシック" in CP932.
const std::string kMsGothic = "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E";
const std::string kMsMincho = "\x82\x6C\x82\x72 \x96\xBE\x92\xA9";
const std::string kMsPGothic = "\x82\x6C\x82\x72 \x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";

int Ink(const Glyph& g) {
  int n = 0;
  for (std::uint8_t b : g.ink)
    n += b;
  return n;
}

TEST(Glyphs, CharacterCodes) {
  EXPECT_EQ(Cp932CharToUnicode("A"), U'A');
  EXPECT_EQ(Cp932CharToUnicode("\x82\xA0"), U'あ');
  EXPECT_EQ(Cp932CharToUnicode("\x95\x5C"), U'表');  // a trail byte that is a backslash
  EXPECT_EQ(Cp932CharToUnicode("\xB1"), U'ｱ');       // half-width katakana
  EXPECT_EQ(Cp932CharToUnicode("\x87\x40"), U'①');   // a Windows extension
  EXPECT_EQ(Cp932CharToUnicode("\x82"), 0u);         // a lead byte alone
  EXPECT_EQ(Cp932CharToUnicode("\x85\x40"), 0u);     // an unassigned pair
  EXPECT_EQ(Cp932CharToUnicode(""), 0u);

  EXPECT_EQ(SymbolFontOf("Wingdings"), SymbolFont::Wingdings);
  EXPECT_EQ(SymbolFontOf("symbol"), SymbolFont::Symbol);
  EXPECT_EQ(SymbolFontOf("Marlett"), SymbolFont::Marlett);
  EXPECT_EQ(SymbolFontOf(kMsGothic), SymbolFont::None);
  EXPECT_EQ(SymbolByteToUnicode(SymbolFont::Symbol, 'a'), U'α');
  EXPECT_EQ(SymbolByteToUnicode(SymbolFont::Symbol, 'W'), U'Ω');
  EXPECT_EQ(SymbolByteToUnicode(SymbolFont::Symbol, '1'), U'1');
  EXPECT_EQ(SymbolByteToUnicode(SymbolFont::Wingdings, 0x6C), U'●');
  EXPECT_EQ(SymbolByteToUnicode(SymbolFont::Marlett, 0x36), U'▼');
  EXPECT_EQ(SymbolByteToUnicode(SymbolFont::Wingdings, 0x01), 0u);
}

TEST(Glyphs, ClassicJapaneseNamesFindAnInstalledFont) {
  GlyphRenderer r;
  for (const std::string& name : {kMsGothic, kMsMincho, kMsPGothic, std::string("MS Gothic"),
                                  std::string("MS UI Gothic"), std::string("NoSuchFontAtAll")}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(r.IsInstalled(name));
    EXPECT_FALSE(r.ResolvedFamily(name).empty());
    const Glyph& g = r.Get(name, "\x8A\xBF", 24, false);  // 漢
    EXPECT_GT(Ink(g), 40);
    EXPECT_GE(g.top, 0);
    EXPECT_LE(g.top + g.height, 26);
    EXPECT_GE(g.left, -1);
    EXPECT_LE(g.left + g.width, 26);
    EXPECT_NEAR(g.advance, 24, 1);
  }
  EXPECT_EQ(r.ResolvedFamily(kMsGothic).rfind("IPA", 0), 0u);
  EXPECT_TRUE(r.IsInstalled("IPAGothic"));
  EXPECT_EQ(r.ResolvedFamily("ipagothic"), "IPAGothic");
}

TEST(Glyphs, HeightsBoldAndHalfWidth) {
  GlyphRenderer r;
  const Glyph& small = r.Get("IPAGothic", "\x81\xA1", 12, false);  // ■
  const Glyph& large = r.Get("IPAGothic", "\x81\xA1", 36, false);
  EXPECT_GT(large.height, 2 * small.height);
  EXPECT_LE(large.top + large.height, 37);
  const Glyph& plain = r.Get("IPAGothic", "\x82\xA0", 12, false);
  const Glyph& bold = r.Get("IPAGothic", "\x82\xA0", 12, true);
  EXPECT_GT(Ink(bold), Ink(plain));
  EXPECT_EQ(r.TextWidth("IPAGothic", "ab", 24, false), 24);  // half-width letters
  EXPECT_EQ(r.TextWidth("IPAGothic", "\x82\xA0\x82\xA2", 24, false), 48);
  // The same request gives the same cached glyph.
  EXPECT_EQ(&r.Get("IPAGothic", "\x82\xA0", 12, true), &bold);
}

TEST(Glyphs, MissingCharactersAndSymbolBytes) {
  GlyphRenderer r;
  // Bytes that form no character draw nothing, in any font, even one that does not exist.
  EXPECT_EQ(Ink(r.Get(kMsGothic, "\x85\x40", 24, false)), 0);
  EXPECT_EQ(Ink(r.Get("NoSuchFontAtAll", "\x82", 24, false)), 0);
  EXPECT_EQ(Ink(r.Get(kMsGothic, " ", 24, false)), 0);
  // Symbol-font bytes are pictures, taken from whatever installed font has them.
  EXPECT_GT(Ink(r.Get("Wingdings", "\x6C", 24, false)), 40);  // ●
  EXPECT_GT(Ink(r.Get("Symbol", "a", 24, false)), 10);        // α
  EXPECT_GT(Ink(r.Get("Marlett", "6", 24, false)), 10);       // ▼
  // ✌ is in no Japanese font here: it comes from a fallback rather than vanishing.
  EXPECT_GT(Ink(r.Get("Wingdings", "\x41", 24, false)), 10);
}

TEST(Glyphs, DrawGlyphClipsAtEveryEdge) {
  GlyphRenderer r;
  const Glyph& g = r.Get("IPAGothic", "\x81\xA1", 24, false);
  Surface s(20, 20, 0);
  for (int x : {-30, -10, 0, 10, 30}) {
    for (int y : {-30, -10, 0, 10, 30})
      DrawGlyph(s, x, y, g, 0xFFFFFF);
  }
  DrawGlyph(s, 2147483000, -2147483000, g, 0xFFFFFF);
  int lit = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      lit += s.at(x, y) != 0;
  EXPECT_GT(lit, 0);
  Surface one(24, 40, 0);
  DrawGlyph(one, 0, 0, g, 0x123456);
  int count = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 24; ++x)
      count += one.at(x, y) == 0x123456;
  EXPECT_EQ(count, Ink(g));
}

}  // namespace
}  // namespace qw
