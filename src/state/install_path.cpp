#include "state/install_path.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "platform/ascii.h"
#include "platform/cp932.h"
#include "script/source.h"
#include "state/config.h"

namespace qw {
namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
    s.remove_suffix(1);
  return s;
}

std::filesystem::path HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
  if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_dir) return entry->pw_dir;
  return {};
}

}  // namespace

std::filesystem::path UserConfigFolder() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME")) {
    std::filesystem::path folder(config);
    if (folder.is_absolute()) return folder / "quillwork";
  }
  std::filesystem::path home = HomeFolder();
  if (home.empty()) return {};
  return home / ".config" / "quillwork";
}

std::filesystem::path InstallPathsFile() {
  std::filesystem::path folder = UserConfigFolder();
  return folder.empty() ? folder : folder / "install-paths.ini";
}

std::string LookupInstallPath(std::string_view programIdCp932, const std::filesystem::path& file) {
  if (programIdCp932.empty() || file.empty()) return {};
  std::optional<std::string> bytes = ReadFileHead(file, kMaxSettingsFileBytes);
  if (!bytes) return {};
  // The file is edited by hand on this system, so its keys are UTF-8.
  const std::string wanted = Cp932ToUtf8(programIdCp932);
  for (const std::string& line : SplitLines(*bytes)) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string_view view(line);
    if (!AsciiEqualIgnoringCase(TrimBlanks(view.substr(0, eq)), wanted)) continue;
    return std::string(TrimBlanks(view.substr(eq + 1)));
  }
  return {};
}

std::string LookupInstallPath(std::string_view programIdCp932) {
  return LookupInstallPath(programIdCp932, InstallPathsFile());
}

}  // namespace qw
