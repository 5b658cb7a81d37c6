// What a front end tells the engine about the scenario it plays.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace qw {

class ScriptCoverage;

// Where each story line goes as it is shown, for dictionary and translation tools
// (`--texthook`).
enum class TextHookTarget { None, Stdout, Clipboard };

struct EngineOptions {
  // The folder that stands for "%DATA_DRIVE%", UTF-8, no trailing separator.
  std::string dataRoot;
  // The folder the engine started in (the scenario folder, already the current directory).
  std::filesystem::path startDir;
  // Script lines (costly steps count as more) the engine may run between two acts of the
  // reader before the run counts as over its time (0: no limit).
  std::uint64_t lineLimit = 0;
  // Records every script line the driver takes, when set; owned by the front end.
  ScriptCoverage* coverage = nullptr;
  TextHookTarget textHook = TextHookTarget::None;
};

}  // namespace qw
