// The pop-up menu `PopupMenu1` as a model: every item's caption, shortcut, enabled and
// checked state. Hosts show it; the engine changes it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qw {

struct MenuItem {
  std::string name;      // component name, "Msave"
  std::string caption;   // UTF-8
  std::string shortcut;  // "Ctrl+S", or empty
  std::string parent;    // "Mdisplay", "Moption", or empty for the top level
  bool enabled = true;
  bool checked = false;
};

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

 private:
  MenuItem* find(std::string_view name);
  const MenuItem* find(std::string_view name) const;
  std::vector<MenuItem> items_;
};

}  // namespace qw
