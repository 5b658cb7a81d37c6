#include "state/settings.h"

#include <system_error>

#include "platform/atomic_file.h"
#include "platform/cp932.h"
#include "platform/paths.h"

namespace qw {
namespace {

// A file of `folder` by its name, matched without regard to letter case like every open.
std::filesystem::path FileInFolder(const std::filesystem::path& folder, std::string_view name) {
  std::string cp932Name(kDataDriveToken);
  cp932Name += '/';
  cp932Name += name;
  return ResolvePath(cp932Name, folder.empty() ? std::string(".") : folder.string());
}

bool IsFile(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// A 0-or-non-zero key. Empty keeps `target`.
void ReadSwitch(const ConfigFile& file, std::string_view key, bool& target,
                std::vector<std::string>& errors) {
  std::int32_t value = target ? 1 : 0;
  std::size_t before = errors.size();
  ReadIntegerKey(file, key, value, errors);
  if (errors.size() == before) target = value != 0;
}

void AppendLine(std::string& out, std::string_view line) {
  out += line;
  out += "\r\n";
}

}  // namespace

void ReadReaderSettings(const ConfigFile& ini, ReaderSettings& settings,
                        std::vector<std::string>& errors) {
  ReadSwitch(ini, "BGDarkness", settings.bgDarkness, errors);
  settings.savePath = ini.value("SavePath");
  ReadSwitch(ini, "EnableMusic", settings.enableMusic, errors);
  ReadSwitch(ini, "EnableSound", settings.enableSound, errors);
  ReadSwitch(ini, "HighSpeedText", settings.highSpeedText, errors);
  ReadSwitch(ini, "SkipText", settings.skipText, errors);
  for (std::size_t i = 0; i < settings.fonts.size(); ++i) {
    std::string name = ini.value("Font" + std::to_string(i));
    settings.fonts[i] = name.empty() ? std::string(kStartFontName) : name;
  }
  settings.debugMode = ini.value("DebugMode") == "on";
}

std::string FormatReaderSettings(const ReaderSettings& s) {
  auto bit = [](bool on) { return on ? "1" : "0"; };
  std::string out;
  AppendLine(out, "Version=" + std::string(kEngineVersionText));
  AppendLine(out, "[Display]");
  AppendLine(out, std::string("BGDarkness=") + bit(s.bgDarkness));
  AppendLine(out, "[System]");
  AppendLine(out, "SavePath=" + s.savePath);
  AppendLine(out, std::string("EnableMusic=") + bit(s.enableMusic));
  AppendLine(out, std::string("EnableSound=") + bit(s.enableSound));
  AppendLine(out, std::string("HighSpeedText=") + bit(s.highSpeedText));
  AppendLine(out, std::string("SkipText=") + bit(s.skipText));
  if (s.debugMode) AppendLine(out, "DebugMode=on");
  AppendLine(out, "[Font]");
  for (std::size_t i = 0; i < s.fonts.size(); ++i)
    AppendLine(out, "Font" + std::to_string(i) + "=" + s.fonts[i]);
  return out;
}

std::filesystem::path ReaderSettingsPath(const std::filesystem::path& dataFolder) {
  return FileInFolder(dataFolder, "qwk.ini");
}

bool WriteReaderSettings(const std::filesystem::path& dataFolder, const ReaderSettings& settings) {
  return WriteFileAtomically(ReaderSettingsPath(dataFolder), FormatReaderSettings(settings));
}

std::optional<std::string> FirstInstalledFont(
    std::string_view list, const std::function<bool(const std::string&)>& installed) {
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t comma = list.find(',', start);
    if (comma == std::string_view::npos) comma = list.size();
    std::string name(list.substr(start, comma - start));
    if (!name.empty() && installed(name)) return name;
    start = comma + 1;
  }
  return std::nullopt;
}

OpenFileSpec SaveFolderDialog() {
  OpenFileSpec dialog;
  dialog.title = kSaveFolderDialogTitle;
  dialog.fileName = "data0.qfd";
  dialog.filter = "SaveFile|*.*";
  return dialog;
}

std::optional<Configuration> ReadConfiguration(const std::filesystem::path& currentFolder,
                                               const ConfigurationServices& services) {
  std::filesystem::path cfgPath = FileInFolder(currentFolder, "qwk.cfg");
  if (!IsFile(cfgPath)) return std::nullopt;
  Configuration c;
  std::vector<std::string>& errors = c.errors;
  if (!c.cfg.loadFile(cfgPath)) errors.push_back(c.cfg.loadError());

  c.scenario.programId = c.cfg.value("ProgramID");
  c.dataFolder = currentFolder;
  if (!c.scenario.programId.empty() && services.installPath) {
    std::filesystem::path install = services.installPath(c.scenario.programId);
    std::error_code ec;
    // A folder that is gone leaves the current one, as a failed registry read does.
    if (!install.empty() && std::filesystem::is_directory(install, ec)) c.dataFolder = install;
  }

  std::filesystem::path iniPath = ReaderSettingsPath(c.dataFolder);
  c.readerSettingsFound = IsFile(iniPath);
  if (c.readerSettingsFound) {
    ConfigFile ini;
    if (!ini.loadFile(iniPath)) errors.push_back(ini.loadError());
    ReadReaderSettings(ini, c.reader, errors);
  } else {
    for (std::size_t i = 0; i < 4; ++i)
      c.scenario.defaultFonts[i] = c.cfg.value("DefaultFont" + std::to_string(i));
    ReadSwitch(c.cfg, "BGDarkness", c.reader.bgDarkness, errors);
  }
  if (c.reader.savePath.empty()) c.reader.savePath = c.cfg.value("SavePath");

  ReadScenarioKeys(c.cfg, c.scenario, errors);

  if (c.reader.savePath.empty() && services.chooseSaveFile) {
    if (std::optional<std::string> chosen = services.chooseSaveFile(SaveFolderDialog())) {
      std::filesystem::path folder = std::filesystem::path(*chosen).parent_path();
      if (!folder.empty()) {
        std::string text = folder.string();
        if (text.back() != '/') text += '/';
        c.reader.savePath = Utf8ToCp932(text);
      }
    }
  }

  ReadIntegerKey(c.cfg, "MP3Timing", c.scenario.mp3Timing, errors);
  return c;
}

}  // namespace qw
