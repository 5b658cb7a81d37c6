#include "gfx/transition.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <initializer_list>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "gfx/raster.h"

namespace qw {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr IntRect kFull{0, 0, kWidth, kHeight};

enum class Family : std::uint8_t {
  Tile,   // TILE and TILEH: pattern cells into TEMP2
  Pat0,   // diagonal dither
  Pat1,   // two-pass diagonal dither
  Pat2,   // interlaced diagonal dither
  Pat3,   // pattern cells on 8 x 8 blocks
  Pat4,   // diagonal of 8 x 8 blocks
  Wipe,   // staggered 2-pixel bands
  Push,   // SCROLL, TSCROLL
  Cover,  // SLIDE, TSLIDE
  Line0,  // converging row pairs
  Line1,  // block sweep per band
  Blend,  // cross-fade
};

struct KindInfo {
  std::string_view name;
  Family family;
  std::uint8_t variant;  // pattern variant or direction
  std::uint8_t pauseMs;
  bool textMoves;  // push and cover: the text is part of the pictures that move
};

constexpr std::array<KindInfo, kTransitionKindCount> kKinds{{
    {"TILE0", Family::Tile, 0, 5, true},     {"TILE1", Family::Tile, 1, 5, true},
    {"TILE2", Family::Tile, 2, 5, true},     {"TILE3", Family::Tile, 3, 5, true},
    {"TILEH0", Family::Tile, 0, 0, true},    {"TILEH1", Family::Tile, 1, 0, true},
    {"TILEH2", Family::Tile, 2, 0, true},    {"TILEH3", Family::Tile, 3, 0, true},
    {"PAT0", Family::Pat0, 0, 3, true},      {"PAT1", Family::Pat1, 0, 1, true},
    {"PAT2", Family::Pat2, 0, 1, true},      {"PAT3", Family::Pat3, 0, 4, true},
    {"PAT4", Family::Pat4, 0, 1, true},      {"WIPE0", Family::Wipe, 0, 10, true},
    {"WIPE1", Family::Wipe, 1, 10, true},    {"WIPE2", Family::Wipe, 2, 10, true},
    {"WIPE3", Family::Wipe, 3, 10, true},    {"SCROLL0", Family::Push, 0, 1, false},
    {"SCROLL1", Family::Push, 1, 1, false},  {"SCROLL2", Family::Push, 2, 5, false},
    {"SCROLL3", Family::Push, 3, 5, false},  {"TSCROLL0", Family::Push, 0, 1, true},
    {"TSCROLL1", Family::Push, 1, 1, true},  {"TSCROLL2", Family::Push, 2, 5, true},
    {"TSCROLL3", Family::Push, 3, 5, true},  {"SLIDE0", Family::Cover, 0, 10, false},
    {"SLIDE1", Family::Cover, 1, 10, false}, {"SLIDE2", Family::Cover, 2, 10, false},
    {"SLIDE3", Family::Cover, 3, 10, false}, {"TSLIDE0", Family::Cover, 0, 10, true},
    {"TSLIDE1", Family::Cover, 1, 10, true}, {"TSLIDE2", Family::Cover, 2, 10, true},
    {"TSLIDE3", Family::Cover, 3, 10, true}, {"LINE0", Family::Line0, 0, 4, true},
    {"LINE1", Family::Line1, 0, 2, true},    {"BLEND0", Family::Blend, 0, 2, true},
}};

const KindInfo& Info(TransitionKind kind) {
  return kKinds[static_cast<std::size_t>(kind)];
}

// The cells (row = y mod 4, column = x mod 4) that switch at each of the 8 steps, per variant.
struct Cell {
  std::uint8_t row, column;
};
constexpr Cell kTilePattern[4][8][2] = {
    // clang-format off
    {{{0, 0}, {2, 2}}, {{0, 2}, {2, 0}}, {{1, 1}, {3, 3}}, {{1, 3}, {3, 1}},
     {{0, 1}, {2, 3}}, {{0, 3}, {2, 1}}, {{1, 0}, {3, 2}}, {{1, 2}, {3, 0}}},
    {{{0, 0}, {3, 3}}, {{1, 0}, {2, 3}}, {{1, 3}, {2, 0}}, {{0, 3}, {3, 0}},
     {{0, 2}, {3, 1}}, {{0, 1}, {3, 2}}, {{1, 1}, {2, 2}}, {{1, 2}, {2, 1}}},
    {{{0, 1}, {3, 2}}, {{1, 1}, {2, 2}}, {{1, 2}, {2, 1}}, {{0, 2}, {3, 1}},
     {{0, 0}, {3, 3}}, {{1, 0}, {2, 3}}, {{1, 3}, {2, 0}}, {{0, 3}, {3, 0}}},
    {{{0, 0}, {0, 3}}, {{0, 1}, {0, 2}}, {{1, 0}, {1, 3}}, {{1, 1}, {1, 2}},
     {{2, 0}, {2, 3}}, {{2, 1}, {2, 2}}, {{3, 0}, {3, 3}}, {{3, 1}, {3, 2}}},
    // clang-format on
};

int StepCount(const KindInfo& info) {
  switch (info.family) {
    case Family::Tile:
    case Family::Pat0:
    case Family::Pat3:
    case Family::Pat4:
      return 8;
    case Family::Pat1:
    case Family::Pat2:
      return 16;
    case Family::Wipe:
      return info.variant < 2 ? 36 : 32;
    case Family::Line0:
      return 240;
    case Family::Line1:
      return 110;
    case Family::Blend:
      return 17;
    case Family::Push:
    case Family::Cover:
      break;
  }
  return 0;  // push and cover end by position
}

bool ClearsTexturedText(Family family) {
  return family == Family::Tile || family == Family::Pat0 || family == Family::Pat1 ||
         family == Family::Pat2;
}

// Remainder in 0..m-1, for positions that may be negative.
constexpr int Mod(int value, int m) {
  return ((value % m) + m) % m;
}

IntRect Intersect(const IntRect& a, const IntRect& b) {
  IntRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
  return r.empty() ? IntRect{} : r;
}

IntRect Unite(const IntRect& a, const IntRect& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

IntRect Bounds(const Surface& s) {
  return {0, 0, s.width(), s.height()};
}

// Copies `area` of `src` to the same place of `dst`; gives the part that was copied.
IntRect CopyArea(Surface& dst, const Surface& src, const IntRect& area) {
  const IntRect r = Intersect(Intersect(area, Bounds(dst)), Bounds(src));
  if (!r.empty())
    Blit(dst, r.left, r.top, r.width(), r.height(), src, r.left, r.top, RasterOp::Copy);
  return r;
}

IntRect ShowWhole(Surface& shown, const Surface& picture) {
  Blit(shown, 0, 0, kWidth, kHeight, picture, 0, 0, RasterOp::Copy);
  return kFull;
}

// Separate surfaces never overlap; saying so lets the compiler vectorise the row loops.
void OverlayRow(std::uint32_t* __restrict d, const std::uint32_t* __restrict t,
                const std::uint32_t* __restrict m, int n) {
  for (int x = 0; x < n; ++x)
    d[x] = (d[x] & m[x]) | t[x];
}

// (P AND TEXT_MASK) OR TEXT over the whole picture, in one pass.
void OverlayText(Surface& picture, const TransitionBuffers& b) {
  const int width = std::min({picture.width(), b.text.width(), b.textMask.width(), kWidth});
  const int height = std::min({picture.height(), b.text.height(), b.textMask.height(), kHeight});
  for (int y = 0; y < height; ++y)
    OverlayRow(picture.row(y), b.text.row(y), b.textMask.row(y), width);
}

// D := (S AND TEXT_MASK) OR TEXT: a picture drawn and the text laid over it in one pass.
void DrawRowUnderText(std::uint32_t* __restrict d, const std::uint32_t* __restrict s,
                      const std::uint32_t* __restrict t, const std::uint32_t* __restrict m, int n) {
  for (int x = 0; x < n; ++x)
    d[x] = (s[x] & m[x]) | t[x];
}

// d := s AND mask: a row drawn under a row of the text layer that holds no text.
void DrawRowUnderPlainText(std::uint32_t* __restrict d, const std::uint32_t* __restrict s,
                           std::uint32_t mask, int n) {
  for (int x = 0; x < n; ++x)
    d[x] = s[x] & mask;
}

void OverlayPlainRow(std::uint32_t* d, std::uint32_t mask, int n) {
  for (int x = 0; x < n; ++x)
    d[x] &= mask;
}

// The rows of the text layer with no text: TEXT all 0 and TEXT_MASK one value, noted in `plain`
// with that value in `masks`. Both surfaces must be at least 640 x 480.
void FindPlainTextRows(const TransitionBuffers& b, std::bitset<kHeight>& plain,
                       std::array<std::uint32_t, kHeight>& masks) {
  for (int y = 0; y < kHeight; ++y) {
    const std::uint32_t* t = b.text.row(y);
    const std::uint32_t* m = b.textMask.row(y);
    int x = 0;
    while (x < kWidth && t[x] == 0 && m[x] == m[0])
      ++x;
    plain[static_cast<std::size_t>(y)] = x == kWidth;
    masks[static_cast<std::size_t>(y)] = m[0];
  }
}

bool AtLeastScreen(std::initializer_list<const Surface*> surfaces) {
  return std::all_of(surfaces.begin(), surfaces.end(), [](const Surface* s) {
    return s->width() >= kWidth && s->height() >= kHeight;
  });
}

struct Placed {
  const Surface* picture;  // 640 x 480, or null
  int x, y;
};

// The same as drawing the two pictures (side by side, never overlapping) and then laying the
// text over the whole picture, but in one pass: a moving step then costs about two copies
// instead of four. Every surface must be at least 640 x 480.
void DrawUnderText(Surface& shown, const std::array<Placed, 2>& pictures,
                   const TransitionBuffers& b, const std::bitset<kHeight>& plainRows,
                   const std::array<std::uint32_t, kHeight>& plainMasks) {
  struct Span {
    int from, to;
    const std::uint32_t* source;
  };
  for (int y = 0; y < kHeight; ++y) {
    std::array<Span, 2> spans{};
    int count = 0;
    for (const Placed& p : pictures) {
      const int sy = y - p.y;
      const int from = std::max(0, p.x), to = std::min(kWidth, p.x + kWidth);
      if (p.picture == nullptr || sy < 0 || sy >= kHeight || from >= to) continue;
      spans[count++] = {from, to, p.picture->row(sy) + (from - p.x)};
    }
    if (count == 2 && spans[1].from < spans[0].from) std::swap(spans[0], spans[1]);
    std::uint32_t* d = shown.row(y);
    int x = 0;
    if (plainRows[static_cast<std::size_t>(y)]) {
      const std::uint32_t mask = plainMasks[static_cast<std::size_t>(y)];
      for (int k = 0; k < count; ++k) {
        const Span& span = spans[k];
        if (x < span.from) OverlayPlainRow(d + x, mask, span.from - x);
        DrawRowUnderPlainText(d + span.from, span.source, mask, span.to - span.from);
        x = span.to;
      }
      if (x < kWidth) OverlayPlainRow(d + x, mask, kWidth - x);
      continue;
    }
    const std::uint32_t* t = b.text.row(y);
    const std::uint32_t* m = b.textMask.row(y);
    for (int k = 0; k < count; ++k) {
      const Span& span = spans[k];
      if (x < span.from) OverlayRow(d + x, t + x, m + x, span.from - x);
      DrawRowUnderText(d + span.from, span.source, t + span.from, m + span.from,
                       span.to - span.from);
      x = span.to;
    }
    if (x < kWidth) OverlayRow(d + x, t + x, m + x, kWidth - x);
  }
}

// The pixel families change TEMP2 from VRAM where both have pixels.
struct PixelArea {
  int width, height;
};
PixelArea Common(const Surface& a, const Surface& b) {
  return {std::min(a.width(), b.width()), std::min(a.height(), b.height())};
}

// Copies every `stride`-th pixel of row y from x0 on.
inline void CopyStrided(Surface& dst, const Surface& src, int y, int x0, int stride, int width) {
  std::uint32_t* d = dst.row(y);
  const std::uint32_t* s = src.row(y);
  for (int x = x0; x < width; x += stride)
    d[x] = s[x];
}

void TilePixels(Surface& temp2, const Surface& vram, int variant, int step) {
  const PixelArea a = Common(temp2, vram);
  for (const Cell& cell : kTilePattern[variant][step]) {
    for (int y = cell.row; y < a.height; y += 4)
      CopyStrided(temp2, vram, y, cell.column, 4, a.width);
  }
}

void Pat0Pixels(Surface& temp2, const Surface& vram, int i) {
  const PixelArea a = Common(temp2, vram);
  for (int y = 0; y < a.height; ++y)
    CopyStrided(temp2, vram, y, Mod(-(y + i), 8), 8, a.width);
}

void Pat1Pixels(Surface& temp2, const Surface& vram, int step) {
  const PixelArea a = Common(temp2, vram);
  const bool firstPass = step < 8;
  const int i = firstPass ? step : 15 - step;
  for (int y = 0; y < a.height; ++y) {
    // The pixels of the row with (x + y + i) mod 8 = 0 all share x mod 8.
    const int column = Mod(-(y + i), 8);
    if (firstPass ? i >= column : i <= column) CopyStrided(temp2, vram, y, column, 8, a.width);
  }
}

void Pat2Pixels(Surface& temp2, const Surface& vram, int i) {
  const PixelArea a = Common(temp2, vram);
  for (int y = 0; y < kHeight; y += 2) {
    if (y < a.height) CopyStrided(temp2, vram, y, Mod(i - y, 16), 16, a.width);
    const int mirror = kHeight - 1 - y;
    if (mirror < a.height) CopyStrided(temp2, vram, mirror, Mod(-(y + i), 16), 16, a.width);
  }
}

// One row of the cross-fade: (new * i + old * (16 - i)) >> 4 per colour byte, the fourth byte
// 0, stored to `out` and, when given, to `copy` as well.
void BlendRow(std::uint32_t* __restrict out, std::uint32_t* __restrict copy, const std::uint32_t* n,
              const std::uint32_t* o, int width, int i) {
  int x = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const auto w = [](int v) { return static_cast<short>(v); };
  // Two pixels of 16-bit channels; the fourth byte's lanes weigh 0, which clears it.
  const __m128i weightNew = _mm_set_epi16(0, w(i), w(i), w(i), 0, w(i), w(i), w(i));
  const __m128i weightOld =
      _mm_set_epi16(0, w(16 - i), w(16 - i), w(16 - i), 0, w(16 - i), w(16 - i), w(16 - i));
  const auto mix = [&](__m128i a, __m128i b) {
    return _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(a, weightNew), _mm_mullo_epi16(b, weightOld)), 4);
  };
  for (; x + 4 <= width; x += 4) {
    const __m128i nv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(n + x));
    const __m128i ov = _mm_loadu_si128(reinterpret_cast<const __m128i*>(o + x));
    const __m128i v =
        _mm_packus_epi16(mix(_mm_unpacklo_epi8(nv, zero), _mm_unpacklo_epi8(ov, zero)),
                         mix(_mm_unpackhi_epi8(nv, zero), _mm_unpackhi_epi8(ov, zero)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), v);
    if (copy) _mm_storeu_si128(reinterpret_cast<__m128i*>(copy + x), v);
  }
