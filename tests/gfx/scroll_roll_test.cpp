#include "gfx/scroll_roll.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "effects_fixture.h"
#include "platform/errors.h"

namespace qw {
namespace {

using testing::EffectsRecorder;
using testing::Pattern;
using testing::PictureFolder;
using testing::SinkEvent;

constexpr std::uint32_t kColor = 0x00123456;

class RollTest : public ::testing::Test {
 protected:
  RollTest() { sink_.screen = start_; }

  void roll(int kind, int step, const std::vector<std::string>& lines, int interval = 30,
            bool fastForward = false) {
    RollSettings settings;
    settings.interval = interval;
    settings.color = kColor;
    settings.step = step;
    settings.fastForward = fastForward;
    settings.kind = kind;
    RunRoll(settings, lines, sink_, folder_.files());
  }

  // Row `y` of the screen, columns [x0, x1), against a row of the starting screen.
  void expectStartRow(int y, int startY, int x0 = 0, int x1 = 640) const {
    for (int x = x0; x < x1; ++x) {
      ASSERT_EQ(sink_.screen.at(x, y), start_.at(x, startY)) << "x " << x << " y " << y;
    }
  }
  // Row `y` holds `picture` row `py` at `left` (when py is a row of it) and the colour
  // elsewhere in [x0, x1).
  void expectBandRow(int y, const Surface& picture, int py, int left, int x0 = 0,
                     int x1 = 640) const {
    for (int x = x0; x < x1; ++x) {
      const bool inside =
          py >= 0 && py < picture.height() && x >= left && x < left + picture.width();
      const std::uint32_t want = inside ? picture.at(x - left, py) : kColor;
      ASSERT_EQ(sink_.screen.at(x, y), want) << "x " << x << " y " << y << " row " << py;
    }
  }

