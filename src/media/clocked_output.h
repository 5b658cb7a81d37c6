// An output that plays nothing and keeps time instead: each medium is opened and checked as
// the real output does, and ends when the caller's clock passes its start plus its length.
// The headless host uses it, so repeat counts and the ends of media are exact on its virtual
// clock and take no real time.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "media/audio_output.h"

namespace qw {

class ClockedOutput final : public AudioOutput {
 public:
  // `clock` gives the tick count (the host's ticks()).
  explicit ClockedOutput(std::function<std::uint32_t()> clock);

  bool open(AudioSlot slot, const std::filesystem::path& path) override;
  bool isOpen(AudioSlot slot) const override { return slot_(slot).open; }
  std::filesystem::path openPath(AudioSlot slot) const override { return slot_(slot).path; }
  std::int32_t lengthMs(AudioSlot slot) const override { return slot_(slot).lengthMs; }
  bool play(AudioSlot slot, std::int32_t fromMs = 0, std::int32_t toMs = -1) override;
  int stop(AudioSlot slot) override;
  int close(AudioSlot slot) override;
  bool sounding(AudioSlot slot) const override { return slot_(slot).sounding; }
  std::uint32_t now() const override;

  // The tick at which the next playing medium ends; nothing while none plays. The caller
  // wakes by then and calls advance().
  std::optional<std::uint32_t> nextDeadline() const;
  // Ends, in the order of their ticks, every play due by the clock's time. A play that the
  // end listener starts again counts from the end that caused it, so repeats stay exact even
  // when the caller comes late.
  void advance();

 private:
  struct Slot {
    bool open = false;
    bool sounding = false;
    bool midi = false;
    std::filesystem::path path;
    std::int32_t lengthMs = 0;
    std::uint32_t endTick = 0;
  };
  Slot& slot_(AudioSlot s) { return slots_[static_cast<std::size_t>(s)]; }
  const Slot& slot_(AudioSlot s) const { return slots_[static_cast<std::size_t>(s)]; }

  std::function<std::uint32_t()> clock_;
  std::array<Slot, kAudioSlotCount> slots_;
  std::optional<std::uint32_t> delivering_;  // the tick of the end being delivered
};

}  // namespace qw
