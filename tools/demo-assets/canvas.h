// Drawing for the demo's pictures: shapes, gradients, glows and Japanese text on 32-bit
// surfaces. Everything is deterministic, so the same program always makes the same pictures.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "gfx/glyphs.h"
#include "gfx/surface.h"

namespace qw::demo {

constexpr std::uint32_t Rgb(int r, int g, int b) {
  return (static_cast<std::uint32_t>(r & 0xFF) << 16) |
         (static_cast<std::uint32_t>(g & 0xFF) << 8) | static_cast<std::uint32_t>(b & 0xFF);
}

// a + (b - a) * t per channel, t from 0 to 1.
std::uint32_t Mix(std::uint32_t a, std::uint32_t b, double t);

// A small deterministic generator (xorshift), so that star fields are the same every run.
class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(seed ? seed : 1) {}
  std::uint32_t next();
  // A whole number in [lo, hi].
  int range(int lo, int hi);
  double unit();  // [0, 1)

 private:
  std::uint32_t state_;
};

struct Point {
  double x = 0;
  double y = 0;
};

void FillRect(Surface& s, int x, int y, int w, int h, std::uint32_t color);
// Rows from `top` colour at y to `bottom` colour at y + h - 1.
void VerticalGradient(Surface& s, int x, int y, int w, int h, std::uint32_t top,
                      std::uint32_t bottom);
// A filled circle; with `smooth` its edge is blended into what is below (not for keyed
// pictures, whose transparent colour must stay exact).
void FillCircle(Surface& s, double cx, double cy, double r, std::uint32_t color,
                bool smooth = true);
void FillEllipse(Surface& s, double cx, double cy, double rx, double ry, std::uint32_t color);
// Even-odd fill of a polygon, hard edged.
void FillPolygon(Surface& s, const std::vector<Point>& points, std::uint32_t color);
void FillRoundRect(Surface& s, int x, int y, int w, int h, int radius, std::uint32_t color);
// A line `width` pixels wide, hard edged.
void DrawLine(Surface& s, Point a, Point b, double width, std::uint32_t color);
// Adds light that fades from `color` at the centre to nothing at `radius`.
void AddGlow(Surface& s, double cx, double cy, double radius, std::uint32_t color);
// Multiplies the rows from y down by a factor that goes from 1 to `darkest` at the bottom.
void DarkenBelow(Surface& s, int y, double darkest);
// Scatters `count` stars of random brightness above row `bottom`.
void StarField(Surface& s, Random& rng, int count, int bottom, std::uint32_t tint);
// A rolling horizon: the ground below y = base + amplitude * sin(...) is filled.
void Hills(Surface& s, int base, double amplitude, double period, double phase,
           std::uint32_t color);

// Japanese text, written in UTF-8, drawn with the engine's glyph renderer in the classic
// Japanese font (an installed stand-in).
class TextPen {
 public:
  int width(std::string_view utf8, int height);
  void draw(Surface& s, int x, int y, std::string_view utf8, int height, std::uint32_t color);
  // With a one-pixel outline in `edge` all round, readable on any background.
  void drawOutlined(Surface& s, int x, int y, std::string_view utf8, int height,
                    std::uint32_t color, std::uint32_t edge);
  void drawCentered(Surface& s, int cx, int y, std::string_view utf8, int height,
                    std::uint32_t color, std::uint32_t edge);

 private:
  GlyphRenderer glyphs_;
};

}  // namespace qw::demo
