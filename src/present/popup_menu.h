// The pop-up menu `PopupMenu1` as a model: every item's caption, shortcut, enabled and
// checked state, whether it opens on the right button, and the lock that disables it while
// the engine shows something of its own. Hosts show it; the engine changes it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"

namespace qw {

using MenuItem = MenuEntry;

class PopupMenu {
 public:
  PopupMenu();

  const std::vector<MenuItem>& items() const { return items_; }
  // Unknown names are ignored (reads give false).
  void setEnabled(std::string_view name, bool enabled);
  bool enabled(std::string_view name) const;
  void setChecked(std::string_view name, bool checked);
  bool checked(std::string_view name) const;
  void setCaption(std::string_view name, std::string caption);
  const MenuItem* item(std::string_view name) const;
  // Whether other items sit under this one (`Mdisplay`, `Moption`).
  bool isSubmenu(std::string_view name) const;
  // The item whose shortcut is `shortcut` ("Ctrl+S"; letters without regard to case), or
  // nullptr.
  const MenuItem* itemForShortcut(std::string_view shortcut) const;

  // Whether the right button opens the menu (the form's automatic pop-up).
  bool autoPopup() const { return autoPopup_; }
  void setAutoPopup(bool on) { autoPopup_ = on; }

  // The lock nests. Each lock disables every item but `Mexit` and the submenu headers; the
  // first one saves their enabled states, and the unlock that ends the last lock restores
  // them. An unlock with no lock held does nothing.
  void lock();
  void unlock();
  int lockCount() const { return lockCount_; }

 private:
  MenuItem* find(std::string_view name);
  bool lockable(const MenuItem& item) const;

  std::vector<MenuItem> items_;
  std::vector<bool> savedEnabled_;  // by item index, while locked
  int lockCount_ = 0;
  bool autoPopup_ = true;
};

}  // namespace qw
