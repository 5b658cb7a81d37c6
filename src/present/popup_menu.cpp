#include "present/popup_menu.h"

#include "platform/ascii.h"

namespace qw {

PopupMenu::PopupMenu() {
  // name, caption, shortcut, parent, enabled, checked, checkable
  items_ = {
      {"Mdisplay", "画面表示", "", "", true, false, false},
      {"Khideimage", "背景を消す", "Ctrl+T", "Mdisplay", false, false, false},
      {"Khidetext", "文字を消す", "Ctrl+B", "Mdisplay", false, false, false},
      {"Kwinmode", "画面の枠の表示", "Ctrl+W", "Mdisplay", true, true, true},
      {"Kfullscr", "フルスクリーン表示", "Ctrl+G", "Mdisplay", true, false, true},
      {"Mdarkness", "背景を暗くする", "Ctrl+D", "Mdisplay", false, false, true},
      {"Moption", "設定変更", "", "", true, false, false},
      {"Kmusic", "音楽再生", "Ctrl+M", "Moption", true, true, true},
      {"Ksound", "効果音再生", "Ctrl+V", "Moption", true, true, true},
      {"Ktxtwait", "高速文字表示", "Ctrl+H", "Moption", true, false, true},
      {"Ktxtskip", "ページ単位表示", "Ctrl+P", "Moption", true, false, true},
      {"Kautoadv", "自動で進む", "Ctrl+A", "Moption", true, false, true},
      {"Kfont", "フォント設定", "", "Moption", true, false, false},
      {"Msave", "データ保存", "Ctrl+S", "", false, false, false},
      {"Mload", "データ読み込み", "Ctrl+L", "", false, false, false},
      {"Mback", "前の文章を読む", "", "", true, false, false},
      {"Mscrshot", "画面を保存", "F12", "", true, false, false},
      {"Mtitle", "タイトルへ戻る", "Ctrl+R", "", false, false, false},
      {"Mversion", "バージョン情報", "", "", true, false, false},
      {"Mexit", "終了する", "Ctrl+Q", "", true, false, false},
      {"Mdebug", "キャンセル", "", "", true, false, false},
      {"Mskipout", "読んだ文章を飛ばす", "Ctrl+F", "", false, false, false},
  };
}

MenuItem* PopupMenu::find(std::string_view name) {
  for (MenuItem& item : items_) {
    if (item.name == name) return &item;
  }
  return nullptr;
}

const MenuItem* PopupMenu::item(std::string_view name) const {
  for (const MenuItem& item : items_) {
    if (item.name == name) return &item;
  }
  return nullptr;
}

bool PopupMenu::isSubmenu(std::string_view name) const {
  for (const MenuItem& item : items_) {
    if (item.parent == name) return true;
  }
  return false;
}

const MenuItem* PopupMenu::itemForShortcut(std::string_view shortcut) const {
  if (shortcut.empty()) return nullptr;
  for (const MenuItem& item : items_) {
    if (AsciiEqualIgnoringCase(item.shortcut, shortcut)) return &item;
  }
  return nullptr;
}

void PopupMenu::setEnabled(std::string_view name, bool enabled) {
  if (MenuItem* item = find(name)) item->enabled = enabled;
}

bool PopupMenu::enabled(std::string_view name) const {
  const MenuItem* found = item(name);
  return found && found->enabled;
}

void PopupMenu::setChecked(std::string_view name, bool checked) {
  if (MenuItem* item = find(name)) item->checked = checked;
}

bool PopupMenu::checked(std::string_view name) const {
  const MenuItem* found = item(name);
  return found && found->checked;
}

void PopupMenu::setCaption(std::string_view name, std::string caption) {
  if (MenuItem* item = find(name)) item->caption = std::move(caption);
}

bool PopupMenu::lockable(const MenuItem& item) const {
  return item.name != "Mexit" && !isSubmenu(item.name);
}

void PopupMenu::lock() {
  if (lockCount_ == 0) {
    savedEnabled_.clear();
    for (const MenuItem& item : items_)
      savedEnabled_.push_back(item.enabled);
  }
  ++lockCount_;
  // Every lock disables again: a click wait inside a lock may have enabled items since.
  for (MenuItem& item : items_) {
    if (lockable(item)) item.enabled = false;
  }
}

void PopupMenu::unlock() {
  if (lockCount_ == 0) return;
  // Only the outermost unlock restores, so an inner one cannot free items an outer lock holds.
  if (--lockCount_ > 0) return;
  for (std::size_t i = 0; i < items_.size() && i < savedEnabled_.size(); ++i) {
    if (lockable(items_[i])) items_[i].enabled = savedEnabled_[i];
  }
  savedEnabled_.clear();
}

}  // namespace qw
