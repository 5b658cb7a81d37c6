#include "gfx/glyphs.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/cp932.h"

namespace qw {
namespace {

// Full-width Latin letters folded to ASCII, blanks dropped, letters lowered: "ＭＳ ゴシック"
// and "MS Gothic" are spelt many ways in old scenarios.
std::string NormalizeFamily(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    auto b = static_cast<unsigned char>(utf8[i]);
    // U+FF01..U+FF5E: EF BC 81..EF BD 9E
    if (b == 0xEF && i + 2 < utf8.size()) {
      auto b1 = static_cast<unsigned char>(utf8[i + 1]);
      auto b2 = static_cast<unsigned char>(utf8[i + 2]);
      unsigned cp = ((b & 0x0Fu) << 12) | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
      if (cp >= 0xFF01 && cp <= 0xFF5E) {
        char c = static_cast<char>(cp - 0xFF01 + 0x21);
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        out += c;
        i += 3;
        continue;
      }
    }
    // U+3000, the full-width blank: E3 80 80
    if (b == 0xE3 && utf8.substr(i, 3) == "\xE3\x80\x80") {
      i += 3;
      continue;
    }
    if (b == ' ' || b == '\t') {
      ++i;
      continue;
    }
    char c = static_cast<char>(b);
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    out += c;
    ++i;
  }
  return out;
}

// Installed stand-ins for the classic Windows Japanese families, best first.
const std::vector<const char*>* ClassicStandIns(const std::string& normalized) {
  static const std::vector<const char*> gothic = {"IPAGothic", "IPAexGothic", "Noto Sans CJK JP",
                                                  "IPAPGothic"};
  static const std::vector<const char*> pgothic = {"IPAPGothic", "IPAGothic", "IPAexGothic",
                                                   "Noto Sans CJK JP"};
  static const std::vector<const char*> mincho = {"IPAMincho", "IPAexMincho", "Noto Serif CJK JP",
                                                  "IPAGothic"};
  static const std::vector<const char*> pmincho = {"IPAPMincho", "IPAMincho", "IPAexMincho",
                                                   "IPAPGothic", "IPAGothic"};
  static const std::unordered_map<std::string, const std::vector<const char*>*> table = {
      {"msゴシック", &gothic},   {"msgothic", &gothic},   {"msuigothic", &pgothic},
      {"mspゴシック", &pgothic}, {"mspgothic", &pgothic}, {"ms明朝", &mincho},
      {"msmincho", &mincho},     {"msp明朝", &pmincho},   {"mspmincho", &pmincho},
      {"ゴシック", &gothic},     {"明朝", &mincho},       {"osaka", &gothic},
      {"ｍｓゴシック", &gothic},
  };
  auto it = table.find(normalized);
  return it == table.end() ? nullptr : it->second;
}

struct FontFile {
  std::string path;
  int index = 0;
};

std::string FamilyOf(FcPattern* pattern) {
  FcChar8* family = nullptr;
  if (FcPatternGetString(pattern, FC_FAMILY, 0, &family) == FcResultMatch && family)
    return reinterpret_cast<const char*>(family);
  return {};
}

bool HasFamily(FcPattern* pattern, const std::string& normalized) {
  FcChar8* family = nullptr;
  for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &family) == FcResultMatch; ++i) {
    if (family && NormalizeFamily(reinterpret_cast<const char*>(family)) == normalized) return true;
  }
  return false;
}

std::optional<FontFile> FileOf(FcPattern* pattern) {
  FcChar8* file = nullptr;
  if (FcPatternGetString(pattern, FC_FILE, 0, &file) != FcResultMatch || !file) return std::nullopt;
  int index = 0;
  FcPatternGetInteger(pattern, FC_INDEX, 0, &index);
  return FontFile{reinterpret_cast<const char*>(file), index};
}

// fontconfig's best match for a pattern built by `fill`.
template <typename Fill>
FcPattern* Match(Fill&& fill) {
  FcPattern* pattern = FcPatternCreate();
  fill(pattern);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  return match;
}

// The font of exactly `familyUtf8`, if installed.
std::optional<FontFile> ExactFamily(const std::string& familyUtf8, std::string* resolved) {
  FcPattern* match = Match([&](FcPattern* p) {
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(familyUtf8.c_str()));
  });
  if (!match) return std::nullopt;
  std::optional<FontFile> file;
  if (HasFamily(match, NormalizeFamily(familyUtf8))) {
    file = FileOf(match);
    if (resolved) *resolved = FamilyOf(match);
  }
  FcPatternDestroy(match);
  return file;
}

