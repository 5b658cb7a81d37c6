// Shared pieces of the Qt host's tests: a listener that records what reaches it, a pump
// that lets the event loop run for a while, and a self-spawn helper.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/host.h"

namespace qw::test {

class RecordingListener : public HostListener {
 public:
  std::vector<std::string> events;
  int timerCount = 0;
  bool allowClose = false;
  std::optional<int> exitCode;
  // Runs after an event is recorded (by its text): may throw, or set exitCode.
  std::function<void(const std::string&)> hook;

  void onMouseDown(int x, int y, bool right) override { record("down", x, y, right); }
  void onMouseUp(int x, int y, bool right) override { record("up", x, y, right); }
  void onClick(int x, int y) override { record("click", x, y, false); }
  void onMouseMove(int x, int y) override { record("move", x, y, false); }
  void onKey(const std::string& key, bool ctrl) override {
    add("key " + std::string(ctrl ? "ctrl+" : "") + key);
  }
  void onMenuItem(const std::string& name) override { add("menu " + name); }
  bool onCloseRequest() override {
    add("close");
    return allowClose;
  }
  void onTimer() override {
    ++timerCount;
    if (onTimerHook) onTimerHook();
  }
  void onClickOutside() override { add("outside"); }
  void onWheel(int notches, int x, int y) override {
    add("wheel " + std::to_string(notches) + " " + std::to_string(x) + " " + std::to_string(y));
  }
  void onWake() override { add("wake"); }
  std::function<void()> onTimerHook;
  std::optional<int> exitRequested() const override { return exitCode; }

 private:
  void record(const char* what, int x, int y, bool right) {
    std::string text = std::string(what) + " " + std::to_string(x) + " " + std::to_string(y);
    if (right) text += " R";
    add(text);
  }
  void add(const std::string& text) {
    events.push_back(text);
    if (hook) hook(text);
  }
};

// Lets the event loop run for `ms` milliseconds.
inline void Pump(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// Runs this test binary again with `arguments` (and `environment` assignments first);
// returns its exit status, or -1 when it did not exit normally.
int RunSelf(const std::string& environment, const std::string& arguments);

}  // namespace qw::test
