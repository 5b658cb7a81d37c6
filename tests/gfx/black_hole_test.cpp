#include "gfx/black_hole.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "effects_fixture.h"
#include "platform/errors.h"

namespace qw {
namespace {

using testing::EffectsRecorder;
using testing::Pattern;
using testing::PictureFolder;
using testing::SinkEvent;

class BlackHoleTest : public ::testing::Test {
 protected:
  BlackHoleTest() {
    sink_.screen = start_;
    args_.picture = folder_.add("hole.bmp", picture_);
    args_.sourceX = 20;
    args_.sourceY = 10;
    args_.x = 300;
    args_.y = 200;
    args_.width = 40;
    args_.height = 30;
    args_.frames = 1;
    args_.interval = 25;
  }

  // The window's pixel at screen (x, y) when it stands at (wx, wy) showing the picture from
  // (sx, sy).
  std::uint32_t windowPixel(int x, int y, int wx, int wy, int sx, int sy) const {
    return picture_.at(sx + x - wx, sy + y - wy);
  }
  static bool Inside(int x, int y, int left, int top, int w, int h) {
    return x >= left && x < left + w && y >= top && y < top + h;
  }

  Surface start_ = Pattern(640, 480, 1);
  Surface bg_ = Pattern(640, 480, 2);
  Surface picture_ = Pattern(120, 90, 3);
  EffectsRecorder sink_;
  PictureFolder folder_;
  BlackHoleArgs args_;
};

TEST_F(BlackHoleTest, OneFrameDrawsTheWindowOnceAndRestoresNothing) {
  sink_.down = true;
  RunBlackHole(args_, bg_, sink_, folder_.files());
  const std::vector<SinkEvent> presents = sink_.of(SinkEvent::Present);
  ASSERT_EQ(presents.size(), 1u);
  EXPECT_EQ(presents[0].area.left, 300);
  EXPECT_EQ(presents[0].area.top, 200);
  EXPECT_EQ(presents[0].area.right, 340);
  EXPECT_EQ(presents[0].area.bottom, 230);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      ASSERT_EQ(sink_.screen.at(x, y), Inside(x, y, 300, 200, 40, 30)
                                           ? windowPixel(x, y, 300, 200, 20, 10)
                                           : start_.at(x, y));
    }
  }
  EXPECT_EQ(sink_.now - EffectsRecorder::kStart, 25u);  // the last frame waits too
  EXPECT_FALSE(sink_.down);
}

TEST(DirectionCodes, StepOnePixelAFrame) {
  const std::vector<DirectionStep> table = {{0, 0},  {1, 0}, {0, 1},  {-1, 0}, {0, -1},
                                            {1, -1}, {1, 1}, {-1, 1}, {-1, -1}};
  for (int code = 0; code < 9; ++code)
    EXPECT_EQ(DirectionCodeStep(code), table[code]) << code;
  for (int code : {9, -1, 100, INT_MIN, INT_MAX}) {
    EXPECT_EQ(DirectionCodeStep(code), (DirectionStep{0, 0})) << code;
  }
}

class Directions : public BlackHoleTest, public ::testing::WithParamInterface<int> {};

TEST_P(Directions, MoveTheWindowAndRestoreWhereItWas) {
  const int code = GetParam();
  const DirectionStep d = DirectionCodeStep(code);
  args_.frames = 3;
  args_.screenDirection = code;
  RunBlackHole(args_, bg_, sink_, folder_.files());
  const int wx = 300 + 2 * d.dx, wy = 200 + 2 * d.dy;
  for (int y = 190; y < 240; ++y) {
    for (int x = 290; x < 350; ++x) {
      std::uint32_t want = start_.at(x, y);
      if (Inside(x, y, wx, wy, 40, 30)) {
        want = windowPixel(x, y, wx, wy, 20, 10);
      } else if (Inside(x, y, 300, 200, 40, 30) || Inside(x, y, 300 + d.dx, 200 + d.dy, 40, 30)) {
        want = bg_.at(x, y);
      }
      ASSERT_EQ(sink_.screen.at(x, y), want) << "code " << code << " at " << x << "," << y;
    }
  }
  const std::vector<SinkEvent> presents = sink_.of(SinkEvent::Present);
  ASSERT_EQ(presents.size(), 3u);
  // Each later frame shows the restored rectangle and the moved window together.
  EXPECT_EQ(presents[2].area.left, std::min(300 + d.dx, wx));
  EXPECT_EQ(presents[2].area.right, std::max(300 + d.dx, wx) + 40);
  EXPECT_EQ(presents[2].area.top, std::min(200 + d.dy, wy));
  EXPECT_EQ(presents[2].area.bottom, std::max(200 + d.dy, wy) + 30);
}

