// A headless run kept alive after it ends, so that tests can read the engine's menu model and
// what the host was asked to do (pop-up menus, cursor, window modes).
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/engine.h"
#include "app/run_stop.h"
#include "host/headless/headless_host.h"
#include "platform/errors.h"
#include "support/scenario.h"

namespace qw::test {

class InputRig {
 public:
  Scenario scenario;
  std::unique_ptr<HeadlessHost> host;
  std::unique_ptr<TFmain> engine;
  std::optional<RunStopped::Reason> stopped;  // why the run stopped, if a host stopped it
  std::optional<int> exitCode;

  // Runs autorun.txt (written first) with `events`. `prepare` runs after the engine is made
  // and before the scenario starts.
  void run(std::string_view script, std::string_view events,
           const std::function<void(TFmain&, HeadlessHost&)>& prepare = {}) {
    scenario.writeScript("autorun.txt", script);
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(scenario.dir());
    host = std::make_unique<HeadlessHost>(ParseEvents(events));
    host->setSnapshotDir(scenario.snapshotDir());
    EngineOptions options;
    options.dataRoot = scenario.dir().string();
    options.startDir = scenario.dir();
    options.lineLimit = 100000;
    engine = std::make_unique<TFmain>(*host, options);
    if (prepare) prepare(*engine, *host);
    try {
      exitCode = engine->ScenarioStart();
    } catch (const RunStopped& stop) {
      stopped = stop.reason;
    }
    std::filesystem::current_path(previous);
  }

  bool inputExhausted() const { return stopped == RunStopped::Reason::InputExhausted; }
  bool scriptEnded() const { return !stopped && !exitCode; }

  // The state an entry had when the n-th pop-up menu opened.
  const MenuEntry& popupEntry(std::size_t n, const std::string& name) const {
    for (const MenuEntry& e : host->popups().at(n).entries) {
      if (e.name == name) return e;
    }
    throw std::out_of_range("no menu entry " + name);
  }
};

}  // namespace qw::test
