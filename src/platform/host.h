// The desktop as the engine sees it. Everything the engine needs from a window system goes
// through Host; input travels the other way, through HostListener. Texts crossing this
// interface are UTF-8; the engine converts script bytes (CP932) before it calls.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gfx/surface.h"

namespace qw {

enum class MessageIcon { None, Exclamation, Question, Warning, Information, Error };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// A message box as the engine asks for it. An empty caption means "no title of its own":
// the host shows its default title.
struct MessageBoxSpec {
  std::string text;
  std::string caption;
  MessageIcon icon = MessageIcon::None;
  MessageButtons buttons = MessageButtons::Ok;
};

// The file-open dialog. `filter` uses the "label|pattern|label|pattern" form.
struct OpenFileSpec {
  std::string title;
  std::string fileName;
  std::string defaultExtension;
  std::string filter;
  std::string initialDir;
};

struct IntRect {
  int left = 0;
  int top = 0;
  int right = 0;   // exclusive
  int bottom = 0;  // exclusive
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
};

// A vertical scroll bar laid over the picture (the backlog's `ScrollBar1`).
struct ScrollBarSpec {
  IntRect bounds;  // picture coordinates; may reach past the picture's edge
  int position = 0;
  int maximum = 0;    // positions run from 0 to it
  int smallStep = 1;  // an arrow
  int largeStep = 1;  // a click on the track
};

// The pointer's shapes over the picture: the system's default pointer, then the five cursor
// images of the project ("PEN", "HAND", "WAIT", "ARROW", "BLANK"), numbered as `_mousepat`
// numbers them.
enum class CursorShape { Default = 0, Pen = 1, Hand = 2, Wait = 3, Arrow = 4, Blank = 5 };

// One entry of the pop-up menu as a host shows it. An entry named as another's `parent` is a
// submenu holding those entries, in the order given.
struct MenuEntry {
  std::string name;      // component name, "Msave"
  std::string caption;   // UTF-8
  std::string shortcut;  // "Ctrl+S", or empty
  std::string parent;    // "Mdisplay", "Moption", or empty for the top level
  bool enabled = true;
  bool checked = false;
  bool checkable = false;  // a switch: shows a check mark while checked
};

struct LocalTime {
  int second = 0, minute = 0, hour = 0;
  int day = 1;    // 1..31
  int month = 1;  // 1..12
  int year = 2000;
  int weekday = 0;  // 0 = Sunday
  int yearDay = 0;  // 0..365
};

// A tool window (slot picker, font, version, debug window) as a host shows it. The model lives
// in the engine and says what the window holds; the host lays out a view of it and reports the
// reader's actions back. Every text is UTF-8.
//
// Kinds: a Slider is a track bar with a tick at every step (`value` of 0..`maximum`); a Choice
// is a choose-only drop-down list (`lines` its items, `value` the chosen one or -1, `text` the
// chosen item as the reader sees it). A Button with a `picture` is an image button drawn by
// the engine: the host shows `picture`, and `pressedPicture` while the reader holds it down.
struct ToolControl {
  enum class Kind { Label, Button, List, Edit, Picture, ScrollBar, Tab, Slider, Choice };
  static constexpr std::uint32_t kDefaultColor = 0xFF000000;
  Kind kind = Kind::Label;
  std::string name;                // component name, "TkBtn1", "ValList"
  std::string text;                // caption, label text or edit contents
  std::vector<std::string> lines;  // a list's lines, a tab set's pages
  IntRect bounds;                  // in the window's client area
  int value = 0;                   // selected line (-1 none), scroll position, shown tab
  int maximum = 0;                 // a scroll bar's last position
  bool enabled = true;
  bool visible = true;
  const Surface* picture = nullptr;  // drawn by the engine (image buttons, previews)
  const Surface* pressedPicture = nullptr;  // an image button held down; null: `picture`
  std::uint32_t color = kDefaultColor;      // background 0xRRGGBB; kDefaultColor: the host's
  bool focused = false;                     // takes the keyboard focus when the window opens
};

class ToolWindowModel {
 public:
  virtual ~ToolWindowModel() = default;
  // The form's name ("TFver") and caption.
  virtual std::string formName() const = 0;
  virtual std::string caption() const = 0;
  // Client size of the window.
  virtual int width() const = 0;
  virtual int height() const = 0;
  // The window's background colour 0xRRGGBB; nothing for the host's own.
  virtual std::optional<std::uint32_t> color() const { return std::nullopt; }
  // The controls in reading order (tab order); valid until the next call that changes the
  // model.
  virtual std::vector<ToolControl> controls() const = 0;
  // The reader pressed a button, chose a list line or a tab, moved a scroll bar or typed in an
  // edit (`value` the line, position or tab; `text` the edit's contents). The model changes
  // and may end its window (closed() becomes true). The control name "cancel" stands for the
  // close box and Escape. Called on the engine's thread, from the host's message processing;
  // it may throw like any listener call.
  virtual void act(const std::string& control, int value, const std::string& text) = 0;
  // Whether the window has been closed by its model (OK, Cancel, 閉じる).
  virtual bool closed() const = 0;
};

// Input and window events, delivered by the host while the engine processes messages.
// Coordinates are picture coordinates (0..639, 0..479), already mapped back from any
// scaling of the window.
//
// Nested loops: message boxes, dialogs, the pop-up menu and modal tool windows run their own
// message loops, and the host goes on delivering listener events from inside them (timers,
// posted tasks, wakes, mouse events that reach the picture). A listener call may itself call
// back into the host (a message box from a timer handler).
//
// Exceptions: what a listener call throws is caught by the host and rethrown from the host call
// the engine is blocked in (processMessages, waitMessage, a dialog); it never crosses the
// window system's dispatch. Outside any engine call the host reports it and ends the process
// with exit status 1.
//
// Threads: the engine and every listener call run on one thread, the host's main thread. The
// only member another thread may call is Host::post.
class HostListener {
 public:
  virtual ~HostListener() = default;
  virtual void onMouseDown(int x, int y, bool right) = 0;
  virtual void onMouseUp(int x, int y, bool right) = 0;
  // A left click on the picture, after its down and up.
  virtual void onClick(int x, int y) = 0;
  virtual void onMouseMove(int x, int y) = 0;
  // A key by name: "Enter", "Escape", "Space", "Up", "Down", "Left", "Right", "PageUp",
  // "PageDown", "F12", a letter "A".."Z", a digit; `ctrl` for shortcuts.
  virtual void onKey(const std::string& key, bool ctrl) = 0;
  // A pop-up menu item chosen by its component name ("Msave", "Khidetext", ...).
  virtual void onMenuItem(const std::string& name) = 0;
  // The reader asked to close the window. Returns true when the window may close now
  // (the engine has saved and is not running a script any more).
  virtual bool onCloseRequest() = 0;
  // The 100 ms form timer, while it is enabled.
  virtual void onTimer() = 0;
  // An exit code when the engine has decided to end the process, else nothing. Hosts
  // check it after each event they deliver outside a running script.
  virtual std::optional<int> exitRequested() const = 0;
  // A left click on the window outside the picture (the bars around a scaled picture, or the
  // frame of a movie): it ends a movie wait.
  virtual void onClickOutside() {}
  // The mouse wheel: `notches` > 0 away from the reader (up), < 0 towards; at picture point
  // (x, y).
  virtual void onWheel(int /*notches*/, int /*x*/, int /*y*/) {}
  // The tick given to Host::wakeAt has been reached.
  virtual void onWake() {}
  // The scroll bar laid over the picture (the backlog's) was moved to `position`.
  virtual void onScrollBar(int /*position*/) {}
  // The Ctrl key went down (`held`) or came up, while the window has the keyboard; a call
  // may repeat the state the listener already has. A host that loses the keyboard reports it
  // up. A host that cannot tell never calls it. Keys typed meanwhile still arrive as onKey
  // with `ctrl`.
  virtual void onControlKey(bool /*held*/) {}
};

class Host {
 public:
  virtual ~Host() = default;

