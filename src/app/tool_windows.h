// The engine's tool windows beside the slot picker: the debug window, the font window and the
// version window. One owner, held by the engine object: it opens them from the pop-up menu,
// feeds the debug window as errors are reported and flags change, and tells the host when a
// shown window's lists have changed.
#pragma once

#include <memory>
#include <string>

#include "tools/debug_window.h"
#include "tools/font_window.h"
#include "tools/version_window.h"

namespace qw {

class TFmain;

class ToolWindows {
 public:
  explicit ToolWindows(TFmain& engine);
  ~ToolWindows();
  ToolWindows(const ToolWindows&) = delete;
  ToolWindows& operator=(const ToolWindows&) = delete;

  DebugWindow& debug() { return debug_; }
  const DebugWindow& debug() const { return debug_; }
  FontWindow& font() { return font_; }
  VersionWindow& version() { return version_; }
  // `DebugMode=on` in the reader's settings.
  bool debugMode() const;

  // ---- What the engine reports ----
  // `ReportScriptError` after a No: the location text (UTF-8) joins the error list.
  void ErrorReported(const std::string& locationUtf8);
  // A flag written by `_$flg`, `_@flg` or a click on the picture: its line follows, in debug
  // mode.
  void FlagWritten(int index);
  // Many flags changed at once (`_flgclear`, a slot loaded, the start script begun again):
  // every line follows, when the list has lines.
  void FlagsReloaded();
  // The scenario starts (the start script and the global flags read): in debug mode an empty
  // value list is filled.
  void ScenarioStarted();

  // ---- Pop-up menu items ----
  // `Mdebug`: in debug mode shows the debug window, modeless; otherwise nothing.
  void ShowDebugWindow();
  // `Kfont`: the font window, modal. OK puts the choices into font slots 0..3 and the text
  // engine's current and ruby fonts.
  void ShowFontWindow();
  // `Mversion`: the version window, modal.
  void ShowVersionWindow();

 private:
  RunStatus Status() const;
  BufferInfo Buffer(int listIndex) const;
  // Tells the host once, at its next message round, that the shown debug window changed.
  void DebugChanged();
  void LoadVersionPicture();

  TFmain& engine_;
  DebugWindow debug_;
  FontWindow font_;
  VersionWindow version_;
  bool fontListBuilt_ = false;
  bool versionLoaded_ = false;
  bool notifyPending_ = false;
  // Posted notifications check it: the engine may be gone when the host runs them.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace qw
