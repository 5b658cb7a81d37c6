// The demo's pictures: backgrounds, the three characters, the effect pictures, sprite sheets,
// menu buttons, the wait icon, the backlog tile and the roll of the ending.
#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include "assets.h"

namespace qw::demo {
namespace {

constexpr int kW = 640;
constexpr int kH = 480;
// The colour the keyed pictures use for "nothing here" (the scripts name it #FF00FF).
constexpr std::uint32_t kKey = Rgb(255, 0, 255);
constexpr std::uint32_t kInk = Rgb(40, 24, 32);

// ---- Backgrounds ----

void Tree(Surface& s, int x, int ground, std::uint32_t color) {
  FillPolygon(s,
              {{x - 7.0, double(ground)},
               {x - 4.0, ground - 120.0},
               {x + 4.0, ground - 120.0},
               {x + 8.0, double(ground)}},
              color);
  FillCircle(s, x, ground - 150, 46, color);
  FillCircle(s, x - 38, ground - 118, 34, color);
  FillCircle(s, x + 40, ground - 122, 36, color);
  FillCircle(s, x + 5, ground - 188, 32, color);
}

// The hill the story happens on, under a sky from `zenith` to `horizon`; `sky` adds what is
// in the sky before the hills and the tree are drawn over it.
Surface Hill(std::uint32_t zenith, std::uint32_t horizon, std::uint32_t farHills,
             std::uint32_t nearHill, std::uint32_t treeColor,
             const std::function<void(Surface&)>& sky) {
  Surface s(kW, kH);
  VerticalGradient(s, 0, 0, kW, 330, zenith, horizon);
  FillRect(s, 0, 330, kW, kH - 330, horizon);
  sky(s);
  Hills(s, 280, 18, 520, 0.7, farHills);
  Hills(s, 330, 34, 900, 2.4, nearHill);
  Tree(s, 572, 340, treeColor);
  return s;
}

Surface Title(TextPen& pen) {
  Surface s(kW, kH);
  VerticalGradient(s, 0, 0, kW, kH, Rgb(8, 12, 40), Rgb(64, 40, 96));
  Random rng(1997);
  StarField(s, rng, 320, 360, Rgb(160, 190, 255));
  for (int i = 0; i < 7; ++i)
    AddGlow(s, 80 + i * 90, 220 - i * 22, 110, Rgb(18, 14, 34));
  Hills(s, 390, 22, 700, 1.2, Rgb(14, 18, 34));
  Tree(s, 540, 400, Rgb(8, 10, 22));
  pen.drawCentered(s, kW / 2 + 3, 83, "星見の丘", 72, Rgb(30, 16, 48), Rgb(30, 16, 48));
  pen.drawCentered(s, kW / 2, 80, "星見の丘", 72, Rgb(255, 233, 160), Rgb(96, 48, 24));
  pen.drawCentered(s, kW / 2, 170, "― Quillwork デモ ―", 24, Rgb(220, 220, 255), Rgb(20, 20, 60));
  pen.drawCentered(s, kW / 2, 448, "右クリックでメニュー　Enter またはクリックで進む", 16,
                   Rgb(200, 200, 220), Rgb(10, 10, 30));
  return s;
}

Surface HillDusk(TextPen&) {
  Surface s = Hill(Rgb(70, 50, 120), Rgb(255, 150, 80), Rgb(150, 90, 120), Rgb(50, 70, 50),
                   Rgb(40, 30, 40), [](Surface& sky) {
                     AddGlow(sky, 470, 262, 70, Rgb(255, 200, 120));
                     FillCircle(sky, 470, 262, 22, Rgb(255, 236, 190));
                     Random rng(7);
                     for (int i = 0; i < 5; ++i) {
                       FillEllipse(sky, 120 + i * 110 + rng.range(-20, 20), 60 + i * 34, 70, 7,
                                   Mix(Rgb(255, 170, 140), 0, 0.1 * i));
                     }
                   });
  DarkenBelow(s, 300, 0.35);
  return s;
}

Surface HillNight(TextPen&) {
  Surface s = Hill(Rgb(6, 10, 34), Rgb(36, 44, 96), Rgb(30, 32, 70), Rgb(14, 26, 24),
                   Rgb(8, 12, 16), [](Surface& sky) {
                     Random rng(42);
                     StarField(sky, rng, 260, 300, Rgb(180, 200, 255));
                     FillCircle(sky, 250, 50, 22, Rgb(250, 248, 225));
                     // The crescent: the sky covers the rest of the disc.
                     FillCircle(sky, 260, 44, 21, Mix(Rgb(6, 10, 34), Rgb(36, 44, 96), 44.0 / 329));
                     AddGlow(sky, 246, 52, 70, Rgb(40, 40, 56));
                   });
  DarkenBelow(s, 300, 0.4);
  return s;
}

Surface Room(TextPen&) {
  Surface s(kW, kH);
  VerticalGradient(s, 0, 0, kW, 320, Rgb(200, 180, 150), Rgb(232, 214, 180));
  VerticalGradient(s, 0, 320, kW, 160, Rgb(140, 90, 50), Rgb(90, 56, 30));
  for (int x = -40; x < kW; x += 80)
    DrawLine(s, {double(x), 320}, {x - 60.0, 480}, 2, Rgb(110, 70, 40));
  // The window, with the night outside.
  FillRect(s, 40, 50, 200, 150, Rgb(110, 80, 50));
  VerticalGradient(s, 48, 58, 184, 134, Rgb(10, 14, 40), Rgb(40, 50, 100));
  Random rng(5);
  Surface sky(184, 134);
  VerticalGradient(sky, 0, 0, 184, 134, Rgb(10, 14, 40), Rgb(40, 50, 100));
  StarField(sky, rng, 40, 134, Rgb(200, 210, 255));
  for (int y = 0; y < sky.height(); ++y)
    for (int x = 0; x < sky.width(); ++x)
      s.at(48 + x, 58 + y) = sky.at(x, y);
  FillRect(s, 138, 58, 4, 134, Rgb(110, 80, 50));
  // The television on its stand.
  FillRect(s, 300, 250, 260, 70, Rgb(90, 60, 40));
  FillRoundRect(s, 330, 120, 200, 140, 10, Rgb(40, 40, 44));
  FillRect(s, 344, 134, 172, 112, Rgb(20, 30, 36));
  AddGlow(s, 430, 190, 60, Rgb(30, 50, 60));
  FillCircle(s, 520, 250, 3, Rgb(255, 60, 60));
  // A lamp.
  AddGlow(s, 600, 150, 90, Rgb(90, 70, 30));
  FillPolygon(s, {{580, 120}, {620, 120}, {630, 160}, {570, 160}}, Rgb(250, 220, 160));
  FillRect(s, 598, 160, 4, 140, Rgb(60, 50, 40));
  DarkenBelow(s, 320, 0.45);
  return s;
}

// What the telescope shows around its moving window: the dark inside of the tube.
Surface Scope(TextPen& pen) {
  Surface s(kW, kH, Rgb(4, 4, 8));
  for (int r = 300; r > 0; r -= 40)
    FillCircle(s, kW / 2, kH / 2, r, r % 80 == 0 ? Rgb(10, 10, 18) : Rgb(6, 6, 12));
  DrawLine(s, {0, kH / 2.0}, {double(kW), kH / 2.0}, 1, Rgb(40, 60, 40));
  DrawLine(s, {kW / 2.0, 0}, {kW / 2.0, double(kH)}, 1, Rgb(40, 60, 40));
  pen.draw(s, 16, 16, "望遠鏡", 16, Rgb(90, 110, 90));
  return s;
}

// The deep sky the telescope's window travels over.
Surface DeepSky(TextPen&) {
  Surface s(kW, kH);
  VerticalGradient(s, 0, 0, kW, kH, Rgb(4, 6, 20), Rgb(14, 8, 30));
  AddGlow(s, 220, 200, 180, Rgb(70, 30, 90));
  AddGlow(s, 300, 260, 140, Rgb(30, 50, 110));
  AddGlow(s, 470, 180, 120, Rgb(90, 40, 60));
  Random rng(314);
  StarField(s, rng, 700, kH, Rgb(255, 220, 200));
  FillEllipse(s, 420, 330, 40, 10, Rgb(120, 110, 150));
  AddGlow(s, 420, 330, 50, Rgb(90, 80, 120));
  return s;
}

// ---- Characters ----

struct Figure {
  std::uint32_t skin, hair, clothes, collar, eyes;
  std::uint32_t legs;  // trousers below the belt; 0 for a dress
  bool longHair;
  bool smile;
};

// A figure from the head to the knees in a 220 x 400 picture on `background`.
Surface Person(const Figure& f, std::uint32_t background) {
  Surface s(220, 400, background);
  const double cx = 110;
  if (f.longHair) {
    FillEllipse(s, cx, 104, 64, 72, f.hair);
    FillPolygon(s, {{cx - 64, 110}, {cx + 64, 110}, {cx + 72, 300}, {cx - 72, 300}}, f.hair);
  }
  FillRect(s, 98, 140, 24, 36, f.skin);
  FillPolygon(s, {{62, 168}, {158, 168}, {186, 400}, {34, 400}}, f.clothes);
  if (f.legs) {
    FillPolygon(s, {{47, 290}, {173, 290}, {186, 400}, {34, 400}}, f.legs);
    FillPolygon(s, {{107, 320}, {113, 320}, {124, 400}, {96, 400}}, background);
    FillRect(s, 47, 286, 126, 6, Mix(f.legs, 0, 0.35));
  }
  // Sleeves a shade darker than the body, so that the arms read.
  const std::uint32_t sleeve = Mix(f.clothes, 0, 0.2);
  FillPolygon(s, {{62, 170}, {80, 182}, {58, 300}, {34, 296}}, sleeve);
  FillPolygon(s, {{158, 170}, {140, 182}, {162, 300}, {186, 296}}, sleeve);
  FillCircle(s, 46, 306, 11, f.skin, false);
  FillCircle(s, 174, 306, 11, f.skin, false);
  FillPolygon(s, {{86, 170}, {134, 170}, {110, 204}}, f.collar);
  FillPolygon(s, {{96, 170}, {124, 170}, {110, 190}}, f.skin);
  FillEllipse(s, cx, 98, 48, 54, f.skin);
  // Hair over the forehead.
  if (f.longHair) {
    FillPolygon(s,
                {{cx - 52, 96},
                 {cx - 50, 52},
                 {cx, 36},
                 {cx + 50, 52},
                 {cx + 52, 96},
                 {cx + 30, 70},
                 {cx + 10, 84},
                 {cx - 14, 68},
                 {cx - 34, 86}},
                f.hair);
  } else {
    FillEllipse(s, cx, 64, 54, 36, f.hair);
    FillPolygon(s,
                {{cx - 54, 64},
                 {cx - 50, 110},
                 {cx - 36, 80},
                 {cx - 20, 92},
                 {cx - 4, 74},
                 {cx + 14, 90},
                 {cx + 32, 76},
                 {cx + 48, 104},
                 {cx + 54, 64}},
                f.hair);
  }
  for (double ex : {cx - 20, cx + 20}) {
    if (f.smile) {
      DrawLine(s, {ex - 8, 106}, {ex, 100}, 3, kInk);
      DrawLine(s, {ex, 100}, {ex + 8, 106}, 3, kInk);
    } else {
      FillEllipse(s, ex, 104, 7, 10, f.eyes);
      FillCircle(s, ex + 2, 100, 2.5, Rgb(255, 255, 255), false);
    }
    FillEllipse(s, ex, 122, 8, 4, Mix(f.skin, Rgb(255, 120, 140), 0.45));
  }
  if (f.smile) {
    FillEllipse(s, cx, 130, 9, 6, Rgb(160, 60, 70));
    FillRect(s, int(cx) - 10, 124, 21, 6, f.skin);
  } else {
    DrawLine(s, {cx - 6, 132}, {cx + 6, 132}, 2, Rgb(160, 80, 80));
  }
  return s;
}

const Figure kMina{Rgb(252, 222, 196),
                   Rgb(92, 54, 36),
                   Rgb(64, 96, 168),
                   Rgb(250, 250, 250),
                   Rgb(80, 50, 40),
                   0,
                   true,
                   false};
const Figure kSora{Rgb(240, 205, 170),
                   Rgb(30, 30, 40),
                   Rgb(70, 140, 90),
                   Rgb(230, 230, 210),
                   Rgb(40, 40, 60),
                   Rgb(50, 60, 100),
                   false,
                   false};

Surface Mina(TextPen&) {
  return Person(kMina, kKey);
}

Surface MinaSmile(TextPen&) {
  Figure f = kMina;
  f.smile = true;
  return Person(f, kKey);
}

// Sora's picture keeps a plain sky behind him; his mask file says what is him.
constexpr std::uint32_t kSoraBackdrop = Rgb(120, 160, 200);

Surface Sora(TextPen&) {
  return Person(kSora, kSoraBackdrop);
}

Surface SoraMask(TextPen&) {
  const Surface sora = Person(kSora, kSoraBackdrop);
  Surface mask(sora.width(), sora.height());
  for (int y = 0; y < sora.height(); ++y)
    for (int x = 0; x < sora.width(); ++x)
      mask.at(x, y) = sora.at(x, y) == kSoraBackdrop ? Rgb(255, 255, 255) : 0;
  return mask;
}

// The black cat, keyed by the colour of its top-left pixel.
Surface Kuro(TextPen&) {
  const std::uint32_t fur = Rgb(28, 26, 34), green = Rgb(0, 255, 0);
  Surface s(160, 150, green);
  FillEllipse(s, 80, 112, 52, 36, fur);
  FillCircle(s, 80, 62, 36, fur, false);
  FillPolygon(s, {{50, 44}, {56, 8}, {76, 34}}, fur);
  FillPolygon(s, {{84, 34}, {104, 8}, {110, 44}}, fur);
  FillPolygon(s, {{128, 120}, {150, 60}, {158, 64}, {140, 130}}, fur);
  for (double ex : {66.0, 94.0}) {
    FillEllipse(s, ex, 60, 8, 9, Rgb(250, 210, 60));
    FillEllipse(s, ex, 60, 2, 8, Rgb(10, 10, 10));
  }
  FillPolygon(s, {{76, 74}, {84, 74}, {80, 79}}, Rgb(230, 140, 160));
  return s;
}

// ---- Effect layer pictures ----

// Warm light of the setting sun on the hill and the faces, laid over the dusk with #SCREEN:
// black adds nothing.
Surface Glow(TextPen&) {
  Surface s(480, 320, 0);
  AddGlow(s, 270, 110, 260, Rgb(150, 80, 30));
  return s;
}

struct Constellation {
  const char* file;
  const char* name;
  std::vector<Point> stars;
  std::vector<std::pair<int, int>> lines;
};

const std::vector<Constellation>& Constellations() {
  static const std::vector<Constellation> all = {
      {"cg/ef_orion.png",
       "オリオン座",
       {{60, 40}, {200, 50}, {110, 110}, {130, 116}, {150, 122}, {70, 190}, {210, 180}},
       {{0, 2}, {1, 4}, {2, 3}, {3, 4}, {2, 5}, {4, 6}}},
      {"cg/ef_hokuto.png",
       "北斗七星",
       {{30, 60}, {80, 70}, {124, 92}, {166, 120}, {180, 170}, {250, 176}, {260, 124}},
       {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 3}}},
      {"cg/ef_cassiopeia.png",
       "カシオペヤ座",
       {{30, 80}, {90, 150}, {140, 90}, {200, 150}, {260, 70}},
       {{0, 1}, {1, 2}, {2, 3}, {3, 4}}},
      {"cg/ef_sasori.png",
       "さそり座",
       {{240, 30}, {220, 60}, {190, 84}, {150, 110}, {120, 140}, {100, 176}, {60, 184}, {40, 160}},
       {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 7}}},
  };
  return all;
}