  // The event sink. Set once by the engine before the first message is processed.
  virtual void setListener(HostListener* listener) = 0;

  // Milliseconds since the system started; wraps like a 32-bit tick count.
  virtual std::uint32_t ticks() = 0;
  // The local date and time.
  virtual LocalTime localTime() = 0;
  // A seed for the engine's random generator, taken when the main window is created.
  virtual std::uint32_t randomSeed() = 0;

  // Delivers every pending event to the listener and returns at once.
  virtual void processMessages() = 0;
  // Sleeps until an event arrives or the tick count reaches `deadline` (when given), then
  // delivers what is pending. Returns whether any event was delivered. With no deadline
  // this is a wait for the reader.
  virtual bool waitMessage(std::optional<std::uint32_t> deadline) = 0;

  // The shown picture changed inside `area`; the host copies that part of `shown` to the
  // screen, at the latest when it next processes messages.
  virtual void present(const Surface& shown, const IntRect& area) = 0;
  virtual void setCaption(const std::string& caption) = 0;
  // Enables or disables the 100 ms form timer.
  virtual void setTimerEnabled(bool enabled) = 0;

  virtual MessageAnswer messageBox(const MessageBoxSpec& spec) = 0;
  // A text-input box; nothing when cancelled.
  virtual std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                              const std::string& initial) = 0;
  // The file-open dialog; the chosen file's full path, or nothing when cancelled.
  virtual std::optional<std::string> openFile(const OpenFileSpec& spec) = 0;

