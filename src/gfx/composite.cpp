#include "gfx/composite.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#define QW_SIMD 1
#endif

#include "gfx/frl.h"
#include "gfx/picture.h"
#include "gfx/raster.h"
#include "platform/cp932.h"

namespace qw {
namespace {

constexpr std::uint32_t kLow7 = 0x7F7F7F;
constexpr std::uint32_t kHigh = 0x808080;

#if QW_SIMD
// The three colour bytes of four pixels.
inline __m128i Colour() {
  return _mm_set1_epi32(0x00FFFFFF);
}
#endif

// Per-pixel formulas. The channel ones work on three bytes at once (SWAR) where they can.
struct OpCopy {
  static std::uint32_t apply(std::uint32_t s, std::uint32_t) { return s; }
#if QW_SIMD
  static __m128i apply4(__m128i s, __m128i) {
    return s;
  }
#endif
};
struct OpOr {
  static std::uint32_t apply(std::uint32_t s, std::uint32_t d) { return d | s; }
#if QW_SIMD
  static __m128i apply4(__m128i s, __m128i d) {
    return _mm_or_si128(d, s);
  }
#endif
};
struct OpAnd {
  static std::uint32_t apply(std::uint32_t s, std::uint32_t d) { return d & s; }
#if QW_SIMD
  static __m128i apply4(__m128i s, __m128i d) {
    return _mm_and_si128(d, s);
  }
#endif
};
struct OpXor {
  static std::uint32_t apply(std::uint32_t s, std::uint32_t d) { return d ^ s; }
#if QW_SIMD
  static __m128i apply4(__m128i s, __m128i d) {
    return _mm_xor_si128(d, s);
  }
#endif
};
struct OpBlend {
  static std::uint32_t apply(std::uint32_t s, std::uint32_t d) {
    return ((s >> 1) & kLow7) + ((d >> 1) & kLow7);
  }
#if QW_SIMD
  static __m128i apply4(__m128i s, __m128i d) {
    const __m128i low7 = _mm_set1_epi32(0x007F7F7F);
    return _mm_add_epi32(_mm_and_si128(_mm_srli_epi32(s, 1), low7),
                         _mm_and_si128(_mm_srli_epi32(d, 1), low7));
  }
#endif
};
struct OpIncrease {
  static std::uint32_t apply(std::uint32_t s, std::uint32_t d) {
    s &= 0xFFFFFF;
    d &= 0xFFFFFF;
    const std::uint32_t low = (s & kLow7) + (d & kLow7);
    const std::uint32_t high = (s ^ d) & kHigh;
    const std::uint32_t carry = ((s & d) | (low & high)) & kHigh;
    return ((low ^ high) | ((carry >> 7) * 0xFF)) & 0xFFFFFF;
  }
#if QW_SIMD
  static __m128i apply4(__m128i s, __m128i d) {
    return _mm_and_si128(_mm_adds_epu8(s, d), Colour());
  }
#endif
};
struct OpDecrease {
  static std::uint32_t apply(std::uint32_t s, std::uint32_t d) {
    s &= 0xFFFFFF;
    d &= 0xFFFFFF;
    // Per byte d - s with the borrow kept inside each byte; bytes that borrowed become 0.
    const std::uint32_t diff = ((d | kHigh) - (s & kLow7)) ^ ((d ^ ~s) & kHigh);
    const std::uint32_t borrow = ((~d & s) | (~(d ^ s) & diff)) & kHigh;
    return diff & ~((borrow >> 7) * 0xFF) & 0xFFFFFF;
  }
#if QW_SIMD
  static __m128i apply4(__m128i s, __m128i d) {
    return _mm_and_si128(_mm_subs_epu8(d, s), Colour());
  }
#endif
};
struct OpScreen {
  static std::uint32_t apply(std::uint32_t s, std::uint32_t d) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      out |= std::max((s >> shift) & 0xFF, (d >> shift) & 0xFF) << shift;
    }
    return out;
  }
#if QW_SIMD
  static __m128i apply4(__m128i s, __m128i d) {
    return _mm_and_si128(_mm_max_epu8(s, d), Colour());
  }
#endif
};
struct OpOverlay {
  static std::uint32_t apply(std::uint32_t s, std::uint32_t d) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const std::uint32_t a = (s >> shift) & 0xFF, b = (d >> shift) & 0xFF;
      out |= (a > b ? a : (a + b) >> 1) << shift;
    }
    return out;
  }