void DrawConstellation(Surface& s, const Constellation& c, double scale, double dx, double dy,
                       std::uint32_t line, std::uint32_t star) {
  auto at = [&](int i) {
    return Point{dx + c.stars[std::size_t(i)].x * scale, dy + c.stars[std::size_t(i)].y * scale};
  };
  for (const auto& [a, b] : c.lines)
    DrawLine(s, at(a), at(b), std::max(1.0, 2 * scale), line);
  for (std::size_t i = 0; i < c.stars.size(); ++i) {
    const Point p = at(int(i));
    AddGlow(s, p.x, p.y, 10 * scale + 3, Mix(0, star, 0.5));
    FillCircle(s, p.x, p.y, 2.5 * scale + 1, star);
  }
}

Surface ConstellationOverlay(const Constellation& c, TextPen& pen) {
  Surface s(300, 240, 0);
  DrawConstellation(s, c, 1.0, 10, 10, Rgb(70, 110, 160), Rgb(230, 240, 255));
  pen.draw(s, 150 - pen.width(c.name, 16) / 2, 216, c.name, 16, Rgb(150, 190, 255));
  return s;
}

// ---- Menus ----

// A sheet of buttons: column 0 as shown, column 1 highlighted; row n is button number n.
Surface ButtonSheet(TextPen& pen, const std::vector<const char*>& labels) {
  constexpr int kBw = 160, kBh = 40;
  Surface s(2 * kBw, kBh * int(labels.size() + 1), kKey);
  for (std::size_t i = 0; i < labels.size(); ++i) {
    const int y = kBh * int(i + 1);
    for (int lit = 0; lit < 2; ++lit) {
      const int x = lit * kBw;
      FillRoundRect(s, x + 2, y + 2, kBw - 4, kBh - 4, 8,
                    lit ? Rgb(255, 220, 130) : Rgb(60, 60, 110));
      FillRoundRect(s, x + 5, y + 5, kBw - 10, kBh - 10, 6,
                    lit ? Rgb(120, 70, 30) : Rgb(24, 26, 60));
      const std::uint32_t ink = lit ? Rgb(255, 240, 200) : Rgb(210, 210, 240);
      pen.draw(s, x + (kBw - pen.width(labels[i], 20)) / 2, y + 10, labels[i], 20, ink);
    }
  }
  return s;
}

