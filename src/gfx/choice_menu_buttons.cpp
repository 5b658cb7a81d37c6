// The button and gallery menus draw through the sprite slots, with the rules of the sprite
// commands: a cell is chosen as `_sprset` chooses it, a button is placed as `_sprput` places
// it (erasing from VRAM, then redrawing every visible slot), and hidden as `_sprhide` hides it.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "gfx/choice_menu.h"
#include "gfx/choice_menu_internal.h"
#include "gfx/raster.h"

namespace qw {
namespace {

constexpr std::int32_t kOffScreen = 0x10000;

std::int32_t ClampToInt32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

MenuPoint ChoiceMenu::buttonPosition(int item) const {
  const std::int64_t column = item % geo_.columns, row = item / geo_.columns;
  return {ClampToInt32(geo_.x + column * geo_.cellWidth), ClampToInt32(geo_.y + row * geo_.pitch)};
}

void ChoiceMenu::placeButtons() {
  for (int i = 0; i < count_; ++i) {
    setCell(i, 0, buttons_[static_cast<std::size_t>(i)]);
    const MenuPoint place = buttonPosition(i);
    putSlot(i, place.x, place.y);
  }
}

void ChoiceMenu::setCell(int slot, std::int64_t column, std::int64_t row) {
  // A cell outside the sheet leaves the slot's previous one.
  if (!sheet_.usable() || column < 0 || row < 0 || column >= sheet_.columns || row >= sheet_.rows) {
    return;
  }
  MenuSpriteSlot& s = slots_[static_cast<std::size_t>(slot)];
  s.column = static_cast<std::int32_t>(column);
  s.row = static_cast<std::int32_t>(row);
  s.animationCount = 0;
}

void ChoiceMenu::putSlot(int slot, std::int64_t x, std::int64_t y) {
  MenuSpriteSlot& s = slots_[static_cast<std::size_t>(slot)];
  s.visible = true;
  if (s.animationCount != 0) {
    s.column =
        static_cast<std::int32_t>((static_cast<std::int64_t>(s.column) + 1) % sheet_.columns);
    s.animationCount =
        static_cast<std::int32_t>(std::max<std::int64_t>(std::int64_t{s.animationCount} - 1, -1));
  }
  if (s.x < kOffScreen) eraseSlot(s);
  s.x = ClampToInt32(x);
  s.y = ClampToInt32(y);
  redrawSlots();
  // The other slots were drawn over themselves, which leaves their pixels as they were.
  present(ClipToSurface(s.x, s.y, std::int64_t{s.x} + sheet_.cellWidth,
                        std::int64_t{s.y} + sheet_.cellHeight, *shown_));
}

void ChoiceMenu::eraseSlot(const MenuSpriteSlot& slot) {
  Blit(*shown_, slot.x, slot.y, sheet_.cellWidth, sheet_.cellHeight, *vram_, slot.x, slot.y,
       RasterOp::Copy);
  present(ClipToSurface(slot.x, slot.y, std::int64_t{slot.x} + sheet_.cellWidth,
                        std::int64_t{slot.y} + sheet_.cellHeight, *shown_));
}

void ChoiceMenu::redrawSlots() {
  for (const MenuSpriteSlot& s : slots_) {
    if (!s.visible) continue;
    const std::int64_t sx = std::int64_t{s.column} * sheet_.cellWidth;
    const std::int64_t sy = std::int64_t{s.row} * sheet_.cellHeight;
    // A cell beyond the sheet has nothing to draw.
    if (sx < 0 || sy < 0 || sx >= sheet_.image->width() || sy >= sheet_.image->height()) continue;
    const int ix = static_cast<int>(sx), iy = static_cast<int>(sy);
    if (sheet_.transparent && sheet_.mask != nullptr) {
      BlitMasked(*shown_, s.x, s.y, sheet_.cellWidth, sheet_.cellHeight, *sheet_.image,
                 *sheet_.mask, ix, iy);
    } else {
      Blit(*shown_, s.x, s.y, sheet_.cellWidth, sheet_.cellHeight, *sheet_.image, ix, iy,
           RasterOp::Copy);
    }
  }
}

void ChoiceMenu::hideSlots() {
  for (MenuSpriteSlot& s : slots_) {
    if (!s.visible) continue;
    eraseSlot(s);
    s.x |= kOffScreen;
    s.visible = false;
    redrawSlots();
  }
}

}  // namespace qw
