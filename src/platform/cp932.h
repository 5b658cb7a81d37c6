// Code page 932 (Shift-JIS with the Windows extensions) at the edges of the engine.
#pragma once

#include <string>
#include <string_view>

namespace qw {

// An iconv descriptor from `from` to `to`; throws std::runtime_error with a clear message when
// the system has no such converter (instead of passing bytes through unconverted).
void* OpenIconv(const char* to, const char* from);

// A byte that starts a double-byte character.
constexpr bool IsLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Length in bytes of the character at `pos`: 2 for a lead byte followed by another byte,
// else 1.
inline std::size_t CharLength(std::string_view s, std::size_t pos) {
  return (IsLeadByte(static_cast<unsigned char>(s[pos])) && pos + 1 < s.size()) ? 2 : 1;
}

// Bytes that do not convert become U+FFFD.
std::string Cp932ToUtf8(std::string_view cp932);
// Characters code page 932 cannot hold become "?".
std::string Utf8ToCp932(std::string_view utf8);

}  // namespace qw