std::optional<FontFile> JapaneseFont(std::string* resolved) {
  FcPattern* match = Match(
      [](FcPattern* p) { FcPatternAddString(p, FC_LANG, reinterpret_cast<const FcChar8*>("ja")); });
  if (!match) return std::nullopt;
  std::optional<FontFile> file = FileOf(match);
  if (resolved) *resolved = FamilyOf(match);
  FcPatternDestroy(match);
  return file;
}

constexpr char32_t kSymbolFontPrivate = 0x1F0000;  // a symbol font's own byte, in its charmap

}  // namespace

// ---- character codes ----

SymbolFont SymbolFontOf(std::string_view cp932Family) {
  std::string n = NormalizeFamily(cp932Family);
  if (n == "marlett") return SymbolFont::Marlett;
  if (n == "symbol") return SymbolFont::Symbol;
  if (n == "wingdings") return SymbolFont::Wingdings;
  return SymbolFont::None;
}

char32_t SymbolByteToUnicode(SymbolFont font, unsigned char b) {
  switch (font) {
    case SymbolFont::Symbol: {
      static const char32_t upper[26] = {0x391, 0x392, 0x3A7, 0x394, 0x395, 0x3A6, 0x393,
                                         0x397, 0x399, 0x3D1, 0x39A, 0x39B, 0x39C, 0x39D,
                                         0x39F, 0x3A0, 0x398, 0x3A1, 0x3A3, 0x3A4, 0x3A5,
                                         0x3C2, 0x3A9, 0x39E, 0x3A8, 0x396};
      static const char32_t lower[26] = {0x3B1, 0x3B2, 0x3C7, 0x3B4, 0x3B5, 0x3C6, 0x3B3,
                                         0x3B7, 0x3B9, 0x3D5, 0x3BA, 0x3BB, 0x3BC, 0x3BD,
                                         0x3BF, 0x3C0, 0x3B8, 0x3C1, 0x3C3, 0x3C4, 0x3C5,
                                         0x3D6, 0x3C9, 0x3BE, 0x3C8, 0x3B6};
      if (b >= 'A' && b <= 'Z') return upper[b - 'A'];
      if (b >= 'a' && b <= 'z') return lower[b - 'a'];
      static const std::unordered_map<unsigned char, char32_t> other = {
          {0x22, 0x2200}, {0x24, 0x2203}, {0x27, 0x220B}, {0x2A, 0x2217}, {0x2D, 0x2212},
          {0x40, 0x2245}, {0x5C, 0x2234}, {0x5E, 0x22A5}, {0x7E, 0x223C}, {0xA5, 0x221E},
          {0xA7, 0x2663}, {0xA8, 0x2666}, {0xA9, 0x2665}, {0xAA, 0x2660}, {0xAB, 0x2194},
          {0xAC, 0x2190}, {0xAD, 0x2191}, {0xAE, 0x2192}, {0xAF, 0x2193}, {0xB0, 0x00B0},
          {0xB1, 0x00B1}, {0xB4, 0x00D7}, {0xB8, 0x00F7}, {0xB9, 0x2260}, {0xBA, 0x2261},
          {0xBB, 0x2248}, {0xBC, 0x2026}, {0xC5, 0x2295}, {0xD6, 0x221A}, {0xE0, 0x25CA}};
      auto it = other.find(b);
      if (it != other.end()) return it->second;
      return b >= 0x20 && b < 0x7F ? b : 0;
    }
    case SymbolFont::Wingdings: {
      static const std::unordered_map<unsigned char, char32_t> table = {
          {0x21, 0x270F}, {0x22, 0x2702}, {0x28, 0x260E}, {0x2A, 0x2709}, {0x36, 0x231B},
          {0x37, 0x2328}, {0x3F, 0x270D}, {0x41, 0x270C}, {0x45, 0x261C}, {0x46, 0x261E},
          {0x47, 0x261D}, {0x48, 0x261F}, {0x4A, 0x263A}, {0x4C, 0x2639}, {0x52, 0x263C},
          {0x54, 0x2744}, {0x58, 0x2720}, {0x59, 0x2721}, {0x5A, 0x262A}, {0x5B, 0x262F},
          {0x5D, 0x2638}, {0x6C, 0x25CF}, {0x6E, 0x25A0}, {0x6F, 0x25A1}, {0x71, 0x2751},
          {0x75, 0x25C6}, {0x76, 0x2756}, {0xA1, 0x25CB}, {0xA4, 0x25C9}, {0xA8, 0x25FB},
          {0xAB, 0x2605}, {0xD8, 0x27A2}, {0xDF, 0x2190}, {0xE0, 0x2192}, {0xE1, 0x2191},
          {0xE2, 0x2193}, {0xE8, 0x2794}, {0xF0, 0x21E8}, {0xFB, 0x2718}, {0xFC, 0x2714},
          {0xFD, 0x2612}, {0xFE, 0x2611}};
      auto it = table.find(b);
      return it == table.end() ? 0 : it->second;
    }
    case SymbolFont::Marlett: {
      static const std::unordered_map<unsigned char, char32_t> table = {
          {0x30, 0x2013}, {0x31, 0x25A1}, {0x32, 0x2750}, {0x33, 0x25C0}, {0x34, 0x25B6},
          {0x35, 0x25B2}, {0x36, 0x25BC}, {0x61, 0x2713}, {0x68, 0x25CF}, {0x69, 0x25CF},
          {0x6E, 0x25CF}, {0x72, 0x2715}, {0x73, 0x2715}, {0x74, 0x25BC}, {0x75, 0x25B2}};
      auto it = table.find(b);
      return it == table.end() ? 0 : it->second;
    }
    case SymbolFont::None:
      break;
  }
  return 0;
}

