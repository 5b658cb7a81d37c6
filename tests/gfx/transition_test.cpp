#include "gfx/transition.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qw {
namespace {

constexpr std::uint32_t kRed = 0x00FF0000;

// Every pixel of every picture differs: the picture's id in bits 20..23, then y and x.
Surface Picture(std::uint32_t id, int width = 640, int height = 480) {
  Surface s(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      s.at(x, y) =
          (id << 20) | (static_cast<std::uint32_t>(y) << 10) | static_cast<std::uint32_t>(x);
    }
  }
  return s;
}

void FillRect(Surface& s, IntRect r, std::uint32_t value) {
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x)
      s.at(x, y) = value;
  }
}

// Keeps the pauses and checks at each one that every pixel changed since the previous pause
// lies in an area presented meanwhile.
class RecordingSink : public FrameSink {
 public:
  explicit RecordingSink(Surface start) : shown_(std::move(start)), last_(shown_) {}
  Surface& shown() override { return shown_; }
  void present(const IntRect& area) override {
    presented_.push_back(area);
    ++presents;
  }
  void pause(std::uint32_t ms) override {
    pauses.push_back(ms);
    for (int y = 0; y < shown_.height(); ++y) {
      for (int x = 0; x < shown_.width(); ++x) {
        if (shown_.at(x, y) == last_.at(x, y)) continue;
        bool inside = false;
        for (const IntRect& r : presented_) {
          inside = inside || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
        }
        unpresented += inside ? 0 : 1;
      }
    }
    presented_.clear();
    if (onFrame) onFrame(static_cast<int>(pauses.size()) - 1, shown_);
    last_ = shown_;
  }

  std::function<void(int step, const Surface& frame)> onFrame;
  std::vector<std::uint32_t> pauses;
  long unpresented = 0;
  int presents = 0;

 private:
  Surface shown_;
  Surface last_;
  std::vector<IntRect> presented_;
};

// The window shows picture 1; VRAM holds the previous frame, picture 3; composing gives
// picture 2. TEXT has a red square at (100, 200).
struct Scene {
  Surface vram = Picture(3);
  Surface temp1;
  Surface temp2{32, 32};
  Surface text{640, 480, 0};
  Surface textMask{640, 480, 0x00FFFFFF};
  RecordingSink sink{Picture(1)};
  int composes = 0;

  Scene() {
    FillRect(text, {100, 200, 110, 210}, kRed);
    FillRect(textMask, {100, 200, 110, 210}, 0);
  }
  TransitionBuffers buffers(bool textVisible) {
    return {vram, temp1, temp2, text, textMask, textVisible};
  }
  std::function<void()> compose() {
    return [this] {
      ++composes;
      vram = Picture(2);
    };
  }
  TransitionOutcome run(TransitionKind kind, bool textVisible) {
    TransitionBuffers b = buffers(textVisible);
    return RunTransitionSteps(kind, b, compose(), sink);
  }
};

std::vector<TransitionKind> Kinds(TransitionKind first, TransitionKind last) {
  std::vector<TransitionKind> kinds;
  for (int k = static_cast<int>(first); k <= static_cast<int>(last); ++k) {
    kinds.push_back(static_cast<TransitionKind>(k));
  }
  return kinds;
}
std::vector<TransitionKind> AllKinds() {
  return Kinds(TransitionKind::Tile0, TransitionKind::Blend0);
}

std::string KindName(const ::testing::TestParamInfo<TransitionKind>& info) {
  return std::string(TransitionName(info.param));
}

// ---- names ----

