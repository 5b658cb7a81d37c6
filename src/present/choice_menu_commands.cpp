#include "present/choice_menu_commands.h"

#include <optional>
#include <utility>

#include "app/engine.h"
#include "app/save_subsystem.h"
#include "gfx/choice_menu.h"
#include "media/menu_hooks.h"
#include "present/display.h"
#include "present/layer_commands.h"
#include "present/sprite_sheet.h"
#include "script/menu_block.h"

namespace qw {

void ChoiceMenuInput::setOpen(bool open) {
  open_ = open;
  keys_.clear();
}

bool ChoiceMenuInput::offerKey(const std::string& key) {
  if (!open_ || (key != "Up" && key != "Down" && key != "Left" && key != "Right")) return false;
  if (keys_.size() == kMaxKeys) keys_.pop_front();
  keys_.push_back(key);
  return true;
}

std::vector<std::string> ChoiceMenuInput::takeKeys() {
  std::vector<std::string> keys(keys_.begin(), keys_.end());
  keys_.clear();
  return keys;
}

namespace {

// While a menu command runs, saving is offered as in a click wait and the font window is
// not; afterwards both are as outside a wait, however the command ends.
class MenuEntriesScope {
 public:
  explicit MenuEntriesScope(TFmain& e) : menu_(e.menu()) {
    if (!e.switches().saveLocked && e.saves().savePossible()) menu_.setEnabled("Msave", true);
    menu_.setEnabled("Kfont", false);
  }
  ~MenuEntriesScope() {
    menu_.setEnabled("Msave", false);
    menu_.setEnabled("Kfont", true);
  }
  MenuEntriesScope(const MenuEntriesScope&) = delete;
  MenuEntriesScope& operator=(const MenuEntriesScope&) = delete;

 private:
  PopupMenu& menu_;
};

class OpenMenuScope {
 public:
  explicit OpenMenuScope(ChoiceMenuInput& input) : input_(input) { input_.setOpen(true); }
  ~OpenMenuScope() { input_.setOpen(false); }
  OpenMenuScope(const OpenMenuScope&) = delete;
  OpenMenuScope& operator=(const OpenMenuScope&) = delete;

