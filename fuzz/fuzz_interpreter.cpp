// Whole scripts through the engine on a host that answers nothing and ends every wait.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/engine.h"
#include "app/run_stop.h"
#include "fuzz_host.h"

namespace {

const std::filesystem::path& WorkDir() {
  static const std::filesystem::path dir = qw::fuzz::MakeFuzzWorkDir("interp");
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path& dir = WorkDir();
  {
    std::ofstream out(dir / "autorun.txt", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  qw::fuzz::FuzzHost host;
  qw::EngineOptions options;
  options.dataRoot = dir.string();
  options.startDir = dir;
  options.lineLimit = 20000;
  qw::TFmain engine(host, options);
  try {
    engine.ScenarioStart();
  } catch (const qw::RunStopped&) {
  }
  return 0;
}