#endif
  const std::uint32_t wNew = static_cast<std::uint32_t>(i);
  const std::uint32_t wOld = static_cast<std::uint32_t>(16 - i);
  for (; x < width; ++x) {
    // Red and blue share one multiply: 12 bits each fit their 16-bit lanes.
    const std::uint32_t rb = ((n[x] & 0xFF00FFu) * wNew + (o[x] & 0xFF00FFu) * wOld) >> 4;
    const std::uint32_t g = ((n[x] & 0xFF00u) * wNew + (o[x] & 0xFF00u) * wOld) >> 4;
    out[x] = (rb & 0xFF00FFu) | (g & 0xFF00u);
    if (copy) copy[x] = out[x];
  }
}

// TEMP1 := the cross-fade at step i; TEMP1 is copied to the shown picture. When TEMP1 covers
// the whole picture the shown picture is drawn directly, and TEMP1, which nothing reads
// between the steps, is written by the `last` step only, in the same pass: a step then
// writes one frame instead of two.
void BlendStep(Surface& temp1, const Surface& vram, const Surface& temp2, Surface& shown, int i,
               bool last) {
  const int width = std::min({temp1.width(), vram.width(), temp2.width()});
  const int height = std::min({temp1.height(), vram.height(), temp2.height()});
  const bool together =
      width == kWidth && height == kHeight && shown.width() >= kWidth && shown.height() >= kHeight;
  for (int y = 0; y < height; ++y) {
    if (together) {
      BlendRow(shown.row(y), last ? temp1.row(y) : nullptr, vram.row(y), temp2.row(y), width, i);
    } else {
      BlendRow(temp1.row(y), nullptr, vram.row(y), temp2.row(y), width, i);
    }
  }
  if (!together) ShowWhole(shown, temp1);
}

