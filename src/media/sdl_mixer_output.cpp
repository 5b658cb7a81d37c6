#include "media/sdl_mixer_output.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <vector>

#include "media/audio_decoder.h"
#include "media/media_file.h"
#include "media/soundfont.h"

namespace qw {

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kFrameBytes = kChannels * static_cast<int>(sizeof(std::int16_t));
constexpr int kBufferFrames = 2048;
// The mixer channel of each slot's sampled sound.
constexpr std::array<int, kAudioSlotCount> kMixChannel = {4, 0, 1, 2, 3};

constexpr int Index(AudioSlot slot) {
  return static_cast<int>(slot);
}

}  // namespace

// What the audio thread reads while a sampled sound plays: handed over when its effect is
// registered and taken back once the channel has been halted.
struct StreamPlay {
  std::unique_ptr<AudioDecoder> decoder;
  std::int64_t framesLeft = 0;  // to the end position
  std::atomic<bool> ended{false};
  SdlMixerOutput::Impl* impl = nullptr;
  AudioSlot slot = AudioSlot::Music;
  std::uint32_t generation = 0;
};

class SdlMixerOutput::Impl {
 public:
  Impl(SdlMixerOutput& owner, SdlMixerOptions options)
      : owner_(owner), options_(std::move(options)) {}

  struct Slot {
    bool open = false;
    bool sounding = false;
    bool midi = false;
    std::filesystem::path path;
    std::int32_t lengthMs = 0;
    std::uint32_t generation = 0;
    std::string midiBytes;
    Mix_Music* music = nullptr;
    std::unique_ptr<AudioDecoder> ready;  // opened and not yet played from
    std::unique_ptr<StreamPlay> stream;   // owned by the audio thread while it plays
  };

  bool ensureDevice();
  void closeDevice();
  bool open(AudioSlot slot, const std::filesystem::path& path);
  bool play(AudioSlot slot, std::int32_t fromMs, std::int32_t toMs);
  void halt(AudioSlot slot);
  void close(AudioSlot slot);
  void queueEnd(AudioSlot slot, std::uint32_t generation);
  void deliverEnds();

  static void MusicFinished();
  static void StreamEffect(int channel, void* stream, int len, void* udata);

  SdlMixerOutput& owner_;
  SdlMixerOptions options_;
  std::weak_ptr<Impl> self_;
  std::array<Slot, kAudioSlotCount> slots_;
  bool deviceTried_ = false;
  bool deviceOpen_ = false;
  std::string driver_;
  std::filesystem::path soundFont_;
  std::vector<std::uint8_t> silence_;
  Mix_Chunk* silentChunk_ = nullptr;
  // The music hook reads this on the audio thread.
  std::atomic<std::uint32_t> musicGeneration_{0};

  std::mutex endsMutex_;
  std::vector<std::pair<AudioSlot, std::uint32_t>> ends_;
  bool wakePosted_ = false;

  static std::atomic<Impl*> active_;
};

std::atomic<SdlMixerOutput::Impl*> SdlMixerOutput::Impl::active_{nullptr};

bool SdlMixerOutput::Impl::ensureDevice() {
  if (deviceTried_) return deviceOpen_;
  deviceTried_ = true;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  auto tryDriver = [](const char* driver) {
    if (driver) SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver, SDL_HINT_OVERRIDE);
    bool ok = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (driver) SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (!ok) return false;
    if (Mix_OpenAudioDevice(kRate, AUDIO_S16SYS, kChannels, kBufferFrames, nullptr, 0) != 0) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return false;
    }
    return true;
  };
  const char* wanted = options_.driver.empty() ? nullptr : options_.driver.c_str();
  deviceOpen_ = tryDriver(wanted);
  // No sound device: the story still plays, with its media timed as if heard.
  if (!deviceOpen_ && options_.driver != "dummy") deviceOpen_ = tryDriver("dummy");
  if (!deviceOpen_) return false;
  if (const char* name = SDL_GetCurrentAudioDriver()) driver_ = name;

  Mix_Init(MIX_INIT_MID);
  soundFont_ = options_.soundFont.empty() ? FindSoundFont() : options_.soundFont;
  if (!soundFont_.empty()) Mix_SetSoundFonts(soundFont_.string().c_str());
  Mix_AllocateChannels(kAudioSlotCount);
  silence_.assign(static_cast<std::size_t>(kBufferFrames) * kFrameBytes, 0);
  silentChunk_ = Mix_QuickLoad_RAW(silence_.data(), static_cast<Uint32>(silence_.size()));
  Mix_HookMusicFinished(&Impl::MusicFinished);
  return true;
}

