#include "state/config.h"

#include "platform/errors.h"
#include "platform/paths.h"
#include "script/source.h"
#include "state/flags.h"

namespace qw {
namespace {

bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

bool ConfigFile::load(const std::string& path) {
  entries_.clear();
  std::optional<std::string> bytes = ReadFileBytes(ResolvePath(path));
  if (!bytes) return false;
  parse(*bytes);
  return true;
}

void ConfigFile::parse(std::string_view bytes) {
  entries_.clear();
  for (const std::string& line : SplitLines(bytes)) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    entries_.emplace_back(line.substr(0, eq), line.substr(eq + 1));
  }
}

std::string ConfigFile::value(std::string_view key) const {
  for (const auto& [k, v] : entries_) {
    if (SameKey(k, key)) return v;
  }
  return {};
}

bool ConfigFile::has(std::string_view key) const {
  for (const auto& entry : entries_) {
    if (SameKey(entry.first, key)) return true;
  }
  return false;
}

}  // namespace qw

namespace qw {

std::int32_t ConfigFile::integer(std::string_view key, std::int32_t fallback) const {
  std::string text = value(key);
  if (text.empty()) return fallback;
  try {
    return StrToInt(text);
  } catch (const FrameworkError&) {
    return fallback;
  }
}

}  // namespace qw