TEST(TransitionName, FollowsTheNameRule) {
  const struct {
    std::string nameText;
    std::optional<TransitionKind> want;
  } cases[] = {
      {"#TILE0", TransitionKind::Tile0},
      {"xTILE0", TransitionKind::Tile0},
      {"#tile0", std::nullopt},
      {"TILE0", std::nullopt},
      {"", std::nullopt},
      {"#", std::nullopt},
      {"#TILE0 ", std::nullopt},
      {"##TILE0", std::nullopt},
      {"#TSCROLL3", TransitionKind::TScroll3},
      {"#BLEND0", TransitionKind::Blend0},
      {"#TILEH", std::nullopt},
      {"#WIPE4", std::nullopt},
      {std::string("#LINE1\0", 7), std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParseTransitionName(c.nameText), c.want) << c.nameText;
  for (TransitionKind kind : AllKinds()) {
    EXPECT_EQ(ParseTransitionName("#" + std::string(TransitionName(kind))), kind);
  }
}

TEST(Transition, UnknownNameLeavesTheScreenAlone) {
  for (const char* nameText : {"#tile0", "", "#SCROLL"}) {
    Scene s;
    TransitionBuffers b = s.buffers(true);
    const TransitionOutcome out = RunNamedTransition(nameText, b, s.compose(), s.sink);
    EXPECT_FALSE(out.ran);
    EXPECT_EQ(s.composes, 0);
    EXPECT_EQ(s.sink.presents, 0);
    EXPECT_TRUE(s.sink.pauses.empty());
    EXPECT_EQ(s.sink.shown().at(5, 5), Picture(1).at(5, 5));
    EXPECT_EQ(s.temp2.width(), 640);  // the shared preparation runs all the same
    EXPECT_EQ(s.temp2.height(), 480);
  }
  Scene s;
  TransitionBuffers b = s.buffers(true);
  EXPECT_TRUE(RunNamedTransition("xTILE0", b, s.compose(), s.sink).ran);
  EXPECT_EQ(s.sink.pauses, std::vector<std::uint32_t>(8, 5));
}

// ---- every transition: steps, pauses, the final frame ----

struct Expectation {
  int steps;
  std::uint32_t pauseMs;
  bool clearsTexturedText;
  bool bakesText;  // VRAM ends with the text laid in
};

Expectation Expected(TransitionKind kind) {
  const std::string name(TransitionName(kind));
  const auto is = [&](const char* prefix) { return name.rfind(prefix, 0) == 0; };
  const char variant = name.back();
  if (is("TILEH")) return {8, 0, true, true};
  if (is("TILE")) return {8, 5, true, true};
  if (name == "PAT0") return {8, 3, true, true};
  if (name == "PAT1" || name == "PAT2") return {16, 1, true, true};
  if (name == "PAT3") return {8, 4, false, true};
  if (name == "PAT4") return {8, 1, false, true};
  if (is("WIPE")) return {variant < '2' ? 36 : 32, 10, false, true};
  if (is("SCROLL") || is("TSCROLL")) {
    return {variant < '2' ? 44 : 42, variant < '2' ? 1u : 5u, false, is("T")};
  }
  if (is("SLIDE") || is("TSLIDE")) return {variant < '2' ? 34 : 42, 10, false, is("T")};
  if (name == "LINE0") return {240, 4, false, true};
  if (name == "LINE1") return {110, 2, false, true};
  return {17, 2, false, true};  // BLEND0
}

class EveryTransition : public ::testing::TestWithParam<TransitionKind> {};

TEST_P(EveryTransition, RunsItsStepsAndEndsOnTheNewFrameWithText) {
  const Expectation want = Expected(GetParam());
  Scene s;
  const TransitionOutcome out = s.run(GetParam(), true);
  EXPECT_TRUE(out.ran);
  EXPECT_EQ(out.clearTexturedText, want.clearsTexturedText);
  EXPECT_EQ(s.composes, 1);
  EXPECT_EQ(s.sink.pauses, std::vector<std::uint32_t>(want.steps, want.pauseMs));
  EXPECT_EQ(s.sink.unpresented, 0) << "pixels changed outside the presented areas";

  Surface frame = Picture(2);
  FillRect(frame, {100, 200, 110, 210}, kRed);
  long wrong = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x)
      wrong += s.sink.shown().at(x, y) != frame.at(x, y);
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(s.vram.at(105, 205) == kRed, want.bakesText);
}

