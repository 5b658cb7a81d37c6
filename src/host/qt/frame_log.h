// A trace of what the window shows and when, for measuring its pacing from outside
// (bench/qt-measure).
// Off unless QW_FRAME_LOG names a file; then one line per event, each starting with the
// CLOCK_MONOTONIC time in microseconds:
//   <us> paint <presents since the last paint> <lit: 1 when the picture is not all black>
//              <microseconds spent painting and flushing to the display>
//   <us> caption <text>
//   <us> wait <microseconds to the deadline>   a wait with a deadline begins
//   <us> woke                                   and ends
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace qw {

class FrameLog {
 public:
  // Null when QW_FRAME_LOG is unset or its file cannot be written (said on standard error).
  static std::unique_ptr<FrameLog> FromEnvironment();
  explicit FrameLog(std::FILE* file) : file_(file) {}
  ~FrameLog();
  FrameLog(const FrameLog&) = delete;
  FrameLog& operator=(const FrameLog&) = delete;

  void presented() { ++presents_; }
  void painted(bool lit, std::chrono::microseconds spent);
  void caption(const std::string& text);
  void waitBegins(std::int64_t usAhead);
  void waitEnds();

 private:
  void line(const char* what, const std::string& detail);

  std::FILE* file_;
  std::uint64_t presents_ = 0;
};

}  // namespace qw
