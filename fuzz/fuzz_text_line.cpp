// One story-text line, with its tags, drawn by an engine on a host that answers nothing: each
// wait for the reader is passed with a click, a few times, and timed waits pass in virtual time.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/engine.h"
#include "app/run_stop.h"
#include "platform/errors.h"
#include "present/text_engine.h"

namespace {

class ClickingHost final : public qw::Host {
 public:
  void setListener(qw::HostListener* listener) override { listener_ = listener; }
  std::uint32_t ticks() override { return clock_; }
  qw::LocalTime localTime() override { return {}; }
  std::uint32_t randomSeed() override { return 1; }
  void processMessages() override {}
  bool waitMessage(std::optional<std::uint32_t> deadline) override {
    if (!deadline) {
      // The reader clicks through a few waits, then stops answering.
      if (clicks_++ >= 6 || listener_ == nullptr)
        throw qw::RunStopped{qw::RunStopped::Reason::InputExhausted};
      listener_->onMouseDown(100, 100, false);
      listener_->onMouseUp(100, 100, false);
      listener_->onClick(100, 100);
      return true;
    }
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
  qw::HostListener* listener_ = nullptr;
  std::uint32_t clock_ = 10000000;
  int clicks_ = 0;
};

// An empty scenario folder with an empty start script, made the current folder once.
const std::filesystem::path& WorkDir() {
  static const std::filesystem::path dir = [] {
    std::filesystem::path d = std::filesystem::temp_directory_path() /
                              ("quillwork-fuzz-text-" + std::to_string(getpid()));
    std::filesystem::create_directories(d);
    std::ofstream(d / "autorun.txt", std::ios::binary) << ";\r\n";
    std::filesystem::current_path(d);
    return d;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path& dir = WorkDir();
  ClickingHost host;
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
