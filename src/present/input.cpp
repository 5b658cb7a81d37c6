#include "present/input.h"

#include <optional>

#include "app/engine.h"
#include "app/reader_aids.h"
#include "app/save_subsystem.h"
#include "app/tool_windows.h"
#include "media/menu_hooks.h"
#include "present/backlog_viewer.h"
#include "present/display.h"
#include "present/save_commands.h"

namespace qw {

namespace {

void ClearClickSignals(TFmain& engine) {
  InputSignals& input = engine.input();
  input.click = input.mouseDown = input.mouseUp = false;
}

void Place(TFmain& engine, int x, int y) {
  engine.input().mouseX = x;
  engine.input().mouseY = y;
}

void ToggleMusic(TFmain& engine) {
  PopupMenu& menu = engine.menu();
  if (menu.checked("Kmusic")) {
    if (StopMusicForMenu(engine)) menu.setChecked("Kmusic", false);
  } else {
    menu.setChecked("Kmusic", true);
    ResumeMusicForMenu(engine);
  }
}

void ToggleSound(TFmain& engine) {
  PopupMenu& menu = engine.menu();
  if (menu.checked("Ksound")) {
    menu.setChecked("Ksound", false);
    StopSoundForMenu(engine);
  } else {
    menu.setChecked("Ksound", true);
    ResumeSoundForMenu(engine);
  }
}

void ToggleOption(TFmain& engine, bool& option, const char* item) {
  option = !option;
  engine.menu().setChecked(item, option);
}

void AskReturnToTitle(TFmain& engine) {
  MessageAnswer answer = engine.ShowMessage("タイトルに戻りますか？", "確認", MessageIcon::Question,
                                            MessageButtons::OkCancel);
  if (answer != MessageAnswer::Cancel) engine.pendingRequest() = 2;
}

struct MenuAction {
  const char* name;
  void (*run)(TFmain&);
};

// The pop-up menu's items and what each does, as the command table is for script words.
constexpr MenuAction kMenuActions[] = {
    {"Khideimage", HideImage},
    {"Khidetext", HideText},
    {"Kwinmode", ToggleWindowFrame},
    {"Kfullscr", ToggleFullScreen},
    {"Mdarkness", ToggleDarkness},
    {"Kmusic", ToggleMusic},
    {"Ksound", ToggleSound},
    {"Ktxtwait", [](TFmain& e) { ToggleOption(e, e.text().highSpeed, "Ktxtwait"); }},
    {"Ktxtskip", [](TFmain& e) { ToggleOption(e, e.text().pageUnit, "Ktxtskip"); }},
    {"Mtitle", AskReturnToTitle},
    {"Msave", CmdWinsave},
    {"Mload", CmdWinload},
    {"Mback", ShowBacklog},
    {"Mskipout", StartSkipMode},
    {"Mexit", [](TFmain& e) { e.host().requestClose(); }},
    {"Mdebug", [](TFmain& e) { e.tools().ShowDebugWindow(); }},
    {"Kfont", [](TFmain& e) { e.tools().ShowFontWindow(); }},
    {"Mversion", [](TFmain& e) { e.tools().ShowVersionWindow(); }},
    {ReaderAids::kAutoItem,
     [](TFmain& e) { e.readerAids().SetAutoAdvance(!e.readerAids().autoAdvance()); }},
    {ReaderAids::kScreenshotItem, [](TFmain& e) { e.readerAids().SaveScreenshot(); }},
};

}  // namespace

void MouseDown(TFmain& engine, int x, int y, bool right) {
  Place(engine, x, y);
  engine.input().mouseDown = true;
  engine.text().skipMode = false;
  if (!right) engine.readerAids().ReaderPressed();
  if (right && engine.menu().autoPopup()) OpenPopupMenu(engine, x, y);
}

void MouseUp(TFmain& engine, int x, int y) {
  Place(engine, x, y);
  engine.input().mouseUp = true;
  if (engine.text().textInProgress) engine.text().lineClicked = true;
}

void MouseClick(TFmain& engine, int x, int y) {
  Place(engine, x, y);
  if (engine.input().clicksEnabled) engine.input().click = true;
  FlagStore& flags = engine.flags();
  if (flags.clickFlag >= 0) {
    flags.set(flags.clickFlag, "1");
    engine.tools().FlagWritten(flags.clickFlag);
  }
}

void KeyPressed(TFmain& engine, const std::string& key, bool ctrl) {
  if (BacklogViewer* viewer = engine.saves().activeBacklog()) {
    if (viewer->Key(key)) return;
  }
  // While a choice menu waits, the cursor keys move its pointer.
  if (engine.choiceMenuInput().offerKey(key)) return;
  if (ctrl) {
    engine.readerAids().ShortcutTyped();
    if (const MenuItem* item = engine.menu().itemForShortcut("Ctrl+" + key)) {
      ChooseMenuItem(engine, item->name);
    }
    return;
  }
  if (key == "Escape") {
    RunMenuItem(engine, "Mexit");
    ClearClickSignals(engine);
  } else if (key == "Space") {
    if (engine.text().pageUnit) {
      RunMenuItem(engine, "Ktxtskip");
      ClearClickSignals(engine);
    }
  } else if (key == "Enter") {
    InputSignals& input = engine.input();
    if (input.clicksEnabled) {
      input.click = true;
      input.enter = true;
    }
    if (engine.text().textInProgress) engine.text().lineClicked = true;
    engine.readerAids().ReaderPressed();
  } else if (key == "F12") {
    // Whatever shows, locked menu or not: saving a picture changes nothing.
    engine.readerAids().SaveScreenshot();
  }
}

void WheelTurned(TFmain& engine, int notches, int x, int y) {
  Place(engine, x, y);
  if (BacklogViewer* viewer = engine.saves().activeBacklog()) {
    viewer->Wheel(notches);
  } else if (notches > 0 && engine.readerAids().clickWaiting()) {
    ChooseMenuItem(engine, "Mback");
  }
}

void OpenPopupMenu(TFmain& engine, int x, int y) {
  std::optional<std::string> chosen = engine.host().showPopupMenu(engine.menu().items(), x, y);
  if (chosen) ChooseMenuItem(engine, *chosen);
  // Dismissed too: the press that opened the menu must not advance the story.
  ClearClickSignals(engine);
}

void ChooseMenuItem(TFmain& engine, const std::string& name) {
  const PopupMenu& menu = engine.menu();
  const MenuItem* item = menu.item(name);
  if (!item || !item->enabled || menu.isSubmenu(name)) return;
  RunMenuItem(engine, name);
  ClearClickSignals(engine);
  engine.readerAids().MenuActed();
}

void RunMenuItem(TFmain& engine, const std::string& name) {
  for (const MenuAction& action : kMenuActions) {
    if (name == action.name) {
      action.run(engine);
      return;
    }
  }
}

void ResetInputForTitle(TFmain& engine) {
  DisplayState& display = engine.display();
  if (display.scriptMenuLock) engine.menu().unlock();
  display.scriptMenuLock = false;
  engine.menu().setAutoPopup(true);
  SetCursorPattern(engine, 1);
}

void CmdMouseloc(TFmain& engine) {
  const std::int32_t x = engine.argInt(0);
  const std::int32_t y = engine.argInt(1);
  engine.host().warpPointer(x, y);
}

void CmdMousepat(TFmain& engine) {
  SetCursorPattern(engine, engine.argInt(0));
}

void CmdSysdark(TFmain& engine) {
  engine.switches().dark = engine.argInt(0) != 0;
}

void CmdSyspopup(TFmain& engine) {
  const std::int32_t n = engine.argInt(0);
  engine.switches().popupLocked = n != 0;
  PopupMenu& menu = engine.menu();
  DisplayState& display = engine.display();
  // The script holds at most one lock, so `_syspopup 1` twice is undone by one `_syspopup 0`.
  if (n == 1) {
    menu.setAutoPopup(false);
    if (!display.scriptMenuLock) menu.lock();
    display.scriptMenuLock = true;
  } else {
    menu.setAutoPopup(true);
    if (display.scriptMenuLock) menu.unlock();
    display.scriptMenuLock = false;
  }
}

void CmdSyssave(TFmain& engine) {
  engine.switches().saveLocked = engine.argInt(0) != 0;
}

void CmdSyslog(TFmain& engine) {
  engine.switches().logLocked = engine.argInt(0) != 0;
}

}  // namespace qw
