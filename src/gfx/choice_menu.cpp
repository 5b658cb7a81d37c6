// Construction, geometry, hit tests and the interaction of the choice menus. Drawing is in
// choice_menu_text.cpp and choice_menu_buttons.cpp.
#include "gfx/choice_menu.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "gfx/choice_menu_internal.h"
#include "gfx/composite.h"
#include "gfx/raster.h"
#include "platform/cp932.h"
#include "platform/errors.h"

namespace qw {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int ClampToInt(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

// The rectangle the cursor keys move within: left, top, width, height.
struct NavArea {
  std::int64_t left, top, width, height;
  bool contains(std::int64_t px, std::int64_t py) const {
    return left <= px && px < left + width && top <= py && py < top + height;
  }
};

}  // namespace

IntRect ClipToSurface(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                      const Surface& surface) {
  const std::int64_t l = std::max<std::int64_t>(left, 0);
  const std::int64_t t = std::max<std::int64_t>(top, 0);
  const std::int64_t r = std::min<std::int64_t>(right, surface.width());
  const std::int64_t b = std::min<std::int64_t>(bottom, surface.height());
  if (r <= l || b <= t) return {};
  return {static_cast<int>(l), static_cast<int>(t), static_cast<int>(r), static_cast<int>(b)};
}

IntRect UniteRects(const IntRect& a, const IntRect& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

std::uint32_t MenuColorToColor(std::string_view cp932Text) {
  const std::string_view digits = cp932Text.size() > 1 ? cp932Text.substr(1, 6) : "";
  std::uint32_t rgb = 0;
  for (char c : digits) {
    const int v = HexValue(c);
    if (v < 0) {
      throw FrameworkError("'0x0" + Cp932ToUtf8(digits) + "' is not a valid integer value");
    }
    rgb = (rgb << 4) | static_cast<std::uint32_t>(v);
  }
  // The number reads RRGGBB; the platform colour keeps red in the low byte: the same swap.
  return ColorToPixel(rgb);
}

bool ButtonSheet::usable() const {
  return image != nullptr && cellWidth > 0 && cellHeight > 0 && columns > 0 && rows > 0;
}

ChoiceMenu ChoiceMenu::Text(const TextMenuArgs& args, const TextMenuLook& look,
                            std::vector<std::string> items, GlyphRenderer& glyphs) {
  ChoiceMenu m;
  m.kind_ = MenuKind::Text;
  if (items.size() > kMaxChoiceItems) items.resize(kMaxChoiceItems);
  m.count_ = static_cast<std::int64_t>(items.size());
  m.status_ = items.empty() ? MenuStatus::NoItems : MenuStatus::Ready;
  const std::int64_t s = std::max<std::int64_t>(args.fontSize, 4);
  const std::int64_t pitch = s + 4;
  std::int64_t width = 8;
  for (const std::string& text : items) {
    width = std::max(width, s / 2 + (s / 2) * static_cast<std::int64_t>(text.size()) + 2);
  }
  m.geo_ = {args.x, args.y, width, m.count_ * pitch + 4, pitch, width, 1};
  m.size_ = s;
  m.texts_ = std::move(items);
  m.look_ = look;
  m.highlightPixel_ = ColorToPixel(args.highlightColor);
  m.normalPixel_ = ColorToPixel(args.normalColor);
  m.glyphs_ = &glyphs;
  return m;
}

ChoiceMenu ChoiceMenu::Buttons(std::int32_t x, std::int32_t y, std::vector<std::int32_t> buttons,
                               const ButtonSheet& sheet, const Surface& vram,
                               const MenuSpriteSlots& slots) {
  return ButtonGrid(MenuKind::Buttons, x, y, 1, std::move(buttons), sheet, vram, slots);
}

ChoiceMenu ChoiceMenu::Gallery(std::int32_t x, std::int32_t y, std::int32_t columns,
                               std::vector<std::int32_t> buttons, const ButtonSheet& sheet,
                               const Surface& vram, const MenuSpriteSlots& slots) {
  return ButtonGrid(MenuKind::Gallery, x, y, std::max<std::int64_t>(1, columns), std::move(buttons),
                    sheet, vram, slots);
}

ChoiceMenu ChoiceMenu::ButtonGrid(MenuKind kind, std::int32_t x, std::int32_t y,
                                  std::int64_t columns, std::vector<std::int32_t> buttons,
                                  const ButtonSheet& sheet, const Surface& vram,
                                  const MenuSpriteSlots& slots) {
  ChoiceMenu m;
  m.kind_ = kind;
  if (buttons.size() > kMaxChoiceItems) buttons.resize(kMaxChoiceItems);
  m.count_ = static_cast<std::int64_t>(buttons.size());
  if (buttons.empty()) {
    m.status_ = MenuStatus::NoItems;
  } else if (!sheet.usable()) {
    m.status_ = MenuStatus::PictureUnusable;
  }
  const std::int64_t w = sheet.cellWidth, h = sheet.cellHeight;
  if (kind == MenuKind::Buttons) {
    m.geo_ = {x, y, w, m.count_ * h, h, w, 1};
  } else {
    m.geo_ = {x, y, w * columns, (m.count_ / columns + 1) * h, h, w, columns};
  }
  m.buttons_ = std::move(buttons);
  m.sheet_ = sheet;
  m.vram_ = &vram;
  m.slots_ = slots;
  return m;
}

std::optional<MessageBoxSpec> ChoiceMenu::failureBox() const {
  if (status_ != MenuStatus::PictureUnusable) return std::nullopt;
  return MessageBoxSpec{kMenuPictureFailedMessage, "", MessageIcon::Exclamation,
                        MessageButtons::Ok};
}

std::optional<int> ChoiceMenu::itemAt(std::int64_t px, std::int64_t py) const {
  if (status_ != MenuStatus::Ready) return std::nullopt;
  const MenuGeometry& g = geo_;
  if (kind_ == MenuKind::Text) {
    if (!(g.x < px && px < g.x + g.width && g.y + 3 < py && py < g.y + g.height - 3)) {
      return std::nullopt;
    }
    return static_cast<int>((py - g.y - 3) / g.pitch);
  }
  if (!(g.x < px && px < g.x + g.width && g.y < py && py < g.y + g.height)) return std::nullopt;
  std::int64_t item = (py - g.y) / g.pitch;
  if (kind_ == MenuKind::Gallery) item = item * g.columns + (px - g.x) / g.cellWidth;
  if (item >= count_) return std::nullopt;
  return static_cast<int>(item);
}

bool ChoiceMenu::choosable(int item) const {
  if (item < 0 || item >= count_) return false;
  return kind_ != MenuKind::Gallery || buttons_[static_cast<std::size_t>(item)] >= 1;
}

void ChoiceMenu::open(Surface& shown, Surface& temp2, MenuPoint pointer) {
  if (phase_ != Phase::Unopened || status_ != MenuStatus::Ready) return;
  shown_ = &shown;
  temp2_ = &temp2;
  start_ = pointer_ = pointer;
  saved_ = ClipToSurface(geo_.x, geo_.y, geo_.x + geo_.width, geo_.y + geo_.height, shown);
  // Only the part on the picture can come back, so only that part is kept.
  if (!saved_.empty()) {
    temp2.resetForOverwrite(saved_.width(), saved_.height());
    Blit(temp2, 0, 0, saved_.width(), saved_.height(), shown, saved_.left, saved_.top,
         RasterOp::Copy);
  }
  if (kind_ == MenuKind::Text) {
    drawTextMenu();
  } else {
    placeButtons();
  }
  phase_ = Phase::FirstMove;
}

void ChoiceMenu::onPointerMove(int x, int y) {
  if (!running()) return;
  pointer_ = {x, y};
  if (phase_ == Phase::FirstMove) {
    if (pointer_ == start_) return;
    phase_ = Phase::Choosing;
  }
  trackPointer();
}

std::optional<MenuPoint> ChoiceMenu::onKey(std::string_view key) {
  if (!running()) return std::nullopt;
  const bool down = key == "Down", up = key == "Up";
  const bool right = key == "Right", left = key == "Left";
  if (!down && !up && !right && !left) return std::nullopt;
  // A cursor key also ends the wait for the first move, and acts at once: it is still held
  // when the menu starts listening.
  phase_ = Phase::Choosing;
  std::optional<MenuPoint> warp;
  const bool vertical = down || up;
  if (vertical || kind_ == MenuKind::Gallery) {
    const NavArea area = kind_ == MenuKind::Text
                             ? NavArea{geo_.x + 2, geo_.y + 2, geo_.width, geo_.height - 4}
                             : NavArea{geo_.x, geo_.y, geo_.width, geo_.height};
    const std::int64_t px = pointer_.x, py = pointer_.y;
    if (!area.contains(px, py)) {
      warp =
          MenuPoint{ClampToInt(area.left + area.width / 2), ClampToInt(area.top + geo_.pitch / 2)};
    } else {
      const std::int64_t step = vertical ? geo_.pitch : geo_.cellWidth;
      const std::int64_t nx = px + (right ? step : left ? -step : 0);
      const std::int64_t ny = py + (down ? step : up ? -step : 0);
      if (area.contains(nx, ny)) warp = MenuPoint{ClampToInt(nx), ClampToInt(ny)};
    }
  }
  trackPointer();
  return warp;
}

std::optional<int> ChoiceMenu::onAdvance() {
  if (phase_ != Phase::Choosing) return std::nullopt;
  trackPointer();
  const std::optional<int> item = itemAt(lastX_, lastY_);
  if (!item || !choosable(*item)) return std::nullopt;
  phase_ = Phase::Chosen;
  return *item;
}

void ChoiceMenu::close() {
  if (phase_ == Phase::Unopened || phase_ == Phase::Closed) return;
  if (kind_ != MenuKind::Text) hideSlots();
  if (!saved_.empty()) {
    Blit(*shown_, saved_.left, saved_.top, saved_.width(), saved_.height(), *temp2_, 0, 0,
         RasterOp::Copy);
    present(saved_);
  }
  effects_.push_back({MenuEffect::Kind::ClickSound, {}});
  effects_.push_back({MenuEffect::Kind::NormalPointer, {}});
  hand_ = false;
  phase_ = Phase::Closed;
}

std::vector<MenuEffect> ChoiceMenu::takeEffects() {
  return std::exchange(effects_, {});
}

void ChoiceMenu::trackPointer() {
  if (pointer_.x == lastX_ && pointer_.y == lastY_) return;
  setHighlight(current_, false);
  lastX_ = pointer_.x;
  lastY_ = pointer_.y;
  if (const std::optional<int> item = itemAt(lastX_, lastY_)) {
    current_ = *item;
    setHighlight(current_, true);
    setPointer(choosable(current_));
  } else {
    setPointer(false);
  }
}

void ChoiceMenu::setHighlight(int item, bool on) {
  if (kind_ == MenuKind::Text) {
    present(drawItemText(item, 0, 0, on ? highlightPixel_ : normalPixel_));
    return;
  }
  setCell(item, on ? 1 : 0, slots_[static_cast<std::size_t>(item)].row);
  const MenuPoint place = buttonPosition(item);
  putSlot(item, place.x, place.y);
}

void ChoiceMenu::setPointer(bool hand) {
  if (hand_ == hand) return;
  hand_ = hand;
  effects_.push_back({hand ? MenuEffect::Kind::HandPointer : MenuEffect::Kind::NormalPointer, {}});
}

void ChoiceMenu::present(const IntRect& area) {
  if (!area.empty()) effects_.push_back({MenuEffect::Kind::Present, area});
}

}  // namespace qw