char32_t Cp932CharToUnicode(std::string_view ch) {
  if (ch.empty()) return 0;
  std::string utf8 = Cp932ToUtf8(ch);
  if (utf8.empty() || utf8 == "\xEF\xBF\xBD") return 0;
  auto b0 = static_cast<unsigned char>(utf8[0]);
  char32_t cp = 0;
  std::size_t n = 1;
  if (b0 < 0x80) {
    cp = b0;
  } else if (b0 >= 0xF0) {
    cp = b0 & 0x07u;
    n = 4;
  } else if (b0 >= 0xE0) {
    cp = b0 & 0x0Fu;
    n = 3;
  } else {
    cp = b0 & 0x1Fu;
    n = 2;
  }
  if (utf8.size() < n) return 0;
  for (std::size_t i = 1; i < n; ++i)
    cp = (cp << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3Fu);
  // More than one character came out (a lead byte and a trail byte that form no pair).
  if (utf8.size() != n) return 0;
  return cp;
}

// ---- the renderer ----

struct GlyphRenderer::Impl {
  struct Face {
    FT_Face face = nullptr;
    bool symbolCharmap = false;  // its own MS-symbol table is selected
  };

  FT_Library library = nullptr;
  std::vector<Face> faces;
  std::unordered_map<std::string, int> faceByFile;    // "path#index"
  std::unordered_map<std::string, int> faceByFamily;  // CP932 family, -1: none at all
  std::unordered_map<std::string, std::string> resolvedName;
  std::unordered_map<std::string, bool> installed;
  std::unordered_map<char32_t, int> fallbackByChar;  // -1: no font has it
  std::unordered_map<std::uint64_t, Glyph> glyphs;
  std::size_t glyphBytes = 0;
  std::size_t glyphLimit = kDefaultCacheLimit;
  Glyph empty;

  // A glyph's share of the cache: its ink and, roughly, its map node.
  static std::size_t CostOf(const Glyph& g) { return g.ink.size() + sizeof(Glyph) + 32; }

  const Glyph& Keep(std::uint64_t key, Glyph g) {
    const std::size_t cost = CostOf(g);
    // Emptying the whole cache is crude but keeps the bound exact; pages of story text
    // refill it in moments.
    if (glyphBytes + cost > glyphLimit) {
      glyphs.clear();
      glyphBytes = 0;
    }
    glyphBytes += cost;
    return glyphs.emplace(key, std::move(g)).first->second;
  }

  Impl() {
    FcInit();
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
  }
  ~Impl() {
    for (Face& f : faces)
      FT_Done_Face(f.face);
    if (library) FT_Done_FreeType(library);
  }

  int OpenFace(const FontFile& file) {
    std::string key = file.path + "#" + std::to_string(file.index);
    auto it = faceByFile.find(key);
    if (it != faceByFile.end()) return it->second;
    int id = -1;
    FT_Face face = nullptr;
    if (library && FT_New_Face(library, file.path.c_str(), file.index, &face) == 0) {
      id = static_cast<int>(faces.size());
      faces.push_back({face, false});
    }
    faceByFile.emplace(key, id);
    return id;
  }

