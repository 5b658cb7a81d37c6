// The configuration files: one "key=value" a line, section lines ignored, keys matched without
// regard to letter case, the first line with a key winning.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_read.h"

namespace qw {

// Settings files are a few hundred bytes; whatever lies beyond this is not read.
inline constexpr std::size_t kMaxSettingsFileBytes = kMaxSettingsFileSize;

// The first `limit` bytes of a regular file, or nothing when it is none or cannot be opened or
// read. Never reads (or allocates) more than `limit`, however large the file is, and never
// waits on a FIFO.
std::optional<std::string> ReadFileHead(const std::filesystem::path& path, std::size_t limit);

class ConfigFile {
 public:
  // Reads the CP932 name `path` relative to the current folder; returns false when it cannot
  // be read (the file then reads as empty): missing, not a regular file, no permission.
  // loadError() then says why. Only the first kMaxSettingsFileBytes are read.
  bool load(const std::string& path);
  // The same for a path on this system.
  bool loadFile(const std::filesystem::path& path);
  // "Cannot open file "qwk.ini". Permission denied" after a failed load, else empty.
  const std::string& loadError() const { return loadError_; }
  void parse(std::string_view bytes);
  // The value of `key`, or the empty text.
  std::string value(std::string_view key) const;
  bool has(std::string_view key) const;
  // The value as a decimal integer; `fallback` when it is empty or no number.
  std::int32_t integer(std::string_view key, std::int32_t fallback) const;
  // The value as a decimal integer; `fallback` when it is empty. Throws FrameworkError, with
  // the platform's conversion message, when it is no number.
  std::int32_t strictInteger(std::string_view key, std::int32_t fallback) const;

 private:
  std::vector<std::pair<std::string, std::string>> entries_;
  std::string loadError_;
};

// Reads the integer `key` into `target` unless its value is empty. A value that is no number
// leaves `target` as it was and adds the conversion message to `errors`.
void ReadIntegerKey(const ConfigFile& file, std::string_view key, std::int32_t& target,
                    std::vector<std::string>& errors);

// What `qwk.cfg` says, apart from the keys that only seed the reader's settings (`BGDarkness`,
// `SavePath`), which the reading of the configuration hands to those.
struct ScenarioSettings {
  std::string programId;
  std::int32_t darknessRate = 32;
  // Comma-separated font lists for font slots 0..6; slots 0..3 are read only when there is no
  // `qwk.ini`. The first installed name of a list is chosen at scenario start.
  std::array<std::string, 7> defaultFonts;
  std::array<std::string, 4> fontComments;
  std::string icon;
  std::string background;
  std::string tile;
  std::string version;
  std::string menuClickSound;
  // Size in bytes of the read-text record; none when the key is absent.
  std::optional<std::int32_t> textMaxIndex;
  std::int32_t bgHideMode = 0;
  std::int32_t textHideMode = 0;
  bool globalFlagSave = true;
  std::int32_t mp3Timing = 5;
};

// The largest read-text record made; a larger `TextMaxIndex` is cut to it (2^27 text ids).
inline constexpr std::int32_t kMaxTextIndexBytes = std::int32_t{1} << 24;

// Font comments shown when `CommentFont0..3` are empty (CP932).
std::array<std::string, 4> DefaultFontComments();

// Reads the author keys after the save folder, in file order: `DarknessRate`,
// `DefaultFont4..6`, `CommentFont0..3`, `Icon`, `BackGround`, `Tile`, `Version`,
// `MenuClickSound`, `TextMaxIndex`, `BGHideMode`, `TextHideMode`, `GlobalFlagSave`. A value
// that is no number keeps the default and adds its message to `errors`.
void ReadScenarioKeys(const ConfigFile& cfg, ScenarioSettings& out,
                      std::vector<std::string>& errors);

}  // namespace qw
