#include "app/tool_windows.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/engine.h"
#include "app/save_subsystem.h"
#include "gfx/picture.h"
#include "state/install_path.h"

namespace qw {

ToolWindows::ToolWindows(TFmain& engine)
    : engine_(engine),
      debug_(DebugWindow::Services{&engine.flags(), [this] { return Status(); },
                                   [this](int listIndex) { return Buffer(listIndex); },
                                   [&engine] { engine.RequestExit(0); }}) {
  engine.saves().picker().setGlyphs(&engine.glyphs());
}

ToolWindows::~ToolWindows() = default;

bool ToolWindows::debugMode() const {
  return engine_.saves().reader().debugMode;
}

// ---- Debug window ----

void ToolWindows::ErrorReported(const std::string& locationUtf8) {
  debug_.AddError(locationUtf8);
  DebugChanged();
}

void ToolWindows::FlagWritten(int index) {
  if (!debugMode()) return;
  debug_.FlagWritten(index);
  DebugChanged();
}

void ToolWindows::FlagsReloaded() {
  if (!debug_.hasValues()) return;
  debug_.ForceUpdate();
  DebugChanged();
}

void ToolWindows::ScenarioStarted() {
  if (debugMode() && !debug_.hasValues()) debug_.FillValues();
}

void ToolWindows::ShowDebugWindow() {
  if (!debugMode()) return;
  debug_.Open();
  Host& host = engine_.host();
  host.showToolWindow(debug_, false);
  // A window shown before keeps its widgets: they read the lists again.
  host.toolWindowChanged(debug_);
}

void ToolWindows::DebugChanged() {
  if (!debug_.shown() || notifyPending_) return;
  notifyPending_ = true;
  engine_.host().post([this, alive = std::weak_ptr<bool>(alive_)] {
    if (alive.expired()) return;
    notifyPending_ = false;
    if (debug_.shown()) engine_.host().toolWindowChanged(debug_);
  });
}

RunStatus ToolWindows::Status() const {
  RunStatus s;
  const LogRing& log = engine_.saves().log();
  s.logTotalPage = log.pageCount();
  s.logCurrentPage = log.currentPage();
  s.logCurrentLine = log.lineIndex();
  s.saveLogStartPage = log.saveRange().end;
  s.saveLogTotalPage = log.saveRange().count;
  const TProg& prog = engine_.prog();
  s.progFileName = prog.FileName;
  s.progChapter = prog.Caption;
  s.progExecLine = prog.Pc;
  s.progNextLine = prog.NextPc;
  s.progRetStack = prog.StackTop;
  s.progIfResult = prog.Condition;
  s.progSelResult = prog.Selection;
  s.progMultiStateFlag = prog.Status;
  const std::vector<std::string>& lines = engine_.script().lines;
  if (prog.Pc >= 0 && static_cast<std::size_t>(prog.Pc) < lines.size()) {
    s.runningLine = lines[static_cast<std::size_t>(prog.Pc)];
  }
  std::error_code ec;
  s.currentDirUtf8 = std::filesystem::current_path(ec).string();
  return s;
}

BufferInfo ToolWindows::Buffer(int listIndex) const {
  Screen& screen = engine_.screen();
  if (listIndex == DebugWindow::kBufferCount - 2) {
    return {&screen.buffer(SPRITE), screen.sprite.fileName};
  }
  if (listIndex == DebugWindow::kBufferCount - 1) {
    return {&screen.buffer(SPRITE_MASK), screen.sprite.maskFileName};
  }
  const int slot = std::clamp(listIndex, 0, static_cast<int>(PERSON2_MASK));
  const TImageStatus& record = screen.record(slot);
  // A mask buffer's record carries only the mask's file name.
  return {&screen.buffer(slot), record.fileName.empty() ? record.maskFileName : record.fileName};
}

// ---- Font window ----

void ToolWindows::ShowFontWindow() {
  if (!fontListBuilt_) {
    font_.SetFontList(InstalledFontFamilies());
    font_.SetGlyphs(&engine_.glyphs());
    fontListBuilt_ = true;
  }
  TextFields& text = engine_.text();
  std::array<std::string, FontWindow::kRows> slots;
  for (std::size_t i = 0; i < slots.size(); ++i)
    slots[i] = text.fonts[i];
  font_.Open(slots, engine_.saves().scenario().fontComments);
  engine_.host().showToolWindow(font_, true);
  if (font_.isOpen()) font_.Cancel();
  if (!font_.accepted()) return;
  const std::array<std::string, FontWindow::kRows> chosen = font_.choices();
  for (std::size_t i = 0; i < chosen.size(); ++i)
    text.fonts[i] = chosen[i];
  TTextStatus& status = engine_.textStatus();
  status.fontName = text.fonts[static_cast<std::size_t>(std::clamp(text.fontIndex, 0, 6))];
  status.rubyFontName = text.fonts[3];
}

// ---- Version window ----

void ToolWindows::LoadVersionPicture() {
  versionLoaded_ = true;
  Surface picture;
  const std::string& file = engine_.saves().scenario().version;
  if (!file.empty()) {
    try {
      if (LoadPicture(picture, file, engine_.options().dataRoot, engine_, &engine_.host()) !=
          PictureLoad::Loaded) {
        picture = Surface();
      }
    } catch (const std::exception& e) {
      // A missing or broken picture is reported once; the window shows the fallback.
      picture = Surface();
      version_.SetPicture(picture, &engine_.glyphs());
      engine_.ApplicationException(e.what());
      return;
    }
  }
  version_.SetPicture(picture, &engine_.glyphs());
}

void ToolWindows::ShowVersionWindow() {
  if (!versionLoaded_) LoadVersionPicture();
  const std::string& programId = engine_.saves().scenario().programId;
  VersionWindow::Info info;
  info.programIdCp932 = programId;
  info.installPath = LookupInstallPath(programId);
  info.dataFolder = engine_.saves().dataFolder().string();
  version_.Open(info);
  engine_.host().showToolWindow(version_, true);
  version_.Close();
}

}  // namespace qw
