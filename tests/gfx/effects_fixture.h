// A TimedFrameSink on a virtual clock that records what an effect presents, pauses and waits
// for, with scripted mouse presses; and a folder of picture files for the effects to load.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "gfx/effect_sink.h"
#include "gfx/picture_writers.h"
#include "recording_reporter.h"

namespace qw::testing {

struct SinkEvent {
  enum Kind { Present, Pause, Round };
  Kind kind = Present;
  IntRect area;             // Present
  std::uint32_t value = 0;  // Pause: its length; Round: its deadline
  std::uint32_t at = 0;     // the clock when it began
};

struct MouseAt {
  std::uint32_t at = 0;
  bool down = true;  // false: a release
};

class EffectsRecorder : public TimedFrameSink {
 public:
  static constexpr std::uint32_t kStart = 10'000'000;

  Surface& shown() override { return screen; }
  void present(const IntRect& area) override {
    events.push_back({SinkEvent::Present, area, 0, now});
    if (onPresent) onPresent(screen);
    now += drawCost;
  }
  void pause(std::uint32_t ms) override {
    events.push_back({SinkEvent::Pause, {}, ms, now});
    now += ms;
    deliverDue();
  }
  std::uint32_t ticks() override { return now; }
  void waitRound(std::uint32_t deadline) override {
    events.push_back({SinkEvent::Round, {}, deadline, now});
    const std::uint32_t due = next < input.size() ? kStart + input[next].at : deadline;
    if (TickBefore(due, deadline)) {
      // A press or release before the deadline ends the round when it comes.
      if (TickBefore(now, due)) now = due;
    } else if (TickBefore(now, deadline)) {
      now = deadline;
    }
    deliverDue();
  }
  bool buttonHeld() override { return down && !up; }
  void clearMouseSignals() override {
    down = up = false;
    ++clears;
  }

  std::vector<SinkEvent> of(SinkEvent::Kind kind) const {
    std::vector<SinkEvent> out;
    for (const SinkEvent& e : events) {
      if (e.kind == kind) out.push_back(e);
    }
    return out;
  }
  std::vector<std::uint32_t> presentTimes() const {
    std::vector<std::uint32_t> out;
    for (const SinkEvent& e : of(SinkEvent::Present))
      out.push_back(e.at - kStart);
    return out;
  }

  Surface screen{640, 480};
  std::uint32_t now = kStart;
  std::uint32_t drawCost = 0;  // virtual milliseconds each present takes
  std::vector<SinkEvent> events;
  std::vector<MouseAt> input;  // times relative to kStart, in order
  std::size_t next = 0;
  bool down = false;
  bool up = false;
  int clears = 0;
  std::function<void(const Surface&)> onPresent;

 private:
  void deliverDue() {
    while (next < input.size() && !TickBefore(now, kStart + input[next].at)) {
      (input[next].down ? down : up) = true;
      ++next;
    }
  }
};

// Every pixel distinct within a picture, the fourth byte 0 (as 24-bit files load).
inline Surface Pattern(int width, int height, std::uint32_t tag) {
  Surface s(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      s.at(x, y) = ((tag & 0xF) << 20) | (static_cast<std::uint32_t>(y & 0x3FF) << 10) |
                   static_cast<std::uint32_t>(x & 0x3FF);
    }
  }
  return s;
}

// A temporary scenario folder that stands for "%DATA_DRIVE%".
class PictureFolder {
 public:
  PictureFolder() {
    std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(test.begin(), test.end(), '/', '_');  // parameterised names hold "/"
    dir_ = std::filesystem::temp_directory_path() /
           ("qw_effects_" + std::to_string(::getpid()) + "_" + test);
    std::filesystem::create_directories(dir_);
    root_ = dir_.string();
  }
  ~PictureFolder() { std::filesystem::remove_all(dir_); }
  PictureFolder(const PictureFolder&) = delete;
  PictureFolder& operator=(const PictureFolder&) = delete;

  // Writes `picture` as a 24-bit BMP and returns its script name.
  std::string add(const std::string& file, const Surface& picture) {
    std::ofstream(dir_ / file, std::ios::binary) << WriteBmp(picture, BmpOptions{});
    return "%DATA_DRIVE%\\" + file;
  }
  PictureFiles files() { return {root_, reporter, nullptr}; }
  const std::filesystem::path& path() const { return dir_; }

  RecordingReporter reporter;

 private:
  std::filesystem::path dir_;
  std::string root_;
};

}  // namespace qw::testing
