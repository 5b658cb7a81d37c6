// The main window's remembered place and the start size the command line asks for.
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>

#include "host/qt/picture_window.h"
#include "host/qt/qt_host.h"

namespace qw {

void QtHost::placeWindow(const WindowState& state, std::optional<int> scale) {
  window_->setSharpPixels(state.sharpPixels);
  if (state.place) {
    const QRect place(state.place->x, state.place->y, state.place->width, state.place->height);
    // A place on a screen that is gone (a monitor unplugged) would hide the window.
    if (QGuiApplication::screenAt(place.center())) {
      window_->setGeometry(place);
      return;
    }
  }
  if (!scale) return;
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect available = screen->availableGeometry();
  int k = std::clamp(*scale, 1, kMaxWindowScale);
  while (k > 1 && (640 * k > available.width() || 480 * k > available.height()))
    --k;
  window_->setGeometry(
      QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, QSize(640 * k, 480 * k), available));
}

WindowState QtHost::windowState() const {
  WindowState state;
  state.fullScreen = fullScreen_;
  state.sharpPixels = window_->sharpPixels();
  QRect place = window_->geometry();
  if (fullScreen_) {
    place = windowedGeometry_;
  } else if (window_->isMaximized()) {
    place = window_->normalGeometry();
  }
  if (place.isValid()) {
    state.place = WindowPlace{place.x(), place.y(),
                              std::clamp(place.width(), kMinWindowWidth, kMaxWindowSide),
                              std::clamp(place.height(), kMinWindowHeight, kMaxWindowSide)};
  }
  return state;
}

}  // namespace qw
