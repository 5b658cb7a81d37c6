#include "media/cd_tracks.h"

#include <array>
#include <cstdio>
#include <system_error>
#include <vector>

#include "platform/cp932.h"
#include "platform/paths.h"

namespace qw {

std::filesystem::path FindCdTrackFile(int track, const std::filesystem::path& dataRoot,
                                      const std::filesystem::path& scriptDir) {
  if (track < 1 || track > 99) return {};
  char base[16];
  std::snprintf(base, sizeof base, "track%02d", track);
  static constexpr std::array<const char*, 4> kExtensions = {".ogg", ".flac", ".mp3", ".wav"};
  struct Place {
    std::filesystem::path root;
    const char* folder;
  };
  std::vector<Place> places = {{dataRoot, "cd\\"}};
  if (scriptDir != dataRoot) places.push_back({scriptDir, "cd\\"});
  places.push_back({scriptDir, ""});
  std::error_code ec;
  for (const Place& place : places) {
    if (place.root.empty()) continue;
    for (const char* ext : kExtensions) {
      std::string name = std::string(kDataDriveToken) + "\\" + place.folder + base + ext;
      std::filesystem::path path = ResolvePath(name, place.root.string());
      if (std::filesystem::is_regular_file(path, ec)) return path;
    }
  }
  return {};
}

std::string CdTrackText(std::string_view cp932Name) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < cp932Name.size(); i += CharLength(cp932Name, i)) {
    char c = cp932Name[i];
    if (CharLength(cp932Name, i) == 1 && (c == '\\' || c == '/' || c == ':')) start = i + 1;
  }
  // Characters of script text count in bytes.
  return std::string(cp932Name.substr(start, 2));
}

}  // namespace qw
