#include "host/headless/headless_runner.h"

#include <fstream>
#include <sstream>
#include <system_error>

#include "app/engine.h"
#include "app/media_subsystem.h"
#include "app/run_stop.h"
#include "app/tool_windows.h"
#include "host/headless/media_report.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/file_read.h"

namespace qw {

namespace {

namespace fs = std::filesystem;

// Restores the current folder however the run ends, so one process can run many scenarios.
class CurrentDirGuard {
 public:
  explicit CurrentDirGuard(const fs::path& dir) : previous_(fs::current_path()) {
    fs::current_path(dir);
  }
  ~CurrentDirGuard() {
    std::error_code ec;
    fs::current_path(previous_, ec);
  }
  CurrentDirGuard(const CurrentDirGuard&) = delete;
  CurrentDirGuard& operator=(const CurrentDirGuard&) = delete;

 private:
  fs::path previous_;
};

// Absolute (against the folder the run was started from), normalised, with no trailing
// separator.
fs::path Absolute(const fs::path& p) {
  fs::path abs = fs::absolute(p).lexically_normal();
  if (!abs.has_filename() && abs.has_parent_path() && abs != abs.root_path()) {
    abs = abs.parent_path();
  }
  return abs;
}

EventScript ReadEvents(const fs::path& file) {
  FileRead text = ReadRegularFile(file, kMaxEventsFileSize);
  if (!text) {
    throw HeadlessUsageError("cannot read the events file " + file.string() + ": " + text.reason());
  }
  try {
    return ParseEvents(text.bytes, file.string());
  } catch (const EventsError& e) {
    throw HeadlessUsageError(e.what());
  }
}

// The debug window's three lists (UTF-8).
nlohmann::ordered_json DebugToJson(const DebugWindow& debug) {
  nlohmann::ordered_json values = nlohmann::ordered_json::array();
  for (const std::string& line : debug.values())
    values.push_back(Cp932ToUtf8(line));
  return {{"errors", debug.errors()}, {"values", std::move(values)},
          {"status", debug.statusLines()}};
}

void WriteTextFile(const fs::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) throw HostFailure{"cannot write the report " + file.string()};
}

}  // namespace

int RunHeadless(const HeadlessRunOptions& options, HeadlessReport* out) {
  std::error_code ec;
  if (!fs::is_directory(options.scenarioDir, ec)) {
    throw HeadlessUsageError("no scenario folder " + options.scenarioDir.string());
  }
  // Every path is fixed before the current folder changes.
  const fs::path scenarioDir = Absolute(options.scenarioDir);
  const fs::path dataRoot = Absolute(options.dataRoot.value_or(scenarioDir));
  std::optional<fs::path> reportFile, snapshotDir;
  if (options.reportFile) reportFile = Absolute(*options.reportFile);
  if (options.snapshotDir) {
    snapshotDir = Absolute(*options.snapshotDir);
    fs::create_directories(*snapshotDir, ec);
    if (ec || !fs::is_directory(*snapshotDir)) {
      throw HeadlessUsageError("cannot make the snapshot folder " + snapshotDir->string());
    }
  }
  EventScript script;
  if (options.eventsFile) script = ReadEvents(Absolute(*options.eventsFile));

  HeadlessHost host(std::move(script), options.timeLimitMs);
  host.setColorDepth(options.colorDepth);
  if (snapshotDir) host.setSnapshotDir(*snapshotDir);

  EngineOptions engineOptions;
  engineOptions.dataRoot = dataRoot.string();
  engineOptions.startDir = scenarioDir;
  engineOptions.lineLimit = options.lineLimit;
  engineOptions.coverage = options.coverage;
  engineOptions.textHook = options.textHook;

  HeadlessReport report;
  {
    CurrentDirGuard inScenario(scenarioDir);
    TFmain engine(host, engineOptions);
    // Media end on the virtual clock after their real durations.
    engine.media().UseClockedOutput();
    try {
      if (std::optional<int> code = engine.ScenarioStart()) {
        report.outcome = HeadlessOutcome::Exited;
        report.exitCode = *code;
      } else {
        report.outcome = HeadlessOutcome::ScriptEnded;
      }
    } catch (const EngineExit& exit) {
      report.outcome = HeadlessOutcome::Exited;
      report.exitCode = exit.code;
    } catch (const RunStopped& stop) {
      report.outcome = stop.reason == RunStopped::Reason::TimeLimit
                           ? HeadlessOutcome::TimeLimit
                           : HeadlessOutcome::InputExhausted;
    }

    const TProg& prog = engine.prog();
    report.file = Cp932ToUtf8(prog.FileName);
    report.line = prog.Pc + 1;
    report.caption = Cp932ToUtf8(prog.Caption);
    report.virtualMs = host.elapsedMs();
    report.flags.reserve(FlagStore::kCount);
    for (int i = 0; i < FlagStore::kCount; ++i) {
      report.flags.push_back(Cp932ToUtf8(engine.flags().text(i)));
    }
    report.errors = engine.errorList();
    report.messages = host.messages();
    report.windows = host.takeWindows();
    if (engine.tools().debugMode()) report.debug = DebugToJson(engine.tools().debug());
    report.channels = ChannelsToJson(engine.media().channels());
    report.audio = AudioLogToJson(engine.media().log());
  }

  if (snapshotDir) host.writeSnapshot("final");
  if (reportFile) WriteTextFile(*reportFile, ReportToJson(report));
  const int code = report.exitCode;
  if (out) *out = std::move(report);
  return code;
}

}  // namespace qw