  Surface start_ = Pattern(640, 480, 8);
  EffectsRecorder sink_;
  PictureFolder folder_;
};

TEST_F(RollTest, UpRollsPicturesAndGapsFrameByFrame) {
  const Surface pic = Pattern(6, 10, 4);
  const std::string name = folder_.add("pic.bmp", pic);
  // Picture: g = 0, 5, 10 (the last frame is past its bottom); gaps of 20 and 5 rows.
  std::vector<int> pictureRowAtBottom = {0, 5, 10, -1, -1, -1, -1, -1};
  int frame = 0;
  sink_.onPresent = [&](const Surface&) {
    const int moved = 5 * (frame + 1);
    for (int y = 0; y < 480 - moved; y += 37)
      expectStartRow(y, y + moved);
    for (int r = 0; r < 5; ++r) {
      const int py = pictureRowAtBottom[frame] < 0 ? -1 : pictureRowAtBottom[frame] + r;
      expectBandRow(475 + r, pic, py, 317);
    }
    ++frame;
  };
  roll(0, 5, {" \t" + name, "", "|000020", "\t|5"});

  EXPECT_EQ(frame, 8);
  for (const SinkEvent& e : sink_.of(SinkEvent::Present)) {
    EXPECT_EQ(e.area.left, 0);
    EXPECT_EQ(e.area.top, 0);
    EXPECT_EQ(e.area.right, 640);
    EXPECT_EQ(e.area.bottom, 480);
  }
  // The finished roll: everything 40 rows up, the picture upright, colour below it.
  for (int y = 0; y < 440; ++y)
    expectStartRow(y, y + 40);
  for (int y = 440; y < 480; ++y)
    expectBandRow(y, pic, y - 440, 317);
}

TEST_F(RollTest, FramesKeepTheIntervalWhateverDrawingTakes) {
  sink_.drawCost = 7;
  roll(0, 4, {folder_.add("a.bmp", Pattern(10, 8, 1)), "|12"}, 30);
  // 3 picture frames and 3 gap frames, each deadline from its frame's start.
  EXPECT_EQ(sink_.presentTimes(), (std::vector<std::uint32_t>{0, 30, 60, 90, 120, 150}));
  EXPECT_EQ(sink_.now - EffectsRecorder::kStart, 180u);
  EXPECT_TRUE(sink_.of(SinkEvent::Pause).empty());
}

TEST_F(RollTest, DownShowsThePictureFromItsBottomRowUp) {
  const Surface pic = Pattern(7, 10, 5);
  const std::vector<int> topBand = {6, 2, -2};  // picture row at band row 0: H - g - step
  int frame = 0;
  sink_.onPresent = [&](const Surface&) {
    for (int r = 0; r < 4; ++r)
      expectBandRow(r, pic, topBand[frame] + r, 316);
    ++frame;
  };
  roll(1, 4, {folder_.add("p.bmp", pic)});

  EXPECT_EQ(frame, 3);
  for (int y = 0; y < 12; ++y)
    expectBandRow(y, pic, y - 2, 316);
  for (int y = 12; y < 480; ++y)
    expectStartRow(y, y - 12);
}

struct PictureFrames {
  int kind, height, step, frames;
};

class PictureFrameCounts : public RollTest, public ::testing::WithParamInterface<PictureFrames> {};

// Up and split rolls run one frame past the picture's bottom (g <= H); the down roll stops
// at its top (g < H).
TEST_P(PictureFrameCounts, FollowTheKind) {
  const PictureFrames& c = GetParam();
  roll(c.kind, c.step, {folder_.add("p.bmp", Pattern(5, c.height, 1))}, 0);
  EXPECT_EQ(sink_.of(SinkEvent::Present).size(), static_cast<std::size_t>(c.frames));
}

INSTANTIATE_TEST_SUITE_P(Table, PictureFrameCounts,
                         ::testing::Values(PictureFrames{0, 8, 4, 3}, PictureFrames{1, 8, 4, 2},
                                           PictureFrames{4, 8, 4, 3}, PictureFrames{0, 10, 4, 3},
                                           PictureFrames{1, 10, 4, 3}, PictureFrames{1, 1, 4, 1},
                                           PictureFrames{0, 1, 1, 2}, PictureFrames{1, 1, 1, 1}));

TEST_F(RollTest, SplitRollsTheLeftHalfWithPicturesBesideIt) {
  const Surface pic = Pattern(10, 4, 2);
  const Surface side = Pattern(50, 30, 3);
  const std::string sideName = folder_.add("side.bmp", side);
  roll(4, 4, {"|8", "@" + sideName, folder_.add("pic.bmp", pic)});

  const std::vector<SinkEvent> presents = sink_.of(SinkEvent::Present);
  ASSERT_EQ(presents.size(), 5u);  // 2 gap frames, the side picture's frame, 2 picture frames
  EXPECT_EQ(presents[0].area.right, 320);
  EXPECT_EQ(presents[2].area.right, 370);  // the side picture joins the changed area
  EXPECT_EQ(presents[4].area.right, 320);
  for (int y = 0; y < 460; ++y)
    expectStartRow(y, y + 20, 0, 320);
  for (int y = 460; y < 472; ++y)
    expectBandRow(y, pic, -1, 155, 0, 320);
  for (int y = 472; y < 476; ++y)
    expectBandRow(y, pic, y - 472, 155, 0, 320);
  for (int y = 476; y < 480; ++y)
    expectBandRow(y, pic, -1, 155, 0, 320);
  for (int y = 0; y < 480; ++y) {
    for (int x = 320; x < 640; ++x) {
      const bool inSide = x < 370 && y >= 120 && y < 150;
      ASSERT_EQ(sink_.screen.at(x, y), inSide ? side.at(x - 320, y - 120) : start_.at(x, y))
          << x << "," << y;
    }
  }
}

TEST_F(RollTest, AtSignNamesAPlainPictureOutsideTheSplitKind) {
  const Surface atLogo = Pattern(20, 6, 6);
  const Surface logo = Pattern(12, 5, 7);
  folder_.add("@logo.bmp", atLogo);
  folder_.add("logo.bmp", logo);
  // A line that starts with "@" cannot carry the data-drive token, so the names are relative.
  struct InFolder {
    std::filesystem::path old = std::filesystem::current_path();
    explicit InFolder(const std::filesystem::path& dir) { std::filesystem::current_path(dir); }
    ~InFolder() { std::filesystem::current_path(old); }
  } inFolder(folder_.path());

  roll(0, 3, {"@logo.bmp"}, 0);
  EXPECT_EQ(sink_.of(SinkEvent::Present).size(), 3u);  // g = 0, 3, 6
  for (int y = 471; y < 480; ++y)
    expectBandRow(y, atLogo, y - 471, 310);

  sink_.screen = start_;
  roll(4, 3, {"@logo.bmp"}, 0);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 12; ++x)
      ASSERT_EQ(sink_.screen.at(320 + x, 120 + y), logo.at(x, y));
  }
}

