// The three choice menus (`_selmenu`, `_selbutton`, `_selcgmode`) as state machines: each draws
// itself onto the shown picture, hit-tests and highlights its items, moves the pointer for the
// cursor keys and says when a choice is made. Waiting belongs to the engine: it waits for host
// events, feeds them in, and carries out what the menu asks for (presenting changed areas,
// pointer shapes, pointer warps, the click sound).
//
// The engine's part, in order:
//   text menu:    parse the colours (MenuColorToColor), build with ChoiceMenu::Text.
//   button menus: evaluate every item text to its button number, hide all sprite slots, load
//                 the file as the sprite sheet (as `_sprload` file, W, H, colour), then build
//                 with ChoiceMenu::Buttons or ChoiceMenu::Gallery from that sheet.
//   then:         if status() is not Ready, show failureBox() when there is one and take
//                 resultWithoutMenu(); otherwise open(), and until finished() wait for a host
//                 event, pass it on (onPointerMove, onKey, onAdvance for a click or Enter),
//                 warp the pointer where onKey says and carry out takeEffects(); finally
//                 close(), carry out takeEffects() once more and, for the button menus, copy
//                 sprites() back into the engine's sprite slots.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/glyphs.h"
#include "gfx/surface.h"
#include "platform/host.h"

namespace qw {

// The item store and the sprite slots hold 32; further items are dropped.
inline constexpr int kMaxChoiceItems = 32;
inline constexpr const char* kMenuPictureFailedMessage =
    "画像の読み込み失敗もしくはサイズ指定が異常です";

// `_selmenu` defaults (platform colour values 0x00BBGGRR).
inline constexpr std::uint32_t kMenuHighlightColor = 0xFFFFFF;
inline constexpr std::uint32_t kMenuNormalColor = 0x808080;
inline constexpr std::int32_t kMenuFontSize = 28;

// A `_selmenu` colour "#RRGGBB" as the platform colour value 0x00BBGGRR: the six characters
// after the first are read as a number with "0x0" in front. Throws FrameworkError ("'0x0…' is
// not a valid integer value") when they are not hexadecimal digits.
std::uint32_t MenuColorToColor(std::string_view cp932Text);

// What the text menu takes from the text engine's state.
struct TextMenuLook {
  std::string fontName;                // CP932, the current font name
  std::uint32_t textColor = 0xFFFFFF;  // platform colours 0x00BBGGRR
  std::uint32_t shadowColor = 0;
  std::int32_t edgeMode = 0;  // 1 outline, else drop shadow
};

struct TextMenuArgs {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::uint32_t highlightColor = kMenuHighlightColor;
  std::uint32_t normalColor = kMenuNormalColor;
  std::int32_t fontSize = kMenuFontSize;
};

// The sprite sheet the button menus draw from, as the engine loaded it. The cell size is the
// menu's button width and height.
struct ButtonSheet {
  const Surface* image = nullptr;  // SPRITE
  const Surface* mask = nullptr;   // SPRITE_MASK, read when `transparent`
  std::int32_t cellWidth = 0;
  std::int32_t cellHeight = 0;
  std::int32_t columns = 0;  // sheet width / cell width
  std::int32_t rows = 0;
  bool transparent = false;

  // Whether it has cells at all; a sheet without is the "picture unusable" failure.
  bool usable() const;
};

// One sprite slot, field for field as the engine keeps it.
struct MenuSpriteSlot {
  std::int32_t x = 0x10000;  // bit 16 set: not on screen
  std::int32_t y = 0;
  std::int32_t column = 0;
  std::int32_t row = 0;
  bool visible = false;
  std::int32_t animationCount = 0;
};
using MenuSpriteSlots = std::array<MenuSpriteSlot, kMaxChoiceItems>;

struct MenuPoint {
  int x = 0;
  int y = 0;
  bool operator==(const MenuPoint&) const = default;
};

// Something the engine must do for the menu, in the order given.
struct MenuEffect {
  enum class Kind {
    Present,        // `area` of the shown picture changed
    HandPointer,    // show the hand pointer (CursorShape::Hand)
    NormalPointer,  // show the pointer the script chose (`_mousepat`)
    ClickSound,     // play `MenuClickSound` when configured, waiting until it ends
  };
  Kind kind = Kind::Present;
  IntRect area;
};

enum class MenuKind { Text, Buttons, Gallery };
enum class MenuStatus { Ready, NoItems, PictureUnusable };

// The menu area, which the cursor keys also navigate, and its steps.
struct MenuGeometry {
  std::int64_t x = 0;
  std::int64_t y = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::int64_t pitch = 0;      // row pitch
  std::int64_t cellWidth = 0;  // column pitch of the gallery; the width otherwise
  std::int64_t columns = 1;
};

class ChoiceMenu {
 public:
  // `items`: the item texts (CP932).
  static ChoiceMenu Text(const TextMenuArgs& args, const TextMenuLook& look,
                         std::vector<std::string> items, GlyphRenderer& glyphs);
  // `buttons`: the item texts evaluated to button numbers. `vram` is what an erased button
  // shows; `slots` are the sprite slots after the engine hid them and loaded the sheet.
  static ChoiceMenu Buttons(std::int32_t x, std::int32_t y, std::vector<std::int32_t> buttons,
                            const ButtonSheet& sheet, const Surface& vram,
                            const MenuSpriteSlots& slots);
  static ChoiceMenu Gallery(std::int32_t x, std::int32_t y, std::int32_t columns,
                            std::vector<std::int32_t> buttons, const ButtonSheet& sheet,
                            const Surface& vram, const MenuSpriteSlots& slots);

