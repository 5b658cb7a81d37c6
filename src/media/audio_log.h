// Every medium started, ended by itself or stopped, in order: what a headless report lists so
// that an author's test can check the sound of a scenario.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qw {

struct AudioEvent {
  std::uint32_t ms = 0;  // since the log's origin
  std::string channel;   // "music", "sound", "cd", "voice", "click" or "movie"
  std::string event;     // "play", "end" or "stop"
  std::string file;      // CP932, as the channel record holds it
};

class AudioLog {
 public:
  static constexpr std::size_t kMaxEntries = 10'000;
  // File names longer than this are cut (at a character boundary) so the full log stays small.
  static constexpr std::size_t kMaxFileBytes = 1024;

  explicit AudioLog(std::uint32_t originTicks = 0) : origin_(originTicks) {}

  // Events are stamped with tick counts; the log keeps them as time since `ticks`.
  void setOrigin(std::uint32_t ticks) { origin_ = ticks; }
  // Adds an entry unless the log is full.
  void record(std::uint32_t ticks, std::string_view channel, std::string_view event,
              std::string_view file);
  const std::vector<AudioEvent>& entries() const { return entries_; }
  void clear() { entries_.clear(); }

 private:
  std::uint32_t origin_;
  std::vector<AudioEvent> entries_;
};

}  // namespace qw