  int FaceForFamily(std::string_view cp932Family) {
    std::string key(cp932Family);
    auto it = faceByFamily.find(key);
    if (it != faceByFamily.end()) return it->second;
    std::string utf8 = Cp932ToUtf8(cp932Family);
    std::string resolved;
    std::optional<FontFile> file = ExactFamily(utf8, &resolved);
    if (!file) {
      if (const auto* standIns = ClassicStandIns(NormalizeFamily(utf8))) {
        for (const char* name : *standIns) {
          if ((file = ExactFamily(name, &resolved))) break;
        }
      }
    }
    if (!file) file = JapaneseFont(&resolved);
    int id = file ? OpenFace(*file) : -1;
    if (id < 0) resolved.clear();
    if (id >= 0 && SymbolFontOf(cp932Family) != SymbolFont::None &&
        NormalizeFamily(resolved) == NormalizeFamily(utf8)) {
      faces[static_cast<std::size_t>(id)].symbolCharmap =
          FT_Select_Charmap(faces[static_cast<std::size_t>(id)].face, FT_ENCODING_MS_SYMBOL) == 0;
    }
    faceByFamily.emplace(key, id);
    resolvedName.emplace(key, resolved);
    return id;
  }

  // Some installed font that has `cp`.
  int FallbackFace(char32_t cp) {
    auto it = fallbackByChar.find(cp);
    if (it != fallbackByChar.end()) return it->second;
    int id = -1;
    FcPattern* pattern = FcPatternCreate();
    FcCharSet* set = FcCharSetCreate();
    FcCharSetAddChar(set, static_cast<FcChar32>(cp));
    FcPatternAddCharSet(pattern, FC_CHARSET, set);
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcFontSet* sorted = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
    if (sorted) {
      for (int i = 0; i < sorted->nfont && id < 0; ++i) {
        FcCharSet* has = nullptr;
        if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &has) != FcResultMatch || !has ||
            !FcCharSetHasChar(has, static_cast<FcChar32>(cp)))
          continue;
        FcPattern* full = FcFontRenderPrepare(nullptr, pattern, sorted->fonts[i]);
        if (std::optional<FontFile> file = FileOf(full ? full : sorted->fonts[i])) {
          int candidate = OpenFace(*file);
          if (candidate >= 0 &&
              FT_Get_Char_Index(faces[static_cast<std::size_t>(candidate)].face, cp) != 0)
            id = candidate;
        }
        if (full) FcPatternDestroy(full);
      }
      FcFontSetDestroy(sorted);
    }
    FcCharSetDestroy(set);
    FcPatternDestroy(pattern);
    fallbackByChar.emplace(cp, id);
    return id;
  }

  Glyph Render(int faceId, FT_UInt index, int height, bool bold) {
    Glyph g;
    FT_Face face = faces[static_cast<std::size_t>(faceId)].face;
    // The cell holds ascent and descent; the em is scaled so that they fill `height`.
    double ascent = face->ascender;
    double span = static_cast<double>(face->ascender) - face->descender;
    if (!FT_IS_SCALABLE(face) || span <= 0) {
      span = face->units_per_EM > 0 ? face->units_per_EM : 1;
      ascent = span * 0.88;
    }
    const double upem = face->units_per_EM > 0 ? face->units_per_EM : span;
    auto em = static_cast<FT_UInt>(std::max(1L, std::lround(height * upem / span)));
    if (FT_Set_Pixel_Sizes(face, 0, em) != 0 && face->num_fixed_sizes > 0) FT_Select_Size(face, 0);
    const int baseline = static_cast<int>(std::lround(height * ascent / span));
    if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO) != 0) return g;
    FT_GlyphSlot slot = face->glyph;
    int extra = 0;
    if (bold && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
      // Widened by one pixel, as a synthesised bold of the platform does.
      FT_Outline_EmboldenXY(&slot->outline, 64, 0);
      extra = 1;
    }
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return g;
    const FT_Bitmap& bm = slot->bitmap;
    g.advance = static_cast<int>(slot->advance.x >> 6) + extra;
    g.left = slot->bitmap_left;
    g.top = baseline - slot->bitmap_top;
    g.width = static_cast<int>(bm.width);
    g.height = static_cast<int>(bm.rows);
    g.ink.assign(static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.height), 0);
    for (int y = 0; y < g.height; ++y) {
      const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
      for (int x = 0; x < g.width; ++x) {
        bool on = bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[x >> 3] >> (7 - (x & 7))) & 1) != 0
                                                      : row[x] >= 128;
        g.ink[static_cast<std::size_t>(y * g.width + x)] = on ? 1 : 0;
      }
    }
    return g;
  }
};

GlyphRenderer::GlyphRenderer() : impl_(std::make_unique<Impl>()) {}
GlyphRenderer::~GlyphRenderer() = default;

bool GlyphRenderer::IsInstalled(std::string_view cp932Family) {
  std::string key(cp932Family);
  auto it = impl_->installed.find(key);
  if (it != impl_->installed.end()) return it->second;
  bool found = !cp932Family.empty() && ExactFamily(Cp932ToUtf8(cp932Family), nullptr).has_value();
  impl_->installed.emplace(key, found);
  return found;
}

