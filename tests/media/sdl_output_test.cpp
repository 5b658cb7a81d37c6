#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "media/clocked_output.h"
#include "media/media_channels.h"
#include "media/sdl_mixer_output.h"
#include "media_samples.h"

namespace qw {
namespace {

using testing::TempFolder;
using Clock = std::chrono::steady_clock;

// The engine thread's queue, as a host keeps it: tasks posted from the audio thread run when
// the test pumps.
class TaskQueue {
 public:
  void post(std::function<void()> task) {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  void run() {
    std::vector<std::function<void()>> tasks;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      tasks.swap(tasks_);
    }
    for (auto& t : tasks)
      t();
  }

 private:
  std::mutex mutex_;
  std::vector<std::function<void()>> tasks_;
};

// Pumps until `done` holds or five seconds pass.
bool PumpUntil(TaskQueue& queue, const std::function<bool()>& done) {
  const auto limit = Clock::now() + std::chrono::seconds(5);
  while (!done()) {
    if (Clock::now() > limit) return false;
    queue.run();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

struct Rendered {
  int peak = 0;
  std::int64_t loudFrames = 0;  // frames with a sample above a whisper
};

Rendered ReadRaw(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  Rendered r;
  for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
    int frameLoud = 0;
    for (std::size_t k = 0; k < 4; k += 2) {
      auto v = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[i + k]) |
                                         (static_cast<std::uint8_t>(bytes[i + k + 1]) << 8));
      r.peak = std::max(r.peak, std::abs(int{v}));
      frameLoud = std::max(frameLoud, std::abs(int{v}));
    }
    if (frameLoud > 200) ++r.loudFrames;
  }
  return r;
}

// SDL's "disk" driver writes what the device would play into a file, faster than real time.
class DiskOutputTest : public ::testing::Test {
 protected:
  DiskOutputTest() {
    raw_ = folder_.path() / "out.raw";
    setenv("SDL_DISKAUDIOFILE", raw_.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);
  }
  std::unique_ptr<SdlMixerOutput> MakeOutput(std::string driver = "disk") {
    SdlMixerOptions o;
    o.post = [this](std::function<void()> task) { queue_.post(std::move(task)); };
    o.driver = std::move(driver);
    return std::make_unique<SdlMixerOutput>(std::move(o));
  }

