// The host and folder the engine fuzz targets run in.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "app/run_stop.h"
#include "platform/host.h"

namespace qw::fuzz {

// A host that answers nothing: timed waits pass in virtual time, the first `clicks` waits for
// the reader are passed with a click, and the next one ends the run.
class FuzzHost final : public Host {
 public:
  explicit FuzzHost(int clicks = 0) : clicksLeft_(clicks) {}

  void setListener(HostListener* listener) override { listener_ = listener; }
  std::uint32_t ticks() override { return clock_; }
  LocalTime localTime() override { return {}; }
  std::uint32_t randomSeed() override { return 1; }
  void processMessages() override {}
  bool waitMessage(std::optional<std::uint32_t> deadline) override {
    if (!deadline) {
      if (clicksLeft_-- <= 0 || listener_ == nullptr)
        throw RunStopped{RunStopped::Reason::InputExhausted};
      listener_->onMouseDown(100, 100, false);
      listener_->onMouseUp(100, 100, false);
      listener_->onClick(100, 100);
      return true;
    }
    if (*deadline - clock_ > 600000u) throw RunStopped{RunStopped::Reason::TimeLimit};
    clock_ = *deadline;
    return false;
  }
  void present(const Surface&, const IntRect&) override {}
  void setCaption(const std::string&) override {}
  void setTimerEnabled(bool) override {}
  MessageAnswer messageBox(const MessageBoxSpec& spec) override {
    return spec.buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
  }
  std::optional<std::string> inputBox(const std::string&, const std::string&,
                                      const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> openFile(const OpenFileSpec&) override { return std::nullopt; }
  int colorDepth() override { return 32; }
  std::optional<std::string> showPopupMenu(const std::vector<MenuEntry>&, int, int) override {
    return std::nullopt;
  }
  void requestClose() override {}
  void post(std::function<void()> task) override { task(); }
  void wakeAt(std::uint32_t) override {}
  void cancelWake() override {}
  void showToolWindow(ToolWindowModel& model, bool modal) override {
    if (modal && !model.closed()) model.act("cancel", 0, {});
  }
  void toolWindowChanged(ToolWindowModel&) override {}
  void closeToolWindow(ToolWindowModel&) override {}

 private:
  HostListener* listener_ = nullptr;
  std::uint32_t clock_ = 10000000;
  int clicksLeft_;
};

// A fresh scenario folder for this process, made the current folder.
inline std::filesystem::path MakeFuzzWorkDir(const std::string& tag) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("quillwork-fuzz-" + tag + "-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  return dir;
}

}  // namespace qw::fuzz
