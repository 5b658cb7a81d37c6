// Where a scenario is installed. The player it re-creates kept this in the registry under the
// scenario's `ProgramID`; here the user's configuration folder holds a file
// `install-paths.ini` with one "ProgramID=folder" line per scenario.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qw {

// $XDG_CONFIG_HOME/quillwork when that names an absolute folder, else ~/.config/quillwork;
// empty when neither is known.
std::filesystem::path UserConfigFolder();

// `install-paths.ini` in the user's configuration folder.
std::filesystem::path InstallPathsFile();

// The folder (UTF-8) listed for `programIdCp932` in `file`: the value of the first line whose
// key equals the identifier without regard to letter case, blanks around key and value
// dropped. Empty when the identifier is empty, the file cannot be read or lists no folder.
std::string LookupInstallPath(std::string_view programIdCp932, const std::filesystem::path& file);
std::string LookupInstallPath(std::string_view programIdCp932);

}  // namespace qw
