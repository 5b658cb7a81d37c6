#include "present/save_commands.h"

#include "app/engine.h"
#include "app/save_subsystem.h"

namespace qw {

void CmdWinsave(TFmain& engine) {
  SaveSubsystem& saves = engine.saves();
  if (std::optional<int> slot = saves.ChooseSlot(SlotPicker::Mode::Save)) saves.SaveToSlot(*slot);
}

void CmdWinload(TFmain& engine) {
  SaveSubsystem& saves = engine.saves();
  if (std::optional<int> slot = saves.ChooseSlot(SlotPicker::Mode::Load)) saves.RequestLoad(*slot);
}

void CmdLogclear(TFmain& engine) {
  engine.saves().log().Clear();
}

void CmdLognext(TFmain& engine) {
  engine.saves().NewPage();
}

void StartSkipMode(TFmain& engine) {
  engine.text().skipMode = true;
  InputSignals& input = engine.input();
  input.click = input.mouseDown = input.mouseUp = false;
}

}  // namespace qw