Surface TitleButtons(TextPen& pen) {
  return ButtonSheet(pen, {"はじめから", "つづきから", "おわる"});
}

// The gallery's pictures, 128 x 96 each: row 0 the locked picture, rows 1 to 4 the
// constellations.
Surface Gallery(TextPen& pen) {
  constexpr int kCw = 128, kCh = 96;
  Surface s(2 * kCw, 5 * kCh, kKey);
  for (int row = 0; row < 5; ++row) {
    for (int lit = 0; lit < 2; ++lit) {
      const int x = lit * kCw, y = row * kCh;
      FillRoundRect(s, x + 3, y + 3, kCw - 6, kCh - 6, 8,
                    lit ? Rgb(255, 220, 120) : Rgb(70, 80, 130));
      VerticalGradient(s, x + 6, y + 6, kCw - 12, kCh - 12, Rgb(8, 10, 36), Rgb(30, 30, 70));
      if (row == 0) {
        pen.draw(s, x + (kCw - pen.width("？？？", 24)) / 2, y + 30, "？？？", 24,
                 Rgb(120, 120, 150));
        continue;
      }
      const Constellation& c = Constellations()[std::size_t(row - 1)];
      DrawConstellation(s, c, 0.3, x + 24, y + 10, Rgb(90, 120, 180),
                        lit ? Rgb(255, 250, 200) : Rgb(200, 210, 240));
      pen.draw(s, x + (kCw - pen.width(c.name, 12)) / 2, y + 74, c.name, 12,
               lit ? Rgb(255, 230, 150) : Rgb(170, 180, 220));
    }
  }
  return s;
}

