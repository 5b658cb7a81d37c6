// The three sound channels (music, sound effect, CD audio), the music mode, and the simple
// sound call of the text tags and menu clicks. The channel records are the engine's state
// (saved with a game); the sound itself goes to an AudioOutput.
//
// Everything here runs on the engine's thread: the output delivers ends of play there too.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "media/audio_log.h"
#include "media/audio_output.h"

namespace qw {

// One sound channel as a saved game holds it.
struct TSoundChannel {
  std::string fileName;          // CP932, as the script named it (before "%DATA_DRIVE%" is
                                 // replaced); for the CD channel the track number
  std::int32_t playCount = 0;    // plays started so far; 1 after the first start
  std::int32_t repeatCount = 0;  // plays in total; 0 = endless
  std::int32_t startPos = 0;     // CD channel only, milliseconds
  std::int32_t length = 0;       // CD channel only, milliseconds
  bool playing = false;
  bool open = false;     // its player (or for MP3 music, the file) is open
  bool pending = false;  // the last play request came while its menu switch was off
};

enum class SoundChannelId { Music = 0, Sound = 1, Cd = 2 };

// The two users of the simple sound call, as the audio log names them.
enum class SimpleSoundKind { Voice, Click };

struct MediaOptions {
  // What "%DATA_DRIVE%" stands for: a path on this system, UTF-8, no trailing separator.
  std::string dataRoot;
  // The scripts' folder, where CD track files are also looked for. Empty: the current folder.
  std::filesystem::path scriptDir;
  // Whether `Kmusic` and `Ksound` are checked; both on when not given.
  std::function<bool()> musicEnabled;
  std::function<bool()> soundEnabled;
  // Where started, ended and stopped media are listed; none when null.
  AudioLog* log = nullptr;
};

class MediaChannels {
 public:
  static constexpr std::int32_t kNoMusicMode = -1;

  // Takes the output's end listener for as long as it lives; the output must outlive it.
  MediaChannels(AudioOutput& output, MediaOptions options);
  ~MediaChannels();
  MediaChannels(const MediaChannels&) = delete;
  MediaChannels& operator=(const MediaChannels&) = delete;

  // ---- Records ----
  // Writable for a load, which restores all three from a saved game.
  TSoundChannel& channel(SoundChannelId id) { return channels_[static_cast<int>(id)]; }
  const TSoundChannel& channel(SoundChannelId id) const { return channels_[static_cast<int>(id)]; }
  const TSoundChannel& music() const { return channel(SoundChannelId::Music); }
  const TSoundChannel& sound() const { return channel(SoundChannelId::Sound); }
  const TSoundChannel& cd() const { return channel(SoundChannelId::Cd); }
  // -1 until `_bgmmode`; not saved.
  std::int32_t musicMode() const { return musicMode_; }
  void setMusicMode(std::int32_t mode) { musicMode_ = mode; }
  // The MP3 option block SetMp3Timing writes. SDL_mixer's decoder needs no timing, so the
  // block is kept for what it tells, and changes nothing in play.
  const std::array<std::int32_t, 4>& mp3Options() const { return mp3Options_; }

