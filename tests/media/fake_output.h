// An AudioOutput that records what the channels ask of it: files open unless their name says
// "bad", every medium lasts as long as `lengthMs` says, and a test ends plays by hand.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "media/audio_output.h"

namespace qw::testing {

struct OutputCall {
  std::string op;  // "open", "play", "stop", "close"
  AudioSlot slot;
  std::string file;  // the file name part of the path
  std::int32_t from = 0;
  std::int32_t to = 0;
};

class FakeOutput final : public AudioOutput {
 public:
  std::int32_t lengthOfEach = 1500;
  int stopError = 0;
  int closeError = 0;  // a failing close leaves the slot open
  std::uint32_t time = 5000;
  std::vector<OutputCall> calls;

  bool open(AudioSlot slot, const std::filesystem::path& path) override {
    calls.push_back({"open", slot, path.filename().string()});
    Slot& s = at(slot);
    s = Slot{};
    if (path.filename().string().find("bad") != std::string::npos) return false;
    s.open = true;
    s.path = path;
    return true;
  }
  bool isOpen(AudioSlot slot) const override { return at(slot).open; }
  std::filesystem::path openPath(AudioSlot slot) const override { return at(slot).path; }
  std::int32_t lengthMs(AudioSlot slot) const override { return at(slot).open ? lengthOfEach : 0; }
  bool play(AudioSlot slot, std::int32_t from, std::int32_t to) override {
    Slot& s = at(slot);
    calls.push_back({"play", slot, s.path.filename().string(), from, to});
    if (!s.open) return false;
    s.sounding = true;
    return true;
  }
  int stop(AudioSlot slot) override {
    calls.push_back({"stop", slot, at(slot).path.filename().string()});
    at(slot).sounding = false;
    return stopError;
  }
  int close(AudioSlot slot) override {
    calls.push_back({"close", slot, at(slot).path.filename().string()});
    at(slot).sounding = false;
    if (closeError != 0) return closeError;
    at(slot) = Slot{};
    return 0;
  }
  bool sounding(AudioSlot slot) const override { return at(slot).sounding; }
  std::uint32_t now() const override { return time; }

  // The medium in `slot` reaches its end by itself.
  void end(AudioSlot slot) {
    at(slot).sounding = false;
    notifyEnd(slot);
  }
  // Calls of one kind, as "op:file" texts.
  std::vector<std::string> ops(const std::string& op) const {
    std::vector<std::string> out;
    for (const auto& c : calls) {
      if (c.op == op) out.push_back(c.file);
    }
    return out;
  }

 private:
  struct Slot {
    bool open = false;
    bool sounding = false;
    std::filesystem::path path;
  };
  Slot& at(AudioSlot slot) { return slots_[static_cast<std::size_t>(slot)]; }
  const Slot& at(AudioSlot slot) const { return slots_[static_cast<std::size_t>(slot)]; }
  std::array<Slot, kAudioSlotCount> slots_;
};

}  // namespace qw::testing
