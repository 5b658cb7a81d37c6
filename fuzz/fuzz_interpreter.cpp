// Whole scripts through the engine on a host that answers nothing and ends every wait.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/engine.h"
#include "app/run_stop.h"

namespace {

class NullHost final : public qw::Host {
 public:
  void setListener(qw::HostListener*) override {}
  std::uint32_t ticks() override { return clock_; }
  qw::LocalTime localTime() override { return {}; }
  std::uint32_t randomSeed() override { return 1; }
  void processMessages() override {}
  bool waitMessage(std::optional<std::uint32_t> deadline) override {
    // Timed waits pass in virtual time; a wait for the reader ends the run.
    if (!deadline) throw qw::RunStopped{qw::RunStopped::Reason::InputExhausted};
    if (*deadline - clock_ > 600000u) throw qw::RunStopped{qw::RunStopped::Reason::TimeLimit};
    clock_ = *deadline;
    return false;
  }
  void present(const qw::Surface&, const qw::IntRect&) override {}
  void setCaption(const std::string&) override {}
  void setTimerEnabled(bool) override {}
  qw::MessageAnswer messageBox(const qw::MessageBoxSpec& spec) override {
    return spec.buttons == qw::MessageButtons::Ok ? qw::MessageAnswer::Ok : qw::MessageAnswer::No;
  }
  std::optional<std::string> inputBox(const std::string&, const std::string&,
                                      const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> openFile(const qw::OpenFileSpec&) override { return std::nullopt; }
  int colorDepth() override { return 32; }
  std::optional<std::string> showPopupMenu(const std::vector<qw::MenuEntry>&, int, int) override {
    return std::nullopt;
  }
  void requestClose() override {}
  void post(std::function<void()> task) override { task(); }
  void wakeAt(std::uint32_t) override {}
  void cancelWake() override {}
  void showToolWindow(qw::ToolWindowModel& model, bool modal) override {
    if (modal && !model.closed()) model.act("cancel", 0, {});
  }
  void toolWindowChanged(qw::ToolWindowModel&) override {}
  void closeToolWindow(qw::ToolWindowModel&) override {}

 private:
  std::uint32_t clock_ = 10000000;
};

const std::filesystem::path& WorkDir() {
  static const std::filesystem::path dir = [] {
    std::filesystem::path d = std::filesystem::temp_directory_path() /
                              ("quillwork-fuzz-interp-" + std::to_string(getpid()));
    std::filesystem::create_directories(d);
    std::filesystem::current_path(d);
    return d;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path& dir = WorkDir();
  {
    std::ofstream out(dir / "autorun.txt", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  NullHost host;
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