// ---- Sprites, icons, system pictures ----

// Sheets keyed by black: faint glow pixels would show as dark specks, so they become the key.
void KeyFaintPixels(Surface& s, int threshold) {
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) {
      const std::uint32_t p = s.at(x, y);
      const int brightest = std::max({int(p >> 16) & 0xFF, int(p >> 8) & 0xFF, int(p) & 0xFF});
      if (brightest < threshold) s.at(x, y) = 0;
    }
}

// Four fireflies' glows, bright to dim, 24 x 24 on black (the sheet's transparent colour).
Surface Fireflies(TextPen&) {
  Surface s(96, 24, 0);
  const double bright[4] = {1.0, 0.75, 0.5, 0.75};
  for (int i = 0; i < 4; ++i) {
    AddGlow(s, 24 * i + 12, 12, 12, Mix(0, Rgb(200, 255, 110), bright[i]));
    FillCircle(s, 24 * i + 12, 12, 3, Mix(Rgb(90, 120, 40), Rgb(250, 255, 210), bright[i]), false);
  }
  KeyFaintPixels(s, 48);
  return s;
}

// A shooting star in four frames of 64 x 32, flying down to the right: the tail grows and
// fades.
Surface Meteor(TextPen&) {
  Surface s(256, 32, 0);
  for (int i = 0; i < 4; ++i) {
    const double tail = 20 + 10 * i;
    const double hx = 64 * i + 54, hy = 24;
    for (int k = int(tail); k > 0; --k) {
      const double t = k / tail;
      FillCircle(s, hx - k * 0.92, hy - k * 0.4, 1.6 * (1 - t) + 0.5,
                 Mix(0, Rgb(200, 220, 255), (1 - t) * (1 - 0.15 * i)), false);
    }
    FillCircle(s, hx, hy, 2.5, Rgb(255, 255, 240), false);
  }
  KeyFaintPixels(s, 40);
  return s;
}

