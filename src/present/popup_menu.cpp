#include "present/popup_menu.h"

namespace qw {

PopupMenu::PopupMenu() {
  // name, caption, shortcut, parent, enabled, checked
  items_ = {
      {"Mdisplay", "画面表示", "", "", true, false},
      {"Khideimage", "背景を消す", "Ctrl+T", "Mdisplay", false, false},
      {"Khidetext", "文字を消す", "Ctrl+B", "Mdisplay", false, false},
      {"Kwinmode", "画面の枠の表示", "Ctrl+W", "Mdisplay", true, true},
      {"Kfullscr", "フルスクリーン表示", "Ctrl+G", "Mdisplay", true, false},
      {"Mdarkness", "背景を暗くする", "Ctrl+D", "Mdisplay", false, false},
      {"Moption", "設定変更", "", "", true, false},
      {"Kmusic", "音楽再生", "Ctrl+M", "Moption", true, true},
      {"Ksound", "効果音再生", "Ctrl+V", "Moption", true, true},
      {"Ktxtwait", "高速文字表示", "Ctrl+H", "Moption", true, false},
      {"Ktxtskip", "ページ単位表示", "Ctrl+P", "Moption", true, false},
      {"Kfont", "フォント設定", "", "Moption", true, false},
      {"Msave", "データ保存", "Ctrl+S", "", false, false},
      {"Mload", "データ読み込み", "Ctrl+L", "", false, false},
      {"Mback", "前の文章を読む", "", "", true, false},
      {"Mtitle", "タイトルへ戻る", "Ctrl+R", "", false, false},
      {"Mversion", "バージョン情報", "", "", true, false},
      {"Mexit", "終了する", "Ctrl+Q", "", true, false},
      {"Mdebug", "キャンセル", "", "", true, false},
      {"Mskipout", "読んだ文章を飛ばす", "Ctrl+F", "", false, false},
  };
}

MenuItem* PopupMenu::find(std::string_view name) {
  for (MenuItem& item : items_) {
    if (item.name == name) return &item;
  }
  return nullptr;
}

const MenuItem* PopupMenu::find(std::string_view name) const {
  for (const MenuItem& item : items_) {
    if (item.name == name) return &item;
  }
  return nullptr;
}

void PopupMenu::setEnabled(std::string_view name, bool enabled) {
  if (MenuItem* item = find(name)) item->enabled = enabled;
}

bool PopupMenu::enabled(std::string_view name) const {
  const MenuItem* item = find(name);
  return item && item->enabled;
}

void PopupMenu::setChecked(std::string_view name, bool checked) {
  if (MenuItem* item = find(name)) item->checked = checked;
}

bool PopupMenu::checked(std::string_view name) const {
  const MenuItem* item = find(name);
  return item && item->checked;
}

void PopupMenu::setCaption(std::string_view name, std::string caption) {
  if (MenuItem* item = find(name)) item->caption = std::move(caption);
}

}  // namespace qw