TEST_P(EveryTransition, CopesWithBuffersOfTheWrongSize) {
  Scene s;
  s.vram = Picture(3, 100, 50);
  s.text = Surface();
  s.temp1 = Surface(7, 3);
  s.temp2 = Surface();
  TransitionBuffers b = s.buffers(true);
  RunTransitionSteps(
      GetParam(), b, [&] { s.vram = Picture(2, 700, 20); }, s.sink);
  EXPECT_EQ(static_cast<int>(s.sink.pauses.size()), Expected(GetParam()).steps);
  EXPECT_EQ(s.sink.unpresented, 0);
}

INSTANTIATE_TEST_SUITE_P(All, EveryTransition, ::testing::ValuesIn(AllKinds()), KindName);

// ---- which pixels turn at which step ----

// The pattern table written out again, cells as (row, column).
constexpr int kPattern[4][8][2][2] = {
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
int PatternStep(int variant, int row, int column) {
  for (int step = 0; step < 8; ++step) {
    for (const auto& cell : kPattern[variant][step]) {
      if (cell[0] == row && cell[1] == column) return step;
    }
  }
  return -1;
}

// The step (from 0) at whose pause pixel (x, y) first shows the new picture, worked out
// backwards from each family's selection rule.
int TurnStep(TransitionKind kind, int x, int y) {
  const std::string name(TransitionName(kind));
  const int v = name.back() - '0';
  const int diag8 = (8 - (x + y) % 8) % 8;
  if (name.rfind("TILE", 0) == 0) return PatternStep(v, y % 4, x % 4);
  if (name == "PAT0") return diag8;
  if (name == "PAT1") return diag8 >= x % 8 ? diag8 : 15 - diag8;
  if (name == "PAT2") return y % 2 == 0 ? (x + y) % 16 : (16 - (x + 479 - y) % 16) % 16;
  if (name == "PAT3") return PatternStep(0, y / 8 % 4, x / 8 % 4);
  if (name == "PAT4") return (8 - (x / 8 + y / 8) % 8) % 8;
  if (name.rfind("WIPE", 0) == 0) {
    const int p = v == 0 ? x : v == 1 ? 639 - x : v == 2 ? y : 479 - y;
    return p / 40 + p % 40 / 2 + 1;
  }
  if (name == "LINE0") return y % 4 < 2 ? y / 4 : (478 - (y & ~1)) / 4;
  const int c = y % 16 < 8 ? x / 8 : 79 - x / 8;  // LINE1
  return y / 16 + c + 1;
}

class Selection : public ::testing::TestWithParam<TransitionKind> {};

TEST_P(Selection, EachPixelTurnsAtItsStep) {
  std::vector<int> turn(640 * 480);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x)
      turn[y * 640 + x] = TurnStep(GetParam(), x, y);
  }
  const Surface oldPicture = Picture(1), newPicture = Picture(2);
  Scene s;
  long wrong = 0;
  s.sink.onFrame = [&](int step, const Surface& frame) {
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x) {
        const Surface& want = turn[y * 640 + x] <= step ? newPicture : oldPicture;
        wrong += frame.at(x, y) != want.at(x, y);
      }
    }
  };
  s.run(GetParam(), false);
  EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Families, Selection,
                         ::testing::Values(TransitionKind::Tile0, TransitionKind::Tile1,
                                           TransitionKind::Tile2, TransitionKind::Tile3,
                                           TransitionKind::TileH2, TransitionKind::Pat0,
                                           TransitionKind::Pat1, TransitionKind::Pat2,
                                           TransitionKind::Pat3, TransitionKind::Pat4,
                                           TransitionKind::Wipe0, TransitionKind::Wipe1,
                                           TransitionKind::Wipe2, TransitionKind::Wipe3,
                                           TransitionKind::Line0, TransitionKind::Line1),
                         KindName);

// ---- push and cover ----