// The click-wait icon: row 0 waits for a line (a twinkling star), row 1 for a page (a bouncing
// arrow); eight frames each, keyed by the top-left pixel.
Surface WaitIcon(TextPen&) {
  Surface s(256, 64, kKey);
  for (int f = 0; f < 8; ++f) {
    const double phase = std::sin(f * std::numbers::pi / 4);
    const double r = 11 + 3 * phase;
    std::vector<Point> star;
    for (int k = 0; k < 10; ++k) {
      const double a = -std::numbers::pi / 2 + k * std::numbers::pi / 5;
      const double rr = k % 2 ? r * 0.45 : r;
      star.push_back({32 * f + 16 + rr * std::cos(a), 16 + rr * std::sin(a)});
    }
    FillPolygon(s, star, Rgb(255, 230, 120));
    const double dy = 4 * std::abs(phase);
    FillPolygon(s, {{32 * f + 6.0, 10 + dy}, {32 * f + 26.0, 10 + dy}, {32 * f + 16.0, 24 + dy}},
                Rgb(150, 210, 255));
    FillRect(s, 32 * f + 6, 32 + 26, 20, 2, Rgb(150, 210, 255));
  }
  // The arrows belong to row 1: move them down a row.
  for (int y = 31; y >= 0; --y)
    for (int x = 0; x < 256; ++x) {
      const std::uint32_t p = s.at(x, y);
      if (p == Rgb(150, 210, 255)) {
        s.at(x, y + 32) = p;
        s.at(x, y) = kKey;
      }
    }
  return s;
}

