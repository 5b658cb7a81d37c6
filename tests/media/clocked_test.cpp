#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/clocked_output.h"
#include "media/media_channels.h"
#include "media_samples.h"

namespace qw {
namespace {

using testing::TempFolder;

// The headless arrangement: channels over a ClockedOutput on a virtual clock.
class ClockedTest : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kStart = 10'000'000;

  ClockedTest() : out_([this] { return clock_; }), channels_(out_, Options()) {
    folder_.write("se/hit.wav", testing::WavBytes(200));
    folder_.write("bgm/loop.mid", testing::MidiBytes(0, 480,
                                                     {{testing::NoteOn(0), testing::NoteOff(480),
                                                       testing::EndOfTrack()}}));  // 500 ms
    folder_.write("cd/track02.wav", testing::WavBytes(300));
  }

  MediaOptions Options() {
    MediaOptions o;
    o.dataRoot = folder_.path().string();
    o.scriptDir = folder_.path();
    o.log = &log_;
    return o;
  }

  // Runs the clock as the headless host does: to each deadline in turn, up to `until`.
  void RunUntil(std::uint32_t until) {
    while (auto next = out_.nextDeadline()) {
      if (static_cast<std::int32_t>(*next - until) > 0) break;
      clock_ = *next;
      out_.advance();
    }
    clock_ = until;
    out_.advance();
  }

  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    for (const auto& e : log_.entries()) {
      lines.push_back(std::to_string(e.ms) + " " + e.channel + " " + e.event + " " + e.file);
    }
    return lines;
  }

  TempFolder folder_;
  std::uint32_t clock_ = kStart;
  AudioLog log_{kStart};
  ClockedOutput out_;
  MediaChannels channels_;
};

TEST_F(ClockedTest, RepeatedWavPlaysAtEachEndAndEndsOnce) {
  channels_.PlaySound("%DATA_DRIVE%\\se\\hit.wav", 3);
  RunUntil(kStart + 5000);
  const std::vector<std::string> want = {
      "0 sound play %DATA_DRIVE%\\se\\hit.wav", "200 sound play %DATA_DRIVE%\\se\\hit.wav",
      "400 sound play %DATA_DRIVE%\\se\\hit.wav", "600 sound end %DATA_DRIVE%\\se\\hit.wav"};
  EXPECT_EQ(LogLines(), want);
  EXPECT_EQ(channels_.sound().playCount, 3);
  EXPECT_FALSE(out_.nextDeadline());
}

TEST_F(ClockedTest, ACallerThatComesLateGetsTheSameTimes) {
  channels_.PlaySound("%DATA_DRIVE%\\se\\hit.wav", 3);
  clock_ = kStart + 5000;
  out_.advance();
  ASSERT_EQ(log_.entries().size(), 4u);
  EXPECT_EQ(log_.entries()[1].ms, 200u);
  EXPECT_EQ(log_.entries()[2].ms, 400u);
  EXPECT_EQ(log_.entries()[3].ms, 600u);
}

TEST_F(ClockedTest, EndlessMidiLoopsOnItsTempoMapLength) {
  channels_.setMusicMode(0);
  channels_.BgmPlay("%DATA_DRIVE%\\bgm\\loop", 0);
  RunUntil(kStart + 1600);
  EXPECT_EQ(channels_.music().playCount, 4);  // at 0, 500, 1000, 1500
  EXPECT_EQ(log_.entries().back().ms, 1500u);
  ASSERT_TRUE(out_.nextDeadline());
  EXPECT_EQ(*out_.nextDeadline(), kStart + 2000);
  EXPECT_EQ(channels_.StopMusic(), 0);
  EXPECT_FALSE(out_.nextDeadline());
  EXPECT_EQ(LogLines().back(), "1600 music stop %DATA_DRIVE%\\bgm\\loop.mid");
}

TEST_F(ClockedTest, ChannelsEndInTimeOrder) {
  channels_.PlayCdTrack(2, 2);  // 300 ms twice
  clock_ += 100;
  channels_.PlaySound("%DATA_DRIVE%\\se\\hit.wav", 1);  // 100..300
  RunUntil(kStart + 1000);
  const std::vector<std::string> want = {"0 cd play 2", "100 sound play %DATA_DRIVE%\\se\\hit.wav",
                                         "300 sound end %DATA_DRIVE%\\se\\hit.wav", "300 cd play 2",
                                         "600 cd end 2"};
  EXPECT_EQ(LogLines(), want);
  EXPECT_EQ(channels_.cd().length, 300);
}