// Positions worked out by hand from the speed rule (T 325 / L 640, T 240 / L 480).
const std::vector<int> kAcross = {0,   1,   3,   6,   10,  15,  21,  28,  36,  45,  55,
                                  66,  78,  91,  105, 120, 136, 153, 171, 190, 210, 231,
                                  253, 276, 300, 325, 351, 376, 400, 423, 445, 466, 486,
                                  505, 523, 540, 556, 571, 585, 598, 610, 621, 631, 640};
const std::vector<int> kAcrossFast = {0,   2,   6,   12,  20,  30,  42,  56,  72,  90,  110, 132,
                                      156, 182, 210, 240, 272, 306, 342, 376, 408, 438, 466, 492,
                                      516, 538, 558, 576, 592, 606, 618, 628, 636, 640};
const std::vector<int> kDown = {0,   1,   3,   6,   10,  15,  21,  28,  36,  45,  55,
                                66,  78,  91,  105, 120, 136, 153, 171, 190, 210, 231,
                                253, 274, 294, 313, 331, 348, 364, 379, 393, 406, 418,
                                429, 439, 448, 456, 463, 469, 474, 478, 480};

class Movement : public ::testing::TestWithParam<TransitionKind> {};

TEST_P(Movement, FollowsTheSpeedRule) {
  const std::string name(TransitionName(GetParam()));
  const int dir = name.back() - '0';
  const bool cover = name.find("SLIDE") != std::string::npos;
  const bool textMoves = name[0] == 'T';
  const std::vector<int>& positions = dir >= 2 ? kDown : cover ? kAcrossFast : kAcross;
  // The plain pushes move the previous frame, the others the shown picture.
  const Surface before = Picture(1), old = textMoves || cover ? Picture(1) : Picture(3);
  const Surface next = Picture(2);
  Scene s;
  long wrong = 0;
  s.sink.onFrame = [&](int step, const Surface& frame) {
    if (step >= static_cast<int>(positions.size())) return;
    const int b = positions[step];
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x) {
        // Where (x, y) lies in the moving pictures; the new one follows the old at +-L.
        const int ox = dir == 0 ? x + b : dir == 1 ? x - b : x;
        const int oy = dir == 2 ? y + b : dir == 3 ? y - b : y;
        std::uint32_t want;
        if (ox >= 0 && ox < 640 && oy >= 0 && oy < 480) {
          want = cover ? before.at(x, y) : old.at(ox, oy);
        } else {
          want = next.at((ox + 640) % 640, (oy + 480) % 480);
        }
        wrong += frame.at(x, y) != want;
      }
    }
  };
  s.run(GetParam(), false);
  EXPECT_EQ(s.sink.pauses.size(), positions.size());
  EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(PushAndCover, Movement,
                         ::testing::ValuesIn(Kinds(TransitionKind::Scroll0,
                                                   TransitionKind::TSlide3)),
                         KindName);

TEST(Transition, Scroll0StartsOnTheOldPictureAloneAndEndsOnTheNewOne) {
  Scene s;
  std::vector<Surface> frames;
  s.sink.onFrame = [&](int, const Surface& frame) { frames.push_back(frame); };
  s.run(TransitionKind::Scroll0, false);
  ASSERT_GE(frames.size(), 2u);
  EXPECT_EQ(0, std::memcmp(frames.front().data(), Picture(3).data(), 640 * 480 * 4));
  EXPECT_EQ(0, std::memcmp(frames.back().data(), Picture(2).data(), 640 * 480 * 4));
}

// Red pixels of a frame, as the top-left corners of the 10 x 10 squares they form.
std::vector<std::pair<int, int>> RedSquares(const Surface& frame) {
  std::vector<std::pair<int, int>> corners;
  int red = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      if (frame.at(x, y) != kRed) continue;
      ++red;
      if ((x == 0 || frame.at(x - 1, y) != kRed) && (y == 0 || frame.at(x, y - 1) != kRed)) {
        corners.emplace_back(x, y);
      }
    }
  }
  return red == 100 * static_cast<int>(corners.size()) ? corners : decltype(corners){};
}