// The small star drawn inside a line of text (tag A). The tag draws at the top of the text
// cell, whose first 16 rows are the gap above the glyphs, so the star sits in the lower 24
// rows. Keyed by its top-left pixel.
Surface InlineStar(TextPen&) {
  Surface s(24, 40, kKey);
  std::vector<Point> star;
  for (int k = 0; k < 10; ++k) {
    const double a = -std::numbers::pi / 2 + k * std::numbers::pi / 5;
    const double r = k % 2 ? 4.5 : 10.5;
    star.push_back({12 + r * std::cos(a), 29 + r * std::sin(a)});
  }
  FillPolygon(s, star, Rgb(255, 220, 90));
  return s;
}

// Behind the backlog's text.
Surface BacklogTile(TextPen&) {
  Surface s(320, 128, Rgb(18, 22, 52));
  Random rng(11);
  for (int i = 0; i < 24; ++i)
    s.at(rng.range(0, 319), rng.range(0, 127)) = Rgb(70, 80, 120);
  return s;
}

// The scenario's picture in the version window.
Surface VersionPicture(TextPen& pen) {
  Surface s(320, 120);
  VerticalGradient(s, 0, 0, 320, 120, Rgb(10, 14, 44), Rgb(60, 40, 90));
  Random rng(3);
  StarField(s, rng, 40, 120, Rgb(200, 210, 255));
  pen.drawCentered(s, 160, 22, "星見の丘", 36, Rgb(255, 233, 160), Rgb(96, 48, 24));
  pen.drawCentered(s, 160, 76, "Quillwork デモ　第１版", 16, Rgb(220, 220, 255), Rgb(10, 10, 40));
  return s;
}

