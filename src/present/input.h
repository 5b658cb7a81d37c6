// The reader's mouse and keys as the signals the waits poll, the pop-up menu's items and
// shortcuts with their effects, and the input commands of the script.
#pragma once

#include <string>

namespace qw {

class TFmain;

// Host events, as the engine's handlers pass them on.
void MouseDown(TFmain& engine, int x, int y, bool right);
void MouseUp(TFmain& engine, int x, int y);
void MouseClick(TFmain& engine, int x, int y);
void KeyPressed(TFmain& engine, const std::string& key, bool ctrl);
// The wheel: inside the backlog it turns pages; up during a click wait opens it.
void WheelTurned(TFmain& engine, int notches, int x, int y);

// Opens the pop-up menu at picture point (x, y) and carries out the chosen item. However it
// closes, the click signals are cleared: the press that opened it does not advance the story.
void OpenPopupMenu(TFmain& engine, int x, int y);
// Carries out item `name` if it is enabled now; then clears the click signals. Unknown,
// disabled and submenu items do nothing.
void ChooseMenuItem(TFmain& engine, const std::string& name);
// The item's effect, whatever its state (Escape acts as `Mexit`, Space as `Ktxtskip`).
void RunMenuItem(TFmain& engine, const std::string& name);

// The return to the title: start cursor, menu open on the right button and unlocked.
void ResetInputForTitle(TFmain& engine);

// Script commands.
void CmdMouseloc(TFmain& engine);
void CmdMousepat(TFmain& engine);
void CmdSysdark(TFmain& engine);
void CmdSyspopup(TFmain& engine);
void CmdSyssave(TFmain& engine);
void CmdSyslog(TFmain& engine);

}  // namespace qw
