// The engine's media: where sound goes (the output), the three sound channels with the music
// mode, and the list of every medium started, ended and stopped. One owner, held by the engine
// object; the script commands, the text tags and the pop-up menu reach the channels through it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/subsystem.h"
#include "media/audio_log.h"
#include "media/audio_output.h"
#include "media/media_channels.h"

namespace qw {

class TFmain;
class WakingClockedOutput;

class MediaSubsystem final : public Subsystem {
 public:
  // Starts with the clocked output.
  explicit MediaSubsystem(TFmain& engine);
  ~MediaSubsystem() override;
  MediaSubsystem(const MediaSubsystem&) = delete;
  MediaSubsystem& operator=(const MediaSubsystem&) = delete;

  // ---- The output, chosen by the host before the story starts ----
  // Each choice starts the channels over (records, music mode), so it is made before the first
  // medium plays.

  // Nothing is heard; every medium is opened and decoded as for real and ends on the host's
  // clock after its real duration, the engine being woken for it (Host::wakeAt). The default,
  // and the headless host's choice: on its virtual clock repeats and ends are exact and instant.
  void UseClockedOutput();
  // Real sound through SDL2_mixer. The device opens at the first medium, not before; with no
  // sound device the story plays on, silent, on SDL's dummy driver. `driver` names an SDL
  // audio driver ("disk" in tests); empty for SDL's own choice. Ends of play arrive through
  // Host::post.
  void UseSdlOutput(const std::string& driver = {});

  // The author's `MP3Timing` setting, kept across a change of output.
  void SetMp3Timing(std::int32_t value);

  // ---- Records ----
  MediaChannels& channels() { return *channels_; }
  const MediaChannels& channels() const { return *channels_; }
  AudioOutput& output() { return *output_; }
  // Started, ended and stopped media, in milliseconds since the engine was made.
  const AudioLog& log() const { return log_; }

  // ---- The simple sound call of the text tags and the menu click ----
  // Plays `cp932File` ("%DATA_DRIVE%" allowed) once, ending the simple sound before; an empty
  // name only stops it, a file that cannot be played stays silent. With `wait`, returns once
  // the sound has ended (pumping messages meanwhile).
  void PlaySimpleSound(SimpleSoundKind kind, const std::string& cp932File, bool wait);

  // ---- The movie wait ----
  // Set while `_aviplay` waits; a click outside the picture clears it.
  bool& movieWait() { return movieWait_; }
  // Adds a movie's start, end or stop to the log.
  void LogMovie(std::string_view event, const std::string& cp932File);

  // ---- Host events the engine passes on ----
  void OnWake();
  void OnClickOutside() { movieWait_ = false; }

  // The return to the title: the three channels and the simple sound stop. The music mode
  // stays, as it does until the next `_bgmmode`.
  void ResetForTitle() override;

 private:
  void Attach(std::unique_ptr<AudioOutput> output, WakingClockedOutput* clocked);

  TFmain& engine_;
  AudioLog log_;
  // Declared before the channels, which hold a reference to it and go first.
  std::unique_ptr<AudioOutput> output_;
  WakingClockedOutput* clocked_ = nullptr;  // output_ when it is the clocked output
  std::unique_ptr<MediaChannels> channels_;
  std::int32_t mp3Timing_ = 5;
  bool movieWait_ = false;
};

}  // namespace qw