// ---- The ending's roll, on black ----

Surface RollLines(TextPen& pen, int width, const std::vector<std::pair<const char*, int>>& lines) {
  int height = 0;
  for (const auto& line : lines)
    height += line.second + 16;
  Surface s(width, height, 0);
  int y = 0;
  for (const auto& [text, size] : lines) {
    pen.drawCentered(s, width / 2, y, text, size,
                     size > 20 ? Rgb(255, 230, 160) : Rgb(220, 225, 255), Rgb(0, 0, 0));
    y += size + 16;
  }
  return s;
}

Surface StaffTitle(TextPen& pen) {
  return RollLines(pen, 400, {{"スタッフ", 32}});
}

Surface StaffNames(TextPen& pen) {
  return RollLines(pen, 480,
                   {{"シナリオ", 16},
                    {"Quillwork 開発チーム", 24},
                    {"絵・音楽・動画", 16},
                    {"すべてプログラムで生成", 24},
                    {"フォント", 16},
                    {"IPAゴシック", 24}});
}

Surface StaffEnd(TextPen& pen) {
  return RollLines(pen, 400, {{"遊んでくれてありがとう", 24}, {"おわり", 32}});
}

}  // namespace

std::vector<PictureAsset> Pictures() {
  using F = PictureAsset::Format;
  std::vector<PictureAsset> all = {
      {"cg/title.png", F::Png, Title},
      {"cg/bg_hill.png", F::Png, HillDusk},
      {"cg/bg_hill_night.png", F::Png, HillNight},
      {"cg/bg_room.png", F::Png, Room},
      {"cg/scope.png", F::Png, Scope},
      {"cg/deepsky.png", F::Png, DeepSky},
      {"cg/ch_mina.png", F::Png, Mina},
      {"cg/ch_mina_smile.png", F::Png, MinaSmile},
      {"cg/ch_sora.bmp", F::Bmp, Sora},
      {"cg/ch_sora_mask.bmp", F::Bmp, SoraMask},
      {"cg/ch_kuro.png", F::Png, Kuro},
      {"cg/ef_glow.png", F::Png, Glow},
      {"cg/btn_title.png", F::Png, TitleButtons},
      {"cg/gallery.png", F::Png, Gallery},
      {"cg/spr_firefly.png", F::Png, Fireflies},
      {"cg/spr_meteor.png", F::Png, Meteor},
      {"cg/icon_star.png", F::Png, InlineStar},
      {"cg/staff1.png", F::Png, StaffTitle},
      {"cg/staff2.png", F::Png, StaffNames},
      {"cg/staff3.png", F::Png, StaffEnd},
      {"sys/waiticon.png", F::Png, WaitIcon},
      {"sys/tile.png", F::Png, BacklogTile},
      {"sys/version.png", F::Png, VersionPicture},
  };
  for (const Constellation& c : Constellations()) {
    all.push_back({c.file, F::Png, [&c](TextPen& pen) { return ConstellationOverlay(c, pen); }});
  }
  return all;
}

