#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "media/audio_decoder.h"
#include "media/cd_tracks.h"
#include "media/media_file.h"
#include "media/soundfont.h"
#include "media_samples.h"

namespace qw {
namespace {

using testing::TempFolder;

struct Decoded {
  std::int64_t frames = 0;
  int peak = 0;
};

Decoded DecodeAll(AudioDecoder& d) {
  Decoded out;
  std::vector<std::int16_t> buf(4096 * static_cast<std::size_t>(d.channels()));
  while (int n = d.read(buf.data(), 4096)) {
    out.frames += n;
    for (int i = 0; i < n * d.channels(); ++i)
      out.peak = std::max(out.peak, std::abs(int{buf[static_cast<std::size_t>(i)]}));
  }
  return out;
}

// ---- Formats ----

struct FormatCase {
  const char* file;
  const char* codec;  // "" for a WAV written by hand
  int ms;
  int tolerance;  // encoders pad their last frame
};

void PrintTo(const FormatCase& c, std::ostream* os) {
  *os << c.file;
}

class Formats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(Formats, DecodeToTheirLengthAndSound) {
  const FormatCase& c = GetParam();
  TempFolder folder;
  std::filesystem::path path = folder.path() / c.file;
  if (std::string(c.codec).empty()) {
    folder.write(c.file, testing::WavBytes(c.ms));
  } else {
    testing::EncodeTone(path, c.codec, c.ms);
  }
  std::string error;
  auto d = AudioDecoder::Open(path, error);
  ASSERT_TRUE(d) << error;
  EXPECT_NEAR(d->durationMs(), c.ms, c.tolerance);
  Decoded got = DecodeAll(*d);
  EXPECT_NEAR(static_cast<double>(got.frames), c.ms * 44.1, c.tolerance * 44.1);
  // What plays lasts as long as the length a headless run times it by.
  EXPECT_NEAR(static_cast<double>(got.frames), d->durationMs() * 44.1, 5 * 44.1);
  EXPECT_GT(got.peak, 4000);
  EXPECT_TRUE(d->ended());

  ProbeResult probe = ProbeMedium(path);
  ASSERT_TRUE(probe.info) << probe.error;
  EXPECT_EQ(probe.info->kind, MediumKind::Sampled);
  EXPECT_EQ(probe.info->lengthMs, d->durationMs());
}

INSTANTIATE_TEST_SUITE_P(Sound, Formats,
                         ::testing::Values(FormatCase{"a.wav", "", 200, 0},
                                           FormatCase{"a.flac", "flac", 300, 1},
                                           FormatCase{"a.ogg", "libvorbis", 300, 30},
                                           FormatCase{"a.mp3", "libmp3lame", 300, 60}));

TEST(AudioDecoder, MonoPlaysAtFullLevelOnBothSides) {
  TempFolder folder;
  auto path = folder.write("m.wav", testing::WavBytes(100, 22050, 1, 440, 8000));
  std::string error;
  auto d = AudioDecoder::Open(path, error);
  ASSERT_TRUE(d) << error;
  EXPECT_NEAR(DecodeAll(*d).peak, 8000, 40);
}

TEST(AudioDecoder, SkipStartsLater) {
  TempFolder folder;
  auto path = folder.write("a.wav", testing::WavBytes(500));
  std::string error;
  auto d = AudioDecoder::Open(path, error);
  ASSERT_TRUE(d);
  EXPECT_TRUE(d->skip(44100 / 5));
  EXPECT_NEAR(static_cast<double>(DecodeAll(*d).frames), 44100 * 0.3, 50);
  EXPECT_FALSE(d->skip(1));
}

TEST(AudioDecoder, TruncatedWavPlaysWhatItHas) {
  TempFolder folder;
  std::string wav = testing::WavBytes(1000);
  auto path = folder.write("cut.wav", wav.substr(0, wav.size() / 2));
  std::string error;
  auto d = AudioDecoder::Open(path, error);
  ASSERT_TRUE(d) << error;
  EXPECT_NEAR(d->durationMs(), 500, 2);
  EXPECT_NEAR(static_cast<double>(DecodeAll(*d).frames), 44100 * 0.5, 100);
}

// ---- Files that cannot be played ----

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s)
    c = static_cast<char>(rng());
  return s;
}

TEST(ProbeMedium, BadFilesFailCleanly) {
  TempFolder folder;
  std::string wav = testing::WavBytes(300);
  std::filesystem::path ogg = folder.path() / "good.ogg";
  testing::EncodeTone(ogg, "libvorbis", 500);
  std::string oggBytes = *[&] {
    std::ifstream in(ogg, std::ios::binary);
    return std::optional<std::string>(std::string(std::istreambuf_iterator<char>(in), {}));
  }();
  const std::vector<std::pair<std::string, std::string>> files = {
      {"empty.wav", ""},
      {"empty.mid", ""},
      {"header.wav", wav.substr(0, 44)},
      {"half-header.wav", wav.substr(0, 30)},
      {"noise.wav", RandomBytes(20000, 1)},
      {"noise.mp3", RandomBytes(20000, 2)},
      {"noise.ogg", RandomBytes(20000, 3)},
      {"noise.mid", "MThd" + RandomBytes(2000, 4)},
      {"cut.ogg", oggBytes.substr(0, 120)},
      {"text.mp3", "not music at all\n"},
      {"playlist.mp3", "#EXTM3U\n#EXTINF:1,\nfile:/etc/passwd\n"},
      {"list.wav", "ffconcat version 1.0\nfile '/etc/passwd'\n"},
  };
  for (const auto& [name, bytes] : files) {
    auto path = folder.write(name, bytes);
    ProbeResult r = ProbeMedium(path);
    EXPECT_FALSE(r.info) << name;
    EXPECT_FALSE(r.error.empty()) << name;
  }
  EXPECT_FALSE(ProbeMedium(folder.path() / "missing.wav").info);
  EXPECT_FALSE(ProbeMedium(folder.path()).info);
}

