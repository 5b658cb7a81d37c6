#include "state/read_text.h"

#include <algorithm>
#include <optional>

#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "state/config.h"

namespace qw {

void ReadTextRecord::Create(std::int32_t bytes) {
  bits_.assign(static_cast<std::size_t>(std::clamp(bytes, 0, kMaxTextIndexBytes)), 0);
  exists_ = true;
}

void ReadTextRecord::Reset() {
  bits_.clear();
  exists_ = false;
}

bool ReadTextRecord::inRange(std::int64_t id) const {
  return exists_ && id >= 0 && id < static_cast<std::int64_t>(bits_.size()) * 8;
}

bool ReadTextRecord::isRead(std::int64_t id) const {
  if (!inRange(id)) return false;
  return (bits_[static_cast<std::size_t>(id / 8)] >> (id % 8)) & 1;
}

void ReadTextRecord::markRead(std::int64_t id) {
  if (!inRange(id)) return;
  bits_[static_cast<std::size_t>(id / 8)] |= static_cast<std::uint8_t>(1u << (id % 8));
}

bool ReadTextRecord::CheckCharacter(std::int64_t id, bool& skipMode) {
  bool skipped = false;
  if (skipMode && inRange(id) && isRead(id)) {
    skipped = true;
  } else {
    skipMode = false;
  }
  markRead(id);
  return skipped;
}

bool ReadTextRecord::Load(const std::filesystem::path& path) {
  if (!exists_) return false;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  std::optional<std::string> data = ReadFileHead(path, bits_.size());
  if (!data) return false;
  std::fill(bits_.begin(), bits_.end(), std::uint8_t{0});
  std::copy(data->begin(), data->end(), bits_.begin());
  return true;
}

bool ReadTextRecord::Save(const std::filesystem::path& path) const {
  if (!exists_) return false;
  return WriteFileAtomically(
      path, std::string_view(reinterpret_cast<const char*>(bits_.data()), bits_.size()));
}

std::filesystem::path ReadTextRecordPath(std::string_view savePath) {
  return ResolvePath(std::string(savePath) + "textid.dat");
}

}  // namespace qw
