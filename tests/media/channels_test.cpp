#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_output.h"
#include "media/media_channels.h"
#include "media_samples.h"
#include "platform/errors.h"

namespace qw {
namespace {

using testing::FakeOutput;

class ChannelsTest : public ::testing::Test {
 protected:
  ChannelsTest() {
    folder_.write("cd/track05.ogg", "x");
    folder_.write("track07.wav", "x");
  }

  MediaChannels& channels() {
    if (!channels_) {
      MediaOptions o;
      o.dataRoot = folder_.path().string();
      o.scriptDir = folder_.path();
      o.musicEnabled = [this] { return musicOn_; };
      o.soundEnabled = [this] { return soundOn_; };
      o.log = &log_;
      channels_.emplace(out_, std::move(o));
    }
    return *channels_;
  }
  // The log as "channel event file" lines.
  std::vector<std::string> logLines() const {
    std::vector<std::string> lines;
    for (const auto& e : log_.entries())
      lines.push_back(e.channel + " " + e.event + " " + e.file);
    return lines;
  }

  testing::TempFolder folder_;
  FakeOutput out_;
  AudioLog log_{5000};
  bool musicOn_ = true;
  bool soundOn_ = true;
  std::optional<MediaChannels> channels_;
};

// ---- _bgmplay by mode ----

struct ModeCase {
  int mode;
  const char* recorded;  // the music record's file name after the command
  const char* opened;    // the file the output opened, "" for none
  AudioSlot slot;
};

void PrintTo(const ModeCase& c, std::ostream* os) {
  *os << "mode " << c.mode;
}

class BgmModeTest : public ChannelsTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(BgmModeTest, PlaysTheFileOfItsMode) {
  const ModeCase& c = GetParam();
  channels().setMusicMode(c.mode);
  channels().BgmPlay("%DATA_DRIVE%\\bgm\\05_title", 3);
  EXPECT_EQ(channels().music().fileName, c.recorded);
  if (std::string(c.opened).empty()) {
    EXPECT_TRUE(out_.calls.empty());
    EXPECT_EQ(channels().music().repeatCount, 0);
    return;
  }
  ASSERT_EQ(out_.ops("open"), std::vector<std::string>{c.opened});
  EXPECT_EQ(out_.calls.front().slot, c.slot);
  const TSoundChannel& rec = c.slot == AudioSlot::Cd ? channels().cd() : channels().music();
  EXPECT_TRUE(rec.playing);
  EXPECT_TRUE(rec.open);
  EXPECT_EQ(rec.playCount, 1);
  EXPECT_EQ(rec.repeatCount, 3);
  EXPECT_EQ(channels().music().repeatCount, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, BgmModeTest,
    ::testing::Values(
        ModeCase{-1, "", "", AudioSlot::Music},
        ModeCase{0, "%DATA_DRIVE%\\bgm\\05_title.mid", "05_title.mid", AudioSlot::Music},
        ModeCase{1, "%DATA_DRIVE%\\bgm\\05_title.mp3", "05_title.mp3", AudioSlot::Music},
        ModeCase{2, "%DATA_DRIVE%\\bgm\\05_title.mp3", "05_title.mp3", AudioSlot::Music},
        ModeCase{3, "%DATA_DRIVE%\\bgm\\05_title.wav", "05_title.wav", AudioSlot::Music},
        ModeCase{4, "%DATA_DRIVE%\\bgm\\05_title.cda", "track05.ogg", AudioSlot::Cd},
        ModeCase{7, "", "", AudioSlot::Music}));

TEST_F(ChannelsTest, CdModeTakesTrackFromTheFirstTwoCharactersOfTheFileName) {
  channels().setMusicMode(4);
  channels().BgmPlay("%DATA_DRIVE%\\bgm\\05_title", 0);
  const TSoundChannel& cd = channels().cd();
  EXPECT_EQ(cd.fileName, "5");
  EXPECT_EQ(cd.startPos, 0);
  EXPECT_EQ(cd.length, out_.lengthOfEach);
  ASSERT_EQ(out_.calls.back().op, "play");
  EXPECT_EQ(out_.calls.back().from, 0);
  EXPECT_EQ(out_.calls.back().to, out_.lengthOfEach);
  EXPECT_EQ(out_.calls.back().file, "track05.ogg");
}

TEST_F(ChannelsTest, CdModeWithANameThatIsNoNumberRaisesAfterRecordingIt) {
  channels().setMusicMode(0);
  channels().BgmPlay("opening", 0);
  channels().setMusicMode(4);
  try {
    channels().BgmPlay("ab_theme", 0);
    FAIL() << "no exception";
  } catch (const FrameworkError& e) {
    EXPECT_STREQ(e.what(), "'ab' is not a valid integer value");
  }
  EXPECT_EQ(channels().music().fileName, "ab_theme.cda");
  EXPECT_FALSE(channels().music().playing);
  EXPECT_FALSE(out_.isOpen(AudioSlot::Music));
}

TEST_F(ChannelsTest, CdTrackFilesAreFoundInCdThenBesideTheScripts) {
  channels().PlayCdTrack(7, 1);
  EXPECT_EQ(out_.ops("open"), std::vector<std::string>{"track07.wav"});
  EXPECT_TRUE(channels().cd().playing);
  // No file for track 9: the channel stays closed and silent.
  channels().PlayCdTrack(9, 1);
  EXPECT_FALSE(channels().cd().open);
  EXPECT_FALSE(channels().cd().playing);
  EXPECT_EQ(channels().cd().fileName, "9");
  EXPECT_FALSE(out_.sounding(AudioSlot::Cd));
}

// ---- ".mp3" on the music channel in modes 1 and 2 ----

TEST_F(ChannelsTest, Mp3InModeOneGoesThroughThePlayerAndInModeTwoThroughTheMp3Route) {
  // The routes differ in what a stop reports: the player returns its error code, the MP3
  // route always 0; and in what a failed open leaves: the MP3 route zeroes the play count.
  for (int mode : {1, 2}) {
    SCOPED_TRACE(mode);
    channels_.reset();
    out_ = FakeOutput{};
    channels().setMusicMode(mode);
    channels().PlayMusic("%DATA_DRIVE%\\a.mp3", 0);
    ASSERT_TRUE(channels().music().playing);
    out_.closeError = 263;
    EXPECT_EQ(channels().StopMusic(), mode == 1 ? 263 : 0);
    out_ = FakeOutput{};
    channels_.reset();
    channels().setMusicMode(mode);
    channels().channel(SoundChannelId::Music).playCount = 4;
    channels().PlayMusic("%DATA_DRIVE%\\bad.mp3", 0);
    EXPECT_FALSE(channels().music().playing);
    EXPECT_FALSE(channels().music().open);
    EXPECT_EQ(channels().music().playCount, mode == 1 ? 4 : 0);
  }
}

TEST_F(ChannelsTest, OtherExtensionsInModeTwoUseThePlayer) {
  channels().setMusicMode(2);
  channels().PlayMusic("a.mid", 0);
  out_.closeError = 5;
  EXPECT_EQ(channels().StopMusic(), 5);
}

// ---- Repeats on the end of play ----

struct RepeatCase {
  int repeat;
  int ends;        // ends the output reports
  int plays;       // plays expected
  bool endLogged;  // whether the last end was the channel's end
};

void PrintTo(const RepeatCase& c, std::ostream* os) {
  *os << "repeat " << c.repeat << ", " << c.ends << " ends";
}

class RepeatTest : public ChannelsTest, public ::testing::WithParamInterface<RepeatCase> {};

TEST_P(RepeatTest, PlaysAgainUntilTheRepeatCount) {
  const RepeatCase& c = GetParam();
  for (SoundChannelId id : {SoundChannelId::Music, SoundChannelId::Sound, SoundChannelId::Cd}) {
    SCOPED_TRACE(static_cast<int>(id));
    out_ = FakeOutput{};
    log_.clear();
    channels_.reset();
    AudioSlot slot = id == SoundChannelId::Music   ? AudioSlot::Music
                     : id == SoundChannelId::Sound ? AudioSlot::Sound
                                                   : AudioSlot::Cd;
    if (id == SoundChannelId::Music) channels().PlayMusic("m.mid", c.repeat);
    if (id == SoundChannelId::Sound) channels().PlaySound("s.wav", c.repeat);
    if (id == SoundChannelId::Cd) channels().PlayCdTrack(5, c.repeat);
    for (int i = 0; i < c.ends; ++i) {
      out_.time += 1500;
      out_.end(slot);
    }
    EXPECT_EQ(static_cast<int>(out_.ops("play").size()), c.plays);
    EXPECT_EQ(channels().channel(id).playCount, c.plays);
    // The last play's end leaves the channel marked as playing, with its device open.
    EXPECT_TRUE(channels().channel(id).playing);
    ASSERT_FALSE(log_.entries().empty());
    EXPECT_EQ(log_.entries().back().event == "end", c.endLogged);
    if (id == SoundChannelId::Cd) {
      for (const auto& call : out_.calls) {
        if (call.op == "play") {
          EXPECT_EQ(call.to, out_.lengthOfEach);
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Counts, RepeatTest,
                         ::testing::Values(RepeatCase{1, 1, 1, true}, RepeatCase{3, 3, 3, true},
                                           RepeatCase{3, 2, 3, false}, RepeatCase{0, 5, 6, false}));

TEST_F(ChannelsTest, AnEndAfterAStopRestartsNothing) {
  channels().PlaySound("s.wav", 0);
  channels().StopSound();
  out_.end(AudioSlot::Sound);
  EXPECT_EQ(out_.ops("play").size(), 1u);
  EXPECT_FALSE(channels().sound().playing);
}

TEST_F(ChannelsTest, LogListsPlaysRepeatsEndsAndStopsWithTheirTimes) {
  channels().setMusicMode(0);
  channels().BgmPlay("bgm01", 2);
  out_.time += 1500;
  out_.end(AudioSlot::Music);
  out_.time += 1500;
  out_.end(AudioSlot::Music);
  channels().PlaySound("hit.wav", 0);
  out_.time += 200;
  channels().StopSound();
  channels().StopSound();  // nothing sounds any more: no second entry
  const std::vector<std::string> want = {"music play bgm01.mid", "music play bgm01.mid",
                                         "music end bgm01.mid", "sound play hit.wav",
                                         "sound stop hit.wav"};
  EXPECT_EQ(logLines(), want);
  ASSERT_EQ(log_.entries().size(), 5u);
  EXPECT_EQ(log_.entries()[0].ms, 0u);
  EXPECT_EQ(log_.entries()[1].ms, 1500u);
  EXPECT_EQ(log_.entries()[2].ms, 3000u);
  EXPECT_EQ(log_.entries()[4].ms, 3200u);
}

// ---- Stops and their error codes ----

TEST_F(ChannelsTest, StopOfAClosedChannelSucceedsWithoutTouchingTheRecord) {
  channels().channel(SoundChannelId::Sound).playing = true;
  EXPECT_EQ(channels().StopSound(), 0);
  EXPECT_TRUE(channels().sound().playing);
  EXPECT_TRUE(out_.calls.empty());
}

TEST_F(ChannelsTest, StopClosesAndReportsTheCloseError) {
  channels().PlaySound("s.wav", 0);
  EXPECT_EQ(channels().StopSound(), 0);
  EXPECT_FALSE(channels().sound().open);
  EXPECT_FALSE(channels().sound().playing);
  EXPECT_EQ(channels().sound().playCount, 0);

  channels().PlaySound("s.wav", 0);
  out_.closeError = 263;
  EXPECT_EQ(channels().StopSound(), 263);
  EXPECT_TRUE(channels().sound().open);  // closing failed
  EXPECT_FALSE(channels().sound().playing);
  EXPECT_EQ(channels().sound().playCount, 0);
}

TEST_F(ChannelsTest, PlayAfterAFailedStopRecordsTheNameAndPlaysNothing) {
  channels().PlaySound("first.wav", 0);
  out_.closeError = 263;
  out_.calls.clear();
  channels().PlaySound("second.wav", 0);
  EXPECT_EQ(channels().sound().fileName, "second.wav");
  EXPECT_TRUE(out_.ops("open").empty());
  EXPECT_TRUE(out_.ops("play").empty());

  channels().PlayCdTrack(5, 0);
  out_.calls.clear();
  channels().PlayCdTrack(7, 0);
  EXPECT_EQ(channels().cd().fileName, "7");
  EXPECT_TRUE(out_.ops("open").empty());
}

TEST_F(ChannelsTest, BgmStopStopsTheCdOnlyInCdMode) {
  channels().setMusicMode(0);
  channels().BgmPlay("m", 0);
  channels().PlayCdTrack(5, 0);
  channels().BgmStop();
  EXPECT_FALSE(channels().music().playing);
  EXPECT_TRUE(channels().cd().playing);
  channels().setMusicMode(4);
  channels().BgmStop();
  EXPECT_FALSE(channels().cd().playing);
}

// ---- Menu switches and pending plays ----

TEST_F(ChannelsTest, PlayWhileTheSwitchIsOffRecordsAndSetsPending) {
  musicOn_ = false;
  channels().setMusicMode(0);
  channels().BgmPlay("theme", 0);
  EXPECT_EQ(channels().music().fileName, "theme.mid");
  EXPECT_TRUE(channels().music().pending);
  EXPECT_FALSE(channels().music().playing);
  EXPECT_FALSE(channels().music().open);
  EXPECT_TRUE(out_.calls.empty());

  musicOn_ = true;
  channels().MusicSwitchedOn();
  EXPECT_EQ(out_.ops("play"), std::vector<std::string>{"theme.mid"});
  EXPECT_TRUE(channels().music().playing);
  EXPECT_FALSE(channels().music().pending);
}

struct PendingCase {
  const char* what;
  int repeat;
  bool starts;
};

void PrintTo(const PendingCase& c, std::ostream* os) {
  *os << c.what << " repeat " << c.repeat;
}

class PendingTest : public ChannelsTest, public ::testing::WithParamInterface<PendingCase> {};

TEST_P(PendingTest, SwitchingOnStartsOnlyEndlessMusic) {
  const PendingCase& c = GetParam();
  musicOn_ = false;
  soundOn_ = false;
  std::string what = c.what;
  if (what == "midi") channels().PlayMusic("m.mid", c.repeat);
  if (what == "mp3") {
    channels().setMusicMode(2);
    channels().PlayMusic("m.mp3", c.repeat);
  }
  if (what == "cd") channels().PlayCdTrack(5, c.repeat);
  if (what == "sound") channels().PlaySound("s.wav", c.repeat);
  EXPECT_TRUE(out_.calls.empty());
  musicOn_ = soundOn_ = true;
  if (what == "sound") {
    channels().SoundSwitchedOn();
  } else {
    channels().MusicSwitchedOn();
  }
  EXPECT_EQ(out_.ops("play").size(), c.starts ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PendingTest,
    ::testing::Values(PendingCase{"midi", 0, true}, PendingCase{"midi", 1, false},
                      PendingCase{"mp3", 0, true}, PendingCase{"mp3", 2, false},
                      PendingCase{"cd", 0, true}, PendingCase{"cd", 1, false},
                      PendingCase{"sound", 0, true}, PendingCase{"sound", 3, false}));

TEST_F(ChannelsTest, MusicSwitchOffStopsBothAndRestartsTheEndlessOnesWhenOn) {
  channels().PlayMusic("loop.mid", 0);
  channels().PlayCdTrack(5, 2);
  EXPECT_TRUE(channels().MusicSwitchedOff());
  EXPECT_FALSE(channels().music().playing);
  EXPECT_FALSE(channels().cd().playing);
  EXPECT_FALSE(out_.sounding(AudioSlot::Music));
  EXPECT_FALSE(out_.sounding(AudioSlot::Cd));
  out_.calls.clear();
  channels().MusicSwitchedOn();
  // The CD track repeated twice, not endlessly: it stays off.
  EXPECT_EQ(out_.ops("play"), std::vector<std::string>{"loop.mid"});
}

TEST_F(ChannelsTest, MusicSwitchOffFailsWhenAStopFails) {
  channels().PlayMusic("loop.mid", 0);
  out_.closeError = 263;
  EXPECT_FALSE(channels().MusicSwitchedOff());
}

TEST_F(ChannelsTest, SoundSwitchRestartsAnEndlessEffect) {
  channels().PlaySound("rain.wav", 0);
  channels().SoundSwitchedOff();
  EXPECT_FALSE(out_.sounding(AudioSlot::Sound));
  out_.calls.clear();
  channels().SoundSwitchedOn();
  EXPECT_EQ(out_.ops("play"), std::vector<std::string>{"rain.wav"});
}

TEST_F(ChannelsTest, RestartEndlessMusicPlaysOnlyEndlessChannelsAgain) {
  channels().PlayMusic("loop.mid", 0);
  channels().PlayCdTrack(5, 3);
  out_.calls.clear();
  channels().RestartEndlessMusic();
  EXPECT_EQ(out_.ops("play"), std::vector<std::string>{"loop.mid"});
  EXPECT_EQ(channels().music().playCount, 1);
}

TEST_F(ChannelsTest, RestoredRecordsDoNotKeepAPlayerOnTheWrongFile) {
  channels().PlaySound("old.wav", 1);
  out_.end(AudioSlot::Sound);
  // A load restores records that say the channel is not playing but leaves the device open.
  channels().channel(SoundChannelId::Sound).playing = false;
  out_.calls.clear();
  channels().PlaySound("new.wav", 1);
  EXPECT_EQ(out_.ops("open"), std::vector<std::string>{"new.wav"});
  EXPECT_EQ(out_.ops("play"), std::vector<std::string>{"new.wav"});
}

TEST_F(ChannelsTest, StopAllAlsoEndsMp3MusicLeftFromAnotherMode) {
  channels().setMusicMode(2);
  channels().PlayMusic("a.mp3", 0);
  channels().setMusicMode(0);
  // The mode-0 stop finds its player closed and reports success, leaving the MP3 alone.
  EXPECT_EQ(channels().StopMusic(), 0);
  EXPECT_TRUE(out_.sounding(AudioSlot::Music));
  channels().StopAll();
  EXPECT_FALSE(out_.isOpen(AudioSlot::Music));
  EXPECT_FALSE(channels().music().open);
  EXPECT_FALSE(channels().music().playing);
}

TEST_F(ChannelsTest, Mp3TimingWritesTheOptionBlock) {
  channels().SetMp3Timing(7);
  EXPECT_EQ(channels().mp3Options(), (std::array<std::int32_t, 4>{30, 10, 7, 0}));
}

// ---- Simple sound ----

TEST_F(ChannelsTest, SimpleSoundPlaysOnceAndEndsTheSoundBefore) {
  auto length = channels().PlaySimpleSound(SimpleSoundKind::Voice, "v1.wav");
  ASSERT_TRUE(length);
  EXPECT_EQ(*length, out_.lengthOfEach);
  channels().PlaySimpleSound(SimpleSoundKind::Click, "click.wav");
  out_.end(AudioSlot::Simple);
  EXPECT_FALSE(channels().PlaySimpleSound(SimpleSoundKind::Voice, "bad.wav"));
  channels().PlaySimpleSound(SimpleSoundKind::Voice, "v2.wav");
  EXPECT_FALSE(channels().PlaySimpleSound(SimpleSoundKind::Voice, ""));
  const std::vector<std::string> want = {"voice play v1.wav",    "voice stop v1.wav",
                                         "click play click.wav", "click end click.wav",
                                         "voice play v2.wav",    "voice stop v2.wav"};
  EXPECT_EQ(logLines(), want);
  // The simple sound leaves the channel records alone.
  EXPECT_EQ(channels().sound().fileName, "");
}

}  // namespace
}  // namespace qw
