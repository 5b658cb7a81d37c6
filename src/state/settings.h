// The reader's settings file `qwk.ini`, and the reading of both settings files at start-up.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"
#include "state/config.h"

namespace qw {

// "ＭＳ ゴシック" in CP932: the start name of font slots 0..3, and what an empty `FontN=` gives.
inline constexpr std::string_view kStartFontName =
    "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E";

// The engine version written as "Version=" (two decimals).
inline constexpr std::string_view kEngineVersionText = "1.43";

inline constexpr const char* kMissingConfigMessage = "設定ファイルqwk.cfgが見つかりません";
inline constexpr const char* kSaveFolderDialogTitle = "保存場所の指定(パスしか見ません)";

// The reader's preferences: what `qwk.ini` holds. The start values are those of a first run.
struct ReaderSettings {
  bool bgDarkness = false;     // `Mdarkness`
  std::string savePath;        // CP932; put in front of save-file names as is
  bool enableMusic = true;     // `Kmusic`
  bool enableSound = true;     // `Ksound`
  bool highSpeedText = false;  // `Ktxtwait`
  bool skipText = false;       // `Ktxtskip`
  std::array<std::string, 4> fonts{std::string(kStartFontName), std::string(kStartFontName),
                                   std::string(kStartFontName), std::string(kStartFontName)};
  bool debugMode = false;  // `DebugMode=on`
};

// Reads the keys of `qwk.ini` into `settings` in file order. An empty switch keeps its start
// value; a switch that is no number keeps it too and adds the conversion message to `errors`.
// An empty font gives "ＭＳ ゴシック"; `DebugMode` is on only for exactly "on".
void ReadReaderSettings(const ConfigFile& ini, ReaderSettings& settings,
                        std::vector<std::string>& errors);

// The bytes of `qwk.ini` (CP932, CRLF line ends).
std::string FormatReaderSettings(const ReaderSettings& settings);

// `qwk.ini` in `dataFolder` (an existing file of that name in another letter case is the
// one replaced).
std::filesystem::path ReaderSettingsPath(const std::filesystem::path& dataFolder);

// Writes `qwk.ini` into `dataFolder`, replacing the old file only once the new one is whole.
// Returns false when it could not be written (the old file is then unchanged).
bool WriteReaderSettings(const std::filesystem::path& dataFolder, const ReaderSettings& settings);

// The first name of a comma-separated font list for which `installed` holds; nothing when none.
std::optional<std::string> FirstInstalledFont(
    std::string_view list, const std::function<bool(const std::string&)>& installed);

// What the reading at start-up needs from outside.
struct ConfigurationServices {
  // The installation folder (UTF-8) of a scenario identifier, or empty. Unset: none.
  std::function<std::string(std::string_view programIdCp932)> installPath;
  // The save-folder dialog: the chosen file's full path (UTF-8), or nothing when cancelled.
  // Unset: cancelled.
  std::function<std::optional<std::string>(const OpenFileSpec&)> chooseSaveFile;
};

// Both settings files, read.
struct Configuration {
  ConfigFile cfg;                    // `qwk.cfg` as read, for keys other Parts look up
  std::filesystem::path dataFolder;  // the folder to make current; `qwk.ini` lives there
  bool readerSettingsFound = false;  // `qwk.ini` existed
  ReaderSettings reader;
  ScenarioSettings scenario;
  // Conversion failures, in reading order (UTF-8). Each goes to the application exception
  // handler; the key it concerns keeps its default.
  std::vector<std::string> errors;
};

// The save-folder dialog as the reading asks for it.
OpenFileSpec SaveFolderDialog();

// Reads the configuration from `currentFolder`: `qwk.cfg` there (required), the installation
// folder named for its `ProgramID`, `qwk.ini` in the data folder, the save folder (asking the
// reader when neither file names one). Nothing when `qwk.cfg` does not exist: the caller shows
// kMissingConfigMessage (warning icon) and ends the program. The caller makes `dataFolder` the
// current folder when it differs.
std::optional<Configuration> ReadConfiguration(const std::filesystem::path& currentFolder,
                                               const ConfigurationServices& services);

}  // namespace qw
