// Picture layers, the effect layer, sprites and refreshes, checked on snapshots.
#include <gtest/gtest.h>

#include "support/scenario.h"

namespace qw {
namespace {

using test::Scenario;

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

Surface Filled(int w, int h, std::uint32_t colour) {
  return Surface(w, h, colour);
}

// A picture of `w` x `h` in `colour` with a `border`-wide frame of `frame`.
Surface Framed(int w, int h, std::uint32_t colour, std::uint32_t frame, int border) {
  Surface s(w, h, frame);
  for (int y = border; y < h - border; ++y)
    for (int x = border; x < w - border; ++x)
      s.at(x, y) = colour;
  return s;
}

std::uint32_t Rgb(std::uint32_t p) {
  return p & 0xFFFFFF;
}

class ScreenTest : public ::testing::Test {
 protected:
  Surface finalPicture(const std::string& script) {
    scenario.writeScript("autorun.txt", script);
    report = scenario.run();
    EXPECT_TRUE(report.errors.empty()) << (report.errors.empty() ? "" : report.errors[0]);
    return scenario.snapshot("final");
  }
  Scenario scenario;
  HeadlessReport report;
};

TEST_F(ScreenTest, BackgroundAndCharacterLayers) {
  scenario.writePng("bg.png", Filled(640, 480, kRed));
  scenario.writePng("a.png", Filled(40, 30, kGreen));
  scenario.writePng("b.png", Filled(40, 30, kBlue));
  Surface shot = finalPicture(
      "_autorefresh 1\n_bgload bg.png\n_objload 1,b.png,#NONE\n_refresh\n"
      "_objput 0,a.png,#NONE,100,50\n_objput 2,b.png,#NONE,120,60\n");
  EXPECT_EQ(Rgb(shot.at(5, 5)), kRed);
  EXPECT_EQ(Rgb(shot.at(101, 51)), kGreen);
  EXPECT_EQ(Rgb(shot.at(125, 65)), kBlue);  // layer 2 above layer 0
  EXPECT_EQ(Rgb(shot.at(300, 300)), kRed);  // layer 1 loaded but hidden
}

TEST_F(ScreenTest, AutoRefreshZeroShowsNothingUntilRefresh) {
  scenario.writePng("bg.png", Filled(640, 480, kRed));
  Surface shot = finalPicture("_bgload bg.png\n");
  EXPECT_EQ(Rgb(shot.at(5, 5)), 0u);
  Surface refreshed = finalPicture("_bgload bg.png\n_refresh\n");
  EXPECT_EQ(Rgb(refreshed.at(5, 5)), kRed);
}

TEST_F(ScreenTest, TransparencyByColourAndByMaskFile) {
  scenario.writePng("bg.png", Filled(640, 480, kRed));
  scenario.writePng("p.png", Framed(20, 20, kGreen, kBlue, 5));
  Surface mask(20, 20, 0xFFFFFF);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x)
      mask.at(x, y) = 0;  // top half covers
  scenario.writePng("m.png", mask);
  Surface shot = finalPicture(
      "_autorefresh 1\n_bgload bg.png\n_objput 0,p.png,#0000FF,0,0\n"
      "_objput 1,p.png,\"#TOP_LEFT\",100,0\n_objput 2,p.png,m.png,200,0\n");
  EXPECT_EQ(Rgb(shot.at(1, 1)), kRed);  // blue frame made transparent
  EXPECT_EQ(Rgb(shot.at(10, 10)), kGreen);
  EXPECT_EQ(Rgb(shot.at(101, 1)), kRed);   // the corner colour is the frame's
  EXPECT_EQ(Rgb(shot.at(210, 3)), kBlue);  // mask file: top half shows the picture
  EXPECT_EQ(Rgb(shot.at(210, 15)), kRed);  // bottom half shows through
}

TEST_F(ScreenTest, PositionsKeywordsAndKeptPosition) {
  scenario.writePng("bg.png", Filled(640, 480, kRed));
  scenario.writePng("w.png", Filled(100, 80, kGreen));
  scenario.writePng("g.png", Filled(100, 80, kBlue));
  Surface shot = finalPicture(
      "_autorefresh 1\n_bgload bg.png\n_objput 0,w.png,#NONE,#RIGHT,#BOTTOM\n"
      "_objput 1,w.png,#NONE,#CENTER,#TOP\n_objput 1,g.png,#NONE\n");
  EXPECT_EQ(Rgb(shot.at(639, 479)), kGreen);
  EXPECT_EQ(Rgb(shot.at(539, 399)), kRed);
  EXPECT_EQ(Rgb(shot.at(270, 0)), kBlue);  // the second put kept (270, 0)
  EXPECT_EQ(Rgb(shot.at(269, 0)), kRed);
}

TEST_F(ScreenTest, ObjsetAndObjclear) {
  scenario.writePng("bg.png", Filled(640, 480, kRed));
  scenario.writePng("w.png", Filled(10, 10, kGreen));
  Surface shot = finalPicture(
      "_autorefresh 1\n_bgload bg.png\n_objset 0,1,0,0\n_objload 0,w.png,#NONE\n"
      "_objset 0,1,50,60\n_objload 1,w.png,#NONE\n_objset 1,1,70,60\n_objclear 0\n"
      "_objset 1,1\n");
  EXPECT_EQ(Rgb(shot.at(55, 65)), kRed);    // hidden by _objclear 0
  EXPECT_EQ(Rgb(shot.at(75, 65)), kGreen);  // shown again, position kept
  Surface cleared = finalPicture(
      "_autorefresh 1\n_bgload bg.png\n_objput 0,w.png,#NONE,5,5\n_objclear\n_objset 0,1,5,5\n");
  EXPECT_EQ(Rgb(cleared.at(6, 6)), kRed);  // unloaded: _objset does nothing
}

TEST_F(ScreenTest, EffectModesAndOrders) {
  scenario.writePng("bg.png", Filled(640, 480, 0x804020));
  scenario.writePng("fx.png", Filled(640, 480, 0x402010));
  scenario.writePng("p.png", Filled(10, 10, kGreen));
  Surface blend =
      finalPicture("_bgload bg.png\n_efload fx.png,#NONE,0\n_efset 1,#BLEND,0,0,0\n_refresh\n");
  EXPECT_EQ(Rgb(blend.at(10, 10)), 0x603018u);
  Surface before = finalPicture(
      "_bgload bg.png\n_objput 0,p.png,#NONE,0,0\n_efload fx.png,#NONE,0\n"
      "_efset 1,#OR,0,0,0\n_refresh\n");
  EXPECT_EQ(Rgb(before.at(5, 5)), kGreen);  // order 0: the layer covers the effect
  Surface after = finalPicture(
      "_bgload bg.png\n_objput 0,p.png,#NONE,0,0\n_efload fx.png,#NONE,0\n"
      "_efset 1,#OR,0,0,1\n_refresh\n");
  EXPECT_EQ(Rgb(after.at(5, 5)), kGreen | 0x402010u);
  Surface never =
      finalPicture("_bgload bg.png\n_efload fx.png,#NONE,0\n_efset 1,#OR,0,0,3\n_refresh\n");
  EXPECT_EQ(Rgb(never.at(5, 5)), 0x804020u);
}

TEST_F(ScreenTest, EffectChecksReportAndLeaveTheEffect) {
  scenario.writePng("bg.png", Filled(640, 480, kRed));
  scenario.writePng("fx.png", Filled(640, 480, kBlue));
  scenario.writePng("small.png", Filled(320, 240, 0xFFFFFF));
  scenario.writeScript("autorun.txt",
                       "_bgload bg.png\n_efload fx.png,small.png,1\n_efset 1,#COPY,0,0,0\n"
                       "_efload fx.png,#NONE,0\n_efset 1,#NOPE,0,0,0\n_refresh\n");
  HeadlessReport r = scenario.run();
  ASSERT_EQ(r.errors.size(), 2u);
  EXPECT_NE(r.errors[0].find("マスク画像のサイズが異常です。(MASKMODE:固定)"), std::string::npos);
  EXPECT_NE(r.errors[1].find("重ね合わせモードが間違っています:#NOPE"), std::string::npos);
  EXPECT_EQ(Rgb(scenario.snapshot("final").at(5, 5)), kBlue);  // unknown mode copies
}

TEST_F(ScreenTest, SpritesDrawOnTheWindowAndRestoreFromVram) {
  scenario.writePng("bg.png", Filled(640, 480, kRed));
  Surface sheet(64, 32, kGreen);
  for (int y = 0; y < 32; ++y)
    for (int x = 32; x < 64; ++x)
      sheet.at(x, y) = kBlue;
  sheet.at(0, 0) = 0xFFFFFF;
  scenario.writePng("s.png", sheet);
  scenario.writeScript("autorun.txt",
                       "_bgload bg.png\n_refresh\n_sprload s.png,32,32,#NONE\n_sprset 0,1,0\n"
                       "_sprput 0,100,100\n_mouseclick\n_sprput 0,200,100\n_mouseclick\n"
                       "_spranime 1,-1\n_sprput 1,300,300\n_sprput 1,300,300\n_mouseclick\n"
                       "_sprhide 0\n");
  scenario.events("snap one\nclick\nsnap two\nclick\nsnap three\nclick\n");
  HeadlessReport r = scenario.run();
  EXPECT_TRUE(r.errors.empty());
  Surface one = scenario.snapshot("one");
  EXPECT_EQ(Rgb(one.at(110, 110)), kBlue);
  Surface two = scenario.snapshot("two");
  EXPECT_EQ(Rgb(two.at(110, 110)), kRed);  // erased from VRAM
  EXPECT_EQ(Rgb(two.at(210, 110)), kBlue);
  Surface three = scenario.snapshot("three");
  EXPECT_EQ(Rgb(three.at(310, 310)), kGreen);  // column 1 then wrapped to 0
  Surface last = scenario.snapshot("final");
  EXPECT_EQ(Rgb(last.at(210, 110)), kRed);
  EXPECT_EQ(Rgb(last.at(310, 310)), kGreen);
}

TEST_F(ScreenTest, MovplayShowsNumberedFrames) {
  scenario.writePng("op001.png", Filled(640, 480, kRed));
  scenario.writePng("op002.png", Filled(640, 480, kGreen));
  scenario.writePng("op003.png", Filled(640, 480, kBlue));
  scenario.writeScript("autorun.txt", "_movplay op.png,1,3,100\n");
  scenario.events("at +150 snap middle\n");
  HeadlessReport r = scenario.run();
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(Rgb(scenario.snapshot("middle").at(1, 1)), kGreen);
  EXPECT_EQ(Rgb(scenario.snapshot("final").at(1, 1)), kBlue);
  EXPECT_GE(r.virtualMs, 300u);
}

TEST_F(ScreenTest, HostileArgumentsAreHarmless) {
  scenario.writePng("bg.png", Filled(640, 480, kRed));
  scenario.writePng("p.png", Filled(10, 10, kGreen));
  Surface shot = finalPicture(
      "_autorefresh 1\n_bgload bg.png\n_objput 7,p.png,#NONE,0,0\n_objput -1,p.png,#NONE\n"
      "_objput 0,p.png,#NONE,2147483647,-2147483647\n_objset 1,1,5,5\n"
      "_sprload p.png,0,0,#NONE\n_sprset 0,0,0\n_sprput 0,5,5\n_sprput 99,1,1\n"
      "_sprhide -4\n_spranime 40,1\n_efset 1,#COPY,-999999,999999,0\n_sprclear\n");
  EXPECT_EQ(Rgb(shot.at(5, 5)), kRed);
}

}  // namespace
}  // namespace qw