TEST(ProbeMedium, ATwoGigabyteFileIsRefusedWithoutReadingIt) {
  TempFolder folder;
  auto path = folder.write("huge.wav", testing::WavBytes(100));
  ASSERT_EQ(truncate(path.c_str(), std::int64_t{2} << 30), 0);
  ProbeResult r = ProbeMedium(path);
  EXPECT_FALSE(r.info);
  EXPECT_EQ(r.error, "file too large");
  auto mid = folder.write(
      "huge.mid",
      testing::MidiBytes(0, 480,
                         {{testing::NoteOn(0), testing::NoteOff(480), testing::EndOfTrack()}}));
  ASSERT_EQ(truncate(mid.c_str(), std::int64_t{2} << 30), 0);
  EXPECT_FALSE(ProbeMedium(mid).info);
}

TEST(ProbeMedium, MidiIsTimedByItsTempoMap) {
  TempFolder folder;
  auto path =
      folder.write("a.mid", testing::MidiBytes(0, 480,
                                               {{testing::Tempo(0, 250000), testing::NoteOn(0),
                                                 testing::NoteOff(1920), testing::EndOfTrack()}}));
  ProbeResult r = ProbeMedium(path);
  ASSERT_TRUE(r.info) << r.error;
  EXPECT_EQ(r.info->kind, MediumKind::Midi);
  EXPECT_EQ(r.info->lengthMs, 1000);
  // A file of nothing but its end has no sound to time.
  auto silent = folder.write("silent.mid", testing::MidiBytes(0, 480, {{testing::EndOfTrack()}}));
  EXPECT_FALSE(ProbeMedium(silent).info);
}

// ---- CD track files ----

TEST(CdTracks, FoundByNumberExtensionOrderAndPlace) {
  TempFolder data;
  TempFolder scripts;
  data.write("CD/Track05.OGG", "x");
  data.write("CD/track05.wav", "x");
  scripts.write("cd/track06.flac", "x");
  scripts.write("track07.mp3", "x");
  scripts.write("cd/track07.wav", "x");
  EXPECT_EQ(FindCdTrackFile(5, data.path(), scripts.path()).filename(), "Track05.OGG");
  EXPECT_EQ(FindCdTrackFile(6, data.path(), scripts.path()).filename(), "track06.flac");
  EXPECT_EQ(FindCdTrackFile(7, data.path(), scripts.path()), scripts.path() / "cd" / "track07.wav");
  EXPECT_TRUE(FindCdTrackFile(8, data.path(), scripts.path()).empty());
  EXPECT_TRUE(FindCdTrackFile(0, data.path(), scripts.path()).empty());
  EXPECT_TRUE(FindCdTrackFile(100, data.path(), scripts.path()).empty());
}

TEST(CdTracks, TrackTextIsTheFirstTwoBytesOfTheFileName) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"%DATA_DRIVE%\\bgm\\05_title", "05"},
      {"12", "12"},
      {"7", "7"},
      {"bgm/3a", "3a"},
      {"c:09", "09"},
      {"", ""},
      // 0x5C is the trail byte of a double-byte character here, not a separator.
      {"\x95\x5C"
       "12",
       "\x95\x5C"},
      {"dir\\\x95\x5C"
       "12",
       "\x95\x5C"},
  };
  for (const auto& [name, want] : cases)
    EXPECT_EQ(CdTrackText(name), want) << name;
}

// ---- Soundfont ----

TEST(SoundFont, FirstCandidateThenAnyInTheFolders) {
  TempFolder folder;
  auto second = folder.write("second.sf2", "x");
  auto a = folder.write("fonts/a.SF3", "x");
  folder.write("fonts/b.sf2", "x");
  folder.write("fonts/readme.txt", "x");
  EXPECT_EQ(FindSoundFont({folder.path() / "missing.sf2", second}, {}), second);
  EXPECT_EQ(FindSoundFont({folder.path() / "missing.sf2"},
                          {folder.path() / "none", folder.path() / "fonts"}),
            a);
  EXPECT_TRUE(FindSoundFont({}, {folder.path() / "none"}).empty());
}

TEST(SoundFont, TheDependencyIsFoundWithoutSettings) {
  std::filesystem::path found = FindSoundFont();
  ASSERT_FALSE(found.empty()) << "install timgm6mb-soundfont";
  EXPECT_TRUE(std::filesystem::is_regular_file(found));
}

}  // namespace
}  // namespace qw