// Resizes to 640 x 480 keeping the top-left part; nothing when the size is right.
void MakeScreenSized(Surface& s) {
  if (s.width() == kWidth && s.height() == kHeight) return;
  Surface resized(kWidth, kHeight);
  Blit(resized, 0, 0, kWidth, kHeight, s, 0, 0, RasterOp::Copy);
  s = std::move(resized);
}

}  // namespace

std::string_view TransitionName(TransitionKind kind) {
  return Info(kind).name;
}

std::optional<TransitionKind> ParseTransitionName(std::string_view nameText) {
  if (nameText.empty()) return std::nullopt;
  const std::string_view name = nameText.substr(1, 10);
  for (std::size_t k = 0; k < kKinds.size(); ++k) {
    if (kKinds[k].name == name) return static_cast<TransitionKind>(k);
  }
  return std::nullopt;
}

void PrepareTransitionBuffers(TransitionBuffers& buffers) {
  MakeScreenSized(buffers.temp2);
}

TransitionPlayer::TransitionPlayer(TransitionKind kind, TransitionBuffers& buffers, FrameSink& sink)
    : kind_(kind), buffers_(buffers), sink_(sink) {}

std::uint32_t TransitionPlayer::pauseMs() const {
  return Info(kind_).pauseMs;
}