#if QW_SIMD
  static __m128i apply4(__m128i s, __m128i d) {
    // (s + d) >> 1 is the rounded-up average less the dropped low bit.
    const __m128i half =
        _mm_sub_epi8(_mm_avg_epu8(s, d), _mm_and_si128(_mm_xor_si128(s, d), _mm_set1_epi8(1)));
    const __m128i notAbove = _mm_cmpeq_epi8(_mm_max_epu8(s, d), d);  // s <= d
    return _mm_and_si128(_mm_or_si128(_mm_and_si128(notAbove, half), _mm_andnot_si128(notAbove, s)),
                         Colour());
  }
#endif
};

struct Clip {
  int srcX, srcY, dstX, dstY, width, height;
};

template <typename Op, int MaskMode>
void Run(const Clip& c, const Surface& src, Surface& dst, const Surface* mask) {
  int width = c.width;
  int height = c.height;
  // Rows and columns outside the mask count as covered.
  if constexpr (MaskMode == kMaskSource) {
    width = std::min(width, mask->width() - c.srcX);
    height = std::min(height, mask->height() - c.srcY);
  } else if constexpr (MaskMode == kMaskDestination) {
    width = std::min(width, mask->width() - c.dstX);
    height = std::min(height, mask->height() - c.dstY);
  }
  if (width <= 0 || height <= 0) return;
  for (int i = 0; i < height; ++i) {
    const std::uint32_t* s = src.row(c.srcY + i) + c.srcX;
    std::uint32_t* d = dst.row(c.dstY + i) + c.dstX;
    if constexpr (MaskMode == kMaskNone) {
      if constexpr (std::is_same_v<Op, OpCopy>) {
        std::memcpy(d, s, static_cast<std::size_t>(width) * 4);
      } else {
        int j = 0;
#if QW_SIMD
        for (; j + 4 <= width; j += 4) {
          const __m128i vs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + j));
          const __m128i vd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + j));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(d + j), Op::apply4(vs, vd));
        }
#endif
        for (; j < width; ++j)
          d[j] = Op::apply(s[j], d[j]);
      }
    } else {
      const std::uint32_t* m =
          MaskMode == kMaskSource ? mask->row(c.srcY + i) + c.srcX : mask->row(c.dstY + i) + c.dstX;
      int j = 0;
#if QW_SIMD
      for (; j + 4 <= width; j += 4) {
        const __m128i vs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + j));
        const __m128i vd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + j));
        const __m128i vm = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + j));
        const __m128i draw = _mm_cmpeq_epi32(vm, _mm_setzero_si128());
        const __m128i v = Op::apply4(vs, vd);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + j),
                         _mm_or_si128(_mm_and_si128(draw, v), _mm_andnot_si128(draw, vd)));
      }
#endif
      for (; j < width; ++j) {
        const std::uint32_t v = Op::apply(s[j], d[j]);
        d[j] = m[j] == 0 ? v : d[j];
      }
    }
  }
}

template <typename Op>
void RunMasked(const Clip& c, const Surface& src, Surface& dst, const Surface* mask, int maskMode) {
  if (maskMode == kMaskNone) {
    Run<Op, kMaskNone>(c, src, dst, mask);
  } else if (maskMode == kMaskSource && mask != nullptr) {
    Run<Op, kMaskSource>(c, src, dst, mask);
  } else if (maskMode == kMaskDestination && mask != nullptr) {
    Run<Op, kMaskDestination>(c, src, dst, mask);
  }
}

bool StartsWithHash(std::string_view s) {
  return !s.empty() && s[0] == '#';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Darkens n pixels: each colour byte b becomes (b * (256 - rate)) >> 8, the fourth byte 0.
// When `out` is given the darkened pixels go there too, laid under `text` through `mask` when
// those are given ((p AND mask) OR text), while they are still in registers.
void DarkenPixels(std::uint32_t* __restrict p, std::size_t n, int darknessRate,
                  std::uint32_t* __restrict out = nullptr,
                  const std::uint32_t* __restrict text = nullptr,
                  const std::uint32_t* __restrict mask = nullptr) {
  const std::uint32_t a = static_cast<std::uint32_t>(256 - std::clamp(darknessRate, 0, 256));
  std::size_t i = 0;
#if QW_SIMD
  // Each byte widened to 16 bits, multiplied, shifted back: four pixels a step.
  const __m128i factor = _mm_set1_epi16(static_cast<short>(a));
  const __m128i zero = _mm_setzero_si128();
  for (; i + 4 <= n; i += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(v, zero), factor), 8);
    const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(v, zero), factor), 8);
    __m128i dark = _mm_and_si128(_mm_packus_epi16(lo, hi), Colour());
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), dark);
    if (out == nullptr) continue;
    if (text != nullptr) {
      dark = _mm_or_si128(
          _mm_and_si128(dark, _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask + i))),
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i)));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), dark);
  }