std::string GlyphRenderer::ResolvedFamily(std::string_view cp932Family) {
  impl_->FaceForFamily(cp932Family);
  return impl_->resolvedName[std::string(cp932Family)];
}

const Glyph& GlyphRenderer::Get(std::string_view cp932Family, std::string_view ch, int height,
                                bool bold) {
  Impl& m = *impl_;
  const int primary = m.FaceForFamily(cp932Family);
  height = std::clamp(height, 1, 4095);
  char32_t cp = 0;
  const SymbolFont symbol = ch.size() == 1 ? SymbolFontOf(cp932Family) : SymbolFont::None;
  const bool ownSymbols = symbol != SymbolFont::None && primary >= 0 &&
                          m.faces[static_cast<std::size_t>(primary)].symbolCharmap;
  if (ownSymbols) {
    cp = kSymbolFontPrivate | static_cast<unsigned char>(ch[0]);
  } else if (symbol != SymbolFont::None) {
    cp = SymbolByteToUnicode(symbol, static_cast<unsigned char>(ch[0]));
  } else {
    cp = Cp932CharToUnicode(ch);
  }
  if (cp == 0 || primary < 0) return m.empty;
  const std::uint64_t key = (static_cast<std::uint64_t>(primary) << 40) |
                            (static_cast<std::uint64_t>(cp) << 14) |
                            (static_cast<std::uint64_t>(height) << 1) | (bold ? 1u : 0u);
  auto it = m.glyphs.find(key);
  if (it != m.glyphs.end()) return it->second;

  int faceId = primary;
  FT_UInt index = 0;
  if (ownSymbols) {
    // Symbol fonts list their bytes at U+F0xx, some at the byte itself.
    FT_Face face = m.faces[static_cast<std::size_t>(primary)].face;
    auto b = static_cast<unsigned char>(ch[0]);
    index = FT_Get_Char_Index(face, 0xF000u + b);
    if (index == 0) index = FT_Get_Char_Index(face, b);
  } else {
    index = FT_Get_Char_Index(m.faces[static_cast<std::size_t>(primary)].face, cp);
    if (index == 0 && cp > 0x20) {
      faceId = m.FallbackFace(cp);
      if (faceId >= 0)
        index = FT_Get_Char_Index(m.faces[static_cast<std::size_t>(faceId)].face, cp);
    }
  }
  Glyph g = faceId >= 0 ? m.Render(faceId, index, height, bold) : Glyph{};
  return m.Keep(key, std::move(g));
}

void GlyphRenderer::setCacheLimit(std::size_t bytes) {
  impl_->glyphLimit = bytes;
  if (impl_->glyphBytes > bytes) {
    impl_->glyphs.clear();
    impl_->glyphBytes = 0;
  }
}

std::size_t GlyphRenderer::cacheBytes() const {
  return impl_->glyphBytes;
}

int GlyphRenderer::TextWidth(std::string_view cp932Family, std::string_view text, int height,
                             bool bold) {
  int width = 0;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = CharLength(text, i);
    width += Get(cp932Family, text.substr(i, n), height, bold).advance;
    i += n;
  }
  return width;
}

int DrawGlyphText(GlyphRenderer& glyphs, Surface& dst, int x, int y, std::string_view cp932Family,
                  std::string_view text, int height, std::uint32_t pixel, int stopX) {
  for (std::size_t i = 0; i < text.size() && x < stopX;) {
    const std::size_t n = CharLength(text, i);
    const Glyph& g = glyphs.Get(cp932Family, text.substr(i, n), height, false);
    DrawGlyph(dst, x, y, g, pixel);
    x += g.advance;
    i += n;
  }
  return x;
}

void DrawGlyph(Surface& dst, int x, int y, const Glyph& glyph, std::uint32_t pixel) {
  const long long left = static_cast<long long>(x) + glyph.left;
  const long long top = static_cast<long long>(y) + glyph.top;
  const long long x0 = std::max(0LL, -left), y0 = std::max(0LL, -top);
  const long long x1 = std::min<long long>(glyph.width, dst.width() - left);
  const long long y1 = std::min<long long>(glyph.height, dst.height() - top);
  for (long long gy = y0; gy < y1; ++gy) {
    const std::uint8_t* ink = glyph.ink.data() + gy * glyph.width;
    std::uint32_t* row = dst.row(static_cast<int>(top + gy)) + left;
    for (long long gx = x0; gx < x1; ++gx) {
      if (ink[gx]) row[gx] = pixel;
    }
  }
}

}  // namespace qw
