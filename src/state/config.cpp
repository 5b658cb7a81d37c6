#include "state/config.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "platform/ascii.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/file_read.h"
#include "platform/paths.h"
#include "script/source.h"
#include "state/flags.h"

namespace qw {

std::optional<std::string> ReadFileHead(const std::filesystem::path& path, std::size_t limit) {
  FileRead file = ReadRegularFileHead(path, limit);
  if (!file) return std::nullopt;
  return std::move(file.bytes);
}

bool ConfigFile::load(const std::string& path) {
  return loadFile(ResolvePath(path));
}

bool ConfigFile::loadFile(const std::filesystem::path& path) {
  entries_.clear();
  loadError_.clear();
  FileRead file = ReadRegularFileHead(path, kMaxSettingsFileBytes);
  if (!file) {
    loadError_ = "Cannot open file \"" + path.filename().string() + "\". " + file.reason();
    return false;
  }
  parse(file.bytes);
  return true;
}

void ConfigFile::parse(std::string_view bytes) {
  entries_.clear();
  for (const std::string& line : SplitLines(bytes)) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    entries_.emplace_back(line.substr(0, eq), line.substr(eq + 1));
  }
}

std::string ConfigFile::value(std::string_view key) const {
  for (const auto& [k, v] : entries_) {
    if (AsciiEqualIgnoringCase(k, key)) return v;
  }
  return {};
}

bool ConfigFile::has(std::string_view key) const {
  for (const auto& entry : entries_) {
    if (AsciiEqualIgnoringCase(entry.first, key)) return true;
  }
  return false;
}

std::int32_t ConfigFile::integer(std::string_view key, std::int32_t fallback) const {
  try {
    return strictInteger(key, fallback);
  } catch (const FrameworkError&) {
    return fallback;
  }
}

std::int32_t ConfigFile::strictInteger(std::string_view key, std::int32_t fallback) const {
  std::string text = value(key);
  if (text.empty()) return fallback;
  return StrToInt(text);
}

void ReadIntegerKey(const ConfigFile& file, std::string_view key, std::int32_t& target,
                    std::vector<std::string>& errors) {
  try {
    target = file.strictInteger(key, target);
  } catch (const FrameworkError& e) {
    errors.emplace_back(e.what());
  }
}

std::array<std::string, 4> DefaultFontComments() {
  return {Utf8ToCp932("テキストフォント１"), Utf8ToCp932("テキストフォント２"),
          Utf8ToCp932("テキストフォント３"), Utf8ToCp932("ルビフォント")};
}

void ReadScenarioKeys(const ConfigFile& cfg, ScenarioSettings& out,
                      std::vector<std::string>& errors) {
  ReadIntegerKey(cfg, "DarknessRate", out.darknessRate, errors);
  for (int i = 4; i < 7; ++i)
    out.defaultFonts[static_cast<std::size_t>(i)] = cfg.value("DefaultFont" + std::to_string(i));
  const std::array<std::string, 4> comments = DefaultFontComments();
  for (std::size_t i = 0; i < 4; ++i) {
    std::string text = cfg.value("CommentFont" + std::to_string(i));
    out.fontComments[i] = text.empty() ? comments[i] : text;
  }
  out.icon = cfg.value("Icon");
  out.background = cfg.value("BackGround");
  out.tile = cfg.value("Tile");
  out.version = cfg.value("Version");
  out.menuClickSound = cfg.value("MenuClickSound");
  out.textMaxIndex.reset();
  if (!cfg.value("TextMaxIndex").empty()) {
    std::int32_t size = 0;
    std::size_t before = errors.size();
    ReadIntegerKey(cfg, "TextMaxIndex", size, errors);
    if (errors.size() == before) {
      // A negative size makes no record; a huge one would take memory for ids no script has.
      if (size < 0 || size > kMaxTextIndexBytes) {
        errors.push_back("TextMaxIndex=" + std::to_string(size) + " は範囲外です（0～" +
                         std::to_string(kMaxTextIndexBytes) + "）");
      }
      if (size >= 0) out.textMaxIndex = std::min(size, kMaxTextIndexBytes);
    }
  }
  ReadIntegerKey(cfg, "BGHideMode", out.bgHideMode, errors);
  ReadIntegerKey(cfg, "TextHideMode", out.textHideMode, errors);
  out.globalFlagSave = cfg.value("GlobalFlagSave") != "0";
}

}  // namespace qw