#endif
  for (; i < n; ++i) {
    const std::uint32_t v = p[i];
    // Red and blue in one multiply, green in another.
    const std::uint32_t rb = (((v & 0xFF00FF) * a) >> 8) & 0xFF00FF;
    const std::uint32_t g = (((v & 0x00FF00) * a) >> 8) & 0x00FF00;
    p[i] = rb | g;
    if (out != nullptr) out[i] = text != nullptr ? (p[i] & mask[i]) | text[i] : p[i];
  }
}

// d := (s AND m) OR t. Separate surfaces never overlap; saying so lets the compiler vectorise.
void MaskedCopyRow(std::uint32_t* __restrict d, const std::uint32_t* __restrict s,
                   const std::uint32_t* __restrict t, const std::uint32_t* __restrict m, int n) {
  for (int x = 0; x < n; ++x)
    d[x] = (s[x] & m[x]) | t[x];
}

}  // namespace

std::optional<CompositeMode> CompositeModeFromKeyword(std::string_view keyword) {
  static constexpr std::string_view kNames[] = {
      "#COPY", "#OR", "#AND", "#XOR", "#BLEND", "#INCREASE", "#DECREASE", "#SCREEN", "#OVERLAY"};
  for (int i = 0; i < 9; ++i) {
    if (keyword == kNames[i]) return static_cast<CompositeMode>(i);
  }
  return std::nullopt;
}

void CompositeImage(CompositeMode mode, int x, int y, int width, int height, const Surface& src,
                    Surface& dst, const Surface* mask, int maskMode) {
  width = std::min(width, src.width());
  height = std::min(height, src.height());
  if (width <= 0 || height <= 0) return;
  // In 64 bits: a position near the int limit must not wrap round onto the picture.
  if (std::int64_t{x} + width < 0 || std::int64_t{y} + height < 0 || x >= dst.width() ||
      y >= dst.height()) {
    return;
  }
  Clip c{0, 0, x, y, width, height};
  if (c.dstX < 0) {
    c.srcX = -c.dstX;
    c.width += c.dstX;
    c.dstX = 0;
  }
  if (c.dstY < 0) {
    c.srcY = -c.dstY;
    c.height += c.dstY;
    c.dstY = 0;
  }
  c.width = std::min(c.width, dst.width() - c.dstX);
  c.height = std::min(c.height, dst.height() - c.dstY);
  if (c.width <= 0 || c.height <= 0) return;
  switch (mode) {
    case CompositeMode::Copy:
      return RunMasked<OpCopy>(c, src, dst, mask, maskMode);
    case CompositeMode::Or:
      return RunMasked<OpOr>(c, src, dst, mask, maskMode);
    case CompositeMode::And:
      return RunMasked<OpAnd>(c, src, dst, mask, maskMode);
    case CompositeMode::Xor:
      return RunMasked<OpXor>(c, src, dst, mask, maskMode);
    case CompositeMode::Blend:
      return RunMasked<OpBlend>(c, src, dst, mask, maskMode);
    case CompositeMode::Increase:
      return RunMasked<OpIncrease>(c, src, dst, mask, maskMode);
    case CompositeMode::Decrease:
      return RunMasked<OpDecrease>(c, src, dst, mask, maskMode);
    case CompositeMode::Screen:
      return RunMasked<OpScreen>(c, src, dst, mask, maskMode);
    case CompositeMode::Overlay:
      return RunMasked<OpOverlay>(c, src, dst, mask, maskMode);
  }
}

std::optional<std::uint32_t> ScriptColorToColor(std::string_view text) {
  if (!StartsWithHash(text)) return std::nullopt;
  const std::string_view digits = text.substr(1, 6);
  std::uint32_t rgb = 0;
  for (char ch : digits) {
    const int v = HexDigit(ch);
    if (v < 0) return std::nullopt;
    rgb = (rgb << 4) | static_cast<std::uint32_t>(v);
  }
  return ColorToPixel(rgb);  // RRGGBB to 0x00BBGGRR is the same byte swap
}

