#include "host/qt/gamepad.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>

#include <SDL.h>

#include <cmath>
#include <cstdio>

#include "host/qt/picture_window.h"
#include "host/qt/qt_host.h"

namespace qw {
namespace {

// Fast enough that a press feels immediate, slow enough to cost nothing noticeable.
constexpr int kPollMs = 30;
constexpr const char* kDeviceFolder = "/dev/input";

PadButton ButtonOf(std::uint8_t button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_A:
      return PadButton::A;
    case SDL_CONTROLLER_BUTTON_B:
      return PadButton::B;
    case SDL_CONTROLLER_BUTTON_START:
      return PadButton::Start;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      return PadButton::Up;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      return PadButton::Down;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      return PadButton::Left;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      return PadButton::Right;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
      return PadButton::LeftShoulder;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
      return PadButton::RightShoulder;
    default:
      return PadButton::Other;
  }
}

const char* DirectionKey(PadButton button) {
  switch (button) {
    case PadButton::Up:
      return "Up";
    case PadButton::Down:
      return "Down";
    case PadButton::Left:
      return "Left";
    case PadButton::Right:
      return "Right";
    default:
      return nullptr;
  }
}

// The host's pop-up menu, or the focused control of a dialog, when one has the keyboard.
QWidget* HostMenuTarget() {
  if (QWidget* popup = QApplication::activePopupWidget()) return popup;
  if (QWidget* modal = QApplication::activeModalWidget()) {
    return modal->focusWidget() ? modal->focusWidget() : modal;
  }
  return nullptr;
}

int QtKeyOf(const std::string& name) {
  if (name == "Up") return Qt::Key_Up;
  if (name == "Down") return Qt::Key_Down;
  if (name == "Left") return Qt::Key_Left;
  if (name == "Right") return Qt::Key_Right;
  if (name == "Enter") return Qt::Key_Return;
  return Qt::Key_Escape;
}

}  // namespace

PadAction PadActionFor(PadButton button, bool hostMenuOpen) {
  using Kind = PadAction::Kind;
  if (const char* key = DirectionKey(button)) {
    return {hostMenuOpen ? Kind::HostKey : Kind::Key, key, 0};
  }
  if (hostMenuOpen) {
    switch (button) {
      case PadButton::A:
        return {Kind::HostKey, "Enter", 0};
      case PadButton::B:
      case PadButton::Start:
        return {Kind::HostKey, "Escape", 0};
      default:
        return {};
    }
  }
  switch (button) {
    case PadButton::A:
      return {Kind::Click, "", 0};
    case PadButton::B:
    case PadButton::Start:
      // The engine opens its pop-up menu on a right press, where the story lets it.
      return {Kind::RightClick, "", 0};
    case PadButton::LeftShoulder:
      return {Kind::Wheel, "", 1};
    case PadButton::RightShoulder:
      return {Kind::Wheel, "", -1};
    default:
      return {};
  }
}

Gamepad::Gamepad(QtHost& host) : host_(host) {
  // The window system owns the screen and the keyboard; SDL only reads controllers here.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  // SDL's own handlers would turn Ctrl+C and SIGTERM into an event nobody reads.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
    std::fprintf(stderr, "quillwork: game controllers are not available: %s\n", SDL_GetError());
    return;
  }
  started_ = true;
  poll_.setInterval(kPollMs);
  QObject::connect(&poll_, &QTimer::timeout, this, [this] { readEvents(); });
  // A device node appears when a controller is plugged in; its permissions may follow a
  // moment later, so SDL looks again after a while too.
  if (devices_.addPath(QString::fromLatin1(kDeviceFolder))) {
    QObject::connect(&devices_, &QFileSystemWatcher::directoryChanged, this, [this] {
      readEvents();
      QTimer::singleShot(1000, this, [this] { readEvents(); });
    });
  }
  readEvents();
}

Gamepad::~Gamepad() {
  if (!started_) return;
  for (auto& [id, controller] : controllers_)
    SDL_GameControllerClose(static_cast<SDL_GameController*>(controller));
  SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void Gamepad::readEvents() {
  SDL_PumpEvents();
  SDL_Event events[16];
  int count = 0;
  while ((count = SDL_PeepEvents(events, 16, SDL_GETEVENT, SDL_CONTROLLERAXISMOTION,
                                 SDL_CONTROLLERDEVICEREMAPPED)) > 0) {
    for (int i = 0; i < count; ++i) {
      const SDL_Event& e = events[i];
      if (e.type == SDL_CONTROLLERDEVICEADDED) {
        if (SDL_GameController* c = SDL_GameControllerOpen(e.cdevice.which)) {
          controllers_[SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c))] = c;
        }
      } else if (e.type == SDL_CONTROLLERDEVICEREMOVED) {
        auto it = controllers_.find(e.cdevice.which);
        if (it != controllers_.end()) {
          SDL_GameControllerClose(static_cast<SDL_GameController*>(it->second));
          controllers_.erase(it);
        }
      } else if (e.type == SDL_CONTROLLERBUTTONDOWN) {
        pressed(ButtonOf(e.cbutton.button));
      }
    }
  }
  // Whatever else SDL queued (audio devices, raw joystick events) is of no use here.
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  if (controllers_.empty()) {
    poll_.stop();
  } else if (!poll_.isActive()) {
    poll_.start();
  }
}

void Gamepad::pressed(PadButton button) {
  // Presses while another application has the keyboard are not for us.
  if (QGuiApplication::applicationState() != Qt::ApplicationActive) return;
  perform(PadActionFor(button, HostMenuTarget() != nullptr));
}

void Gamepad::perform(const PadAction& action) {
  using Kind = PadAction::Kind;
  PictureWindow& window = host_.pictureWindow();
  const qreal dpr = window.devicePixelRatioF();
  const QPointF at = QPointF(window.mapFromGlobal(QCursor::pos())) * dpr;
  const PicturePoint p = window.geometryNow().toPicture(at.x(), at.y());
  switch (action.kind) {
    case Kind::None:
      break;
    case Kind::Click:
      host_.deliver([&](HostListener& l) { l.onMouseDown(p.x, p.y, false); });
      host_.deliver([&](HostListener& l) { l.onMouseUp(p.x, p.y, false); });
      host_.deliver([&](HostListener& l) { l.onClick(p.x, p.y); });
      break;
    case Kind::RightClick: {
      const std::uint64_t menus = host_.popupMenusShown();
      host_.deliver([&](HostListener& l) { l.onMouseDown(p.x, p.y, true); });
      // A pop-up menu the press opened has had the release, as with the mouse.
      if (host_.popupMenusShown() == menus) {
        host_.deliver([&](HostListener& l) { l.onMouseUp(p.x, p.y, true); });
      }
      break;
    }
    case Kind::Key:
      host_.deliver([&](HostListener& l) { l.onKey(action.key, false); });
      break;
    case Kind::Wheel:
      host_.deliver([&](HostListener& l) { l.onWheel(action.notches, p.x, p.y); });
      break;
    case Kind::HostKey:
      if (QWidget* target = HostMenuTarget()) {
        const int key = QtKeyOf(action.key);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
      }
      break;
  }
}

}  // namespace qw
