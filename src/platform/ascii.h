// Letter case of ASCII letters, for names, keys and extensions. Other bytes are left alone.
#pragma once

#include <string>
#include <string_view>

namespace qw {

constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    c = AsciiLower(c);
  return out;
}

inline bool AsciiEqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// The extension of a file name from its last "." after the last separator, in lower case;
// empty when there is none.
inline std::string LowerExtension(std::string_view name) {
  std::size_t dot = name.rfind('.');
  std::size_t slash = name.find_last_of("\\/");
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return AsciiLower(name.substr(dot));
}

}  // namespace qw