void TransitionPlayer::prepare(const std::function<void()>& composeVram) {
  const KindInfo& info = Info(kind_);
  TransitionBuffers& b = buffers_;
  PrepareTransitionBuffers(b);
  const auto oldToTemp2 = [&] {
    Blit(b.temp2, 0, 0, kWidth, kHeight, sink_.shown(), 0, 0, RasterOp::Copy);
  };
  const auto compose = [&] {
    if (composeVram) composeVram();
  };
  const auto bakeText = [&] {
    if (b.textVisible) OverlayText(b.vram, b);
  };
  switch (info.family) {
    case Family::Wipe:
    case Family::Line0:
    case Family::Line1:
    case Family::Pat3:
    case Family::Pat4:
      compose();
      bakeText();
      break;
    case Family::Blend:
      MakeScreenSized(b.temp1);  // it takes the whole cross-fade
      compose();
      bakeText();
      oldToTemp2();
      break;
    case Family::Push:
    case Family::Cover:
      if (!info.textMoves) {
        // The pictures move under the text: the old one is the previous frame without it.
        Blit(b.temp2, 0, 0, kWidth, kHeight, b.vram, 0, 0, RasterOp::Copy);
        compose();
        break;
      }
      [[fallthrough]];
    default:
      oldToTemp2();
      compose();
      bakeText();
      break;
  }
  plainTextRows_.reset();
  if ((info.family == Family::Push || info.family == Family::Cover) && !info.textMoves &&
      b.textVisible && AtLeastScreen({&b.text, &b.textMask})) {
    FindPlainTextRows(b, plainTextRows_, plainTextMasks_);
  }
  index_ = 0;
  position_ = 0;
  speed_ = 0;
}