TEST(Transition, Scroll0KeepsTheTextStillWhileTScroll0MovesIt) {
  using Squares = std::vector<std::pair<int, int>>;
  for (const TransitionKind kind : {TransitionKind::Scroll0, TransitionKind::TScroll0}) {
    Scene s;
    FillRect(s.sink.shown(), {300, 200, 310, 210}, kRed);  // the old text on the window
    std::vector<Squares> seen;
    s.sink.onFrame = [&](int, const Surface& frame) { seen.push_back(RedSquares(frame)); };
    s.run(kind, true);
    ASSERT_EQ(seen.size(), kAcross.size());
    if (kind == TransitionKind::Scroll0) {
      for (const Squares& squares : seen)
        EXPECT_EQ(squares, (Squares{{100, 200}}));
    } else {
      EXPECT_EQ(seen[0], (Squares{{300, 200}}));
      EXPECT_EQ(seen[24], (Squares{{0, 200}, {440, 200}}));  // b = 300
      EXPECT_EQ(seen[30], (Squares{{100 + 640 - 445, 200}}));
      EXPECT_EQ(seen.back(), (Squares{{100, 200}}));
    }
  }
}

// A step that draws the pictures and lays the text in one pass shows the same frames as the
// two passes taken when a text buffer is a row short.
TEST(Transition, MovingUnderTheTextGivesTheSameFramesEitherWay) {
  const auto frames = [](TransitionKind kind, int textHeight) {
    Scene s;
    s.text = Surface(640, textHeight, 0);
    s.textMask = Surface(640, textHeight, 0x00FFFFFF);
    FillRect(s.text, {630, 0, 640, 20}, kRed);
    FillRect(s.textMask, {630, 0, 640, 20}, 0x00FF00FF);  // some of the picture shows through
    // Rows with no text: under one mask value, under two, and a row whose text is all but 0.
    FillRect(s.textMask, {0, 100, 640, 104}, 0x000F0F0F);
    FillRect(s.textMask, {0, 200, 320, 204}, 0x00F0F0F0);
    FillRect(s.text, {639, 300, 640, 301}, 0x00000001);
    FillRect(s.sink.shown(), {0, 470, 10, 480}, kRed);
    std::vector<std::uint64_t> sums;
    s.sink.onFrame = [&](int, const Surface& frame) {
      std::uint64_t sum = 0;
      for (int k = 0; k < 640 * 480; ++k)
        sum = sum * 1099511628211u + frame.data()[k];
      sums.push_back(sum);
    };
    s.run(kind, true);
    return sums;
  };
  for (TransitionKind kind :
       {TransitionKind::Scroll0, TransitionKind::Scroll1, TransitionKind::Scroll3,
        TransitionKind::Slide0, TransitionKind::Slide1, TransitionKind::Slide2}) {
    EXPECT_EQ(frames(kind, 480), frames(kind, 479)) << TransitionName(kind);
  }
}

// ---- cross-fade ----

TEST(Transition, Blend0FadesChannelByChannel) {
  Scene s;
  s.sink.shown().fill(0xAA10F0FF);
  std::vector<std::uint32_t> seen;
  s.sink.onFrame = [&](int, const Surface& frame) { seen.push_back(frame.at(320, 240)); };
  TransitionBuffers b = s.buffers(false);
  RunTransitionSteps(
      TransitionKind::Blend0, b, [&] { s.vram.fill(0x55F0100F); }, s.sink);
  ASSERT_EQ(seen.size(), 17u);
  EXPECT_EQ(seen[0], 0x0010F0FFu);   // the old picture, fourth byte cleared
  EXPECT_EQ(seen[1], 0x001EE2F0u);   // (new + old * 15) >> 4
  EXPECT_EQ(seen[8], 0x00808087u);   // (new * 8 + old * 8) >> 4
  EXPECT_EQ(seen[16], 0x00F0100Fu);  // the new one
  EXPECT_EQ(s.temp1.width(), 640);
  EXPECT_EQ(s.temp1.at(639, 479), 0x00F0100Fu);
}

}  // namespace
}  // namespace qw