  // Bits per pixel of the desktop.
  virtual int colorDepth() = 0;
  virtual void beep() {}

  // ---- Pop-up menu, pointer and window modes ----

  // Shows the pop-up menu with its top-left at picture point (x, y) and returns when it
  // closes: the name of the chosen entry, or nothing when it was dismissed. Disabled entries
  // and submenu headers cannot be chosen. Events meanwhile belong to the menu; listener calls
  // may happen inside (timers, repaints). The press that opened the menu ends in it: its
  // release reaches no listener.
  virtual std::optional<std::string> showPopupMenu(const std::vector<MenuEntry>& entries, int x,
                                                   int y) = 0;
  // Posts a close request to the main window and returns at once. When the host next
  // processes messages it handles it as a click on the close box: it asks the listener's
  // onCloseRequest.
  virtual void requestClose() = 0;
  // The pointer's shape while it is over the picture.
  virtual void setCursorShape(CursorShape /*shape*/) {}
  // Shows or removes the window frame; either way the client area becomes 640 x 480 and
  // the window is centred on its screen. Ignored while full screen.
  virtual void setWindowFrame(bool /*framed*/) {}
  // On: the window becomes borderless full screen on the screen it is on, the picture
  // scaled into it with its aspect ratio kept; the desktop's display mode is not changed.
  // Off: the window is framed and windowed again, with the size and place it had before
  // full screen. Returns false
  // when the change is refused (the window is left as it was). The default host refuses
  // full screen.
  virtual bool setFullScreen(bool on) { return !on; }
  // Moves the pointer onto picture point (x, y), mapped through the window's scaling, when
  // the window is in its normal state (not minimised or maximised) and the pointer's
  // position can be read. Returns whether it moved. The move then arrives as onMouseMove
  // when the host next processes messages.
  virtual bool warpPointer(int /*x*/, int /*y*/) { return false; }
  // Shows the scroll bar over the picture, or updates the one shown, at `spec`'s place,
  // position and range; this call itself reports nothing to the listener. While it shows, the
  // reader's moves (dragging, arrows, clicks on the track) arrive as onScrollBar with the new
  // position. Returns true when the host shows a control of its own, which takes the mouse
  // over its place: the engine then leaves the bar out of the picture. The default returns
  // false: the engine draws the bar into the picture and takes clicks on it by position (the
  // headless host, whose `scroll N` reaches onScrollBar directly).
  virtual bool showScrollBar(const ScrollBarSpec& /*spec*/) { return false; }
  // Removes the scroll bar; nothing when none shows.
  virtual void hideScrollBar() {}

  // ---- Services for media and tool windows ----

  // Runs `task` on the main thread the next time the host processes or waits for messages,
  // and wakes a wait blocked in waitMessage (which then returns true). The one member that is
  // safe to call from any thread (SDL_mixer's end-of-play callbacks run on its audio thread).
  // Tasks run in the order posted; a task may throw like a listener call.
  virtual void post(std::function<void()> task) = 0;
  // Calls the listener's onWake once the tick count reaches `tick` (unsigned 32-bit
  // comparison, at most 2^31 - 1 ms ahead), even while a wait with a later deadline or with
  // none is blocked: that wait then returns true. A later call replaces an earlier wake;
  // cancelWake drops it. The headless host keeps it on its virtual clock.
  virtual void wakeAt(std::uint32_t tick) = 0;
  virtual void cancelWake() = 0;

  // Shows a tool window for `model`. Modal: returns when the model reports closed(), the
  // reader's actions reaching the model meanwhile (listener events go on, as for a message
  // box). Modeless: returns at once; the window stays until closeToolWindow, while the
  // engine goes on. The model must outlive its window.
  virtual void showToolWindow(ToolWindowModel& model, bool modal) = 0;
  // The model changed outside act() (the debug window's lists follow the story): the view
  // reads it again.
  virtual void toolWindowChanged(ToolWindowModel& model) = 0;
  // Closes a modeless window of `model`; nothing when none is shown.
  virtual void closeToolWindow(ToolWindowModel& model) = 0;

  // Puts `utf8` on the desktop's clipboard as plain text, replacing what it held. The default
  // host has no clipboard and drops it.
  virtual void setClipboardText(const std::string& /*utf8*/) {}

  // Whether the host takes the story lines (to read them aloud). Asked as the text is drawn,
  // so a change reaches the next line.
  virtual bool wantsStoryLines() const { return false; }
  // A story line as the reader sees it, UTF-8, without tags, ruby as "base(ruby)": the text
  // shown since the last wait, handed over as the reader reaches the next (the text hook's
  // lines). Called only when wantsStoryLines(); it may not call back into the engine.
  virtual void storyLineShown(const std::string& /*utf8*/) {}
};

}  // namespace qw
