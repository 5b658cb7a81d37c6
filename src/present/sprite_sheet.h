// Loading the sprite sheet, shared by `_sprload` and the button menus, which load their
// pictures as sprite sheets.
#pragma once

#include <cstdint>
#include <string>

namespace qw {

class TFmain;

// The first half of `_sprload`: marks the frame changed, records `file` as the sheet's name
// and loads it into SPRITE. A picture that cannot be opened throws as every picture load does.
void LoadSpriteSheetPicture(TFmain& e, const std::string& file);
// The second half: the cell size, the transparent colour or mask file `colour` (evaluated
// against the loaded sheet), the cell counts, every slot taken off the screen, the mask, and
// whether the sheet is ready (a cell size of 0 or less makes no cells).
void SetSpriteSheetCells(TFmain& e, std::int32_t cellWidth, std::int32_t cellHeight,
                         const std::string& colour);

}  // namespace qw
