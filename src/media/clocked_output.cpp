#include "media/clocked_output.h"

#include <algorithm>
#include <utility>

#include "media/media_file.h"

namespace qw {

namespace {

// Ticks wrap like a 32-bit counter: order them by their distance from `now`.
std::int32_t Since(std::uint32_t tick, std::uint32_t now) {
  return static_cast<std::int32_t>(tick - now);
}

}  // namespace

ClockedOutput::ClockedOutput(std::function<std::uint32_t()> clock) : clock_(std::move(clock)) {}

bool ClockedOutput::open(AudioSlot slot, const std::filesystem::path& path) {
  close(slot);
  ProbeResult probe = ProbeMedium(path);
  if (!probe.info || (probe.info->kind == MediumKind::Midi && !SlotPlaysMidi(slot))) return false;
  Slot& s = slot_(slot);
  s.open = true;
  s.midi = probe.info->kind == MediumKind::Midi;
  s.path = path;
  s.lengthMs = probe.info->lengthMs;
  return true;
}

bool ClockedOutput::play(AudioSlot slot, std::int32_t fromMs, std::int32_t toMs) {
  Slot& s = slot_(slot);
  if (!s.open) return false;
  // A synthesiser plays a MIDI file whole, as the real output does.
  std::int32_t from = s.midi ? 0 : std::clamp(fromMs, 0, s.lengthMs);
  std::int32_t to = toMs < 0 || s.midi ? s.lengthMs : std::clamp(toMs, from, s.lengthMs);
  s.sounding = true;
  // A play takes at least a millisecond, so that endless repetition cannot stall the clock.
  s.endTick = now() + static_cast<std::uint32_t>(std::max(to - from, 1));
  return true;
}

int ClockedOutput::stop(AudioSlot slot) {
  slot_(slot).sounding = false;
  return 0;
}

int ClockedOutput::close(AudioSlot slot) {
  slot_(slot) = Slot{};
  return 0;
}

std::uint32_t ClockedOutput::now() const {
  return delivering_ ? *delivering_ : clock_();
}

std::optional<std::uint32_t> ClockedOutput::nextDeadline() const {
  std::optional<std::uint32_t> next;
  const std::uint32_t t = now();
  for (const Slot& s : slots_) {
    if (s.sounding && (!next || Since(s.endTick, t) < Since(*next, t))) next = s.endTick;
  }
  return next;
}

void ClockedOutput::advance() {
  const std::uint32_t clock = clock_();
  for (;;) {
    // The earliest end due by the clock; slots in their order when ends coincide.
    int due = -1;
    for (int i = 0; i < kAudioSlotCount; ++i) {
      const Slot& s = slots_[static_cast<std::size_t>(i)];
      if (!s.sounding || Since(s.endTick, clock) > 0) continue;
      if (due < 0 || Since(s.endTick, slots_[static_cast<std::size_t>(due)].endTick) < 0) due = i;
    }
    if (due < 0) return;
    Slot& s = slots_[static_cast<std::size_t>(due)];
    s.sounding = false;
    struct Delivering {
      std::optional<std::uint32_t>& tick;
      ~Delivering() { tick.reset(); }
    } delivering{delivering_};
    delivering_ = s.endTick;
    notifyEnd(static_cast<AudioSlot>(due));
  }
}

}  // namespace qw
