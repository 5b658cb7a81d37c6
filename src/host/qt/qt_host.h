// The desktop host: the main window showing the engine's picture, Qt's dialogs, the system
// clock. Runs on the GUI thread of a QApplication.
#pragma once

#include <QObject>
#include <QRect>
#include <QTimer>

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>

#include "app/window_state.h"
#include "host/qt/tick_clock.h"
#include "platform/host.h"

class QWidget;

namespace qw {

class FrameLog;
class Gamepad;
class OverlayScrollBar;
class PictureWindow;
class ReadAloud;
class ToolWindowView;

class QtHost final : public Host {
 public:
  // Needs a QApplication. Creates the main window hidden: client area 640 x 480, black,
  // captioned "Quillwork", centred on the primary screen.
  QtHost();
  ~QtHost() override;
  QtHost(const QtHost&) = delete;
  QtHost& operator=(const QtHost&) = delete;

  QWidget* window() const;
  PictureWindow& pictureWindow() const { return *window_; }
  void showWindow();
  // Before the window is first shown: its remembered place, when that is on a screen now,
  // else, with `scale`, a client area of 640 x 480 times it (the largest whole multiple that
  // fits the screen when it does not), centred; and the pixel scaling. Full screen is the
  // engine's to switch (`Kfullscr`), so that its menu agrees.
  void placeWindow(const WindowState& state, std::optional<int> scale);
  // The window as it is to be remembered: the framed window's place (the one it had before
  // full screen or maximising), full screen, the pixel scaling.
  WindowState windowState() const;

  // Ends the application with `code`: QCoreApplication::exit unless replaced (tests do).
  void setQuitHandler(std::function<void(int)> quit) { quit_ = std::move(quit); }
  void quit(int code);

  // The pacing trace (QW_FRAME_LOG), or nullptr.
  FrameLog* frameLog() const { return frameLog_.get(); }

  void setListener(HostListener* listener) override { listener_ = listener; }
  std::uint32_t ticks() override;
  LocalTime localTime() override;
  std::uint32_t randomSeed() override;
  void processMessages() override;
  bool waitMessage(std::optional<std::uint32_t> deadline) override;
  void present(const Surface& shown, const IntRect& area) override;
  void setCaption(const std::string& caption) override;
  void setTimerEnabled(bool enabled) override;
  MessageAnswer messageBox(const MessageBoxSpec& spec) override;
  std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& initial) override;
  std::optional<std::string> openFile(const OpenFileSpec& spec) override;
  int colorDepth() override;
  void beep() override;
  std::optional<std::string> showPopupMenu(const std::vector<MenuEntry>& entries, int x,
                                           int y) override;
  void requestClose() override;
  void setCursorShape(CursorShape shape) override;
  void setWindowFrame(bool framed) override;
  // Refused when the window is on no screen.
  bool setFullScreen(bool on) override;
  bool warpPointer(int x, int y) override;
  // A QScrollBar over the picture: true.
  bool showScrollBar(const ScrollBarSpec& spec) override;
  void hideScrollBar() override;
  // The scroll bar shown over the picture, else nullptr (tests drive it).
  OverlayScrollBar* scrollBar() const { return scrollBar_.get(); }
  // Story lines go to `reader` (owned by the caller; nullptr: none). Set before the engine is
  // created.
  void setReadAloud(ReadAloud* reader) { readAloud_ = reader; }
  bool wantsStoryLines() const override { return readAloud_ != nullptr; }
  void storyLineShown(const std::string& utf8) override;
  // Pop-up menus shown so far: a press that opened one has its release taken by it.
  std::uint64_t popupMenusShown() const { return popupMenusShown_; }
  void post(std::function<void()> task) override;
  void wakeAt(std::uint32_t tick) override;
  void cancelWake() override;
  void showToolWindow(ToolWindowModel& model, bool modal) override;
  void toolWindowChanged(ToolWindowModel& model) override;
  void closeToolWindow(ToolWindowModel& model) override;
  void setClipboardText(const std::string& utf8) override;
  // The view of `model` while one is shown (tests drive it), else nullptr.
  ToolWindowView* toolWindowView(const ToolWindowModel& model) const;

 private:
  friend class Gamepad;
  friend class PictureWindow;

  // Marks the time the engine (a listener call, or a host call made by the engine) is on
  // the stack: events delivered then are not at the top level.
  struct Nested {
    explicit Nested(QtHost& host) : host_(host) { ++host_.nesting_; }
    ~Nested() { --host_.nesting_; }
    Nested(const Nested&) = delete;
    Nested& operator=(const Nested&) = delete;
    QtHost& host_;
  };

  // Calls the listener. What it throws is kept and rethrown to the engine's waiting call
  // (processMessages, waitMessage, a dialog), never through Qt's event dispatch.
  template <typename Fn>
  void deliver(Fn&& call) {
    if (!listener_ || pending_) return;
    ++delivered_;
    try {
      Nested nested(*this);
      call(*listener_);
    } catch (...) {
      pending_ = std::current_exception();
    }
    if (nesting_ == 0) afterTopLevelEvent();
  }
  void afterTopLevelEvent();
  void rethrowPending();
  // The window's close box: whether the window may close now.
  bool closeRequested();
  QWidget* dialogParent() const;

  HostListener* listener_ = nullptr;
  std::unique_ptr<PictureWindow> window_;
  QTimer timer1_;       // the 100 ms form timer
  QTimer wake_;         // ends a wait at its deadline
  TickClock clock_;     // ticks, and when a wait's deadline falls due
  QTimer wakeAt_;       // the engine's timed wake (wakeAt)
  QObject postTarget_;  // lives on the main thread: posted tasks run in its context
  std::map<const ToolWindowModel*, std::unique_ptr<ToolWindowView>> toolViews_;
  ToolWindowView* modalView_ = nullptr;  // the modal tool window open now
  int modalDepth_ = 0;                   // host dialogs open now
  std::function<void(int)> quit_;
  std::uint64_t delivered_ = 0;  // listener calls so far
  int nesting_ = 0;
  std::exception_ptr pending_;
  bool fullScreen_ = false;
  QRect windowedGeometry_;  // the framed window's place before full screen
  std::unique_ptr<OverlayScrollBar> scrollBar_;  // made when first shown
  ReadAloud* readAloud_ = nullptr;
  std::uint64_t popupMenusShown_ = 0;
  std::unique_ptr<FrameLog> frameLog_;
};

}  // namespace qw
