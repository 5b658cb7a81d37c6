// Real sound through SDL2_mixer. MIDI music plays through SDL_mixer's FluidSynth route with
// a General MIDI soundfont found on the system; every sampled sound (WAV, MP3, Ogg Vorbis,
// FLAC, CD track files, movie sound tracks) is decoded by FFmpeg as it plays and mixed on a
// channel of its own, so any number of them sound at once and none is held whole in memory.
//
// The sound device opens at the first medium, not before. When there is no sound device the
// output quietly runs on SDL's "dummy" driver: media open, play and end in real time, silent.
//
// One SdlMixerOutput may exist at a time: SDL_mixer's music hook is global.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "media/audio_output.h"

namespace qw {

struct SdlMixerOptions {
  // The tick count (the host's ticks()).
  std::function<std::uint32_t()> clock;
  // Runs a task on the engine's thread soon. Called from SDL's audio thread while the mixer
  // is locked, so it must be safe from any thread, must not run the task before returning and
  // must not wait for the engine's thread (a host queues the task and runs it after letting go
  // of its queue's lock). The task delivers the
  // ends of play. Without it the caller calls deliverEnds() itself.
  std::function<void(std::function<void()>)> post;
  // The SDL audio driver to use ("disk", "dummy", ...); empty for SDL's own choice (which
  // SDL_AUDIODRIVER may make).
  std::string driver;
  // The soundfont for MIDI; empty to find one (FindSoundFont).
  std::filesystem::path soundFont;
};

class SdlMixerOutput final : public AudioOutput {
 public:
  explicit SdlMixerOutput(SdlMixerOptions options);
  ~SdlMixerOutput() override;
  SdlMixerOutput(const SdlMixerOutput&) = delete;
  SdlMixerOutput& operator=(const SdlMixerOutput&) = delete;

  bool open(AudioSlot slot, const std::filesystem::path& path) override;
  bool isOpen(AudioSlot slot) const override;
  std::filesystem::path openPath(AudioSlot slot) const override;
  std::int32_t lengthMs(AudioSlot slot) const override;
  bool play(AudioSlot slot, std::int32_t fromMs = 0, std::int32_t toMs = -1) override;
  int stop(AudioSlot slot) override;
  int close(AudioSlot slot) override;
  bool sounding(AudioSlot slot) const override;
  std::uint32_t now() const override;

  // Delivers to the end listener the ends of play that have happened since the last call.
  void deliverEnds();
  // The driver the device runs on ("pulseaudio", "alsa", "dummy", ...), empty before the
  // first medium opened it or when it could not be opened at all.
  std::string driverName() const;
  // The soundfont MIDI plays with; empty when none was found.
  std::filesystem::path soundFont() const;

  class Impl;

 private:
  std::shared_ptr<Impl> impl_;
};

}  // namespace qw
