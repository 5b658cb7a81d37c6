// TFmain: the engine object. It owns every long-lived record of a running scenario and is the
// listener of the host's events.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/engine_options.h"
#include "gfx/glyphs.h"
#include "gfx/picture_cache.h"
#include "gfx/surface.h"
#include "platform/host.h"
#include "platform/reporter.h"
#include "present/choice_menu_commands.h"
#include "present/display.h"
#include "present/popup_menu.h"
#include "present/screen.h"
#include "present/text_state.h"
#include "present/wait.h"
#include "script/prog.h"
#include "script/source.h"
#include "state/config.h"
#include "state/expr.h"
#include "state/flags.h"
#include "state/random.h"

namespace qw {

// Switches set by the `_sys*` commands and the refresh-after-change setting.
struct SystemSwitches {
  bool dark = false;
  bool popupLocked = false;
  bool saveLocked = false;
  bool logLocked = false;
  std::string autoRefresh = "0";
};

class Subsystem;
class SaveSubsystem;
class MediaSubsystem;
class ToolWindows;
class ReaderAids;

class TFmain final : public HostListener, public ErrorReporter, public SystemValueSource {
 public:
  // Creating the main window: random seed, script key, the records' start values.
  TFmain(Host& host, EngineOptions options);
  ~TFmain() override;

  // The idle callback: runs the scenario once. Returns the exit code when the process is to
  // end now, nothing when the run has ended and the window stays open. A RunStopped thrown by
  // the host passes through.
  std::optional<int> ScenarioStart();

  // The picture shown in the window (`BackImage`), 640 x 480.
  const Surface& shownPicture() const { return backImage_; }

  const TProg& prog() const { return prog_; }
  const FlagStore& flags() const { return flags_; }
  // The debug window's error list: one location text per reported error (UTF-8).
  const std::vector<std::string>& errorList() const;
  bool running() const { return running_; }

  // ErrorReporter
  void scriptError(const std::string& message,
                   MessageIcon icon = MessageIcon::Exclamation) override;
  void reportScriptError(const std::string& message) override;

  // HostListener
  void onMouseDown(int x, int y, bool right) override;
  void onMouseUp(int x, int y, bool right) override;
  void onClick(int x, int y) override;
  void onMouseMove(int x, int y) override;
  void onKey(const std::string& key, bool ctrl) override;
  void onMenuItem(const std::string& name) override;
  bool onCloseRequest() override;
  void onTimer() override;
  std::optional<int> exitRequested() const override { return exitRequest_; }
  // Ends the program with `code` without saving: at the next round of a wait, or, with no
  // script running, as the host next asks exitRequested().
  void RequestExit(int code) { exitRequest_ = code; }
  void onClickOutside() override;
  void onWake() override;
  void onScrollBar(int position) override;
  void onWheel(int notches, int x, int y) override;
  void onControlKey(bool held) override;

  // SystemValueSource
  std::int32_t systemValue(int index) override;

  // ---- Services for the command handlers ----
  Host& host() { return host_; }
  TProg& prog() { return prog_; }
  FlagStore& flags() { return flags_; }
  ScriptSource& script() { return script_; }
  Evaluator& evaluator() { return evaluator_; }
  InputSignals& input() { return input_; }
  SystemSwitches& switches() { return switches_; }
  const EngineOptions& options() const { return options_; }
  std::int32_t& pendingRequest() { return pendingRequest_; }
  std::uint32_t& waitBase() { return waitBase_; }
  TTextStatus& textStatus() { return textStatus_; }
  Screen& screen() { return screen_; }
  PopupMenu& menu() { return menu_; }
  // Cursor pattern, full screen, and the menu lock `_syspopup` holds.
  DisplayState& display() { return display_; }
  const Screen& screen() const { return screen_; }
  // The window's picture (`BackImage`); drawing on it shows once presented.
  Surface& window() { return backImage_; }
  // Tells the host that `area` of the window's picture changed.
  void PresentWindow(const IntRect& area);
  // `qwk.cfg` as read at start-up.
  const ConfigFile& config() const;
  TextFields& text() { return text_; }
  // Glyph rendering for story text, with its font lookups and glyph cache.
  GlyphRenderer& glyphs() { return glyphs_; }
  // Settings, backlog, read-text record, page snapshot, save slots and global flags.
  SaveSubsystem& saves() { return *saves_; }
  // The output, the sound channels and the list of media played.
  MediaSubsystem& media() { return *media_; }
  // The debug, font and version windows.
  ToolWindows& tools() { return *tools_; }
  // Auto-advance, Ctrl held, screenshots and the text hook.
  ReaderAids& readerAids() { return *readerAids_; }
  // The cursor keys kept for a choice menu while one waits.
  ChoiceMenuInput& choiceMenuInput() { return choiceMenuInput_; }
  std::int32_t currentTextId() const { return currentTextId_; }

