// Game controllers through SDL's game controller support, turned into the events the mouse
// and keyboard send: A a click, B a right click, the D-pad the cursor keys, Start the pop-up
// menu, the shoulder buttons backlog pages (as the wheel turns them).
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <map>
#include <string>

namespace qw {

class QtHost;

enum class PadButton { A, B, Start, Up, Down, Left, Right, LeftShoulder, RightShoulder, Other };

struct PadAction {
  enum class Kind { None, Click, RightClick, Key, Wheel, HostKey };
  Kind kind = Kind::None;
  std::string key;  // Key: the listener's key name; HostKey: "Up", ..., "Enter", "Escape"
  int notches = 0;  // Wheel
  bool operator==(const PadAction&) const = default;
};

// What a press of `button` does. While the host's own pop-up menu or a dialog has the
// keyboard (`hostMenuOpen`), the pad drives it as its keys: the D-pad the cursor keys, A Enter,
// B and Start Escape.
PadAction PadActionFor(PadButton button, bool hostMenuOpen);

class Gamepad final : public QObject {
 public:
  // Starts SDL's game controller support and opens the controllers attached. Events are read
  // only while a controller is open, on a timer; without one, nothing runs but a watch of
  // /dev/input that wakes only when a device is plugged in. SDL failing to start is said once
  // on standard error.
  explicit Gamepad(QtHost& host);
  ~Gamepad() override;
  Gamepad(const Gamepad&) = delete;
  Gamepad& operator=(const Gamepad&) = delete;

  // Does what `action` says, at the pointer's place on the picture.
  void perform(const PadAction& action);

 private:
  // Takes SDL's pending events: controllers come and go, buttons are pressed.
  void readEvents();
  void pressed(PadButton button);

  QtHost& host_;
  bool started_ = false;
  std::map<int, void*> controllers_;  // SDL instance id to SDL_GameController
  QTimer poll_;
  QFileSystemWatcher devices_;
};

}  // namespace qw