TEST_P(Directions, MoveTheSourceUnderAStillWindow) {
  const int code = GetParam();
  const DirectionStep d = DirectionCodeStep(code);
  args_.frames = 4;
  args_.sourceDirection = code;
  RunBlackHole(args_, bg_, sink_, folder_.files());
  for (int y = 200; y < 230; ++y) {
    for (int x = 300; x < 340; ++x) {
      ASSERT_EQ(sink_.screen.at(x, y), windowPixel(x, y, 300, 200, 20 + 3 * d.dx, 10 + 3 * d.dy))
          << code;
    }
  }
  for (const SinkEvent& e : sink_.of(SinkEvent::Present)) {
    EXPECT_EQ(e.area.left, 300);
    EXPECT_EQ(e.area.right, 340);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryCode, Directions,
                         ::testing::Values(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, -3));

TEST_F(BlackHoleTest, FramesFollowDeadlinesTakenAfterEachWait) {
  sink_.drawCost = 4;
  args_.frames = 4;
  args_.interval = 40;
  RunBlackHole(args_, bg_, sink_, folder_.files());
  EXPECT_EQ(sink_.presentTimes(), (std::vector<std::uint32_t>{0, 40, 80, 120}));
  EXPECT_EQ(sink_.now - EffectsRecorder::kStart, 160u);
}

TEST_F(BlackHoleTest, FrameCountsAndIntervalsOutsideTheirRangeAreBounded) {
  args_.frames = -5;
  args_.interval = -100;
  RunBlackHole(args_, bg_, sink_, folder_.files());
  EXPECT_EQ(sink_.of(SinkEvent::Present).size(), 1u);
  EXPECT_TRUE(sink_.of(SinkEvent::Round).empty());

  sink_.events.clear();
  sink_.now = EffectsRecorder::kStart;
  args_.frames = INT_MAX;
  args_.interval = 1;
  args_.width = args_.height = 2;
  args_.screenDirection = 6;
  RunBlackHole(args_, bg_, sink_, folder_.files());
  EXPECT_EQ(sink_.now - EffectsRecorder::kStart, static_cast<std::uint32_t>(kMaxBlackHoleFrames));
  // Frames 0 to 279 draw, frame 280 only restores; later ones change nothing on screen.
  EXPECT_EQ(sink_.of(SinkEvent::Present).size(), 281u);
}

TEST_F(BlackHoleTest, PositionsAndSizesAtTheIntLimitsDrawOnlyWhatIsOnScreen) {
  struct Case {
    int sx, sy, x, y, w, h, code;
    bool restoresCentre;
  };
  for (const Case& c : {Case{INT_MAX, INT_MAX, 0, 0, 50, 50, 6, false},
                        Case{0, 0, INT_MAX, INT_MAX, 9, 9, 6, false},
                        Case{0, 0, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 8, false},
                        Case{INT_MIN, INT_MIN, -5, -5, INT_MAX, INT_MAX, 8, true}}) {
    sink_.screen = start_;
    args_ = {args_.picture, c.sx, c.sy, c.x, c.y, c.w, c.h, 3, 0, c.code, c.code};
    RunBlackHole(args_, bg_, sink_, folder_.files());
    EXPECT_EQ(sink_.screen.at(320, 240), (c.restoresCentre ? bg_ : start_).at(320, 240)) << c.x;
    EXPECT_EQ(sink_.screen.at(639, 479), (c.restoresCentre ? bg_ : start_).at(639, 479)) << c.x;
  }
  // A window larger than everything: the picture where it has pixels, BG (restored between
  // the frames) elsewhere.
  sink_.screen = start_;
  args_ = {args_.picture, 0, 0, 0, 0, INT_MAX, INT_MAX, 2, 0, 0, 0};
  RunBlackHole(args_, bg_, sink_, folder_.files());
  EXPECT_EQ(sink_.screen.at(119, 89), picture_.at(119, 89));
  EXPECT_EQ(sink_.screen.at(120, 90), bg_.at(120, 90));
}

TEST_F(BlackHoleTest, AMissingPictureEndsTheCommandBeforeAnyDrawing) {
  args_.picture = "%DATA_DRIVE%\\missing.png";
  sink_.down = true;
  EXPECT_THROW(RunBlackHole(args_, bg_, sink_, folder_.files()), FrameworkError);
  EXPECT_TRUE(sink_.events.empty());
  EXPECT_FALSE(sink_.down);
  BlackHoleOverlay overlay;
  overlay.picture = "%DATA_DRIVE%\\missing.bmp";
  args_.picture = folder_.add("hole.bmp", picture_);
  EXPECT_THROW(RunBlackHoleOp(args_, overlay, bg_, sink_, folder_.files()), FrameworkError);
  EXPECT_TRUE(sink_.events.empty());
}

struct OverlayCase {
  int mode;
  std::uint32_t (*combine)(std::uint32_t screen, std::uint32_t overlay);
};

class OverlayModes : public BlackHoleTest, public ::testing::WithParamInterface<OverlayCase> {};

TEST_P(OverlayModes, CombineTheOverlayWithTheScreenEveryFrame) {
  const OverlayCase& c = GetParam();
  const Surface layer = Pattern(16, 12, 9);
  BlackHoleOverlay overlay;
  overlay.x = 330;  // overlaps the window's right part and the screen beside it
  overlay.y = 210;
  overlay.mode = c.mode;
  overlay.picture = folder_.add("over.bmp", layer);
  RunBlackHoleOp(args_, overlay, bg_, sink_, folder_.files());
  for (int y = 210; y < 222; ++y) {
    for (int x = 330; x < 346; ++x) {
      const std::uint32_t under = x < 340 ? windowPixel(x, y, 300, 200, 20, 10) : start_.at(x, y);
      ASSERT_EQ(sink_.screen.at(x, y), c.combine(under, layer.at(x - 330, y - 210)))
          << "mode " << c.mode << " at " << x << "," << y;
    }
  }
  EXPECT_EQ(sink_.of(SinkEvent::Present)[0].area.right, 346);

  // Over two frames the part outside the window is not restored: XOR twice gives it back.
  if (c.mode == 3) {
    sink_.screen = start_;
    args_.frames = 2;
    RunBlackHoleOp(args_, overlay, bg_, sink_, folder_.files());
    EXPECT_EQ(sink_.screen.at(343, 215), start_.at(343, 215));
    EXPECT_EQ(sink_.screen.at(333, 215), windowPixel(333, 215, 300, 200, 20, 10) ^ layer.at(3, 5));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, OverlayModes,
    ::testing::Values(OverlayCase{0, [](std::uint32_t, std::uint32_t o) { return o; }},
                      OverlayCase{1, [](std::uint32_t s, std::uint32_t o) { return s & o; }},
                      OverlayCase{2, [](std::uint32_t s, std::uint32_t o) { return s | o; }},
                      OverlayCase{3, [](std::uint32_t s, std::uint32_t o) { return s ^ o; }},
                      OverlayCase{4, [](std::uint32_t, std::uint32_t o) { return o; }},
                      OverlayCase{-1, [](std::uint32_t, std::uint32_t o) { return o; }}),
    [](const auto& p) { return "mode" + std::to_string(p.index); });

TEST_F(BlackHoleTest, OverMasksTheOverlayAndLeavesATrail) {
  Surface mask(16, 12, 0x00FFFFFF);
  Surface layer(16, 12, 0);
  for (int y = 3; y < 9; ++y) {
    for (int x = 4; x < 12; ++x) {
      mask.at(x, y) = 0;
      layer.at(x, y) = 0x00ABCDEF;
    }
  }
  BlackHoleOverlay overlay;
  overlay.x = 500;
  overlay.y = 50;
  overlay.maskFile = folder_.add("mask.bmp", mask);
  overlay.picture = folder_.add("layer.bmp", layer);
  args_.frames = 5;
  args_.screenDirection = 1;
  RunBlackHoleOver(args_, overlay, sink_, folder_.files());

  for (int y = 50; y < 62; ++y) {
    for (int x = 500; x < 516; ++x) {
      const bool covered = x >= 504 && x < 512 && y >= 53 && y < 59;
      ASSERT_EQ(sink_.screen.at(x, y), covered ? 0x00ABCDEFu : start_.at(x, y)) << x << "," << y;
    }
  }
  // Each frame's first column stays behind, so the window's first column repeats.
  for (int x = 300; x < 304; ++x) {
    EXPECT_EQ(sink_.screen.at(x, 215), windowPixel(x, 215, x, 200, 20, 10)) << x;
  }
  EXPECT_EQ(sink_.screen.at(343, 215), windowPixel(343, 215, 304, 200, 20, 10));
  EXPECT_EQ(sink_.screen.at(344, 215), start_.at(344, 215));
  EXPECT_EQ(sink_.screen.at(299, 215), start_.at(299, 215));
}

}  // namespace
}  // namespace qw