TEST_F(ClockedTest, UnplayableFilesLeaveTheChannelClosedAndSilent) {
  folder_.write("bad.wav", "RIFF junk");
  folder_.write("empty.mid", "");
  channels_.PlaySound("%DATA_DRIVE%\\bad.wav", 0);
  channels_.PlayMusic("%DATA_DRIVE%\\empty.mid", 0);
  channels_.PlayMusic("%DATA_DRIVE%\\missing.mid", 0);
  channels_.PlayCdTrack(9, 0);
  // MIDI plays on the music channel only.
  channels_.PlaySound("%DATA_DRIVE%\\bgm\\loop.mid", 0);
  for (SoundChannelId id : {SoundChannelId::Music, SoundChannelId::Sound, SoundChannelId::Cd}) {
    EXPECT_FALSE(channels_.channel(id).open);
    EXPECT_FALSE(channels_.channel(id).playing);
  }
  EXPECT_FALSE(out_.nextDeadline());
  EXPECT_TRUE(log_.entries().empty());
}

TEST_F(ClockedTest, SimpleSoundReportsItsLengthForASynchronousWait) {
  auto length = channels_.PlaySimpleSound(SimpleSoundKind::Click, "%DATA_DRIVE%\\se\\hit.wav");
  ASSERT_TRUE(length);
  EXPECT_EQ(*length, 200);
  EXPECT_EQ(*out_.nextDeadline(), kStart + 200);
  RunUntil(kStart + 200);
  EXPECT_EQ(LogLines().back(), "200 click end %DATA_DRIVE%\\se\\hit.wav");
}

TEST(ClockedOutput, DeadlinesSurviveTheTickCountWrapping) {
  TempFolder folder;
  auto shortWav = folder.write("a.wav", testing::WavBytes(200));
  auto longWav = folder.write("b.wav", testing::WavBytes(400));
  std::uint32_t clock = 0xFFFFFF00u;  // 256 ms before the wrap
  ClockedOutput out([&] { return clock; });
  std::vector<std::pair<AudioSlot, std::uint32_t>> ends;
  out.setEndListener([&](AudioSlot s) { ends.emplace_back(s, out.now()); });
  ASSERT_TRUE(out.open(AudioSlot::Sound, longWav));
  ASSERT_TRUE(out.open(AudioSlot::Simple, shortWav));
  out.play(AudioSlot::Sound);
  out.play(AudioSlot::Simple);
  EXPECT_EQ(*out.nextDeadline(), 0xFFFFFF00u + 200);
  clock = 0xFFFFFF00u + 1000;
  out.advance();
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_EQ(ends[0], std::make_pair(AudioSlot::Simple, 0xFFFFFF00u + 200));
  EXPECT_EQ(ends[1], std::make_pair(AudioSlot::Sound, 0xFFFFFF00u + 400));
}

TEST(ClockedOutput, PlaysASectionAndNeverAnEmptyOne) {
  TempFolder folder;
  auto wav = folder.write("a.wav", testing::WavBytes(1000));
  std::uint32_t clock = 0;
  ClockedOutput out([&] { return clock; });
  ASSERT_TRUE(out.open(AudioSlot::Cd, wav));
  EXPECT_EQ(out.lengthMs(AudioSlot::Cd), 1000);
  out.play(AudioSlot::Cd, 250, 700);
  EXPECT_EQ(*out.nextDeadline(), 450u);
  out.play(AudioSlot::Cd, 500, 500);
  EXPECT_EQ(*out.nextDeadline(), 1u);
  out.play(AudioSlot::Cd, 800, 5000);
  EXPECT_EQ(*out.nextDeadline(), 200u);
  out.stop(AudioSlot::Cd);
  EXPECT_FALSE(out.nextDeadline());
  EXPECT_TRUE(out.isOpen(AudioSlot::Cd));
}

TEST(AudioLogBound, EntriesAndFileNamesStayBounded) {
  AudioLog log(100);
  // A double-byte character across the bound goes whole.
  std::string name(AudioLog::kMaxFileBytes - 1, 'a');
  name += "\x90\xaf";
  log.record(150, "music", "play", name);
  ASSERT_EQ(log.entries().size(), 1u);
  EXPECT_EQ(log.entries()[0].ms, 50u);
  EXPECT_EQ(log.entries()[0].file, std::string(AudioLog::kMaxFileBytes - 1, 'a'));
  for (std::size_t i = 0; i < AudioLog::kMaxEntries + 5; ++i)
    log.record(200, "sound", "play", "se.wav");
  EXPECT_EQ(log.entries().size(), AudioLog::kMaxEntries);
}

}  // namespace
}  // namespace qw