namespace {

void PutLe(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The distinct colours of a picture in order of appearance, or nothing past `limit`.
std::vector<std::uint32_t> Palette(const Surface& picture, std::size_t limit) {
  std::vector<std::uint32_t> colors;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      const std::uint32_t p = picture.at(x, y) & 0xFFFFFF;
      if (std::find(colors.begin(), colors.end(), p) == colors.end()) {
        if (colors.size() == limit) return {};
        colors.push_back(p);
      }
    }
  return colors;
}

std::uint32_t IndexOf(const std::vector<std::uint32_t>& palette, std::uint32_t pixel) {
  return static_cast<std::uint32_t>(std::find(palette.begin(), palette.end(), pixel & 0xFFFFFF) -
                                    palette.begin());
}

}  // namespace

std::string BmpBytes(const Surface& picture) {
  const auto w = static_cast<std::uint32_t>(picture.width());
  const auto h = static_cast<std::uint32_t>(picture.height());
  std::vector<std::uint32_t> palette = Palette(picture, 256);
  // Two colours (a mask) as one bit a pixel; a few colours run-length coded; else 24 bits.
  const std::uint32_t bpp = palette.empty() ? 24 : palette.size() <= 2 ? 1 : 8;
  const std::uint32_t compression = bpp == 8 ? 1 : 0;
  std::string pixels;
  if (bpp == 8) {
    for (int y = picture.height() - 1; y >= 0; --y) {
      for (int x = 0; x < picture.width();) {
        int run = 1;
        while (x + run < picture.width() && run < 255 && picture.at(x + run, y) == picture.at(x, y))
          ++run;
        PutLe(pixels, static_cast<std::uint32_t>(run), 1);
        PutLe(pixels, IndexOf(palette, picture.at(x, y)), 1);
        x += run;
      }
      pixels += std::string("\0\0", 2);  // end of line
    }
    pixels += std::string("\0\1", 2);  // end of picture
  } else {
    const std::uint32_t stride = (w * bpp + 31) / 32 * 4;
    for (int y = picture.height() - 1; y >= 0; --y) {
      std::string row(stride, '\0');
      for (int x = 0; x < picture.width(); ++x) {
        if (bpp == 24) {
          for (int k = 0; k < 3; ++k)
            row[std::size_t(3 * x + k)] = static_cast<char>((picture.at(x, y) >> (8 * k)) & 0xFF);
        } else if (IndexOf(palette, picture.at(x, y))) {
          row[std::size_t(x / 8)] = static_cast<char>(row[std::size_t(x / 8)] | (0x80 >> (x % 8)));
        }
      }
      pixels += row;
    }
  }
  const std::uint32_t colors = bpp == 24 ? 0 : 1u << bpp;
  const std::uint32_t offset = 54 + 4 * colors;
  std::string bmp = "BM";
  PutLe(bmp, offset + static_cast<std::uint32_t>(pixels.size()), 4);
  PutLe(bmp, 0, 4);
  PutLe(bmp, offset, 4);
  PutLe(bmp, 40, 4);
  PutLe(bmp, w, 4);
  PutLe(bmp, h, 4);  // bottom-up rows
  PutLe(bmp, 1, 2);
  PutLe(bmp, bpp, 2);
  PutLe(bmp, compression, 4);
  PutLe(bmp, static_cast<std::uint32_t>(pixels.size()), 4);
  PutLe(bmp, 2835, 4);
  PutLe(bmp, 2835, 4);
  PutLe(bmp, colors, 4);
  PutLe(bmp, 0, 4);
  for (std::uint32_t i = 0; i < colors; ++i)
    PutLe(bmp, i < palette.size() ? palette[i] : 0, 4);
  return bmp + pixels;
}

}  // namespace qw::demo
