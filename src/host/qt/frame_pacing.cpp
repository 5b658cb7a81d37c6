#include "host/qt/frame_pacing.h"

#include <algorithm>

namespace qw {

std::int64_t FramePeriodNs(double rateHz) {
  const double rate = rateHz > 0 ? std::clamp(rateHz, 30.0, 240.0) : 60.0;
  return static_cast<std::int64_t>(1e9 / rate);
}

int RepaintDelayMs(std::int64_t periodNs, std::int64_t sinceLastNs) {
  const std::int64_t left = periodNs - sinceLastNs;
  if (left <= 0) return 0;
  return static_cast<int>((left + 999999) / 1000000);
}

}  // namespace qw