  // Evaluates a numeric argument (empty gives `fallback`).
  std::int32_t argInt(int index, std::int32_t fallback = 0);
  const std::string& arg(int index) const { return prog_.Args[static_cast<std::size_t>(index)]; }

  // Reads script file `name` (CP932) and makes it the loaded script.
  void LoadScript(const std::string& name);
  void SelectStartScript();
  // Returns the line index of a label (reports an unknown label and returns Pc + 1).
  std::int32_t LookupLabel(const std::string& label);
  // Index of the first line from `start` equal to `marker`, trimmed (reports and returns 0).
  std::int32_t FindLineFrom(const std::string& marker, std::int32_t start);
  void ExecuteCommand(const std::string& line);
  std::int32_t scriptKey() const { return scriptKey_; }
  void SetCaption(const std::string& cp932Caption);

  // Every wait goes through it; each round rethrows a forced end that a handler decided on.
  Waiter& waiter() { return waiter_; }
  // A timed pause with clicks off.
  void Pause(std::uint32_t ms) { qw::Pause(waiter_, input_, ms); }

  // A message box through the host.
  MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                            MessageButtons buttons = MessageButtons::Ok);

  // Writes what a normal end saves (settings, global flags, read-text record).
  void SaveOnExit();

  // A subsystem whose ResetForTitle runs at each return to the title, in the order attached.
  // It must outlive the engine's use of it.
  void AttachSubsystem(Subsystem& subsystem) { subsystems_.push_back(&subsystem); }

  // Shows a framework error the standard way and reports it.
  void ApplicationException(const std::string& message);

 private:
  void RunScript();
  void ServicePendingRequest();
  void ReturnToTitle();
  static std::int32_t ParseTextId(const std::string& line);
  void LoadStartPictures();
  // Runs a handler of a host event, turning what it throws into a deferred exit or a report.
  template <typename Fn>
  void Dispatch(Fn&& fn);
  void ReaderActed();
  void ThrowIfExitRequested();

  Host& host_;
  EngineOptions options_;
  TProg prog_;
  ScriptSource script_;
  FlagStore flags_;
  Evaluator evaluator_;
  RandomGenerator random_;
  InputSignals input_;
  Waiter waiter_;
  SystemSwitches switches_;
  TTextStatus textStatus_;
  Screen screen_;
  PopupMenu menu_;
  DisplayState display_;
  TextFields text_;
  GlyphRenderer glyphs_;
  PictureCache pictures_;  // decoded pictures kept for the run's next loads of the same file
  ChoiceMenuInput choiceMenuInput_;
  int commandDepth_ = 0;
  Surface backImage_;
  std::int32_t pendingRequest_ = 0;
  std::int32_t currentTextId_ = -1;
  std::uint32_t waitBase_ = 0;
  std::uint64_t linesRun_ = 0;
  std::int32_t scriptKey_ = 0;
  bool running_ = false;
  bool started_ = false;
  std::optional<int> exitRequest_;
  std::vector<Subsystem*> subsystems_;
  std::unique_ptr<SaveSubsystem> saves_;
  std::unique_ptr<MediaSubsystem> media_;
  std::unique_ptr<ToolWindows> tools_;
  std::unique_ptr<ReaderAids> readerAids_;
};

}  // namespace qw