bool TransitionPlayer::pushStep(Surface& shown, IntRect& changed) {
  const KindInfo& info = Info(kind_);
  const bool vertical = info.variant >= 2;
  const int threshold = vertical ? 240 : 325;
  const int limit = vertical ? kHeight : kWidth;
  // SLIDE0/1 and TSLIDE0/1 come in twice as fast.
  const int gain = (info.family == Family::Cover && !vertical) ? 2 : 1;
  if (index_ > 0) {
    if (position_ >= limit) return false;
    position_ = std::min(limit, position_ + gain * speed_);
  }
  if (position_ <= threshold) {
    ++speed_;
  } else if (speed_ > 1) {
    --speed_;
  }
  // Direction of the movement: SCROLL0 and SLIDE0 to the left, 1 to the right, 2 up, 3 down.
  const int sign = (info.variant % 2 == 0) ? -1 : 1;
  const int dx = vertical ? 0 : sign, dy = vertical ? sign : 0;
  const int oldX = dx * position_, oldY = dy * position_;
  const int newX = dx * (position_ - limit), newY = dy * (position_ - limit);
  const TransitionBuffers& b = buffers_;
  const bool push = info.family == Family::Push;
  const bool withText = !info.textMoves && b.textVisible;
  changed = push || withText ? kFull : IntRect{newX, newY, newX + kWidth, newY + kHeight};
  if (withText && AtLeastScreen({&shown, &b.temp2, &b.vram, &b.text, &b.textMask})) {
    DrawUnderText(shown, {{{push ? &b.temp2 : nullptr, oldX, oldY}, {&b.vram, newX, newY}}}, b,
                  plainTextRows_, plainTextMasks_);
    return true;
  }
  if (push) Blit(shown, oldX, oldY, kWidth, kHeight, b.temp2, 0, 0, RasterOp::Copy);
  Blit(shown, newX, newY, kWidth, kHeight, b.vram, 0, 0, RasterOp::Copy);
  if (withText) OverlayText(shown, b);
  return true;
}