  MenuKind kind() const { return kind_; }
  MenuStatus status() const { return status_; }
  // The result when the menu is not shown: -1 without items, 0 for an unusable picture.
  int resultWithoutMenu() const { return status_ == MenuStatus::NoItems ? -1 : 0; }
  // The message to show (before taking the result) when the menu is not shown.
  std::optional<MessageBoxSpec> failureBox() const;

  int itemCount() const { return static_cast<int>(count_); }
  const MenuGeometry& geometry() const { return geo_; }
  // The item under picture point (px, py), locked gallery items included; nothing outside
  // the hit area or past the last item.
  std::optional<int> itemAt(std::int64_t px, std::int64_t py) const;
  // Whether a click on the item chooses it (gallery items with a button number below 1 do
  // not).
  bool choosable(int item) const;

  // Saves the shown picture under the menu area into `temp2` and draws the menu. `pointer` is
  // the pointer's position now: the menu waits until it moves or a cursor key is pressed
  // before it reacts to anything. The surfaces must outlive the menu.
  void open(Surface& shown, Surface& temp2, MenuPoint pointer);
  // The pointer moved over the picture (picture coordinates).
  void onPointerMove(int x, int y);
  // A key was pressed ("Up", "Down", "Left", "Right"; others are ignored). Returns the
  // picture point the pointer is to be moved to, if any; the move comes back through
  // onPointerMove when the host reports it.
  std::optional<MenuPoint> onKey(std::string_view key);
  // A click or Enter: the chosen item, when the pointer last seen is on a choosable item.
  std::optional<int> onAdvance();
  bool finished() const { return phase_ == Phase::Chosen || phase_ == Phase::Closed; }

  // Hides the buttons and puts the saved picture back, then asks for the click sound and the
  // normal pointer.
  void close();

  std::vector<MenuEffect> takeEffects();
  // The item that is current (the last one pointed at; 0 at first).
  int current() const { return current_; }
  // The sprite slots as the button menus leave them.
  const MenuSpriteSlots& sprites() const { return slots_; }

 private:
  enum class Phase { Unopened, FirstMove, Choosing, Chosen, Closed };

  ChoiceMenu() = default;
  static ChoiceMenu ButtonGrid(MenuKind kind, std::int32_t x, std::int32_t y, std::int64_t columns,
                               std::vector<std::int32_t> buttons, const ButtonSheet& sheet,
                               const Surface& vram, const MenuSpriteSlots& slots);

  bool running() const { return phase_ == Phase::FirstMove || phase_ == Phase::Choosing; }
  void trackPointer();
  void setHighlight(int item, bool on);
  void setPointer(bool hand);
  void present(const IntRect& area);

  // Text menu drawing (choice_menu_text.cpp).
  void drawTextMenu();
  IntRect drawItemText(int item, std::int64_t dx, std::int64_t dy, std::uint32_t pixel);

  // Button drawing (choice_menu_buttons.cpp), after the sprite commands.
  void placeButtons();
  void setCell(int slot, std::int64_t column, std::int64_t row);
  void putSlot(int slot, std::int64_t x, std::int64_t y);
  void eraseSlot(const MenuSpriteSlot& slot);
  void redrawSlots();
  void hideSlots();
  MenuPoint buttonPosition(int item) const;

  MenuKind kind_ = MenuKind::Text;
  MenuStatus status_ = MenuStatus::Ready;
  std::int64_t count_ = 0;
  MenuGeometry geo_;

  // Text menu.
  std::vector<std::string> texts_;
  TextMenuLook look_;
  std::uint32_t highlightPixel_ = 0;
  std::uint32_t normalPixel_ = 0;
  std::int64_t size_ = 0;
  GlyphRenderer* glyphs_ = nullptr;

  // Button menus.
  std::vector<std::int32_t> buttons_;
  ButtonSheet sheet_;
  const Surface* vram_ = nullptr;
  MenuSpriteSlots slots_{};

  // Interaction.
  Phase phase_ = Phase::Unopened;
  Surface* shown_ = nullptr;
  Surface* temp2_ = nullptr;
  IntRect saved_;  // the part of the menu area on the shown picture, kept in `temp2_`
  MenuPoint start_;
  MenuPoint pointer_;
  std::int64_t lastX_ = -1;  // the pointer position last seen by the highlight
  std::int64_t lastY_ = -1;
  int current_ = 0;
  std::optional<bool> hand_;  // the pointer shape last asked for
  std::vector<MenuEffect> effects_;
};

}  // namespace qw