std::uint32_t ParseMaskColor(std::string_view cp932Spec, const Surface& image,
                             ErrorReporter& reporter) {
  if (cp932Spec == "#NONE") return kNoMaskColor;
  const int w = image.width(), h = image.height();
  auto corner = [&](int x, int y) -> std::uint32_t {
    return image.empty() ? 0xFFFFFFFFu : PixelToColor(image.at(x, y));
  };
  if (cp932Spec == "#TOP_LEFT") return corner(0, 0);
  if (cp932Spec == "#BOTTOM_LEFT") return corner(0, h - 1);
  if (cp932Spec == "#TOP_RIGHT") return corner(w - 1, 0);
  if (cp932Spec == "#BOTTOM_RIGHT") return corner(w - 1, h - 1);
  if (StartsWithHash(cp932Spec)) {
    if (std::optional<std::uint32_t> color = ScriptColorToColor(cp932Spec)) return *color;
    reporter.scriptError(kBadColorMessage + Cp932ToUtf8(cp932Spec), MessageIcon::Exclamation);
    return kMaskWhite;
  }
  return kMaskFromFileColor;
}

void MakeColorMask(Surface& image, Surface& mask, std::uint32_t color, Surface* temp2) {
  const int w = image.width(), h = image.height();
  mask.reset(w, h, kMaskWhite);
  if (temp2 != nullptr && (temp2->width() != w || temp2->height() != h))
    ResizePicture(*temp2, w, h);
  const std::uint32_t key = ColorToPixel(color & 0xFFFFFF) | (color & 0xFF000000);
  std::uint32_t* p = image.data();
  std::uint32_t* m = mask.data();
  const std::size_t n = static_cast<std::size_t>(w) * h;
  for (std::size_t i = 0; i < n; ++i) {
    if ((p[i] & 0xFFFFFF) == key) {
      p[i] = 0;
    } else {
      m[i] = 0;
    }
  }
}

void MakeFileMask(Surface& image, Surface& mask, std::string_view cp932Name, int maskMode,
                  Surface& temp2, std::string_view dataRoot, ErrorReporter& reporter, Host* host) {
  LoadPicture(temp2, cp932Name, dataRoot, reporter, host);
  ResizePicture(mask, temp2.width(), temp2.height());
  const int w = std::min({image.width(), temp2.width()});
  const int h = std::min({image.height(), temp2.height()});
  for (int y = 0; y < h; ++y) {
    std::memcpy(mask.row(y), temp2.row(y), static_cast<std::size_t>(std::max(w, 0)) * 4);
  }
  if (maskMode > 0) return;
  for (int y = 0; y < h; ++y) {
    const std::uint32_t* m = mask.row(y);
    std::uint32_t* t = temp2.row(y);
    std::uint32_t* p = image.row(y);
    for (int x = 0; x < w; ++x) {
      t[x] = ~m[x];
      p[x] &= t[x];
    }
  }
}

void TilePicture(const Surface& tile, Surface& target) {
  const int w = tile.width(), h = tile.height();
  if (w == 0 || h == 0 || target.width() == 0 || target.height() == 0) return;
  for (int ty = 0; ty < target.height(); ty += h) {
    for (int tx = 0; tx < target.width(); tx += w) {
      CompositeImage(CompositeMode::Copy, tx, ty, w, h, tile, target, nullptr, kMaskNone);
    }
  }
}

void DarkenFrame(Surface& frame, int darknessRate) {
  DarkenPixels(frame.data(), static_cast<std::size_t>(frame.width()) * frame.height(),
               darknessRate);
}

void ShowComposedFrame(Surface& window, Surface& frame, std::optional<int> darknessRate,
                       const Surface* text, const Surface* textMask, int width, int height) {
  const bool withText = text != nullptr && textMask != nullptr;
  const auto sized = [&](const Surface& s) { return s.width() == width && s.height() == height; };
  if (!sized(window) || !sized(frame) || (withText && (!sized(*text) || !sized(*textMask)))) {
    if (darknessRate) DarkenFrame(frame, *darknessRate);
    Blit(window, 0, 0, width, height, frame, 0, 0, RasterOp::Copy);
    if (withText) BlitMasked(window, 0, 0, width, height, *text, *textMask, 0, 0);
    return;
  }
  for (int y = 0; y < height; ++y) {
    std::uint32_t* f = frame.row(y);
    const std::uint32_t* t = withText ? text->row(y) : nullptr;
    const std::uint32_t* m = withText ? textMask->row(y) : nullptr;
    if (darknessRate) {
      DarkenPixels(f, static_cast<std::size_t>(width), *darknessRate, window.row(y), t, m);
    } else if (withText) {
      MaskedCopyRow(window.row(y), f, t, m, width);
    } else {
      std::memcpy(window.row(y), f, static_cast<std::size_t>(width) * sizeof(std::uint32_t));
    }
  }
}

}  // namespace qw
