// The decoding loop the sound and movie readers share.
#include <gtest/gtest.h>

#include <vector>

#include "media/ffmpeg_input.h"
#include "media_samples.h"

namespace qw {
namespace {

using testing::TempFolder;

std::vector<std::uint32_t> Colors(int n) {
  std::vector<std::uint32_t> colors;
  for (int i = 0; i < n; ++i)
    colors.push_back(static_cast<std::uint32_t>(i * 0x010203));
  return colors;
}

TEST(DecodedStream, GivesEveryFrameOfItsStreamThenEnds) {
  TempFolder folder;
  const auto path = folder.path() / "m.avi";
  testing::WriteAvi(path, Colors(4), 32, 32, 10, true, true);
  std::string error;
  AvFramePtr frame(av_frame_alloc());

  auto video = DecodedStream::Open(path, AVMEDIA_TYPE_VIDEO, error);
  ASSERT_TRUE(video) << error;
  EXPECT_EQ(video->stream().codecpar->codec_type, AVMEDIA_TYPE_VIDEO);
  int frames = 0;
  while (video->next(*frame))
    ++frames;
  EXPECT_EQ(frames, 4);
  EXPECT_TRUE(video->finished());
  EXPECT_FALSE(video->next(*frame));

  auto audio = DecodedStream::Open(path, AVMEDIA_TYPE_AUDIO, error);
  ASSERT_TRUE(audio) << error;
  std::int64_t samples = 0;
  while (audio->next(*frame))
    samples += frame->nb_samples;
  EXPECT_EQ(samples, 22050 * 4 / 10);
}

TEST(DecodedStream, FramesRejectedInARowEndTheStreamButGoodOnesBetweenDoNot) {
  TempFolder folder;
  const auto path = folder.path() / "m.avi";
  testing::WriteAvi(path, Colors(100), 16, 16, 25, false, true);
  std::string error;
  AvFramePtr frame(av_frame_alloc());

  auto rejecting = DecodedStream::Open(path, AVMEDIA_TYPE_VIDEO, error);
  ASSERT_TRUE(rejecting) << error;
  int taken = 0;
  while (rejecting->next(*frame)) {
    ++taken;
    rejecting->reject();
  }
  EXPECT_EQ(taken, DecodedStream::kMaxErrorsInRow + 1);

  auto mixed = DecodedStream::Open(path, AVMEDIA_TYPE_VIDEO, error);
  ASSERT_TRUE(mixed) << error;
  taken = 0;
  while (mixed->next(*frame)) {
    if (++taken % 10 != 0) mixed->reject();
  }
  EXPECT_EQ(taken, 100);
}

TEST(DecodedStream, SaysWhichStreamIsMissing) {
  TempFolder folder;
  std::string error;
  EXPECT_FALSE(DecodedStream::Open(folder.write("a.wav", testing::WavBytes(100)),
                                   AVMEDIA_TYPE_VIDEO, error));
  EXPECT_EQ(error, "no video stream");
  const auto avi = folder.path() / "m.avi";
  testing::WriteAvi(avi, Colors(2), 16, 16, 10, false, true);
  EXPECT_FALSE(DecodedStream::Open(avi, AVMEDIA_TYPE_AUDIO, error));
  EXPECT_EQ(error, "no sound stream");
  EXPECT_FALSE(DecodedStream::Open(folder.path() / "missing.avi", AVMEDIA_TYPE_VIDEO, error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace qw
