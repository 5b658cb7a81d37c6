#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

#include "media/midi_file.h"
#include "media_samples.h"

namespace qw {
namespace {

using testing::EndOfTrack;
using testing::MidiBytes;
using testing::MidiEvent;
using testing::NoteOff;
using testing::NoteOn;
using testing::Tempo;

std::optional<MidiInfo> Read(const std::string& bytes) {
  return ReadMidiInfo(
      qw::MidiBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::string Rmid(const std::string& smf) {
  std::string body = "RMIDdata";
  for (int i = 0; i < 4; ++i)
    body += static_cast<char>((smf.size() >> (8 * i)) & 0xFF);
  body += smf;
  std::string out = "RIFF";
  for (int i = 0; i < 4; ++i)
    out += static_cast<char>((body.size() >> (8 * i)) & 0xFF);
  return out + body;
}

struct DurationCase {
  const char* name;
  std::string bytes;
  std::int32_t ms;
};

void PrintTo(const DurationCase& c, std::ostream* os) {
  *os << c.name;
}

class MidiDuration : public ::testing::TestWithParam<DurationCase> {};

TEST_P(MidiDuration, FollowsTheTempoMap) {
  auto info = Read(GetParam().bytes);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->durationMs, GetParam().ms);
}

const std::vector<MidiEvent> kSecondAtDefaultTempo = {NoteOn(0), NoteOff(960), EndOfTrack()};

INSTANTIATE_TEST_SUITE_P(
    Files, MidiDuration,
    ::testing::Values(
        DurationCase{"default tempo", MidiBytes(0, 480, {kSecondAtDefaultTempo}), 1000},
        DurationCase{"faster tempo",
                     MidiBytes(0, 480, {{Tempo(0, 250000), NoteOn(0), NoteOff(960), EndOfTrack()}}),
                     500},
        DurationCase{
            "tempo change half way",
            MidiBytes(0, 480, {{NoteOn(0), Tempo(480, 1000000), NoteOff(480), EndOfTrack()}}),
            1500},
        DurationCase{"end of track later than the last note",
                     MidiBytes(0, 96, {{NoteOn(0), NoteOff(96), EndOfTrack(96)}}), 1000},
        DurationCase{"tempo map in the first track of format 1",
                     MidiBytes(1, 480,
                               {{Tempo(0, 250000), Tempo(960, 1000000), EndOfTrack()},
                                {NoteOn(0), NoteOff(1920), EndOfTrack()}}),
                     2500},
        DurationCase{
            "longest track counts",
            MidiBytes(1, 480, {{NoteOn(0), NoteOff(4800), EndOfTrack()}, kSecondAtDefaultTempo}),
            5000},
        DurationCase{"format 2 tracks one after another",
                     MidiBytes(2, 480, {kSecondAtDefaultTempo, kSecondAtDefaultTempo}), 2000},
        DurationCase{"last of two tempos at one tick",
                     MidiBytes(0, 480,
                               {{Tempo(0, 250000), Tempo(0, 1000000), NoteOn(0), NoteOff(480),
                                 EndOfTrack()}}),
                     1000},
        DurationCase{"zero tempo as the default",
                     MidiBytes(0, 480, {{Tempo(0, 0), NoteOn(0), NoteOff(960), EndOfTrack()}}),
                     1000},
        DurationCase{"SMPTE division ignores tempo",
                     MidiBytes(0, static_cast<std::uint16_t>((0xE7 << 8) | 40),  // -25 fps
                               {{Tempo(0, 250000), NoteOn(0), NoteOff(2000), EndOfTrack()}}),
                     2000},
        DurationCase{"running status and a program change",
                     MidiBytes(0, 480,
                               {{{0, {0xC0, 5}},
                                 {0, {0x90, 60, 100}},
                                 {480, {62, 100}},
                                 {480, {60, 0}},
                                 {0, {62, 0}},
                                 EndOfTrack()}}),
                     1000},
        DurationCase{"sysex and meta text",
                     MidiBytes(0, 480,
                               {{{0, {0xF0, 3, 0x7E, 0x7F, 0xF7}},
                                 {0, {0xFF, 0x03, 2, 'h', 'i'}},
                                 NoteOn(0),
                                 NoteOff(480),
                                 EndOfTrack()}}),
                     500},
        DurationCase{"inside a RIFF RMID file", Rmid(MidiBytes(0, 480, {kSecondAtDefaultTempo})),
                     1000}));

struct BadCase {
  const char* name;
  std::string bytes;
};

void PrintTo(const BadCase& c, std::ostream* os) {
  *os << c.name;
}

class MidiRejects : public ::testing::TestWithParam<BadCase> {};

TEST_P(MidiRejects, MalformedFiles) {
  EXPECT_FALSE(Read(GetParam().bytes));
}

std::string WithByte(std::string s, std::size_t at, char value) {
  s[at] = value;
  return s;
}

const std::string kGood = MidiBytes(0, 480, {kSecondAtDefaultTempo});

INSTANTIATE_TEST_SUITE_P(
    Files, MidiRejects,
    ::testing::Values(
        BadCase{"empty", ""}, BadCase{"not MIDI", "RIFF\0\0\0\0WAVEfmt "},
        BadCase{"header only", kGood.substr(0, 14)},
        BadCase{"division zero", WithByte(WithByte(kGood, 12, 0), 13, 0)},
        BadCase{"format 3", WithByte(kGood, 9, 3)},
        BadCase{"more tracks declared than present", WithByte(kGood, 11, 2)},
        BadCase{"track length past the end", WithByte(kGood, 21, 0x7F)},
        BadCase{"data byte with no running status",
                MidiBytes(0, 480, {{{0, {60, 100}}, EndOfTrack()}})},
        BadCase{"status byte where data must be",
                MidiBytes(0, 480, {{{0, {0x90, 0x90, 100}}, EndOfTrack()}})},
        BadCase{"length of five bytes",
                MidiBytes(0, 480, {{{0, {0xFF, 0x01, 0x81, 0x81, 0x81, 0x81, 0x01}}}})},
        BadCase{"meta running past its track", MidiBytes(0, 480, {{{0, {0xFF, 0x01, 0x20, 'x'}}}})},
        BadCase{"system common message", MidiBytes(0, 480, {{{0, {0xF2, 1, 2}}, EndOfTrack()}})},
        BadCase{"RMID without data chunk", std::string("RIFF\4\0\0\0RMID")}));

TEST(MidiFile, EveryTruncationIsRejected) {
  const std::string full = MidiBytes(
      1, 480, {{Tempo(0, 400000), EndOfTrack()}, {NoteOn(0), NoteOff(480), EndOfTrack()}});
  ASSERT_TRUE(Read(full));
  for (std::size_t n = 0; n < full.size(); ++n) {
    EXPECT_FALSE(Read(full.substr(0, n))) << n << " bytes";
  }
}

TEST(MidiFile, DamagedBytesNeverCrash) {
  const std::string base =
      MidiBytes(1, 480,
                {{Tempo(0, 400000), EndOfTrack()},
                 {NoteOn(0), NoteOff(480), NoteOn(10), NoteOff(20), EndOfTrack()}});
  std::mt19937 rng(7);
  int accepted = 0;
  for (int i = 0; i < 5000; ++i) {
    std::string s = base;
    for (int k = 0; k < 3; ++k)
      s[rng() % s.size()] = static_cast<char>(rng());
    if (auto info = Read(s)) {
      ++accepted;
      EXPECT_GE(info->durationMs, 0);
    }
  }
  // Most damage is caught; some (a changed note number) leaves a valid file.
  EXPECT_GT(accepted, 0);
  EXPECT_LT(accepted, 5000);
}

TEST(MidiFile, OversizedFilesAreRefused) {
  std::string big = kGood;
  big.resize(kMaxMidiFileBytes + 1);
  EXPECT_FALSE(Read(big));
}

}  // namespace
}  // namespace qw
