#include "host/qt/overlay_scroll_bar.h"

#include <QEvent>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <utility>

#include "host/qt/picture_window.h"

namespace qw {

OverlayScrollBar::OverlayScrollBar(PictureWindow& window, std::function<void(int)> moved)
    : window_(window), bar_(new QScrollBar(Qt::Vertical, &window)) {
  bar_->hide();
  // Keys stay with the picture: the engine has its own use for the cursor keys.
  bar_->setFocusPolicy(Qt::NoFocus);
  bar_->setCursor(Qt::ArrowCursor);
  QObject::connect(bar_, &QScrollBar::valueChanged, this,
                   [moved = std::move(moved)](int value) { moved(value); });
  window_.installEventFilter(this);
}

OverlayScrollBar::~OverlayScrollBar() {
  delete bar_.data();
}

void OverlayScrollBar::show(const ScrollBarSpec& spec) {
  const QSignalBlocker quiet(bar_.data());
  bar_->setRange(0, std::max(spec.maximum, 0));
  bar_->setSingleStep(std::max(spec.smallStep, 1));
  bar_->setPageStep(std::max(spec.largeStep, 1));
  bar_->setValue(spec.position);
  bounds_ = spec.bounds;
  relayout();
  bar_->show();
  bar_->raise();
}

void OverlayScrollBar::hide() {
  bar_->hide();
}

void OverlayScrollBar::relayout() {
  const IntRect device = window_.geometryNow().toTarget(bounds_);
  if (device.empty()) {
    bar_->setGeometry(0, 0, 0, 0);
    return;
  }
  const qreal dpr = window_.devicePixelRatioF();
  const int left = static_cast<int>(std::floor(device.left / dpr));
  const int top = static_cast<int>(std::floor(device.top / dpr));
  const int right = static_cast<int>(std::ceil(device.right / dpr));
  const int bottom = static_cast<int>(std::ceil(device.bottom / dpr));
  bar_->setGeometry(left, top, std::max(right - left, 1), std::max(bottom - top, 1));
}

bool OverlayScrollBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_ && event->type() == QEvent::Resize) relayout();
  return false;
}

}  // namespace qw