namespace qw {
namespace {

// The darkness option from the menu darkens the composed frame; `_sysdark 1` suppresses it.
TEST(ScreenDarknessTest, MenuDarknessAndSuppression) {
  test::Scenario scenario;
  scenario.writePng("bg.png", Surface(640, 480, 0x804020));
  scenario.writeScript("autorun.txt",
                       "_bgload bg.png\n_refresh\nあ\n_sysdark 1\n_refresh\n_mouseclick\n");
  scenario.events("menu Mdarkness\nsnap dark\nclick\nsnap suppressed\nclick\n");
  HeadlessReport r = scenario.run();
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(scenario.snapshot("dark").at(5, 300) & 0xFFFFFF, 0x70381Cu);
  EXPECT_EQ(scenario.snapshot("suppressed").at(5, 300) & 0xFFFFFF, 0x804020u);
}

// `_smartrefresh` takes the text away for its first step and brings it back for the second.
TEST(ScreenDarknessTest, SmartRefreshBringsTheTextBack) {
  test::Scenario scenario;
  scenario.writePng("bg.png", Surface(640, 480, 0x000080));
  scenario.writeScript("autorun.txt",
                       "_bgload bg.png\n_refresh\n■■■■\n_smartrefresh ,,1\n_mouseclick\n");
  scenario.events("click\nsnap after\nclick\n");
  HeadlessReport r = scenario.run();
  EXPECT_TRUE(r.errors.empty());
  Surface after = scenario.snapshot("after");
  int white = 0;
  for (int y = 16; y < 40; ++y)
    for (int x = 0; x < 96; ++x)
      white += (after.at(x, y) & 0xFFFFFF) == 0xFFFFFF;
  EXPECT_GT(white, 100);  // the squares are drawn again
  EXPECT_EQ(after.at(300, 300) & 0xFFFFFF, 0x000080u);
}

}  // namespace
}  // namespace qw

namespace qw {
namespace {

// The configured background is loaded when the window is made and shown by its first refresh.
TEST(ScreenStartTest, ConfiguredBackgroundShowsAtStart) {
  test::Scenario scenario;
  scenario.writePng("cg/start.png", Surface(640, 480, 0x336699));
  scenario.writeFile("qwk.cfg", "[Quillwork]\r\nBackGround=CG\\START.PNG\r\n");
  scenario.writeScript("autorun.txt", "_$flg[1]=1\n");
  HeadlessReport r = scenario.run();
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(scenario.snapshot("final").at(320, 240) & 0xFFFFFF, 0x336699u);
}

}  // namespace
}  // namespace qw