  TempFolder folder_;
  std::filesystem::path raw_;
  TaskQueue queue_;
};

TEST_F(DiskOutputTest, WavComesOutAsSound) {
  auto wav = folder_.write("tone.wav", testing::WavBytes(200, 22050, 1, 440, 8000));
  {
    auto out = MakeOutput();
    int ends = 0;
    out->setEndListener([&](AudioSlot) { ++ends; });
    ASSERT_TRUE(out->open(AudioSlot::Sound, wav));
    EXPECT_EQ(out->driverName(), "disk");
    EXPECT_EQ(out->lengthMs(AudioSlot::Sound), 200);
    ASSERT_TRUE(out->play(AudioSlot::Sound));
    ASSERT_TRUE(PumpUntil(queue_, [&] { return ends > 0; }));
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(out->sounding(AudioSlot::Sound));
  }
  Rendered r = ReadRaw(raw_);
  EXPECT_NEAR(r.peak, 8000, 100);
  EXPECT_NEAR(static_cast<double>(r.loudFrames), 0.2 * 44100, 0.03 * 44100);
}

TEST_F(DiskOutputTest, MidiPlaysThroughTheSoundFont) {
  auto mid = folder_.write(
      "a.mid",
      testing::MidiBytes(
          0, 480, {{testing::NoteOn(0, 60), testing::NoteOff(480, 60), testing::EndOfTrack()}}));
  {
    auto out = MakeOutput();
    bool ended = false;
    out->setEndListener([&](AudioSlot slot) { ended = slot == AudioSlot::Music; });
    ASSERT_TRUE(out->open(AudioSlot::Music, mid));
    EXPECT_FALSE(out->soundFont().empty());
    EXPECT_EQ(out->lengthMs(AudioSlot::Music), 500);
    ASSERT_TRUE(out->play(AudioSlot::Music));
    ASSERT_TRUE(PumpUntil(queue_, [&] { return ended; }));
  }
  Rendered r = ReadRaw(raw_);
  EXPECT_GT(r.peak, 1000);
  EXPECT_GT(r.loudFrames, 44100 / 10);
}

TEST_F(DiskOutputTest, ChannelsRepeatOnRealEnds) {
  folder_.write("cd/track03.ogg", "");
  testing::EncodeTone(folder_.path() / "cd" / "track03.ogg", "libvorbis", 150);
  folder_.write("se/hit.wav", testing::WavBytes(100));
  auto out = MakeOutput();
  AudioLog log;
  MediaOptions o;
  o.dataRoot = folder_.path().string();
  o.scriptDir = folder_.path();
  o.log = &log;
  MediaChannels channels(*out, o);
  channels.PlaySound("%DATA_DRIVE%\\se\\hit.wav", 3);
  channels.setMusicMode(4);
  channels.BgmPlay("03", 2);
  EXPECT_NEAR(channels.cd().length, 150, 5);
  ASSERT_TRUE(PumpUntil(queue_, [&] { return log.entries().size() == 7; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  queue_.run();
  EXPECT_EQ(log.entries().size(), 7u);  // 3 + 2 plays, 2 ends
  EXPECT_EQ(channels.sound().playCount, 3);
  EXPECT_EQ(channels.cd().playCount, 2);
  EXPECT_EQ(channels.cd().fileName, "3");
  EXPECT_EQ(channels.music().fileName, "03.cda");
}

TEST_F(DiskOutputTest, StopEndsPlayWithoutAnEnd) {
  auto wav = folder_.write("long.wav", testing::WavBytes(3000));
  auto out = MakeOutput();
  int ends = 0;
  out->setEndListener([&](AudioSlot) { ++ends; });
  ASSERT_TRUE(out->open(AudioSlot::Cd, wav));
  ASSERT_TRUE(out->play(AudioSlot::Cd, 0, 3000));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(out->stop(AudioSlot::Cd), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  queue_.run();
  out->deliverEnds();
  EXPECT_EQ(ends, 0);
  EXPECT_TRUE(out->isOpen(AudioSlot::Cd));
  // A section of the medium ends where it was asked to.
  ASSERT_TRUE(out->play(AudioSlot::Cd, 2900, 3000));
  EXPECT_TRUE(PumpUntil(queue_, [&] { return ends == 1; }));
}

TEST_F(DiskOutputTest, MovieSoundTrackGoesThroughTheSameMixer) {
  auto avi = folder_.path() / "m.avi";
  testing::WriteAvi(avi, {0xFF0000, 0x00FF00, 0x0000FF}, 32, 32, 10, true);
  {
    auto out = MakeOutput();
    bool ended = false;
    out->setEndListener([&](AudioSlot slot) { ended = slot == AudioSlot::Movie; });
    ASSERT_TRUE(out->open(AudioSlot::Movie, avi));
    EXPECT_EQ(out->lengthMs(AudioSlot::Movie), 300);
    ASSERT_TRUE(out->play(AudioSlot::Movie));
    ASSERT_TRUE(PumpUntil(queue_, [&] { return ended; }));
  }
  Rendered r = ReadRaw(raw_);
  EXPECT_GT(r.peak, 5000);
  EXPECT_NEAR(static_cast<double>(r.loudFrames), 0.3 * 44100, 0.03 * 44100);
}

TEST(SdlMixerOutput, WithoutASoundDeviceItRunsQuietlyOnTheDummyDriver) {
  TempFolder folder;
  auto wav = folder.write("a.wav", testing::WavBytes(100));
  SdlMixerOptions o;
  o.driver = "no-such-driver";
  SdlMixerOutput out(o);
  int ends = 0;
  out.setEndListener([&](AudioSlot) { ++ends; });
  ASSERT_TRUE(out.open(AudioSlot::Sound, wav));
  EXPECT_EQ(out.driverName(), "dummy");
  ASSERT_TRUE(out.play(AudioSlot::Sound));
  // Without a post callback the caller collects the ends itself.
  const auto limit = Clock::now() + std::chrono::seconds(5);
  while (ends == 0 && Clock::now() < limit) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    out.deliverEnds();
  }
  EXPECT_EQ(ends, 1);
}

TEST(SdlMixerOutput, OnlyOneAtATime) {
  SdlMixerOutput first(SdlMixerOptions{});
  EXPECT_THROW(SdlMixerOutput second(SdlMixerOptions{}), std::logic_error);
}

TEST(SdlMixerOutput, OpensWhatTheClockedOutputOpensAndTimesItAlike) {
  TempFolder folder;
  const std::vector<std::pair<std::string, std::string>> files = {
      {"a.wav", testing::WavBytes(250)},
      {"a.mid", testing::MidiBytes(
                    0, 480, {{testing::NoteOn(0), testing::NoteOff(720), testing::EndOfTrack()}})},
      {"empty.wav", ""},
      {"junk.mp3", std::string(3000, '\x55')},
      {"cut.mid", testing::MidiBytes(
                      0, 480, {{testing::NoteOn(0), testing::NoteOff(720), testing::EndOfTrack()}})
                      .substr(0, 20)},
      {"header.wav", testing::WavBytes(250).substr(0, 44)},
  };
  testing::EncodeTone(folder.path() / "a.flac", "flac", 120);
  testing::EncodeTone(folder.path() / "a.mp3", "libmp3lame", 400);
  std::vector<std::filesystem::path> paths = {folder.path() / "a.flac", folder.path() / "a.mp3",
                                              folder.path() / "missing.ogg"};
  for (const auto& [name, bytes] : files)
    paths.push_back(folder.write(name, bytes));

  SdlMixerOutput real(SdlMixerOptions{});
  ClockedOutput clocked([] { return 0u; });
  std::vector<std::string> music;
  std::vector<std::string> sound;
  for (const auto& path : paths) {
    for (AudioSlot slot : {AudioSlot::Music, AudioSlot::Sound}) {
      SCOPED_TRACE(path.filename().string() + (slot == AudioSlot::Music ? " music" : " sound"));
      bool opened = real.open(slot, path);
      EXPECT_EQ(opened, clocked.open(slot, path));
      EXPECT_EQ(real.lengthMs(slot), clocked.lengthMs(slot));
      if (opened) (slot == AudioSlot::Music ? music : sound).push_back(path.filename().string());
    }
  }
  EXPECT_EQ(music, (std::vector<std::string>{"a.flac", "a.mp3", "a.wav", "a.mid"}));
  EXPECT_EQ(sound, (std::vector<std::string>{"a.flac", "a.mp3", "a.wav"}));
}

}  // namespace
}  // namespace qw
