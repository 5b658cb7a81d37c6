#include "platform/paths.h"

#include <cstdio>
#include <system_error>
#include <vector>

#include "platform/ascii.h"
#include "platform/cp932.h"

namespace qw {
namespace {

// Letter case folded on CP932 bytes: the trail byte of a double-byte character (which may
// lie in 'A'..'Z') is left alone, so two different characters never match.
std::string Cp932Lower(std::string_view s) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size();) {
    std::size_t len = CharLength(out, i);
    if (len == 1 && out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
    i += len;
  }
  return out;
}

// "\" to "/" on CP932 bytes, stepping over double-byte characters whole.
std::string SlashesForward(std::string_view s) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size();) {
    std::size_t len = CharLength(out, i);
    if (len == 1 && out[i] == '\\') out[i] = '/';
    i += len;
  }
  return out;
}

std::vector<std::string> SplitComponents(std::string_view s) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == '/') {
      if (i > start) parts.emplace_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

bool Exists(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::exists(p, ec);
}

// The entry of `dir` that stands for the CP932 component `raw`.
std::filesystem::path MatchComponent(const std::filesystem::path& dir, const std::string& raw) {
  std::string utf8 = Cp932ToUtf8(raw);
  if (raw == "." || raw == "..") return dir / raw;
  if (Exists(dir / utf8)) return dir / utf8;
  if (Exists(dir / raw)) return dir / raw;
  std::string wantUtf8 = AsciiLower(utf8);
  std::string wantRaw = Cp932Lower(raw);
  std::error_code ec;
  std::filesystem::directory_iterator it(dir.empty() ? std::filesystem::path(".") : dir, ec);
  if (!ec) {
    for (const auto& entry : it) {
      const std::string onDisk = entry.path().filename().string();
      if (AsciiLower(onDisk) == wantUtf8 || Cp932Lower(onDisk) == wantRaw) {
        return dir / entry.path().filename();
      }
    }
  }
  return dir / utf8;
}

}  // namespace

std::string SubstituteDataDrive(std::string_view name, std::string_view dataRoot) {
  std::size_t at = name.find(kDataDriveToken);
  if (at == std::string_view::npos) return std::string(name);
  std::string out(name.substr(0, at));
  out += dataRoot;
  out += name.substr(at + kDataDriveToken.size());
  return out;
}

std::filesystem::path ResolvePath(std::string_view cp932Name, std::string_view dataRoot) {
  return ResolvePathIn({}, cp932Name, dataRoot);
}

std::filesystem::path ResolvePathIn(const std::filesystem::path& folder, std::string_view cp932Name,
                                    std::string_view dataRoot) {
  std::string prefixUtf8;
  std::string rest;
  std::size_t at = cp932Name.find(kDataDriveToken);
  if (at != std::string_view::npos) {
    // Whatever stands before the token is kept as written, like the substitution does.
    prefixUtf8 = Cp932ToUtf8(SlashesForward(cp932Name.substr(0, at)));
    prefixUtf8 += dataRoot;
    rest = SlashesForward(cp932Name.substr(at + kDataDriveToken.size()));
  } else {
    rest = SlashesForward(cp932Name);
  }

  std::filesystem::path base;
  if (!prefixUtf8.empty()) {
    base = prefixUtf8;
  } else if (!rest.empty() && rest[0] == '/') {
    base = "/";
  } else {
    base = folder;
  }
  for (const std::string& component : SplitComponents(rest)) {
    base = MatchComponent(base, component);
  }
  return base;
}

bool FileExists(std::string_view cp932Name, std::string_view dataRoot) {
  std::error_code ec;
  return std::filesystem::is_regular_file(ResolvePath(cp932Name, dataRoot), ec);
}

std::optional<std::string> ReadFileBytes(const std::filesystem::path& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return std::nullopt;
  std::string data;
  // One read of the known size, then whatever a growing file still holds.
  std::error_code ec;
  std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (!ec && size < (std::uintmax_t{1} << 31)) data.resize(static_cast<std::size_t>(size));
  std::size_t got = data.empty() ? 0 : std::fread(data.data(), 1, data.size(), file);
  data.resize(got);
  char chunk[65536];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    data.append(chunk, n);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return data;
}

}  // namespace qw