  // ---- Script commands ----
  // `_bgmplay`: by the music mode, name + ".mid", ".mp3" or ".wav" on the music channel, or
  // in mode 4 the CD track numbered by the first two characters of the name's file part
  // (throws FrameworkError "'xx' is not a valid integer value" when they are no number, after
  // the music channel has been stopped and has recorded name + ".cda"). Ignored in mode -1.
  void BgmPlay(const std::string& name, std::int32_t repeat);
  // A load's restart of the saved music `storedFile` (the music record's file name): it plays
  // as the kind its extension names, whatever the music mode is now; ".cda" is the CD track
  // of its first two characters. Throws as BgmPlay for a track that is no number.
  void ReplayMusic(const std::string& storedFile, std::int32_t repeat);
  // `_bgmstop`: stops the music channel, and in mode 4 the CD channel too.
  void BgmStop();
  // `_midiplay`: `file` (any extension; ".mp3" in mode 2 goes to the MP3 route).
  void PlayMusic(const std::string& file, std::int32_t repeat);
  // `_midistop`. Returns the player's error code, 0 on success.
  std::int32_t StopMusic();
  // `_pcmplay` / `_pcmstop`.
  void PlaySound(const std::string& file, std::int32_t repeat);
  std::int32_t StopSound();
  // `_cdplay` / `_cdstop`. The track plays from the file FindCdTrackFile names.
  void PlayCdTrack(std::int32_t track, std::int32_t repeat);
  std::int32_t StopCd();
  // The `MP3Timing` setting.
  void SetMp3Timing(std::int32_t value);

  // ---- Menu switches and the display ----
  // `Kmusic` being switched off: remembers which of CD audio and file music plays and stops
  // both. True when both stops succeeded (only then is the switch to be unchecked).
  bool MusicSwitchedOff();
  // `Kmusic` has been checked again: CD audio and file music that repeat endlessly start again
  // when they played at MusicSwitchedOff or were asked for while the switch was off.
  void MusicSwitchedOn();
  // `Ksound` likewise, for the sound-effect channel.
  void SoundSwitchedOff();
  void SoundSwitchedOn();
  // After a change of the window frame or of full screen: CD audio, then file music, that
  // plays with endless repetition starts again from the start.
  void RestartEndlessMusic();
  // A load or a return to the title: the three channels and the simple sound stop.
  void StopAll();

  // ---- The simple sound call ----
  // Plays `file` ("%DATA_DRIVE%" allowed) once, ending the sound before. Returns its length
  // in milliseconds (a synchronous caller waits that long), or nothing when it cannot be
  // played. An empty name only stops the sound.
  std::optional<std::int32_t> PlaySimpleSound(SimpleSoundKind kind, const std::string& file);
  void StopSimpleSound();

  // Adds an entry to the audio log at the output's time (for movies, which play elsewhere).
  void LogEvent(std::string_view channel, std::string_view event, std::string_view file);

 private:
  enum class MusicDevice { None, Player, Mp3Library };

  void PlayMp3(const std::string& file, std::int32_t repeat);
  std::int32_t StopPlayer(AudioSlot slot, TSoundChannel& rec);
  void PrepareAndPlay(AudioSlot slot, TSoundChannel& rec, const std::filesystem::path& path,
                      bool enabled, std::int32_t repeat);
  bool PlayerOpen(AudioSlot slot) const;
  bool OpenSlot(AudioSlot slot, const std::filesystem::path& path);
  int CloseSlot(AudioSlot slot);
  int StopSlot(AudioSlot slot);
  void StartSlot(AudioSlot slot, std::int32_t from = 0, std::int32_t to = -1);
  void OnEnd(AudioSlot slot);
  void Log(AudioSlot slot, std::string_view event);
  std::filesystem::path Resolve(const std::string& file) const;
  bool MusicOn() const { return !options_.musicEnabled || options_.musicEnabled(); }
  bool SoundOn() const { return !options_.soundEnabled || options_.soundEnabled(); }
  bool Mp3Route(std::string_view file) const;

  AudioOutput& output_;
  MediaOptions options_;
  std::array<TSoundChannel, 3> channels_;
  std::int32_t musicMode_ = kNoMusicMode;
  MusicDevice musicDevice_ = MusicDevice::None;
  std::array<std::int32_t, 4> mp3Options_{};
  // What each slot plays, as the log names it, while it sounds.
  std::array<std::string, kAudioSlotCount> slotFiles_;
  SimpleSoundKind simpleKind_ = SimpleSoundKind::Voice;
  bool rememberCd_ = false;
  bool rememberMusic_ = false;
  bool rememberSound_ = false;
};

}  // namespace qw
