#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "platform/cp932.h"

namespace qw::demo {
namespace {

int Channel(std::uint32_t c, int shift) {
  return static_cast<int>((c >> shift) & 0xFF);
}

bool Inside(const Surface& s, int x, int y) {
  return x >= 0 && y >= 0 && x < s.width() && y < s.height();
}

void Blend(Surface& s, int x, int y, std::uint32_t color, double alpha) {
  if (!Inside(s, x, y) || alpha <= 0) return;
  s.at(x, y) = Mix(s.at(x, y), color, std::min(alpha, 1.0));
}

// The Windows Japanese family the scripts use; the renderer finds its installed stand-in.
const std::string& Family() {
  static const std::string family = Utf8ToCp932("ＭＳ ゴシック");
  return family;
}

}  // namespace

std::uint32_t Mix(std::uint32_t a, std::uint32_t b, double t) {
  auto one = [&](int shift) {
    const double v = Channel(a, shift) + (Channel(b, shift) - Channel(a, shift)) * t;
    return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0)));
  };
  return Rgb(one(16), one(8), one(0));
}

std::uint32_t Random::next() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return state_;
}

int Random::range(int lo, int hi) {
  return lo + static_cast<int>(next() % static_cast<std::uint32_t>(hi - lo + 1));
}

double Random::unit() {
  return (next() >> 8) / 16777216.0;
}

void FillRect(Surface& s, int x, int y, int w, int h, std::uint32_t color) {
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + w, s.width()), y1 = std::min(y + h, s.height());
  for (int yy = y0; yy < y1; ++yy)
    std::fill(s.row(yy) + x0, s.row(yy) + std::max(x0, x1), color);
}

void VerticalGradient(Surface& s, int x, int y, int w, int h, std::uint32_t top,
                      std::uint32_t bottom) {
  for (int i = 0; i < h; ++i)
    FillRect(s, x, y + i, w, 1, Mix(top, bottom, h > 1 ? i / double(h - 1) : 0));
}

void FillCircle(Surface& s, double cx, double cy, double r, std::uint32_t color, bool smooth) {
  const int y0 = static_cast<int>(std::floor(cy - r - 1)), y1 = static_cast<int>(cy + r + 1);
  const int x0 = static_cast<int>(std::floor(cx - r - 1)), x1 = static_cast<int>(cx + r + 1);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      if (smooth) {
        Blend(s, x, y, color, r + 0.5 - d);
      } else if (d <= r && Inside(s, x, y)) {
        s.at(x, y) = color;
      }
    }
  }
}

void FillEllipse(Surface& s, double cx, double cy, double rx, double ry, std::uint32_t color) {
  for (int y = static_cast<int>(cy - ry); y <= static_cast<int>(cy + ry); ++y) {
    for (int x = static_cast<int>(cx - rx); x <= static_cast<int>(cx + rx); ++x) {
      const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
      if (dx * dx + dy * dy <= 1 && Inside(s, x, y)) s.at(x, y) = color;
    }
  }
}

void FillPolygon(Surface& s, const std::vector<Point>& points, std::uint32_t color) {
  if (points.size() < 3) return;
  double top = points[0].y, bottom = points[0].y;
  for (const Point& p : points) {
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  for (int y = std::max(0, static_cast<int>(top)); y <= std::min(s.height() - 1, int(bottom));
       ++y) {
    const double sy = y + 0.5;
    std::vector<double> xs;
    for (std::size_t i = 0; i < points.size(); ++i) {
      const Point& a = points[i];
      const Point& b = points[(i + 1) % points.size()];
      if ((a.y <= sy) != (b.y <= sy)) xs.push_back(a.x + (sy - a.y) * (b.x - a.x) / (b.y - a.y));
    }
    std::sort(xs.begin(), xs.end());
    for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
      const int x0 = static_cast<int>(std::lround(xs[i]));
      const int x1 = static_cast<int>(std::lround(xs[i + 1]));
      FillRect(s, x0, y, x1 - x0, 1, color);
    }
  }
}

