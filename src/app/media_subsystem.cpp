#include "app/media_subsystem.h"

#include <utility>

#include "app/engine.h"
#include "media/clocked_output.h"
#include "media/sdl_mixer_output.h"

namespace qw {

namespace {

// How long past its length a synchronous sound is waited for when its end never arrives
// (a real device that stalls).
constexpr std::uint32_t kLateEndMs = 1000;

}  // namespace

// The clocked output with the host's wake set to its next end, so that a wait of any length
// (or a headless jump of the virtual clock) stops there and the end is delivered on time.
class WakingClockedOutput final : public AudioOutput {
 public:
  explicit WakingClockedOutput(Host& host)
      : host_(host), clocked_([&host] { return host.ticks(); }) {
    clocked_.setEndListener([this](AudioSlot slot) { notifyEnd(slot); });
  }
  ~WakingClockedOutput() override { host_.cancelWake(); }
  WakingClockedOutput(const WakingClockedOutput&) = delete;
  WakingClockedOutput& operator=(const WakingClockedOutput&) = delete;

  bool open(AudioSlot slot, const std::filesystem::path& path) override {
    const bool opened = clocked_.open(slot, path);
    Rearm();
    return opened;
  }
  bool isOpen(AudioSlot slot) const override { return clocked_.isOpen(slot); }
  std::filesystem::path openPath(AudioSlot slot) const override { return clocked_.openPath(slot); }
  std::int32_t lengthMs(AudioSlot slot) const override { return clocked_.lengthMs(slot); }
  bool play(AudioSlot slot, std::int32_t fromMs, std::int32_t toMs) override {
    const bool playing = clocked_.play(slot, fromMs, toMs);
    Rearm();
    return playing;
  }
  int stop(AudioSlot slot) override {
    const int error = clocked_.stop(slot);
    Rearm();
    return error;
  }
  int close(AudioSlot slot) override {
    const int error = clocked_.close(slot);
    Rearm();
    return error;
  }
  bool sounding(AudioSlot slot) const override { return clocked_.sounding(slot); }
  std::uint32_t now() const override { return clocked_.now(); }

  // The host's wake: ends what is due and sets the wake for the next end.
  void Wake() {
    clocked_.advance();
    Rearm();
  }

 private:
  void Rearm() {
    if (std::optional<std::uint32_t> next = clocked_.nextDeadline()) {
      host_.wakeAt(*next);
    } else {
      host_.cancelWake();
    }
  }

  Host& host_;
  ClockedOutput clocked_;
};

MediaSubsystem::MediaSubsystem(TFmain& engine) : engine_(engine), log_(engine.host().ticks()) {
  UseClockedOutput();
}

MediaSubsystem::~MediaSubsystem() = default;

void MediaSubsystem::UseClockedOutput() {
  auto output = std::make_unique<WakingClockedOutput>(engine_.host());
  WakingClockedOutput* clocked = output.get();
  Attach(std::move(output), clocked);
}

void MediaSubsystem::UseSdlOutput(const std::string& driver) {
  Host& host = engine_.host();
  SdlMixerOptions options;
  options.clock = [&host] { return host.ticks(); };
  options.post = [&host](std::function<void()> task) { host.post(std::move(task)); };
  options.driver = driver;
  // Only one SDL output may exist: the one in use goes first.
  channels_.reset();
  output_.reset();
  clocked_ = nullptr;
  Attach(std::make_unique<SdlMixerOutput>(std::move(options)), nullptr);
}

void MediaSubsystem::Attach(std::unique_ptr<AudioOutput> output, WakingClockedOutput* clocked) {
  channels_.reset();
  output_ = std::move(output);
  clocked_ = clocked;
  MediaOptions options;
  options.dataRoot = engine_.options().dataRoot;
  TFmain& engine = engine_;
  options.musicEnabled = [&engine] { return engine.menu().checked("Kmusic"); };
  options.soundEnabled = [&engine] { return engine.menu().checked("Ksound"); };
  options.log = &log_;
  channels_ = std::make_unique<MediaChannels>(*output_, std::move(options));
  channels_->SetMp3Timing(mp3Timing_);
}

void MediaSubsystem::SetMp3Timing(std::int32_t value) {
  mp3Timing_ = value;
  channels_->SetMp3Timing(value);
}

void MediaSubsystem::PlaySimpleSound(SimpleSoundKind kind, const std::string& cp932File,
                                     bool wait) {
  const std::optional<std::int32_t> length = channels_->PlaySimpleSound(kind, cp932File);
  if (!wait || !length) return;
  Waiter& waiter = engine_.waiter();
  const std::uint32_t deadline = waiter.now() + static_cast<std::uint32_t>(*length) + kLateEndMs;
  waiter.untilTickOr(deadline, [this] { return !output_->sounding(AudioSlot::Simple); });
}

void MediaSubsystem::LogMovie(std::string_view event, const std::string& cp932File) {
  channels_->LogEvent("movie", event, cp932File);
}

void MediaSubsystem::OnWake() {
  if (clocked_) clocked_->Wake();
}

void MediaSubsystem::ResetForTitle() {
  channels_->StopAll();
}

}  // namespace qw
