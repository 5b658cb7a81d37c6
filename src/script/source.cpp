#include "script/source.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/cp932.h"
#include "platform/file_read.h"
#include "platform/paths.h"

namespace qw {

std::vector<std::string> SplitLines(std::string_view bytes) {
  std::size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  std::vector<std::string> lines;
  // Sized once: a long script would otherwise move its lines several times while growing.
  lines.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
  // Line ends are found with memchr; the next "\n" is kept across lines, so that a file of
  // "\r" ends alone is not searched to its end for every line.
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  const char* nextLf = nullptr;
  while (p < end) {
    if (nextLf == nullptr || nextLf < p) {
      nextLf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
      if (nextLf == nullptr) nextLf = end;
    }
    const char* cr =
        static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(nextLf - p)));
    const char* stop = cr != nullptr ? cr : nextLf;
    lines.emplace_back(p, static_cast<std::size_t>(stop - p));
    if (stop == end) break;
    p = stop + 1;
    if (*stop == '\r' && p < end && *p == '\n') ++p;
  }
  return lines;
}

std::int32_t DeriveScriptKey(std::int32_t fileValue) {
  // Every step keeps the value within 32 bits and the last sign change makes it positive, so
  // both key bytes stay below 32 and the cipher stays its own inverse.
  std::int64_t a = static_cast<std::int32_t>(static_cast<std::uint32_t>(fileValue) ^ 0x1F2E3D4Cu);
  if (a > 0) a = -a;
  a = static_cast<std::int32_t>(static_cast<std::uint32_t>(a) ^ 0x2A5u);
  a >>= 3;
  a = a / 13 + a % 13;
  return static_cast<std::int32_t>(-a);
}

std::int32_t ReadScriptKey(const std::filesystem::path& folder, std::string* problem) {
  // Found as every scenario file is: a disc written on Windows may hold "DECODE.KEY".
  return ReadScriptKeyFile(ResolvePathIn(folder, "decode.key"), problem);
}

std::int32_t ReadScriptKeyFile(const std::filesystem::path& keyFile, std::string* problem) {
  if (problem) problem->clear();
  FileRead file = ReadRegularFile(keyFile, kMaxSettingsFileSize);
  if (!file) {
    if (problem && file.failure != FileReadFailure::Missing) {
      *problem = "Cannot open file \"" + keyFile.filename().string() + "\". " + file.reason();
    }
    return kDefaultScriptKey;
  }
  const std::string& text = file.bytes;
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= 32)
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::uint32_t value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    value = value * 10u + static_cast<std::uint32_t>(text[i++] - '0');
  }
  if (negative) value = 0u - value;
  return DeriveScriptKey(static_cast<std::int32_t>(value));
}

namespace {

struct KeyBytes {
  unsigned char even;
  unsigned char odd;
};

KeyBytes KeyBytesOf(std::int32_t key) {
  if (key >= 32) {
    return {static_cast<unsigned char>((key >> 5) & 31), static_cast<unsigned char>(key & 31)};
  }
  auto k = static_cast<unsigned char>(key & 0xFF);
  return {k, k};
}

char CipherByte(char c, std::size_t index, KeyBytes k) {
  auto b = static_cast<unsigned char>(c);
  if (b < 32) return c;
  return static_cast<char>(b ^ (index % 2 == 0 ? k.even : k.odd));
}

}  // namespace

void CipherLine(std::string& line, std::int32_t key) {
  KeyBytes k = KeyBytesOf(key);
  for (std::size_t i = 0; i < line.size(); ++i)
    line[i] = CipherByte(line[i], i, k);
}

void CipherBytes(std::string& bytes, std::int32_t key) {
  KeyBytes k = KeyBytesOf(key);
  std::size_t column = 0;
  for (char& c : bytes) {
    if (c == '\r' || c == '\n') {
      column = 0;
      continue;
    }
    c = CipherByte(c, column++, k);
  }
}

std::string_view TrimLeftControl(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) <= 32)
    ++i;
  return s.substr(i);
}

std::string_view TrimControl(std::string_view s) {
  s = TrimLeftControl(s);
  std::size_t n = s.size();
  while (n > 0 && static_cast<unsigned char>(s[n - 1]) <= 32)
    --n;
  return s.substr(0, n);
}

bool BuildLabelTable(ScriptSource& source) {
  source.labelNames.clear();
  source.labelLines.clear();
  for (std::size_t i = 0; i < source.lines.size(); ++i) {
    std::string_view t = TrimLeftControl(source.lines[i]);
    if (t.empty() || t[0] != ':') continue;
    if (static_cast<int>(source.labelNames.size()) == ScriptSource::kMaxLabels) return false;
    source.labelNames.emplace_back(t);
    source.labelLines.push_back(static_cast<std::int32_t>(i));
  }
  return true;
}

namespace {

// Letter case folded the way the system's case-insensitive comparison does for this code
// page: ASCII letters and the full-width Latin letters.
bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    std::size_t len = CharLength(a, i);
    if (len == 2) {
      if (CharLength(b, i) != 2 || x != y) return false;
      auto xt = static_cast<unsigned char>(a[i + 1]);
      auto yt = static_cast<unsigned char>(b[i + 1]);
      auto fold = [x](unsigned char t) {
        // 0x8260..0x8279 are Ａ..Ｚ, 0x8281..0x829A are ａ..ｚ.
        return (x == 0x82 && t >= 0x81 && t <= 0x9A) ? static_cast<unsigned char>(t - 0x21) : t;
      };
      if (fold(xt) != fold(yt)) return false;
    } else if (std::tolower(x) != std::tolower(y)) {
      return false;
    }
    i += len;
  }
  return true;
}

}  // namespace

int FindLabel(const ScriptSource& source, std::string_view label) {
  for (std::size_t n = 0; n < source.labelNames.size(); ++n) {
    if (SameIgnoringCase(source.labelNames[n], label)) return static_cast<int>(n);
  }
  return -1;
}

}  // namespace qw