void FillRoundRect(Surface& s, int x, int y, int w, int h, int radius, std::uint32_t color) {
  FillRect(s, x + radius, y, w - 2 * radius, h, color);
  FillRect(s, x, y + radius, w, h - 2 * radius, color);
  for (const auto& [cx, cy] : {std::pair{x + radius, y + radius},
                               {x + w - radius - 1, y + radius},
                               {x + radius, y + h - radius - 1},
                               {x + w - radius - 1, y + h - radius - 1}}) {
    FillCircle(s, cx + 0.5, cy + 0.5, radius, color, false);
  }
}

void DrawLine(Surface& s, Point a, Point b, double width, std::uint32_t color) {
  const double length = std::hypot(b.x - a.x, b.y - a.y);
  const int steps = std::max(1, static_cast<int>(length * 2));
  for (int i = 0; i <= steps; ++i) {
    const double t = i / double(steps);
    FillCircle(s, a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, width / 2, color, false);
  }
}

void AddGlow(Surface& s, double cx, double cy, double radius, std::uint32_t color) {
  for (int y = static_cast<int>(cy - radius); y <= static_cast<int>(cy + radius); ++y) {
    for (int x = static_cast<int>(cx - radius); x <= static_cast<int>(cx + radius); ++x) {
      if (!Inside(s, x, y)) continue;
      const double d = std::hypot(x - cx, y - cy) / radius;
      if (d >= 1) continue;
      const double k = (1 - d) * (1 - d);
      const std::uint32_t p = s.at(x, y);
      auto add = [&](int shift) {
        return std::min(255, Channel(p, shift) + static_cast<int>(Channel(color, shift) * k));
      };
      s.at(x, y) = Rgb(add(16), add(8), add(0));
    }
  }
}

void DarkenBelow(Surface& s, int y, double darkest) {
  for (int yy = std::max(0, y); yy < s.height(); ++yy) {
    const double t = (yy - y) / double(std::max(1, s.height() - 1 - y));
    const double f = 1 - (1 - darkest) * std::sqrt(t);
    for (int x = 0; x < s.width(); ++x)
      s.at(x, yy) = Mix(0, s.at(x, yy), f);
  }
}

void StarField(Surface& s, Random& rng, int count, int bottom, std::uint32_t tint) {
  for (int i = 0; i < count; ++i) {
    const int x = rng.range(0, s.width() - 1), y = rng.range(0, bottom - 1);
    const double bright = 0.35 + 0.65 * rng.unit() * rng.unit();
    const std::uint32_t c = Mix(0, Mix(0xFFFFFF, tint, rng.unit() * 0.6), bright);
    if (bright > 0.8) {
      FillCircle(s, x + 0.5, y + 0.5, 1.3, c);
      AddGlow(s, x + 0.5, y + 0.5, 6, Mix(0, c, 0.25));
    } else {
      Blend(s, x, y, c, bright + 0.2);
    }
  }
}

void Hills(Surface& s, int base, double amplitude, double period, double phase,
           std::uint32_t color) {
  for (int x = 0; x < s.width(); ++x) {
    const double top = base + amplitude * std::sin(2 * std::numbers::pi * x / period + phase);
    const int y0 = static_cast<int>(top);
    Blend(s, x, y0, color, 1 - (top - y0));
    FillRect(s, x, y0 + 1, 1, s.height() - y0 - 1, color);
  }
}

int TextPen::width(std::string_view utf8, int height) {
  return glyphs_.TextWidth(Family(), Utf8ToCp932(utf8), height, false);
}

void TextPen::draw(Surface& s, int x, int y, std::string_view utf8, int height,
                   std::uint32_t color) {
  const std::string text = Utf8ToCp932(utf8);
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = CharLength(text, i);
    const Glyph& g = glyphs_.Get(Family(), std::string_view(text).substr(i, n), height, false);
    DrawGlyph(s, x, y, g, color);
    x += g.advance;
    i += n;
  }
}

void TextPen::drawOutlined(Surface& s, int x, int y, std::string_view utf8, int height,
                           std::uint32_t color, std::uint32_t edge) {
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (dx || dy) draw(s, x + dx, y + dy, utf8, height, edge);
  draw(s, x, y, utf8, height, color);
}

void TextPen::drawCentered(Surface& s, int cx, int y, std::string_view utf8, int height,
                           std::uint32_t color, std::uint32_t edge) {
  drawOutlined(s, cx - width(utf8, height) / 2, y, utf8, height, color, edge);
}

}  // namespace qw::demo