IntRect TransitionPlayer::copyBlocks(Surface& shown, int step) {
  const KindInfo& info = Info(kind_);
  const Surface& vram = buffers_.vram;
  IntRect changed{};
  const auto copy = [&](int x, int y, int w, int h) {
    changed = Unite(changed, CopyArea(shown, vram, {x, y, x + w, y + h}));
  };
  switch (info.family) {
    case Family::Pat3:
      for (const Cell& cell : kTilePattern[0][step]) {
        for (int by = cell.row; by < kHeight / 8; by += 4) {
          for (int bx = cell.column; bx < kWidth / 8; bx += 4)
            copy(8 * bx, 8 * by, 8, 8);
        }
      }
      break;
    case Family::Pat4:
      for (int by = 0; by < kHeight / 8; ++by) {
        for (int bx = Mod(-(by + step), 8); bx < kWidth / 8; bx += 8)
          copy(8 * bx, 8 * by, 8, 8);
      }
      break;
    case Family::Wipe: {
      // Strip j starts growing one step after strip j - 1, so its counter is step - j.
      const bool columns = info.variant < 2;
      const int strips = columns ? 16 : 12;
      for (int j = 0; j < strips && j < step; ++j) {
        const int c = step - j;
        if (c > 20) continue;
        const int edge = 40 * j + 2 * c;  // where the 2-pixel band ends
        switch (info.variant) {
          case 0:
            copy(edge - 2, 0, 2, kHeight);
            break;
          case 1:
            copy(kWidth - edge, 0, 2, kHeight);
            break;
          case 2:
            copy(0, edge - 2, kWidth, 2);
            break;
          default:
            copy(0, kHeight - edge, kWidth, 2);
            break;
        }
      }
      break;
    }
    case Family::Line1:
      // Band i's counter starts at -1 and grows from step i + 1 on.
      for (int i = 0; i < 30; ++i) {
        const int c = step - i - 1;
        if (c < 0 || c > 79) continue;
        copy(8 * c, 16 * i, 8, 8);
        copy(8 * (79 - c), 16 * i + 8, 8, 8);
      }
      break;
    default:
      break;
  }
  return changed;
}

