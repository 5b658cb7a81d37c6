#include "media/soundfont.h"

#include <algorithm>
#include <system_error>

#include "platform/ascii.h"

namespace qw {

const std::vector<std::filesystem::path>& SoundFontCandidates() {
  static const std::vector<std::filesystem::path> candidates = {
      "/usr/share/sounds/sf2/TimGM6mb.sf2",          "/usr/share/sounds/sf2/default-GM.sf2",
      "/usr/share/sounds/sf2/FluidR3_GM.sf2",        "/usr/share/sounds/sf3/default-GM.sf3",
      "/usr/share/sounds/sf3/MuseScore_General.sf3", "/usr/share/soundfonts/default.sf2",
      "/usr/share/soundfonts/FluidR3_GM.sf2",        "/usr/share/soundfonts/default.sf3",
      "/usr/local/share/soundfonts/default.sf2",
  };
  return candidates;
}

const std::vector<std::filesystem::path>& SoundFontFolders() {
  static const std::vector<std::filesystem::path> folders = {
      "/usr/share/sounds/sf2",
      "/usr/share/sounds/sf3",
      "/usr/share/soundfonts",
      "/usr/local/share/soundfonts",
  };
  return folders;
}

std::filesystem::path FindSoundFont(const std::vector<std::filesystem::path>& candidates,
                                    const std::vector<std::filesystem::path>& folders) {
  std::error_code ec;
  for (const auto& path : candidates) {
    if (std::filesystem::is_regular_file(path, ec)) return path;
  }
  for (const auto& folder : folders) {
    std::vector<std::filesystem::path> found;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
      std::string ext = LowerExtension(it->path().filename().string());
      if ((ext == ".sf2" || ext == ".sf3") && it->is_regular_file(ec)) found.push_back(it->path());
    }
    if (!found.empty()) return *std::min_element(found.begin(), found.end());
  }
  return {};
}

}  // namespace qw
