// Where the sound channels send their media: an output opens a file into one of its slots,
// plays it and says when it has reached its end by itself. SdlMixerOutput makes real sound;
// ClockedOutput plays nothing and ends each medium on the caller's clock.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace qw {

// One medium at a time in each slot. `Simple` is the simple sound call of the text tags and
// the menu click; `Movie` is the sound track of a movie.
enum class AudioSlot { Music, Sound, Cd, Simple, Movie };
inline constexpr int kAudioSlotCount = 5;

// MIDI plays on the music channel only, as only the MIDI player could open a MIDI file.
constexpr bool SlotPlaysMidi(AudioSlot slot) {
  return slot == AudioSlot::Music;
}

class AudioOutput {
 public:
  // Called on the engine's thread, once per play that reaches its end by itself (never for a
  // stop, a close or a play that replaced it).
  using EndListener = std::function<void(AudioSlot)>;

  virtual ~AudioOutput() = default;

  void setEndListener(EndListener listener) { endListener_ = std::move(listener); }

  // Opens `path` in `slot`, closing what was there. False when the file cannot be played
  // (missing, unreadable, corrupt, no sound in it): the slot is closed then.
  virtual bool open(AudioSlot slot, const std::filesystem::path& path) = 0;
  virtual bool isOpen(AudioSlot slot) const = 0;
  // The file open in `slot`, empty when closed.
  virtual std::filesystem::path openPath(AudioSlot slot) const = 0;
  // Length of the open medium in milliseconds; 0 when closed.
  virtual std::int32_t lengthMs(AudioSlot slot) const = 0;
  // Plays the open medium from `fromMs` to `toMs` (to its end when toMs is negative or past
  // the end), restarting it when it plays already; a MIDI file always plays whole. False when
  // nothing is open.
  virtual bool play(AudioSlot slot, std::int32_t fromMs = 0, std::int32_t toMs = -1) = 0;
  // Stops play; the medium stays open. Returns the device's error code, 0 on success.
  virtual int stop(AudioSlot slot) = 0;
  // Stops and closes. Returns the device's error code, 0 on success.
  virtual int close(AudioSlot slot) = 0;
  // Whether a play started in `slot` is still going (not stopped, not ended by itself).
  virtual bool sounding(AudioSlot slot) const = 0;
  // The tick count events are stamped with: the caller's clock, or while an end listener
  // runs, the moment that end happened.
  virtual std::uint32_t now() const = 0;

 protected:
  void notifyEnd(AudioSlot slot) {
    if (endListener_) endListener_(slot);
  }

 private:
  EndListener endListener_;
};

}  // namespace qw
