#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "media/clocked_output.h"
#include "media/movie.h"
#include "media_samples.h"

namespace qw {
namespace {

using testing::TempFolder;

constexpr std::uint32_t kBackground = 0x00123456;
const std::vector<std::uint32_t> kColors = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

::testing::AssertionResult NearColor(std::uint32_t got, std::uint32_t want) {
  if ((got >> 24) != 0)
    return ::testing::AssertionFailure() << std::hex << got << " has a fourth byte";
  for (int shift : {0, 8, 16}) {
    int a = static_cast<int>((got >> shift) & 0xFF);
    int b = static_cast<int>((want >> shift) & 0xFF);
    if (std::abs(a - b) > 12) {
      return ::testing::AssertionFailure() << std::hex << got << ", want " << want;
    }
  }
  return ::testing::AssertionSuccess();
}

class MovieTest : public ::testing::Test {
 protected:
  MovieTest() {
    avi_ = folder_.path() / "movie.avi";
    testing::WriteAvi(avi_, kColors, 64, 48, 10, true);
  }
  TempFolder folder_;
  std::filesystem::path avi_;
};

TEST_F(MovieTest, AviDecodesToItsFramesAtTheirTimes) {
  std::string error;
  auto movie = MovieDecoder::Open(avi_, error);
  ASSERT_TRUE(movie) << error;
  EXPECT_EQ(movie->width(), 64);
  EXPECT_EQ(movie->height(), 48);
  EXPECT_DOUBLE_EQ(movie->frameRate(), 10);
  EXPECT_EQ(movie->durationMs(), 400);
  const IntRect dest = MoviePlayback::DisplayRect(100, 50, 128, 96);
  for (std::size_t i = 0; i < kColors.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(movie->nextFrameTime(), std::optional<std::int32_t>(static_cast<int>(i) * 100));
    movie->advance();
    Surface window(640, 480, kBackground);
    movie->drawCurrent(window, dest);
    EXPECT_TRUE(NearColor(window.at(100, 50), kColors[i]));
    EXPECT_TRUE(NearColor(window.at(164, 98), kColors[i]));
    EXPECT_TRUE(NearColor(window.at(227, 145), kColors[i]));
    EXPECT_EQ(window.at(99, 50), kBackground);
    EXPECT_EQ(window.at(228, 100), kBackground);
    EXPECT_EQ(window.at(150, 146), kBackground);
  }
  EXPECT_FALSE(movie->nextFrameTime());
}

TEST_F(MovieTest, PlaybackDrawsFramesWhenTheClockReachesThem) {
  std::uint32_t clock = 10'000'000;
  ClockedOutput audio([&] { return clock; });
  std::string error;
  const IntRect dest = MoviePlayback::DisplayRect(0, 0, 640, 480);
  auto play = MoviePlayback::Open(avi_, dest, &audio, error);
  ASSERT_TRUE(play) << error;
  Surface window(640, 480, kBackground);
  play->start(clock);
  EXPECT_TRUE(audio.sounding(AudioSlot::Movie));
  EXPECT_EQ(audio.lengthMs(AudioSlot::Movie), 400);

  struct Step {
    std::uint32_t at;
    bool drawn;
    std::uint32_t color;
  };
  for (const Step& step : {Step{0, true, kColors[0]}, Step{50, false, kColors[0]},
                           Step{100, true, kColors[1]}, Step{350, true, kColors[3]}}) {
    SCOPED_TRACE(step.at);
    EXPECT_FALSE(play->finished(clock));
    clock = 10'000'000 + step.at;
    IntRect area = play->update(window, clock);
    EXPECT_EQ(!area.empty(), step.drawn);
    if (step.drawn) {
      EXPECT_EQ(area.left, 0);
      EXPECT_EQ(area.right, 640);
      EXPECT_EQ(area.bottom, 480);
    }
    EXPECT_TRUE(NearColor(window.at(320, 240), step.color));
  }
  EXPECT_EQ(play->nextDeadline(), 10'000'400u);
  EXPECT_FALSE(play->finished(10'000'399));
  EXPECT_TRUE(play->finished(10'000'400));
  play.reset();
  EXPECT_FALSE(audio.isOpen(AudioSlot::Movie));
}

TEST_F(MovieTest, ARectanglePastTheWindowIsCut) {
  std::string error;
  std::uint32_t clock = 0;
  auto play =
      MoviePlayback::Open(avi_, MoviePlayback::DisplayRect(600, 440, 128, 96), nullptr, error);
  ASSERT_TRUE(play) << error;
  Surface window(640, 480, kBackground);
  play->start(clock);
  IntRect area = play->update(window, clock);
  EXPECT_EQ(area.left, 600);
  EXPECT_EQ(area.top, 440);
  EXPECT_EQ(area.right, 640);
  EXPECT_EQ(area.bottom, 480);
  EXPECT_TRUE(NearColor(window.at(639, 479), kColors[0]));
  EXPECT_EQ(window.at(599, 479), kBackground);
  // A rectangle wholly outside, or absurdly large, draws nothing.
  Surface untouched(640, 480, kBackground);
  auto far =
      MoviePlayback::Open(avi_, MoviePlayback::DisplayRect(-900, 0, 100, 100), nullptr, error);
  far->start(0);
  EXPECT_TRUE(far->update(untouched, 0).empty());
  auto huge =
      MoviePlayback::Open(avi_, MoviePlayback::DisplayRect(0, 0, 100000, 100000), nullptr, error);
  huge->start(0);
  huge->update(untouched, 0);
  EXPECT_EQ(untouched.at(0, 0), kBackground);
}

TEST_F(MovieTest, UnsupportedCodecFailsToOpenWithAReason) {
  std::string bytes = ReadAll(avi_);
  for (std::size_t at = bytes.find("MJPG"); at != std::string::npos; at = bytes.find("MJPG"))
    bytes.replace(at, 4, "QWZZ");
  auto path = folder_.write("odd.avi", bytes);
  std::string error;
  EXPECT_FALSE(MovieDecoder::Open(path, error));
  EXPECT_NE(error.find("QWZZ"), std::string::npos) << error;
  error.clear();
  EXPECT_FALSE(MoviePlayback::Open(path, {0, 0, 640, 480}, nullptr, error));
  EXPECT_FALSE(error.empty());
}

TEST_F(MovieTest, AHugeStatedPictureIsRefused) {
  // Uncompressed frames take their size from the file's header alone.
  testing::WriteAvi(avi_, kColors, 64, 48, 10, false, true);
  std::string error;
  ASSERT_TRUE(MovieDecoder::Open(avi_, error)) << error;
  std::string bytes = ReadAll(avi_);
  std::size_t strf = bytes.find("strf");
  ASSERT_NE(strf, std::string::npos);
  for (std::size_t field : {strf + 12, strf + 16}) {  // biWidth, biHeight
    bytes[field] = 0x60;
    bytes[field + 1] = static_cast<char>(0xEA);
    bytes[field + 2] = 0;
    bytes[field + 3] = 0;
  }
  auto path = folder_.write("huge.avi", bytes);

  EXPECT_FALSE(MovieDecoder::Open(path, error));
  EXPECT_FALSE(error.empty());
}

TEST_F(MovieTest, BrokenFilesFailOrPlayWhatTheyHold) {
  const std::string bytes = ReadAll(avi_);
  std::mt19937 rng(3);
  std::string noise(30000, '\0');
  for (char& c : noise)
    c = static_cast<char>(rng());
  std::string damaged = bytes;
  for (int i = 0; i < 200; ++i)
    damaged[1000 + rng() % (damaged.size() - 1000)] = static_cast<char>(rng());
  struct BadFile {
    const char* name;
    std::string bytes;
    int opens;  // 1 yes, 0 no, -1 either
  };
  const std::vector<BadFile> files = {
      {"empty.avi", "", 0},
      {"noise.avi", noise, 0},
      {"header.avi", bytes.substr(0, 300), 0},
      {"half.avi", bytes.substr(0, bytes.size() / 2), 1},
      {"damaged.avi", damaged, -1},
      {"sound.avi", testing::WavBytes(300), 0},
  };
  for (const BadFile& file : files) {
    SCOPED_TRACE(file.name);
    auto path = folder_.write(file.name, file.bytes);
    std::string error;
    std::uint32_t clock = 0;
    ClockedOutput audio([&] { return clock; });
    auto play = MoviePlayback::Open(path, {0, 0, 640, 480}, &audio, error);
    if (file.opens >= 0) {
      EXPECT_EQ(play != nullptr, file.opens == 1) << error;
    }
    if (!play) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    Surface window(640, 480);
    play->start(clock);
    int steps = 0;
    while (!play->finished(clock) && ++steps < 1000) {
      clock = play->nextDeadline();
      play->update(window, clock);
    }
    EXPECT_LT(steps, 1000);
    EXPECT_LE(play->lengthMs(), 1500);
  }
  std::string error;
  EXPECT_FALSE(MovieDecoder::Open(folder_.path() / "missing.avi", error));
}

}  // namespace
}  // namespace qw
