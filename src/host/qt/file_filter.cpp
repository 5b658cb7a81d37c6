#include "host/qt/file_filter.h"

#include <vector>

namespace qw {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  while (true) {
    const auto end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

// Windows patterns are separated by ";", Qt's by blanks; "*.*" means every file, also those
// without a dot, which Qt writes "*".
std::string QtPatterns(const std::string& patterns) {
  std::string out;
  for (const std::string& pattern : Split(patterns, ';')) {
    std::string trimmed;
    for (char c : pattern) {
      if (c != ' ' && c != '\t') trimmed += c;
    }
    if (trimmed.empty()) continue;
    if (trimmed == "*.*") trimmed = "*";
    if (!out.empty()) out += ' ';
    out += trimmed;
  }
  return out.empty() ? "*" : out;
}

}  // namespace

std::string QtFileFilter(const std::string& windowsFilter) {
  if (windowsFilter.empty()) return {};
  const std::vector<std::string> parts = Split(windowsFilter, '|');
  std::string out;
  for (std::size_t i = 0; i < parts.size(); i += 2) {
    const bool hasPattern = i + 1 < parts.size() && !parts[i + 1].empty();
    if (parts[i].empty() && !hasPattern) continue;  // a trailing "|"
    const std::string patterns = QtPatterns(i + 1 < parts.size() ? parts[i + 1] : "");
    std::string label = parts[i];
    if (label.empty()) label = patterns;
    if (!out.empty()) out += ";;";
    out += label + " (" + patterns + ")";
  }
  return out;
}

}  // namespace qw
