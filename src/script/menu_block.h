// The item lines of a menu block (`_selmenu`, `_selcgmode`, `_selbutton` up to `_endsel`) and
// what happens after a choice. Showing the menu itself is the choice menus' work.
#pragma once

#include <string>
#include <vector>

namespace qw {

class TFmain;

struct MenuBlockItem {
  std::string text;
  std::string command;
};

inline constexpr std::size_t kMaxMenuItems = 32;

// Reads the items after the menu command at `Pc`, leaving `Pc` on the `_endsel` line (or past
// the last line when there is none). Items whose condition is false are left out, or kept
// with the text "0" when `keepFalseAsZero` (the picture gallery). Items past the 32nd are
// read and dropped.
std::vector<MenuBlockItem> ReadMenuBlock(TFmain& engine, bool keepFalseAsZero);

// After the menu: runs the chosen item's command (index -1: nothing was chosen) and records
// the index in `Selection`.
void FinishMenuBlock(TFmain& engine, const std::vector<MenuBlockItem>& items, int chosen);

}  // namespace qw
