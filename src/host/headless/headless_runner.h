// `quillwork run --headless`: plays a scenario on the headless host and reports how it ended.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>

#include "app/engine_options.h"
#include "host/headless/headless_host.h"
#include "host/headless/report.h"

namespace qw {

class ScriptCoverage;

struct HeadlessRunOptions {
  std::filesystem::path scenarioDir;
  // The folder for "%DATA_DRIVE%"; the scenario folder when not given.
  std::optional<std::filesystem::path> dataRoot;
  std::optional<std::filesystem::path> eventsFile;
  std::optional<std::filesystem::path> reportFile;
  // Where `snap` events and final.png go; no pictures are written without it.
  std::optional<std::filesystem::path> snapshotDir;
  std::uint64_t timeLimitMs = HeadlessHost::kDefaultTimeLimitMs;
  // The work a run may do without waiting, in script lines (costly steps count as more than
  // one); past it the run ends with the outcome "time-limit".
  static constexpr std::uint64_t kDefaultLineLimit = 100'000'000;
  std::uint64_t lineLimit = kDefaultLineLimit;
  // The desktop's bits per pixel as the engine will see them.
  int colorDepth = 32;
  // Records the script lines the run takes, when set (`--coverage`).
  ScriptCoverage* coverage = nullptr;
  // `--texthook`: story lines on standard output, or on the host's clipboard record.
  TextHookTarget textHook = TextHookTarget::None;
};

// A run that cannot start: no scenario folder, an events file that cannot be read or has a bad
// line (the message names the file and line), a snapshot folder that cannot be made. The
// front end prints it and exits with status 2.
class HeadlessUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Runs the scenario in `options.scenarioDir`, which is the current folder during the run (the
// previous one is restored before returning). Fills `out`, writes the report file and
// final.png when asked, and returns the engine's exit code (0 unless the engine exited with
// another). Throws HeadlessUsageError before the run starts, std::runtime_error when the report
// or a picture cannot be written.
int RunHeadless(const HeadlessRunOptions& options, HeadlessReport* out = nullptr);

}  // namespace qw
