#include "host/qt/frame_log.h"

#include <time.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace qw {

std::unique_ptr<FrameLog> FrameLog::FromEnvironment() {
  const char* path = std::getenv("QW_FRAME_LOG");
  if (!path || !*path) return nullptr;
  std::FILE* file = std::fopen(path, "w");
  if (!file) {
    std::fprintf(stderr, "quillwork: cannot write the frame log %s: %s\n", path,
                 std::strerror(errno));
    return nullptr;
  }
  // A measuring script may end the process at any moment: every line is out at once.
  std::setvbuf(file, nullptr, _IOLBF, 0);
  return std::make_unique<FrameLog>(file);
}

FrameLog::~FrameLog() {
  std::fclose(file_);
}

void FrameLog::painted(bool lit, std::chrono::microseconds spent) {
  line("paint", std::to_string(presents_) + (lit ? " 1 " : " 0 ") + std::to_string(spent.count()));
  presents_ = 0;
}

void FrameLog::caption(const std::string& text) {
  line("caption", text);
}

void FrameLog::waitBegins(std::int64_t usAhead) {
  line("wait", std::to_string(usAhead));
}

void FrameLog::waitEnds() {
  line("woke", {});
}

void FrameLog::line(const char* what, const std::string& detail) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const long long us = static_cast<long long>(now.tv_sec) * 1000000LL + now.tv_nsec / 1000;
  std::fprintf(file_, "%lld %s %s\n", us, what, detail.c_str());
}

}  // namespace qw