void SdlMixerOutput::Impl::closeDevice() {
  if (!deviceOpen_) return;
  Mix_HookMusicFinished(nullptr);
  for (int i = 0; i < kAudioSlotCount; ++i)
    close(static_cast<AudioSlot>(i));
  if (silentChunk_) Mix_FreeChunk(silentChunk_);
  silentChunk_ = nullptr;
  Mix_CloseAudio();
  Mix_Quit();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  deviceOpen_ = false;
}

bool SdlMixerOutput::Impl::open(AudioSlot slot, const std::filesystem::path& path) {
  close(slot);
  if (!ensureDevice()) return false;
  Slot& s = slots_[Index(slot)];
  std::string error;
  if (StartsLikeMidi(path)) {
    if (!SlotPlaysMidi(slot)) return false;
    auto midi = LoadMidiMedium(path, error);
    if (!midi) return false;
    s.midiBytes = std::move(midi->bytes);
    SDL_RWops* rw = SDL_RWFromConstMem(s.midiBytes.data(), static_cast<int>(s.midiBytes.size()));
    s.music = rw ? Mix_LoadMUSType_RW(rw, MUS_MID, 1) : nullptr;
    if (!s.music) {
      s.midiBytes.clear();
      return false;
    }
    s.midi = true;
    s.lengthMs = midi->lengthMs;
  } else {
    s.ready = AudioDecoder::Open(path, error, kRate, kChannels);
    if (!s.ready) return false;
    s.lengthMs = s.ready->durationMs();
  }
  s.open = true;
  s.path = path;
  return true;
}

bool SdlMixerOutput::Impl::play(AudioSlot slot, std::int32_t fromMs, std::int32_t toMs) {
  Slot& s = slots_[Index(slot)];
  if (!s.open) return false;
  halt(slot);
  ++s.generation;
  if (s.midi) {
    musicGeneration_ = s.generation;
    if (Mix_PlayMusic(s.music, 1) != 0) return false;
    s.sounding = true;
    return true;
  }
  std::string error;
  std::unique_ptr<AudioDecoder> decoder = std::move(s.ready);
  if (!decoder) decoder = AudioDecoder::Open(s.path, error, kRate, kChannels, s.lengthMs);
  if (!decoder) return false;
  std::int32_t from = std::clamp(fromMs, 0, s.lengthMs);
  std::int32_t to = toMs < 0 ? s.lengthMs : std::clamp(toMs, from, s.lengthMs);
  if (from > 0) decoder->skip(static_cast<std::int64_t>(from) * kRate / 1000);
  auto stream = std::make_unique<StreamPlay>();
  stream->decoder = std::move(decoder);
  // A medium whose header is shorter than its sound ends where the header says, as timed.
  stream->framesLeft = static_cast<std::int64_t>(to - from) * kRate / 1000;
  stream->impl = this;
  stream->slot = slot;
  stream->generation = s.generation;
  const int channel = kMixChannel[Index(slot)];
  if (Mix_RegisterEffect(channel, &Impl::StreamEffect, nullptr, stream.get()) == 0) return false;
  s.stream = std::move(stream);
  if (Mix_PlayChannel(channel, silentChunk_, -1) < 0) {
    Mix_UnregisterAllEffects(channel);
    s.stream.reset();
    return false;
  }
  s.sounding = true;
  return true;
}

void SdlMixerOutput::Impl::halt(AudioSlot slot) {
  Slot& s = slots_[Index(slot)];
  if (s.midi && s.sounding) Mix_HaltMusic();
  if (s.stream) {
    const int channel = kMixChannel[Index(slot)];
    // Once the channel is halted and its effect removed, the audio thread is done with it.
    Mix_HaltChannel(channel);
    Mix_UnregisterAllEffects(channel);
    s.stream.reset();
  }
  s.sounding = false;
  ++s.generation;
  if (s.midi) musicGeneration_ = s.generation;
}

void SdlMixerOutput::Impl::close(AudioSlot slot) {
  Slot& s = slots_[Index(slot)];
  halt(slot);
  if (s.music) Mix_FreeMusic(s.music);
  std::uint32_t generation = s.generation;
  s = Slot{};
  s.generation = generation;
}

