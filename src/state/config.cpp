#include "state/config.h"

#include "platform/ascii.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "script/source.h"
#include "state/flags.h"

namespace qw {

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
    if (AsciiEqualIgnoringCase(k, key)) return v;
  }
  return {};
}

bool ConfigFile::has(std::string_view key) const {
  for (const auto& entry : entries_) {
    if (AsciiEqualIgnoringCase(entry.first, key)) return true;
  }
  return false;
}

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