TEST_F(RollTest, OtherKindsShowNothingAndReadNothing) {
  for (int kind : {2, 3, 5, -1, INT_MAX}) {
    sink_.down = true;
    EXPECT_NO_THROW(roll(kind, 4, {"missing.bmp", "|abc", "@x.bmp"})) << kind;
    EXPECT_TRUE(sink_.events.empty()) << kind;
    EXPECT_FALSE(sink_.down) << kind;
  }
  for (int y = 0; y < 480; ++y)
    expectStartRow(y, y);
}

struct GapCase {
  int kind;
  const char* line;
  int frames;  // at step 1; -1: the conversion fails
  const char* error = "";
};

class GapLines : public RollTest, public ::testing::WithParamInterface<GapCase> {};

TEST_P(GapLines, ReadTheirHeight) {
  const GapCase& c = GetParam();
  if (c.frames < 0) {
    try {
      roll(c.kind, 1, {c.line}, 0);
      FAIL() << "no error";
    } catch (const FrameworkError& e) {
      EXPECT_EQ(std::string(e.what()), c.error);
    }
    EXPECT_TRUE(sink_.events.empty());
    return;
  }
  roll(c.kind, 1, {c.line}, 0);
  EXPECT_EQ(sink_.of(SinkEvent::Present).size(), static_cast<std::size_t>(c.frames));
}

const std::string kLongGap = "|" + std::string(60, '0') + "8";

INSTANTIATE_TEST_SUITE_P(
    Table, GapLines,
    ::testing::Values(GapCase{0, "|000008", 8}, GapCase{0, "|0000081234", 8}, GapCase{0, "|8", 8},
                      GapCase{1, "|000003", 3}, GapCase{0, "|-00008", 0}, GapCase{0, "|0", 0},
                      GapCase{4, kLongGap.c_str(), 8}, GapCase{4, "|+3", 3},
                      GapCase{0, "|12a", -1, "'12a' is not a valid integer value"},
                      GapCase{0, "| 12", -1, "' 12' is not a valid integer value"},
                      GapCase{0, "|", -1, "'' is not a valid integer value"},
                      GapCase{4, "|99999999999", -1, "'99999999999' is not a valid integer value"},
                      // Kinds 0 and 1 read six characters only: a seventh digit is ignored.
                      GapCase{1, "|0000052", 5}));

TEST_F(RollTest, AMissingPictureEndsTheRollAfterWhatWentBefore) {
  sink_.down = true;
  EXPECT_THROW(roll(0, 4, {"|4", "%DATA_DRIVE%\\missing.bmp", "|4"}), FrameworkError);
  EXPECT_EQ(sink_.of(SinkEvent::Present).size(), 1u);
  EXPECT_FALSE(sink_.down);
  for (int y = 476; y < 480; ++y)
    expectBandRow(y, Surface(), -1, 0);
}

TEST_F(RollTest, AnUnknownExtensionRollsNothingRatherThanThePreviousPicture) {
  const Surface pic = Pattern(8, 4, 7);
  roll(0, 4, {folder_.add("a.bmp", pic), "notes.txt"}, 0);
  // 2 frames for the picture, then one of nothing for the unknown file.
  EXPECT_EQ(sink_.of(SinkEvent::Present).size(), 3u);
  for (int y = 472; y < 480; ++y)
    expectBandRow(y, pic, -1, 316);
  for (int y = 468; y < 472; ++y)
    expectBandRow(y, pic, y - 468, 316);
}

