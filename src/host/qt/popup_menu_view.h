// The pop-up menu model shown as a QMenu: captions, shortcuts, check marks, enabled states,
// the `Mdisplay` and `Moption` submenus. Every action's object name is its item's name.
#pragma once

#include <QMenu>

#include <memory>
#include <vector>

#include "platform/host.h"

namespace qw {

std::unique_ptr<QMenu> BuildPopupMenu(const std::vector<MenuEntry>& entries,
                                      QWidget* parent = nullptr);

}  // namespace qw
