#include "script/menu_block.h"

#include "app/engine.h"
#include "script/parse.h"
#include "script/source.h"

namespace qw {

std::vector<MenuBlockItem> ReadMenuBlock(TFmain& engine, bool keepFalseAsZero) {
  TProg& prog = engine.prog();
  const std::vector<std::string>& lines = engine.script().lines;
  std::vector<MenuBlockItem> items;
  ++prog.Pc;
  while (prog.Pc >= 0 && static_cast<std::size_t>(prog.Pc) < lines.size()) {
    std::string_view t = TrimControl(lines[static_cast<std::size_t>(prog.Pc)]);
    if (t == "_endsel") break;
    MenuItemLine line = ParseMenuItemLine(t);
    bool shown = line.condition.empty() || engine.evaluator().EvaluateArgument(line.condition) != 0;
    if (items.size() < kMaxMenuItems) {
      if (shown)
        items.push_back({std::move(line.text), std::move(line.command)});
      else if (keepFalseAsZero)
        items.push_back({"0", std::move(line.command)});
    }
    ++prog.Pc;
  }
  return items;
}

void FinishMenuBlock(TFmain& engine, const std::vector<MenuBlockItem>& items, int chosen) {
  if (!items.empty() && chosen >= 0 && static_cast<std::size_t>(chosen) < items.size() &&
      !items[static_cast<std::size_t>(chosen)].command.empty()) {
    engine.prog().Status = 1;
    std::string command = items[static_cast<std::size_t>(chosen)].command;
    engine.ExecuteCommand(command);
  }
  engine.prog().Selection = chosen;
}

}  // namespace qw