 private:
  ChoiceMenuInput& input_;
};

void CarryOut(TFmain& e, ChoiceMenu& menu) {
  for (const MenuEffect& effect : menu.takeEffects()) {
    switch (effect.kind) {
      case MenuEffect::Kind::Present:
        e.PresentWindow(effect.area);
        break;
      case MenuEffect::Kind::HandPointer:
        ShowCursorPattern(e, static_cast<std::int32_t>(CursorShape::Hand));
        break;
      case MenuEffect::Kind::NormalPointer:
        RestoreCursorPattern(e);
        break;
      case MenuEffect::Kind::ClickSound:
        PlayMenuClickSound(e);
        break;
    }
  }
}

// Shows `menu`, waits for a choice and takes the menu away again; the chosen index, or the
// result of a menu that could not be shown.
int RunChoiceMenu(TFmain& e, ChoiceMenu& menu) {
  if (menu.status() != MenuStatus::Ready) {
    if (std::optional<MessageBoxSpec> box = menu.failureBox()) {
      e.ShowMessage(box->text, box->caption, box->icon, box->buttons);
    }
    return menu.resultWithoutMenu();
  }
  InputSignals& in = e.input();
  menu.open(e.window(), e.screen().buffer(TEMP2), {in.mouseX, in.mouseY});
  CarryOut(e, menu);
  std::optional<int> chosen;
  {
    OpenMenuScope open(e.choiceMenuInput());
    // A click or Enter from before the menu chooses nothing.
    in.click = in.enter = false;
    while (!chosen) {
      e.waiter().round();
      menu.onPointerMove(in.mouseX, in.mouseY);
      for (const std::string& key : e.choiceMenuInput().takeKeys()) {
        const std::optional<MenuPoint> to = menu.onKey(key);
        // The host reports the move later; the next key already starts from there.
        if (to && e.host().warpPointer(to->x, to->y)) {
          in.mouseX = to->x;
          in.mouseY = to->y;
          menu.onPointerMove(to->x, to->y);
        }
      }
      if (in.click) {
        in.click = in.enter = false;
        chosen = menu.onAdvance();
      }
      CarryOut(e, menu);
    }
  }
  menu.close();
  CarryOut(e, menu);
  // The click that chose must not go on to the next wait.
  in.click = in.enter = in.mouseDown = in.mouseUp = false;
  return *chosen;
}

// Reads the item block, shows the menu with `show` while the pop-up entries are adjusted, and
// finishes the block with the choice.
template <typename Show>
void RunMenuBlock(TFmain& e, bool keepFalseAsZero, Show&& show) {
  std::vector<MenuBlockItem> items;
  int chosen = -1;
  {
    MenuEntriesScope entries(e);
    items = ReadMenuBlock(e, keepFalseAsZero);
    // Without items nothing is shown and no picture is needed.
    if (!items.empty()) chosen = show(items);
  }
  FinishMenuBlock(e, items, chosen);
}

struct ButtonMenuArgs {
  MenuKind kind = MenuKind::Buttons;
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::string file;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t columns = 1;
  std::string colour;
};

// The button and gallery menus draw their buttons through the sprite slots.
int ShowButtonMenu(TFmain& e, const ButtonMenuArgs& a, const std::vector<MenuBlockItem>& items) {
  std::vector<std::int32_t> buttons;
  buttons.reserve(items.size());
  for (const MenuBlockItem& item : items)
    buttons.push_back(e.evaluator().EvaluateArgument(item.text));
  CmdSprclear(e);
  LoadSpriteSheetPicture(e, a.file);
  SetSpriteSheetCells(e, a.width, a.height, a.colour);

  Screen& s = e.screen();
  const TSpriteStatus& st = s.sprite;
  const ButtonSheet sheet{
      &s.buffer(SPRITE), &s.buffer(SPRITE_MASK), st.cellWidth, st.cellHeight, st.columns,
      st.rows,           st.transparent};
  MenuSpriteSlots slots;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    const SpriteSlot& from = s.spriteSlots[i];
    slots[i] = {from.x, from.y, from.column, from.row, from.visible, from.animationCount};
  }
  const Surface& vram = s.buffer(VRAM);
  ChoiceMenu menu =
      a.kind == MenuKind::Gallery
          ? ChoiceMenu::Gallery(a.x, a.y, a.columns, std::move(buttons), sheet, vram, slots)
          : ChoiceMenu::Buttons(a.x, a.y, std::move(buttons), sheet, vram, slots);
  const int chosen = RunChoiceMenu(e, menu);
  if (menu.status() == MenuStatus::Ready) {
    for (std::size_t i = 0; i < slots.size(); ++i) {
      const MenuSpriteSlot& from = menu.sprites()[i];
      s.spriteSlots[i] = {from.x, from.y, from.column, from.row, from.visible, from.animationCount};
    }
  }
  return chosen;
}

void RunButtonMenu(TFmain& e, ButtonMenuArgs args) {
  RunMenuBlock(e, args.kind == MenuKind::Gallery, [&](const std::vector<MenuBlockItem>& items) {
    return ShowButtonMenu(e, args, items);
  });
}

}  // namespace

void CmdSelmenu(TFmain& e) {
  const TTextStatus& t = e.textStatus();
  TextMenuArgs args;
  args.x = e.argInt(0, t.cursorX);
  args.y = e.argInt(1, t.cursorY);
  if (!e.arg(2).empty()) args.highlightColor = MenuColorToColor(e.arg(2));
  if (!e.arg(3).empty()) args.normalColor = MenuColorToColor(e.arg(3));
  args.fontSize = e.argInt(4, kMenuFontSize);
  RunMenuBlock(e, false, [&](const std::vector<MenuBlockItem>& items) {
    const TextMenuLook look{t.fontName, t.textColor, t.shadowColor, t.edgeMode};
    std::vector<std::string> texts;
    texts.reserve(items.size());
    for (const MenuBlockItem& item : items)
      texts.push_back(item.text);
    ChoiceMenu menu = ChoiceMenu::Text(args, look, std::move(texts), e.glyphs());
    return RunChoiceMenu(e, menu);
  });
}

void CmdSelbutton(TFmain& e) {
  const TTextStatus& t = e.textStatus();
  ButtonMenuArgs args;
  args.kind = MenuKind::Buttons;
  args.x = e.argInt(0, t.cursorX);
  args.y = e.argInt(1, t.cursorY);
  args.file = e.arg(2);
  args.width = e.argInt(3);
  args.height = e.argInt(4);
  args.colour = e.arg(5);
  RunButtonMenu(e, std::move(args));
}

void CmdSelcgmode(TFmain& e) {
  const TTextStatus& t = e.textStatus();
  ButtonMenuArgs args;
  args.kind = MenuKind::Gallery;
  args.x = e.argInt(0, t.cursorX);
  args.y = e.argInt(1, t.cursorY);
  args.file = e.arg(2);
  args.width = e.argInt(3);
  args.height = e.argInt(4);
  args.columns = e.argInt(5);
  args.colour = e.arg(6);
  RunButtonMenu(e, std::move(args));
}

}  // namespace qw
