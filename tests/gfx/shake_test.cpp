#include "gfx/shake.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "effects_fixture.h"

namespace qw {
namespace {

using testing::EffectsRecorder;
using testing::Pattern;
using testing::SinkEvent;

class ShakeTest : public ::testing::Test {
 protected:
  ShakeTest() { sink_.screen = start_; }

  void shake(int amplitude, int count, int delay, std::vector<std::int32_t> randoms = {}) {
    RandomSource random = [this, randoms]() {
      const std::int32_t v = calls_ < randoms.size() ? randoms[calls_] : 12345;
      ++calls_;
      return v;
    };
    RunShake(amplitude, count, delay, temp2_, sink_, random);
  }

  // The shown picture is the start picture moved by (dx, dy), black where it left.
  void expectMoved(const Surface& frame, int dx, int dy) const {
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x) {
        const int sx = x - dx, sy = y - dy;
        const bool inside = sx >= 0 && sx < 640 && sy >= 0 && sy < 480;
        ASSERT_EQ(frame.at(x, y), inside ? start_.at(sx, sy) : 0u)
            << x << "," << y << " moved " << dx << "," << dy;
      }
    }
  }

  Surface start_ = Pattern(640, 480, 3);
  EffectsRecorder sink_;
  Surface temp2_{8, 8};
  std::size_t calls_ = 0;
};

TEST_F(ShakeTest, AmplitudeZeroRedrawsTheUnmovedPictureCountPlusOneTimes) {
  int frames = 0;
  sink_.onPresent = [&](const Surface& shown) {
    expectMoved(shown, 0, 0);
    ++frames;
  };
  shake(0, 3, 40);
  EXPECT_EQ(frames, 4);
  EXPECT_EQ(calls_, 0u);
  const std::vector<SinkEvent> pauses = sink_.of(SinkEvent::Pause);
  ASSERT_EQ(pauses.size(), 4u);
  for (const SinkEvent& p : pauses)
    EXPECT_EQ(p.value, 40u);
  ASSERT_EQ(temp2_.width(), 640);
  ASSERT_EQ(temp2_.height(), 480);
  expectMoved(temp2_, 0, 0);
}

struct OffsetCase {
  int amplitude;
  std::vector<std::int32_t> randoms;
  std::vector<std::pair<int, int>> offsets;
};

class ShakeOffsets : public ShakeTest, public ::testing::WithParamInterface<OffsetCase> {};

TEST_P(ShakeOffsets, ComeFromTheRandomNumbers) {
  const OffsetCase& c = GetParam();
  std::vector<std::pair<int, int>> want = c.offsets;
  want.emplace_back(0, 0);
  std::size_t frame = 0;
  sink_.onPresent = [&](const Surface& shown) {
    ASSERT_LT(frame, want.size());
    expectMoved(shown, want[frame].first, want[frame].second);
    ++frame;
  };
  shake(c.amplitude, static_cast<int>(c.offsets.size()), 10, c.randoms);
  EXPECT_EQ(frame, want.size());
  EXPECT_EQ(calls_, c.randoms.size());
  for (const SinkEvent& e : sink_.of(SinkEvent::Present)) {
    EXPECT_EQ(e.area.right, 640);
    EXPECT_EQ(e.area.bottom, 480);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShakeOffsets,
    ::testing::Values(
        OffsetCase{16, {0, 31, 5, 16}, {{-16, 15}, {-11, 0}}}, OffsetCase{1, {7, 6}, {{0, -1}}},
        // (r mod 2a) - a keeps the sign of r: a negative amplitude shakes one way only.
        OffsetCase{-4, {0, 7}, {{4, 11}}}, OffsetCase{2000, {3999, 0}, {{1999, -2000}}}));

TEST_F(ShakeTest, CountsAndDelaysOutsideTheirRangeAreBounded) {
  shake(5, -7, -30);
  ASSERT_EQ(sink_.of(SinkEvent::Present).size(), 1u);
  EXPECT_EQ(sink_.of(SinkEvent::Pause)[0].value, 0u);
  expectMoved(sink_.screen, 0, 0);

  sink_.events.clear();
  shake(3, INT_MAX, 0);
  EXPECT_EQ(sink_.of(SinkEvent::Present).size(), static_cast<std::size_t>(kMaxShakeCount) + 1);
  expectMoved(sink_.screen, 0, 0);
}

TEST_F(ShakeTest, ExtremeAmplitudesShowABlackScreenAndEndOnThePicture) {
  for (int amplitude : {INT_MAX, INT_MIN}) {
    int frame = 0;
    sink_.onPresent = [&](const Surface& shown) {
      if (frame++ == 0) {
        for (int y = 0; y < 480; y += 9) {
          for (int x = 0; x < 640; x += 7)
            ASSERT_EQ(shown.at(x, y), 0u) << amplitude;
        }
      }
    };
    calls_ = 0;
    shake(amplitude, 1, 0, {INT_MAX, 0});
    EXPECT_EQ(frame, 2);
    expectMoved(sink_.screen, 0, 0);
  }
}

}  // namespace
}  // namespace qw
