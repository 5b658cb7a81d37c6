#include "media/audio_log.h"

#include "platform/cp932.h"

namespace qw {

void AudioLog::record(std::uint32_t ticks, std::string_view channel, std::string_view event,
                      std::string_view file) {
  if (entries_.size() >= kMaxEntries) return;
  // The tick count wraps like a 32-bit counter; the difference stays right across the wrap.
  std::size_t end = 0;
  while (end < file.size() && end + CharLength(file, end) <= kMaxFileBytes)
    end += CharLength(file, end);
  entries_.push_back({ticks - origin_, std::string(channel), std::string(event),
                      std::string(file.substr(0, end))});
}

}  // namespace qw