void SdlMixerOutput::Impl::queueEnd(AudioSlot slot, std::uint32_t generation) {
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(endsMutex_);
    ends_.emplace_back(slot, generation);
    wake = !wakePosted_ && options_.post;
    if (wake) wakePosted_ = true;
  }
  if (wake) {
    std::weak_ptr<Impl> self = self_;
    options_.post([self] {
      if (auto impl = self.lock()) impl->deliverEnds();
    });
  }
}

void SdlMixerOutput::Impl::deliverEnds() {
  std::vector<std::pair<AudioSlot, std::uint32_t>> ends;
  {
    std::lock_guard<std::mutex> lock(endsMutex_);
    ends.swap(ends_);
    wakePosted_ = false;
  }
  for (auto [slot, generation] : ends) {
    Slot& s = slots_[Index(slot)];
    // A stop or a newer play since then makes this end stale.
    if (!s.sounding || s.generation != generation) continue;
    halt(slot);
    owner_.notifyEnd(slot);
  }
}

void SdlMixerOutput::Impl::MusicFinished() {
  // Runs on the audio thread, or inside Mix_HaltMusic; the generation tells them apart later.
  if (Impl* impl = active_.load()) impl->queueEnd(AudioSlot::Music, impl->musicGeneration_.load());
}

void SdlMixerOutput::Impl::StreamEffect(int /*channel*/, void* stream, int len, void* udata) {
  auto* play = static_cast<StreamPlay*>(udata);
  auto* out = static_cast<std::int16_t*>(stream);
  const int frames = len / kFrameBytes;
  int got = 0;
  if (!play->ended.load(std::memory_order_relaxed)) {
    int want = static_cast<int>(std::min<std::int64_t>(frames, play->framesLeft));
    got = want > 0 ? play->decoder->read(out, want) : 0;
    play->framesLeft -= got;
  }
  std::memset(out + static_cast<std::ptrdiff_t>(got) * kChannels, 0,
              static_cast<std::size_t>(len - got * kFrameBytes));
  if (got < frames && !play->ended.exchange(true)) {
    play->impl->queueEnd(play->slot, play->generation);
  }
}

// ---- SdlMixerOutput ----

SdlMixerOutput::SdlMixerOutput(SdlMixerOptions options)
    : impl_(std::make_shared<Impl>(*this, std::move(options))) {
  impl_->self_ = impl_;
  Impl* expected = nullptr;
  if (!Impl::active_.compare_exchange_strong(expected, impl_.get())) {
    throw std::logic_error("only one SdlMixerOutput may exist at a time");
  }
}

SdlMixerOutput::~SdlMixerOutput() {
  impl_->closeDevice();
  Impl::active_ = nullptr;
}

bool SdlMixerOutput::open(AudioSlot slot, const std::filesystem::path& path) {
  return impl_->open(slot, path);
}
bool SdlMixerOutput::isOpen(AudioSlot slot) const {
  return impl_->slots_[Index(slot)].open;
}
std::filesystem::path SdlMixerOutput::openPath(AudioSlot slot) const {
  return impl_->slots_[Index(slot)].path;
}
std::int32_t SdlMixerOutput::lengthMs(AudioSlot slot) const {
  return impl_->slots_[Index(slot)].lengthMs;
}
bool SdlMixerOutput::play(AudioSlot slot, std::int32_t fromMs, std::int32_t toMs) {
  return impl_->play(slot, fromMs, toMs);
}
int SdlMixerOutput::stop(AudioSlot slot) {
  impl_->halt(slot);
  return 0;
}
int SdlMixerOutput::close(AudioSlot slot) {
  impl_->close(slot);
  return 0;
}
bool SdlMixerOutput::sounding(AudioSlot slot) const {
  return impl_->slots_[Index(slot)].sounding;
}
std::uint32_t SdlMixerOutput::now() const {
  return impl_->options_.clock ? impl_->options_.clock() : SDL_GetTicks();
}
void SdlMixerOutput::deliverEnds() {
  impl_->deliverEnds();
}
std::string SdlMixerOutput::driverName() const {
  return impl_->driver_;
}
std::filesystem::path SdlMixerOutput::soundFont() const {
  return impl_->soundFont_;
}

}  // namespace qw
