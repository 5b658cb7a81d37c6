// What a front end tells the engine about the scenario it plays.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace qw {

class ScriptCoverage;

struct EngineOptions {
  // The folder that stands for "%DATA_DRIVE%", UTF-8, no trailing separator.
  std::string dataRoot;
  // The folder the engine started in (the scenario folder, already the current directory).
  std::filesystem::path startDir;
  // Script lines to run before the run counts as over its time (0: no limit).
  std::uint64_t lineLimit = 0;
  // Records every script line the driver takes, when set; owned by the front end.
  ScriptCoverage* coverage = nullptr;
};

}  // namespace qw
