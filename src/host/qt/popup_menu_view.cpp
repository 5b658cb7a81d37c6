#include "host/qt/popup_menu_view.h"

#include <QAction>
#include <QKeySequence>

#include <map>
#include <string>

namespace qw {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool HasChildren(const std::vector<MenuEntry>& entries, const std::string& name) {
  for (const MenuEntry& e : entries) {
    if (e.parent == name) return true;
  }
  return false;
}

}  // namespace

std::unique_ptr<QMenu> BuildPopupMenu(const std::vector<MenuEntry>& entries, QWidget* parent) {
  auto menu = std::make_unique<QMenu>(parent);
  std::map<std::string, QMenu*> submenus;
  for (const MenuEntry& entry : entries) {
    QMenu* into = menu.get();
    if (!entry.parent.empty()) {
      auto found = submenus.find(entry.parent);
      if (found == submenus.end()) continue;
      into = found->second;
    }
    // Captions are plain text: an "&" would become a mnemonic.
    QString caption = FromUtf8(entry.caption).replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* action = nullptr;
    if (HasChildren(entries, entry.name)) {
      QMenu* sub = into->addMenu(caption);
      submenus[entry.name] = sub;
      action = sub->menuAction();
    } else {
      action = into->addAction(caption);
      action->setCheckable(entry.checkable);
      action->setChecked(entry.checked);
      if (!entry.shortcut.empty()) {
        action->setShortcut(QKeySequence(FromUtf8(entry.shortcut), QKeySequence::PortableText));
        // Shown beside the caption; the engine handles the keys itself while the menu is shut.
        action->setShortcutContext(Qt::WidgetShortcut);
      }
    }
    action->setObjectName(FromUtf8(entry.name));
    action->setEnabled(entry.enabled);
  }
  return menu;
}

}  // namespace qw
