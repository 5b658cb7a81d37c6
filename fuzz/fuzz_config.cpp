// The settings files `qwk.cfg` and `qwk.ini` on arbitrary bytes, through the readers of every
// key the engine takes from them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "state/config.h"
#include "state/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qw::ConfigFile file;
  file.parse(std::string_view(reinterpret_cast<const char*>(data), size));
  std::vector<std::string> errors;
  qw::ScenarioSettings scenario;
  qw::ReadScenarioKeys(file, scenario, errors);
  qw::ReaderSettings reader;
  qw::ReadReaderSettings(file, reader, errors);
  qw::FormatReaderSettings(reader);
  for (const std::string& list : scenario.defaultFonts)
    qw::FirstInstalledFont(list, [](const std::string& name) { return name.size() % 3 == 1; });
  for (std::string_view key : {"ProgramID", "SavePath", "BGDarkness", "TextMaxIndex"}) {
    file.value(key);
    file.integer(key, 7);
    try {
      file.strictInteger(key, 7);
    } catch (const qw::FrameworkError&) {
    }
  }
  return 0;
}
