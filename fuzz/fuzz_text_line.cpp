// One story-text line, with its tags, drawn by an engine on a host that answers nothing: each
// wait for the reader is passed with a click, a few times, and timed waits pass in virtual time.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/engine.h"
#include "app/run_stop.h"
#include "fuzz_host.h"
#include "platform/errors.h"
#include "present/text_engine.h"

namespace {

// An empty scenario folder with an empty start script, made once.
const std::filesystem::path& WorkDir() {
  static const std::filesystem::path dir = [] {
    std::filesystem::path d = qw::fuzz::MakeFuzzWorkDir("text");
    std::ofstream(d / "autorun.txt", std::ios::binary) << ";\r\n";
    return d;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path& dir = WorkDir();
  // The reader clicks through a few waits, then stops answering.
  qw::fuzz::FuzzHost host(6);
  qw::EngineOptions options;
  options.dataRoot = dir.string();
  options.startDir = dir;
  options.lineLimit = 20000;
  qw::TFmain engine(host, options);
  try {
    engine.ScenarioStart();
    qw::DrawTextLine(engine, std::string(reinterpret_cast<const char*>(data), size), 1);
  } catch (const qw::RunStopped&) {
  } catch (const qw::EngineExit&) {
  } catch (const qw::FrameworkError&) {
    // The script driver reports what a line throws (a bad number in a tag); not a fault here.
  }
  return 0;
}
