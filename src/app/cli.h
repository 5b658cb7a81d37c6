// The command line of the `quillwork` program.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "app/engine_options.h"
#include "app/window_state.h"

namespace qw {

struct CommandLine {
  enum class Mode { Play, Headless, Lint, Cipher, Picture, Help, Usage };
  Mode mode = Mode::Play;
  std::string error;  // with Mode::Usage

  std::optional<std::filesystem::path> dataRoot;
  std::optional<std::filesystem::path> dir;  // the scenario folder
  DesktopOptions desktop;                    // play: --scale, --fullscreen, --window, ...
  // play and run: `--texthook` (standard output) or `--texthook=clipboard`
  TextHookTarget textHook = TextHookTarget::None;
  // run --headless
  std::optional<std::filesystem::path> events;
  std::optional<std::filesystem::path> report;
  std::optional<std::filesystem::path> snapshots;
  std::optional<std::uint64_t> timeLimitMs;
  std::optional<std::filesystem::path> coverage;  // lcov tracefile of the script lines run
  // cipher / picture
  std::optional<std::filesystem::path> keyFile;
  std::string in;
  std::string out;
};

CommandLine ParseCommandLineArguments(const std::vector<std::string>& args);
std::string UsageText();

// `quillwork cipher`: enciphers a .txt into a .txd or the reverse, with the loader's key rules
// (the named key file, else "decode.key" in the current folder, else the default key).
int RunCipherCommand(const CommandLine& cmd, std::ostream& err);

}  // namespace qw
