// Music, sound effects, CD tracks, the text's sound tags and movies, played by the engine on
// the headless host: the channel records and the audio list of the report, the virtual times
// of ends and repeats, the menu switches, movie frames in snapshots, and bad media files.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/engine.h"
#include "app/media_subsystem.h"
#include "input_rig.h"
#include "media/media_samples.h"
#include "media/menu_hooks.h"
#include "media/sdl_mixer_output.h"
#include "support/report_text.h"
#include "support/scenario.h"

namespace qw {
namespace {

using test::InputRig;
using test::Scenario;
using Json = nlohmann::ordered_json;

// Each entry of the report's audio list as "MS CHANNEL EVENT FILE".
std::vector<std::string> AudioLines(const Json& audio) {
  std::vector<std::string> lines;
  for (const Json& e : audio) {
    lines.push_back(std::to_string(e["ms"].get<std::uint64_t>()) + " " +
                    e["channel"].get<std::string>() + " " + e["event"].get<std::string>() + " " +
                    e["file"].get<std::string>());
  }
  return lines;
}

// The same with times counted from the first entry, for runs whose story text takes time.
std::vector<std::string> RelativeAudioLines(const Json& audio) {
  Json shifted = audio;
  if (!shifted.empty()) {
    const std::uint64_t origin = audio[0]["ms"].get<std::uint64_t>();
    for (Json& e : shifted)
      e["ms"] = e["ms"].get<std::uint64_t>() - origin;
  }
  return AudioLines(shifted);
}

using Lines = std::vector<std::string>;

// A channel record as the report gives it.
Json Channel(const std::string& file, int plays, int repeat, bool playing, bool open, bool pending,
             int start = 0, int length = 0) {
  return {{"file", file},     {"plays", plays},     {"repeat", repeat}, {"start", start},
          {"length", length}, {"playing", playing}, {"open", open},     {"pending", pending}};
}

Json Idle(const std::string& file = "") {
  return Channel(file, 0, 0, false, false, false);
}

// A Standard MIDI File of one note that lasts 750 ms by its tempo map: a quarter at 500 ms,
// then a quarter at 250 ms.
std::string Midi750() {
  return testing::MidiBytes(
      0, 480,
      {{testing::Tempo(0, 500000), testing::NoteOn(0), testing::Tempo(480, 250000),
        testing::NoteOff(480), testing::EndOfTrack()}});
}

TEST(MediaRun, RepeatsFollowEachOtherOnTheVirtualClock) {
  struct Case {
    int repeat;
    int delay;
    Lines audio;
    int plays;
  };
  const std::vector<Case> cases = {
      {1, 1000, {"0 sound play a.wav", "200 sound end a.wav"}, 1},
      {3,
       1000,
       {"0 sound play a.wav", "200 sound play a.wav", "400 sound play a.wav",
        "600 sound end a.wav"},
       3},
      // Endless until the story ends.
      {0,
       900,
       {"0 sound play a.wav", "200 sound play a.wav", "400 sound play a.wav",
        "600 sound play a.wav", "800 sound play a.wav"},
       5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.repeat);
    Scenario s;
    s.writeFile("a.wav", testing::WavBytes(200));
    s.writeScript("autorun.txt", "_pcmplay \"a.wav\"," + std::to_string(c.repeat) + "\n_delay " +
                                     std::to_string(c.delay) + "\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_TRUE(r.errors.empty());
    EXPECT_EQ(r.virtualMs, static_cast<std::uint64_t>(c.delay));
    EXPECT_EQ(AudioLines(r.audio), c.audio);
    // A play that ended by itself leaves the channel open and marked playing.
    EXPECT_EQ(r.channels["sound"], Channel("a.wav", c.plays, c.repeat, true, true, false));
    EXPECT_EQ(r.channels["music"], Idle());
    EXPECT_EQ(r.channels["cd"], Idle());
  }
}

TEST(MediaRun, TheReportWritesChannelsAndAudioInTheirDocumentedForm) {
  Scenario s;
  s.writeFile("se/a.wav", testing::WavBytes(100));
  s.writeScript("autorun.txt", "_bgmmode 3\n_pcmplay \"%DATA_DRIVE%\\se\\a.wav\",2\n_delay 150\n");
  s.run();
  const Json doc = Json::parse(s.reportJson());
  const std::string channels = doc["channels"].dump();
  EXPECT_EQ(channels,
            "{\"mode\":3,"
            "\"music\":{\"file\":\"\",\"plays\":0,\"repeat\":0,\"start\":0,\"length\":0,"
            "\"playing\":false,\"open\":false,\"pending\":false},"
            "\"sound\":{\"file\":\"%DATA_DRIVE%\\\\se\\\\a.wav\",\"plays\":2,\"repeat\":2,"
            "\"start\":0,\"length\":0,\"playing\":true,\"open\":true,\"pending\":false},"
            "\"cd\":{\"file\":\"\",\"plays\":0,\"repeat\":0,\"start\":0,\"length\":0,"
            "\"playing\":false,\"open\":false,\"pending\":false}}");
  EXPECT_EQ(doc["audio"].dump(),
            "[{\"ms\":0,\"channel\":\"sound\",\"event\":\"play\","
            "\"file\":\"%DATA_DRIVE%\\\\se\\\\a.wav\"},"
            "{\"ms\":100,\"channel\":\"sound\",\"event\":\"play\","
            "\"file\":\"%DATA_DRIVE%\\\\se\\\\a.wav\"}]");
}

TEST(MediaRun, TheMusicModeChoosesTheFileAndItsLength) {
  struct Case {
    int mode;
    Json music;
    Lines audio;
  };
  const std::vector<Case> cases = {
      {-1, Idle(), {}},
      {0,
       Channel("bgm.mid", 1, 1, true, true, false),
       {"0 music play bgm.mid", "750 music end bgm.mid"}},
      {3,
       Channel("bgm.wav", 1, 1, true, true, false),
       {"0 music play bgm.wav", "300 music end bgm.wav"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    Scenario s;
    s.writeFile("bgm.mid", Midi750());
    s.writeFile("bgm.wav", testing::WavBytes(300));
    s.writeScript("autorun.txt",
                  "_bgmmode " + std::to_string(c.mode) + "\n_bgmplay bgm,1\n_delay 1000\n");
    HeadlessReport r = s.run();
    EXPECT_TRUE(r.errors.empty());
    EXPECT_EQ(r.channels["mode"], c.mode);
    EXPECT_EQ(r.channels["music"], c.music);
    EXPECT_EQ(AudioLines(r.audio), c.audio);
  }
}

TEST(MediaRun, Mp3MusicPlaysInModesOneAndTwoThroughDifferentDevices) {
  Scenario s;
  testing::EncodeTone(s.dir() / "bgm.mp3", "libmp3lame", 400);
  for (int mode : {1, 2}) {
    SCOPED_TRACE(mode);
    s.writeScript("autorun.txt",
                  "_bgmmode " + std::to_string(mode) + "\n_bgmplay bgm,1\n_delay 1000\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.channels["music"], Channel("bgm.mp3", 1, 1, true, true, false));
    ASSERT_EQ(r.audio.size(), 2u);
    EXPECT_EQ(AudioLines(r.audio).front(), "0 music play bgm.mp3");
    // The length the decoder plays, without the encoder's delay and padding.
    EXPECT_NEAR(r.audio[1]["ms"].get<double>(), 400, 30);
  }

  // An ".mp3" in mode 2 goes to the MP3 route, which a stop through the media player (mode 1)
  // does not reach; in mode 1 the player plays it and stops it.
  struct Case {
    int mode;
    Lines audio;
    Json music;
  };
  const std::vector<Case> cases = {
      {1,
       {"0 music play x.mp3", "100 music stop x.mp3"},
       Channel("x.mp3", 0, 0, false, false, false)},
      {2, {"0 music play x.mp3"}, Channel("x.mp3", 1, 0, true, true, false)},
  };
  testing::EncodeTone(s.dir() / "x.mp3", "libmp3lame", 400);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    s.writeScript("autorun.txt", "_bgmmode " + std::to_string(c.mode) +
                                     "\n_midiplay x.mp3,0\n_delay 100\n_bgmmode 1\n_midistop\n"
                                     "_delay 100\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(AudioLines(r.audio), c.audio);
    EXPECT_EQ(r.channels["music"], c.music);
  }
}

TEST(MediaRun, CdTracksPlayFromTrackFiles) {
  struct Case {
    const char* script;
    Json music;
    Json cd;
    Lines audio;
  };
  const std::vector<Case> cases = {
      // The first two characters of the name's file part give the track: "05" is track 5.
      {"_bgmmode 4\n_bgmplay \"bgm\\05\",2\n_delay 1000\n",
       // `_bgmplay` sets the music channel's repeat count before it plays by the mode.
       Channel("bgm\\05.cda", 0, 2, false, false, false),
       Channel("5", 2, 2, true, true, false, 0, 250),
       {"0 cd play 5", "250 cd play 5", "500 cd end 5"}},
      {"_cdplay 5,1\n_delay 100\n_cdstop\n",
       Idle(),
       Channel("5", 0, 1, false, false, false, 0, 250),
       {"0 cd play 5", "100 cd stop 5"}},
      // No file for track 7: the channel stays closed and silent.
      {"_cdplay 7,1\n_delay 100\n", Idle(), Idle("7"), {}},
      // `_bgmstop` in mode 4 stops the CD too.
      {"_bgmmode 4\n_bgmplay 05,0\n_delay 100\n_bgmstop\n",
       Idle("05.cda"),
       Channel("5", 0, 0, false, false, false, 0, 250),
       {"0 cd play 5", "100 cd stop 5"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    Scenario s;
    s.writeFile("cd/track05.wav", testing::WavBytes(250));
    s.writeScript("autorun.txt", c.script);
    HeadlessReport r = s.run();
    EXPECT_TRUE(r.errors.empty()) << test::Dump(r);
    EXPECT_EQ(r.channels["music"], c.music);
    EXPECT_EQ(r.channels["cd"], c.cd);
    EXPECT_EQ(AudioLines(r.audio), c.audio);
  }
}

TEST(MediaRun, ATrackNameThatIsNoNumberIsReportedAndEndsTheRun) {
  Scenario s;
  s.writeScript("autorun.txt", "_bgmmode 4\n_bgmplay xy,1\n_pcmplay a.wav,1\n");
  s.writeFile("a.wav", testing::WavBytes(100));
  HeadlessReport r = s.run();
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_EQ(r.errors[0], test::At(2, "'xy' is not a valid integer value"));
  EXPECT_EQ(r.channels["music"]["file"], "xy.cda");
  EXPECT_TRUE(r.audio.empty());
}

// Music and a sound effect asked for while their switches are off, then switched on again:
// `events` are taken at the click waits of the two text lines.
HeadlessReport RunWithSwitches(Scenario& s, int musicRepeat, const std::string& events) {
  s.writeFile("bgm.mid", Midi750());
  s.writeFile("se.wav", testing::WavBytes(100));
  s.writeScript("autorun.txt", "あ\n_bgmmode 0\n_bgmplay bgm," + std::to_string(musicRepeat) +
                                   "\n_pcmplay se.wav,0\nい\n_delay 1000\n");
  s.events(events);
  return s.run();
}

TEST(MediaRun, PlaysAskedForWhileSwitchedOffWaitAsPendingAndEndlessOnesStartWhenOn) {
  {
    Scenario s;
    HeadlessReport r = RunWithSwitches(s, 0, "menu Kmusic\nmenu Ksound\nclick\n");
    EXPECT_EQ(r.outcome, HeadlessOutcome::InputExhausted);
    EXPECT_EQ(r.channels["music"], Channel("bgm.mid", 0, 0, false, false, true));
    EXPECT_EQ(r.channels["sound"], Channel("se.wav", 0, 0, false, false, true));
    EXPECT_TRUE(r.audio.empty());
  }
  {
    Scenario s;
    HeadlessReport r =
        RunWithSwitches(s, 0, "menu Kmusic\nmenu Ksound\nclick\nmenu Kmusic\nmenu Ksound\nclick\n");
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_EQ(r.channels["music"], Channel("bgm.mid", 2, 0, true, true, false));
    EXPECT_EQ(r.channels["sound"]["pending"], false);
    EXPECT_EQ(r.channels["sound"]["playing"], true);
    EXPECT_EQ(RelativeAudioLines(r.audio),
              (Lines{"0 music play bgm.mid", "0 sound play se.wav", "100 sound play se.wav",
                     "200 sound play se.wav", "300 sound play se.wav", "400 sound play se.wav",
                     "500 sound play se.wav", "600 sound play se.wav", "700 sound play se.wav",
                     "750 music play bgm.mid", "800 sound play se.wav", "900 sound play se.wav",
                     "1000 sound play se.wav"}));
  }
  {
    // Counted music is not started by the switch; it stays pending.
    Scenario s;
    HeadlessReport r = RunWithSwitches(s, 2, "menu Kmusic\nclick\nmenu Kmusic\nclick\n");
    EXPECT_EQ(r.channels["music"], Channel("bgm.mid", 0, 2, false, false, true));
    EXPECT_EQ(RelativeAudioLines(r.audio).front(), "0 sound play se.wav");
    EXPECT_EQ(r.audio.back()["channel"], "sound");
  }
}

TEST(MediaRun, MenuSwitchesStopAndRestartWhatPlays) {
  Scenario s;
  s.writeFile("bgm.mid", Midi750());
  s.writeFile("se.wav", testing::WavBytes(500));
  s.writeScript("autorun.txt", "_bgmmode 0\n_bgmplay bgm,0\n_pcmplay se.wav,0\nあ\n");
  // Switching music off stops it at once; on again, the endless music starts from its start.
  // A change of the window frame restarts it too. The sound effect follows `Ksound`.
  s.events(
      "at +100 menu Kmusic\nat +100 menu Kmusic\nat +100 menu Kwinmode\nat +100 menu Ksound\n"
      "at +100 menu Ksound\nclick\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  const Lines audio = AudioLines(r.audio);
  // The story's first character takes its pause before the events' clock starts.
  const std::uint64_t t = r.virtualMs - 500;
  auto at = [&](std::uint64_t ms, const std::string& rest) {
    return std::to_string(ms) + " " + rest;
  };
  EXPECT_EQ(audio, (Lines{"0 music play bgm.mid", "0 sound play se.wav",
                          at(t + 100, "music stop bgm.mid"), at(t + 200, "music play bgm.mid"),
                          at(t + 300, "music stop bgm.mid"), at(t + 300, "music play bgm.mid"),
                          at(t + 400, "sound stop se.wav"), at(t + 500, "sound play se.wav")}))
      << "t " << t;
  EXPECT_EQ(r.channels["music"], Channel("bgm.mid", 1, 0, true, true, false));
  EXPECT_EQ(r.channels["sound"], Channel("se.wav", 1, 0, true, true, false));
}

TEST(MediaRun, TextTagsPlayVoicesWithAndWithoutWaiting) {
  struct Case {
    const char* lines;
    const char* events;
    Lines audio;  // from the first entry
  };
  const std::vector<Case> cases = {
      // V waits for its end; O only starts, and its end comes during the delay.
      {"<V\"v.wav\"O\"o.wav\">あ",
       "click\n",
       {"0 voice play v.wav", "300 voice end v.wav", "300 voice play o.wav",
        "800 voice end o.wav"}},
      // An empty O stops the voice.
      {"<O\"o.wav\"O\"\">あ", "click\n", {"0 voice play o.wav", "0 voice stop o.wav"}},
      // A file that cannot be played is silent and not waited for.
      {"<V\"missing.wav\"><V\"bad.wav\">あ", "click\n", {}},
      // With sound effects off the tags play nothing.
      {"あ\n<V\"v.wav\">い", "menu Ksound\nclick\nclick\n", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    Scenario s;
    s.writeFile("v.wav", testing::WavBytes(300));
    s.writeFile("o.wav", testing::WavBytes(500));
    s.writeFile("bad.wav", "RIFF");
    s.writeScript("autorun.txt", std::string(c.lines) + "\n_delay 1000\n");
    s.events(c.events);
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_TRUE(r.errors.empty());
    EXPECT_EQ(RelativeAudioLines(r.audio), c.audio);
    // Only a voice that plays is waited for: the rest is the delay and the text's pauses.
    const bool voiced = !c.audio.empty() && c.audio[1] == "300 voice end v.wav";
    EXPECT_GE(r.virtualMs, voiced ? 1300u : 1000u);
    EXPECT_LT(r.virtualMs, voiced ? 1350u : 1050u);
  }
}

TEST(MediaRun, TheMenuClickSoundPlaysWholeBeforeTheMenuReturns) {
  for (bool configured : {true, false}) {
    SCOPED_TRACE(configured);
    InputRig rig;
    rig.scenario.writeFile("click.wav", testing::WavBytes(150));
    rig.scenario.writeFile(
        "qwk.cfg", configured ? "SavePath=./\r\nMenuClickSound=click.wav\r\n" : "SavePath=./\r\n");
    rig.run("_delay 10\n", "");
    ASSERT_TRUE(rig.scriptEnded());
    // As the engine runs: in the scenario folder.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(rig.scenario.dir());
    PlayMenuClickSound(*rig.engine);
    std::filesystem::current_path(previous);
    EXPECT_EQ(rig.host->elapsedMs(), configured ? 160u : 10u);
    const AudioLog& log = rig.engine->media().log();
    if (configured) {
      ASSERT_EQ(log.entries().size(), 2u);
      EXPECT_EQ(log.entries()[0].channel, "click");
      EXPECT_EQ(log.entries()[1].event, "end");
      EXPECT_EQ(log.entries()[1].ms, 160u);
    } else {
      EXPECT_TRUE(log.entries().empty());
    }
  }
}

constexpr std::uint32_t kBackground = 0x123456;

TEST(MediaRun, MovieFramesAreDrawnAtTheirVirtualTimesAndThePictureComesBack) {
  Scenario s;
  s.writePng("bg.png", Surface(640, 480, kBackground));
  testing::WriteAvi(s.dir() / "m.avi", {0xFF0000, 0x00FF00, 0x0000FF}, 32, 32, 10, false, true);
  s.writeScript("autorun.txt", "_bgload bg.png\n_refresh\n_aviplay m.avi,100,50,200,100\n");
  s.events("at +50 snap a\nat +100 snap b\nat +100 snap c\n");
  HeadlessReport r = s.run();
  EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(r.virtualMs, 300u);
  EXPECT_EQ(AudioLines(r.audio), (Lines{"0 movie play m.avi", "300 movie end m.avi"}));
  const std::vector<std::pair<const char*, std::uint32_t>> frames = {
      {"a", 0xFF0000}, {"b", 0x00FF00}, {"c", 0x0000FF}};
  for (const auto& [name, color] : frames) {
    SCOPED_TRACE(name);
    const Surface shot = s.snapshot(name);
    // The movie fills its rectangle, scaled; around it the window is black.
    EXPECT_EQ(shot.at(100, 50), color);
    EXPECT_EQ(shot.at(299, 149), color);
    EXPECT_EQ(shot.at(300, 150), 0u);
    EXPECT_EQ(shot.at(99, 50), 0u);
    EXPECT_EQ(shot.at(5, 5), 0u);
  }
  const Surface last = s.snapshot("final");
  EXPECT_EQ(last.at(150, 100), kBackground);
  EXPECT_EQ(last.at(5, 5), kBackground);
}

TEST(MediaRun, AMovieRectangleBeyondAnyScreenPlaysUnseenToItsEnd) {
  for (const char* rect : {"-2000000000,0,2147483647,480", "2147483000,2147483000,2000,2000",
                           "0,0,-640,480", "0,0,100000,100000"}) {
    SCOPED_TRACE(rect);
    Scenario s;
    testing::WriteAvi(s.dir() / "m.avi", {0xFF0000, 0x00FF00, 0x0000FF}, 32, 32, 10, false, true);
    s.writeScript("autorun.txt", std::string("_aviplay m.avi,") + rect + "\n");
    s.events("at +50 snap a\n");
    HeadlessReport r = s.run();
    EXPECT_TRUE(r.errors.empty());
    EXPECT_EQ(AudioLines(r.audio), (Lines{"0 movie play m.avi", "300 movie end m.avi"}));
    EXPECT_EQ(s.snapshot("a").at(320, 240), 0u);
  }
}

TEST(MediaRun, AClickEndsAMovieWithTheMenuLockedMeanwhile) {
  for (const char* click : {"click 20 20", "click-outside"}) {
    SCOPED_TRACE(click);
    InputRig rig;
    testing::WriteAvi(rig.scenario.dir() / "m.avi", {0xFF0000, 0x00FF00, 0x0000FF}, 32, 32, 10,
                      true);
    rig.run("_aviplay \"m.avi\"\nあ\n",
            "at +50 rclick 10 10\nat +70 " + std::string(click) + "\nrclick 10 10\n");
    // The click that ended the movie does not pass the text's click wait.
    EXPECT_TRUE(rig.inputExhausted());
    // The right click during the movie opened nothing; the one at the text did.
    EXPECT_EQ(rig.host->popups().size(), 1u);
    EXPECT_EQ(rig.engine->menu().lockCount(), 0);
    const std::vector<AudioEvent>& log = rig.engine->media().log().entries();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].channel, "movie");
    EXPECT_EQ(log[1].event, "stop");
    EXPECT_EQ(log[1].ms, 120u);
    // The movie's sound track stopped with it.
    EXPECT_FALSE(rig.engine->media().output().sounding(AudioSlot::Movie));
  }
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

TEST(MediaRun, AMovieThatCannotBeOpenedIsReportedAndEndsTheRun) {
  Scenario s;
  testing::WriteAvi(s.dir() / "good.avi", {0xFF0000, 0x00FF00}, 32, 32, 10, false);
  std::string odd = ReadAll(s.dir() / "good.avi");
  for (std::size_t at = odd.find("MJPG"); at != std::string::npos; at = odd.find("MJPG"))
    odd.replace(at, 4, "QWZZ");
  s.writeFile("odd.avi", odd);
  s.writeFile("empty.avi", "");
  s.writeFile("noise.avi", std::string(5000, '\x5A'));
  s.writeFile("a.wav", testing::WavBytes(100));
  for (const char* name : {"odd.avi", "empty.avi", "noise.avi", "missing.avi"}) {
    SCOPED_TRACE(name);
    s.writeScript("autorun.txt", std::string("_aviplay ") + name + "\n_pcmplay a.wav,1\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    ASSERT_EQ(r.errors.size(), 1u) << test::Dump(r);
    EXPECT_EQ(r.errors[0].rfind("File:autorun.txt Line:1/Cannot open movie", 0), 0u) << r.errors[0];
    EXPECT_NE(r.errors[0].find(name), std::string::npos);
    ASSERT_FALSE(r.messages.empty());
    EXPECT_EQ(r.messages[0].caption, "Quillwork");
    // The step failed, so the run ended there.
    EXPECT_TRUE(r.audio.empty());
  }
}

TEST(MediaRun, BadSoundFilesLeaveTheirChannelsSilentAndClosed) {
  Scenario s;
  const std::string wav = testing::WavBytes(250);
  const std::string midi = Midi750();
  s.writeFile("empty.wav", "");
  s.writeFile("header.wav", wav.substr(0, 44));
  s.writeFile("junk.mp3", std::string(3000, '\x55'));
  s.writeFile("cut.mid", midi.substr(0, 20));
  s.writeFile("text.ogg", "OggS is not enough");
  s.writeFile("big.wav", wav);
  std::filesystem::resize_file(s.dir() / "big.wav", std::uintmax_t{2} << 30);
  for (const char* name :
       {"empty.wav", "header.wav", "junk.mp3", "cut.mid", "text.ogg", "big.wav", "missing.wav"}) {
    SCOPED_TRACE(name);
    const std::string file = std::string("\"") + name + "\"";
    s.writeScript("autorun.txt", "_bgmmode 2\n_pcmplay " + file + ",1\n_midiplay " + file +
                                     ",1\n_delay 10\n<V" + file + ">\n");
    s.events("click\n");
    HeadlessReport r = s.run();
    EXPECT_EQ(r.outcome, HeadlessOutcome::ScriptEnded);
    EXPECT_TRUE(r.errors.empty());
    EXPECT_TRUE(r.audio.empty()) << r.audio.dump();
    EXPECT_EQ(r.channels["sound"], Idle(name));
    EXPECT_EQ(r.channels["music"], Idle(name));
  }
}

// SDL's "disk" driver writes what the device plays into a file: the engine's sound, decoded
// and mixed for real.
TEST(MediaRun, TheRealOutputPlaysAWavThatComesOutAsSound) {
  Scenario folder;
  const std::filesystem::path raw = folder.dir() / "out.raw";
  setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "1", 1);
  {
    InputRig rig;
    rig.scenario.writeFile("tone.wav", testing::WavBytes(200, 22050, 1, 440, 8000));
    rig.run("_pcmplay tone.wav,1\n", "",
            [](TFmain& e, HeadlessHost&) { e.media().UseSdlOutput("disk"); });
    auto* sdl = dynamic_cast<SdlMixerOutput*>(&rig.engine->media().output());
    ASSERT_NE(sdl, nullptr);
    if (sdl->driverName() != "disk") GTEST_SKIP() << "no disk audio driver";
    EXPECT_EQ(rig.engine->media().channels().sound().playCount, 1);
    // The end arrives from the audio thread through the host's queue.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    auto ended = [&] { return rig.engine->media().log().entries().size() >= 2; };
    while (!ended() && std::chrono::steady_clock::now() < limit) {
      rig.host->processMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(ended());
    EXPECT_EQ(rig.engine->media().log().entries()[1].event, "end");
  }
  const std::string bytes = ReadAll(raw);
  int peak = 0;
  for (std::size_t i = 0; i + 2 <= bytes.size(); i += 2) {
    const auto v = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                             (static_cast<std::uint8_t>(bytes[i + 1]) << 8));
    peak = std::max(peak, std::abs(int{v}));
  }
  EXPECT_NEAR(peak, 8000, 200);
}

// With no sound device the real output runs silent on SDL's dummy driver, in real time: the
// story gets the same channel records and ends of play as with sound.
TEST(MediaRun, WithoutASoundDeviceTheStoryKeepsItsChannelRecords) {
  InputRig rig;
  rig.scenario.writeFile("tone.wav", testing::WavBytes(100));
  rig.run("_pcmplay tone.wav,2\n", "",
          [](TFmain& e, HeadlessHost&) { e.media().UseSdlOutput("no-such-driver"); });
  MediaSubsystem& media = rig.engine->media();
  EXPECT_EQ(dynamic_cast<SdlMixerOutput&>(media.output()).driverName(), "dummy");
  // The repeat opens the file again by its full path, though the current folder has changed.
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  auto ended = [&] { return media.log().entries().size() >= 3; };
  while (!ended() && std::chrono::steady_clock::now() < limit) {
    rig.host->processMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_TRUE(ended());
  const TSoundChannel& sound = media.channels().sound();
  EXPECT_EQ(sound.playCount, 2);
  EXPECT_EQ(sound.repeatCount, 2);
  EXPECT_TRUE(sound.open);
  EXPECT_EQ(media.log().entries()[1].event, "play");
  EXPECT_EQ(media.log().entries()[2].event, "end");
}

}  // namespace
}  // namespace qw
