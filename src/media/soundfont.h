// The General MIDI soundfont that MIDI music is played with, found without any setting: the
// engine depends on Debian's timgm6mb-soundfont, and takes whatever other General MIDI
// soundfont a system has installed where that one is missing.
#pragma once

#include <filesystem>
#include <vector>

namespace qw {

// The soundfont files looked for, best first.
const std::vector<std::filesystem::path>& SoundFontCandidates();
// The folders searched next for any ".sf2" or ".sf3" file.
const std::vector<std::filesystem::path>& SoundFontFolders();

// The first of `candidates` that is a regular file, else the first ".sf2"/".sf3" file (by
// name) in the first of `folders` that has one; empty when there is none.
std::filesystem::path FindSoundFont(const std::vector<std::filesystem::path>& candidates,
                                    const std::vector<std::filesystem::path>& folders);
inline std::filesystem::path FindSoundFont() {
  return FindSoundFont(SoundFontCandidates(), SoundFontFolders());
}

}  // namespace qw