TEST_F(RollTest, HoldingAButtonRunsAtFullSpeedUntilItIsReleased) {
  sink_.drawCost = 1;
  sink_.input = {{100, true}, {110, false}};
  roll(0, 1, {"|40"}, 50, true);

  const std::vector<std::uint32_t> times = sink_.presentTimes();
  ASSERT_EQ(times.size(), 40u);
  std::vector<std::uint32_t> want = {0, 50, 100};
  // The frame drawn at 109 ends at 110 and takes in the release: it waits its interval.
  for (std::uint32_t t = 101; t < 110; ++t)
    want.push_back(t);
  while (want.size() < 40)
    want.push_back(want.back() + 50);
  EXPECT_EQ(times, want);
  EXPECT_FALSE(sink_.down || sink_.up);
}

TEST_F(RollTest, WithoutFastForwardAPressChangesNothingAndIsCleared) {
  sink_.input = {{100, true}};
  roll(0, 1, {"|10"}, 50, false);
  std::vector<std::uint32_t> want;
  for (std::uint32_t t = 0; t < 500; t += 50)
    want.push_back(t);
  EXPECT_EQ(sink_.presentTimes(), want);
  EXPECT_FALSE(sink_.down);
  EXPECT_GE(sink_.clears, 10);
  EXPECT_TRUE(sink_.of(SinkEvent::Pause).empty());
}

TEST_F(RollTest, AButtonHeldBeforeTheRollSkipsEveryWait) {
  sink_.down = true;
  roll(0, 2, {"|20", folder_.add("p.bmp", Pattern(4, 4, 1))}, 1000, true);
  EXPECT_EQ(sink_.of(SinkEvent::Present).size(), 13u);
  EXPECT_TRUE(sink_.of(SinkEvent::Round).empty());
  EXPECT_EQ(sink_.now, EffectsRecorder::kStart);
  EXPECT_FALSE(sink_.down);
}

TEST_F(RollTest, StepsBelowOneRollOneRow) {
  for (int step : {0, -5, INT_MIN}) {
    sink_.screen = start_;
    sink_.events.clear();
    roll(0, step, {"|3"}, 0);
    EXPECT_EQ(sink_.of(SinkEvent::Present).size(), 3u) << step;
    for (int y = 0; y < 477; y += 50)
      expectStartRow(y, y + 3);
  }
}

TEST_F(RollTest, AHugeStepCoversTheScreenInOneFrame) {
  const Surface pic = Pattern(30, 30, 9);
  for (int kind : {0, 1, 4}) {
    sink_.screen = start_;
    sink_.events.clear();
    roll(kind, INT_MAX, {"|10", folder_.add("p.bmp", pic)}, 0);
    EXPECT_EQ(sink_.of(SinkEvent::Present).size(), 2u) << kind;
    const int width = kind == 4 ? 320 : 640;
    for (int y = 0; y < 480; y += 7)
      expectBandRow(y, Surface(), -1, 0, 0, width);
  }
}

TEST_F(RollTest, GapHeightsAreBounded) {
  roll(4, 1000, {"|2147483647"}, 0);
  EXPECT_EQ(sink_.of(SinkEvent::Present).size(), 1000u);  // 999999 rows at 1000 a frame
}

struct ColorCase {
  const char* text;
  std::uint32_t pixel;
  const char* error = nullptr;
};

class RollColors : public ::testing::TestWithParam<ColorCase> {};

TEST_P(RollColors, ReadAsHexadecimal) {
  const ColorCase& c = GetParam();
  if (c.error == nullptr) {
    EXPECT_EQ(RollColorPixel(c.text), c.pixel);
    return;
  }
  try {
    RollColorPixel(c.text);
    FAIL() << "no error";
  } catch (const FrameworkError& e) {
    EXPECT_EQ(std::string(e.what()), c.error);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RollColors,
    ::testing::Values(ColorCase{"#FF8000", 0xFF8000}, ColorCase{"#0000ff", 0x0000FF},
                      ColorCase{"#12", 0x12}, ColorCase{"#", 0}, ColorCase{"", 0},
                      ColorCase{"#00000000FF", 0xFF}, ColorCase{"#FFABCDEF", 0xABCDEF},
                      ColorCase{"#1FFFFFFFF", 0, "'0x01FFFFFFFF' is not a valid integer value"},
                      ColorCase{"#GG0000", 0, "'0x0GG0000' is not a valid integer value"},
                      ColorCase{"# 00000", 0, "'0x0 00000' is not a valid integer value"}));

}  // namespace
}  // namespace qw
