// What story text puts on the window: colour, drop shadow and outline, ruby above its base,
// hidden text, and images in the text layer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/scenario.h"

namespace qw {
namespace {

using test::Scenario;

constexpr std::uint32_t kGrey = 0x808080;

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive
  bool empty() const { return right < 0; }
};

Box Find(const Surface& s, std::uint32_t rgb, int x0 = 0, int y0 = 0, int x1 = 640, int y1 = 480) {
  Box b;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if ((s.at(x, y) & 0xFFFFFF) == rgb) {
        b.left = std::min(b.left, x);
        b.top = std::min(b.top, y);
        b.right = std::max(b.right, x);
        b.bottom = std::max(b.bottom, y);
      }
  return b;
}

// Runs `lines` over a grey background and returns the final picture.
Surface Draw(const std::string& lines) {
  Scenario s;
  s.writePng("bg.png", Surface(640, 480, kGrey));
  s.writeScript("autorun.txt", "_bgload bg.png\n_refresh\n" + lines + "\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  return s.snapshot("final");
}

TEST(TextPixels, ColourShadowAndOutline) {
  // "■" fills most of its cell, so its edges are easy to find.
  Surface drop = Draw("<C#FF0000>■%");
  Box glyph = Find(drop, 0xFF0000);
  ASSERT_FALSE(glyph.empty());
  EXPECT_GE(glyph.top, 16);  // below the line gap
  EXPECT_LE(glyph.bottom, 40);
  EXPECT_GE(glyph.left, 0);
  EXPECT_LE(glyph.right, 24);
  const int midY = (glyph.top + glyph.bottom) / 2;
  EXPECT_EQ(drop.at(glyph.right + 2, glyph.bottom + 2) & 0xFFFFFF, 0u);  // shadow at +2, +2
  EXPECT_EQ(drop.at(glyph.left - 1, midY) & 0xFFFFFF, kGrey);            // none on the left
  Box shadow = Find(drop, 0x000000);
  EXPECT_EQ(shadow.right, glyph.right + 2);
  EXPECT_EQ(shadow.bottom, glyph.bottom + 2);

  Surface outline = Draw("<C#00FF00E1B#0000FF>■%");
  Box g2 = Find(outline, 0x00FF00);
  ASSERT_FALSE(g2.empty());
  const int mid2 = (g2.top + g2.bottom) / 2;
  EXPECT_EQ(outline.at(g2.left - 1, mid2) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(outline.at(g2.right + 1, mid2) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(outline.at(g2.right + 2, mid2) & 0xFFFFFF, kGrey);
  EXPECT_EQ(outline.at(g2.left, g2.top - 1) & 0xFFFFFF, 0x0000FFu);

  Surface plain = Draw("<D0>■%");
  EXPECT_FALSE(Find(plain, 0xFFFFFF).empty());
  EXPECT_TRUE(Find(plain, 0x000000).empty());
}

TEST(TextPixels, RubyIsCentredAboveItsBase) {
  Surface s = Draw("<D0>(■■)■)%");
  Box ruby = Find(s, 0xFFFFFF, 0, 0, 640, 16);
  Box base = Find(s, 0xFFFFFF, 0, 16, 640, 480);
  ASSERT_FALSE(ruby.empty());
  ASSERT_FALSE(base.empty());
  EXPECT_GE(ruby.top, 1);
  EXPECT_LE(ruby.bottom - ruby.top, 13);  // 12-pixel glyphs
  const int rubyCentre = (ruby.left + ruby.right) / 2;
  EXPECT_NEAR(rubyCentre, 24, 3);  // over the two cells 0..47
  EXPECT_GE(base.top, 16);
  EXPECT_GE(base.right, 40);  // two base cells drawn

  // A longer ruby over a longer base is centred the same way.
  Surface wide = Draw("<D0>(■■■■■■■■)■■■■■■■■)%");
  Box wideRuby = Find(wide, 0xFFFFFF, 0, 0, 640, 16);
  EXPECT_NEAR((wideRuby.left + wideRuby.right) / 2, 96, 3);
}

TEST(TextPixels, HiddenTextStaysInTheLayer) {
  Surface hidden = Draw("<P0>■%");
  EXPECT_TRUE(Find(hidden, 0xFFFFFF).empty());
  Surface shownAgain = Draw("<P0>■%\n<P1>%\n_refresh");
  EXPECT_FALSE(Find(shownAgain, 0xFFFFFF, 0, 16, 24, 40).empty());
  // A text clear removes it from the window and from the layer.
  Surface cleared = Draw("■%\n_textclear\n_refresh");
  EXPECT_TRUE(Find(cleared, 0xFFFFFF).empty());
}

TEST(TextPixels, TextImageAndTextRect) {
  Scenario s;
  s.writePng("bg.png", Surface(640, 480, kGrey));
  Surface red(10, 10, 0xFF0000);
  red.at(0, 0) = 0x00FF00;  // the transparent colour of an inline image
  s.writePng("red.png", red);
  s.writeScript("autorun.txt",
                "_bgload bg.png\n_refresh\n"
                "_textimage 100,100,red.png\n"
                "_textimage 200,100,red.png,#00FF00\n"
                "_textrect 100,100,104,109\n"
                "<X300Y100A\"red.png\">%\n_$flg[1]=$sys[15]\n"
                "_refresh\n");
  HeadlessReport r = s.run();
  ASSERT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_EQ(r.flags[1], "310");  // an inline image moves the cursor by its width
  Surface f = s.snapshot("final");
  // _textrect cleared both corners' columns and rows.
  EXPECT_EQ(f.at(104, 109) & 0xFFFFFF, kGrey);
  EXPECT_EQ(f.at(105, 109) & 0xFFFFFF, 0xFF0000u);
  // "#NONE" by default: opaque, its corner keeps its colour.
  EXPECT_EQ(f.at(109, 100) & 0xFFFFFF, 0xFF0000u);
  // A transparent colour shows the picture below.
  EXPECT_EQ(f.at(200, 100) & 0xFFFFFF, kGrey);
  EXPECT_EQ(f.at(201, 100) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(f.at(300, 100) & 0xFFFFFF, kGrey);
  EXPECT_EQ(f.at(309, 109) & 0xFFFFFF, 0xFF0000u);
}

}  // namespace
}  // namespace qw
