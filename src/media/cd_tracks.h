// CD audio without a drive: each track is a file in the scenario, as other portable engines
// keep them.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qw {

// The file that plays CD track `track` (1..99): "cd/trackNN" with ".ogg", ".flac", ".mp3" or
// ".wav" under the data root, then the same under the scripts' folder, then "trackNN" with
// those extensions beside the scripts. NN has two digits. Letter case is ignored. Empty when
// there is none.
std::filesystem::path FindCdTrackFile(int track, const std::filesystem::path& dataRoot,
                                      const std::filesystem::path& scriptDir);

// The first two characters (bytes) of the file-name part of a music name (CP932), which `_bgmplay`
// in CD mode takes as the track number: "05" of "%DATA_DRIVE%\bgm\05_title".
std::string CdTrackText(std::string_view cp932Name);

}  // namespace qw
