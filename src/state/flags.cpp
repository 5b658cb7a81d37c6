#include "state/flags.h"

#include <limits>

#include "platform/cp932.h"
#include "platform/errors.h"

namespace qw {

std::int32_t StrToInt(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  std::int64_t value = 0;
  bool valid = i < text.size();
  for (; valid && i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') {
      valid = false;
      break;
    }
    value = value * 10 + (c - '0');
    if (value > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1) {
      valid = false;
    }
  }
  if (valid) {
    if (negative) value = -value;
    if (value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max()) {
      return static_cast<std::int32_t>(value);
    }
  }
  throw FrameworkError("'" + Cp932ToUtf8(text) + "' is not a valid integer value");
}

void FlagStore::set(int index, std::string value) {
  if (value.size() > kMaxCellBytes) {
    std::size_t end = 0;
    while (end < value.size()) {
      const std::size_t next = end + CharLength(value, end);
      if (next > kMaxCellBytes) break;
      end = next;
    }
    value.resize(end);
  }
  cells_[static_cast<std::size_t>(index)] = std::move(value);
}

std::int32_t FlagStore::integer(int index) const {
  const std::string& cell = text(index);
  return cell.empty() ? 0 : StrToInt(cell);
}

void FlagStore::clearRange(std::int32_t kind, const std::string& value) {
  int first = 0;
  int last = 0;
  switch (kind) {
    case 0: first = 0; last = kLocalCount; break;
    case 1: first = kLocalCount; last = kCount; break;
    case 2: first = 0; last = kCount; break;
    default: return;
  }
  for (int i = first; i < last; ++i) set(i, value);
}

}  // namespace qw