bool TransitionPlayer::step() {
  const KindInfo& info = Info(kind_);
  TransitionBuffers& b = buffers_;
  Surface& shown = sink_.shown();
  const int steps = StepCount(info);
  if (steps > 0 && index_ >= steps) return false;
  const int i = index_;
  IntRect changed{};
  switch (info.family) {
    case Family::Tile:
      TilePixels(b.temp2, b.vram, info.variant, i);
      changed = ShowWhole(shown, b.temp2);
      break;
    case Family::Pat0:
      Pat0Pixels(b.temp2, b.vram, i);
      changed = ShowWhole(shown, b.temp2);
      break;
    case Family::Pat1:
      Pat1Pixels(b.temp2, b.vram, i);
      changed = ShowWhole(shown, b.temp2);
      break;
    case Family::Pat2:
      Pat2Pixels(b.temp2, b.vram, i);
      changed = ShowWhole(shown, b.temp2);
      break;
    case Family::Pat3:
    case Family::Pat4:
    case Family::Wipe:
    case Family::Line1:
      changed = copyBlocks(shown, i);
      break;
    case Family::Push:
    case Family::Cover:
      if (!pushStep(shown, changed)) return false;
      break;
    case Family::Line0: {
      // Pairs that leave the picture (after step 119) copy nothing; the steps still pause.
      const IntRect top = CopyArea(shown, b.vram, {0, 4 * i, kWidth, 4 * i + 2});
      if (!top.empty()) sink_.present(top);
      changed = CopyArea(shown, b.vram, {0, 478 - 4 * i, kWidth, 480 - 4 * i});
      break;
    }
    case Family::Blend:
      BlendStep(b.temp1, b.vram, b.temp2, shown, i, i == steps - 1);
      changed = kFull;
      break;
  }
  ++index_;
  changed = Intersect(changed, Bounds(shown));
  if (!changed.empty()) sink_.present(changed);
  return true;
}

TransitionOutcome RunTransitionSteps(TransitionKind kind, TransitionBuffers& buffers,
                                     const std::function<void()>& composeVram, FrameSink& sink) {
  TransitionPlayer player(kind, buffers, sink);
  player.prepare(composeVram);
  while (player.step())
    sink.pause(player.pauseMs());
  return {true, ClearsTexturedText(Info(kind).family)};
}

TransitionOutcome RunNamedTransition(std::string_view nameText, TransitionBuffers& buffers,
                                     const std::function<void()>& composeVram, FrameSink& sink) {
  PrepareTransitionBuffers(buffers);
  const std::optional<TransitionKind> kind = ParseTransitionName(nameText);
  if (!kind) return {};
  return RunTransitionSteps(*kind, buffers, composeVram, sink);
}

}  // namespace qw
